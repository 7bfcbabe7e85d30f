#pragma once
// Change listeners of the option set and the subscription handle that keeps one registered.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace options {

// Called after an option's value changed; receives the option's key. The option set already holds the new value.
using ChangeListener = std::function<void(const std::string& key)>;

class ListenerRegistry;

// Keeps a listener registered while it lives; destroying or resetting it unregisters the listener, also in the
// middle of a notification (a removed listener is not called again). Outliving the option set is harmless.
class Subscription {
public:
    Subscription() = default;
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    Subscription(Subscription&& other) noexcept;
    Subscription& operator=(Subscription&& other) noexcept;
    ~Subscription();

    void Reset();
    bool Active() const;

private:
    friend class ListenerRegistry;
    Subscription(std::weak_ptr<ListenerRegistry> registry, std::uint64_t id);

    std::weak_ptr<ListenerRegistry> registry_;
    std::uint64_t id_ = 0;
};

class ListenerRegistry : public std::enable_shared_from_this<ListenerRegistry> {
public:
    // keyIndex: the option listened to, or nothing for every option.
    Subscription Add(std::optional<std::size_t> keyIndex, ChangeListener listener);
    void Remove(std::uint64_t id);
    bool Contains(std::uint64_t id) const;
    // Calls, in order of subscription, every listener of `keyIndex` and every listener of all options.
    void Notify(std::size_t keyIndex, const std::string& key);

private:
    struct Entry {
        std::uint64_t id;
        std::optional<std::size_t> keyIndex;
        ChangeListener listener;
        bool active = true;
    };
    std::vector<std::shared_ptr<Entry>> entries_;
    std::uint64_t nextId_ = 1;
};

} // namespace options
