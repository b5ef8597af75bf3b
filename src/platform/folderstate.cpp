#include "platform/folderstate.h"

#include "platform/nativepath.h"
#include "platform/system.h"

#include <QHash>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace platform {

namespace {

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// Only names the folder: opening it so lists nothing, reads nothing and
// mounts nothing on an automount point.
int OpenPath(const char *path)
{
    return ::open(path, O_PATH | O_CLOEXEC);
}

FolderId IdOf(const struct stat &st)
{
    return FolderId{uint64_t(st.st_dev), uint64_t(st.st_ino)};
}

} // namespace

FolderStamp detail::StampOf(const struct stat &st)
{
    return FolderStamp{st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_ctim.tv_sec, st.st_ctim.tv_nsec};
}

bool detail::SettledNow(const FolderStamp &stamp)
{
    constexpr int settledSeconds = 2;
    struct timespec now;
    return ::clock_gettime(CLOCK_REALTIME, &now) == 0 && stamp.modifiedSeconds + settledSeconds <= now.tv_sec
           && stamp.changedSeconds + settledSeconds <= now.tv_sec;
}

namespace {

// Magic numbers of the pseudo file systems, as statfs() reports them.
bool PseudoMagic(unsigned long type)
{
    switch (type) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEVPTS_SUPER_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case PSTOREFS_MAGIC:
    case BPF_FS_MAGIC:
    case 0x19800202UL:   // mqueue (not in <linux/magic.h>)
    case HUGETLBFS_MAGIC:
    case 0x65735543UL:   // fusectl (not in <linux/magic.h>)
    case 0x62656570UL:   // configfs (not in <linux/magic.h>)
    case AUTOFS_SUPER_MAGIC:
    case BINFMTFS_MAGIC:
    case 0x67596969UL:   // rpc_pipefs (not in <linux/magic.h>)
    case NSFS_MAGIC:
    case EFIVARFS_MAGIC:
    case SELINUX_MAGIC:
    case SMACK_MAGIC:
        return true;
    default:
        return false;
    }
}

// devtmpfs reports the magic of tmpfs (or ramfs); only the mount table
// tells them apart, by the device number.
bool MemoryMagic(unsigned long type)
{
    return type == TMPFS_MAGIC || type == RAMFS_MAGIC;
}

QHash<uint64_t, QString> g_typeByDevice;

// The type the mount table gives the file system on `device`; read again
// when a device turns up that was not mounted at the last reading.
QString MountedType(uint64_t device)
{
    auto it = g_typeByDevice.constFind(device);
    if (it == g_typeByDevice.constEnd()) {
        g_typeByDevice.clear();
        for (const MountPoint &m : MountedFileSystems())
            g_typeByDevice.insert(m.device, m.fsType);
        it = g_typeByDevice.constFind(device);
        if (it == g_typeByDevice.constEnd())
            return QString();
    }
    return it.value();
}

} // namespace

FolderState InspectFolder(const QString &path)
{
    FolderState state;
    QByteArray native;
    if (!detail::ToNative(path, native) || native.isEmpty())
        return state;
    struct stat st;
    if (::fstatat(AT_FDCWD, native.constData(), &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0)
        return state;
    state.link = S_ISLNK(st.st_mode);
    if (state.link && ::fstatat(AT_FDCWD, native.constData(), &st, AT_NO_AUTOMOUNT) != 0)
        return state;
    state.folder = S_ISDIR(st.st_mode);
    if (state.folder) {
        state.id = IdOf(st);
        state.stamp = detail::StampOf(st);
        state.settled = detail::SettledNow(state.stamp);
    }
    return state;
}

bool OnPseudoFileSystem(const QString &path)
{
    QByteArray native;
    if (!detail::ToNative(path, native) || native.isEmpty())
        return false;
    const Descriptor fd(OpenPath(native.constData()));
    if (fd.get() < 0)
        return false;
    struct statfs fs;
    if (::fstatfs(fd.get(), &fs) != 0)
        return false;
    const auto type = static_cast<unsigned long>(fs.f_type);
    if (PseudoMagic(type))
        return true;
    if (!MemoryMagic(type))
        return false;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return false;
    return IsPseudoFileSystem(MountedType(uint64_t(st.st_dev)));
}

bool IsPseudoFileSystemType(uint32_t type, uint64_t device)
{
    if (PseudoMagic(type))
        return true;
    return MemoryMagic(type) && IsPseudoFileSystem(MountedType(device));
}

namespace {
int g_containerChecks = 0;
}

int ContainerChecks()
{
    return g_containerChecks;
}

bool IsFolderOrContainer(const FolderId &id, const QString &folder)
{
    ++g_containerChecks;
    QByteArray native;
    if (!detail::ToNative(folder, native) || native.isEmpty())
        return false;
    // Up through "..": the folders that really hold this one, however the
    // path reached it.  The root is its own parent.
    Descriptor fd(::open(native.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat st;
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0)
        return false;
    FolderId here = IdOf(st);
    for (int level = 0; level < 4096; ++level) {
        if (here == id)
            return true;
        fd.reset(::openat(fd.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0)
            return false;
        const FolderId up = IdOf(st);
        if (up == here)
            return false;
        here = up;
    }
    return false;
}

} // namespace platform
