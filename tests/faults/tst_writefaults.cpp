// Writes that fail in the middle of a file: an injected failure, the file
// size limit, and a destination file system that is full.  The old
// destination file must stay intact and no partial file may be left.
#include "mainfixture.h"
#include "faultsupport.h"

#include "common/filecopy.h"
#include "foldertree/foldertree.h"
#include "platform/fileio.h"
#include "fixtures.h"
#include "testchannel.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>

using namespace faults;

namespace {
bool g_armed = false;
int64_t g_failFrom = 0;

bool FailWhenArmed(int64_t written)
{
    return !(g_armed && written >= g_failFrom);
}

QByteArray Pattern(int size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        data[i] = char('A' + (i * 7) % 26);
    return data;
}

const char *const ChildFlag = "PATHWREN_TEST_IN_MOUNT_NAMESPACE";

// A result window holding `count` hit lines, about 60 bytes each.
ResultWindow &ListOfHits(MainFixture &f, int count)
{
    f.Start();
    ResultWindow &r = f.Result();
    for (int i = 0; i < count; ++i)
        r.AppendLine(Hit(QStringLiteral("*.txt"), QStringLiteral("/home/user/documents/report-%1.txt").arg(i)));
    return r;
}

// The failure box a save left open, closed; its text, or empty without one.
QString TakeSaveFailureBox(ResultWindow &r)
{
    // A box closed before is deleted later: only a shown one counts.
    for (QMessageBox *box : r.findChildren<QMessageBox *>(QStringLiteral("saveFailedBox"))) {
        if (box->isVisible()) {
            const QString text = box->text();
            box->accept();
            return text;
        }
    }
    return QString();
}
} // namespace

class TestWriteFaults : public QObject, private CopyFolders {
    Q_OBJECT
private:
    int64_t m_sizeLimit = -1;

    // a.txt, big.bin (two whole copy chunks and a rest), c.txt;
    // the destination folder `out` holds an older big.bin when `old` is set.
    QString MakeFiles(const QString &out, bool old)
    {
        using testsupport::WriteFile;
        WriteFile(S + "/a.txt", "alpha");
        WriteFile(S + "/big.bin", Pattern(int(2 * common::CopyChunkBytes + 1808)));
        WriteFile(S + "/c.txt", "charlie");
        if (old)
            WriteFile(out + "/big.bin", "OLD CONTENT");
        return testsupport::TreeDigest(S);
    }
    // The common outcome: a.txt copied, big.bin failed (old one kept), the
    // rest of the listing not tried, nothing half-written anywhere.
    void CheckOutcome(const TestChannel &host, int64_t copied, const QString &out, bool old, const QString &digest)
    {
        QCOMPARE(copied, int64_t(1));
        QCOMPARE(host.lines, (QStringList{Copied("*", S + "/a.txt"), CopyFileError}));
        QCOMPARE(Entries(out), old ? (QStringList{"a.txt", "big.bin"}) : QStringList{"a.txt"});
        if (old)
            QCOMPARE(testsupport::ReadFile(out + "/big.bin"), QByteArray("OLD CONTENT"));
        QCOMPARE(testsupport::ReadFile(out + "/a.txt"), QByteArray("alpha"));
        QCOMPARE(testsupport::TreeDigest(S), digest);
    }

private slots:
    void init()
    {
        MakeFolders();
        m_sizeLimit = fixtures::FileSizeLimit();
    }
    void cleanup()
    {
        fixtures::SetFileSizeLimit(m_sizeLimit);
        g_armed = false;
        RemoveFolders();
    }

    void writeFailsMidFile_data()
    {
        QTest::addColumn<int>("failFrom");
        QTest::addColumn<bool>("old");
        for (const bool old : {true, false}) {
            const char *what = old ? "over an older file" : "new file";
            QTest::addRow("%s, first block", what) << 0 << old;
            QTest::addRow("%s, second chunk", what) << int(common::CopyChunkBytes) << old;
            QTest::addRow("%s, the rest after two chunks", what) << int(2 * common::CopyChunkBytes) << old;
        }
    }
    void writeFailsMidFile()
    {
        QFETCH(int, failFrom);
        QFETCH(bool, old);
        const QString out = D + "/out";
        const QString digest = MakeFiles(out, old);
        g_failFrom = failFrom;
        const ScopedTestHooks hooks([](platform::TestHooks &h) { h.writeFault = FailWhenArmed; });
        TestChannel host;
        // Yield 3 comes right before big.bin (1: before a.txt, 2: its line);
        // the yields between big.bin's chunks follow.
        host.onYield = [](int n) { g_armed = n >= 3; };
        const int64_t copied = common::CopyMatchingFiles(S, out, QStringLiteral("*"), host);
        CheckOutcome(host, copied, out, old, digest);
    }

    void fileSizeLimitReached_data()
    {
        QTest::addColumn<bool>("old");
        QTest::newRow("over an older file") << true;
        QTest::newRow("new file") << false;
    }
    void fileSizeLimitReached()
    {
        QFETCH(bool, old);
        const QString out = D + "/out";
        const QString digest = MakeFiles(out, old);
        // Beyond the limit a write fails (EFBIG) instead of killing the
        // program with SIGXFSZ.
        QVERIFY(fixtures::SetFileSizeLimit(6000));
        TestChannel host;
        const int64_t copied = common::CopyMatchingFiles(S, out, QStringLiteral("*"), host);
        QVERIFY(fixtures::SetFileSizeLimit(m_sizeLimit));
        CheckOutcome(host, copied, out, old, digest);
    }

    // A real ENOSPC: a 64 KiB tmpfs as the destination.  Mounting needs root
    // and is done in a private mount namespace (the test runs itself again
    // under unshare), so no other process ever sees the mount.
    void destinationFileSystemFull()
    {
        if (!qEnvironmentVariableIsSet(ChildFlag)) {
            if (!fixtures::RunningAsRoot())
                QSKIP("mounting a small tmpfs needs root");
            const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
            if (unshare.isEmpty())
                QSKIP("unshare(1) is not installed");
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QString::fromLatin1(ChildFlag), QStringLiteral("1"));
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(unshare, {QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
                                  QCoreApplication::applicationFilePath(), QStringLiteral("destinationFileSystemFull")});
            QVERIFY(child.waitForFinished(60000));
            const QString output = QString::fromLocal8Bit(child.readAll());
            if (output.contains(QStringLiteral("no private mount namespace")) || output.contains(QStringLiteral("unshare: ")))
                QSKIP("no private mount namespace here");
            if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
                qWarning("%s", qPrintable(output));
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QCOMPARE(child.exitCode(), 0);
            QVERIFY2(output.contains(QStringLiteral("PASS   : TestWriteFaults::destinationFileSystemFull()")), qPrintable(output));
            return;
        }

        const QString mountPoint = D + "/small";
        QVERIFY(QDir().mkdir(mountPoint));
        QProcess mount;
        mount.start(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                             QStringLiteral("size=64k"), QStringLiteral("tmpfs"), mountPoint});
        if (!mount.waitForFinished(30000) || mount.exitCode() != 0)
            QSKIP("no private mount namespace: mount failed");
        using testsupport::WriteFile;
        const QString out = mountPoint + "/out";
        WriteFile(S + "/a.txt", "alpha");
        WriteFile(S + "/big.bin", Pattern(200 * 1024));
        WriteFile(S + "/c.txt", "charlie");
        WriteFile(out + "/big.bin", "OLD CONTENT");
        const QString digest = testsupport::TreeDigest(S);

        TestChannel host;
        const int64_t copied = common::CopyMatchingFiles(S, out, QStringLiteral("*"), host);
        const QStringList entries = Entries(out);
        const QByteArray kept = testsupport::ReadFile(out + "/big.bin");

        // The result list saved onto the full disk (filled to the last byte),
        // over an older file and as a new one: a list of a few lines.
        const QString lists = mountPoint + "/lists";
        QVERIFY(QDir().mkdir(lists));
        QVERIFY(WriteFile(lists + "/list.txt", "OLD CONTENT\n"));
        {
            QFile filler(mountPoint + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size()) {
            }
        }
        MainFixture f;
        ResultWindow &r = ListOfHits(f, 3);
        const bool savedOverOk = r.SaveLines(lists + "/list.txt");
        const QString failureOver = TakeSaveFailureBox(r);
        const QStringList savedOver = Entries(lists);
        const QByteArray keptList = testsupport::ReadFile(lists + "/list.txt");
        QVERIFY(QFile::remove(lists + "/list.txt"));
        QFile::remove(mountPoint + "/filler");
        {
            // Full again, now that the older list is gone.
            QFile filler(mountPoint + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size()) {
            }
        }
        const bool savedNewOk = r.SaveLines(lists + "/list.txt");
        const QString failureNew = TakeSaveFailureBox(r);
        const QStringList savedNew = Entries(lists);
        QProcess::execute(QStringLiteral("umount"), {mountPoint});
        QVERIFY(!savedOverOk);
        QVERIFY(!savedNewOk);

        QCOMPARE(copied, int64_t(1));
        QCOMPARE(host.lines, (QStringList{Copied("*", S + "/a.txt"), CopyFileError}));
        QCOMPARE(entries, (QStringList{"a.txt", "big.bin"}));
        QCOMPARE(kept, QByteArray("OLD CONTENT"));
        QCOMPARE(testsupport::TreeDigest(S), digest);
        QCOMPARE(savedOver, QStringList{QStringLiteral("list.txt")});
        QCOMPARE(keptList, QByteArray("OLD CONTENT\n"));
        QVERIFY2(failureOver.contains(qt_error_string(ENOSPC)), qPrintable(failureOver));
        QCOMPARE(savedNew, QStringList());
        QVERIFY2(failureNew.contains(qt_error_string(ENOSPC)), qPrintable(failureNew));
    }

    // Saving the result list where the writes fail: the box says so, an
    // older file keeps its content, no partial file is left.  (A real full
    // disk: destinationFileSystemFull.)
    void saveFailsAndKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("failFrom");
        QTest::addColumn<bool>("old");
        for (const bool old : {true, false}) {
            const char *what = old ? "over an older file" : "new file";
            QTest::addRow("%s, first write", what) << 0 << old;
            QTest::addRow("%s, second megabyte", what) << (1 << 20) << old;
        }
    }
    void saveFailsAndKeepsTheOldFile()
    {
        QFETCH(int, failFrom);
        QFETCH(bool, old);
        MainFixture f;
        ResultWindow &r = ListOfHits(f, 40000);   // about 2.4 MB
        const QString out = D + "/list.txt";
        if (old)
            QVERIFY(testsupport::WriteFile(out, "OLD CONTENT\n"));
        g_armed = true;
        g_failFrom = failFrom;
        f.hooks.Change([](platform::TestHooks &h) { h.writeFault = FailWhenArmed; });

        QVERIFY(!r.SaveLines(out));
        const QString failure = TakeSaveFailureBox(r);
        QVERIFY2(failure.startsWith(QStringLiteral("結果を保存できませんでした。")), qPrintable(failure));
        QVERIFY2(failure.contains(qt_error_string(ENOSPC)), qPrintable(failure));
        QCOMPARE(Entries(D), old ? QStringList{QStringLiteral("list.txt")} : QStringList());
        if (old)
            QCOMPARE(testsupport::ReadFile(out), QByteArray("OLD CONTENT\n"));

        // The same save with room to write replaces the file whole.
        g_armed = false;
        QVERIFY(r.SaveLines(out));
        QCOMPARE(TakeSaveFailureBox(r), QString());
        QCOMPARE(Entries(D), QStringList{QStringLiteral("list.txt")});
        QCOMPARE(testsupport::ReadFile(out), (r.Lines().join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    }

    // Through the window: the failed file is reported, the walk goes on and
    // the next folder is copied.
    void writeFailureDuringSearchWithCopy()
    {
        MainFixture f;
        using testsupport::WriteFile;
        WriteFile(S + "/a.txt", "alpha");
        WriteFile(S + "/big.bin", Pattern(int(common::CopyChunkBytes + 10000)));
        WriteFile(S + "/sub/x.txt", "ex");
        WriteFile(D + "/" + Flat(S) + "/big.bin", "OLD CONTENT");
        const QString digest = testsupport::TreeDigest(S);
        g_armed = true;
        g_failFrom = common::CopyChunkBytes;
        f.hooks.Change([](platform::TestHooks &h) { h.writeFault = FailWhenArmed; });

        MainWindow &w = f.Start();
        Ui(w).patternEdit->setText(QStringLiteral("*"));
        Ui(w).destinationEdit->setText(D);
        QVERIFY(Ui(w).folderTree->SelectPath(S));
        ModalWatch modal;
        Ui(w).searchCopyButton->click();

        QCOMPARE(From(f.Result().Lines(), CopyStart),
                 (QStringList{CopyStart, Copied("*", S + "/a.txt"), CopyFileError, Copied("*", S + "/sub/x.txt"), End}));
        QCOMPARE(Entries(D), (QStringList{Flat(S) + "/", Flat(S) + "/a.txt", Flat(S) + "/big.bin",
                                          Flat(S + "/sub") + "/", Flat(S + "/sub") + "/x.txt"}));
        QCOMPARE(testsupport::ReadFile(D + "/" + Flat(S) + "/big.bin"), QByteArray("OLD CONTENT"));
        QCOMPARE(testsupport::TreeDigest(S), digest);
        QCOMPARE(modal.texts, QStringList());
    }
};

QTEST_MAIN(TestWriteFaults)
#include "tst_writefaults.moc"
