// Folders left out of the search, as the tree shows them and offers them:
// the folder menu and the drawing of a left-out folder.
#include "foldertree/foldertree.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QStyle>

QVariant FolderNode::data(int column, int role) const
{
    if (role != Qt::ForegroundRole && role != Qt::DecorationRole && role != Qt::AccessibleDescriptionRole
        && role != Qt::ToolTipRole)
        return QTreeWidgetItem::data(column, role);
    const auto *tree = static_cast<const FolderTreeView *>(treeWidget());
    if (!tree || !tree->IsExcluded(this))
        return QTreeWidgetItem::data(column, role);
    switch (role) {
    case Qt::ForegroundRole:
        return tree->palette().brush(QPalette::Disabled, QPalette::Text);
    case Qt::DecorationRole:
        return tree->ExcludedIcon(qvariant_cast<QIcon>(QTreeWidgetItem::data(column, role)));
    default:
        return QStringLiteral("検索から除外");
    }
}

QString FolderTreeView::FolderName(const QString &path)
{
    return QFileInfo(path).fileName();
}

void FolderTreeView::SetExclusionTest(std::function<bool(const QString &path, const QString &name)> test)
{
    m_excluded = std::move(test);
    RefreshExclusions();
}

bool FolderTreeView::IsExcluded(const FolderNode *node) const
{
    return m_excluded && node && !node->Path().isEmpty() && m_excluded(node->Path(), FolderName(node->Path()));
}

void FolderTreeView::RefreshExclusions()
{
    viewport()->update();
}

QIcon FolderTreeView::ExcludedIcon(const QIcon &icon) const
{
    const auto found = m_excludedIcons.constFind(icon.cacheKey());
    if (found != m_excludedIcons.constEnd())
        return *found;
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(0.45);
    icon.paint(&painter, 0, 0, size, size);
    // The no-entry mark over the lower right quarter.
    painter.setOpacity(1.0);
    const qreal d = size * 0.55;
    const QRectF mark(size - d - 0.5, size - d - 0.5, d, d);
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor(0xc0, 0x10, 0x10), qMax<qreal>(1.5, size / 10.0)));
    painter.drawEllipse(mark);
    painter.drawLine(mark.topLeft() + QPointF(d * 0.15, d * 0.15), mark.bottomRight() - QPointF(d * 0.15, d * 0.15));
    painter.end();
    const QIcon excluded(pixmap);
    m_excludedIcons.insert(icon.cacheKey(), excluded);
    return excluded;
}

void FolderTreeView::CreateFolderMenu()
{
    // The menu itself is made when first asked for: a popup is a window
    // of its own, and a tree that never shows it makes none.
    auto *menuKey = new QAction(this);
    menuKey->setShortcuts({QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)});
    menuKey->setShortcutContext(Qt::WidgetShortcut);
    addAction(menuKey);
    connect(menuKey, &QAction::triggered, this, [this] {
        FolderNode *node = FolderNode::From(currentItem());
        const QRect rect = node ? visualItemRect(node) & viewport()->rect() : QRect();
        ShowFolderMenu(node, viewport()->mapToGlobal(rect.isEmpty() ? QPoint(0, 0) : rect.bottomLeft()));
    });
}

void FolderTreeView::MakeFolderMenu()
{
    m_folderMenu = new QMenu(this);
    m_folderMenu->setObjectName(QStringLiteral("folderMenu"));
    m_folderMenu->setTitle(QStringLiteral("フォルダ"));
    m_folderMenu->setAccessibleName(QStringLiteral("フォルダの操作"));
    m_excludePathAction = m_folderMenu->addAction(QStringLiteral("検索から除外(&X)"));
    m_excludePathAction->setObjectName(QStringLiteral("excludePathAction"));
    m_excludeNameAction = m_folderMenu->addAction(QStringLiteral("この名前のフォルダを常に除外(&N)"));
    m_excludeNameAction->setObjectName(QStringLiteral("excludeNameAction"));
    m_includeAction = m_folderMenu->addAction(QStringLiteral("除外を解除(&R)"));
    m_includeAction->setObjectName(QStringLiteral("includeAction"));

    connect(m_excludePathAction, &QAction::triggered, this, [this] {
        if (m_menuNode)
            emit ExcludePathRequested(m_menuNode->Path());
    });
    connect(m_excludeNameAction, &QAction::triggered, this, [this] {
        if (m_menuNode)
            emit ExcludeNameRequested(FolderName(m_menuNode->Path()));
    });
    connect(m_includeAction, &QAction::triggered, this, [this] {
        if (m_menuNode)
            emit IncludeRequested(m_menuNode->Path(), FolderName(m_menuNode->Path()));
    });
}

void FolderTreeView::contextMenuEvent(QContextMenuEvent *event)
{
    if (event->reason() == QContextMenuEvent::Mouse) {
        // Mouse events reach here in the viewport's coordinates.
        ShowFolderMenu(FolderNode::From(itemAt(event->pos())), event->globalPos());
    } else {
        FolderNode *node = FolderNode::From(currentItem());
        const QRect rect = node ? visualItemRect(node) & viewport()->rect() : QRect();
        ShowFolderMenu(node, viewport()->mapToGlobal(rect.isEmpty() ? QPoint(0, 0) : rect.bottomLeft()));
    }
    event->accept();
}

void FolderTreeView::ShowFolderMenu(FolderNode *node, const QPoint &globalPos)
{
    if (!node || node->Path().isEmpty())
        return;   // the virtual folders are no folders to leave out
    if (!m_folderMenu)
        MakeFolderMenu();
    m_menuNode = node;
    const bool excluded = IsExcluded(node);
    m_excludePathAction->setVisible(!excluded);
    m_excludeNameAction->setVisible(!excluded);
    m_excludeNameAction->setEnabled(!FolderName(node->Path()).isEmpty());
    m_includeAction->setVisible(excluded);
    // Not exec(): a running search goes on while the menu is open.
    m_folderMenu->popup(globalPos);
}
