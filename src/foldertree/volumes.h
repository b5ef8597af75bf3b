#pragma once
// The pure decisions behind the folder tree: which mounted volumes it
// offers where, and in which order folder names are shown.

#include "platform/system.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace foldertree {

struct VolumeLists {
    // Children of "マイ コンピュータ": "/", the home folder, then the local
    // mount points, no path twice.
    QStringList computer;
    // Children of "マイ ネットワーク": mount points of network file systems.
    QStringList network;
    // Mount points of pseudo file systems; never offered as folders.
    QSet<QString> hidden;
};

// Sorts `mounts` into the lists above.  Where several file systems are
// mounted on one path only the last (the visible one) counts.  Local mount
// points that are not folders (bind-mounted files) are left out; network
// mount points are not touched, so a dead server cannot hang the caller.
VolumeLists ClassifyVolumes(const std::vector<platform::MountPoint> &mounts,
                            const QString &home);

// Orders folder names the way a file manager does: case-insensitively, with
// runs of digits compared by value ("a2" before "a10").  Names that differ
// only in case or leading zeros still get a fixed order.  <0, 0 or >0.
int CompareFolderNames(const QString &a, const QString &b);

} // namespace foldertree
