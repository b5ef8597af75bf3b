#include "app/result/frmResult.h"
#include "app/statusbar/modStatusBar.h"
#include "platform/nativepath.h"
#include "testhost.h"

#include <QApplication>
#include <QListView>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

namespace {
class FakeMain : public frmResultHost {
public:
    bool stop = false;
    QRect rect{67, 67, 375, 530};
    bool StopFlag() const override { return stop; }
    QRect OuterRect() const override { return rect; }
};
} // namespace

class TestFrmResult : public QObject {
    Q_OBJECT
private:
    FakeMain m_main;
    TestHost *m_host = nullptr;

    frmResult &Fresh()
    {
        frmResult::DestroyInstance();
        frmResult &r = frmResult::Instance();
        r.SetHost(&m_main);
        return r;
    }
    static QString StatusText(frmResult &r) { return modStatusBar::StatusBarText(r.m_hWndStatusBar); }

private slots:
    void init()
    {
        m_main = FakeMain();
        m_host = new TestHost;
    }
    void cleanup()
    {
        frmResult::DestroyInstance();
        frmResult::SetOpenerForTesting(nullptr);
        delete m_host;
    }

    void freshWindowShowsTitleLineBesideMain()
    {
        frmResult &r = Fresh();
        r.ShowWindow(QStringLiteral("☆☆☆ 検索結果ウィンドウ ☆☆☆"));
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

    void controlsAsDesigned()
    {
        frmResult &r = Fresh();
        r.AddMessage(QString());
        QCOMPARE(r.lstResult->objectName(), QStringLiteral("lstResult"));
        QCOMPARE(r.cmdClear->text(), QStringLiteral("クリアー(&C)"));
        QCOMPARE(r.cmdClear->toolTip(), QStringLiteral("表示している情報を全て消去します。"));
        QCOMPARE(r.lstResult->toolTip(), QStringLiteral("現在の処理状況を表示します。"));
        QCOMPARE(r.cmdClear->geometry(), QRect(1, 3, 94, 20));
        QCOMPARE(r.lstResult->pos(), QPoint(0, 25));
        // The list keeps 25 px above and the status bar's room below.
        QCOMPARE(r.m_lngMarginHeight, 503 - 460);
        QCOMPARE(r.m_lngMarginWidth, 0);
        QVERIFY(r.lstResult->uniformItemSizes());
    }

    void linesCountFromZeroAndStayInOrder()
    {
        frmResult &r = Fresh();
        for (int i = 0; i < 10; ++i)
            r.AddMessage(QStringLiteral("line %1").arg(i));
        // Every line is readable at once; the view follows within a frame.
        QCOMPARE(r.LineCount(), 10);
        QCOMPARE(r.Line(9), QStringLiteral("line 9"));
        QTRY_COMPARE(StatusText(r), QStringLiteral("Line : 9"));
        QCOMPARE(r.SelectedRow(), 9);
        QCOMPARE(m_host->yields, 10);   // one yield per line
    }

    void emptyLineIsALine()
    {
        frmResult &r = Fresh();
        r.AddMessage(QStringLiteral("a"));
        r.AddMessage(QString());
        r.SyncView();
        QCOMPARE(r.LineCount(), 2);
        QCOMPARE(r.Line(1), QString());
        QCOMPARE(r.SelectedRow(), 1);
        QCOMPARE(StatusText(r), QStringLiteral("Line : 1"));
    }

    void clearKeepsStatusTextUntilNextLine()
    {
        frmResult &r = Fresh();
        for (int i = 0; i < 5; ++i)
            r.AddMessage(QStringLiteral("x"));
        r.SyncView();
        r.cmdClear->click();
        QCOMPARE(r.LineCount(), 0);
        QCOMPARE(r.lstResult->model()->rowCount(), 0);
        QCOMPARE(StatusText(r), QStringLiteral("Line : 4"));
        r.AddMessage(QStringLiteral("y"));
        r.SyncView();
        QCOMPARE(StatusText(r), QStringLiteral("Line : 0"));
    }

    void linesBeyondSixteenBitsStillSelectAndCount()
    {
        frmResult &r = Fresh();
        r.show();
        const int n = 33000;
        for (int i = 0; i < n; ++i)
            r.AddMessage(QString::number(i));
        r.SyncView();
        QCOMPARE(r.LineCount(), n);
        QCOMPARE(r.SelectedRow(), n - 1);
        QCOMPARE(StatusText(r), QStringLiteral("Line : %1").arg(n - 1));
        QCOMPARE(m_host->yields, n);
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
        QCOMPARE(frmResult::DoubleClickTarget(line), target);
        if (!target.isEmpty())
            QCOMPARE(platform::LocalFileUrl(target).toEncoded(), url);
    }

    void doubleClickOpensSelectedLineOnly()
    {
        frmResult &r = Fresh();
        r.show();
        QVERIFY(QTest::qWaitForWindowExposed(&r));
        QStringList opened;
        frmResult::SetOpenerForTesting([&](const QString &t) { opened << t; });

        r.AddMessage(QString());
        r.Clear();
        r.OpenSelectedLine();   // empty list: nothing
        QVERIFY(opened.isEmpty());
        QVERIFY(!QApplication::overrideCursor());

        r.AddMessage(QStringLiteral("☆☆☆ 検索のみ開始... ☆☆☆"));
        r.SyncView();
        r.OpenSelectedLine();   // banner: nothing
        QVERIFY(opened.isEmpty());

        r.AddMessage(QStringLiteral("検索(*.txt) in /data/a.txt"));
        r.SyncView();
        const QModelIndex index = r.lstResult->model()->index(1, 0);
        const QPoint at = r.lstResult->visualRect(index).center();
        QTest::mouseClick(r.lstResult->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(r.lstResult->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(opened, QStringList{QStringLiteral("/data/a.txt")});
        QVERIFY(!QApplication::overrideCursor());
        // Enter, of either keyboard, opens it as well.
        QTest::keyClick(r.lstResult, Qt::Key_Return);
        QTest::keyClick(r.lstResult, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(opened.size(), 3);
        QCOMPARE(opened.last(), QStringLiteral("/data/a.txt"));

        // A name that is not UTF-8 shows U+FFFD and opens as itself.
        const QString raw = platform::FromNative(QByteArray("/data/b\xff.txt"));
        r.AddMessage(QStringLiteral("検索(*.txt) in ") + raw);
        r.SyncView();
        QCOMPARE(r.lstResult->model()->index(2, 0).data().toString(), QStringLiteral("検索(*.txt) in /data/b\uFFFD.txt"));
        r.OpenSelectedLine();
        QCOMPARE(opened.last(), raw);
    }

    void closeRefusedUnlessStopFlagSet()
    {
        frmResult &r = Fresh();
        r.ShowWindow(QStringLiteral("first"));
        QVERIFY(!r.close());
        QVERIFY(r.isVisible());
        QVERIFY(r.m_hWndStatusBar != nullptr);

        m_main.stop = true;
        QVERIFY(r.close());
        QVERIFY(!r.isVisible());
        QVERIFY(r.m_hWndStatusBar == nullptr);

        // The next line brings the window back, fresh, with a new status bar.
        r.AddMessage(QStringLiteral("next"));
        r.SyncView();
        QVERIFY(r.isVisible());
        QCOMPARE(r.Lines(), QStringList{QStringLiteral("next")});
        QVERIFY(r.m_hWndStatusBar != nullptr);
        QCOMPARE(StatusText(r), QStringLiteral("Line : 0"));
    }

    void clearAfterCloseRecreatesHidden()
    {
        frmResult &r = Fresh();
        r.ShowWindow(QStringLiteral("first"));
        m_main.stop = true;
        QVERIFY(r.close());
        r.Clear();
        QVERIFY(!r.isVisible());
        QVERIFY(r.m_hWndStatusBar != nullptr);
    }

    void resizeKeepsMarginsAndIgnoresTooSmall()
    {
        frmResult &r = Fresh();
        r.ShowWindow(QStringLiteral("x"));
        r.resize(400, 600);
        QCOMPARE(r.lstResult->size(), QSize(400 - r.m_lngMarginWidth, 600 - r.m_lngMarginHeight));
        QStatusBar *bar = r.m_hWndStatusBar;
        QCOMPARE(bar->geometry().bottom(), r.height() - 1);
        QCOMPARE(bar->width(), r.width());

        const QSize before = r.lstResult->size();
        r.resize(300, r.m_lngMarginHeight - 5);
        QCOMPARE(r.lstResult->size(), before);
        QCOMPARE(bar->width(), r.width());
    }
};

QTEST_MAIN(TestFrmResult)
#include "tst_frmresult.moc"
