#include "platform/listingcache.h"

#include <linux/magic.h>
#include <sys/statfs.h>

namespace platform {

namespace {

// File systems whose timestamps this machine sets itself.  Network file
// systems answer from caches and another machine's clock; they are read
// anew every time.
bool LocalFileSystem(int fd)
{
    struct statfs fs;
    if (::fstatfs(fd, &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
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

bool Unchanged(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size && a.st_nlink == b.st_nlink
           && a.st_mode == b.st_mode && a.st_mtim.tv_sec == b.st_mtim.tv_sec
           && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec
           && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

} // namespace

std::optional<time_t> ListingCache::RealTime()
{
    struct timespec now;
    if (::clock_gettime(CLOCK_REALTIME, &now) != 0)
        return std::nullopt;
    return now.tv_sec;
}

bool ListingCache::Settled(const struct stat &st) const
{
    const std::optional<time_t> now = m_clock();
    if (!now)
        return false;
    return st.st_mtim.tv_sec + m_settleSeconds <= *now && st.st_ctim.tv_sec + m_settleSeconds <= *now;
}

std::shared_ptr<const detail::Snapshot> ListingCache::Find(const QByteArray &folder, const struct stat &now)
{
    for (size_t i = 0; i < m_snapshots.size(); ++i) {
        if (m_snapshots[i]->folder == folder && Unchanged(m_snapshots[i]->before, now)) {
            std::shared_ptr<const detail::Snapshot> hit = m_snapshots[i];
            m_snapshots.erase(m_snapshots.begin() + std::ptrdiff_t(i));
            m_snapshots.insert(m_snapshots.begin(), hit);
            ++m_hits;
            return hit;
        }
    }
    return nullptr;
}

bool ListingCache::MayKeep(int fd, const struct stat &before) const
{
    return Settled(before) && LocalFileSystem(fd);
}

void ListingCache::Keep(const std::shared_ptr<const detail::Snapshot> &snapshot)
{
    if (snapshot->entries.size() > LargestKept)
        return;
    m_snapshots.insert(m_snapshots.begin(), snapshot);
    if (m_snapshots.size() > SnapshotsKept)
        m_snapshots.pop_back();
}

bool ListingCache::Recall(const detail::Snapshot &snapshot, const QString &pattern, int mask,
                          std::vector<QString> &names)
{
    if (!(snapshot.memoValid && snapshot.memoMask == mask && snapshot.memoPattern == pattern))
        return false;
    names = snapshot.memoNames;
    ++m_memoHits;
    return true;
}

void ListingCache::Remember(const detail::Snapshot &snapshot, const QString &pattern, int mask,
                            const std::vector<QString> &names)
{
    snapshot.memoPattern = pattern;
    snapshot.memoMask = mask;
    snapshot.memoNames = names;
    snapshot.memoValid = true;
}

ListingCache &SharedListingCache()
{
    static ListingCache cache;
    return cache;
}

} // namespace platform
