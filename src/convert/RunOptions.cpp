#include "convert/RunOptions.h"

namespace convert {

RunOptions CaptureRunOptions(const options::OptionSet& o, const std::string& programFolder) {
    RunOptions r;
    r.programFolder = programFolder;
    r.size.percentageMode = o.Checked("CheckBox2");
    r.size.keepRatio = o.Checked("CheckBox1");
    r.size.resizeMode = o.Text("ComboBox1");
    r.size.percentage = o.SpinValue("SpinEdit3");
    r.size.boxWidth = o.SpinValue("SpinEdit1");
    r.size.boxHeight = o.SpinValue("SpinEdit2");
    r.quality = o.Level("TrackBar1");
    r.sharpenLevel = o.SpinValue("SpinEdit5");
    r.blurLevel = o.SpinValue("SpinEdit6");
    r.sharpen = o.Checked("CheckBox3");
    r.blur = o.Checked("CheckBox4");
    r.antialias = o.Checked("CheckBox5");
    r.grayscale = o.Checked("CheckBox6");
    r.outputFolder = o.Text("Edit2");
    r.comment = o.Text("Edit3");
    r.generatedNames = o.Checked("CheckBox12");
    r.namePrefix = o.Text("Edit4");
    r.nameSuffix = o.Text("Edit5");
    r.nameStart = o.SpinValue("SpinEdit4");
    r.nameDigits = o.SpinValue("SpinEdit7");
    r.nameCase = o.SelectedCase();
    r.overlayImage = o.Text("Edit7");
    r.overlayPosition = o.Text("ComboBox3");
    r.overlayTransparency = o.Level("TrackBar2");
    r.overlayKeyColour = o.ColourOf("ColorDialog2");
    r.captionText = o.Text("Edit1");
    r.captionPosition = o.Text("ComboBox2");
    r.captionFill = o.Checked("CheckBox8");
    r.captionFillColour = o.ColourOf("ColorDialog1");
    r.captionFont = o.Font();
    r.format = o.Text("ComboBox4");
    r.progressive = o.Checked("CheckBox7");
    r.interlace = o.Checked("CheckBox10");
    r.transparent = o.Checked("CheckBox11");
    r.transparentColour = o.ColourOf("ColorDialog3");
    return r;
}

} // namespace convert
