#pragma once
// The settings file read the way a person reads it, who may edit it by
// hand: a value is the whole rest of its line, quoted or not.  Qt's own
// reading cuts an unquoted value at a ';' (a comment to it) and makes a
// list of one with a ',' in it; what Qt's writer spelled keeps its value.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>

namespace settingsfile {

// How Qt's INI writer spells `text` as a value: escapes, and quotes around
// the whole where the text needs them or `quoted` asks for them.
QString IniSpelling(const QString &text, bool quoted);

// The rest of each key's line in `section` of an INI file's `contents`,
// blanks around it trimmed.  Where a key comes twice, the later line
// counts, as it does for Qt.
QHash<QString, QString> SectionLines(const QByteArray &contents, const QString &section);

// The value that `line` (the rest of a key's line) holds: Qt's reading of
// it, `parsed`, where the line spells that as Qt's writer does, with or
// without quotes around the whole; otherwise the line as it stands.
QString LineValue(const QString &line, const QVariant &parsed);

} // namespace settingsfile
