#pragma once
// Mounted volumes and other facts of the running system.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace platform {

struct MountPoint {
    QString path;     // where it is mounted
    QString fsType;   // e.g. "ext4", "nfs4"
    uint64_t device = 0;   // the device number its files report
};

// The mounted file systems, in mount-table order.
std::vector<MountPoint> MountedFileSystems();
// Parses the text of /proc/self/mountinfo (octal escapes such as "\040"
// decoded); malformed lines are skipped.
std::vector<MountPoint> ParseMountInfo(const QByteArray &text);

// Pseudo file systems (proc, sysfs, ...), never offered as folders.
bool IsPseudoFileSystem(const QString &fsType);
// Network file systems (nfs, cifs, sshfs, ...).
bool IsNetworkFileSystem(const QString &fsType);

// Hands memory the program has freed back to the system, after a large
// release such as clearing a long list: the C library otherwise keeps
// freed heap pages for later use.
void ReturnFreedMemory();

} // namespace platform
