#include "app/result/framepacer.h"
#include "app/result/resultmodel.h"
#include "app/result/resultwindow.h"
#include "app/shared/icon.h"
#include "app/statusbar/statusbar.h"
#include "common/resultline.h"
#include "platform/nativepath.h"
#include "scopedtesthooks.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {
class FakeMain : public ResultWindow::Host {
public:
    bool stop = false;
    QRect rect{67, 67, 375, 530};
    int yields = 0;
    bool StopRequested() const override { return stop; }
    QRect OuterRect() const override { return rect; }
    void Yield() override { ++yields; }
};
} // namespace

class TestResultWindow : public QObject {
    Q_OBJECT
private:
    FakeMain m_main;

    ResultWindow &Fresh()
    {
        ResultWindow::DestroyInstance();
        ResultWindow &r = ResultWindow::CreateInstance();
        r.SetHost(&m_main);
        return r;
    }
    // The window's parts, found as users' tools find them: by object name.
    template <class T>
    static T *Part(ResultWindow &r, const char *name)
    {
        return r.findChild<T *>(QString::fromLatin1(name));
    }
    static QListView *List(ResultWindow &r) { return Part<QListView>(r, "resultList"); }
    static QString StatusText(ResultWindow &r) { return statusbar::StatusBarText(Part<QStatusBar>(r, "statusBar")); }

private slots:
    void initTestCase()
    {
        // Qt's own dialog, which a test can fill in and accept.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        // As the program's set-up does before it makes the window.
        InitPathwrenResources();
        FramePacer::Install();
    }
    void init()
    {
        m_main = FakeMain();
    }
    void cleanup()
    {
        ResultWindow::DestroyInstance();
    }

    void freshWindowShowsTitleLineBesideMain()
    {
        ResultWindow &r = Fresh();
        r.ShowWithLine(QStringLiteral("☆☆☆ 検索結果ウィンドウ ☆☆☆"));
        r.SyncView();
        QCOMPARE(r.Lines(), QStringList{QStringLiteral("☆☆☆ 検索結果ウィンドウ ☆☆☆")});
        QCOMPARE(r.SelectedRow(), 0);
        QCOMPARE(StatusText(r), QStringLiteral("Line : 0"));
        QVERIFY(r.isVisible());
        QCOMPARE(r.windowTitle(), QStringLiteral("Pathwren（検索結果）"));
        QCOMPARE(r.frameGeometry().left(), m_main.rect.left() + m_main.rect.width());
        QCOMPARE(r.frameGeometry().top(), m_main.rect.top());
        QCOMPARE(r.frameGeometry().size(), m_main.rect.size());
    }

    // A window system may put the window where the main window hides it
    // (some compositors place both windows at one spot): it then goes beside
    // the main window; anywhere else it stays where it was put.
    void keptClearOfMainAtStart_data()
    {
        QTest::addColumn<QPoint>("placed");   // where the window system puts it
        QTest::addColumn<bool>("moved");
        QTest::newRow("on the main window") << QPoint(67, 67) << true;
        QTest::newRow("partly over it") << QPoint(167, 67) << false;
        QTest::newRow("elsewhere") << QPoint(500, 200) << false;
    }
    void keptClearOfMainAtStart()
    {
        QFETCH(QPoint, placed);
        QFETCH(bool, moved);
        ResultWindow &r = Fresh();
        r.ShowWithLine(QStringLiteral("☆☆☆ 検索結果ウィンドウ ☆☆☆"));
        r.move(placed);
        if (moved) {
            QTRY_COMPARE(r.frameGeometry(), QRect(67 + 375, 67, 375, 530));
        } else {
            QTest::qWait(300);   // several looks
            QCOMPARE(r.frameGeometry().topLeft(), placed);
        }
    }

    void controlsAsDesigned()
    {
        ResultWindow &r = Fresh();
        r.AppendLine(QString());
        QCOMPARE(List(r)->objectName(), QStringLiteral("resultList"));
        QCOMPARE(Part<QPushButton>(r, "clearButton")->text(), QStringLiteral("クリアー(&C)"));
        QCOMPARE(Part<QPushButton>(r, "clearButton")->toolTip(), QStringLiteral("表示している情報を全て消去します。"));
        QCOMPARE(List(r)->toolTip(), QStringLiteral("現在の処理状況を表示します。"));
        QCOMPARE(Part<QPushButton>(r, "clearButton")->geometry(), QRect(1, 3, 94, 20));
        QCOMPARE(List(r)->pos(), QPoint(0, 25));
        QVERIFY(List(r)->uniformItemSizes());
    }

    void linesCountFromZeroAndStayInOrder()
    {
        ResultWindow &r = Fresh();
        for (int i = 0; i < 10; ++i)
            r.AppendLine(QStringLiteral("line %1").arg(i));
        // Every line is readable at once; the view follows within a frame.
        QCOMPARE(r.LineCount(), 10);
        QCOMPARE(r.Line(9), QStringLiteral("line 9"));
        QTRY_COMPARE(StatusText(r), QStringLiteral("Line : 9"));
        QCOMPARE(r.SelectedRow(), 9);
        QCOMPARE(m_main.yields, 10);   // one yield per line
    }

    void emptyLineIsALine()
    {
        ResultWindow &r = Fresh();
        r.AppendLine(QStringLiteral("a"));
        r.AppendLine(QString());
        r.SyncView();
        QCOMPARE(r.LineCount(), 2);
        QCOMPARE(r.Line(1), QString());
        QCOMPARE(r.SelectedRow(), 1);
        QCOMPARE(StatusText(r), QStringLiteral("Line : 1"));
    }

    void clearKeepsStatusTextUntilNextLine()
    {
        ResultWindow &r = Fresh();
        for (int i = 0; i < 5; ++i)
            r.AppendLine(QStringLiteral("x"));
        r.SyncView();
        Part<QPushButton>(r, "clearButton")->click();
        QCOMPARE(r.LineCount(), 0);
        QCOMPARE(List(r)->model()->rowCount(), 0);
        QCOMPARE(StatusText(r), QStringLiteral("Line : 4"));
        r.AppendLine(QStringLiteral("y"));
        r.SyncView();
        QCOMPARE(StatusText(r), QStringLiteral("Line : 0"));
    }

    void linesBeyondSixteenBitsStillSelectAndCount()
    {
        ResultWindow &r = Fresh();
        r.show();
        const int n = 33000;
        for (int i = 0; i < n; ++i)
            r.AppendLine(QString::number(i));
        r.SyncView();
        QCOMPARE(r.LineCount(), n);
        QCOMPARE(r.SelectedRow(), n - 1);
        QCOMPARE(StatusText(r), QStringLiteral("Line : %1").arg(n - 1));
        QCOMPARE(m_main.yields, n);
    }

    // Lines are kept compactly, each sharing what it can with the line
    // before: whatever they hold, each comes back unit for unit, read in
    // order, backwards or anywhere, and the clear button frees them all.
    void linesComeBackExactly_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("mostBytesPerLine");   // 0: not checked
        const QString hit = common::HitLinePrefix(QStringLiteral("*.txt"));
        QStringList typical;
        for (int i = 0; i < 20000; ++i)
            typical << hit + QStringLiteral("/home/u/Data_%1/proj_%2/report_%3.txt").arg(i / 500).arg(i / 40).arg(i);
        QTest::newRow("hits in folders") << typical << 24;
        QStringList odd;
        odd << QString() << QStringLiteral("☆☆☆ 検索のみ開始... ☆☆☆") << hit + QStringLiteral("/d/日本語.txt")
            << hit + QStringLiteral("/d/\U00020BB7\U0001F600.txt")               // beyond the BMP
            << hit + QStringLiteral("/d/") + QChar(0xD800) + QStringLiteral("x")   // unpaired surrogates
            << hit + QStringLiteral("/d/") + QChar(0xDC00) << QString(QChar(0xDBFF)) << QString(QChar(0xDFFF))
            << hit + QStringLiteral("/d/") + QChar(0xDFFF) + QChar(0xD800)      // in the wrong order
            << hit + QStringLiteral("/d/\U00020BB7a") << hit + QStringLiteral("/d/\U00020BB8b")   // one half shared
            << hit + QStringLiteral("/d/") + QChar(0xD842) << hit + QStringLiteral("/d/\U00020BB7")
            << hit + platform::FromNative(QByteArray("/d/\x83\x65\x83\x58\x83\x67 \xff.txt"))
            << hit + QStringLiteral("/d/a") + QChar(0) + QStringLiteral("b\t\r\n\x1b")
            << QString(QChar(0xEF80)) + QChar(0xFFFF) + QChar(0xFFFD) << QString() << hit;
        QTest::newRow("odd text") << odd << 0;
        // Longer than a chunk, and enough lines that records end chunks.
        QStringList long_;
        for (int i = 0; i < 3000; ++i)
            long_ << hit + QString(100 + i % 200, QChar(0x3042 + i % 50)) + QString::number(i);
        long_.insert(1234, hit + QString(300000, QLatin1Char('x')));
        long_.insert(1235, hit + QString(300000, QLatin1Char('x')) + QStringLiteral("y"));
        QTest::newRow("long lines") << long_ << 0;
    }
    void linesComeBackExactly()
    {
        QFETCH(QStringList, lines);
        QFETCH(int, mostBytesPerLine);
        ResultWindow &r = Fresh();
        r.show();
        for (const QString &line : lines)
            r.AppendLine(line);
        r.SyncView();
        QCOMPARE(r.LineCount(), lines.size());
        QCOMPARE(r.Lines(), lines);
        const int n = int(lines.size());
        for (int i = n - 1; i >= 0; --i)
            QCOMPARE(r.Line(i), lines[i]);
        for (int k = 0; k < n; ++k) {
            const int i = int((qint64(k) * 7919) % n);
            QCOMPARE(r.Line(i), lines[i]);
        }
        const auto *model = static_cast<const ResultModel *>(List(r)->model());
        if (mostBytesPerLine > 0)
            QVERIFY2(model->BytesHeld() <= size_t(mostBytesPerLine) * size_t(n) + LineStore::ChunkBytes,
                     qPrintable(QString::number(double(model->BytesHeld()) / n) + " bytes per line"));

        Part<QPushButton>(r, "clearButton")->click();
        QCOMPARE(r.LineCount(), 0);
        QCOMPARE(model->BytesHeld(), size_t(0));
        r.AppendLine(lines.last());
        QCOMPARE(r.Lines(), QStringList{lines.last()});
    }

    void doubleClickTarget_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("url");   // what the desktop is asked to open
        QTest::newRow("hit") << QStringLiteral("検索(*.txt) in /data/a.txt") << QStringLiteral("/data/a.txt")
                             << QByteArray("file:///data/a.txt");
        QTest::newRow("copy") << QStringLiteral("コピー(*.txt) in /d/a b.txt") << QStringLiteral("/d/a b.txt")
                              << QByteArray("file:///d/a%20b.txt");
        QTest::newRow("access") << QStringLiteral("※※※ アクセス不可能 in /mnt/x") << QStringLiteral("/mnt/x")
                                << QByteArray("file:///mnt/x");
        QTest::newRow("first in wins") << QStringLiteral("検索(*) in /a in b/c") << QStringLiteral("/a in b/c")
                                       << QByteArray("file:///a%20in%20b/c");
        // A pattern may hold " in " and ") in ", never "/": the path starts
        // at the first ") in /".
        QTest::newRow("pattern holding in") << QStringLiteral("検索(x in y) in /t/x in y") << QStringLiteral("/t/x in y")
                                            << QByteArray("file:///t/x%20in%20y");
        QTest::newRow("pattern holding ) in") << QStringLiteral("コピー(a) in b) in /t/a) in b")
                                              << QStringLiteral("/t/a) in b") << QByteArray("file:///t/a%29%20in%20b");
        QTest::newRow("error line") << QStringLiteral("※※※ Error in CopyFile") << QStringLiteral("CopyFile")
                                    << QByteArray("file:CopyFile");
        QTest::newRow("ends in marker") << QStringLiteral("検索(*) in ") << QString() << QByteArray();
        QTest::newRow("banner") << QStringLiteral("☆☆☆ 終了 ☆☆☆") << QString() << QByteArray();
        QTest::newRow("case matters") << QStringLiteral("x IN /y") << QString() << QByteArray();
        QTest::newRow("empty") << QString() << QString() << QByteArray();
        // Names that are not UTF-8 reach the desktop as their very bytes.
        const QString sjis = platform::FromNative(QByteArray("/d/\x83\x65\x83\x58\x83\x67 \xff.txt"));
        QTest::newRow("Shift_JIS and a lone 0xFF") << QStringLiteral("検索(*) in ") + sjis << sjis
                                                   << QByteArray("file:///d/%83e%83X%83g%20%FF.txt");
        QTest::newRow("text") << QStringLiteral("検索(*) in /d/日本\uFFFD") << QStringLiteral("/d/日本\uFFFD")
                              << QByteArray("file:///d/%E6%97%A5%E6%9C%AC%EF%BF%BD");
    }
    void doubleClickTarget()
    {
        QFETCH(QString, line);
        QFETCH(QString, target);
        QFETCH(QByteArray, url);
        QCOMPARE(ResultWindow::DoubleClickTarget(line), target);
        if (!target.isEmpty())
            QCOMPARE(platform::LocalFileUrl(target).toEncoded(), url);
    }

    void doubleClickOpensSelectedLineOnly()
    {
        ResultWindow &r = Fresh();
        r.show();
        QVERIFY(QTest::qWaitForWindowExposed(&r));
        QStringList opened;
        const ScopedTestHooks hooks([&](platform::TestHooks &h) {
            h.opener = [&](const QString &t) { opened << t; };
        });

        r.AppendLine(QString());
        r.Clear();
        r.OpenSelectedLine();   // empty list: nothing
        QVERIFY(opened.isEmpty());
        QVERIFY(!QApplication::overrideCursor());

        r.AppendLine(QStringLiteral("☆☆☆ 検索のみ開始... ☆☆☆"));
        r.SyncView();
        r.OpenSelectedLine();   // banner: nothing
        QVERIFY(opened.isEmpty());

        r.AppendLine(QStringLiteral("検索(*.txt) in /data/a.txt"));
        r.SyncView();
        const QModelIndex index = List(r)->model()->index(1, 0);
        const QPoint at = List(r)->visualRect(index).center();
        QTest::mouseClick(List(r)->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(List(r)->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(opened, QStringList{QStringLiteral("/data/a.txt")});
        QVERIFY(!QApplication::overrideCursor());
        // Enter, of either keyboard, opens it as well.
        QTest::keyClick(List(r), Qt::Key_Return);
        QTest::keyClick(List(r), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(opened.size(), 3);
        QCOMPARE(opened.last(), QStringLiteral("/data/a.txt"));

        // A name that is not UTF-8 shows U+FFFD and opens as itself.
        const QString raw = platform::FromNative(QByteArray("/data/b\xff.txt"));
        r.AppendLine(QStringLiteral("検索(*.txt) in ") + raw);
        r.SyncView();
        QCOMPARE(List(r)->model()->index(2, 0).data().toString(), QStringLiteral("検索(*.txt) in /data/b\uFFFD.txt"));
        r.OpenSelectedLine();
        QCOMPARE(opened.last(), raw);
    }

    // Every action of the context menu, for each kind of line, opened by
    // mouse, by keyboard or below the last line; a newer line arriving
    // while the menu is open (a running search) changes nothing.
    void lineMenuActsOnItsLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("path");     // what the line names; empty: nothing
        QTest::addColumn<QString>("folder");   // opened when no file manager shows the target
        QTest::addColumn<bool>("saveFails");
        const QString mouse = QStringLiteral("mouse");
        QTest::newRow("hit") << QStringLiteral("検索(*.txt) in /data/a.txt") << mouse
                             << QStringLiteral("/data/a.txt") << QStringLiteral("/data") << false;
        QTest::newRow("hit by Shift+F10") << QStringLiteral("検索(*.txt) in /data/a.txt") << QStringLiteral("Shift+F10")
                                          << QStringLiteral("/data/a.txt") << QStringLiteral("/data") << false;
        QTest::newRow("hit by Menu key") << QStringLiteral("検索(*.txt) in /data/a.txt") << QStringLiteral("Menu")
                                         << QStringLiteral("/data/a.txt") << QStringLiteral("/data") << false;
        QTest::newRow("below the lines") << QStringLiteral("検索(*.txt) in /data/a.txt") << QStringLiteral("below")
                                         << QStringLiteral("/data/a.txt") << QStringLiteral("/data") << false;
        QTest::newRow("folder hit") << QStringLiteral("検索(*DATA*) in /data/myDATA") << mouse
                                    << QStringLiteral("/data/myDATA") << QStringLiteral("/data") << false;
        QTest::newRow("copy") << QStringLiteral("コピー(*.txt) in /d/a b.txt") << mouse
                              << QStringLiteral("/d/a b.txt") << QStringLiteral("/d") << false;
        QTest::newRow("access refused") << QStringLiteral("※※※ アクセス不可能 in /mnt/x") << mouse
                                        << QStringLiteral("/mnt/x") << QStringLiteral("/mnt") << false;
        QTest::newRow("access granted, root") << QStringLiteral("※※※ アクセスＯＫ！ in /") << mouse
                                              << QStringLiteral("/") << QStringLiteral("/") << false;
        QTest::newRow("error") << QStringLiteral("※※※ Error in CopyFile") << mouse << QString() << QString() << false;
        QTest::newRow("banner") << QStringLiteral("☆☆☆ 終了 ☆☆☆") << mouse << QString() << QString() << false;
        QTest::newRow("ends in marker") << QStringLiteral("検索(*) in ") << mouse << QString() << QString() << false;
        QTest::newRow("empty") << QString() << mouse << QString() << QString() << false;
        QTest::newRow("save fails") << QStringLiteral("検索(*.txt) in /data/a.txt") << mouse
                                    << QStringLiteral("/data/a.txt") << QStringLiteral("/data") << true;
        QTest::newRow("pattern holding in") << QStringLiteral("検索(x in y*) in /t/x in y.txt") << mouse
                                            << QStringLiteral("/t/x in y.txt") << QStringLiteral("/t") << false;
        QTest::newRow("copy, pattern holding ) in") << QStringLiteral("コピー(a) in b) in /t/a) in b") << mouse
                                                    << QStringLiteral("/t/a) in b") << QStringLiteral("/t") << false;
        // Saved and copied, each line stays one line (common::EncodeLine).
        QTest::newRow("name with a line break") << QStringLiteral("検索(*) in /t/a\n※※※ Error in CopyFile") << mouse
                                                << QStringLiteral("/t/a\n※※※ Error in CopyFile")
                                                << QStringLiteral("/t") << false;
        QTest::newRow("name with controls and a backslash")
            << QStringLiteral("検索(*) in /t/\x1b[1m\t\\n\r") << mouse << QStringLiteral("/t/\x1b[1m\t\\n\r")
            << QStringLiteral("/t") << false;
    }
    void lineMenuActsOnItsLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, how);
        QFETCH(QString, path);
        QFETCH(QString, folder);
        // Below the last line the menu is for no line.
        const QString target = how == QLatin1String("below") ? QString() : path;
        QFETCH(bool, saveFails);
        ResultWindow &r = Fresh();
        r.ShowWithLine(QStringLiteral("☆☆☆ 検索のみ開始... ☆☆☆"));
        r.AppendLine(line);
        r.SyncView();
        QVERIFY(QTest::qWaitForWindowActive(&r));
        QStringList opened, shown;
        const ScopedTestHooks hooks([&](platform::TestHooks &h) {
            h.opener = [&](const QString &t) { opened << t; };
            h.folderOpener = [&](const QString &t) { shown << t; };
        });

        QListView *list = List(r);
        const QRect row = list->visualRect(list->model()->index(1, 0));
        if (how == QLatin1String("mouse") || how == QLatin1String("below")) {
            const QPoint at = how == QLatin1String("mouse") ? row.center() : QPoint(5, row.bottom() + 3 * row.height());
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
            QApplication::sendEvent(list->viewport(), &event);
        } else {
            list->setFocus();
            list->setCurrentIndex(list->model()->index(1, 0));
            QTest::keyClick(list, how == QLatin1String("Menu") ? Qt::Key_Menu : Qt::Key_F10,
                            how == QLatin1String("Menu") ? Qt::NoModifier : Qt::ShiftModifier);
        }
        QVERIFY(Part<QMenu>(r, "lineMenu")->isVisible());
        QCOMPARE(Part<QAction>(r, "openAction")->text(), QStringLiteral("開く(&O)"));
        QCOMPARE(Part<QAction>(r, "openFolderAction")->text(), QStringLiteral("フォルダを開く(&F)"));
        QCOMPARE(Part<QAction>(r, "copyPathAction")->text(), QStringLiteral("パスをコピー(&P)"));
        QCOMPARE(Part<QAction>(r, "copyAllAction")->text(), QStringLiteral("すべての行をコピー(&A)"));
        QCOMPARE(Part<QAction>(r, "saveAction")->text(), QStringLiteral("結果を保存(&S)..."));

        // A search goes on meanwhile and selects its newest line.
        r.AppendLine(QStringLiteral("検索(*.txt) in /newer.txt"));
        r.SyncView();
        QCOMPARE(r.SelectedRow(), 2);
        const QStringList lines = r.Lines();

        const bool hasTarget = !target.isEmpty();
        QCOMPARE(Part<QAction>(r, "openAction")->isEnabled(), hasTarget);
        QCOMPARE(Part<QAction>(r, "openFolderAction")->isEnabled(), hasTarget);
        QCOMPARE(Part<QAction>(r, "copyPathAction")->isEnabled(), hasTarget);
        QVERIFY(Part<QAction>(r, "copyAllAction")->isEnabled());
        QVERIFY(Part<QAction>(r, "saveAction")->isEnabled());

        // Opening goes the double-click's way; the folder action hands the
        // target itself to the file manager, which selects it.
        Part<QAction>(r, "openAction")->trigger();
        QCOMPARE(opened, hasTarget ? QStringList{target} : QStringList());
        Part<QAction>(r, "openFolderAction")->trigger();
        QCOMPARE(shown, hasTarget ? QStringList{target} : QStringList());
        if (hasTarget)
            QCOMPARE(ResultWindow::FolderOf(target), folder);

        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->setText(QStringLiteral("before"));
        Part<QAction>(r, "copyPathAction")->trigger();
        QCOMPARE(clipboard->text(), hasTarget ? target : QStringLiteral("before"));
        // Every line is one line of text, and reads back as the line.
        QString allLines;
        for (const QString &l : lines)
            allLines += common::EncodeLine(l) + QLatin1Char('\n');
        QCOMPARE(allLines.count(QLatin1Char('\n')), lines.size());
        Part<QAction>(r, "copyAllAction")->trigger();
        QCOMPARE(clipboard->text(), allLines);
        QCOMPARE(common::DecodeLine(clipboard->text().split(QLatin1Char('\n')).at(1)), line);

        // Dragged out, the line offers its target as a file URL.
        const QModelIndex index = list->model()->index(1, 0);
        QCOMPARE(bool(list->model()->flags(index) & Qt::ItemIsDragEnabled), !path.isEmpty());
        std::unique_ptr<QMimeData> dragged(list->model()->mimeData({index}));
        if (path.isEmpty())
            QVERIFY(!dragged);
        else
            QCOMPARE(dragged->urls(), QList<QUrl>{platform::LocalFileUrl(path)});

        // Saving proposes a dated name in the documents folder and writes
        // every line in UTF-8 with LF endings.
        Part<QAction>(r, "saveAction")->trigger();
        auto *dialog = r.findChild<QFileDialog *>(QStringLiteral("saveDialog"));
        QVERIFY(dialog && dialog->isVisible());
        const QFileInfo proposed(dialog->selectedFiles().value(0));
        QVERIFY2(QRegularExpression(QStringLiteral("^検索結果_\\d{8}_\\d{6}\\.txt$")).match(proposed.fileName()).hasMatch(),
                 qPrintable(proposed.fileName()));
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(proposed.absolutePath(), QDir(documents).exists() ? documents : QDir::homePath());
        QTemporaryDir dir;
        const QString file = dir.path() + (saveFails ? QStringLiteral("/missing/out.txt") : QStringLiteral("/out.txt"));
        dialog->selectFile(file);
        static_cast<QDialog *>(dialog)->accept();   // as the save button does
        auto *box = r.findChild<QMessageBox *>(QStringLiteral("saveFailedBox"));
        QCOMPARE(QFile::exists(file), !saveFails);
        if (saveFails) {
            QVERIFY(box && box->isVisible());
            QCOMPARE(box->windowTitle(), QStringLiteral("Pathwren"));
            QVERIFY(box->text().startsWith(QStringLiteral("結果を保存できませんでした。")));
            box->accept();
        } else {
            QVERIFY(!box);
            QFile saved(file);
            QVERIFY(saved.open(QIODevice::ReadOnly));
            QCOMPARE(saved.readAll(), allLines.toUtf8());
        }
        QCOMPARE(r.Lines(), lines);
        Part<QMenu>(r, "lineMenu")->hide();
    }

    // The counts field follows every line and the clear button, by the
    // kinds of line the program writes, and never touches "Line : N".
    void countsFieldFollowsTheLines_data()
    {
        using namespace common;
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("counts");
        const QString start = QStringLiteral("☆☆☆ 検索のみ開始... ☆☆☆");
        const QString end = QStringLiteral("☆☆☆ 終了 ☆☆☆");
        QTest::newRow("title only") << QStringList{QStringLiteral("☆☆☆ 検索結果ウィンドウ ☆☆☆")}
                                    << QStringLiteral("検索 0");
        QTest::newRow("search") << QStringList{start, HitLinePrefix("*.txt") + "/a/x.txt", HitLinePrefix("*") + "/a/y",
                                               HitLinePrefix("*") + "/a/z", end}
                                << QStringLiteral("検索 3");
        QTest::newRow("copy") << QStringList{QStringLiteral("☆☆☆ 検索後コピー開始... ☆☆☆"),
                                             CopyLinePrefix("*.doc") + "/a/x.doc", ErrorLine("CopyFile"), end}
                              << QStringLiteral("コピー 1 ・ エラー 1");
        QTest::newRow("every kind") << QStringList{HitLinePrefix("*") + "/a", CopyLinePrefix("*") + "/b",
                                                   CopyLinePrefix("*") + "/c", ErrorLine("SearchFile"),
                                                   AccessDeniedLine("/d"), AccessGrantedLine("/e"), QString()}
                                    << QStringLiteral("検索 1 ・ コピー 2 ・ エラー 1 ・ アクセス 2");
        QTest::newRow("pattern holding the marker") << QStringList{HitLinePrefix(") in (") + "/a"}
                                                    << QStringLiteral("検索 1");
        QTest::newRow("look-alikes") << QStringList{QStringLiteral("検索(*.txt)"), QStringLiteral("x 検索(a) in /b"),
                                                    QStringLiteral("※※※ error in x"), QStringLiteral("コピー中"),
                                                    QStringLiteral("※※※ アクセス in /x"), QString(), end}
                                     << QStringLiteral("検索 0");
    }
    void countsFieldFollowsTheLines()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, counts);
        ResultWindow &r = Fresh();
        r.show();
        for (const QString &line : lines)
            r.AppendLine(line);
        r.SyncView();
        QCOMPARE(statusbar::StatusBarFieldText(Part<QStatusBar>(r, "statusBar")), counts);
        QCOMPARE(StatusText(r), QStringLiteral("Line : %1").arg(lines.size() - 1));
        // Right of the line number, which keeps its room even in a window
        // as narrow as the design's.
        const QLabel *text = Part<QStatusBar>(r, "statusBar")->findChild<QLabel *>(QStringLiteral("statusText"));
        const QLabel *field = Part<QStatusBar>(r, "statusBar")->findChild<QLabel *>(QStringLiteral("statusField"));
        QVERIFY(text && field && field->isVisible());
        QTRY_VERIFY(field->geometry().left() > text->geometry().left());
        QVERIFY(text->width() >= text->fontMetrics().horizontalAdvance(StatusText(r)));
        QVERIFY(Part<QStatusBar>(r, "statusBar")->rect().contains(field->geometry()));

        Part<QPushButton>(r, "clearButton")->click();
        QCOMPARE(statusbar::StatusBarFieldText(Part<QStatusBar>(r, "statusBar")), QStringLiteral("検索 0"));
        QCOMPARE(StatusText(r), QStringLiteral("Line : %1").arg(lines.size() - 1));
        r.AppendLine(common::HitLinePrefix(QStringLiteral("*")) + QStringLiteral("/again"));
        r.SyncView();
        QCOMPARE(statusbar::StatusBarFieldText(Part<QStatusBar>(r, "statusBar")), QStringLiteral("検索 1"));
    }

    void closeRefusedUnlessStopFlagSet()
    {
        ResultWindow &r = Fresh();
        r.ShowWithLine(QStringLiteral("first"));
        QVERIFY(!r.close());
        QVERIFY(r.isVisible());
        QVERIFY(Part<QStatusBar>(r, "statusBar") != nullptr);

        m_main.stop = true;
        QVERIFY(r.close());
        QVERIFY(!r.isVisible());
        QVERIFY(Part<QStatusBar>(r, "statusBar") == nullptr);

        // The next line brings the window back, fresh, with a new status bar.
        r.AppendLine(QStringLiteral("next"));
        r.SyncView();
        QVERIFY(r.isVisible());
        QCOMPARE(r.Lines(), QStringList{QStringLiteral("next")});
        QVERIFY(Part<QStatusBar>(r, "statusBar") != nullptr);
        QCOMPARE(StatusText(r), QStringLiteral("Line : 0"));
    }

    void clearAfterCloseRecreatesHidden()
    {
        ResultWindow &r = Fresh();
        r.ShowWithLine(QStringLiteral("first"));
        m_main.stop = true;
        QVERIFY(r.close());
        r.Clear();
        QVERIFY(!r.isVisible());
        QVERIFY(Part<QStatusBar>(r, "statusBar") != nullptr);
    }

    void resizeKeepsMarginsAndIgnoresTooSmall()
    {
        ResultWindow &r = Fresh();
        r.ShowWithLine(QStringLiteral("x"));
        r.resize(400, 600);
        // The list keeps 25 px above and the status bar's room below.
        QCOMPARE(List(r)->size(), QSize(400, 600 - (503 - 460)));
        QStatusBar *bar = Part<QStatusBar>(r, "statusBar");
        QCOMPARE(bar->geometry().bottom(), r.height() - 1);
        QCOMPARE(bar->width(), r.width());

        const QSize before = List(r)->size();
        r.resize(300, (503 - 460) - 5);
        QCOMPARE(List(r)->size(), before);
        QCOMPARE(bar->width(), r.width());
    }
};

QTEST_MAIN(TestResultWindow)
#include "tst_resultwindow.moc"
