#include "vcl/GraphicsTypes.h"

#include <algorithm>

namespace vcl {

namespace {

constexpr TSystemColorTable kDefaultSystemColors = {
    0xC0C0C0, // 0 ScrollBar
    0x808000, // 1 Background
    0x800000, // 2 ActiveCaption
    0x808080, // 3 InactiveCaption
    0xC0C0C0, // 4 Menu
    0xFFFFFF, // 5 Window
    0x000000, // 6 WindowFrame
    0x000000, // 7 MenuText
    0x000000, // 8 WindowText
    0xFFFFFF, // 9 CaptionText
    0xC0C0C0, // 10 ActiveBorder
    0xC0C0C0, // 11 InactiveBorder
    0x808080, // 12 AppWorkSpace
    0x800000, // 13 Highlight
    0xFFFFFF, // 14 HighlightText
    0xC0C0C0, // 15 BtnFace
    0x808080, // 16 BtnShadow
    0x808080, // 17 GrayText
    0x000000, // 18 BtnText
    0xC0C0C0, // 19 InactiveCaptionText
    0xFFFFFF, // 20 BtnHighlight
    0x000000, // 21 3DDkShadow
    0xC0C0C0, // 22 3DLight
    0x000000, // 23 InfoText
    0xE1FFFF, // 24 InfoBk
};

TSystemColorTable g_systemColors = kDefaultSystemColors;

} // namespace

const TSystemColorTable& DefaultSystemColors() noexcept { return kDefaultSystemColors; }
const TSystemColorTable& GetSystemColors() noexcept { return g_systemColors; }
void SetSystemColors(const TSystemColorTable& table) noexcept { g_systemColors = table; }

TColor ColorToRGB(TColor c) noexcept
{
    if ((c & 0xFF000000u) != clSystemColor) return c;
    uint32_t index = c & 0x00FFFFFFu;
    return index < static_cast<uint32_t>(kSystemColorCount) ? g_systemColors[index] : clBlack;
}

TRect IntersectRect(const TRect& a, const TRect& b) noexcept
{
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
    if (r.IsEmpty()) return {};
    return r;
}

} // namespace vcl
