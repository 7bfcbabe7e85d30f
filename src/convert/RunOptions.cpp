#include "convert/RunOptions.h"

#include "convert/Caption.h"
#include "convert/SourceCheck.h"
#include "options/OptionKeys.h"

namespace keys = options::keys;

namespace convert {

RunOptions CaptureRunOptions(const options::OptionSet& o, const std::string& programFolder) {
    RunOptions r;
    r.programFolder = programFolder;
    r.sameName = o.Text(keys::SameName);
    r.existing = o.Text(keys::Existing);
    r.metadata = o.Text(keys::Metadata);
    r.tempRoot = ChooseTempRoot(programFolder);
    r.size.percentageMode = o.Checked(keys::ByPercentage);
    r.size.keepRatio = o.Checked(keys::KeepRatio);
    r.size.resizeMode = o.Text(keys::SizeMode);
    r.size.percentage = o.SpinValue(keys::Percentage);
    r.size.boxWidth = o.SpinValue(keys::Width);
    r.size.boxHeight = o.SpinValue(keys::Height);
    r.quality = o.Level(keys::Quality);
    r.sharpenLevel = o.SpinValue(keys::SharpenAmount);
    r.blurLevel = o.SpinValue(keys::BlurAmount);
    r.sharpen = o.Checked(keys::Sharpen);
    r.blur = o.Checked(keys::Blur);
    r.antialias = o.Checked(keys::Antialias);
    r.grayscale = o.Checked(keys::Greyscale);
    r.outputFolder = o.Text(keys::OutputFolder);
    r.comment = o.Text(keys::Comment);
    r.generatedNames = o.Checked(keys::GeneratedNames);
    r.namePrefix = o.Text(keys::Prefix);
    r.nameSuffix = o.Text(keys::Suffix);
    r.nameStart = o.SpinValue(keys::StartNumber);
    r.nameDigits = o.SpinValue(keys::Digits);
    r.nameCase = o.SelectedCase();
    r.overlayImage = o.Text(keys::OverlayImage);
    r.overlayPosition = o.Text(keys::OverlayPlace);
    r.overlayTransparency = o.Level(keys::OverlayTransparency);
    r.overlayKeyColour = o.ColourOf(keys::OverlayKeyColour);
    r.captionText = o.Text(keys::CaptionText);
    r.captionPosition = o.Text(keys::CaptionPlace);
    r.captionFill = o.Checked(keys::CaptionFilled);
    r.captionFillColour = o.ColourOf(keys::CaptionFillColour);
    r.captionFont = o.Font();
    r.format = o.Text(keys::OutputFormat);
    r.progressive = o.Checked(keys::Progressive);
    r.interlace = o.Checked(keys::Interlace);
    r.transparent = o.Checked(keys::Transparent);
    r.transparentColour = o.ColourOf(keys::TransparentColour);
    ResolveCaptionColours(r);
    return r;
}

} // namespace convert
