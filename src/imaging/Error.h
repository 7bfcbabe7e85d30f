#pragma once
// The one failure type of the imaging component: every failing load, save or effect raises it,
// carrying the file concerned (empty when none) and the cause in words.
#include <stdexcept>
#include <string>

namespace imaging {

class Error : public std::runtime_error {
public:
    // systemError: the errno value when the cause is a failing file-system call, otherwise 0.
    Error(std::string file, std::string cause, int systemError = 0)
        : std::runtime_error(file.empty() ? cause : file + ": " + cause), file_(std::move(file)),
          cause_(std::move(cause)), systemError_(systemError) {}

    const std::string& file() const noexcept { return file_; }
    const std::string& cause() const noexcept { return cause_; }
    int systemError() const noexcept { return systemError_; }

    // The same cause, attributed to a file (codecs raise without knowing the file's name).
    Error WithFile(const std::string& file) const { return Error(file, cause_, systemError_); }

private:
    std::string file_;
    std::string cause_;
    int systemError_ = 0;
};

// Raised by codecs when the bytes are not a valid image; the caller adds the file name.
[[noreturn]] inline void Fail(const std::string& cause) { throw Error({}, cause); }

} // namespace imaging
