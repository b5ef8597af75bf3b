#include "platform/listing.h"

#include "platform/fileaccess.h"
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

using detail::Entry;
using detail::EntryType;
using detail::Snapshot;

EntryType TypeOf(unsigned char dtype)
{
    switch (dtype) {
    case DT_DIR:
        return EntryType::Directory;
    case DT_REG:
        return EntryType::Regular;
    case DT_LNK:
    case DT_UNKNOWN:
        return EntryType::Unresolved;
    default:
        return EntryType::Other;
    }
}

// The type of an entry the system did not name, following links; a
// dangling link counts as "other"; false when the entry is gone.
bool Resolve(const Snapshot &snapshot, const Entry &entry, EntryType *type, bool *link)
{
    *link = entry.link;
    QByteArray path = snapshot.folder;
    if (!path.endsWith('/'))
        path += '/';
    path += entry.raw;
    struct stat st;
    if (::stat(path.constData(), &st) == 0) {
        *type = S_ISDIR(st.st_mode) ? EntryType::Directory : S_ISREG(st.st_mode) ? EntryType::Regular : EntryType::Other;
        if (!entry.link && ::lstat(path.constData(), &st) == 0)
            *link = S_ISLNK(st.st_mode);
        return true;
    }
    if (::lstat(path.constData(), &st) == 0) {
        *type = EntryType::Other;   // dangling symlink
        *link = S_ISLNK(st.st_mode);
        return true;
    }
    return false;   // removed since it was read
}

// Blanks and dots only: the trim of trailing blanks and dots leaves nothing.
bool MatchesNothing(const QString &pattern)
{
    if (pattern.isEmpty())
        return false;   // the empty pattern lists everything
    for (const QChar c : pattern) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('.'))
            return false;
    }
    return true;
}

DirListing::Status StatusOf(int error)
{
    // A name longer than the file system allows cannot exist either.
    return (error == ENOENT || error == ENAMETOOLONG) ? DirListing::Status::Missing
                                                      : DirListing::Status::Refused;
}

// Whether the folder can be listed, without reading it.
DirListing::Status OpenStatus(const QByteArray &folder)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return StatusOf(errno);
    ::closedir(dir);
    return DirListing::Status::Ok;
}

std::shared_ptr<const Snapshot> ReadFolder(const QByteArray &folder, DirListing::Status *status)
{
    *status = DirListing::Status::Ok;
    ListingCache &cache = SharedListingCache();
    struct stat now;
    if (::stat(folder.constData(), &now) == 0) {
        if (std::shared_ptr<const Snapshot> hit = cache.Find(folder, now))
            return hit;
    }

    DIR *dir = ::opendir(folder.constData());
    if (!dir) {
        *status = StatusOf(errno);
        return nullptr;
    }
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->folder = folder;
    const int fd = ::dirfd(dir);
    const bool keep = ::fstat(fd, &snapshot->before) == 0 && cache.MayKeep(fd, snapshot->before);

    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0) {
                ::closedir(dir);
                *status = DirListing::Status::Refused;
                return nullptr;
            }
            break;
        }
        const char *raw = entry->d_name;
        if (IsDotName(raw)) {
            (raw[1] == '\0' ? snapshot->sawDot : snapshot->sawDotDot) = true;
            continue;
        }
        Entry e;
        e.name = FromNative(raw, qsizetype(std::strlen(raw)));
        e.type = TypeOf(entry->d_type);
        e.link = entry->d_type == DT_LNK;
        e.hidden = IsHiddenName(raw);
        if (e.type == EntryType::Unresolved)
            e.raw = QByteArray(raw);
        e.keyOffset = uint32_t(snapshot->keys.size());
        e.keyLength = uint32_t(e.name.size());
        const QChar *chars = e.name.constData();
        for (qsizetype i = 0; i < e.name.size(); ++i)
            snapshot->keys.push_back(detail::UpcaseUnit(chars[i].unicode()));
        snapshot->entries.push_back(std::move(e));
    }
    ::closedir(dir);

    const char16_t *keyBase = snapshot->keys.data();
    std::sort(snapshot->entries.begin(), snapshot->entries.end(), [keyBase](const Entry &a, const Entry &b) {
        const std::u16string_view ka(keyBase + a.keyOffset, a.keyLength);
        const std::u16string_view kb(keyBase + b.keyOffset, b.keyLength);
        const int order = ka.compare(kb);
        if (order != 0)
            return order < 0;
        // Names differing only in case: a fixed order all the same.
        return a.name < b.name;
    });

    if (keep)
        cache.Keep(snapshot);
    return snapshot;
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
    if (pattern.contains(Separator()) || MatchesNothing(pattern))
        return OpenStatus(nativeFolder);

    Status status;
    const std::shared_ptr<const Snapshot> snapshot = ReadFolder(nativeFolder, &status);
    if (!snapshot)
        return status;

    // The same listing asked again of an unchanged folder (a copy first
    // looks whether there is anything to copy, then lists it to copy).
    ListingCache &cache = SharedListingCache();
    if (cache.Recall(*snapshot, pattern, attributeMask, m_names))
        return Status::Ok;

    const detail::WildcardPattern matcher(pattern);
    const bool keepHidden = (attributeMask & AttrHidden) != 0;
    const bool keepSystem = (attributeMask & AttrSystem) != 0;
    const bool keepDirectories = (attributeMask & AttrDirectory) != 0;
    const bool needType = !(keepSystem && keepDirectories);

    // "." and ".." stand for the folder itself: listed first, and only
    // when the pattern takes ".".
    const bool listDots = keepDirectories && matcher.Matches(QStringLiteral("."));
    if (listDots && snapshot->sawDot)
        m_names.push_back(QStringLiteral("."));
    if (listDots && snapshot->sawDotDot)
        m_names.push_back(QStringLiteral(".."));

    // The snapshot is sorted already; what matches keeps that order.
    bool askedSystem = false;   // a link's target can change without its folder
    for (const Entry &e : snapshot->entries) {
        if (!keepHidden && e.hidden)
            continue;
        if (!matcher.Matches(e.name))
            continue;
        if (needType) {
            EntryType type = e.type;
            bool link = e.link;
            if (type == EntryType::Unresolved) {
                askedSystem = true;
                if (!Resolve(*snapshot, e, &type, &link))
                    continue;
            }
            if ((type == EntryType::Directory && !keepDirectories) || (type == EntryType::Other && !keepSystem))
                continue;
        }
        m_names.push_back(e.name);
    }
    if (!askedSystem)
        cache.Remember(*snapshot, pattern, attributeMask, m_names);
    return Status::Ok;
}

DirListing::Status ListFolders(const QString &folder, std::vector<FolderEntry> &folders)
{
    folders.clear();
    QByteArray nativeFolder;
    if (!detail::ToNative(folder, nativeFolder))
        return DirListing::Status::Missing;
    DirListing::Status status;
    const std::shared_ptr<const Snapshot> snapshot = ReadFolder(nativeFolder, &status);
    if (!snapshot)
        return status;
    for (const Entry &e : snapshot->entries) {
        EntryType type = e.type;
        bool link = e.link;
        if (type == EntryType::Unresolved && !Resolve(*snapshot, e, &type, &link))
            continue;
        if (type == EntryType::Directory)
            folders.push_back(FolderEntry{e.name, link});
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
