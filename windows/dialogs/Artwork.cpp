#include "windows/dialogs/Artwork.h"

#include "windows/com/Wide.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zelvant::native {

namespace {

constexpr COLORREF kDeepBlue = RGB(0x1f, 0x4e, 0x8c);
constexpr COLORREF kTeal = RGB(0x2a, 0x9d, 0x8f);
constexpr COLORREF kCoral = RGB(0xe7, 0x6f, 0x51);
constexpr COLORREF kDayGrey = RGB(0xc9, 0xd6, 0xe8);
constexpr COLORREF kWhite = RGB(0xff, 0xff, 0xff);

// The wizard's header and the banner are drawn on a grid of 96-DPI pixels, the logo on 64 by 64.
constexpr double kHeaderDesignHeight = 100;
constexpr double kBannerDesignHeight = 64;
constexpr double kLogoDesignSize = 64;

BYTE mix(BYTE from, BYTE to, double share)
{
    return BYTE(std::lround(from + (to - from) * share));
}

COLORREF blend(COLORREF from, COLORREF to, double share)
{
    return RGB(mix(GetRValue(from), GetRValue(to), share), mix(GetGValue(from), GetGValue(to), share),
               mix(GetBValue(from), GetBValue(to), share));
}

// A picture's own grid, laid over the device: `unit` pixels to the design unit.
struct Canvas {
    HDC dc;
    double left, top, unit;

    int x(double value) const { return int(std::lround(left + value * unit)); }
    int y(double value) const { return int(std::lround(top + value * unit)); }
    int length(double value) const { return std::max(1, int(std::lround(value * unit))); }

    // Filled shapes take the DC's own brush and no outline; that brush changes colour freely.
    void useFill(COLORREF colour) const
    {
        SelectObject(dc, GetStockObject(DC_BRUSH));
        SelectObject(dc, GetStockObject(NULL_PEN));
        SetDCBrushColor(dc, colour);
    }

    void rectangle(double l, double t, double w, double h, COLORREF colour) const
    {
        useFill(colour);
        // Without an outline the shape ends a pixel short of its right and bottom edges.
        Rectangle(dc, x(l), y(t), x(l + w) + 1, y(t + h) + 1);
    }

    void roundRectangle(double l, double t, double w, double h, double radius, COLORREF colour) const
    {
        useFill(colour);
        RoundRect(dc, x(l), y(t), x(l + w) + 1, y(t + h) + 1, length(2 * radius), length(2 * radius));
    }
};

// The band across a picture: columns from deep blue on the left to teal on the right.
void paintBand(HDC dc, const RECT& area)
{
    const int width = area.right - area.left;
    SelectObject(dc, GetStockObject(DC_BRUSH));
    for (int column = 0; column < width; ++column) {
        SetDCBrushColor(dc, blend(kDeepBlue, kTeal, width > 1 ? double(column) / (width - 1) : 0));
        const RECT strip{area.left + column, area.top, area.left + column + 1, area.bottom};
        FillRect(dc, &strip, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }
}

// A calendar sheet: the white page, its coloured header strip, two rings and a grid of days.
struct SheetShape {
    double left, top, width, height, radius;
    double strip;                            // height of the header strip
    double ringInset, ringWidth, ringHeight; // the rings stand out above the page
    double dayLeft, dayTop, dayStepX, dayStepY, dayWidth, dayHeight;
};

constexpr SheetShape kHeaderSheet{24, 24, 52, 50, 6, 12, 10, 6, 12, 30, 41, 11, 10, 8, 7};
constexpr SheetShape kLogoSheet{14, 16, 36, 32, 4, 8, 7, 4, 9, 18, 27, 7.5, 6.5, 5, 4.5};

void paintSheet(const Canvas& canvas, const SheetShape& s)
{
    canvas.roundRectangle(s.left, s.top, s.width, s.height, s.radius, kWhite);
    canvas.rectangle(s.left, s.top, s.width, s.strip, kCoral);
    const double ringTop = s.top - s.ringHeight / 2.4;
    canvas.roundRectangle(s.left + s.ringInset, ringTop, s.ringWidth, s.ringHeight, s.ringWidth / 2,
                          kDeepBlue);
    canvas.roundRectangle(s.left + s.width - s.ringInset - s.ringWidth, ringTop, s.ringWidth, s.ringHeight,
                          s.ringWidth / 2, kDeepBlue);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            canvas.rectangle(s.dayLeft + column * s.dayStepX, s.dayTop + row * s.dayStepY, s.dayWidth,
                             s.dayHeight, kDayGrey);
}

// White text, vertically centred, from `left` to the area's right edge.
void paintName(HDC dc, const RECT& area, int left, HFONT font, const std::string& name)
{
    const std::wstring text = wide(name);
    RECT place{left, area.top, area.right, area.bottom};
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kWhite);
    DrawTextW(dc, text.c_str(), int(text.size()), &place, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
}

// The round arrow on the logo's badge: an open circle ending in an arrow head.
void paintRoundArrow(const Canvas& canvas, double centreX, double centreY, double radius)
{
    constexpr double kStartDegrees = 70;
    constexpr double kEndDegrees = 330;
    const auto at = [&](double degrees, double distance) {
        const double angle = degrees * std::numbers::pi / 180;
        return POINT{canvas.x(centreX + distance * std::cos(angle)),
                     canvas.y(centreY - distance * std::sin(angle))};
    };
    LOGBRUSH white{BS_SOLID, kWhite, 0};
    const HPEN pen =
        ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT, DWORD(canvas.length(2.6)), &white, 0, nullptr);
    const HGDIOBJ previous = SelectObject(canvas.dc, pen);
    SetArcDirection(canvas.dc, AD_COUNTERCLOCKWISE);
    const POINT start = at(kStartDegrees, radius);
    const POINT end = at(kEndDegrees, radius);
    Arc(canvas.dc, canvas.x(centreX - radius), canvas.y(centreY - radius), canvas.x(centreX + radius),
        canvas.y(centreY + radius), start.x, start.y, end.x, end.y);
    SelectObject(canvas.dc, previous);
    DeleteObject(pen);

    // The head points along the direction of travel at the arc's end.
    const double angle = kEndDegrees * std::numbers::pi / 180;
    const double outX = std::cos(angle), outY = -std::sin(angle);
    const double alongX = -std::sin(angle), alongY = -std::cos(angle);
    const double tipX = centreX + outX * radius, tipY = centreY + outY * radius;
    const POINT head[] = {
        {canvas.x(tipX + alongX * 4.5), canvas.y(tipY + alongY * 4.5)},
        {canvas.x(tipX + outX * 3.8), canvas.y(tipY + outY * 3.8)},
        {canvas.x(tipX - outX * 3.8), canvas.y(tipY - outY * 3.8)},
    };
    canvas.useFill(kWhite);
    Polygon(canvas.dc, head, 3);
}

} // namespace

void paintHeader(HDC dc, const RECT& area, HFONT nameFont, const std::string& name)
{
    const int saved = SaveDC(dc);
    paintBand(dc, area);
    const Canvas canvas{dc, double(area.left), double(area.top),
                        (area.bottom - area.top) / kHeaderDesignHeight};
    paintSheet(canvas, kHeaderSheet);
    paintName(dc, area, canvas.x(96), nameFont, name);
    RestoreDC(dc, saved);
}

void paintBanner(HDC dc, const RECT& area, HFONT nameFont, const std::string& name)
{
    const int saved = SaveDC(dc);
    paintBand(dc, area);
    const Canvas canvas{dc, double(area.left), double(area.top),
                        (area.bottom - area.top) / kBannerDesignHeight};
    paintName(dc, area, canvas.x(20), nameFont, name);
    RestoreDC(dc, saved);
}

void paintLogo(HDC dc, const RECT& area)
{
    const int saved = SaveDC(dc);
    const Canvas canvas{dc, double(area.left), double(area.top), (area.right - area.left) / kLogoDesignSize};
    // The tile: the band's colours inside a rounded square.
    const HRGN tile = CreateRoundRectRgn(canvas.x(2), canvas.y(2), canvas.x(62) + 1, canvas.y(62) + 1,
                                         canvas.length(24), canvas.length(24));
    SelectClipRgn(dc, tile);
    paintBand(dc, RECT{canvas.x(2), canvas.y(2), canvas.x(62), canvas.y(62)});
    SelectClipRgn(dc, nullptr);
    DeleteObject(tile);

    paintSheet(canvas, kLogoSheet);
    // The badge over the sheet's lower right corner, ringed in white.
    canvas.useFill(kWhite);
    Ellipse(dc, canvas.x(34), canvas.y(34), canvas.x(60) + 1, canvas.y(60) + 1);
    canvas.useFill(kCoral);
    Ellipse(dc, canvas.x(36), canvas.y(36), canvas.x(58) + 1, canvas.y(58) + 1);
    paintRoundArrow(canvas, 47, 47, 6.5);
    RestoreDC(dc, saved);
}

} // namespace zelvant::native
