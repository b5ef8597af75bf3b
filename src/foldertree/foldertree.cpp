#include "foldertree/foldertree.h"

#include "platform/fileaccess.h"
#include "platform/nativepath.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QList>
#include <algorithm>

using foldertree::CompareFolderNames;
using platform::JoinPath;

namespace {

// The subfolders a read lists, in the order the tree shows them.
std::vector<const platform::FolderRead::Entry *> SortedFolders(const platform::FolderRead &read)
{
    struct Folder {
        const platform::FolderRead::Entry *entry;
        QString name;
    };
    std::vector<Folder> folders;
    for (const platform::FolderRead::Entry &e : read.entries) {
        if (e.kind == platform::FolderRead::Kind::Directory)
            folders.push_back(Folder{&e, read.NameString(e)});
    }
    std::sort(folders.begin(), folders.end(),
              [](const Folder &x, const Folder &y) { return CompareFolderNames(x.name, y.name) < 0; });
    std::vector<const platform::FolderRead::Entry *> out;
    out.reserve(folders.size());
    for (const Folder &f : folders)
        out.push_back(f.entry);
    return out;
}

} // namespace

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

void FolderNode::ShowChildren(bool show)
{
    // Children first: added while the node is still collapsed they cost the
    // view no relayout of the rows already shown.
    if (show) {
        const platform::FolderReadPtr read = ReadNow();
        if (read)
            Judge(*read);
        Populate(read.get());
    }
    m_expanding = true;
    setExpanded(show);
    m_expanding = false;
}

void FolderNode::Expand(const platform::FolderRead *read)
{
    if (read)
        Judge(*read);
    Populate(read);
    auto *tree = qobject_cast<FolderTreeView *>(treeWidget());
    if (tree)
        tree->m_geometryDeferred = true;
    m_expanding = true;
    setExpanded(true);
    m_expanding = false;
    if (tree)
        tree->m_geometryDeferred = false;
}

platform::FolderReadPtr FolderNode::ReadNow() const
{
    if (m_path.isEmpty())
        return nullptr;
    const FolderNode *owner = From(parent());
    return platform::ReadFolderNow(m_path, owner ? owner->Device() : -1);
}

bool FolderNode::Expanded() const
{
    return isExpanded();
}

FolderNode *FolderNode::FirstChild()
{
    // Children read before the folder turned into a loop or went away lead
    // somewhere else now.
    if (m_state != State::Open)
        return nullptr;
    for (int i = 0; i < childCount(); ++i) {
        FolderNode *node = From(child(i));
        if (node && !node->m_gone)
            return node;
    }
    return nullptr;
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
    for (int i = m_index + 1; i < owner->childCount(); ++i) {
        FolderNode *node = From(owner->child(i));
        if (node && !node->m_gone)
            return node;
    }
    return nullptr;
}

void FolderNode::Populate(const platform::FolderRead *read)
{
    if (m_state != State::Open)
        return;
    auto *tree = qobject_cast<FolderTreeView *>(treeWidget());
    if (m_populated) {
        // The volumes are read at every expansion; a folder only when its
        // stamp says its entries changed since they were read.
        const bool volumes = m_path.isEmpty() && !parent();
        if (tree && (volumes || !m_readTrusted || m_seen != m_read)) {
            m_read = m_seen;
            m_readTrusted = m_seenSettled;
            tree->RefreshChildren(this, read);
        }
        return;
    }
    m_populated = true;
    m_read = m_seen;
    m_readTrusted = m_seenSettled;
    if (tree)
        tree->CreateChildren(this, read);
    // A folder found empty loses its arrow.  Changing the indicator policy
    // of an item in the view would make it lay out every row again at the
    // next paint, which a walk that yields per folder pays for each folder;
    // this flag costs the view one row.
    if (childCount() == 0)
        setFlags(flags() | Qt::ItemNeverHasChildren);
}

void FolderNode::Judge(const platform::FolderRead &read)
{
    if (m_path.isEmpty())
        return;
    platform::FolderState now;
    now.folder = read.folder;
    now.link = read.link;
    now.id = read.id;
    now.stamp = read.stamp;
    now.settled = read.settled;
    State state = State::Open;
    if (!now.folder)
        state = State::NotFolder;
    else if (platform::ReadOnPseudoFileSystem(read))
        state = State::Pseudo;
    else if (LeadsBack(now, parent()))
        state = State::Loop;
    if (now.folder) {
        m_id = now.id;
        m_hasId = true;
        m_seen = now.stamp;
        m_seenSettled = now.settled;
    } else {
        m_seenSettled = false;
    }
    SetState(state);
}

bool FolderNode::LeadsBack(const platform::FolderState &now, const QTreeWidgetItem *above) const
{
    // Judged by device and inode: whatever the tree shows and whatever
    // path the walk came by.
    for (; above; above = above->parent()) {
        if (above->type() != NodeType)
            continue;
        const auto *node = static_cast<const FolderNode *>(above);
        if (node->m_hasId && node->m_id == now.id)
            return true;
    }
    if (!now.link)
        return false;
    // A link to "/" or to any folder that holds it sits under the home node
    // or a volume as much as under "/".
    const qsizetype cut = m_path.lastIndexOf(QLatin1Char('/'));
    if (cut < 0)
        return false;
    const QString folder = cut == 0 ? QStringLiteral("/") : m_path.left(cut);
    return platform::IsFolderOrContainer(now.id, folder);
}

void FolderNode::SetState(State state)
{
    const bool wasOpen = m_state == State::Open;
    m_state = state;
    const bool open = state == State::Open;
    if (open == wasOpen)
        return;
    for (int i = 0; i < childCount(); ++i) {
        const FolderNode *node = From(child(i));
        child(i)->setHidden(!open || (node && node->m_gone));
    }
    if (open) {
        setChildIndicatorPolicy(ShowIndicator);
        if (childCount() > 0 || !m_populated)
            setFlags(flags() & ~Qt::ItemNeverHasChildren);
    } else {
        setChildIndicatorPolicy(DontShowIndicatorWhenChildless);
        setFlags(flags() | Qt::ItemNeverHasChildren);
    }
}

void FolderNode::SetGone(bool gone)
{
    if (gone == m_gone)
        return;
    m_gone = gone;
    const FolderNode *owner = From(parent());
    setHidden(gone || (owner && owner->m_state != State::Open));
}

// ------------------------------------------------------------ FolderTreeView

void FolderTreeView::ReadVolumes()
{
    m_volumes = foldertree::ClassifyVolumes(platform::MountedFileSystems(), QDir::homePath());
}

FolderTreeView::FolderTreeView(QWidget *parent)
    : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAccessibleName(QStringLiteral("フォルダ ツリー"));
    CreateFolderMenu();

    const QFileIconProvider icons;
    m_folderIcon = icons.icon(QFileIconProvider::Folder);
    m_driveIcon = icons.icon(QFileIconProvider::Drive);
    m_computerIcon = icons.icon(QFileIconProvider::Computer);
    m_networkIcon = icons.icon(QFileIconProvider::Network);

    ReadVolumes();

    auto *computer = new FolderNode(MyComputerName(), QString());
    computer->setIcon(0, m_computerIcon);
    computer->m_index = 0;
    auto *network = new FolderNode(MyNetworkName(), QString());
    network->setIcon(0, m_networkIcon);
    network->m_index = 1;
    addTopLevelItems({computer, network});

    // A click on the arrow (or the keyboard) expands without ShowChildren.
    connect(this, &QTreeWidget::itemExpanded, this, [](QTreeWidgetItem *item) {
        FolderNode *node = FolderNode::From(item);
        if (node && !node->m_expanding) {
            const platform::FolderReadPtr read = node->ReadNow();
            if (read)
                node->Judge(*read);
            node->Populate(read.get());
        }
    });

    computer->ShowChildren(true);
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

void FolderTreeView::VolumesFor(FolderNode *node, const QStringList **paths, const QIcon **icon,
                                bool *resolve) const
{
    *paths = nullptr;
    if (node == MyComputer()) {
        *paths = &m_volumes.computer;
        *icon = &m_driveIcon;
        *resolve = true;
    } else if (node == MyNetwork()) {
        // Not resolved: touching a dead server's mount point could hang.
        *paths = &m_volumes.network;
        *icon = &m_networkIcon;
        *resolve = false;
    }
}

void FolderTreeView::updateGeometries()
{
    if (!m_geometryDeferred) {
        QTreeWidget::updateGeometries();
        return;
    }
    if (m_geometryPending)
        return;
    m_geometryPending = true;
    QMetaObject::invokeMethod(this, [this] {
        m_geometryPending = false;
        QTreeWidget::updateGeometries();
    }, Qt::QueuedConnection);
}

void FolderTreeView::CreateChildren(FolderNode *node, const platform::FolderRead *read)
{
    const QStringList *paths = nullptr;
    const QIcon *icon = nullptr;
    bool resolve = false;
    VolumesFor(node, &paths, &icon, &resolve);
    if (paths) {
        QList<QTreeWidgetItem *> children;
        for (const QString &path : *paths) {
            FolderNode *child = MakeVolumeChild(path, *icon, resolve);
            child->m_index = node->childCount() + children.size();
            children << child;
        }
        node->addChildren(children);
        return;
    }
    if (node->m_path.isEmpty() || node->m_state != FolderNode::State::Open || !read)
        return;

    const std::vector<const platform::FolderRead::Entry *> folders = SortedFolders(*read);
    QList<QTreeWidgetItem *> children;
    children.reserve(int(folders.size()));
    for (const platform::FolderRead::Entry *f : folders) {
        if (FolderNode *child = MakeFolderChild(node, read->NameString(*f), f->link, f->target,
                                                node->childCount() + children.size()))
            children << child;
    }
    // One insertion for all, so the view hears of them once.
    node->addChildren(children);
}

FolderNode *FolderTreeView::MakeVolumeChild(const QString &path, const QIcon &icon, bool resolve) const
{
    const bool isHome = resolve && path == QDir::cleanPath(QDir::homePath()) && path != QLatin1String("/");
    auto *child = new FolderNode(path, path);
    child->setIcon(0, isHome ? m_folderIcon : icon);
    if (resolve) {
        const platform::FolderState now = platform::InspectFolder(path);
        child->m_id = now.id;
        child->m_hasId = now.folder;
    }
    return child;
}

void FolderTreeView::RefreshChildren(FolderNode *node, const platform::FolderRead *read)
{
    const QStringList *paths = nullptr;
    const QIcon *icon = nullptr;
    bool resolve = false;
    if (node == MyComputer() || node == MyNetwork()) {
        ReadVolumes();
        VolumesFor(node, &paths, &icon, &resolve);
        Reconcile(node, *paths, [&](const QString &path) { return MakeVolumeChild(path, *icon, resolve); });
        return;
    }
    if (node->m_path.isEmpty() || !read)
        return;
    const std::vector<const platform::FolderRead::Entry *> folders = SortedFolders(*read);
    // Keyed by path: a shown name may stand for several undecodable ones.
    QStringList listed;
    QHash<QString, const platform::FolderRead::Entry *> entries;
    for (const platform::FolderRead::Entry *f : folders) {
        const QString path = JoinPath(node->m_path, read->NameString(*f));
        listed << path;
        entries.insert(path, f);
    }
    Reconcile(node, listed, [&](const QString &path) {
        const platform::FolderRead::Entry *f = entries.value(path);
        return f ? MakeFolderChild(node, read->NameString(*f), f->link, f->target, 0) : nullptr;
    });
}

void FolderTreeView::Reconcile(FolderNode *node, const QStringList &wanted,
                               const std::function<FolderNode *(const QString &path)> &make)
{
    auto keyOf = [](const FolderNode *child) { return child->m_path; };
    QHash<QString, FolderNode *> existing;
    for (int i = 0; i < node->childCount(); ++i)
        if (FolderNode *child = FolderNode::From(node->child(i)))
            existing.insert(keyOf(child), child);
    const QSet<QString> wantedSet(wanted.cbegin(), wanted.cend());
    for (FolderNode *child : std::as_const(existing))
        child->SetGone(!wantedSet.contains(keyOf(child)));

    // New ones go after the wanted one before them, so that what is shown
    // keeps the listing's order; nothing already there moves.
    FolderNode *previous = nullptr;
    for (const QString &key : wanted) {
        if (FolderNode *child = existing.value(key)) {
            previous = child;
            continue;
        }
        FolderNode *child = make(key);
        if (!child)
            continue;
        node->insertChild(previous ? node->indexOfChild(previous) + 1 : 0, child);
        if (node->m_state != FolderNode::State::Open)
            child->setHidden(true);
        existing.insert(key, child);
        previous = child;
    }
    bool any = false;
    for (int i = 0; i < node->childCount(); ++i) {
        if (FolderNode *child = FolderNode::From(node->child(i))) {
            child->m_index = i;
            any = any || !child->m_gone;
        }
    }
    // A folder that gained or lost its last subfolder gets or loses its arrow.
    if (any && (node->flags() & Qt::ItemNeverHasChildren))
        node->setFlags(node->flags() & ~Qt::ItemNeverHasChildren);
    else if (!any && !(node->flags() & Qt::ItemNeverHasChildren))
        node->setFlags(node->flags() | Qt::ItemNeverHasChildren);
}

// A child for the subfolder `name` of `parent`, or null when it lies on a
// pseudo file system or is a link that leads to no folder (any more).  A
// folder the listing found but no path reaches (its name is not valid in
// the system's encoding) is still shown; the walk reports it unreachable.
FolderNode *FolderTreeView::MakeFolderChild(FolderNode *parent, const QString &name, bool link,
                                            const platform::FolderId &target, int index) const
{
    const QString path = JoinPath(parent->m_path, name);
    if (m_volumes.hidden.contains(path))
        return nullptr;
    // A plain subfolder shares its parent's file system unless something is
    // mounted on it (the mount table's pseudo file systems are hidden above,
    // any other is judged when the folder is opened); only a link to
    // another device can lead onto one.
    if (link && (!parent->m_hasId || target.device != parent->m_id.device) && platform::OnPseudoFileSystem(path))
        return nullptr;

    auto *child = new FolderNode(platform::ShownText(name), path);
    child->setIcon(0, m_folderIcon);
    child->m_index = index;
    if (link) {
        child->m_id = target;
        child->m_hasId = true;
        // Leads back to where the walk already is: expanding it would never
        // end, so it stays a leaf.
        platform::FolderState now;
        now.folder = true;
        now.link = true;
        now.id = target;
        if (child->LeadsBack(now, parent))
            child->SetState(FolderNode::State::Loop);
    }
    return child;
}

// Adds a subfolder that appeared after `parent` was listed.  It goes last,
// so the indexes of the nodes already there stay valid for a running walk.
FolderNode *FolderTreeView::AppendFolderChild(FolderNode *parent, const QString &name)
{
    if (parent->m_state != FolderNode::State::Open || parent->m_path.isEmpty())
        return nullptr;
    const platform::FolderState now = platform::InspectFolder(JoinPath(parent->m_path, name));
    if (!now.folder)
        return nullptr;
    FolderNode *child = MakeFolderChild(parent, name, now.link, now.id, parent->childCount());
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
    computer->ShowChildren(true);
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
        node->ShowChildren(true);
        FolderNode *next = nullptr;
        for (FolderNode *c = node->FirstChild(); c; c = c->NextSibling()) {
            if (c->Path() == JoinPath(node->Path(), part)) {
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
