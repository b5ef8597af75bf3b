#include "common/log.h"

#include "platform/fileaccess.h"
#include "platform/testhooks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace common {

namespace {
// Creates the missing folders of an absolute path, each private to the user
// as the base directory rules ask for state folders.
bool MakeFolders(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    if (info.exists() || info.isRoot() || path.isEmpty())
        return false;
    if (!MakeFolders(info.absolutePath()))
        return false;
    return QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)
        || QFileInfo(path).isDir();
}

QString StateLogFilePath()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Pathwren/Pathwren.log");
}
} // namespace

QString LogFilePath()
{
    const QString &testPath = platform::ActiveTestHooks().logFilePath;
    if (!testPath.isEmpty())
        return testPath;
    return LogFilePathFor(QCoreApplication::applicationDirPath());
}

QString LogFilePathFor(const QString &programDir)
{
    // A build keeps the program in bin/ below the folder that holds CMake's
    // cache; an installed program has no such file beside its folder, and
    // even a folder it may write into (/usr/bin, as root) is no place for
    // files of the user's.
    const QFileInfo dir(programDir);
    if (dir.isDir() && dir.isWritable() && QFileInfo(programDir + QStringLiteral("/../CMakeCache.txt")).isFile())
        return programDir + QStringLiteral("/Pathwren.log");
    return StateLogFilePath();
}

QByteArray FormatLogRecord(const QDateTime &when, const QString &line)
{
    QString stamp = when.date().toString(QStringLiteral("yyyy-MM-dd"));
    const QTime t = when.time();
    if (!(t.hour() == 0 && t.minute() == 0 && t.second() == 0))
        stamp += t.toString(QStringLiteral(" HH:mm:ss"));
    const QString record = QLatin1Char('#') + stamp + QStringLiteral("#,\"") + line
        + QStringLiteral("\"\r\n");
    return record.toUtf8();
}

void WriteLog(const QString &line)
{
    // A lost record must never disturb the program: every failure ends here.
    try {
        const QString path = LogFilePath();
        // Only a regular file (or none yet) is appended to: opening a FIFO
        // for writing would wait for a reader that never comes.
        const QFileInfo info(path);
        if (info.exists() && !info.isFile())
            return;
        // Only the state folder is ours to create; any other missing folder
        // means the record is lost.
        if (!info.exists() && path == StateLogFilePath() && !MakeFolders(info.absolutePath()))
            return;
        // A log grown past the file size limit must lose the record, not
        // the program.
        platform::IgnoreFileSizeSignal();
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        file.write(FormatLogRecord(QDateTime::currentDateTime(), line));
        file.close();
    } catch (...) {
    }
}

} // namespace common
