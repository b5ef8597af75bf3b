#pragma once
// The append-only log: beside the program, or in the user's state folder
// when the program's folder cannot be written (an installed program).

#include <QDateTime>
#include <QString>

namespace common {

// Appends one record; every failure is swallowed.
void WriteLog(const QString &line);

// One record as it is written, CR LF included:
// #YYYY-MM-DD HH:MM:SS#,"message"  (the time left out at exactly midnight).
QByteArray FormatLogRecord(const QDateTime &when, const QString &line);

// The log file's path for the running program (see LogFilePathFor).
QString LogFilePath();
// programDir + "/Pathwren.log" when that folder is writable; otherwise
// $XDG_STATE_HOME/Pathwren/Pathwren.log, with ~/.local/state standing in
// for an unset, empty or relative XDG_STATE_HOME.
QString LogFilePathFor(const QString &programDir);

} // namespace common
