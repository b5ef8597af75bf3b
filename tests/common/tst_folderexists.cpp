// FolderExists: the destination check before a search with copy.

#include "common/filecopy.h"
#include "platform/listing.h"
#include "scopedtesthooks.h"
#include "tempdir.h"
#include "testchannel.h"

#include <QtTest>

using namespace common;

namespace {

platform::DirListing::Status RefuseAll(const QString &)
{
    return platform::DirListing::Status::Refused;
}

} // namespace

class TestDirExists : public QObject {
    Q_OBJECT

private slots:
    void paths_data();
    void paths();
    void refusedListingReported();
};

void TestDirExists::paths_data()
{
    QTest::addColumn<QString>("path"); // relative to a temporary folder; "<empty>" for ""
    QTest::addColumn<bool>("exists");

    QTest::newRow("folder") << "folder" << true;
    QTest::newRow("folder with trailing separator") << "folder/" << true;
    QTest::newRow("hidden folder") << ".config" << true;
    QTest::newRow("empty folder below") << "folder/empty" << true;
    QTest::newRow("symlink to folder") << "alias" << true;
    QTest::newRow("name with blanks and Japanese") << "新しい フォルダ" << true;
    QTest::newRow("missing") << "nothere" << false;
    QTest::newRow("below missing") << "nothere/deeper" << false;
    QTest::newRow("a file") << "file.txt" << false;
    QTest::newRow("below a file") << "file.txt/x" << false;
    QTest::newRow("dangling symlink") << "dangling" << false;
    QTest::newRow("wildcard is no folder") << "fold*" << false;
    QTest::newRow("empty path") << "<empty>" << false;
}

void TestDirExists::paths()
{
    QFETCH(QString, path);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(testsupport::MakePath(dir.filePath(QStringLiteral("folder/empty"))));
    QVERIFY(testsupport::MakePath(dir.filePath(QStringLiteral(".config"))));
    QVERIFY(testsupport::MakePath(dir.filePath(QStringLiteral("新しい フォルダ"))));
    QVERIFY(testsupport::WriteFile(dir.filePath(QStringLiteral("file.txt")), "x"));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("folder")), dir.filePath(QStringLiteral("alias"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), dir.filePath(QStringLiteral("dangling"))));
    TestChannel host;

    const QString full = path == QLatin1String("<empty>") ? QString() : dir.filePath(path);
    QCOMPARE(FolderExists(full, host), exists);
    QVERIFY(host.lines.isEmpty());
}

void TestDirExists::refusedListingReported()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TestChannel host;
    const ScopedTestHooks hooks([](platform::TestHooks &h) { h.listingFault = &RefuseAll; });
    QVERIFY(!FolderExists(dir.path(), host));
    QCOMPARE(host.lines, QStringList{QStringLiteral("※※※ Error in DirExists")});
}

QTEST_GUILESS_MAIN(TestDirExists)
#include "tst_folderexists.moc"
