// Copies of pixels: Draw, StretchDraw and CopyRect with raster operations and
// the two stretch modes.
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "vcl/internal/Raster.h"

namespace vcl {

namespace detail {

namespace {

constexpr uint32_t kMask = 0xFFFFFFu;

// d = rop(pattern, s, d) over n pixels. The operation byte is the truth table
// of the operation over (pattern, source, destination) = bits (2, 1, 0) of the
// table index.
void CombineRow(uint32_t* d, const uint32_t* s, int64_t n, uint8_t op, uint32_t pat)
{
    switch (op) {
    case 0xCC: std::memmove(d, s, static_cast<size_t>(n) * sizeof(uint32_t)); return;
    case 0x88:
        for (int64_t i = 0; i < n; ++i) d[i] &= s[i];
        return;
    case 0xEE:
        for (int64_t i = 0; i < n; ++i) d[i] = (d[i] | s[i]) & kMask;
        return;
    case 0x66:
        for (int64_t i = 0; i < n; ++i) d[i] = (d[i] ^ s[i]) & kMask;
        return;
    case 0x55:
        for (int64_t i = 0; i < n; ++i) d[i] = ~d[i] & kMask;
        return;
    case 0x33:
        for (int64_t i = 0; i < n; ++i) d[i] = ~s[i] & kMask;
        return;
    case 0x00: FillPixels(d, n, 0u); return;
    case 0xFF: FillPixels(d, n, kMask); return;
    case 0xF0: FillPixels(d, n, pat); return;
    case 0xAA: return;
    default: break;
    }
    for (int64_t i = 0; i < n; ++i) {
        uint32_t P = pat, S = s[i], D = d[i], r = 0;
        for (int k = 0; k < 8; ++k) {
            if (!((op >> k) & 1)) continue;
            r |= ((k & 4) ? P : ~P) & ((k & 2) ? S : ~S) & ((k & 1) ? D : ~D);
        }
        d[i] = r & kMask;
    }
}

bool UsesSource(uint8_t op) { return ((op >> 2) & 0x33) != (op & 0x33); }

// Nearest neighbour by centre sampling: destination index i of dn takes
// source index floor((2i + 1) * sn / (2 dn)).
inline int64_t NearestIndex(int64_t i, int64_t sn, int64_t dn)
{
    return static_cast<int64_t>((i128(2 * i + 1) * sn) / (i128(2) * dn));
}

// The destination rows or columns [lo, hi) (indices from the destination
// rectangle's start) whose samples fall inside the source image [0, size).
void ValidRange(int64_t vis0, int64_t vis1, int64_t srcStart, int64_t sn, int64_t dn, int64_t size,
                std::vector<int64_t>& map, int64_t& lo, int64_t& hi)
{
    map.resize(static_cast<size_t>(vis1 - vis0));
    lo = vis1;
    hi = vis0;
    for (int64_t i = vis0; i < vis1; ++i) {
        int64_t s = srcStart + NearestIndex(i, sn, dn);
        map[static_cast<size_t>(i - vis0)] = s;
        if (s >= 0 && s < size) {
            lo = std::min(lo, i);
            hi = std::max(hi, i + 1);
        }
    }
}

// One axis of the area average: destination index i covers the source
// interval [i sn, (i+1) sn) in units of 1/dn pixel. Pixels First..Last take
// part, the first and last with partial weights.
struct BoxSpan {
    int64_t First, Last;     // source indices relative to the rectangle
    int64_t WFirst, WLast;   // their weights (units of 1/dn); inner pixels weigh dn
};

BoxSpan BoxOf(int64_t i, int64_t sn, int64_t dn)
{
    i128 a = i128(i) * sn, b = i128(i + 1) * sn;
    BoxSpan s;
    s.First = static_cast<int64_t>(a / dn);
    s.Last = static_cast<int64_t>((b - 1) / dn);
    if (s.First == s.Last) {
        s.WFirst = s.WLast = sn;
    } else {
        s.WFirst = static_cast<int64_t>(i128(s.First + 1) * dn - a);
        s.WLast = static_cast<int64_t>(b - i128(s.Last) * dn);
    }
    return s;
}

// Adds a row of pixels to per-column sums: red and blue packed in one 32-bit
// lane (16 bits each, room for 256 rows), green in another.
inline void AddRow(const uint32_t* p, uint32_t* rb, uint32_t* g, int64_t n)
{
    int64_t x = 0;
#if defined(__SSE2__)
    const __m128i mrb = _mm_set1_epi32(0x00FF00FF), mg = _mm_set1_epi32(0xFF);
    for (; x + 4 <= n; x += 4) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + x));
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rb + x));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rb + x), _mm_add_epi32(a, _mm_and_si128(v, mrb)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(g + x),
                         _mm_add_epi32(b, _mm_and_si128(_mm_srli_epi32(v, 8), mg)));
    }
#endif
    for (; x < n; ++x) {
        rb[x] += p[x] & 0x00FF00FFu;
        g[x] += (p[x] >> 8) & 0xFFu;
    }
}

// Area average of a source rectangle wholly inside the source image. Per
// destination row, the source rows of full weight are summed per column
// (vectorised), the two partial rows added with their weights, and then the
// columns are combined with their horizontal weights. Weights are integers:
// a destination pixel covers sw x sh units of the source.
void StretchBox(const TSurface& dst, const TRect& vis, const Box64& dr, const TSurface& src, const Box64& sr,
                uint8_t op, uint32_t pat)
{
    const int64_t dw = dr.R - dr.L, dh = dr.B - dr.T, sw = sr.R - sr.L, sh = sr.B - sr.T;
    const int64_t c0 = vis.Left - dr.L, c1 = vis.Right - dr.L, nc = c1 - c0;
    std::vector<BoxSpan> cols(static_cast<size_t>(nc));
    for (int64_t i = c0; i < c1; ++i) cols[static_cast<size_t>(i - c0)] = BoxOf(i, sw, dw);
    const int64_t x0 = cols.front().First, n = cols.back().Last + 1 - x0;
    const size_t un = static_cast<size_t>(n);
    std::vector<uint32_t> rb(un), gg(un);
    std::vector<uint64_t> sum(un * 3), val(un * 3);
    std::vector<uint32_t> out(static_cast<size_t>(nc));
    const uint64_t total = static_cast<uint64_t>(sw) * static_cast<uint64_t>(sh);
    for (int64_t j = vis.Top - dr.T; j < vis.Bottom - dr.T; ++j) {
        const BoxSpan rs = BoxOf(j, sh, dh);
        const uint32_t* first = src.Row(static_cast<int32_t>(sr.T + rs.First)) + sr.L + x0;
        const uint32_t* last = src.Row(static_cast<int32_t>(sr.T + rs.Last)) + sr.L + x0;
        const bool single = rs.First == rs.Last;
        std::fill(sum.begin(), sum.end(), 0);
        for (int64_t r = rs.First + 1; r < rs.Last;) {
            std::fill(rb.begin(), rb.end(), 0);
            std::fill(gg.begin(), gg.end(), 0);
            for (int64_t k = 0; k < 256 && r < rs.Last; ++k, ++r)
                AddRow(src.Row(static_cast<int32_t>(sr.T + r)) + sr.L + x0, rb.data(), gg.data(), n);
            for (size_t x = 0; x < un; ++x) {
                sum[3 * x] += rb[x] & 0xFFFFu;
                sum[3 * x + 1] += gg[x];
                sum[3 * x + 2] += rb[x] >> 16;
            }
        }
        const uint64_t wF = single ? uint64_t(sh) : uint64_t(rs.WFirst), wL = single ? 0 : uint64_t(rs.WLast);
        for (size_t x = 0; x < un; ++x) {
            const uint32_t f = first[x], l = last[x];
            val[3 * x] = uint64_t(dh) * sum[3 * x] + wF * (f & 0xFF) + wL * (l & 0xFF);
            val[3 * x + 1] = uint64_t(dh) * sum[3 * x + 1] + wF * ((f >> 8) & 0xFF) + wL * ((l >> 8) & 0xFF);
            val[3 * x + 2] = uint64_t(dh) * sum[3 * x + 2] + wF * ((f >> 16) & 0xFF) + wL * ((l >> 16) & 0xFF);
        }
        for (int64_t k = 0; k < nc; ++k) {
            const BoxSpan& cs = cols[static_cast<size_t>(k)];
            uint64_t a[3] = {0, 0, 0};
            const size_t xf = static_cast<size_t>(cs.First - x0), xl = static_cast<size_t>(cs.Last - x0);
            for (size_t x = xf + 1; x < xl; ++x)
                for (int ch = 0; ch < 3; ++ch) a[ch] += val[3 * x + static_cast<size_t>(ch)];
            for (int ch = 0; ch < 3; ++ch) {
                a[ch] *= static_cast<uint64_t>(dw);
                a[ch] += static_cast<uint64_t>(cs.WFirst) * val[3 * xf + static_cast<size_t>(ch)];
                if (xl != xf) a[ch] += static_cast<uint64_t>(cs.WLast) * val[3 * xl + static_cast<size_t>(ch)];
            }
            uint32_t r = static_cast<uint32_t>((a[0] + total / 2) / total);
            uint32_t g = static_cast<uint32_t>((a[1] + total / 2) / total);
            uint32_t b = static_cast<uint32_t>((a[2] + total / 2) / total);
            out[static_cast<size_t>(k)] = r | (g << 8) | (b << 16);
        }
        CombineRow(dst.Row(static_cast<int32_t>(dr.T + j)) + vis.Left, out.data(), nc, op, pat);
    }
}

// Area average when the source rectangle reaches outside the image: only the
// pixels inside count, and destination pixels that cover none stay.
void StretchBoxClipped(const TSurface& dst, const TRect& vis, const Box64& dr, const TSurface& src,
                       const Box64& sr, uint8_t op, uint32_t pat)
{
    const int64_t dw = dr.R - dr.L, dh = dr.B - dr.T, sw = sr.R - sr.L, sh = sr.B - sr.T;
    for (int64_t j = vis.Top - dr.T; j < vis.Bottom - dr.T; ++j) {
        BoxSpan rs = BoxOf(j, sh, dh);
        int64_t r0 = std::max<int64_t>(rs.First, -sr.T), r1 = std::min<int64_t>(rs.Last, src.Height - 1 - sr.T);
        uint32_t* drow = dst.Row(static_cast<int32_t>(dr.T + j));
        for (int64_t i = vis.Left - dr.L; i < vis.Right - dr.L; ++i) {
            BoxSpan cs = BoxOf(i, sw, dw);
            int64_t k0 = std::max<int64_t>(cs.First, -sr.L), k1 = std::min<int64_t>(cs.Last, src.Width - 1 - sr.L);
            if (r0 > r1 || k0 > k1) continue;
            long double c[3] = {0, 0, 0}, wsum = 0;
            for (int64_t r = r0; r <= r1; ++r) {
                long double wy = rs.First == rs.Last ? sh : r == rs.First ? rs.WFirst : r == rs.Last ? rs.WLast : dh;
                const uint32_t* srow = src.Row(static_cast<int32_t>(sr.T + r)) + sr.L;
                for (int64_t k = k0; k <= k1; ++k) {
                    long double wx = cs.First == cs.Last ? sw : k == cs.First ? cs.WFirst : k == cs.Last ? cs.WLast : dw;
                    uint32_t p = srow[k];
                    c[0] += wx * wy * (p & 0xFF);
                    c[1] += wx * wy * ((p >> 8) & 0xFF);
                    c[2] += wx * wy * ((p >> 16) & 0xFF);
                    wsum += wx * wy;
                }
            }
            uint32_t px = 0;
            for (int ch = 0; ch < 3; ++ch)
                px |= static_cast<uint32_t>(std::clamp(SatRound(static_cast<double>(c[ch] / wsum)), 0, 255)) << (8 * ch);
            CombineRow(drow + dr.L + i, &px, 1, op, pat);
        }
    }
}

// Bilinear interpolation between the pixel centres (enlarging).
void StretchBilinear(const TSurface& dst, const TRect& vis, const Box64& dr, const TSurface& src, const Box64& sr,
                     uint8_t op, uint32_t pat)
{
    const int64_t dw = dr.R - dr.L, dh = dr.B - dr.T, sw = sr.R - sr.L, sh = sr.B - sr.T;
    // Samples are clamped to the part of the source rectangle inside the image.
    const int64_t xa = std::max<int64_t>(sr.L, 0), xb = std::min<int64_t>(sr.R, src.Width) - 1;
    const int64_t ya = std::max<int64_t>(sr.T, 0), yb = std::min<int64_t>(sr.B, src.Height) - 1;
    if (xa > xb || ya > yb) return;
    struct Tap {
        int64_t a, b;
        uint32_t w; // weight of b in 1/256
        bool valid;
    };
    auto taps = [](int64_t i, int64_t sn, int64_t dn, int64_t start, int64_t lo, int64_t hi) {
        Tap t{};
        int64_t nearest = start + NearestIndex(i, sn, dn);
        t.valid = nearest >= lo && nearest <= hi;
        double f = (static_cast<double>(i) + 0.5) * static_cast<double>(sn) / static_cast<double>(dn) - 0.5;
        f = std::max(f, 0.0);
        double fl = std::floor(f);
        int64_t a = start + SatTrunc64(fl);
        t.w = static_cast<uint32_t>(std::clamp(SatRound((f - fl) * 256.0), 0, 256));
        t.a = std::clamp(a, lo, hi);
        t.b = std::clamp(a + 1, lo, hi);
        return t;
    };
    std::vector<Tap> cols;
    for (int64_t i = vis.Left - dr.L; i < vis.Right - dr.L; ++i) cols.push_back(taps(i, sw, dw, sr.L, xa, xb));
    std::vector<uint32_t> out(cols.size());
    for (int64_t j = vis.Top - dr.T; j < vis.Bottom - dr.T; ++j) {
        Tap ty = taps(j, sh, dh, sr.T, ya, yb);
        if (!ty.valid) continue;
        const uint32_t* r0 = src.Row(static_cast<int32_t>(ty.a));
        const uint32_t* r1 = src.Row(static_cast<int32_t>(ty.b));
        uint32_t* drow = dst.Row(static_cast<int32_t>(dr.T + j)) + vis.Left;
        size_t k = 0;
        while (k < cols.size()) {
            if (!cols[k].valid) { ++k; continue; }
            size_t k0 = k;
            for (; k < cols.size() && cols[k].valid; ++k) {
                const Tap& tx = cols[k];
                uint32_t px = 0;
                for (int ch = 0; ch < 3; ++ch) {
                    int sh8 = 8 * ch;
                    uint32_t p00 = (r0[tx.a] >> sh8) & 0xFF, p01 = (r0[tx.b] >> sh8) & 0xFF;
                    uint32_t p10 = (r1[tx.a] >> sh8) & 0xFF, p11 = (r1[tx.b] >> sh8) & 0xFF;
                    uint32_t top = p00 * (256 - tx.w) + p01 * tx.w, bot = p10 * (256 - tx.w) + p11 * tx.w;
                    uint32_t v = (top * (256 - ty.w) + bot * ty.w + 32768) >> 16;
                    px |= v << sh8;
                }
                out[k] = px;
            }
            CombineRow(drow + k0, out.data() + k0, static_cast<int64_t>(k - k0), op, pat);
        }
    }
}

} // namespace

void CopyPixels(const TSurface& dst, const TRect& clip, const Box64& dr, const TSurface& srcIn, const Box64& sr,
                TCopyMode rop, uint32_t pat, TStretchMode mode, TRect& touched)
{
    touched = {};
    if (dr.Empty() || sr.Empty() || !dst.Pixels) return;
    const uint8_t op = static_cast<uint8_t>((rop >> 16) & 0xFF);
    TRect vis = ClipBox(dr, clip);
    if (vis.IsEmpty()) return;
    const int64_t dw = dr.R - dr.L, dh = dr.B - dr.T, sw = sr.R - sr.L, sh = sr.B - sr.T;
    if (!UsesSource(op)) {
        static const uint32_t zero[1] = {0};
        for (int32_t y = vis.Top; y < vis.Bottom; ++y)
            for (int32_t x = vis.Left; x < vis.Right; ++x) CombineRow(dst.Row(y) + x, zero, 1, op, pat);
        touched = vis;
        return;
    }
    if (!srcIn.Pixels || srcIn.Width <= 0 || srcIn.Height <= 0) return;
    // Copying within one image: read from a snapshot of the source rectangle.
    TSurface src = srcIn;
    Box64 s = sr;
    std::vector<uint32_t> snapshot;
    if (srcIn.Pixels == dst.Pixels) {
        TRect part = ClipBox(sr, srcIn.Bounds());
        if (part.IsEmpty()) return;
        snapshot.resize(static_cast<size_t>(part.Width()) * static_cast<size_t>(part.Height()));
        for (int32_t y = part.Top; y < part.Bottom; ++y)
            std::memcpy(&snapshot[static_cast<size_t>(y - part.Top) * static_cast<size_t>(part.Width())],
                        srcIn.Row(y) + part.Left, static_cast<size_t>(part.Width()) * sizeof(uint32_t));
        src = {snapshot.data(), part.Width(), part.Height(), part.Width()};
        s = {sr.L - part.Left, sr.T - part.Top, sr.R - part.Left, sr.B - part.Top};
    }
    if (dw == sw && dh == sh) {
        // 1:1: the destination pixels whose source lies inside the image.
        const int64_t ox = dr.L - s.L, oy = dr.T - s.T;
        Box64 srcInDst{ox, oy, ox + src.Width, oy + src.Height};
        TRect v = ClipBox({std::max(dr.L, srcInDst.L), std::max(dr.T, srcInDst.T), std::min(dr.R, srcInDst.R),
                           std::min(dr.B, srcInDst.B)},
                          clip);
        if (v.IsEmpty()) return;
        for (int32_t y = v.Top; y < v.Bottom; ++y)
            CombineRow(dst.Row(y) + v.Left, src.Row(static_cast<int32_t>(y - oy)) + (v.Left - ox), v.Width(), op, pat);
        touched = v;
        return;
    }
    if (mode == smHalftone) {
        bool inside = s.L >= 0 && s.T >= 0 && s.R <= src.Width && s.B <= src.Height;
        if (dw >= sw && dh >= sh) StretchBilinear(dst, vis, dr, src, s, op, pat);
        else if (inside) StretchBox(dst, vis, dr, src, s, op, pat);
        else StretchBoxClipped(dst, vis, dr, src, s, op, pat);
        touched = vis;
        return;
    }
    // Nearest neighbour.
    std::vector<int64_t> xmap, ymap;
    int64_t x0, x1, y0, y1;
    ValidRange(vis.Left - dr.L, vis.Right - dr.L, s.L, sw, dw, src.Width, xmap, x0, x1);
    ValidRange(vis.Top - dr.T, vis.Bottom - dr.T, s.T, sh, dh, src.Height, ymap, y0, y1);
    if (x0 >= x1 || y0 >= y1) return;
    std::vector<uint32_t> row(static_cast<size_t>(x1 - x0));
    const int64_t xo = vis.Left - dr.L, yo = vis.Top - dr.T;
    for (int64_t j = y0; j < y1; ++j) {
        const uint32_t* srow = src.Row(static_cast<int32_t>(ymap[static_cast<size_t>(j - yo)]));
        for (int64_t i = x0; i < x1; ++i) row[static_cast<size_t>(i - x0)] = srow[xmap[static_cast<size_t>(i - xo)]];
        CombineRow(dst.Row(static_cast<int32_t>(dr.T + j)) + (dr.L + x0), row.data(), x1 - x0, op, pat);
    }
    touched = {static_cast<int32_t>(dr.L + x0), static_cast<int32_t>(dr.T + y0), static_cast<int32_t>(dr.L + x1),
               static_cast<int32_t>(dr.T + y1)};
}

} // namespace detail

// ---------------------------------------------------------------------------
namespace {
uint32_t BrushPattern(const TBrush& b)
{
    TColor c = b.GetColor();
    if (c == clNone) return 0;
    if (c == clDefault) c = clWindow;
    return ColorToRGB(c) & 0xFFFFFFu;
}
} // namespace

void TCanvas::CopyRect(const TRect& Dest, const TSurface& Source, const TRect& SourceRect)
{
    RequireDrawing();
    TRect t;
    detail::CopyPixels(surface_, clip_, {Dest.Left, Dest.Top, Dest.Right, Dest.Bottom}, Source,
                       {SourceRect.Left, SourceRect.Top, SourceRect.Right, SourceRect.Bottom}, copyMode_,
                       BrushPattern(brush_), stretchMode_, t);
    if (!t.IsEmpty()) Changed(t);
}

void TCanvas::CopyRect(const TRect& Dest, const TCanvas& Source, const TRect& SourceRect)
{
    CopyRect(Dest, Source.GetSurface(), SourceRect);
}

void TCanvas::Draw(int32_t X, int32_t Y, const TBitmap& Graphic)
{
    RequireDrawing();
    if (Graphic.Empty()) return;
    TRect t;
    int64_t w = Graphic.GetWidth(), h = Graphic.GetHeight();
    detail::CopyPixels(surface_, clip_, {X, Y, X + w, Y + h}, Graphic.Surface(), {0, 0, w, h}, copyMode_,
                       BrushPattern(brush_), stretchMode_, t);
    if (!t.IsEmpty()) Changed(t);
}

void TCanvas::StretchDraw(const TRect& Dest, const TBitmap& Graphic)
{
    RequireDrawing();
    if (Graphic.Empty()) return;
    TRect t;
    detail::CopyPixels(surface_, clip_, {Dest.Left, Dest.Top, Dest.Right, Dest.Bottom}, Graphic.Surface(),
                       {0, 0, Graphic.GetWidth(), Graphic.GetHeight()}, copyMode_, BrushPattern(brush_),
                       stretchMode_, t);
    if (!t.IsEmpty()) Changed(t);
}

} // namespace vcl
