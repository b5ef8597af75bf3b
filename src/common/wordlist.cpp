#include "common/wordlist.h"

#include "common/searchchannel.h"
#include "common/resultline.h"

#include <limits>

namespace common {

namespace {

constexpr qsizetype kMaxCount = std::numeric_limits<int32_t>::max();

// Positions and counts are 32-bit: a text whose positions do not fit is
// refused rather than counted wrongly.
bool PositionsFit(const QString &text)
{
    return text.size() < kMaxCount;
}

} // namespace

int32_t CountWords(const QString &text, const QString &delimiter, SearchChannel &channel)
{
    if (!PositionsFit(text)) {
        ReportError(channel, procedure::CountWords);
        return 0;
    }
    // No delimiter can occur in the text: it is one word.
    if (delimiter.isEmpty())
        return 1;
    qsizetype count = 1;
    qsizetype start = 0;
    for (;;) {
        const qsizetype hit = text.indexOf(delimiter, start);
        if (hit < 0)
            return static_cast<int32_t>(count);
        if (++count > kMaxCount)
            break;
        // One character past the start of the hit, as the program
        // always counted (matters only for delimiters longer than one).
        start = hit + 1;
    }
    ReportError(channel, procedure::CountWords);
    return 0;
}

QString WordAt(const QString &text, int32_t number, const QString &delimiter, SearchChannel &channel)
{
    if (!PositionsFit(text)) {
        ReportError(channel, procedure::WordAt);
        return QString();
    }
    if (number < 1)
        return QString();
    if (delimiter.isEmpty())
        return number == 1 ? text : QString();
    qsizetype start = 0;
    for (int32_t i = 1; i < number; ++i) {
        const qsizetype hit = text.indexOf(delimiter, start);
        if (hit < 0)
            return QString(); // past the last word
        start = hit + delimiter.size();
    }
    if (start > text.size())
        return QString();
    const qsizetype hit = text.indexOf(delimiter, start);
    if (hit < 0)
        return text.mid(start);
    return text.mid(start, hit - start);
}

int32_t SplitWords(const QString &text, WordArray &words, const QString &delimiter, SearchChannel &channel)
{
    const int32_t count = CountWords(text, delimiter, channel);
    words.clear();
    if (count < 1) {
        ReportError(channel, procedure::SplitWords);
        return 0;
    }
    words.reserve(qsizetype(count) + 1);
    words.append(QString()); // index 0 is never used

    // One pass taking the words exactly as WordAt would, word
    // number by word number, without rescanning from the start each time.
    if (delimiter.isEmpty()) {
        words.append(text);
        return count;
    }
    qsizetype start = 0;
    bool ended = false;
    for (int32_t i = 1; i <= count; ++i) {
        if (ended) {
            words.append(QString());
            continue;
        }
        const qsizetype hit = text.indexOf(delimiter, start);
        if (hit < 0) {
            words.append(start > text.size() ? QString() : text.mid(start));
            ended = true;
        } else {
            words.append(text.mid(start, hit - start));
            start = hit + delimiter.size();
        }
    }
    return count;
}

QString ReplaceAll(const QString &text, const QString &target, const QString &replacement)
{
    // Only a single character can equal a single character of the text.
    if (target.size() != 1)
        return text;
    const QChar find = target.at(0);
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c == find)
            result += replacement;
        else
            result += c;
    }
    return result;
}

} // namespace common
