#pragma once
// The result list: a list view whose rows all have one height, so that
// every geometric question (where is row r, which row is at y, how far can
// the list scroll) is answered by arithmetic.  A plain QListView lays out
// every row again whenever rows are added, which makes a transcript of
// hundreds of thousands of lines slower with every line; here adding rows
// costs the same whatever the length of the list.  It stays a QListView, so
// keyboard, mouse, selection and accessibility behave as for any list.

#include <QListView>
#include <QStyledItemDelegate>

class QPainter;

// Draws a row's text with one shaping pass (the style's own item drawing
// lays the text out twice per row and per paint) and reports how wide it
// was, so that the view can widen its scroll range to the longest line seen.
class ResultItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    // Paints like paint(); returns the width the row needs, margins included.
    int PaintRow(QPainter *painter, const QStyleOptionViewItem &option,
                 const QModelIndex &index) const;
};

class ResultListView : public QListView {
    Q_OBJECT
public:
    explicit ResultListView(QWidget *parent = nullptr);

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;
    void doItemsLayout() override;
    void reset() override;

    // The height of every row, in pixels.
    int RowHeight() const;

    // Where a menu for `row` opens when asked for by keyboard: just below
    // the row if it is in view, else the top left of the list.
    QPoint MenuPosition(int row) const;

signals:
    // A context menu is asked for: for the row under the mouse (-1 when
    // there is none) or, by keyboard, for the selected row.
    void LineMenuRequested(int row, const QPoint &globalPos);

protected:
    bool event(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void updateGeometries() override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    QSize viewportSizeHint() const override;

private:
    int RowCount() const;
    int RowWidth() const;
    QRect RowsRect(int first, int last) const;
    // Rows that intersect the band [top, bottom] of the viewport, clamped;
    // first > last when none does.
    void RowsIn(int top, int bottom, int *first, int *last) const;

    mutable int m_rowHeight = 0;      // 0: not measured yet
    int m_contentWidth = 0;           // the widest row painted so far
    bool m_geometryPending = false;
    // The row a left-button press went down on, and where: a drag carries
    // that row even when a running search has selected a newer one since.
    QPersistentModelIndex m_dragRow;
    QPoint m_dragFrom;
};
