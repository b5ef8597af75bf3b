#pragma once
// Helpers shared by the fault-injection tests: whole-tree snapshots, and
// the result lines, folders and modal-box watch of tests/support.

#include "copyfolders.h"
#include "fixtures.h"
#include "modalwatch.h"
#include "resultlines.h"
#include "tempdir.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <algorithm>

namespace faults {

// Every entry below `root`, hidden ones, links and special files included,
// relative and sorted; folders end in "/".  Links are not followed, so a
// temporary file left anywhere shows up.
inline QStringList Entries(const QString &root)
{
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        QString rel = QDir(root).relativeFilePath(path);
        if (info.isDir() && !info.isSymLink())
            rel += QLatin1Char('/');
        out << rel;
    }
    out.sort();
    return out;
}

// A TreeDigest with the rows of `rel` (a file, or a folder and everything
// below it) taken out: what the digest must be once that entry is gone.
inline QString DigestWithout(const QString &digest, const QString &rel)
{
    QStringList kept;
    for (const QString &row : digest.split(QLatin1Char('\n'))) {
        if (row == rel + QLatin1Char('/') || row.startsWith(rel + QLatin1Char('/'))
            || row.startsWith(rel + QLatin1Char(' ')))
            continue;
        kept << row;
    }
    return kept.join(QLatin1Char('\n'));
}

// Makes at `path` an entry that is no regular file, of the `kind` "fifo",
// "socket", "folder", "dangling" (symlink), "link-to-fifo" (a symlink to a
// FIFO made at `other`), or, as root only, "device" or "link-to-device"
// (a device like /dev/null, at `path` or at `other`).
inline bool MakeOddEntry(const QString &kind, const QString &path, const QString &other)
{
    if (kind == QLatin1String("fifo"))
        return fixtures::MakeFifo(path);
    if (kind == QLatin1String("device"))
        return fixtures::MakeNullDevice(path);
    if (kind == QLatin1String("link-to-device"))
        return fixtures::MakeNullDevice(other) && QFile::link(other, path);
    if (kind == QLatin1String("socket"))
        return fixtures::MakeSocket(path);
    if (kind == QLatin1String("folder"))
        return QDir().mkdir(path);
    if (kind == QLatin1String("dangling"))
        return QFile::link(QFileInfo(path).path() + QStringLiteral("/nowhere"), path);
    if (kind == QLatin1String("link-to-fifo"))
        return fixtures::MakeFifo(other) && QFile::link(other, path);
    return false;
}

using ::ModalWatch;
using namespace testsupport;

} // namespace faults
