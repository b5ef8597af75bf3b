#include "platform/listingcache.h"

#include <string_view>

#include <linux/magic.h>
#include <sys/stat.h>

namespace platform {

namespace {

// File systems whose timestamps this machine sets itself.  Network file
// systems answer from caches and another machine's clock; they are read
// anew every time.
bool LocalFileSystem(const FolderRead &read)
{
    if (!read.fsTypeKnown)
        return false;
    switch (static_cast<unsigned long>(read.fsType)) {
    case EXT4_SUPER_MAGIC:   // ext2, ext3 and ext4 alike
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case F2FS_SUPER_MAGIC:
    case OVERLAYFS_SUPER_MAGIC:
    case 0x2FC12FC1UL:  // zfs (not in <linux/magic.h>)
        return true;
    default:
        return false;
    }
}

bool Unchanged(const FolderRead &read, const struct stat &now)
{
    return read.folder && S_ISDIR(now.st_mode) && read.id == FolderId{uint64_t(now.st_dev), uint64_t(now.st_ino)}
           && read.stamp == detail::StampOf(now);
}

} // namespace

std::optional<time_t> ListingCache::RealTime()
{
    struct timespec now;
    if (::clock_gettime(CLOCK_REALTIME, &now) != 0)
        return std::nullopt;
    return now.tv_sec;
}

bool ListingCache::Settled(const FolderStamp &stamp) const
{
    const std::optional<time_t> now = m_clock();
    if (!now)
        return false;
    return stamp.modifiedSeconds + m_settleSeconds <= *now && stamp.changedSeconds + m_settleSeconds <= *now;
}

FolderReadPtr ListingCache::Find(const QByteArray &folder, const struct stat &now)
{
    const std::string_view path(folder.constData(), size_t(folder.size()));
    for (size_t i = 0; i < m_snapshots.size(); ++i) {
        if (m_snapshots[i]->path == path && Unchanged(*m_snapshots[i], now)) {
            FolderReadPtr hit = m_snapshots[i];
            m_snapshots.erase(m_snapshots.begin() + std::ptrdiff_t(i));
            m_snapshots.insert(m_snapshots.begin(), hit);
            ++m_hits;
            return hit;
        }
    }
    return nullptr;
}

bool ListingCache::MayKeep(const FolderRead &read) const
{
    return !read.resolvedEntries && Settled(read.stamp) && LocalFileSystem(read);
}

void ListingCache::Keep(const FolderReadPtr &read)
{
    if (read->entries.size() > LargestKept)
        return;
    m_snapshots.insert(m_snapshots.begin(), read);
    if (m_snapshots.size() > SnapshotsKept)
        m_snapshots.pop_back();
}

bool ListingCache::Recall(const FolderRead &read, const QString &pattern, int mask, std::vector<QString> &names)
{
    if (!(m_memoSerial == read.serial && m_memoMask == mask && m_memoPattern == pattern))
        return false;
    names = m_memoNames;
    ++m_memoHits;
    return true;
}

void ListingCache::Remember(const FolderRead &read, const QString &pattern, int mask,
                            const std::vector<QString> &names)
{
    m_memoSerial = read.serial;
    m_memoPattern = pattern;
    m_memoMask = mask;
    m_memoNames = names;
}

ListingCache &SharedListingCache()
{
    static ListingCache cache;
    return cache;
}

} // namespace platform
