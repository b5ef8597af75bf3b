#pragma once
// Delimited word lists: the pattern text "a;b;c" and friends.
// Arrays are 1-based as the program has always used them; index 0 of the
// vector is unused so that words[i] is word number i.

#include <QString>
#include <QStringList>
#include <cstdint>

namespace modCommon {

// Word array addressed from 1 to the word count (element 0 is unused).
using WordArray = QStringList;

int32_t CountDelimitedWords(const QString &strText, const QString &strDelimiter);
QString GetDelimitedWord(const QString &strText, int32_t lngNumber, const QString &strDelimiter);
// Re-creates `words` with 1 + count elements; returns the count, 0 on failure.
int32_t StringToArray(const QString &strText, WordArray &words, const QString &strDelimiter);
QString ReplaceChars(const QString &strText, const QString &strFind, const QString &strReplace);

} // namespace modCommon
