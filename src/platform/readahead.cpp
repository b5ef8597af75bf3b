#include "platform/readahead.h"

#include <chrono>
#include <sys/resource.h>
#include <time.h>

namespace platform {

namespace {

long long ClockNs(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

// How often the calling thread gave up the processor to wait.
long VoluntarySwitches()
{
    rusage usage{};
    return getrusage(RUSAGE_THREAD, &usage) == 0 ? usage.ru_nvcsw : 0;
}

} // namespace

ReadAhead::ReadAhead(int threads, size_t budget, ReadSkips skips)
    : m_budget(budget), m_skips(std::move(skips))
{
    m_threads.reserve(size_t(threads));
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back([this, i] { Run(i); });
}

ReadAhead::~ReadAhead()
{
    Stop();
}

void ReadAhead::Stop()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_stack.clear();
    }
    m_work.notify_all();
    m_done.notify_all();
    for (std::thread &t : m_threads) {
        if (t.joinable())
            t.join();
    }
    m_threads.clear();
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_slots.clear();
    m_held = 0;
}

bool ReadAhead::QueueLocked(const std::string &path, int64_t device)
{
    Slot slot;
    slot.device = device;
    if (!m_slots.emplace(path, std::move(slot)).second)
        return false;
    m_stack.push_back(Job{path, device});
    return true;
}

void ReadAhead::Want(const std::vector<std::string> &paths, int64_t device)
{
    size_t queued = 0;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stop)
            return;
        for (const std::string &path : paths)
            queued += QueueLocked(path, device) ? 1 : 0;
    }
    // Most folders the walk asks for were queued by the read of their
    // parent already: waking a thread for nothing costs a system call.
    Wake(queued);
}

void ReadAhead::Wake(size_t jobs)
{
    if (jobs == 1)
        m_work.notify_one();
    else if (jobs > 1)
        m_work.notify_all();
}

ReadAhead::Outcome ReadAhead::Take(const std::string &path, int waitMs, FolderReadPtr *read)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    auto it = m_slots.find(path);
    if (it == m_slots.end())
        return Outcome::None;
    if (it->second.state == State::Queued) {
        // Not begun.  Where reads come back at once it is cheaper to read
        // it now than to wait for a thread; where they wait on the file
        // system, the walk would block on it, so it goes first in line
        // and the walk waits, answering the windows (unless every read
        // the budget allows is taken, and no thread would start it).
        if (!m_waitingReads || m_held >= m_budget) {
            m_slots.erase(it);
            return Outcome::None;
        }
        if (!it->second.hurried) {
            it->second.hurried = true;
            m_stack.push_back(Job{path, it->second.device});
            m_work.notify_one();
        }
    }
    if (it->second.state != State::Done) {
        const std::string key = path;
        m_done.wait_for(lock, std::chrono::milliseconds(waitMs), [&] {
            auto at = m_slots.find(key);
            return m_stop || at == m_slots.end() || at->second.state == State::Done;
        });
        it = m_slots.find(key);
        if (it == m_slots.end())
            return Outcome::None;
        if (it->second.state != State::Done)
            return Outcome::Pending;
    }
    *read = std::move(it->second.read);
    m_slots.erase(it);
    // Only a full budget keeps a thread waiting while there is work.
    const bool wasFull = m_held-- >= m_budget && !m_stack.empty();
    lock.unlock();
    if (wasFull)
        m_work.notify_one();
    return Outcome::Ready;
}

void ReadAhead::Forget(const std::string &path)
{
    size_t freed = 0;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const std::string below = path == "/" ? path : path + '/';
        for (auto it = m_slots.begin(); it != m_slots.end();) {
            const std::string &p = it->first;
            if ((p == path || p.compare(0, below.size(), below) == 0) && it->second.state != State::InFlight) {
                if (it->second.state == State::Done)
                    ++freed;
                it = m_slots.erase(it);
            } else {
                ++it;
            }
        }
        m_held -= freed;
    }
    if (freed > 0)
        m_work.notify_all();
}

int ReadAhead::ReadsDone() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_readsDone;
}

void ReadAhead::Run(int index)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_work.wait(lock, [this, index] {
            return m_stop || (!m_stack.empty() && m_held < m_budget && (index < QuickReaders || m_waitingReads));
        });
        if (m_stop)
            return;
        const Job job = std::move(m_stack.back());
        m_stack.pop_back();
        auto it = m_slots.find(job.path);
        if (it == m_slots.end() || it->second.state != State::Queued)
            continue;   // taken over by the walk meanwhile
        it->second.state = State::InFlight;
        ++m_held;
        lock.unlock();

        const long long wallBefore = ClockNs(CLOCK_MONOTONIC);
        const long long cpuBefore = ClockNs(CLOCK_THREAD_CPUTIME_ID);
        const long sleepsBefore = VoluntarySwitches();
        FolderReadPtr read = ReadFolderNow(job.path, job.device);
        // Time off the processor counts only when the thread went to sleep
        // itself: on busy processors it is also taken off to let others run.
        const long long waited = VoluntarySwitches() == sleepsBefore
                                     ? 0
                                     : (ClockNs(CLOCK_MONOTONIC) - wallBefore) - (ClockNs(CLOCK_THREAD_CPUTIME_ID) - cpuBefore);

        lock.lock();
        ++m_readsDone;
        if (!m_waitingReads && waited > WaitingReadNanoseconds && ++m_readsWaited >= WaitingReadsToWiden) {
            m_waitingReads = true;
            m_work.notify_all();
        }
        it = m_slots.find(job.path);
        if (m_stop || it == m_slots.end()) {
            --m_held;
            if (m_stop)
                return;
            continue;
        }
        it->second.state = State::Done;
        it->second.read = read;
        // Below plain folders of the same device only: links and mount
        // points are read when the walk asks for them, never followed here.
        if (read->status == FolderRead::Status::Ok && !read->link && read->id.device == uint64_t(job.device)) {
            const int64_t device = int64_t(read->id.device);
            size_t queued = 0;
            std::string child;
            for (size_t i = read->entries.size(); i-- > 0;) {
                const FolderRead::Entry &e = read->entries[i];
                if (e.kind != FolderRead::Kind::Directory || e.link)
                    continue;
                const std::string raw = read->RawName(e);
                child = job.path;
                if (child != "/")
                    child += '/';
                child += raw;
                if (m_skips.Skips(child, raw.c_str()))
                    continue;
                queued += QueueLocked(child, device) ? 1 : 0;
            }
            // This thread takes one of them itself.
            if (queued > 0)
                Wake(queued - 1);
        }
        m_done.notify_all();
    }
}

} // namespace platform
