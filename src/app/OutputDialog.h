#pragma once
// 「出力の詳細設定」: what a run writes beyond the settings page (same names within a run, files that exist from
// before it, the source's metadata), a small dialog of the menu bar whose choices are bound to the options like the
// pages' controls (stored in the settings file's [Output] section).
#include <QDialog>

#include "options/OptionSet.h"

namespace app {

class OutputDialog : public QDialog {
public:
    OutputDialog(QWidget* parent, options::OptionSet& options);
};

} // namespace app
