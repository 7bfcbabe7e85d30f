#include "convert/RunScheduler.h"

#include <chrono>

#include <sys/stat.h>

#include "imaging/DecodeWeight.h"

namespace convert {

namespace {

// How long the driver waits for a result before it lets the window process its messages.
constexpr auto kIdleInterval = std::chrono::milliseconds(50);

constexpr std::int64_t kHeavyPixels = 8'000'000;

} // namespace

RunScheduler::RunScheduler(const std::vector<std::string>& list, int from, int window)
    : list_(list), window_(window), records_(list.size()), heavy_(list.size(), false), admitted_(from),
      published_(from) {}

void RunScheduler::WorkerStarted() {
    std::lock_guard lock(mutex_);
    ++workers_;
}

void RunScheduler::WorkerGone() {
    std::lock_guard lock(mutex_);
    --workers_;
    done_.notify_all();
}

void RunScheduler::Admit(std::unique_lock<std::mutex>& lock) {
    // The whole window at once, so that the largest file of it starts first.
    const int limit = std::min(int(list_.size()), published_ + window_);
    const int first = admitted_;
    admitted_ = limit;
    ++measuring_;
    lock.unlock();
    struct Measured {
        std::uint64_t size;
        bool heavy;
    };
    std::vector<Measured> measured;
    for (int k = first; k < limit; ++k) {
        const std::string& path = list_[std::size_t(k)];
        struct stat info {};
        const std::uint64_t size = ::stat(path.c_str(), &info) == 0 ? std::uint64_t(info.st_size) : 0;
        measured.push_back({size, imaging::PixelsHeldWhileDecoding(path) >= kHeavyPixels});
    }
    lock.lock();
    for (int k = first; k < limit; ++k) {
        heavy_[std::size_t(k)] = measured[std::size_t(k - first)].heavy;
        queue_.emplace(measured[std::size_t(k - first)].size, -k);
    }
    --measuring_;
    work_.notify_all();
}

RunScheduler::Queue::iterator RunScheduler::Eligible() {
    for (auto it = queue_.begin(); it != queue_.end(); ++it)
        if (heavyInFlight_ == 0 || !heavy_[std::size_t(-it->second)]) return it;
    return queue_.end();
}

int RunScheduler::Next() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_) return -1;
        if (admitted_ < std::min(int(list_.size()), published_ + window_)) {
            Admit(lock);
            continue;
        }
        const auto eligible = Eligible();
        if (eligible != queue_.end()) {
            const int index = -eligible->second;
            queue_.erase(eligible);
            if (heavy_[std::size_t(index)]) ++heavyInFlight_;
            return index;
        }
        if (queue_.empty() && measuring_ == 0 && admitted_ == int(list_.size())) return -1;
        work_.wait(lock);
    }
}

void RunScheduler::Deliver(int index, std::unique_ptr<EntryRecord> record) {
    std::lock_guard lock(mutex_);
    records_[std::size_t(index)] = std::move(record);
    if (heavy_[std::size_t(index)]) {
        --heavyInFlight_;
        work_.notify_all();
    }
    done_.notify_all();
}

std::unique_ptr<EntryRecord> RunScheduler::Take(int index, const std::function<void()>& idle,
                                                const std::atomic<bool>& stop) {
    std::unique_lock lock(mutex_);
    while (!records_[std::size_t(index)]) {
        if (stop) return nullptr;
        if (!done_.wait_for(lock, kIdleInterval, [&] { return records_[std::size_t(index)] != nullptr; })) {
            lock.unlock();
            idle();
            lock.lock();
        }
    }
    return std::move(records_[std::size_t(index)]);
}

void RunScheduler::Published(int index) {
    std::lock_guard lock(mutex_);
    published_ = index + 1;
    work_.notify_all();
}

void RunScheduler::Stop() {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    work_.notify_all();
}

void RunScheduler::WaitForWorkers(const std::function<void()>& idle) {
    std::unique_lock lock(mutex_);
    while (workers_ > 0) {
        if (!done_.wait_for(lock, kIdleInterval, [&] { return workers_ == 0; })) {
            lock.unlock();
            idle();
            lock.lock();
        }
    }
}

std::vector<std::string> RunScheduler::CaptionBitmapsAfter(int index) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> bitmaps;
    for (std::size_t k = std::size_t(index + 1); k < records_.size(); ++k)
        if (records_[k] && !records_[k]->captionBitmap.empty()) bitmaps.push_back(records_[k]->captionBitmap);
    return bitmaps;
}

} // namespace convert
