#pragma once
// A folder of the file system as the search walks it without windows: the
// command line's counterpart of the folder tree's node, judged and given
// its children from the walk's one read of it, in the tree's order.

#include "common/walkfolder.h"
#include "platform/folderstate.h"

#include <QString>
#include <memory>
#include <vector>

class PlainFolder : public common::WalkFolder {
public:
    // A start folder: `path` absolute and clean.
    explicit PlainFolder(const QString &path);

    QString Path() const override { return m_path; }
    QString DisplayName() const override { return m_name; }
    int64_t Device() const override { return m_hasId ? int64_t(m_id.device) : -1; }
    void Expand(const platform::FolderRead *read) override;
    bool IsPseudoFileSystem() const override { return m_state == State::Pseudo; }
    WalkFolder *FirstChild() override;
    WalkFolder *NextSibling() override;

private:
    enum class State { Open, Loop, Pseudo, NotFolder };
    PlainFolder(PlainFolder *parent, const QString &name, int index);
    // Whether the folder `id` (a link when `link`) leads back to this
    // folder's own path or to a folder the walk came through.
    bool LeadsBack(const platform::FolderId &id, bool link) const;

    PlainFolder *m_parent = nullptr;
    int m_index = 0;
    QString m_path;
    QString m_name;
    platform::FolderId m_id;
    bool m_hasId = false;
    State m_state = State::Open;
    std::vector<std::unique_ptr<PlainFolder>> m_children;
};
