#pragma once
// The keys of the options: the names of their controls on the settings and rename pages, which are also
// their keys in settings files (so they never change). Code names an option by these constants; the table in
// OptionTable.cpp gives each one's kind, start value, range and caption.
namespace options::keys {

// サイズの変更
inline constexpr char SizeMode[] = "ComboBox1"; // しない / 縮小時のみ有効 / 拡大時のみ有効 / 常に有効
inline constexpr char Width[] = "SpinEdit1";
inline constexpr char Height[] = "SpinEdit2";
inline constexpr char KeepRatio[] = "CheckBox1";
inline constexpr char ByPercentage[] = "CheckBox2";
inline constexpr char Percentage[] = "SpinEdit3";
// 画像の挿入
inline constexpr char OverlayImage[] = "Edit7";
inline constexpr char OverlayPlace[] = "ComboBox3";
inline constexpr char OverlayTransparency[] = "TrackBar2";
inline constexpr char OverlayKeyColour[] = "ColorDialog2"; // the overlay's colour that is left out
// 文字の挿入
inline constexpr char CaptionText[] = "Edit1";
inline constexpr char CaptionFont[] = "FontDialog1";
inline constexpr char CaptionPlace[] = "ComboBox2";
inline constexpr char CaptionFilled[] = "CheckBox8";
inline constexpr char CaptionFillColour[] = "ColorDialog1";
// 補正
inline constexpr char Sharpen[] = "CheckBox3";
inline constexpr char SharpenAmount[] = "SpinEdit5";
inline constexpr char Blur[] = "CheckBox4";
inline constexpr char BlurAmount[] = "SpinEdit6";
inline constexpr char Antialias[] = "CheckBox5";
inline constexpr char Greyscale[] = "CheckBox6";
// 保存オプション
inline constexpr char OutputFormat[] = "ComboBox4";
inline constexpr char Progressive[] = "CheckBox7";
inline constexpr char Interlace[] = "CheckBox10";
inline constexpr char Transparent[] = "CheckBox11";
inline constexpr char TransparentColour[] = "ColorDialog3";
inline constexpr char Quality[] = "TrackBar1";
inline constexpr char OutputFolder[] = "Edit2";
inline constexpr char GeneratedNames[] = "CheckBox12";
inline constexpr char Comment[] = "Edit3";
// ファイル名変更
inline constexpr char Prefix[] = "Edit4";
inline constexpr char Suffix[] = "Edit5";
inline constexpr char StartNumber[] = "SpinEdit4";
inline constexpr char Digits[] = "SpinEdit7";
inline constexpr char SortList[] = "CheckBox9";
inline constexpr char RenameFolder[] = "Edit6";
inline constexpr char CaseKept[] = "RadioButton1";
inline constexpr char CaseLower[] = "RadioButton2";
inline constexpr char CaseUpper[] = "RadioButton3";
// 出力の詳細設定 (a dialog of the menu bar; stored in the settings file's [Output] section)
inline constexpr char SameName[] = "SameName";
inline constexpr char Existing[] = "Existing";
inline constexpr char Metadata[] = "Metadata";

} // namespace options::keys
