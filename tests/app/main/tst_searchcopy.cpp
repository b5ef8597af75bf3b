// The search with copy through the real main window, offscreen: exact
// lines, the flat destination layout, the destination checks, and the
// destination inside the searched tree.
#include "copyfolders.h"
#include "mainfixture.h"
#include "resultlines.h"

#include "app/statusbar/statusbar.h"
#include "foldertree/foldertree.h"
#include "platform/folderstate.h"
#include "tempdir.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace testsupport;

namespace {
const QString &Start = CopyStart;

// Every file below `root`, relative, sorted.
QStringList Files(const QString &root)
{
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}
} // namespace

class TestSearchCopy : public QObject, private CopyFolders {
    Q_OBJECT
private:
    std::unique_ptr<MainFixture> f;

    // The copy line of a file below the source tree.
    QString Copied(const QString &pattern, const QString &rel) const
    {
        return testsupport::Copied(pattern, S + QLatin1Char('/') + rel);
    }
    QStringList SearchLines() { return From(f->Result().Lines(), Start); }
    MainWindow &StartAt(const QString &path, const QString &patterns, const QString &destination)
    {
        return f->StartAt(path, patterns, destination);
    }

private slots:
    void init()
    {
        f = std::make_unique<MainFixture>();
        MakeFolders();
        using testsupport::WriteFile;
        WriteFile(S + "/a.txt", "alpha");
        WriteFile(S + "/.hidden.txt", "hidden");
        WriteFile(S + "/data.txt", "data");
        WriteFile(S + "/notes.doc", "doc");
        WriteFile(S + "/sub/b.txt", "beta");
        WriteFile(S + "/sub/inner/c.doc", "gamma");
        testsupport::MakePath(S + "/sub/folder.txt");
    }
    void cleanup()
    {
        f.reset();
        RemoveFolders();
    }

    void copiesIntoOneFlatFolderPerSourceFolder()
    {
        const QString before = testsupport::TreeDigest(S);
        MainWindow &w = StartAt(S, QStringLiteral("*.txt;*.doc;*DATA*"), D);
        Ui(w).searchCopyButton->click();
        QCOMPARE(SearchLines(), (QStringList{Start,
                                             Copied("*.txt", "a.txt"), Copied("*.txt", "data.txt"),
                                             Copied("*.doc", "notes.doc"),
                                             Copied("*DATA*", "data.txt"),
                                             Copied("*.txt", "sub/b.txt"),
                                             Copied("*.doc", "sub/inner/c.doc"),
                                             End}));
        const QString top = Flat(S), sub = Flat(S + "/sub"), inner = Flat(S + "/sub/inner");
        QCOMPARE(Files(D), (QStringList{top + "/a.txt", top + "/data.txt", top + "/notes.doc",
                                        sub + "/b.txt", inner + "/c.doc"}));
        QCOMPARE(testsupport::ReadFile(D + "/" + sub + "/b.txt"), QByteArray("beta"));
        QCOMPARE(testsupport::TreeDigest(S), before);
        // Folders without a matching file get no destination folder.
        QVERIFY(!QFileInfo::exists(D + "/" + Flat(S + "/sub/folder.txt")));
    }

    void withoutFullExpansionTheButtonIsOffAndStartFolderOnly()
    {
        MainWindow &w = StartAt(S, QStringLiteral("*.txt"), D);
        Ui(w).fullExpandCheck->click();
        QVERIFY(!Ui(w).searchCopyButton->isEnabled());
        // The command itself still honours the box when invoked.
        w.SearchAndCopy();
        QCOMPARE(SearchLines(), (QStringList{Start, Copied("*.txt", "a.txt"), Copied("*.txt", "data.txt"), End}));
        QVERIFY(Ui(w).searchCopyButton->isEnabled());
    }

    void invalidDestinationWarnsAndClosesItself_data()
    {
        QTest::addColumn<QString>("destination");
        QTest::newRow("empty") << QString();
        QTest::newRow("missing") << QStringLiteral("/nonexistent/pathwren/dest");
        QTest::newRow("a file") << QStringLiteral("FILE");
    }
    void invalidDestinationWarnsAndClosesItself()
    {
        QFETCH(QString, destination);
        if (destination == QStringLiteral("FILE"))
            destination = S + "/a.txt";
        MainWindow &w = StartAt(S, QStringLiteral("*.txt"), destination);
        // The warning box is closed by the main window's timer while the
        // search is busy; the command then ends normally.  The warning stays
        // in the list, counted as an error, and in the status bar.
        Ui(w).searchCopyButton->click();
        const QString warning = QStringLiteral("コピー先フォルダが不正です。");
        QCOMPARE(SearchLines(), (QStringList{Start, QStringLiteral("※※※ ") + warning, End}));
        QCOMPARE(f->LogMessages().count(QStringLiteral("Close Dialog")), 1);
        QVERIFY(Files(D).isEmpty());
        QCOMPARE(statusbar::StatusBarText(Ui(w).statusBar), warning);
        QCOMPARE(f->Result().CountsText(), QStringLiteral("エラー 1"));
    }

    void destinationChangedDuringSearchTakesEffectNextFolder()
    {
        QTemporaryDir second;
        MainWindow &w = StartAt(S, QStringLiteral("*.txt"), D);
        w.SetYieldObserver([&](int) {
            if (f->Result().Lines().last() == Copied("*.txt", "data.txt"))
                Ui(w).destinationEdit->setText(second.path());
        });
        Ui(w).searchCopyButton->click();
        QCOMPARE(Files(D), (QStringList{Flat(S) + "/a.txt", Flat(S) + "/data.txt"}));
        QCOMPARE(Files(second.path()), QStringList{Flat(S + "/sub") + "/b.txt"});
    }

    void destinationInsideSearchedTreeMakesNoCopiesOfCopies()
    {
        const QString inside = S + "/backup";
        testsupport::MakePath(inside);
        MainWindow &w = StartAt(S, QStringLiteral("*.txt"), inside);
        Ui(w).searchCopyButton->click();
        QCOMPARE(SearchLines(), (QStringList{Start, Copied("*.txt", "a.txt"), Copied("*.txt", "data.txt"),
                                             Copied("*.txt", "sub/b.txt"), End}));
        // A second run does not pick up the first run's copies either.
        Ui(w).searchCopyButton->click();
        QCOMPARE(SearchLines().size(), 5);
        QCOMPARE(Files(inside), (QStringList{Flat(S) + "/a.txt", Flat(S) + "/data.txt", Flat(S + "/sub") + "/b.txt"}));
    }

    void searchStartedInsideDestinationStillCopies()
    {
        const QString inside = S + "/sub";
        MainWindow &w = StartAt(inside, QStringLiteral("b.txt"), S);
        Ui(w).searchCopyButton->click();
        QCOMPARE(SearchLines(), (QStringList{Start, Copied("b.txt", "sub/b.txt"), End}));
        QVERIFY(QFileInfo::exists(S + "/" + Flat(inside) + "/b.txt"));
    }

    // Whether a folder is the destination is told by device and inode, the
    // destination looked at once: a deep chain costs no look per ancestor,
    // and a link into the destination is still left out.
    void deepChainLooksAtTheDestinationOnce()
    {
        QString deep = S + "/c";
        QStringList expected{Start};
        for (int level = 0; level < 40; ++level) {
            testsupport::WriteFile(deep + "/k.txt", "k");
            expected << Copied("k.txt", deep.mid(S.size() + 1) + "/k.txt");
            deep += QStringLiteral("/c");
        }
        expected << End;
        testsupport::WriteFile(D + "/k.txt", "in the destination");
        QVERIFY(QFile::link(D, S + "/c/c/into-destination"));
        MainWindow &w = StartAt(S + "/c", QStringLiteral("k.txt"), D);
        const int before = platform::ContainerChecks();
        Ui(w).searchCopyButton->click();
        QCOMPARE(SearchLines(), expected);
        // For the start and for the link (the tree's and the copy's), none
        // per folder.
        QVERIFY2(platform::ContainerChecks() - before <= 4, qPrintable(QString::number(platform::ContainerChecks() - before)));
    }

    void flattenedNameTooLongReportsAndWalkGoesOn()
    {
        // Each level adds 3 bytes ("￥") plus its name to the flattened name.
        QString deep = S + "/long";
        while (Flat(deep).toUtf8().size() <= 255)
            deep += QStringLiteral("/ffffffffffffffffffff");
        testsupport::WriteFile(deep + "/k.txt", "k");
        MainWindow &w = StartAt(S + "/long", QStringLiteral("k.txt"), D);
        Ui(w).searchCopyButton->click();
        QCOMPARE(SearchLines(), (QStringList{Start, CopyDirectoryError, End}));
    }
};

QTEST_MAIN(TestSearchCopy)
#include "tst_searchcopy.moc"
