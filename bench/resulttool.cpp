// resulttool FILE [FORMAT]: times the result view's rendering (convert::RenderResult, the run itself for one entry)
// of FILE with the start values (FORMAT replaces the output format), ten times, and prints each time and the
// caption. bench/resultview runs it on a 12-megapixel photo.
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include <QGuiApplication>

#include "convert/ErrorText.h"
#include "convert/ResultPreview.h"
#include "convert/RunOptions.h"
#include "convert/Stages.h"
#include "options/OptionKeys.h"
#include "options/OptionSet.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: resulttool FILE [FORMAT]\n");
        return 2;
    }
    QGuiApplication application(argc, argv); // the caption draws with Qt's fonts
    const std::string folder = std::filesystem::temp_directory_path().string() + "/kelvo-resulttool/";
    std::filesystem::create_directories(folder);
    options::OptionSet options(folder);
    if (argc > 2) options.SetText(options::keys::OutputFormat, argv[2]);
    options.SetText(options::keys::CaptionText, "Kelvo");
    const convert::RunOptions run = convert::CaptureRunOptions(options, folder);
    try {
        for (int i = 0; i < 10; ++i) {
            convert::ConversionStages stages;
            const auto start = std::chrono::steady_clock::now();
            const auto result = convert::RenderResult(run, argv[1], stages);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            std::printf("%6.1f ms  %s\n", ms, result ? convert::ResultCaption(*result).c_str() : "(nothing)");
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "resulttool: %s\n", convert::DescribeError(error).c_str());
        return 1;
    }
    std::filesystem::remove_all(folder);
    return 0;
}
