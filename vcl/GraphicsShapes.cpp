// Ellipses, arcs, pies and chords.
#include <cmath>
#include <vector>

#include "vcl/internal/Raster.h"

namespace vcl {

namespace detail {

// A pixel (x, y) belongs to the ellipse inscribed in the box W x H when, with
// u = 2x + 1 - 2L - W and v = 2y + 1 - 2T - H (doubled offsets of its centre
// from the box centre), u^2 H^2 + v^2 W^2 <= W^2 H^2. A row's pixels are
// symmetric about the centre, so the largest admissible |u| (of the parity of
// W + 1) describes the row.
bool EllipseRow(const Box64& b, int64_t y, int64_t& xl, int64_t& xr) noexcept
{
    __extension__ typedef unsigned __int128 u128;
    const int64_t W = b.R - b.L, H = b.B - b.T;
    if (W <= 0 || H <= 0 || y < b.T || y >= b.B) return false;
    const int64_t v = 2 * y + 1 - 2 * b.T - H;
    long double q = static_cast<long double>(v) / static_cast<long double>(H);
    long double f = static_cast<long double>(W) * std::sqrt(std::max<long double>(0.0L, 1.0L - q * q));
    int64_t umax = static_cast<int64_t>(std::floor(f));
    if (W <= (int64_t(1) << 31) && H <= (int64_t(1) << 31)) {
        const u128 W2 = u128(W) * u128(W), H2 = u128(H) * u128(H);
        const u128 rhs = W2 * H2, vv = u128(v < 0 ? -v : v) * u128(v < 0 ? -v : v) * W2;
        auto fits = [&](int64_t u) { return u128(u) * u128(u) * H2 + vv <= rhs; };
        while (umax + 1 <= W && fits(umax + 1)) ++umax;
        while (umax >= 0 && !fits(umax)) --umax;
    }
    if (((umax - (W + 1)) & 1) != 0) --umax;
    // Flat and narrow ellipses still touch all four sides of their box: the
    // middle row(s) span the full width and every row holds its middle
    // pixel(s).
    const int64_t av = v < 0 ? -v : v;
    if (av == ((H + 1) & 1)) umax = W - 1;
    umax = std::max(umax, (W + 1) & 1);
    xl = (2 * b.L + W - 1 - umax) / 2;
    xr = (2 * b.L + W - 1 + umax) / 2;
    return true;
}

namespace {

// Inclusive runs of one row: up to two pen runs and the interior.
struct RowRuns {
    int64_t pa0 = 1, pb0 = 0, pa1 = 1, pb1 = 0; // pen runs [pa0, pb0], [pa1, pb1]
    int64_t ia = 1, ib = 0;                     // interior [ia, ib]
};

// The outline of an ellipse: thin (8-connected border of the ellipse in Outer)
// or a ring (the pixels of Outer's ellipse outside Inner's).
struct EllipseOutline {
    Box64 Outer;
    bool Thin = true;
    Box64 Inner;

    bool Row(int64_t y, RowRuns& r) const noexcept
    {
        int64_t xl, xr;
        if (!EllipseRow(Outer, y, xl, xr)) return false;
        r = RowRuns{};
        if (Thin) {
            // The outer neighbour row lies away from the centre; the border
            // reaches one pixel short of its span so that it stays connected.
            int64_t v = 2 * y + 1 - Outer.T - Outer.B;
            int64_t oy = v <= 0 ? y - 1 : y + 1, oxl, oxr;
            if (!EllipseRow(Outer, oy, oxl, oxr)) {
                r.pa0 = xl;
                r.pb0 = xr;
                return true;
            }
            int64_t le = std::max(xl, oxl - 1), rs = std::min(xr, oxr + 1);
            if (le + 1 >= rs) {
                r.pa0 = xl;
                r.pb0 = xr;
                return true;
            }
            r.pa0 = xl, r.pb0 = le, r.pa1 = rs, r.pb1 = xr;
            r.ia = le + 1, r.ib = rs - 1;
            return true;
        }
        int64_t il, ir;
        if (!Inner.Empty() && EllipseRow(Inner, y, il, ir)) {
            r.pa0 = xl, r.pb0 = il - 1, r.pa1 = ir + 1, r.pb1 = xr;
            r.ia = il, r.ib = ir;
        } else {
            r.pa0 = xl, r.pb0 = xr;
        }
        return true;
    }
};

EllipseOutline MakeOutline(const Box64& b, const std::optional<PenPaint>& pen)
{
    EllipseOutline o;
    o.Outer = b;
    if (!pen || pen->Width == 1) return o;
    o.Thin = false;
    int64_t w = pen->Width;
    if (pen->Style == psInsideFrame) {
        o.Inner = {b.L + w, b.T + w, b.R - w, b.B - w};
    } else {
        o.Outer = {b.L - pen->Lo(), b.T - pen->Lo(), b.R + pen->Hi(), b.B + pen->Hi()};
        o.Inner = {b.L + pen->Hi() + 1, b.T + pen->Hi() + 1, b.R - 1 - pen->Lo(), b.B - 1 - pen->Lo()};
    }
    return o;
}

Box64 Normalised(int64_t L, int64_t T, int64_t R, int64_t B)
{
    return {std::min(L, R), std::min(T, B), std::max(L, R), std::max(T, B)};
}

// Which part of a row run lies in [lo, hi) as a half-open pair.
inline bool ClipRun(int64_t a, int64_t b, int64_t lo, int64_t hi, int32_t& x0, int32_t& x1)
{
    int64_t s = std::max(a, lo), e = std::min(b + 1, hi);
    if (s >= e) return false;
    x0 = static_cast<int32_t>(s);
    x1 = static_cast<int32_t>(e);
    return true;
}

} // namespace

} // namespace detail

using detail::Box64;
using detail::i128;

void TCanvas::Ellipse(int32_t L, int32_t T, int32_t R, int32_t B)
{
    RequireDrawing();
    Box64 box = detail::Normalised(L, T, R, B);
    if (box.Empty()) return;
    auto pen = detail::ResolvePen(pen_);
    auto brush = detail::ResolveBrush(brush_);
    if (!pen && !brush) return;
    detail::EllipseOutline o = detail::MakeOutline(box, pen);
    TRect area = detail::ClipBox(o.Outer, clip_);
    for (int32_t y = area.Top; y < area.Bottom; ++y) {
        detail::RowRuns r;
        if (!o.Row(y, r)) continue;
        uint32_t* row = surface_.Row(y);
        int32_t x0, x1;
        if (!pen) {
            // Without a pen the brush fills the whole ellipse.
            int64_t a, b;
            if (detail::EllipseRow(box, y, a, b) && detail::ClipRun(a, b, area.Left, area.Right, x0, x1))
                brush->Span(row, y, x0, x1);
            continue;
        }
        if (brush && detail::ClipRun(r.ia, r.ib, area.Left, area.Right, x0, x1)) brush->Span(row, y, x0, x1);
        if (detail::ClipRun(r.pa0, r.pb0, area.Left, area.Right, x0, x1))
            detail::PaintSpan(row, x0, x1, pen->Color, pen->Mode);
        if (detail::ClipRun(r.pa1, r.pb1, area.Left, area.Right, x0, x1))
            detail::PaintSpan(row, x0, x1, pen->Color, pen->Mode);
    }
    Changed(area);
}

namespace {

enum class ArcKind { Arc, Pie, Chord };

struct Vec {
    int64_t X, Y;
};
inline i128 Cross(Vec a, Vec b) { return i128(a.X) * b.Y - i128(a.Y) * b.X; }
inline i128 Dot(Vec a, Vec b) { return i128(a.X) * b.X + i128(a.Y) * b.Y; }

} // namespace

// Arcs, pies and chords are assembled in a mask over the visible part of the
// shape (pen pixels, brush pixels), so that every pixel is painted once even
// in the xor and not modes.
static void DrawArcShape(const TSurface& surface, const TRect& clip, const std::optional<detail::PenPaint>& pen,
                         const std::optional<detail::BrushPaint>& brush, ArcKind kind, Box64 box, int64_t X1,
                         int64_t Y1, int64_t X2, int64_t Y2, TRect& touched)
{
    touched = {};
    if (box.Empty()) return;
    if (!pen && (kind == ArcKind::Arc || !brush)) return;
    detail::EllipseOutline o = detail::MakeOutline(box, pen);
    TRect area = detail::ClipBox(o.Outer, clip);
    if (area.IsEmpty()) return;
    const int64_t aw = area.Width(), ah = area.Height();
    std::vector<uint8_t> mask(static_cast<size_t>(aw * ah), 0);
    auto at = [&](int64_t x, int64_t y) -> uint8_t& {
        return mask[static_cast<size_t>((y - area.Top) * aw + (x - area.Left))];
    };
    // Radials in doubled coordinates about the box centre, y pointing up.
    const int64_t sx = box.L + box.R, sy = box.T + box.B;
    Vec A{2 * X1 + 1 - sx, sy - (2 * Y1 + 1)}, B{2 * X2 + 1 - sx, sy - (2 * Y2 + 1)};
    if (A.X == 0 && A.Y == 0) A = {1, 0};
    if (B.X == 0 && B.Y == 0) B = {1, 0};
    const i128 ab = Cross(A, B);
    const bool full = ab == 0 && Dot(A, B) > 0;
    auto inSweep = [&](int64_t x, int64_t y) {
        if (full) return true;
        Vec P{2 * x + 1 - sx, sy - (2 * y + 1)};
        if (ab > 0) return Cross(A, P) >= 0 && Cross(P, B) >= 0;
        return !(Cross(B, P) > 0 && Cross(P, A) > 0);
    };
    // The ends of the arc: where the radials meet the ellipse.
    auto endPoint = [&](Vec d) {
        long double W = static_cast<long double>(box.R - box.L), H = static_cast<long double>(box.B - box.T);
        long double dx = static_cast<long double>(d.X), dy = static_cast<long double>(d.Y);
        long double t = 1.0L / std::sqrt((dx / W) * (dx / W) + (dy / H) * (dy / H));
        long double ex = (t * dx + static_cast<long double>(sx)) / 2, ey = (static_cast<long double>(sy) - t * dy) / 2;
        int64_t px = SatTrunc64(static_cast<double>(std::floor(ex)));
        int64_t py = SatTrunc64(static_cast<double>(std::floor(ey)));
        return Vec{std::clamp(px, box.L, box.R - 1), std::clamp(py, box.T, box.B - 1)};
    };
    const Vec E1 = endPoint(A), E2 = endPoint(B);
    const Vec C{static_cast<int64_t>(detail::FloorDiv(sx - 1, 2)), static_cast<int64_t>(detail::FloorDiv(sy - 1, 2))};
    // Chord: the side of the line E1 -> E2 that holds the arc (its right in
    // y-up coordinates); pixel centres compared in doubled coordinates.
    const Vec e1{2 * E1.X + 1, 2 * E1.Y + 1}, e2{2 * E2.X + 1, 2 * E2.Y + 1};
    auto chordSide = [&](int64_t x, int64_t y) {
        Vec d{e2.X - e1.X, -(e2.Y - e1.Y)}, p{2 * x + 1 - e1.X, -(2 * y + 1 - e1.Y)};
        return full || Cross(d, p) <= 0;
    };
    for (int64_t y = area.Top; y < area.Bottom; ++y) {
        detail::RowRuns r;
        if (!o.Row(y, r)) continue;
        auto markPen = [&](int64_t a, int64_t b) {
            for (int64_t x = std::max<int64_t>(a, area.Left); x <= std::min<int64_t>(b, area.Right - 1); ++x)
                if (pen && inSweep(x, y)) at(x, y) = 1;
        };
        markPen(r.pa0, r.pb0);
        markPen(r.pa1, r.pb1);
        if (kind == ArcKind::Arc || !brush) continue;
        // Without a pen, the border pixels belong to the fill.
        auto markFill = [&](int64_t a, int64_t b) {
            for (int64_t x = std::max<int64_t>(a, area.Left); x <= std::min<int64_t>(b, area.Right - 1); ++x) {
                bool in = kind == ArcKind::Pie ? inSweep(x, y) : chordSide(x, y);
                if (in && at(x, y) == 0) at(x, y) = 2;
            }
        };
        markFill(r.ia, r.ib);
        if (!pen) {
            markFill(r.pa0, r.pb0);
            markFill(r.pa1, r.pb1);
        }
    }
    // The closing lines, end points included.
    if (pen && kind != ArcKind::Arc && !full) {
        auto line = [&](Vec p, Vec q) {
            const int64_t lo = pen->Lo(), hi = pen->Hi();
            bool xMajor = std::llabs(q.X - p.X) >= std::llabs(q.Y - p.Y);
            auto plot = [&](int32_t x, int32_t y, int64_t) {
                for (int64_t k = -lo; k <= hi; ++k) {
                    int64_t xx = xMajor ? x : x + k, yy = xMajor ? y + k : y;
                    if (xx >= area.Left && xx < area.Right && yy >= area.Top && yy < area.Bottom) at(xx, yy) = 1;
                }
            };
            auto sat = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
            TRect wide{sat(int64_t(area.Left) - hi), sat(int64_t(area.Top) - hi), sat(int64_t(area.Right) + lo),
                       sat(int64_t(area.Bottom) + lo)};
            detail::WalkLine(wide, p.X, p.Y, q.X, q.Y, plot);
            plot(static_cast<int32_t>(q.X), static_cast<int32_t>(q.Y), 0);
        };
        if (kind == ArcKind::Pie) {
            line(C, E1);
            line(C, E2);
        } else {
            line(E1, E2);
        }
    }
    for (int64_t y = area.Top; y < area.Bottom; ++y) {
        uint32_t* row = surface.Row(static_cast<int32_t>(y));
        const uint8_t* m = &mask[static_cast<size_t>((y - area.Top) * aw)];
        for (int64_t i = 0; i < aw; ++i) {
            if (m[i] == 0) continue;
            int32_t x = static_cast<int32_t>(area.Left + i);
            if (m[i] == 1) row[x] = detail::ApplyPenMode(row[x], pen->Color, pen->Mode);
            else if (brush->Style == bsSolid || detail::HatchCovers(brush->Style, x, static_cast<int32_t>(y)))
                row[x] = brush->Color;
        }
    }
    touched = area;
}

void TCanvas::Arc(int32_t L, int32_t T, int32_t R, int32_t B, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2)
{
    RequireDrawing();
    TRect t;
    DrawArcShape(surface_, clip_, detail::ResolvePen(pen_), std::nullopt, ArcKind::Arc,
                 detail::Normalised(L, T, R, B), X1, Y1, X2, Y2, t);
    if (!t.IsEmpty()) Changed(t);
}

void TCanvas::Pie(int32_t L, int32_t T, int32_t R, int32_t B, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2)
{
    RequireDrawing();
    TRect t;
    DrawArcShape(surface_, clip_, detail::ResolvePen(pen_), detail::ResolveBrush(brush_), ArcKind::Pie,
                 detail::Normalised(L, T, R, B), X1, Y1, X2, Y2, t);
    if (!t.IsEmpty()) Changed(t);
}

void TCanvas::Chord(int32_t L, int32_t T, int32_t R, int32_t B, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2)
{
    RequireDrawing();
    TRect t;
    DrawArcShape(surface_, clip_, detail::ResolvePen(pen_), detail::ResolveBrush(brush_), ArcKind::Chord,
                 detail::Normalised(L, T, R, B), X1, Y1, X2, Y2, t);
    if (!t.IsEmpty()) Changed(t);
}

} // namespace vcl
