// Rectangles, ellipses, polygons, arcs, pies and chords with their
// half-open boxes.
#include <climits>

#include "canvas_helpers.h"

using namespace vcl;
using namespace canvas_test;

namespace {

using Rows = std::vector<std::string>;

class Shapes : public CanvasFixture {};

TEST_F(Shapes, RectangleOutlinesInsideTheHalfOpenBox)
{
    Init(9, 7);
    c->Rectangle(1, 1, 7, 6);
    Rows want = {".........", ".######..", ".#oooo#..", ".#oooo#..", ".#oooo#..", ".######..", "........."};
    EXPECT_EQ(Map(), want);
    Init(9, 7);
    c->Rectangle(7, 6, 1, 1); // corners are normalised
    EXPECT_EQ(Map(), want);
    Init(9, 7);
    c->Pen().SetStyle(psClear); // fill [L, R-1) x [T, B-1)
    c->Rectangle(1, 1, 7, 6);
    EXPECT_EQ(Map(), (Rows{".........", ".ooooo...", ".ooooo...", ".ooooo...", ".ooooo...", ".........", "........."}));
    Init(9, 7);
    c->Brush().SetStyle(bsClear);
    c->Rectangle(1, 1, 7, 6);
    EXPECT_EQ(Count(kFill), 0);
    EXPECT_EQ(Count(kInk), 18);
}

TEST_F(Shapes, WideAndInsideFramePens)
{
    Init(10, 10);
    c->Pen().SetWidth(3);
    c->Rectangle(2, 2, 8, 8); // outline x in [2, 7], pen covers -1 .. +1
    EXPECT_EQ(Map(), (Rows{"..........", ".########.", ".########.", ".########.", ".###oo###.", ".###oo###.",
                           ".########.", ".########.", ".########.", ".........."}));
    Init(10, 10);
    c->Pen().SetWidth(2);
    c->Pen().SetStyle(psInsideFrame);
    c->Rectangle(2, 2, 8, 8);
    Rows inside = Map();
    EXPECT_EQ(inside[1], "..........");
    EXPECT_EQ(inside[2], "..######..");
    EXPECT_EQ(inside[4], "..##oo##..");
    EXPECT_EQ(inside[8], "..........");
}

TEST_F(Shapes, FillRectFrameRectAndInvertRect)
{
    Init(8, 6);
    c->FillRect(Rect(1, 1, 4, 3));
    EXPECT_EQ(Count(kFill), 6);
    EXPECT_EQ(At(3, 2), kFill);
    EXPECT_EQ(At(4, 2), kBack);
    c->FillRect(Rect(5, 1, 5, 4)); // empty
    c->FillRect(Rect(6, 4, 5, 3)); // inverted: empty
    EXPECT_EQ(Count(kFill), 6);
    c->FrameRect(Rect(0, 0, 8, 6));
    EXPECT_EQ(Count(kInk), 24);
    Rows before = Map();
    c->InvertRect(Rect(2, 2, 7, 5));
    EXPECT_EQ(At(3, 3), ~kBack & 0xFFFFFFu);
    c->InvertRect(Rect(2, 2, 7, 5));
    EXPECT_EQ(Map(), before);
}

TEST_F(Shapes, SmallEllipsesAreFrozen)
{
    struct Case {
        int w, h;
        Rows want;
    };
    const Case cases[] = {
        {4, 4, {".##.", "#oo#", "#oo#", ".##."}},
        {5, 5, {".###.", "#ooo#", "#ooo#", "#ooo#", ".###."}},
        {7, 7, {"..###..", ".#ooo#.", "#ooooo#", "#ooooo#", "#ooooo#", ".#ooo#.", "..###.."}},
        {6, 3, {".####.", "#oooo#", ".####."}},
        {1, 1, {"#"}},
        {3, 1, {"###"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.w << "x" << k.h);
        Init(k.w, k.h);
        c->Ellipse(0, 0, k.w, k.h);
        EXPECT_EQ(Map(), k.want);
    }
}

TEST_F(Shapes, EllipsesAreSymmetricAndTouchTheirBox)
{
    for (int w = 1; w <= 23; w += 2)
        for (int h : {1, 2, 5, 8, 13, 30}) {
            SCOPED_TRACE(testing::Message() << w << "x" << h);
            Init(w + 4, h + 4);
            c->Ellipse(2, 2, 2 + w, 2 + h);
            Rows m = Map();
            for (int y = 0; y < h + 4; ++y) {
                EXPECT_EQ(m[y], std::string(m[y].rbegin(), m[y].rend()));
                EXPECT_EQ(m[y], m[h + 3 - y]);
            }
            // Nothing outside the box, the pen on each of its edges.
            EXPECT_EQ(m[1], std::string(w + 4, '.'));
            EXPECT_EQ(m[h + 2], std::string(w + 4, '.'));
            EXPECT_NE(m[2].find('#'), std::string::npos);
            EXPECT_NE(m[h + 1].find('#'), std::string::npos);
            int leftmost = w + 4;
            for (const auto& r : m)
                if (r.find('#') != std::string::npos) leftmost = std::min<int>(leftmost, r.find('#'));
            EXPECT_EQ(leftmost, 2);
        }
}

TEST_F(Shapes, EllipseWithoutPenFillsAllOfIt)
{
    Init(7, 7);
    c->Pen().SetStyle(psClear);
    c->Ellipse(0, 0, 7, 7);
    EXPECT_EQ(Count(kFill), 3 + 5 + 7 + 7 + 7 + 5 + 3);
}

TEST_F(Shapes, PolygonFillsPixelCentresWithTheTopLeftRule)
{
    Init(8, 8);
    c->Pen().SetStyle(psClear);
    c->Polygon({Point(2, 2), Point(6, 2), Point(6, 6), Point(2, 6)});
    EXPECT_EQ(Map(), (Rows{"........", "........", "..oooo..", "..oooo..", "..oooo..", "..oooo..", "........",
                           "........"}));
    Init(8, 8);
    c->Polygon({Point(2, 2), Point(6, 2), Point(6, 6), Point(2, 6)});
    // Every vertex painted, the closing edge too.
    EXPECT_EQ(Map(), (Rows{"........", "........", "..#####.", "..#ooo#.", "..#ooo#.", "..#ooo#.", "..#####.",
                           "........"}));
}

TEST_F(Shapes, PolygonUsesTheEvenOddRule)
{
    // A five-pointed star drawn in one stroke: its centre is outside.
    Init(21, 21);
    c->Pen().SetStyle(psClear);
    c->Polygon({Point(10, 0), Point(16, 20), Point(0, 7), Point(20, 7), Point(4, 20)});
    EXPECT_EQ(At(10, 11), kBack);
    EXPECT_EQ(At(10, 3), kFill);
    EXPECT_EQ(At(3, 8), kFill);
    // A triangle: the diagonal's pixel centres on the edge count when it is
    // a left edge.
    Init(6, 6);
    c->Pen().SetStyle(psClear);
    c->Polygon({Point(0, 0), Point(6, 6), Point(0, 6)});
    EXPECT_EQ(Map(), (Rows{"......", "o.....", "oo....", "ooo...", "oooo..", "ooooo."}));
}

TEST_F(Shapes, FarAwayGeometryIsClippedWithoutOverflow)
{
    Init(10, 10);
    c->Rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_EQ(Count(kFill), 100);
    Init(10, 10);
    c->Ellipse(-2000000000, -2000000000, 2000000000, 2000000000);
    EXPECT_EQ(Count(kFill), 100);
    Init(10, 10);
    c->Ellipse(INT_MIN, 4, INT_MAX, 6); // a two-row sliver
    EXPECT_EQ(Map()[3], "..........");
    EXPECT_EQ(Map()[4], "##########");
    Init(10, 10);
    c->Polygon({Point(INT_MIN, INT_MIN), Point(INT_MAX, INT_MIN), Point(INT_MAX, INT_MAX), Point(INT_MIN, INT_MAX)});
    EXPECT_EQ(Count(kFill), 100);
    c->Pie(INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, 0, 0, INT_MIN);
    c->Arc(-5, -5, INT_MAX, INT_MAX, 0, 0, 1, 1);
    c->Chord(INT_MIN, 0, 10, INT_MAX, 0, 0, 5, 5);
}

TEST_F(Shapes, PieCoversTheCounterClockwiseSector)
{
    Init(21, 21);
    c->Pen().SetStyle(psClear);
    // From the radial to the right (0 degrees) to the one upwards (90).
    c->Pie(0, 0, 21, 21, 21, 10, 10, 0);
    EXPECT_EQ(At(15, 5), kFill);  // upper right
    EXPECT_EQ(At(5, 5), kBack);   // upper left
    EXPECT_EQ(At(5, 15), kBack);  // lower left
    EXPECT_EQ(At(15, 15), kBack); // lower right
    Init(21, 21);
    c->Pen().SetStyle(psClear);
    c->Pie(0, 0, 21, 21, 10, 0, 21, 10); // the other three quarters
    EXPECT_EQ(At(15, 5), kBack);
    EXPECT_EQ(At(5, 5), kFill);
    EXPECT_EQ(At(5, 15), kFill);
    EXPECT_EQ(At(15, 15), kFill);
    Init(21, 21);
    c->Pie(0, 0, 21, 21, 21, 10, 10, 0);
    EXPECT_EQ(At(10, 10), kInk); // the radii meet at the centre
    EXPECT_EQ(At(18, 10), kInk);
    EXPECT_EQ(At(10, 3), kInk);
}

TEST_F(Shapes, ArcWithCoincidingRadialsIsTheWholeOutline)
{
    Init(12, 9);
    c->Brush().SetStyle(bsClear);
    c->Ellipse(1, 1, 11, 8);
    Rows outline = Map();
    Init(12, 9);
    c->Arc(1, 1, 11, 8, 11, 4, 17, 4); // both to the right of the centre (5.5, 4)
    EXPECT_EQ(Map(), outline);
    Init(12, 9);
    c->Arc(1, 1, 11, 8, 11, 4, 0, 4); // upper half only
    Rows upper = Map();
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x) {
            if (y < 4) {
                EXPECT_EQ(upper[y][x], outline[y][x]) << x << "," << y;
            } else if (y > 4) {
                EXPECT_EQ(upper[y][x], '.') << x << "," << y;
            }
        }
}

TEST_F(Shapes, ChordFillsTheArcSideOfTheChord)
{
    Init(21, 21);
    c->Pen().SetStyle(psClear);
    c->Chord(0, 0, 21, 21, 21, 10, 10, 0);
    EXPECT_EQ(At(16, 4), kFill);
    EXPECT_EQ(At(9, 9), kBack);
}

TEST_F(Shapes, HatchedBrushesLeaveTheGaps)
{
    Init(16, 16);
    c->Brush().SetStyle(bsCross);
    c->FillRect(Rect(0, 0, 16, 16));
    EXPECT_EQ(Count(kFill), 4 * 15); // per 8 x 8 cell one row and one column
    EXPECT_EQ(At(0, 3), kFill);
    EXPECT_EQ(At(3, 0), kFill);
    EXPECT_EQ(At(3, 3), kBack);
}

} // namespace
