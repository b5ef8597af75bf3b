#include "common/wordlist.h"

#include "common/host.h"

#include <limits>

namespace modCommon {

namespace {

constexpr qsizetype kMaxCount = std::numeric_limits<int32_t>::max();

// Positions and counts are 32-bit: a text whose positions do not fit is
// refused rather than counted wrongly.
bool PositionsFit(const QString &strText)
{
    return strText.size() < kMaxCount;
}

} // namespace

int32_t CountDelimitedWords(const QString &strText, const QString &strDelimiter)
{
    try {
        if (!PositionsFit(strText)) {
            ReportError("CountDelimitedWords");
            return 0;
        }
        // No delimiter can occur in the text: it is one word.
        if (strDelimiter.isEmpty())
            return 1;
        qsizetype count = 1;
        qsizetype start = 0;
        for (;;) {
            const qsizetype hit = strText.indexOf(strDelimiter, start);
            if (hit < 0)
                return static_cast<int32_t>(count);
            if (++count > kMaxCount)
                break;
            // One character past the start of the hit, as the program
            // always counted (matters only for delimiters longer than one).
            start = hit + 1;
        }
    } catch (...) {
    }
    ReportError("CountDelimitedWords");
    return 0;
}

QString GetDelimitedWord(const QString &strText, int32_t lngNumber, const QString &strDelimiter)
{
    try {
        if (!PositionsFit(strText)) {
            ReportError("GetDelimitedWord");
            return QString();
        }
        if (lngNumber < 1)
            return QString();
        if (strDelimiter.isEmpty())
            return lngNumber == 1 ? strText : QString();
        qsizetype start = 0;
        for (int32_t i = 1; i < lngNumber; ++i) {
            const qsizetype hit = strText.indexOf(strDelimiter, start);
            if (hit < 0)
                return QString(); // past the last word
            start = hit + strDelimiter.size();
        }
        if (start > strText.size())
            return QString();
        const qsizetype hit = strText.indexOf(strDelimiter, start);
        if (hit < 0)
            return strText.mid(start);
        return strText.mid(start, hit - start);
    } catch (...) {
        ReportError("GetDelimitedWord");
        return QString();
    }
}

int32_t StringToArray(const QString &strText, WordArray &words, const QString &strDelimiter)
{
    try {
        const int32_t count = CountDelimitedWords(strText, strDelimiter);
        words.clear();
        if (count < 1) {
            ReportError("StringToArray");
            return 0;
        }
        words.reserve(qsizetype(count) + 1);
        words.append(QString()); // index 0 is never used

        // One pass taking the words exactly as GetDelimitedWord would, word
        // number by word number, without rescanning from the start each time.
        if (strDelimiter.isEmpty()) {
            words.append(strText);
            return count;
        }
        qsizetype start = 0;
        bool ended = false;
        for (int32_t i = 1; i <= count; ++i) {
            if (ended) {
                words.append(QString());
                continue;
            }
            const qsizetype hit = strText.indexOf(strDelimiter, start);
            if (hit < 0) {
                words.append(start > strText.size() ? QString() : strText.mid(start));
                ended = true;
            } else {
                words.append(strText.mid(start, hit - start));
                start = hit + strDelimiter.size();
            }
        }
        return count;
    } catch (...) {
        ReportError("StringToArray");
        return 0;
    }
}

QString ReplaceChars(const QString &strText, const QString &strFind, const QString &strReplace)
{
    try {
        // Only a single character can equal a single character of the text.
        if (strFind.size() != 1)
            return strText;
        const QChar find = strFind.at(0);
        QString result;
        result.reserve(strText.size());
        for (const QChar c : strText) {
            if (c == find)
                result += strReplace;
            else
                result += c;
        }
        return result;
    } catch (...) {
        ReportError("ReplaceChars");
        return QString();
    }
}

} // namespace modCommon
