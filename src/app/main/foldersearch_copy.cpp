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

// The copies must not be found again by the walk that makes them: during a
// search with copy the destination folder and everything below it are left
// out, unless the search itself started there.  Judged by device and inode:
// the destination is looked at once per text it is given, and a folder
// needs no look of its own beyond its read (a link, whose target may lie
// anywhere, climbs from there).
bool FolderSearch::IsExcludedCopyDestination(const QString &path, const platform::FolderRead &read)
{
    if (path.isEmpty() || !read.folder)
        return false;
    const QString text = m_options.destination();
    if (!m_destinationTaken || text != m_destinationText) {
        m_destinationTaken = true;
        m_destinationText = text;
        const platform::FolderState destination = platform::InspectFolder(text);
        m_destinationKnown = destination.folder;
        m_destinationId = destination.id;
        m_startInsideDestination = m_destinationKnown && !m_copyStart.isEmpty()
                                   && platform::IsFolderOrContainer(m_destinationId, m_copyStart);
    }
    if (!m_destinationKnown || m_startInsideDestination)
        return false;
    if (read.id == m_destinationId)
        return true;
    return read.link && platform::IsFolderOrContainer(m_destinationId, path);
}
