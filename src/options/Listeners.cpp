#include "options/Listeners.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace options {

Subscription::Subscription(std::weak_ptr<ListenerRegistry> registry, std::uint64_t id)
    : registry_(std::move(registry)), id_(id) {}

Subscription::Subscription(Subscription&& other) noexcept
    : registry_(std::move(other.registry_)), id_(std::exchange(other.id_, 0)) {}

Subscription& Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        Reset();
        registry_ = std::move(other.registry_);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

Subscription::~Subscription() {
    Reset();
}

void Subscription::Reset() {
    if (auto registry = registry_.lock()) {
        registry->Remove(id_);
    }
    registry_.reset();
    id_ = 0;
}

bool Subscription::Active() const {
    const auto registry = registry_.lock();
    return registry && registry->Contains(id_);
}

Subscription ListenerRegistry::Add(std::optional<std::size_t> keyIndex, ChangeListener listener) {
    if (!listener) {
        throw std::invalid_argument("an option listener must be callable");
    }
    const std::uint64_t id = nextId_++;
    entries_.push_back(std::make_shared<Entry>(Entry{id, keyIndex, std::move(listener)}));
    return Subscription(weak_from_this(), id);
}

void ListenerRegistry::Remove(std::uint64_t id) {
    const auto found = std::find_if(entries_.begin(), entries_.end(), [id](const auto& e) { return e->id == id; });
    if (found != entries_.end()) {
        (*found)->active = false;
        entries_.erase(found);
    }
}

bool ListenerRegistry::Contains(std::uint64_t id) const {
    return std::any_of(entries_.begin(), entries_.end(), [id](const auto& e) { return e->id == id; });
}

void ListenerRegistry::Notify(std::size_t keyIndex, const std::string& key) {
    // Listeners may subscribe or unsubscribe while being called: work on a copy and skip removed entries.
    std::vector<std::shared_ptr<Entry>> targets;
    for (const auto& entry : entries_) {
        if (!entry->keyIndex || *entry->keyIndex == keyIndex) {
            targets.push_back(entry);
        }
    }
    for (const auto& entry : targets) {
        if (entry->active) {
            entry->listener(key);
        }
    }
}

} // namespace options
