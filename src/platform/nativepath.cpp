#include "platform/nativepath.h"

namespace platform {

namespace {

// Length of the well-formed UTF-8 sequence at `s` (at most `n` bytes
// available) and its code point, or 0 when the first byte starts none:
// no overlong forms, no surrogates, nothing above U+10FFFF.
int SequenceAt(const uchar *s, qsizetype n, char32_t *code)
{
    const uchar b = s[0];
    int length;
    uchar low = 0x80, high = 0xBF;   // range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0)
            low = 0xA0;
        else if (b == 0xED)
            high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0)
            low = 0x90;
        else if (b == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (n < length || s[1] < low || s[1] > high)
        return 0;
    char32_t c = b & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (s[i] & 0x3F);
    }
    *code = c;
    return length;
}

// Decodes `bytes` into `d`, which has room for `size` units (never more
// units than bytes); an undecodable byte becomes its escape, or U+FFFD when
// `shown`.  Returns the number of units written.  Touches nothing shared.
qsizetype DecodeInto(const char *bytes, qsizetype size, bool shown, char16_t *d)
{
    const auto *s = reinterpret_cast<const uchar *>(bytes);
    qsizetype i = 0;
    qsizetype o = 0;
    while (i < size) {
        const uchar b = s[i];
        if (b < 0x80) {
            d[o++] = char16_t(b);
            ++i;
            continue;
        }
        char32_t c = 0;
        const int length = SequenceAt(s + i, size - i, &c);
        if (length > 0 && (shown || !detail::IsRawByte(char16_t(c)) || c > 0xFFFF)) {
            if (c > 0xFFFF) {
                d[o++] = QChar::highSurrogate(c);
                d[o++] = QChar::lowSurrogate(c);
            } else {
                d[o++] = char16_t(c);
            }
            i += length;
            continue;
        }
        // Not a character, or one that reads as an escape: byte by byte.
        const int count = length > 0 ? length : 1;
        for (int k = 0; k < count; ++k)
            d[o++] = shown ? char16_t(QChar::ReplacementCharacter) : char16_t(detail::RawByteBase + s[i + k]);
        i += count;
    }
    return o;
}

QString Decode(const char *bytes, qsizetype size, bool shown)
{
    const auto *s = reinterpret_cast<const uchar *>(bytes);
    qsizetype i = 0;
    while (i < size && s[i] < 0x80)
        ++i;
    if (i == size)
        return QString::fromLatin1(bytes, size);
    QString out(size, Qt::Uninitialized);
    out.truncate(DecodeInto(bytes, size, shown, reinterpret_cast<char16_t *>(out.data())));
    return out;
}

bool HasRawByte(const QString &text)
{
    for (const QChar c : text) {
        if (detail::IsRawByte(c.unicode()))
            return true;
    }
    return false;
}

QByteArray Encode(const QString &text)
{
    if (!HasRawByte(text))
        return text.toUtf8();
    QByteArray out;
    out.reserve(text.size() * 3);
    const QChar *p = text.constData();
    const qsizetype n = text.size();
    qsizetype run = 0;   // start of the text not yet encoded
    for (qsizetype i = 0; i < n; ++i) {
        if (!detail::IsRawByte(p[i].unicode()))
            continue;
        out += QStringView(p + run, i - run).toUtf8();
        out += char(p[i].unicode() - detail::RawByteBase);
        run = i + 1;
    }
    out += QStringView(p + run, n - run).toUtf8();
    return out;
}

} // namespace

QString FromNative(const char *bytes, qsizetype size)
{
    return Decode(bytes, size, false);
}

QString ShownText(const QString &text)
{
    if (!HasRawByte(text))
        return text;
    const QByteArray bytes = Encode(text);
    return Decode(bytes.constData(), bytes.size(), true);
}

int RawByteOf(QChar c)
{
    return detail::IsRawByte(c.unicode()) ? int(c.unicode() - detail::RawByteBase) : -1;
}

QChar RawByteChar(uchar byte)
{
    return QChar(char16_t(detail::RawByteBase + byte));
}

QUrl LocalFileUrl(const QString &path)
{
    QByteArray native;
    if (!detail::ToNative(path, native))
        return QUrl();
    // "file:name" for a relative path, as QUrl::fromLocalFile() makes it.
    const QByteArray scheme = native.startsWith('/') ? "file://" : "file:";
    return QUrl::fromEncoded(scheme + native.toPercentEncoding("/"), QUrl::StrictMode);
}

namespace detail {

void AppendDecoded(const char *bytes, qsizetype size, std::vector<char16_t> &out)
{
    const size_t at = out.size();
    out.resize(at + size_t(size));
    out.resize(at + size_t(DecodeInto(bytes, size, false, out.data() + at)));
}

bool ToNative(const QString &path, QByteArray &out)
{
    if (path.contains(QChar(0)))
        return false;
    out = Encode(path);
    return true;
}

} // namespace detail
} // namespace platform
