#include "convert/ErrorText.h"

#include <cerrno>

#include "imaging/Error.h"

namespace convert {

std::string IoErrorText(int systemError) {
    switch (systemError) {
    case ENOENT:
        return "ファイルが見つかりません";
    case EINVAL:
    case ENAMETOOLONG:
        return "不正なファイル名です";
    case EMFILE:
        return "オープンしたファイルが多すぎます";
    case EACCES:
    case EPERM:
    case EISDIR: // a folder opened as a file
    case EROFS:
        return "ファイルへのアクセスが拒否されました";
    case ENOSPC:
        return "ディスクがいっぱいです";
    default:
        return "I/O エラー (" + std::to_string(systemError) + ")";
    }
}

std::string DescribeError(const std::exception& error) {
    if (auto* imagingError = dynamic_cast<const imaging::Error*>(&error)) {
        std::string cause =
            imagingError->systemError() ? IoErrorText(imagingError->systemError()) : imagingError->cause();
        return imagingError->file().empty() ? cause : cause + ": " + imagingError->file();
    }
    return error.what();
}

} // namespace convert
