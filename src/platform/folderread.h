#pragma once
// One read of a folder: its status when it was opened and every entry, taken
// in one pass relative to the open folder (one open, one status, one series
// of getdents; the file system's type only when the device changed).  A
// read is plain data: it may be made on one thread and handed to another,
// and nothing changes it once made.  One read serves a folder's node in the
// tree and every pattern the search lists in it.

#include "platform/folderstate.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class FolderRead {
public:
    enum class Status : uint8_t {
        Ok,        // read (possibly without entries)
        Missing,   // nothing there: lists nothing, no failure
        Refused,   // permission, I/O error, not a folder: a failure
    };
    enum class Kind : uint8_t { Directory, Regular, Other };

    struct Entry {
        uint32_t nameOffset;   // in names
        uint32_t nameLength;
        Kind kind;             // links followed; a dangling link is Other
        bool hidden;           // a name starting with '.'
        bool link;             // a symbolic link
        FolderId target;       // for a link to a folder: where it leads
        uint32_t rawOffset;    // folders only: the name's bytes in rawNames
        uint32_t rawLength;
    };

    std::string path;          // as the system takes it
    uint64_t serial = 0;       // tells this read from every other one
    Status status = Status::Missing;
    int error = 0;             // errno of the failed open or read
    // The path names something: a folder, a file or a link, dangling or not.
    bool exists = false;
    bool link = false;         // the path itself is a symbolic link
    bool folder = false;       // it is, or leads to, a folder
    FolderId id;               // the folder, as opened; only when `folder`
    FolderStamp stamp;
    bool settled = false;      // as FolderState::settled
    // The file system's magic number (statfs), asked only when the device
    // differs from the one the reader was told; 0 when not asked.
    uint32_t fsType = 0;
    bool fsTypeKnown = false;
    bool sawDot = false;
    bool sawDotDot = false;
    bool resolvedEntries = false;   // some entry's type was asked of the system
    std::vector<Entry> entries;     // in the order the system gave them
    std::vector<char16_t> names;    // every name, carried as nativepath.h says
    std::string rawNames;           // the names of folders as the system gave them

    QStringView Name(const Entry &e) const
    {
        return QStringView(names.data() + e.nameOffset, qsizetype(e.nameLength));
    }
    QString NameString(const Entry &e) const { return Name(e).toString(); }
    std::string RawName(const Entry &e) const { return rawNames.substr(e.rawOffset, e.rawLength); }
};

using FolderReadPtr = std::shared_ptr<const FolderRead>;

// Reads the folder at `path` now.  `device`: the device of the folder that
// holds it when the caller knows it (the file system's type is asked only
// when the folder's differs), or -1.  Safe on any thread: it touches
// nothing shared.
FolderReadPtr ReadFolderNow(const std::string &path, int64_t device = -1);
FolderReadPtr ReadFolderNow(const QString &path, int64_t device = -1);

// Whether `read` still shows the folder at `path` as it is now (one status
// of the path, following links); false when it changed or went away.
bool ReadStillCurrent(const FolderRead &read);

// Whether a read folder lies on a pseudo file system (proc, sysfs, ...);
// only meaningful with fsTypeKnown.  The user-interface thread only (it may
// read the mount table).
bool ReadOnPseudoFileSystem(const FolderRead &read);

// The names of `read` that match `pattern` with attributes within `mask`,
// as DirListing yields them: "." and ".." first, the rest by upper-cased
// name.  Only the names that match are built and sorted.
void MatchingNames(const FolderRead &read, const QString &pattern, int mask, std::vector<QString> &out);

// The read of the folder being visited: while one is in use, listings of
// that folder (every pattern, a copy's listings, the tree's) are answered
// from it instead of reading the folder again.  One thread: the
// user-interface thread.
class ReadInUse {
public:
    explicit ReadInUse(FolderReadPtr read);
    ~ReadInUse();
    ReadInUse(const ReadInUse &) = delete;
    ReadInUse &operator=(const ReadInUse &) = delete;

    // The read in use for `nativePath`, or null.
    static const FolderRead *For(const std::string &nativePath);

private:
    FolderReadPtr m_read;
    const FolderRead *m_previous;
};

} // namespace platform
