#include "ProductArt.h"

#include <QRect>
#include <QVector>
#include <algorithm>
#include <cmath>

namespace abouttest {

namespace {

enum Ramp { Grey = 0, Sky = 1, Green = 2, Warm = 3 };
constexpr int kShades = 64;

struct Rgb {
    int r, g, b;
};

// Each ramp runs from its dark end (shade 0) to its light end (shade 63).
const Rgb kRampEnds[4][2] = {
    {{0, 0, 0}, {255, 255, 255}},
    {{30, 70, 150}, {235, 245, 255}},
    {{10, 60, 25}, {175, 230, 140}},
    {{140, 30, 10}, {255, 235, 130}},
};

QVector<QRgb> Palette()
{
    QVector<QRgb> colours;
    for (const auto& ends : kRampEnds)
        for (int shade = 0; shade < kShades; ++shade) {
            auto mix = [shade](int dark, int light) { return dark + (light - dark) * shade / (kShades - 1); };
            colours.append(qRgb(mix(ends[0].r, ends[1].r), mix(ends[0].g, ends[1].g), mix(ends[0].b, ends[1].b)));
        }
    return colours;
}

uchar Index(Ramp ramp, int shade) { return static_cast<uchar>(ramp * kShades + std::clamp(shade, 0, kShades - 1)); }

void Fill(QImage& image, const QRect& area, Ramp ramp, int shade)
{
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            image.scanLine(y)[x] = Index(ramp, shade);
}

// A landscape in unit coordinates (u to the right, v downward): sky, sun, a far and a near hill.
uchar Landscape(double u, double v)
{
    const double sunU = 0.74;
    const double sunV = 0.26;
    const double sunDistance = std::hypot((u - sunU) * 1.1, v - sunV);
    const double farHill = 0.58 - 0.10 * std::sin(u * 5.0 + 0.6);
    const double nearHill = 0.72 - 0.14 * std::cos(u * 3.2 - 0.4);
    if (v >= nearHill)
        return Index(Green, static_cast<int>(30 - (v - nearHill) * 40));
    if (v >= farHill)
        return Index(Green, static_cast<int>(48 - (v - farHill) * 30));
    if (sunDistance < 0.13)
        return Index(Warm, static_cast<int>(63 - sunDistance * 60));
    if (sunDistance < 0.17)
        return Index(Warm, 44);
    return Index(Sky, static_cast<int>(22 + v * 45));
}

// A photo card: a soft shadow, a white mount with a thin grey edge, and the landscape inside.
void DrawCard(QImage& image, const QRect& card, int mount)
{
    Fill(image, card.translated(2, 2), Grey, 22);
    Fill(image, card, Grey, 34);
    Fill(image, card.adjusted(1, 1, -1, -1), Grey, 63);
    const QRect picture = card.adjusted(mount, mount, -mount, -mount);
    for (int y = picture.top(); y <= picture.bottom(); ++y)
        for (int x = picture.left(); x <= picture.right(); ++x) {
            const double u = (x - picture.left() + 0.5) / picture.width();
            const double v = (y - picture.top() + 0.5) / picture.height();
            image.scanLine(y)[x] = Landscape(u, v);
        }
}

// A right-pointing arrow from (left, middle): a shaft and a triangular head, shaded from top to bottom.
void DrawArrow(QImage& image, int left, int middle)
{
    for (int dy = -7; dy <= 7; ++dy) {
        const int y = middle + dy;
        const int shade = 56 - (dy + 7) * 2;
        if (std::abs(dy) <= 2)
            for (int x = left; x < left + 8; ++x)
                image.scanLine(y)[x] = Index(Warm, shade);
        const int head = 7 - std::abs(dy);
        for (int x = left + 8; x <= left + 8 + head; ++x)
            image.scanLine(y)[x] = Index(Warm, shade);
    }
}

} // namespace

QImage DrawProductPicture()
{
    QImage image(100, 80, QImage::Format_Indexed8);
    image.setColorTable(Palette());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.scanLine(y)[x] = Index(Sky, 63 - (image.height() - 1 - y) * 10 / image.height());
    DrawCard(image, QRect(5, 10, 52, 58), 4);
    DrawArrow(image, 60, 40);
    DrawCard(image, QRect(78, 28, 18, 22), 2);
    // A ground line under the two cards.
    Fill(image, QRect(3, 72, 94, 1), Grey, 44);
    return image;
}

} // namespace abouttest
