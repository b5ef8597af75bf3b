#include "tempdir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace testsupport {

bool MakePath(const QString &path)
{
    return QDir().mkpath(path);
}

bool WriteFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(content) == content.size();
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

QString TreeDigest(const QString &root)
{
    QStringList rows;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        const QString rel = QDir(root).relativeFilePath(path);
        if (info.isSymLink()) {
            rows << rel + QStringLiteral(" -> ") + info.symLinkTarget();
        } else if (info.isFile()) {
            QFile f(path);
            QCryptographicHash h(QCryptographicHash::Sha256);
            if (f.open(QIODevice::ReadOnly))
                h.addData(&f);
            rows << rel + QStringLiteral(" ") + QString::fromLatin1(h.result().toHex());
        } else if (info.isDir()) {
            rows << rel + QStringLiteral("/");
        } else {
            rows << rel + QStringLiteral(" (special)");
        }
    }
    rows.sort();
    return rows.join(QLatin1Char('\n'));
}

QStringList FolderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

} // namespace testsupport
