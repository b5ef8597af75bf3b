#pragma once
// The folder tree control: "マイ コンピュータ" with the root, the home
// folder and the mounted volumes, and "マイ ネットワーク" with mounted
// network file systems.  Children are created lazily, when a node expands.

#include "common/walkfolder.h"
#include "foldertree/volumes.h"
#include "platform/folderread.h"
#include "platform/folderstate.h"

#include <QHash>
#include <QIcon>
#include <QString>
#include <QTreeWidget>
#include <functional>
#include <vector>

class FolderTreeView;
class QAction;
class QMenu;

// One node of the tree.  Nodes live as long as the tree and are never
// removed, so a walk may hold on to them across yields while the user clicks
// around.  A node whose folder went away is hidden and skipped by
// FirstChild() and NextSibling() (and comes back if the folder does).
class FolderNode : public QTreeWidgetItem, public common::WalkFolder {
public:
    // Item type of every node, to tell them from foreign items.
    static constexpr int NodeType = QTreeWidgetItem::UserType + 70;

    // Absolute path without a trailing separator ("/" for the root); empty
    // for the virtual folders.
    QString Path() const override { return m_path; }
    // The node's text in the tree.
    QString DisplayName() const override;
    // Setting true creates the children and shows the node expanded; they
    // are read again when the folder changed since (one status check when
    // it did not), and "マイ コンピュータ" and "マイ ネットワーク" read the
    // mounted volumes again.  A folder found empty just loses its arrow
    // (Expanded() stays false).
    void ShowChildren(bool show);
    bool Expanded() const;
    FolderNode *FirstChild() override;
    FolderNode *NextSibling() override;

    // The walk's ShowChildren(true): the node judged and its children made
    // from `read`, the folder as the walk read it just now (null for a
    // node without a path).
    void Expand(const platform::FolderRead *read) override;
    int64_t Device() const override { return m_hasId ? int64_t(m_id.device) : -1; }

    // True when the folder lies on a pseudo file system (proc, sysfs, ...):
    // it is neither listed nor entered.
    bool IsPseudoFileSystem() const override { return m_state == State::Pseudo; }

    // The item as a node, or null for a foreign item.
    static FolderNode *From(QTreeWidgetItem *item);

    // A folder left out of the search is drawn greyed, its icon crossed out,
    // and described so to assistive technology.
    QVariant data(int column, int role) const override;

private:
    friend class FolderTreeView;
class QAction;
class QMenu;
    // What the folder is when last looked at; only an open one has children.
    enum class State { Open, Loop, Pseudo, NotFolder };

    FolderNode(const QString &displayName, const QString &path);
    void Populate(const platform::FolderRead *read);
    // Hides the node when its folder is no longer listed, shows it again
    // when it is.
    void SetGone(bool gone);
    // Looks at the folder as `read` shows it now: it may have become a
    // link, a file or nothing since the tree read it.
    void Judge(const platform::FolderRead &read);
    // Reads the folder now (null for a node without a path).
    platform::FolderReadPtr ReadNow() const;
    // Whether a folder seen as `now` leads back to one of its own folders
    // or to a node at or above `above` in the tree.
    bool LeadsBack(const platform::FolderState &now, const QTreeWidgetItem *above) const;
    void SetState(State state);

    QString m_path;
    platform::FolderId m_id;  // the folder when last looked at
    bool m_hasId = false;
    int m_index = 0;          // position under the parent
    bool m_populated = false;
    bool m_gone = false;      // no longer listed by the parent's folder
    bool m_expanding = false; // inside ShowChildren(), which reads the folder itself
    platform::FolderStamp m_seen;      // the folder's stamp at the last look
    bool m_seenSettled = false;
    platform::FolderStamp m_read;      // ... when its children were read
    bool m_readTrusted = false;        // that stamp tells every later change
    State m_state = State::Open;
};

class FolderTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit FolderTreeView(QWidget *parent = nullptr);

    // The selected node, or null.
    FolderNode *SelectedFolder() const;

    // Reveals and selects the node of an existing folder, expanding its
    // ancestors below "マイ コンピュータ" → "/".  Returns the node or null.
    FolderNode *SelectPath(const QString &path);

    FolderNode *MyComputer() const;
    FolderNode *MyNetwork() const;

    static QString MyComputerName();   // "マイ コンピュータ"
    static QString MyNetworkName();    // "マイ ネットワーク"

    // Folders left out of the search.  The tree keeps no list: it asks
    // `test` (a folder's path and own name) how to draw a folder, and its
    // folder menu ("検索から除外(&X)", "この名前のフォルダを常に除外(&N)",
    // "除外を解除(&R)") says what the user chose through the signals below.
    // Call update() on the viewport, or RefreshExclusions(), after a change.
    void SetExclusionTest(std::function<bool(const QString &path, const QString &name)> test);
    bool IsExcluded(const FolderNode *node) const;
    void RefreshExclusions();
    // The folder menu for `node` (right click, Shift+F10, the Menu key);
    // none for "マイ コンピュータ" and "マイ ネットワーク".
    void ShowFolderMenu(FolderNode *node, const QPoint &globalPos);
    // Null until first shown.
    QMenu *FolderMenu() const { return m_folderMenu; }
    // A folder's own name as exclusions by name take it; empty for "/".
    static QString FolderName(const QString &path);

signals:
    void ExcludePathRequested(const QString &path);
    void ExcludeNameRequested(const QString &name);
    // Both forms that leave the folder out are to be lifted.
    void IncludeRequested(const QString &path, const QString &name);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void updateGeometries() override;

private:
    friend class FolderNode;
    void CreateChildren(FolderNode *node, const platform::FolderRead *read);
    void RefreshChildren(FolderNode *node, const platform::FolderRead *read);
    // The volumes of "マイ コンピュータ" or "マイ ネットワーク" as `node`
    // is one of them.
    void VolumesFor(FolderNode *node, const QStringList **paths, const QIcon **icon, bool *resolve) const;
    FolderNode *MakeVolumeChild(const QString &path, const QIcon &icon, bool resolve) const;
    // Brings the children of `node` in line with `wanted` (paths in the
    // order shown): children no longer wanted are hidden, wanted ones come
    // back, and `make` creates the missing ones where the order puts them.
    void Reconcile(FolderNode *node, const QStringList &wanted,
                   const std::function<FolderNode *(const QString &path)> &make);
    void ReadVolumes();
    // A subfolder as its parent's read lists it: `target` is where a link
    // leads.
    FolderNode *MakeFolderChild(FolderNode *parent, const QString &name, bool link,
                                const platform::FolderId &target, int index) const;
    FolderNode *AppendFolderChild(FolderNode *parent, const QString &name);
    // The keyboard's ways to the folder menu (Shift+F10, the Menu key,
    // which some systems also send as a context menu event).
    void CreateFolderMenu();
    void MakeFolderMenu();
    // `icon` crossed out, made once per icon.
    QIcon ExcludedIcon(const QIcon &icon) const;

    foldertree::VolumeLists m_volumes;
    QIcon m_folderIcon;
    QIcon m_driveIcon;
    QIcon m_computerIcon;
    QIcon m_networkIcon;
    std::function<bool(const QString &path, const QString &name)> m_excluded;
    mutable QHash<qint64, QIcon> m_excludedIcons;
    QMenu *m_folderMenu = nullptr;
    // While a walk expands a folder, the scroll bars and header follow once
    // at the next turn of the event loop instead of once per folder.
    bool m_geometryDeferred = false;
    bool m_geometryPending = false;
    QAction *m_excludePathAction = nullptr;
    QAction *m_excludeNameAction = nullptr;
    QAction *m_includeAction = nullptr;
    FolderNode *m_menuNode = nullptr;
};
