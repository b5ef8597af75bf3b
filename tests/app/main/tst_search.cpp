// The plain search through the real main window, offscreen, over
// temporary trees: exact lines and order, states, stop requests, access
// notes and listing failures.
#include "mainfixture.h"
#include "resultlines.h"

#include "app/main/foldersearch.h"
#include "app/statusbar/statusbar.h"
#include "foldertree/foldertree.h"
#include "platform/fileaccess.h"
#include "platform/listing.h"
#include "tempdir.h"
#include "testchannel.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QtTest>
#include <algorithm>

namespace {
QString g_denied;       // a path whose attributes "cannot be read"
bool g_networkOpens = false;
QStringList g_accessTested;
QString g_refused;      // a folder whose listing "is refused"

// Threads that carry the process's own name: the reads ahead, not Qt's
// helpers (named after their work), some of which start on first use.
int ThreadCount()
{
    const auto nameOf = [](const QString &file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray own = nameOf(QStringLiteral("/proc/self/comm"));
    const QString tasks = QStringLiteral("/proc/self/task/");
    int n = 0;
    for (const QString &task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        n += nameOf(tasks + task + QStringLiteral("/comm")) == own ? 1 : 0;
    return n;
}

bool FakeAccess(const QString &path)
{
    g_accessTested << path;
    return path != g_denied;
}
bool FakeNetwork(const QString &)
{
    return g_networkOpens;
}
platform::DirListing::Status FakeListing(const QString &folder)
{
    return folder == g_refused ? platform::DirListing::Status::Refused : platform::DirListing::Status::Ok;
}

using testsupport::End;
const QString &Start = testsupport::SearchStart;
const QString &Stop = testsupport::UserStop;
} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<MainFixture> f;
    QTemporaryDir m_tree;
    QString R;   // the tree's root

    // The hit line of an entry below the tree's root.
    QString Hit(const QString &pattern, const QString &rel) const
    {
        return testsupport::Hit(pattern, R + QLatin1Char('/') + rel);
    }
    // The result lines of the last search, from its start banner on.
    QStringList SearchLines() { return testsupport::From(f->Result().Lines(), Start); }
    MainWindow &StartAt(const QString &path, const QString &patterns) { return f->StartAt(path, patterns); }

private slots:
    void initTestCase()
    {
        R = m_tree.path();
        using testsupport::WriteFile;
        WriteFile(R + "/a.txt", "a");
        WriteFile(R + "/B.TXT", "b");
        WriteFile(R + "/.hidden.txt", "h");
        WriteFile(R + "/notes.doc", "n");
        WriteFile(R + "/readme", "r");
        WriteFile(R + "/DATA1.bin", "d");
        WriteFile(R + "/data.txt", "dt");
        WriteFile(R + "/sub1/x.txt", "x");
        WriteFile(R + "/sub1/deep/y.txt", "y");
        testsupport::MakePath(R + "/sub2.txt");
        WriteFile(R + "/Sub3/z.doc", "z");
    }
    void init()
    {
        f = std::make_unique<MainFixture>();
        g_denied.clear();
        g_networkOpens = false;
        g_accessTested.clear();
        g_refused.clear();
    }
    void cleanup()
    {
        f.reset();
    }

    void fullExpansionListsEveryFolderDepthFirst()
    {
        MainWindow &w = StartAt(R, QStringLiteral("*.txt;*.doc;*DATA*"));
        Ui(w).searchButton->click();
        const QStringList expected{
            Start,
            Hit("*.txt", ".hidden.txt"), Hit("*.txt", "a.txt"), Hit("*.txt", "B.TXT"),
            Hit("*.txt", "data.txt"), Hit("*.txt", "sub2.txt"),
            Hit("*.doc", "notes.doc"),
            Hit("*DATA*", "data.txt"), Hit("*DATA*", "DATA1.bin"),
            Hit("*.txt", "sub1/x.txt"),
            Hit("*.txt", "sub1/deep/y.txt"),
            Hit("*.doc", "Sub3/z.doc"),
            End,
        };
        QCOMPARE(SearchLines(), expected);
        QCOMPARE(statusbar::StatusBarText(Ui(w).statusBar), QStringLiteral("展開中 in Sub3"));
        QCOMPARE(f->Result().SelectedRow(), f->Result().LineCount() - 1);
    }

    // The search needs neither window: a folder tree and a channel will do.
    void searchWithoutWindows_data()
    {
        QTest::addColumn<bool>("copy");
        QTest::addColumn<bool>("fullExpand");
        QTest::addColumn<int>("stopAtYield");   // 0: never
        QTest::newRow("plain, whole tree") << false << true << 0;
        QTest::newRow("plain, start folder only") << false << false << 0;
        QTest::newRow("copy, whole tree") << true << true << 0;
        QTest::newRow("plain, stopped at once") << false << true << 1;
    }
    void searchWithoutWindows()
    {
        QFETCH(bool, copy);
        QFETCH(bool, fullExpand);
        QFETCH(int, stopAtYield);
        f.reset();
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
        QTemporaryDir out;
        FolderTreeView tree;
        QVERIFY(tree.SelectPath(R));
        TestChannel channel;
        FolderSearch search(channel, {[&] { return out.path(); }, [&] { return fullExpand; }});
        channel.stop = false;
        channel.onYield = [&](int n) {
            if (n == stopAtYield)
                search.RequestStop();
        };
        search.Begin();
        QVERIFY(search.SetPatterns(QStringLiteral("*.doc")));
        search.Walk(tree.SelectedFolder(), copy);
        search.End();

        QStringList expected;
        if (copy) {
            expected << testsupport::Copied("*.doc", R + "/notes.doc") << testsupport::Copied("*.doc", R + "/Sub3/z.doc");
            QVERIFY(QFile::exists(out.filePath(testsupport::Flat(R + "/Sub3")) + "/z.doc"));
        } else {
            expected << Hit("*.doc", "notes.doc");
            if (fullExpand && !stopAtYield)
                expected << Hit("*.doc", "Sub3/z.doc");
        }
        QCOMPARE(channel.lines, expected);
        QCOMPARE(channel.status, QStringLiteral("展開中 in ") + (fullExpand && !stopAtYield ? "Sub3" : QFileInfo(R).fileName()));
        QCOMPARE(QApplication::topLevelWidgets().size(), 1);   // the tree alone
    }

    void withoutFullExpansionOnlyTheStartFolder()
    {
        MainWindow &w = StartAt(R, QStringLiteral("*.doc"));
        Ui(w).fullExpandCheck->click();
        QVERIFY(!Ui(w).searchCopyButton->isEnabled());
        Ui(w).searchButton->click();
        QCOMPARE(SearchLines(), (QStringList{Start, Hit("*.doc", "notes.doc"), End}));
        // After any search the copy button is available again.
        QVERIFY(Ui(w).searchCopyButton->isEnabled());
        QVERIFY(!Ui(w).fullExpandCheck->isChecked());
    }

    void starListsDotEntriesAndFolders()
    {
        MainWindow &w = StartAt(R + "/sub1", QStringLiteral("*"));
        Ui(w).searchButton->click();
        QCOMPARE(SearchLines(), (QStringList{Start,
                                             Hit("*", "sub1/."), Hit("*", "sub1/.."), Hit("*", "sub1/deep"), Hit("*", "sub1/x.txt"),
                                             Hit("*", "sub1/deep/."), Hit("*", "sub1/deep/.."), Hit("*", "sub1/deep/y.txt"),
                                             End}));
    }

    void emptyPatternTextListsEverything()
    {
        MainWindow &w = StartAt(R + "/sub1/deep", QString());
        Ui(w).searchButton->click();
        QCOMPARE(SearchLines(), (QStringList{Start, Hit("", "sub1/deep/."), Hit("", "sub1/deep/.."),
                                             Hit("", "sub1/deep/y.txt"), End}));
    }

    void blanksAndEmptyItemsStayInPatterns()
    {
        MainWindow &w = StartAt(R + "/sub1/deep", QStringLiteral("y.txt; y.txt;;"));
        Ui(w).fullExpandCheck->setChecked(false);
        Ui(w).searchButton->click();
        // " y.txt" keeps its leading blank and matches nothing; the two empty
        // items list everything.
        const QStringList all{Hit("", "sub1/deep/."), Hit("", "sub1/deep/.."), Hit("", "sub1/deep/y.txt")};
        QCOMPARE(SearchLines(), QStringList{Start} + QStringList{Hit("y.txt", "sub1/deep/y.txt")} + all + all + QStringList{End});
        QCOMPARE(w.CurrentSearch().PatternCount(), 4);
    }

    void noNodeSelectedWritesOnlyBanners()
    {
        MainWindow &w = f->Start();
        Ui(w).folderTree->setCurrentItem(nullptr);
        Ui(w).folderTree->clearSelection();
        Ui(w).searchButton->click();
        QCOMPARE(SearchLines(), (QStringList{Start, End}));
    }

    void virtualStartNodeWalksItsChildrenWithoutDescending()
    {
        const ScopedTestHooks hooks([](platform::TestHooks &h) { h.accessTest = FakeAccess; });
        MainWindow &w = f->Start();
        Ui(w).patternEdit->setText(QStringLiteral("*.pathwren-matches-nothing"));
        Ui(w).fullExpandCheck->setChecked(false);
        FolderNode *computer = Ui(w).folderTree->MyComputer();
        Ui(w).folderTree->setCurrentItem(computer);
        Ui(w).searchButton->click();
        QCOMPARE(SearchLines(), (QStringList{Start, End}));
        // Each child with a path was tested once; nothing deeper.
        QStringList children;
        for (FolderNode *c = computer->FirstChild(); c; c = c->NextSibling())
            children << c->Path();
        QVERIFY(!children.isEmpty());
        QCOMPARE(g_accessTested, children);
    }

    void statesDuringAndAfterSearch()
    {
        MainWindow &w = StartAt(R, QStringLiteral("*.txt"));
        bool checked = false;
        w.SetYieldObserver([&](int) {
            if (checked)
                return;
            checked = true;
            QVERIFY(!Ui(w).searchButton->isEnabled());
            QVERIFY(!Ui(w).searchCopyButton->isEnabled());
            QVERIFY(Ui(w).stopButton->isEnabled());
            QVERIFY(!Ui(w).fullExpandCheck->isEnabled());
            QVERIFY(w.CurrentSearch().Running());
        });
        Ui(w).searchButton->click();
        QVERIFY(checked);
        QVERIFY(Ui(w).searchButton->isEnabled());
        QVERIFY(Ui(w).searchCopyButton->isEnabled());
        QVERIFY(!Ui(w).stopButton->isEnabled());
        QVERIFY(Ui(w).fullExpandCheck->isEnabled());
        QVERIFY(!w.CurrentSearch().Running());
    }

    // Yields look at the event queue only now and then; a search started
    // right after another still serves what waits at its first yield.
    void firstYieldOfEverySearchServesEvents()
    {
        MainWindow &w = StartAt(R, QStringLiteral("*.txt"));
        Ui(w).searchButton->click();
        bool served = false;
        QTimer::singleShot(0, &w, [&] { served = true; });
        bool servedAtFirst = false;
        w.SetYieldObserver([&](int n) {
            if (n == 1)
                servedAtFirst = served;
        });
        Ui(w).searchButton->click();
        w.SetYieldObserver(nullptr);
        QVERIFY(servedAtFirst);
    }

    void stopDuringStartBannerStillListsStartFolder()
    {
        MainWindow &w = StartAt(R, QStringLiteral("*.doc"));
        w.SetYieldObserver([&](int n) {
            if (n == 1)   // the yield that ends the start banner
                Ui(w).stopButton->click();
        });
        Ui(w).searchButton->click();
        QCOMPARE(SearchLines(), (QStringList{Start, Stop, Hit("*.doc", "notes.doc"), End}));
    }

    void stopInDeepFolderFinishesItsListingOnly()
    {
        testsupport::WriteFile(R + "/sub1/deep/y2.txt", "y2");
        MainWindow &w = StartAt(R, QStringLiteral("*.txt"));
        w.SetYieldObserver([&](int) {
            const QStringList lines = f->Result().Lines();
            if (!w.CurrentSearch().StopRequested() && lines.last() == Hit("*.txt", "sub1/deep/y.txt"))
                Ui(w).stopButton->click();
        });
        Ui(w).searchButton->click();
        QFile::remove(R + "/sub1/deep/y2.txt");
        const QStringList lines = SearchLines();
        const int stopAt = lines.indexOf(Stop);
        QVERIFY(stopAt > 0);
        QCOMPARE(lines.mid(stopAt), (QStringList{Stop, Hit("*.txt", "sub1/deep/y2.txt"), End}));
        QVERIFY(!lines.join('\n').contains(QStringLiteral("Sub3")));
    }

    void unreachableFolderAndNetworkOpen_data()
    {
        QTest::addColumn<bool>("networkOpens");
        QTest::newRow("network refuses") << false;
        QTest::newRow("network opens") << true;
    }
    void unreachableFolderAndNetworkOpen()
    {
        QFETCH(bool, networkOpens);
        g_denied = R + "/sub1";
        g_networkOpens = networkOpens;
        const ScopedTestHooks hooks([](platform::TestHooks &h) {
            h.accessTest = FakeAccess;
            h.networkOpen = FakeNetwork;
        });
        MainWindow &w = StartAt(R, QStringLiteral("*.txt"));
        Ui(w).patternEdit->setText(QStringLiteral("x.txt;y.txt"));
        Ui(w).searchButton->click();
        QStringList expected{Start};
        if (networkOpens)
            expected << QStringLiteral("※※※ アクセスＯＫ！ in ") + R + "/sub1" << Hit("x.txt", "sub1/x.txt")
                     << Hit("y.txt", "sub1/deep/y.txt");
        else
            expected << testsupport::Unreachable(R + "/sub1");
        expected << End;
        QCOMPARE(SearchLines(), expected);
    }

    // Threads read the folders ahead of the walk; the walk still shows each
    // folder as it is when it gets there, in the same order, and a stop ends
    // the walk and every thread with it.  On a slow file system the walk
    // waits for the threads instead of reading, and a stop ends the wait.
    void readAheadShowsFoldersAsVisitedAndStops_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::addColumn<int>("readDelayMs");
        QTest::newRow("changed after the threads read it") << false << 0;
        QTest::newRow("stopped with the threads reading") << true << 0;
        QTest::newRow("slow reads, changed meanwhile") << false << 15;
        QTest::newRow("slow reads, stopped while waiting") << true << 15;
    }
    void readAheadShowsFoldersAsVisitedAndStops()
    {
        QFETCH(bool, stop);
        QFETCH(int, readDelayMs);
        const ScopedTestHooks hooks([&](platform::TestHooks &h) { h.folderReadDelayMilliseconds = readDelayMs; });
        QTemporaryDir dir;
        const QString T = dir.path();
        auto folder = [&](int i) { return T + QStringLiteral("/d%1/e").arg(i, 2, 10, QLatin1Char('0')); };
        for (int i = 0; i < 40; ++i)
            testsupport::WriteFile(folder(i) + "/f.txt", "f");
        MainWindow &w = StartAt(T, QStringLiteral("*.txt"));
        const int threadsBefore = ThreadCount();
        int threadsDuring = 0;
        w.SetYieldObserver([&](int n) {
            // The first yield of the walk, before its first child; with
            // slow reads, a yield while the walk waits for one.
            if (n != (readDelayMs > 0 ? 4 : 2))
                return;
            // Time for the threads to read the whole tree; then it changes.
            // Slow reads change it while most reads are still to come.
            if (readDelayMs == 0)
                QThread::msleep(300);
            threadsDuring = ThreadCount();
            if (stop) {
                Ui(w).stopButton->click();
                return;
            }
            testsupport::WriteFile(folder(5) + "/g.txt", "g");
            QVERIFY(QFile::remove(folder(30) + "/f.txt"));
        });
        Ui(w).searchButton->click();
        w.SetYieldObserver(nullptr);

        QStringList expected{Start};
        if (stop) {
            // The folders the walk finished before the stop, then the stop.
            const QStringList lines = SearchLines();
            const qsizetype done = std::max<qsizetype>(0, lines.size() - 3);
            for (int i = 0; i < done; ++i)
                expected << testsupport::Hit("*.txt", folder(i) + "/f.txt");
            expected << Stop;
        } else {
            for (int i = 0; i < 40; ++i) {
                if (i != 30)
                    expected << testsupport::Hit("*.txt", folder(i) + "/f.txt");
                if (i == 5)
                    expected << testsupport::Hit("*.txt", folder(i) + "/g.txt");
            }
            QVERIFY(w.CurrentSearch().ReadsTakenAhead() > 0);
        }
        expected << End;
        QCOMPARE(SearchLines(), expected);
        QVERIFY(threadsDuring > threadsBefore);
        QCOMPARE(ThreadCount(), threadsBefore);
    }

    void refusedListingReportsAndWalkGoesOn()
    {
        g_refused = R + "/sub1";
        const ScopedTestHooks hooks([](platform::TestHooks &h) { h.listingFault = FakeListing; });
        MainWindow &w = StartAt(R, QStringLiteral("*.txt;*.doc"));
        Ui(w).searchButton->click();
        const QStringList lines = SearchLines();
        const int err = lines.indexOf(QStringLiteral("※※※ Error in SearchFile"));
        QVERIFY(err > 0);
        QCOMPARE(lines.count(QStringLiteral("※※※ Error in SearchFile")), 1);
        QVERIFY(lines.contains(Hit("*.txt", "sub1/deep/y.txt")));
        QVERIFY(lines.contains(Hit("*.doc", "Sub3/z.doc")));
        QCOMPARE(lines.last(), End);
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
