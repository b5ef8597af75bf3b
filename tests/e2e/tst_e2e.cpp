// The built program on its own X server (Xvfb; with
// PATHWREN_E2E_WINDOW_MANAGER=jwm under that window manager), with a
// temporary home, settings folder and log, watched and driven from outside
// the way a desktop and a user would: window titles and places, the close
// box, the settings file and log it leaves, and dialogs of another program
// that it closes while a search with copy runs.
#include "xsession.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

const QString MainTitle = QStringLiteral("Pathwren");
const QString ResultTitle = QStringLiteral("Pathwren（検索結果）");

// Within a pixel, as twips do not always come out as whole pixels.
bool Near(const QRect &actual, const QRect &expected)
{
    return qAbs(actual.x() - expected.x()) <= 1 && qAbs(actual.y() - expected.y()) <= 1
        && qAbs(actual.width() - expected.width()) <= 1 && qAbs(actual.height() - expected.height()) <= 1;
}

QByteArray Describe(const QRect &r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toUtf8();
}

// The folder a copy of `path` lands in (temporary paths hold no ':'),
// spelled out here as this test links none of the program's code.
QString Flat(const QString &path)
{
    QString s = path;
    s.replace(QLatin1Char('/'), QStringLiteral("￥"));
    return s;
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<e2e::VirtualScreen> m_screen;
    std::unique_ptr<e2e::WindowManager> m_manager;
    const bool m_withManager = qgetenv("PATHWREN_E2E_WINDOW_MANAGER") == "jwm";
    std::unique_ptr<e2e::XClient> m_x;
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<QProcess> m_program;
    QString m_bin, m_home, m_config, m_state;

    QString IniPath() const { return m_config + QStringLiteral("/Pathwren/Pathwren.ini"); }
    QString LogPath() const { return m_state + QStringLiteral("/Pathwren/Pathwren.log"); }

    // The program runs from a copy outside its build folder, as an installed
    // program does: it logs into the state folder of its temporary home.
    bool Launch()
    {
        m_program = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"WAYLAND_DISPLAY", "XAUTHORITY", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                 "QT_QPA_PLATFORMTHEME", "SESSION_MANAGER"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("DISPLAY"), m_screen->Display());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("HOME"), m_home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config);
        env.insert(QStringLiteral("XDG_STATE_HOME"), m_state);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_tmp->filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        m_program->setProcessEnvironment(env);
        m_program->setProcessChannelMode(QProcess::MergedChannels);
        m_program->start(m_bin + QStringLiteral("/pathwren"), QStringList());
        return m_program->waitForStarted(10000);
    }
    qint64 Pid() const { return m_program ? m_program->processId() : 0; }

    // Both windows shown; returns them (ids are none when they never came).
    std::pair<e2e::WindowInfo, e2e::WindowInfo> WaitForWindows()
    {
        e2e::WindowInfo main, result;
        e2e::WaitUntil(*m_x, [&] {
            main = m_x->Find(Pid(), MainTitle);
            result = m_x->Find(Pid(), ResultTitle);
            return main.id != XCB_WINDOW_NONE && result.id != XCB_WINDOW_NONE;
        }, 15000);
        return {main, result};
    }

    // Waits until the window has settled at `expected`; returns where it is.
    QRect WaitForPlace(const QString &title, const QRect &expected)
    {
        QRect at;
        e2e::WaitUntil(*m_x, [&] {
            at = m_x->Find(Pid(), title).rect;
            return Near(at, expected);
        }, 5000);
        return at;
    }

    // The close box; returns whether the program ended by itself.
    bool CloseAndWait(xcb_window_t mainWindow)
    {
        m_x->SendDelete(mainWindow);
        return m_program->waitForFinished(10000);
    }

    void StopProgram()
    {
        if (m_program && m_program->state() != QProcess::NotRunning) {
            m_program->kill();
            m_program->waitForFinished(5000);
        }
        if (m_program && QTest::currentTestFailed())
            qWarning("program output:\n%s", m_program->readAll().constData());
        m_program.reset();
    }

    // Messages of the log, oldest first; every record must have the form
    // #date time#,"message" with CR LF.
    QStringList LogMessages()
    {
        QFile file(LogPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QRegularExpression form(
            QStringLiteral("^#\\d{4}-\\d\\d-\\d\\d( \\d\\d:\\d\\d:\\d\\d)?#,\"(.*)\"\r$"));
        QStringList out;
        const QList<QByteArray> records = file.readAll().split('\n');
        for (const QByteArray &record : records) {
            if (record.isEmpty())
                continue;
            const auto m = form.match(QString::fromUtf8(record));
            if (!m.hasMatch())
                return {QStringLiteral("malformed record: ") + QString::fromUtf8(record)};
            out << m.captured(2);
        }
        return out;
    }

    void WriteSettings(const QList<QPair<QString, QString>> &values)
    {
        QSettings ini(IniPath(), QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("Setting"));
        for (const auto &v : values)
            ini.setValue(v.first, v.second);
        ini.endGroup();
        ini.sync();
    }
    QString Setting(const QString &key)
    {
        QSettings ini(IniPath(), QSettings::IniFormat);
        return ini.value(QStringLiteral("Setting/") + key).toString();
    }

private slots:
    void initTestCase()
    {
        if (e2e::VirtualScreen::XvfbPath().isEmpty())
            QSKIP("Xvfb is not installed (package xvfb); the end-to-end test needs it");
        QVERIFY2(QFileInfo(QStringLiteral(PATHWREN_PROGRAM)).isExecutable(), PATHWREN_PROGRAM);
        m_screen = std::make_unique<e2e::VirtualScreen>();
        QString error;
        QVERIFY2(m_screen->Start(&error), qPrintable(error));
        if (m_withManager) {
            if (e2e::WindowManager::JwmPath().isEmpty())
                QSKIP("jwm is not installed (package jwm); the test under a window manager needs it");
            m_manager = std::make_unique<e2e::WindowManager>();
            QVERIFY2(m_manager->Start(m_screen->Display(), &error), qPrintable(error));
        }
    }
    void cleanupTestCase()
    {
        m_manager.reset();
        m_screen.reset();
    }

    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_bin = m_tmp->filePath(QStringLiteral("bin"));
        m_home = m_tmp->filePath(QStringLiteral("home"));
        m_config = m_tmp->filePath(QStringLiteral("config"));
        m_state = m_tmp->filePath(QStringLiteral("state"));
        for (const QString &dir : {m_bin, m_home, m_config, m_tmp->filePath(QStringLiteral("runtime"))})
            QVERIFY(QDir().mkpath(dir));
        QFile::setPermissions(m_tmp->filePath(QStringLiteral("runtime")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(QFile::copy(QStringLiteral(PATHWREN_PROGRAM), m_bin + QStringLiteral("/pathwren")));
        m_x = std::make_unique<e2e::XClient>(m_screen->Display());
        QVERIFY(m_x->Ok());
        // The pointer waits in a corner: a window that appears under it can
        // miss the first click.
        if (m_x->HasXTest())
            m_x->Move(1279, 1023);
    }
    void cleanup()
    {
        StopProgram();
        m_x.reset();   // its windows go with the connection
        m_tmp.reset();
    }

    void firstStartPlacesWindowsAndCloseSavesSettings()
    {
        QVERIFY(Launch());
        const auto [main, result] = WaitForWindows();
        QVERIFY2(main.id != XCB_WINDOW_NONE, "no main window titled \"Pathwren\" was shown");
        QVERIFY2(result.id != XCB_WINDOW_NONE, "no result window titled \"Pathwren（検索結果）\" was shown");

        // 1000 twips = 67 px; 5625 x 7950 twips = 375 x 530 px; the result
        // window flush against the main window's right edge.
        const QRect mainAt = WaitForPlace(MainTitle, QRect(67, 67, 375, 530));
        QVERIFY2(Near(mainAt, QRect(67, 67, 375, 530)), Describe(mainAt));
        const QRect resultAt = WaitForPlace(ResultTitle, QRect(442, 67, 375, 530));
        QVERIFY2(Near(resultAt, QRect(442, 67, 375, 530)), Describe(resultAt));
        QCOMPARE(LogMessages(), QStringList{QStringLiteral("System Start...")});

        QVERIFY2(CloseAndWait(main.id), "the program did not end after its window was closed");
        QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program->exitCode(), 0);

        QVERIFY(QFileInfo::exists(IniPath()));
        QSettings ini(IniPath(), QSettings::IniFormat);
        QCOMPARE(ini.childGroups(), QStringList{QStringLiteral("Setting")});
        ini.beginGroup(QStringLiteral("Setting"));
        QStringList keys = ini.childKeys();
        keys.sort();
        QCOMPARE(keys, (QStringList{"CopyPath", "Height", "Left", "Pattern", "Top", "Width"}));
        QCOMPARE(ini.value("Pattern").toString(), QStringLiteral("*.txt;*.doc;*DATA*"));
        QCOMPARE(ini.value("CopyPath").toString(), m_home + QStringLiteral("/Desktop"));
        // Whole pixels back to twips: 67 px = 1005 twips.
        QCOMPARE(ini.value("Left").toString(), QStringLiteral("1005"));
        QCOMPARE(ini.value("Top").toString(), QStringLiteral("1005"));
        QCOMPARE(ini.value("Width").toString(), QStringLiteral("5625"));
        QCOMPARE(ini.value("Height").toString(), QStringLiteral("7950"));

        QCOMPARE(LogMessages(), (QStringList{"System Start...", "System End..."}));
        // Its folder is writable, but it is no build folder.
        QVERIFY(!QFileInfo::exists(m_bin + QStringLiteral("/Pathwren.log")));
    }

    void restartRestoresEditedSettings()
    {
        QVERIFY(Launch());
        auto windows = WaitForWindows();
        QVERIFY(windows.first.id != XCB_WINDOW_NONE);
        QVERIFY(CloseAndWait(windows.first.id));

        const QString destination = m_tmp->filePath(QStringLiteral("コピー先"));
        WriteSettings({{"Pattern", "*.log;報告*"}, {"CopyPath", destination}, {"Left", "3000"},
                       {"Top", "1500"}, {"Width", "6000"}, {"Height", "6300"}});

        QVERIFY(Launch());
        windows = WaitForWindows();
        QVERIFY(windows.first.id != XCB_WINDOW_NONE && windows.second.id != XCB_WINDOW_NONE);
        const QRect mainAt = WaitForPlace(MainTitle, QRect(200, 100, 400, 420));
        QVERIFY2(Near(mainAt, QRect(200, 100, 400, 420)), Describe(mainAt));
        const QRect resultAt = WaitForPlace(ResultTitle, QRect(600, 100, 400, 420));
        QVERIFY2(Near(resultAt, QRect(600, 100, 400, 420)), Describe(resultAt));

        // What the window shows is what it saves at the next close: had the
        // edited values not been restored, the defaults would come back.
        QVERIFY(CloseAndWait(windows.first.id));
        QCOMPARE(Setting("Pattern"), QStringLiteral("*.log;報告*"));
        QCOMPARE(Setting("CopyPath"), destination);
        QCOMPARE(Setting("Left"), QStringLiteral("3000"));
        QCOMPARE(Setting("Top"), QStringLiteral("1500"));
        QCOMPARE(Setting("Width"), QStringLiteral("6000"));
        QCOMPARE(Setting("Height"), QStringLiteral("6300"));
        QCOMPARE(LogMessages(), (QStringList{"System Start...", "System End...", "System Start...", "System End..."}));
    }

    void foreignDialogsCloseDuringSearchWithCopy()
    {
        if (m_withManager)
            QSKIP("a window manager carries out close requests itself; the test plays its part only without one");
        if (!m_x->HasXTest())
            QSKIP("the X server has no XTEST extension to press the buttons with");

        // A search that lasts: every file matches each of many identical
        // patterns and is copied once per pattern.  The test ends it itself.
        const QString data = m_home + QStringLiteral("/data");
        QVERIFY(QDir().mkpath(data));
        for (int i = 0; i < 200; ++i) {
            QFile f(data + QStringLiteral("/pwe2e_%1.bin").arg(i, 3, 10, QLatin1Char('0')));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
        }
        QStringList patterns;
        for (int i = 0; i < 500; ++i)
            patterns << QStringLiteral("pwe2e_*.bin");
        const QString destination = m_tmp->filePath(QStringLiteral("dest"));
        QVERIFY(QDir().mkpath(destination));
        WriteSettings({{"Pattern", patterns.join(QLatin1Char(';'))}, {"CopyPath", destination}});

        QVERIFY(Launch());
        const e2e::WindowInfo main = WaitForWindows().first;
        QVERIFY(main.id != XCB_WINDOW_NONE);
        const QRect at = WaitForPlace(MainTitle, QRect(67, 67, 375, 530));

        const xcb_atom_t protocols = m_x->Atom("WM_PROTOCOLS");
        const xcb_atom_t deleteWindow = m_x->Atom("WM_DELETE_WINDOW");
        const xcb_atom_t closeWindow = m_x->Atom("_NET_CLOSE_WINDOW");
        auto requests = [&](xcb_window_t w) {
            return m_x->MessagesFor(w, protocols) + m_x->MessagesFor(w, closeWindow);
        };

        e2e::FakeWindow dialog;
        dialog.netWmName = MainTitle;
        dialog.dialogType = true;
        const xcb_window_t first = m_x->CreateWindow(dialog);
        e2e::FakeWindow other = dialog;
        other.netWmName = QStringLiteral("Pathwren - メモ");
        const xcb_window_t otherDialog = m_x->CreateWindow(other, QRect(700, 650, 200, 100));
        e2e::FakeWindow plain;
        plain.netWmName = MainTitle;   // a main window that bears the title
        const xcb_window_t plainWindow = m_x->CreateWindow(plain, QRect(700, 800, 200, 100));

        // No search: the dialog is left alone.
        e2e::WaitUntil(*m_x, [] { return false; }, 600);
        QCOMPARE(requests(first), 0);
        QVERIFY(!LogMessages().contains(QStringLiteral("Close Dialog")));

        // Select the home folder (third row: マイ コンピュータ, /, home) and
        // start the search with copy.  The tree's top is 1230 twips (82 px)
        // down the client area; the button sits at 1920,60 twips, 100 x 20 px.
        QVERIFY2(m_x->SelectRow(main.id, QRect(at.x() + 2, at.y() + 84, 360, 300), 2),
                 "could not select the home folder in the tree");
        m_x->Click(at.x() + 128 + 50, at.y() + 4 + 10);

        QVERIFY2(e2e::WaitUntil(*m_x, [&] {
                     return requests(first) + requests(otherDialog) + requests(plainWindow) > 0;
                 }, 15000),
                 "the dialog titled \"Pathwren\" was not asked to close: did the search start?");
        QCOMPARE(requests(otherDialog), 0);
        QCOMPARE(requests(plainWindow), 0);
        QVERIFY(m_x->MessagesFor(first, protocols) > 0);
        for (const e2e::ClientMessage &m : m_x->Messages())
            if (m.window == first)
                QCOMPARE(m.data[0], deleteWindow);
        // A client that closes its window: it goes away (unmapped rather than
        // destroyed, so a request already on its way still arrives and is
        // counted against the log below).
        m_x->Unmap(first);
        QVERIFY(e2e::WaitUntil(*m_x, [&] { return LogMessages().contains(QStringLiteral("Close Dialog")); }, 5000));

        // Inside a window manager's frame, titled through WM_NAME and
        // transient for another window.
        e2e::FakeWindow framed;
        framed.wmName = "Pathwren";
        framed.transientFor = otherDialog;
        framed.framed = true;
        const xcb_window_t framedDialog = m_x->CreateWindow(framed);
        QVERIFY2(e2e::WaitUntil(*m_x, [&] { return m_x->MessagesFor(framedDialog, protocols) > 0; }, 10000),
                 "a framed dialog was not asked to close (or the search ended too early)");
        m_x->Unmap(framedDialog);

        // Without WM_DELETE_WINDOW the window manager is asked instead; as
        // none runs here, the window stays and is asked again at the next tick.
        e2e::FakeWindow stubborn = dialog;
        stubborn.deleteProtocol = false;
        const xcb_window_t stubbornDialog = m_x->CreateWindow(stubborn);
        QVERIFY2(e2e::WaitUntil(*m_x, [&] { return m_x->MessagesFor(stubbornDialog, closeWindow) >= 2; }, 10000),
                 "a dialog without WM_DELETE_WINDOW was not asked to close twice (or the search ended too early)");
        QCOMPARE(m_x->MessagesFor(stubbornDialog, protocols), 0);
        m_x->Unmap(stubbornDialog);

        // The search really runs in the home folder.
        const QString copies = destination + QLatin1Char('/') + Flat(data);
        QVERIFY2(e2e::WaitUntil(*m_x, [&] { return QFileInfo::exists(copies + "/pwe2e_000.bin"); }, 10000),
                 qPrintable(QStringLiteral("no copies in ") + copies));

        // Close during the search: the first request stops it, a later one
        // ends the program.
        QVERIFY2(e2e::WaitUntil(*m_x, [&] {
                     if (m_program->state() == QProcess::NotRunning)
                         return true;
                     m_x->SendDelete(main.id);
                     return m_program->waitForFinished(300);
                 }, 20000),
                 "the program did not end after being closed during a search");
        m_x->Pump();

        QCOMPARE(requests(otherDialog), 0);
        QCOMPARE(requests(plainWindow), 0);
        QVERIFY(m_x->IsMapped(otherDialog));
        QVERIFY(m_x->IsMapped(plainWindow));

        const QStringList log = LogMessages();
        QVERIFY2(log.size() >= 2, qPrintable(log.join('|')));
        QCOMPARE(log.first(), QStringLiteral("System Start..."));
        QCOMPARE(log.last(), QStringLiteral("System End..."));
        // One record for every request sent, each just before it.
        const int sent = requests(first) + requests(framedDialog) + requests(stubbornDialog);
        QCOMPARE(log.count(QStringLiteral("Close Dialog")), sent);
        QCOMPARE(log.size(), sent + 2);
    }

    // Under a window manager too: the frames stay at the stored rectangle
    // and the stored values do not creep over restarts; after a search
    // whose lines are wider than the list, the newest line is in view above
    // the horizontal scroll bar.
    void framesHoldOverRestartsAndNewestLineShows()
    {
        if (!m_x->HasXTest())
            QSKIP("the X server has no XTEST extension to press the buttons with");
        const QString data = m_home + QStringLiteral("/long");
        QVERIFY(QDir().mkpath(data));
        for (int i = 0; i < 60; ++i) {
            QFile f(data + QStringLiteral("/%1_").arg(i, 2, 10, QLatin1Char('0')) + QString(100, QLatin1Char('n'))
                    + QStringLiteral(".txt"));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        WriteSettings({{"Pattern", "*.txt"}});

        const QRect mainOuter(67, 67, 375, 530);
        const QRect resultOuter(442, 67, 375, 530);
        for (int run = 1; run <= 3; ++run) {
            QVERIFY(Launch());
            const auto [main, result] = WaitForWindows();
            QVERIFY2(main.id != XCB_WINDOW_NONE && result.id != XCB_WINDOW_NONE, "windows not shown");
            const QRect mainAt = WaitForPlace(MainTitle, mainOuter);
            QVERIFY2(Near(mainAt, mainOuter), Describe(mainAt) + " at start " + QByteArray::number(run));
            const QRect resultAt = WaitForPlace(ResultTitle, resultOuter);
            QVERIFY2(Near(resultAt, resultOuter), Describe(resultAt) + " at start " + QByteArray::number(run));

            if (run == 3) {
                const QRect mainClient = m_x->Find(Pid(), MainTitle).client;
                const QRect resultClient = m_x->Find(Pid(), ResultTitle).client;
                // The list starts 375 twips (25 px) down; the status bar
                // takes the bottom.  The left part only: no vertical bar.
                const QRect list(resultClient.x() + 2, resultClient.y() + 27, 200, resultClient.height() - 27 - 22);
                QPair<int, int> first;
                QVERIFY2(e2e::WaitUntil(*m_x, [&] { first = m_x->HighlightBand(list); return first.second >= 8; }, 5000),
                         "the first line is not shown selected");
                QVERIFY2(m_x->SelectRow(main.id, QRect(mainClient.x() + 2, mainClient.y() + 84, 360, 300), 2),
                         "could not select the home folder in the tree");
                m_x->Click(mainClient.x() + 25 + 50, mainClient.y() + 4 + 10);
                // Settled: the same picture half a second apart, the bar
                // moved down to the newest line.
                QPair<int, int> band, last{-1, -1};
                e2e::WaitUntil(*m_x, [&] {
                    band = m_x->HighlightBand(list);
                    const bool same = band == last;
                    last = band;
                    if (!same)
                        QTest::qWait(500);
                    return same && band.first > list.height() / 2;
                }, 20000);
                const QByteArray where = QByteArray::number(band.first) + "+" + QByteArray::number(band.second)
                                         + " of " + QByteArray::number(list.height()) + ", a line is "
                                         + QByteArray::number(first.second);
                QVERIFY2(band.first > list.height() / 2, "the selection did not go down to the newest line: " + where);
                QVERIFY2(qAbs(band.second - first.second) <= 1, "the newest line is not entirely in view: " + where);
            }

            QVERIFY2(CloseAndWait(main.id), "the program did not end after its window was closed");
            for (const char *key : {"Left", "Top", "Width", "Height"}) {
                const int expected = QHash<QString, int>{{"Left", 1000}, {"Top", 1000}, {"Width", 5625},
                                                         {"Height", 7950}}.value(QString::fromLatin1(key));
                QVERIFY2(qAbs(Setting(QString::fromLatin1(key)).toInt() - expected) <= 15,
                         qPrintable(QStringLiteral("%1=%2 after start %3").arg(key, Setting(key)).arg(run)));
            }
        }
    }

    // The main window has the keyboard from the start, so that its access
    // keys work at once, and again once the folder dialog is gone, with a
    // window manager (which could focus either window) or without one
    // (which would focus neither).
    void mainWindowHasTheKeyboard()
    {
        if (!m_x->HasXTest())
            QSKIP("the X server has no XTEST extension to press the keys with");
        constexpr uint32_t altKey = 0xffe9;     // Alt_L
        constexpr uint32_t escapeKey = 0xff1b;  // Escape
        const auto focusOn = [&](xcb_window_t window) {
            // Still there a moment later: the frames and the second window
            // may take it after it first arrives.
            if (!e2e::WaitUntil(*m_x, [&] { return m_x->InputFocus() == window; }, 5000))
                return false;
            e2e::WaitUntil(*m_x, [] { return false; }, 300);
            return m_x->InputFocus() == window;
        };
        const auto describe = [&] { return "the focus is on " + QByteArray::number(m_x->InputFocus(), 16); };
        for (int run = 1; run <= 3; ++run) {
            QVERIFY(Launch());
            const auto [main, result] = WaitForWindows();
            QVERIFY2(main.id != XCB_WINDOW_NONE && result.id != XCB_WINDOW_NONE, "windows not shown");
            WaitForPlace(ResultTitle, QRect(442, 67, 375, 530));
            QVERIFY2(focusOn(main.id), describe() + " after start " + QByteArray::number(run));
            if (run < 3) {
                QVERIFY(CloseAndWait(main.id));
                continue;
            }

            // Alt+E searches at once: with no folder selected it writes its
            // start and end lines, and the selection goes two rows down.
            const QRect client = m_x->Find(Pid(), ResultTitle).client;
            const QRect list(client.x() + 2, client.y() + 27, 200, client.height() - 27 - 22);
            QPair<int, int> first;
            QVERIFY2(e2e::WaitUntil(*m_x, [&] { first = m_x->HighlightBand(list); return first.second >= 8; }, 5000),
                     "the first line is not shown selected");
            QVERIFY(m_x->PressKeys({altKey, 'e'}));
            QPair<int, int> band;
            QVERIFY2(e2e::WaitUntil(*m_x, [&] {
                         band = m_x->HighlightBand(list);
                         return qAbs(band.first - (first.first + 2 * first.second)) <= 2;
                     }, 5000),
                     "Alt+E did not search: the selection is at " + QByteArray::number(band.first));

            // The folder dialog ("..." at 5010,450 twips in the frame at
            // 15,375), closed with Escape.
            const QRect mainClient = m_x->Find(Pid(), MainTitle).client;
            const QString dialogTitle = QStringLiteral("コピー先のフォルダを指定して下さい。");
            m_x->Click(mainClient.x() + 1 + 334 + 12, mainClient.y() + 25 + 30 + 10);
            e2e::WindowInfo dialog;
            QVERIFY2(e2e::WaitUntil(*m_x, [&] { return (dialog = m_x->Find(Pid(), dialogTitle)).id != XCB_WINDOW_NONE; },
                                    10000),
                     "no folder dialog");
            QVERIFY2(focusOn(dialog.id), describe() + " while the dialog is open");
            QVERIFY(m_x->PressKeys({escapeKey}));
            QVERIFY2(e2e::WaitUntil(*m_x, [&] { return m_x->Find(Pid(), dialogTitle).id == XCB_WINDOW_NONE; }, 5000),
                     "the folder dialog did not close on Escape");
            QVERIFY2(focusOn(main.id), describe() + " after the folder dialog");
            QVERIFY(CloseAndWait(main.id));
        }
    }

    // Options are read before the program connects to a display: help and
    // version need none, Qt's own options are passed on, anything else is
    // refused with the usage, and a start without a display is told in one
    // line of the program's own.
    void commandLineWithoutDisplay_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");    // a pattern for standard output
        QTest::addColumn<QString>("err");    // a pattern for standard error
        QTest::addColumn<QString>("outTo");  // a file for standard output instead of a pipe
        const QString help =
            QStringLiteral("^Usage: pathwren \\[QT-OPTION\\]\\.\\.\\.\n.*--help.*-platform.*Pathwren\\.log");
        const QString version = QStringLiteral("^Pathwren \\d+\\.\\d+\nCopyright \\(C\\) \\d{4} .*\nLicense MIT.*\n$");
        const QString usage = QStringLiteral("\nUsage: pathwren .*\n.*--help");
        const auto row = [](const char *name, const QStringList &args, int status, const QString &out,
                            const QString &err, const QString &outTo = QString()) {
            QTest::newRow(name) << args << status << out << err << outTo;
        };
        row("--help", {"--help"}, 0, help, "^$");
        row("-h", {"-h"}, 0, help, "^$");
        row("--version", {"--version"}, 0, version, "^$");
        row("help and version", {"--version", "--help"}, 0, help, "^$");
        row("unknown long option", {"--verbose"}, 2, "^$", "^pathwren: unknown option '--verbose'" + usage);
        row("unknown short option", {"-x"}, 2, "^$", "^pathwren: unknown option '-x'" + usage);
        row("Qt's own options passed on",
            {"-platform", "offscreen", "--style=fusion", "-session", "x", "-reverse", "--version"}, 0, version, "^$");
        row("Qt's option without its value", {"--version", "-style"}, 2, "^$",
            "^pathwren: option '-style' requires an argument" + usage);
        row("Qt's option with a value it does not join", {"-platform=offscreen"}, 2, "^$",
            "^pathwren: unknown option '-platform=offscreen'" + usage);
        row("argument", {"/tmp"}, 2, "^$", "^pathwren: unexpected argument '/tmp'" + usage);
        row("unknown after help", {"--help", "--bogus"}, 2, "^$", "^pathwren: unknown option '--bogus'" + usage);
        row("-- ends the options", {"--version", "--"}, 0, version, "^$");
        row("an option after --", {"--", "--version"}, 2, "^$", "^pathwren: unexpected argument '--version'" + usage);
        row("help to a full disk", {"--help"}, 1, "", "^pathwren: write error: No space left on device\n$",
            "/dev/full");
        row("version to a full disk", {"--version"}, 1, "", "^pathwren: write error", "/dev/full");
        // QT_QPA_PLATFORM is xcb here (see below).
        row("no display", {}, 1, "^$", "^pathwren: no display: DISPLAY is not set\n$");
        row("no Wayland display", {"-platform", "wayland"}, 1, "^$",
            "^pathwren: no display: the Qt platform 'wayland' did not start \\(WAYLAND_DISPLAY is not set\\)\n$");
        row("an X display that does not answer", {"-display", ":987"}, 1, "^$",
            "^pathwren: no display: cannot connect to the X display ':987'\n$");
        // The search itself, in a tree made in the test's home ("HOME").
        row("search", {"--search", "*.txt", "HOME/tree"}, 0,
            "^☆☆☆ 検索のみ開始... ☆☆☆\n検索\\(\\*\\.txt\\) in /.*/tree/a\\.txt\n"
            "検索\\(\\*\\.txt\\) in /.*/tree/sub/b\\\\nc\\.txt\n☆☆☆ 終了 ☆☆☆\n$",
            "^$");
    }
    void commandLineWithoutDisplay()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QString, outTo);

        QProcess program;
        if (!outTo.isEmpty())
            program.setStandardOutputFile(outTo);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")); // would abort without a display
        env.insert(QStringLiteral("HOME"), m_home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config);
        // As in a desktop session: without it the Wayland library complains itself.
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_tmp->filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("XDG_STATE_HOME"), m_state);
        program.setProcessEnvironment(env);
        QVERIFY(QDir().mkpath(m_home + QStringLiteral("/tree/sub")));
        for (const QString &name : {QStringLiteral("/tree/a.txt"), QStringLiteral("/tree/sub/b\nc.txt")}) {
            QFile file(m_home + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        args.replaceInStrings(QRegularExpression(QStringLiteral("^HOME/")), m_home + QLatin1Char('/'));
        program.start(m_bin + QStringLiteral("/pathwren"), args);
        QVERIFY(program.waitForFinished(10000));
        const QString stdOut = QString::fromUtf8(program.readAllStandardOutput());
        const QString stdErr = QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        const auto matches = [](const QString &pattern, const QString &text) {
            return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption).match(text).hasMatch();
        };
        QVERIFY2(matches(out, stdOut), qPrintable(stdOut));
        QVERIFY2(matches(err, stdErr), qPrintable(stdErr));
        // Nothing started: no log, no settings.
        QVERIFY(!QFileInfo::exists(LogPath()));
        QVERIFY(!QFileInfo::exists(IniPath()));
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
