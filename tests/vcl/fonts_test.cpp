// TFont as a property object, and the built-in fixed-metric font: metrics,
// placement, styles, colours, clipping and rotation, pixel for pixel.
#include <cmath>

#include <gtest/gtest.h>

#include "fonts_helpers.h"
#include "vcl/Cp1252.h"
#include "vcl/Fonts.h"

using namespace vcl;
using namespace vcl::literals;
using fonts_test::Image;
using fonts_test::TextSwitches;

namespace {

constexpr uint32_t kBg = 0x00C0FFEE;
constexpr uint32_t kInk = 0x00123456; // asymmetric, so a byte-order mistake shows

// ---------------------------------------------------------------------------
// TFont

TEST(FontProperties, DefaultsAreLiberationSansEightPoint)
{
    TFont f;
    EXPECT_EQ(f.GetName(), "Liberation Sans");
    EXPECT_EQ(f.GetSize(), 8);
    EXPECT_EQ(f.GetHeight(), -11);
    EXPECT_EQ(f.GetColor(), clWindowText);
    EXPECT_TRUE(f.GetStyle().Empty());
    EXPECT_EQ(f.GetQuality(), fqDefault);
}

TEST(FontProperties, SizeAndHeightConvertAtNinetySixDpi)
{
    struct Case {
        int32_t points, height;
    };
    for (Case c : {Case{8, -11}, Case{11, -15}, Case{14, -19}, Case{1, -1}, Case{0, 0}, Case{-10, 13}}) {
        TFont f;
        f.SetSize(c.points);
        EXPECT_EQ(f.GetHeight(), c.height) << c.points;
        EXPECT_EQ(f.GetSize(), c.points) << c.points;
    }
    TFont f;
    f.SetSize(INT32_MAX); // must not wrap to a tiny or positive height
    EXPECT_LT(f.GetHeight(), -1'000'000);
    f.SetSize(INT32_MIN);
    EXPECT_GT(f.GetHeight(), 1'000'000);
    f.SetHeight(INT32_MIN);
    EXPECT_GT(f.GetSize(), 1'000'000);
}

TEST(FontProperties, OnChangeFiresOncePerRealChange)
{
    TFont f;
    int changes = 0;
    TObject* sender = nullptr;
    f.OnChange = [&](TObject* s) {
        ++changes;
        sender = s;
    };
    f.SetName("Liberation Sans"); // unchanged
    f.SetSize(8);
    f.SetColor(clWindowText);
    f.SetStyle({});
    EXPECT_EQ(changes, 0);
    f.SetName("Courier New");
    f.SetSize(14);
    f.SetColor(clRed);
    f.SetStyle({fsBold, fsUnderline});
    f.SetEscapement(900);
    f.SetQuality(fqNonAntialiased);
    EXPECT_EQ(changes, 6);
    EXPECT_EQ(sender, &f);
    EXPECT_TRUE(f.GetStyle().Contains(fsBold));
    EXPECT_TRUE(f.GetStyle().Contains(fsUnderline));
    EXPECT_FALSE(f.GetStyle().Contains(fsItalic));
    EXPECT_EQ(f.GetLogFont().Weight, 700);
}

TEST(FontProperties, AssignCopiesEverythingAndNotifies)
{
    TFont a, b;
    a.SetName("Courier New");
    a.SetSize(14);
    a.SetColor(0x00FF0000);
    a.SetStyle({fsItalic, fsStrikeOut});
    a.SetEscapement(450);
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    b.Assign(&a);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(b.GetLogFont(), a.GetLogFont());
    EXPECT_EQ(b.GetColor(), a.GetColor());
    b.Assign(&a);
    EXPECT_EQ(changes, 1); // nothing changed the second time
    TPersistent other;
    EXPECT_THROW(b.Assign(&other), EConvertError);
}

TEST(FontProperties, LogFontRoundTrips)
{
    TFont f;
    TLogFont lf = f.GetLogFont();
    lf.FaceName = "Arial";
    lf.Height = -15;
    lf.Italic = true;
    lf.Escapement = lf.Orientation = 300;
    f.SetLogFont(lf);
    EXPECT_EQ(f.GetLogFont(), lf);
    EXPECT_EQ(f.GetName(), "Arial");
    EXPECT_EQ(f.GetSize(), 11);
    EXPECT_TRUE(f.GetStyle().Contains(fsItalic));
}

// ---------------------------------------------------------------------------
// The fixed font

TFont FixedFont(TFontStyles style = {}, int32_t escapement = 0)
{
    TFont f;
    f.SetName("vcl-fixed");
    f.SetStyle(style);
    f.SetEscapement(escapement);
    return f;
}

TEST(FixedFont, MetricsAreTheSameAtEverySizeAndStyle)
{
    TextSwitches sw(false, false, false);
    for (int32_t size : {1, 8, 72, -5, 0, 100000}) {
        for (TFontStyles st : {TFontStyles{}, TFontStyles{fsBold, fsItalic, fsUnderline, fsStrikeOut}}) {
            TFont f = FixedFont(st);
            f.SetSize(size);
            const TTextMetric m = GetTextMetric(f);
            EXPECT_EQ(m.Ascent, 11);
            EXPECT_EQ(m.Descent, 3);
            EXPECT_EQ(m.Height, 14);
            EXPECT_EQ(TextHeight(f), 14);
            EXPECT_EQ(TextWidth(f, "Hello"), 35);
        }
    }
}

TEST(FixedFont, EveryPrintableByteAdvancesSevenAndControlBytesNothing)
{
    TextSwitches sw(false, false, false);
    TFont f = FixedFont();
    for (int b = 0; b < 256; ++b) {
        const std::string s(1, static_cast<char>(b));
        EXPECT_EQ(TextWidth(f, s), b >= 0x20 ? 7 : 0) << b;
    }
    EXPECT_EQ(TextWidth(f, ""), 0);
    EXPECT_EQ(TextWidth(f, "a\tb\r\n"), 14);
    EXPECT_EQ(TextWidth(f, "(8g]}ÜÄ§"_cp), 56);
    EXPECT_EQ(TextWidth(f, std::string("\x81\x8D\x8F\x90\x9D")), 35);
    // Prefix widths add up, which caret placement relies on.
    const std::string s(std::string_view("Ü$§[{|"_cp));
    for (std::size_t k = 0; k <= s.size(); ++k)
        EXPECT_EQ(TextWidth(f, s.substr(0, k)) + TextWidth(f, s.substr(k)), TextWidth(f, s));
}

TEST(FixedFont, SwitchMapsEveryFontToIt)
{
    TFont f;
    f.SetName("Liberation Sans");
    f.SetSize(30);
    {
        TextSwitches sw(false, true, false);
        EXPECT_EQ(TextHeight(f), 14);
        EXPECT_EQ(TextWidth(f, "abc"), 21);
    }
    EXPECT_NE(TextWidth(f, "abc"), 21); // off again: the real font measures
}

// Block glyphs make placement checkable: each printable byte is a solid block
// at cell x 0..5, y 1..10.
Image ExpectedBlocks(int32_t w, int32_t h, int32_t x, int32_t y, std::string_view text, TRect clip)
{
    Image e(w, h, kBg);
    int64_t pen = x;
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        const bool printable = b > 0x20 && b != 0x7F && b != 0xA0 && !Cp1252Undefined(b);
        if (printable)
            for (int64_t yy = int64_t{y} + 1; yy <= int64_t{y} + 10; ++yy)
                for (int64_t xx = pen; xx <= pen + 5; ++xx)
                    if (xx >= std::max(0, clip.Left) && yy >= std::max(0, clip.Top) && xx < std::min(w, clip.Right) &&
                        yy < std::min(h, clip.Bottom))
                        e.At(static_cast<int32_t>(xx), static_cast<int32_t>(yy)) = kInk;
        pen += b >= 0x20 ? 7 : 0;
    }
    return e;
}

TEST(FixedFont, BlockGlyphsLandExactlyWhereTheCellSays)
{
    TextSwitches sw(true, true, true);
    struct Case {
        int32_t x, y;
        std::string text;
        TRect clip;
    };
    const Case cases[] = {
        {0, 0, "A", {0, 0, 40, 30}},
        {3, 5, "A b", {0, 0, 40, 30}},
        {2, 2, "x\ty\x81z\xA0\x7F!", {0, 0, 80, 30}},      // control, undefined, blank bytes
        {-4, -3, "MW", {0, 0, 40, 30}},                     // starts off the surface
        {30, 20, "long text", {0, 0, 40, 30}},              // runs off the surface
        {1, 1, "clip me", {5, 4, 20, 9}},                   // clipped inside
        {1, 1, "clip me", {30, 40, -5, 2}},                 // inverted clip: nothing
        {INT32_MIN + 3, 5, "far", {0, 0, 40, 30}},
        {5, INT32_MAX - 3, "far", {0, 0, 40, 30}},
    };
    for (const Case& c : cases) {
        Image img(40, 30, kBg);
        RenderText(FixedFont(), img.Surface(), c.clip, c.x, c.y, c.text, kInk);
        const Image e = ExpectedBlocks(40, 30, c.x, c.y, c.text, c.clip);
        EXPECT_EQ(img.Px, e.Px) << c.text << " at " << c.x << "," << c.y << "\n" << img.Art(kBg, img.All());
    }
}

TEST(FixedFont, MonochromeGlyphsStayInsideTheirCellsInEveryStyle)
{
    TextSwitches sw(true, false, false);
    for (TFontStyles st : {TFontStyles{}, TFontStyles{fsBold}, TFontStyles{fsItalic}, TFontStyles{fsBold, fsItalic}}) {
        for (int b = 0x20; b < 256; ++b) {
            Image img(30, 30, kBg);
            const std::string s(1, static_cast<char>(b));
            RenderText(FixedFont(st), img.Surface(), img.All(), 10, 8, s, kInk);
            const auto u = static_cast<unsigned char>(b);
            const bool blank = b == 0x20 || b == 0x7F || b == 0xA0 || Cp1252Undefined(u);
            if (blank) {
                EXPECT_EQ(img.Count(kBg), 0) << b;
                continue;
            }
            const TRect ink = img.Ink(kBg);
            EXPECT_FALSE(ink.IsEmpty()) << "byte " << b << " draws nothing";
            EXPECT_GE(ink.Left, 10) << b;
            EXPECT_LE(ink.Right, 17) << b;
            EXPECT_GE(ink.Top, 8) << b;
            EXPECT_LE(ink.Bottom, 22) << b;
            for (uint32_t p : img.Px) ASSERT_TRUE(p == kBg || p == kInk) << "monochrome output blends, byte " << b;
        }
    }
}

TEST(FixedFont, ShapesSitOnTheBaselineAndAccentsAboveTheLetter)
{
    TextSwitches sw(true, false, false);
    auto ink = [](std::string_view s) {
        Image img(20, 20, kBg);
        RenderText(FixedFont(), img.Surface(), img.All(), 0, 0, s, kInk);
        return img;
    };
    EXPECT_EQ(ink("A").Ink(kBg), (TRect{0, 4, 5, 11}));      // capitals: rows 4..10
    EXPECT_EQ(ink("x").Ink(kBg), (TRect{0, 6, 5, 11}));      // x-height: rows 6..10
    EXPECT_EQ(ink("g").Ink(kBg).Bottom, 13);                 // descender below the baseline
    const Image a = ink("A"), ae = ink("\xC4"), au = ink("\xE4"), al = ink("a");
    EXPECT_LT(ae.Ink(kBg).Top, 4);                            // Ä: dots above the capital
    for (int32_t y = 4; y < 11; ++y)
        for (int32_t x = 0; x < 7; ++x) EXPECT_EQ(ae.At(x, y), a.At(x, y)) << x << "," << y;
    EXPECT_LT(au.Ink(kBg).Top, 6);                            // ä: dots above the x-height
    for (int32_t y = 6; y < 14; ++y)
        for (int32_t x = 0; x < 7; ++x) EXPECT_EQ(au.At(x, y), al.At(x, y)) << x << "," << y;
    EXPECT_EQ(ink("\xC7").Ink(kBg).Bottom, 13);              // Ç: cedilla below
    EXPECT_NE(ink("l").Px, ink("I").Px);
    EXPECT_NE(ink("0").Px, ink("O").Px);
}

TEST(FixedFont, UnderlineAndStrikeOutSpanTheAdvance)
{
    TextSwitches sw(true, true, true);
    Image img(40, 20, kBg);
    RenderText(FixedFont({fsUnderline, fsStrikeOut}), img.Surface(), img.All(), 2, 1, "a b", kInk);
    for (int32_t x = 0; x < 40; ++x) {
        const bool inside = x >= 2 && x < 23;
        EXPECT_EQ(img.At(x, 1 + 12) == kInk, inside) << x; // underline: the row below the baseline
        EXPECT_EQ(img.At(x, 1 + 7) == kInk, inside) << x;  // strike-out
    }
    EXPECT_EQ(img.At(10, 1 + 11), kBg); // the baseline row itself stays clear between the glyphs
}

TEST(FixedFont, ColoursAreWrittenExactlyAndSystemColoursResolved)
{
    TextSwitches sw(false, true, true); // fixed glyphs are solid even anti-aliased
    Image img(20, 20, 0xFF000000u | kBg);
    RenderText(FixedFont(), img.Surface(), img.All(), 0, 0, "A", 0x00FF0000); // blue
    EXPECT_EQ(img.At(0, 1), 0x00FF0000u);
    RenderText(FixedFont(), img.Surface(), img.All(), 0, 0, "A", clHighlight);
    EXPECT_EQ(img.At(0, 1), GetSystemColors()[13]);
    RenderText(FixedFont(), img.Surface(), img.All(), 0, 0, "A", 0x6088FFF0); // top byte ignored
    EXPECT_EQ(img.At(0, 1), 0x0088FFF0u);
    Image none(20, 20, kBg);
    RenderText(FixedFont(), none.Surface(), none.All(), 0, 0, "A", clNone);
    EXPECT_EQ(none.Count(kBg), 0);
}

// Rotation: the point (a, b) of the cell lands at ref + a*(cos, -sin) + b*(sin, cos).
TEST(FixedFont, QuarterTurnsMapTheCellPixelForPixel)
{
    TextSwitches sw(true, true, true);
    const std::string text = "Ab1";
    Image flat(40, 40, kBg);
    RenderText(FixedFont({fsUnderline}), flat.Surface(), flat.All(), 0, 0, text, kInk);
    struct Case {
        int32_t tenths, cos, sin;
    };
    for (Case c : {Case{900, 0, 1}, Case{1800, -1, 0}, Case{2700, 0, -1}, Case{-900, 0, -1}, Case{4500, 0, 1},
                   Case{3600, 1, 0}}) {
        Image img(80, 80, kBg);
        const int32_t rx = 40, ry = 40;
        RenderText(FixedFont({fsUnderline}, c.tenths), img.Surface(), img.All(), rx, ry, text, kInk);
        Image expect(80, 80, kBg);
        for (int32_t b = 0; b < 40; ++b)
            for (int32_t a = 0; a < 40; ++a)
                if (flat.At(a, b) == kInk) expect.At(rx + a * c.cos + b * c.sin, ry - a * c.sin + b * c.cos) = kInk;
        EXPECT_EQ(img.Px, expect.Px) << c.tenths << "\n" << img.Art(kBg, img.All());
    }
}

TEST(FixedFont, TextCellAtNinetyDegreesCoversTheDocumentedBox)
{
    // A 60 x 14 cell at (93, 130) turned by 90 degrees covers x 93..106 and
    // y 71..130, centred on (100, 100).
    TFont f = FixedFont({}, 900);
    Image img(200, 200, kBg);
    FillTextCell(f, img.Surface(), img.All(), 93, 130, 60, kInk);
    EXPECT_EQ(img.Ink(kBg), (TRect{93, 71, 107, 131}));
    EXPECT_EQ(img.Count(kBg), 60 * 14);
    Image flat(200, 200, kBg);
    FillTextCell(FixedFont(), flat.Surface(), TRect{0, 0, 100, 120}, 93, 110, 60, kInk);
    EXPECT_EQ(flat.Ink(kBg), (TRect{93, 110, 100, 120})); // clipped
}

TEST(FixedFont, OddAnglesStayNearTheRotatedCell)
{
    TextSwitches sw(true, true, true);
    for (int32_t tenths : {10, 300, 450, 1350, 2250, 3150, 3599}) {
        Image img(120, 120, kBg);
        RenderText(FixedFont({}, tenths), img.Surface(), img.All(), 60, 60, "WWW", kInk);
        const double th = tenths * 3.14159265358979323846 / 1800.0;
        int n = 0;
        for (int32_t y = 0; y < 120; ++y)
            for (int32_t x = 0; x < 120; ++x) {
                if (img.At(x, y) == kBg) continue;
                ++n;
                const double dx = x - 60, dy = y - 60;
                const double a = dx * std::cos(th) - dy * std::sin(th);
                const double b = dx * std::sin(th) + dy * std::cos(th);
                EXPECT_TRUE(a > -1 && a < 21 && b > 0 && b < 12) << tenths << ": " << x << "," << y;
            }
        EXPECT_GT(n, 3 * 60 / 2) << tenths; // three 6x10 blocks, roughly
    }
}

} // namespace
