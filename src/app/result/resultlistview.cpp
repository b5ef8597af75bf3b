#include "app/result/resultlistview.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <climits>
#include <cmath>

namespace {
qint64 Clamp(qint64 low, qint64 value, qint64 high)
{
    return value < low ? low : value > high ? high : value;
}
} // namespace

// ------------------------------------------------------------ ResultItemDelegate

void ResultItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    PaintRow(painter, option, index);
}

int ResultItemDelegate::PaintRow(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    const QWidget *widget = option.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    QStyleOptionViewItem panel = option;
    panel.text = index.data(Qt::DisplayRole).toString();
    panel.features |= QStyleOptionViewItem::HasDisplay;
    // Background and selection exactly as the style draws them for an item.
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &panel, painter, widget);

    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active)  ? QPalette::Normal
                                                                                 : QPalette::Inactive;
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    painter->setFont(option.font);
    painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    QRectF drawn;
    painter->drawText(QRectF(option.rect.adjusted(margin, 0, -margin, 0)),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                      panel.text, &drawn);

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
    return int(std::ceil(drawn.width())) + 2 * margin;
}

// ---------------------------------------------------------------- ResultListView

ResultListView::ResultListView(QWidget *parent)
    : QListView(parent)
{
    setItemDelegate(new ResultItemDelegate(this));
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

int ResultListView::RowCount() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int ResultListView::RowHeight() const
{
    if (m_rowHeight <= 0) {
        // A line that needs both the Latin and the Japanese font, as the
        // transcript's lines do.
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.text = QStringLiteral("☆検索Ag");
        option.features |= QStyleOptionViewItem::HasDisplay;
        m_rowHeight = qMax(1, style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height());
    }
    return m_rowHeight;
}

int ResultListView::RowWidth() const
{
    return qMax(m_contentWidth, viewport()->width());
}

QRect ResultListView::RowsRect(int first, int last) const
{
    const qint64 h = RowHeight();
    const qint64 top = first * h - verticalOffset();
    const qint64 height = (qint64(last) - first + 1) * h;
    // Far away rows are clamped: only what lies near the viewport matters.
    const qint64 clampedTop = Clamp(INT_MIN / 4, top, INT_MAX / 4);
    const qint64 clampedHeight = Clamp(0, height, INT_MAX / 4);
    return QRect(-horizontalOffset(), int(clampedTop), RowWidth(), int(clampedHeight));
}

void ResultListView::RowsIn(int top, int bottom, int *first, int *last) const
{
    const qint64 h = RowHeight();
    const qint64 offset = verticalOffset();
    const int rows = RowCount();
    *first = int(Clamp(0, (top + offset) / h, rows));
    *last = int(Clamp(-1, (bottom + offset) / h, rows - 1));
}

QRect ResultListView::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.parent() != rootIndex() || index.column() != modelColumn())
        return QRect();
    return RowsRect(index.row(), index.row());
}

QModelIndex ResultListView::indexAt(const QPoint &point) const
{
    if (point.y() < 0 || point.x() + horizontalOffset() < 0 || point.x() + horizontalOffset() >= RowWidth())
        return QModelIndex();
    const qint64 row = (point.y() + qint64(verticalOffset())) / RowHeight();
    if (row >= RowCount())
        return QModelIndex();
    return model()->index(int(row), modelColumn(), rootIndex());
}

void ResultListView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid() || index.parent() != rootIndex() || index.column() != modelColumn())
        return;
    const qint64 h = RowHeight();
    const qint64 top = index.row() * h;
    const qint64 area = viewport()->height();
    qint64 value = verticalOffset();
    switch (hint) {
    case EnsureVisible:
        if (top < value)
            value = top;
        else if (top + h > value + area)
            value = top + h - area;
        break;
    case PositionAtTop:
        value = top;
        break;
    case PositionAtBottom:
        value = top + h - area;
        break;
    case PositionAtCenter:
        value = top + h / 2 - area / 2;
        break;
    }
    verticalScrollBar()->setValue(int(Clamp(0, value, INT_MAX)));
}

void ResultListView::doItemsLayout()
{
    // Nothing to lay out: rows are where their number puts them.
    m_rowHeight = 0;
    QAbstractItemView::doItemsLayout();
}

void ResultListView::reset()
{
    m_contentWidth = 0;
    QListView::reset();
}

bool ResultListView::event(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_rowHeight = 0;
        m_contentWidth = 0;
    }
    return QListView::event(event);
}

void ResultListView::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy);
}

void ResultListView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                                 const QList<int> &roles)
{
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}

void ResultListView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    if (parent == rootIndex()) {
        updateGeometries();
        const QRect changed = RowsRect(start, end) & viewport()->rect();
        if (!changed.isEmpty())
            viewport()->update(changed);
    }
    QAbstractItemView::rowsInserted(parent, start, end);
}

void ResultListView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    if (parent == rootIndex())
        scheduleDelayedItemsLayout();
}

void ResultListView::resizeEvent(QResizeEvent *event)
{
    // A current row that was entirely in view stays so when the view
    // shrinks: a horizontal scroll bar appearing (once a wide line has been
    // painted) or a smaller window must not hide the newest line.
    const QModelIndex current = currentIndex();
    bool wasShown = false;
    if (current.isValid() && current.parent() == rootIndex()) {
        const qint64 top = current.row() * qint64(RowHeight()) - verticalOffset();
        const int oldHeight = event->oldSize().isValid() ? event->oldSize().height() : viewport()->height();
        wasShown = top >= 0 && top + RowHeight() <= oldHeight;
    }
    QAbstractItemView::resizeEvent(event);
    if (wasShown)
        scrollTo(current);
}

QPoint ResultListView::MenuPosition(int row) const
{
    const QRect rect = row >= 0 ? visualRect(model()->index(row, modelColumn(), rootIndex())) & viewport()->rect()
                                : QRect();
    return viewport()->mapToGlobal(rect.isEmpty() ? QPoint(0, 0) : rect.bottomLeft());
}

void ResultListView::contextMenuEvent(QContextMenuEvent *event)
{
    if (!model())
        return;
    if (event->reason() == QContextMenuEvent::Mouse) {
        // Mouse events reach here in the viewport's coordinates.
        emit LineMenuRequested(indexAt(event->pos()).row(), event->globalPos());
    } else {
        const QModelIndexList selected = selectionModel() ? selectionModel()->selectedIndexes() : QModelIndexList();
        const int row = selected.isEmpty() ? -1 : selected.first().row();
        emit LineMenuRequested(row, MenuPosition(row));
    }
    event->accept();
}

void ResultListView::mousePressEvent(QMouseEvent *event)
{
    m_dragRow = QPersistentModelIndex();
    if (event->button() == Qt::LeftButton) {
        m_dragFrom = event->position().toPoint();
        m_dragRow = indexAt(m_dragFrom);
    }
    QListView::mousePressEvent(event);
}

void ResultListView::mouseMoveEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton) && m_dragRow.isValid()
        && (event->position().toPoint() - m_dragFrom).manhattanLength() >= QApplication::startDragDistance()) {
        const QModelIndex row = m_dragRow;
        m_dragRow = QPersistentModelIndex();
        if (model()->flags(row) & Qt::ItemIsDragEnabled) {
            if (QMimeData *mime = model()->mimeData({row})) {
                auto *drag = new QDrag(this);
                drag->setMimeData(mime);
                const QRect shown = visualRect(row) & viewport()->rect();
                if (!shown.isEmpty()) {
                    drag->setPixmap(viewport()->grab(shown));
                    drag->setHotSpot(m_dragFrom - shown.topLeft());
                }
                drag->exec(model()->supportedDragActions(), Qt::CopyAction);
                // The button went up inside the drag: no selection by mouse
                // is left running.
                setState(NoState);
                return;
            }
        }
    }
    QListView::mouseMoveEvent(event);
}

void ResultListView::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragRow = QPersistentModelIndex();
    QListView::mouseReleaseEvent(event);
}

int ResultListView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int ResultListView::verticalOffset() const
{
    return verticalScrollBar()->value();
}

void ResultListView::updateGeometries()
{
    const qint64 h = RowHeight();
    const QSize area = viewport()->size();
    const qint64 height = RowCount() * h;
    verticalScrollBar()->setSingleStep(int(h));
    verticalScrollBar()->setPageStep(area.height());
    verticalScrollBar()->setRange(0, int(Clamp(0, height - area.height(), INT_MAX)));
    horizontalScrollBar()->setSingleStep(int(h));
    horizontalScrollBar()->setPageStep(area.width());
    horizontalScrollBar()->setRange(0, qMax(0, m_contentWidth - area.width()));
    QAbstractItemView::updateGeometries();
}

QSize ResultListView::viewportSizeHint() const
{
    const qint64 height = RowCount() * qint64(RowHeight());
    return QSize(m_contentWidth, int(qMin<qint64>(height, INT_MAX)));
}

void ResultListView::paintEvent(QPaintEvent *event)
{
    if (!model())
        return;
    int first = 0, last = -1;
    RowsIn(event->rect().top(), event->rect().bottom(), &first, &last);
    if (first > last)
        return;

    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State state = option.state;
    const bool enabled = (state & QStyle::State_Enabled) != 0;
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QItemSelectionModel *selections = selectionModel();
    const auto *rowDelegate = qobject_cast<ResultItemDelegate *>(itemDelegate());
    const QModelIndex root = rootIndex();

    int widest = 0;
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, modelColumn(), root);
        option.rect = RowsRect(row, row);
        option.state = state;
        if (selections && selections->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (enabled) {
            QPalette::ColorGroup group = QPalette::Normal;
            if (!(model()->flags(index) & Qt::ItemIsEnabled)) {
                option.state &= ~QStyle::State_Enabled;
                group = QPalette::Disabled;
            }
            option.palette.setCurrentColorGroup(group);
        }
        if (focus && index == current)
            option.state |= QStyle::State_HasFocus;
        if (alternatingRowColors() && (row & 1))
            option.features |= QStyleOptionViewItem::Alternate;
        else
            option.features &= ~QStyleOptionViewItem::Alternate;
        if (rowDelegate)
            widest = qMax(widest, rowDelegate->PaintRow(&painter, option, index));
        else
            itemDelegate()->paint(&painter, option, index);
    }

    // A line wider than any before widens the horizontal scroll range; not
    // from inside the paint, since a scroll bar appearing resizes the view.
    if (widest > m_contentWidth) {
        m_contentWidth = widest;
        if (!m_geometryPending) {
            m_geometryPending = true;
            QMetaObject::invokeMethod(this, [this] {
                m_geometryPending = false;
                updateGeometries();
            }, Qt::QueuedConnection);
        }
    }
}

QModelIndex ResultListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int rows = RowCount();
    if (rows == 0)
        return QModelIndex();
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    const int page = qMax(1, viewport()->height() / RowHeight());
    int next = row;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        next = row < 0 ? 0 : qMax(0, row - 1);
        break;
    case MoveDown:
    case MoveNext:
        next = qMin(rows - 1, row + 1);
        break;
    case MovePageUp:
        next = qMax(0, row - page);
        break;
    case MovePageDown:
        next = qMin(rows - 1, qMax(0, row) + page);
        break;
    case MoveHome:
        next = 0;
        break;
    case MoveEnd:
        next = rows - 1;
        break;
    case MoveLeft:
    case MoveRight:
        return current;
    }
    return model()->index(next, modelColumn(), rootIndex());
}

void ResultListView::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    if (!selectionModel())
        return;
    QItemSelection selection;
    const QRect rows = rect.normalized();
    const int left = -horizontalOffset();
    if (rows.right() >= left && rows.left() < left + RowWidth()) {
        int first = 0, last = -1;
        RowsIn(rows.top(), rows.bottom(), &first, &last);
        if (first <= last)
            selection.select(model()->index(first, modelColumn(), rootIndex()),
                             model()->index(last, modelColumn(), rootIndex()));
    }
    selectionModel()->select(selection, command);
}

QRegion ResultListView::visualRegionForSelection(const QItemSelection &selection) const
{
    QRegion region;
    const QRect area = viewport()->rect();
    for (const QItemSelectionRange &range : selection) {
        if (range.parent() != rootIndex() || range.left() > modelColumn() || range.right() < modelColumn())
            continue;
        const QRect rect = RowsRect(range.top(), range.bottom()) & area;
        if (!rect.isEmpty())
            region += rect;
    }
    return region;
}

// Accessibility is told the row itself: every row of this list is shown.
void ResultListView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
#if QT_CONFIG(accessibility)
    if (QAccessible::isActive()) {
        const QModelIndex added = selected.indexes().value(0);
        if (added.isValid()) {
            QAccessibleEvent event(this, QAccessible::SelectionAdd);
            event.setChild(added.row());
            QAccessible::updateAccessibility(&event);
        }
        const QModelIndex removed = deselected.indexes().value(0);
        if (removed.isValid()) {
            QAccessibleEvent event(this, QAccessible::SelectionRemove);
            event.setChild(removed.row());
            QAccessible::updateAccessibility(&event);
        }
    }
#endif
    QAbstractItemView::selectionChanged(selected, deselected);
}

void ResultListView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
#if QT_CONFIG(accessibility)
    if (QAccessible::isActive() && current.isValid() && hasFocus()) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(current.row());
        QAccessible::updateAccessibility(&event);
    }
#endif
    QAbstractItemView::currentChanged(current, previous);
}
