// Fuzzes platform::MatchesPattern: no crash, no hang (the fuzzer's timeout),
// and agreement with a plain dynamic-programming matcher written from the
// matching rules, plus properties that hold whatever the rules' details:
//
//  1. "*", "*.*" and the empty pattern match every non-empty name.
//  2. A literal pattern (no * ? < > " and not ending in a dot or blank,
//     no character of the range that stands for undecodable bytes)
//     matches exactly the names equal to it unit by unit after the
//     matcher's one-to-one upper case; for ASCII text that is the ASCII
//     case-insensitive equality.
//  3. Trailing blanks and dots: for a pattern p that the trim leaves
//     unchanged and non-empty,
//       - p + " " behaves as p;
//       - p + "." behaves as p when p does not end in "*";
//       - when p ends in "*", the dot turns that final "*" into a star that
//         stops at the name's last dot: p + "." matches a subset of what p
//         matches, the same names among names without a dot, and (when the
//         "*" does not follow a dot, which would make that dot a wildcard
//         too) exactly what p with its final "*" replaced by "<" matches.
//  4. Case: upper-casing the name or the pattern changes nothing (the
//     upper case is idempotent).
//
// Input: mode byte (bit 0: UTF-16), then pattern NUL name.

#include "fuzzinput.h"

#include "platform/listing.h"
#include "platform/nativepath.h"
#include "platform/wildcard.h"

#include <vector>

using fuzzinput::Bytes;
using fuzzinput::Check;
using platform::MatchesPattern;
using platform::detail::IsRawByte;
using platform::detail::RawByteBase;
using platform::detail::UpcaseUnit;

namespace {

enum class Tok { Lit, Star, DosStar, DosQm, DosDot };
struct T {
    Tok kind;
    char16_t ch;
};

bool IsTrimmed(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('.');
}

// The rules, written out plainly: trim, translate to the DOS wildcard
// forms, then match by dynamic programming over (token, position).
bool Reference(const QString &pattern, const QString &name)
{
    if (name.isEmpty())
        return false;
    if (pattern.isEmpty())
        return true;
    const bool endedWithDot = pattern.back() == QLatin1Char('.');
    QString t = pattern;
    while (!t.isEmpty() && IsTrimmed(t.back()))
        t.chop(1);
    if (t.isEmpty())
        return false;
    if (t == QLatin1String("*.*"))
        return true;

    std::vector<T> toks;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        const char16_t next = i + 1 < t.size() ? t[i + 1].unicode() : 0;
        const bool last = i + 1 == t.size();
        if (c == u'*')
            toks.push_back({(next == u'.' || (last && endedWithDot)) ? Tok::DosStar : Tok::Star, 0});
        else if (c == u'?' || c == u'>')
            toks.push_back({Tok::DosQm, 0});
        else if (c == u'<')
            toks.push_back({Tok::DosStar, 0});
        else if (c == u'"')
            toks.push_back({Tok::DosDot, 0});
        else if (c == u'.' && (next == u'?' || next == u'*'))
            toks.push_back({Tok::DosDot, 0});
        else if (IsRawByte(c))
            for (const char b : QString(QChar(c)).toUtf8())   // names hold it as three escaped bytes
                toks.push_back({Tok::Lit, char16_t(RawByteBase + uchar(b))});
        else
            toks.push_back({Tok::Lit, UpcaseUnit(c)});
    }

    const size_t n = size_t(name.size());
    const size_t m = toks.size();
    size_t lastDot = n;
    for (size_t i = 0; i < n; ++i)
        if (name[qsizetype(i)] == QLatin1Char('.'))
            lastDot = i;

    // below[i]: tokens j+1.. match name[i..]; row[i]: tokens j.. do.
    std::vector<uint8_t> below(n + 1, 0), row(n + 1, 0);
    below[n] = 1;
    for (size_t j = m; j-- > 0;) {
        const T &tok = toks[j];
        for (size_t i = n + 1; i-- > 0;) {
            const bool end = i == n;
            const bool dot = !end && name[qsizetype(i)] == QLatin1Char('.');
            bool ok = false;
            switch (tok.kind) {
            case Tok::Star:
                ok = below[i] || (!end && row[i + 1]);
                break;
            case Tok::DosStar:
                ok = below[i] || (!end && i != lastDot && row[i + 1]);
                break;
            case Tok::DosQm:
                ok = (end || dot) ? below[i] : below[i + 1];
                break;
            case Tok::DosDot:
                ok = end ? below[i] : (dot && below[i + 1]);
                break;
            case Tok::Lit:
                ok = !end && UpcaseUnit(name[qsizetype(i)].unicode()) == tok.ch && below[i + 1];
                break;
            }
            row[i] = ok;
        }
        below.swap(row);
    }
    return below[0] != 0;
}

bool HasWildcard(const QString &p)
{
    for (const QChar c : p) {
        switch (c.unicode()) {
        case u'*': case u'?': case u'<': case u'>': case u'"':
            return true;
        default:
            break;
        }
    }
    return false;
}

bool HasRawByte(const QString &s)
{
    for (const QChar c : s)
        if (IsRawByte(c.unicode()))
            return true;
    return false;
}

bool IsAscii(const QString &s)
{
    for (const QChar c : s)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

QString AsciiUpper(const QString &s)
{
    QString out = s;
    for (QChar &c : out)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 32);
    return out;
}

QString Upcase(const QString &s)
{
    QString out = s;
    for (QChar &c : out)
        c = QChar(UpcaseUnit(c.unicode()));
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool utf16 = data[0] & 1;
    Bytes patternBytes, nameBytes;
    fuzzinput::SplitAtNul(Bytes{data + 1, size - 1}, utf16, patternBytes, nameBytes);
    const QString p = fuzzinput::Decode(patternBytes, utf16);
    const QString n = fuzzinput::Decode(nameBytes, utf16);

    const bool r = MatchesPattern(p, n);
    Check(r == Reference(p, n), "matcher disagrees with the rules", p, n);

    // 1.
    const bool nonEmpty = !n.isEmpty();
    Check(MatchesPattern(QStringLiteral("*"), n) == nonEmpty, "'*' must match every non-empty name", p, n);
    Check(MatchesPattern(QStringLiteral("*.*"), n) == nonEmpty, "'*.*' must match every non-empty name", p, n);
    Check(MatchesPattern(QString(), n) == nonEmpty, "the empty pattern must match every non-empty name", p, n);

    const bool untrimmed = !p.isEmpty() && !IsTrimmed(p.back());

    // 2.
    // (A typed character of the undecodable-byte range stands for its three
    // bytes, which a name shows as three characters; the reference covers it.)
    if (untrimmed && !HasWildcard(p) && !HasRawByte(p)) {
        Check(r == (Upcase(p) == Upcase(n)), "literal pattern must match its own name only, up to case", p, n);
        Check(MatchesPattern(p, p), "literal pattern must match itself", p, n);
        if (IsAscii(p) && IsAscii(n))
            Check(r == (AsciiUpper(p) == AsciiUpper(n)), "ASCII literal must match ASCII case-insensitively", p, n);
    }

    // 3.
    if (untrimmed) {
        Check(MatchesPattern(p + QLatin1Char(' '), n) == r, "p + ' ' must behave as p", p, n);
        const bool withDot = MatchesPattern(p + QLatin1Char('.'), n);
        if (!p.endsWith(QLatin1Char('*'))) {
            Check(withDot == r, "p + '.' must behave as p when p does not end in '*'", p, n);
        } else {
            Check(!withDot || r, "p + '.' must match no more than p", p, n);
            if (!n.contains(QLatin1Char('.')))
                Check(withDot == r, "p + '.' must behave as p on names without a dot", p, n);
            const QString q = p.chopped(1);
            if (!q.endsWith(QLatin1Char('.')))
                Check(withDot == MatchesPattern(q + QLatin1Char('<'), n),
                      "a final '*' before a trimmed dot must act as '<'", p, n);
        }
    }

    // 4.
    Check(MatchesPattern(p, Upcase(n)) == r, "upper-casing the name must change nothing", p, n);
    Check(MatchesPattern(Upcase(p), n) == r, "upper-casing the pattern must change nothing", p, n);
    return 0;
}
