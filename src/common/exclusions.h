#pragma once
// Folders left out of every search: one exact folder by its path, or every
// folder of a name wherever it lies.  A left-out folder is never read nor
// entered; its own name is still matched as an entry of its parent.

#include "platform/readahead.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace common {

class Exclusions {
public:
    // A path is taken cleaned ("/a/b/" and "/a//b" are "/a/b"); a name as
    // it stands, compared exactly (names on this system tell case apart).
    void AddPath(const QString &path);
    void AddName(const QString &name);
    void RemovePath(const QString &path);
    void RemoveName(const QString &name);
    // The command line's form: a value holding "/" is a path, any other a
    // name.  False for an empty value.
    bool Add(const QString &value);

    bool IsEmpty() const { return m_paths.isEmpty() && m_names.isEmpty(); }
    // Whether the folder at `path`, whose own name is `name`, is left out:
    // one lookup by path and one by name.
    bool Excludes(const QString &path, QStringView name) const
    {
        return (!m_names.isEmpty() && m_names.contains(name.toString()))
               || (!m_paths.isEmpty() && m_paths.contains(path));
    }
    bool ExcludesPath(const QString &path) const { return m_paths.contains(Clean(path)); }
    bool ExcludesName(const QString &name) const { return m_names.contains(name); }

    // Sorted, for settings and display.
    QStringList Paths() const;
    QStringList Names() const;

    // The same list for the threads that read ahead, in the system's bytes.
    platform::ReadSkips ToReadSkips() const;

private:
    static QString Clean(const QString &path);
    QSet<QString> m_paths;
    QSet<QString> m_names;
};

} // namespace common
