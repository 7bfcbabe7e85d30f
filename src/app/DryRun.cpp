#include "app/DryRun.h"

#include <cstdio>
#include <exception>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/ConsoleRun.h"
#include "app/NamingStages.h"
#include "convert/ErrorText.h"
#include "convert/OutputFormat.h"
#include "convert/RunPlan.h"
#include "convert/SourceCheck.h"

namespace app {

namespace {

struct Line {
    std::string source;
    std::string output; // empty for an entry skipped or not read
    std::string status; // "planned", "skipped", "failed"
    std::string why;    // for a skip or a failure
    bool numbered = false;
    bool replaces = false;
};

void Print(const Line& line, bool json) {
    if (json) {
        std::printf("{\"source\":%s,\"output\":%s,\"status\":\"%s\",\"numbered\":%s,\"replaces\":%s%s}\n",
                    JsonString(line.source).c_str(), line.output.empty() ? "null" : JsonString(line.output).c_str(),
                    line.status.c_str(), line.numbered ? "true" : "false", line.replaces ? "true" : "false",
                    line.why.empty() ? "" : (",\"reason\":" + JsonString(line.why)).c_str());
        return;
    }
    std::string text = line.source + " → ";
    if (line.status == "planned") {
        text += line.output;
        if (line.numbered) text += "  [同じ名前の出力があるため番号付き]";
        if (line.replaces) text += "  [既存のファイルを置き換え]";
    } else {
        text += (line.status == "skipped" ? "スキップ: " : "変換できません: ") + line.why;
    }
    std::printf("%s\n", text.c_str());
}

} // namespace

int PrintDryRun(const convert::RunOptions& options, const std::vector<std::string>& list, bool json, bool quiet) {
    NamingStages stages;
    convert::RunPlan plan;
    try {
        plan = convert::MakeRunPlan(options, list, stages);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kelvo: %s\n", convert::DescribeError(error).c_str());
        return 1;
    }
    const convert::OutputFormat format =
        convert::ChooseOutputFormat(options.format, options.quality, options.progressive);
    int planned = 0, skipped = 0, failed = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        Line line{list[i], {}, "planned", {}, false, false};
        bool gifOrTiff = false;
        std::string unreadable;
        try {
            gifOrTiff = convert::IsGifOrTiff(list[i]); // raises when the file cannot be opened
        } catch (const std::exception& error) {
            unreadable = convert::DescribeError(error);
        }
        if (!unreadable.empty()) {
            line.status = "failed";
            line.why = unreadable;
            ++failed;
        } else if (gifOrTiff) {
            line.status = "skipped";
            line.why = "GIF と TIFF は変換しません";
            ++skipped;
        } else if (plan.Skipped(int(i))) {
            line.status = "skipped";
            line.why = "出力先に同じ名前のファイルがあります: " + plan.outputPaths[i];
            ++skipped;
        } else {
            line.output = plan.outputPaths[i];
            line.numbered = !plan.keepFolders && line.output != convert::OutputPath(list[i], options.outputFolder,
                                                                                    plan.GeneratedName(int(i)), format);
            struct stat info {};
            line.replaces = ::lstat(line.output.c_str(), &info) == 0;
            ++planned;
        }
        Print(line, json);
    }
    if (json)
        std::printf("{\"summary\":true,\"dry_run\":true,\"planned\":%d,\"skipped\":%d,\"failed\":%d}\n", planned,
                    skipped, failed);
    if (!quiet)
        std::fprintf(stderr, "kelvo: 試行のみ (何も書き込んでいません): %d 件を変換、%d 件をスキップする予定です%s\n",
                     planned, skipped, failed ? ("、" + std::to_string(failed) + " 件は読めません").c_str() : "");
    return failed ? 1 : 0;
}

} // namespace app
