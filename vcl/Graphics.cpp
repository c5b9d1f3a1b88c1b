// Pens, brushes and the canvas: state, pixels, rectangles and text.
#include "vcl/Graphics.h"

#include <cmath>

#include "vcl/Fonts.h"
#include "vcl/internal/Raster.h"
#include "vcl/ImageFiles.h"

namespace vcl {

using detail::Box64;

void TGraphicsObject::Changed()
{
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------
void TPen::Assign(const TPersistent* Source)
{
    if (auto* p = dynamic_cast<const TPen*>(Source)) {
        if (p == this) return;
        color_ = p->color_;
        width_ = p->width_;
        style_ = p->style_;
        mode_ = p->mode_;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TPen::SetColor(TColor c)
{
    if (c == color_) return;
    color_ = c;
    Changed();
}

void TPen::SetWidth(int32_t w)
{
    w = std::max(w, 1);
    if (w == width_) return;
    width_ = w;
    Changed();
}

void TPen::SetStyle(TPenStyle s)
{
    if (s == style_ || s > psInsideFrame) return;
    style_ = s;
    Changed();
}

void TPen::SetMode(TPenMode m)
{
    if (m == mode_ || m > pmNotXor) return;
    mode_ = m;
    Changed();
}

void TBrush::Assign(const TPersistent* Source)
{
    if (auto* b = dynamic_cast<const TBrush*>(Source)) {
        if (b == this) return;
        color_ = b->color_;
        style_ = b->style_;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TBrush::SetColor(TColor c)
{
    if (c == color_) return;
    color_ = c;
    Changed();
}

void TBrush::SetStyle(TBrushStyle s)
{
    if (s == style_ || s > bsDiagCross) return;
    style_ = s;
    Changed();
}

// ---------------------------------------------------------------------------
namespace detail {

std::optional<PenPaint> ResolvePen(const TPen& pen)
{
    if (pen.GetStyle() == psClear || pen.GetColor() == clNone) return std::nullopt;
    TColor c = pen.GetColor() == clDefault ? clWindowText : pen.GetColor();
    PenPaint p;
    p.Color = ColorToRGB(c) & 0xFFFFFFu;
    p.Mode = pen.GetMode();
    p.Width = pen.GetWidth();
    p.Style = pen.GetStyle();
    return p;
}

std::optional<BrushPaint> ResolveBrush(const TBrush& brush)
{
    if (brush.GetStyle() == bsClear || brush.GetColor() == clNone) return std::nullopt;
    TColor c = brush.GetColor() == clDefault ? clWindow : brush.GetColor();
    BrushPaint b;
    b.Color = ColorToRGB(c) & 0xFFFFFFu;
    b.Style = brush.GetStyle();
    return b;
}

void FillBox(const TSurface& s, const TRect& clip, const Box64& b, const BrushPaint& brush)
{
    TRect r = ClipBox(b, clip);
    if (r.IsEmpty()) return;
    for (int32_t y = r.Top; y < r.Bottom; ++y) brush.Span(s.Row(y), y, r.Left, r.Right);
}

void PenBox(const TSurface& s, const TRect& clip, const Box64& b, const PenPaint& pen)
{
    TRect r = ClipBox(b, clip);
    if (r.IsEmpty()) return;
    for (int32_t y = r.Top; y < r.Bottom; ++y) PaintSpan(s.Row(y), r.Left, r.Right, pen.Color, pen.Mode);
}

} // namespace detail

// ---------------------------------------------------------------------------
TCanvas::TCanvas(TCanvasKind kind) : kind_(kind) {}

TCanvas::TCanvas(const TSurface& surface, TCanvasKind kind) : kind_(kind) { SetSurface(surface); }

TCanvas::~TCanvas() = default;

void TCanvas::SetSurface(const TSurface& s)
{
    surface_ = s;
    if (!surface_.Pixels || surface_.Width <= 0 || surface_.Height <= 0) surface_ = {};
    clip_ = surface_.Bounds();
}

TFont& TCanvas::Font()
{
    if (!font_) font_ = std::make_unique<TFont>();
    return *font_;
}

void TCanvas::SetClipRect(const TRect& r) { clip_ = IntersectRect(r, surface_.Bounds()); }

void TCanvas::ResetClipRect() { clip_ = surface_.Bounds(); }

TColor TCanvas::GetPixel(int32_t X, int32_t Y) const noexcept
{
    if (!surface_.Bounds().Contains(X, Y)) return clNone;
    return surface_.Row(Y)[X];
}

void TCanvas::SetPixel(int32_t X, int32_t Y, TColor c)
{
    RequireDrawing();
    if (c == clNone || !clip_.Contains(X, Y)) return;
    if (c == clDefault) c = clWindowText;
    surface_.Row(Y)[X] = ColorToRGB(c) & 0xFFFFFFu;
    Changed({X, Y, X + 1, Y + 1});
}

void TCanvas::FillRect(const TRect& r)
{
    RequireDrawing();
    auto brush = detail::ResolveBrush(brush_);
    if (!brush) return;
    Box64 b{r.Left, r.Top, r.Right, r.Bottom};
    detail::FillBox(surface_, clip_, b, *brush);
    Changed(detail::ClipBox(b, clip_));
}

void TCanvas::InvertRect(const TRect& r)
{
    RequireDrawing();
    TRect c = IntersectRect(r, clip_);
    if (c.IsEmpty()) return;
    for (int32_t y = c.Top; y < c.Bottom; ++y) detail::PaintSpan(surface_.Row(y), c.Left, c.Right, 0, pmNot);
    Changed(c);
}

void TCanvas::FrameRect(const TRect& r)
{
    RequireDrawing();
    if (r.IsEmpty()) return;
    auto pen = detail::ResolvePen(pen_);
    if (!pen) return;
    detail::PenPaint p = *pen;
    int64_t L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
    detail::PenBox(surface_, clip_, {L, T, R, T + 1}, p);
    if (B - T > 1) detail::PenBox(surface_, clip_, {L, B - 1, R, B}, p);
    if (B - T > 2) {
        detail::PenBox(surface_, clip_, {L, T + 1, L + 1, B - 1}, p);
        if (R - L > 1) detail::PenBox(surface_, clip_, {R - 1, T + 1, R, B - 1}, p);
    }
    Changed(detail::ClipBox({L, T, R, B}, clip_));
}

void TCanvas::Rectangle(int32_t L0, int32_t T0, int32_t R0, int32_t B0)
{
    RequireDrawing();
    int64_t L = std::min(L0, R0), R = std::max(L0, R0), T = std::min(T0, B0), B = std::max(T0, B0);
    if (R == L || B == T) return;
    auto pen = detail::ResolvePen(pen_);
    auto brush = detail::ResolveBrush(brush_);
    if (!pen) {
        if (brush) detail::FillBox(surface_, clip_, {L, T, R - 1, B - 1}, *brush);
        Changed(detail::ClipBox({L, T, R, B}, clip_));
        return;
    }
    detail::PenPaint p = *pen;
    // The frame [outer) minus [inner).
    Box64 outer, inner;
    if (p.Style == psInsideFrame) {
        int64_t w = p.Width;
        outer = {L, T, R, B};
        inner = {L + w, T + w, R - w, B - w};
    } else {
        outer = {L - p.Lo(), T - p.Lo(), R + p.Hi(), B + p.Hi()};
        inner = {L + p.Hi() + 1, T + p.Hi() + 1, R - 1 - p.Lo(), B - 1 - p.Lo()};
    }
    if (brush && !inner.Empty()) detail::FillBox(surface_, clip_, inner, *brush);
    bool styled = p.Width == 1 && p.Style >= psDash && p.Style <= psDashDotDot;
    if (styled) {
        // Dashes run around the outline from the top-left corner, clockwise.
        int64_t phase = 0;
        if (R - L == 1 || B - T == 1) {
            // A frame one pixel thin is a single line.
            detail::DrawLine(surface_, clip_, L, T, R - L == 1 ? L : R, R - L == 1 ? B : T, p, phase);
        } else {
            detail::DrawLine(surface_, clip_, L, T, R - 1, T, p, phase);
            detail::DrawLine(surface_, clip_, R - 1, T, R - 1, B - 1, p, phase);
            detail::DrawLine(surface_, clip_, R - 1, B - 1, L, B - 1, p, phase);
            detail::DrawLine(surface_, clip_, L, B - 1, L, T, p, phase);
        }
    } else if (inner.Empty()) {
        detail::PenBox(surface_, clip_, outer, p);
    } else {
        detail::PenBox(surface_, clip_, {outer.L, outer.T, outer.R, inner.T}, p);
        detail::PenBox(surface_, clip_, {outer.L, inner.B, outer.R, outer.B}, p);
        detail::PenBox(surface_, clip_, {outer.L, inner.T, inner.L, inner.B}, p);
        detail::PenBox(surface_, clip_, {inner.R, inner.T, outer.R, inner.B}, p);
    }
    Changed(detail::ClipBox(outer, clip_));
}

// ---------------------------------------------------------------------------
// Text goes through the font engine.
namespace {
TColor ResolveFontColor(TColor c) { return c == clDefault ? clWindowText : c; }
} // namespace

void TCanvas::TextOut(int32_t X, int32_t Y, const std::string& Text)
{
    RequireDrawing();
    TFont& f = Font();
    int64_t w = ::vcl::TextWidth(f, Text), h = ::vcl::TextHeight(f);
    auto brush = detail::ResolveBrush(brush_);
    int32_t esc = f.GetEscapement() % 3600;
    Box64 cell{X, Y, X + w, Y + h};
    Box64 touched{X - h, Y - h, X + w + h, Y + 2 * h};
    if (esc != 0) {
        double th = esc * (3.14159265358979323846 / 1800.0), c = std::cos(th), s = std::sin(th);
        auto at = [&](double a, double b) {
            return detail::Point64{SatRound64(X + a * c + b * s), SatRound64(Y - a * s + b * c)};
        };
        detail::Point64 pts[4] = {at(0, 0), at(double(w), 0), at(double(w), double(h)), at(0, double(h))};
        if (brush && w > 0) detail::FillPolygon64(surface_, clip_, pts, 4, *brush);
        int64_t ext = w + h;
        touched = {X - ext, Y - ext, X + ext + 1, Y + ext + 1};
    } else if (brush && w > 0) {
        detail::FillBox(surface_, clip_, cell, *brush);
    }
    TColor fc = ResolveFontColor(f.GetColor());
    if (fc != clNone && !clip_.IsEmpty())
        RenderText(f, surface_, clip_, X, Y, Text, ColorToRGB(fc) & 0xFFFFFFu);
    Changed(detail::ClipBox(touched, clip_));
}

void TCanvas::TextRect(const TRect& Rect, int32_t X, int32_t Y, const std::string& Text)
{
    RequireDrawing();
    TRect c = IntersectRect(Rect, clip_);
    if (c.IsEmpty()) return;
    if (auto brush = detail::ResolveBrush(brush_))
        detail::FillBox(surface_, c, {Rect.Left, Rect.Top, Rect.Right, Rect.Bottom}, *brush);
    TFont& f = Font();
    TColor fc = ResolveFontColor(f.GetColor());
    if (fc != clNone) RenderText(f, surface_, c, X, Y, Text, ColorToRGB(fc) & 0xFFFFFFu);
    Changed(c);
}

int32_t TCanvas::TextWidth(const std::string& Text) { return ::vcl::TextWidth(Font(), Text); }

int32_t TCanvas::TextHeight(const std::string&) { return ::vcl::TextHeight(Font()); }

TPoint TCanvas::TextExtent(const std::string& Text) { return {TextWidth(Text), TextHeight(Text)}; }

void TCanvas::SaveToPNG(const std::string& FileName) const { SavePNGFile(FileName, surface_); }

} // namespace vcl
