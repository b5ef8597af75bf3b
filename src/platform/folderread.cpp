#include "platform/folderread.h"

#include "platform/listing.h"
#include "platform/nativepath.h"
#include "platform/testhooks.h"
#include "platform/wildcard.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <string_view>
#include <thread>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace platform {

namespace {

bool IsDotName(const char *name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

FolderRead::Kind KindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return FolderRead::Kind::Directory;
    if (S_ISREG(mode))
        return FolderRead::Kind::Regular;
    return FolderRead::Kind::Other;
}

FolderRead::Status StatusOf(int error)
{
    // A name longer than the file system allows cannot exist either.
    return (error == ENOENT || error == ENAMETOOLONG) ? FolderRead::Status::Missing
                                                      : FolderRead::Status::Refused;
}

void TakeStatus(FolderRead &read, const struct stat &st)
{
    read.folder = S_ISDIR(st.st_mode);
    read.id = FolderId{uint64_t(st.st_dev), uint64_t(st.st_ino)};
    read.stamp = detail::StampOf(st);
    read.settled = detail::SettledNow(read.stamp);
}

// What the path is when it cannot be opened as a folder: something with
// attributes of its own (a file, a dangling link, a folder we may not
// read), or nothing.
void TakeUnopened(FolderRead &read, const char *path)
{
    struct stat st;
    if (::fstatat(AT_FDCWD, path, &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0)
        return;
    read.exists = true;
    read.link = S_ISLNK(st.st_mode);
    if (read.link && ::fstatat(AT_FDCWD, path, &st, AT_NO_AUTOMOUNT) != 0)
        return;
    TakeStatus(read, st);
}

// Reads every entry through `fd`; false on a read error.
bool ReadEntries(FolderRead &read, int fd)
{
    alignas(8) char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = ::getdents64(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            read.error = errno;
            return false;
        }
        if (count == 0)
            return true;
        for (ssize_t at = 0; at < count;) {
            const auto *d = reinterpret_cast<const struct dirent64 *>(buffer + at);
            at += d->d_reclen;
            const char *raw = d->d_name;
            if (IsDotName(raw)) {
                (raw[1] == '\0' ? read.sawDot : read.sawDotDot) = true;
                continue;
            }
            FolderRead::Entry e{};
            e.hidden = raw[0] == '.';
            e.link = d->d_type == DT_LNK;
            switch (d->d_type) {
            case DT_DIR:
                e.kind = FolderRead::Kind::Directory;
                break;
            case DT_REG:
                e.kind = FolderRead::Kind::Regular;
                break;
            case DT_LNK:
            case DT_UNKNOWN: {
                // The system did not say, or said "link": ask, following it.
                read.resolvedEntries = true;
                struct stat st;
                if (::fstatat(fd, raw, &st, 0) == 0) {
                    e.kind = KindOf(st.st_mode);
                    if (e.kind == FolderRead::Kind::Directory)
                        e.target = FolderId{uint64_t(st.st_dev), uint64_t(st.st_ino)};
                    if (d->d_type == DT_UNKNOWN && ::fstatat(fd, raw, &st, AT_SYMLINK_NOFOLLOW) == 0)
                        e.link = S_ISLNK(st.st_mode);
                } else if (::fstatat(fd, raw, &st, AT_SYMLINK_NOFOLLOW) == 0) {
                    e.kind = FolderRead::Kind::Other;   // dangling link
                    e.link = S_ISLNK(st.st_mode);
                } else {
                    continue;   // removed since it was read
                }
                break;
            }
            default:
                e.kind = FolderRead::Kind::Other;
                break;
            }
            const size_t length = std::strlen(raw);
            if (e.kind == FolderRead::Kind::Directory) {
                e.rawOffset = uint32_t(read.rawNames.size());
                e.rawLength = uint32_t(length);
                read.rawNames.append(raw, length);
            }
            e.nameOffset = uint32_t(read.names.size());
            detail::AppendDecoded(raw, qsizetype(length), read.names);
            e.nameLength = uint32_t(read.names.size() - e.nameOffset);
            read.entries.push_back(e);
        }
    }
}

const FolderRead *g_inUse = nullptr;
std::atomic<uint64_t> g_serial{0};

} // namespace

FolderReadPtr ReadFolderNow(const std::string &path, int64_t device)
{
    auto read = std::make_shared<FolderRead>();
    read->path = path;
    read->serial = ++g_serial;
    const char *p = read->path.c_str();
    if (read->path.empty()) {
        read->error = ENOENT;
        return read;
    }
    if (const int delay = ActiveTestHooks().folderReadDelayMilliseconds; delay > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    // Without following a final link first: one call tells a plain folder
    // (the usual case) and refuses a link, which is then opened through.
    int fd = ::open(p, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (fd < 0 && (errno == ELOOP || errno == ENOTDIR)) {
        struct stat st;
        if (::fstatat(AT_FDCWD, p, &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) == 0 && S_ISLNK(st.st_mode)) {
            read->link = true;
            fd = ::open(p, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY);
        } else {
            errno = ENOTDIR;
        }
    }
    if (fd < 0) {
        read->error = errno;
        read->status = StatusOf(errno);
        const bool link = read->link;
        TakeUnopened(*read, p);
        read->link = read->link || link;
        return read;
    }
    read->exists = true;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        read->error = errno;
        read->status = FolderRead::Status::Refused;
        ::close(fd);
        return read;
    }
    TakeStatus(*read, st);
    if (device < 0 || uint64_t(device) != uint64_t(st.st_dev)) {
        struct statfs fs;
        if (::fstatfs(fd, &fs) == 0) {
            read->fsType = uint32_t(static_cast<unsigned long>(fs.f_type));
            read->fsTypeKnown = true;
        }
    }
    read->status = ReadEntries(*read, fd) ? FolderRead::Status::Ok : FolderRead::Status::Refused;
    ::close(fd);
    if (read->status != FolderRead::Status::Ok) {
        read->entries.clear();
        read->names.clear();
        read->rawNames.clear();
    }
    return read;
}

FolderReadPtr ReadFolderNow(const QString &path, int64_t device)
{
    QByteArray native;
    if (!detail::ToNative(path, native))
        native.clear();
    return ReadFolderNow(std::string(native.constData(), size_t(native.size())), device);
}

bool ReadStillCurrent(const FolderRead &read)
{
    struct stat st;
    if (read.path.empty() || ::fstatat(AT_FDCWD, read.path.c_str(), &st, AT_NO_AUTOMOUNT) != 0)
        return false;
    return S_ISDIR(st.st_mode) == read.folder && read.id == FolderId{uint64_t(st.st_dev), uint64_t(st.st_ino)}
           && read.stamp == detail::StampOf(st);
}

bool ReadOnPseudoFileSystem(const FolderRead &read)
{
    return read.fsTypeKnown && IsPseudoFileSystemType(read.fsType, read.id.device);
}

namespace {

struct MatchingHit {
    uint32_t entry;
    uint32_t keyOffset;
};

// A walk lists every folder once per pattern: each pattern is compiled
// once, not once per folder.
const detail::WildcardPattern &Compiled(const QString &pattern)
{
    constexpr size_t Most = 16;
    thread_local std::vector<std::pair<QString, std::unique_ptr<detail::WildcardPattern>>> compiled;
    for (const auto &c : compiled) {
        if (c.first == pattern)
            return *c.second;
    }
    if (compiled.size() >= Most)
        compiled.erase(compiled.begin());
    compiled.emplace_back(pattern, std::make_unique<detail::WildcardPattern>(pattern));
    return *compiled.back().second;
}

} // namespace

void MatchingNames(const FolderRead &read, const QString &pattern, int mask, std::vector<QString> &out)
{
    out.clear();
    if (read.status != FolderRead::Status::Ok || pattern.contains(QLatin1Char('/')) || detail::PatternMatchesNothing(pattern))
        return;
    const detail::WildcardPattern &matcher = Compiled(pattern);
    const bool keepHidden = (mask & AttrHidden) != 0;
    const bool keepSystem = (mask & AttrSystem) != 0;
    const bool keepDirectories = (mask & AttrDirectory) != 0;

    // "." and ".." stand for the folder itself: listed first, and only
    // when the pattern takes ".".
    const bool listDots = keepDirectories && matcher.Matches(QStringLiteral("."));
    if (listDots && read.sawDot)
        out.push_back(QStringLiteral("."));
    if (listDots && read.sawDotDot)
        out.push_back(QStringLiteral(".."));

    // Only what matches gets an upper-cased key and a place in the order.
    // Kept from folder to folder: a walk lists thousands.
    thread_local std::vector<MatchingHit> hits;
    thread_local std::vector<char16_t> keys;
    hits.clear();
    keys.clear();
    using Hit = MatchingHit;
    for (uint32_t i = 0; i < read.entries.size(); ++i) {
        const FolderRead::Entry &e = read.entries[i];
        if (!keepHidden && e.hidden)
            continue;
        if ((e.kind == FolderRead::Kind::Directory && !keepDirectories) || (e.kind == FolderRead::Kind::Other && !keepSystem))
            continue;
        const char16_t *name = read.names.data() + e.nameOffset;
        if (!matcher.Matches(reinterpret_cast<const QChar *>(name), e.nameLength))
            continue;
        hits.push_back(Hit{i, uint32_t(keys.size())});
        for (uint32_t k = 0; k < e.nameLength; ++k)
            keys.push_back(detail::UpcaseUnit(name[k]));
    }
    const char16_t *keyBase = keys.data();
    const auto keyOf = [&](const Hit &h) {
        return std::u16string_view(keyBase + h.keyOffset, read.entries[h.entry].nameLength);
    };
    const auto nameOf = [&](const Hit &h) {
        const FolderRead::Entry &e = read.entries[h.entry];
        return std::u16string_view(read.names.data() + e.nameOffset, e.nameLength);
    };
    std::sort(hits.begin(), hits.end(), [&](const Hit &a, const Hit &b) {
        const int order = keyOf(a).compare(keyOf(b));
        if (order != 0)
            return order < 0;
        // Names differing only in case: a fixed order all the same.
        return nameOf(a) < nameOf(b);
    });
    out.reserve(out.size() + hits.size());
    for (const Hit &h : hits)
        out.push_back(read.NameString(read.entries[h.entry]));
}

ReadInUse::ReadInUse(FolderReadPtr read)
    : m_read(std::move(read)), m_previous(g_inUse)
{
    g_inUse = m_read.get();
}

ReadInUse::~ReadInUse()
{
    g_inUse = m_previous;
}

const FolderRead *ReadInUse::For(const std::string &nativePath)
{
    return g_inUse && g_inUse->path == nativePath ? g_inUse : nullptr;
}

} // namespace platform
