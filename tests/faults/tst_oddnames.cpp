// Names that trip up careless code: blanks, control characters, " in ",
// the copy's own replacement characters, a leading "-", wildcard
// characters, 255-byte names, and bytes that are not valid UTF-8.
#include "mainfixture.h"
#include "faultsupport.h"

#include "foldertree/foldertree.h"
#include "fixtures.h"
#include "platform/wildcard.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <algorithm>

using namespace faults;

namespace {

// Names that are valid UTF-8; every one is a regular file.
QStringList OddNames()
{
    return {
        QStringLiteral("with blank.txt"), QStringLiteral(" leading blank.txt"), QStringLiteral("trailing blank "),
        QStringLiteral("   "), QStringLiteral("new\nline.txt"), QStringLiteral("tab\there.txt"),
        QStringLiteral("cr\rhere.txt"), QStringLiteral("a in b.txt"), QStringLiteral("yen￥name.txt"),
        QStringLiteral("colon：name.txt"), QStringLiteral("colon:ascii.txt"), QStringLiteral("-leading-dash.txt"),
        QStringLiteral("-"), QStringLiteral("--"), QStringLiteral("back\\slash.txt"), QStringLiteral("star*name.txt"),
        QStringLiteral("what?.txt"), QStringLiteral("quote\"name.txt"), QStringLiteral("<angle>.txt"),
        QStringLiteral("Case.txt"), QStringLiteral("case.txt"), QStringLiteral("rep\uFFFD.txt"),
        QStringLiteral("percent%20.txt"), QStringLiteral("emoji😀.txt"), QStringLiteral("dots..."),
        QString(251, QLatin1Char('L')) + QStringLiteral(".txt"),   // 255 bytes
        QString(85, QChar(0x3042)),                               // 85 x "あ" = 255 bytes
    };
}

// Raw names that are not valid UTF-8.  "a\xff.txt" sorts before most of the
// others, so a copy that stopped at it would lose them.
const QList<QByteArray> RawNames{QByteArray("a\xff.txt"), QByteArray("\xc3"), QByteArray("mid\xe3\x81.txt")};
// A folder with such a name: the tree shows it, but no path reaches it.
const QByteArray RawFolder("dir\xff");

// The listing's order: by upper-cased name, unit by unit; exact ties by
// the name itself.
void SortLikeListing(QStringList &names)
{
    auto key = [](const QString &s) {
        QString k = s;
        for (QChar &c : k)
            c = QChar(platform::detail::UpcaseUnit(c.unicode()));
        return k;
    };
    std::sort(names.begin(), names.end(), [&](const QString &a, const QString &b) {
        const QString ka = key(a), kb = key(b);
        return ka != kb ? ka < kb : a < b;
    });
}

} // namespace

class TestOddNames : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<MainFixture> f;
    std::unique_ptr<QTemporaryDir> m_src, m_dst;
    QString S, D;

    frmMain &StartAt(const QString &pattern) { return f->StartAt(S, pattern, D); }

private slots:
    void init()
    {
        f = std::make_unique<MainFixture>();
        m_src = std::make_unique<QTemporaryDir>();
        m_dst = std::make_unique<QTemporaryDir>();
        S = m_src->path();
        D = m_dst->path();
        for (const QString &name : OddNames()) {
            QVERIFY2(name.toUtf8().size() <= 255, qPrintable(name));
            QVERIFY2(testsupport::WriteFile(S + "/" + name, "content of " + name.toUtf8()), qPrintable(name));
        }
        QVERIFY(testsupport::WriteFile(S + "/.hidden.txt", "hidden"));
        for (const QByteArray &raw : RawNames)
            QVERIFY(fixtures::WriteFileWithRawName(S, raw, "raw " + raw));
        QVERIFY(fixtures::MakeRawDirectory(S, RawFolder));
    }
    void cleanup()
    {
        for (const QByteArray &raw : RawNames + QList<QByteArray>{RawFolder})
            fixtures::RemoveRawName(S, raw);
        f.reset();
        m_src.reset();
        m_dst.reset();
    }

    void plainSearchListsEveryName()
    {
        const QString digest = testsupport::TreeDigest(S);
        frmMain &w = StartAt(QStringLiteral("*"));
        Ui(w).cmdExpand->click();

        // Bytes that are not UTF-8 are shown as U+FFFD.
        QStringList names = OddNames() << QStringLiteral(".hidden.txt");
        for (const QByteArray &raw : RawNames + QList<QByteArray>{RawFolder})
            names << QFile::decodeName(raw);
        SortLikeListing(names);
        QStringList expected{SearchStart, Hit("*", S + "/."), Hit("*", S + "/..")};
        for (const QString &name : names)
            expected << Hit("*", S + "/" + name);
        expected << Unreachable(S + "/" + QFile::decodeName(RawFolder)) << End;
        QCOMPARE(From(f->Result().Lines(), SearchStart), expected);
        QCOMPARE(testsupport::TreeDigest(S), digest);
    }

    void copyTakesEveryNameItCanReopen()
    {
        const QString digest = testsupport::TreeDigest(S);
        frmMain &w = StartAt(QStringLiteral("*"));
        ModalWatch modal;
        Ui(w).cmdExpandToDrv->click();

        // Every valid name is copied byte for byte under the same name.  A
        // name that is not valid UTF-8 cannot be named again through the
        // text the listing gives, so it is left out like any entry the copy
        // cannot take, and the files after it are still copied.
        QStringList names = OddNames();
        SortLikeListing(names);
        QStringList expected{CopyStart};
        const QString out = Flat(S);
        QStringList entries{out + "/"};
        for (const QString &name : names) {
            expected << Copied("*", S + "/" + name);
            entries << out + "/" + name;
        }
        expected << Unreachable(S + "/" + QFile::decodeName(RawFolder)) << End;
        QCOMPARE(From(f->Result().Lines(), CopyStart), expected);
        entries.sort();
        QCOMPARE(Entries(D), entries);
        for (const QString &name : names)
            QCOMPARE(testsupport::ReadFile(D + "/" + out + "/" + name), "content of " + name.toUtf8());
        for (const QByteArray &raw : RawNames) {
            QVERIFY(fixtures::RawNameExists(S, raw));
            QVERIFY(!fixtures::RawNameExists(D + "/" + out, raw));
        }
        QCOMPARE(testsupport::TreeDigest(S), digest);
        QCOMPARE(modal.texts, QStringList());
    }
};

QTEST_MAIN(TestOddNames)
#include "tst_oddnames.moc"
