#include "TrayFrameArt.h"

#include <QPainter>
#include <QVector>

namespace widgettest {

namespace {

const QRgb kTransparent = qRgba(0, 0, 0, 0);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kCardEdge = qRgb(96, 96, 96);
const QRgb kCardFace = qRgb(240, 240, 240);
const QRgb kSky = qRgb(120, 180, 240);
const QRgb kHill = qRgb(40, 150, 60);
const QRgb kFarHill = qRgb(90, 190, 90);
const QRgb kSun = qRgb(230, 80, 40);
const QRgb kYellow = qRgb(255, 230, 0);

QVector<QRgb> Palette() {
    QVector<QRgb> colours = {kTransparent, kBlack, kCardEdge, kCardFace, kSky, kHill, kFarHill, kSun, kYellow};
    while (colours.size() < 16)
        colours.append(qRgb(255, 255, 255));
    return colours;
}

} // namespace

int TrayGaugeRows(int frame) {
    static const int rows[] = {0, 4, 7, 10, 14};
    return frame >= 0 && frame < 5 ? rows[frame] : 0;
}

QImage DrawTrayFrame(int frame) {
    QImage canvas(16, 16, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing, false);

    // A photo card: a framed landscape with a sun and two hills, standing in the upper part of the icon.
    painter.fillRect(QRect(1, 1, 14, 12), QColor(kCardEdge));
    painter.fillRect(QRect(2, 2, 12, 10), QColor(kCardFace));
    painter.fillRect(QRect(3, 3, 10, 8), QColor(kSky));
    painter.fillRect(QRect(4, 4, 2, 2), QColor(kSun));
    painter.fillRect(QRect(9, 7, 4, 4), QColor(kFarHill));
    painter.fillRect(QRect(8, 8, 1, 3), QColor(kFarHill));
    painter.fillRect(QRect(3, 8, 5, 3), QColor(kHill));
    painter.fillRect(QRect(4, 7, 3, 1), QColor(kHill));

    // The gauge: five pixels wide, rising from the bottom edge, a black outline round a yellow fill.
    const int rows = TrayGaugeRows(frame);
    if (rows > 0) {
        const QRect gauge(6, 16 - rows, 5, rows);
        painter.fillRect(gauge, QColor(kBlack));
        if (rows > 2) painter.fillRect(gauge.adjusted(1, 1, -1, -1), QColor(kYellow));
    }
    painter.end();
    return canvas.convertToFormat(QImage::Format_Indexed8, Palette(), Qt::ThresholdDither | Qt::AvoidDither);
}

} // namespace widgettest
