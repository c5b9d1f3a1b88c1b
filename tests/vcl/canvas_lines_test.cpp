// Lines: the end point is excluded at every slope, the tie rule, dash
// patterns, wide pens, pen modes and far-away coordinates.
#include <climits>
#include <cstdlib>
#include <set>

#include "canvas_helpers.h"

using namespace vcl;
using namespace canvas_test;

namespace {

class Lines : public CanvasFixture {
protected:
    void SetUp() override { Init(40, 40); }
    std::set<std::pair<int, int>> Inked() const
    {
        std::set<std::pair<int, int>> s;
        for (int y = 0; y < bmp.GetHeight(); ++y)
            for (int x = 0; x < bmp.GetWidth(); ++x)
                if (At(x, y) == kInk) s.insert({x, y});
        return s;
    }
};

TEST_F(Lines, EveryOctantPaintsStartExcludesEndAndStaysConnected)
{
    const int cx = 20, cy = 20;
    const std::pair<int, int> ends[] = {{31, 24}, {24, 31}, {16, 31}, {9, 24}, {9, 16}, {16, 9},  {24, 9},
                                        {31, 16}, {31, 20}, {20, 31}, {9, 20},  {20, 9}, {31, 31}, {9, 9},
                                        {31, 9},  {9, 31},  {21, 31}, {31, 21}};
    for (auto [ex, ey] : ends) {
        SCOPED_TRACE(testing::Message() << "to " << ex << "," << ey);
        Init(40, 40);
        c->MoveTo(cx, cy);
        c->LineTo(ex, ey);
        EXPECT_EQ(c->GetPenPos(), Point(ex, ey));
        auto px = Inked();
        int steps = std::max(std::abs(ex - cx), std::abs(ey - cy));
        EXPECT_EQ(static_cast<int>(px.size()), steps);
        EXPECT_TRUE(px.count({cx, cy}));
        EXPECT_FALSE(px.count({ex, ey}));
        // One pixel per step along the longer axis, each within one step of
        // the exact line.
        for (auto [x, y] : px) {
            double t = std::abs(ex - cx) >= std::abs(ey - cy) ? double(x - cx) / (ex - cx) : double(y - cy) / (ey - cy);
            double exact = std::abs(ex - cx) >= std::abs(ey - cy) ? cy + t * (ey - cy) : cx + t * (ex - cx);
            double got = std::abs(ex - cx) >= std::abs(ey - cy) ? y : x;
            EXPECT_LE(std::abs(got - exact), 0.5) << x << "," << y;
        }
    }
}

TEST_F(Lines, HalvesMoveAwayFromTheStart)
{
    Init(6, 3);
    c->MoveTo(0, 0);
    c->LineTo(4, 1);
    EXPECT_EQ(Map(), (std::vector<std::string>{"##....", "..##..", "......"}));
    Init(6, 3);
    c->MoveTo(4, 1);
    c->LineTo(0, 0);
    // Reversed: y exact = 1 - i/4; the tie at i = 2 moves away from the
    // start, to 0.
    EXPECT_EQ(Map(), (std::vector<std::string>{".##...", "...##.", "......"}));
}

TEST_F(Lines, ZeroLengthPaintsNothingAndPolylineKeepsTheLastPointOpen)
{
    c->MoveTo(5, 5);
    c->LineTo(5, 5);
    EXPECT_EQ(Count(kInk), 0);
    c->Polyline({Point(1, 1), Point(5, 1), Point(5, 4)});
    EXPECT_EQ(Count(kInk), 7);
    EXPECT_EQ(At(5, 1), kInk);
    EXPECT_NE(At(5, 4), kInk);
}

TEST_F(Lines, FarAwayEndsClipToTheSameLine)
{
    // Slope 1/2 through the origin, from two billion pixels away; in view it
    // must match the short line with the same slope and phase.
    c->MoveTo(-2000000000, -1000000000);
    c->LineTo(2000000000, 1000000000);
    auto far = Map();
    Init(40, 40);
    c->MoveTo(0, 0);
    c->LineTo(80, 40);
    EXPECT_EQ(far, Map());
    Init(40, 40);
    c->MoveTo(INT_MIN, 7);
    c->LineTo(INT_MAX, 7);
    EXPECT_EQ(Count(kInk), 40);
    c->MoveTo(INT_MAX, INT_MIN);
    c->LineTo(INT_MIN, INT_MAX);
    c->MoveTo(INT_MIN, INT_MIN);
    c->LineTo(INT_MAX, INT_MAX);
    EXPECT_EQ(At(13, 13), kInk);
}

TEST_F(Lines, DashPatternsLeaveGapsAndRestartAtMoveTo)
{
    struct Case {
        TPenStyle style;
        const char* pattern; // one period of 24 (dot: 4 periods of 6)
    };
    const Case cases[] = {{psDash, "##################......"},
                          {psDot, "###...###...###...###..."},
                          {psDashDot, "#########......###......"},
                          {psDashDotDot, "#########...###...###..."}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.pattern);
        Init(40, 3);
        c->Pen().SetStyle(k.style);
        c->MoveTo(0, 1);
        c->LineTo(10, 1); // the pattern continues across LineTo
        c->LineTo(40, 1);
        std::string want;
        for (int x = 0; x < 40; ++x) want += k.pattern[x % 24] == '#' ? '#' : '.';
        EXPECT_EQ(Map()[1], want);
        Init(40, 3);
        c->Pen().SetStyle(k.style);
        c->MoveTo(0, 1);
        c->LineTo(5, 1);
        c->MoveTo(5, 1); // restarts the pattern
        c->LineTo(40, 1);
        std::string restarted;
        for (int x = 0; x < 40; ++x) restarted += k.pattern[(x < 5 ? x : x - 5) % 24] == '#' ? '#' : '.';
        EXPECT_EQ(Map()[1], restarted);
    }
}

TEST_F(Lines, WidePensCoverTheirOffsetsWithFlatEnds)
{
    Init(12, 8);
    c->Pen().SetWidth(3);
    c->MoveTo(2, 3);
    c->LineTo(9, 3);
    EXPECT_EQ(Map(), (std::vector<std::string>{"............", "............", "..#######...", "..#######...",
                                               "..#######...", "............", "............", "............"}));
    Init(12, 8);
    c->Pen().SetWidth(4); // offsets -1 .. +2
    c->MoveTo(5, 1);
    c->LineTo(5, 6);
    EXPECT_EQ(Map(), (std::vector<std::string>{"............", "....####....", "....####....", "....####....",
                                               "....####....", "....####....", "............", "............"}));
}

TEST_F(Lines, PenModesApplyPerPixelAndXorIsSelfInverse)
{
    const TColor back = 0x00123456, pen = 0x00FF0000;
    struct Case {
        TPenMode mode;
        TColor expect;
    };
    const Case cases[] = {{pmCopy, pen}, {pmXor, back ^ pen}, {pmNot, ~back & 0xFFFFFF}, {pmNotXor, ~(back ^ pen) & 0xFFFFFF}};
    for (const Case& k : cases) {
        Init(8, 3, back);
        c->Pen().SetColor(pen);
        c->Pen().SetMode(k.mode);
        c->MoveTo(0, 1);
        c->LineTo(8, 1);
        EXPECT_EQ(At(3, 1), k.expect) << int(k.mode);
        EXPECT_EQ(At(3, 0), back);
    }
    Init(8, 8, back);
    c->Pen().SetMode(pmXor);
    c->Pen().SetColor(pen);
    c->Brush().SetStyle(bsClear);
    for (int k = 0; k < 2; ++k) c->Rectangle(1, 1, 7, 7);
    EXPECT_EQ(Count(back), 64);
}

TEST_F(Lines, ColoursResolveOnceWithTheTopByteMasked)
{
    Init(6, 4);
    c->Pen().SetColor(0x6088FFF0);
    c->MoveTo(0, 0);
    c->LineTo(4, 0);
    EXPECT_EQ(At(1, 0), 0x0088FFF0u);
    TSystemColorTable table = DefaultSystemColors();
    table[16] = 0x00010203;
    SetSystemColors(table);
    c->Pen().SetColor(clBtnShadow);
    c->LineTo(4, 3);
    EXPECT_EQ(At(4, 1), GetSystemColors()[16]);
    SetSystemColors(DefaultSystemColors());
    c->Pen().SetColor(clNone);
    c->MoveTo(0, 3);
    c->LineTo(4, 3);
    EXPECT_EQ(At(1, 3), kBack);
    c->Pen().SetColor(clDefault); // the window-text colour
    c->MoveTo(0, 3);
    c->LineTo(4, 3);
    EXPECT_EQ(At(1, 3), ColorToRGB(clWindowText));
}

TEST_F(Lines, ClipRectBoundsEveryPixel)
{
    c->SetClipRect(Rect(10, 10, 20, 20));
    c->MoveTo(0, 15);
    c->LineTo(40, 15);
    c->Brush().SetColor(kFill);
    c->FillRect(Rect(-5, -5, 50, 12));
    EXPECT_EQ(Count(kInk), 10);
    EXPECT_EQ(Count(kFill), 20);
    EXPECT_EQ(c->GetClipRect(), Rect(10, 10, 20, 20));
    c->SetClipRect(Rect(-100, -100, 100, 100));
    EXPECT_EQ(c->GetClipRect(), Rect(0, 0, 40, 40));
}

} // namespace
