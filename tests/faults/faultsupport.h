#pragma once
// Helpers shared by the fault-injection tests: whole-tree snapshots, the
// lines of the last search, and a watch for modal boxes.

#include "modalwatch.h"
#include "tempdir.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
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

// The lines from the last occurrence of `banner` on.
inline QStringList From(const QStringList &all, const QString &banner)
{
    const qsizetype i = all.lastIndexOf(banner);
    return i < 0 ? all : all.mid(i);
}

// The copy's destination subfolder name for a source folder.
inline QString Flat(const QString &path)
{
    QString s = path;
    s.replace(QLatin1Char('/'), QStringLiteral("￥"));
    s.replace(QLatin1Char(':'), QStringLiteral("："));
    return s;
}

using ::ModalWatch;

const QString SearchStart = QStringLiteral("☆☆☆ 検索のみ開始... ☆☆☆");
const QString CopyStart = QStringLiteral("☆☆☆ 検索後コピー開始... ☆☆☆");
const QString End = QStringLiteral("☆☆☆ 終了 ☆☆☆");
const QString CopyFileError = QStringLiteral("※※※ Error in CopyFile");
const QString CopyDirectoryError = QStringLiteral("※※※ Error in CopyDirectory");

inline QString Unreachable(const QString &path)
{
    return QStringLiteral("※※※ アクセス不可能 in ") + path;
}
inline QString Hit(const QString &pattern, const QString &path)
{
    return QStringLiteral("検索(") + pattern + QStringLiteral(") in ") + path;
}
inline QString Copied(const QString &pattern, const QString &path)
{
    return QStringLiteral("コピー(") + pattern + QStringLiteral(") in ") + path;
}

} // namespace faults
