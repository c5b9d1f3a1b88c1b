// Draw, CopyRect and StretchDraw: raster operations on asymmetric colours,
// clipping of source and destination, and the geometry of both stretch modes.
#include <climits>

#include "canvas_helpers.h"

using namespace vcl;
using namespace canvas_test;

namespace {

class Copy : public CanvasFixture {
protected:
    // A source bitmap whose pixel (x, y) is Val(x, y).
    static TColor Val(int x, int y) { return static_cast<TColor>(0x00100000 * (y + 1) + 0x000100 * (x + 1) + 0x0F); }
    static TBitmap Source(int w, int h)
    {
        TBitmap s(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) s.ScanLine(y)[x] = Val(x, y);
        return s;
    }
};

TEST_F(Copy, RasterOperationsOnAsymmetricColours)
{
    const TColor dst = 0x00F0CC0F, src = 0x00FF0000, brush = 0x0000FF00;
    struct Case {
        TCopyMode mode;
        TColor expect;
    };
    const Case cases[] = {
        {cmSrcCopy, src},
        {cmSrcAnd, dst & src},
        {cmSrcPaint, dst | src},
        {cmSrcInvert, dst ^ src},
        {cmDstInvert, dst ^ 0xFFFFFF},
        {cmNotSrcCopy, ~src & 0xFFFFFF},
        {cmSrcErase, src & ~dst & 0xFFFFFF},
        {cmMergePaint, (~src | dst) & 0xFFFFFF},
        {cmNotSrcErase, ~(src | dst) & 0xFFFFFF},
        {cmMergeCopy, src & brush},
        {cmPatCopy, brush},
        {cmPatInvert, dst ^ brush},
        {cmBlackness, 0},
        {cmWhiteness, 0xFFFFFF},
        {cmPatPaint, (dst | brush | (~src & 0xFFFFFF))},
    };
    TBitmap s(2, 2);
    s.Canvas().Brush().SetColor(src);
    s.Canvas().FillRect(Rect(0, 0, 2, 2));
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << k.mode);
        Init(4, 4, dst);
        c->Brush().SetColor(brush);
        c->SetCopyMode(k.mode);
        c->Draw(1, 1, s);
        EXPECT_EQ(At(1, 1), k.expect);
        EXPECT_EQ(At(2, 2), k.expect);
        EXPECT_EQ(At(0, 0), dst);
        EXPECT_EQ(At(3, 3), dst);
    }
}

TEST_F(Copy, DrawClipsAtEveryEdgeAndFarAway)
{
    TBitmap s = Source(4, 3);
    Init(6, 5);
    c->Draw(-2, -1, s);
    EXPECT_EQ(At(0, 0), Val(2, 1));
    EXPECT_EQ(At(1, 1), Val(3, 2));
    EXPECT_EQ(At(2, 0), kBack);
    EXPECT_EQ(At(0, 2), kBack);
    Init(6, 5);
    c->Draw(4, 3, s);
    EXPECT_EQ(At(5, 4), Val(1, 1));
    EXPECT_EQ(Count(kBack), 30 - 4);
    Init(6, 5);
    c->Draw(INT_MAX - 1, INT_MAX, s);
    c->Draw(INT_MIN, INT_MIN, s);
    c->StretchDraw(Rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), s);
    EXPECT_EQ(At(0, 0), Val(2, 1)); // the middle of a huge stretch
}

TEST_F(Copy, CopyRectKeepsWhatHasNoSource)
{
    TBitmap s = Source(4, 4);
    Init(6, 6);
    // The source rectangle reaches 2 pixels left of and above the image.
    c->CopyRect(Rect(0, 0, 4, 4), s.Canvas(), Rect(-2, -2, 2, 2));
    EXPECT_EQ(At(0, 0), kBack);
    EXPECT_EQ(At(1, 3), kBack);
    EXPECT_EQ(At(2, 2), Val(0, 0));
    EXPECT_EQ(At(3, 3), Val(1, 1));
    // Empty and inverted rectangles copy nothing.
    Init(6, 6);
    c->CopyRect(Rect(0, 0, 0, 4), s.Canvas(), Rect(0, 0, 2, 2));
    c->CopyRect(Rect(4, 4, 0, 0), s.Canvas(), Rect(0, 0, 4, 4));
    c->CopyRect(Rect(0, 0, 4, 4), s.Canvas(), Rect(0, 0, 4, -4));
    EXPECT_EQ(Count(kBack), 36);
}

TEST_F(Copy, OverlappingCopyWithinOneCanvasScrolls)
{
    Init(6, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) bmp.ScanLine(y)[x] = Val(x, y);
    c->CopyRect(Rect(1, 1, 6, 6), *c, Rect(0, 0, 5, 5));
    for (int y = 1; y < 6; ++y)
        for (int x = 1; x < 6; ++x) EXPECT_EQ(At(x, y), Val(x - 1, y - 1)) << x << "," << y;
    c->CopyRect(Rect(0, 0, 5, 5), *c, Rect(1, 1, 6, 6));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(At(x, y), Val(x, y)) << x << "," << y;
}

TEST_F(Copy, NearestNeighbourSamplesPixelCentres)
{
    // Destination index i takes source floor((2i + 1) * sw / (2 dw)).
    struct Case {
        int sw, dw;
        std::vector<int> map;
    };
    const Case cases[] = {{4, 3, {0, 2, 3}}, {2, 5, {0, 0, 1, 1, 1}}, {5, 2, {1, 3}}, {3, 6, {0, 0, 1, 1, 2, 2}},
                          {7, 1, {3}}};
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.sw << " -> " << k.dw);
        TBitmap s = Source(k.sw, k.sw);
        Init(k.dw, k.dw);
        c->StretchDraw(Rect(0, 0, k.dw, k.dw), s);
        for (int j = 0; j < k.dw; ++j)
            for (int i = 0; i < k.dw; ++i) EXPECT_EQ(At(i, j), Val(k.map[i], k.map[j]));
    }
}

TEST_F(Copy, HalftoneAveragesTheCoveredArea)
{
    // Red channel 0, 90, 180 in a row of three, shrunk to two: the first
    // destination pixel covers 1.5 source pixels (0 and half of 90).
    TBitmap s(3, 1);
    s.ScanLine(0)[0] = 0;
    s.ScanLine(0)[1] = 90;
    s.ScanLine(0)[2] = 180 | (60 << 16);
    Init(2, 1);
    c->SetStretchMode(smHalftone);
    c->StretchDraw(Rect(0, 0, 2, 1), s);
    EXPECT_EQ(At(0, 0), 30u);
    EXPECT_EQ(At(1, 0), 150u | (40u << 16));
    // 2 x 2 blocks average exactly.
    TBitmap q(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) q.ScanLine(y)[x] = ((x + y) % 2) ? 0x00FF0000u : 0x000000FFu;
    Init(2, 2);
    c->SetStretchMode(smHalftone);
    c->StretchDraw(Rect(0, 0, 2, 2), q);
    EXPECT_EQ(At(0, 0), 0x00800080u);
    EXPECT_EQ(At(1, 1), 0x00800080u);
}

TEST_F(Copy, HalftoneMatchesAnExactAreaAverage)
{
    // Non-integer ratios, random content, against an average computed with
    // doubles over the exact coverage of each destination pixel.
    SetRandSeed(7);
    const int sw = 37, sh = 23;
    TBitmap s(sw, sh);
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x) s.ScanLine(y)[x] = static_cast<TColor>(Random(0x1000000));
    for (auto [dw, dh] : {std::pair{10, 7}, std::pair{16, 5}, std::pair{36, 22}, std::pair{1, 1}}) {
        SCOPED_TRACE(testing::Message() << dw << "x" << dh);
        Init(dw, dh);
        c->SetStretchMode(smHalftone);
        c->StretchDraw(Rect(0, 0, dw, dh), s);
        for (int j = 0; j < dh; ++j)
            for (int i = 0; i < dw; ++i) {
                double acc[3] = {0, 0, 0}, wsum = 0;
                double x0 = double(i) * sw / dw, x1 = double(i + 1) * sw / dw;
                double y0 = double(j) * sh / dh, y1 = double(j + 1) * sh / dh;
                for (int y = 0; y < sh; ++y)
                    for (int x = 0; x < sw; ++x) {
                        double wx = std::max(0.0, std::min<double>(x + 1, x1) - std::max<double>(x, x0));
                        double wy = std::max(0.0, std::min<double>(y + 1, y1) - std::max<double>(y, y0));
                        for (int ch = 0; ch < 3; ++ch) acc[ch] += wx * wy * ((s.ScanLine(y)[x] >> (8 * ch)) & 0xFF);
                        wsum += wx * wy;
                    }
                for (int ch = 0; ch < 3; ++ch)
                    EXPECT_NEAR(double((At(i, j) >> (8 * ch)) & 0xFF), acc[ch] / wsum, 0.51) << i << "," << j;
            }
    }
}

TEST_F(Copy, HalftoneInterpolatesWhenEnlarging)
{
    TBitmap s(2, 1);
    s.ScanLine(0)[0] = 0;
    s.ScanLine(0)[1] = 200;
    Init(4, 2);
    c->SetStretchMode(smHalftone);
    c->StretchDraw(Rect(0, 0, 4, 2), s);
    EXPECT_EQ(At(0, 0), 0u);
    EXPECT_EQ(At(1, 0), 50u);
    EXPECT_EQ(At(2, 0), 150u);
    EXPECT_EQ(At(3, 0), 200u);
    EXPECT_EQ(At(2, 1), 150u);
}

TEST_F(Copy, HalftoneWithASourcePartlyOutsideCountsOnlyThePixelsInside)
{
    TBitmap s(2, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) s.ScanLine(y)[x] = 100;
    Init(2, 2);
    c->SetStretchMode(smHalftone);
    c->CopyRect(Rect(0, 0, 2, 2), s.Canvas(), Rect(-2, -2, 2, 2));
    EXPECT_EQ(At(0, 0), kBack);
    EXPECT_EQ(At(1, 1), 100u);
    EXPECT_EQ(At(0, 1), kBack);
}

TEST_F(Copy, CopyModesApplyToStretchedCopies)
{
    TBitmap s(1, 1);
    s.ScanLine(0)[0] = 0x00FF0000;
    Init(3, 3, 0x00F0CC0F);
    c->SetCopyMode(cmSrcAnd);
    c->StretchDraw(Rect(0, 0, 3, 3), s);
    EXPECT_EQ(At(2, 2), 0x00F0CC0Fu & 0x00FF0000u);
}

} // namespace
