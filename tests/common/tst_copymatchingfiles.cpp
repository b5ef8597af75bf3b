// CopyMatchingFiles: which files of a folder are copied, where, with which
// lines, and how a stop request or a failure ends the copy.

#include "common/filecopy.h"
#include "fixtures.h"
#include "platform/listing.h"
#include "resultlines.h"
#include "scopedtesthooks.h"
#include "tempdir.h"
#include "testchannel.h"

#include <QtTest>

using namespace common;
using testsupport::CopyDirectoryError;
using testsupport::CopyFileError;
using testsupport::FolderEntries;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

QString CopyLine(const QString &pattern, const QString &folder, const QString &name)
{
    return testsupport::Copied(pattern, folder + QLatin1Char('/') + name);
}

QString g_refusedFolder;

platform::DirListing::Status RefuseOne(const QString &folder)
{
    return folder == g_refusedFolder ? platform::DirListing::Status::Refused
                                     : platform::DirListing::Status::Ok;
}

} // namespace

class TestCopyDirectory : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void copiesNormalFilesOnly();
    void nothingMatches_data();
    void nothingMatches();
    void existingDestinationUsedAsIs();
    void stopBetweenFiles();
    void readOnlyDestinationFileEndsPattern();
    void destinationParentMissing();
    void listingRefused();
    void tallyBeyond16Bits();

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_src;
    QString m_dst;
};

void TestCopyDirectory::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    m_src = m_dir->filePath(QStringLiteral("src"));
    m_dst = m_dir->filePath(QStringLiteral("dst"));
    QVERIFY(WriteFile(m_src + QStringLiteral("/a.txt"), "alpha"));
    QVERIFY(WriteFile(m_src + QStringLiteral("/b.txt"), QByteArray(5000, 'b')));
    QVERIFY(WriteFile(m_src + QStringLiteral("/c.txt"), "gamma"));
    QVERIFY(WriteFile(m_src + QStringLiteral("/d.doc"), "delta"));
}

void TestCopyDirectory::cleanup()
{
    g_refusedFolder.clear();
    // Read-only files must not stop the temporary folder from going away.
    if (m_dir) {
        for (const QString &folder : {m_src, m_dst})
            for (const QString &name : FolderEntries(folder))
                QFile::setPermissions(folder + QLatin1Char('/') + name, QFile::ReadOwner | QFile::WriteOwner);
    }
    delete m_dir;
    m_dir = nullptr;
}

void TestCopyDirectory::copiesNormalFilesOnly()
{
    QVERIFY(WriteFile(m_src + QStringLiteral("/.hidden.txt"), "hidden"));
    QVERIFY(testsupport::MakePath(m_src + QStringLiteral("/sub.txt")));
    QVERIFY(WriteFile(m_src + QStringLiteral("/sub.txt/inner.txt"), "inner"));
    QVERIFY(fixtures::MakeFifo(m_src + QStringLiteral("/pipe.txt")));
    QVERIFY(QFile::setPermissions(m_src + QStringLiteral("/c.txt"), QFile::ReadOwner | QFile::ReadGroup));
    TestChannel host;

    QCOMPARE(CopyMatchingFiles(m_src, m_dst, QStringLiteral("*.txt"), host), int64_t(3));

    QCOMPARE(host.lines, (QStringList{CopyLine("*.txt", m_src, "a.txt"), CopyLine("*.txt", m_src, "b.txt"),
                                      CopyLine("*.txt", m_src, "c.txt")}));
    QCOMPARE(FolderEntries(m_dst), (QStringList{"a.txt", "b.txt", "c.txt"}));
    QCOMPARE(ReadFile(m_dst + QStringLiteral("/a.txt")), QByteArray("alpha"));
    QCOMPARE(ReadFile(m_dst + QStringLiteral("/b.txt")), QByteArray(5000, 'b'));
    QCOMPARE(ReadFile(m_dst + QStringLiteral("/c.txt")), QByteArray("gamma")); // read-only source
    // One yield before each file and one after each line.
    QCOMPARE(host.yields, 6);
}

void TestCopyDirectory::nothingMatches_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("no such name") << "src" << "*.xls";
    QTest::newRow("only a folder matches") << "src" << "sub*";
    QTest::newRow("only a hidden file matches") << "src" << ".h*";
    QTest::newRow("missing source folder") << "nowhere" << "*";
}

void TestCopyDirectory::nothingMatches()
{
    QFETCH(QString, source);
    QFETCH(QString, pattern);
    QVERIFY(testsupport::MakePath(m_src + QStringLiteral("/sub")));
    QVERIFY(WriteFile(m_src + QStringLiteral("/.hid"), "h"));
    TestChannel host;
    const QString before = testsupport::TreeDigest(m_dir->path());

    QCOMPARE(CopyMatchingFiles(m_dir->filePath(source), m_dst, pattern, host), int64_t(0));
    QVERIFY(host.lines.isEmpty());
    QVERIFY(!QFileInfo::exists(m_dst));
    QCOMPARE(testsupport::TreeDigest(m_dir->path()), before);
}

void TestCopyDirectory::existingDestinationUsedAsIs()
{
    QVERIFY(WriteFile(m_dst + QStringLiteral("/keep.bin"), "keep"));
    QVERIFY(WriteFile(m_dst + QStringLiteral("/d.doc"), "an older and longer copy"));
    TestChannel host;

    QCOMPARE(CopyMatchingFiles(m_src, m_dst, QStringLiteral("*.doc"), host), int64_t(1));
    QCOMPARE(host.lines, QStringList{CopyLine("*.doc", m_src, "d.doc")});
    QCOMPARE(FolderEntries(m_dst), (QStringList{"d.doc", "keep.bin"}));
    QCOMPARE(ReadFile(m_dst + QStringLiteral("/d.doc")), QByteArray("delta"));
    QCOMPARE(ReadFile(m_dst + QStringLiteral("/keep.bin")), QByteArray("keep"));
}

void TestCopyDirectory::stopBetweenFiles()
{
    TestChannel host;
    // Yield 1 comes before a.txt, yield 2 after its line: the stop pressed
    // there is seen before b.txt.
    host.onYield = [&host](int n) {
        if (n == 2)
            host.stop = true;
    };

    QCOMPARE(CopyMatchingFiles(m_src, m_dst, QStringLiteral("*.txt"), host), int64_t(0));
    QCOMPARE(host.lines, QStringList{CopyLine("*.txt", m_src, "a.txt")});
    QCOMPARE(FolderEntries(m_dst), QStringList{"a.txt"});
    QCOMPARE(ReadFile(m_dst + QStringLiteral("/a.txt")), QByteArray("alpha"));
}

void TestCopyDirectory::readOnlyDestinationFileEndsPattern()
{
    QVERIFY(WriteFile(m_dst + QStringLiteral("/b.txt"), "protected"));
    QVERIFY(QFile::setPermissions(m_dst + QStringLiteral("/b.txt"), QFile::ReadOwner | QFile::ReadGroup));
    TestChannel host;

    QCOMPARE(CopyMatchingFiles(m_src, m_dst, QStringLiteral("*.txt"), host), int64_t(1));
    QCOMPARE(host.lines, (QStringList{CopyLine("*.txt", m_src, "a.txt"), CopyFileError}));
    QCOMPARE(FolderEntries(m_dst), (QStringList{"a.txt", "b.txt"})); // c.txt never tried
    QCOMPARE(ReadFile(m_dst + QStringLiteral("/b.txt")), QByteArray("protected"));

    // The next pattern goes on as usual.
    host.lines.clear();
    QCOMPARE(CopyMatchingFiles(m_src, m_dst, QStringLiteral("*.doc"), host), int64_t(1));
    QCOMPARE(host.lines, QStringList{CopyLine("*.doc", m_src, "d.doc")});
}

void TestCopyDirectory::destinationParentMissing()
{
    TestChannel host;
    const QString dst = m_dir->filePath(QStringLiteral("missing/dst"));
    const QString before = testsupport::TreeDigest(m_dir->path());

    QCOMPARE(CopyMatchingFiles(m_src, dst, QStringLiteral("*.txt"), host), int64_t(0));
    QCOMPARE(host.lines, QStringList{CopyDirectoryError});
    QCOMPARE(testsupport::TreeDigest(m_dir->path()), before);
}

void TestCopyDirectory::listingRefused()
{
    TestChannel host;
    g_refusedFolder = m_src;
    const ScopedTestHooks hooks([](platform::TestHooks &h) { h.listingFault = &RefuseOne; });

    QCOMPARE(CopyMatchingFiles(m_src, m_dst, QStringLiteral("*.txt"), host), int64_t(0));
    QCOMPARE(host.lines, QStringList{CopyDirectoryError});
    QVERIFY(!QFileInfo::exists(m_dst));
}

// The tally once stopped at 32,767 files; a folder with more must be
// copied whole and counted right.
void TestCopyDirectory::tallyBeyond16Bits()
{
    const int files = 33000;
    const QString src = m_dir->filePath(QStringLiteral("many"));
    QVERIFY(testsupport::MakePath(src));
    for (int i = 0; i < files; ++i) {
        QFile f(src + QStringLiteral("/f%1").arg(i, 5, 10, QLatin1Char('0')));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    TestChannel host;

    QCOMPARE(CopyMatchingFiles(src, m_dst, QStringLiteral("f*"), host), int64_t(files));
    QCOMPARE(host.lines.size(), files);
    QVERIFY(!host.lines.contains(CopyDirectoryError));
    QCOMPARE(host.lines.last(), CopyLine("f*", src, "f32999"));
    QCOMPARE(FolderEntries(m_dst).size(), files);
}

QTEST_GUILESS_MAIN(TestCopyDirectory)
#include "tst_copymatchingfiles.moc"
