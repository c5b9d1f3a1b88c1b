// Drawing helpers of the standard controls' plain classic look: 3D frames in
// the system colours, arrows and check marks.
#pragma once

#include "vcl/Graphics.h"

namespace vcl::look {

// A one-pixel frame: TopLeft on the top and left edges, BottomRight on the
// bottom and right edges. Returns the rectangle inside it.
TRect Frame3D(TCanvas& C, TRect R, TColor TopLeft, TColor BottomRight);
// The 2-pixel sunken frame of fields (edit, combo box, list).
TRect SunkenField(TCanvas& C, const TRect& R);
// A raised button face (2-pixel frame, face filled), or a pressed one.
// Returns the face inside the frame.
TRect ButtonFace(TCanvas& C, const TRect& R, bool Pressed, TColor Face = clBtnFace);
// A solid triangle of size Size pointing in Dir (0 left, 1 up, 2 right,
// 3 down) centred in R.
void Arrow(TCanvas& C, const TRect& R, int Dir, TColor Color, int Size = 4);
// A check mark of 7 x 7 pixels with its top-left at (X, Y).
void CheckMark(TCanvas& C, int X, int Y, TColor Color);
// Fills R with one colour.
void Fill(TCanvas& C, const TRect& R, TColor Color);
// Writes text with a transparent background.
void Text(TCanvas& C, int X, int Y, const std::string& S, TColor Color);
// Draws Glyph at (X, Y), leaving out the pixels of its bottom-left pixel's
// colour (the transparent colour of glyph sheets). Only the part SrcRect of
// the bitmap is drawn.
void TransparentGlyph(TCanvas& C, int X, int Y, const TBitmap& Glyph, const TRect& SrcRect);

} // namespace vcl::look

namespace vcl::look {

// Narrows a canvas's clip rectangle for a scope and restores it.
class ClipScope {
public:
    ClipScope(TCanvas& C, const TRect& R) : c_(C), saved_(C.GetClipRect()) { C.SetClipRect(IntersectRect(saved_, R)); }
    ~ClipScope() { c_.SetClipRect(saved_); }
    ClipScope(const ClipScope&) = delete;
    ClipScope& operator=(const ClipScope&) = delete;

private:
    TCanvas& c_;
    TRect saved_;
};

} // namespace vcl::look
