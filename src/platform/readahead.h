#pragma once
// Reads of folders ahead of a walk, on background threads, several at a
// time, so that the round trips of a slow file system overlap.  The threads
// only read (open, status, entries); the walk stays where it is and takes
// each read when it reaches the folder, or reads the folder itself when no
// read is there.  Everything the threads share lives inside this object,
// under its one mutex; a read is handed over whole and never changed after.
// The threads end, their reads finished, when the object goes (or Stop()).

#include "platform/folderread.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace platform {

// Folders the reads ahead must leave alone, by path and by name (native,
// as the system takes them).  Fixed before the threads start.
struct ReadSkips {
    std::unordered_set<std::string> paths;
    std::unordered_set<std::string> names;
    bool Skips(const std::string &path, const char *name) const
    {
        return (!names.empty() && names.count(name) != 0) || (!paths.empty() && paths.count(path) != 0);
    }
};

class ReadAhead {
public:
    // `threads` readers; at most `budget` reads held or in flight at once.
    ReadAhead(int threads, size_t budget, ReadSkips skips);
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // Asks for the folders at `paths` to be read, the last first, `device`
    // being the device of the folder that holds them (or -1).  The plain
    // subfolders the reads find on the same device are asked for in turn.
    void Want(const std::vector<std::string> &paths, int64_t device);

    enum class Outcome {
        Ready,     // the read is handed over
        Pending,   // being read, or about to be: ask again shortly
        None,      // not read ahead: read it yourself
    };
    // The read of `path` when one is there; waits up to `waitMs` for one in
    // flight.
    Outcome Take(const std::string &path, int waitMs, FolderReadPtr *read);
    // Drops every read of `path` and below, waiting or done: the walk will
    // not enter there.
    void Forget(const std::string &path);
    // Ends every thread after its read in flight; nothing is read after.
    void Stop();

    // Reads made by the threads so far (for tests and benchmarks).
    int ReadsDone() const;

private:
    enum class State { Queued, InFlight, Done };
    struct Job {
        std::string path;
        int64_t device;
    };
    struct Slot {
        State state = State::Queued;
        FolderReadPtr read;
        int64_t device = -1;
        bool hurried = false;   // the walk waits for it: read next
    };
    void Run(int index);
    // Wakes threads for `jobs` new jobs.
    void Wake(size_t jobs);
    // True when `path` was not asked for yet.
    bool QueueLocked(const std::string &path, int64_t device);

    // While reads come back at once, the file system is as fast as the
    // processors: the walk and a few readers keep them busy, and more
    // threads would only take the processors from the walk.  The rest join
    // once reads are seen waiting on the file system (a network, a slow
    // disk): a few of them, since any thread now and then sleeps on a lock.
    static constexpr int QuickReaders = 2;
    static constexpr long long WaitingReadNanoseconds = 300000;
    static constexpr int WaitingReadsToWiden = 4;

    const size_t m_budget;
    const ReadSkips m_skips;
    mutable std::mutex m_mutex;
    std::condition_variable m_work;   // a job, or the budget freed, or stop
    std::condition_variable m_done;   // a read finished
    std::vector<Job> m_stack;         // last wanted, first read: the walk's order
    std::unordered_map<std::string, Slot> m_slots;
    size_t m_held = 0;                // in flight or done, not taken
    int m_readsDone = 0;
    bool m_stop = false;
    int m_readsWaited = 0;
    bool m_waitingReads = false;      // reads wait: every thread reads
    std::vector<std::thread> m_threads;
};

} // namespace platform
