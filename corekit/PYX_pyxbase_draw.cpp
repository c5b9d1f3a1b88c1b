// Frames, rectangles and printing of bitmaps.
#include "corekit/PYX_pyxbase.h"
#include "vcl/Printer.h"

namespace PYX_pyxbase {

void DrawRectangle(vcl::TCanvas& Canvas, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom)
{
    // Going round back to the start paints every corner, since each line
    // leaves out only its end point and the next line starts there.
    Canvas.MoveTo(Left, Top);
    Canvas.LineTo(Left, Bottom);
    Canvas.LineTo(Right, Bottom);
    Canvas.LineTo(Right, Top);
    Canvas.LineTo(Left, Top);
}

void DrawFrame(vcl::TCanvas& Canvas, TFrameStyle Style, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom,
               vcl::TColor Highlight, vcl::TColor Light, vcl::TColor Shadow, vcl::TColor DarkShadow,
               vcl::TColor LineColor)
{
    vcl::TColor a, b, c, d;
    switch (Style) {
    case fsSimple:
        Canvas.Pen().SetColor(LineColor);
        DrawRectangle(Canvas, Left, Top, Right, Bottom);
        return;
    case fsLowered: a = Shadow; b = Highlight; c = DarkShadow; d = Light; break;
    case fsRaised: a = Highlight; b = DarkShadow; c = Light; d = Shadow; break;
    case fsEmbossed: a = Highlight; b = Shadow; c = Shadow; d = Highlight; break;
    case fsEngraved: a = Shadow; b = Highlight; c = Highlight; d = Shadow; break;
    default: return; // fsNone and numbers outside the enumeration
    }
    const int32_t L = Left, T = Top, R = Right, B = Bottom;
    vcl::TPen& pen = Canvas.Pen();
    // Outer ring: top-left half in a, bottom-right half in b.
    pen.SetColor(a);
    Canvas.MoveTo(L, B);
    Canvas.LineTo(L, T);
    Canvas.LineTo(R + 1, T);
    Canvas.MoveTo(R, T + 1);
    pen.SetColor(b);
    Canvas.LineTo(R, B);
    Canvas.LineTo(L - 1, B);
    // Inner ring one pixel inside: c and d.
    pen.SetColor(c);
    Canvas.MoveTo(L + 1, B - 1);
    Canvas.LineTo(L + 1, T + 1);
    Canvas.LineTo(R, T + 1);
    Canvas.MoveTo(R - 1, T + 2);
    pen.SetColor(d);
    Canvas.LineTo(R - 1, B - 1);
    Canvas.LineTo(L, B - 1);
}

void PrintBitmap(const vcl::TBitmap& Bitmap, int32_t X, int32_t Y)
{
    // The printer copies the pixels themselves (with the palette already
    // applied), so any page device takes them, at the bitmap's own size.
    vcl::Printer().DrawDIB(X, Y, Bitmap);
}

} // namespace PYX_pyxbase
