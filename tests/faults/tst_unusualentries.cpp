// Entries that are no regular file: FIFOs, sockets, dangling and looping
// symlinks.  The plain search lists them; the copy never opens them, on
// either side, and nothing waits on a FIFO.
#include "mainfixture.h"
#include "faultsupport.h"

#include "common/filecopy.h"
#include "foldertree/foldertree.h"
#include "fixtures.h"
#include "testchannel.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

using namespace faults;

class TestUnusualEntries : public QObject, private CopyFolders {
    Q_OBJECT
private:
    std::unique_ptr<MainFixture> f;

    // The matching entries, in the listing's order (upper-cased names).
    const QStringList m_names{"p-dangling.txt", "p-fifo.txt", "p-file-link.txt", "p-loop.txt",
                              "p-sock.txt", "p-to-fifo.txt", "p.txt"};

    MainWindow &StartAt(const QString &pattern) { return f->StartAt(S, pattern, D); }

private slots:
    void init()
    {
        f = std::make_unique<MainFixture>();
        MakeFolders();
        using namespace fixtures;
        QVERIFY(testsupport::WriteFile(S + "/p.txt", "plain"));
        QVERIFY(MakeFifo(S + "/p-fifo.txt"));
        QVERIFY(MakeSocket(S + "/p-sock.txt"));
        QVERIFY(QFile::link(S + "/nowhere", S + "/p-dangling.txt"));
        QVERIFY(QFile::link(S + "/p-loop.txt", S + "/p-loop.txt"));
        QVERIFY(QFile::link(S + "/p-fifo.txt", S + "/p-to-fifo.txt"));
        QVERIFY(QFile::link(S + "/p.txt", S + "/p-file-link.txt"));
    }
    void cleanup()
    {
        f.reset();
        RemoveFolders();
    }

    void plainSearchListsThemAll()
    {
        const QString digest = testsupport::TreeDigest(S);
        MainWindow &w = StartAt(QStringLiteral("p*"));
        Ui(w).searchButton->click();
        QStringList expected{SearchStart};
        for (const QString &name : m_names)
            expected << Hit("p*", S + "/" + name);
        expected << End;
        QCOMPARE(From(f->Result().Lines(), SearchStart), expected);
        QCOMPARE(testsupport::TreeDigest(S), digest);
    }

    void searchWithCopyTakesRegularFilesOnly()
    {
        const QString digest = testsupport::TreeDigest(S);
        MainWindow &w = StartAt(QStringLiteral("p*"));
        ModalWatch modal;
        Ui(w).searchCopyButton->click();
        // A link to a regular file is a regular file; its bytes are copied
        // into a plain file.
        QCOMPARE(From(f->Result().Lines(), CopyStart),
                 (QStringList{CopyStart, Copied("p*", S + "/p-file-link.txt"), Copied("p*", S + "/p.txt"), End}));
        const QString out = D + "/" + Flat(S);
        QCOMPARE(Entries(D), (QStringList{Flat(S) + "/", Flat(S) + "/p-file-link.txt", Flat(S) + "/p.txt"}));
        QVERIFY(!QFileInfo(out + "/p-file-link.txt").isSymLink());
        QCOMPARE(testsupport::ReadFile(out + "/p-file-link.txt"), QByteArray("plain"));
        QCOMPARE(testsupport::ReadFile(out + "/p.txt"), QByteArray("plain"));
        QCOMPARE(testsupport::TreeDigest(S), digest);
        QCOMPARE(modal.texts, QStringList());
    }

    // The destination already holds something of the copied file's name that
    // is no regular file: the copy of that file fails, the thing is left
    // alone (never opened, never replaced), and nothing hangs.
    void specialEntryAtTheDestination_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("socket") << "socket";
        QTest::newRow("dangling symlink") << "dangling";
        QTest::newRow("symlink to a FIFO") << "link-to-fifo";
        QTest::newRow("folder") << "folder";
    }
    void specialEntryAtTheDestination()
    {
        QFETCH(QString, kind);
        const QString src = S + "/files";
        QVERIFY(testsupport::WriteFile(src + "/a.txt", "alpha"));
        QVERIFY(testsupport::WriteFile(src + "/b.txt", "bravo"));
        const QString out = D + "/out";
        QVERIFY(QDir().mkpath(out));
        QVERIFY(MakeOddEntry(kind, out + "/a.txt", D + "/fifo"));
        const QStringList before = Entries(D);
        const QString digest = testsupport::TreeDigest(src);

        TestChannel host;
        const int64_t copied = common::CopyMatchingFiles(src, out, QStringLiteral("*.txt"), host);
        QCOMPARE(copied, int64_t(0));
        QCOMPARE(host.lines, QStringList{CopyFileError});
        QCOMPARE(Entries(D), before);
        QCOMPARE(testsupport::TreeDigest(src), digest);
    }

    // The result list is saved only as a regular file: onto anything else
    // (or a link to it) the save is refused with a box that says why, and
    // the entry is neither opened nor replaced.  A link to a regular file
    // has that file written and stays a link.
    void saveOntoEntryThatIsNoRegularFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why");   // in the box; empty: saved
        const QString special = QStringLiteral("通常のファイルではありません");
        QTest::newRow("FIFO") << "fifo" << special;
        QTest::newRow("socket") << "socket" << special;
        QTest::newRow("symlink to a FIFO") << "link-to-fifo" << special;
        QTest::newRow("device") << "device" << special;
        QTest::newRow("symlink to a device") << "link-to-device" << special;
        QTest::newRow("folder") << "folder" << special;
        QTest::newRow("dangling symlink") << "dangling" << qt_error_string(ENOENT);
        QTest::newRow("symlink to a regular file") << "link-to-file" << QString();
    }
    void saveOntoEntryThatIsNoRegularFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, why);
        if (kind.contains(QLatin1String("device")) && !fixtures::RunningAsRoot())
            QSKIP("making a device needs root");
        const QString target = D + "/list.txt";
        const QString other = D + "/other";
        if (kind == QLatin1String("link-to-file"))
            QVERIFY(testsupport::WriteFile(other, "OLD CONTENT\n") && QFile::link(other, target));
        else
            QVERIFY(MakeOddEntry(kind, target, other));
        const QStringList before = Entries(D);
        f->Start();
        ResultWindow &r = f->Result();
        r.AppendLine(Hit(QStringLiteral("*"), S + QStringLiteral("/p.txt")));

        QCOMPARE(r.SaveLines(target), why.isEmpty());
        auto *box = r.findChild<QMessageBox *>(QStringLiteral("saveFailedBox"));
        QCOMPARE(box != nullptr, !why.isEmpty());
        if (box) {
            QVERIFY(box->isVisible());
            QVERIFY2(box->text().startsWith(QStringLiteral("結果を保存できませんでした。")) && box->text().contains(why),
                     qPrintable(box->text()));
            box->accept();
        }
        QCOMPARE(Entries(D), before);
        const QFileInfo info(target);
        if (kind.contains(QLatin1String("link")) || kind == QLatin1String("dangling"))
            QVERIFY(info.isSymLink());
        if (kind == QLatin1String("link-to-file"))
            QCOMPARE(testsupport::ReadFile(other), (r.Lines().join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        else if (kind.contains(QLatin1String("device")))
            QVERIFY(!QFileInfo(kind == QLatin1String("device") ? target : other).isFile());
    }
};

QTEST_MAIN(TestUnusualEntries)
#include "tst_unusualentries.moc"
