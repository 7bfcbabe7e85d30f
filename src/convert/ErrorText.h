#pragma once
// The texts users see for failures: file-system causes in the program's own Japanese wording.
#include <exception>
#include <string>

#include "imaging/Error.h"

namespace convert {

// "ファイルが見つかりません" for ENOENT, ... "I/O エラー (%d)" for causes without a text of their own.
std::string IoErrorText(int systemError);
// The text for an imaging failure: by its problem (a system error by its errno).
std::string ProblemText(const imaging::Error& error);
// The text of an error box or of a command-line error line: the cause, then the file it concerns.
std::string DescribeError(const std::exception& error);

} // namespace convert
