// Copy of hits: each visited folder's matching files go into one flat
// subfolder of the destination named after the source path.
#include "app/main/foldersearch.h"

#include "common/filecopy.h"
#include "platform/fileaccess.h"

void FolderSearch::CopyHits(const QString &path)
{
    const QString name = common::CopyFolderName(path);
    // Read anew for every folder: an edit during a search applies from
    // the next folder on.
    const QString destination = m_options.destination() + platform::Separator() + name;
    const int32_t count = m_patternCount;
    for (int32_t i = 1; i <= count; ++i)
        common::CopyMatchingFiles(path, destination, m_patterns.at(i), m_channel);
}

namespace {
bool IsAtOrBelow(const QString &path, const QString &root)
{
    if (path == root)
        return true;
    const QString prefix = root.endsWith(platform::Separator()) ? root : root + platform::Separator();
    return path.startsWith(prefix);
}
} // namespace

// The copies must not be found again by the walk that makes them: during a
// search with copy the destination root and everything below it are left
// out, unless the search itself started there.
bool FolderSearch::IsExcludedCopyDestination(const QString &path) const
{
    if (path.isEmpty())
        return false;
    const QString destination = platform::ResolvedPath(m_options.destination());
    if (destination.isEmpty())
        return false;
    if (!m_copyStartResolved.isEmpty() && IsAtOrBelow(m_copyStartResolved, destination))
        return false;
    const QString resolved = platform::ResolvedPath(path);
    return !resolved.isEmpty() && IsAtOrBelow(resolved, destination);
}
