#include "app/main/plainfolder.h"

#include "foldertree/volumes.h"
#include "platform/fileaccess.h"
#include "platform/folderread.h"
#include "platform/nativepath.h"

#include <algorithm>

PlainFolder::PlainFolder(const QString &path)
    : m_path(path)
    , m_name(path == QLatin1String("/") ? path : platform::ShownText(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1)))
{
}

PlainFolder::PlainFolder(PlainFolder *parent, const QString &name, int index)
    : m_parent(parent)
    , m_index(index)
    , m_path(platform::JoinPath(parent->m_path, name))
    , m_name(platform::ShownText(name))
{
}

bool PlainFolder::LeadsBack(const platform::FolderId &id, bool link) const
{
    for (const PlainFolder *above = m_parent; above; above = above->m_parent) {
        if (above->m_hasId && above->m_id == id)
            return true;
    }
    if (!link)
        return false;
    // A link to "/" or to any folder that holds it, whatever way it names it.
    const qsizetype cut = m_path.lastIndexOf(QLatin1Char('/'));
    if (cut < 0)
        return false;
    return platform::IsFolderOrContainer(id, cut == 0 ? QStringLiteral("/") : m_path.left(cut));
}

void PlainFolder::Expand(const platform::FolderRead *read)
{
    m_children.clear();
    if (!read || !read->folder) {
        m_state = State::NotFolder;
        return;
    }
    m_id = read->id;
    m_hasId = true;
    if (platform::ReadOnPseudoFileSystem(*read))
        m_state = State::Pseudo;
    else if (LeadsBack(read->id, read->link))
        m_state = State::Loop;
    else
        m_state = State::Open;
    // Where the walk now is, every earlier sibling's subtree is done with.
    if (m_parent) {
        for (int i = 0; i < m_index; ++i)
            m_parent->m_children[size_t(i)]->m_children.clear();
    }
    if (m_state != State::Open)
        return;

    struct Folder {
        const platform::FolderRead::Entry *entry;
        QString name;
    };
    std::vector<Folder> folders;
    for (const platform::FolderRead::Entry &e : read->entries) {
        if (e.kind == platform::FolderRead::Kind::Directory)
            folders.push_back(Folder{&e, read->NameString(e)});
    }
    // The tree's order, so both walks write the same lines in the same order.
    std::sort(folders.begin(), folders.end(), [](const Folder &x, const Folder &y) {
        return foldertree::CompareFolderNames(x.name, y.name) < 0;
    });
    m_children.reserve(folders.size());
    for (const Folder &f : folders) {
        auto child = std::unique_ptr<PlainFolder>(new PlainFolder(this, f.name, int(m_children.size())));
        if (f.entry->link) {
            child->m_id = f.entry->target;
            child->m_hasId = true;
            if (child->LeadsBack(f.entry->target, true))
                child->m_state = State::Loop;
        }
        m_children.push_back(std::move(child));
    }
}

common::WalkFolder *PlainFolder::FirstChild()
{
    return m_state == State::Open && !m_children.empty() ? m_children.front().get() : nullptr;
}

common::WalkFolder *PlainFolder::NextSibling()
{
    if (!m_parent || size_t(m_index + 1) >= m_parent->m_children.size())
        return nullptr;
    return m_parent->m_children[size_t(m_index + 1)].get();
}
