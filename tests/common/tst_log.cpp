// The log: record format, where it goes, appending across runs, and a log
// that cannot be written never disturbing the program.

#include "common/log.h"
#include "scopedtesthooks.h"
#include "tempdir.h"
#include "testchannel.h"

#include <QtTest>

using namespace common;

class TestLog : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void format_data();
    void format();
    void defaultPathBesideProgram();
    void location_data();
    void location();
    void appendsAfterEarlierRecords();
    void createsMissingFile();
    void unwritablePathSwallowed();

private:
    QByteArray m_home;
    QByteArray m_stateHome;
    bool m_stateHomeSet = false;
};

void TestLog::init()
{
    m_home = qgetenv("HOME");
    m_stateHomeSet = qEnvironmentVariableIsSet("XDG_STATE_HOME");
    m_stateHome = qgetenv("XDG_STATE_HOME");
}

void TestLog::cleanup()
{
    qputenv("HOME", m_home);
    if (m_stateHomeSet)
        qputenv("XDG_STATE_HOME", m_stateHome);
    else
        qunsetenv("XDG_STATE_HOME");
}

void TestLog::format_data()
{
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("expected");

    const QDate day(2026, 12, 6);
    QTest::newRow("morning") << QDateTime(day, QTime(6, 49, 40)) << "System Start..."
                             << QByteArray("#2026-12-06 06:49:40#,\"System Start...\"\r\n");
    QTest::newRow("afternoon") << QDateTime(QDate(2027, 1, 2), QTime(23, 5, 9)) << "System End..."
                               << QByteArray("#2027-01-02 23:05:09#,\"System End...\"\r\n");
    QTest::newRow("midnight") << QDateTime(day, QTime(0, 0, 0)) << "Close Dialog"
                              << QByteArray("#2026-12-06#,\"Close Dialog\"\r\n");
    QTest::newRow("midnight within the second") << QDateTime(day, QTime(0, 0, 0, 500)) << "x"
                                                << QByteArray("#2026-12-06#,\"x\"\r\n");
    QTest::newRow("one second past midnight") << QDateTime(day, QTime(0, 0, 1)) << "x"
                                              << QByteArray("#2026-12-06 00:00:01#,\"x\"\r\n");
    QTest::newRow("quotes unchanged") << QDateTime(day, QTime(12, 0, 0)) << "say \"hi\", \"\""
                                      << QByteArray("#2026-12-06 12:00:00#,\"say \"hi\", \"\"\"\r\n");
    QTest::newRow("empty message") << QDateTime(day, QTime(12, 0, 0)) << ""
                                   << QByteArray("#2026-12-06 12:00:00#,\"\"\r\n");
}

void TestLog::format()
{
    QFETCH(QDateTime, when);
    QFETCH(QString, message);
    QFETCH(QByteArray, expected);
    QCOMPARE(FormatLogRecord(when, message), expected);
}

void TestLog::defaultPathBesideProgram()
{
    const ScopedTestHooks hooks([](platform::TestHooks &h) { h.logFilePath.clear(); });
    QCOMPARE(LogFilePath(), LogFilePathFor(QCoreApplication::applicationDirPath()));
}

void TestLog::location_data()
{
    // Folders below one temporary root: "program" the program's folder,
    // "home" the home folder, "state" a state folder named by XDG_STATE_HOME.
    // A build folder is one whose parent (the root) holds CMakeCache.txt.
    QTest::addColumn<QString>("programDir");
    QTest::addColumn<QString>("programKind");     // build, installed, read-only build, missing, file
    QTest::addColumn<QByteArray>("stateHome");    // "unset", or the value ("@" = the root)
    QTest::addColumn<QString>("expected");

    QTest::newRow("writable program folder") << "program" << "build" << QByteArray("@/state")
                                             << "program/Pathwren.log";
    // An installed program, even where it may write (/usr/bin, as root).
    QTest::newRow("writable installed program folder") << "program" << "installed" << QByteArray("@/state")
                                                       << "state/Pathwren/Pathwren.log";
    QTest::newRow("installed, XDG_STATE_HOME unset") << "program" << "installed" << QByteArray("unset")
                                                     << "home/.local/state/Pathwren/Pathwren.log";
    QTest::newRow("read-only program folder") << "program" << "read-only build" << QByteArray("@/state")
                                              << "state/Pathwren/Pathwren.log";
    QTest::newRow("missing program folder") << "gone" << "missing" << QByteArray("@/state")
                                            << "state/Pathwren/Pathwren.log";
    QTest::newRow("program folder is a file") << "program" << "file" << QByteArray("@/state")
                                              << "state/Pathwren/Pathwren.log";
    QTest::newRow("state folder deep and missing") << "gone" << "missing" << QByteArray("@/a/b/c")
                                                   << "a/b/c/Pathwren/Pathwren.log";
    QTest::newRow("XDG_STATE_HOME unset") << "gone" << "missing" << QByteArray("unset")
                                          << "home/.local/state/Pathwren/Pathwren.log";
    QTest::newRow("XDG_STATE_HOME empty") << "gone" << "missing" << QByteArray("")
                                          << "home/.local/state/Pathwren/Pathwren.log";
    QTest::newRow("XDG_STATE_HOME relative") << "gone" << "missing" << QByteArray("state")
                                             << "home/.local/state/Pathwren/Pathwren.log";
}

void TestLog::location()
{
    QFETCH(QString, programDir);
    QFETCH(QString, programKind);
    QFETCH(QByteArray, stateHome);
    QFETCH(QString, expected);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString program = root.filePath(programDir);
    if (programKind == QLatin1String("file")) {
        QVERIFY(testsupport::WriteFile(program, "not a folder"));
    } else if (programKind != QLatin1String("missing")) {
        QVERIFY(testsupport::MakePath(program));
        if (programKind.endsWith(QLatin1String("build")))
            QVERIFY(testsupport::WriteFile(root.filePath(QStringLiteral("CMakeCache.txt")), "# CMake's cache\n"));
        if (programKind == QLatin1String("read-only build")) {
            QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
            if (QFileInfo(program).isWritable()) {
                QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                QSKIP("this user writes into read-only folders (root)");
            }
        }
    }
    QVERIFY(testsupport::MakePath(root.filePath(QStringLiteral("home"))));
    qputenv("HOME", QFile::encodeName(root.filePath(QStringLiteral("home"))));
    if (stateHome == "unset")
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", stateHome.replace('@', QFile::encodeName(root.path())));

    const QString path = LogFilePathFor(program);
    QCOMPARE(path, root.filePath(expected));

    // The first record creates the missing folders, private to the user.
    const ScopedTestHooks hooks([&](platform::TestHooks &h) { h.logFilePath = path; });
    WriteLog(QStringLiteral("System Start..."));
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(testsupport::ReadFile(path).endsWith("#,\"System Start...\"\r\n"));
    if (expected.contains(QLatin1String("/Pathwren/"))) {
        const QFileInfo folder(QFileInfo(path).absolutePath());
        QCOMPARE(folder.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
                                         | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther),
                 QFile::Permissions());
    } else {
        QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("state"))));
    }
}

void TestLog::appendsAfterEarlierRecords()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Pathwren.log"));
    const QByteArray earlier("#2020-01-01 10:00:00#,\"System Start...\"\r\n"
                             "#2020-01-01 11:00:00#,\"System End...\"\r\n");
    QVERIFY(testsupport::WriteFile(path, earlier));
    const ScopedTestHooks hooks([&](platform::TestHooks &h) { h.logFilePath = path; });

    WriteLog(QStringLiteral("System Start..."));
    WriteLog(QStringLiteral("Close Dialog"));

    const QByteArray content = testsupport::ReadFile(path);
    QVERIFY(content.startsWith(earlier));
    const QList<QByteArray> added = content.mid(earlier.size()).split('\n');
    QCOMPARE(added.size(), 3); // two records, then nothing after the last LF
    QVERIFY(added.at(0).startsWith('#') && added.at(0).endsWith("#,\"System Start...\"\r"));
    QVERIFY(added.at(1).startsWith('#') && added.at(1).endsWith("#,\"Close Dialog\"\r"));
}

void TestLog::createsMissingFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Pathwren.log"));
    const ScopedTestHooks hooks([&](platform::TestHooks &h) { h.logFilePath = path; });
    WriteLog(QStringLiteral("System Start..."));
    const QByteArray content = testsupport::ReadFile(path);
    QVERIFY(content.endsWith("#,\"System Start...\"\r\n"));
    QCOMPARE(content.count('\n'), 1);
}

void TestLog::unwritablePathSwallowed()
{
    TestChannel host;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A parent that is a regular file refuses the log even to root.
    const QString blocker = dir.filePath(QStringLiteral("notafolder"));
    QVERIFY(testsupport::WriteFile(blocker, "keep"));
    const QString path = blocker + QStringLiteral("/Pathwren.log");
    const ScopedTestHooks hooks([&](platform::TestHooks &h) { h.logFilePath = path; });

    WriteLog(QStringLiteral("System End..."));

    QVERIFY(host.lines.isEmpty()); // nothing reported
    QCOMPARE(testsupport::ReadFile(blocker), QByteArray("keep"));
    QCOMPARE(testsupport::TreeDigest(dir.path()).count(QLatin1Char('\n')), 0); // nothing else made
}

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
