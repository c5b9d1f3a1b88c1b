// Text drawing and measuring with hostile input: random bytes, extreme sizes,
// escapements, positions and clip rectangles. Nothing may crash, hang or
// touch a pixel outside the clip.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "fonts_helpers.h"
#include "vcl/Fonts.h"
#include "vcl/System.h"

using namespace vcl;
using fonts_test::Image;
using fonts_test::TextSwitches;

namespace {

constexpr uint32_t kBg = 0x00ABCDEF;

int32_t Pick(std::initializer_list<int32_t> values)
{
    const int32_t i = Random(static_cast<int32_t>(values.size()));
    return *(values.begin() + i);
}

std::string RandomBytes(int32_t maxLen)
{
    std::string s(static_cast<std::size_t>(Random(maxLen + 1)), '\0');
    for (char& c : s) c = static_cast<char>(Random(256));
    return s;
}

TEST(TextRobustness, RandomTextSizesAnglesAndClipsNeverEscapeTheClip)
{
    const uint64_t seed = GetRandSeed();
    SetRandSeed(20261211);
    const char* names[] = {"Liberation Sans", "Courier New", "vcl-fixed", "DejaVu Serif", "", "\xFF\x81 nonsense"};
    for (int iter = 0; iter < 300; ++iter) {
        TextSwitches sw(Random(2) == 1, Random(8) == 0, Random(2) == 1);
        TFont f;
        f.SetName(names[Random(6)]);
        // Mostly ordinary heights, sometimes absurd ones (rendering clamps them).
        f.SetHeight(Random(10) == 0 ? Pick({0, 1, -1, 5000, -5000, INT32_MAX, INT32_MIN}) : Random(60) - 30);
        TFontStyles st;
        for (TFontStyle s : {fsBold, fsItalic, fsUnderline, fsStrikeOut})
            if (Random(2)) st.Include(s);
        f.SetStyle(st);
        f.SetQuality(static_cast<TFontQuality>(Random(3)));
        f.SetEscapement(Random(4) == 0 ? Pick({INT32_MIN, INT32_MAX, 900, -2700, 3600, 1}) : Random(7200) - 3600);
        const std::string text = RandomBytes(Random(10) == 0 ? 400 : 24);
        const int32_t x = Random(6) == 0 ? Pick({INT32_MIN, INT32_MAX, -100000, 100000}) : Random(80) - 10;
        const int32_t y = Random(6) == 0 ? Pick({INT32_MIN, INT32_MAX, -100000, 100000}) : Random(60) - 10;
        TRect clip{Random(70) - 5, Random(50) - 5, Random(70) - 5, Random(50) - 5};
        if (Random(5) == 0) clip = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};

        Image img(64, 48, kBg);
        RenderText(f, img.Surface(), clip, x, y, text, static_cast<TColor>(Random(0x7FFFFFFF)));
        FillTextCell(f, img.Surface(), clip, x, y, Random(200), 0x00010203);
        const TRect inside = IntersectRect(clip, img.All());
        for (int32_t py = 0; py < img.H; ++py)
            for (int32_t px = 0; px < img.W; ++px) {
                if (!inside.Contains(px, py)) {
                    ASSERT_EQ(img.At(px, py), kBg) << "iteration " << iter;
                }
            }

        const int32_t w = TextWidth(f, text);
        EXPECT_GE(w, 0);
        EXPECT_GT(TextHeight(f), 0);
        const TTextMetric m = GetTextMetric(f);
        EXPECT_EQ(m.Height, m.Ascent + m.Descent);
    }
    SetRandSeed(seed);
}

TEST(TextRobustness, HugeSizesAreClampedNotAllocated)
{
    TextSwitches sw(false, false, false);
    for (int32_t h : {INT32_MIN, -100000000, 100000000, INT32_MAX}) {
        TFont f;
        f.SetHeight(h);
        EXPECT_GT(TextHeight(f), 0) << h;
        EXPECT_LT(TextHeight(f), 4096) << h;
        Image img(32, 32, kBg);
        RenderText(f, img.Surface(), img.All(), 0, 0, "W", 0);
        f.SetEscapement(450);
        RenderText(f, img.Surface(), img.All(), 16, 16, "W", 0);
    }
    // Sizes computed from NaN or infinity arrive as saturated integers.
    TFont f;
    f.SetSize(SatRound(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_GT(TextHeight(f), 0);
    f.SetSize(SatRound(std::numeric_limits<double>::infinity()));
    EXPECT_GT(TextHeight(f), 0);
    f.SetEscapement(SatRound(-std::numeric_limits<double>::infinity()));
    Image img(32, 32, kBg);
    RenderText(f, img.Surface(), img.All(), 16, 16, "x", 0);
}

TEST(TextRobustness, LongTextWidthSaturatesInsteadOfWrapping)
{
    TextSwitches sw(false, false, false);
    TFont f;
    f.SetHeight(-100000); // rendered at the largest size: hundreds of pixels a glyph
    const std::string longText(5'000'000, 'W'); // beyond 32 bits in total
    EXPECT_EQ(TextWidth(f, longText), INT32_MAX);
    Image img(1200, 1100, kBg);
    RenderText(f, img.Surface(), img.All(), 0, 0, longText, 0); // stops once past the clip
    EXPECT_GT(img.Count(kBg), 0);
}

TEST(TextRobustness, DegenerateSurfacesAreIgnored)
{
    TFont f;
    uint32_t one = kBg;
    RenderText(f, TSurface{}, TRect{0, 0, 10, 10}, 0, 0, "abc", 0);
    RenderText(f, TSurface{&one, 1, 1, 0}, TRect{0, 0, 10, 10}, 0, 0, "abc", 0); // stride too small
    RenderText(f, TSurface{&one, -5, 1, 1}, TRect{0, 0, 10, 10}, 0, 0, "abc", 0);
    FillTextCell(f, TSurface{&one, 1, 1, 0}, TRect{0, 0, 10, 10}, 0, 0, 5, 0);
    EXPECT_EQ(one, kBg);
    RenderText(f, TSurface{&one, 1, 1, 1}, TRect{0, 0, 10, 10}, 0, -3, "|", 0); // a 1x1 surface
}

} // namespace
