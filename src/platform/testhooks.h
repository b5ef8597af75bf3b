#pragma once
// Every seam through which tests replace a piece of the outside world, in
// one structure.  The program never sets it: all members keep their
// defaults, which mean the real behaviour.  Tests install hooks through
// ScopedTestHooks (tests/support/scopedtesthooks.h), which puts the previous
// ones back when it goes out of scope.

#include "platform/listingstatus.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

struct MountPoint;

struct TestHooks {
    // Called first by DirListing::Open() with the folder; a status other
    // than Ok is returned without touching the file system.  Null: real listing.
    ListingStatus (*listingFault)(const QString &folder) = nullptr;
    // Answers PathAttributesReadable() instead of stat.  Null: real test.
    bool (*accessTest)(const QString &path) = nullptr;
    // Answers OpenNetworkEnumeration() instead of opendir.  Null: real test.
    bool (*networkOpen)(const QString &path) = nullptr;
    // Called before every write of ReplacementFile (and every chunk
    // CopyFrom() moves) with the bytes written so far; false makes that
    // write fail.  Null: writes are left alone.
    bool (*writeFault)(int64_t bytesWrittenSoFar) = nullptr;
    // Makes ReplacementFile act as on a file system without unnamed files
    // (O_TMPFILE): a new name is written through a named temporary too.
    // False: unnamed files wherever the file system has them.
    bool noUnnamedFiles = false;
    // Names unnamed files through /proc, as on kernels that keep naming
    // them by descriptor to privileged processes.  False: by descriptor
    // where the kernel allows it.
    bool unnamedNamedThroughProc = false;
    // Where the log is written.  Empty: the program's own place (see
    // common::LogFilePath).
    QString logFilePath;
    // Answers MountedFileSystems() instead of the system's mount table.
    // Null: the system's.
    std::vector<MountPoint> (*mountSource)() = nullptr;
    // Every read of a folder waits this long first, as on a slow network
    // file system.  0: no wait.
    int folderReadDelayMilliseconds = 0;
    // Length of a repaint frame in milliseconds, streaming or not (0 lets
    // every repaint through).  Negative: the usual frames.
    int frameMilliseconds = -1;
    // Opens a result line's target instead of the desktop.  Null: the desktop.
    std::function<void(const QString &target)> opener;
    // Shows a result line's folder instead of the file manager.  Null: the
    // file manager.
    std::function<void(const QString &target)> folderOpener;
};

namespace detail {
extern TestHooks g_testHooks;
}

// The hooks in force.  A plain global read: cheap enough for the listing
// and copy loops.
inline const TestHooks &ActiveTestHooks()
{
    return detail::g_testHooks;
}

// Replaces every hook at once; ResetTestHooks() restores the defaults.
// Both tell the watchers below.
void SetTestHooks(const TestHooks &hooks);
void ResetTestHooks();

// Code that keeps state derived from a hook (a repaint held back for the
// old frame) is called after every change of the hooks.  Registering the
// same function again has no effect.
void WatchTestHooks(void (*changed)());

} // namespace platform
