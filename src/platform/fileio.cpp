#include "platform/fileio.h"

#include "platform/fileaccess.h"
#include "platform/nativepath.h"
#include "platform/testhooks.h"

#include <QHash>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// False when a test makes the next write fail; always true in the program.
bool WriteAllowed(int64_t written)
{
    const auto writeFault = ActiveTestHooks().writeFault;
    return !writeFault || writeFault(written);
}

// Longest file name the usual file systems take, in bytes.
constexpr int kNameMax = 255;
const char kTempTag[] = ".pathwren-";
constexpr int kRandomChars = 6;
// Bytes per copy_file_range call, and the block of the plain fallback.
constexpr int64_t kKernelChunk = int64_t(1) << 30;
constexpr int64_t kBlock = 256 * 1024;

// Cuts a UTF-8 byte string to at most `limit` bytes without splitting a
// multi-byte character.
QByteArray ShortenName(const QByteArray &name, int limit)
{
    if (name.size() <= limit)
        return name;
    qsizetype cut = limit;
    while (cut > 0 && (uchar(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.left(cut);
}

// A replaced file keeps its permission bits, and its owner and group as far
// as this process may set them.  Set-ID bits are not carried over to what
// is, after all, new content.
void KeepOwnerAndMode(int fd, const struct stat &old)
{
    if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, uid_t(-1), old.st_gid) != 0) {
        // Neither: the copy stays this process's own.
    }
    ::fchmod(fd, old.st_mode & 0777);
}

void SplitPath(const QByteArray &path, QByteArray &folder, QByteArray &name)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        folder = QByteArrayLiteral(".");
        name = path;
    } else {
        folder = slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
        name = path.mid(slash + 1);
    }
}

bool IsTemporarySuffix(const char *text)
{
    for (int i = 0; i < kRandomChars; ++i) {
        const char c = text[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return text[kRandomChars] == '\0';
}

// A copy killed midway leaves its temporary behind.  Each destination
// folder is read for such leftovers once per run; a copy of a name then
// removes the leftovers of that name that nobody has written to for a
// while (a younger one may belong to a copy running in another instance).
constexpr time_t kStaleSeconds = 5 * 60;
QHash<QByteArray, QList<QByteArray>> g_leftovers;   // folder -> names seen

void RemoveStaleTemporaries(const QByteArray &folder, const QByteArray &prefix)
{
    auto it = g_leftovers.find(folder);
    if (it == g_leftovers.end()) {
        QList<QByteArray> found;
        if (DIR *dir = ::opendir(folder.constData())) {
            while (const dirent *entry = ::readdir(dir)) {
                const size_t length = std::strlen(entry->d_name);
                const size_t tagLength = sizeof(kTempTag) - 1;
                if (entry->d_name[0] == '.' && length > tagLength + kRandomChars + 1
                    && std::memcmp(entry->d_name + length - kRandomChars - tagLength, kTempTag, tagLength) == 0
                    && IsTemporarySuffix(entry->d_name + length - kRandomChars))
                    found << QByteArray(entry->d_name);
            }
            ::closedir(dir);
        }
        it = g_leftovers.insert(folder, found);
    }
    QList<QByteArray> &names = it.value();
    const QByteArray base = prefix.mid(prefix.lastIndexOf('/') + 1);
    const time_t now = std::time(nullptr);
    for (qsizetype i = names.size() - 1; i >= 0; --i) {
        const QByteArray &name = names[i];
        if (name.size() != base.size() + kRandomChars || !name.startsWith(base))
            continue;
        const QByteArray path = prefix.left(prefix.size() - base.size()) + name;
        struct stat st;
        if (::lstat(path.constData(), &st) != 0) {
            names.removeAt(i);
            continue;
        }
        if (S_ISREG(st.st_mode) && st.st_mtime + kStaleSeconds <= now && ::unlink(path.constData()) == 0)
            names.removeAt(i);
    }
}

// ".<name>.pathwren-" for a temporary beside `name`, cut so that the whole
// temporary name stays within kNameMax.
QByteArray TemporaryPrefix(const QByteArray &name)
{
    const int room = kNameMax - 1 - int(sizeof(kTempTag) - 1) - kRandomChars;
    QByteArray prefix = QByteArrayLiteral(".");
    prefix += ShortenName(name, room);
    prefix += kTempTag;
    return prefix;
}

QByteArray WithRandomSuffix(const QByteArray &prefix)
{
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray candidate = prefix;
    for (int i = 0; i < kRandomChars; ++i)
        candidate += alphabet[QRandomGenerator::global()->bounded(int(sizeof(alphabet) - 1))];
    return candidate;
}

// An unnamed file is given its name by its descriptor (linkat with
// AT_EMPTY_PATH), or, where the kernel keeps that to privileged processes
// (before Linux 6.10), through its entry in /proc, which costs a lookup
// of that path per file.
bool CanNameOpenFiles()
{
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can;
}

bool g_linkByDescriptorRefused = false;

bool LinkOpenFile(int fd, int folderFd, const char *name)
{
    if (!g_linkByDescriptorRefused && !ActiveTestHooks().unnamedNamedThroughProc) {
        if (::linkat(fd, "", folderFd, name, AT_EMPTY_PATH) == 0)
            return true;
        if (errno != ENOENT)
            return false;
        // What an unprivileged process is told on kernels that refuse it.
        g_linkByDescriptorRefused = true;
    }
    char self[48];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, self, folderFd, name, AT_SYMLINK_FOLLOW) == 0;
}

// Opens the folder of a whole path, for the path forms of the Open()s.
// O_PATH: only a place to resolve names from, no read access needed.
int OpenFolderFd(const QByteArray &folder)
{
    return ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

// --- FolderHandle --------------------------------------------------------

FolderHandle::~FolderHandle()
{
    Close();
}

bool FolderHandle::Open(const QString &path, bool takeNames)
{
    Close();
    QByteArray native;
    if (!detail::ToNative(path, native) || native.isEmpty())
        return false;
    m_fd = OpenFolderFd(native);
    if (m_fd < 0)
        return false;
    m_path = native;
    if (takeNames) {
        // Read through a second descriptor: the folder's own keeps its
        // position and stays open however the read ends.
        const int listFd = ::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (DIR *dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr) {
            errno = 0;
            while (const dirent *entry = ::readdir(dir))
                m_names.insert(QByteArray(entry->d_name));
            m_namesTaken = errno == 0;
            ::closedir(dir);
        } else if (listFd >= 0) {
            ::close(listFd);
        }
        if (!m_namesTaken)
            m_names.clear();
    }
    return true;
}

void FolderHandle::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_path.clear();
    m_noUnnamedFiles = false;
    m_namesTaken = false;
    m_names.clear();
}

// --- SourceFile ----------------------------------------------------------

SourceFile::~SourceFile()
{
    Close();
}

bool SourceFile::Open(const QString &path)
{
    Close();
    QByteArray native;
    if (!detail::ToNative(path, native) || native.isEmpty())
        return false;
    return OpenAt(AT_FDCWD, native);
}

bool SourceFile::Open(const FolderHandle &folder, const QString &name, bool listedAsFile)
{
    Close();
    QByteArray native;
    if (!folder.IsOpen() || !detail::ToNative(name, native) || native.isEmpty() || native.contains('/'))
        return false;
    return OpenAt(folder.m_fd, native, !listedAsFile);
}

bool SourceFile::OpenAt(int folderFd, const QByteArray &name, bool lookFirst)
{
    // Checked before opening: opening a device can have side effects.
    struct stat st;
    if (lookFirst && (::fstatat(folderFd, name.constData(), &st, 0) != 0 || !S_ISREG(st.st_mode)))
        return false;
    // O_NONBLOCK so that a FIFO swapped in after the check cannot block the
    // open; fstat then decides on what was really opened.  On a regular
    // file the flag changes nothing, so it stays.
    const int fd = ::openat(folderFd, name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_size = int64_t(st.st_size);
    m_dev = uint64_t(st.st_dev);
    m_ino = uint64_t(st.st_ino);
    return true;
}

int64_t SourceFile::Read(char *buffer, int64_t count)
{
    if (m_fd < 0 || count < 0)
        return -1;
    int64_t total = 0;
    while (total < count) {
        const size_t chunk = size_t(std::min<int64_t>(count - total, INT_MAX));
        const ssize_t got = ::read(m_fd, buffer + total, chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

void SourceFile::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_size = 0;
    m_dev = 0;
    m_ino = 0;
}

// --- ReplacementFile -----------------------------------------------------

ReplacementFile::~ReplacementFile()
{
    Discard();
}

bool ReplacementFile::Open(const QString &destination, const SourceFile &source)
{
    Discard();
    m_wholeFile = false;
    return OpenPath(destination, source);
}

bool ReplacementFile::Open(const QString &destination)
{
    Discard();
    m_wholeFile = true;
    return OpenPath(destination, SourceFile());
}

bool ReplacementFile::Open(const FolderHandle &folder, const QString &name, const SourceFile &source)
{
    Discard();
    m_wholeFile = false;
    m_error = 0;
    QByteArray native;
    if (!folder.IsOpen() || !detail::ToNative(name, native) || native.contains('/'))
        return Failed(EINVAL);
    errno = 0;
    return OpenAt(folder.m_fd, folder.m_path, native, source, &folder.m_noUnnamedFiles, folder.MayHold(native))
           || Failed(errno != 0 ? errno : EINVAL);
}

bool ReplacementFile::OpenPath(const QString &destination, const SourceFile &source)
{
    m_error = 0;
    QByteArray target;
    if (!detail::ToNative(destination, target) || target.isEmpty())
        return Failed(EINVAL);
    QByteArray folder, name;
    SplitPath(target, folder, name);
    errno = 0;
    return OpenAt(AT_FDCWD, folder, name, source, nullptr) || Failed(errno != 0 ? errno : EINVAL);
}

bool ReplacementFile::Failed(int error)
{
    if (m_error == 0)
        m_error = error;
    return false;
}

// `folderFd` is an open folder, or AT_FDCWD with `folderPath` to be opened.
// A refusal that no system call gave sets errno itself, for Error().
bool ReplacementFile::OpenAt(int folderFd, const QByteArray &folderPath, QByteArray name,
                             const SourceFile &source, bool *noUnnamedFiles, bool mayExist)
{
    m_failed = false;
    m_kernelCopy = true;
    m_written = 0;
    IgnoreFileSizeSignal();
    if (name.isEmpty() || name == "." || name == "..") {
        errno = EINVAL;
        return false;
    }
    QByteArray folderName = folderPath;   // for the leftovers of killed copies
    if (folderFd == AT_FDCWD) {
        m_ownFolderFd = OpenFolderFd(folderPath);
        if (m_ownFolderFd < 0)
            return false;
        folderFd = m_ownFolderFd;
    }

    struct stat st;
    bool exists = false;
    if (!mayExist) {
        errno = ENOENT;
    } else if (::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        exists = true;
        if (S_ISLNK(st.st_mode)) {
            // A symlink to a file: replace the file it names and keep the
            // link.  A dangling one is refused.
            if (::fstatat(folderFd, name.constData(), &st, 0) != 0)
                return false;
            QByteArray link = folderPath;
            if (!link.endsWith('/'))
                link += '/';
            link += name;
            char *resolved = ::realpath(link.constData(), nullptr);
            if (!resolved)
                return false;
            const QByteArray target(resolved);
            std::free(resolved);
            QByteArray targetFolder;
            SplitPath(target, targetFolder, name);
            if (m_ownFolderFd >= 0)
                ::close(m_ownFolderFd);
            m_ownFolderFd = OpenFolderFd(targetFolder);
            if (m_ownFolderFd < 0)
                return false;
            folderFd = m_ownFolderFd;
            folderName = targetFolder;
        }
        if (!S_ISREG(st.st_mode)) {
            errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
            return false;
        }
        if ((st.st_mode & 0222) == 0) {
            errno = EACCES;
            return false;
        }
        if (::faccessat(folderFd, name.constData(), W_OK, 0) != 0)
            return false;
        // Replacing the source with itself would copy nothing and could
        // lose it; a hard link or a link to the folder leads here too.
        if (uint64_t(st.st_dev) == source.Device() && uint64_t(st.st_ino) == source.Inode()) {
            errno = EINVAL;
            return false;
        }
    } else if (errno != ENOENT) {
        return false;
    }

    // ".<name>.pathwren-XXXXXX" beside the destination, so that the final
    // rename stays on one file system.
    const QByteArray prefix = TemporaryPrefix(name);
    RemoveStaleTemporaries(folderName, folderName + (folderName.endsWith('/') ? "" : "/") + prefix);

    // A free name needs no temporary name: an unnamed file of the folder
    // takes the name only once complete.
    if (!exists && OpenUnnamed(folderFd, noUnnamedFiles)) {
        m_folderFd = folderFd;
        m_destination = name;
        return true;
    }

    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray candidate = WithRandomSuffix(prefix);
        // 0666 leaves the umask (and default ACLs) to decide, as for any
        // newly created file.
        const int fd = ::openat(folderFd, candidate.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0) {
            if (exists)
                KeepOwnerAndMode(fd, st);
            m_fd = fd;
            m_folderFd = folderFd;
            m_temporary = candidate;
            m_destination = name;
            return true;
        }
        if ((errno == EACCES || errno == EPERM) && exists && !m_wholeFile)
            return OpenInPlace(folderFd, name, source);
        if (errno != EEXIST && errno != EINTR)
            return false;
    }
    errno = EEXIST;
    return false;
}

bool ReplacementFile::OpenUnnamed(int folderFd, bool *noUnnamedFiles)
{
    if (ActiveTestHooks().noUnnamedFiles || (noUnnamedFiles && *noUnnamedFiles) || !CanNameOpenFiles())
        return false;
    // 0666 leaves the umask (and default ACLs) to decide, as for a named file.
    const int fd = ::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        // EOPNOTSUPP: not on this file system; EISDIR, EINVAL: a kernel
        // without them.  Any other failure the named temporary meets too.
        if (noUnnamedFiles && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
            *noUnnamedFiles = true;
        return false;
    }
    m_fd = fd;
    m_unnamed = true;
    return true;
}

// The folder takes no new file but the file itself may be written: it is
// written over from its first byte, as before there was a temporary file.
bool ReplacementFile::OpenInPlace(int folderFd, const QByteArray &name, const SourceFile &source)
{
    // O_NONBLOCK so that a FIFO swapped in meanwhile cannot block the open.
    const int fd = ::openat(folderFd, name.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0
        || (uint64_t(st.st_dev) == source.Device() && uint64_t(st.st_ino) == source.Inode())
        || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_folderFd = folderFd;
    m_inPlace = true;
    m_destination = name;
    return true;
}

bool ReplacementFile::Write(const char *buffer, int64_t count)
{
    if (m_fd < 0 || m_failed)
        return false;
    if (count < 0 || !WriteAllowed(m_written)) {
        // A write a test makes fail fails as on a full disk.
        m_failed = true;
        return Failed(count < 0 ? EINVAL : ENOSPC);
    }
    int64_t done = 0;
    while (done < count) {
        const size_t chunk = size_t(std::min<int64_t>(count - done, INT_MAX));
        const ssize_t put = ::write(m_fd, buffer + done, chunk);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            // ENOSPC, EFBIG (over the size limit), EIO, ...
            m_failed = true;
            return Failed(put < 0 ? errno : EIO);
        }
        done += put;
        m_written += put;
    }
    return true;
}

bool ReplacementFile::CopyFrom(SourceFile &source, int64_t count)
{
    if (m_fd < 0 || m_failed || source.m_fd < 0)
        return false;
    if (count < 0) {
        m_failed = true;
        return Failed(EINVAL);
    }
    int64_t done = 0;
    while (done < count && m_kernelCopy) {
        if (!WriteAllowed(m_written)) {
            m_failed = true;
            return Failed(ENOSPC);
        }
        const size_t chunk = size_t(std::min<int64_t>(count - done, kKernelChunk));
        const ssize_t moved = ::copy_file_range(source.m_fd, nullptr, m_fd, nullptr, chunk, 0);
        if (moved > 0) {
            done += moved;
            m_written += moved;
            continue;
        }
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved < 0 && errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP
            && errno != EBADF && errno != EPERM) {
            // ENOSPC, EFBIG, EIO: the same failures a write would meet.
            m_failed = true;
            return Failed(errno);
        }
        // Not supported between these files, or nothing came although the
        // size says there is more (some file systems do that): the plain
        // reads and writes below decide.
        m_kernelCopy = false;
    }
    return done == count || CopyByBlocks(source, count - done);
}

bool ReplacementFile::CopyByBlocks(SourceFile &source, int64_t count)
{
    const int64_t block = std::min<int64_t>(count, kBlock);
    std::unique_ptr<char[]> buffer(new char[size_t(std::max<int64_t>(block, 1))]);
    for (int64_t done = 0; done < count;) {
        const int64_t n = std::min<int64_t>(count - done, block);
        if (source.Read(buffer.get(), n) != n) {
            m_failed = true;
            return Failed(EIO);
        }
        if (!Write(buffer.get(), n))
            return false;
        done += n;
    }
    return true;
}

bool ReplacementFile::Commit()
{
    if (m_fd < 0 || m_failed) {
        Discard();
        return false;
    }
    // No fsync for copies: it would make copying thousands of small files
    // crawl.  The rename keeps a failed copy away from the destination;
    // surviving a power cut right after the copy is not promised.  A file
    // of the program's own is one file: it goes to the disk first, which is
    // also where some file systems first report a full disk.
    const int fd = m_fd;
    m_fd = -1;
    if (m_unnamed) {
        const bool placed = CommitUnnamed(fd);
        Discard();
        return placed;
    }
    if (m_inPlace) {
        // What is left of a longer old file goes.
        const bool cut = ::ftruncate(fd, m_written) == 0 || Failed(errno);
        const bool closed = ::close(fd) == 0 || Failed(errno);
        Discard();
        return cut && closed;
    }
    if (m_wholeFile && ::fsync(fd) != 0) {
        Failed(errno);
        ::close(fd);
        Discard();
        return false;
    }
    // close() can be where a network file system reports a failed write.
    if (::close(fd) != 0
        || ::renameat(m_folderFd, m_temporary.constData(), m_folderFd, m_destination.constData()) != 0) {
        Failed(errno);
        Discard();
        return false;
    }
    m_temporary.clear();
    Discard();
    return true;
}

// Gives the unnamed file the destination's name, and closes it.
bool ReplacementFile::CommitUnnamed(int fd)
{
    if (m_wholeFile && ::fsync(fd) != 0) {
        Failed(errno);
        ::close(fd);
        return false;
    }
    const char *name = m_destination.constData();
    bool placed = LinkOpenFile(fd, m_folderFd, name);
    const bool tookFreeName = placed;
    if (!placed && errno == EEXIST) {
        // The name was taken since Open(): replaced, as an existing file is,
        // through a temporary name and a rename.
        const QByteArray prefix = TemporaryPrefix(m_destination);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray candidate = WithRandomSuffix(prefix);
            if (!LinkOpenFile(fd, m_folderFd, candidate.constData())) {
                if (errno == EEXIST || errno == EINTR)
                    continue;
                break;
            }
            placed = ::renameat(m_folderFd, candidate.constData(), m_folderFd, name) == 0;
            if (!placed) {
                const int error = errno;
                ::unlinkat(m_folderFd, candidate.constData(), 0);
                errno = error;
            }
            break;
        }
    }
    if (!placed)
        Failed(errno);
    // close() can be where a file system reports a failed write; the name
    // then goes again, as it was free.
    const bool closed = ::close(fd) == 0 || Failed(errno);
    if (placed && !closed && tookFreeName)
        ::unlinkat(m_folderFd, name, 0);
    return placed && closed;
}

void ReplacementFile::Discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty() && m_folderFd >= 0)
        ::unlinkat(m_folderFd, m_temporary.constData(), 0);
    if (m_ownFolderFd >= 0)
        ::close(m_ownFolderFd);
    m_ownFolderFd = -1;
    m_folderFd = -1;
    m_temporary.clear();
    m_destination.clear();
    m_inPlace = false;
    m_unnamed = false;
}

} // namespace platform
