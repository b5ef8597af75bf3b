#pragma once
// File-system fixtures for the tests: special files and system settings
// that Qt offers no way to create or change.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace fixtures {

bool MakeFifo(const QString &path);
// A character device that works as /dev/null does (root only): a device of
// the test's own, so that a fault writes into no device of the machine's.
bool MakeNullDevice(const QString &path);
// Binds a Unix-domain socket at `path` and closes it; the socket file stays.
bool MakeSocket(const QString &path);
bool MakeHardLink(const QString &existing, const QString &newPath);
// Creates a file whose name is the raw bytes `rawName` (which need not be
// valid UTF-8) inside `folder`.
bool WriteFileWithRawName(const QString &folder, const QByteArray &rawName, const QByteArray &content);
// Whether a file named by the raw bytes exists inside `folder`.
bool RawNameExists(const QString &folder, const QByteArray &rawName);
// Creates an empty folder named by the raw bytes inside `folder`.
bool MakeRawDirectory(const QString &folder, const QByteArray &rawName);
// Removes such a file or empty folder (QDir and QTemporaryDir cannot name it).
bool RemoveRawName(const QString &folder, const QByteArray &rawName);
// Creates an empty file for each name inside the existing `folder`, fast
// enough for folders of 100,000 entries; false when any exists or fails.
bool MakeEmptyFiles(const QString &folder, const QStringList &names);
// Permission bits refuse nothing to root; tests that rely on them skip.
bool RunningAsRoot();
// Whether the file system of `folder` makes unnamed files (O_TMPFILE).
bool UnnamedFilesSupported(const QString &folder);
// Soft limit on the size of files this process writes; -1 = unlimited.
int64_t FileSizeLimit();
bool SetFileSizeLimit(int64_t bytes);

// Permission bits (with the set-ID and sticky bits), owner and group of a
// file; -1 where unknown or, for SetOwnership(), left as they are.
struct FileOwnership {
    int mode = -1;
    int64_t uid = -1;
    int64_t gid = -1;
};
FileOwnership Ownership(const QString &path);
bool SetOwnership(const QString &path, const FileOwnership &ownership);
// The process's umask.
int CreationMask();
// Stops (or allows again) adding and removing entries of `folder` while
// its files stay writable: permission bits for an ordinary user, the
// immutable flag for root.  False where neither is possible.
bool LockFolderEntries(const QString &folder, bool locked);

} // namespace fixtures
