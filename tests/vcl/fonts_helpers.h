// A small pixel buffer for the text tests, and switches restored on exit.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "vcl/Fonts.h"
#include "vcl/GraphicsTypes.h"

namespace fonts_test {

struct Image {
    int32_t W, H;
    std::vector<uint32_t> Px;
    Image(int32_t w, int32_t h, uint32_t fill) : W(w), H(h), Px(static_cast<std::size_t>(w) * h, fill) {}
    vcl::TSurface Surface() { return {Px.data(), W, H, W}; }
    uint32_t At(int32_t x, int32_t y) const { return Px[static_cast<std::size_t>(y) * W + x]; }
    uint32_t& At(int32_t x, int32_t y) { return Px[static_cast<std::size_t>(y) * W + x]; }
    vcl::TRect All() const { return {0, 0, W, H}; }
    // The bounding box of pixels that differ from bg (empty when none).
    vcl::TRect Ink(uint32_t bg) const
    {
        vcl::TRect r{W, H, 0, 0};
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                if (At(x, y) != bg) {
                    r.Left = std::min(r.Left, x);
                    r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1);
                    r.Bottom = std::max(r.Bottom, y + 1);
                }
        return r.IsEmpty() ? vcl::TRect{} : r;
    }
    int Count(uint32_t bg) const
    {
        int n = 0;
        for (uint32_t p : Px) n += p != bg;
        return n;
    }
    // Rows of '#' (ink) and '.' (bg) for the area, for readable failures.
    std::string Art(uint32_t bg, vcl::TRect r) const
    {
        std::string s;
        for (int32_t y = r.Top; y < r.Bottom; ++y) {
            for (int32_t x = r.Left; x < r.Right; ++x) s += At(x, y) == bg ? '.' : '#';
            s += '\n';
        }
        return s;
    }
};

// Sets the process-wide text switches for one test and restores them.
struct TextSwitches {
    bool mono = vcl::GetForceMonochromeText(), fixed = vcl::GetForceFixedFont(), block = vcl::GetFixedFontBlockGlyphs();
    TextSwitches(bool m, bool f, bool b)
    {
        vcl::SetForceMonochromeText(m);
        vcl::SetForceFixedFont(f);
        vcl::SetFixedFontBlockGlyphs(b);
    }
    ~TextSwitches()
    {
        vcl::SetForceMonochromeText(mono);
        vcl::SetForceFixedFont(fixed);
        vcl::SetFixedFontBlockGlyphs(block);
    }
    TextSwitches(const TextSwitches&) = delete;
    TextSwitches& operator=(const TextSwitches&) = delete;
};

} // namespace fonts_test
