// The tree walk: depth first from the start node, with the access test and
// the network attempt before each folder.  Each folder is read once per
// visit; that read judges the node, makes its children and answers every
// listing of the folder.
#include "app/main/foldersearch.h"

#include "common/resultline.h"
#include "foldertree/foldertree.h"
#include "platform/fileaccess.h"
#include "platform/nativepath.h"

#include <algorithm>
#include <vector>

namespace {

std::string NativeOf(const QString &path)
{
    QByteArray native;
    if (!platform::detail::ToNative(path, native))
        return std::string();
    return std::string(native.constData(), size_t(native.size()));
}

QStringView LastName(const QString &path)
{
    const qsizetype cut = path.lastIndexOf(platform::Separator());
    return (cut < 0 || path.size() == 1) ? QStringView(path) : QStringView(path).mid(cut + 1);
}

bool HasSubfolders(const platform::FolderRead &read)
{
    for (const platform::FolderRead::Entry &e : read.entries) {
        if (e.kind == platform::FolderRead::Kind::Directory)
            return true;
    }
    return false;
}

} // namespace

void FolderSearch::VisitNode(common::WalkFolder *node, bool copy, int64_t device)
{
    if (!node)
        return;
    const QString path = node->Path();
    if (!path.isEmpty() && m_walkExclusions.Excludes(path, LastName(path)))
        return;

    // The access test asks the file system itself; a test's stand-in
    // for it is asked before the folder is read, as the test expects.
    platform::FolderReadPtr read;
    bool readable = true;
    if (!path.isEmpty()) {
        const bool replaced = platform::AccessTestReplaced();
        if (replaced)
            readable = platform::PathAttributesReadable(path);
        read = ReadNow(path, device);
        if (!read)
            return;   // stopped while the read was on its way
        if (!replaced)
            readable = read->exists;
        if (copy && IsExcludedCopyDestination(path, *read)) {
            if (m_readAhead)
                m_readAhead->Forget(read->path);
            return;
        }
    }
    if (!path.isEmpty() && !NodeAccessible(node, readable)) {
        if (!ConnectToShare(path)) {
            m_channel.AppendLine(common::AccessDeniedLine(path));
            return;
        }
        m_channel.AppendLine(common::AccessGrantedLine(path));
        // What the connection opened is read as it is now.
        read = platform::ReadFolderNow(path, device);
    }
    m_channel.SetStatus(QStringLiteral("展開中 in ") + node->DisplayName());

    {
        // The tree's children and every listing of this folder come
        // from this one read.
        const platform::ReadInUse inUse(read);
        const QString name = node->DisplayName();
        node->Expand(read.get());
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
    }
    if (!path.isEmpty() && !m_options.fullExpand())
        return;

    common::WalkFolder *child = node->FirstChild();
    if (m_readAhead) {
        if (child)
            WantChildren(node);
        else if (read && HasSubfolders(*read))
            m_readAhead->Forget(read->path);   // a loop, or no folder now: not entered
    }
    const int64_t here = node->Device();
    while (child) {
        m_channel.Yield();
        if (m_stopRequested)
            return;
        common::WalkFolder *next = child->NextSibling();
        VisitNode(child, copy, here);
        child = next;
    }
}

void FolderSearch::WantChildren(common::WalkFolder *node)
{
    // Last wanted is read first: the children go in backwards, so the
    // threads read them in the order the walk will come.
    std::vector<std::string> paths;
    for (common::WalkFolder *c = node->FirstChild(); c; c = c->NextSibling()) {
        const QString path = c->Path();
        if (!path.isEmpty() && !m_walkExclusions.Excludes(path, LastName(path))) {
            std::string native = NativeOf(path);
            if (!native.empty())
                paths.push_back(std::move(native));
        }
    }
    std::reverse(paths.begin(), paths.end());
    m_readAhead->Want(paths, node->Device());
}

platform::FolderReadPtr FolderSearch::ReadNow(const QString &path, int64_t device)
{
    const std::string native = NativeOf(path);
    if (m_readAhead && !native.empty()) {
        platform::FolderReadPtr read;
        // A read in flight is already under way: waiting for it costs no
        // more than reading again.  On a slow file system that can take a
        // while, so the windows are answered meanwhile, and a stop ends
        // the wait.
        platform::ReadAhead::Outcome outcome = m_readAhead->Take(native, ReadWaitMilliseconds, &read);
        while (outcome == platform::ReadAhead::Outcome::Pending) {
            m_channel.Yield();
            if (m_stopRequested)
                return nullptr;
            outcome = m_readAhead->Take(native, ReadWaitMilliseconds, &read);
        }
        // Read a moment ago: still what the disk holds, unless its status
        // says otherwise.
        if (outcome == platform::ReadAhead::Outcome::Ready && platform::ReadStillCurrent(*read)) {
            ++m_readsTakenAhead;
            return read;
        }
    }
    return platform::ReadFolderNow(native, device);
}

bool FolderSearch::NodeAccessible(common::WalkFolder *node, bool attributesReadable)
{
    const QString name = node->DisplayName();
    if (name == FolderTreeView::MyComputerName() || name == FolderTreeView::MyNetworkName())
        return true;
    return attributesReadable;
}

bool FolderSearch::ConnectToShare(const QString &path)
{
    return platform::OpenNetworkEnumeration(path);
}
