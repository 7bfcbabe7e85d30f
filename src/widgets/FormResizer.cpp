#include "widgets/FormResizer.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QLayout>
#include <algorithm>
#include <cmath>

namespace widgets {

namespace {

const char* const kFillsParentProperty = "kelvoFillsParent";

// Whole points of a font, from its point size or, when it was given in pixels, from the pixel height.
int FontPoints(const QFont& font, const QWidget* control) {
    if (font.pointSize() > 0) return font.pointSize();
    const int dpi = control->logicalDpiY() > 0 ? control->logicalDpiY() : 96;
    return RoundHalfEven(font.pixelSize() * 72.0 / dpi);
}

} // namespace

int RoundHalfEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    double result = lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0)) result = lower + 1.0;
    return static_cast<int>(result);
}

void SetFillsParent(QWidget* control, bool fills) {
    control->setProperty(kFillsParentProperty, fills);
}

bool FillsParent(const QWidget* control) {
    if (control->property(kFillsParentProperty).toBool()) return true;
    const QWidget* parent = control->parentWidget();
    if (parent == nullptr || control->isWindow()) return false;
    const QLayout* layout = parent->layout();
    return layout != nullptr && layout->indexOf(const_cast<QWidget*>(control)) >= 0;
}

TSingleResizer::TSingleResizer(QWidget* control, QWidget* owner, const Settings& settings)
    : control_(control), owner_(owner), settings_(settings) {
    if (control == nullptr) throw EResizerException("TSingleResizer created without a component link");
    if (owner == nullptr) throw EResizerException("TSingleResizer created without a parent form link");
    if (qobject_cast<QLabel*>(control) != nullptr) scaleWidth = false;
    // Every widget carries a font in Qt.
    hasFont_ = true;
    designFontSize_ = FontPoints(control->font(), control);
    design_ = control->geometry();
    ownerDesignHeight_ = owner->height();
    ownerDesignWidth_ = owner->width();
}

void TSingleResizer::SetFontSize(int points) {
    QFont font = control_->font();
    if (font.pointSize() == points && control_->testAttribute(Qt::WA_SetFont)) return;
    font.setPointSize(points);
    control_->setFont(font); // from now on the control keeps its own font
}

void TSingleResizer::SetBounds(const QRect& bounds) {
    if (control_->geometry() != bounds) control_->setGeometry(bounds);
}

void TSingleResizer::Scale(int ownerHeight, int ownerWidth, double heightRatio, double widthRatio) {
    if (control_.isNull() || FillsParent(control_.data())) return;
    QWidget* control = control_.data();
    auto* label = qobject_cast<QLabel*>(control);
    int left = control->x();
    int top = control->y();
    int width = control->width();
    int height = control->height();

    if (ownerHeight == ownerDesignHeight_ && ownerWidth == ownerDesignWidth_) {
        if (scaleHeight) height = design_.height();
        if (scaleLeft) left = design_.x();
        if (scaleTop) top = design_.y();
        // A label fits its text; at the design font that is its design width.
        if (scaleWidth || label != nullptr) width = design_.width();
        if (hasFont_ && settings_.resizeFonts) SetFontSize(designFontSize_);
        SetBounds(QRect(left, top, width, height));
        return;
    }

    if (scaleHeight) height = RoundHalfEven(design_.height() * heightRatio);
    if (scaleWidth) width = RoundHalfEven(design_.width() * widthRatio);
    if (scaleLeft) left = RoundHalfEven(design_.x() * widthRatio);
    if (scaleTop) top = RoundHalfEven(design_.y() * heightRatio);

    if (hasFont_ && settings_.resizeFonts) {
        int size = RoundHalfEven(designFontSize_ * heightRatio);
        size = std::min(size, settings_.maxFontSize);
        size = std::max(size, settings_.minFontSize); // the floor wins when the bounds cross
        SetFontSize(size);
    }

    // A check box or radio button never cuts its caption when the font is rounded up against the width.
    if (qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control))
        width = std::max(width, control->sizeHint().width());
    SetBounds(QRect(left, top, width, height));
    if (label != nullptr) {
        // Refit the label to its text at the new font, keeping its place.
        label->resize(label->sizeHint());
        label->update();
    }
}

TFormResizer::TFormResizer(QObject* owner) : QObject(nullptr), owner_(nullptr) {
    if (owner == nullptr) throw EResizerException("TFormResizer created without an owner");
    owner_ = qobject_cast<QWidget*>(owner);
    if (owner_ == nullptr) throw EResizerException("TFormResizer owner must be a panel or form");
    setParent(owner);
}

TFormResizer::~TFormResizer() = default;

void TFormResizer::CaptureDesignLayout() {
    if (captured_) return;
    captured_ = true;
    designHeight_ = owner_->height();
    designWidth_ = owner_->width();
    const TSingleResizer::Settings settings{resizeFonts_, minFontSize_, maxFontSize_};
    // Every widget below the owner, depth first in creation order; each position is relative to its parent.
    const auto controls = owner_->findChildren<QWidget*>();
    for (QWidget* control : controls)
        records_.push_back(std::make_unique<TSingleResizer>(control, owner_, settings));
}

void TFormResizer::ScaleToCurrentSize() {
    if (enforceMinSize_) {
        if (owner_->height() < designHeight_) owner_->resize(owner_->width(), designHeight_);
        if (owner_->width() < designWidth_) owner_->resize(designWidth_, owner_->height());
    }
    const int height = owner_->height();
    const int width = owner_->width();
    // Never divide by a zero design size: before a capture there is nothing recorded to scale anyway.
    const double heightRatio = designHeight_ > 0 ? static_cast<double>(height) / designHeight_ : 1.0;
    const double widthRatio = designWidth_ > 0 ? static_cast<double>(width) / designWidth_ : 1.0;
    for (const auto& record : records_) {
        record->Scale(height, width, heightRatio, widthRatio);
        PostResize(record->Control(), heightRatio, widthRatio);
    }
}

void TFormResizer::PostResize(QWidget* control, double heightRatio, double widthRatio) {
    Q_EMIT OnPostResize(this, control, heightRatio, widthRatio);
}

} // namespace widgets
