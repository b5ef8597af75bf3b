#pragma once
// The lines the program writes to the result window, and how a line is told
// back by its kind.  Writers and readers share these texts so that the two
// can never drift apart.

#include <QString>

namespace modCommon {

// "検索(" + pattern + ") in ": a hit line up to the path of the entry.
QString HitLinePrefix(const QString &pattern);
// "コピー(" + pattern + ") in ": a copy line up to the source path.
QString CopyLinePrefix(const QString &pattern);
// "※※※ アクセス不可能 in " + path, "※※※ アクセスＯＫ！ in " + path.
QString AccessDeniedLine(const QString &path);
QString AccessGrantedLine(const QString &path);
// "※※※ Error in " + procedure: a procedure's report of its own failure.
QString ErrorLine(const QString &procedure);

enum class LineKind {
    Other,    // banners, empty lines, anything else
    Hit,
    Copy,
    Error,
    Access,   // either access note
};
LineKind KindOfLine(const QString &line);

} // namespace modCommon
