#include "app/OutputDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/OptionBinding.h"
#include "options/OptionKeys.h"

namespace app {

OutputDialog::OutputDialog(QWidget* parent, options::OptionSet& options)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("OutputDialog"));
    setWindowTitle(QStringLiteral("出力の詳細設定"));
    auto* form = new QFormLayout;
    namespace keys = options::keys;
    for (const char* key : {keys::SameName, keys::Existing, keys::Metadata}) {
        const options::OptionDescriptor& option = options.Descriptor(key);
        auto* combo = new QComboBox(this);
        combo->setObjectName(QString::fromLatin1(key));
        combo->setEditable(true);
        combo->setMinimumContentsLength(14);
        for (const std::string& item : option.items)
            combo->addItem(QString::fromStdString(item));
        // Enter in a choice closes the dialog, as on its button (the choice is taken as it is typed).
        connect(combo->lineEdit(), &QLineEdit::returnPressed, this, &QDialog::accept);
        auto* label = new QLabel(QString::fromStdString(option.caption), this);
        label->setBuddy(combo);
        form->addRow(label, combo);
    }
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::AcceptRole);
    close->setObjectName(QStringLiteral("OutputDialogClose"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a fixed dialog: no maximise
    layout->addLayout(form);
    layout->addWidget(buttons);
    BindOptionControls(this, options);
}

} // namespace app
