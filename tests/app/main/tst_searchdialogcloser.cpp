// Message boxes that close themselves while a search runs, and the
// report-and-leave failures that must never show a box at all.
#include "mainfixture.h"

#include "common/filecopy.h"
#include "foldertree/foldertree.h"
#include "platform/fileaccess.h"
#include "platform/foreigndialog.h"
#include "platform/fileio.h"
#include "platform/listing.h"
#include "modalwatch.h"
#include "tempdir.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QtTest>
#include <memory>

Q_DECLARE_METATYPE(platform::WindowFacts)

namespace {

const QString Title = QStringLiteral("Pathwren");

std::unique_ptr<QMessageBox> OpenBox(const QString &title)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, title, QStringLiteral("確認"), QMessageBox::Ok);
    box->show();
    return box;
}

QString g_refused;   // the folder whose listing the platform refuses
platform::DirListing::Status RefuseListing(const QString &folder)
{
    return folder == g_refused ? platform::DirListing::Status::Refused : platform::DirListing::Status::Ok;
}
bool FailEveryWrite(int64_t)
{
    return false;
}
bool NothingReachable(const QString &)
{
    return false;
}
bool ShareGone(const QString &)
{
    return false;
}

} // namespace

class TestSearchDialogCloser : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<MainFixture> f;
    std::unique_ptr<QTemporaryDir> m_tree;
    QString T;

    int Closed() const { return f->LogMessages().count(QStringLiteral("Close Dialog")); }

    // Runs `act` once, at the first yield of a real search over the tree.
    bool DuringSearch(MainWindow &w, const std::function<void()> &act)
    {
        Ui(w).folderTree->SelectPath(T);
        Ui(w).patternEdit->setText(QStringLiteral("*.txt"));
        bool ran = false;
        w.SetYieldObserver([&](int) {
            if (ran)
                return;
            ran = true;
            QVERIFY(w.CurrentSearch().Running());
            act();
        });
        Ui(w).searchButton->click();
        w.SetYieldObserver(nullptr);
        return ran;
    }

private slots:
    void init()
    {
        f = std::make_unique<MainFixture>();
        m_tree = std::make_unique<QTemporaryDir>();
        T = m_tree->path();
        testsupport::WriteFile(T + "/a.txt", "a");
        testsupport::WriteFile(T + "/sub/b.txt", "b");
    }
    void cleanup()
    {
        f.reset();
        m_tree.reset();
    }

    void idleTicksLeaveBoxesAlone()
    {
        MainWindow &w = f->Start();
        QVERIFY(Ui(w).dialogCloseTimer->isActive());
        QCOMPARE(Ui(w).dialogCloseTimer->interval(), 100);
        // A search that has ended leaves the tick idle again.
        Ui(w).folderTree->SelectPath(T);
        Ui(w).searchButton->click();
        QVERIFY(!w.CurrentSearch().Running());

        const auto box = OpenBox(Title);
        for (int i = 0; i < 5; ++i)
            w.DialogCloser().Tick();
        QTest::qWait(250);   // the real timer ticks as well
        QVERIFY(box->isVisible());
        QCOMPARE(Closed(), 0);
        QCOMPARE(f->LogMessages(), QStringList{QStringLiteral("System Start...")});
    }

    void searchingClosesOneBoxPerTick()
    {
        MainWindow &w = f->Start();
        QVERIFY(DuringSearch(w, [&] {
            const auto first = OpenBox(Title);
            const auto second = OpenBox(Title);

            w.DialogCloser().Tick();
            QCOMPARE(int(first->isVisible()) + int(second->isVisible()), 1);
            QCOMPARE(Closed(), 1);
            w.DialogCloser().Tick();
            QVERIFY(!first->isVisible() && !second->isVisible());
            QCOMPARE(Closed(), 2);
            // As Escape or Cancel would: the code that raised it sees a rejection.
            QCOMPARE(first->result(), int(QDialog::Rejected));
            QCOMPARE(second->result(), int(QDialog::Rejected));
            w.DialogCloser().Tick();
            QCOMPARE(Closed(), 2);
            QVERIFY(w.isVisible());
            QVERIFY(f->Result().isVisible());
        }));
    }

    void otherWindowsStayOpen_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("staysOpen");   // a box that holds up no code
        QTest::newRow("lower case") << "pathwren" << true << false;
        QTest::newRow("trailing blank") << "Pathwren " << true << false;
        QTest::newRow("leading blank") << " Pathwren" << true << false;
        QTest::newRow("result window's title") << "Pathwren（検索結果）" << true << false;
        QTest::newRow("shell failure box") << "GetShellDesktopLocation" << true << false;
        QTest::newRow("untitled") << "" << true << false;
        QTest::newRow("titled alike but hidden") << "Pathwren" << false << false;
        QTest::newRow("failed save, nothing waits") << "Pathwren" << true << true;
    }
    void otherWindowsStayOpen()
    {
        QFETCH(QString, title);
        QFETCH(bool, shown);
        QFETCH(bool, staysOpen);
        MainWindow &w = f->Start();
        QVERIFY(DuringSearch(w, [&] {
            QMessageBox box(QMessageBox::Warning, title, QStringLiteral("確認"), QMessageBox::Ok);
            if (staysOpen)
                box.setProperty(ResultWindow::StaysOpenProperty, true);
            if (shown)
                box.show();
            for (int i = 0; i < 3; ++i)
                w.DialogCloser().Tick();
            QCOMPARE(box.isVisible(), shown);
            QCOMPARE(box.result(), 0);
            // The main window bears the title too, and is no dialog.
            QVERIFY(w.isVisible());
            QVERIFY(f->Result().isVisible());
            QCOMPARE(Closed(), 0);
            // Off X11 no other program's window is looked for.
            QVERIFY(!platform::CloseForeignDialog(Title));
            QCOMPARE(Closed(), 0);
        }));
    }

    void boxRaisedInsideSearchClosesItself()
    {
        MainWindow &w = f->Start();
        Ui(w).folderTree->SelectPath(T);
        Ui(w).patternEdit->setText(QStringLiteral("*.txt"));
        int answer = -1;
        bool raised = false;
        bool stuck = false;
        w.SetYieldObserver([&](int) {
            if (raised)
                return;
            raised = true;
            // Modal, in the middle of the walk: only the timer can end it
            // (the guard only keeps a broken timer from hanging the test).
            QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Warning, Title, QStringLiteral("確認"),
                                                        QMessageBox::Ok, &w);
            QTimer::singleShot(20000, box, [box, &stuck] {
                stuck = true;
                box->accept();
            });
            answer = box->exec();
            delete box;
        });
        Ui(w).searchButton->click();
        QVERIFY(raised);
        QVERIFY2(!stuck, "the box raised during the search stayed open");
        QCOMPARE(answer, int(QDialog::Rejected));
        const QStringList lines = f->Result().Lines();
        QCOMPARE(lines.last(), QStringLiteral("☆☆☆ 終了 ☆☆☆"));
        QVERIFY(lines.contains(QStringLiteral("検索(*.txt) in ") + T + "/a.txt"));
        QVERIFY(lines.contains(QStringLiteral("検索(*.txt) in ") + T + "/sub/b.txt"));
        QCOMPARE(Closed(), 1);
    }

    // Each procedure that reports and leaves: one line with its own name,
    // its failure result, and never a message box.
    void reportAndLeaveShowsNoBox_data()
    {
        QTest::addColumn<QString>("procedure");
        QTest::newRow("CopyFile") << "CopyFile";
        QTest::newRow("CopyDirectory") << "CopyDirectory";
        QTest::newRow("DirExists") << "DirExists";
        QTest::newRow("SearchFile") << "SearchFile";
        QTest::newRow("ConnectToShare") << "ConnectToShare";
    }
    void reportAndLeaveShowsNoBox()
    {
        QFETCH(QString, procedure);
        MainWindow &w = f->Start();
        const QString dest = T + "/dest";
        testsupport::MakePath(dest);
        const int before = f->Result().LineCount();
        ModalWatch watch;
        ScopedTestHooks hooks;

        if (procedure == "CopyFile") {
            hooks.Change([](platform::TestHooks &h) { h.writeFault = FailEveryWrite; });
            QCOMPARE(common::CopyFile(T + "/a.txt", dest + "/a.txt", w.Channel()), false);
            QVERIFY(!QFileInfo::exists(dest + "/a.txt"));
        } else if (procedure == "CopyDirectory") {
            g_refused = T;
            hooks.Change([](platform::TestHooks &h) { h.listingFault = RefuseListing; });
            QCOMPARE(common::CopyMatchingFiles(T, dest, QStringLiteral("*.txt"), w.Channel()), int64_t(0));
        } else if (procedure == "DirExists") {
            g_refused = T;
            hooks.Change([](platform::TestHooks &h) { h.listingFault = RefuseListing; });
            QCOMPARE(common::FolderExists(T, w.Channel()), false);
        } else if (procedure == "SearchFile") {
            g_refused = T;
            hooks.Change([](platform::TestHooks &h) { h.listingFault = RefuseListing; });
            Ui(w).folderTree->SelectPath(T);
            Ui(w).fullExpandCheck->setChecked(false);
            Ui(w).searchButton->click();
        } else if (procedure == "ConnectToShare") {
            hooks.Change([](platform::TestHooks &h) {
                h.accessTest = NothingReachable;
                h.networkOpen = ShareGone;
            });
            Ui(w).folderTree->SelectPath(T);
            Ui(w).searchButton->click();
            // The folder counts as unreachable, which is no error of the program's.
            QVERIFY(f->Result().Lines().contains(QStringLiteral("※※※ アクセス不可能 in ") + T));
        }

        const QStringList lines = f->Result().Lines().mid(before);
        QStringList errors;
        for (const QString &line : lines)
            if (line.startsWith(QStringLiteral("※※※ Error in ")))
                errors << line;
        QCOMPARE(errors, procedure == "ConnectToShare" ? QStringList()
                                                       : QStringList{QStringLiteral("※※※ Error in ") + procedure});
        QCOMPARE(watch.Seen(), 0);
        QCOMPARE(Closed(), 0);
        QVERIFY(!w.CurrentSearch().Running());
    }

    void otherProgramsDialogs_data()
    {
        using platform::WindowFacts;
        QTest::addColumn<WindowFacts>("window");
        QTest::addColumn<bool>("closed");
        const qint64 other = 4242;
        auto facts = [&](const QString &title, bool dialogType, bool transient, qint64 pid, quint32 id = 7) {
            WindowFacts w;
            w.id = id;
            w.mapped = true;
            w.title = title;
            w.dialogType = dialogType;
            w.transient = transient;
            w.pid = pid;
            return w;
        };
        QTest::newRow("dialog type") << facts(Title, true, false, other) << true;
        QTest::newRow("transient only") << facts(Title, false, true, other) << true;
        QTest::newRow("pid unknown") << facts(Title, true, false, 0) << true;
        QTest::newRow("a main window") << facts(Title, false, false, other) << false;
        QTest::newRow("other title") << facts(QStringLiteral("Pathwren - メモ"), true, false, other) << false;
        QTest::newRow("title in other case") << facts(QStringLiteral("PATHWREN"), true, false, other) << false;
        QTest::newRow("our pid") << facts(Title, true, false, 1000) << false;
        QTest::newRow("our window id") << facts(Title, true, false, 0, 99) << false;
        WindowFacts hidden = facts(Title, true, true, other);
        hidden.mapped = false;
        QTest::newRow("not shown") << hidden << false;
    }
    void otherProgramsDialogs()
    {
        QFETCH(platform::WindowFacts, window);
        QFETCH(bool, closed);
        QCOMPARE(platform::IsForeignDialog(window, Title, 1000, QSet<quint32>{99}), closed);
    }
};

QTEST_MAIN(TestSearchDialogCloser)
#include "tst_searchdialogcloser.moc"
