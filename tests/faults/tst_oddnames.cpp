// Names that trip up careless code: blanks, control characters, " in ",
// the copy's own replacement characters, a leading "-", wildcard
// characters, 255-byte names, and bytes that are not valid UTF-8.
#include "mainfixture.h"
#include "faultsupport.h"

#include "fixtures.h"
#include "foldertree/foldertree.h"
#include "listnames.h"
#include "platform/fileio.h"
#include "platform/nativepath.h"
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

// Raw names that are not valid UTF-8, among them "テスト.txt" in Shift_JIS
// and "日本.txt" in EUC-JP.  "a\xff.txt" sorts before most of the others,
// so a copy that stopped at it would lose them.
const QList<QByteArray> RawNames{QByteArray("a\xff.txt"), QByteArray("\xc3"), QByteArray("mid\xe3\x81.txt"),
                                 QByteArray("\x83\x65\x83\x58\x83\x67.txt"), QByteArray("\xc6\xfc\xcb\xdc.txt")};
// A folder with such a name, holding a file with such a name and another.
const QByteArray RawFolder("dir\xff");
const QList<QByteArray> InnerNames{QByteArray("inner.txt"), QByteArray("in\x83\x65.txt")};

QString Carried(const QByteArray &raw)
{
    return platform::FromNative(raw);
}
QByteArray Native(const QString &name)
{
    QByteArray out;
    platform::detail::ToNative(name, out);
    return out;
}

// A file's bytes, read through the same path text the program uses.
QByteArray ReadCarried(const QString &path)
{
    platform::SourceFile in;
    if (!in.Open(path))
        return "(cannot open)";
    QByteArray data(in.Size(), Qt::Uninitialized);
    if (in.Read(data.data(), data.size()) != data.size())
        return "(cannot read)";
    return data;
}

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

class TestOddNames : public QObject, private CopyFolders {
    Q_OBJECT
private:
    std::unique_ptr<MainFixture> f;

    MainWindow &StartAt(const QString &pattern) { return f->StartAt(S, pattern, D); }

private slots:
    void init()
    {
        f = std::make_unique<MainFixture>();
        MakeFolders();
        for (const QString &name : OddNames()) {
            QVERIFY2(name.toUtf8().size() <= 255, qPrintable(name));
            QVERIFY2(testsupport::WriteFile(S + "/" + name, "content of " + name.toUtf8()), qPrintable(name));
        }
        QVERIFY(testsupport::WriteFile(S + "/.hidden.txt", "hidden"));
        for (const QByteArray &raw : RawNames)
            QVERIFY(fixtures::WriteFileWithRawName(S, raw, "raw " + raw));
        QVERIFY(fixtures::MakeRawDirectory(S, RawFolder));
        for (const QByteArray &raw : InnerNames)
            QVERIFY(fixtures::WriteFileWithRawName(S + "/" + Carried(RawFolder), raw, "inner " + raw));
    }
    void cleanup()
    {
        // Neither QDir nor QTemporaryDir can name them.
        for (const QByteArray &raw : InnerNames) {
            fixtures::RemoveRawName(S + "/" + Carried(RawFolder), raw);
            fixtures::RemoveRawName(D + "/" + Flat(S + "/" + Carried(RawFolder)), raw);
        }
        fixtures::RemoveRawName(D, Native(Flat(S + "/" + Carried(RawFolder))));
        for (const QByteArray &raw : RawNames + QList<QByteArray>{RawFolder}) {
            fixtures::RemoveRawName(S, raw);
            fixtures::RemoveRawName(D + "/" + Flat(S), raw);
        }
        f.reset();
        RemoveFolders();
    }

    void plainSearchListsEveryName()
    {
        const QString digest = testsupport::TreeDigest(S);
        MainWindow &w = StartAt(QStringLiteral("*"));
        Ui(w).searchButton->click();

        // Names that are not UTF-8 are listed as their bytes (the window
        // shows those as U+FFFD), and a folder with such a name is walked.
        QStringList names = OddNames() << QStringLiteral(".hidden.txt");
        for (const QByteArray &raw : RawNames + QList<QByteArray>{RawFolder})
            names << Carried(raw);
        SortLikeListing(names);
        QStringList expected{SearchStart, Hit("*", S + "/."), Hit("*", S + "/..")};
        for (const QString &name : names)
            expected << Hit("*", S + "/" + name);
        const QString inner = S + "/" + Carried(RawFolder);
        QStringList innerNames{Carried(InnerNames[0]), Carried(InnerNames[1])};
        SortLikeListing(innerNames);
        expected << Hit("*", inner + "/.") << Hit("*", inner + "/..");
        for (const QString &name : innerNames)
            expected << Hit("*", inner + "/" + name);
        expected << End;
        QCOMPARE(From(f->Result().Lines(), SearchStart), expected);
        QCOMPARE(platform::ShownText(Hit("*", S + "/" + Carried(RawNames[3]))),
                 Hit("*", S + "/\uFFFDe\uFFFDX\uFFFDg.txt"));
        // The tree shows the folder's undecodable byte as U+FFFD.
        FolderNode *start = Ui(w).folderTree->SelectPath(S);
        QVERIFY(start && start->FirstChild());
        QCOMPARE(start->FirstChild()->DisplayName(), QStringLiteral("dir\uFFFD"));
        QCOMPARE(start->FirstChild()->Path(), inner);
        QCOMPARE(testsupport::TreeDigest(S), digest);
    }

    void copyTakesEveryName()
    {
        const QString digest = testsupport::TreeDigest(S);
        MainWindow &w = StartAt(QStringLiteral("*"));
        ModalWatch modal;
        Ui(w).searchCopyButton->click();

        // Every name is copied byte for byte under the same bytes, also
        // those that are not valid UTF-8, and also into the subfolder named
        // after a folder with such a name.
        QStringList names = OddNames();
        for (const QByteArray &raw : RawNames)
            names << Carried(raw);
        SortLikeListing(names);
        QStringList expected{CopyStart};
        const QString out = Flat(S);
        for (const QString &name : names) {
            expected << Copied("*", S + "/" + name);
            QCOMPARE(ReadCarried(D + "/" + out + "/" + name), ReadCarried(S + "/" + name));
        }
        const QString inner = S + "/" + Carried(RawFolder);
        QStringList innerNames{Carried(InnerNames[0]), Carried(InnerNames[1])};
        SortLikeListing(innerNames);
        for (const QString &name : innerNames)
            expected << Copied("*", inner + "/" + name);
        expected << End;
        QCOMPARE(From(f->Result().Lines(), CopyStart), expected);

        for (const QString &name : OddNames())
            QCOMPARE(testsupport::ReadFile(D + "/" + out + "/" + name), "content of " + name.toUtf8());
        // Nothing else in the destination, no temporary file either; listed
        // by the program's own listing, since Qt cannot name raw names.
        const QStringList dots{QStringLiteral("."), QStringLiteral("..")};
        QStringList folders{out, Flat(inner)};
        SortLikeListing(folders);
        QCOMPARE(testsupport::ListNames(D, "*", platform::AttrAll), dots + folders);
        QCOMPARE(testsupport::ListNames(D + "/" + out, "*", platform::AttrAll), dots + names);
        QCOMPARE(testsupport::ListNames(D + "/" + Flat(inner), "*", platform::AttrAll), dots + innerNames);
        const QByteArray innerOut = Native(Flat(inner));
        for (const QByteArray &raw : RawNames) {
            QVERIFY(fixtures::RawNameExists(D + "/" + out, raw));
            QCOMPARE(ReadCarried(D + "/" + out + "/" + Carried(raw)), "raw " + raw);
        }
        QVERIFY(fixtures::RawNameExists(D, innerOut));
        for (const QByteArray &raw : InnerNames) {
            QVERIFY(fixtures::RawNameExists(D + "/" + Flat(inner), raw));
            QCOMPARE(ReadCarried(D + "/" + Flat(inner) + "/" + Carried(raw)), "inner " + raw);
        }
        QCOMPARE(testsupport::TreeDigest(S), digest);
        QCOMPARE(modal.texts, QStringList());
    }
};

QTEST_MAIN(TestOddNames)
#include "tst_oddnames.moc"
