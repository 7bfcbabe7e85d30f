#include "convert/BatchRun.h"
#include "convert/WorkingImage.h"
#include "imaging/ImageStore.h"

#include <algorithm>

#include "convert/SourceCheck.h"
#include "convert/SourceGuard.h"
#include "imaging/AtomicFile.h"
#include "imaging/Error.h"

namespace convert {

int TrayFrame(int percent) {
    if (percent <= 20) return 0;
    if (percent <= 40) return 1;
    if (percent <= 60) return 2;
    if (percent <= 80) return 3;
    return 4;
}

BatchRun::BatchRun(RunComponents& components, RunOptions options, RunMode mode, RunObserver& observer,
                   RunStages& stages)
    : c_(components), options_(std::move(options)), commandLineRun_(mode == RunMode::CommandLine), observer_(observer),
      stages_(stages) {
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

bool BatchRun::Run(const std::vector<std::string>& list) {
    // The file progress bar follows the loads and saves of this run.
    FileProgressLink progress(c_.Ik5File1, observer_);
    const int count = int(list.size());
    Start(list);
    // An output that would replace a source not read yet waits for it (see SourceGuard).
    SourceGuard guard(list, OutputPaths(list));
    struct Guarding {
        BatchRun& run;
        ~Guarding() {
            run.outputSink_ = nullptr;
            run.sourceRead_ = nullptr;
        }
    } guarding{*this};
    outputSink_ = [this, &guard](imaging::PendingFile file, const std::string& path) {
        guard.Publish(index_, std::move(file), path);
    };
    sourceRead_ = [&guard](int index) { guard.SourceRead(index); };
    for (int i = 0; i < count; ++i) {
        Announce(i, count);
        if (ConvertOrSkip(list[std::size_t(i)], i) == Outcome::Stopped) return false;
    }
    guard.Flush();
    EndOfRun();
    return true;
}

const std::string* BatchRun::GeneratedName(int index) const {
    if (!options_.generatedNames || !generatedNames_ || index < 0 || std::size_t(index) >= generatedNames_->size())
        return nullptr;
    return &(*generatedNames_)[std::size_t(index)];
}

std::vector<std::string> BatchRun::OutputPaths(const std::vector<std::string>& list) const {
    const OutputFormat format = ChooseOutputFormat(options_.format, options_.quality, options_.progressive);
    std::vector<std::string> paths;
    paths.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        paths.push_back(OutputPath(list[i], options_.outputFolder, GeneratedName(int(i)), format));
    }
    return paths;
}

void BatchRun::Start(const std::vector<std::string>& list) {
    // Temporary files of an earlier run that died (where the file system cannot keep files nameless).
    imaging::RemoveStaleTemporaries(options_.outputFolder);
    imaging::RemoveStaleTemporaries(options_.TempFolder());
    observer_.OverallRange(int(list.size()));
    observer_.OverallPosition(0);
    if (options_.generatedNames)
        generatedNames_ = std::make_shared<const std::vector<std::string>>(stages_.GeneratedNames(*this, list));
    overlayUsable_ = stages_.PrepareOverlay(*this);
}

void BatchRun::Follow(const BatchRun& lead) {
    generatedNames_ = lead.generatedNames_;
    stages_.PrepareOverlay(*this); // for the stage's own settings; whether the overlay is used is the lead's call
    overlayUsable_ = lead.overlayUsable_;
}

void BatchRun::Announce(int index, int count) {
    index_ = index;
    observer_.OverallPosition(index + 1);
    const int percent = (index + 1) * 100 / count;
    observer_.TrayProgress(TrayFrame(percent), std::to_string(percent) + "%完了", index, count);
    observer_.ProcessMessages();
}

BatchRun::Outcome BatchRun::ConvertOrSkip(const std::string& source, int index) {
    index_ = index;
    try {
        if (IsGifOrTiff(source)) {
            if (sourceRead_) sourceRead_(index);
            ++skipped_;
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

    if (overlayUsable_) stages_.Overlay(*this);
    stages_.Corrections(*this);
    if (!options_.captionText.empty()) {
        stages_.Caption(*this, source);
        if (file.ImgHandle != effect.InImgHandle && effect.InImgHandle != 0) {
            c_.Ik5Common1.ImgHandle = effect.InImgHandle;
            c_.Ik5Common1.DeleteImage();
        }
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

    file.FileName = OutputPath(source, options_.outputFolder, GeneratedName(index), format);
    CreateOutputFolder(file.FileName);
    SaveOutput();
    ++converted_;
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

void BatchRun::EndOfRun() {
    observer_.OverallPosition(0);
    ClearTempFolder(options_.TempFolder());
    observer_.RemoveTray();
    observer_.Beep();
    if (commandLineRun_) observer_.EndApplication();
}

} // namespace convert
