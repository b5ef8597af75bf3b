// CopyFile: every byte or nothing.  A copy that fails for any reason must
// leave the destination as it was, and a copy onto the source itself must
// never truncate it.

#include "common/filecopy.h"
#include "platform/fileio.h"
#include "fixtures.h"
#include "resultlines.h"
#include "scopedtesthooks.h"
#include "tempdir.h"
#include "testchannel.h"

#include <QDateTime>
#include <QtTest>

using namespace common;
using testsupport::CopyFileError;
using testsupport::FolderEntries;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// Bytes that differ from block to block, so a repeated, dropped or
// reordered block shows.
QByteArray Content(qint64 size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        data[i] = char((i * 31 + (i / 4096) * 7 + 3) & 0xff);
    return data;
}

// State for the write hooks (plain function pointers).
int64_t g_failAt = -1;
QList<int64_t> g_seen;
QString g_shrinkPath;

bool FailAtOffset(int64_t written)
{
    g_seen << written;
    return written < g_failAt;
}

bool ShrinkSourceOnce(int64_t written)
{
    // After the first chunk is written the source loses its tail, as when
    // another program truncates it during the copy.
    if (written == common::CopyChunkBytes && !g_shrinkPath.isEmpty()) {
        QFile f(g_shrinkPath);
        f.resize(5000);
        g_shrinkPath.clear();
    }
    return true;
}

} // namespace

class TestCopyFile : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void copiesEveryByte_data();
    void copiesEveryByte();
    void writeFailureLeavesDestination_data();
    void writeFailureLeavesDestination();
    void sourceShrinkingIsFailure();
    void refused_data();
    void refused();
    void sizesBeyond32Bits_data();
    void sizesBeyond32Bits();
    void replacementKeepsTheFile_data();
    void replacementKeepsTheFile();
    void largeFilesYieldBetweenChunks_data();
    void largeFilesYieldBetweenChunks();

private:
    QString m_locked;   // a folder to unlock whatever happens
};

void TestCopyFile::cleanup()
{
    if (!m_locked.isEmpty())
        fixtures::LockFolderEntries(m_locked, false);
    m_locked.clear();
    g_failAt = -1;
    g_seen.clear();
    g_shrinkPath.clear();
}

void TestCopyFile::copiesEveryByte_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QByteArray>("old");
    QTest::newRow("empty") << qint64(0) << false << QByteArray();
    QTest::newRow("one byte") << qint64(1) << false << QByteArray();
    QTest::newRow("4095") << qint64(4095) << false << QByteArray();
    QTest::newRow("one block") << qint64(4096) << false << QByteArray();
    QTest::newRow("block and one") << qint64(4097) << false << QByteArray();
    QTest::newRow("1 MiB + 123") << qint64(1024 * 1024 + 123) << false << QByteArray();
    QTest::newRow("replaces longer file") << qint64(4100) << true << QByteArray(10000, 'Z');
    QTest::newRow("replaces shorter file") << qint64(4100) << true << QByteArray("old");
    QTest::newRow("empty over a file") << qint64(0) << true << QByteArray("old");
}

void TestCopyFile::copiesEveryByte()
{
    QFETCH(qint64, size);
    QFETCH(bool, existing);
    QFETCH(QByteArray, old);
    TestChannel host;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString src = dir.filePath(QStringLiteral("src/data.bin"));
    const QString dst = dir.filePath(QStringLiteral("dst/data.bin"));
    QVERIFY(WriteFile(src, Content(size)));
    QVERIFY(testsupport::MakePath(dir.filePath(QStringLiteral("dst"))));
    if (existing)
        QVERIFY(WriteFile(dst, old));

    QVERIFY(CopyFile(src, dst, host));
    QCOMPARE(ReadFile(dst), Content(size)); // no stale tail of an old file
    QCOMPARE(ReadFile(src), Content(size));
    QCOMPARE(FolderEntries(dir.filePath(QStringLiteral("dst"))), QStringList{"data.bin"});
    QVERIFY(host.lines.isEmpty());
}

void TestCopyFile::writeFailureLeavesDestination_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<qint64>("failAt");
    QTest::newRow("first write, no old file") << false << qint64(0);
    QTest::newRow("mid-copy, no old file") << false << qint64(2 * CopyChunkBytes);
    QTest::newRow("mid-copy, old file") << true << qint64(CopyChunkBytes);
    QTest::newRow("the rest, old file") << true << qint64(3 * CopyChunkBytes);
}

void TestCopyFile::writeFailureLeavesDestination()
{
    QFETCH(bool, existing);
    QFETCH(qint64, failAt);
    TestChannel host;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString src = dir.filePath(QStringLiteral("a/x.bin"));
    const QString dst = dir.filePath(QStringLiteral("b/x.bin"));
    QVERIFY(WriteFile(src, Content(3 * CopyChunkBytes + 10)));
    QVERIFY(testsupport::MakePath(dir.filePath(QStringLiteral("b"))));
    if (existing)
        QVERIFY(WriteFile(dst, "previous copy"));

    g_failAt = failAt;
    {
        const ScopedTestHooks hooks([](platform::TestHooks &h) { h.writeFault = &FailAtOffset; });
        QVERIFY(!CopyFile(src, dst, host));
    }

    QCOMPARE(g_seen.last(), failAt); // the failure really came from the hook
    QCOMPARE(host.lines, QStringList{CopyFileError});
    const QStringList expected = existing ? QStringList{"x.bin"} : QStringList{};
    QCOMPARE(FolderEntries(dir.filePath(QStringLiteral("b"))), expected); // no temporary left
    if (existing)
        QCOMPARE(ReadFile(dst), QByteArray("previous copy"));
    QCOMPARE(ReadFile(src), Content(3 * CopyChunkBytes + 10));
}

void TestCopyFile::sourceShrinkingIsFailure()
{
    TestChannel host;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString src = dir.filePath(QStringLiteral("x.bin"));
    const QString dst = dir.filePath(QStringLiteral("out/x.bin"));
    QVERIFY(WriteFile(src, Content(3 * CopyChunkBytes)));
    QVERIFY(testsupport::MakePath(dir.filePath(QStringLiteral("out"))));

    g_shrinkPath = src;
    {
        const ScopedTestHooks hooks([](platform::TestHooks &h) { h.writeFault = &ShrinkSourceOnce; });
        QVERIFY(!CopyFile(src, dst, host));
    }

    QVERIFY(g_shrinkPath.isEmpty()); // the source did shrink during the copy
    QCOMPARE(host.lines, QStringList{CopyFileError});
    QCOMPARE(FolderEntries(dir.filePath(QStringLiteral("out"))), QStringList{});
}

// Every refusal: false, exactly one error line, and the tree as it was, in
// particular a source never truncated by a copy onto itself.
void TestCopyFile::refused_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::newRow("missing source") << "nothere.bin" << "out/x.bin";
    QTest::newRow("source is a folder") << "out" << "out/x.bin";
    QTest::newRow("missing destination folder") << "data/x.bin" << "missing/x.bin";
    QTest::newRow("destination is a folder") << "data/x.bin" << "out";
    QTest::newRow("destination below a file") << "data/x.bin" << "data/x.bin/y.bin";
    QTest::newRow("read-only destination") << "data/x.bin" << "out/readonly.bin";
    QTest::newRow("same path") << "data/x.bin" << "data/x.bin";
    QTest::newRow("dot segment") << "data/x.bin" << "data/./x.bin";
    QTest::newRow("hard link") << "data/x.bin" << "data/hardlink.bin";
    QTest::newRow("symlinked destination folder") << "data/x.bin" << "alias/x.bin";
}

void TestCopyFile::refused()
{
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(WriteFile(dir.filePath(QStringLiteral("data/x.bin")), Content(9000)));
    QVERIFY(WriteFile(dir.filePath(QStringLiteral("out/readonly.bin")), "old content"));
    QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("out/readonly.bin")), QFile::ReadOwner));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("data")), dir.filePath(QStringLiteral("alias"))));
    if (!fixtures::MakeHardLink(dir.filePath(QStringLiteral("data/x.bin")),
                                          dir.filePath(QStringLiteral("data/hardlink.bin"))))
        QSKIP("hard links are not supported in the temporary folder");
    const QString before = testsupport::TreeDigest(dir.path());
    TestChannel host;

    QVERIFY(!CopyFile(dir.filePath(source), dir.filePath(destination), host));
    QCOMPARE(host.lines, QStringList{CopyFileError});
    QCOMPARE(testsupport::TreeDigest(dir.path()), before);
    QFile::setPermissions(dir.filePath(QStringLiteral("out/readonly.bin")), QFile::ReadOwner | QFile::WriteOwner);
}

// Sizes are 64-bit throughout: a sparse source beyond 2 GiB or 4 GiB must be
// copied chunk by chunk, not as its size cut to 32 bits (which would end
// after a few bytes and pass for a complete copy).  The copy is stopped
// after two chunks so that no gigabytes are written.
void TestCopyFile::sizesBeyond32Bits_data()
{
    QTest::addColumn<qint64>("size");
    QTest::newRow("2 GiB + 5") << (qint64(1) << 31) + 5;
    QTest::newRow("4 GiB + 5") << (qint64(1) << 32) + 5;
}

void TestCopyFile::sizesBeyond32Bits()
{
    QFETCH(qint64, size);
    TestChannel host;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString src = dir.filePath(QStringLiteral("big.bin"));
    const QString dst = dir.filePath(QStringLiteral("out/big.bin"));
    QVERIFY(testsupport::MakePath(dir.filePath(QStringLiteral("out"))));
    {
        QFile f(src);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (!f.resize(size))
            QSKIP("the temporary folder cannot hold a sparse file of this size");
    }

    g_failAt = 2 * CopyChunkBytes;
    {
        const ScopedTestHooks hooks([](platform::TestHooks &h) { h.writeFault = &FailAtOffset; });
        QVERIFY(!CopyFile(src, dst, host));
    }

    QCOMPARE(g_seen, (QList<int64_t>{0, CopyChunkBytes, 2 * CopyChunkBytes}));
    QCOMPARE(host.lines, QStringList{CopyFileError});
    QCOMPARE(FolderEntries(dir.filePath(QStringLiteral("out"))), QStringList{});
}

// A replaced file keeps its permission bits, owner and group; where the
// folder takes no new file (so no temporary either) the old file is written
// in place, and a failure there is reported like any other.
void TestCopyFile::replacementKeepsTheFile_data()
{
    QTest::addColumn<int>("oldMode");   // -1: no old file
    QTest::addColumn<bool>("otherOwner");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<bool>("failWrite");
    QTest::addColumn<int>("expectedMode");
    const int usual = 0666 & ~fixtures::CreationMask();
    QTest::newRow("new file: 0666 less the umask") << -1 << false << false << false << usual;
    QTest::newRow("0640 stays 0640") << 0640 << false << false << false << 0640;
    QTest::newRow("0600 stays 0600") << 0600 << false << false << false << 0600;
    QTest::newRow("0775 stays 0775") << 0775 << false << false << false << 0775;
    QTest::newRow("set-user-ID is not carried over") << 06755 << false << false << false << 0755;
    QTest::newRow("another user's file stays theirs") << 0664 << true << false << false << 0664;
    QTest::newRow("locked folder: written in place") << 0640 << false << true << false << 0640;
    QTest::newRow("locked folder: in place, owner kept") << 0660 << true << true << false << 0660;
    QTest::newRow("locked folder, no old file: failure") << -1 << false << true << false << 0;
    QTest::newRow("locked folder: failed write in place") << 0640 << false << true << true << 0;
}

void TestCopyFile::replacementKeepsTheFile()
{
    QFETCH(int, oldMode);
    QFETCH(bool, otherOwner);
    QFETCH(bool, locked);
    QFETCH(bool, failWrite);
    QFETCH(int, expectedMode);
    using namespace fixtures;
    if (otherOwner && !RunningAsRoot())
        QSKIP("only root gives a file to another user");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString src = dir.filePath(QStringLiteral("src/data.bin"));
    const QString out = dir.filePath(QStringLiteral("dst"));
    const QString dst = out + QStringLiteral("/data.bin");
    // Over a chunk, so that a write can fail after one chunk is in place.
    const qint64 size = CopyChunkBytes + 9000;
    QVERIFY(WriteFile(src, Content(size)));
    QVERIFY(testsupport::MakePath(out));
    FileOwnership old;
    if (oldMode >= 0) {
        QVERIFY(WriteFile(dst, QByteArray(size + 11000, 'o')));   // longer: its tail must go
        QVERIFY(SetOwnership(dst, FileOwnership{oldMode, otherOwner ? 65534 : -1, otherOwner ? 65534 : -1}));
        old = Ownership(dst);
    }
    if (locked) {
        if (!LockFolderEntries(out, true))
            QSKIP("the folder cannot be kept from taking new files here");
        m_locked = out;
    }
    ScopedTestHooks hooks;
    if (failWrite) {
        g_failAt = CopyChunkBytes;
        hooks.Change([](platform::TestHooks &h) { h.writeFault = FailAtOffset; });
    }
    TestChannel host;

    const bool copied = CopyFile(src, dst, host);
    if (locked)
        QVERIFY(LockFolderEntries(out, false));
    const bool ok = !failWrite && (oldMode >= 0 || !locked);
    QCOMPARE(copied, ok);
    QCOMPARE(host.lines, ok ? QStringList() : QStringList{CopyFileError});
    QCOMPARE(FolderEntries(out), oldMode >= 0 || ok ? QStringList{"data.bin"} : QStringList());
    if (ok) {
        QCOMPARE(ReadFile(dst), Content(size));
        const FileOwnership now = Ownership(dst);
        QCOMPARE(now.mode, expectedMode);
        if (oldMode >= 0) {
            QCOMPARE(now.uid, old.uid);
            QCOMPARE(now.gid, old.gid);
        }
    } else if (failWrite) {
        // In place, what was written before the failure stays.
        QCOMPARE(ReadFile(dst).left(CopyChunkBytes), Content(CopyChunkBytes));
    }
}

// A large file goes chunk by chunk with a yield between chunks, so the
// windows stay responsive; a stop pressed meanwhile does not cut the file.
// Meanwhile the destination's name never shows part of the copy: a free
// name is written through an unnamed file that nothing in the folder shows
// (where the file system has them), a taken one (or one on a file system
// without unnamed files) through one hidden temporary.  A temporary that a
// killed copy left long ago is removed on the way.
void TestCopyFile::largeFilesYieldBetweenChunks_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("yields");
    QTest::addColumn<bool>("stopPressed");
    QTest::addColumn<QString>("name");   // free (through /proc), taken (meanwhile), no unnamed files
    const qint64 chunk = CopyChunkBytes;
    const QString free = QStringLiteral("free");
    QTest::newRow("one byte short of a chunk") << chunk - 1 << 0 << false << free;
    QTest::newRow("one chunk") << chunk << 0 << false << free;
    QTest::newRow("a chunk and a byte") << chunk + 1 << 1 << false << free;
    QTest::newRow("three chunks and a rest") << 3 * chunk + 5 << 3 << false << free;
    QTest::newRow("stop pressed at the first yield") << 3 * chunk + 5 << 3 << true << free;
    QTest::newRow("name taken") << 2 * chunk + 1 << 2 << false << QStringLiteral("taken");
    QTest::newRow("name taken during the copy") << 2 * chunk + 1 << 2 << false << QStringLiteral("taken meanwhile");
    QTest::newRow("no unnamed files") << 2 * chunk + 1 << 2 << false << QStringLiteral("no unnamed files");
    QTest::newRow("named through /proc") << 2 * chunk + 1 << 2 << false << QStringLiteral("free through /proc");
}

void TestCopyFile::largeFilesYieldBetweenChunks()
{
    QFETCH(qint64, size);
    QFETCH(int, yields);
    QFETCH(bool, stopPressed);
    QFETCH(QString, name);
    TestChannel host;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString src = dir.filePath(QStringLiteral("big.bin"));
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString dst = out + QStringLiteral("/big.bin");
    QVERIFY(WriteFile(src, Content(size)));
    QVERIFY(testsupport::MakePath(out));
    const QByteArray old("old content");
    if (name == QLatin1String("taken"))
        QVERIFY(WriteFile(dst, old));
    const QString stale = out + QStringLiteral("/.big.bin.pathwren-Stale1");
    QVERIFY(WriteFile(stale, "left by a killed copy"));
    QFile staleFile(stale);
    QVERIFY(staleFile.open(QIODevice::ReadWrite));
    QVERIFY(staleFile.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    staleFile.close();
    const bool unnamed = name != QLatin1String("no unnamed files") && fixtures::UnnamedFilesSupported(out);

    // What the folder shows at each yield: the destination's content (empty
    // when absent) and the number of temporaries.
    QList<QByteArray> destinationSeen;
    QList<int> temporariesSeen;
    host.onYield = [&](int) {
        destinationSeen << (QFileInfo::exists(dst) ? ReadFile(dst) : QByteArray());
        temporariesSeen << int(FolderEntries(out).filter(QStringLiteral(".big.bin.pathwren-")).size());
        if (name == QLatin1String("taken meanwhile") && destinationSeen.size() == 1)
            QVERIFY(WriteFile(dst, old));
        if (stopPressed)
            host.stop = true;
    };

    {
        const ScopedTestHooks hooks([&](platform::TestHooks &h) {
            h.noUnnamedFiles = name == QLatin1String("no unnamed files");
            h.unnamedNamedThroughProc = name == QLatin1String("free through /proc");
        });
        QVERIFY(CopyFile(src, dst, host));
    }
    QCOMPARE(host.yields, yields);
    for (int i = 0; i < destinationSeen.size(); ++i) {
        const bool taken = name == QLatin1String("taken") || (name == QLatin1String("taken meanwhile") && i > 0);
        QCOMPARE(destinationSeen[i], taken ? old : QByteArray());
        QCOMPARE(temporariesSeen[i], unnamed && name != QLatin1String("taken") ? 0 : 1);
    }
    QCOMPARE(ReadFile(dst), Content(size));
    QCOMPARE(FolderEntries(out), QStringList{"big.bin"});
    QVERIFY(host.lines.isEmpty());
}

QTEST_GUILESS_MAIN(TestCopyFile)
#include "tst_copyfile.moc"
