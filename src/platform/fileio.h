#pragma once
// Byte-level file access for the copy helper: a source opened read-only and
// a destination that is only replaced once every byte has been written.

#include <QByteArray>
#include <QSet>
#include <QString>
#include <cstdint>

namespace platform {

// A folder held open so that the files in it are reached by their names
// alone: the folder's path is resolved once, not once per file.
class FolderHandle {
public:
    FolderHandle() = default;
    ~FolderHandle();
    FolderHandle(const FolderHandle &) = delete;
    FolderHandle &operator=(const FolderHandle &) = delete;

    // False when the path names no folder (or cannot be reached).  With
    // `takeNames`, the names in the folder are taken as well: a file put
    // into it under a name it did not hold then needs no look first.
    bool Open(const QString &path, bool takeNames = false);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

private:
    friend class SourceFile;
    friend class ReplacementFile;
    // Whether `name` may be taken in the folder: true unless the names
    // taken at Open() say it was free.
    bool MayHold(const QByteArray &name) const { return !m_namesTaken || m_names.contains(name); }

    int m_fd = -1;
    bool m_namesTaken = false;
    QSet<QByteArray> m_names;
    QByteArray m_path;   // native, for the rare case that needs a whole path
    // The folder's file system refused an unnamed file: not asked again.
    mutable bool m_noUnnamedFiles = false;
};

class SourceFile {
public:
    SourceFile() = default;
    ~SourceFile();
    SourceFile(const SourceFile &) = delete;
    SourceFile &operator=(const SourceFile &) = delete;

    // Opens a regular file for reading; false when missing or unreadable.
    bool Open(const QString &path);
    // The same for the entry `name` of an open folder.  `listedAsFile`: a
    // read of the folder made a moment ago found a regular file there, so
    // the look before opening (a device may act on being opened) is left
    // to that read; what is opened is checked all the same.
    bool Open(const FolderHandle &folder, const QString &name, bool listedAsFile = false);
    // Length in bytes (64-bit), taken at open.
    int64_t Size() const { return m_size; }
    // Reads exactly `count` bytes unless the file ends or fails first;
    // returns the number read, -1 on an error.
    int64_t Read(char *buffer, int64_t count);
    void Close();

    uint64_t Device() const { return m_dev; }
    uint64_t Inode() const { return m_ino; }

private:
    friend class ReplacementFile;
    bool OpenAt(int folderFd, const QByteArray &name, bool lookFirst = true);

    int m_fd = -1;
    int64_t m_size = 0;
    uint64_t m_dev = 0;
    uint64_t m_ino = 0;
};

// Writes into a temporary file beside the destination and puts it in place
// on Commit(); without a commit the temporary is removed, so a failed copy
// leaves the old destination (or its absence) untouched.  Where the name is
// free and the file system has them, the temporary is an unnamed file
// (O_TMPFILE) that gets the name on Commit() and vanishes with the process
// otherwise, even a killed one; else it is a hidden file beside the
// destination, renamed over it on Commit(), whose leftover from a killed
// copy a later copy of that name removes.  A replaced file keeps its
// permission bits, owner and group (as far as this process may set them).
// Where the folder takes no new file but the old file may be written, that
// file is written in place instead, and a failed copy leaves it incomplete.
class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile &) = delete;
    ReplacementFile &operator=(const ReplacementFile &) = delete;

    // Fails when the destination folder is missing, the destination exists
    // and is read-only or not a regular file, or it is the same file
    // (device and inode) as the given source.  A symlink to a file has that
    // file replaced and stays a link.  The first call sets SIGXFSZ to
    // ignored (if it is at its default), so that a write beyond the file
    // size limit fails instead of killing the program.
    bool Open(const QString &destination, const SourceFile &source);
    // The same for the entry `name` of an open folder, which must stay open
    // until Commit() or Discard().
    bool Open(const FolderHandle &folder, const QString &name, const SourceFile &source);
    // For a file the program writes itself (a saved list): the same checks
    // without a source, but an existing file is only ever replaced by the
    // rename, never written in place, and Commit() flushes the new file to
    // the disk before it takes the name.  Whatever fails, and a crash right after
    // the commit, leaves the old file (or its absence) or the whole new one.
    bool Open(const QString &destination);
    // Writes all `count` bytes or fails; after a failure every later Write()
    // and Commit() fails too.
    bool Write(const char *buffer, int64_t count);
    // Moves exactly the next `count` bytes of `source` here, in the kernel
    // where the file systems allow it; fails on a short read like Write()
    // on a failed write.
    bool CopyFrom(SourceFile &source, int64_t count);
    // Flushes and renames into place; false (and nothing replaced) on error.
    bool Commit();
    // Removes the temporary file if it is still there.
    void Discard();
    // The system's error number for the first failure since Open() (ENOSPC,
    // EACCES, ...); 0 when nothing failed or no number is known.
    int Error() const { return m_error; }

private:
    // `mayExist` false: the name was free a moment ago, so it is not
    // looked up first; should it be taken meanwhile, Commit() replaces it.
    bool OpenAt(int folderFd, const QByteArray &folderPath, QByteArray name, const SourceFile &source,
                bool *noUnnamedFiles, bool mayExist = true);
    bool OpenPath(const QString &destination, const SourceFile &source);
    bool Failed(int error);
    bool OpenUnnamed(int folderFd, bool *noUnnamedFiles);
    bool OpenInPlace(int folderFd, const QByteArray &name, const SourceFile &source);
    bool CopyByBlocks(SourceFile &source, int64_t count);
    bool CommitUnnamed(int fd);

    int m_fd = -1;
    int m_folderFd = -1;          // where the temporary and the destination are
    int m_ownFolderFd = -1;       // opened here (path form, or a link's target folder)
    bool m_failed = false;        // a write failed: Commit() refuses
    bool m_inPlace = false;       // writing the destination itself
    bool m_unnamed = false;       // writing an unnamed file of the folder
    bool m_kernelCopy = true;     // copy_file_range still worth trying
    bool m_wholeFile = false;     // opened without a source: no in-place write, synced commit
    int m_error = 0;
    int64_t m_written = 0;
    QByteArray m_destination;     // native names within the folder, so that
    QByteArray m_temporary;       // names not valid UTF-8 survive the round trip
};

} // namespace platform
