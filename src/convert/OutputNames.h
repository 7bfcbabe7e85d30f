#pragma once
// How a run names its outputs beyond the source's name or the generated one: what happens when two entries of
// the run would write the same name (SameName), and when a file of that name exists from before the run
// (Existing). Decided for the whole list before anything is written, in list order, so the names are the same
// whatever the number of workers.
#include <functional>
#include <string>
#include <vector>

namespace convert {

// The option texts (an unlisted text behaves as the start value, the first of each).
inline constexpr const char* kNumberSameNames = "番号を付ける"; // SameName's start value
inline constexpr const char* kReplaceSameNames = "上書きする";
inline constexpr const char* kKeepFolders = "フォルダー構成を保つ";
inline constexpr const char* kReplaceExisting = "上書きする"; // Existing's start value
inline constexpr const char* kSkipExisting = "スキップする";
inline constexpr const char* kNumberExisting = "番号を付ける";

struct OutputNaming {
    std::vector<std::string> paths; // per entry
    std::vector<bool> skipped;      // per entry: its output exists from before the run and is not written
};

// `paths`: each entry's output path as the source's name or the generated name gives it; `sources`: the
// entries' sources (absolute), `outputFolder` the run's. `isSkippedFormat(i)`: whether entry i is a GIF or TIFF
// (asked only for entries whose names another entry wants: a skipped entry takes no name).
OutputNaming NameOutputs(const std::vector<std::string>& sources, std::vector<std::string> paths,
                         const std::string& outputFolder, const std::string& sameName, const std::string& existing,
                         const std::function<bool(std::size_t)>& isSkippedFormat);

// "x.jpg" numbered n: "x (n).jpg" (in the same folder).
std::string NumberedName(const std::string& path, int n);

// For 「フォルダー構成を保つ」: the output path of a source below the deepest folder that holds every source, in
// the same place below the output folder. `name` is the output's file name.
std::string KeptFolderPath(const std::string& source, const std::string& commonFolder, const std::string& outputFolder,
                           const std::string& name);
// The deepest folder that holds every one of `sources` (absolute paths), with its trailing "/".
std::string CommonFolder(const std::vector<std::string>& sources);

} // namespace convert
