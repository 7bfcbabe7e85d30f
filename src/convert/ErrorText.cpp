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
    case EFBIG: // the file-size limit of the process (ulimit -f) is reached like a full disc
    case EDQUOT:
        return "ディスクがいっぱいです";
    default:
        return "I/O エラー (" + std::to_string(systemError) + ")";
    }
}

std::string ProblemText(const imaging::Error& error) {
    using imaging::Problem;
    switch (error.problem()) {
    case Problem::System:
        return IoErrorText(error.systemError());
    case Problem::NotRegular:
        return "通常のファイルではありません";
    case Problem::Truncated:
        return "ファイルの末尾以降を読み込みました"; // a read beyond the end of the file
    case Problem::Damaged:
        return "画像ファイルが壊れています";
    case Problem::NotImage:
        return "読み込める画像ファイルではありません";
    case Problem::Unsupported:
        return "この形式の画像には対応していません";
    case Problem::TooLarge:
        return "画像が大きすぎます";
    case Problem::NoMemory:
        return "メモリが足りません";
    case Problem::Stopped:
        return "中止しました";
    case Problem::Other:
        break;
    }
    return "画像を処理できません";
}

std::string DescribeError(const std::exception& error) {
    std::string text;
    if (auto* imagingError = dynamic_cast<const imaging::Error*>(&error)) {
        text = ProblemText(*imagingError);
        if (!imagingError->file().empty()) text += ": " + imagingError->file();
    } else {
        text = error.what();
    }
    // One line, whatever a library put into its message.
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

} // namespace convert
