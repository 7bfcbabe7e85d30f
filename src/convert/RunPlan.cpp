#include "convert/RunPlan.h"

#include "convert/OutputFormat.h"
#include "convert/OutputNames.h"
#include "convert/SourceCheck.h"
#include "imaging/Error.h"
#include "imaging/Ik5File.h"
#include "sources/PathNames.h"

namespace convert {

namespace {

// The overlay file's picture, read whole now.
std::shared_ptr<const imaging::Image> ReadOverlay(const std::string& path) {
    imaging::TIk5File file;
    file.FileName = path;
    file.Action = imaging::TIk5File::kLoad;
    file.Execute();
    struct Release {
        imaging::Handle handle;
        ~Release() { imaging::ImageStore::Instance().Delete(handle); }
    } release{file.ImgHandle};
    try {
        return std::make_shared<const imaging::Image>(
            imaging::Detached(*imaging::ImageStore::Instance().Get(file.ImgHandle)));
    } catch (const imaging::Error& error) {
        if (error.file().empty()) throw error.WithFile(path);
        throw;
    }
}

} // namespace

const std::string* RunPlan::GeneratedName(int index) const {
    if (index < 0 || std::size_t(index) >= generatedNames.size()) return nullptr;
    return &generatedNames[std::size_t(index)];
}

RunPlan MakeRunPlan(const RunOptions& options, const std::vector<std::string>& list, RunStages& stages) {
    RunPlan plan;
    if (options.generatedNames) {
        sources::CheckNameParts(options.namePrefix, options.nameSuffix);
        plan.generatedNames = stages.GeneratedNames(options, list);
    }
    const OutputFormat format = ChooseOutputFormat(options.format, options.quality, options.progressive);
    std::vector<std::string> paths;
    paths.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i)
        paths.push_back(OutputPath(list[i], options.outputFolder, plan.GeneratedName(int(i)), format));
    // Generated names are numbered already: they keep their folder.
    const std::string sameName =
        options.generatedNames && options.sameName == kKeepFolders ? std::string(kNumberSameNames) : options.sameName;
    plan.keepFolders = sameName == kKeepFolders;
    OutputNaming naming = NameOutputs(list, std::move(paths), options.outputFolder, sameName, options.existing,
                                      [&list](std::size_t entry) {
                                          try {
                                              return IsGifOrTiff(list[entry]);
                                          } catch (const imaging::Error&) {
                                              return false; // the run stops at it: it keeps its name
                                          }
                                      });
    plan.outputPaths = std::move(naming.paths);
    plan.skipped = std::move(naming.skipped);
    plan.overlayUsable = stages.OverlayUsable(options);
    if (plan.overlayUsable) {
        try {
            plan.overlay = ReadOverlay(options.overlayImage);
        } catch (const imaging::Error&) {
            plan.overlayFailure = std::current_exception();
        }
    }
    return plan;
}

} // namespace convert
