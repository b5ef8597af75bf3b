// Windows long-name wildcard matching, checked as a pure function.

#include "platform/listing.h"

#include <QtTest>

using platform::MatchesPattern;

class TstMatchPattern : public QObject {
    Q_OBJECT

private:
    static void Row(const QString &pattern, const QString &name, bool expected)
    {
        QTest::addRow("'%s' ~ '%s'", qUtf8Printable(pattern), qUtf8Printable(name))
            << pattern << name << expected;
    }
    static void Columns()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("expected");
    }
    static void Check()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, expected);
        QCOMPARE(MatchesPattern(pattern, name), expected);
    }

private slots:
    void stars_data();
    void stars() { Check(); }
    void questionMarks_data();
    void questionMarks() { Check(); }
    void dots_data();
    void dots() { Check(); }
    void trailingTrim_data();
    void trailingTrim() { Check(); }
    void caseFolding_data();
    void caseFolding() { Check(); }
    void ordinaryCharacters_data();
    void ordinaryCharacters() { Check(); }
    void dosWildcards_data();
    void dosWildcards() { Check(); }
    void emptyStrings_data();
    void emptyStrings() { Check(); }

    void longInputsFinish();
};

void TstMatchPattern::stars_data()
{
    Columns();
    // "*.*" takes every name, dotless ones included.
    Row("*.*", "a", true);
    Row("*.*", "a.b", true);
    Row("*.*", "a.b.c", true);
    Row("*.*", ".profile", true);
    Row("*.*", ".", true);
    Row("*.*", "..", true);
    // "*" takes any run, dots too.
    Row("*", "a", true);
    Row("*", "a.b.c", true);
    Row("*", ".", true);
    Row("*", "...", true);
    Row("a*", "a", true);
    Row("a*", "a.b.c", true);
    Row("a*", "ba", false);
    Row("*b", "a.b", true);
    Row("*b", "ab.c", false);
    Row("a*b", "a.x.b", true);
    Row("*a*", "b.a", true);
    Row("*a*", "bbb", false);
    Row("**", "x.y", true);
    Row("*?", "a", true);
    // "*" before a dot stops at the last dot: "*.txt" is "last extension txt".
    Row("*.txt", "a.txt", true);
    Row("*.txt", "a.TXT", true);
    Row("*.txt", "a.b.txt", true);
    Row("*.txt", ".txt", true);
    Row("*.txt", "a.txt.bak", false);
    Row("*.txt", "txt", false);
    Row("*.txt", "a.txtx", false);
    Row("*.txt", "a.tx", false);
    Row("*.gz", "a.tar.gz", true);
    Row("*.tar", "a.tar.gz", false);
    Row("*.tar.*", "a.tar.gz", true);
    Row("*.tar.*", "a.tar", true);
    Row("*.bashrc", ".bashrc", true);
    Row("*a.txt", "a.a.txt", true);
    Row("*.*.*", "a", true);
    Row("*.*.*", "a.b.c.d", true);
    Row("a*.*", "a", true);
    Row("a*.*", "ab.c", true);
    Row("a*.*", "b.c", false);
    // "*." is "no dot in the name".
    Row("*.", "abc", true);
    Row("*.", "a.b", false);
    Row("*.", ".profile", false);
    Row("*.", ".", false);
}

void TstMatchPattern::questionMarks_data()
{
    Columns();
    Row("?", "a", true);
    Row("?", "ab", false);
    Row("?", ".", false);
    Row("?", ".a", false);
    Row("?", "é", true);
    // "?" may match nothing at the end of the name or before a dot...
    Row("a?", "a", true);
    Row("a?", "ab", true);
    Row("a?", "abc", false);
    Row("a?", "a.", false);
    Row("??", "a", true);
    Row("??", "ab", true);
    Row("??", "abc", false);
    Row("?.txt", ".txt", true);
    Row("?.txt", "a.txt", true);
    Row("?.txt", "ab.txt", false);
    Row("a??.b", "a.b", true);
    Row("a??.b", "axy.b", true);
    // ...but never a dot itself.
    Row("a?c", "abc", true);
    Row("a?c", "a.c", false);
    Row("a?c", "ac", false);
    Row("?a", ".a", false);
    Row("?bashrc", ".bashrc", false);
    Row("*.t?t", "a.txt", true);
    Row("*.t?t", "a.tXt", true);
    Row("*.t?t", "a.tt", false);
    Row("*.t?t", "a.t.t", false);
    Row("*.t?t", "a.b.txt", true);
}

void TstMatchPattern::dots_data()
{
    Columns();
    // A dot before a wildcard may match the very end of the name.
    Row("a.*", "a", true);
    Row("a.*", "a.", true);
    Row("a.*", "a.b", true);
    Row("a.*", "a.b.c", true);
    Row("a.*", "ab", false);
    Row("a.?", "a", true);
    Row("a.?", "a.b", true);
    Row("a.?", "ab", false);
    Row("a.??", "a.bc", true);
    Row(".*", "a.a", false);
    Row(".*", ".a", true);
    Row(".*", ".", true);
    Row(".*", "..", true);
    // A dot before anything else is a plain dot.
    Row("a.b", "a.b", true);
    Row("a.b", "ab", false);
    Row("a.b", "a", false);
    Row(".bashrc", ".bashrc", true);
    Row(".bashrc", "bashrc", false);
    Row("a.b.c", "a.b.c", true);
}

void TstMatchPattern::trailingTrim_data()
{
    Columns();
    Row("a.", "a", true);
    Row("a.", "a.", false);
    Row("a ", "a", true);
    Row("a. . ", "a", true);
    Row("a.b.", "a.b", true);
    Row(" a", "a", false);
    Row(" a", " a", true);
    // Trimmed to nothing: matches nothing at all.
    Row(" ", " ", false);
    Row(".", ".", false);
    Row("..", "..", false);
    Row(". .", "a", false);
    // A final "*" whose dot was trimmed stops at the last dot.
    Row("a*.", "abc", true);
    Row("a*.", "a.b", false);
    Row("a*.", "b", false);
    Row("*..", "abc", true);
    Row("*..", "a.b", false);
    Row("a.*.", "a.b", true);
    Row("a.*.", "a", true);
    // Only a pattern ending in a dot gets that treatment.
    Row("*. ", "a.b", true);
    Row("*.*.", "a", true);
    Row("*.*.", "a.b.c", true);
}

void TstMatchPattern::caseFolding_data()
{
    Columns();
    Row("ABC", "abc", true);
    Row("abc", "ABC", true);
    Row("*.TXT", "memo.txt", true);
    Row("é", "É", true);
    Row("é", "e", false);
    Row("я", "Я", true);
    Row("σ", "Σ", true);
    Row("ς", "σ", true);
    Row("ǆ", "ǅ", true);
    Row("日本語.txt", "日本語.TXT", true);
    // Full-width letters fold among themselves, never to ASCII.
    Row("Ａ", "ａ", true);
    Row("Ａ", "A", false);
    Row("ａ", "a", false);
    Row("ア", "ｱ", false);
    Row("あ", "ア", false);
    // One unit to one unit: no "SS" for the sharp s.
    Row("ß", "ß", true);
    Row("ß", "SS", false);
    Row("ss", "ß", false);
    Row("ẞ", "ß", false);
    // Letters whose upper case would be another script's letter stay.
    Row("ı", "I", false);
    Row("I", "ı", false);
    Row("ı", "ı", true);
    Row("i", "I", true);
    Row("İ", "i", false);
    Row("ſ", "S", false);
    Row("ſ", "s", false);
    Row("s", "S", true);
    Row("µ", "Μ", false);
    Row("µ", "μ", false);
    Row("μ", "Μ", true);
    Row("µ", "µ", true);
    // Signs that look like letters are not those letters.
    Row("k", "\u212A", false);
    Row("K", "\u212A", false);
    Row("\u212A", "\u212A", true);
    Row("å", "\u212B", false);
    // Outside the basic plane nothing folds (one UTF-16 unit at a time).
    Row("\U00010428", "\U00010400", false);
    Row("\U00010428", "\U00010428", true);
}

void TstMatchPattern::ordinaryCharacters_data()
{
    Columns();
    Row("abc", "abc", true);
    Row("abc", "abcd", false);
    Row("abc", "ab", false);
    Row("[a]", "[a]", true);
    Row("[a]", "a", false);
    Row("a[bc]", "ab", false);
    Row("{a,b}", "a", false);
    Row("{a,b}", "{A,B}", true);
    Row("a b", "a b", true);
    Row("a b", "ab", false);
    Row("* *", "a b", true);
    Row("* *", "ab", false);
    Row("a+b(1)", "A+B(1)", true);
    Row("100%", "100%", true);
    Row("a\\b", "a\\b", true);
    Row("#~$'!", "#~$'!", true);
}

void TstMatchPattern::dosWildcards_data()
{
    Columns();
    // '<' stops at the last dot, like "*" before a dot.
    Row("<.txt", "a.b.txt", true);
    Row("<.txt", "a.txt.bak", false);
    Row("<", "ab", true);
    Row("<", "a.b", false);
    Row("a<b", "axb", true);
    Row("a<b", "a.xb", false);
    Row("a<b", "a.x.b", false);
    Row("a<.b", "a.x.b", true);
    // '>' is the "?" that may vanish before a dot or at the end.
    Row("a>", "a", true);
    Row("a>", "ab", true);
    Row("a>", "abc", false);
    Row("a>c", "a.c", false);
    // '"' is a dot, or nothing at the end.
    Row("a\"txt", "a.txt", true);
    Row("a\"txt", "atxt", false);
    Row("a\"", "a", true);
    Row("a\"", "a.", true);
    Row("a\"", "ab", false);
}

void TstMatchPattern::emptyStrings_data()
{
    Columns();
    // The empty pattern is the whole folder, as "*".
    Row("", "a", true);
    Row("", ".", true);
    Row("", "a.b.c", true);
    // No entry has an empty name; nothing matches one.
    Row("*", "", false);
    Row("?", "", false);
    Row("*.*", "", false);
    Row("", "", false);
}

void TstMatchPattern::longInputsFinish()
{
    // A backtracking matcher would never return from these.
    const QString longName(255, QLatin1Char('a'));
    QCOMPARE(MatchesPattern(QString(100000, QLatin1Char('*')) + QLatin1Char('b'), longName), false);
    QCOMPARE(MatchesPattern(QStringLiteral("*a").repeated(3000) + QLatin1Char('b'), longName), false);
    QCOMPARE(MatchesPattern(QStringLiteral("*a").repeated(200), longName), true);
    QCOMPARE(MatchesPattern(QString(5000, QLatin1Char('?')), longName), true);
    QCOMPARE(MatchesPattern(QStringLiteral("?*").repeated(3000) + QLatin1Char('b'), longName), false);
    QCOMPARE(MatchesPattern(QStringLiteral("*.").repeated(3000) + QLatin1Char('x'), longName), false);
    QCOMPARE(MatchesPattern(QStringLiteral("<>\"").repeated(3000), longName), true);

    const QString longDotted = QStringLiteral("a.").repeated(5000) + QStringLiteral("txt");
    QCOMPARE(MatchesPattern(QStringLiteral("*.*a*.*.txt"), longDotted), true);
    QCOMPARE(MatchesPattern(QStringLiteral("*.?.").repeated(500) + QStringLiteral("*.txt"), longDotted), true);
    QCOMPARE(MatchesPattern(QStringLiteral("*a*a*a*a*b"), QString(20000, QLatin1Char('a'))), false);
}

QTEST_APPLESS_MAIN(TstMatchPattern)
#include "tst_matchpattern.moc"
