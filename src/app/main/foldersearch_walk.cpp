// The tree walk: depth first from the start node, with the access test and
// the network attempt before each folder.
#include "app/main/foldersearch.h"

#include "common/resultline.h"
#include "foldertree/foldertree.h"
#include "platform/fileaccess.h"

void FolderSearch::VisitNode(FolderNode *node, bool copy)
{
    if (!node)
        return;
    const QString path = node->Path();
    if (copy && IsExcludedCopyDestination(path))
        return;
    if (!path.isEmpty() && !NodeAccessible(node)) {
        if (!ConnectToShare(path)) {
            m_channel.AppendLine(common::AccessDeniedLine(path));
            return;
        }
        m_channel.AppendLine(common::AccessGrantedLine(path));
    }
    m_channel.SetStatus(QStringLiteral("展開中 in ") + node->DisplayName());

    const QString name = node->DisplayName();
    node->ShowChildren(true);
    const QString after = node->DisplayName();
    if (after.isEmpty() || after != name)
        return;
    if (node->IsPseudoFileSystem())
        return;   // the system's own plumbing: not even listed

    if (!path.isEmpty()) {
        if (copy)
            CopyHits(path);
        else
            ListHits(path);
    }
    if (!path.isEmpty() && !m_options.fullExpand())
        return;

    FolderNode *child = node->FirstChild();
    while (child) {
        m_channel.Yield();
        if (m_stopRequested)
            return;
        FolderNode *next = child->NextSibling();
        VisitNode(child, copy);
        child = next;
    }
}

bool FolderSearch::NodeAccessible(FolderNode *node)
{
    const QString name = node->DisplayName();
    if (name == FolderTreeView::MyComputerName() || name == FolderTreeView::MyNetworkName())
        return true;
    return platform::PathAttributesReadable(node->Path());
}

bool FolderSearch::ConnectToShare(const QString &path)
{
    return platform::OpenNetworkEnumeration(path);
}
