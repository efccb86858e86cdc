#include "app/host/FaceIcons.h"

#include "app/host/HostBars.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>
#include <numbers>

namespace zelvant {

namespace {

const QColor kInk(0x1f, 0x4e, 0x8c);
const QColor kTeal(0x2a, 0x9d, 0x8f);
const QColor kGold(0xf4, 0xa2, 0x61);
const QColor kRed(0xe7, 0x6f, 0x51);

// Draws on a 16 x 16 grid at the given pixel size, so each face is sharp at 16 and 32 pixels.
QIcon drawn(const std::function<void(QPainter&)>& paint)
{
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap picture(size, size);
        picture.fill(Qt::transparent);
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        paint(p);
        p.end();
        icon.addPixmap(picture);
    }
    return icon;
}

// A wand with a star at its tip: the wizard.
void wizardFace(QPainter& p)
{
    p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2.5, 13.5), QPointF(9.5, 6.5));
    p.setPen(QPen(kGold.darker(130), 0.8));
    p.setBrush(kGold);
    QPainterPath star;
    const QPointF centre(11.5, 4.5);
    for (int i = 0; i < 10; ++i) {
        const double radius = i % 2 ? 1.6 : 4.0;
        const double angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        const QPointF point = centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
        i == 0 ? star.moveTo(point) : star.lineTo(point);
    }
    star.closeSubpath();
    p.drawPath(star);
}

// Two arrows chasing each other round a circle: synchronise.
void syncFace(QPainter& p)
{
    const QRectF ring(2.5, 2.5, 11, 11);
    for (const auto& [start, colour] : {std::pair{20, kTeal}, std::pair{200, kInk}}) {
        p.setPen(QPen(colour, 2.0, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(ring, start * 16, 140 * 16);
        // The arrow head at the arc's end, pointing along the turn.
        const double end = (start + 140) * std::numbers::pi / 180.0;
        const QPointF tip(8 + 5.5 * std::cos(end), 8 - 5.5 * std::sin(end));
        const QPointF along(-std::sin(end), -std::cos(end));
        const QPointF across(std::cos(end), -std::sin(end));
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(QPolygonF{tip + along * 3.0, tip + across * 2.6, tip - across * 2.6});
    }
}

void sheet(QPainter& p)
{
    p.setPen(QPen(kInk, 1.0));
    p.setBrush(Qt::white);
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(9.5, 1.5);
    page.lineTo(12.5, 4.5);
    page.lineTo(12.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.drawPath(page);
    p.drawLine(QPointF(9.5, 1.5), QPointF(9.5, 4.5));
    p.drawLine(QPointF(9.5, 4.5), QPointF(12.5, 4.5));
}

void newFace(QPainter& p)
{
    sheet(p);
    p.setPen(Qt::NoPen);
    p.setBrush(kGold);
    p.drawEllipse(QPointF(12, 12), 3, 3);
}

void openFace(QPainter& p)
{
    p.setPen(QPen(kGold.darker(150), 1.0));
    p.setBrush(kGold.lighter(120));
    p.drawRect(QRectF(1.5, 4.5, 12, 9));
    p.drawRect(QRectF(1.5, 3.0, 5, 2));
    p.setBrush(kGold);
    p.drawPolygon(QPolygonF{{3.5, 7.5}, {15, 7.5}, {13, 13.5}, {1.5, 13.5}});
}

void saveFace(QPainter& p)
{
    p.setPen(QPen(kInk.darker(120), 1.0));
    p.setBrush(kInk);
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(0xc9, 0xd6, 0xe8));
    p.drawRect(QRectF(4, 9.5, 8, 5));
}

void calendarFace(QPainter& p)
{
    p.setPen(QPen(kInk, 1.0));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 2.5, 13, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawRect(QRectF(2, 3, 12, 3));
    p.setBrush(kInk);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col)
            p.drawRect(QRectF(3.5 + col * 3.5, 7.5 + row * 3.2, 2, 2));
}

} // namespace

QIcon faceIcon(int faceId)
{
    switch (faceId) {
    case 1098:
        return drawn(wizardFace);
    case 2010:
        return drawn(syncFace);
    case hostbars::kFaceNew:
        return drawn(newFace);
    case hostbars::kFaceOpen:
        return drawn(openFace);
    case hostbars::kFaceSave:
        return drawn(saveFace);
    case hostbars::kFaceCalendar:
        return drawn(calendarFace);
    default:
        return {};
    }
}

} // namespace zelvant
