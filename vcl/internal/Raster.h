// Raster helpers shared by the canvas sources. Not part of the public
// interface: applications include vcl/Graphics.h.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "vcl/Graphics.h"

namespace vcl::detail {

__extension__ typedef __int128 i128;

// Floor and ceiling division for a positive divisor.
inline i128 FloorDiv(i128 a, i128 b) noexcept
{
    i128 q = a / b;
    if ((a % b != 0) && (a < 0)) --q;
    return q;
}
inline i128 CeilDiv(i128 a, i128 b) noexcept
{
    i128 q = a / b;
    if ((a % b != 0) && (a > 0)) ++q;
    return q;
}

// A rectangle in 64-bit coordinates, half-open like TRect.
struct Box64 {
    int64_t L = 0, T = 0, R = 0, B = 0;
    bool Empty() const noexcept { return R <= L || B <= T; }
};

// The part of b inside the clip rectangle, as a TRect (empty when none).
inline TRect ClipBox(const Box64& b, const TRect& clip) noexcept
{
    int64_t l = std::max<int64_t>(b.L, clip.Left), t = std::max<int64_t>(b.T, clip.Top);
    int64_t r = std::min<int64_t>(b.R, clip.Right), bo = std::min<int64_t>(b.B, clip.Bottom);
    if (r <= l || bo <= t) return {};
    return {static_cast<int32_t>(l), static_cast<int32_t>(t), static_cast<int32_t>(r), static_cast<int32_t>(bo)};
}

// Sets n pixels to c. Rows are long and the compiler does not vectorise a
// loop of unknown length at every optimisation level, so wide stores are
// spelled out where the processor has them.
inline void FillPixels(uint32_t* p, int64_t n, uint32_t c) noexcept
{
    int64_t i = 0;
#if defined(__SSE2__)
    const __m128i v = _mm_set1_epi32(static_cast<int>(c));
    for (; i + 16 <= n; i += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i + 4), v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i + 8), v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i + 12), v);
    }
#endif
    if (i < n) std::fill_n(p + i, n - i, c);
}

inline uint32_t ApplyPenMode(uint32_t d, uint32_t c, TPenMode m) noexcept
{
    switch (m) {
    case pmNot: return ~d & 0xFFFFFFu;
    case pmXor: return (d ^ c) & 0xFFFFFFu;
    case pmNotXor: return ~(d ^ c) & 0xFFFFFFu;
    case pmCopy: break;
    }
    return c;
}

// Paints row[x0, x1) in the pen mode.
inline void PaintSpan(uint32_t* row, int32_t x0, int32_t x1, uint32_t c, TPenMode m) noexcept
{
    if (x1 <= x0) return;
    uint32_t* p = row + x0;
    int32_t n = x1 - x0;
    switch (m) {
    case pmCopy: FillPixels(p, n, c); break;
    case pmNot:
        for (int32_t i = 0; i < n; ++i) p[i] = ~p[i] & 0xFFFFFFu;
        break;
    case pmXor:
        for (int32_t i = 0; i < n; ++i) p[i] = (p[i] ^ c) & 0xFFFFFFu;
        break;
    case pmNotXor:
        for (int32_t i = 0; i < n; ++i) p[i] = ~(p[i] ^ c) & 0xFFFFFFu;
        break;
    }
}

// Whether the hatch pattern of a brush style covers pixel (x, y).
inline bool HatchCovers(TBrushStyle s, int32_t x, int32_t y) noexcept
{
    uint32_t ux = static_cast<uint32_t>(x) & 7u, uy = static_cast<uint32_t>(y) & 7u;
    switch (s) {
    case bsHorizontal: return uy == 0;
    case bsVertical: return ux == 0;
    case bsFDiagonal: return ((ux + uy) & 7u) == 7u;
    case bsBDiagonal: return ux == uy;
    case bsCross: return ux == 0 || uy == 0;
    case bsDiagCross: return ux == uy || ((ux + uy) & 7u) == 7u;
    default: return true;
    }
}

// A resolved brush: colour and style; absent when it paints nothing.
struct BrushPaint {
    uint32_t Color = 0;
    TBrushStyle Style = bsSolid;
    // Paints row y over [x0, x1).
    void Span(uint32_t* row, int32_t y, int32_t x0, int32_t x1) const noexcept
    {
        if (Style == bsSolid) {
            if (x1 > x0) FillPixels(row + x0, x1 - x0, Color);
            return;
        }
        for (int32_t x = x0; x < x1; ++x)
            if (HatchCovers(Style, x, y)) row[x] = Color;
    }
};

// A resolved pen.
struct PenPaint {
    uint32_t Color = 0;
    TPenMode Mode = pmCopy;
    int32_t Width = 1;
    TPenStyle Style = psSolid;
    // Offsets covered across a wide line: -Lo .. +Hi.
    int32_t Lo() const noexcept { return (Width - 1) / 2; }
    int32_t Hi() const noexcept { return Width / 2; }
};

std::optional<PenPaint> ResolvePen(const TPen& pen);
std::optional<BrushPaint> ResolveBrush(const TBrush& brush);

// Draws the line (x0,y0)-(x1,y1) with the end excluded. Phase is the position
// in the dash pattern and advances by the line's length. Returns the touched
// box (clipped).
TRect DrawLine(const TSurface& s, const TRect& clip, int64_t x0, int64_t y0, int64_t x1, int64_t y1,
               const PenPaint& pen, int64_t& phase);

// Calls plot(x, y) for every pixel of the thin line (end excluded) that lies
// in clip, ignoring pen styles. Used to build masks.
template <class Plot>
void WalkLine(const TRect& clip, int64_t x0, int64_t y0, int64_t x1, int64_t y1, Plot&& plot);

// Fills the polygon (even-odd, pixel centres) with the brush.
void FillPolygon(const TSurface& s, const TRect& clip, const TPoint* pts, size_t n, const BrushPaint& brush);
// The same over 64-bit points (used for rotated cells).
struct Point64 {
    int64_t X, Y;
};
void FillPolygon64(const TSurface& s, const TRect& clip, const Point64* pts, size_t n, const BrushPaint& brush);

// Fills a half-open 64-bit box with the brush inside clip.
void FillBox(const TSurface& s, const TRect& clip, const Box64& b, const BrushPaint& brush);
// Paints a half-open 64-bit box with the pen colour and mode inside clip.
void PenBox(const TSurface& s, const TRect& clip, const Box64& b, const PenPaint& pen);

// The span [xl, xr] of the ellipse inscribed in box b on row y (y inside the
// box); false when the row holds no pixel of it.
bool EllipseRow(const Box64& b, int64_t y, int64_t& xl, int64_t& xr) noexcept;

// Copies with a raster operation (see TCopyMode). Sizes equal: 1:1; else
// stretched with mode.
void CopyPixels(const TSurface& dst, const TRect& clip, const Box64& dstRect, const TSurface& src,
                const Box64& srcRect, TCopyMode rop, uint32_t brushColor, TStretchMode mode, TRect& touched);

} // namespace vcl::detail

// ---------------------------------------------------------------------------
namespace vcl::detail {

template <class Plot>
void WalkLine(const TRect& clip, int64_t x0, int64_t y0, int64_t x1, int64_t y1, Plot&& plot)
{
    int64_t dx = x1 - x0, dy = y1 - y0;
    if (dx == 0 && dy == 0) return;
    bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    int64_t m0 = xMajor ? x0 : y0, n0 = xMajor ? y0 : x0;
    int64_t dm = xMajor ? dx : dy, dn = xMajor ? dy : dx;
    int64_t sm = dm < 0 ? -1 : 1, sn = dn < 0 ? -1 : 1;
    int64_t b = dm < 0 ? -dm : dm, a = dn < 0 ? -dn : dn; // b = steps, a <= b
    int64_t cm0 = xMajor ? clip.Left : clip.Top, cm1 = (xMajor ? clip.Right : clip.Bottom) - 1;
    int64_t cn0 = xMajor ? clip.Top : clip.Left, cn1 = (xMajor ? clip.Bottom : clip.Right) - 1;
    if (cm1 < cm0 || cn1 < cn0) return;
    // Range of steps i in [0, b) whose major coordinate is inside the clip.
    i128 ilo = 0, ihi = b - 1;
    if (sm > 0) {
        ilo = std::max<i128>(ilo, i128(cm0) - m0);
        ihi = std::min<i128>(ihi, i128(cm1) - m0);
    } else {
        ilo = std::max<i128>(ilo, i128(m0) - cm1);
        ihi = std::min<i128>(ihi, i128(m0) - cm0);
    }
    // The minor offset of step i is floor((2ia + b) / 2b); it must stay in
    // [omin, omax].
    i128 omin = sn > 0 ? i128(cn0) - n0 : i128(n0) - cn1;
    i128 omax = sn > 0 ? i128(cn1) - n0 : i128(n0) - cn0;
    if (omax < 0) return;
    if (a == 0) {
        if (omin > 0) return;
    } else {
        if (omin > 0) ilo = std::max<i128>(ilo, CeilDiv(2 * i128(b) * omin - b, 2 * i128(a)));
        ihi = std::min<i128>(ihi, CeilDiv(2 * i128(b) * omax + b, 2 * i128(a)) - 1);
    }
    if (ihi < ilo) return;
    i128 num = 2 * ilo * a + b;
    int64_t off = static_cast<int64_t>(num / (2 * i128(b)));
    int64_t rem = static_cast<int64_t>(num % (2 * i128(b)));
    int64_t m = m0 + sm * static_cast<int64_t>(ilo);
    int64_t twoA = 2 * a, twoB = 2 * b;
    for (i128 i = ilo; i <= ihi; ++i) {
        int64_t n = n0 + sn * off;
        if (xMajor) plot(static_cast<int32_t>(m), static_cast<int32_t>(n), static_cast<int64_t>(i));
        else plot(static_cast<int32_t>(n), static_cast<int32_t>(m), static_cast<int64_t>(i));
        m += sm;
        rem += twoA;
        if (rem >= twoB) { rem -= twoB; ++off; }
    }
}

} // namespace vcl::detail
