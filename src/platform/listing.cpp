#include "platform/listing.h"

#include "platform/fileaccess.h"
#include "platform/folderread.h"
#include "platform/listingcache.h"
#include "platform/nativepath.h"
#include "platform/testhooks.h"
#include "platform/wildcard.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool IsDotName(const char *name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Hidden by the POSIX convention; "." and ".." are ordinary folders.
bool IsHiddenName(const char *name)
{
    return name[0] == '.' && !IsDotName(name);
}

int TypeAttributes(mode_t mode)
{
    if (S_ISDIR(mode))
        return AttrDirectory;
    if (S_ISREG(mode))
        return 0;
    return AttrSystem;
}

DirListing::Status StatusOf(FolderRead::Status status)
{
    switch (status) {
    case FolderRead::Status::Ok:
        return DirListing::Status::Ok;
    case FolderRead::Status::Missing:
        return DirListing::Status::Missing;
    case FolderRead::Status::Refused:
        break;
    }
    return DirListing::Status::Refused;
}

// Whether the folder can be listed, without reading it.
DirListing::Status OpenStatus(const QByteArray &folder)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir) {
        const int error = errno;
        return (error == ENOENT || error == ENAMETOOLONG) ? DirListing::Status::Missing
                                                          : DirListing::Status::Refused;
    }
    ::closedir(dir);
    return DirListing::Status::Ok;
}

// The read of `folder`: the one of the folder being visited, a kept
// snapshot of an unchanged folder, or a new one.
FolderReadPtr ReadFolder(const QByteArray &folder, const FolderRead **inUse)
{
    const std::string key(folder.constData(), size_t(folder.size()));
    if ((*inUse = ReadInUse::For(key)))
        return nullptr;
    ListingCache &cache = SharedListingCache();
    struct stat now;
    if (::stat(folder.constData(), &now) == 0) {
        if (FolderReadPtr hit = cache.Find(folder, now))
            return hit;
    }
    FolderReadPtr read = ReadFolderNow(key);
    if (read->status == FolderRead::Status::Ok && cache.MayKeep(*read))
        cache.Keep(read);
    return read;
}

} // namespace

bool MatchesPattern(const QString &pattern, const QString &name)
{
    return detail::WildcardPattern(pattern).Matches(name);
}

int EntryAttributes(const QString &folder, const QString &name)
{
    QByteArray path;
    if (!detail::ToNative(JoinPath(folder, name), path))
        return -1;
    QByteArray nativeName;
    detail::ToNative(name, nativeName);
    int attributes = IsHiddenName(nativeName.constData()) ? AttrHidden : 0;

    struct stat st;
    if (::stat(path.constData(), &st) == 0) {
        attributes |= TypeAttributes(st.st_mode);
        // No write bit at all counts even for root, who passes access().
        if ((st.st_mode & 0222) == 0 || ::access(path.constData(), W_OK) != 0)
            attributes |= AttrReadOnly;
        return attributes;
    }
    // A dangling symlink still exists as an entry: a system entry.
    if (::lstat(path.constData(), &st) == 0)
        return attributes | AttrSystem;
    return -1;
}

DirListing::Status DirListing::Open(const QString &folder, const QString &pattern, int attributeMask)
{
    m_names.clear();
    m_pos = 0;

    if (const auto listingFault = ActiveTestHooks().listingFault) {
        const Status forced = listingFault(folder);
        if (forced != Status::Ok)
            return forced;
    }

    QByteArray nativeFolder;
    if (!detail::ToNative(folder, nativeFolder))
        return Status::Missing;

    // Names never hold the separator, and a pattern of blanks and dots is
    // trimmed to nothing: such a listing yields no name, whatever the
    // folder holds, and only whether the folder opens is left to tell (the
    // way a directory is tested for existence).
    if (pattern.contains(Separator()) || detail::PatternMatchesNothing(pattern)) {
        const std::string key(nativeFolder.constData(), size_t(nativeFolder.size()));
        if (const FolderRead *inUse = ReadInUse::For(key))
            return StatusOf(inUse->status);
        return OpenStatus(nativeFolder);
    }

    const FolderRead *inUse = nullptr;
    const FolderReadPtr read = ReadFolder(nativeFolder, &inUse);
    const FolderRead &r = inUse ? *inUse : *read;
    if (r.status != FolderRead::Status::Ok)
        return StatusOf(r.status);

    // The same listing asked again of an unchanged folder (a copy first
    // looks whether there is anything to copy, then lists it to copy).
    ListingCache &cache = SharedListingCache();
    if (cache.Recall(r, pattern, attributeMask, m_names))
        return Status::Ok;
    MatchingNames(r, pattern, attributeMask, m_names);
    cache.Remember(r, pattern, attributeMask, m_names);
    return Status::Ok;
}

DirListing::Status ListFolders(const QString &folder, std::vector<FolderEntry> &folders)
{
    folders.clear();
    QByteArray nativeFolder;
    if (!detail::ToNative(folder, nativeFolder))
        return DirListing::Status::Missing;
    const FolderRead *inUse = nullptr;
    const FolderReadPtr read = ReadFolder(nativeFolder, &inUse);
    const FolderRead &r = inUse ? *inUse : *read;
    if (r.status != FolderRead::Status::Ok)
        return StatusOf(r.status);
    for (const FolderRead::Entry &e : r.entries) {
        if (e.kind == FolderRead::Kind::Directory)
            folders.push_back(FolderEntry{r.NameString(e), e.link});
    }
    return DirListing::Status::Ok;
}

QString DirListing::Next()
{
    if (m_pos >= m_names.size())
        return QString();
    return std::move(m_names[m_pos++]);
}

} // namespace platform
