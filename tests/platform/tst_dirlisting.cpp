// Folder listings: order, attribute masks, "." and "..", and failures.

#include "fixtures.h"
#include "platform/fileaccess.h"
#include "platform/listing.h"
#include "platform/nativepath.h"
#include "scopedtesthooks.h"
#include "tempdir.h"

#include <QFile>
#include <QTemporaryDir>
#include "listnames.h"

#include <QtTest>

using platform::DirListing;
using namespace platform;

namespace {

QStringList List(const QString &folder, const QString &pattern, int mask,
                 DirListing::Status *status = nullptr)
{
    return testsupport::ListNames(folder, pattern, mask, status);
}

QString g_hookFolder;
DirListing::Status RefuseAll(const QString &folder)
{
    g_hookFolder = folder;
    return DirListing::Status::Refused;
}
DirListing::Status AllowAll(const QString &folder)
{
    g_hookFolder = folder;
    return DirListing::Status::Ok;
}

} // namespace

class TstDirListing : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void ordersByUpperCasedName();
    void masks_data();
    void masks();
    void dotEntries_data();
    void dotEntries();
    void emptyPatternListsEverything();
    void patternWithSeparatorListsNothing();
    void failures();
    void refusalHook();
    void unreadableFolder();
    void positionSurvivesAndReopenResets();
    void undecodableNames_data();
    void undecodableNames();
    void entryAttributes_data();
    void entryAttributes();

private:
    QTemporaryDir *m_tmp = nullptr;
    QString m_root;
    QString Path(const QString &name) const { return m_root + QLatin1Char('/') + name; }
};

void TstDirListing::init()
{
    m_tmp = new QTemporaryDir;
    QVERIFY(m_tmp->isValid());
    m_root = m_tmp->path() + QStringLiteral("/t");
    QVERIFY(testsupport::MakePath(m_root));
    // One entry of every kind the masks tell apart.
    QVERIFY(testsupport::WriteFile(Path("file.txt"), "x"));
    QVERIFY(testsupport::WriteFile(Path(".hidden"), "x"));
    QVERIFY(testsupport::WriteFile(Path("readonly.txt"), "x"));
    QVERIFY(QFile::setPermissions(Path("readonly.txt"), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    QVERIFY(testsupport::MakePath(Path("dir")));
    QVERIFY(testsupport::MakePath(Path(".hiddendir")));
    QVERIFY(fixtures::MakeFifo(Path("fifo")));
    QVERIFY(fixtures::MakeSocket(Path("sock")));
    QVERIFY(QFile::link(Path("nowhere"), Path("dangling")));
    QVERIFY(QFile::link(Path("dir"), Path("linkdir")));
    QVERIFY(QFile::link(Path("file.txt"), Path("linkfile")));
}

void TstDirListing::cleanup()
{
    QFile::setPermissions(m_root, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    delete m_tmp;
    m_tmp = nullptr;
}

void TstDirListing::ordersByUpperCasedName()
{
    const QString folder = m_tmp->path() + QStringLiteral("/order");
    // '_' sorts after the letters only once they are upper-cased; "a" and
    // "A" differ only in case yet both come out, in a fixed order.
    for (const char *name : {"b", "_x", "a.txt", "Z", "c", "A", "a", "B2", "é", "É1"})
        QVERIFY(testsupport::WriteFile(folder + QLatin1Char('/') + QString::fromUtf8(name), ""));
    const QStringList expected = {QStringLiteral("."), QStringLiteral(".."), QStringLiteral("A"),
                                  QStringLiteral("a"), QStringLiteral("a.txt"), QStringLiteral("b"),
                                  QStringLiteral("B2"), QStringLiteral("c"), QStringLiteral("Z"),
                                  QStringLiteral("_x"), QStringLiteral("é"), QStringLiteral("É1")};
    QCOMPARE(List(folder, QStringLiteral("*"), AttrAll), expected);
    // The same on every run.
    QCOMPARE(List(folder, QStringLiteral("*"), AttrAll), expected);
}

void TstDirListing::masks_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<QStringList>("expected");
    const QStringList normal = {"file.txt", "linkfile", "readonly.txt"};
    QTest::newRow("0 normal files only") << 0 << normal;
    QTest::newRow("1 read-only does not filter") << int(AttrReadOnly) << normal;
    QTest::newRow("2 hidden") << int(AttrHidden) << QStringList{".hidden", "file.txt", "linkfile", "readonly.txt"};
    QTest::newRow("4 system") << int(AttrSystem)
                              << QStringList{"dangling", "fifo", "file.txt", "linkfile", "readonly.txt", "sock"};
    QTest::newRow("16 directories") << int(AttrDirectory)
                                    << QStringList{".", "..", "dir", "file.txt", "linkdir", "linkfile", "readonly.txt"};
    QTest::newRow("18 hidden directories")
        << int(AttrDirectory | AttrHidden)
        << QStringList{".", "..", ".hidden", ".hiddendir", "dir", "file.txt", "linkdir", "linkfile", "readonly.txt"};
    QTest::newRow("31 everything")
        << int(AttrAll)
        << QStringList{".", "..", ".hidden", ".hiddendir", "dangling", "dir", "fifo", "file.txt", "linkdir",
                       "linkfile", "readonly.txt", "sock"};
}

void TstDirListing::masks()
{
    QFETCH(int, mask);
    QFETCH(QStringList, expected);
    DirListing::Status status;
    QCOMPARE(List(m_root, QStringLiteral("*"), mask, &status), expected);
    QCOMPARE(status, DirListing::Status::Ok);
}

void TstDirListing::dotEntries_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("mask");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("* lists them") << "*" << 31 << QStringList{".", "..", "dir", "linkdir"};
    QTest::newRow("*.* lists them") << "*.*" << 16 << QStringList{".", "..", "dir", "linkdir"};
    QTest::newRow(".* lists them") << ".*" << 16 << QStringList{".", ".."};
    QTest::newRow("*. does not take '.'") << "*." << 16 << QStringList{"dir", "linkdir"};
    QTest::newRow("? does not take '.'") << "?" << 16 << QStringList{};
    QTest::newRow("d* does not take '.'") << "d*" << 16 << QStringList{"dir"};
    QTest::newRow("'..' alone is trimmed to nothing") << ".." << 16 << QStringList{};
    QTest::newRow("not without directories in the mask") << "*" << 0 << QStringList{};
}

void TstDirListing::dotEntries()
{
    QFETCH(QString, pattern);
    QFETCH(int, mask);
    QFETCH(QStringList, expected);
    const QString folder = m_tmp->path() + QStringLiteral("/dots");
    QVERIFY(testsupport::MakePath(folder + QStringLiteral("/dir")));
    QVERIFY(QFile::link(folder + QStringLiteral("/dir"), folder + QStringLiteral("/linkdir")));
    QCOMPARE(List(folder, pattern, mask), expected);
}

void TstDirListing::emptyPatternListsEverything()
{
    QCOMPARE(List(m_root, QString(), AttrAll), List(m_root, QStringLiteral("*"), AttrAll));
    QCOMPARE(List(m_root, QString(), 0), List(m_root, QStringLiteral("*"), 0));
    QCOMPARE(List(m_root, QString(), 0).size(), 3);
}

void TstDirListing::patternWithSeparatorListsNothing()
{
    QVERIFY(testsupport::WriteFile(Path("dir/inner.txt"), "x"));
    for (const char *pattern : {"dir/*", "dir/inner.txt", "/", "*/*"}) {
        DirListing listing;
        QCOMPARE(listing.Open(m_root, QString::fromLatin1(pattern), AttrAll), DirListing::Status::Ok);
        QVERIFY2(!listing.HasAny(), pattern);
        QCOMPARE(listing.Next(), QString());
    }
}

void TstDirListing::failures()
{
    DirListing::Status status;
    QVERIFY(List(Path("missing"), QStringLiteral("*"), AttrAll, &status).isEmpty());
    QCOMPARE(status, DirListing::Status::Missing);
    QVERIFY(List(Path("missing/deeper"), QStringLiteral("*"), AttrAll, &status).isEmpty());
    QCOMPARE(status, DirListing::Status::Missing);
    // A file where a folder should be is refused, not missing.
    QVERIFY(List(Path("file.txt"), QStringLiteral("*"), AttrAll, &status).isEmpty());
    QCOMPARE(status, DirListing::Status::Refused);
    QVERIFY(List(Path("file.txt/below"), QStringLiteral("*"), AttrAll, &status).isEmpty());
    QCOMPARE(status, DirListing::Status::Refused);
    // A NUL inside the path must not list the shorter path before it.
    QVERIFY(List(m_root + QChar(0) + QStringLiteral("x"), QStringLiteral("*"), AttrAll, &status).isEmpty());
    QVERIFY(status != DirListing::Status::Ok);
}

void TstDirListing::refusalHook()
{
    ScopedTestHooks hooks([](TestHooks &h) { h.listingFault = RefuseAll; });
    DirListing listing;
    QCOMPARE(listing.Open(m_root, QStringLiteral("*"), AttrAll), DirListing::Status::Refused);
    QCOMPARE(g_hookFolder, m_root);
    QVERIFY(!listing.HasAny());

    // A hook that answers Ok leaves the real listing to happen.
    hooks.Change([](TestHooks &h) { h.listingFault = AllowAll; });
    QCOMPARE(List(m_root, QStringLiteral("file.txt"), 0), QStringList{"file.txt"});
}

void TstDirListing::unreadableFolder()
{
    if (fixtures::RunningAsRoot())
        QSKIP("permission bits refuse nothing to root; the hook covers refusal");
    QVERIFY(QFile::setPermissions(m_root, QFileDevice::WriteOwner));
    DirListing::Status status;
    QVERIFY(List(m_root, QStringLiteral("*"), AttrAll, &status).isEmpty());
    QCOMPARE(status, DirListing::Status::Refused);
}

void TstDirListing::positionSurvivesAndReopenResets()
{
    DirListing listing;
    QCOMPARE(listing.Open(m_root, QStringLiteral("*"), 0), DirListing::Status::Ok);
    QVERIFY(listing.HasAny());
    QCOMPARE(listing.Next(), QStringLiteral("file.txt"));
    // Changes to the folder after opening do not disturb the listing.
    QVERIFY(QFile::remove(Path("linkfile")));
    QVERIFY(testsupport::WriteFile(Path("added.txt"), "x"));
    QCOMPARE(listing.Next(), QStringLiteral("linkfile"));
    QCOMPARE(listing.Next(), QStringLiteral("readonly.txt"));
    QCOMPARE(listing.Next(), QString());
    QCOMPARE(listing.Next(), QString());

    QCOMPARE(listing.Open(m_root, QStringLiteral("*.txt"), 0), DirListing::Status::Ok);
    QCOMPARE(listing.Next(), QStringLiteral("added.txt"));
    QCOMPARE(listing.Open(Path("missing"), QStringLiteral("*"), 0), DirListing::Status::Missing);
    QVERIFY(!listing.HasAny());
    QCOMPARE(listing.Next(), QString());
}

void TstDirListing::undecodableNames_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("mask");
    QTest::addColumn<QString>("shown");   // empty: not listed
    const QByteArray sjis("\x83\x65\x83\x58\x83\x67.txt");   // "テスト.txt" in Shift_JIS
    const QByteArray eucjp("\xc6\xfc\xcb\xdc.txt");          // "日本.txt" in EUC-JP
    const QString sjisShown = QStringLiteral("\uFFFDe\uFFFDX\uFFFDg.txt");
    const QString eucShown = QString(4, QChar::ReplacementCharacter) + QStringLiteral(".txt");
    QTest::newRow("lone 0xFF, a normal file") << QByteArray("bad\xff.txt") << false << "*.txt" << 0
                                             << QStringLiteral("bad\uFFFD.txt");
    QTest::newRow("lone lead byte, ?") << QByteArray("\xc3") << false << "?" << 0 << QStringLiteral("\uFFFD");
    QTest::newRow("two bytes are two characters") << QByteArray("a\xff\xfe" "b") << false << "a?b" << 31
                                                  << QString();
    QTest::newRow("?? takes two bytes") << QByteArray("a\xff\xfe" "b") << false << "a??b" << 31
                                        << QStringLiteral("a\uFFFD\uFFFD" "b");
    QTest::newRow("Shift_JIS, *.txt") << sjis << false << "*.txt" << 0 << sjisShown;
    QTest::newRow("Shift_JIS, ASCII bytes match as letters") << sjis << false << "?E?x?G.TXT" << 0 << sjisShown;
    QTest::newRow("Shift_JIS, not by the decoded text") << sjis << false << "テスト.txt" << 31 << QString();
    QTest::newRow("EUC-JP, one ? per byte") << eucjp << false << "????.txt" << 0 << eucShown;
    QTest::newRow("EUC-JP, one ? short") << eucjp << false << "???.txt" << 0 << QString();
    QTest::newRow("U+FFFD typed matches no byte") << QByteArray("bad\xff.txt") << false << "bad\uFFFD.txt" << 31
                                                  << QString();
    QTest::newRow("a real U+FFFD stays text") << QByteArray("rep\xef\xbf\xbd") << false << "rep\uFFFD" << 0
                                              << QStringLiteral("rep\uFFFD");
    QTest::newRow("a real private-use character stays text")
        << QByteArray("pua\xee\xbe\x85") << false << "pua\uEF85" << 0 << QStringLiteral("pua\uEF85");
    QTest::newRow("folder, listed with folders") << QByteArray("dir\xff") << true << "dir*" << 16
                                                 << QStringLiteral("dir\uFFFD");
    QTest::newRow("folder, not a normal file") << QByteArray("dir\xff") << true << "dir*" << 0 << QString();
}

void TstDirListing::undecodableNames()
{
    QFETCH(QByteArray, raw);
    QFETCH(bool, folder);
    QFETCH(QString, pattern);
    QFETCH(int, mask);
    QFETCH(QString, shown);
    const QString where = m_tmp->path() + QStringLiteral("/raw");
    QVERIFY(testsupport::MakePath(where));
    QVERIFY(folder ? fixtures::MakeRawDirectory(where, raw)
                   : fixtures::WriteFileWithRawName(where, raw, "x"));

    const QStringList names = List(where, pattern, mask);
    QCOMPARE(names.size(), shown.isEmpty() ? 0 : 1);
    if (!shown.isEmpty()) {
        // Shown with U+FFFD per undecodable byte, carried as the very bytes:
        // the path built from the name reaches the entry.
        QCOMPARE(platform::ShownText(names[0]), shown);
        QByteArray native;
        QVERIFY(platform::detail::ToNative(names[0], native));
        QCOMPARE(native, raw);
        QCOMPARE(EntryAttributes(where, names[0]), folder ? int(AttrDirectory) : 0);
        if (folder) {
            std::vector<FolderEntry> folders;
            QCOMPARE(ListFolders(where, folders), DirListing::Status::Ok);
            QCOMPARE(folders.size(), size_t(1));
            QCOMPARE(folders[0].name, names[0]);
            QCOMPARE(List(platform::JoinPath(where, names[0]), QStringLiteral("*"), AttrAll),
                     (QStringList{QStringLiteral("."), QStringLiteral("..")}));
        }
    }
    // QTemporaryDir cannot name it.
    QVERIFY(fixtures::RemoveRawName(where, raw));
}

void TstDirListing::entryAttributes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("expected");
    QTest::newRow("file") << "file.txt" << 0;
    QTest::newRow("read-only file, even for root") << "readonly.txt" << int(AttrReadOnly);
    QTest::newRow("hidden file") << ".hidden" << int(AttrHidden);
    QTest::newRow("directory") << "dir" << int(AttrDirectory);
    QTest::newRow("hidden directory") << ".hiddendir" << int(AttrHidden | AttrDirectory);
    QTest::newRow("symlink to directory") << "linkdir" << int(AttrDirectory);
    QTest::newRow("symlink to file") << "linkfile" << 0;
    QTest::newRow("fifo") << "fifo" << int(AttrSystem);
    QTest::newRow("socket") << "sock" << int(AttrSystem);
    QTest::newRow("dangling symlink") << "dangling" << int(AttrSystem);
    QTest::newRow("'.' is not hidden") << "." << int(AttrDirectory);
    QTest::newRow("'..' is not hidden") << ".." << int(AttrDirectory);
    QTest::newRow("missing") << "missing" << -1;
}

void TstDirListing::entryAttributes()
{
    QFETCH(QString, name);
    QFETCH(int, expected);
    QCOMPARE(EntryAttributes(m_root, name), expected);
}

QTEST_GUILESS_MAIN(TstDirListing)
#include "tst_dirlisting.moc"
