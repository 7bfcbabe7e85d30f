#pragma once
// How the program's file dialogs (Qt's own, not the desktop's) look: the type, size and date columns in
// Japanese as the Windows dialogs show them ("JPG ファイル", "136 KB", "2026/12/09 18:49"), each column wide enough
// for what it shows, and the file type box wide enough for the longest filter text.
#include <cstdint>

#include <QString>

class QDateTime;
class QFileDialog;

namespace app {

// Call once the dialog is set up (Qt's own dialog chosen, the filters given), before it is shown.
void DressFileDialog(QFileDialog& dialog);

// The size column's text: kilobytes, rounded up, with thousands separated ("1 KB" for 1 to 1024 bytes,
// "12,345 KB"); "0 KB" for an empty file.
QString DialogSizeText(std::uint64_t bytes);
// The date column's text: "2026/12/09 18:49", local time.
QString DialogDateText(const QDateTime& time);

} // namespace app
