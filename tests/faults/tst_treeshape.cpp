// Trees of awkward shape: symlink loops under full expansion, a tree 200
// levels deep and a folder of 100,000 entries.  The walk ends, every level
// is listed, and nothing is copied twice or onto itself.
#include "mainfixture.h"
#include "faultsupport.h"

#include "foldertree/foldertree.h"
#include "fixtures.h"
#include "platform/listing.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace faults;

class TestTreeShape : public QObject, private CopyFolders {
    Q_OBJECT
private:
    std::unique_ptr<MainFixture> f;

    MainWindow &StartAt(const QString &path, const QString &pattern) { return f->StartAt(path, pattern, D); }
    QStringList Run(MainWindow &w, bool copy)
    {
        ModalWatch modal;
        (copy ? Ui(w).searchCopyButton : Ui(w).searchButton)->click();
        if (!modal.texts.isEmpty())
            qWarning("unexpected box: %s", qPrintable(modal.texts.join(" | ")));
        return From(f->Result().Lines(), copy ? CopyStart : SearchStart);
    }

private slots:
    void init()
    {
        f = std::make_unique<MainFixture>();
        MakeFolders();
    }
    void cleanup()
    {
        f.reset();
        RemoveFolders();
    }

    // Links that lead back: to the folder itself, to a folder that holds it
    // (up to "/"), to the walk's own start.  The walk starts at the folder
    // either through "/" or as the home folder, which the tree shows at the
    // top; and the links are either there from the start or take the place
    // of folders the tree has already shown.
    void symlinkLoops_data()
    {
        QTest::addColumn<bool>("copy");
        QTest::addColumn<bool>("home");
        QTest::addColumn<bool>("swapped");
        for (const bool copy : {false, true}) {
            for (const bool home : {false, true}) {
                for (const bool swapped : {false, true}) {
                    QTest::addRow("%s, through %s%s", copy ? "copy" : "search", home ? "the home folder" : "/",
                                  swapped ? ", shown folders swapped for links" : "")
                        << copy << home << swapped;
                }
            }
        }
    }
    void symlinkLoops()
    {
        QFETCH(bool, copy);
        QFETCH(bool, home);
        QFETCH(bool, swapped);
        using testsupport::WriteFile;
        WriteFile(S + "/r.pwt", "r");
        WriteFile(S + "/a/f.pwt", "f");
        WriteFile(S + "/b/g.pwt", "g");
        WriteFile(S + "/c/h.pwt", "h");
        QVERIFY(QFile::link(QStringLiteral("y"), S + "/c/x"));   // x -> y -> x: no folder at all
        QVERIFY(QFile::link(QStringLiteral("x"), S + "/c/y"));
        const QList<QPair<QString, QString>> links{
            {"a/self", "."},                        // the folder itself
            {"a/up", ".."},                         // its parent, the start
            {"b/abs", S},                           // the start, absolute
            {"b/outer", QFileInfo(S).path()},       // holds the start, above the home folder
            {"b/root", "/"},
            {"p", "/proc"},                         // a pseudo file system: never entered
        };
        if (swapped) {
            for (const auto &link : links)
                WriteFile(S + "/" + link.first + "/old/o.pwt", "o");
        } else {
            for (const auto &link : links)
                QVERIFY(QFile::link(link.second, S + "/" + link.first));
        }

        const QByteArray realHome = qgetenv("HOME");
        if (home)
            qputenv("HOME", S.toLocal8Bit());
        MainWindow &w = StartAt(home ? QString() : S, QStringLiteral("*.pwt;cpuinfo"));
        qputenv("HOME", realHome);
        const MainControls ui(w);
        FolderNode *start = ui.folderTree->SelectedFolder();
        if (home) {
            FolderNode *volume = ui.folderTree->MyComputer()->FirstChild();
            while (volume && volume->Path() != S)
                volume = volume->NextSibling();
            QVERIFY(volume);
            ui.folderTree->setCurrentItem(volume);
            start = volume;
        }
        QCOMPARE(ui.folderTree->SelectedFolder(), start);
        if (swapped) {
            // The tree reads every one of them as a folder with a subfolder,
            // then each becomes its link.
            for (const auto &link : links) {
                FolderNode *node = start;
                for (const QString &part : link.first.split('/')) {
                    node->ShowChildren(true);
                    node = node->FirstChild();
                    while (node && node->DisplayName() != part)
                        node = node->NextSibling();
                    QVERIFY(node);
                }
                node->ShowChildren(true);
                QVERIFY(node->FirstChild());
                QVERIFY(QDir(S + "/" + link.first).removeRecursively());
                QVERIFY(QFile::link(link.second, S + "/" + link.first));
            }
        }
        const QString digest = testsupport::TreeDigest(S);
        // Should the walk go astray after all, it ends here rather than never.
        w.SetYieldObserver([&ui](int n) {
            if (n == 5000)
                ui.stopButton->click();
        });
        const QStringList lines = Run(w, copy);

        // A link that leads back is listed once, as a leaf.
        const QStringList visits{"r.pwt", "a/f.pwt", "a/self/f.pwt", "a/up/r.pwt", "b/g.pwt", "b/abs/r.pwt", "c/h.pwt"};
        QStringList expected{copy ? CopyStart : SearchStart};
        QStringList copies;
        for (const QString &rel : visits) {
            const QString path = S + "/" + rel;
            expected << (copy ? Copied("*.pwt", path) : Hit("*.pwt", path));
            const QString folder = Flat(QFileInfo(path).path());
            copies << folder + "/" << folder + "/" + QFileInfo(path).fileName();
        }
        expected << End;
        QCOMPARE(lines, expected);
        copies.sort();
        QCOMPARE(Entries(D), copy ? copies : QStringList());
        QCOMPARE(testsupport::TreeDigest(S), digest);
    }

    void twoHundredLevelsDeep_data()
    {
        QTest::addColumn<bool>("copy");
        QTest::newRow("search") << false;
        QTest::newRow("copy") << true;
    }
    void twoHundredLevelsDeep()
    {
        QFETCH(bool, copy);
        QStringList folders{S};
        for (int level = 1; level <= 200; ++level)
            folders << folders.last() + "/d";
        for (const QString &folder : folders)
            QVERIFY(testsupport::WriteFile(folder + "/f.txt", folder.toUtf8()));
        const QString digest = testsupport::TreeDigest(S);

        MainWindow &w = StartAt(S, QStringLiteral("*.txt"));
        const QStringList lines = Run(w, copy);

        // Every level is listed, in order.  A copy needs a destination
        // folder named after the whole path; once that name passes 255
        // bytes the level is reported and the walk goes on below it.
        QStringList expected{copy ? CopyStart : SearchStart};
        QStringList copies;
        for (const QString &folder : folders) {
            const QString file = folder + "/f.txt";
            if (!copy) {
                expected << Hit("*.txt", file);
            } else if (Flat(folder).toUtf8().size() > 255) {
                expected << CopyDirectoryError;
            } else {
                expected << Copied("*.txt", file);
                copies << Flat(folder) + "/" << Flat(folder) + "/f.txt";
            }
        }
        expected << End;
        QCOMPARE(lines, expected);
        copies.sort();
        QCOMPARE(Entries(D), copy ? copies : QStringList());
        QCOMPARE(testsupport::TreeDigest(S), digest);
    }

    void hundredThousandEntries()
    {
        // Creating 100,000 files is bound by the disk; in memory when the
        // system offers a place there, reached through a link in the tree
        // (the folder tree does not show what lies below /dev).
        std::unique_ptr<QTemporaryDir> memory;
        if (QFileInfo(QStringLiteral("/dev/shm")).isDir() && QFileInfo(QStringLiteral("/dev/shm")).isWritable())
            memory = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/tst_treeshape-XXXXXX"));
        const QString base = memory && memory->isValid() ? memory->path() : S;
        const QString wide = S + "/wide";
        QVERIFY(QDir().mkdir(base + "/wide"));
        if (base != S)
            QVERIFY(QFile::link(base + "/wide", wide));
        QStringList all;
        for (int i = 0; i < 100000; ++i)
            all << QStringLiteral("f%1").arg(i, 6, 10, QLatin1Char('0'));
        QVERIFY(fixtures::MakeEmptyFiles(wide, all));
        QVERIFY(testsupport::WriteFile(wide + "/f099995", "with content"));
        const QString digest = testsupport::TreeDigest(base);

        platform::DirListing listing;
        QCOMPARE(listing.Open(wide, QStringLiteral("*"), platform::AttrAll), platform::DirListing::Status::Ok);
        QStringList names;
        for (QString name = listing.Next(); !name.isEmpty(); name = listing.Next())
            names << name;
        QCOMPARE(names.size(), 100002);
        QCOMPARE(names.mid(0, 3), (QStringList{".", "..", "f000000"}));
        QCOMPARE(names.last(), QStringLiteral("f099999"));

        QStringList hits, copied, copies{Flat(wide) + "/"};
        for (int i = 99990; i < 100000; ++i) {
            const QString name = QStringLiteral("f%1").arg(i, 6, 10, QLatin1Char('0'));
            hits << Hit("f09999?", wide + "/" + name);
            copied << Copied("f09999?", wide + "/" + name);
            copies << Flat(wide) + "/" + name;
        }
        MainWindow &w = StartAt(wide, QStringLiteral("f09999?"));
        QCOMPARE(Run(w, false), QStringList{SearchStart} + hits + QStringList{End});
        QCOMPARE(Run(w, true), QStringList{CopyStart} + copied + QStringList{End});
        QCOMPARE(Entries(D), copies);
        QCOMPARE(testsupport::ReadFile(D + "/" + Flat(wide) + "/f099995"), QByteArray("with content"));
        QCOMPARE(testsupport::TreeDigest(base), digest);
    }
};

QTEST_MAIN(TestTreeShape)
#include "tst_treeshape.moc"
