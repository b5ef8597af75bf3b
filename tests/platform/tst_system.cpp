// Mount table parsing and file-system classification.

#include "platform/fileaccess.h"
#include "platform/system.h"
#include "scopedtesthooks.h"
#include "tempdir.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace platform;

namespace {
bool g_hookAnswer = false;
QString g_hookPath;
bool Hook(const QString &path)
{
    g_hookPath = path;
    return g_hookAnswer;
}
} // namespace

class TstSystem : public QObject {
    Q_OBJECT

private slots:
    void parseMountInfo_data();
    void parseMountInfo();
    void realMountTable();
    void classification_data();
    void classification();
    void pathServices();
    void accessHooks();
};

void TstSystem::parseMountInfo_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("types");

    QTest::newRow("plain")
        << QByteArray("22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                      "23 22 0:5 / /proc rw,nosuid - proc proc rw\n")
        << QStringList{"/", "/proc"} << QStringList{"ext4", "proc"};
    QTest::newRow("escaped blank, tab, newline, backslash")
        << QByteArray("40 22 0:40 / /media/My\\040Disk\\011x\\012y\\134z rw - vfat /dev/sdb1 rw\n")
        << QStringList{"/media/My Disk\tx\ny\\z"} << QStringList{"vfat"};
    QTest::newRow("UTF-8 path")
        << QByteArray("41 22 0:41 / /mnt/\xe5\x85\xb1\xe6\x9c\x89 rw - nfs4 srv:/x rw\n")
        << QStringList{QStringLiteral("/mnt/共有")} << QStringList{"nfs4"};
    QTest::newRow("several optional fields, none")
        << QByteArray("50 22 0:50 / /a rw shared:2 master:3 propagate_from:4 unbindable - tmpfs tmpfs rw\n"
                      "51 22 0:51 / /b rw - fuse.sshfs u@h:/ rw\n")
        << QStringList{"/a", "/b"} << QStringList{"tmpfs", "fuse.sshfs"};
    QTest::newRow("incomplete escapes stay as they are")
        << QByteArray("60 22 0:60 / /x\\04 rw - ext4 /dev/x rw\n"
                      "61 22 0:61 / /y\\9zz rw - ext4 /dev/y rw\n")
        << QStringList{"/x\\04", "/y\\9zz"} << QStringList{"ext4", "ext4"};
    QTest::newRow("malformed lines skipped")
        << QByteArray("\n"
                      "garbage\n"
                      "70 22 0:70 / /nosep rw shared:1 ext4 /dev/z rw\n"
                      "71 22 0:71 / /notype rw -\n"
                      "72 22 0:72 / /good rw - xfs /dev/g rw")
        << QStringList{"/good"} << QStringList{"xfs"};
    QTest::newRow("empty") << QByteArray() << QStringList{} << QStringList{};
}

void TstSystem::parseMountInfo()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, paths);
    QFETCH(QStringList, types);
    QStringList gotPaths, gotTypes;
    for (const MountPoint &m : ParseMountInfo(text)) {
        gotPaths << m.path;
        gotTypes << m.fsType;
    }
    QCOMPARE(gotPaths, paths);
    QCOMPARE(gotTypes, types);
}

void TstSystem::realMountTable()
{
    const std::vector<MountPoint> mounts = MountedFileSystems();
    if (mounts.empty())
        QSKIP("no /proc/self/mountinfo here");
    bool root = false;
    for (const MountPoint &m : mounts) {
        QVERIFY(!m.path.isEmpty());
        QVERIFY(!m.fsType.isEmpty());
        root = root || m.path == QLatin1String("/");
    }
    QVERIFY(root);
}

void TstSystem::classification_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("pseudo");
    QTest::addColumn<bool>("network");
    QTest::newRow("proc") << "proc" << true << false;
    QTest::newRow("cgroup2") << "cgroup2" << true << false;
    QTest::newRow("nfs4") << "nfs4" << false << true;
    QTest::newRow("fuse.sshfs") << "fuse.sshfs" << false << true;
    QTest::newRow("cifs") << "cifs" << false << true;
    // Real folders, though easily mistaken for the kinds above.
    QTest::newRow("tmpfs") << "tmpfs" << false << false;
    QTest::newRow("overlay") << "overlay" << false << false;
    QTest::newRow("9p") << "9p" << false << false;
    QTest::newRow("plain fuse") << "fuse" << false << false;
    QTest::newRow("case matters") << "NFS" << false << false;
}

void TstSystem::classification()
{
    QFETCH(QString, type);
    QFETCH(bool, pseudo);
    QFETCH(bool, network);
    QCOMPARE(IsPseudoFileSystem(type), pseudo);
    QCOMPARE(IsNetworkFileSystem(type), network);
}

void TstSystem::pathServices()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString root = tmp.path();
    QVERIFY(testsupport::WriteFile(root + QStringLiteral("/file"), "x"));
    QVERIFY(QFile::link(root + QStringLiteral("/nowhere"), root + QStringLiteral("/dangling")));

    QVERIFY(IsDirectory(root));
    QVERIFY(!IsDirectory(root + QStringLiteral("/file")));
    QVERIFY(!IsDirectory(root + QStringLiteral("/missing")));
    QVERIFY(!IsDirectory(QString()));

    // One level only; an existing folder cannot be made again.
    QVERIFY(MakeDirectory(root + QStringLiteral("/made")));
    QVERIFY(IsDirectory(root + QStringLiteral("/made")));
    QVERIFY(!MakeDirectory(root + QStringLiteral("/made")));
    QVERIFY(!MakeDirectory(root + QStringLiteral("/no/parent")));
    QVERIFY(!MakeDirectory(root + QStringLiteral("/made") + QChar(0) + QStringLiteral("x")));
    QVERIFY(!MakeDirectory(QString()));

    QVERIFY(QFile::link(root + QStringLiteral("/made"), root + QStringLiteral("/alias")));
    const QString resolved = ResolvedPath(root + QStringLiteral("/alias/../made/."));
    QCOMPARE(resolved, ResolvedPath(root) + QStringLiteral("/made"));
    QVERIFY(ResolvedPath(root + QStringLiteral("/missing")).isEmpty());
    QVERIFY(ResolvedPath(root + QStringLiteral("/dangling")).isEmpty());

    QVERIFY(PathAttributesReadable(root + QStringLiteral("/file")));
    QVERIFY(PathAttributesReadable(root));
    QVERIFY(PathAttributesReadable(root + QStringLiteral("/dangling")));
    QVERIFY(!PathAttributesReadable(root + QStringLiteral("/missing")));
    QVERIFY(!PathAttributesReadable(QString()));

    QVERIFY(OpenNetworkEnumeration(root));
    QVERIFY(!OpenNetworkEnumeration(root + QStringLiteral("/file")));
    QVERIFY(!OpenNetworkEnumeration(root + QStringLiteral("/missing")));
}

void TstSystem::accessHooks()
{
    const QString missing = QStringLiteral("/nonexistent-pathwren-test/x");
    ScopedTestHooks hooks([](TestHooks &h) {
        h.accessTest = Hook;
        h.networkOpen = Hook;
    });
    g_hookAnswer = true;
    QVERIFY(PathAttributesReadable(missing));
    QCOMPARE(g_hookPath, missing);
    QVERIFY(OpenNetworkEnumeration(missing));
    g_hookAnswer = false;
    QVERIFY(!PathAttributesReadable(QStringLiteral("/")));
    QVERIFY(!OpenNetworkEnumeration(QStringLiteral("/")));
    hooks.Change([](TestHooks &h) {
        h.accessTest = nullptr;
        h.networkOpen = nullptr;
    });
    QVERIFY(PathAttributesReadable(QStringLiteral("/")));
    QVERIFY(!PathAttributesReadable(missing));
}

QTEST_GUILESS_MAIN(TstSystem)
#include "tst_system.moc"
