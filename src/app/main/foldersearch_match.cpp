// File matching: the plain search's work on one folder.
#include "app/main/foldersearch.h"

#include "common/resultline.h"
#include "platform/fileaccess.h"
#include "platform/listing.h"

void FolderSearch::ListHits(const QString &path)
{
    const int32_t count = m_patternCount;
    for (int32_t i = 1; i <= count; ++i) {
        const QString &pattern = m_patterns.at(i);
        platform::DirListing listing;
        if (listing.Open(path, pattern, platform::AttrAll) == platform::DirListing::Status::Refused) {
            common::ReportError(m_channel, common::procedure::ListHits);
            return;
        }
        // Everything up to the entry's name is the same for the whole
        // listing: one string per line is built, not two.
        const QString prefix = common::HitLinePrefix(pattern) + platform::JoinPath(path, QString());
        for (QString name = listing.Next(); !name.isEmpty(); name = listing.Next()) {
            m_channel.Yield();
            m_channel.AppendLine(prefix + name);
        }
    }
}
