#pragma once
// Small helpers to build temporary trees in tests.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace testsupport {

// Writes `content` to `path`, creating missing parent folders.
bool WriteFile(const QString &path, const QByteArray &content);
QByteArray ReadFile(const QString &path);
bool MakePath(const QString &path);
// Every regular file below `root` (relative path -> SHA-256 hex), for
// "the tree is byte-for-byte unchanged" checks.
QString TreeDigest(const QString &root);
// The names in `folder`, hidden and special entries included, "." and
// ".." not, sorted.
QStringList FolderEntries(const QString &folder);

} // namespace testsupport
