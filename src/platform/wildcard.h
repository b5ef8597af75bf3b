#pragma once
// Compiled wildcard pattern with Windows long-name semantics, shared by
// MatchesPattern() and the directory listing (which compiles the pattern once
// and then tests every entry of a folder against it).

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {
namespace detail {

// A pattern of blanks and dots only: trimmed of its trailing blanks and
// dots it is empty, and matches no name (the empty pattern itself lists
// everything).
bool PatternMatchesNothing(const QString &pattern);

// Upper case of one UTF-16 unit the way NTFS compares names: simple Unicode
// upper case, one unit to one unit, without the mappings that would turn a
// letter into another script's letter (or a non-ASCII letter into ASCII).
// Inline with an ASCII shortcut: every name of a search goes through it.
const char16_t *UpcaseMap();   // all 65,536 units
inline char16_t UpcaseUnit(char16_t c)
{
    if (c < 0x80)
        return (c >= u'a' && c <= u'z') ? char16_t(c - (u'a' - u'A')) : c;
    return UpcaseMap()[c];
}

class WildcardPattern {
public:
    explicit WildcardPattern(const QString &pattern);

    bool Matches(const QChar *name, size_t length) const;
    bool Matches(const QString &name) const
    {
        return Matches(name.constData(), size_t(name.size()));
    }

private:
    enum class Kind : uint8_t {
        Literal,  // one character, already upper-cased
        Star,     // any run, dots included
        DosStar,  // any run that does not consume the name's last dot
        DosQm,    // one non-dot character, or nothing before a dot / at the end
        DosDot,   // a dot, or nothing at the end of the name
    };
    struct Token {
        Kind kind;
        char16_t ch;
    };
    enum class Mode : uint8_t {
        Nothing,
        Everything,
        Suffix,     // "*" or a DOS star, then plain characters: "*.txt"
        Contains,   // "*", plain characters, "*": "*DATA*"
        Tokens,     // anything else, through the automaton
    };
    bool MatchesTokens(const QChar *name, size_t length) const;

    Mode m_mode = Mode::Nothing;
    bool m_dosStar = false;         // Suffix: the star may not take the last dot
    std::vector<char16_t> m_plain;  // Suffix, Contains: the characters, upper case
    std::vector<Token> m_tokens;
    // Scratch state sets of the matcher, kept so that matching a whole folder
    // does not allocate per name.
    mutable std::vector<uint8_t> m_cur;
    mutable std::vector<uint8_t> m_next;
};

} // namespace detail
} // namespace platform
