// Entries that vanish or change under a running search: a folder removed
// after the tree knows it, a file removed or swapped for something else
// between the listing and its copy.
#include "mainfixture.h"
#include "faultsupport.h"

#include "common/filecopy.h"
#include "foldertree/foldertree.h"
#include "platform/fileaccess.h"
#include "fixtures.h"
#include "testchannel.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace faults;

namespace {
QString g_vanishOnTest;   // folder removed by the access test itself

bool RemovingAccessTest(const QString &path)
{
    const bool there = QFileInfo::exists(path);
    if (path == g_vanishOnTest)
        QDir(path).removeRecursively();
    return there;
}
} // namespace

class TestVanishing : public QObject, private CopyFolders {
    Q_OBJECT
private:
    std::unique_ptr<MainFixture> f;

private slots:
    void init()
    {
        f = std::make_unique<MainFixture>();
        MakeFolders();
        using testsupport::WriteFile;
        WriteFile(S + "/r.txt", "root");
        WriteFile(S + "/a/x.txt", "ex");
        WriteFile(S + "/b/y.txt", "why");
        WriteFile(S + "/b/deep/z.txt", "zed");
        WriteFile(S + "/c/w.txt", "double-u");
    }
    void cleanup()
    {
        g_vanishOnTest.clear();
        f.reset();
        RemoveFolders();
    }

    // Events: "+rel" a hit (or copy) of S/rel, "!rel" S/rel unreachable.
    void folderRemovedDuringWalk_data()
    {
        QTest::addColumn<bool>("copy");
        QTest::addColumn<QString>("trigger");   // "+rel": after that line; "test": at its access test
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QStringList>("events");
        for (const bool copy : {false, true}) {
            const char *mode = copy ? "copy" : "search";
            QTest::addRow("%s: sibling removed before the walk reaches it", mode)
                << copy << "+a/x.txt" << "b" << QStringList{"+r.txt", "+a/x.txt", "!b", "+c/w.txt"};
            QTest::addRow("%s: removed between its access test and its listing", mode)
                << copy << "test" << "b" << QStringList{"+r.txt", "+a/x.txt", "+c/w.txt"};
            QTest::addRow("%s: subfolder removed while its parent is listed", mode)
                << copy << "+b/y.txt" << "b/deep" << QStringList{"+r.txt", "+a/x.txt", "+b/y.txt", "!b/deep", "+c/w.txt"};
            QTest::addRow("%s: start folder removed after its own listing", mode)
                << copy << "+r.txt" << "" << QStringList{"+r.txt", "!a", "!b", "!c"};
        }
    }
    void folderRemovedDuringWalk()
    {
        QFETCH(bool, copy);
        QFETCH(QString, trigger);
        QFETCH(QString, removed);
        QFETCH(QStringList, events);

        const QString pattern = QStringLiteral("*.txt");
        const QString gone = removed.isEmpty() ? S : S + "/" + removed;
        auto line = [&](const QString &rel) {
            return copy ? Copied(pattern, S + "/" + rel) : Hit(pattern, S + "/" + rel);
        };
        QString expectedDigest = testsupport::TreeDigest(S);
        expectedDigest = removed.isEmpty() ? QString() : DigestWithout(expectedDigest, removed);

        MainWindow &w = f->Start();
        Ui(w).patternEdit->setText(pattern);
        Ui(w).destinationEdit->setText(D);
        QVERIFY(Ui(w).folderTree->SelectPath(S));
        ScopedTestHooks hooks;
        if (trigger == QLatin1String("test")) {
            g_vanishOnTest = gone;
            hooks.Change([](platform::TestHooks &h) { h.accessTest = RemovingAccessTest; });
        } else {
            const QString after = line(trigger.mid(1));
            w.SetYieldObserver([&, after](int) {
                if (QFileInfo::exists(gone) && f->Result().Lines().last() == after)
                    QVERIFY(QDir(gone).removeRecursively());
            });
        }
        ModalWatch modal;
        (copy ? Ui(w).searchCopyButton : Ui(w).searchButton)->click();

        QStringList expected{copy ? CopyStart : SearchStart};
        QStringList copies;
        for (const QString &e : events) {
            const QString rel = e.mid(1);
            if (e.startsWith('+')) {
                expected << line(rel);
                const QString folder = QFileInfo(S + "/" + rel).path();
                copies << Flat(folder) + "/" << Flat(folder) + "/" + QFileInfo(rel).fileName();
            } else {
                expected << Unreachable(S + "/" + rel);
            }
        }
        expected << End;
        QCOMPARE(From(f->Result().Lines(), expected.first()), expected);
        QVERIFY(!QFileInfo::exists(gone));
        QCOMPARE(testsupport::TreeDigest(S), expectedDigest);
        copies.sort();
        QCOMPARE(Entries(D), copy ? copies : QStringList());
        QCOMPARE(modal.texts, QStringList());
    }

    // CopyMatchingFiles lists a.txt, b.txt, c.txt; before the first file is
    // copied, b.txt is removed or swapped for something that is no file.
    void fileChangedBetweenListingAndCopy_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("removed") << "removed";
        QTest::newRow("replaced by a FIFO") << "fifo";
        QTest::newRow("replaced by a socket") << "socket";
        QTest::newRow("replaced by a folder") << "folder";
        QTest::newRow("replaced by a dangling symlink") << "dangling";
        QTest::newRow("replaced by a symlink to a FIFO") << "link-to-fifo";
    }
    void fileChangedBetweenListingAndCopy()
    {
        QFETCH(QString, change);
        const QString src = S + "/flat";
        using testsupport::WriteFile;
        WriteFile(src + "/a.txt", "alpha");
        WriteFile(src + "/b.txt", "bravo");
        WriteFile(src + "/c.txt", "charlie");
        const QString victim = src + "/b.txt";
        const QString digest = testsupport::TreeDigest(src);
        const QString out = D + "/out";

        TestChannel host;
        host.onYield = [&](int n) {
            if (n != 1)
                return;
            QVERIFY(QFile::remove(victim));
            if (change != QLatin1String("removed"))
                QVERIFY(MakeOddEntry(change, victim, src + "/.fifo"));
        };
        const int64_t copied = common::CopyMatchingFiles(src, out, QStringLiteral("*.txt"), host);

        // The file that changed is a failure of its own copy; as always after
        // a failed copy, the rest of that pattern's listing is not tried.
        QCOMPARE(copied, int64_t(1));
        QCOMPARE(host.lines, (QStringList{Copied("*.txt", src + "/a.txt"), CopyFileError}));
        QCOMPARE(Entries(out), QStringList{"a.txt"});
        QCOMPARE(testsupport::ReadFile(out + "/a.txt"), QByteArray("alpha"));
        // Nothing else in the source was touched.
        QCOMPARE(DigestWithout(DigestWithout(testsupport::TreeDigest(src), "b.txt"), ".fifo"),
                 DigestWithout(digest, "b.txt"));
        QCOMPARE(testsupport::ReadFile(src + "/c.txt"), QByteArray("charlie"));
    }
};

QTEST_MAIN(TestVanishing)
#include "tst_vanishing.moc"
