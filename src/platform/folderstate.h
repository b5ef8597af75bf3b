#pragma once
// What a folder is at this moment: where a path leads, whether that is a
// folder, and what kind of file system holds it.  Any of it can change
// between two looks, so the folder tree asks again whenever it opens one.

#include <QString>
#include <cstdint>

struct stat;

namespace platform {

// Device and inode: two paths lead to the same folder exactly when these
// are equal, whatever links or mounts lie on the way.
struct FolderId {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FolderId &other) const { return device == other.device && inode == other.inode; }
    bool operator!=(const FolderId &other) const { return !(*this == other); }
};

// When a folder's list of entries last changed, as its status tells it:
// adding, removing or renaming an entry changes the stamp.
struct FolderStamp {
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;
    int64_t changedSeconds = 0;
    int64_t changedNanoseconds = 0;
    bool operator==(const FolderStamp &other) const
    {
        return modifiedSeconds == other.modifiedSeconds && modifiedNanoseconds == other.modifiedNanoseconds
               && changedSeconds == other.changedSeconds && changedNanoseconds == other.changedNanoseconds;
    }
    bool operator!=(const FolderStamp &other) const { return !(*this == other); }
};

struct FolderState {
    bool folder = false;   // the path is, or leads to, a folder
    bool link = false;     // the path itself is a symbolic link
    FolderId id;           // the folder it leads to; only when `folder`
    FolderStamp stamp;     // only when `folder`
    // The stamp is old enough to tell every later change: on a file system
    // with coarse times, a change in the same tick as a look keeps the stamp.
    bool settled = false;
};

namespace detail {
// The stamp a folder's status gives.
FolderStamp StampOf(const struct stat &st);
// Whether a stamp is settled (see FolderState) by the clock now.
bool SettledNow(const FolderStamp &stamp);
} // namespace detail

// Looks at `path` now, following links.  Automount points are not
// triggered.
FolderState InspectFolder(const QString &path);

// True when the folder `path` leads to lies on a pseudo file system (proc,
// sysfs, devtmpfs, cgroup, ...), judged by the type of the file system that
// holds it, so a link or a bind mount is caught as well as the mount point.
bool OnPseudoFileSystem(const QString &path);

// True when a file system of the magic number `type` (statfs) holding the
// device `device` is a pseudo file system.  May read the mount table: one
// thread only.
bool IsPseudoFileSystemType(uint32_t type, uint64_t device);

// True when `id` is the folder `folder` leads to or any folder that holds
// that one, up to "/".
bool IsFolderOrContainer(const FolderId &id, const QString &folder);
// How many times IsFolderOrContainer() has run (tests count its climbs).
int ContainerChecks();

} // namespace platform
