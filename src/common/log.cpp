#include "common/log.h"

#include "platform/fileaccess.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace modCommon {

namespace {
QString g_logPathOverride;
}

QString LogFilePath()
{
    if (!g_logPathOverride.isEmpty())
        return g_logPathOverride;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Pathwren.log");
}

void SetLogFilePathForTesting(const QString &path)
{
    g_logPathOverride = path;
}

QByteArray FormatLogRecord(const QDateTime &when, const QString &strMsg)
{
    QString stamp = when.date().toString(QStringLiteral("yyyy-MM-dd"));
    const QTime t = when.time();
    if (!(t.hour() == 0 && t.minute() == 0 && t.second() == 0))
        stamp += t.toString(QStringLiteral(" HH:mm:ss"));
    const QString record = QLatin1Char('#') + stamp + QStringLiteral("#,\"") + strMsg
        + QStringLiteral("\"\r\n");
    return record.toUtf8();
}

void WriteLog(const QString &strMsg)
{
    // A lost record must never disturb the program: every failure ends here.
    try {
        const QString path = LogFilePath();
        // Only a regular file (or none yet) is appended to: opening a FIFO
        // for writing would wait for a reader that never comes.
        const QFileInfo info(path);
        if (info.exists() && !info.isFile())
            return;
        // A log grown past the file size limit must lose the record, not
        // the program.
        platform::IgnoreFileSizeSignal();
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        file.write(FormatLogRecord(QDateTime::currentDateTime(), strMsg));
        file.close();
    } catch (...) {
    }
}

} // namespace modCommon
