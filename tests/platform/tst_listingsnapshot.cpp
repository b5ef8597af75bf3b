// A folder is read once and its snapshot serves the listings that follow
// while it is unchanged: every change must still show in the next listing,
// even one that leaves the folder's modification time where it was.

#include "platform/listing.h"
#include "platform/listingcache.h"
#include "tempdir.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include "listnames.h"

#include <QtTest>
#include <algorithm>

using platform::DirListing;
using namespace platform;

using testsupport::ListNames;

namespace {

// Sets a folder's modification time to one fixed moment long past.
bool Backdate(const QString &path)
{
    return QProcess::execute(QStringLiteral("touch"),
                             {QStringLiteral("-d"), QStringLiteral("@1700000000"), path}) == 0;
}

// The second of a folder's last change, of its entries or its own.
time_t LastChange(const QString &folder)
{
    const QFileInfo info(folder);
    return std::max(info.lastModified().toSecsSinceEpoch(), info.metadataChangeTime().toSecsSinceEpoch());
}

// The time the cache is told it is.
std::optional<time_t> g_now;

QStringList Folders(const QString &folder, QList<bool> *links = nullptr)
{
    std::vector<FolderEntry> entries;
    ListFolders(folder, entries);
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry &a, const FolderEntry &b) { return a.name < b.name; });
    QStringList names;
    for (const FolderEntry &e : entries) {
        names << e.name;
        if (links)
            *links << e.isLink;
    }
    return names;
}

} // namespace

// Snapshots are reused only for folders whose last change lies a few
// seconds back (timestamps are coarse); the cache's clock is set so that
// every folder counts as settled unless a test says otherwise.
class TstListingSnapshot : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString Folder(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void changesShowInTheNextListing_data();
    void changesShowInTheNextListing();
    void sameQuestionTwiceAndAnother();
    void linkTargetChangingTypeIsAskedAgain();
    void listFoldersTellsFoldersAndLinks();
    void patternOfDotsOnlyTellsWhetherFolderOpens();
};

void TstListingSnapshot::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const char *change : {"none", "none-unsettled", "add", "remove", "rename", "add-backdated", "to-folder"}) {
        const QString f = Folder(QString::fromLatin1(change));
        QVERIFY(testsupport::WriteFile(f + "/a.txt", "a"));
        QVERIFY(testsupport::WriteFile(f + "/b.txt", "b"));
        QVERIFY(Backdate(f));
    }
    const QString same = Folder("same");
    QVERIFY(testsupport::WriteFile(same + "/x.TXT", "x"));
    QVERIFY(testsupport::WriteFile(same + "/.h.txt", "h"));
    QVERIFY(QDir().mkdir(same + "/sub.txt"));

    const QString linked = Folder("linked");
    QVERIFY(QDir().mkdir(linked));
    QVERIFY(testsupport::WriteFile(Folder("target"), "t"));
    QVERIFY(QFile::link(Folder("target"), linked + "/link.txt"));

    SharedListingCache().SetClock([] { return g_now; });
}

void TstListingSnapshot::init()
{
    // Well past the last change of every folder made so far.
    SharedListingCache().SetSettleSeconds(ListingCache::DefaultSettleSeconds);
    g_now = QDateTime::currentSecsSinceEpoch() + 3600;
}

void TstListingSnapshot::cleanupTestCase()
{
    SharedListingCache().SetClock(ListingCache::RealTime);
}

void TstListingSnapshot::changesShowInTheNextListing_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("settled");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("unchanged") << "none" << true << QStringList{"a.txt", "b.txt"};
    // Changed too recently for its timestamps to tell a later change.
    QTest::newRow("unchanged, not settled") << "none-unsettled" << false << QStringList{"a.txt", "b.txt"};
    QTest::newRow("file added") << "add" << true << QStringList{"a.txt", "b.txt", "c.txt"};
    QTest::newRow("file removed") << "remove" << true << QStringList{"b.txt"};
    QTest::newRow("file renamed") << "rename" << true << QStringList{"b.txt", "z.txt"};
    // The modification time put back by hand: the change time still moves.
    QTest::newRow("added, time put back") << "add-backdated" << true << QStringList{"a.txt", "b.txt", "c.txt"};
    QTest::newRow("file became a folder") << "to-folder" << true << QStringList{"b.txt"};
}

void TstListingSnapshot::changesShowInTheNextListing()
{
    QFETCH(QString, change);
    QFETCH(bool, settled);
    QFETCH(QStringList, expected);
    const QString f = Folder(change);
    // Just settled, or a second short of it.
    ListingCache &cache = SharedListingCache();
    const time_t settle = 60;
    cache.SetSettleSeconds(settle);
    g_now = LastChange(f) + settle - (settled ? 0 : 1);
    const int hits = cache.Hits();
    const int memoHits = cache.MemoHits();
    QCOMPARE(ListNames(f, "*.txt", 0), (QStringList{"a.txt", "b.txt"}));
    QCOMPARE(cache.Hits(), hits);
    // The same listing again: from the snapshot, and its last listing.
    QCOMPARE(ListNames(f, "*.txt", 0), (QStringList{"a.txt", "b.txt"}));
    QCOMPARE(cache.Hits(), hits + (settled ? 1 : 0));
    QCOMPARE(cache.MemoHits(), memoHits + (settled ? 1 : 0));

    if (change == "add") {
        QVERIFY(testsupport::WriteFile(f + "/c.txt", "c"));
    } else if (change == "remove") {
        QVERIFY(QFile::remove(f + "/a.txt"));
    } else if (change == "rename") {
        QVERIFY(QFile::rename(f + "/a.txt", f + "/z.txt"));
    } else if (change == "add-backdated") {
        QVERIFY(testsupport::WriteFile(f + "/c.txt", "c"));
        QVERIFY(Backdate(f));
    } else if (change == "to-folder") {
        QVERIFY(QFile::remove(f + "/a.txt"));
        QVERIFY(QDir().mkdir(f + "/a.txt"));
    }
    const int before = cache.Hits();
    QCOMPARE(ListNames(f, "*.txt", 0), expected);
    // A changed folder is read again; an unchanged one is served as before.
    QCOMPARE(cache.Hits(), before + (change == "none" ? 1 : 0));
}

void TstListingSnapshot::sameQuestionTwiceAndAnother()
{
    const QString f = Folder("same");
    // Same folder, same pattern, other masks: each answer its own.
    QCOMPARE(ListNames(f, "*.txt", 0), QStringList{"x.TXT"});
    QCOMPARE(ListNames(f, "*.txt", 0), QStringList{"x.TXT"});
    QCOMPARE(ListNames(f, "*.txt", AttrAll), (QStringList{".h.txt", "sub.txt", "x.TXT"}));
    QCOMPARE(ListNames(f, "*.txt", AttrHidden), (QStringList{".h.txt", "x.TXT"}));
    QCOMPARE(ListNames(f, "*.TXT", 0), QStringList{"x.TXT"});
    QCOMPARE(ListNames(f, "*", AttrAll), (QStringList{".", "..", ".h.txt", "sub.txt", "x.TXT"}));
    QCOMPARE(ListNames(f, "x*", 0), QStringList{"x.TXT"});
    // A listing's names are its own: reading one does not empty another.
    DirListing first, second;
    QCOMPARE(first.Open(f, "*.txt", 0), DirListing::Status::Ok);
    QCOMPARE(second.Open(f, "*.txt", 0), DirListing::Status::Ok);
    QCOMPARE(first.Next(), QStringLiteral("x.TXT"));
    QCOMPARE(second.Next(), QStringLiteral("x.TXT"));
}

void TstListingSnapshot::linkTargetChangingTypeIsAskedAgain()
{
    const QString f = Folder("linked");
    const QString target = Folder("target");
    QCOMPARE(ListNames(f, "*.txt", 0), QStringList{"link.txt"});
    QCOMPARE(ListNames(f, "*.txt", 0), QStringList{"link.txt"});
    // The target becomes a folder; the link's own folder does not change.
    QVERIFY(QFile::remove(target));
    QVERIFY(QDir().mkdir(target));
    QCOMPARE(ListNames(f, "*.txt", 0), QStringList());
    QCOMPARE(ListNames(f, "*.txt", AttrDirectory), QStringList{"link.txt"});
    QCOMPARE(Folders(f), QStringList{"link.txt"});
    // And goes away: a dangling link is a system entry, not a folder.
    QVERIFY(QDir().rmdir(target));
    QCOMPARE(ListNames(f, "*.txt", AttrDirectory), QStringList());
    QCOMPARE(ListNames(f, "*.txt", AttrSystem), QStringList{"link.txt"});
    QCOMPARE(Folders(f), QStringList());
}

void TstListingSnapshot::listFoldersTellsFoldersAndLinks()
{
    QTemporaryDir dir;
    const QString f = dir.path();
    QVERIFY(QDir().mkdir(f + "/plain"));
    QVERIFY(QDir().mkdir(f + "/.hidden"));
    QVERIFY(testsupport::WriteFile(f + "/file", "x"));
    QVERIFY(QFile::link(f + "/plain", f + "/to-plain"));
    QVERIFY(QFile::link(f + "/file", f + "/to-file"));
    QVERIFY(QFile::link(f + "/nowhere", f + "/dangling"));
    QList<bool> links;
    QCOMPARE(Folders(f, &links), (QStringList{".hidden", "plain", "to-plain"}));
    QCOMPARE(links, (QList<bool>{false, false, true}));

    std::vector<FolderEntry> entries{{QStringLiteral("stale"), true}};
    QCOMPARE(ListFolders(f + "/missing", entries), DirListing::Status::Missing);
    QVERIFY(entries.empty());
    QCOMPARE(ListFolders(f + "/file", entries), DirListing::Status::Refused);
}

void TstListingSnapshot::patternOfDotsOnlyTellsWhetherFolderOpens()
{
    QTemporaryDir dir;
    const QString f = dir.path();
    QVERIFY(testsupport::WriteFile(f + "/a", "a"));
    DirListing::Status status;
    for (const char *pattern : {".", "..", " ", ". ."}) {
        QCOMPARE(ListNames(f, pattern, AttrAll, &status), QStringList());
        QCOMPARE(status, DirListing::Status::Ok);
        QCOMPARE(ListNames(f + "/missing", pattern, AttrAll, &status), QStringList());
        QCOMPARE(status, DirListing::Status::Missing);
        QCOMPARE(ListNames(f + "/a", pattern, AttrAll, &status), QStringList());
        QCOMPARE(status, DirListing::Status::Refused);
    }
    // The empty pattern is not one of them: it lists everything.
    QCOMPARE(ListNames(f, "", AttrAll), (QStringList{".", "..", "a"}));
}

QTEST_GUILESS_MAIN(TstListingSnapshot)
#include "tst_listingsnapshot.moc"
