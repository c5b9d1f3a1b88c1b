// Frames, rectangles and data marks, checked pixel by pixel against maps
// written out here; the printer forms of the marks on a printer page.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "corekit/PYX_pyxbase.h"
#include "vcl/Fonts.h"
#include "vcl/Printer.h"

namespace {

using namespace PYX_pyxbase;
using Map = std::vector<std::string>;

constexpr vcl::TColor kBack = 0x00F0E0D0;
// Distinct shades with asymmetric bytes, so that swapped colours show.
constexpr vcl::TColor kHigh = 0x00FF0000, kLight = 0x0000FF00, kShadow = 0x000000FF, kDark = 0x00800040,
                      kLine = 0x00408000;

// One character per pixel: '.' for the background, the letter of a known
// colour, '?' for anything else.
Map PixelMap(const vcl::TBitmap& bmp, const std::map<vcl::TColor, char>& names)
{
    Map rows;
    for (int y = 0; y < bmp.GetHeight(); ++y) {
        std::string r;
        for (int x = 0; x < bmp.GetWidth(); ++x) {
            const vcl::TColor p = bmp.ScanLine(y)[x];
            const auto it = names.find(p);
            r += it != names.end() ? it->second : '?';
        }
        rows.push_back(r);
    }
    return rows;
}

void Clear(vcl::TBitmap& bmp, vcl::TColor c)
{
    for (int y = 0; y < bmp.GetHeight(); ++y)
        for (int x = 0; x < bmp.GetWidth(); ++x) bmp.ScanLine(y)[x] = c;
}

// ---------------------------------------------------------------------------
// Frames

TEST(DrawFrame, AllStylesOnTenByTen)
{
    // The two rings, with a, b, c, d the four pens of a style.
    const Map rings = {
        "aaaaaaaaaa",
        "accccccccb",
        "ac......db",
        "ac......db",
        "ac......db",
        "ac......db",
        "ac......db",
        "ac......db",
        "addddddddb",
        "bbbbbbbbbb",
    };
    const Map simple = {
        "CCCCCCCCCC",
        "C........C",
        "C........C",
        "C........C",
        "C........C",
        "C........C",
        "C........C",
        "C........C",
        "C........C",
        "CCCCCCCCCC",
    };
    const Map nothing(10, "..........");
    struct Case { int style; const char* pens; Map expect; } cases[] = {
        {fsNone, "", nothing},
        {fsSimple, "", simple},
        {fsLowered, "SHDL", rings},
        {fsRaised, "HDLS", rings},
        {fsEmbossed, "HSSH", rings},
        {fsEngraved, "SHHS", rings},
        {6, "", nothing},
        {255, "", nothing},
    };
    for (const auto& c : cases) {
        Map expect = c.expect;
        if (*c.pens)
            for (auto& row : expect)
                for (char& ch : row)
                    if (ch >= 'a' && ch <= 'd') ch = c.pens[ch - 'a'];
        vcl::TBitmap bmp(10, 10);
        Clear(bmp, kBack);
        DrawFrame(bmp.Canvas(), static_cast<TFrameStyle>(c.style), 0, 0, 9, 9, kHigh, kLight, kShadow, kDark, kLine);
        EXPECT_EQ(PixelMap(bmp, {{kBack, '.'}, {kHigh, 'H'}, {kLight, 'L'}, {kShadow, 'S'}, {kDark, 'D'}, {kLine, 'C'}}),
                  expect)
            << "style " << c.style;
    }
}

TEST(DrawFrame, RaisedOuterRingAsDescribed)
{
    vcl::TBitmap bmp(12, 12);
    Clear(bmp, kBack);
    DrawFrame(bmp.Canvas(), fsRaised, 0, 0, 9, 9, kHigh, kLight, kShadow, kDark, kLine);
    for (int x = 0; x <= 9; ++x) EXPECT_EQ(bmp.ScanLine(0)[x], kHigh) << x;
    for (int y = 1; y <= 8; ++y) EXPECT_EQ(bmp.ScanLine(y)[0], kHigh) << y;
    for (int y = 1; y <= 9; ++y) EXPECT_EQ(bmp.ScanLine(y)[9], kDark) << y;
    for (int x = 0; x <= 8; ++x) EXPECT_EQ(bmp.ScanLine(9)[x], kDark) << x;
    EXPECT_EQ(bmp.ScanLine(1)[1], kLight); // the inner ring starts at (1, 1)
    // Nothing outside the rectangle.
    for (int i = 0; i <= 11; ++i) {
        EXPECT_EQ(bmp.ScanLine(10)[i], kBack);
        EXPECT_EQ(bmp.ScanLine(i)[10], kBack);
    }
}

TEST(DrawRectangle, PaintsAllFourCornersWithThePen)
{
    vcl::TBitmap bmp(6, 5);
    Clear(bmp, kBack);
    bmp.Canvas().Pen().SetColor(kLine);
    DrawRectangle(bmp.Canvas(), 1, 1, 4, 3);
    EXPECT_EQ(PixelMap(bmp, {{kBack, '.'}, {kLine, '#'}}), (Map{
                                                              "......",
                                                              ".####.",
                                                              ".#..#.",
                                                              ".####.",
                                                              "......",
                                                          }));
    // Reversed corners paint the same outline.
    Clear(bmp, kBack);
    DrawRectangle(bmp.Canvas(), 4, 3, 1, 1);
    EXPECT_EQ(PixelMap(bmp, {{kBack, '.'}, {kLine, '#'}})[3], ".####.");
}

// ---------------------------------------------------------------------------
// Marks as bitmaps of size 0 (7 x 7, centre (3, 3)), black on white.

Map MarkMap(uint8_t mark, int32_t size = 0)
{
    auto bmp = CreateMarkAsBitmap(mark, vcl::clBlack, vcl::clWhite, size);
    return PixelMap(*bmp, {{vcl::clWhite, '.'}, {vcl::clBlack, '#'}});
}

TEST(Marks, SevenBySevenMaps)
{
    struct Case { int mark; Map expect; } cases[] = {
        {0, {".......", ".......", ".......", "...#...", ".......", ".......", "......."}},
        {1, {".......", ".......", "...#...", "..###..", "...#...", ".......", "......."}},
        {2, {".......", "...#...", "...#...", ".#####.", "...#...", "...#...", "......."}},
        {3, {"...#...", "...#...", "...#...", "#######", "...#...", "...#...", "...#..."}},
        {4, {".......", ".......", "..#.#..", "...#...", "..#.#..", ".......", "......."}},
        {5, {".......", ".#...#.", "..#.#..", "...#...", "..#.#..", ".#...#.", "......."}},
        {6, {"#.....#", ".#...#.", "..#.#..", "...#...", "..#.#..", ".#...#.", "#.....#"}},
        {7, {".......", ".......", "..###..", "..###..", "..###..", ".......", "......."}},
        {8, {".......", ".#####.", ".#####.", ".#####.", ".#####.", ".#####.", "......."}},
        {9, {"#######", "#######", "#######", "#######", "#######", "#######", "#######"}},
        {10, {".......", ".......", "..###..", "..#.#..", "..###..", ".......", "......."}},
        {11, {".......", ".#####.", ".#...#.", ".#...#.", ".#...#.", ".#####.", "......."}},
        {12, {"#######", "#.....#", "#.....#", "#.....#", "#.....#", "#.....#", "#######"}},
        {13, {"...#...", "..#.#..", ".#...#.", "#..#..#", ".#...#.", "..#.#..", "...#..."}},
        {14, {".......", "...#...", "..###..", ".#####.", "..###..", "...#...", "......."}},
        {29, {".......", ".......", ".......", ".#####.", "..###..", "...#...", "......."}},
        {18, {"#.#.#.#", ".#.#.#.", "#.#.#.#", ".#.#.#.", "#.#.#.#", ".#.#.#.", "#.#.#.#"}},
        {19, {"...#...", "..#.#..", ".#...#.", "#.....#", ".#...#.", "..#.#..", "...#..."}},
        {20, {".......", ".......", ".......", "...#...", "..#.#..", ".#...#.", "......."}},
        {21, {".......", ".......", ".......", "...#...", "..#.#..", ".#...#.", "#.....#"}},
        {22, {".......", ".#...#.", "..#.#..", "...#...", ".......", ".......", "......."}},
        {23, {"#.....#", ".#...#.", "..#.#..", "...#...", ".......", ".......", "......."}},
        {25, {"##...##", "###.###", ".#####.", "..###..", ".#####.", "###.###", "##...##"}},
        {37, {"...#...", "...#...", "...#...", "#######", ".......", ".......", "......."}},
        {38, {".......", "#######", "...#...", "...#...", "...#...", "#######", "......."}},
        {48, {"#######", "#..#..#", "#..#..#", "#######", "#..#..#", "#..#..#", "#######"}},
        {49, {"...#...", ".#####.", ".#.#.#.", "#######", ".#.#.#.", ".#####.", "...#..."}},
        {50, {"#..#..#", ".#.#.#.", "..###..", "#######", "..###..", ".#.#.#.", "#..#..#"}},
        {51, {"..###..", "...#...", "#..#..#", "#######", "#..#..#", "...#...", "..###.."}},
    };
    for (const auto& c : cases) EXPECT_EQ(MarkMap(static_cast<uint8_t>(c.mark)), c.expect) << "mark " << c.mark;
}

TEST(Marks, SizeCentresTheMarkAndIsClamped)
{
    struct Case { int size, side; } cases[] = {{-5, 7}, {0, 7}, {1, 9}, {10, 27}, {255, 517}, {1000, 517}};
    for (const auto& c : cases) {
        auto bmp = CreateMarkAsBitmap(0, vcl::clRed, vcl::clWhite, c.size);
        ASSERT_EQ(bmp->GetWidth(), c.side) << c.size;
        ASSERT_EQ(bmp->GetHeight(), c.side) << c.size;
        int red = 0;
        for (int y = 0; y < c.side; ++y)
            for (int x = 0; x < c.side; ++x) red += bmp->ScanLine(y)[x] == vcl::clRed;
        EXPECT_EQ(red, 1) << c.size;
        EXPECT_EQ(bmp->ScanLine(c.side / 2)[c.side / 2], vcl::clRed) << c.size;
    }
    // Mark 3, black on white, size 0: a plus through (3, 3) on a white square.
    auto plus = CreateMarkAsBitmap(3, vcl::clBlack, vcl::clWhite, 0);
    EXPECT_EQ(plus->ScanLine(3)[0], vcl::clBlack);
    EXPECT_EQ(plus->ScanLine(0)[0], vcl::clWhite);
}

// Figures filled with the brush, and whether they are mirror images.
TEST(Marks, EllipsesAndTrianglesAreSymmetricWithTheirTips)
{
    struct Case { int mark; bool mirrorX, mirrorY; std::vector<std::pair<int, int>> ink, paper; } cases[] = {
        // (dx, dy) from the centre
        {14, true, true, {{-2, 0}, {2, 0}, {0, -2}, {0, 2}, {0, 0}}, {{-3, 0}, {0, 3}}},
        {15, true, true, {{-3, 0}, {3, 0}, {0, -3}, {0, 3}, {0, 0}}, {{-4, 0}}},
        {16, true, true, {{-2, 0}, {2, 0}, {0, -2}, {0, 2}}, {{0, 0}, {-3, 0}}},
        {17, true, true, {{-3, 0}, {3, 0}, {0, -3}, {0, 3}}, {{0, 0}}},
        {24, true, true, {{-3, 0}, {3, 0}, {0, -3}, {0, 3}, {0, 0}}, {{-4, 0}}},
        {26, true, true, {{-2, 0}, {2, 0}, {0, 0}}, {{-3, 0}}},
        {29, true, false, {{-2, 0}, {2, 0}, {0, 2}}, {{0, -1}}},
        {30, true, false, {{-3, 0}, {3, 0}, {0, 3}, {0, 1}}, {{0, -1}}},
        {31, true, false, {{-2, 0}, {2, 0}, {0, 2}}, {{0, -1}}},
        {32, true, false, {{-3, 0}, {3, 0}, {0, 3}}, {{0, 1}, {0, -1}}},
        {33, true, false, {{-4, -3}, {4, -3}, {0, 4}}, {{0, 0}}},
        {34, true, false, {{-4, -3}, {4, -3}, {0, 4}, {0, 0}}, {{0, 5}}},
        {35, true, false, {{-4, 3}, {4, 3}, {0, -4}}, {{0, 0}}},
        {36, true, false, {{-4, 3}, {4, 3}, {0, -4}, {0, 0}}, {{0, -5}}},
        {39, true, true, {{-3, 0}, {3, 0}, {0, 0}, {0, 3}}, {{-1, -1}}},
        {40, false, true, {{3, -2}, {-2, 0}, {3, 2}}, {{1, 0}}},
        {41, false, true, {{3, -2}, {-2, 0}, {3, 2}, {1, 0}}, {{-3, 0}}},
        {42, false, true, {{4, -3}, {-3, 0}, {4, 3}}, {{1, 0}}},
        {43, false, true, {{4, -3}, {-3, 0}, {4, 3}, {1, 0}}, {{-4, 0}}},
        {44, false, true, {{-3, -2}, {2, 0}, {-3, 2}}, {{-1, 0}}},
        {45, false, true, {{-3, -2}, {2, 0}, {-3, 2}, {-1, 0}}, {{3, 0}}},
        {46, false, true, {{-4, -3}, {3, 0}, {-4, 3}}, {{-1, 0}}},
        {47, false, true, {{-4, -3}, {3, 0}, {-4, 3}, {-1, 0}}, {{4, 0}}},
    };
    for (const auto& c : cases) {
        const Map m = MarkMap(static_cast<uint8_t>(c.mark), 3); // 13 x 13, centre (6, 6)
        std::string shown;
        for (const auto& row : m) shown += "\n" + row;
        for (auto [dx, dy] : c.ink)
            EXPECT_EQ(m[6 + dy][6 + dx], '#') << "mark " << c.mark << " at " << dx << "," << dy << shown;
        for (auto [dx, dy] : c.paper)
            EXPECT_EQ(m[6 + dy][6 + dx], '.') << "mark " << c.mark << " at " << dx << "," << dy << shown;
        bool mirrorX = true, mirrorY = true;
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 13; ++x) {
                mirrorX = mirrorX && m[y][x] == m[y][12 - x];
                mirrorY = mirrorY && m[y][x] == m[12 - y][x];
            }
        EXPECT_TRUE(mirrorX || !c.mirrorX) << "mark " << c.mark << shown;
        EXPECT_TRUE(mirrorY || !c.mirrorY) << "mark " << c.mark << shown;
    }
}

// The brush colour comes back after every mark; outline marks leave the
// brush solid; character marks put back the font colour and brush style.
TEST(Marks, BrushAndFontAreRestored)
{
    vcl::TBitmap bmp(30, 30);
    vcl::TCanvas& c = bmp.Canvas();
    for (int m = 0; m < 256; ++m) {
        c.Pen().SetColor(vcl::clRed);
        c.Brush().SetColor(0x00123456);
        c.Brush().SetStyle(vcl::bsSolid);
        c.Font().SetColor(vcl::clGreen);
        DrawMarkOnCanvas(c, static_cast<uint8_t>(m), 15, 15);
        EXPECT_EQ(c.Brush().GetColor(), 0x00123456u) << m;
        EXPECT_EQ(c.Brush().GetStyle(), vcl::bsSolid) << m;
        EXPECT_EQ(c.Font().GetColor(), vcl::clGreen) << m;
        EXPECT_EQ(c.Pen().GetColor(), vcl::clRed) << m;
    }
    // A diagonal brush stays as it was for a character mark.
    c.Brush().SetStyle(vcl::bsDiagCross);
    DrawMarkOnCanvas(c, 'A', 15, 15);
    EXPECT_EQ(c.Brush().GetStyle(), vcl::bsDiagCross);
}

class FixedFont : public ::testing::Test {
protected:
    void SetUp() override { vcl::SetForceFixedFont(true); vcl::SetForceMonochromeText(true); }
    void TearDown() override
    {
        vcl::SetFixedFontBlockGlyphs(false);
        vcl::SetForceMonochromeText(false);
        vcl::SetForceFixedFont(false);
    }
};

// Characters are centred on their text box, drawn in the pen colour and
// without filling the text cell.
TEST_F(FixedFont, CharacterMarksAreCentredInThePenColour)
{
    vcl::SetFixedFontBlockGlyphs(true); // glyph cells 7 x 14, blocks x 0..5, y 1..10
    vcl::TBitmap bmp(40, 40);
    Clear(bmp, kBack);
    vcl::TCanvas& c = bmp.Canvas();
    c.Pen().SetColor(kShadow);
    c.Brush().SetColor(kLight);
    c.Brush().SetStyle(vcl::bsSolid);
    c.Font().SetColor(kHigh);
    DrawMarkOnCanvas(c, 65, 20, 20);
    // Text at (20 - 7 div 2, 20 - 14 div 2) = (17, 13): block x 17..22, y 14..23.
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inBlock = x >= 17 && x <= 22 && y >= 14 && y <= 23;
            EXPECT_EQ(bmp.ScanLine(y)[x], inBlock ? kShadow : kBack) << x << "," << y;
        }
}

TEST_F(FixedFont, CharacterMarksDrawTheirOwnCode)
{
    // Each character mark looks like TextOut of the character of its code.
    for (int m : {52, 65, 200}) {
        vcl::TBitmap a(30, 30), b(30, 30);
        Clear(a, kBack);
        Clear(b, kBack);
        a.Canvas().Pen().SetColor(kDark);
        DrawMarkOnCanvas(a.Canvas(), static_cast<uint8_t>(m), 15, 15);
        vcl::TCanvas& cb = b.Canvas();
        cb.Font().SetColor(kDark);
        cb.Brush().SetStyle(vcl::bsClear);
        const std::string ch(1, static_cast<char>(m));
        cb.TextOut(15 - cb.TextWidth(ch) / 2, 15 - cb.TextHeight(ch) / 2, ch);
        EXPECT_EQ(PixelMap(a, {{kBack, '.'}, {kDark, '#'}}), PixelMap(b, {{kBack, '.'}, {kDark, '#'}})) << m;
    }
    EXPECT_NE(MarkMap(52, 10), MarkMap(65, 10)); // "4" is not "A"
}

// ---------------------------------------------------------------------------
// Printer forms

class PrinterPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        vcl::Printer().SetOutputFile("");
        vcl::Printer().SetResolution(72);
        vcl::Printer().BeginDoc();
    }
    void TearDown() override
    {
        if (vcl::Printer().Printing()) vcl::Printer().Abort();
    }
    // The number of pixels of the page in Color within the box around (x, y).
    static int CountAround(vcl::TColor color, int x, int y, int r = 10)
    {
        const vcl::TSurface& s = vcl::Printer().Canvas().GetSurface();
        int n = 0;
        for (int yy = y - r; yy <= y + r; ++yy)
            for (int xx = x - r; xx <= x + r; ++xx) n += s.Row(yy)[xx] == color;
        return n;
    }
};

TEST_F(PrinterPage, MarksAreDrawnWithLines)
{
    vcl::TCanvas& c = vcl::Printer().Canvas();
    ASSERT_TRUE(c.IsPrinter());
    c.Pen().SetColor(vcl::clBlack);
    struct Case { int mark, pixels; } cases[] = {
        {1, 7}, {2, 11}, {3, 15}, // two lines of 4, 6, 8 pixels sharing the centre
        {4, 7}, {5, 11}, {6, 15},
        {18, 25},                 // the checkerboard as single dots
        {0, 1},
    };
    int x = 20;
    for (const auto& cs : cases) {
        DrawMarkOnCanvas(c, static_cast<uint8_t>(cs.mark), x, 40);
        EXPECT_EQ(CountAround(vcl::clBlack, x, 40), cs.pixels) << "mark " << cs.mark;
        x += 25;
    }
    // The dots of mark 18 lie on the checkerboard.
    const vcl::TSurface& s = c.GetSurface();
    const int cx = 20 + 6 * 25;
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx)
            EXPECT_EQ(s.Row(40 + dy)[cx + dx] == vcl::clBlack, (dx + dy) % 2 == 0) << dx << "," << dy;
    // The other figures and a character draw on paper too.
    for (int m = 7; m <= 65; ++m) {
        if (m > 51 && m != 65) continue;
        const int mx = 20 + (m % 20) * 25, my = 100 + (m / 20) * 25;
        DrawMarkOnCanvas(c, static_cast<uint8_t>(m), mx, my);
        EXPECT_GT(CountAround(vcl::clWhite, mx, my, 12), 0) << "mark " << m;
        EXPECT_LT(CountAround(vcl::clWhite, mx, my, 12), 25 * 25) << "mark " << m;
    }
}

TEST_F(PrinterPage, PrintBitmapCopiesPixelsOneToOne)
{
    auto mark = CreateMarkAsBitmap(9, vcl::clRed, vcl::clBlue, 2); // 11 x 11, 7 x 7 red centre
    PrintBitmap(*mark, 100, 200);
    const vcl::TSurface& s = vcl::Printer().Canvas().GetSurface();
    EXPECT_EQ(s.Row(200)[100], vcl::clBlue);
    EXPECT_EQ(s.Row(210)[110], vcl::clBlue);
    EXPECT_EQ(s.Row(205)[105], vcl::clRed);
    EXPECT_EQ(s.Row(211)[111], vcl::clWhite);
    EXPECT_EQ(CountAround(vcl::clRed, 105, 205), 49);
    vcl::Printer().EndDoc();
    ASSERT_EQ(vcl::Printer().GetPageCount(), 1);
    EXPECT_EQ(vcl::Printer().GetPage(1)->ScanLine(205)[105], vcl::clRed);
}

TEST(PrintBitmap, OutsideAJobRaisesThePrinterError)
{
    vcl::TBitmap bmp(3, 3);
    ASSERT_FALSE(vcl::Printer().Printing());
    EXPECT_THROW(PrintBitmap(bmp, 0, 0), vcl::EPrinter);
}

} // namespace
