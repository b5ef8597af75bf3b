#include "common/resultline.h"

#include "platform/nativepath.h"

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

// Whether EncodeLine writes `c` as an escape.
bool NeedsEscape(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || u == '\\' || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029
           || platform::RawByteOf(c) >= 0;
}

int HexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// The value of the `digits` hex digits at `at`, or -1.
int HexAt(const QString &text, qsizetype at, int digits)
{
    if (at + digits > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < digits; ++i) {
        const int digit = HexValue(text.at(at + i));
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
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

QString InvalidDestinationText()
{
    return QStringLiteral("コピー先フォルダが不正です。");
}

QString InvalidDestinationLine()
{
    return QStringLiteral("※※※ ") + InvalidDestinationText();
}

LineKind KindOfLine(const QString &line)
{
    if (PathAfterPattern(line, HitStart()) >= 0)
        return LineKind::Hit;
    if (PathAfterPattern(line, CopyStart()) >= 0)
        return LineKind::Copy;
    if (line.startsWith(ErrorStart()) || line == InvalidDestinationLine())
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

QString EncodeLine(const QString &line)
{
    qsizetype first = 0;
    while (first < line.size() && !NeedsEscape(line.at(first)))
        ++first;
    if (first == line.size())
        return line;   // the usual line: nothing to write differently

    static const char hex[] = "0123456789abcdef";
    QString out = line.left(first);
    out.reserve(line.size() + 16);
    for (qsizetype i = first; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (!NeedsEscape(c)) {
            out += c;
            continue;
        }
        const char16_t u = c.unicode();
        const int raw = platform::RawByteOf(c);
        out += QLatin1Char('\\');
        if (u == '\\')
            out += QLatin1Char('\\');
        else if (u == '\t')
            out += QLatin1Char('t');
        else if (u == '\n')
            out += QLatin1Char('n');
        else if (u == '\r')
            out += QLatin1Char('r');
        else if (raw >= 0 || u < 0x20 || u == 0x7F) {
            const int byte = raw >= 0 ? raw : u;
            out += QLatin1Char('x');
            out += QLatin1Char(hex[byte >> 4]);
            out += QLatin1Char(hex[byte & 0xF]);
        } else {
            out += QLatin1Char('u');
            for (int shift = 12; shift >= 0; shift -= 4)
                out += QLatin1Char(hex[(u >> shift) & 0xF]);
        }
    }
    return out;
}

QString DecodeLine(const QString &text, bool *ok)
{
    if (ok)
        *ok = true;
    if (!text.contains(QLatin1Char('\\')))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        const char16_t next = i + 1 < text.size() ? text.at(i + 1).unicode() : u'\0';
        int value = -1;
        int length = 0;   // after the backslash
        switch (next) {
        case u'\\':
            value = '\\';
            length = 1;
            break;
        case u't':
            value = '\t';
            length = 1;
            break;
        case u'n':
            value = '\n';
            length = 1;
            break;
        case u'r':
            value = '\r';
            length = 1;
            break;
        case u'x':
            value = HexAt(text, i + 2, 2);
            length = 3;
            break;
        case u'u':
            value = HexAt(text, i + 2, 4);
            length = 5;
            break;
        default:
            break;
        }
        if (value < 0) {
            out += c;   // not one of ours: the backslash stands for itself
            if (ok)
                *ok = false;
            continue;
        }
        // \xHH above 7f is a byte of a name that is not UTF-8.
        out += next == u'x' && value >= 0x80 ? platform::RawByteChar(uchar(value)) : QChar(char16_t(value));
        i += length;
    }
    return out;
}

} // namespace common
