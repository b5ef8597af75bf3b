#include "foldertree/foldertree.h"

#include "platform/listing.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QList>
#include <algorithm>

using foldertree::CompareFolderNames;
using foldertree::JoinPath;

// ---------------------------------------------------------------- FolderNode

FolderNode::FolderNode(const QString &displayName, const QString &path)
    : QTreeWidgetItem(NodeType), m_path(path)
{
    setText(0, displayName);
    // Children are unknown until the node expands; offer the arrow meanwhile.
    setChildIndicatorPolicy(ShowIndicator);
}

FolderNode *FolderNode::From(QTreeWidgetItem *item)
{
    if (item && item->type() == NodeType)
        return static_cast<FolderNode *>(item);
    return nullptr;
}

QString FolderNode::DisplayName() const
{
    return text(0);
}

void FolderNode::SetExpanded(bool expanded)
{
    // Children first: added while the node is still collapsed they cost the
    // view no relayout of the rows already shown.
    if (expanded)
        Populate();
    setExpanded(expanded);
}

bool FolderNode::Expanded() const
{
    return isExpanded();
}

FolderNode *FolderNode::FirstChild()
{
    return From(child(0));
}

FolderNode *FolderNode::NextSibling()
{
    QTreeWidgetItem *owner = parent();
    if (!owner) {
        QTreeWidget *tree = treeWidget();
        if (!tree)
            return nullptr;
        owner = tree->invisibleRootItem();
    }
    return From(owner->child(m_index + 1));
}

void FolderNode::Populate()
{
    if (m_populated)
        return;
    m_populated = true;
    if (auto *view = qobject_cast<FolderTreeView *>(treeWidget()))
        view->CreateChildren(this);
    // A folder found empty loses its arrow.  Changing the indicator policy
    // of an item in the view would make it lay out every row again at the
    // next paint, which a walk that yields per folder pays for each folder;
    // this flag costs the view one row.
    if (childCount() == 0)
        setFlags(flags() | Qt::ItemNeverHasChildren);
}

// ------------------------------------------------------------ FolderTreeView

FolderTreeView::FolderTreeView(QWidget *parent)
    : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAccessibleName(QStringLiteral("フォルダ ツリー"));

    const QFileIconProvider icons;
    m_folderIcon = icons.icon(QFileIconProvider::Folder);
    m_driveIcon = icons.icon(QFileIconProvider::Drive);
    m_computerIcon = icons.icon(QFileIconProvider::Computer);
    m_networkIcon = icons.icon(QFileIconProvider::Network);

    m_volumes = foldertree::ClassifyVolumes(platform::MountedFileSystems(), QDir::homePath());

    auto *computer = new FolderNode(MyComputerName(), QString());
    computer->setIcon(0, m_computerIcon);
    computer->m_index = 0;
    auto *network = new FolderNode(MyNetworkName(), QString());
    network->setIcon(0, m_networkIcon);
    network->m_index = 1;
    addTopLevelItems({computer, network});

    // A click on the arrow (or the keyboard) expands without SetExpanded.
    connect(this, &QTreeWidget::itemExpanded, this, [](QTreeWidgetItem *item) {
        if (FolderNode *node = FolderNode::From(item))
            node->Populate();
    });

    computer->SetExpanded(true);
}

QString FolderTreeView::MyComputerName()
{
    return QStringLiteral("マイ コンピュータ");
}

QString FolderTreeView::MyNetworkName()
{
    return QStringLiteral("マイ ネットワーク");
}

FolderNode *FolderTreeView::MyComputer() const
{
    return FolderNode::From(topLevelItem(0));
}

FolderNode *FolderTreeView::MyNetwork() const
{
    return FolderNode::From(topLevelItem(1));
}

FolderNode *FolderTreeView::SelectedFolder() const
{
    const QList<QTreeWidgetItem *> items = selectedItems();
    return items.isEmpty() ? nullptr : FolderNode::From(items.first());
}

void FolderTreeView::CreateChildren(FolderNode *node)
{
    if (node == MyComputer()) {
        CreateVolumeChildren(node, m_volumes.computer, m_driveIcon, true);
        return;
    }
    if (node == MyNetwork()) {
        // Not resolved: touching a dead server's mount point could hang.
        CreateVolumeChildren(node, m_volumes.network, m_networkIcon, false);
        return;
    }
    if (node->m_path.isEmpty() || node->m_loop)
        return;

    struct Entry {
        QString name;
        bool isLink;
        QString target;
    };
    std::vector<Entry> entries;
    // The platform's listing knows folders from files without asking about
    // every entry, and the search's listings of the same folder that follow
    // reuse what it read.
    std::vector<platform::FolderEntry> folders;
    platform::ListFolders(node->m_path, folders);
    entries.reserve(folders.size());
    for (platform::FolderEntry &f : folders) {
        QString target;
        if (f.isLink)
            target = QFileInfo(JoinPath(node->m_path, f.name)).canonicalFilePath();
        entries.push_back({std::move(f.name), f.isLink, std::move(target)});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &x, const Entry &y) {
        return CompareFolderNames(x.name, y.name) < 0;
    });

    QList<QTreeWidgetItem *> children;
    children.reserve(int(entries.size()));
    for (const Entry &e : entries) {
        if (FolderNode *child = MakeFolderChild(node, e.name, e.isLink, e.target,
                                                node->childCount() + children.size()))
            children << child;
    }
    // One insertion for all, so the view hears of them once.
    node->addChildren(children);
}

void FolderTreeView::CreateVolumeChildren(FolderNode *node, const QStringList &paths,
                                          const QIcon &icon, bool resolve)
{
    QList<QTreeWidgetItem *> children;
    for (const QString &path : paths) {
        const bool isHome = resolve && path == QDir::cleanPath(QDir::homePath()) &&
                            path != QLatin1String("/");
        auto *child = new FolderNode(path, path);
        child->setIcon(0, isHome ? m_folderIcon : icon);
        QString real = resolve ? QFileInfo(path).canonicalFilePath() : QString();
        child->m_realPath = real.isEmpty() ? path : real;
        child->m_index = node->childCount() + children.size();
        children << child;
    }
    node->addChildren(children);
}

// A child for the subfolder `name` of `parent`, or null when the folder is
// the mount point of a pseudo file system.  `linkTarget` is the resolved
// target when the entry is a link.
FolderNode *FolderTreeView::MakeFolderChild(FolderNode *parent, const QString &name,
                                            bool isLink, const QString &linkTarget,
                                            int index) const
{
    const QString path = JoinPath(parent->m_path, name);
    // A plain subfolder lies where its parent really lies; only links need
    // the file system to say where they lead.
    const QString real = isLink ? linkTarget : JoinPath(parent->m_realPath, name);
    if (real.isEmpty())
        return nullptr;   // a link that vanished or broke meanwhile
    if (m_volumes.hidden.contains(real) || m_volumes.hidden.contains(path))
        return nullptr;

    auto *child = new FolderNode(name, path);
    child->setIcon(0, m_folderIcon);
    child->m_realPath = real;
    child->m_index = index;
    for (QTreeWidgetItem *up = parent; up; up = up->parent()) {
        const FolderNode *ancestor = FolderNode::From(up);
        if (ancestor && ancestor->m_realPath == real) {
            // Leads back to where the walk already is: expanding it would
            // never end, so it stays a leaf.
            child->m_loop = true;
            child->m_populated = true;
            child->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
            child->setFlags(child->flags() | Qt::ItemNeverHasChildren);
            break;
        }
    }
    return child;
}

// Adds a subfolder that appeared after `parent` was listed.  It goes last,
// so the indexes of the nodes already there stay valid for a running walk.
FolderNode *FolderTreeView::AppendFolderChild(FolderNode *parent, const QString &name)
{
    if (parent->m_loop || parent->m_path.isEmpty())
        return nullptr;
    const QFileInfo info(JoinPath(parent->m_path, name));
    if (!info.isDir())
        return nullptr;
    const bool isLink = info.isSymLink();
    FolderNode *child = MakeFolderChild(parent, name, isLink,
                                        isLink ? info.canonicalFilePath() : QString(),
                                        parent->childCount());
    if (!child)
        return nullptr;
    if (parent->flags() & Qt::ItemNeverHasChildren)
        parent->setFlags(parent->flags() & ~Qt::ItemNeverHasChildren);
    parent->addChild(child);
    return child;
}

FolderNode *FolderTreeView::SelectPath(const QString &path)
{
    if (path.isEmpty())
        return nullptr;
    const QFileInfo info(path);
    if (!info.isDir())
        return nullptr;
    const QString target = QDir::cleanPath(info.absoluteFilePath());

    FolderNode *computer = MyComputer();
    if (!computer)
        return nullptr;
    computer->SetExpanded(true);
    FolderNode *node = nullptr;
    for (FolderNode *c = computer->FirstChild(); c; c = c->NextSibling()) {
        if (c->Path() == QLatin1String("/")) {
            node = c;
            break;
        }
    }
    if (!node)
        return nullptr;

    const QStringList parts = target.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        node->SetExpanded(true);
        FolderNode *next = nullptr;
        for (FolderNode *c = node->FirstChild(); c; c = c->NextSibling()) {
            if (c->DisplayName() == part) {
                next = c;
                break;
            }
        }
        if (!next)
            next = AppendFolderChild(node, part);
        if (!next)
            return nullptr;
        node = next;
    }

    setCurrentItem(node);
    node->setSelected(true);
    scrollToItem(node);
    return node;
}
