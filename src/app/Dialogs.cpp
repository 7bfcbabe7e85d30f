#include "app/Dialogs.h"

#include <algorithm>

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include <sys/stat.h>

#include "app/FileDialogLook.h"
#include "app/FontMapping.h"
#include "app/NativePath.h"
#include "app/PicturePreview.h"
#include "options/OptionSet.h"

namespace app {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QStringList QtFilters(const std::vector<FileFilter>& filters) {
    QStringList list;
    for (const FileFilter& filter : filters)
        list << Q(QtFilterText(filter));
    return list;
}

// A file dialog set up from a request. Qt's own dialog (not the desktop's) so that the filter texts are shown
// as given and the picture dialog can carry its preview pane.
void SetUp(QFileDialog& dialog, const FileDialogRequest& request) {
    dialog.setWindowTitle(Q(request.title));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(QtFilters(request.filters));
    DressFileDialog(dialog);
    if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(Q(request.defaultExtension));
}

std::vector<std::string> Chosen(const QFileDialog& dialog) {
    std::vector<std::string> files;
    for (const QString& file : dialog.selectedFiles())
        files.push_back(NativePath(file));
    return files;
}

// Qt's open dialog, choosing files whose names are not valid UTF-8 too. Qt knows such a file only by the
// text it shows, which names no file: its own checks would refuse the choice. A name field holding such
// names ("a", or "a" "b" for several) is resolved here to the files' own bytes; everything else goes
// through Qt's checks.
class OpenDialog : public QFileDialog {
public:
    explicit OpenDialog(QWidget* parent) : QFileDialog(parent) {}

    // The files chosen by their own bytes, or empty when Qt's choice stands.
    const std::vector<std::string>& Resolved() const { return resolved_; }

    // Call once the dialog's widgets exist (Qt's own dialog chosen). Qt disables 開く for a name it cannot
    // find; it is enabled again when the name stands for files.
    void EnableOpenForUnlistedNames() {
        auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        if (!field || !buttons) return;
        connect(field, &QLineEdit::textChanged, this, [this, buttons] {
            if (QPushButton* open = buttons->button(QDialogButtonBox::Open); open && !ResolveField().empty())
                open->setEnabled(true);
        });
    }

    void accept() override {
        resolved_ = ResolveField();
        if (resolved_.empty()) return QFileDialog::accept();
        QDialog::accept();
    }

private:
    // The files the name field names by text that is not valid UTF-8, or nothing when it holds no such name
    // or any of its names stands for no file (or a folder).
    std::vector<std::string> ResolveField() const {
        const auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString text = field ? field->text().trimmed() : QString();
        if (!ShownAsOther(text)) return {};
        const QStringList names = text.contains(u'"') ? text.split(u'"', Qt::SkipEmptyParts) : QStringList{text};
        const QString folder = directory().absolutePath();
        std::vector<std::string> files;
        for (const QString& name : names) {
            if (name.trimmed().isEmpty()) continue; // the blanks between quoted names
            const std::string native = NativePath(name.startsWith(u'/') ? name : folder + u'/' + name);
            struct stat info {};
            if (::stat(native.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return {};
            files.push_back(native);
        }
        return files;
    }

    std::vector<std::string> resolved_;
};

// A pattern typed into the name field ("*.*", "*.png") shows the files it matches, as the desktop's dialogs do,
// instead of being looked for as a file; "*.*" (and "*") show every file.
class TypedPatterns : public QObject {
public:
    TypedPatterns(QFileDialog& dialog, QLineEdit& name) : QObject(&dialog), dialog_(dialog), name_(name) {
        name.installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &name_ || event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        const QString text = name_.text().trimmed();
        if ((key != Qt::Key_Return && key != Qt::Key_Enter) || !(text.contains('*') || text.contains('?')))
            return false;
        if (auto* files = dialog_.findChild<QFileSystemModel*>())
            files->setNameFilters(text == QStringLiteral("*.*") ? QStringList{QStringLiteral("*")} : text.split(' '));
        name_.clear();
        return true;
    }

private:
    QFileDialog& dialog_;
    QLineEdit& name_;
};

std::vector<std::string> RunOpen(QWidget* parent, const FileDialogRequest& request, bool withPreview) {
    OpenDialog dialog(parent);
    SetUp(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.EnableOpenForUnlistedNames();
    if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) new TypedPatterns(dialog, *name);
    if (withPreview) AttachPicturePreview(dialog);
    // At least as wide as the list, the filter box and the preview pane need.
    dialog.resize(std::max(dialog.sizeHint().width(), withPreview ? 860 : 700), 480);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.Resolved().empty() ? Chosen(dialog) : dialog.Resolved();
}

// Qt's font chooser, embedded as a part of a dialog: Enter or Esc inside it (the focus starts in its family
// field) end the whole dialog, as its OK and Cancel do, instead of hiding the chooser alone.
class EmbeddedFontChooser : public QFontDialog {
public:
    EmbeddedFontChooser(const QFont& font, QDialog* outer) : QFontDialog(font, outer), outer_(outer) {}
    void done(int result) override { outer_->done(result); }

private:
    QDialog* outer_;
};

// The font dialog with the effects the caption knows: underline, strike-out and a colour.
class FontAndColourDialog : public QDialog {
public:
    FontAndColourDialog(QWidget* parent, const options::TextFont& current) : QDialog(parent), colour_(current.colour) {
        setWindowTitle(QStringLiteral("フォント"));
        fonts_ = new EmbeddedFontChooser(ToQtFont(current), this);
        fonts_->setWindowFlags(Qt::Widget);
        fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
        auto* colourLabel = new QLabel(QStringLiteral("色(&C):"), this);
        colourButton_ = new QPushButton(this);
        colourButton_->setFixedSize(60, 22);
        colourLabel->setBuddy(colourButton_);
        ShowColour();
        connect(colourButton_, &QPushButton::clicked, this, [this] {
            const QColor chosen = QColorDialog::getColor(QColor::fromRgb(QtRgbOf(colour_)), this);
            if (chosen.isValid()) {
                colour_ = ColourOfQtRgb(chosen.rgb());
                ShowColour();
            }
        });
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* colourRow = new QHBoxLayout;
        colourRow->addWidget(colourLabel);
        colourRow->addWidget(colourButton_);
        colourRow->addStretch();
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(fonts_);
        layout->addLayout(colourRow);
        layout->addWidget(buttons);
    }

    QFont Font() const { return fonts_->currentFont(); }
    options::Colour Colour() const { return colour_; }

private:
    void ShowColour() {
        colourButton_->setStyleSheet(
            QStringLiteral("background-color: %1").arg(QColor::fromRgb(QtRgbOf(colour_)).name()));
    }

    QFontDialog* fonts_ = nullptr;
    QPushButton* colourButton_ = nullptr;
    options::Colour colour_;
};

class QtDialogProvider : public DialogProvider {
public:
    std::vector<std::string> OpenFiles(QWidget* parent, const FileDialogRequest& request) override {
        return RunOpen(parent, request, false);
    }
    std::vector<std::string> OpenPictures(QWidget* parent, const FileDialogRequest& request) override {
        return RunOpen(parent, request, true);
    }
    std::optional<std::string> SaveFile(QWidget* parent, const FileDialogRequest& request) override {
        QFileDialog dialog(parent);
        SetUp(dialog, request);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return NativePath(dialog.selectedFiles().front());
    }
    std::optional<options::TextFont> PickFont(QWidget* parent, const options::TextFont& current) override {
        FontAndColourDialog dialog(parent, current);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return FromQtFont(dialog.Font(), dialog.Colour(), current);
    }
    std::optional<options::Colour> PickColour(QWidget* parent, options::Colour current) override {
        const QColor chosen = QColorDialog::getColor(QColor::fromRgb(QtRgbOf(current)), parent);
        if (!chosen.isValid()) return std::nullopt;
        return ColourOfQtRgb(chosen.rgb());
    }
    std::optional<std::string> PickFolder(QWidget* parent, const std::string& prompt,
                                          const std::string& startFolder) override {
        const QString folder = QFileDialog::getExistingDirectory(
            parent, Q(prompt), Q(startFolder), QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
        if (folder.isEmpty()) return std::nullopt;
        std::string path = NativePath(folder);
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        return path;
    }
    void ShowError(QWidget* parent, const std::string& text) override {
        QMessageBox::critical(parent, QApplication::applicationName(), Q(text));
    }
    void ShowInformation(QWidget* parent, const std::string& text) override {
        QMessageBox::information(parent, QApplication::applicationName(), Q(text));
    }
};

} // namespace

std::shared_ptr<DialogProvider> MakeQtDialogProvider() {
    return std::make_shared<QtDialogProvider>();
}

std::string QtFilterText(const FileFilter& filter) {
    QStringList patterns;
    for (const QString& pattern : Q(filter.patterns).split(u';', Qt::SkipEmptyParts)) {
        patterns << pattern.trimmed();
        if (pattern.trimmed().toUpper() != pattern.trimmed()) patterns << pattern.trimmed().toUpper();
    }
    return filter.description + " (" + patterns.join(u' ').toStdString() + ")";
}

unsigned QtRgbOf(options::Colour colour) {
    if (!options::IsSystemColour(colour))
        return qRgb(options::Red(colour), options::Green(colour), options::Blue(colour));
    const QPalette palette = QApplication::palette();
    switch (options::SystemColourIndex(colour)) {
    case 5:
        return palette.color(QPalette::Base).rgb(); // window background
    case 8:
        return palette.color(QPalette::Text).rgb(); // window text
    case 13:
        return palette.color(QPalette::Highlight).rgb(); // highlight
    case 14:
        return palette.color(QPalette::HighlightedText).rgb(); // highlighted text
    case 18:
        return palette.color(QPalette::ButtonText).rgb(); // button text
    default:
        return palette.color(QPalette::Button).rgb(); // button face and the rest
    }
}

options::Colour ColourOfQtRgb(unsigned rgb) {
    return options::MakeColour(std::uint8_t(qRed(rgb)), std::uint8_t(qGreen(rgb)), std::uint8_t(qBlue(rgb)));
}

const std::vector<FileFilter>& PictureFilters() {
    static const std::vector<FileFilter> filters{
        {"すべての画像ファイル (*.jpg;*.jpeg;*.bmp;*.png;*.pcx;*.fpx;*.heic;*.heif;*.avif;*.webp;*.jxl)",
         "*.jpg;*.jpeg;*.bmp;*.png;*.pcx;*.fpx;*.heic;*.heif;*.avif;*.webp;*.jxl"},
        {"JPEG イメージファイル (*.jpg)", "*.jpg"},
        {"JPEG イメージファイル (*.jpeg)", "*.jpeg"},
        {"ビットマップ (*.bmp)", "*.bmp"},
        {"PNG イメージファイル (*.png)", "*.png"},
        {"PCX イメージファイル (*.pcx)", "*.pcx"},
        {"FPX イメージファイル (*.fpx)", "*.fpx"},
        {"HEIF イメージファイル (*.heic;*.heif)", "*.heic;*.heif"},
        {"AVIF イメージファイル (*.avif)", "*.avif"},
        {"WebP イメージファイル (*.webp)", "*.webp"},
        {"JPEG XL イメージファイル (*.jxl)", "*.jxl"},
    };
    return filters;
}

FileDialogRequest PictureRequest(bool multiple) {
    return {"画像の選択 (Shiftキーを押しながら複数画像の選択もできます)", PictureFilters(), multiple, ""};
}

void PickFolderInto(DialogProvider& dialogs, QWidget* parent, options::OptionSet& options, const char* key) {
    if (auto folder = dialogs.PickFolder(parent, "出力先フォルダを選択してください", options.Text(key)))
        options.SetText(key, *folder);
}

} // namespace app
