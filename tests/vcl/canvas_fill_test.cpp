// Flood fill: 4-connected regions by surface colour or up to a border colour.
#include "canvas_helpers.h"

using namespace vcl;
using namespace canvas_test;

namespace {

using Rows = std::vector<std::string>;

class Flood : public CanvasFixture {
protected:
    // Paints a map: '#' ink, '.' background.
    void Paint(const Rows& rows)
    {
        Init(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
        for (size_t y = 0; y < rows.size(); ++y)
            for (size_t x = 0; x < rows[y].size(); ++x) bmp.ScanLine(int(y))[x] = rows[y][x] == '#' ? kInk : kBack;
    }
};

TEST_F(Flood, SurfaceFillStopsAtOtherColoursAndDiagonalGaps)
{
    Paint({"........", ".####...", ".#..#...", ".#..#...", ".####...", "......#.", ".....#..", "........"});
    c->FloodFill(2, 2, kBack, fsSurface);
    EXPECT_EQ(Map(), (Rows{"........", ".####...", ".#oo#...", ".#oo#...", ".####...", "......#.", ".....#..",
                           "........"}));
    c->FloodFill(0, 0, kBack, fsSurface);
    // 4-connected: the diagonal pair does not wall off the corner below it.
    EXPECT_EQ(Map(), (Rows{"oooooooo", "o####ooo", "o#oo#ooo", "o#oo#ooo", "o####ooo", "oooooo#o", "ooooo#oo",
                           "oooooooo"}));
}

TEST_F(Flood, BorderFillRunsUpToTheBorderColour)
{
    Paint({"..........", ".######...", ".#......#.", ".#.####.#.", ".#......#.", ".########.", ".........."});
    // The inner bar has the border colour too: it stays, and the region
    // around it is filled whatever colours it holds.
    bmp.ScanLine(2)[3] = 0x00123456;
    c->FloodFill(2, 2, kInk, fsBorder);
    Rows m = Map();
    // The gap at the top right lets the fill out around the whole frame.
    EXPECT_EQ(m, (Rows{"oooooooooo", "o######ooo", "o#oooooo#o", "o#o####o#o", "o#oooooo#o", "o########o",
                       "oooooooooo"}));
}

TEST_F(Flood, NothingHappensWhenFillAndSurfaceAgreeOrTheStartIsOutside)
{
    Paint({"....", "....", "...."});
    c->Brush().SetColor(kBack);
    c->FloodFill(1, 1, kBack, fsSurface);
    EXPECT_EQ(Count(kBack), 12);
    c->Brush().SetColor(kFill);
    c->FloodFill(-1, 1, kBack, fsSurface);
    c->FloodFill(1, 5, kBack, fsSurface);
    c->FloodFill(1, 1, kInk, fsSurface); // the start pixel has another colour
    EXPECT_EQ(Count(kBack), 12);
    c->Brush().SetStyle(bsClear);
    c->FloodFill(1, 1, kBack, fsSurface);
    EXPECT_EQ(Count(kBack), 12);
}

TEST_F(Flood, BorderFillWithTheBorderColourAsBrushTerminates)
{
    Paint({"......", ".####.", ".#..#.", ".####.", "......"});
    c->Brush().SetColor(kInk);
    c->FloodFill(2, 2, kInk, fsBorder);
    EXPECT_EQ(Count(kInk), 12);
}

TEST_F(Flood, StaysInsideTheClipRectAndHandlesLargeMazes)
{
    Paint({"........", "........", "........", "........"});
    c->SetClipRect(Rect(2, 1, 6, 3));
    c->FloodFill(3, 2, kBack, fsSurface);
    EXPECT_EQ(Count(kFill), 8);
    // A comb 1000 pixels wide: deep regions need no recursion.
    Init(1000, 1000);
    for (int x = 1; x < 1000; x += 2)
        for (int y = (x % 4 == 1) ? 0 : 1; y < ((x % 4 == 1) ? 999 : 1000); ++y) bmp.ScanLine(y)[x] = kInk;
    c->FloodFill(0, 0, kBack, fsSurface);
    EXPECT_EQ(Count(kBack), 0);
}

} // namespace
