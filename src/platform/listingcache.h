#pragma once
// Snapshots of the folders read last.  A search lists each folder once per
// pattern and the tree lists it once more; a snapshot of a folder that has
// not changed serves them all.  One thread uses it: no locking.

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

namespace detail {

// What a folder's entry is, as far as the listing needs to know.
enum class EntryType : uint8_t {
    Directory,
    Regular,
    Other,       // FIFO, socket, device
    Unresolved,  // a symlink, or a file system that does not say: ask at use
};

struct Entry {
    QString name;
    QByteArray raw;       // the name as the system gave it; only for Unresolved
    uint32_t keyOffset;   // upper-cased name in Snapshot::keys
    uint32_t keyLength;
    EntryType type;
    bool hidden;
    bool link;            // the system said "symlink"
};

// Every entry of one folder, read in one pass and sorted as listings show them.
struct Snapshot {
    QByteArray folder;
    struct stat before {};        // the folder as it was when reading began
    bool sawDot = false;
    bool sawDotDot = false;
    std::vector<Entry> entries;
    std::vector<char16_t> keys;
    // The last listing made of it, kept for the same question asked again.
    mutable bool memoValid = false;
    mutable int memoMask = 0;
    mutable QString memoPattern;
    mutable std::vector<QString> memoNames;
};

} // namespace detail

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
    std::shared_ptr<const detail::Snapshot> Find(const QByteArray &folder, const struct stat &now);
    // Whether a folder being read through `fd`, as `before` shows it, may
    // be kept once read: settled, and on a local file system.
    bool MayKeep(int fd, const struct stat &before) const;
    // Keeps a snapshot that MayKeep() allowed, unless it is too large.
    void Keep(const std::shared_ptr<const detail::Snapshot> &snapshot);

    // The names of the snapshot's last listing when it asked the same.
    bool Recall(const detail::Snapshot &snapshot, const QString &pattern, int mask,
                std::vector<QString> &names);
    void Remember(const detail::Snapshot &snapshot, const QString &pattern, int mask,
                  const std::vector<QString> &names);

    // Folders served from a snapshot instead of being read, and listings
    // answered from a snapshot's last listing.
    int Hits() const { return m_hits; }
    int MemoHits() const { return m_memoHits; }

private:
    bool Settled(const struct stat &st) const;

    Clock m_clock = RealTime;
    time_t m_settleSeconds = DefaultSettleSeconds;
    std::vector<std::shared_ptr<const detail::Snapshot>> m_snapshots;   // most recent first
    int m_hits = 0;
    int m_memoHits = 0;
};

// The cache every listing of the program goes through.
ListingCache &SharedListingCache();

} // namespace platform
