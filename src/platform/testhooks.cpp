#include "platform/testhooks.h"

#include <algorithm>

namespace platform {

namespace detail {
TestHooks g_testHooks;
}

namespace {
std::vector<void (*)()> &Watchers()
{
    static std::vector<void (*)()> watchers;
    return watchers;
}
} // namespace

void SetTestHooks(const TestHooks &hooks)
{
    detail::g_testHooks = hooks;
    for (void (*changed)() : Watchers())
        changed();
}

void ResetTestHooks()
{
    SetTestHooks(TestHooks());
}

void WatchTestHooks(void (*changed)())
{
    std::vector<void (*)()> &watchers = Watchers();
    if (std::find(watchers.begin(), watchers.end(), changed) == watchers.end())
        watchers.push_back(changed);
}

} // namespace platform
