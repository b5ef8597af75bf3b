#pragma once
// Names and paths as the program carries them, and their conversion to and
// from the byte strings the system calls take.
//
// The file system holds names as bytes, and not every name is valid UTF-8
// (Shift_JIS or EUC-JP names from old disks, shares and archives).  Such a
// name is carried losslessly in a QString: valid UTF-8 sequences become
// their characters, and every byte that is not part of one becomes one
// character of the private-use range U+EF80..U+EFFF (byte 0xXY -> U+EFXY;
// only bytes 0x80..0xFF can be undecodable).  A valid name that itself
// holds a character of that range has the three bytes of that character
// escaped the same way, so the escape never collides with text and every
// byte string comes back unchanged.  Only this layer turns the escapes back
// into bytes; above it they are one character each, which a wildcard
// pattern matches only with '?' or '*', and which ShownText() turns into
// U+FFFD wherever a name is shown to the user.

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <vector>

namespace platform {

// The name or path that the system gave as `bytes`, carried as above.
QString FromNative(const char *bytes, qsizetype size);
inline QString FromNative(const QByteArray &bytes)
{
    return FromNative(bytes.constData(), bytes.size());
}

// `text` as the user sees it: each undecodable byte as U+FFFD.
QString ShownText(const QString &text);

// A file URL that names exactly the file at `path` (its bytes
// percent-encoded), for handing a path to the desktop.
QUrl LocalFileUrl(const QString &path);

// The undecodable byte (0x80..0xFF) that `c` carries, or -1 when `c` is a
// character of text.
int RawByteOf(QChar c);
// The character that carries the undecodable byte `byte` (0x80..0xFF).
QChar RawByteChar(uchar byte);

namespace detail {

constexpr char16_t RawByteBase = 0xEF00;

inline bool IsRawByte(char16_t c)
{
    return c >= RawByteBase + 0x80 && c <= RawByteBase + 0xFF;
}

// Appends the units of the name that the system gave as `bytes`, carried as
// above, to `out`.  Pure: safe on any thread.
void AppendDecoded(const char *bytes, qsizetype size, std::vector<char16_t> &out);

// Encodes `path` for a system call.  A path holding a NUL character is
// refused: the call would silently act on the shorter path before it.
bool ToNative(const QString &path, QByteArray &out);

} // namespace detail
} // namespace platform
