#pragma once
// TCoolBtn: a push button that paints its own face: a banded gradient, an optional elliptical shape with a
// four-ring outline, and a caption with a one-pixel relief copy.
#include <QColor>
#include <QPushButton>

namespace widgets {

class TCoolBtn : public QPushButton {
    Q_OBJECT

public:
    // Painting switches, one bit each in declaration order. The button acts on ocPaintGradiently,
    // ocRoundedForm, ocFlatBorder, ocPaintTransparently, ocPaintWallpaper and ocStretchWallpaper.
    enum TCoolOption : unsigned {
        ocPaintWallpaper = 1u << 0,
        ocStretchWallpaper = 1u << 1,
        ocPaintSelWallpaper = 1u << 2,
        ocPaintCaptionWallpaper = 1u << 3,
        ocInvertWallpaperAsSelect = 1u << 4,
        ocPaintGradiently = 1u << 5,
        ocBevelOnlyIfSel = 1u << 6,
        ocUseImageList = 1u << 7,
        ocUseGlyphAssign = 1u << 8,
        oc3dMDIForm = 1u << 9,
        ocWallpaperForMDIChildren = 1u << 10,
        ocGradientForMDIChildren = 1u << 11,
        ocNoCaption = 1u << 12,
        ocSmallCaption = 1u << 13,
        ocNoMDIChildrensCaptions = 1u << 14,
        ocDragUsingClientArea = 1u << 15,
        ocNoDragUsingCaption = 1u << 16,
        ocRoundedForm = 1u << 17,
        ocFlatBorder = 1u << 18,
        ocPaintFormSemiTransparently = 1u << 19,
        ocPaintTransparently = 1u << 20,
    };
    Q_DECLARE_FLAGS(TCoolOptions, TCoolOption)
    Q_FLAG(TCoolOptions)

    enum TGradientDirection { gdHorizontal, gdVertical };
    Q_ENUM(TGradientDirection)
    enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };
    Q_ENUM(TShadowPosition)
    enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
    Q_ENUM(TButtonLayout)
    enum TBtnPaintOption : unsigned { bpoDrawFocus = 1u << 0, bpoDrawDefault = 1u << 1 };
    Q_DECLARE_FLAGS(TBtnPaintOptions, TBtnPaintOption)
    Q_FLAG(TBtnPaintOptions)

    Q_PROPERTY(TCoolOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(QColor ColorStart READ ColorStart WRITE SetColorStart)
    Q_PROPERTY(QColor ColorEnd READ ColorEnd WRITE SetColorEnd)
    Q_PROPERTY(TGradientDirection GradientDirection READ GradientDirection WRITE SetGradientDirection)
    Q_PROPERTY(QColor ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(int ShadowSize READ ShadowSize WRITE SetShadowSize)
    Q_PROPERTY(TShadowPosition ShadowPos READ ShadowPos WRITE SetShadowPos)
    Q_PROPERTY(bool SimpleView READ SimpleView WRITE SetSimpleView)
    Q_PROPERTY(TBtnPaintOptions BtnPaintOptions READ BtnPaintOptions WRITE SetBtnPaintOptions)
    Q_PROPERTY(TButtonLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_PROPERTY(int TransparencyLevel READ TransparencyLevel WRITE SetTransparencyLevel)

    explicit TCoolBtn(QWidget* parent = nullptr);
    TCoolBtn(const QString& caption, QWidget* parent = nullptr);

    TCoolOptions Options() const { return options_; }
    void SetOptions(TCoolOptions options);

    // Colours left unset follow the palette: button face, button shadow and button highlight.
    QColor ColorStart() const;
    void SetColorStart(const QColor& color);
    QColor ColorEnd() const;
    void SetColorEnd(const QColor& color);
    TGradientDirection GradientDirection() const { return gradientDirection_; }
    void SetGradientDirection(TGradientDirection direction);

    QColor ShadowColor() const;
    void SetShadowColor(const QColor& color);
    int ShadowSize() const { return shadowSize_; }
    void SetShadowSize(int size); // a byte: 0..255
    TShadowPosition ShadowPos() const { return shadowPos_; }
    void SetShadowPos(TShadowPosition position);
    bool SimpleView() const { return simpleView_; }
    void SetSimpleView(bool simple);

    TBtnPaintOptions BtnPaintOptions() const { return btnPaintOptions_; }
    void SetBtnPaintOptions(TBtnPaintOptions options);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout layout);
    int Margin() const { return margin_; }
    void SetMargin(int margin); // below -1 is refused; -1 centres the caption
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);
    int TransparencyLevel() const { return transparencyLevel_; }
    void SetTransparencyLevel(int level);

    bool Hovered() const { return hovered_; }
    // The focused button, or the window's default button while the focus is on a control that is no button.
    bool Active() const;

Q_SIGNALS:
    void OnMouseEnter();
    void OnMouseLeave();
    // After each painting, with the painter still open on the button and its client rectangle.
    void OnDrawButton(QPainter* painter, const QRect& clientRect);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool Has(TCoolOption option) const { return options_.testFlag(option); }
    bool OutlineVisible() const { return !Has(ocFlatBorder) || hovered_; }
    void PaintRectangular(QPainter& painter, bool pressed, bool focused);
    void PaintElliptical(QPainter& painter, bool pressed, bool focused);
    void PaintGradient(QPainter& painter, const QRect& rect);
    void PaintCaption(QPainter& painter, QRect captionRect);
    QRect CaptionBox(const QRect& captionRect, const QSize& textSize) const;

    TCoolOptions options_;
    QColor colorStart_;
    QColor colorEnd_;
    TGradientDirection gradientDirection_ = gdHorizontal;
    QColor shadowColor_;
    int shadowSize_ = 1;
    TShadowPosition shadowPos_ = spLeftTop;
    bool simpleView_ = false;
    TBtnPaintOptions btnPaintOptions_ = TBtnPaintOptions(bpoDrawFocus | bpoDrawDefault);
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
    int transparencyLevel_ = 0;
    bool hovered_ = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TCoolBtn::TCoolOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(TCoolBtn::TBtnPaintOptions)

} // namespace widgets
