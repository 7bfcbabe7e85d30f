#include "about/AboutBox.h"

#include <algorithm>

#include <QDesktopServices>
#include <QEventLoop>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include "about/AboutLines.h"
#include "widgets/SmoothShow.h"

// The product picture is compiled into this static library; a static library's resources are registered only
// when something names them.
static void InitAboutResources() {
    Q_INIT_RESOURCE(about);
}

namespace about {

namespace {

constexpr int kClientWidth = 436;
constexpr int kClientHeight = 189;
const QColor kLinkBlue(0, 0, 255);
constexpr int kSmallestPixelSize = 8;

// A label of fixed size keeps its bounds; when its text does not fit them in the window's face (whose lines
// may be taller or wider than the box was drawn for), the label's font is made smaller until it does.
void FitFontToBounds(QLabel* label, int designPixelSize) {
    QFont font = label->font();
    int size = designPixelSize;
    for (; size > kSmallestPixelSize; --size) {
        font.setPixelSize(size);
        const QRect needed = QFontMetrics(font).boundingRect(QRect(0, 0, label->width(), 1 << 16),
                                                             Qt::AlignLeft | Qt::AlignTop, label->text());
        if (needed.width() <= label->width() && needed.height() <= label->height()) break;
    }
    font.setPixelSize(size);
    label->setFont(font);
}

} // namespace

TForm2::TForm2(QWidget* parent, FactsReader reader)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      info_(std::make_unique<TSystemInfo>(std::move(reader))) {
    InitAboutResources();
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("About Kelvo"));
    setFixedSize(kClientWidth, kClientHeight);
    setSizeGripEnabled(false);
    // The window's own font (the application's) and the button-face background of a dialog.

    button1_ = new QPushButton(QStringLiteral("&OK"), this);
    button1_->setObjectName(QStringLiteral("Button1"));
    button1_->setGeometry(354, 11, 70, 22);
    button1_->setDefault(true);
    connect(button1_, &QPushButton::clicked, this, &TForm2::Button1Click);

    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    const QPixmap picture(QStringLiteral(":/about/product.png"));
    image1->setPixmap(picture);
    image1->setGeometry(12, 12, picture.isNull() ? 100 : picture.width(), picture.isNull() ? 80 : picture.height());

    AddFixedLabel("Label1",
                  QStringLiteral("Kelvo for Windows 9x/Me/NT4.0/2000/XP\nVersion 1.2 [Build 252]\n"
                                 "Copyright (C) Morrowdene"),
                  QRect(124, 12, 220, 36));
    const QLabel* webPage = AddLabel("Label8", QStringLiteral("Web page:"), 124, 59);
    // The address keeps its right edge; it starts a little after its caption wherever the face draws that wider
    // than the design's.
    const int urlLeft = std::max(183, webPage->geometry().right() + 6);
    lblURL_ = AddFixedLabel("lblURL", QString::fromLatin1(kWebPage), QRect(urlLeft, 59, 393 - urlLeft, 12));
    QFont linkFont = lblURL_->font();
    linkFont.setUnderline(true);
    lblURL_->setFont(linkFont);
    QPalette linkPalette = lblURL_->palette();
    linkPalette.setColor(QPalette::WindowText, kLinkBlue);
    lblURL_->setPalette(linkPalette);
    lblURL_->setCursor(Qt::PointingHandCursor);
    lblURL_->installEventFilter(this);

    AddSeparator("Panel1", QRect(124, 85, 299, 2));
    AddLabel("Label2", QStringLiteral("Physical memory:"), 129, 93);
    lblMemory_ = AddFixedLabel("lblMemory", QString(), QRect(231, 93, 187, 12));
    AddLabel("Label3", QStringLiteral("Processor:"), 129, 109);
    lblCPU_ = AddFixedLabel("lblCPU", QString(), QRect(231, 109, 187, 12));
    AddLabel("Label4", QStringLiteral("Platform:"), 129, 125);
    lblOS_ = AddFixedLabel("lblOS", QString(), QRect(231, 125, 187, 24));
    AddSeparator("Panel2", QRect(124, 154, 299, 2));
    // Ends where the lines above it end, clear of the box's edge, in whatever face the window has.
    AddFixedLabel("Label5", QStringLiteral("E-mail Technical Support: ") + QString::fromLatin1(kSupportAddress),
                  QRect(124, 165, 299, 14));

    smoothShow1_ = new widgets::TSmoothShow(this);
    smoothShow1_->setObjectName(QStringLiteral("SmoothShow1"));
    smoothShow1_->SetMinLocation(widgets::TSmoothShow::mlTopLeft);

    OpenUrlHook = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    button1_->setFocus();
    CentreOnScreen();
}

TForm2::~TForm2() = default;

QLabel* TForm2::AddLabel(const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->move(left, top);
    label->adjustSize(); // labels size themselves to their text
    return label;
}

QLabel* TForm2::AddFixedLabel(const char* name, const QString& text, const QRect& bounds) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(bounds);
    FitFontToBounds(label, DesignPixelSize());
    return label;
}

int TForm2::DesignPixelSize() const {
    return QFontInfo(font()).pixelSize();
}

void TForm2::SetFixedText(QLabel* label, const std::string& text) {
    label->setText(QString::fromStdString(text));
    FitFontToBounds(label, DesignPixelSize());
}

void TForm2::AddSeparator(const char* name, const QRect& bounds) {
    auto* line = new QWidget(this);
    line->setObjectName(QString::fromLatin1(name));
    line->setGeometry(bounds);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Dark)); // the workspace grey, no bevel
    line->setPalette(palette);
    line->setAutoFillBackground(true);
}

void TForm2::CentreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect available = screen->availableGeometry();
    // Placed by its inner rectangle: a window manager takes that as given whether or not the box has been
    // framed before (a frame position is read against whatever frame the box had last).
    const QMargins margins = widgets::ExpectedFrameMargins(*this);
    QRect frame = geometry().marginsAdded(margins);
    frame.moveCenter(available.center());
    setGeometry(frame.marginsRemoved(margins));
}

int TForm2::ShowModal() {
    if (!isVisible()) {
        winId(); // the platform window knows the frame that is centred with the box
        CentreOnScreen();
        // The opening outline grows before the box is shown (a window manager's frame cannot be hidden
        // while it is on the screen); the box then appears whole.
        FormShow();
        if (smoothShow1_->Running()) {
            QEventLoop outline;
            connect(smoothShow1_, &widgets::TSmoothShow::OnFinish, &outline, &QEventLoop::quit);
            outline.exec(QEventLoop::ExcludeUserInputEvents);
        }
        outlineShown_ = true;
    }
    const int result = exec();
    outlineShown_ = false;
    return result;
}

bool TForm2::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (!centredWithFrame_ && isVisible() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Expose ||
         event->type() == QEvent::WindowActivate) &&
        windowHandle() && !windowHandle()->frameMargins().isNull()) {
        centredWithFrame_ = true;
        CentreOnScreen();
    }
    return handled;
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TForm2::FormShow() {
    if (!outlineShown_) { // ShowModal runs the outline before it shows the box
        smoothShow1_->SetReverse(false);
        smoothShow1_->Run();
    }
    const AboutLines lines = ReadAboutLines(*info_);
    SetFixedText(lblMemory_, lines.memory);
    SetFixedText(lblCPU_, lines.processor);
    SetFixedText(lblOS_, lines.platform);
}

void TForm2::Button1Click() {
    accept();
}

void TForm2::lblURLClick() {
    // The address is the fixed text the label was given, not read back from it.
    if (OpenUrlHook) OpenUrlHook(QUrl(QString::fromLatin1(kWebPage)));
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    // No button is the cancel button: Escape does not close the box (Enter presses OK, the default).
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblURL_ && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && lblURL_->rect().contains(mouse->position().toPoint())) {
            lblURLClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace about
