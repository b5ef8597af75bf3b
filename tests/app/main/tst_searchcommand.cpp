// The command line's search: its options, and what it writes and ends with
// for the lines a search sends it.
#include "app/main/searchcommand.h"

#include "common/resultline.h"
#include "platform/interrupt.h"
#include "resultlines.h"
#include "scopedtesthooks.h"
#include "tempdir.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sstream>

Q_DECLARE_METATYPE(ParseOutcome)

namespace {
QString g_denied;        // a folder whose attributes "cannot be read"
QString g_interruptAt;   // a folder whose listing "brings" a Ctrl-C, once

bool FakeAccess(const QString &path)
{
    return path != g_denied;
}
bool NoNetwork(const QString &)
{
    return false;
}
platform::ListingStatus InterruptOnce(const QString &folder)
{
    if (folder == g_interruptAt) {
        g_interruptAt.clear();
        std::raise(SIGINT);
    }
    return platform::ListingStatus::Ok;
}
bool FailWrite(int64_t)
{
    return false;
}
} // namespace

class TestSearchCommand : public QObject {
    Q_OBJECT
private slots:
    void dispatchAndOptions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("dispatched");
        QTest::addColumn<ParseOutcome>("outcome");
        // For a search: patterns|top|copy|excludes (,)|paths|print0|folders (,)
        QTest::addColumn<QString>("request");
        const QString cwd = QDir::currentPath();
        QTest::newRow("long") << QStringList{"--search", "*.txt;*.doc", "/a", "/b/"} << true << ParseOutcome::Search
                              << "*.txt;*.doc|0|||0|0|/a,/b";
        QTest::newRow("every option, long")
            << QStringList{"--search=*.c", "--top-only", "--copy-to", "/d", "--exclude", ".git", "--exclude=/a/b",
                           "--paths", "--print0", "/a"}
            << true << ParseOutcome::Search << "*.c|1|/d|.git,/a/b|1|1|/a";
        QTest::newRow("short, joined flags") << QStringList{"-tp0s", "*.c", "-c", "d", "-x", "x", "rel"} << true
                                             << ParseOutcome::Search
                                             << "*.c|1|" + cwd + "/d|x|1|1|" + cwd + "/rel";
        QTest::newRow("options after folders") << QStringList{"/a", "-s", "*", "-p"} << true << ParseOutcome::Search
                                               << "*|0|||1|0|/a";
        QTest::newRow("-- ends options") << QStringList{"-s", "*", "--", "-p"} << true << ParseOutcome::Search
                                         << "*|0|||0|0|" + cwd + "/-p";
        QTest::newRow("empty pattern text") << QStringList{"-s", "", "/a"} << true << ParseOutcome::Search
                                            << "|0|||0|0|/a";
        QTest::newRow("help") << QStringList{"-s", "*", "--help"} << true << ParseOutcome::Help << "";
        QTest::newRow("no folder") << QStringList{"-s", "*"} << true << ParseOutcome::Error << "";
        QTest::newRow("empty folder") << QStringList{"-s", "*", ""} << true << ParseOutcome::Error << "";
        QTest::newRow("patterns missing their value") << QStringList{"/a", "-s"} << true << ParseOutcome::Error << "";
        QTest::newRow("two pattern lists") << QStringList{"-s", "a", "-s", "b", "/a"} << true << ParseOutcome::Error
                                           << "";
        QTest::newRow("two destinations") << QStringList{"-s", "a", "-c", "/x", "-c", "/y", "/a"} << true
                                          << ParseOutcome::Error << "";
        QTest::newRow("empty exclusion") << QStringList{"-s", "a", "-x", "", "/a"} << true << ParseOutcome::Error
                                         << "";
        QTest::newRow("unknown option") << QStringList{"-s", "a", "--recursive", "/a"} << true
                                        << ParseOutcome::Error << "";
        // Not ours: the windows start (or refuse) as before.
        QTest::newRow("no arguments") << QStringList{} << false << ParseOutcome::Error << "";
        QTest::newRow("-s after --") << QStringList{"--", "-s", "x"} << false << ParseOutcome::Error << "";
        QTest::newRow("Qt's -style") << QStringList{"-style", "fusion"} << false << ParseOutcome::Error << "";
        QTest::newRow("--searching") << QStringList{"--searching"} << false << ParseOutcome::Error << "";
    }
    void dispatchAndOptions()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, dispatched);
        QFETCH(ParseOutcome, outcome);
        QFETCH(QString, request);
        args.prepend(QStringLiteral("pathwren"));
        std::vector<QByteArray> bytes;
        std::vector<const char *> argv;
        for (const QString &arg : args)
            bytes.push_back(arg.toUtf8());
        for (const QByteArray &arg : bytes)
            argv.push_back(arg.constData());
        QCOMPARE(IsSearchCommand(int(argv.size()), argv.data()), dispatched);
        if (!dispatched)
            return;

        SearchRequest r;
        QString error;
        QCOMPARE(ParseSearchRequest(args, r, error), outcome);
        QCOMPARE(error.isEmpty(), outcome != ParseOutcome::Error);
        if (outcome != ParseOutcome::Search)
            return;
        const QString flag[] = {QStringLiteral("0"), QStringLiteral("1")};
        const QString got = QStringList{r.patterns, flag[r.topOnly], r.copyTo, r.excludes.join(','),
                                        flag[r.paths], flag[r.print0], r.folders.join(',')}
                                .join('|');
        QCOMPARE(got, request);
    }

    // What reaches standard output and standard error, and the exit status,
    // for the lines of one search.
    void outputAndExitStatus_data()
    {
        QTest::addColumn<bool>("paths");
        QTest::addColumn<bool>("print0");
        QTest::addColumn<bool>("copy");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("interrupt");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<int>("status");

        const QString start = QStringLiteral("☆☆☆ 検索のみ開始... ☆☆☆");
        const QString end = QStringLiteral("☆☆☆ 終了 ☆☆☆");
        const QString hit = common::HitLinePrefix(QStringLiteral("*.txt")) + QStringLiteral("/t/a\nb.txt");
        const QString hit2 = common::HitLinePrefix(QStringLiteral("*) in *")) + QStringLiteral("/t/c\\d");
        const QString copied = common::CopyLinePrefix(QStringLiteral("*.txt")) + QStringLiteral("/t/e.txt");
        const QString denied = common::AccessDeniedLine(QStringLiteral("/t/locked"));
        const QString granted = common::AccessGrantedLine(QStringLiteral("/t/share"));
        const QString error = common::ErrorLine(common::procedure::CopyFile);
        const QByteArray encodedHit = (common::HitLinePrefix(QStringLiteral("*.txt")) + "/t/a\\nb.txt").toUtf8();
        const QByteArray encodedHit2 = (common::HitLinePrefix(QStringLiteral("*) in *")) + "/t/c\\\\d").toUtf8();

        QTest::newRow("lines, escaped") << false << false << false << QStringList{start, hit, hit2, end} << false
                                        << start.toUtf8() + '\n' + encodedHit + '\n' + encodedHit2 + '\n'
                                               + end.toUtf8() + '\n'
                                        << QByteArray() << 0;
        QTest::newRow("lines, NUL-ended") << false << true << false << QStringList{hit, granted} << false
                                          << encodedHit + '\0' + granted.toUtf8() + '\0' << QByteArray() << 0;
        QTest::newRow("paths, escaped; notes on stderr")
            << true << false << false << QStringList{start, hit, denied, hit2, end} << false
            << QByteArray("/t/a\\nb.txt\n/t/c\\\\d\n") << denied.toUtf8() + '\n' << 1;
        QTest::newRow("paths, NUL-ended as they are") << true << true << false << QStringList{hit, hit2} << false
                                                      << QByteArray("/t/a\nb.txt\0/t/c\\d\0", 18) << QByteArray()
                                                      << 0;
        QTest::newRow("copied paths only") << true << false << true << QStringList{copied, error} << false
                                           << QByteArray("/t/e.txt\n") << error.toUtf8() + '\n' << 1;
        QTest::newRow("access granted is no failure") << false << false << false << QStringList{granted} << false
                                                      << granted.toUtf8() + '\n' << QByteArray() << 0;
        QTest::newRow("interrupted, after a failure") << false << false << false << QStringList{denied} << true
                                                      << denied.toUtf8() + '\n' << QByteArray() << 130;
    }
    void outputAndExitStatus()
    {
        QFETCH(bool, paths);
        QFETCH(bool, print0);
        QFETCH(bool, copy);
        QFETCH(QStringList, lines);
        QFETCH(bool, interrupt);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QFETCH(int, status);
        std::ostringstream outStream;
        std::ostringstream errStream;
        SearchOutput output(outStream, errStream, paths, print0, copy);
        int interrupts = 0;
        output.SetOnInterrupt([&] { ++interrupts; });
        platform::CatchInterrupts();
        for (const QString &line : lines) {
            output.AppendLine(line);
            output.Yield();
        }
        QVERIFY(!output.StopRequested());
        if (interrupt) {
            std::raise(SIGINT);
            output.Yield();
            output.Yield();
            QVERIFY(output.StopRequested());
        }
        QCOMPARE(interrupts, interrupt ? 1 : 0);
        QCOMPARE(QByteArray::fromStdString(outStream.str()), out);
        QCOMPARE(QByteArray::fromStdString(errStream.str()), err);
        QCOMPARE(output.ExitStatus(), status);
    }

    // The whole command over a tree: the lines or paths it writes, folders
    // left out, and its exit status.
    void runAndExitStatus_data()
    {
        QTest::addColumn<QStringList>("args");     // "R" stands for the tree
        QTest::addColumn<QString>("hooks");        // denied, interrupt, write
        QTest::addColumn<QStringList>("lines");    // "R" for the tree; "-" not compared
        QTest::addColumn<int>("status");
        using testsupport::End;
        const QString start = testsupport::SearchStart;
        const QString txt = QStringLiteral("*.txt");
        const QString node = QStringLiteral("node*");
        const auto hit = [](const QString &pattern, const QString &rel) { return testsupport::Hit(pattern, "R/" + rel); };
        const QStringList all{start, hit(txt, "a.txt"), hit(txt, "b/x.txt"), hit(node, "b/node_modules"),
                              hit(txt, "b/node_modules/n.txt"), hit(txt, "c/y.txt"), End};
        QStringList leftOut = all;
        leftOut.removeAll(hit(txt, "b/node_modules/n.txt"));
        const QStringList patterns{"-s", "*.txt;node*"};

        QTest::newRow("whole tree") << patterns + QStringList{"R"} << "" << all << 0;
        QTest::newRow("top only") << patterns + QStringList{"-t", "R"} << ""
                                  << QStringList{start, hit(txt, "a.txt"), End} << 0;
        QTest::newRow("left out by name") << patterns + QStringList{"-x", "node_modules", "R"} << "" << leftOut << 0;
        QTest::newRow("left out by path") << patterns + QStringList{"--exclude", "R/b/node_modules", "R"} << ""
                                          << leftOut << 0;
        QTest::newRow("several folders, in order") << patterns + QStringList{"R/c", "R/b/node_modules"} << ""
                                                   << QStringList{start, hit(txt, "c/y.txt"),
                                                                  hit(txt, "b/node_modules/n.txt"), End}
                                                   << 0;
        QTest::newRow("paths") << patterns + QStringList{"-p", "R/b"} << ""
                               << QStringList{"R/b/x.txt", "R/b/node_modules", "R/b/node_modules/n.txt"} << 0;
        QTest::newRow("unreadable folder") << patterns + QStringList{"R"} << "denied"
                                           << QStringList{start, hit(txt, "a.txt"), hit(txt, "b/x.txt"),
                                                          hit(node, "b/node_modules"),
                                                          hit(txt, "b/node_modules/n.txt"),
                                                          testsupport::Unreachable("R/c"), End}
                                           << 1;
        QTest::newRow("interrupted") << patterns + QStringList{"R"} << "interrupt"
                                     << QStringList{start, hit(txt, "a.txt"), testsupport::UserStop, hit(txt, "b/x.txt"),
                                                    hit(node, "b/node_modules"), End}
                                     << 130;
        QTest::newRow("copy failed") << patterns + QStringList{"-c", "R/../out", "R/c"} << "write" << QStringList{"-"}
                                     << 1;
        QTest::newRow("destination no folder") << patterns + QStringList{"-c", "R/a.txt", "R"} << ""
                                               << QStringList{} << 2;
        QTest::newRow("usage error") << patterns << "" << QStringList{} << 2;
    }
    void runAndExitStatus()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, hooks);
        QFETCH(QStringList, lines);
        QFETCH(int, status);
        QTemporaryDir tmp;
        const QString root = QDir::cleanPath(tmp.path()) + "/tree";
        using testsupport::WriteFile;
        WriteFile(root + "/a.txt", "a");
        WriteFile(root + "/b/x.txt", "x");
        WriteFile(root + "/b/node_modules/n.txt", "n");
        WriteFile(root + "/c/y.txt", "y");
        QVERIFY(QDir().mkpath(tmp.path() + "/out"));
        g_denied = root + "/c";
        g_interruptAt = root + "/b";
        const ScopedTestHooks guard([&](platform::TestHooks &h) {
            if (hooks == "denied") {
                h.accessTest = FakeAccess;
                h.networkOpen = NoNetwork;
            } else if (hooks == "interrupt") {
                h.listingFault = InterruptOnce;
            } else if (hooks == "write") {
                h.writeFault = FailWrite;
            }
        });

        args.prepend("pathwren");
        std::vector<QByteArray> bytes;
        for (const QString &arg : args)
            bytes.push_back(QString(arg).replace(QRegularExpression("^R(?=/|$)"), root).toUtf8());
        std::vector<char *> argv;
        for (QByteArray &arg : bytes)
            argv.push_back(arg.data());
        std::ostringstream out;
        std::ostringstream err;
        QCOMPARE(RunSearchCommand(int(argv.size()), argv.data(), out, err), status);
        const QString written = QString::fromStdString(out.str());
        if (lines != QStringList{"-"}) {
            QStringList expected;
            for (const QString &line : lines)
                expected << QString(line).replace("R/", root + "/") + "\n";
            QCOMPARE(written, expected.join(QString()));
        }
        QCOMPARE(err.str().empty(), status != 2);
    }
};

QTEST_MAIN(TestSearchCommand)
#include "tst_searchcommand.moc"
