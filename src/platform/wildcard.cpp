#include "platform/wildcard.h"

#include "platform/nativepath.h"

#include <QChar>
#include <QStringView>
#include <algorithm>
#include <cstddef>

namespace platform {
namespace detail {

namespace {

struct UpcaseTable {
    char16_t map[0x10000];

    UpcaseTable()
    {
        for (char32_t c = 0; c < 0x10000; ++c) {
            char32_t up = QChar::toUpper(c);
            // NTFS keeps a letter whose upper case lives in another script
            // (micro sign -> Greek Mu, combining ypogegrammeni -> Greek Iota)
            // or would turn a non-ASCII letter into ASCII (dotless i -> I,
            // long s -> S); "k" vs the Kelvin sign follows from the same
            // one-way mapping.
            if (up > 0xFFFF || (c >= 0x80 && up < 0x80)
                || QChar::script(c) != QChar::script(up)) {
                up = c;
            }
            map[c] = char16_t(up);
        }
    }
};

const UpcaseTable &Table()
{
    static const UpcaseTable table;
    return table;
}

} // namespace

const char16_t *UpcaseMap()
{
    return Table().map;
}

WildcardPattern::WildcardPattern(const QString &pattern)
{
    // The empty pattern lists a whole folder, as "*" does.
    if (pattern.isEmpty()) {
        m_mode = Mode::Everything;
        return;
    }
    const bool endedWithDot = pattern.back() == QLatin1Char('.');
    qsizetype len = pattern.size();
    while (len > 0 && (pattern[len - 1] == QLatin1Char(' ') || pattern[len - 1] == QLatin1Char('.')))
        --len;
    if (len == 0) {
        m_mode = Mode::Nothing;
        return;
    }
    const QStringView text(pattern.constData(), len);
    if (text == u"*.*") {
        m_mode = Mode::Everything;
        return;
    }

    m_tokens.reserve(size_t(len));
    for (qsizetype i = 0; i < len; ++i) {
        const char16_t c = text[i].unicode();
        const char16_t next = i + 1 < len ? text[i + 1].unicode() : char16_t(0);
        Token token{Kind::Literal, c};
        switch (c) {
        case u'*':
            // "*." stops at the last dot; so does a final "*" whose dot was
            // trimmed away ("*." = names without a dot).
            if (next == u'.' || (i + 1 == len && endedWithDot))
                token.kind = Kind::DosStar;
            else
                token.kind = Kind::Star;
            break;
        case u'?':
        case u'>':
            token.kind = Kind::DosQm;
            break;
        case u'.':
            if (next == u'?' || next == u'*')
                token.kind = Kind::DosDot;
            break;
        case u'<':
            token.kind = Kind::DosStar;
            break;
        case u'"':
            token.kind = Kind::DosDot;
            break;
        default:
            if (IsRawByte(c)) {
                // A character of the escape range, typed: names hold it as
                // its three UTF-8 bytes, each escaped (see nativepath.h).
                const uchar bytes[] = {uchar(0xE0 | (c >> 12)), uchar(0x80 | ((c >> 6) & 0x3F)),
                                       uchar(0x80 | (c & 0x3F))};
                for (const uchar b : bytes)
                    m_tokens.push_back(Token{Kind::Literal, char16_t(RawByteBase + b)});
                continue;
            }
            token.ch = UpcaseUnit(c);
            break;
        }
        // "**" is "*"; folding runs keeps long star runs cheap.
        if (token.kind == Kind::Star && !m_tokens.empty() && m_tokens.back().kind == Kind::Star)
            continue;
        m_tokens.push_back(token);
    }
    m_mode = Mode::Tokens;

    // The usual patterns are a star and plain characters, or plain
    // characters between two stars; they are compared directly, without
    // the automaton.
    const auto plain = [this](size_t from, size_t to) {
        for (size_t j = from; j < to; ++j) {
            if (m_tokens[j].kind != Kind::Literal)
                return false;
        }
        return to > from;
    };
    const size_t m = m_tokens.size();
    const Kind first = m_tokens.front().kind;
    if ((first == Kind::Star || first == Kind::DosStar) && plain(1, m)) {
        m_mode = Mode::Suffix;
        m_dosStar = first == Kind::DosStar;
    } else if (m >= 3 && first == Kind::Star && m_tokens.back().kind == Kind::Star && plain(1, m - 1)) {
        m_mode = Mode::Contains;
    }
    if (m_mode != Mode::Tokens) {
        for (const Token &t : m_tokens) {
            if (t.kind == Kind::Literal)
                m_plain.push_back(t.ch);
        }
    }
}

bool WildcardPattern::Matches(const QChar *name, size_t n) const
{
    // No entry has an empty name; like the classic matcher, nothing matches it.
    if (n == 0)
        return false;
    const size_t k = m_plain.size();
    switch (m_mode) {
    case Mode::Nothing:
        return false;
    case Mode::Everything:
        return true;
    case Mode::Suffix: {
        if (n < k)
            return false;
        const size_t start = n - k;
        for (size_t j = 0; j < k; ++j) {
            if (UpcaseUnit(name[start + j].unicode()) != m_plain[j])
                return false;
        }
        // A DOS star takes no dot at all when the characters after it hold
        // none: the name's last dot would be among what it takes.
        if (m_dosStar && std::find(m_plain.begin(), m_plain.end(), u'.') == m_plain.end()) {
            for (size_t i = 0; i < start; ++i) {
                if (name[i] == QLatin1Char('.'))
                    return false;
            }
        }
        return true;
    }
    case Mode::Contains:
        for (size_t i = 0; i + k <= n; ++i) {
            size_t j = 0;
            while (j < k && UpcaseUnit(name[i + j].unicode()) == m_plain[j])
                ++j;
            if (j == k)
                return true;
        }
        return false;
    case Mode::Tokens:
        break;
    }
    return MatchesTokens(name, n);
}

bool WildcardPattern::MatchesTokens(const QChar *name, size_t n) const
{

    const size_t m = m_tokens.size();
    size_t lastDot = n; // n = the name has no dot
    for (size_t i = n; i-- > 0;) {
        if (name[i] == QLatin1Char('.')) {
            lastDot = i;
            break;
        }
    }

    // Set simulation of the pattern automaton: m_cur[j] means "the first i
    // characters of the name can be matched by the first j tokens".  Each
    // step is linear in the pattern, so the whole match is O(n * m).
    m_cur.assign(m + 1, 0);
    m_next.assign(m + 1, 0);
    m_cur[0] = 1;
    size_t lo = 0, hi = 0; // active states lie in [lo, hi]

    for (size_t i = 0;; ++i) {
        const bool atEnd = i == n;
        const char16_t raw = atEnd ? char16_t(0) : name[i].unicode();
        const bool dot = !atEnd && raw == u'.';

        // Tokens that may match nothing here; states only move forward, so
        // one ascending pass closes the set.
        for (size_t j = lo; j <= hi && j < m; ++j) {
            if (!m_cur[j])
                continue;
            bool empty = false;
            switch (m_tokens[j].kind) {
            case Kind::Star:
            case Kind::DosStar:
                empty = true;
                break;
            case Kind::DosQm:
                empty = atEnd || dot;
                break;
            case Kind::DosDot:
                empty = atEnd;
                break;
            case Kind::Literal:
                break;
            }
            if (empty) {
                m_cur[j + 1] = 1;
                hi = std::max(hi, j + 1);
            }
        }
        if (atEnd)
            return m_cur[m] != 0;

        const char16_t c = UpcaseUnit(raw);
        size_t nextLo = m + 1, nextHi = 0;
        for (size_t j = lo; j <= hi; ++j) {
            if (!m_cur[j])
                continue;
            m_cur[j] = 0;
            if (j == m)
                continue;
            const Token &t = m_tokens[j];
            bool ok = false;
            size_t to = j + 1;
            switch (t.kind) {
            case Kind::Star:
                ok = true;
                to = j;
                break;
            case Kind::DosStar:
                ok = i != lastDot;
                to = j;
                break;
            case Kind::DosQm:
                ok = !dot;
                break;
            case Kind::DosDot:
                ok = dot;
                break;
            case Kind::Literal:
                ok = t.ch == c;
                break;
            }
            if (ok) {
                m_next[to] = 1;
                nextLo = std::min(nextLo, to);
                nextHi = std::max(nextHi, to);
            }
        }
        if (nextLo > m)
            return false;
        m_cur.swap(m_next);
        lo = nextLo;
        hi = nextHi;
    }
}

bool PatternMatchesNothing(const QString &pattern)
{
    if (pattern.isEmpty())
        return false;
    for (const QChar c : pattern) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('.'))
            return false;
    }
    return true;
}

} // namespace detail
} // namespace platform
