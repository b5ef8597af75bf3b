#include "common/resultline.h"

namespace common {

namespace {

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
    static const QString s = QStringLiteral(") in ");
    return s;
}
const QString &AccessDeniedStart()
{
    static const QString s = QStringLiteral("※※※ アクセス不可能 in ");
    return s;
}
const QString &AccessGrantedStart()
{
    static const QString s = QStringLiteral("※※※ アクセスＯＫ！ in ");
    return s;
}
const QString &ErrorStart()
{
    static const QString s = QStringLiteral("※※※ Error in ");
    return s;
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
    if (line.startsWith(HitStart()) && line.indexOf(PatternEnd(), HitStart().size()) >= 0)
        return LineKind::Hit;
    if (line.startsWith(CopyStart()) && line.indexOf(PatternEnd(), CopyStart().size()) >= 0)
        return LineKind::Copy;
    if (line.startsWith(ErrorStart()))
        return LineKind::Error;
    if (line.startsWith(AccessDeniedStart()) || line.startsWith(AccessGrantedStart()))
        return LineKind::Access;
    return LineKind::Other;
}

} // namespace common
