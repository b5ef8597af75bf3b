#pragma once
// The result lines a search writes, spelled out as the tests expect them,
// and the destination folder a copy of a source folder lands in.

#include "common/filecopy.h"

#include <QString>
#include <QStringList>

namespace testsupport {

const QString SearchStart = QStringLiteral("☆☆☆ 検索のみ開始... ☆☆☆");
const QString CopyStart = QStringLiteral("☆☆☆ 検索後コピー開始... ☆☆☆");
const QString End = QStringLiteral("☆☆☆ 終了 ☆☆☆");
const QString UserStop = QStringLiteral("☆☆☆ ユーザによる検索中断 ☆☆☆");
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

// The lines from the last occurrence of `banner` on (all of them without one).
inline QStringList From(const QStringList &all, const QString &banner)
{
    const qsizetype i = all.lastIndexOf(banner);
    return i < 0 ? all : all.mid(i);
}

// The copy's destination subfolder name for a source folder.
inline QString Flat(const QString &path)
{
    return common::CopyFolderName(path);
}

} // namespace testsupport
