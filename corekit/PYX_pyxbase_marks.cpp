// Data marks: small figures centred on a point, and characters as marks.
#include <algorithm>
#include <array>
#include <climits>
#include <memory>
#include <vector>

#include "corekit/PYX_pyxbase.h"

namespace PYX_pyxbase {

namespace {

using vcl::TCanvas;
using vcl::TPoint;

// 7 x 7 patterns of the small marks, rows from Y - 3 to Y + 3; bit 0 is the
// pixel at X + 3, bit 6 the pixel at X - 3.
using TPattern = std::array<uint8_t, 7>;
constexpr TPattern kPlus1 = {0x00, 0x00, 0x08, 0x1C, 0x08, 0x00, 0x00};
constexpr TPattern kPlus2 = {0x00, 0x08, 0x08, 0x3E, 0x08, 0x08, 0x00};
constexpr TPattern kPlus3 = {0x08, 0x08, 0x08, 0x7F, 0x08, 0x08, 0x08};
constexpr TPattern kCross1 = {0x00, 0x00, 0x14, 0x08, 0x14, 0x00, 0x00};
constexpr TPattern kCross2 = {0x00, 0x22, 0x14, 0x08, 0x14, 0x22, 0x00};
constexpr TPattern kCross3 = {0x41, 0x22, 0x14, 0x08, 0x14, 0x22, 0x41};
constexpr TPattern kChecker = {0x55, 0x2A, 0x55, 0x2A, 0x55, 0x2A, 0x55};
constexpr TPattern kThickCross = {0x63, 0x77, 0x3E, 0x1C, 0x3E, 0x77, 0x63};

void Line(TCanvas& c, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    c.MoveTo(x1, y1);
    c.LineTo(x2, y2);
}

// One pen-sized dot: a line one pixel long (a line of length zero would
// paint nothing, as the end point is never painted).
void Dot(TCanvas& c, int32_t x, int32_t y) { Line(c, x, y, x + 1, y); }

// Lines through every corner and back to the first, all corners painted.
void Closed(TCanvas& c, std::initializer_list<TPoint> pts)
{
    const TPoint first = *pts.begin();
    c.MoveTo(first.X, first.Y);
    for (auto it = pts.begin() + 1; it != pts.end(); ++it) c.LineTo(it->X, it->Y);
    c.LineTo(first.X, first.Y);
}

void Pixel(TCanvas& c, int32_t x, int32_t y) { c.SetPixel(x, y, c.Pen().GetColor()); }

int32_t FloorDiv(int32_t a, int32_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int32_t CeilDiv(int32_t a, int32_t b) { return -FloorDiv(-a, b); }

// Figures painted with the brush in the pen colour, in the brush's style.
//
// The canvas fills polygons by pixel centres half a pixel off the points its
// lines pass through, which leaves gaps inside small figures along their
// lower right edges. The marks' convex polygons are therefore filled here row
// by row over every pixel on or inside the outline (with the brush, so its
// style applies), and then outlined with the pen.
void FilledPolygon(TCanvas& c, std::initializer_list<TPoint> pts)
{
    c.Brush().SetColor(c.Pen().GetColor());
    const TPoint* p = pts.begin();
    const size_t n = pts.size();
    int32_t top = p[0].Y, bottom = p[0].Y;
    for (size_t i = 1; i < n; ++i) {
        top = std::min(top, p[i].Y);
        bottom = std::max(bottom, p[i].Y);
    }
    for (int32_t y = top; y <= bottom; ++y) {
        int32_t lo = INT32_MAX, hi = INT32_MIN;
        for (size_t i = 0; i < n; ++i) {
            const TPoint a = p[i], b = p[(i + 1) % n];
            if (y < std::min(a.Y, b.Y) || y > std::max(a.Y, b.Y)) continue;
            if (a.Y == b.Y) {
                lo = std::min(lo, std::min(a.X, b.X));
                hi = std::max(hi, std::max(a.X, b.X));
                continue;
            }
            // x = a.X + (y - a.Y) (b.X - a.X) / (b.Y - a.Y), exactly.
            const int32_t num = a.X * (b.Y - a.Y) + (y - a.Y) * (b.X - a.X), den = b.Y - a.Y;
            lo = std::min(lo, CeilDiv(num, den));
            hi = std::max(hi, FloorDiv(num, den));
        }
        if (lo <= hi) c.FillRect(vcl::Rect(lo, y, hi + 1, y + 1));
    }
    const vcl::TBrushStyle style = c.Brush().GetStyle();
    c.Brush().SetStyle(vcl::bsClear);
    c.Polygon(p, n);
    c.Brush().SetStyle(style);
}

void FilledRect(TCanvas& c, int32_t l, int32_t t, int32_t r, int32_t b)
{
    c.Brush().SetColor(c.Pen().GetColor());
    c.Rectangle(l, t, r, b);
}

void FilledEllipse(TCanvas& c, int32_t l, int32_t t, int32_t r, int32_t b)
{
    c.Brush().SetColor(c.Pen().GetColor());
    c.Ellipse(l, t, r, b);
}

// Outlines: a clear brush while drawing, solid afterwards.
void OutlinePolygon(TCanvas& c, std::initializer_list<TPoint> pts)
{
    c.Brush().SetStyle(vcl::bsClear);
    c.Polygon(pts.begin(), pts.size());
    c.Brush().SetStyle(vcl::bsSolid);
}

void OutlineRect(TCanvas& c, int32_t l, int32_t t, int32_t r, int32_t b)
{
    c.Brush().SetStyle(vcl::bsClear);
    c.Rectangle(l, t, r, b);
    c.Brush().SetStyle(vcl::bsSolid);
}

void OutlineEllipse(TCanvas& c, int32_t l, int32_t t, int32_t r, int32_t b)
{
    c.Brush().SetStyle(vcl::bsClear);
    c.Ellipse(l, t, r, b);
    c.Brush().SetStyle(vcl::bsSolid);
}

void Pattern(TCanvas& c, const TPattern& p, int32_t X, int32_t Y)
{
    const vcl::TColor color = c.Pen().GetColor();
    for (int row = 0; row < 7; ++row)
        for (int bit = 0; bit < 7; ++bit)
            if ((p[static_cast<size_t>(row)] >> bit) & 1) c.SetPixel(X + 3 - bit, Y - 3 + row, color);
}

// Marks 1..6 on a printer: a plus (1..3) or a diagonal cross (4..6) of
// half-width k.
void PrinterPlus(TCanvas& c, int32_t X, int32_t Y, int32_t k)
{
    Line(c, X - k, Y, X + k, Y);
    Line(c, X, Y - k, X, Y + k);
}

void PrinterCross(TCanvas& c, int32_t X, int32_t Y, int32_t k)
{
    Line(c, X - k, Y - k, X + k, Y + k);
    Line(c, X - k, Y + k, X + k, Y - k);
}

void CharacterMark(TCanvas& c, uint8_t Mark, int32_t X, int32_t Y)
{
    // The character is drawn in the pen colour on whatever lies below it,
    // like every other mark: the font colour follows the pen and the text
    // cell is not filled; both are put back afterwards.
    vcl::TFont& font = c.Font();
    const vcl::TColor oldFontColor = font.GetColor();
    const vcl::TBrushStyle oldStyle = c.Brush().GetStyle();
    const std::string text(1, static_cast<char>(Mark));
    font.SetColor(c.Pen().GetColor());
    c.Brush().SetStyle(vcl::bsClear);
    const vcl::TPoint ext = c.TextExtent(text);
    c.TextOut(X - ext.X / 2, Y - ext.Y / 2, text);
    c.Brush().SetStyle(oldStyle);
    font.SetColor(oldFontColor);
}

void DrawFigure(TCanvas& c, uint8_t Mark, int32_t X, int32_t Y)
{
    const bool printer = c.IsPrinter();
    switch (Mark) {
    case 0: Pixel(c, X, Y); break;
    case 1: printer ? PrinterPlus(c, X, Y, 2) : Pattern(c, kPlus1, X, Y); break;
    case 2: printer ? PrinterPlus(c, X, Y, 3) : Pattern(c, kPlus2, X, Y); break;
    case 3: printer ? PrinterPlus(c, X, Y, 4) : Pattern(c, kPlus3, X, Y); break;
    case 4: printer ? PrinterCross(c, X, Y, 2) : Pattern(c, kCross1, X, Y); break;
    case 5: printer ? PrinterCross(c, X, Y, 3) : Pattern(c, kCross2, X, Y); break;
    case 6: printer ? PrinterCross(c, X, Y, 4) : Pattern(c, kCross3, X, Y); break;
    case 7: FilledRect(c, X - 1, Y - 1, X + 2, Y + 2); break;
    case 8: FilledRect(c, X - 2, Y - 2, X + 3, Y + 3); break;
    case 9: FilledRect(c, X - 3, Y - 3, X + 4, Y + 4); break;
    case 10:
    case 11:
    case 12: {
        const int32_t k = Mark - 9;
        Closed(c, {{X - k, Y - k}, {X - k, Y + k}, {X + k, Y + k}, {X + k, Y - k}});
        break;
    }
    case 13:
    case 19:
        Closed(c, {{X - 3, Y}, {X, Y + 3}, {X + 3, Y}, {X, Y - 3}});
        if (Mark == 13) Pixel(c, X, Y);
        break;
    case 14:
    case 15: {
        const int32_t k = Mark - 12;
        FilledPolygon(c, {{X - k, Y}, {X, Y + k}, {X + k, Y}, {X, Y - k}});
        break;
    }
    case 16: OutlineEllipse(c, X - 2, Y - 2, X + 3, Y + 3); break;
    case 17: OutlineEllipse(c, X - 3, Y - 3, X + 4, Y + 4); break;
    case 18:
        if (printer) {
            // Single dots: on paper a line of length zero would leave the
            // mark blank.
            for (int32_t i = 1; i <= 7; ++i)
                for (int32_t j = 1; j <= 7; ++j)
                    if ((i - j) % 2 == 0) Dot(c, X - 4 + i, Y - 4 + j);
        } else {
            Pattern(c, kChecker, X, Y);
        }
        break;
    case 20:
    case 21: {
        const int32_t k = Mark - 17;
        Line(c, X, Y, X - k, Y + k);
        Line(c, X, Y, X + k, Y + k);
        break;
    }
    case 22:
    case 23: {
        const int32_t k = Mark - 19;
        Line(c, X, Y, X - k, Y - k);
        Line(c, X, Y, X + k, Y - k);
        break;
    }
    case 24: FilledEllipse(c, X - 3, Y - 3, X + 4, Y + 4); break;
    case 25:
        if (printer) {
            Line(c, X - 3, Y - 3, X + 3, Y + 3);
            Line(c, X - 3, Y - 2, X + 2, Y + 3);
            Line(c, X - 2, Y - 3, X + 3, Y + 2);
            Line(c, X - 3, Y + 3, X + 3, Y - 3);
            Line(c, X - 3, Y + 2, X + 2, Y - 3);
            Line(c, X - 2, Y + 3, X + 3, Y - 2);
        } else {
            Pattern(c, kThickCross, X, Y);
        }
        break;
    case 26: FilledEllipse(c, X - 2, Y - 2, X + 3, Y + 3); break;
    case 27: OutlineEllipse(c, X - 2, Y - 2, X + 2, Y + 2); break;
    case 28: FilledEllipse(c, X - 2, Y - 2, X + 2, Y + 2); break;
    case 29:
    case 30: {
        const int32_t k = Mark - 27;
        FilledPolygon(c, {{X - k, Y}, {X, Y + k}, {X + k, Y}});
        break;
    }
    case 31:
    case 32: {
        const int32_t k = Mark - 29;
        OutlinePolygon(c, {{X - k, Y}, {X, Y + k}, {X + k, Y}});
        break;
    }
    case 33: OutlinePolygon(c, {{X - 4, Y - 3}, {X, Y + 4}, {X + 4, Y - 3}}); break;
    case 34: FilledPolygon(c, {{X - 4, Y - 3}, {X, Y + 4}, {X + 4, Y - 3}}); break;
    case 35: OutlinePolygon(c, {{X - 4, Y + 3}, {X, Y - 4}, {X + 4, Y + 3}}); break;
    case 36: FilledPolygon(c, {{X - 4, Y + 3}, {X, Y - 4}, {X + 4, Y + 3}}); break;
    case 37:
        Line(c, X - 3, Y, X + 4, Y);
        Line(c, X, Y, X, Y - 8);
        break;
    case 38:
        Line(c, X - 3, Y - 2, X + 4, Y - 2);
        Line(c, X - 3, Y + 2, X + 4, Y + 2);
        Line(c, X, Y - 2, X, Y + 2);
        break;
    case 39:
        OutlineEllipse(c, X - 3, Y - 3, X + 4, Y + 4);
        Line(c, X - 3, Y, X + 4, Y);
        Line(c, X, Y - 3, X, Y + 4);
        break;
    case 40: OutlinePolygon(c, {{X + 3, Y - 2}, {X - 2, Y}, {X + 3, Y + 2}}); break;
    case 41: FilledPolygon(c, {{X + 3, Y - 2}, {X - 2, Y}, {X + 3, Y + 2}}); break;
    case 42: OutlinePolygon(c, {{X + 4, Y - 3}, {X - 3, Y}, {X + 4, Y + 3}}); break;
    case 43: FilledPolygon(c, {{X + 4, Y - 3}, {X - 3, Y}, {X + 4, Y + 3}}); break;
    case 44: OutlinePolygon(c, {{X - 3, Y - 2}, {X + 2, Y}, {X - 3, Y + 2}}); break;
    case 45: FilledPolygon(c, {{X - 3, Y - 2}, {X + 2, Y}, {X - 3, Y + 2}}); break;
    case 46: OutlinePolygon(c, {{X - 4, Y - 3}, {X + 3, Y}, {X - 4, Y + 3}}); break;
    case 47: FilledPolygon(c, {{X - 4, Y - 3}, {X + 3, Y}, {X - 4, Y + 3}}); break;
    case 48:
        OutlineRect(c, X - 3, Y - 3, X + 4, Y + 4);
        Line(c, X - 3, Y, X + 4, Y);
        Line(c, X, Y - 3, X, Y + 4);
        break;
    case 49:
        OutlineRect(c, X - 2, Y - 2, X + 3, Y + 3);
        Line(c, X - 4, Y, X + 5, Y);
        Line(c, X, Y - 4, X, Y + 5);
        break;
    case 50:
        c.Brush().SetStyle(vcl::bsSolid);
        Line(c, X - 4, Y, X + 5, Y);
        Line(c, X, Y - 4, X, Y + 5);
        Line(c, X - 3, Y - 3, X + 4, Y + 4);
        Line(c, X - 3, Y + 3, X + 4, Y - 4);
        break;
    case 51:
        c.Brush().SetStyle(vcl::bsSolid);
        Line(c, X - 4, Y, X + 5, Y);
        Line(c, X, Y - 4, X, Y + 5);
        Line(c, X - 1, Y - 3, X + 2, Y - 3);
        Line(c, X - 1, Y + 3, X + 2, Y + 3);
        Line(c, X - 3, Y - 1, X - 3, Y + 2);
        Line(c, X + 3, Y - 1, X + 3, Y + 2);
        break;
    default: CharacterMark(c, Mark, X, Y); break;
    }
}

} // namespace

void DrawMarkOnCanvas(vcl::TCanvas& Canvas, uint8_t Mark, int32_t X, int32_t Y)
{
    const vcl::TColor oldBrushColor = Canvas.Brush().GetColor();
    try {
        DrawFigure(Canvas, Mark, X, Y);
    } catch (...) {
        Canvas.Brush().SetColor(oldBrushColor);
        throw;
    }
    Canvas.Brush().SetColor(oldBrushColor);
}

std::unique_ptr<vcl::TBitmap> CreateMarkAsBitmap(uint8_t Mark, vcl::TColor MarkColor, vcl::TColor BkgColor,
                                                 int32_t Size)
{
    Size = Size < 0 ? 0 : (Size > 255 ? 255 : Size);
    const int32_t side = 2 * Size + 7;
    auto bmp = std::make_unique<vcl::TBitmap>(side, side);
    vcl::TCanvas& c = bmp->Canvas();
    c.Pen().SetColor(BkgColor);
    c.Pen().SetStyle(vcl::psSolid);
    c.Brush().SetColor(BkgColor);
    c.Brush().SetStyle(vcl::bsSolid);
    c.Rectangle(0, 0, side, side);
    c.Pen().SetColor(MarkColor);
    DrawMarkOnCanvas(c, Mark, Size + 3, Size + 3);
    return bmp;
}

} // namespace PYX_pyxbase
