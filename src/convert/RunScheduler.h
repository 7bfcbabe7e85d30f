#pragma once
// Hands a run's entries to its workers and their records back to the driver. Entries are started largest file
// first, but only within a window ahead of the next entry to publish, which bounds what waits unpublished. A
// large progressive JPEG (which holds every coefficient of the picture while it decodes) is converted one at a
// time while the other workers take the rest. Files are looked at (size, header) by the workers, outside the
// scheduler's lock, so slow media never hold up the driver or another worker.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "convert/EntryRecord.h"

namespace convert {

class RunScheduler {
public:
    // Entries from `from` to the end of `list`; `window`: how far ahead of the next entry to publish one may start.
    RunScheduler(const std::vector<std::string>& list, int from, int window);

    // A worker comes (before its thread starts) and goes (its last call).
    void WorkerStarted();
    void WorkerGone();

    // The next entry for a worker, or -1 when there is none to start any more.
    int Next();
    void Deliver(int index, std::unique_ptr<EntryRecord> record);

    // Waits for the record of an entry; `idle` runs every 50 ms meanwhile (without the lock). Null once `stop` is
    // set.
    std::unique_ptr<EntryRecord> Take(int index, const std::function<void()>& idle, const std::atomic<bool>& stop);
    // The entry was published: the window moves on.
    void Published(int index);
    // No entry starts any more.
    void Stop();
    // Until every worker has gone; `idle` runs every 50 ms meanwhile.
    void WaitForWorkers(const std::function<void()>& idle);

    // Once the workers have gone: the caption bitmaps of the entries after `index`, which a run converting one
    // entry at a time would never have reached.
    std::vector<std::string> CaptionBitmapsAfter(int index);

private:
    using Queue = std::set<std::pair<std::uint64_t, int>, std::greater<>>; // (size, -index): largest first

    // Called with the lock held: the entry to start next, or the end of the queue when none may start now.
    Queue::iterator Eligible();
    // Called with the lock held, which it lets go while it looks at the files: admits the next entries the
    // window allows.
    void Admit(std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable done_;
    const std::vector<std::string>& list_;
    const int window_;
    std::vector<std::unique_ptr<EntryRecord>> records_;
    std::vector<bool> heavy_;
    Queue queue_; // largest first, then list order
    int heavyInFlight_ = 0;
    int admitted_;
    int measuring_ = 0; // workers looking at files just admitted
    int published_;
    int workers_ = 0;
    bool stopping_ = false;
};

} // namespace convert
