#pragma once
// The append-only log beside the program.

#include <QDateTime>
#include <QString>

namespace modCommon {

// Appends one record; every failure is swallowed.
void WriteLog(const QString &strMsg);

// One record as it is written, CR LF included:
// #YYYY-MM-DD HH:MM:SS#,"message"  (the time left out at exactly midnight).
QByteArray FormatLogRecord(const QDateTime &when, const QString &strMsg);

// The log file's path: the program's folder + separator + "Pathwren.log".
QString LogFilePath();
// Tests point the log elsewhere; an empty path restores the default.
void SetLogFilePathForTesting(const QString &path);

} // namespace modCommon
