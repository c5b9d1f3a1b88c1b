// TFont and the drawing of text: measuring through the cached advances of a
// font instance, blending glyph coverage onto a surface, and rotating a line
// of text by the font's escapement.
#include "vcl/Fonts.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "vcl/System.h"
#include "vcl/internal/FontEngine.h"

namespace vcl {

using fontengine::AcquireInstance;
using fontengine::FontInstance;
using fontengine::Glyph;

// ---------------------------------------------------------------------------
// TFont

TFont::TFont() = default;

void TFont::Assign(const TPersistent* Source)
{
    if (const auto* f = dynamic_cast<const TFont*>(Source)) {
        if (f == this) return;
        if (log_ == f->log_ && color_ == f->color_) return;
        log_ = f->log_;
        color_ = f->color_;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TFont::Changed()
{
    if (OnChange) OnChange(this);
}

void TFont::SetName(const std::string& v)
{
    if (log_.FaceName == v) return;
    log_.FaceName = v;
    Changed();
}

int32_t TFont::GetSize() const noexcept { return -MulDiv(log_.Height, 72, 96); }

void TFont::SetSize(int32_t points)
{
    // Keep points * 96 / 72 inside 32 bits.
    constexpr int32_t kMaxPoints = 1'000'000'000;
    points = std::clamp(points, -kMaxPoints, kMaxPoints);
    SetHeight(-MulDiv(points, 96, 72));
}

void TFont::SetHeight(int32_t pixels)
{
    if (log_.Height == pixels) return;
    log_.Height = pixels;
    Changed();
}

void TFont::SetColor(TColor c)
{
    if (color_ == c) return;
    color_ = c;
    Changed();
}

TFontStyles TFont::GetStyle() const noexcept
{
    TFontStyles s;
    if (log_.Weight >= 700) s.Include(fsBold);
    if (log_.Italic) s.Include(fsItalic);
    if (log_.Underline) s.Include(fsUnderline);
    if (log_.StrikeOut) s.Include(fsStrikeOut);
    return s;
}

void TFont::SetStyle(TFontStyles s)
{
    TLogFont lf = log_;
    lf.Weight = s.Contains(fsBold) ? 700 : 400;
    lf.Italic = s.Contains(fsItalic);
    lf.Underline = s.Contains(fsUnderline);
    lf.StrikeOut = s.Contains(fsStrikeOut);
    SetLogFont(lf);
}

void TFont::SetQuality(TFontQuality q)
{
    if (log_.Quality == q) return;
    log_.Quality = q;
    Changed();
}

void TFont::SetPitch(TFontPitch p)
{
    if (log_.Pitch == p) return;
    log_.Pitch = p;
    Changed();
}

void TFont::SetCharset(uint8_t c)
{
    if (log_.CharSet == c) return;
    log_.CharSet = c;
    Changed();
}

void TFont::SetEscapement(int32_t tenths)
{
    if (log_.Escapement == tenths) return;
    log_.Escapement = tenths;
    Changed();
}

void TFont::SetOrientation(int32_t tenths)
{
    if (log_.Orientation == tenths) return;
    log_.Orientation = tenths;
    Changed();
}

void TFont::SetLogFont(const TLogFont& lf)
{
    if (log_ == lf) return;
    log_ = lf;
    Changed();
}

// ---------------------------------------------------------------------------
// Measuring

TTextMetric GetTextMetric(const TFont& font) { return AcquireInstance(font.GetLogFont()).Metric; }

namespace {

int64_t Advance64(const FontInstance& inst, std::string_view text) noexcept
{
    int64_t w = 0;
    for (char ch : text) w += inst.Advance[static_cast<unsigned char>(ch)];
    return w;
}

int32_t Saturate(int64_t v) noexcept
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

int32_t TextWidth(const TFont& font, std::string_view Text)
{
    return Saturate(Advance64(AcquireInstance(font.GetLogFont()), Text));
}

int32_t TextHeight(const TFont& font) { return AcquireInstance(font.GetLogFont()).Metric.Height; }

// ---------------------------------------------------------------------------
// Drawing

namespace {

// dst = (src * a + dst * (255 - a) + 127) / 255 per channel.
inline uint32_t Blend(uint32_t dst, uint32_t src, uint32_t a) noexcept
{
    const uint32_t ia = 255 - a;
    const uint32_t r = ((src & 0xFFu) * a + (dst & 0xFFu) * ia + 127) / 255;
    const uint32_t g = (((src >> 8) & 0xFFu) * a + ((dst >> 8) & 0xFFu) * ia + 127) / 255;
    const uint32_t b = (((src >> 16) & 0xFFu) * a + ((dst >> 16) & 0xFFu) * ia + 127) / 255;
    return r | (g << 8) | (b << 16);
}

inline void Put(uint32_t& px, uint32_t color, uint32_t a) noexcept
{
    if (a == 0) return;
    px = a >= 255 ? color : Blend(px, color, a);
}

// The rotation of the text: cosine and sine of the escapement, exact for the
// quarter turns so that they map pixels one to one.
struct Rotation {
    int32_t Tenths = 0; // 0..3599
    double Cos = 1;
    double Sin = 0;
};

Rotation MakeRotation(int32_t escapement) noexcept
{
    Rotation r;
    int32_t t = escapement % 3600;
    if (t < 0) t += 3600;
    r.Tenths = t;
    switch (t) {
    case 0: r.Cos = 1; r.Sin = 0; break;
    case 900: r.Cos = 0; r.Sin = 1; break;
    case 1800: r.Cos = -1; r.Sin = 0; break;
    case 2700: r.Cos = 0; r.Sin = -1; break;
    default: {
        const double rad = t * (3.14159265358979323846 / 1800.0);
        r.Cos = std::cos(rad);
        r.Sin = std::sin(rad);
    }
    }
    return r;
}

// A rectangle in 64-bit coordinates, half-open.
struct Box {
    int64_t L, T, R, B;
    bool Empty() const noexcept { return R <= L || B <= T; }
};

Box Intersect(const Box& a, const Box& b) noexcept
{
    return {std::max(a.L, b.L), std::max(a.T, b.T), std::min(a.R, b.R), std::min(a.B, b.B)};
}

void FillBox(const TSurface& dst, const Box& area, uint32_t color)
{
    if (area.Empty()) return;
    for (int64_t y = area.T; y < area.B; ++y) {
        uint32_t* row = dst.Row(static_cast<int32_t>(y));
        std::fill(row + area.L, row + area.R, color);
    }
}

// The lines of underline and strike-out in cell coordinates (x from the
// start of the text, y from the top of the cell).
void DecorationBoxes(const FontInstance& inst, const TLogFont& lf, int64_t width, std::vector<Box>& out)
{
    const int64_t base = inst.Metric.Ascent;
    if (width <= 0) return;
    if (lf.Underline)
        out.push_back({0, base + inst.UnderlinePos, width, base + inst.UnderlinePos + inst.UnderlineThickness});
    if (lf.StrikeOut)
        out.push_back({0, base - inst.StrikeOutPos, width, base - inst.StrikeOutPos + inst.StrikeOutThickness});
}

// How far a glyph may reach beyond its advance and its cell: glyphs further
// from the clip than this are skipped without rendering them.
int64_t Reach(const FontInstance& inst) noexcept { return 2 * static_cast<int64_t>(inst.Metric.Height) + 8; }

void DrawUnrotated(FontInstance& inst, const TLogFont& lf, const TSurface& dst, const Box& clip, int64_t x,
                   int64_t y, std::string_view text, uint32_t color)
{
    const int64_t base = y + inst.Metric.Ascent;
    const int64_t reach = Reach(inst);
    if (y + inst.Metric.Height + reach <= clip.T || y - reach >= clip.B) return;
    int64_t pen = x;
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (pen - reach > clip.R) break;
        if (pen + inst.Advance[b] + reach <= clip.L) {
            pen += inst.Advance[b]; // wholly left of the clip: not even rendered
            continue;
        }
        const Glyph& g = inst.GetGlyph(b);
        if (g.Width > 0) {
            const int64_t gx = pen + g.Left;
            const int64_t gy = base - g.Top;
            const Box area = Intersect(clip, {gx, gy, gx + g.Width, gy + g.Height});
            for (int64_t py = area.T; py < area.B; ++py) {
                uint32_t* row = dst.Row(static_cast<int32_t>(py));
                const uint8_t* cov = g.Coverage.get() + (py - gy) * g.Width - gx;
                for (int64_t px = area.L; px < area.R; ++px) Put(row[px], color, cov[px]);
            }
        }
        pen += inst.Advance[b];
    }
    std::vector<Box> lines;
    DecorationBoxes(inst, lf, Advance64(inst, text), lines);
    for (const Box& l : lines) FillBox(dst, Intersect(clip, {x + l.L, y + l.T, x + l.R, y + l.B}), color);
}

// The cell-space point of destination pixel (X, Y) for text at (x, y):
// the inverse of ref + a*(cos, -sin) + b*(sin, cos).
struct CellPoint {
    double A, B;
};

inline CellPoint ToCell(const Rotation& r, double dx, double dy) noexcept
{
    return {dx * r.Cos - dy * r.Sin, dx * r.Sin + dy * r.Cos};
}

// The bounding box, in cell space, of the destination box seen through the
// rotation; widened by `margin` pixels.
Box CellBoundsOf(const Rotation& r, const Box& dstBox, int64_t x, int64_t y, int64_t margin)
{
    double minA = INFINITY, maxA = -INFINITY, minB = INFINITY, maxB = -INFINITY;
    const double xs[2] = {static_cast<double>(dstBox.L - x), static_cast<double>(dstBox.R - 1 - x)};
    const double ys[2] = {static_cast<double>(dstBox.T - y), static_cast<double>(dstBox.B - 1 - y)};
    for (double dx : xs)
        for (double dy : ys) {
            const CellPoint p = ToCell(r, dx, dy);
            minA = std::min(minA, p.A);
            maxA = std::max(maxA, p.A);
            minB = std::min(minB, p.B);
            maxB = std::max(maxB, p.B);
        }
    return {SatTrunc64(std::floor(minA)) - margin, SatTrunc64(std::floor(minB)) - margin,
            SatTrunc64(std::ceil(maxA)) + 1 + margin, SatTrunc64(std::ceil(maxB)) + 1 + margin};
}

// The destination bounding box of a cell-space box.
Box DestBoundsOf(const Rotation& r, const Box& cell, int64_t x, int64_t y)
{
    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    const double as[2] = {static_cast<double>(cell.L), static_cast<double>(cell.R - 1)};
    const double bs[2] = {static_cast<double>(cell.T), static_cast<double>(cell.B - 1)};
    for (double a : as)
        for (double b : bs) {
            const double px = x + a * r.Cos + b * r.Sin;
            const double py = y - a * r.Sin + b * r.Cos;
            minX = std::min(minX, px);
            maxX = std::max(maxX, px);
            minY = std::min(minY, py);
            maxY = std::max(maxY, py);
        }
    return {SatTrunc64(std::floor(minX)) - 1, SatTrunc64(std::floor(minY)) - 1, SatTrunc64(std::ceil(maxX)) + 2,
            SatTrunc64(std::ceil(maxY)) + 2};
}

constexpr int64_t kMaxMaskPixels = int64_t{1} << 24;

// Draws a coverage mask given in cell space [m.L, m.R) x [m.T, m.B) through
// the rotation: nearest sampling for two-level coverage, bilinear otherwise.
void MapMask(const std::vector<uint8_t>& mask, const Box& m, const Rotation& r, bool nearest, const TSurface& dst,
             const Box& clip, int64_t x, int64_t y, uint32_t color)
{
    const Box area = Intersect(clip, DestBoundsOf(r, m, x, y));
    const int64_t mw = m.R - m.L;
    auto at = [&](int64_t a, int64_t b) -> uint32_t {
        if (a < m.L || a >= m.R || b < m.T || b >= m.B) return 0;
        return mask[static_cast<std::size_t>((b - m.T) * mw + (a - m.L))];
    };
    if (r.Tenths % 900 == 0) {
        // Quarter turns move whole pixels: integer arithmetic, no sampling.
        const int64_t c = static_cast<int64_t>(r.Cos), s = static_cast<int64_t>(r.Sin);
        for (int64_t py = area.T; py < area.B; ++py) {
            uint32_t* row = dst.Row(static_cast<int32_t>(py));
            const int64_t dy = py - y;
            for (int64_t px = area.L; px < area.R; ++px) {
                const int64_t dx = px - x;
                Put(row[px], color, at(dx * c - dy * s, dx * s + dy * c));
            }
        }
        return;
    }
    for (int64_t py = area.T; py < area.B; ++py) {
        uint32_t* row = dst.Row(static_cast<int32_t>(py));
        for (int64_t px = area.L; px < area.R; ++px) {
            const CellPoint p = ToCell(r, static_cast<double>(px - x), static_cast<double>(py - y));
            if (!(p.A > m.L - 1.0 && p.A < static_cast<double>(m.R) && p.B > m.T - 1.0 && p.B < static_cast<double>(m.B)))
                continue;
            uint32_t cov;
            if (nearest) {
                cov = at(SatTrunc64(std::floor(p.A + 0.5)), SatTrunc64(std::floor(p.B + 0.5)));
            } else {
                const double fa = std::floor(p.A);
                const double fb = std::floor(p.B);
                const int64_t a0 = SatTrunc64(fa);
                const int64_t b0 = SatTrunc64(fb);
                const double wa = p.A - fa;
                const double wb = p.B - fb;
                const double v = (at(a0, b0) * (1 - wa) + at(a0 + 1, b0) * wa) * (1 - wb) +
                                 (at(a0, b0 + 1) * (1 - wa) + at(a0 + 1, b0 + 1) * wa) * wb;
                cov = static_cast<uint32_t>(std::clamp(SatTrunc(v + 0.5), 0, 255));
            }
            Put(row[px], color, cov);
        }
    }
}

// A cell-space box that holds everything the text may paint: the cell
// widened by the reach of the glyphs.
Box TextExtent(const FontInstance& inst, std::string_view text)
{
    const int64_t reach = Reach(inst);
    return {-reach, -reach, Advance64(inst, text) + reach, inst.Metric.Height + reach};
}

void DrawRotatedPart(FontInstance& inst, const TLogFont& lf, const Rotation& r, const TSurface& dst, const Box& clip,
                     int64_t x, int64_t y, std::string_view text, const Box& extent, uint32_t color)
{
    const Box m = Intersect(extent, CellBoundsOf(r, clip, x, y, 2));
    if (m.Empty()) return;
    const int64_t mw = m.R - m.L;
    const int64_t mh = m.B - m.T;
    if (mw * mh > kMaxMaskPixels && (clip.R - clip.L > 1 || clip.B - clip.T > 1)) {
        // Too large for one mask: draw the clip area in two halves.
        Box first = clip, second = clip;
        if (clip.R - clip.L >= clip.B - clip.T) first.R = second.L = clip.L + (clip.R - clip.L) / 2;
        else first.B = second.T = clip.T + (clip.B - clip.T) / 2;
        DrawRotatedPart(inst, lf, r, dst, first, x, y, text, extent, color);
        DrawRotatedPart(inst, lf, r, dst, second, x, y, text, extent, color);
        return;
    }
    std::vector<uint8_t> mask(static_cast<std::size_t>(mw * mh), 0);
    int64_t pen = 0;
    const int64_t reach = Reach(inst);
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (pen - reach > m.R) break;
        if (pen + inst.Advance[b] + reach <= m.L) {
            pen += inst.Advance[b];
            continue;
        }
        const Glyph& g = inst.GetGlyph(b);
        if (g.Width > 0) {
            const int64_t gx = pen + g.Left;
            const int64_t gy = inst.Metric.Ascent - g.Top;
            const Box area = Intersect(m, {gx, gy, gx + g.Width, gy + g.Height});
            for (int64_t b2 = area.T; b2 < area.B; ++b2) {
                uint8_t* out = mask.data() + (b2 - m.T) * mw - m.L;
                const uint8_t* cov = g.Coverage.get() + (b2 - gy) * g.Width - gx;
                for (int64_t a = area.L; a < area.R; ++a) out[a] = std::max(out[a], cov[a]);
            }
        }
        pen += inst.Advance[b];
    }
    std::vector<Box> lines;
    DecorationBoxes(inst, lf, Advance64(inst, text), lines);
    for (const Box& l : lines) {
        const Box area = Intersect(m, l);
        if (area.Empty()) continue;
        for (int64_t b2 = area.T; b2 < area.B; ++b2)
            std::fill(mask.data() + (b2 - m.T) * mw + (area.L - m.L), mask.data() + (b2 - m.T) * mw + (area.R - m.L),
                      uint8_t{255});
    }
    MapMask(mask, m, r, inst.Binary, dst, clip, x, y, color);
}

bool Prepare(const TSurface& dst, const TRect& clipRect, TColor color, Box& clip, uint32_t& rgb)
{
    if (!dst.Pixels || dst.Width <= 0 || dst.Height <= 0 || dst.Stride < dst.Width || color == clNone) return false;
    const TRect c = IntersectRect(clipRect, dst.Bounds());
    if (c.IsEmpty()) return false;
    clip = {c.Left, c.Top, c.Right, c.Bottom};
    rgb = ColorToRGB(color) & 0x00FFFFFFu;
    return true;
}

} // namespace

void RenderText(const TFont& font, const TSurface& Dst, const TRect& Clip, int32_t X, int32_t Y,
                std::string_view Text, TColor Color)
{
    Box clip{};
    uint32_t color = 0;
    if (Text.empty() || !Prepare(Dst, Clip, Color, clip, color)) return;
    const TLogFont& lf = font.GetLogFont();
    FontInstance& inst = AcquireInstance(lf);
    const Rotation r = MakeRotation(lf.Escapement);
    if (r.Tenths == 0) {
        DrawUnrotated(inst, lf, Dst, clip, X, Y, Text, color);
        return;
    }
    const Box extent = TextExtent(inst, Text);
    DrawRotatedPart(inst, lf, r, Dst, clip, X, Y, Text, extent, color);
}

void FillTextCell(const TFont& font, const TSurface& Dst, const TRect& Clip, int32_t X, int32_t Y, int32_t Width,
                  TColor Color)
{
    Box clip{};
    uint32_t color = 0;
    if (Width <= 0 || !Prepare(Dst, Clip, Color, clip, color)) return;
    const TLogFont& lf = font.GetLogFont();
    const int64_t height = AcquireInstance(lf).Metric.Height;
    const Rotation r = MakeRotation(lf.Escapement);
    const Box cell{0, 0, Width, height};
    if (r.Tenths == 0) {
        FillBox(Dst, Intersect(clip, {X + cell.L, Y + cell.T, X + cell.R, Y + cell.B}), color);
        return;
    }
    // Every pixel whose nearest cell point lies inside the cell.
    const Box area = Intersect(clip, DestBoundsOf(r, cell, X, Y));
    for (int64_t py = area.T; py < area.B; ++py) {
        uint32_t* row = Dst.Row(static_cast<int32_t>(py));
        for (int64_t px = area.L; px < area.R; ++px) {
            const CellPoint p = ToCell(r, static_cast<double>(px - X), static_cast<double>(py - Y));
            const double a = std::floor(p.A + 0.5);
            const double b = std::floor(p.B + 0.5);
            if (a >= 0 && a < static_cast<double>(Width) && b >= 0 && b < static_cast<double>(height)) row[px] = color;
        }
    }
}

} // namespace vcl
