#include "platform/system.h"

#include "platform/nativepath.h"
#include "platform/testhooks.h"

#include <QFile>
#include <QList>
#include <QStringList>

#include <sys/sysmacros.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

namespace {

bool IsOctal(char c)
{
    return c >= '0' && c <= '7';
}

// The kernel writes space, tab, newline and backslash in paths as "\ooo".
QByteArray Unescape(QByteArrayView field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2])
            && IsOctal(field[i + 3])) {
            const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (value <= 0xFF) {
                out += char(value);
                i += 3;
                continue;
            }
        }
        out += c;
    }
    return out;
}

} // namespace

std::vector<MountPoint> ParseMountInfo(const QByteArray &text)
{
    std::vector<MountPoint> mounts;
    for (const QByteArray &line : text.split('\n')) {
        // id parent major:minor root mount-point options [optional...] - type source super-options
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 7)
            continue;
        qsizetype separator = -1;
        for (qsizetype i = 6; i < fields.size(); ++i) {
            if (fields[i] == "-") {
                separator = i;
                break;
            }
        }
        if (separator < 0 || separator + 1 >= fields.size() || fields[4].isEmpty()
            || fields[separator + 1].isEmpty()) {
            continue;
        }
        // "major:minor", as stat() reports the device of every file in it.
        const QList<QByteArray> numbers = fields[2].split(':');
        uint64_t device = 0;
        if (numbers.size() == 2) {
            bool majorOk = false;
            bool minorOk = false;
            const uint majorNumber = numbers[0].toUInt(&majorOk);
            const uint minorNumber = numbers[1].toUInt(&minorOk);
            if (majorOk && minorOk)
                device = makedev(majorNumber, minorNumber);
        }
        mounts.push_back(MountPoint{FromNative(Unescape(fields[4])),
                                    QString::fromUtf8(Unescape(fields[separator + 1])), device});
    }
    return mounts;
}

std::vector<MountPoint> MountedFileSystems()
{
    if (const auto mountSource = ActiveTestHooks().mountSource)
        return mountSource();
    // procfs reports a size of 0; QFile reads such files to their end.
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ParseMountInfo(file.readAll());
}

bool IsPseudoFileSystem(const QString &fsType)
{
    static const QStringList pseudo = {
        QStringLiteral("proc"),       QStringLiteral("sysfs"),     QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),     QStringLiteral("cgroup"),    QStringLiteral("cgroup2"),
        QStringLiteral("debugfs"),    QStringLiteral("tracefs"),   QStringLiteral("securityfs"),
        QStringLiteral("pstore"),     QStringLiteral("bpf"),       QStringLiteral("mqueue"),
        QStringLiteral("hugetlbfs"),  QStringLiteral("fusectl"),   QStringLiteral("configfs"),
        QStringLiteral("autofs"),     QStringLiteral("binfmt_misc"), QStringLiteral("rpc_pipefs"),
        QStringLiteral("nsfs"),       QStringLiteral("efivarfs"),  QStringLiteral("selinuxfs"),
    };
    return pseudo.contains(fsType);
}

bool IsNetworkFileSystem(const QString &fsType)
{
    static const QStringList network = {
        QStringLiteral("cifs"),      QStringLiteral("smb3"),         QStringLiteral("smbfs"),
        QStringLiteral("nfs"),       QStringLiteral("nfs4"),         QStringLiteral("sshfs"),
        QStringLiteral("fuse.sshfs"), QStringLiteral("davfs"),       QStringLiteral("fuse.davfs2"),
        QStringLiteral("ncpfs"),     QStringLiteral("afs"),          QStringLiteral("ceph"),
        QStringLiteral("glusterfs"), QStringLiteral("fuse.glusterfs"),
    };
    return network.contains(fsType);
}

void ReturnFreedMemory()
{
#if defined(__GLIBC__)
    ::malloc_trim(0);
#endif
}

} // namespace platform
