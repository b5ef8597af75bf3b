// The result list places rows by arithmetic instead of laying them out:
// every place, hit test, scroll range, key and selection must still come
// out as a list view's would, at any length of the list.
#include "app/result/resultlistview.h"
#include "app/result/resultmodel.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QScrollBar>
#include <QtTest>

namespace {
struct Shown {
    ResultModel model;
    ResultListView view;
    explicit Shown(int rows)
    {
        view.setModel(&model);
        view.setSelectionMode(QAbstractItemView::SingleSelection);
        view.resize(300, 200);
        Add(rows);
        view.show();
    }
    void Add(int rows)
    {
        const int first = model.LineCount();
        for (int i = first; i < first + rows; ++i)
            model.Append(QStringLiteral("line %1").arg(i));
        model.Publish();
    }
    QModelIndex Row(int r) const { return model.index(r); }
    int Current() const { return view.currentIndex().row(); }
    int PageRows() const { return view.viewport()->height() / view.RowHeight(); }
    // Row r's whole height lies inside the viewport.
    bool Shows(int r) const
    {
        const QRect rect = view.visualRect(Row(r));
        return rect.top() >= 0 && rect.bottom() < view.viewport()->height();
    }
};
} // namespace

class TestResultListView : public QObject {
    Q_OBJECT
private slots:
    void placesAndHitTests_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("row");
        QTest::newRow("one row") << 1 << 0;
        QTest::newRow("first of many") << 100000 << 0;
        QTest::newRow("middle of many") << 100000 << 54321;
        QTest::newRow("last of many") << 100000 << 99999;
    }
    void placesAndHitTests()
    {
        QFETCH(int, rows);
        QFETCH(int, row);
        Shown s(rows);
        QVERIFY(QTest::qWaitForWindowExposed(&s.view));
        const int h = s.view.RowHeight();
        QVERIFY(h > 0);
        s.view.scrollTo(s.Row(row));
        const QRect rect = s.view.visualRect(s.Row(row));
        QVERIFY2(s.view.viewport()->rect().contains(rect), "the row is fully in view");
        QCOMPARE(rect.height(), h);
        QCOMPARE(rect.top(), row * h - s.view.verticalScrollBar()->value());
        QCOMPARE(s.view.indexAt(rect.center()), s.Row(row));
        QCOMPARE(s.view.indexAt(rect.topLeft()), s.Row(row));
        QCOMPARE(s.view.indexAt(rect.bottomLeft()), s.Row(row));
        // The scroll range reaches exactly the last row's bottom.
        QCOMPARE(s.view.verticalScrollBar()->maximum(),
                 qMax(0, rows * h - s.view.viewport()->height()));
        // Below the last row there is nothing.
        s.view.scrollTo(s.Row(rows - 1));
        const QRect last = s.view.visualRect(s.Row(rows - 1));
        if (last.bottom() + 2 < s.view.viewport()->height())
            QVERIFY(!s.view.indexAt(QPoint(5, last.bottom() + 2)).isValid());
        QVERIFY(!s.view.visualRect(QModelIndex()).isValid());
    }

    void addingRowsMovesNothingAlreadyShown()
    {
        Shown s(50);
        QVERIFY(QTest::qWaitForWindowExposed(&s.view));
        s.view.setCurrentIndex(s.Row(3));
        const QRect before = s.view.visualRect(s.Row(3));
        s.Add(1000);
        QCOMPARE(s.view.visualRect(s.Row(3)), before);
        QCOMPARE(s.view.selectionModel()->selectedIndexes(), QModelIndexList{s.Row(3)});
        QCOMPARE(s.view.verticalScrollBar()->maximum(),
                 1050 * s.view.RowHeight() - s.view.viewport()->height());
    }

    void keysMoveTheCurrentRow_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");   // -1: a page down, -2: a page up
        QTest::newRow("down") << int(Qt::Key_Down) << 41;
        QTest::newRow("up") << int(Qt::Key_Up) << 39;
        QTest::newRow("home") << int(Qt::Key_Home) << 0;
        QTest::newRow("end") << int(Qt::Key_End) << 99;
        QTest::newRow("page down") << int(Qt::Key_PageDown) << -1;
        QTest::newRow("page up") << int(Qt::Key_PageUp) << -2;
        QTest::newRow("left stays") << int(Qt::Key_Left) << 40;
    }
    void keysMoveTheCurrentRow()
    {
        QFETCH(int, key);
        QFETCH(int, expected);
        Shown s(100);
        QVERIFY(QTest::qWaitForWindowExposed(&s.view));
        s.view.setFocus();
        s.view.setCurrentIndex(s.Row(40));
        if (expected == -1)
            expected = 40 + s.PageRows();
        if (expected == -2)
            expected = qMax(0, 40 - s.PageRows());
        QTest::keyClick(&s.view, Qt::Key(key));
        QCOMPARE(s.Current(), expected);
        QCOMPARE(s.view.selectionModel()->selectedIndexes(), QModelIndexList{s.Row(expected)});
        // The new current row is brought into view.
        QVERIFY(s.view.viewport()->rect().contains(s.view.visualRect(s.Row(expected))));
    }

    void clickSelectsTheRowUnderTheMouse()
    {
        Shown s(1000);
        QVERIFY(QTest::qWaitForWindowExposed(&s.view));
        s.view.scrollTo(s.Row(500), QAbstractItemView::PositionAtTop);
        const QPoint at = s.view.visualRect(s.Row(502)).center();
        QTest::mouseClick(s.view.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(s.view.selectionModel()->selectedIndexes(), QModelIndexList{s.Row(502)});
        QSignalSpy opened(&s.view, &QAbstractItemView::doubleClicked);
        QTest::mouseDClick(s.view.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened.at(0).at(0).value<QModelIndex>(), s.Row(502));
    }

    void longLineWidensTheHorizontalRange_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("few lines") << 3;
        QTest::newRow("more lines than the view shows") << 100;
    }
    void longLineWidensTheHorizontalRange()
    {
        QFETCH(int, rows);
        Shown s(rows);
        QVERIFY(QTest::qWaitForWindowExposed(&s.view));
        QCOMPARE(s.view.horizontalScrollBar()->maximum(), 0);
        s.model.Append(QStringLiteral("検索(*.txt) in ") + QString(400, QLatin1Char('x')) + QStringLiteral("/end.txt"));
        s.model.Publish();
        // Selected and scrolled to as the newest line is.
        s.view.setCurrentIndex(s.Row(rows));
        s.view.scrollTo(s.Row(rows));
        QTRY_VERIFY(s.view.horizontalScrollBar()->isVisible());
        QVERIFY(s.view.horizontalScrollBar()->maximum() > 0);
        // The scroll bar that came with the line does not cover it.
        QVERIFY2(s.Shows(rows), "newest line hidden");
        // Nor does a smaller view.
        s.view.resize(300, 120);
        QVERIFY2(s.Shows(rows), "newest line hidden");
        // Scrolled to its end, the line's right edge is in view.
        s.view.horizontalScrollBar()->setValue(s.view.horizontalScrollBar()->maximum());
        const QRect rect = s.view.visualRect(s.Row(rows));
        QCOMPARE(rect.left(), -s.view.horizontalScrollBar()->value());
        QVERIFY(rect.right() >= s.view.viewport()->width() - 1);
        // Emptied, the list forgets it.
        s.model.Clear();
        QTRY_COMPARE(s.view.horizontalScrollBar()->maximum(), 0);
        QCOMPARE(s.view.verticalScrollBar()->maximum(), 0);
        QVERIFY(!s.view.indexAt(QPoint(5, 5)).isValid());
    }

    void accessibleAsAListOfLines()
    {
        Shown s(20);
        QVERIFY(QTest::qWaitForWindowExposed(&s.view));
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&s.view);
        QVERIFY(list);
        QCOMPARE(list->role(), QAccessible::List);
        QAccessibleTableInterface *table = list->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->rowCount(), 20);
        QAccessibleInterface *cell = table->cellAt(7, 0);
        QVERIFY(cell);
        QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("line 7"));
        s.view.scrollTo(s.Row(7));
        QCOMPARE(cell->rect().center(), s.view.viewport()->mapToGlobal(s.view.visualRect(s.Row(7)).center()));
    }
};

QTEST_MAIN(TestResultListView)
#include "tst_resultlistview.moc"
