// Fuzzes the one-line form of result lines (common::EncodeLine and
// DecodeLine) and the reading of a line's path.  Properties:
//
//  - every line comes back from its encoded form unchanged;
//  - the encoded form holds no control character, no line or paragraph
//    separator and no character that stands for a byte of a name that is
//    not UTF-8: it is one line of printable text;
//  - decoding any text ends, and a text without a backslash is its own
//    decoding;
//  - a hit's or copy's path starts with "/", and what opening a line opens
//    is the path whenever the line names one.
//
// Input: mode byte (bit 0: UTF-16; bit 1: the rest is a name's raw bytes
// as the file system gives them, undecodable bytes included), then the text.

#include "fuzzinput.h"

#include "common/resultline.h"
#include "platform/nativepath.h"

using fuzzinput::Bytes;
using fuzzinput::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool utf16 = data[0] & 1;
    const bool raw = data[0] & 2;
    const Bytes rest{data + 1, size - 1};
    const QString line = raw ? platform::FromNative(reinterpret_cast<const char *>(rest.data), qsizetype(rest.size))
                             : fuzzinput::Decode(rest, utf16);

    const QString encoded = common::EncodeLine(line);
    bool ok = false;
    Check(common::DecodeLine(encoded, &ok) == line, "a line must come back from its encoded form", line, encoded);
    Check(ok, "an encoded line must decode without complaint", line, encoded);
    for (const QChar c : encoded) {
        const char16_t u = c.unicode();
        Check(u >= 0x20 && !(u >= 0x7F && u <= 0x9F) && u != 0x2028 && u != 0x2029 && platform::RawByteOf(c) < 0,
              "the encoded form must be printable text on one line", line, encoded);
    }

    // The input itself read as an encoded text.
    const QString decoded = common::DecodeLine(line);
    if (!line.contains(QLatin1Char('\\')))
        Check(decoded == line, "a text without a backslash must be its own decoding", line, decoded);

    const QString path = common::PathOfLine(line);
    const common::LineKind kind = common::KindOfLine(line);
    if (kind == common::LineKind::Hit || kind == common::LineKind::Copy)
        Check(path.startsWith(QLatin1Char('/')), "a hit's or copy's path must start with /", line, path);
    if (!path.isEmpty())
        Check(common::TargetOfLine(line) == path, "a line's target must be the path it names", line, path);
    return 0;
}
