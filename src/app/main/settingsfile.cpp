#include "app/main/settingsfile.h"

namespace settingsfile {

namespace {

bool IsHexDigit(char16_t ch)
{
    return (ch >= u'0' && ch <= u'9') || (ch >= u'a' && ch <= u'f') || (ch >= u'A' && ch <= u'F');
}

QString HexEscape(char16_t ch)
{
    return QStringLiteral("\\x") + QString::number(ch, 16);
}

} // namespace

QString IniSpelling(const QString &text, bool quoted)
{
    // A text that starts with '@' would read as a typed value, and one that
    // holds a NUL is wrapped as a typed string.
    QString value = text;
    if (value.contains(QChar(u'\0')))
        value = QStringLiteral("@String(") + value + QLatin1Char(')');
    else if (value.startsWith(QLatin1Char('@')))
        value.prepend(QLatin1Char('@'));

    QString out;
    bool needsQuotes = false;
    // After a numeric escape a hex digit would continue it, so it is
    // escaped too.
    bool escapeNextIfDigit = false;
    for (const QChar qch : std::as_const(value)) {
        const char16_t ch = qch.unicode();
        if (ch == u';' || ch == u',' || ch == u'=')
            needsQuotes = true;
        if (escapeNextIfDigit && IsHexDigit(ch)) {
            out += HexEscape(ch);
            continue;
        }
        escapeNextIfDigit = false;
        switch (ch) {
        case u'\0': out += QStringLiteral("\\0"); escapeNextIfDigit = true; break;
        case u'\a': out += QStringLiteral("\\a"); break;
        case u'\b': out += QStringLiteral("\\b"); break;
        case u'\f': out += QStringLiteral("\\f"); break;
        case u'\n': out += QStringLiteral("\\n"); break;
        case u'\r': out += QStringLiteral("\\r"); break;
        case u'\t': out += QStringLiteral("\\t"); break;
        case u'\v': out += QStringLiteral("\\v"); break;
        case u'"':
        case u'\\':
            out += QLatin1Char('\\');
            out += qch;
            break;
        default:
            if (ch <= 0x1F) {
                out += HexEscape(ch);
                escapeNextIfDigit = true;
            } else {
                out += qch;
            }
        }
    }
    if (quoted || needsQuotes || out.startsWith(QLatin1Char(' ')) || out.endsWith(QLatin1Char(' ')))
        out = QLatin1Char('"') + out + QLatin1Char('"');
    return out;
}

QHash<QString, QString> SectionLines(const QByteArray &contents, const QString &section)
{
    QHash<QString, QString> lines;
    QByteArray data = contents;
    if (data.startsWith("\xef\xbb\xbf"))
        data.remove(0, 3);
    bool inSection = false;
    // Either line end counts, as for Qt: a file saved with CR LF too.
    data.replace('\r', '\n');
    const QList<QByteArray> rows = data.split('\n');
    for (const QByteArray &row : rows) {
        const QString line = QString::fromUtf8(row).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            const int close = line.indexOf(QLatin1Char(']'));
            inSection = line.mid(1, close < 0 ? -1 : close - 1).trimmed() == section;
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (!inSection || equals <= 0 || line.startsWith(QLatin1Char(';')))
            continue;
        lines.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return lines;
}

QString LineValue(const QString &line, const QVariant &parsed)
{
    if (parsed.typeId() == QMetaType::QString) {
        const QString text = parsed.toString();
        if (line == IniSpelling(text, false) || line == IniSpelling(text, true))
            return text;
    }
    return line;
}

} // namespace settingsfile
