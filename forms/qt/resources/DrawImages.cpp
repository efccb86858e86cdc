// Draws the information window's logo and banner as PNG files into the current folder. Our
// own simple drawings, so they can be redrawn at will: build zelvant_draw_images and run it
// inside forms/qt/resources.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

const QColor kDeepBlue(0x1f, 0x4e, 0x8c);
const QColor kTeal(0x2a, 0x9d, 0x8f);

// A calendar sheet on a blue tile with a round arrow across it: plan and calendar kept in step.
QImage drawLogo(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    QLinearGradient tile(0, 0, 64, 64);
    tile.setColorAt(0, kDeepBlue);
    tile.setColorAt(1, kTeal);
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

    // The calendar sheet with its header and two rings.
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(14, 16, 36, 32), 4, 4);
    p.setBrush(QColor(0xe7, 0x6f, 0x51));
    p.drawRect(QRectF(14, 16, 36, 8));
    p.setBrush(kDeepBlue);
    p.drawRoundedRect(QRectF(21, 12, 4, 9), 2, 2);
    p.drawRoundedRect(QRectF(39, 12, 4, 9), 2, 2);

    // Grid of days.
    p.setBrush(QColor(0xc9, 0xd6, 0xe8));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            p.drawRect(QRectF(18 + col * 7.5, 27 + row * 6.5, 5, 4.5));

    // A round arrow on a badge over the sheet's lower right corner.
    const QPointF centre(47, 47);
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(0xe7, 0x6f, 0x51));
    p.drawEllipse(centre, 12, 12);
    const double radius = 6.5;
    const double startDeg = 70;
    const double spanDeg = 260;
    p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), int(startDeg * 16),
              int(spanDeg * 16));
    const double end = qDegreesToRadians(startDeg + spanDeg);
    const QPointF outward(std::cos(end), -std::sin(end)); // screen y points down
    const QPointF along(-std::sin(end), -std::cos(end));  // direction of travel at the arc's end
    const QPointF tip = centre + outward * radius;
    QPainterPath head;
    head.moveTo(tip + along * 4.5);
    head.lineTo(tip + outward * 3.8);
    head.lineTo(tip - outward * 3.8);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(head);
    return image;
}

// A band in the product's colours with a row of fading day squares, across the window's top.
QImage drawBanner(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, width, 0);
    band.setColorAt(0, kDeepBlue);
    band.setColorAt(1, kTeal);
    p.fillRect(image.rect(), band);

    p.setPen(Qt::NoPen);
    const int square = height / 4;
    for (int i = 0; i * (square + 6) < width / 2; ++i) {
        p.setBrush(QColor(255, 255, 255, std::max(8, 70 - i * 5)));
        const double x = width - (i + 1) * (square + 6);
        p.drawRoundedRect(QRectF(x, height / 2.0 - square - 3, square, square), 3, 3);
        p.drawRoundedRect(QRectF(x, height / 2.0 + 3, square, square), 3, 3);
    }

    QFont font("DejaVu Sans");
    font.setPixelSize(height * 2 / 5);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(20, 0, width, height), Qt::AlignVCenter | Qt::AlignLeft, "Zelvant");
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const bool logo = drawLogo(64).save("logo.png") && drawLogo(128).save("logo@2x.png");
    const bool banner = drawBanner(480, 64).save("banner.png") && drawBanner(960, 128).save("banner@2x.png");
    return logo && banner ? 0 : 1;
}
