// Word lists: the pattern list split at ";" and the path-to-folder-name
// replacement must give exactly the words and names the search relies on.

#include "common/filecopy.h"
#include "common/wordlist.h"
#include "testchannel.h"

#include <QtTest>

using namespace common;

class TestWordList : public QObject {
    Q_OBJECT

private slots:
    void split_data();
    void split();
    void getWordAgreesWithSplit_data();
    void getWordAgreesWithSplit();
    void getWord_data();
    void getWord();
    void replaceChars_data();
    void replaceChars();
    void pathToFolderName();
};

void TestWordList::split_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("pattern list") << "*.txt;*.doc;*DATA*" << QStringList{"*.txt", "*.doc", "*DATA*"};
    QTest::newRow("empty text") << "" << QStringList{""};
    QTest::newRow("no delimiter") << "*.txt" << QStringList{"*.txt"};
    QTest::newRow("leading") << ";a" << QStringList{"", "a"};
    QTest::newRow("trailing") << "a;" << QStringList{"a", ""};
    QTest::newRow("double") << "a;;b" << QStringList{"a", "", "b"};
    QTest::newRow("only delimiter") << ";" << QStringList{"", ""};
    QTest::newRow("only delimiters") << ";;;" << QStringList{"", "", "", ""};
    QTest::newRow("blanks kept") << " a ; b ;" << QStringList{" a ", " b ", ""};
    QTest::newRow("case and width kept") << "Ａb;ｃD" << QStringList{"Ａb", "ｃD"};
    QTest::newRow("full-width semicolon is no delimiter") << "a；b" << QStringList{"a；b"};
}

void TestWordList::split()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    TestChannel host;
    const QString delim = QStringLiteral(";");

    QCOMPARE(CountWords(text, delim, host), int32_t(expected.size()));

    WordArray words{QStringLiteral("stale"), QStringLiteral("stale"), QStringLiteral("stale"),
                    QStringLiteral("stale"), QStringLiteral("stale"), QStringLiteral("stale")};
    const int32_t count = SplitWords(text, words, delim, host);
    QCOMPARE(count, int32_t(expected.size()));
    QCOMPARE(words.size(), expected.size() + 1); // re-created, element 0 unused
    QCOMPARE(words.mid(1), expected);
    // Joining the words back gives the text: nothing lost, nothing trimmed.
    QCOMPARE(words.mid(1).join(delim), text);

    QCOMPARE(WordAt(text, 1, delim, host), expected.first());
    QCOMPARE(WordAt(text, count, delim, host), expected.last());
    QVERIFY(host.lines.isEmpty());
}

// The one-pass split must give the same words as asking for them one by one,
// also for delimiters longer than one character, where the count steps one
// character past each hit but the words step past the whole delimiter.
void TestWordList::getWordAgreesWithSplit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("delim");
    QTest::addColumn<int>("count");

    QTest::newRow("semicolons") << "a;;b;c d;" << ";" << 5;
    QTest::newRow("two-char delimiter") << "x::y::z" << "::" << 3;
    QTest::newRow("overlapping hits") << "aaa" << "aa" << 3;
    QTest::newRow("overlapping hits, longer") << "b,,,,c" << ",," << 4;
    QTest::newRow("delimiter is the text") << "ab" << "ab" << 2;
}

void TestWordList::getWordAgreesWithSplit()
{
    QFETCH(QString, text);
    QFETCH(QString, delim);
    QFETCH(int, count);
    TestChannel host;

    QCOMPARE(CountWords(text, delim, host), count);
    WordArray words;
    QCOMPARE(SplitWords(text, words, delim, host), count);
    QCOMPARE(words.size(), count + 1);
    for (int i = 1; i <= count; ++i)
        QCOMPARE(words.at(i), WordAt(text, i, delim, host));
    QVERIFY(host.lines.isEmpty());
}

void TestWordList::getWord_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("delim");
    QTest::addColumn<QString>("expected");

    QTest::newRow("last") << "a;b;c" << 3 << ";" << "c";
    QTest::newRow("zero") << "a;b;c" << 0 << ";" << "";
    QTest::newRow("negative") << "a;b;c" << -1 << ";" << "";
    QTest::newRow("past the end") << "a;b;c" << 4 << ";" << "";
    QTest::newRow("far past the end") << "a;b;c" << std::numeric_limits<int>::max() << ";" << "";
    QTest::newRow("empty delimiter: whole text") << "a;b" << 1 << "" << "a;b";
    QTest::newRow("empty delimiter: no second word") << "a;b" << 2 << "" << "";
}

void TestWordList::getWord()
{
    QFETCH(QString, text);
    QFETCH(int, number);
    QFETCH(QString, delim);
    QFETCH(QString, expected);
    TestChannel host;
    QCOMPARE(WordAt(text, number, delim, host), expected);
    if (delim.isEmpty()) {
        QCOMPARE(CountWords(text, delim, host), 1);
        WordArray words;
        QCOMPARE(SplitWords(text, words, delim, host), 1);
        QCOMPARE(words.mid(1), QStringList{text});
    }
    QVERIFY(host.lines.isEmpty());
}

void TestWordList::replaceChars_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("expected");

    QTest::newRow("every occurrence") << "/a/b/" << "/" << "￥" << "￥a￥b￥";
    QTest::newRow("case-sensitive") << "aAa" << "a" << "x" << "xAx";
    QTest::newRow("upper leaves lower") << "aAa" << "A" << "x" << "axa";
    QTest::newRow("two-char find unchanged") << "a:b::c" << "::" << "-" << "a:b::c";
    QTest::newRow("empty find unchanged") << "abc" << "" << "-" << "abc";
    QTest::newRow("empty text") << "" << "a" << "b" << "";
    QTest::newRow("empty replacement deletes") << "a-b-c" << "-" << "" << "abc";
    QTest::newRow("longer replacement") << "a.b" << "." << "<dot>" << "a<dot>b";
    QTest::newRow("no re-scan of replacement") << "aa" << "a" << "aa" << "aaaa";
    QTest::newRow("full width not folded") << "a：b" << ":" << "_" << "a：b";
}

void TestWordList::replaceChars()
{
    QFETCH(QString, text);
    QFETCH(QString, find);
    QFETCH(QString, replacement);
    QFETCH(QString, expected);
    TestChannel host;
    QCOMPARE(ReplaceAll(text, find, replacement), expected);
    QVERIFY(host.lines.isEmpty());
}

void TestWordList::pathToFolderName()
{
    QCOMPARE(common::CopyFolderName(QStringLiteral("C:/data/x")), QStringLiteral("C：￥data￥x"));
    QCOMPARE(common::CopyFolderName(QStringLiteral("/")), QStringLiteral("￥"));
}

QTEST_GUILESS_MAIN(TestWordList)
#include "tst_wordlist.moc"
