#include "convert/BatchRun.h"
#include "convert/WorkingImage.h"
#include "imaging/ImageStore.h"

#include <algorithm>

#include "convert/SourceCheck.h"
#include "imaging/Error.h"
#include "imaging/Stop.h"

namespace convert {

int TrayFrame(int percent) {
    if (percent <= 20) return 0;
    if (percent <= 40) return 1;
    if (percent <= 60) return 2;
    if (percent <= 80) return 3;
    return 4;
}

namespace {

std::shared_ptr<const RunPlan> NoPlan() {
    static const auto none = std::make_shared<const RunPlan>();
    return none;
}

} // namespace

BatchRun::BatchRun(RunComponents& components, RunOptions options, RunMode mode, RunObserver& observer,
                   RunStages& stages, std::shared_ptr<const RunPlan> plan)
    : c_(components), options_(std::move(options)), commandLineRun_(mode == RunMode::CommandLine), observer_(observer),
      stages_(stages), plan_(plan ? std::move(plan) : NoPlan()) {
    target_ = {options_.size.boxWidth, options_.size.boxHeight};
}

void BatchRun::CommitEffect() {
    images::CommitEffect(c_.Ik5Effect1);
}

void BatchRun::ReleaseHeld(imaging::TIk5File& file) {
    images::Release(file.ImgHandle);
}

FileProgressLink::FileProgressLink(imaging::TIk5File& file, RunObserver& observer)
    : file_(file), previous_(file.OnProgress) {
    file.OnProgress = [&observer](imaging::TIk5File&, std::int16_t percent) { observer.FileProgress(percent); };
}

FileProgressLink::~FileProgressLink() {
    file_.OnProgress = std::move(previous_);
}

BatchRun::Outcome BatchRun::ConvertOrSkip(const std::string& source, int index) {
    try {
        imaging::ThrowIfStopped();
        // An output that exists from before the run, with 「スキップする」, or a GIF or TIFF entry.
        if (plan_->Skipped(index) || IsGifOrTiff(source)) {
            if (sourceRead_) sourceRead_(index);
            observer_.FileSkipped(index, source);
            return Outcome::Skipped;
        }
        return ConvertEntry(source, index) ? Outcome::Converted : Outcome::Stopped;
    } catch (const imaging::Error& error) {
        // An effect that fails (often because it is where a lazily loaded source is decoded) names no file:
        // the entry's source is the one concerned.
        if (error.file().empty()) throw error.WithFile(source);
        throw;
    }
}

bool BatchRun::ConvertEntry(const std::string& source, int index) {
    imaging::TIk5File& file = c_.Ik5File1;
    imaging::TIk5Effect& effect = c_.Ik5Effect1;

    file.FileName = source;
    ReleaseHeld(file);
    file.Action = imaging::TIk5File::kLoad;
    file.Execute();
    if (sourceRead_) sourceRead_(index);
    imaging::ThrowIfStopped();
    // The loaded image becomes the working image, read by every effect through InImgHandle. Each effect puts
    // its result in OutImgHandle, and CommitEffect releases the old working image and makes the result the
    // new one; the file control keeps naming the loaded image only until the effects begin.
    effect.InImgHandle = file.ImgHandle;
    file.GetImageInfo();
    if (file.ImgBitCount < 24) {
        using E = imaging::TIk5Effect;
        effect.ChangeColorDepth(E::kTrueColour, E::kNoDepthOption, E::kNoDepthOption, E::kNoDepthOption);
        CommitEffect();
    }

    target_ = ComputeTargetSize(file.ImgWidth, file.ImgHeight, options_.size, target_);
    const std::int32_t resized = effect.Resize(target_.width, target_.height, imaging::TIk5Effect::kAnyResizeMode);
    if (resized != 0) CommitEffect();

    imaging::ThrowIfStopped();
    if (plan_->overlayUsable) stages_.Overlay(*this);
    stages_.Corrections(*this);
    if (!options_.captionText.empty()) {
        stages_.Caption(*this, source);
        if (file.ImgHandle != effect.InImgHandle) images::Release(effect.InImgHandle);
        effect.InImgHandle = file.ImgHandle;
    } else {
        // The save reads the last effect's result through the file control.
        file.ImgHandle = resized != 0 ? effect.OutImgHandle : 0;
    }
    if (resized == 0 || file.ImgHandle == 0) {
        // The run stops here. The file control is left naming the image still held (never a released one),
        // so the next load releases exactly that image.
        file.ImgHandle = effect.InImgHandle;
        return false;
    }

    OutputFormat format = PrepareFormat();
    observer_.PanelCaption(FormatCaption(target_.width, target_.height, format));

    file.FileName = index >= 0 && std::size_t(index) < plan_->outputPaths.size()
                        ? plan_->outputPaths[std::size_t(index)]
                        : OutputPath(source, options_.outputFolder, nullptr, format);
    if (plan_->keepFolders)
        CreateOutputFolders(file.FileName, options_.outputFolder);
    else
        CreateOutputFolder(file.FileName);
    imaging::ThrowIfStopped();
    SaveOutput();
    observer_.FileDone(index, source, file.FileName);

    if (!commandLineRun_ && options_.captionText.empty()) observer_.ShowPreview(effect.OutImgHandle);
    observer_.FileProgress(0);
    return true;
}

void BatchRun::SaveOutput() {
    imaging::TIk5File& file = c_.Ik5File1;
    file.PendingSave = outputSink_;
    struct Reset {
        imaging::TIk5File& file;
        ~Reset() { file.PendingSave = nullptr; }
    } reset{file};
    file.Execute();
}

OutputFormat BatchRun::PrepareFormat() {
    imaging::TIk5File& file = c_.Ik5File1;
    OutputFormat format = ChooseOutputFormat(options_.format, options_.quality, options_.progressive);
    if (format.reduceTo8Bits) {
        using E = imaging::TIk5Effect;
        c_.Ik5Effect1.ChangeColorDepth(E::kPalette, E::kNoDepthOption, E::kNoDepthOption, E::kNoDepthOption);
        CommitEffect();
        file.ImgHandle = c_.Ik5Effect1.OutImgHandle;
    }
    file.Action = format.action;
    // What the output keeps of the source's metadata (出力の詳細設定); an unlisted text keeps nothing.
    file.Metadata = options_.metadata == "撮影情報を残す" ? 1 : options_.metadata == "すべて残す" ? 2 : 0;
    if (format.jpeg) {
        file.JpegQuality = std::int16_t(options_.quality);
        file.JpegSubsamp = 0;
        file.Comment = options_.comment;
    } else if (format.png) {
        file.Comment = options_.comment;
        file.Interlace = options_.interlace ? -1 : 0;
        file.Transparent = options_.transparent ? -1 : 0;
        file.PalRed = std::int16_t(options_.transparentColour & 0xFF);
        file.PalGreen = std::int16_t((options_.transparentColour >> 8) & 0xFF);
        file.PalBlue = std::int16_t((options_.transparentColour >> 16) & 0xFF);
    } else if (format.fpxQuality || format.takesQuality) {
        file.JpegQuality = std::int16_t(options_.quality);
    }
    return format;
}

} // namespace convert
