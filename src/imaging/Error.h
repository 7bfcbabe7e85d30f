#pragma once
// The one failure type of the imaging component: every failing load, save or effect raises it,
// carrying the file concerned (empty when none) and the cause in words.
#include <stdexcept>
#include <string>

namespace imaging {

class Error : public std::runtime_error {
public:
    Error(std::string file, std::string cause)
        : std::runtime_error(file.empty() ? cause : file + ": " + cause), file_(std::move(file)),
          cause_(std::move(cause)) {}

    const std::string& file() const noexcept { return file_; }
    const std::string& cause() const noexcept { return cause_; }

    // The same cause, attributed to a file (codecs raise without knowing the file's name).
    Error WithFile(const std::string& file) const { return Error(file, cause_); }

private:
    std::string file_;
    std::string cause_;
};

// Raised by codecs when the bytes are not a valid image; the caller adds the file name.
[[noreturn]] inline void Fail(const std::string& cause) { throw Error({}, cause); }

} // namespace imaging
