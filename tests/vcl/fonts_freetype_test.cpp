// Text through the installed scalable fonts: matching, metrics that layout
// relies on, anti-aliased blending and monochrome output, rotation.
#include <gtest/gtest.h>

#include <string>

#include "fonts_helpers.h"
#include "vcl/Fonts.h"
#include "vcl/System.h"

using namespace vcl;
using fonts_test::Image;
using fonts_test::TextSwitches;

namespace {

constexpr uint32_t kBg = 0x00F0E0D0;
constexpr uint32_t kInk = 0x00102030;

TFont Font(const std::string& name, int32_t size, TFontStyles style = {}, int32_t escapement = 0)
{
    TFont f;
    f.SetName(name);
    f.SetSize(size);
    f.SetStyle(style);
    f.SetEscapement(escapement);
    return f;
}

TEST(ScalableFont, DefaultFontRendersInsideItsCell)
{
    TextSwitches sw(false, false, false);
    TFont f;
    const std::string text = "Hamburgefonstiv";
    const int32_t w = TextWidth(f, text), h = TextHeight(f);
    const TTextMetric m = GetTextMetric(f);
    EXPECT_EQ(m.Height, m.Ascent + m.Descent);
    EXPECT_EQ(h, m.Height);
    EXPECT_GE(h, 11); // at least the 11-pixel character height
    EXPECT_LE(h, 16);
    EXPECT_GT(w, 5 * 15);
    EXPECT_LT(w, 11 * 15);
    Image img(200, 40, kBg);
    RenderText(f, img.Surface(), img.All(), 10, 12, text, kInk);
    const TRect ink = img.Ink(kBg);
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.Left, 10 - 1);
    EXPECT_LE(ink.Right, 10 + w + 1);
    EXPECT_GE(ink.Top, 12);
    EXPECT_LE(ink.Bottom, 12 + h);
    EXPECT_GT(img.Count(kBg), 60);
}

TEST(ScalableFont, WidthsAddUpOverPrefixesAndHeightIgnoresTheText)
{
    TextSwitches sw(false, false, false);
    const std::string samples[] = {"(8g]}\xDC\xC4\xA7", "\xDC$\xA7[{|", "Wiiiiii.", "AVATAVo", "\x80\x81\x9D\x85x"};
    for (const char* name : {"Liberation Sans", "Courier New", "DejaVu Serif", "vcl-fixed"}) {
        for (TFontStyles st : {TFontStyles{}, TFontStyles{fsBold, fsItalic}}) {
            TFont f = Font(name, 11, st);
            const int32_t h = TextHeight(f);
            EXPECT_EQ(h, GetTextMetric(f).Height);
            for (const std::string& s : samples) {
                for (std::size_t k = 0; k <= s.size(); ++k)
                    EXPECT_EQ(TextWidth(f, s.substr(0, k)) + TextWidth(f, s.substr(k)), TextWidth(f, s))
                        << name << " " << s << " " << k;
            }
            f.SetEscapement(900); // a rotated font measures unrotated
            EXPECT_EQ(TextHeight(f), h);
            EXPECT_EQ(TextWidth(f, samples[0]), TextWidth(Font(name, 11, st), samples[0]));
        }
    }
}

TEST(ScalableFont, MetricAliasesReachTheirTwins)
{
    TextSwitches sw(false, false, false);
    const std::string s = "Mixed widths: ilWM 0123";
    // Arial and Liberation Sans share their metrics, whichever is installed.
    EXPECT_EQ(TextWidth(Font("Arial", 11), s), TextWidth(Font("Liberation Sans", 11), s));
    EXPECT_EQ(TextHeight(Font("Arial", 11)), TextHeight(Font("Liberation Sans", 11)));
    // Courier New is monospaced.
    const TFont courier = Font("Courier New", 14);
    EXPECT_EQ(TextWidth(courier, "iiii"), TextWidth(courier, "MMMM"));
    EXPECT_GT(TextWidth(courier, "i"), 0);
    EXPECT_NE(TextWidth(Font("Liberation Sans", 14), "iiii"), TextWidth(Font("Liberation Sans", 14), "MMMM"));
}

TEST(ScalableFont, UnknownNameFallsBackToAnInstalledFont)
{
    TextSwitches sw(false, false, false);
    for (const char* name : {"No Such Font 4711", "", "default", "\xE4\xF6\xFC\x81\x90"}) {
        TFont f = Font(name, 11);
        EXPECT_GT(TextHeight(f), 0) << name;
        EXPECT_GT(TextWidth(f, "abc"), 0) << name;
        Image img(100, 30, kBg);
        RenderText(f, img.Surface(), img.All(), 2, 2, "abc", kInk);
        EXPECT_GT(img.Count(kBg), 10) << name;
    }
}

TEST(ScalableFont, SizeChangesMetricsNotTheCharacterOfTheText)
{
    TextSwitches sw(false, false, false);
    int32_t lastHeight = 0, lastWidth = 0;
    for (int32_t size : {6, 8, 11, 14, 24, 48}) {
        TFont f = Font("Liberation Sans", size);
        EXPECT_GT(TextHeight(f), lastHeight) << size;
        EXPECT_GT(TextWidth(f, "Hamburg"), lastWidth) << size;
        lastHeight = TextHeight(f);
        lastWidth = TextWidth(f, "Hamburg");
    }
    // A positive height asks for the cell height.
    TFont cell;
    cell.SetHeight(20);
    EXPECT_NEAR(TextHeight(cell), 20, 1);
}

TEST(ScalableFont, StylesChangeTheRendering)
{
    TextSwitches sw(true, false, false);
    const std::string s = "Hamburg";
    auto render = [&](TFontStyles st) {
        Image img(120, 30, kBg);
        RenderText(Font("Liberation Sans", 11, st), img.Surface(), img.All(), 2, 2, s, kInk);
        return img;
    };
    const Image plain = render({}), bold = render({fsBold}), italic = render({fsItalic});
    EXPECT_GT(bold.Count(kBg), plain.Count(kBg));
    EXPECT_NE(italic.Px, plain.Px);
    EXPECT_GE(TextWidth(Font("Liberation Sans", 11, {fsBold}), s), TextWidth(Font("Liberation Sans", 11), s));
    // Underline: one full row across the advance width below the baseline.
    const TFont uf = Font("Liberation Sans", 11, {fsUnderline});
    const int32_t w = TextWidth(uf, s);
    const Image under = render({fsUnderline});
    const TTextMetric m = GetTextMetric(uf);
    int fullRows = 0;
    for (int32_t y = 2 + m.Ascent; y < 2 + m.Height; ++y) {
        bool full = true;
        for (int32_t x = 2; x < 2 + w; ++x) full = full && under.At(x, y) == kInk;
        fullRows += full;
    }
    EXPECT_GE(fullRows, 1);
    // Strike-out: a full row above the baseline.
    const Image struck = render({fsStrikeOut});
    fullRows = 0;
    for (int32_t y = 2; y < 2 + m.Ascent; ++y) {
        bool full = true;
        for (int32_t x = 2; x < 2 + w; ++x) full = full && struck.At(x, y) == kInk;
        fullRows += full;
    }
    EXPECT_GE(fullRows, 1);
}

TEST(ScalableFont, BoldItalicInkIsHeavier)
{
    // The built-in font synthesizes both styles; a scalable face uses its own
    // bold italic face (or synthesizes it when it has none).
    TextSwitches sw(true, false, false);
    for (const char* name : {"vcl-fixed", "Liberation Mono"}) {
        Image plain(100, 30, kBg), both(100, 30, kBg);
        RenderText(Font(name, 11), plain.Surface(), plain.All(), 2, 2, "Hil", kInk);
        RenderText(Font(name, 11, {fsBold, fsItalic}), both.Surface(), both.All(), 2, 2, "Hil", kInk);
        EXPECT_GT(both.Count(kBg), plain.Count(kBg)) << name;
    }
}

TEST(ScalableFont, MonochromeWritesOnlyTheFontColour)
{
    for (TFontQuality q : {fqDefault, fqAntialiased, fqNonAntialiased}) {
        for (bool force : {false, true}) {
            TextSwitches sw(force, false, false);
            TFont f = Font("Liberation Sans", 14);
            f.SetQuality(q);
            Image img(200, 40, kBg);
            RenderText(f, img.Surface(), img.All(), 3, 3, "Quality @ 45\xB0", kInk);
            int other = 0;
            for (uint32_t p : img.Px) other += p != kBg && p != kInk;
            const bool mono = force || q == fqNonAntialiased;
            if (mono)
                EXPECT_EQ(other, 0) << int(q) << force;
            else
                EXPECT_GT(other, 0) << int(q) << force; // anti-aliased edges
            EXPECT_GT(img.Count(kBg), 20);
        }
    }
}

TEST(ScalableFont, AntialiasedPixelsBlendWithTheDocumentedFormula)
{
    TextSwitches sw(false, false, false);
    TFont f = Font("Liberation Serif", 13, {fsItalic});
    const std::string s = "Serif & italic 42";
    // White on black reveals the coverage of every pixel.
    Image cover(220, 30, 0x000000);
    RenderText(f, cover.Surface(), cover.All(), 2, 2, s, 0xFFFFFF);
    const uint32_t bg = 0x00336699, ink = 0x00F01080;
    Image img(220, 30, bg);
    RenderText(f, img.Surface(), img.All(), 2, 2, s, ink);
    int partial = 0;
    for (std::size_t i = 0; i < img.Px.size(); ++i) {
        const uint32_t a = cover.Px[i] & 0xFF;
        ASSERT_EQ(cover.Px[i], a * 0x010101u); // the same coverage on every channel
        partial += a > 0 && a < 255;
        uint32_t expect = 0;
        for (int sh = 0; sh < 24; sh += 8) {
            const uint32_t src = (ink >> sh) & 0xFF, dst = (bg >> sh) & 0xFF;
            expect |= ((src * a + dst * (255 - a) + 127) / 255) << sh;
        }
        ASSERT_EQ(img.Px[i], expect) << i;
    }
    EXPECT_GT(partial, 20);
}

// At quarter turns the rotated text is the unrotated text with its pixels
// moved by the mapping ref + a*(cos, -sin) + b*(sin, cos), anti-aliased or not.
TEST(ScalableFont, QuarterTurnsMoveEveryPixel)
{
    for (bool mono : {true, false}) {
        TextSwitches sw(mono, false, false);
        const std::string s = "Turn gÄ";
        Image flat(80, 80, kBg);
        RenderText(Font("Liberation Sans", 12, {fsUnderline}), flat.Surface(), flat.All(), 10, 10, s, kInk);
        struct Case {
            int32_t tenths, cos, sin;
        };
        for (Case c : {Case{900, 0, 1}, Case{1800, -1, 0}, Case{2700, 0, -1}}) {
            Image img(200, 200, kBg);
            RenderText(Font("Liberation Sans", 12, {fsUnderline}, c.tenths), img.Surface(), img.All(), 100, 100, s,
                       kInk);
            Image expect(200, 200, kBg);
            for (int32_t y = 0; y < 80; ++y)
                for (int32_t x = 0; x < 80; ++x) {
                    const int32_t a = x - 10, b = y - 10;
                    expect.At(100 + a * c.cos + b * c.sin, 100 - a * c.sin + b * c.cos) = flat.At(x, y);
                }
            EXPECT_EQ(img.Px, expect.Px) << c.tenths << " mono " << mono;
        }
    }
}

TEST(ScalableFont, RotatedNinetyDegreesOccupiesTheTurnedCell)
{
    TextSwitches sw(false, false, false);
    TFont f = Font("Liberation Sans", 11, {}, 900);
    const std::string s = "Vertical label";
    const int32_t w = TextWidth(f, s), h = TextHeight(f);
    Image img(200, 200, kBg);
    RenderText(f, img.Surface(), img.All(), 93, 130, s, kInk);
    const TRect ink = img.Ink(kBg);
    ASSERT_FALSE(ink.IsEmpty());
    // The cell turned about (93, 130): x 93 .. 93+h-1, y 130-w+1 .. 130.
    EXPECT_GE(ink.Left, 93);
    EXPECT_LE(ink.Right, 93 + h);
    EXPECT_GE(ink.Top, 130 - w);
    EXPECT_LE(ink.Bottom, 131 + 1);
    EXPECT_GT(ink.Height(), w / 2);
}

TEST(ScalableFont, ClipAndSurfaceBoundsAreNeverCrossed)
{
    TextSwitches sw(false, false, false);
    for (int32_t tenths : {0, 300, 900, 1800, 2250}) {
        Image img(60, 40, kBg);
        const TRect clip{20, 10, 40, 30};
        RenderText(Font("Liberation Sans", 20, {fsUnderline, fsStrikeOut}, tenths), img.Surface(), clip, 30, 20,
                   "WWWWWWWW", kInk);
        int inside = 0;
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 60; ++x) {
                if (!clip.Contains(x, y)) EXPECT_EQ(img.At(x, y), kBg) << tenths << ": " << x << "," << y;
                else inside += img.At(x, y) != kBg;
            }
        EXPECT_GT(inside, 0) << tenths;
    }
}

TEST(ScalableFont, RepeatedDrawingIsIdentical)
{
    TextSwitches sw(false, false, false);
    TFont f = Font("Liberation Sans", 9);
    Image a(150, 20, kBg), b(150, 20, kBg);
    RenderText(f, a.Surface(), a.All(), 1, 1, "Cache warm-up", kInk);
    TFont other = Font("DejaVu Sans", 30); // something else in between
    TextWidth(other, "x");
    RenderText(f, b.Surface(), b.All(), 1, 1, "Cache warm-up", kInk);
    EXPECT_EQ(a.Px, b.Px);
}

} // namespace
