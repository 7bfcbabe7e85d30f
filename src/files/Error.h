#pragma once
// The program's one failure type for files and what is read from them: every failing open, read, write, load,
// save or effect raises it, carrying the file concerned (empty when none), what kind of problem it is, and the
// cause in words (for developers; users see a text chosen by the problem, convert/ErrorText.h). The imaging
// component raises it too (imaging/Error.h names it there).
#include <stdexcept>
#include <string>

namespace files {

struct Failure;

enum class Problem {
    System,      // a failing file-system call: systemError tells which
    NotRegular,  // a named pipe, socket or device named as a file
    Truncated,   // the data ends before the image does (an empty file too)
    Damaged,     // the bytes contradict the format
    NotImage,    // not a file of a format this component reads
    Unsupported, // a variant of a known format that this component does not read
    TooLarge,    // an image beyond what the component takes, or beyond what its file can hold
    NoMemory,
    Other,   // anything else: an effect or encoder refusing its arguments
    Stopped, // the work was called off (see Stop.h); keep it last
};

class Error : public std::runtime_error {
public:
    // systemError: the errno value when the cause is a failing file-system call, otherwise 0 (the problem
    // is then Damaged).
    Error(std::string file, std::string cause, int systemError = 0)
        : Error(std::move(file), std::move(cause), systemError ? Problem::System : Problem::Damaged, systemError) {}
    Error(std::string file, std::string cause, Problem problem, int systemError = 0)
        : std::runtime_error(file.empty() ? cause : file + ": " + cause), file_(std::move(file)),
          cause_(std::move(cause)), problem_(problem), systemError_(systemError) {}

    const std::string& file() const noexcept { return file_; }
    const std::string& cause() const noexcept { return cause_; }
    Problem problem() const noexcept { return problem_; }
    int systemError() const noexcept { return systemError_; }

    // The same cause, attributed to a file (codecs raise without knowing the file's name).
    Error WithFile(const std::string& file) const { return Error(file, cause_, problem_, systemError_); }

private:
    std::string file_;
    std::string cause_;
    Problem problem_ = Problem::Damaged;
    int systemError_ = 0;
};

// Raised by codecs when the bytes are not a valid image; the caller adds the file name.
[[noreturn]] inline void Fail(const std::string& cause, Problem problem = Problem::Damaged) {
    throw Error({}, cause, problem);
}
[[noreturn]] inline void FailTruncated(const std::string& cause) {
    Fail(cause, Problem::Truncated);
}
[[noreturn]] inline void FailUnsupported(const std::string& cause) {
    Fail(cause, Problem::Unsupported);
}

// The error for a file that the opener refused or could not read.
Error FileError(const std::string& path, const files::Failure& failure);

} // namespace files
