// A copy destination that lies inside the searched tree, or leads back into
// it: the walk ends, no copy is taken of a copy, and no file is ever
// copied onto itself.
#include "mainfixture.h"
#include "faultsupport.h"

#include "foldertree/foldertree.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace faults;

class TestDestination : public QObject, private CopyFolders {
    Q_OBJECT
private:
    std::unique_ptr<MainFixture> f;

    QStringList RunCopy(const QString &destination)
    {
        MainWindow &w = f->Start();
        Ui(w).patternEdit->setText(QStringLiteral("*.txt"));
        Ui(w).destinationEdit->setText(destination);
        if (!Ui(w).folderTree->SelectPath(S))
            qWarning("could not select %s", qPrintable(S));
        ModalWatch modal;
        Ui(w).searchCopyButton->click();
        if (!modal.texts.isEmpty())
            qWarning("unexpected box: %s", qPrintable(modal.texts.join(" | ")));
        const QStringList lines = From(f->Result().Lines(), CopyStart);
        f = std::make_unique<MainFixture>();   // the next run starts afresh
        return lines;
    }

private slots:
    void init()
    {
        f = std::make_unique<MainFixture>();
        MakeFolders();
        testsupport::WriteFile(S + "/a.txt", "alpha");
        testsupport::WriteFile(S + "/sub/b.txt", "bravo");
    }
    void cleanup()
    {
        f.reset();
        RemoveFolders();
    }

    // `root` is where the copies land (as the file system sees it); the
    // walk never enters it and two runs give the same result.
    void destinationInsideTheTree_data()
    {
        QTest::addColumn<QString>("destination");   // "S/..." or "D/..."
        QTest::addColumn<QString>("root");
        QTest::newRow("a folder of the tree") << "S/out" << "S/out";
        QTest::newRow("the same, with a trailing separator") << "S/out/" << "S/out";
        QTest::newRow("a deeper folder of the tree") << "S/sub/out" << "S/sub/out";
        QTest::newRow("a link elsewhere to a folder of the tree") << "D/link" << "S/out";
    }
    void destinationInsideTheTree()
    {
        QFETCH(QString, destination);
        QFETCH(QString, root);
        auto real = [&](QString p) { return p.replace(0, 1, p.startsWith('S') ? S : D); };
        QVERIFY(QDir().mkpath(real(root)));
        if (destination.startsWith('D'))
            QVERIFY(QFile::link(real(root), real(destination)));
        const QString digest = DigestWithout(testsupport::TreeDigest(S), QDir(S).relativeFilePath(real(root)));

        const QStringList expected{CopyStart, Copied("*.txt", S + "/a.txt"), Copied("*.txt", S + "/sub/b.txt"), End};
        for (int run = 1; run <= 2; ++run) {
            QCOMPARE(RunCopy(real(destination)), expected);
            QCOMPARE(Entries(real(root)), (QStringList{Flat(S) + "/", Flat(S) + "/a.txt", Flat(S + "/sub") + "/",
                                                       Flat(S + "/sub") + "/b.txt"}));
        }
        QCOMPARE(DigestWithout(testsupport::TreeDigest(S), QDir(S).relativeFilePath(real(root))), digest);
        QCOMPARE(testsupport::ReadFile(real(root) + "/" + Flat(S) + "/a.txt"), QByteArray("alpha"));
    }

    // The search starts inside the destination (here: at it).  The folders
    // the copy creates did not exist when their parent was expanded, so
    // the walk does not reach them in this run.
    void destinationIsTheStartFolder()
    {
        const QStringList lines = RunCopy(S);
        QCOMPARE(lines, (QStringList{CopyStart, Copied("*.txt", S + "/a.txt"), Copied("*.txt", S + "/sub/b.txt"), End}));
        QCOMPARE(Entries(S), (QStringList{"a.txt", "sub/", "sub/b.txt", Flat(S) + "/", Flat(S) + "/a.txt",
                                          Flat(S + "/sub") + "/", Flat(S + "/sub") + "/b.txt"}));
        QCOMPARE(testsupport::ReadFile(S + "/a.txt"), QByteArray("alpha"));
        QCOMPARE(testsupport::ReadFile(S + "/sub/b.txt"), QByteArray("bravo"));
    }

    // The destination holds, under the very name the copy gives the source
    // folder, a link back to that folder: every copy would be a file onto
    // itself.  Each is refused, and the source keeps every byte.
    void destinationLeadsBackToTheSource_data()
    {
        QTest::addColumn<QString>("linkTarget");
        QTest::newRow("symlink to the source folder") << "S";
        QTest::newRow("symlink to the source folder's subfolder") << "S/sub";
    }
    void destinationLeadsBackToTheSource()
    {
        QFETCH(QString, linkTarget);
        const QString target = linkTarget == QLatin1String("S") ? S : S + "/sub";
        QVERIFY(QFile::link(target, D + "/" + Flat(target)));
        const QString digest = testsupport::TreeDigest(S);

        const QStringList lines = RunCopy(D);
        QStringList expected{CopyStart};
        expected << (target == S ? CopyFileError : Copied("*.txt", S + "/a.txt"));
        expected << (target == S ? Copied("*.txt", S + "/sub/b.txt") : CopyFileError);
        expected << End;
        QCOMPARE(lines, expected);
        QCOMPARE(testsupport::TreeDigest(S), digest);
        QCOMPARE(testsupport::ReadFile(S + "/a.txt"), QByteArray("alpha"));
        QCOMPARE(testsupport::ReadFile(S + "/sub/b.txt"), QByteArray("bravo"));
        // No temporary file was left in the source either.
        QCOMPARE(Entries(S), (QStringList{"a.txt", "sub/", "sub/b.txt"}));
    }
};

QTEST_MAIN(TestDestination)
#include "tst_destination.moc"
