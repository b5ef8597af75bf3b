#pragma once
// Test hooks for as long as a guard lives.  A guard starts from the hooks
// in force (those of an enclosing guard, such as MainFixture's), changes
// what the test needs, and puts the earlier hooks back when it goes out of
// scope, however the test function ends; the outermost guard leaves the
// defaults behind, so no hook leaks into the next test function.

#include "platform/testhooks.h"

#include <functional>

class ScopedTestHooks {
public:
    using Edit = std::function<void(platform::TestHooks &hooks)>;

    explicit ScopedTestHooks(const Edit &edit = Edit())
        : m_saved(platform::ActiveTestHooks())
    {
        if (edit)
            Change(edit);
    }
    ~ScopedTestHooks() { platform::SetTestHooks(m_saved); }
    ScopedTestHooks(const ScopedTestHooks &) = delete;
    ScopedTestHooks &operator=(const ScopedTestHooks &) = delete;

    // Changes the hooks in force; the guard still restores those it found.
    void Change(const Edit &edit)
    {
        platform::TestHooks hooks = platform::ActiveTestHooks();
        edit(hooks);
        platform::SetTestHooks(hooks);
    }

private:
    platform::TestHooks m_saved;
};
