#pragma once
// Delimited word lists: the pattern text "a;b;c" and friends.
// Arrays are 1-based as the program has always used them; index 0 of the
// vector is unused so that words[i] is word number i.

#include "common/searchchannel.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace common {

// Word array addressed from 1 to the word count (element 0 is unused).
using WordArray = QStringList;

// Each reports its own failure (a text too long to count) through `channel`.
int32_t CountWords(const QString &text, const QString &delimiter, SearchChannel &channel = SilentChannel());
QString WordAt(const QString &text, int32_t number, const QString &delimiter,
               SearchChannel &channel = SilentChannel());
// Re-creates `words` with 1 + count elements; returns the count, 0 on failure.
int32_t SplitWords(const QString &text, WordArray &words, const QString &delimiter,
                   SearchChannel &channel = SilentChannel());
QString ReplaceAll(const QString &text, const QString &target, const QString &replacement);

} // namespace common
