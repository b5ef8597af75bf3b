#include "fixtures.h"

#include "platform/nativepath.h"

#include <cstring>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace fixtures {

namespace {
// Paths as the program encodes them, so that a folder with an undecodable
// name, as a listing gives it, names that folder here too.
QByteArray Native(const QString &path)
{
    QByteArray out;
    platform::detail::ToNative(path, out);
    return out;
}
} // namespace

bool MakeFifo(const QString &path)
{
    return ::mkfifo(Native(path).constData(), 0666) == 0;
}

bool MakeNullDevice(const QString &path)
{
    return ::mknod(Native(path).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}

bool MakeSocket(const QString &path)
{
    const QByteArray native = Native(path);
    sockaddr_un address = {};
    if (size_t(native.size()) >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
}

bool MakeHardLink(const QString &existing, const QString &newPath)
{
    return ::link(Native(existing).constData(), Native(newPath).constData()) == 0;
}

bool WriteFileWithRawName(const QString &folder, const QByteArray &rawName, const QByteArray &content)
{
    const QByteArray path = Native(folder) + '/' + rawName;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    return ::close(fd) == 0 && written;
}

bool RawNameExists(const QString &folder, const QByteArray &rawName)
{
    const QByteArray path = Native(folder) + '/' + rawName;
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

bool MakeRawDirectory(const QString &folder, const QByteArray &rawName)
{
    const QByteArray path = Native(folder) + '/' + rawName;
    return ::mkdir(path.constData(), 0777) == 0;
}

bool RemoveRawName(const QString &folder, const QByteArray &rawName)
{
    const QByteArray path = Native(folder) + '/' + rawName;
    return ::unlink(path.constData()) == 0 || ::rmdir(path.constData()) == 0;
}

bool MakeEmptyFiles(const QString &folder, const QStringList &names)
{
    const int dir = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return false;
    bool ok = true;
    for (const QString &name : names) {
        const int fd = ::openat(dir, Native(name).constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 || ::close(fd) != 0) {
            ok = false;
            break;
        }
    }
    ::close(dir);
    return ok;
}

bool UnnamedFilesSupported(const QString &folder)
{
    const int fd = ::open(Native(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool RunningAsRoot()
{
    return ::geteuid() == 0;
}

int64_t FileSizeLimit()
{
    rlimit limit;
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return -1;
    return int64_t(limit.rlim_cur);
}

bool SetFileSizeLimit(int64_t bytes)
{
    rlimit limit;
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return false;
    limit.rlim_cur = bytes < 0 ? RLIM_INFINITY : rlim_t(bytes);
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FileOwnership Ownership(const QString &path)
{
    struct stat st;
    if (::stat(Native(path).constData(), &st) != 0)
        return FileOwnership{};
    return FileOwnership{int(st.st_mode & 07777), int64_t(st.st_uid), int64_t(st.st_gid)};
}

bool SetOwnership(const QString &path, const FileOwnership &ownership)
{
    const QByteArray native = Native(path);
    if ((ownership.uid >= 0 || ownership.gid >= 0)
        && ::chown(native.constData(), uid_t(ownership.uid), gid_t(ownership.gid)) != 0)
        return false;
    return ownership.mode < 0 || ::chmod(native.constData(), mode_t(ownership.mode)) == 0;
}

int CreationMask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return int(mask);
}

bool LockFolderEntries(const QString &folder, bool locked)
{
    const QByteArray native = Native(folder);
    if (!RunningAsRoot())
        return ::chmod(native.constData(), locked ? 0555 : 0755) == 0;
    // Root passes the permission bits; the immutable flag stops even root
    // from adding or removing entries, while the files inside stay writable.
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = locked ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace fixtures
