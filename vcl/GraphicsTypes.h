// Value types of drawing: colours, points, rectangles and the pixel surface
// that canvases, bitmaps and the text renderer share.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vcl {

// ---------------------------------------------------------------------------
// Colours: 0x00BBGGRR for a plain colour (red in the low byte, so 0x00FF0000 is
// blue), or 0x80000000 | index for a system colour resolved at draw time.
using TColor = uint32_t;

inline constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                        clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                        clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                        clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF,
                        clMoneyGreen = 0xC0DCC0, clSkyBlue = 0xF0CAA6, clCream = 0xF0FBFF, clMedGray = 0xA4A0A0;

inline constexpr TColor clSystemColor = 0x80000000;
inline constexpr TColor clScrollBar = 0x80000000, clBackground = 0x80000001, clActiveCaption = 0x80000002,
                        clInactiveCaption = 0x80000003, clMenu = 0x80000004, clWindow = 0x80000005,
                        clWindowFrame = 0x80000006, clMenuText = 0x80000007, clWindowText = 0x80000008,
                        clCaptionText = 0x80000009, clActiveBorder = 0x8000000A, clInactiveBorder = 0x8000000B,
                        clAppWorkSpace = 0x8000000C, clHighlight = 0x8000000D, clHighlightText = 0x8000000E,
                        clBtnFace = 0x8000000F, clBtnShadow = 0x80000010, clGrayText = 0x80000011,
                        clBtnText = 0x80000012, clInactiveCaptionText = 0x80000013, clBtnHighlight = 0x80000014,
                        cl3DDkShadow = 0x80000015, cl3DLight = 0x80000016, clInfoText = 0x80000017,
                        clInfoBk = 0x80000018;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

inline constexpr int kSystemColorCount = 25;
using TSystemColorTable = std::array<TColor, kSystemColorCount>;

// The fixed system colour table (index 0 = scroll bar ... 24 = info background).
const TSystemColorTable& DefaultSystemColors() noexcept;
// The table in force; tests may replace it and compute expectations from it.
const TSystemColorTable& GetSystemColors() noexcept;
void SetSystemColors(const TSystemColorTable& table) noexcept;

// A system colour reference gives its table value (an unknown index gives
// black); any other value is returned unchanged.
TColor ColorToRGB(TColor c) noexcept;

// ---------------------------------------------------------------------------
struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// A half-open rectangle: [Left, Right) x [Top, Bottom).
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    constexpr int32_t Width() const noexcept { return Right - Left; }
    constexpr int32_t Height() const noexcept { return Bottom - Top; }
    constexpr bool IsEmpty() const noexcept { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(int32_t x, int32_t y) const noexcept
    {
        return x >= Left && x < Right && y >= Top && y < Bottom;
    }
    friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Rect(int32_t l, int32_t t, int32_t r, int32_t b) noexcept { return {l, t, r, b}; }
constexpr TPoint Point(int32_t x, int32_t y) noexcept { return {x, y}; }
// The intersection of two rectangles (empty when they do not meet).
TRect IntersectRect(const TRect& a, const TRect& b) noexcept;

// ---------------------------------------------------------------------------
// A view of 32-bit pixels stored as 0x00BBGGRR, rows top to bottom. The
// surface does not own the memory.
struct TSurface {
    uint32_t* Pixels = nullptr;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Stride = 0; // pixels per row
    uint32_t* Row(int32_t y) const noexcept { return Pixels + static_cast<std::ptrdiff_t>(y) * Stride; }
    TRect Bounds() const noexcept { return {0, 0, Width, Height}; }
};

} // namespace vcl
