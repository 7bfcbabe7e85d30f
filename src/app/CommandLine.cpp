#include "app/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <unistd.h>

#include <QGuiApplication>

#include "app/CliOptions.h"
#include "app/ConsoleRun.h"
#include "app/DryRun.h"
#include "app/NamingStages.h"
#include "app/ProgramFolder.h"
#include "convert/ErrorText.h"
#include "convert/RunDriver.h"
#include "options/OptionKeys.h"
#include "options/OptionSet.h"
#include "settings/Settings.h"
#include "sources/FileAttributes.h"
#include "sources/FolderWalk.h"
#include "sources/PathNames.h"
#include "sources/PathNamesLong.h"

namespace app {

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Counts(int converted, int skipped) {
    return std::to_string(converted) + " 件変換、" + std::to_string(skipped) + " 件スキップ";
}

std::string StoppedCounts(int converted, int skipped) {
    std::string text = "(";
    text += Counts(converted, skipped);
    return text += "の後で中止)";
}

void JsonSummary(bool json, const convert::RunDriver& run, int failed, int status) {
    if (!json) return;
    std::printf("{\"summary\":true,\"converted\":%d,\"skipped\":%d,\"failed\":%d,\"status\":%d}\n", run.Converted(),
                run.Skipped(), failed, status);
    std::fflush(stdout);
}

// A run stopped by a signal: how far it came; returns the exit status for the signal (130, 143).
int SayStopped(const convert::RunDriver& run, bool json) {
    const int status = 128 + (StopSignal() ? StopSignal() : SIGINT);
    JsonSummary(json, run, 0, status);
    std::fprintf(stderr, "kelvo: 中止しました %s\n", StoppedCounts(run.Converted(), run.Skipped()).c_str());
    return status;
}

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

void PrintUsage() {
    std::printf(
        "使い方: kelvo                       ウィンドウを開く\n"
        "        kelvo 設定ファイル.klv      その設定でウィンドウを開く\n"
        "        kelvo [オプション] 画像またはフォルダ...\n"
        "                                    ウィンドウなしで変換する (フォルダは中の画像すべて)\n"
        "        kelvo --open 画像またはフォルダ...\n"
        "                                    変換リストに入れてウィンドウを開く\n"
        "Usage:  kelvo                       open the window\n"
        "        kelvo SETTINGS.klv          open the window with the options of a settings file\n"
        "        kelvo [OPTION]... FILE|FOLDER...\n"
        "                                    convert the images (folders: every image below them) without a\n"
        "                                    window, with the options last saved in the window\n"
        "        kelvo --open FILE|FOLDER... open the window with the images in the conversion list\n"
        "        kelvo --help | --version\n"
        "\n"
        "オプション / Options (each overrides the saved settings for this run only; nothing is saved):\n"
        "  --settings FILE.klv   その設定ファイルで変換 / convert with a named settings set\n"
        "  -o, --output DIR      出力先フォルダ / output folder\n"
        "  -f, --format FORMAT   形式 / format: JPEG BMP8 BMP24 PNG8 PNG24 FPX PCX WEBP AVIF\n"
        "  --size WxH            縦横比を保って縮小 / shrink into a WxH box, keeping the ratio\n"
        "  --percent N           N%% の大きさに / scale to N %% (1-100)\n"
        "  -q, --quality N       圧縮品質 / quality 0-100\n"
        "  -j, --jobs N          同時に変換する数 / conversions at once (1 = one at a time; default: one per core)\n"
        "  --files-from FILE     名前の一覧を読む (- は標準入力) / read names from FILE (- for standard input),\n"
        "                        one a line\n"
        "  -0, --null            一覧の名前は NUL 区切り / names in the list end with a NUL byte\n"
        "  -n, --dry-run         何も書かずに出力名を表示 / print each source and its output, write nothing\n"
        "  --json                一件ごとに JSON を一行 / one JSON object a line per entry, then a summary\n"
        "  --quiet               エラー以外は表示しない / print nothing but errors\n"
        "  --                    以降はすべてファイル名 / every argument after it is a file name\n"
        "\n"
        "Images: .jpg .jpeg .png .bmp .pcx .fpx .heic .heif .avif .webp .jxl. Output goes to the output folder\n"
        "set on the settings page (at first: the Output folder beside the program).\n"
        "終了状態 / Exit status: 0 正常終了 / done; 1 変換が止まった / the run failed; 2 引数の誤り / bad arguments;\n"
        "130, 143 Ctrl+C (SIGINT), SIGTERM で中止 / stopped by a signal (what was written is complete).\n"
        "詳しくは man kelvo / See man kelvo.\n");
}

} // namespace

bool HasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

bool IsSettingsStart(const std::vector<std::string>& args) {
    return !args.empty() && Lower(sources::ExtractFileExt(args.front())) == ".klv";
}

bool IsCommandLineRun(const std::vector<std::string>& args) {
    if (args.empty() || IsSettingsStart(args)) return false;
    return args.front() != "--help" && args.front() != "-h" && args.front() != "--version";
}

bool HandleInformationOptions(const std::vector<std::string>& args) {
    if (args.empty()) return false;
    if (args.front() == "--help" || args.front() == "-h") {
        PrintUsage();
        return true;
    }
    if (args.front() == "--version") {
        std::printf("Kelvo %s\n", KELVO_VERSION);
        return true;
    }
    return false;
}

std::vector<std::string> GatherSources(const std::vector<std::string>& args) {
    std::vector<std::string> list;
    for (const std::string& arg : args) {
        if (sources::IsDirectory(arg))
            sources::ListFolderImages(sources::ExpandLongPath(arg),
                                      {.attributes = 0x3F, .markFolders = true, .recurse = true, .includePlain = true},
                                      list);
        else if (sources::FileAttributes(arg))
            list.push_back(sources::ExpandLongPath(arg));
        else
            // The expansion of a name that does not exist is its parent folder; keep the name itself, made
            // absolute, so the run reports the missing file rather than a folder.
            list.push_back(sources::AbsolutePath(arg));
    }
    return list;
}

int RunCommandLine(const std::vector<std::string>& args) {
    CliRequest request;
    std::vector<std::string> names;
    try {
        request = ParseCliRequest(args);
        names = request.names;
        if (request.filesFrom) {
            std::vector<std::string> listed = ReadNameList(*request.filesFrom, request.nulSeparated);
            names.insert(names.end(), listed.begin(), listed.end());
        }
    } catch (const UsageError& error) {
        std::fprintf(stderr, "kelvo: %s\n", error.what());
        return 2;
    }

    const std::string programFolder = ProgramFolder();
    options::OptionSet optionSet(programFolder);
    try {
        settings::LoadSettings(optionSet, request.settingsFile.value_or(DefaultSettingsFile()));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kelvo: %s\n", convert::DescribeError(error).c_str());
        return request.settingsFile ? 2 : 1;
    }
    ApplyCliRequest(request, optionSet);

    const std::vector<std::string> list = GatherSources(names);
    if (list.empty()) {
        std::fprintf(stderr, "kelvo: 変換する画像がありません\n");
        return 1;
    }

    // Only a caption needs the font system (and its colours) at the start; without it the run starts sooner and
    // holds less. It is made before the options are captured, which resolves the caption's system colours.
    const bool caption = !request.dryRun && !optionSet.Text(options::keys::CaptionText).empty();
    const std::unique_ptr<QGuiApplication> gui = caption ? MakeApplication(true) : nullptr;
    convert::RunOptions runOptions = convert::CaptureRunOptions(optionSet, programFolder);
    if (request.dryRun) return PrintDryRun(runOptions, list, request.json, request.quiet);
    convert::RunComponents components;
    ConsoleObserver observer({.quiet = request.quiet, .json = request.json}, list);
    // Generated names when CheckBox12 is ticked; every worker of the run gets stages of its own.
    convert::RunDriver run(
        components, std::move(runOptions), convert::RunMode::CommandLine, observer,
        [] { return std::make_unique<NamingStages>(); }, request.jobs.value_or(convert::DefaultWorkerCount()));
    observer.StopWith([&run] { run.RequestStop(); },
                      [&run, &observer, &request] {
                          observer.FinishLine();
                          std::fflush(stderr);
                          ::_exit(SayStopped(run, request.json));
                      });
    const StopSignals signals;
    bool normalEnd = false;
    try {
        normalEnd = run.Run(list);
    } catch (const std::exception& error) {
        observer.FinishLine();
        const std::string text = convert::DescribeError(error);
        observer.EntryFailed(run.Index(), text);
        JsonSummary(request.json, run, 1, 1);
        // One line: the cause and the file it concerns, then how far the run came.
        std::fprintf(stderr, "kelvo: %s %s\n", text.c_str(), StoppedCounts(run.Converted(), run.Skipped()).c_str());
        return 1;
    }
    observer.FinishLine();
    const std::string outputFolder =
        observer.LastOutput().empty() ? run.Options().outputFolder : sources::ExtractFilePath(observer.LastOutput());
    // A signal that came as the last entries were being published still ends the program as stopped, so that a
    // script that was interrupted does not go on as if nothing happened (the outputs are all complete anyway).
    if (run.StopRequested() || StopSignal()) return SayStopped(run, request.json);
    if (!normalEnd) {
        const std::string text = "画像の大きさを " + std::to_string(run.Target().width) + "x" +
                                 std::to_string(run.Target().height) +
                                 " にできません: " + OneLine(list[std::size_t(run.Index())]);
        observer.EntryFailed(run.Index(), text);
        JsonSummary(request.json, run, 1, 1);
        std::fprintf(stderr, "kelvo: %s %s\n", text.c_str(), StoppedCounts(run.Converted(), run.Skipped()).c_str());
        return 1;
    }
    JsonSummary(request.json, run, 0, 0);
    if (!request.quiet)
        std::fprintf(stderr, "kelvo: %s。出力先: %s\n", Counts(run.Converted(), run.Skipped()).c_str(),
                     outputFolder.c_str());
    return 0;
}

} // namespace app
