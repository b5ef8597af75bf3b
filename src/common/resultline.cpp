#include "common/resultline.h"

namespace common {

namespace {

// The one marker between a line's kind and what it names.
const QString &InMarker()
{
    static const QString s = QStringLiteral(" in ");
    return s;
}
const QString &HitStart()
{
    static const QString s = QStringLiteral("検索(");
    return s;
}
const QString &CopyStart()
{
    static const QString s = QStringLiteral("コピー(");
    return s;
}
const QString &PatternEnd()
{
    static const QString s = QLatin1Char(')') + InMarker();
    return s;
}
// Where a hit's or copy's path begins: the pattern's end and the path's
// leading slash.
const QString &PatternEndAndRoot()
{
    static const QString s = PatternEnd() + QLatin1Char('/');
    return s;
}
const QString &AccessDeniedStart()
{
    static const QString s = QStringLiteral("※※※ アクセス不可能") + InMarker();
    return s;
}
const QString &AccessGrantedStart()
{
    static const QString s = QStringLiteral("※※※ アクセスＯＫ！") + InMarker();
    return s;
}
const QString &ErrorStart()
{
    static const QString s = QStringLiteral("※※※ Error") + InMarker();
    return s;
}

// Where the path of a hit or copy line that starts with `start` begins,
// or -1.
qsizetype PathAfterPattern(const QString &line, const QString &start)
{
    if (!line.startsWith(start))
        return -1;
    const qsizetype at = line.indexOf(PatternEndAndRoot(), start.size());
    return at < 0 ? -1 : at + PatternEnd().size();
}

// Where the path a line names begins; -1 for lines that name none.
qsizetype PathStart(const QString &line)
{
    for (const QString *start : {&HitStart(), &CopyStart()}) {
        const qsizetype at = PathAfterPattern(line, *start);
        if (at >= 0)
            return at;
    }
    for (const QString *start : {&AccessDeniedStart(), &AccessGrantedStart()}) {
        if (line.startsWith(*start))
            return line.size() > start->size() ? start->size() : -1;
    }
    return -1;
}

} // namespace

QString HitLinePrefix(const QString &pattern)
{
    return HitStart() + pattern + PatternEnd();
}

QString CopyLinePrefix(const QString &pattern)
{
    return CopyStart() + pattern + PatternEnd();
}

QString AccessDeniedLine(const QString &path)
{
    return AccessDeniedStart() + path;
}

QString AccessGrantedLine(const QString &path)
{
    return AccessGrantedStart() + path;
}

QString ErrorLine(const QString &procedure)
{
    return ErrorStart() + procedure;
}

LineKind KindOfLine(const QString &line)
{
    if (PathAfterPattern(line, HitStart()) >= 0)
        return LineKind::Hit;
    if (PathAfterPattern(line, CopyStart()) >= 0)
        return LineKind::Copy;
    if (line.startsWith(ErrorStart()))
        return LineKind::Error;
    if (line.startsWith(AccessDeniedStart()) || line.startsWith(AccessGrantedStart()))
        return LineKind::Access;
    return LineKind::Other;
}

QString PathOfLine(const QString &line)
{
    const qsizetype start = PathStart(line);
    return start < 0 ? QString() : line.mid(start);
}

QString TargetOfLine(const QString &line)
{
    const qsizetype start = PathStart(line);
    if (start >= 0)
        return line.mid(start);
    const qsizetype at = line.indexOf(InMarker());
    return at < 0 ? QString() : line.mid(at + InMarker().size());
}

} // namespace common
