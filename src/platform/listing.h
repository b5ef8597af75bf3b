#pragma once
// Directory listing with Windows-style long-name wildcard matching and
// attribute masks, reproduced on a POSIX file system.

#include "platform/listingstatus.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace platform {

// Attribute bits, with the values the program has always used for masks.
enum Attribute : int {
    AttrReadOnly = 1,
    AttrHidden = 2,
    AttrSystem = 4,
    AttrVolume = 8,
    AttrDirectory = 16,
    AttrAll = 31,
};

// True when `name` matches `pattern` under Windows' long-name rules:
// '*' / '?' wildcards, the special handling of dots, the trailing-dot trim,
// case-insensitive by simple per-UTF-16-unit upper case, and '<' '>' '"'
// as the DOS wildcards.  Pure; touches no file system.  The empty pattern
// matches every name, as "*" does; a pattern that the trim leaves empty
// (" ", ".", "..") matches nothing; an empty name is matched by nothing.
bool MatchesPattern(const QString &pattern, const QString &name);

// Attributes of one entry of `folder` (hidden from the name, the rest from
// stat following symlinks).  Returns -1 when the entry cannot be stat'ed
// at all and is not a symlink.
int EntryAttributes(const QString &folder, const QString &name);

// One listing of a folder: every entry whose name matches the pattern and
// whose hidden/system/directory/volume attributes lie within the mask.
// "." and ".." come first (when the pattern matches "."), the rest sorted by
// upper-cased name.  The names are read when the listing opens, so the
// position survives any number of yields between Next() calls.
class DirListing {
public:
    using Status = ListingStatus;

    DirListing() = default;
    // Opens the listing; the pattern is matched against entry names only
    // (a pattern holding the path separator matches nothing, the empty
    // pattern everything).  Names that are not valid UTF-8 come back in
    // the form of nativepath.h, so a path built from them reopens the entry.
    Status Open(const QString &folder, const QString &pattern, int attributeMask);
    // Next matching name, or an empty string when the listing has ended.
    QString Next();
    // Whether Open() found at least one name (without consuming it).
    bool HasAny() const { return !m_names.empty(); }

private:
    std::vector<QString> m_names;
    size_t m_pos = 0;
};

// One subfolder, as ListFolders() finds it.
struct FolderEntry {
    QString name;
    bool isLink = false;   // reached through a symbolic link
};

// Every subfolder of `folder`, hidden ones and links to folders included,
// "." and ".." not, in the order of DirListing.  Statuses as DirListing::Open().
// A folder listed again while it has not changed is not read again, by this
// or by DirListing.  The listing fault hook of TestHooks does not apply here.
DirListing::Status ListFolders(const QString &folder, std::vector<FolderEntry> &folders);

} // namespace platform
