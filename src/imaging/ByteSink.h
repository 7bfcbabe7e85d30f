#pragma once
// Where an encoder's bytes go, in order, as it produces them: a file being written, or a buffer.
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace imaging {

// May throw; the encoder then stops and the exception reaches the encoder's caller unchanged.
using ByteSink = std::function<void(std::span<const std::uint8_t>)>;

// A sink appending to `buffer`.
inline ByteSink AppendTo(std::vector<std::uint8_t>& buffer) {
    return [&buffer](std::span<const std::uint8_t> bytes) { buffer.insert(buffer.end(), bytes.begin(), bytes.end()); };
}

} // namespace imaging
