#pragma once
// Access tests and small file-system services used by the walk, the copy
// helpers and the log.

#include <QString>
#include <QStringList>
#include <cstdint>

namespace platform {

// Stand-in for reading a path's attributes: true when the path can be
// stat'ed (files and folders alike; a dangling symlink has attributes of its
// own and counts too).
bool PathAttributesReadable(const QString &path);

// True when a test stands in for the attribute test above; the walk then
// asks it instead of taking the answer from its read of the folder.
bool AccessTestReplaced();

// Stand-in for opening a network enumeration on a path: true when a
// directory enumeration can be opened on it.
bool OpenNetworkEnumeration(const QString &path);

// True when `path` names an existing directory (following symlinks).
bool IsDirectory(const QString &path);

// Creates one directory level; false when it cannot be created.
bool MakeDirectory(const QString &path);

// Canonical absolute path with symlinks resolved, or empty when the path
// does not exist.
QString ResolvedPath(const QString &path);

// By default a write beyond the file size limit (RLIMIT_FSIZE) kills the
// process with SIGXFSZ; after this call such a write fails (EFBIG) and is
// reported like any failed write.  A handler set by someone else is left
// alone.  Cheap to call again.
void IgnoreFileSizeSignal();

// The native separator of this platform ('/').
inline QChar Separator() { return QLatin1Char('/'); }

// Folder + separator + name, the way the program always joins paths.  The
// root folder "/" already ends in the separator and is not doubled.
inline QString JoinPath(const QString &folder, const QString &name)
{
    if (folder.size() == 1 && folder.at(0) == Separator())
        return folder + name;
    return folder + Separator() + name;
}

} // namespace platform
