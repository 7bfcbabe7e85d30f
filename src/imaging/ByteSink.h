#pragma once
// Where an encoder's bytes go, in order, as it produces them: a file being written, or a buffer.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <utility>
#include <vector>

namespace imaging {

// May throw; the encoder then stops and the exception reaches the encoder's caller unchanged.
using ByteSink = std::function<void(std::span<const std::uint8_t>)>;

// A sink appending to `buffer`.
inline ByteSink AppendTo(std::vector<std::uint8_t>& buffer) {
    return [&buffer](std::span<const std::uint8_t> bytes) { buffer.insert(buffer.end(), bytes.begin(), bytes.end()); };
}

// Gathers an encoder's small writes into chunks of about `chunk` bytes before handing them to a sink, so an
// encoder can write row by row without holding the whole file. Append to Buffer(), then call Spill(); Flush()
// hands on what is left at the end.
class ChunkedSink {
public:
    explicit ChunkedSink(ByteSink sink, std::size_t chunk = std::size_t(1) << 20)
        : sink_(std::move(sink)), chunk_(chunk) {}
    std::vector<std::uint8_t>& Buffer() { return buffer_; }
    void Spill() {
        if (buffer_.size() >= chunk_) Flush();
    }
    void Flush() {
        if (buffer_.empty()) return;
        sink_(buffer_);
        buffer_.clear();
    }

private:
    ByteSink sink_;
    std::size_t chunk_;
    std::vector<std::uint8_t> buffer_;
};

} // namespace imaging
