#pragma once
// The application's style, wrapped so that the parts a style draws at a fixed size grow with the text beside
// them: when the window is enlarged, its controls' fonts grow (TFormResizer), and with this style so do check
// boxes, radio buttons, slider handles and arrows. A control whose font is its window's draws exactly as the
// wrapped style does.
#include <QProxyStyle>

namespace widgets {

class ScaledStyle : public QProxyStyle {
public:
    // Wraps the application's default style; `design` is the windows' own font, the size things are drawn for.
    explicit ScaledStyle(const QFont& design);

    // How much larger `widget`'s font is than its window's (1 for none, or a window itself), between 0.5 and 4.
    static double FontScale(const QWidget* widget);
    // The same for a part the style measures without naming its widget: by the option's font against the design.
    double Scale(const QStyleOption* option, const QWidget* widget) const;

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;

private:
    int designHeight_; // the design font's line height
};

// Installs ScaledStyle for `design` as the application's style once (a QApplication must exist).
void UseScaledStyle(const QFont& design);

} // namespace widgets
