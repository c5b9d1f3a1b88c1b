// Colour conversions are checked against the textbook definitions of the
// colour models, written out independently here, and the colour array
// against hand-computed tables and files.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corekit/PYX_pyxcolors.h"
#include "vcl/System.h"

using namespace PYX_pyxcolors;
using vcl::TColor;

namespace {

int R(TColor c) { return c & 0xFF; }
int G(TColor c) { return (c >> 8) & 0xFF; }
int B(TColor c) { return (c >> 16) & 0xFF; }
TColor RGB(int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); }

// Hue/saturation/value to RGB in 0..1 by the chroma construction:
// C = V S, X = C (1 - |(H/60) mod 2 - 1|), m = V - C.
void RefHsvToRgb(double h, double s, double v, double& r, double& g, double& b)
{
    const double c = v * s;
    const double hp = h / 60.0;
    const double x = c * (1 - std::fabs(std::fmod(hp, 2.0) - 1));
    double r1 = 0, g1 = 0, b1 = 0;
    if (hp < 1) { r1 = c; g1 = x; }
    else if (hp < 2) { r1 = x; g1 = c; }
    else if (hp < 3) { g1 = c; b1 = x; }
    else if (hp < 4) { g1 = x; b1 = c; }
    else if (hp < 5) { r1 = x; b1 = c; }
    else { r1 = c; b1 = x; }
    const double m = v - c;
    r = r1 + m; g = g1 + m; b = b1 + m;
}

// RGB in 0..1 to hue by the hexagon projection: atan2 of
// (sqrt(3)/2 (G - B), R - (G + B)/2) gives the same hue as the hexcone.
double RefHue(double r, double g, double b)
{
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const double d = mx - mn;
    double h;
    if (mx == r) h = std::fmod((g - b) / d, 6.0);
    else if (mx == g) h = (b - r) / d + 2;
    else h = (r - g) / d + 4;
    h *= 60;
    return h < 0 ? h + 360 : h;
}

std::string TempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / ("pyxcolors_" + name)).string();
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteAll(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

} // namespace

TEST(Colors, InterpolationTruncatesComponentwise)
{
    EXPECT_EQ(InterpolateColor(0x000000, 0xFFFFFF, 0.5), 0x7F7F7Fu);
    EXPECT_EQ(InterpolateColor(0x000000, 0xFFFFFF, 2.0), 0xFFFFFFu);
    EXPECT_EQ(InterpolateColor(0x102030, 0x302010, -1.0), 0x102030u);
    EXPECT_EQ(InterpolateColor(0x102030, 0x302010, std::nan("")), 0x102030u);
    // Against the formula on asymmetric colours, including falling components.
    vcl::SplitMix64 rng(7);
    for (int n = 0; n < 2000; ++n) {
        const TColor a = static_cast<TColor>(rng.Next() & 0xFFFFFF), b = static_cast<TColor>(rng.Next() & 0xFFFFFF);
        const double t = rng.NextDouble();
        const TColor c = InterpolateColor(a, b, t);
        auto comp = [t](int x, int y) { return static_cast<int>(std::trunc(x + (y - x) * t)); };
        ASSERT_EQ(R(c), comp(R(a), R(b)));
        ASSERT_EQ(G(c), comp(G(a), G(b)));
        ASSERT_EQ(B(c), comp(B(a), B(b)));
    }
    EXPECT_EQ(Interpolate3Colors(0x0000FF, 0x00FF00, 0xFF0000, 0.0), 0x0000FFu);
    EXPECT_EQ(Interpolate3Colors(0x0000FF, 0x00FF00, 0xFF0000, 0.5), 0x00FF00u);
    EXPECT_EQ(Interpolate3Colors(0x0000FF, 0x00FF00, 0xFF0000, 0.75), 0x7F7F00u);
    EXPECT_EQ(Interpolate3Colors(0x0000FF, 0x00FF00, 0xFF0000, 9), 0xFF0000u);
}

TEST(Colors, SwapInvertGreyAndDistance)
{
    EXPECT_EQ(ReverseRGBColor(0x123456), 0x563412u);
    EXPECT_EQ(InvertColor(0x000000FF), 0x0000FFFFu);
    EXPECT_EQ(InvertColor(0x00123456), RGB(255 - 0x12, 255 - 0x34, 255 - 0x56));
    EXPECT_DOUBLE_EQ(RGBColorDistance(0x000000, 0xFFFFFF), 1.0);
    EXPECT_DOUBLE_EQ(RGBColorDistance(0x0000FF, 0x000000), std::sqrt(255.0 * 255 / 195075));
    EXPECT_DOUBLE_EQ(RGBColorDistance(0x123456, 0x123456), 0.0);
    // Grey: exact value in hundredths, halves to even.
    EXPECT_EQ(RGBtoGray(15, 0, 0), 4);
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 7) {
                const int exact = 30 * r + 59 * g + 11 * b; // hundredths
                const int got = RGBtoGray(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
                const int diff = got * 100 - exact;
                ASSERT_LE(std::abs(diff), 50) << r << "," << g << "," << b;
                if (std::abs(diff) == 50) {
                    ASSERT_EQ(got % 2, 0) << r << "," << g << "," << b;
                }
            }
    EXPECT_EQ(RGBtoGrayColor(100, 150, 200), RGB(140, 140, 140)); // 140.5 to even
    EXPECT_EQ(ColorToGrayColor(RGB(100, 150, 200)), RGB(140, 140, 140));
}

TEST(Colors, SystemColoursAreResolvedAndSpecialsKept)
{
    const TColor face = vcl::ColorToRGB(vcl::clBtnFace);
    ASSERT_EQ(face >> 24, 0u);
    EXPECT_EQ(InvertColor(vcl::clBtnFace), InvertColor(face));
    EXPECT_EQ(InterpolateColor(vcl::clBtnShadow, 0xFFFFFF, 0.5),
              InterpolateColor(vcl::ColorToRGB(vcl::clBtnShadow), 0xFFFFFF, 0.5));
    EXPECT_EQ(ColorToGrayColor(vcl::clWindow), ColorToGrayColor(vcl::ColorToRGB(vcl::clWindow)));
    EXPECT_DOUBLE_EQ(RGBColorDistance(vcl::clWindowText, vcl::ColorToRGB(vcl::clWindowText)), 0.0);
    // A stray top byte is dropped from results.
    EXPECT_EQ(ReverseRGBColor(0x6088FFF0), 0x00F0FF88u);
    for (TColor special : {vcl::clNone, vcl::clDefault}) {
        EXPECT_EQ(InvertColor(special), special);
        EXPECT_EQ(ReverseRGBColor(special), special);
        EXPECT_EQ(ColorToGrayColor(special), special);
        EXPECT_EQ(InterpolateColor(special, 0x123456, 0.2), special);
        EXPECT_EQ(InterpolateColor(special, 0x123456, 0.8), 0x123456u);
        EXPECT_DOUBLE_EQ(RGBColorDistance(special, special), 0.0);
        EXPECT_DOUBLE_EQ(RGBColorDistance(special, 0), 1.0);
    }
}

TEST(Colors, RandomColoursStayInTheirRanges)
{
    vcl::SetRandSeed(42);
    for (int n = 0; n < 500; ++n) {
        const TColor c = RandomColor(10, 20, 200, 200, 255, 0);
        ASSERT_EQ(c >> 24, 0u);
        ASSERT_GE(R(c), 10); ASSERT_LE(R(c), 20);
        ASSERT_EQ(G(c), 200);
        ASSERT_GE(B(c), 0); ASSERT_LE(B(c), 255);
        ASSERT_EQ(RandomColor() >> 24, 0u);
    }
    vcl::SetRandSeed(5);
    const TColor a = RandomColor();
    vcl::SetRandSeed(5);
    EXPECT_EQ(RandomColor(), a) << "the shared generator makes the sequence repeatable";
}

TEST(Colors, HsiAgreesWithTheHexconeModel)
{
    for (int h = 0; h < 360; h += 7)
        for (double s : {0.0, 0.1, 0.5, 0.93, 1.0})
            for (double i : {0.0, 0.2, 0.5, 0.77, 1.0}) {
                uint8_t r, g, b;
                HSItoRGB(h, s, i, r, g, b);
                double rr, gg, bb;
                RefHsvToRgb(h, s, i, rr, gg, bb);
                ASSERT_NEAR(r, rr * 255, 0.5 + 1e-9) << h << " " << s << " " << i;
                ASSERT_NEAR(g, gg * 255, 0.5 + 1e-9) << h << " " << s << " " << i;
                ASSERT_NEAR(b, bb * 255, 0.5 + 1e-9) << h << " " << s << " " << i;
            }
    uint8_t r, g, b;
    HSItoRGB(400, 1, 1, r, g, b); // outside 0..<360 counts as 0: red
    EXPECT_EQ(RGB(r, g, b), 0x0000FFu);
    HSItoRGB(-5, 2, 0.5, r, g, b); // saturation clamped to 1
    EXPECT_EQ(RGB(r, g, b), RGB(128, 0, 0));

    for (int rr = 0; rr < 256; rr += 15)
        for (int gg = 0; gg < 256; gg += 17)
            for (int bb = 0; bb < 256; bb += 51) {
                double H, S, I;
                RGBtoHSI(static_cast<uint8_t>(rr), static_cast<uint8_t>(gg), static_cast<uint8_t>(bb), H, S, I);
                const int mx = std::max({rr, gg, bb}), mn = std::min({rr, gg, bb});
                ASSERT_DOUBLE_EQ(I, mx / 255.0);
                if (mx == 0) {
                    ASSERT_EQ(H, 0); ASSERT_EQ(S, 0);
                    continue;
                }
                ASSERT_NEAR(S, (mx - mn) / static_cast<double>(mx), 1e-12);
                if (mx == mn) {
                    ASSERT_EQ(H, -1);
                    continue;
                }
                ASSERT_NEAR(H, RefHue(rr, gg, bb), 1e-9) << rr << "," << gg << "," << bb;
                ASSERT_GE(H, 0); ASSERT_LT(H, 360);
                // Round trip within one unit per component.
                uint8_t r2, g2, b2;
                HSItoRGB(H, S, I, r2, g2, b2);
                ASSERT_LE(std::abs(r2 - rr), 1);
                ASSERT_LE(std::abs(g2 - gg), 1);
                ASSERT_LE(std::abs(b2 - bb), 1);
            }
    double H, S, I;
    RGBtoHSI(128, 128, 128, H, S, I);
    EXPECT_EQ(H, -1);
    EXPECT_EQ(S, 0);
    EXPECT_NEAR(I, 0.502, 0.001);
}

TEST(Colors, CmyAndCmykFollowTheirDefinitions)
{
    for (int v = 0; v < 256; v += 5) {
        double c, m, y;
        RGBtoCMY(static_cast<uint8_t>(v), static_cast<uint8_t>(255 - v), 0, c, m, y);
        ASSERT_NEAR(c, (255 - v) / 255.0, 1e-12);
        ASSERT_NEAR(m, v / 255.0, 1e-12);
        ASSERT_DOUBLE_EQ(y, 1.0);
        uint8_t r, g, b;
        CMYtoRGB(c, m, y, r, g, b);
        ASSERT_EQ(r, v); ASSERT_EQ(g, 255 - v); ASSERT_EQ(b, 0);
    }
    uint8_t r, g, b;
    CMYtoRGB(-1, 2, 0.5, r, g, b);
    EXPECT_EQ(r, 255); EXPECT_EQ(g, 0); EXPECT_EQ(b, 128); // 127.5 to even

    double c = 0.7, m = 1.4, y = 0.2, k = -1;
    CMYtoCMYK(c, m, y, k);
    EXPECT_DOUBLE_EQ(k, 0.2);
    EXPECT_DOUBLE_EQ(c, 0.5);
    EXPECT_DOUBLE_EQ(m, 0.8);
    EXPECT_DOUBLE_EQ(y, 0.0);
    CMYKtoCMY(c, m, y, k);
    EXPECT_DOUBLE_EQ(c, 0.7);
    EXPECT_DOUBLE_EQ(m, 1.0);
    EXPECT_DOUBLE_EQ(y, 0.2);
    CMYKtoCMY(c, m, y, 0.5);
    EXPECT_DOUBLE_EQ(c, 1.0);
}

TEST(Colors, WavelengthsGiveTheirSpectralColours)
{
    struct Case { int w; double gamma; TColor expected; } cases[] = {
        {600, 1.0, RGB(255, 177, 0)},
        {780, 0.8, 0},
        {379, 1.0, 0},
        {380, 1.0, RGB(76, 0, 76)},   // 76.5 rounds to even
        {440, 1.0, RGB(0, 0, 255)},
        {500, 1.0, RGB(0, 255, 128)}, // 127.5 to even
        {700, 1.0, RGB(255, 0, 0)},
        {740, 1.0, RGB(166, 0, 0)},   // F = 0.3 + 0.7 * 40 / 80 = 0.65
    };
    for (const auto& c : cases) EXPECT_EQ(WavelengthToColor(c.w, c.gamma), c.expected) << c.w;
    // Gamma below zero would lift weak components past 255: they are clipped.
    const TColor neg = WavelengthToColor(600, -2);
    EXPECT_EQ(R(neg), 255);
    EXPECT_EQ(G(neg), 255);
    EXPECT_EQ(B(neg), 0);
    EXPECT_EQ(WavelengthToColor(600, std::nan("")) >> 24, 0u);
}

TEST(Colors, TablesHaveTheirSizesAndEnds)
{
    EXPECT_EQ(PredefinedColors[0], vcl::clBlack);
    EXPECT_EQ(PredefinedColors[15], vcl::clWhite);
    EXPECT_EQ(PredefinedColors[19], vcl::clMedGray);
    EXPECT_EQ(PredefinedColors[20], vcl::clActiveBorder);
    EXPECT_EQ(PredefinedColors[29], vcl::clDefault);
    EXPECT_EQ(PredefinedColors[40], vcl::clNone);
    EXPECT_EQ(PredefinedColors[46], vcl::clWindowText);
    EXPECT_EQ(ColorArray_Circle.front(), ColorArray_Circle.back());
    EXPECT_EQ(ColorArray_Rainbow[10], 0x000040u);
}

// ---------------------------------------------------------------------------

class ColorArrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        arr = std::make_unique<TColorArray>(nullptr);
        arr->OnChange = [this](vcl::TObject* s) {
            EXPECT_EQ(s, arr.get());
            ++changes;
        };
    }
    std::unique_ptr<TColorArray> arr;
    int changes = 0;
};

TEST_F(ColorArrayTest, NewArrayHoldsTheRainbow)
{
    EXPECT_EQ(arr->GetSize(), 1000);
    // Element i blends Rainbow[j] and Rainbow[j+1] with j = trunc(10 (i-1) / 1000).
    for (int i : {1, 2, 100, 101, 555, 999, 1000}) {
        const int j = 10 * (i - 1) / 1000;
        const double t = 10.0 * i / 1000 - j;
        EXPECT_EQ(arr->GetColorElem(i), InterpolateColor(ColorArray_Rainbow[j], ColorArray_Rainbow[j + 1], t)) << i;
    }
    EXPECT_EQ(arr->GetColorElem(1000), 0x000040u);
    EXPECT_EQ(arr->GetColorElem(-5), arr->GetColorElem(1));
    EXPECT_EQ(arr->GetColorElem(5000), arr->GetColorElem(1000));
}

TEST_F(ColorArrayTest, ElementsAndResize)
{
    arr->SetColorElem(3, 0x123456);
    EXPECT_EQ(arr->GetColorElem(3), 0x123456u);
    EXPECT_EQ(changes, 1);
    arr->SetColorElem(0, 1);
    arr->SetColorElem(1001, 1);
    EXPECT_EQ(changes, 1);

    EXPECT_TRUE(arr->Resize(1000));
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(arr->Resize(0));
    EXPECT_FALSE(arr->Resize(-3));
    EXPECT_TRUE(arr->Resize(5));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(arr->GetColorElem(3), 0x123456u);
    EXPECT_TRUE(arr->Resize(8));
    EXPECT_EQ(arr->GetColorElem(6), 0u);
    EXPECT_EQ(arr->GetColorElem(8), 0u);
    arr->SetSize(0);
    arr->SetSize(8);
    EXPECT_EQ(arr->GetSize(), 8);
    EXPECT_EQ(changes, 3);
    arr->SetSize(12);
    EXPECT_EQ(arr->GetSize(), 12);
}

TEST_F(ColorArrayTest, BandedFillStaysInsideTheColourList)
{
    // Size 5, ten intervals and one band: the band formula gives element 0
    // for i = 1; it must neither read outside the list nor write outside.
    arr->Resize(5);
    arr->FillByInterpolation(1, ColorArray_Rainbow);
    for (int i = 1; i <= 5; ++i) {
        const TColor c = arr->GetColorElem(i);
        EXPECT_EQ(c >> 24, 0u);
    }
    // Element 5: c = 5, j = 8 and t = 2, clamped to 1: the ninth interval's end.
    EXPECT_EQ(arr->GetColorElem(5), ColorArray_Rainbow[9]);

    arr->Resize(10);
    arr->FillByInterpolation(2, std::array<TColor, 3>{0x000000, 0x808080, 0xFFFFFF});
    // Two bands: elements 1..2 round to band 0 (clamped to element 1),
    // 3..7 to band 1 (c = 5), 8..10 to band 2 (c = 10).
    EXPECT_EQ(arr->GetColorElem(3), arr->GetColorElem(7));
    EXPECT_EQ(arr->GetColorElem(8), 0xFFFFFFu);
    EXPECT_EQ(arr->GetColorElem(5), 0x808080u);

    arr->FillByInterpolation(0, std::array<TColor, 1>{0x010203});
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(arr->GetColorElem(i), 0x010203u);
    const int before = changes;
    arr->FillByInterpolation(0, std::span<const TColor>());
    EXPECT_EQ(changes, before);
    EXPECT_EQ(arr->GetColorElem(1), 0x010203u);
}

TEST_F(ColorArrayTest, NearestColourIndex)
{
    arr->Resize(4);
    arr->FillByInterpolation(0, std::array<TColor, 1>{0});
    double d = -1;
    EXPECT_EQ(arr->ColorToIndex(0xFFFFFF, d), 1);
    EXPECT_DOUBLE_EQ(d, 1.0);
    arr->SetColorElem(2, 0x0000F0);
    arr->SetColorElem(4, 0x0000F0);
    EXPECT_EQ(arr->ColorToIndex(0x0000FF, d), 2) << "the first on equal distances";
    EXPECT_DOUBLE_EQ(d, RGBColorDistance(0x0000F0, 0x0000FF));
    EXPECT_EQ(arr->ColorToIndex(0x000001, d), 1);
}

TEST_F(ColorArrayTest, CopyNeverWritesOutsideTheDestination)
{
    TColorArray src(nullptr);
    src.Resize(6);
    for (int i = 1; i <= 6; ++i) src.SetColorElem(i, static_cast<TColor>(i));
    arr->Resize(4);
    arr->FillByInterpolation(0, std::array<TColor, 1>{0xAA});

    arr->CopyFrom(&src, 5, 2, 3); // 2..5 to 3..6: 5 and 6 fall off the end
    EXPECT_EQ(arr->GetColorElem(1), 0xAAu);
    EXPECT_EQ(arr->GetColorElem(3), 2u);
    EXPECT_EQ(arr->GetColorElem(4), 3u);
    arr->CopyFrom(&src, -10, 100, -2); // 1..6 to -2..3
    EXPECT_EQ(arr->GetColorElem(1), 4u);
    EXPECT_EQ(arr->GetColorElem(3), 6u);
    EXPECT_EQ(arr->GetColorElem(4), 3u);
    arr->CopyFrom(arr.get(), 1, 3, 2); // overlapping copy within one array
    EXPECT_EQ(arr->GetColorElem(2), 4u);
    EXPECT_EQ(arr->GetColorElem(4), 6u);
    const int before = changes;
    arr->CopyFrom(nullptr, 1, 2, 1);
    EXPECT_EQ(changes, before);
    arr->CopyFrom(&src, 1, 1, INT32_MAX); // no overflow of the destination index
}

TEST_F(ColorArrayTest, FileRoundTrip)
{
    const std::string path = TempPath("roundtrip.txt");
    arr->Resize(8);
    arr->SetColorElem(5, 0x00ABCDEF);
    arr->SetColorElem(6, 0x80000005);
    arr->SetColorElem(7, 0x00000001);
    ASSERT_TRUE(arr->StoreOnFile(7, 5, path));
    EXPECT_EQ(ReadAll(path), "5 7\r\n00ABCDEF\r\n80000005\r\n00000001\r\n");

    TColorArray other(nullptr);
    ASSERT_TRUE(other.LoadFromFile(path, true));
    EXPECT_EQ(other.GetSize(), 7);
    EXPECT_EQ(other.GetColorElem(5), 0x00ABCDEFu);
    EXPECT_EQ(other.GetColorElem(6), 0x80000005u);
    EXPECT_EQ(other.GetColorElem(7), 1u);
    EXPECT_EQ(other.GetColorElem(4), TColorArray(nullptr).GetColorElem(4)) << "elements outside the file keep their value";

    // Clamped to the array on writing.
    ASSERT_TRUE(arr->StoreOnFile(-4, 99, path));
    EXPECT_EQ(ReadAll(path).substr(0, 5), "1 8\r\n");
    std::filesystem::remove(path);
}

TEST_F(ColorArrayTest, LoadingReadsLenientLinesAndRefusesBadHeaders)
{
    const std::string path = TempPath("load.txt");
    arr->Resize(6);
    arr->FillByInterpolation(0, std::array<TColor, 1>{0x777777});

    struct Case {
        const char* name;
        std::string text;
        bool adjust;
        bool ok;
        std::vector<TColor> expected; // elements 1..6 afterwards
        int size;
    } cases[] = {
        {"lenient lines", "2 5\n  $ff\n\t00C0FFEEzz\nxyz\n123456789\n", false, true,
         {0x777777, 0xFF, 0xC0FFEE, 0, 0x777777, 0x777777}, 6},
        {"first below one", "0 3\r\n1\r\n2\r\n3\r\n", false, false, {0x777777, 0x777777, 0x777777, 0x777777}, 6},
        {"reversed header", "4 2\r\n1\r\n2\r\n3\r\n", false, false, {0x777777, 0x777777}, 6},
        {"huge header", "1 2000000000\r\n1\r\n", true, false, {0x777777}, 6},
        {"array too small", "5 9\r\n1\r\n2\r\n3\r\n4\r\n5\r\n", false, false,
         {0x777777, 0x777777, 0x777777, 0x777777, 0x777777, 0x777777}, 6},
        {"truncated", "1 4\r\n1\r\n2\r\n", false, false, {1, 2, 0x777777, 0x777777}, 6},
        {"no header", "", false, false, {0x777777}, 6},
        {"garbage header", "a b\r\n", false, false, {0x777777}, 6},
        {"adjust shrinks", "1 3\r\nA\r\nB\r\nC", true, true, {0xA, 0xB, 0xC}, 3},
    };
    for (const auto& c : cases) {
        arr->Resize(6);
        arr->FillByInterpolation(0, std::array<TColor, 1>{0x777777});
        WriteAll(path, c.text);
        EXPECT_EQ(arr->LoadFromFile(path, c.adjust), c.ok) << c.name;
        EXPECT_EQ(arr->GetSize(), c.size) << c.name;
        for (std::size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(arr->GetColorElem(static_cast<int>(i) + 1), c.expected[i]) << c.name << " element " << i + 1;
    }
    std::filesystem::remove(path);
    EXPECT_FALSE(arr->LoadFromFile(TempPath("does_not_exist/x.txt"), true));
    EXPECT_FALSE(arr->LoadFromFile(std::filesystem::temp_directory_path().string(), true));
}

TEST_F(ColorArrayTest, FailedWritesAreReported)
{
    EXPECT_FALSE(arr->StoreOnFile(1, 10, TempPath("no_such_dir/x.txt")));
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(arr->StoreOnFile(1, 1000, "/dev/full"));
    }
}
