// Lines, polylines and polygons.
#include <algorithm>
#include <vector>

#include "vcl/internal/Raster.h"

namespace vcl {

namespace detail {

namespace {

// Dash patterns of width-1 pens, one bit per pixel over a period of 24
// (dot repeats every 6, which divides 24).
constexpr uint32_t PatternBits(std::initializer_list<int> runs)
{
    uint32_t bits = 0;
    int pos = 0;
    bool on = true;
    for (int r : runs) {
        for (int k = 0; k < r; ++k, ++pos)
            if (on) bits |= 1u << pos;
        on = !on;
    }
    return bits;
}
constexpr uint32_t kDash = PatternBits({18, 6});
constexpr uint32_t kDot = PatternBits({3, 3, 3, 3, 3, 3, 3, 3});
constexpr uint32_t kDashDot = PatternBits({9, 6, 3, 6});
constexpr uint32_t kDashDotDot = PatternBits({9, 3, 3, 3, 3, 3});
constexpr int64_t kPatternPeriod = 24;

uint32_t PatternOf(TPenStyle s)
{
    switch (s) {
    case psDash: return kDash;
    case psDot: return kDot;
    case psDashDot: return kDashDot;
    case psDashDotDot: return kDashDotDot;
    default: return 0xFFFFFFu;
    }
}

int32_t Sat32(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

TRect DrawLine(const TSurface& s, const TRect& clip, int64_t x0, int64_t y0, int64_t x1, int64_t y1,
               const PenPaint& pen, int64_t& phase)
{
    int64_t dx = x1 - x0, dy = y1 - y0;
    if (dx == 0 && dy == 0) return {};
    int64_t len = std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy);
    const uint32_t c = pen.Color;
    const TPenMode mode = pen.Mode;
    if (pen.Width == 1) {
        uint32_t bits = PatternOf(pen.Style);
        int64_t ph = phase;
        if (bits == 0xFFFFFFu) {
            WalkLine(clip, x0, y0, x1, y1, [&](int32_t x, int32_t y, int64_t) {
                uint32_t& p = s.Row(y)[x];
                p = ApplyPenMode(p, c, mode);
            });
        } else {
            WalkLine(clip, x0, y0, x1, y1, [&](int32_t x, int32_t y, int64_t i) {
                if (!((bits >> ((ph + i) % kPatternPeriod)) & 1u)) return;
                uint32_t& p = s.Row(y)[x];
                p = ApplyPenMode(p, c, mode);
            });
        }
        phase = (phase + len) % kPatternPeriod;
        return ClipBox({std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + 1, std::max(y0, y1) + 1}, clip);
    }
    // Wide pens: each step paints a span across the minor axis, so no pixel
    // is painted twice and the ends are flat.
    const int64_t lo = pen.Lo(), hi = pen.Hi();
    bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    TRect wc = clip;
    if (xMajor) {
        wc.Top = Sat32(int64_t(clip.Top) - hi);
        wc.Bottom = Sat32(int64_t(clip.Bottom) + lo);
    } else {
        wc.Left = Sat32(int64_t(clip.Left) - hi);
        wc.Right = Sat32(int64_t(clip.Right) + lo);
    }
    if (xMajor) {
        WalkLine(wc, x0, y0, x1, y1, [&](int32_t x, int32_t y, int64_t) {
            int64_t ya = std::max<int64_t>(int64_t(y) - lo, clip.Top);
            int64_t yb = std::min<int64_t>(int64_t(y) + hi + 1, clip.Bottom);
            for (int64_t yy = ya; yy < yb; ++yy) {
                uint32_t& p = s.Row(static_cast<int32_t>(yy))[x];
                p = ApplyPenMode(p, c, mode);
            }
        });
    } else {
        WalkLine(wc, x0, y0, x1, y1, [&](int32_t x, int32_t y, int64_t) {
            int64_t xa = std::max<int64_t>(int64_t(x) - lo, clip.Left);
            int64_t xb = std::min<int64_t>(int64_t(x) + hi + 1, clip.Right);
            PaintSpan(s.Row(y), static_cast<int32_t>(xa), static_cast<int32_t>(xb), c, mode);
        });
    }
    phase = (phase + len) % kPatternPeriod;
    return ClipBox({std::min(x0, x1) - lo, std::min(y0, y1) - lo, std::max(x0, x1) + hi + 1,
                    std::max(y0, y1) + hi + 1},
                   clip);
}

void FillPolygon64(const TSurface& s, const TRect& clip, const Point64* pts, size_t n, const BrushPaint& brush)
{
    if (n < 3 || clip.IsEmpty()) return;
    struct Edge {
        int64_t xa, ya, xb, yb; // ya < yb
    };
    std::vector<Edge> edges;
    edges.reserve(n);
    int64_t minY = pts[0].Y, maxY = pts[0].Y;
    for (size_t i = 0; i < n; ++i) {
        const Point64& p = pts[i];
        const Point64& q = pts[(i + 1) % n];
        minY = std::min(minY, p.Y);
        maxY = std::max(maxY, p.Y);
        if (p.Y == q.Y) continue;
        if (p.Y < q.Y) edges.push_back({p.X, p.Y, q.X, q.Y});
        else edges.push_back({q.X, q.Y, p.X, p.Y});
    }
    int64_t y0 = std::max<int64_t>(minY, clip.Top), y1 = std::min<int64_t>(maxY, clip.Bottom);
    std::vector<int64_t> xs;
    for (int64_t y = y0; y < y1; ++y) {
        xs.clear();
        // The row's pixel centres lie at y + 1/2; an edge [ya, yb) crosses them
        // for ya <= y < yb. The first pixel right of a crossing at x is
        // ceil(x - 1/2).
        for (const Edge& e : edges) {
            if (y < e.ya || y >= e.yb) continue;
            i128 D = e.yb - e.ya;
            i128 num = (2 * i128(e.xa) - 1) * D + (2 * i128(y) + 1 - 2 * i128(e.ya)) * (e.xb - e.xa);
            xs.push_back(static_cast<int64_t>(CeilDiv(num, 2 * D)));
        }
        std::sort(xs.begin(), xs.end());
        uint32_t* row = s.Row(static_cast<int32_t>(y));
        for (size_t k = 0; k + 1 < xs.size(); k += 2) {
            int64_t a = std::max<int64_t>(xs[k], clip.Left), b = std::min<int64_t>(xs[k + 1], clip.Right);
            if (a < b) brush.Span(row, static_cast<int32_t>(y), static_cast<int32_t>(a), static_cast<int32_t>(b));
        }
    }
}

void FillPolygon(const TSurface& s, const TRect& clip, const TPoint* pts, size_t n, const BrushPaint& brush)
{
    std::vector<Point64> p(n);
    for (size_t i = 0; i < n; ++i) p[i] = {pts[i].X, pts[i].Y};
    FillPolygon64(s, clip, p.data(), n, brush);
}

} // namespace detail

// ---------------------------------------------------------------------------
namespace {
TRect Union(const TRect& a, const TRect& b)
{
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}
} // namespace

void TCanvas::MoveTo(int32_t X, int32_t Y)
{
    penPos_ = {X, Y};
    patternPhase_ = 0;
}

void TCanvas::LineTo(int32_t X, int32_t Y)
{
    RequireDrawing();
    TPoint from = penPos_;
    penPos_ = {X, Y};
    auto pen = detail::ResolvePen(pen_);
    if (!pen) return;
    int64_t phase = patternPhase_;
    TRect t = detail::DrawLine(surface_, clip_, from.X, from.Y, X, Y, *pen, phase);
    patternPhase_ = static_cast<int32_t>(phase);
    if (!t.IsEmpty()) Changed(t);
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) { Polyline(Points.data(), Points.size()); }

void TCanvas::Polyline(const TPoint* Points, size_t Count)
{
    RequireDrawing();
    auto pen = detail::ResolvePen(pen_);
    if (!pen || Count < 2) return;
    int64_t phase = 0;
    TRect touched;
    for (size_t i = 0; i + 1 < Count; ++i)
        touched = Union(touched, detail::DrawLine(surface_, clip_, Points[i].X, Points[i].Y, Points[i + 1].X,
                                                  Points[i + 1].Y, *pen, phase));
    if (!touched.IsEmpty()) Changed(touched);
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) { Polygon(Points.data(), Points.size()); }

void TCanvas::Polygon(const TPoint* Points, size_t Count)
{
    RequireDrawing();
    if (Count == 0) return;
    TRect touched;
    if (auto brush = detail::ResolveBrush(brush_)) {
        detail::FillPolygon(surface_, clip_, Points, Count, *brush);
        int64_t l = Points[0].X, t = Points[0].Y, r = l, b = t;
        for (size_t i = 1; i < Count; ++i) {
            l = std::min<int64_t>(l, Points[i].X);
            r = std::max<int64_t>(r, Points[i].X);
            t = std::min<int64_t>(t, Points[i].Y);
            b = std::max<int64_t>(b, Points[i].Y);
        }
        touched = detail::ClipBox({l, t, r + 1, b + 1}, clip_);
    }
    if (auto pen = detail::ResolvePen(pen_)) {
        int64_t phase = 0;
        for (size_t i = 0; i < Count; ++i) {
            const TPoint& p = Points[i];
            const TPoint& q = Points[(i + 1) % Count];
            touched = Union(touched, detail::DrawLine(surface_, clip_, p.X, p.Y, q.X, q.Y, *pen, phase));
        }
    }
    if (!touched.IsEmpty()) Changed(touched);
}

} // namespace vcl
