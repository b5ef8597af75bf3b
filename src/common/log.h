#pragma once
// The append-only log: in the user's state folder, or beside the program
// when it runs from the folder it was built in.

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
// programDir + "/Pathwren.log" for a program in a build folder (its
// folder is writable and the folder above holds CMakeCache.txt); otherwise,
// as for an installed program, $XDG_STATE_HOME/Pathwren/Pathwren.log, with
// ~/.local/state standing in for an unset, empty or relative XDG_STATE_HOME.
QString LogFilePathFor(const QString &programDir);

} // namespace common
