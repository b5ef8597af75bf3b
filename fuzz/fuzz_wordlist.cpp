// Fuzzes the word-list helpers: CountWords, WordAt,
// SplitWords and ReplaceAll.  Properties:
//
//  - one-character delimiter d: the count is the number of d in the text
//    plus one; SplitWords returns that count, fills indexes 1..count,
//    no word holds d, and the words joined with d give back the text;
//    WordAt(i) is word i;
//  - longer delimiter: the count is one plus the number of places where the
//    delimiter starts, overlapping ones included (the search resumes one
//    character past the start of a hit); the words are those of a
//    left-to-right split without overlaps, followed by empty words up to
//    the count;
//  - empty delimiter: one word, the whole text;
//  - ReplaceAll replaces every occurrence of a one-character find, leaves
//    the text alone for any other find, and never fails on these sizes.
//
// Input: mode byte (bit 0: UTF-16; bits 1-2: delimiter kind ";", the
// text's first character, its first two or three characters, or empty),
// then the text, optionally NUL and a replacement string.

#include "fuzzinput.h"

#include "common/searchchannel.h"
#include "common/wordlist.h"

#include <QStringList>

using fuzzinput::Bytes;
using fuzzinput::Check;
using namespace common;

namespace {

// Any report line is a failure: nothing in these sizes may fail.
class FailingChannel : public SearchChannel {
public:
    void AppendLine(const QString &line) override { fuzzinput::Fail("unexpected report", line, QString()); }
    bool StopRequested() const override { return false; }
    void Yield() override {}
    void SetStatus(const QString &) override {}
};

FailingChannel g_channel;

qsizetype OverlappingHits(const QString &text, const QString &d)
{
    qsizetype hits = 0;
    for (qsizetype at = text.indexOf(d); at >= 0; at = text.indexOf(d, at + 1))
        ++hits;
    return hits;
}

void CheckSplit(const QString &text, const QString &d)
{
    const int32_t count = CountWords(text, d, g_channel);
    WordArray words;
    words << QStringLiteral("stale") << QStringLiteral("stale");
    const int32_t stored = SplitWords(text, words, d, g_channel);
    Check(stored == count, "StringToArray must return the word count", text, d);
    Check(words.size() == qsizetype(count) + 1, "word array must hold indexes 1..count", text, d);

    if (d.isEmpty()) {
        Check(count == 1 && words.at(1) == text, "empty delimiter: one word, the whole text", text, d);
        Check(WordAt(text, 1, d, g_channel) == text, "empty delimiter: word 1 is the text", text, d);
        return;
    }
    Check(count == OverlappingHits(text, d) + 1, "count must be overlapping hits + 1", text, d);

    const QStringList split = text.split(d);
    for (int32_t i = 1; i <= count; ++i) {
        const QString expected = i <= split.size() ? split.at(i - 1) : QString();
        Check(words.at(i) == expected, "word differs from a plain split", text, words.at(i));
        Check(!words.at(i).contains(d), "a word holds the delimiter", text, words.at(i));
    }
    if (d.size() == 1)
        Check(QStringList(words.mid(1)).join(d) == text, "words joined with the delimiter must give the text", text, d);

    // WordAt rescans from the start: check a bounded selection.
    for (int32_t i = 1; i <= count; i = i < 16 ? i + 1 : i * 2)
        Check(WordAt(text, i, d, g_channel) == words.at(i), "GetDelimitedWord differs from StringToArray", text, words.at(i));
    Check(WordAt(text, count, d, g_channel) == words.at(count), "last word differs", text, d);
}

void CheckReplace(const QString &text, const QString &find, const QString &replacement)
{
    const QString got = ReplaceAll(text, find, replacement);
    if (find.size() != 1) {
        Check(got == text, "a find of length != 1 must leave the text unchanged", text, find);
        return;
    }
    QString expected = text;
    expected.replace(find.at(0), replacement);
    Check(got == expected, "ReplaceChars must replace every occurrence", text, got);
    if (!replacement.contains(find.at(0)))
        Check(!got.contains(find.at(0)), "a replaced character is left", text, got);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool utf16 = data[0] & 1;
    const int kind = (data[0] >> 1) & 3;
    Bytes textBytes, replacementBytes;
    fuzzinput::SplitAtNul(Bytes{data + 1, size - 1}, utf16, textBytes, replacementBytes);
    const QString text = fuzzinput::Decode(textBytes, utf16);
    const QString replacement = fuzzinput::Decode(replacementBytes, utf16);

    QString d;
    switch (kind) {
    case 0: d = QStringLiteral(";"); break;
    case 1: d = text.left(1); break;
    case 2: d = text.left(2 + (data[0] >> 3 & 1)); break;
    default: break; // empty
    }
    CheckSplit(text, d);
    if (kind == 1 && !d.isEmpty())
        CheckSplit(text.mid(1), d);   // the same character, not at the start

    CheckReplace(text, QStringLiteral("/"), QStringLiteral("￥"));
    CheckReplace(text, QStringLiteral(":"), QStringLiteral("："));
    CheckReplace(text, text.left(1), replacement);
    CheckReplace(text, text.left(2), replacement);
    CheckReplace(text, QString(), replacement);
    return 0;
}
