#include "imaging/FileRead.h"

#include "imaging/codecs/VipsLoad.h"

namespace imaging {

std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::uint64_t limit) {
    return codecs::FileReader(path).ReadAll(limit);
}

} // namespace imaging
