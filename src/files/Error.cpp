#include "files/Error.h"

#include <cstring>

#include "files/InputFile.h"

namespace files {

Error FileError(const std::string& path, const files::Failure& failure) {
    if (failure.notRegular) return Error(path, "not a regular file", Problem::NotRegular);
    return Error(path, std::strerror(failure.systemError), failure.systemError);
}

} // namespace files
