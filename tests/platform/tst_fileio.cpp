// Byte-level source and replacement files used by the copy helper.

#include "platform/fileio.h"
#include "fixtures.h"
#include "scopedtesthooks.h"
#include "tempdir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using platform::ReplacementFile;
using platform::SourceFile;
using testsupport::FolderEntries;

namespace {

int64_t g_failFrom = -1;
int g_hookCalls = 0;
bool FailFrom(int64_t writtenSoFar)
{
    ++g_hookCalls;
    return g_failFrom < 0 || writtenSoFar < g_failFrom;
}

// Copies source to destination in blocks of `block` bytes.
bool CopyWith(const QString &source, const QString &destination, int block = 4096)
{
    SourceFile in;
    if (!in.Open(source))
        return false;
    ReplacementFile out;
    if (!out.Open(destination, in))
        return false;
    QByteArray buffer(block, '\0');
    for (;;) {
        const int64_t got = in.Read(buffer.data(), block);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        if (!out.Write(buffer.constData(), got))
            return false;
    }
    return out.Commit();
}

} // namespace

class TstFileIo : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void sourceReadsWholeFile();
    void sourceSizeIs64Bit();
    void sourceRefusesNonRegular_data();
    void sourceRefusesNonRegular();

    void replacesOnlyOnCommit();
    void createsNewFileOnCommit();
    void discardKeepsOldContent();
    void refusedDestinations_data();
    void refusedDestinations();
    void refusesTheSourceItself_data();
    void refusesTheSourceItself();
    void writeFaultLeavesOldContent();
    void fileSizeLimitFailsInsteadOfKilling();
    void longNamesGetShortTemporaries_data();
    void longNamesGetShortTemporaries();
    void symlinkedDestinationKeepsLink();
    void newFileGetsUsualPermissions();
    void reopenDropsEarlierTemporary();
    void namesWithinOpenFolders_data();
    void namesWithinOpenFolders();

private:
    QTemporaryDir *m_tmp = nullptr;
    QString m_src;  // source folder
    QString m_dst;  // destination folder
    QByteArray m_content;
};

void TstFileIo::init()
{
    m_tmp = new QTemporaryDir;
    QVERIFY(m_tmp->isValid());
    m_src = m_tmp->path() + QStringLiteral("/src");
    m_dst = m_tmp->path() + QStringLiteral("/dst");
    QVERIFY(testsupport::MakePath(m_src));
    QVERIFY(testsupport::MakePath(m_dst));
    m_content.clear();
    for (int i = 0; i < 10000; ++i)
        m_content += char('a' + i % 26);
    QVERIFY(testsupport::WriteFile(m_src + QStringLiteral("/data.bin"), m_content));
    g_failFrom = -1;
    g_hookCalls = 0;
}

void TstFileIo::cleanup()
{
    delete m_tmp;
    m_tmp = nullptr;
}

void TstFileIo::sourceReadsWholeFile()
{
    SourceFile in;
    QVERIFY(!in.Open(m_src + QStringLiteral("/missing")));
    char byte;
    QCOMPARE(in.Read(&byte, 1), int64_t(-1));

    QVERIFY(in.Open(m_src + QStringLiteral("/data.bin")));
    QCOMPARE(in.Size(), int64_t(m_content.size()));
    QByteArray got(m_content.size() + 100, '\0');
    QCOMPARE(in.Read(got.data(), 0), int64_t(0));
    QCOMPARE(in.Read(got.data(), 4096), int64_t(4096));
    // Asking past the end gives what is left, then 0.
    QCOMPARE(in.Read(got.data() + 4096, 100000 - 4096), int64_t(m_content.size() - 4096));
    QCOMPARE(in.Read(got.data(), 10), int64_t(0));
    got.truncate(m_content.size());
    QCOMPARE(got, m_content);

    // A symlink to a regular file is that file.
    QVERIFY(QFile::link(m_src + QStringLiteral("/data.bin"), m_src + QStringLiteral("/link")));
    QVERIFY(in.Open(m_src + QStringLiteral("/link")));
    QCOMPARE(in.Size(), int64_t(m_content.size()));
    in.Close();
    QCOMPARE(in.Read(got.data(), 1), int64_t(-1));
}

void TstFileIo::sourceSizeIs64Bit()
{
    QFile big(m_src + QStringLiteral("/big.bin"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    const qint64 size = 5LL * 1024 * 1024 * 1024 + 3; // sparse
    if (!big.resize(size))
        QSKIP("this file system refuses a sparse 5 GiB file");
    big.close();
    SourceFile in;
    QVERIFY(in.Open(big.fileName()));
    QCOMPARE(in.Size(), int64_t(size));
}

void TstFileIo::sourceRefusesNonRegular_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("folder") << "folder";
    QTest::newRow("fifo without writer") << "fifo";
    QTest::newRow("socket") << "sock";
    QTest::newRow("dangling symlink") << "dangling";
    QTest::newRow("character device") << "/dev/null";
}

void TstFileIo::sourceRefusesNonRegular()
{
    QFETCH(QString, name);
    QVERIFY(testsupport::MakePath(m_src + QStringLiteral("/folder")));
    QVERIFY(fixtures::MakeFifo(m_src + QStringLiteral("/fifo")));
    QVERIFY(fixtures::MakeSocket(m_src + QStringLiteral("/sock")));
    QVERIFY(QFile::link(m_src + QStringLiteral("/nowhere"), m_src + QStringLiteral("/dangling")));
    // An open that blocked on the FIFO would hang here.
    SourceFile in;
    QVERIFY(!in.Open(name.startsWith(QLatin1Char('/')) ? name : m_src + QLatin1Char('/') + name));
}

void TstFileIo::replacesOnlyOnCommit()
{
    const QString dest = m_dst + QStringLiteral("/data.bin");
    QVERIFY(testsupport::WriteFile(dest, QByteArray(20000, 'o'))); // longer than the source
    SourceFile in;
    QVERIFY(in.Open(m_src + QStringLiteral("/data.bin")));
    ReplacementFile out;
    QVERIFY(out.Open(dest, in));
    QVERIFY(out.Write(m_content.constData(), m_content.size()));
    QCOMPARE(testsupport::ReadFile(dest), QByteArray(20000, 'o'));
    QCOMPARE(FolderEntries(m_dst).size(), 2); // the destination and one temporary
    QVERIFY(out.Commit());
    QCOMPARE(testsupport::ReadFile(dest), m_content);
    QCOMPARE(FolderEntries(m_dst), QStringList{"data.bin"});
    // Committed once; a second commit has nothing left to do.
    QVERIFY(!out.Commit());
    QCOMPARE(testsupport::ReadFile(dest), m_content);
}

void TstFileIo::createsNewFileOnCommit()
{
    const QString dest = m_dst + QStringLiteral("/new.bin");
    QVERIFY(CopyWith(m_src + QStringLiteral("/data.bin"), dest, 4096));
    QCOMPARE(testsupport::ReadFile(dest), m_content);
    // Empty source: empty destination.
    QVERIFY(testsupport::WriteFile(m_src + QStringLiteral("/empty"), QByteArray()));
    QVERIFY(testsupport::WriteFile(m_dst + QStringLiteral("/empty"), "old"));
    QVERIFY(CopyWith(m_src + QStringLiteral("/empty"), m_dst + QStringLiteral("/empty")));
    QCOMPARE(QFileInfo(m_dst + QStringLiteral("/empty")).size(), qint64(0));
    QCOMPARE(FolderEntries(m_dst), (QStringList{"empty", "new.bin"}));
}

void TstFileIo::discardKeepsOldContent()
{
    const QString dest = m_dst + QStringLiteral("/data.bin");
    QVERIFY(testsupport::WriteFile(dest, "old"));
    SourceFile in;
    QVERIFY(in.Open(m_src + QStringLiteral("/data.bin")));
    {
        ReplacementFile out;
        QVERIFY(out.Open(dest, in));
        QVERIFY(out.Write(m_content.constData(), 100));
        out.Discard();
        QVERIFY(!out.Write(m_content.constData(), 100));
        QVERIFY(!out.Commit());
    }
    {
        ReplacementFile out; // dropped without commit
        QVERIFY(out.Open(dest, in));
        QVERIFY(out.Write(m_content.constData(), 100));
    }
    {
        ReplacementFile out; // never existed before: still absent
        QVERIFY(out.Open(m_dst + QStringLiteral("/absent"), in));
        QVERIFY(out.Write(m_content.constData(), 100));
    }
    QCOMPARE(testsupport::ReadFile(dest), QByteArray("old"));
    QCOMPARE(FolderEntries(m_dst), QStringList{"data.bin"});
}

void TstFileIo::refusedDestinations_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("read-only file (even for root)") << "readonly";
    QTest::newRow("folder") << "folder";
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("dangling symlink") << "dangling";
    QTest::newRow("missing folder") << "missing/data.bin";
    QTest::newRow("file as folder") << "readonly/data.bin";
    QTest::newRow("no name") << "folder/";
    QTest::newRow("NUL in the name") << QStringLiteral("plain") + QChar(0) + QStringLiteral("x");
}

void TstFileIo::refusedDestinations()
{
    QFETCH(QString, name);
    QVERIFY(testsupport::WriteFile(m_dst + QStringLiteral("/readonly"), "keep"));
    QVERIFY(QFile::setPermissions(m_dst + QStringLiteral("/readonly"), QFileDevice::ReadOwner));
    QVERIFY(testsupport::MakePath(m_dst + QStringLiteral("/folder")));
    QVERIFY(fixtures::MakeFifo(m_dst + QStringLiteral("/fifo")));
    QVERIFY(QFile::link(m_dst + QStringLiteral("/nowhere"), m_dst + QStringLiteral("/dangling")));
    const QString before = testsupport::TreeDigest(m_dst);

    SourceFile in;
    QVERIFY(in.Open(m_src + QStringLiteral("/data.bin")));
    ReplacementFile out;
    QVERIFY(!out.Open(m_dst + QLatin1Char('/') + name, in));
    QVERIFY(!out.Write("x", 1));
    QVERIFY(!out.Commit());
    QCOMPARE(testsupport::TreeDigest(m_dst), before);
    QVERIFY(!QFile::exists(m_dst + QStringLiteral("/plain")));
}

void TstFileIo::refusesTheSourceItself_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("same path") << "path";
    QTest::newRow("hard link") << "hardlink";
    QTest::newRow("symlinked folder") << "folderlink";
    QTest::newRow("symlink to the source") << "filelink";
}

void TstFileIo::refusesTheSourceItself()
{
    QFETCH(QString, how);
    const QString source = m_src + QStringLiteral("/data.bin");
    QString dest;
    if (how == QLatin1String("path")) {
        dest = source;
    } else if (how == QLatin1String("hardlink")) {
        dest = m_dst + QStringLiteral("/data.bin");
        QVERIFY(fixtures::MakeHardLink(source, dest));
    } else if (how == QLatin1String("folderlink")) {
        QVERIFY(QFile::link(m_src, m_dst + QStringLiteral("/via")));
        dest = m_dst + QStringLiteral("/via/data.bin");
    } else {
        dest = m_dst + QStringLiteral("/data.bin");
        QVERIFY(QFile::link(source, dest));
    }
    const QStringList before = FolderEntries(m_src);
    SourceFile in;
    QVERIFY(in.Open(source));
    ReplacementFile out;
    QVERIFY(!out.Open(dest, in));
    QCOMPARE(testsupport::ReadFile(source), m_content);
    QCOMPARE(FolderEntries(m_src), before);
}

void TstFileIo::writeFaultLeavesOldContent()
{
    const QString dest = m_dst + QStringLiteral("/data.bin");
    QVERIFY(testsupport::WriteFile(dest, "old"));
    const ScopedTestHooks hooks([](platform::TestHooks &h) { h.writeFault = FailFrom; });
    g_failFrom = 4096; // the second block fails
    SourceFile in;
    QVERIFY(in.Open(m_src + QStringLiteral("/data.bin")));
    ReplacementFile out;
    QVERIFY(out.Open(dest, in));
    QVERIFY(out.Write(m_content.constData(), 4096));
    QVERIFY(!out.Write(m_content.constData() + 4096, 4096));
    QCOMPARE(g_hookCalls, 2);
    // Once failed, the file stays failed even if later writes would pass.
    g_failFrom = -1;
    QVERIFY(!out.Write(m_content.constData() + 4096, 4096));
    QVERIFY(!out.Commit());
    QCOMPARE(testsupport::ReadFile(dest), QByteArray("old"));
    QCOMPARE(FolderEntries(m_dst), QStringList{"data.bin"});

    // The same through the block copy: failure reported, nothing replaced.
    g_failFrom = 8192;
    QVERIFY(!CopyWith(m_src + QStringLiteral("/data.bin"), dest));
    QCOMPARE(testsupport::ReadFile(dest), QByteArray("old"));
    QCOMPARE(FolderEntries(m_dst), QStringList{"data.bin"});
}

void TstFileIo::fileSizeLimitFailsInsteadOfKilling()
{
    const QString dest = m_dst + QStringLiteral("/data.bin");
    QVERIFY(testsupport::WriteFile(dest, "old"));
    const int64_t previous = fixtures::FileSizeLimit();
    QVERIFY(fixtures::SetFileSizeLimit(5000));
    // Without the signal ignored, the write past the limit would kill us.
    const bool copied = CopyWith(m_src + QStringLiteral("/data.bin"), dest);
    QVERIFY(fixtures::SetFileSizeLimit(previous));
    QVERIFY(!copied);
    QCOMPARE(testsupport::ReadFile(dest), QByteArray("old"));
    QCOMPARE(FolderEntries(m_dst), QStringList{"data.bin"});
}

void TstFileIo::longNamesGetShortTemporaries_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("255 ASCII bytes") << QString(255, QLatin1Char('n'));
    QTest::newRow("252 bytes of three-byte characters") << QString(84, QChar(0x3042));
    QTest::newRow("short") << "a.txt";
}

// Also: the temporaries that killed copies of the same name left behind
// are removed once they are a while old, and no others.  Named temporaries
// are what is looked at: unnamed files are kept out.
void TstFileIo::longNamesGetShortTemporaries()
{
    QFETCH(QString, name);
    const ScopedTestHooks hooks([](platform::TestHooks &h) { h.noUnnamedFiles = true; });
    SourceFile in;
    QVERIFY(in.Open(m_src + QStringLiteral("/data.bin")));
    ReplacementFile out;
    const QString probe = m_tmp->path() + QStringLiteral("/probe");
    QVERIFY(testsupport::MakePath(probe));
    QVERIFY(out.Open(probe + QLatin1Char('/') + name, in));
    const QStringList entries = FolderEntries(probe);
    QCOMPARE(entries.size(), 1);
    const QString temporary = entries.first();
    QVERIFY(temporary.startsWith(QLatin1Char('.')));
    QVERIFY(temporary.contains(QLatin1String(".pathwren-")));
    QVERIFY(QFile::encodeName(temporary).size() <= 255);
    QVERIFY2(!temporary.contains(QChar(0xFFFD)), "a character was cut in half");
    out.Discard();

    const QString prefix = temporary.left(temporary.size() - 6);
    const QStringList kept{prefix + "Fresh1", prefix + "Five5", ".other.pathwren-Stale1", prefix + "Link01"};
    const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
    for (const QString &leftover : QStringList{prefix + "Stale1", prefix + "Stale2"} + kept) {
        if (leftover.endsWith("Link01")) {
            QVERIFY(QFile::link(m_src + QStringLiteral("/data.bin"), m_dst + QLatin1Char('/') + leftover));
            continue;
        }
        QFile file(m_dst + QLatin1Char('/') + leftover);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (!leftover.endsWith("Fresh1"))
            QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
    }

    const QString dest = m_dst + QLatin1Char('/') + name;
    QVERIFY(out.Open(dest, in));
    QCOMPARE(FolderEntries(m_dst).size(), kept.size() + 1);
    QVERIFY(out.Write(m_content.constData(), m_content.size()));
    QVERIFY(out.Commit());
    QStringList expected = kept;
    expected << name;
    expected.sort();
    QCOMPARE(FolderEntries(m_dst), expected);
    QCOMPARE(testsupport::ReadFile(dest), m_content);
}

void TstFileIo::symlinkedDestinationKeepsLink()
{
    const QString target = m_dst + QStringLiteral("/target.bin");
    const QString link = m_dst + QStringLiteral("/link.bin");
    QVERIFY(testsupport::WriteFile(target, "old"));
    QVERIFY(QFile::link(target, link));
    QVERIFY(CopyWith(m_src + QStringLiteral("/data.bin"), link));
    QCOMPARE(QFileInfo(link).symLinkTarget(), target);
    QCOMPARE(testsupport::ReadFile(target), m_content);
}

void TstFileIo::newFileGetsUsualPermissions()
{
    // The same permissions as any file this process creates (umask applied).
    QVERIFY(testsupport::WriteFile(m_dst + QStringLiteral("/reference"), "x"));
    QVERIFY(CopyWith(m_src + QStringLiteral("/data.bin"), m_dst + QStringLiteral("/copy")));
    QCOMPARE(QFile::permissions(m_dst + QStringLiteral("/copy")),
             QFile::permissions(m_dst + QStringLiteral("/reference")));
}

void TstFileIo::reopenDropsEarlierTemporary()
{
    SourceFile in;
    QVERIFY(in.Open(m_src + QStringLiteral("/data.bin")));
    ReplacementFile out;
    QVERIFY(out.Open(m_dst + QStringLiteral("/first"), in));
    QVERIFY(out.Write("1", 1));
    QVERIFY(out.Open(m_dst + QStringLiteral("/second"), in));
    QVERIFY(out.Write("2", 1));
    QVERIFY(out.Commit());
    QCOMPARE(FolderEntries(m_dst), QStringList{"second"});
    QCOMPARE(testsupport::ReadFile(m_dst + QStringLiteral("/second")), QByteArray("2"));
}

// Files named within folders opened once: the names are resolved in the
// folders that were opened, whatever happens to their paths afterwards.
void TstFileIo::namesWithinOpenFolders_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("landsIn");   // where the copy is found, below the temporary folder
    QTest::newRow("nothing changes") << "" << "data.bin" << true << "dst/data.bin";
    QTest::newRow("both folders renamed after opening") << "rename" << "data.bin" << true << "moved-dst/data.bin";
    QTest::newRow("destination is a link to a file") << "link" << "data.bin" << true << "dst/target.bin";
    QTest::newRow("name with a separator") << "" << "sub/data.bin" << false << "";
    QTest::newRow("name of a folder") << "" << "sub" << false << "";
}

void TstFileIo::namesWithinOpenFolders()
{
    QFETCH(QString, change);
    QFETCH(QString, name);
    QFETCH(bool, ok);
    QFETCH(QString, landsIn);
    QVERIFY(testsupport::WriteFile(m_src + QStringLiteral("/sub/data.bin"), "inner"));
    QVERIFY(testsupport::MakePath(m_dst + QStringLiteral("/sub")));
    platform::FolderHandle from, to;
    QVERIFY(!from.Open(m_src + QStringLiteral("/data.bin")));   // a file is no folder
    QVERIFY(!from.Open(m_src + QStringLiteral("/missing")));
    QVERIFY(from.Open(m_src));
    QVERIFY(to.Open(m_dst));
    if (change == QLatin1String("rename")) {
        QVERIFY(QDir().rename(m_src, m_tmp->path() + QStringLiteral("/moved-src")));
        QVERIFY(QDir().rename(m_dst, m_tmp->path() + QStringLiteral("/moved-dst")));
    } else if (change == QLatin1String("link")) {
        QVERIFY(testsupport::WriteFile(m_dst + QStringLiteral("/target.bin"), "old"));
        QVERIFY(QFile::link(m_dst + QStringLiteral("/target.bin"), m_dst + QLatin1Char('/') + name));
    }

    SourceFile in;
    ReplacementFile out;
    const bool opened = in.Open(from, name) && out.Open(to, name, in);
    QCOMPARE(opened, ok);
    if (!ok) {
        QCOMPARE(FolderEntries(m_dst), QStringList{"sub"});
        return;
    }
    QVERIFY(out.CopyFrom(in, m_content.size()));
    QVERIFY(out.Commit());
    QCOMPARE(testsupport::ReadFile(m_tmp->path() + QLatin1Char('/') + landsIn), m_content);
    if (change == QLatin1String("link"))
        QVERIFY(QFileInfo(m_dst + QLatin1Char('/') + name).isSymLink());
    // No temporary is left behind anywhere.
    for (const QString &folder : {m_dst, m_tmp->path() + QStringLiteral("/moved-dst")})
        for (const QString &entry : FolderEntries(folder))
            QVERIFY2(!entry.contains(QLatin1String(".pathwren-")), qPrintable(entry));
}

QTEST_GUILESS_MAIN(TstFileIo)
#include "tst_fileio.moc"
