#pragma once
// Turns the fuzzer's bytes into the strings the targets hand to the program.
//
// Every input starts with one mode byte.  Its lowest bit picks how the rest
// is read: 0 = UTF-8 (invalid sequences become U+FFFD; the seed files stay
// readable), 1 = raw UTF-16LE code units (reaches every unit, lone
// surrogates included).  The other bits are left to each target.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>

namespace fuzzinput {

struct Bytes {
    const uint8_t *data;
    size_t size;
};

inline QString Decode(Bytes b, bool utf16)
{
    if (utf16) {
        QString s;
        s.reserve(qsizetype(b.size / 2));
        for (size_t i = 0; i + 1 < b.size; i += 2)
            s.append(QChar(char16_t(b.data[i] | (b.data[i + 1] << 8))));
        return s;
    }
    return QString::fromUtf8(reinterpret_cast<const char *>(b.data), qsizetype(b.size));
}

// Splits `b` at its first NUL (a zero byte, or a zero unit when reading
// UTF-16) into the part before and the part after; without one, `second`
// is empty.  Neither part can hold U+0000, which no file name or pattern
// the program sees holds either.
inline void SplitAtNul(Bytes b, bool utf16, Bytes &first, Bytes &second)
{
    const size_t step = utf16 ? 2 : 1;
    for (size_t i = 0; i + step <= b.size; i += step) {
        if (b.data[i] == 0 && (!utf16 || b.data[i + 1] == 0)) {
            first = Bytes{b.data, i};
            second = Bytes{b.data + i + step, b.size - i - step};
            return;
        }
    }
    first = b;
    second = Bytes{b.data + b.size, 0};
}

// A broken property is a crash for the fuzzer: report it and abort, so that
// the input is kept as an artifact.
[[noreturn]] inline void Fail(const char *what, const QString &a, const QString &b)
{
    std::fprintf(stderr, "property broken: %s\n  first:  \"%s\"\n  second: \"%s\"\n", what,
                 qUtf8Printable(a), qUtf8Printable(b));
    std::abort();
}

inline void Check(bool ok, const char *what, const QString &a = QString(), const QString &b = QString())
{
    if (!ok)
        Fail(what, a, b);
}

} // namespace fuzzinput
