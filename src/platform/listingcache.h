#pragma once
// Reads of the folders listed last outside a search's visit (which has its
// own read in use): a read of a folder that has not changed serves the
// listings asked of it again.  One thread uses it: no locking.

#include "platform/folderread.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <sys/stat.h>

namespace platform {

class ListingCache {
public:
    // The present time in seconds of the real-time clock; empty when the
    // clock cannot be read.
    using Clock = std::function<std::optional<time_t>()>;
    static std::optional<time_t> RealTime();

    // A folder's timestamps move on with every entry added, removed or
    // renamed, and with every change of its permissions.  They are kept
    // with a coarse clock, and some file systems keep them to the second or
    // two: only a folder whose last change lies this far back when it is
    // read can be told unchanged by its timestamps alone.
    static constexpr time_t DefaultSettleSeconds = 3;
    static constexpr size_t SnapshotsKept = 4;
    // A huge folder is read anew each time rather than held in memory.
    static constexpr size_t LargestKept = 65536;

    void SetClock(Clock clock) { m_clock = std::move(clock); }
    void SetSettleSeconds(time_t seconds) { m_settleSeconds = seconds; }

    // The kept snapshot of `folder` when the folder, as `now` shows it, has
    // not changed since; null otherwise.
    FolderReadPtr Find(const QByteArray &folder, const struct stat &now);
    // Whether a read may be kept: settled, on a local file system, and
    // without links (a link's target can change without its folder).
    bool MayKeep(const FolderRead &read) const;
    // Keeps a read that MayKeep() allowed, unless it is too large.
    void Keep(const FolderReadPtr &read);

    // The names of the last listing made of this very read when it asked
    // the same.
    bool Recall(const FolderRead &read, const QString &pattern, int mask, std::vector<QString> &names);
    void Remember(const FolderRead &read, const QString &pattern, int mask, const std::vector<QString> &names);

    // Folders served from a snapshot instead of being read, and listings
    // answered from a snapshot's last listing.
    int Hits() const { return m_hits; }
    int MemoHits() const { return m_memoHits; }

private:
    bool Settled(const FolderStamp &stamp) const;

    Clock m_clock = RealTime;
    time_t m_settleSeconds = DefaultSettleSeconds;
    std::vector<FolderReadPtr> m_snapshots;   // most recent first
    // The last listing made, and of which read.
    uint64_t m_memoSerial = 0;
    int m_memoMask = 0;
    QString m_memoPattern;
    std::vector<QString> m_memoNames;
    int m_hits = 0;
    int m_memoHits = 0;
};

// The cache every listing of the program goes through.
ListingCache &SharedListingCache();

} // namespace platform
