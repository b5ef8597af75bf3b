#include "listing.h"

#include "fileaccess.h"
#include "nativepath.h"
#include "wildcard.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

ListingFaultHook g_listingFaultHook = nullptr;

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

struct SortEntry {
    uint32_t keyOffset;
    uint32_t keyLength;
    QString name;
};

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
    const QByteArray nativeName = QFile::encodeName(name);
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

    if (g_listingFaultHook) {
        const Status forced = g_listingFaultHook(folder);
        if (forced != Status::Ok)
            return forced;
    }

    QByteArray nativeFolder;
    if (!detail::ToNative(folder, nativeFolder))
        return Status::Missing;

    DIR *dir = ::opendir(nativeFolder.constData());
    if (!dir) {
        // A name longer than the file system allows cannot exist either.
        return (errno == ENOENT || errno == ENAMETOOLONG) ? Status::Missing : Status::Refused;
    }

    // Names never hold the separator, so such a pattern lists nothing.
    if (pattern.contains(Separator())) {
        ::closedir(dir);
        return Status::Ok;
    }

    const detail::WildcardPattern matcher(pattern);
    const bool keepHidden = (attributeMask & AttrHidden) != 0;
    const bool keepSystem = (attributeMask & AttrSystem) != 0;
    const bool keepDirectories = (attributeMask & AttrDirectory) != 0;
    const bool needType = !(keepSystem && keepDirectories);
    const int dirFd = ::dirfd(dir);

    bool sawDot = false, sawDotDot = false;
    std::vector<SortEntry> entries;
    std::vector<char16_t> keys; // upper-cased names, back to back

    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0) {
                ::closedir(dir);
                return Status::Refused;
            }
            break;
        }
        const char *raw = entry->d_name;
        if (IsDotName(raw)) {
            (raw[1] == '\0' ? sawDot : sawDotDot) = true;
            continue;
        }
        if (!keepHidden && IsHiddenName(raw))
            continue;

        QString name = QFile::decodeName(raw);
        if (!matcher.Matches(name))
            continue;

        if (needType) {
            int type;
            switch (entry->d_type) {
            case DT_DIR:
                type = AttrDirectory;
                break;
            case DT_REG:
                type = 0;
                break;
            case DT_LNK:
            case DT_UNKNOWN: {
                struct stat st;
                if (::fstatat(dirFd, raw, &st, 0) == 0)
                    type = TypeAttributes(st.st_mode);
                else if (::fstatat(dirFd, raw, &st, AT_SYMLINK_NOFOLLOW) == 0)
                    type = AttrSystem; // dangling symlink
                else
                    continue; // removed since readdir
                break;
            }
            default:
                type = AttrSystem; // FIFO, socket, device
                break;
            }
            if ((type == AttrDirectory && !keepDirectories) || (type == AttrSystem && !keepSystem))
                continue;
        }

        const uint32_t offset = uint32_t(keys.size());
        const QChar *chars = name.constData();
        const qsizetype length = name.size();
        for (qsizetype i = 0; i < length; ++i)
            keys.push_back(detail::UpcaseUnit(chars[i].unicode()));
        entries.push_back(SortEntry{offset, uint32_t(length), std::move(name)});
    }
    ::closedir(dir);

    const char16_t *keyBase = keys.data();
    std::sort(entries.begin(), entries.end(), [keyBase](const SortEntry &a, const SortEntry &b) {
        const std::u16string_view ka(keyBase + a.keyOffset, a.keyLength);
        const std::u16string_view kb(keyBase + b.keyOffset, b.keyLength);
        const int order = ka.compare(kb);
        if (order != 0)
            return order < 0;
        // Names differing only in case: a fixed order all the same.
        return a.name < b.name;
    });

    // "." and ".." stand for the folder itself: listed first, and only
    // when the pattern takes ".".
    const bool listDots = keepDirectories && matcher.Matches(QStringLiteral("."));
    m_names.reserve(entries.size() + 2);
    if (listDots && sawDot)
        m_names.push_back(QStringLiteral("."));
    if (listDots && sawDotDot)
        m_names.push_back(QStringLiteral(".."));
    for (SortEntry &e : entries)
        m_names.push_back(std::move(e.name));
    return Status::Ok;
}

QString DirListing::Next()
{
    if (m_pos >= m_names.size())
        return QString();
    return std::move(m_names[m_pos++]);
}

void SetListingFaultHook(ListingFaultHook hook)
{
    g_listingFaultHook = hook;
}

} // namespace platform
