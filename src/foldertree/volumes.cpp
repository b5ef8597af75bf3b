#include "foldertree/volumes.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <algorithm>
#include <utility>

namespace foldertree {

namespace {

bool IsAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The real location of a local folder, so that "/home/u" and a link to it
// count as one volume.
QString RealPathOf(const QString &path)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? path : real;
}

} // namespace

int CompareFolderNames(const QString &a, const QString &b)
{
    const int na = a.size();
    const int nb = b.size();
    int i = 0;
    int j = 0;
    int zeroBias = 0;   // decides between "01" and "1" when all else is equal
    while (i < na && j < nb) {
        if (IsAsciiDigit(a[i]) && IsAsciiDigit(b[j])) {
            const int startA = i;
            const int startB = j;
            while (i < na && a[i] == QLatin1Char('0'))
                ++i;
            while (j < nb && b[j] == QLatin1Char('0'))
                ++j;
            const int sigA = i;
            const int sigB = j;
            while (i < na && IsAsciiDigit(a[i]))
                ++i;
            while (j < nb && IsAsciiDigit(b[j]))
                ++j;
            // Without leading zeros the longer run is the larger number.
            const int lenA = i - sigA;
            const int lenB = j - sigB;
            if (lenA != lenB)
                return lenA < lenB ? -1 : 1;
            for (int k = 0; k < lenA; ++k) {
                if (a[sigA + k] != b[sigB + k])
                    return a[sigA + k] < b[sigB + k] ? -1 : 1;
            }
            if (zeroBias == 0 && (sigA - startA) != (sigB - startB))
                zeroBias = (sigA - startA) > (sigB - startB) ? -1 : 1;
            continue;
        }
        const QChar ca = a[i].toCaseFolded();
        const QChar cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < na)
        return 1;
    if (j < nb)
        return -1;
    if (zeroBias != 0)
        return zeroBias;
    return a.compare(b, Qt::CaseSensitive) < 0 ? -1 : (a == b ? 0 : 1);
}

VolumeLists ClassifyVolumes(const std::vector<platform::MountPoint> &mounts,
                            const QString &home)
{
    // A later mount on the same path hides the earlier one.
    QMap<QString, QString> visible;
    for (const platform::MountPoint &m : mounts) {
        if (!m.path.startsWith(QLatin1Char('/')))
            continue;
        visible.insert(QDir::cleanPath(m.path), m.fsType);
    }

    VolumeLists lists;
    QSet<QString> seen;   // real locations already offered
    const QString root = QStringLiteral("/");
    lists.computer << root;
    seen.insert(root);

    if (!home.isEmpty()) {
        const QString cleanHome = QDir::cleanPath(home);
        if (QFileInfo(cleanHome).isDir() && !seen.contains(RealPathOf(cleanHome))) {
            lists.computer << cleanHome;
            seen.insert(RealPathOf(cleanHome));
        }
    }

    for (auto it = visible.cbegin(); it != visible.cend(); ++it) {
        if (platform::IsPseudoFileSystem(it.value()))
            lists.hidden.insert(it.key());
    }
    // Whatever is mounted inside /sys or /proc (cgroup trees and the like)
    // is the system's plumbing, not a volume.
    const auto insideHidden = [&lists](const QString &path) {
        for (const QString &h : std::as_const(lists.hidden)) {
            if (path.startsWith(h) && path.size() > h.size() && path[h.size()] == QLatin1Char('/'))
                return true;
        }
        return false;
    };

    QStringList local;
    for (auto it = visible.cbegin(); it != visible.cend(); ++it) {
        const QString &path = it.key();
        if (platform::IsPseudoFileSystem(it.value()) || insideHidden(path)) {
            continue;
        } else if (platform::IsNetworkFileSystem(it.value())) {
            lists.network << path;
        } else if (QFileInfo(path).isDir()) {
            const QString real = RealPathOf(path);
            if (!seen.contains(real)) {
                seen.insert(real);
                local << path;
            }
        }
    }
    const auto byName = [](const QString &x, const QString &y) {
        return CompareFolderNames(x, y) < 0;
    };
    std::sort(local.begin(), local.end(), byName);
    std::sort(lists.network.begin(), lists.network.end(), byName);
    lists.computer << local;
    return lists;
}

} // namespace foldertree
