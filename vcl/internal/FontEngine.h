// Internals of the text engine shared by the sources of the font code: the
// rendered font instances with their glyph caches, and the built-in bitmap
// font's shapes. Not installed; callers use vcl/Fonts.h.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vcl/Fonts.h"

namespace vcl::fontengine {

// One rendered glyph: a coverage bitmap (0 = nothing, 255 = full) placed
// relative to the pen position on the baseline. Pixel (i, j) of the bitmap
// lands at (pen + Left + i, baseline - Top + j).
struct Glyph {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    std::unique_ptr<uint8_t[]> Coverage; // Width * Height bytes, rows top to bottom
    bool Rendered = false;
};

// A font as it renders: one face at one pixel size, weight, slant and
// quality. Glyphs are rendered on first use and kept; advances are computed
// once for all 256 bytes, so measuring never renders.
class FontInstance {
public:
    virtual ~FontInstance() = default;

    TTextMetric Metric;
    std::array<int32_t, 256> Advance{};
    int32_t UnderlinePos = 0;        // top row of the underline, pixels below the baseline
    int32_t UnderlineThickness = 1;
    int32_t StrikeOutPos = 0;        // top row of the strike-out line, pixels above the baseline
    int32_t StrikeOutThickness = 1;
    bool Binary = false;             // coverage is only ever 0 or 255 (monochrome, bitmap font)

    const Glyph& GetGlyph(unsigned char b)
    {
        Glyph& g = glyphs_[b];
        if (!g.Rendered) {
            Render(b, g);
            g.Rendered = true;
            bytes_ += static_cast<std::size_t>(g.Width) * static_cast<std::size_t>(g.Height) + sizeof(Glyph);
        }
        return g;
    }
    // Memory held by rendered glyphs.
    std::size_t Bytes() const noexcept { return bytes_; }

protected:
    virtual void Render(unsigned char b, Glyph& g) = 0;

private:
    std::array<Glyph, 256> glyphs_{};
    std::size_t bytes_ = 0;
};

// The instance that renders a logical font under the current switches. The
// pointer stays valid until the next call of AcquireInstance.
FontInstance& AcquireInstance(const TLogFont& lf);

// The built-in bitmap font: rows 0..13 of the 7-pixel cell of byte b, bit x
// set for a lit pixel at column x. Blank and undefined bytes give all zero.
std::array<uint8_t, 14> FixedGlyphRows(unsigned char b) noexcept;
// Whether byte b draws something in the built-in font (the bytes the block
// switch turns into blocks).
bool FixedGlyphPrintable(unsigned char b) noexcept;

inline constexpr int32_t kFixedAdvance = 7;
inline constexpr int32_t kFixedAscent = 11;
inline constexpr int32_t kFixedDescent = 3;

} // namespace vcl::fontengine
