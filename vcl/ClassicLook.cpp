// Drawing helpers of the standard controls.
#include "vcl/internal/ClassicLook.h"

#include "vcl/Fonts.h"

namespace vcl::look {

void Fill(TCanvas& C, const TRect& R, TColor Color)
{
    if (R.IsEmpty()) return;
    C.Brush().SetStyle(bsSolid);
    C.Brush().SetColor(Color);
    C.FillRect(R);
}

TRect Frame3D(TCanvas& C, TRect R, TColor TopLeft, TColor BottomRight)
{
    if (R.IsEmpty()) return R;
    Fill(C, {R.Left, R.Top, R.Right - 1, R.Top + 1}, TopLeft);
    Fill(C, {R.Left, R.Top, R.Left + 1, R.Bottom - 1}, TopLeft);
    Fill(C, {R.Left, R.Bottom - 1, R.Right, R.Bottom}, BottomRight);
    Fill(C, {R.Right - 1, R.Top, R.Right, R.Bottom}, BottomRight);
    return {R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1};
}

TRect SunkenField(TCanvas& C, const TRect& R)
{
    TRect r = Frame3D(C, R, clBtnShadow, clBtnHighlight);
    return Frame3D(C, r, cl3DDkShadow, cl3DLight);
}

TRect ButtonFace(TCanvas& C, const TRect& R, bool Pressed, TColor Face)
{
    TRect r;
    if (Pressed) {
        r = Frame3D(C, R, cl3DDkShadow, clBtnHighlight);
        r = Frame3D(C, r, clBtnShadow, cl3DLight);
    } else {
        r = Frame3D(C, R, clBtnHighlight, cl3DDkShadow);
        r = Frame3D(C, r, cl3DLight, clBtnShadow);
    }
    Fill(C, r, Face);
    return r;
}

void Arrow(TCanvas& C, const TRect& R, int Dir, TColor Color, int Size)
{
    const int cx = R.Left + R.Width() / 2, cy = R.Top + R.Height() / 2;
    C.Brush().SetStyle(bsSolid);
    C.Brush().SetColor(Color);
    // Rows (or columns) of decreasing length from the base to the tip.
    for (int i = 0; i < Size; ++i) {
        const int half = Size - 1 - i;
        switch (Dir) {
        case 3: C.FillRect({cx - half, cy - Size / 2 + i, cx + half + 1, cy - Size / 2 + i + 1}); break;
        case 1: C.FillRect({cx - half, cy + Size / 2 - i - 1, cx + half + 1, cy + Size / 2 - i}); break;
        case 2: C.FillRect({cx - Size / 2 + i, cy - half, cx - Size / 2 + i + 1, cy + half + 1}); break;
        default: C.FillRect({cx + Size / 2 - i - 1, cy - half, cx + Size / 2 - i, cy + half + 1}); break;
        }
    }
}

void CheckMark(TCanvas& C, int X, int Y, TColor Color)
{
    // A tick three pixels thick: down from (0,2) to (2,4), up to (6,0).
    for (int i = 0; i < 7; ++i) {
        const int y = i < 3 ? Y + 2 + i : Y + 4 - (i - 2);
        Fill(C, {X + i, y, X + i + 1, y + 3}, Color);
    }
}

void Text(TCanvas& C, int X, int Y, const std::string& S, TColor Color)
{
    C.Brush().SetStyle(bsClear);
    C.Font().SetColor(Color);
    C.TextOut(X, Y, S);
    C.Brush().SetStyle(bsSolid);
}

void TransparentGlyph(TCanvas& C, int X, int Y, const TBitmap& Glyph, const TRect& SrcRect)
{
    if (Glyph.Empty()) return;
    const TRect src = IntersectRect(SrcRect, {0, 0, Glyph.GetWidth(), Glyph.GetHeight()});
    if (src.IsEmpty()) return;
    const uint32_t key = Glyph.ScanLine(Glyph.GetHeight() - 1)[0];
    for (int y = src.Top; y < src.Bottom; ++y) {
        const uint32_t* row = Glyph.ScanLine(y);
        for (int x = src.Left; x < src.Right; ++x)
            if (row[x] != key) C.SetPixel(X + x - src.Left, Y + y - src.Top, row[x]);
    }
}

} // namespace vcl::look
