#include "imaging/Stop.h"

#include <utility>

#include "imaging/Error.h"

namespace imaging {

namespace {

thread_local StopToken current;

} // namespace

StopScope::StopScope(StopToken token) : previous_(std::exchange(current, std::move(token))) {}

StopScope::~StopScope() {
    current = std::move(previous_);
}

StopToken CurrentStopToken() {
    return current;
}

void ThrowIfStopped() {
    if (current.Requested()) throw Error({}, "the work was called off", Problem::Stopped);
}

} // namespace imaging
