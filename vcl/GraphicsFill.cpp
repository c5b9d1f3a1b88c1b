// Flood fill: a scan-line fill with an explicit stack.
#include <vector>

#include "vcl/internal/Raster.h"

namespace vcl {

void TCanvas::FloodFill(int32_t X, int32_t Y, TColor Color, TFillStyle FillStyle)
{
    RequireDrawing();
    if (!clip_.Contains(X, Y)) return;
    auto brush = detail::ResolveBrush(brush_);
    if (!brush) return;
    if (Color == clDefault) Color = clWindowText;
    const uint32_t target = ColorToRGB(Color) & 0xFFFFFFu;
    const bool surfaceFill = FillStyle == fsSurface;
    // Filling a region with its own colour changes nothing.
    if (surfaceFill && brush->Style == bsSolid && brush->Color == target) return;
    auto inside = [&](uint32_t p) { return surfaceFill ? (p & 0xFFFFFFu) == target : (p & 0xFFFFFFu) != target; };
    if (!inside(surface_.Row(Y)[X])) return;

    // The region is collected in a mask over the clip rectangle first, so the
    // fill's own colour never confuses the search.
    const int32_t cw = clip_.Width(), ch = clip_.Height();
    std::vector<uint8_t> mask(static_cast<size_t>(cw) * static_cast<size_t>(ch), 0);
    auto seen = [&](int32_t x, int32_t y) -> uint8_t& {
        return mask[static_cast<size_t>(y - clip_.Top) * static_cast<size_t>(cw) + static_cast<size_t>(x - clip_.Left)];
    };
    int32_t top = Y, bottom = Y, left = X, right = X;
    std::vector<TPoint> stack{{X, Y}};
    while (!stack.empty()) {
        TPoint p = stack.back();
        stack.pop_back();
        const uint32_t* row = surface_.Row(p.Y);
        if (seen(p.X, p.Y) || !inside(row[p.X])) continue;
        int32_t xl = p.X, xr = p.X;
        while (xl > clip_.Left && !seen(xl - 1, p.Y) && inside(row[xl - 1])) --xl;
        while (xr + 1 < clip_.Right && !seen(xr + 1, p.Y) && inside(row[xr + 1])) ++xr;
        for (int32_t x = xl; x <= xr; ++x) seen(x, p.Y) = 1;
        top = std::min(top, p.Y);
        bottom = std::max(bottom, p.Y);
        left = std::min(left, xl);
        right = std::max(right, xr);
        // One seed per run of fillable pixels in the rows above and below.
        for (int32_t ny : {p.Y - 1, p.Y + 1}) {
            if (ny < clip_.Top || ny >= clip_.Bottom) continue;
            const uint32_t* nrow = surface_.Row(ny);
            bool inRun = false;
            for (int32_t x = xl; x <= xr; ++x) {
                bool ok = !seen(x, ny) && inside(nrow[x]);
                if (ok && !inRun) stack.push_back({x, ny});
                inRun = ok;
            }
        }
    }
    for (int32_t y = top; y <= bottom; ++y) {
        uint32_t* row = surface_.Row(y);
        int32_t x = left;
        while (x <= right) {
            if (!seen(x, y)) { ++x; continue; }
            int32_t x0 = x;
            while (x <= right && seen(x, y)) ++x;
            brush->Span(row, y, x0, x);
        }
    }
    Changed({left, top, right + 1, bottom + 1});
}

} // namespace vcl
