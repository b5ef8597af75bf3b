#include "foldertree/foldertree.h"
#include "foldertree/volumes.h"
#include "platform/system.h"
#include "scopedtesthooks.h"
#include "tempdir.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QSignalSpy>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using testsupport::MakePath;
using testsupport::WriteFile;

namespace {

// Follows the sibling chain; the cap turns a cycle into a failure, not a hang.
QStringList ChildNames(FolderNode *node)
{
    QStringList names;
    for (FolderNode *c = node->FirstChild(); c && names.size() < 1000; c = c->NextSibling())
        names << c->DisplayName();
    return names;
}

FolderNode *ChildNamed(FolderNode *node, const QString &name)
{
    FolderNode *c = node->FirstChild();
    while (c && c->DisplayName() != name)
        c = c->NextSibling();
    return c;
}

// A search's walk: expand, then each child depth first, taking the next
// sibling before descending.  Paths are recorded relative to `base`.
void Walk(FolderNode *node, const QString &base, QStringList &visited)
{
    node->ShowChildren(true);
    for (FolderNode *c = node->FirstChild(); c && visited.size() < 1000;) {
        FolderNode *next = c->NextSibling();
        visited << c->Path().mid(base.size() + 1);
        Walk(c, base, visited);
        c = next;
    }
}

} // namespace

class TestFolderTree : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void topLevelNodes();
    void childrenSortedWithHiddenAndWithoutFiles();
    void childrenCreatedOnExpansion();
    void linkChildren_data();
    void linkChildren();
    void walkOverLinkLoopsEnds();
    void selectPathNested();
    void selectPathRefused_data();
    void selectPathRefused();
    void selectPathFindsFolderMadeLater();
    void childrenFollowTheDisk();
    void volumesReadAgainOnExpansion();
    void pseudoMountsNotOffered();
    void compareFolderNames_data();
    void compareFolderNames();
    void classifyVolumes();
    void folderMenuAndLeftOutFolders_data();
    void folderMenuAndLeftOutFolders();

private:
    QString P(const QString &rel) const { return m_root + QLatin1Char('/') + rel; }
    FolderNode *Select(const QString &rel) { return m_view->SelectPath(rel.isEmpty() ? m_root : P(rel)); }

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<FolderTreeView> m_view;
    QString m_root;
};

void TestFolderTree::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    m_root = QDir::cleanPath(m_tmp->path());
    m_view = std::make_unique<FolderTreeView>();
    m_view->show();
}

void TestFolderTree::cleanup()
{
    m_view.reset();
    m_tmp.reset();
}

void TestFolderTree::topLevelNodes()
{
    FolderNode *computer = m_view->MyComputer();
    FolderNode *network = m_view->MyNetwork();
    QCOMPARE(m_view->topLevelItemCount(), 2);
    QCOMPARE(computer->DisplayName(), QString::fromUtf8("マイ コンピュータ"));
    QCOMPARE(network->DisplayName(), QString::fromUtf8("マイ ネットワーク"));
    QVERIFY(computer->Path().isEmpty() && network->Path().isEmpty());
    QCOMPARE(computer->NextSibling(), network);
    QVERIFY(!network->NextSibling());
    QCOMPARE(m_view->accessibleName(), QString::fromUtf8("フォルダ ツリー"));

    // The walk requires the text to survive the expansion.
    network->ShowChildren(true);
    QCOMPARE(network->DisplayName(), QString::fromUtf8("マイ ネットワーク"));
    for (FolderNode *c = network->FirstChild(); c; c = c->NextSibling())
        QVERIFY2(c->Path().startsWith(QLatin1Char('/')), qPrintable(c->Path()));

    computer->ShowChildren(true);
    FolderNode *root = computer->FirstChild();
    QVERIFY(root);
    QCOMPARE(root->Path(), QStringLiteral("/"));
    QCOMPARE(root->DisplayName(), QStringLiteral("/"));
    QStringList paths;
    for (FolderNode *c = root; c; c = c->NextSibling()) {
        QVERIFY2(!paths.contains(c->Path()), qPrintable(c->Path()));
        QVERIFY2(QFileInfo(c->Path()).isDir(), qPrintable(c->Path()));
        QCOMPARE(c->DisplayName(), c->Path());
        paths << c->Path();
    }
    const QString home = QDir::cleanPath(QDir::homePath());
    if (home != QLatin1String("/") && QFileInfo(home).isDir())
        QCOMPARE(paths.value(1), home);

    // Children of "/" carry one separator only.
    root->ShowChildren(true);
    QVERIFY(root->FirstChild());
    QCOMPARE(root->FirstChild()->Path(), QLatin1Char('/') + root->FirstChild()->DisplayName());
}

void TestFolderTree::childrenSortedWithHiddenAndWithoutFiles()
{
    for (const char *name : {"b", "A", ".hidden", "a10", "a2", "C", "_x", "Ünter", "日本"})
        QVERIFY(MakePath(P(QString::fromUtf8(name))));
    QVERIFY(WriteFile(P("file.txt"), "x"));
    QVERIFY(WriteFile(P(".hiddenfile"), "x"));
    QVERIFY(QFile::link(P("file.txt"), P("filelink")));
    QVERIFY(QFile::link(P("gone"), P("broken")));
    QVERIFY(QFile::link(P("b"), P("dirlink")));

    FolderNode *node = Select("");
    QVERIFY(node);
    node->ShowChildren(true);
    QCOMPARE(ChildNames(node), QStringList({".hidden", "_x", "A", "a2", "a10", "b", "C", "dirlink",
                                            QString::fromUtf8("Ünter"), QString::fromUtf8("日本")}));
}

void TestFolderTree::childrenCreatedOnExpansion()
{
    QVERIFY(MakePath(P("one/deeper")));
    QVERIFY(MakePath(P("two")));
    FolderNode *node = Select("");
    QVERIFY(node);
    QCOMPARE(node->Path(), m_root);
    QCOMPARE(node->DisplayName(), QFileInfo(m_root).fileName());
    QVERIFY(!node->Expanded());
    QVERIFY(!node->FirstChild());
    QCOMPARE(node->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);

    node->ShowChildren(true);
    QVERIFY(node->Expanded());
    QCOMPARE(ChildNames(node), QStringList({"one", "two"}));
    FolderNode *one = node->FirstChild();
    QCOMPARE(one->Path(), P("one"));
    QCOMPARE(one->DisplayName(), one->text(0));
    QVERIFY(!one->FirstChild());   // grandchildren wait for their own expansion
    QVERIFY(!one->NextSibling()->NextSibling());

    // Collapsing and expanding again lists nothing twice.
    node->ShowChildren(false);
    QVERIFY(!node->Expanded());
    node->ShowChildren(true);
    QCOMPARE(node->childCount(), 2);

    // What a click on the arrow does.
    m_view->expandItem(one);
    QVERIFY(one->FirstChild());
    QCOMPARE(one->FirstChild()->Path(), P("one/deeper"));

    // A leaf loses its arrow once it is known to be empty; one with
    // children keeps it.
    FolderNode *two = one->NextSibling();
    QVERIFY(!(two->flags() & Qt::ItemNeverHasChildren));
    two->ShowChildren(true);
    QVERIFY(!two->FirstChild());
    QVERIFY(two->flags() & Qt::ItemNeverHasChildren);
    QVERIFY(!(one->flags() & Qt::ItemNeverHasChildren));
}

void TestFolderTree::linkChildren_data()
{
    // A link at <tmp>/top/mid/link; `target` relative to <tmp> unless the
    // link itself is relative.
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("relative");
    QTest::addColumn<bool>("hasChildren");
    QTest::newRow("own folder") << "top/mid" << false << false;
    QTest::newRow("own folder, relative") << "." << true << false;
    QTest::newRow("grandparent") << "top" << false << false;
    QTest::newRow("grandparent, relative") << ".." << true << false;
    QTest::newRow("temporary folder") << "" << false << false;
    QTest::newRow("file-system root") << "/" << true << false;
    QTest::newRow("sibling") << "top/mid/real" << false << true;
    QTest::newRow("sibling, relative") << "real" << true << true;
    QTest::newRow("another branch") << "other" << false << true;
}

void TestFolderTree::linkChildren()
{
    QFETCH(QString, target);
    QFETCH(bool, relative);
    QFETCH(bool, hasChildren);
    QVERIFY(MakePath(P("top/mid/real/leaf")));
    QVERIFY(MakePath(P("other/leaf")));
    const QString to = relative ? target : target.isEmpty() ? m_root : P(target);
    QVERIFY(QFile::link(to, P("top/mid/link")));

    FolderNode *mid = Select("top/mid");
    QVERIFY(mid);
    mid->ShowChildren(true);
    FolderNode *link = ChildNamed(mid, "link");
    QVERIFY(link);
    QCOMPARE(link->Path(), P("top/mid/link"));
    link->ShowChildren(true);
    QCOMPARE(link->FirstChild() != nullptr, hasChildren);
    QCOMPARE(link->DisplayName(), QStringLiteral("link"));
}

void TestFolderTree::walkOverLinkLoopsEnds()
{
    QVERIFY(MakePath(P("dir/sub")));
    QVERIFY(MakePath(P("other/leaf")));
    QVERIFY(QFile::link(P("dir"), P("dir/self")));
    QVERIFY(QFile::link(m_root, P("dir/sub/up")));
    QVERIFY(QFile::link("/", P("dir/sub/root")));
    QVERIFY(QFile::link(P("other"), P("dir/side")));
    QVERIFY(QFile::link(P("dir"), P("other/back")));   // the two branches point at each other

    FolderNode *node = Select("");
    QVERIFY(node);
    QStringList visited;
    Walk(node, m_root, visited);
    QCOMPARE(visited, QStringList({
        "dir", "dir/self", "dir/side", "dir/side/back", "dir/side/leaf",
        "dir/sub", "dir/sub/root", "dir/sub/up",
        "other", "other/back", "other/back/self", "other/back/side",
        "other/back/sub", "other/back/sub/root", "other/back/sub/up", "other/leaf",
    }));
}

void TestFolderTree::selectPathNested()
{
    QVERIFY(MakePath(P("a/b/c")));
    FolderNode *node = m_view->SelectPath(P("a/b/c/"));
    QVERIFY(node);
    QCOMPARE(node->Path(), P("a/b/c"));
    QVERIFY(node->isSelected());
    QCOMPARE(m_view->currentItem(), node);
    QCOMPARE(m_view->SelectedFolder(), node);
    // Expanded ancestors lead up to "/" under "マイ コンピュータ".
    QTreeWidgetItem *up = node->parent();
    for (; up->parent() != m_view->MyComputer(); up = up->parent())
        QVERIFY2(up->isExpanded(), qPrintable(up->text(0)));
    QCOMPARE(up->text(0), QStringLiteral("/"));

    // One selection only.
    FolderNode *other = Select("a");
    QVERIFY(other);
    QVERIFY(!node->isSelected());
    QCOMPARE(m_view->selectedItems().size(), 1);
    QCOMPARE(m_view->SelectedFolder(), other);
}

void TestFolderTree::selectPathRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing folder") << "missing";
    QTest::newRow("missing below a folder") << "a/missing/deeper";
    QTest::newRow("a file") << "a/file.txt";
    QTest::newRow("a link to a file") << "filelink";
    QTest::newRow("empty") << "<empty>";
}

void TestFolderTree::selectPathRefused()
{
    QFETCH(QString, path);
    QVERIFY(WriteFile(P("a/file.txt"), "x"));
    QVERIFY(QFile::link(P("a/file.txt"), P("filelink")));
    QVERIFY(!m_view->SelectPath(path == "<empty>" ? QString() : P(path)));
    QVERIFY(!m_view->SelectedFolder());
}

void TestFolderTree::selectPathFindsFolderMadeLater()
{
    QVERIFY(MakePath(P("b")));
    FolderNode *node = Select("");
    QVERIFY(node);
    node->ShowChildren(true);
    FolderNode *b = node->FirstChild();
    b->ShowChildren(true);   // found empty

    // Appended after the nodes already there, whose chain stays whole.
    QVERIFY(MakePath(P("a/new")));
    FolderNode *added = Select("a/new");
    QVERIFY(added);
    QCOMPARE(added->Path(), P("a/new"));
    // The changed folder is read again: the new one takes its place in the
    // order, the one already there stays the same node.
    QCOMPARE(ChildNames(node), QStringList({"a", "b"}));
    QCOMPARE(node->FirstChild()->NextSibling(), b);

    QVERIFY(MakePath(P("b/late")));
    FolderNode *late = Select("b/late");
    QVERIFY(late);
    QCOMPARE(b->FirstChild(), late);
    QVERIFY(b->Expanded());
}

// Expanding a node reads its folder again when it changed: new folders
// appear in their place, vanished ones are skipped, and the nodes that stay
// keep their identity, expansion and selection.
void TestFolderTree::childrenFollowTheDisk()
{
    QVERIFY(MakePath(P("keep/inner")));
    QVERIFY(MakePath(P("gone")));
    FolderNode *node = Select("");
    QVERIFY(node);
    node->ShowChildren(true);
    FolderNode *keep = ChildNamed(node, QStringLiteral("keep"));
    QVERIFY(keep);
    keep->ShowChildren(true);
    m_view->setCurrentItem(keep);
    QCOMPARE(ChildNames(node), QStringList({"gone", "keep"}));

    QVERIFY(QDir(P("gone")).removeRecursively());
    QVERIFY(MakePath(P("added/sub")));
    QStringList visited;
    Walk(node, m_root, visited);
    QCOMPARE(visited, QStringList({"added", "added/sub", "keep", "keep/inner"}));
    QCOMPARE(ChildNamed(node, QStringLiteral("keep")), keep);
    QVERIFY(keep->Expanded());
    QCOMPARE(m_view->SelectedFolder(), keep);

    // The user's arrow reads it again too; a folder that comes back is the
    // node it was.
    FolderNode *added = ChildNamed(node, QStringLiteral("added"));
    node->ShowChildren(false);
    QVERIFY(QDir(P("added")).removeRecursively());
    QVERIFY(MakePath(P("later")));
    m_view->expandItem(node);
    QCOMPARE(ChildNames(node), QStringList({"keep", "later"}));
    QVERIFY(MakePath(P("added")));
    node->ShowChildren(true);
    QCOMPARE(ChildNames(node), QStringList({"added", "keep", "later"}));
    QCOMPARE(node->FirstChild(), added);
    QVERIFY(!added->isHidden());
}

namespace {
std::vector<platform::MountPoint> g_mounts;
std::vector<platform::MountPoint> FakeMounts()
{
    return g_mounts;
}
} // namespace

// Volumes mounted or unmounted after start show when "マイ コンピュータ" or
// "マイ ネットワーク" expands again.
void TestFolderTree::volumesReadAgainOnExpansion()
{
    QVERIFY(MakePath(P("usb")));
    QVERIFY(MakePath(P("share")));
    g_mounts = {{QStringLiteral("/"), QStringLiteral("ext4"), 1}};
    const ScopedTestHooks hooks([](platform::TestHooks &h) { h.mountSource = &FakeMounts; });
    FolderTreeView view;
    FolderNode *computer = view.MyComputer();
    FolderNode *network = view.MyNetwork();
    FolderNode *root = computer->FirstChild();
    QVERIFY(root);
    network->ShowChildren(true);
    QVERIFY(!network->FirstChild());

    g_mounts.push_back({P("usb"), QStringLiteral("vfat"), 2});
    g_mounts.push_back({P("share"), QStringLiteral("nfs4"), 3});
    computer->ShowChildren(true);
    network->ShowChildren(true);
    QVERIFY(ChildNames(computer).contains(P("usb")));
    QCOMPARE(computer->FirstChild(), root);
    QCOMPARE(ChildNames(network), QStringList{P("share")});

    g_mounts.resize(1);
    view.collapseItem(computer);
    view.expandItem(computer);
    network->ShowChildren(true);
    QVERIFY(!ChildNames(computer).contains(P("usb")));
    QVERIFY(!network->FirstChild());
}

void TestFolderTree::pseudoMountsNotOffered()
{
    // Needs a pseudo file system mounted straight under "/" (normally /proc).
    QString pseudo;
    for (const platform::MountPoint &m : platform::MountedFileSystems()) {
        const QString path = QDir::cleanPath(m.path);
        if (platform::IsPseudoFileSystem(m.fsType) && path.lastIndexOf('/') == 0 && path.size() > 1)
            pseudo = path;
    }
    if (pseudo.isEmpty())
        QSKIP("no pseudo file system is mounted directly under /");

    FolderNode *root = m_view->MyComputer()->FirstChild();
    root->ShowChildren(true);
    QVERIFY(!ChildNamed(root, pseudo.mid(1)));
    QVERIFY(!m_view->SelectPath(pseudo));

    // Nor through a link to it.
    QVERIFY(QFile::link(pseudo, P("pseudolink")));
    QVERIFY(MakePath(P("plain")));
    FolderNode *node = Select("");
    QVERIFY(node);
    node->ShowChildren(true);
    QCOMPARE(ChildNames(node), QStringList({"plain"}));
}

void TestFolderTree::compareFolderNames_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("expected");
    QTest::newRow("equal") << "abc" << "abc" << 0;
    QTest::newRow("case ignored") << "abc" << "ABD" << -1;
    QTest::newRow("upper before later lower") << "Zeta" << "alpha" << 1;
    QTest::newRow("prefix first") << "ab" << "abc" << -1;
    QTest::newRow("numbers by value") << "file2" << "file10" << -1;
    QTest::newRow("numbers beyond 64 bits") << "v99999999999999999999" << "v100000000000000000000" << -1;
    QTest::newRow("leading zeros") << "file010" << "file9" << 1;
    QTest::newRow("digits then text") << "a1b" << "a1c" << -1;
    QTest::newRow("non-ascii letters fold") << QString::fromUtf8("Ärger") << QString::fromUtf8("äsen") << -1;
    // Names that differ only in case or zeros still get one fixed order.
    QTest::newRow("only case differs") << "abc" << "ABC" << 1;
    QTest::newRow("only zeros differ") << "x01" << "x1" << -1;
}

void TestFolderTree::compareFolderNames()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, expected);
    const auto sign = [](int v) { return (v > 0) - (v < 0); };
    QCOMPARE(sign(foldertree::CompareFolderNames(a, b)), expected);
    QCOMPARE(sign(foldertree::CompareFolderNames(b, a)), -expected);
}

void TestFolderTree::classifyVolumes()
{
    for (const char *d : {"home", "data", "usb", "proc/fs/nfsd", "sys/fs/cgroup", "process",
                          "nfs", "over", "twice"})
        QVERIFY(MakePath(P(d)));
    QVERIFY(WriteFile(P("hosts"), "x"));
    QVERIFY(QFile::link(P("data"), P("datalink")));

    const std::vector<platform::MountPoint> mounts = {
        {"/", "ext4"},
        {P("usb"), "vfat"},
        {P("data/"), "ext4"},
        {P("proc"), "proc"},
        {P("proc/fs/nfsd"), "nfsd"},        // inside a pseudo file system
        {P("sys"), "sysfs"},
        {P("sys/fs/cgroup"), "tmpfs"},
        {P("process"), "ext4"},             // only shares a prefix with proc
        {P("nfs"), "nfs4"},
        {P("share"), "cifs"},
        {P("hosts"), "ext4"},               // a bind-mounted file
        {P("over"), "proc"},                // hidden by the next one
        {P("over"), "ext4"},
        {P("twice"), "ext4"},
        {P("twice"), "ext4"},
        {P("datalink"), "ext4"},            // the same place as data
        {P("home"), "ext4"},                // the same as the home folder
        {"relative", "ext4"},
    };
    const foldertree::VolumeLists lists = foldertree::ClassifyVolumes(mounts, P("home/"));
    QCOMPARE(lists.computer,
             QStringList({"/", P("home"), P("data"), P("over"), P("process"), P("twice"), P("usb")}));
    QCOMPARE(lists.network, QStringList({P("nfs"), P("share")}));
    QCOMPARE(lists.hidden, QSet<QString>({P("proc"), P("sys")}));

    // A home at "/" or missing adds nothing.
    QCOMPARE(foldertree::ClassifyVolumes({}, "/").computer, QStringList({"/"}));
    QCOMPARE(foldertree::ClassifyVolumes({}, P("nohome")).computer, QStringList({"/"}));
}


// The folder menu by each way in, for a folder kept in and one left out,
// what each choice asks for, and how a left-out folder is drawn.
void TestFolderTree::folderMenuAndLeftOutFolders_data()
{
    QTest::addColumn<QString>("how");         // mouse, Shift+F10, Menu
    QTest::addColumn<QString>("leftOut");     // "", "path", "name"
    QTest::addColumn<QString>("choose");      // the action triggered
    QTest::addColumn<QStringList>("asked");   // signal: arguments
    QTest::newRow("right click, by path") << "mouse" << "" << "excludePathAction"
                                          << QStringList{"path", "a/node_modules"};
    QTest::newRow("Shift+F10, by name") << "Shift+F10" << "" << "excludeNameAction"
                                        << QStringList{"name", "node_modules"};
    QTest::newRow("Menu key, lifted (left out by path)") << "Menu" << "path" << "includeAction"
                                                         << QStringList{"include", "a/node_modules", "node_modules"};
    QTest::newRow("right click, lifted (left out by name)") << "mouse" << "name" << "includeAction"
                                                            << QStringList{"include", "a/node_modules", "node_modules"};
}

void TestFolderTree::folderMenuAndLeftOutFolders()
{
    QFETCH(QString, how);
    QFETCH(QString, leftOut);
    QFETCH(QString, choose);
    QFETCH(QStringList, asked);
    QVERIFY(MakePath(P("a/node_modules")));
    QVERIFY(MakePath(P("a/kept")));
    FolderNode *node = Select("a/node_modules");
    QVERIFY(node);
    FolderNode *kept = ChildNamed(static_cast<FolderNode *>(node->parent()), "kept");
    QVERIFY(kept);
    m_view->SetExclusionTest([leftOut, left = P("a/node_modules")](const QString &path, const QString &name) {
        return (leftOut == "path" && path == left) || (leftOut == "name" && name == "node_modules");
    });
    QVERIFY(QTest::qWaitForWindowActive(m_view.get()));

    QStringList got;
    connect(m_view.get(), &FolderTreeView::ExcludePathRequested, this, [&](const QString &path) {
        got = QStringList{"path", path.mid(m_root.size() + 1)};
    });
    connect(m_view.get(), &FolderTreeView::ExcludeNameRequested, this,
            [&](const QString &name) { got = QStringList{"name", name}; });
    connect(m_view.get(), &FolderTreeView::IncludeRequested, this, [&](const QString &path, const QString &name) {
        got = QStringList{"include", path.mid(m_root.size() + 1), name};
    });

    const QRect row = m_view->visualItemRect(node);
    if (how == "mouse") {
        QContextMenuEvent event(QContextMenuEvent::Mouse, row.center(), m_view->viewport()->mapToGlobal(row.center()));
        QApplication::sendEvent(m_view->viewport(), &event);
    } else {
        m_view->setFocus();
        QTest::keyClick(m_view.get(), how == "Menu" ? Qt::Key_Menu : Qt::Key_F10,
                        how == "Menu" ? Qt::NoModifier : Qt::ShiftModifier);
    }
    QMenu *menu = m_view->FolderMenu();
    QVERIFY(menu->isVisible());
    QStringList offered;
    for (QAction *action : menu->actions()) {
        if (action->isVisible())
            offered << action->text();
    }
    const QStringList keptIn{"検索から除外(&X)", "この名前のフォルダを常に除外(&N)"};
    QCOMPARE(offered, leftOut.isEmpty() ? keptIn : QStringList{"除外を解除(&R)"});
    menu->findChild<QAction *>(choose)->trigger();
    menu->hide();
    QCOMPARE(got, asked);

    // Greyed, its icon crossed out and described so; its neighbour not.
    const bool out = !leftOut.isEmpty();
    const QColor grey = m_view->palette().color(QPalette::Disabled, QPalette::Text);
    QCOMPARE(node->data(0, Qt::ForegroundRole).value<QBrush>().color() == grey, out);
    QCOMPARE(node->data(0, Qt::AccessibleDescriptionRole).toString(), out ? QStringLiteral("検索から除外") : QString());
    QCOMPARE(node->data(0, Qt::DecorationRole).value<QIcon>().cacheKey()
                 != node->QTreeWidgetItem::data(0, Qt::DecorationRole).value<QIcon>().cacheKey(), out);
    QVERIFY(!kept->data(0, Qt::ForegroundRole).isValid());
    QCOMPARE(node->DisplayName(), QStringLiteral("node_modules"));

    // No menu for the virtual folders.
    m_view->ShowFolderMenu(m_view->MyComputer(), QPoint());
    QVERIFY(!menu->isVisible());
}

QTEST_MAIN(TestFolderTree)
#include "tst_foldertree.moc"
