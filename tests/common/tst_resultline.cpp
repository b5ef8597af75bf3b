// Result lines outside the window: every line one line of text, whatever
// the names in it hold, and back to the very line.

#include "common/resultline.h"
#include "platform/nativepath.h"

#include <QtTest>

using namespace common;

class TestResultLine : public QObject {
    Q_OBJECT

private slots:
    void encodeAndDecode_data();
    void encodeAndDecode();
};

void TestResultLine::encodeAndDecode_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("encoded");
    QTest::addColumn<bool>("written");   // what EncodeLine writes (else only read)
    QTest::addColumn<bool>("ok");        // DecodeLine's verdict

    const QString hit = HitLinePrefix(QStringLiteral("*")) + QStringLiteral("/d/");
    const QString hitOut = hit;
    QTest::newRow("usual line") << hit + "a.txt" << hitOut + "a.txt" << true << true;
    QTest::newRow("banner") << QStringLiteral("☆☆☆ 終了 ☆☆☆") << QStringLiteral("☆☆☆ 終了 ☆☆☆") << true << true;
    QTest::newRow("empty") << QString() << QString() << true << true;
    QTest::newRow("line feed") << hit + "a\nb" << hitOut + "a\\nb" << true << true;
    QTest::newRow("a fake error line in a name")
        << hit + "x\n※※※ Error in CopyFile" << hitOut + "x\\n※※※ Error in CopyFile" << true << true;
    QTest::newRow("tab, carriage return") << hit + "\t\r" << hitOut + "\\t\\r" << true << true;
    QTest::newRow("backslash doubled") << hit + "a\\nb\\" << hitOut + "a\\\\nb\\\\" << true << true;
    QTest::newRow("other C0 controls, DEL")
        << hit + QString(QChar(0x1B)) + "[31m" + QChar(0x01) + QChar(0x1F) + QChar(0x7F)
        << hitOut + "\\x1b[31m\\x01\\x1f\\x7f" << true << true;
    QTest::newRow("C1 controls, line and paragraph separators")
        << hit + QChar(0x85) + QChar(0x9F) + QChar(0x2028) + QChar(0x2029)
        << hitOut + "\\u0085\\u009f\\u2028\\u2029" << true << true;
    QTest::newRow("Japanese and U+FFFD unchanged") << hit + "日本語\uFFFD" << hitOut + "日本語\uFFFD" << true << true;
    // A name that is not UTF-8 keeps its very bytes.
    QTest::newRow("bytes that are not UTF-8")
        << hit + platform::FromNative(QByteArray("\x83\x65\xff\n")) << hitOut + "\\x83e\\xff\\n" << true << true;
    QTest::newRow("private-use character of a valid name")
        << hit + platform::FromNative(QByteArray("\xee\xbe\x80")) << hitOut + "\\xee\\xbe\\x80" << true << true;
    // Decoding what EncodeLine never writes: each stray backslash stays.
    QTest::newRow("unknown escape") << QStringLiteral("a\\qb") << QStringLiteral("a\\qb") << false << false;
    QTest::newRow("short hex") << QStringLiteral("a\\x4") << QStringLiteral("a\\x4") << false << false;
    QTest::newRow("bad hex") << QStringLiteral("a\\u12g4") << QStringLiteral("a\\u12g4") << false << false;
    QTest::newRow("lone backslash at the end") << QStringLiteral("a\\") << QStringLiteral("a\\") << false << false;
    QTest::newRow("upper-case hex") << QStringLiteral("a\x1b") << QStringLiteral("a\\x1B") << false << true;
}

void TestResultLine::encodeAndDecode()
{
    QFETCH(QString, line);
    QFETCH(QString, encoded);
    QFETCH(bool, written);
    QFETCH(bool, ok);
    bool decodedOk = !ok;
    QCOMPARE(DecodeLine(encoded, &decodedOk), line);
    QCOMPARE(decodedOk, ok);
    if (!written)
        return;
    QCOMPARE(EncodeLine(line), encoded);
    // One line of printable text: nothing a reader could take for a break.
    for (const QChar c : encoded) {
        const char16_t u = c.unicode();
        QVERIFY2(u >= 0x20 && !(u >= 0x7F && u <= 0x9F) && u != 0x2028 && u != 0x2029 && platform::RawByteOf(c) < 0,
                 qPrintable(QString::number(u, 16)));
    }
}

QTEST_GUILESS_MAIN(TestResultLine)
#include "tst_resultline.moc"
