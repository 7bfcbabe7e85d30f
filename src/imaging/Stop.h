#pragma once
// Work that can be called off. A run gives a token to the threads that work for it; every picture decoded on such
// a thread keeps the token and checks it whenever libvips asks it for rows (on whatever thread libvips computes),
// so a computation in flight fails with Problem::Stopped moments after the request instead of running to its end.
#include <atomic>
#include <memory>

namespace imaging {

class StopToken {
public:
    // A token that is never set (work that cannot be called off).
    StopToken() = default;
    // A fresh token that can be set.
    static StopToken Make() { return StopToken(std::make_shared<std::atomic<bool>>(false)); }

    // From any thread.
    void Request() const {
        if (flag_) flag_->store(true);
    }
    bool Requested() const { return flag_ && flag_->load(std::memory_order_relaxed); }

private:
    explicit StopToken(std::shared_ptr<std::atomic<bool>> flag) : flag_(std::move(flag)) {}
    std::shared_ptr<std::atomic<bool>> flag_;
};

// While one lives, the work of this thread belongs to `token` (the previous token comes back afterwards).
class StopScope {
public:
    explicit StopScope(StopToken token);
    ~StopScope();
    StopScope(const StopScope&) = delete;
    StopScope& operator=(const StopScope&) = delete;

private:
    StopToken previous_;
};

// The token of the work on this thread (one that is never set outside a StopScope).
StopToken CurrentStopToken();

// Raises Error(Problem::Stopped) when the work on this thread has been called off.
void ThrowIfStopped();

} // namespace imaging
