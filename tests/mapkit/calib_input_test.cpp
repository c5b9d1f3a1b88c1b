// Calibration input (adding, removing, restoring, clearing, full tables, the
// errors of the wrong form), degenerate input that gives no usable fit, the
// corners and resolution, the quality figure, the position test and the
// inversion of the parabolic model.
#include <cmath>
#include <cstring>
#include <functional>

#include <gtest/gtest.h>

#include "calib_projections.h"
#include "corekit/PYX_pyxbase.h"
#include "mapkit/PYX_geomap.h"

using namespace PYX_geomap;
using namespace calibtest;

namespace {

const TMapSetup Alps{"Alps", TProj::Equirect, 44, 48, 5, 15, 1000};

// Every conversion of an unusable model: invalid, 0, never NaN.
void ExpectNoFit(const TGeoCalibration& c)
{
    EXPECT_FALSE(c.GetModelValid(c.GetCalibModel()));
    for (auto [x, y] : {std::pair{0, 0}, std::pair{500, 300}, std::pair{-7, 90000}}) {
        bool v1 = true, v2 = true;
        EXPECT_EQ(c.CalcLatitude(x, y, v1), 0.0);
        EXPECT_EQ(c.CalcLongitude(x, y, v2), 0.0);
        EXPECT_FALSE(v1);
        EXPECT_FALSE(v2);
    }
    int32_t X = 5, Y = 5;
    EXPECT_FALSE(c.CalcPixelCoords(45, 10, X, Y));
    EXPECT_EQ(X, 0);
    EXPECT_EQ(Y, 0);
    EXPECT_EQ(c.GetCalibData().Resolution, 0.0);
    for (const TCoords& k : c.GetCalibData().Corners) {
        EXPECT_EQ(k.Lat, 0.0);
        EXPECT_EQ(k.Long, 0.0);
    }
    double qx = -1, qy = -1;
    EXPECT_FALSE(c.CalibQuality(qx, qy));
    EXPECT_EQ(qx, 0.0);
    EXPECT_EQ(qy, 0.0);
}

void ExpectZeroCoefficients(const TGeoCalibration& c)
{
    for (const numkit::TVector* v : {&c.GetXFromGeo(), &c.GetYFromGeo(), &c.GetLatFromPixel(), &c.GetLongFromPixel()})
        for (int32_t i = 1; i <= 6; ++i)
            EXPECT_EQ(v->GetVal(i), 0.0);
    EXPECT_EQ(c.GetMillerKx(), 0.0);
    EXPECT_EQ(c.GetMillerDx(), 0.0);
    EXPECT_EQ(c.GetMillerKy(), 0.0);
    EXPECT_EQ(c.GetMillerDy(), 0.0);
    EXPECT_EQ(c.GetConicKLat(), 0.0);
    EXPECT_EQ(c.GetConicDLat(), 0.0);
    EXPECT_EQ(c.GetConicKLong(), 0.0);
    EXPECT_EQ(c.GetConicDLong(), 0.0);
    EXPECT_EQ(c.GetGratMat().GetNrOfRows(), 1);
    for (int32_t k = 1; k <= 5; ++k)
        EXPECT_EQ(c.GetGratMat().GetVal(k, 1), 0.0);
}

TEST(CalibNew, NothingConvertsAndAllIsZero)
{
    TGeoCalibration c;
    c.SetMapSize(800, 600);
    EXPECT_EQ(c.GetCalibModel(), cmBiquadraticPn);
    ExpectNoFit(c);
    ExpectZeroCoefficients(c);
}

// ---------------------------------------------------------------------------
// Degenerate point input: every point model reports no fit.

struct TDegenerate {
    const char* Name;
    std::vector<TCalPoint> Points;
};

std::vector<TCalPoint> AlpsPoints(int n)
{
    std::vector<TCalPoint> p;
    for (int i = 0; i < n; ++i) {
        const double lat = 44 + (i % 3) * 1.5, lon = 5 + (i / 3) * 3 + (i % 2) * 0.5;
        double px, py;
        Alps.Pixel(lat, lon, px, py);
        p.push_back({lat, lon, vcl::SatRound(px), vcl::SatRound(py)});
    }
    return p;
}

class CalibDegenerate : public ::testing::TestWithParam<std::tuple<TCalibModel, TDegenerate>> {};

TEST_P(CalibDegenerate, NoUsableFit)
{
    const auto& [model, tc] = GetParam();
    TGeoCalibration c;
    c.SetCalibModel(model);
    c.SetMapSize(1000, 500);
    for (const TCalPoint& p : tc.Points)
        c.AddCalibPoint(p.Lat, p.Long, p.X, p.Y);
    ExpectNoFit(c);
    ExpectZeroCoefficients(c);
}

std::string DegenerateName(const ::testing::TestParamInfo<std::tuple<TCalibModel, TDegenerate>>& p)
{
    static const char* const names[] = {"Parabolic", "Biquadratic", "Conic", "Miller"};
    return std::string(names[std::get<0>(p.param)]) + "_" + std::get<1>(p.param).Name;
}

const TDegenerate DegenerateCases[] = {
    {"NoPoints", {}},
    {"TwoPoints", AlpsPoints(2)},
    {"OnOneMeridian", {{44, 10, 500, 400}, {45, 10, 500, 300}, {46, 10, 500, 200}, {47, 10, 500, 100},
                       {44.5, 10, 500, 350}, {46.5, 10, 500, 150}, {47.5, 10, 500, 50}}},
    {"OnADiagonal", {{44, 5, 0, 400}, {45, 7, 100, 300}, {46, 9, 200, 200}, {47, 11, 300, 100},
                     {48, 13, 400, 0}, {44.5, 6, 50, 350}, {46.5, 10, 250, 150}}},
    {"ZeroLatitudeSpan", {{45, 5, 0, 10}, {45, 7, 100, 300}, {45, 9, 200, 20}, {45, 11, 300, 100},
                          {45, 13, 400, 0}, {45, 6, 50, 350}, {45, 10, 250, 150}}},
    {"AllEqual", std::vector<TCalPoint>(8, TCalPoint{45, 10, 300, 300})},
};

INSTANTIATE_TEST_SUITE_P(
    PointModels, CalibDegenerate,
    ::testing::Combine(::testing::Values(cmBiquadraticPn, cmConicConformal, cmMillerCylindrical),
                       ::testing::ValuesIn(DegenerateCases)),
    DegenerateName);

TEST(CalibDegenerate, BiquadraticNeedsSixPointsAndFullRank)
{
    TGeoCalibration c;
    c.SetMapSize(1000, 500);
    for (const TCalPoint& p : AlpsPoints(5))
        c.AddCalibPoint(p.Lat, p.Long, p.X, p.Y);
    ExpectNoFit(c);
    // Six points on two columns of pixels: X takes two values only, so X^2
    // follows from X and the polynomial is not determined.
    TGeoCalibration d;
    for (int i = 0; i < 6; ++i)
        d.AddCalibPoint(44 + i * 0.5, i % 2 ? 5 : 6, i % 2 ? 0 : 100, 400 - i * 50);
    ExpectNoFit(d);
    // Six points that share no conic section fit.
    TGeoCalibration e;
    for (auto [lat, lon] : {std::pair{44.0, 5.0}, {45.0, 9.0}, {46.5, 6.0}, {47.0, 13.0}, {44.7, 12.0}, {47.8, 7.5}}) {
        double px, py;
        Alps.Pixel(lat, lon, px, py);
        e.AddCalibPoint(lat, lon, vcl::SatRound(px), vcl::SatRound(py));
    }
    EXPECT_TRUE(e.GetModelValid(cmBiquadraticPn));
}

// Latitude and longitude given by exact second-degree relations in the
// pixels (on a 60000-pixel-wide image, where the squares overflow 32 bits)
// come back as the coefficients of the pixel-to-geography polynomials.
TEST(CalibBiquadratic, ReproducesSecondDegreeRelation)
{
    const double a[6] = {40, 2e-4, -3e-4, 1e-9, -2e-9, 3e-9};
    const double b[6] = {-5, 5e-4, 1e-4, -1e-9, 4e-9, 2e-9};
    auto eval = [](const double* c, double x, double y) {
        return c[0] + c[1] * x + c[2] * y + c[3] * x * x + c[4] * x * y + c[5] * y * y;
    };
    TGeoCalibration c;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 5; ++j) {
            const int32_t x = 1000 + 14000 * j + 700 * i, y = 500 + 9000 * i + 300 * j;
            c.AddCalibPoint(eval(a, x, y), eval(b, x, y), x, y);
        }
    ASSERT_TRUE(c.GetModelValid(cmBiquadraticPn));
    for (int k = 0; k < 6; ++k) {
        EXPECT_NEAR(c.GetLatFromPixel().GetVal(k + 1), a[k], std::fabs(a[k]) * 1e-6) << k;
        EXPECT_NEAR(c.GetLongFromPixel().GetVal(k + 1), b[k], std::fabs(b[k]) * 1e-6) << k;
    }
    bool valid = false;
    EXPECT_NEAR(c.CalcLatitude(59000, 30000, valid), eval(a, 59000, 30000), 1e-9);
    EXPECT_TRUE(valid);
}

TEST(CalibDegenerate, NonFiniteInputIsRefused)
{
    TGeoCalibration c;
    EXPECT_FALSE(c.AddCalibPoint(std::nan(""), 10, 1, 1));
    EXPECT_FALSE(c.AddCalibPoint(45, HUGE_VAL, 1, 1));
    EXPECT_EQ(c.GetCalibData().NumCalPoints, 0);
    int32_t x, y;
    EXPECT_FALSE(c.CalcPixelCoords(std::nan(""), 1, x, y));
    c.SetCalibModel(cmParabolicIp);
    EXPECT_FALSE(c.AddCalibPoint(gtlParallel, std::nan(""), 1, 1));
    EXPECT_EQ(c.GetCalibData().NumGratLines, 0);
}

// A record handed in whole (as read from a file) with counts out of range and
// a NaN value is clamped and gives no fit rather than NaN results.
TEST(CalibDegenerate, RecordWithBadCounts)
{
    TGeoCalibration c;
    TCalibData d;
    d.NumCalPoints = 5000;
    d.NumGratLines = -3;
    for (int i = 0; i < MaxCalPoints; ++i)
        d.CalPoints[i] = {std::nan(""), 1.0 * i, i, 2 * i};
    c.SetCalibData(d);
    EXPECT_EQ(c.GetCalibData().NumCalPoints, MaxCalPoints);
    EXPECT_EQ(c.GetCalibData().NumGratLines, 0);
    for (TCalibModel m : {cmBiquadraticPn, cmConicConformal, cmMillerCylindrical, cmParabolicIp}) {
        c.SetCalibModel(m);
        ExpectNoFit(c);
    }
}

// ---------------------------------------------------------------------------
// Removing and clearing leave nothing behind.

TEST(CalibStale, RemovingPointsDropsTheFit)
{
    for (TCalibModel m : {cmBiquadraticPn, cmConicConformal, cmMillerCylindrical}) {
        SCOPED_TRACE(int(m));
        TGeoCalibration c;
        c.SetCalibModel(m);
        c.SetMapSize(1040, 460);
        AddGrid(c, Alps, 3, 3);
        ASSERT_TRUE(c.GetModelValid(m));
        while (c.GetCalibData().NumCalPoints > 2)
            ASSERT_TRUE(c.RemoveCalibPoint(0, 0));
        ExpectNoFit(c);
        ExpectZeroCoefficients(c);
    }
}

TEST(CalibStale, ClearDropsEveryFit)
{
    TGeoCalibration c;
    c.SetMapSize(1040, 460);
    c.SetCalibModel(cmParabolicIp);
    AddGraticule(c, Alps, 3);
    ASSERT_TRUE(c.GetModelValid(cmParabolicIp));
    c.SetCalibModel(cmMillerCylindrical);
    AddGrid(c, Alps, 3, 3);
    ASSERT_TRUE(c.GetModelValid(cmMillerCylindrical));
    ASSERT_GT(c.GetCalibData().Resolution, 0);
    c.SetMapName("alps.bmp");
    c.ClearCalibData();
    EXPECT_EQ(c.GetCalibData().NumCalPoints, 0);
    EXPECT_EQ(c.GetCalibData().NumGratLines, 0);
    EXPECT_EQ(c.GetCalibData().MapName, "alps.bmp");
    // The resolution stays until the next recomputation; nothing converts.
    EXPECT_GT(c.GetCalibData().Resolution, 0);
    for (TCalibModel m : {cmParabolicIp, cmBiquadraticPn, cmConicConformal, cmMillerCylindrical})
        EXPECT_FALSE(c.GetModelValid(m));
    ExpectZeroCoefficients(c);
    c.RecalcCalibration();
    ExpectNoFit(c);
}

TEST(CalibStale, LineWithTooFewPointsTakesNoPart)
{
    // Two parallels and two meridians fitted; a third meridian with only two
    // points is still being entered and must not read as a meridian at 0.
    TGeoCalibration c;
    c.SetCalibModel(cmParabolicIp);
    c.SetMapSize(1040, 460);
    AddGraticule(c, Alps, 2);
    ASSERT_TRUE(c.GetModelValid(cmParabolicIp));
    EXPECT_EQ(c.GetGratMat().GetNrOfRows(), 4);
    c.AddCalibPoint(gtlMeridian, 10, 520, 30);
    c.AddCalibPoint(gtlMeridian, 10, 520, 400);
    EXPECT_EQ(c.GetGratMat().GetNrOfRows(), 4);
    double px, py;
    Alps.Pixel(46, 9, px, py);
    bool valid = false;
    EXPECT_NEAR(c.CalcLongitude(vcl::SatRound(px), vcl::SatRound(py), valid), 9, 0.02);
    EXPECT_TRUE(valid);
}

// ---------------------------------------------------------------------------
// Input maintenance

TEST(CalibInput, WrongFormRaises)
{
    TGeoCalibration c;
    c.SetName("Map1");
    try {
        c.AddCalibPoint(gtlMeridian, 10, 1, 1);
        FAIL();
    } catch (const EPYXGeoMapError& e) {
        EXPECT_STREQ(e.what(), "Component \"Map1\": current calibration model does not support this version of "
                               "AddCalibPoint");
    }
    try {
        c.RemoveCalibPoint(gtlMeridian, 10, 1, 1);
        FAIL();
    } catch (const EPYXGeoMapError& e) {
        EXPECT_STREQ(e.what(), "Component \"Map1\": current calibration model does not support this version of "
                               "RemoveCalibPoint");
    }
    c.SetCalibModel(cmParabolicIp);
    EXPECT_THROW(c.AddCalibPoint(45.0, 10.0, 1, 1), EPYXGeoMapError);
    EXPECT_EQ(c.GetCalibData().NumCalPoints, 0);
    EXPECT_EQ(c.GetCalibData().NumGratLines, 0);
}

TEST(CalibInput, FullTablesRefuse)
{
    TGeoCalibration c;
    for (int i = 0; i < MaxCalPoints; ++i)
        ASSERT_TRUE(c.AddCalibPoint(i * 0.1, i * 0.2, i, 3 * i));
    EXPECT_FALSE(c.AddCalibPoint(1.0, 1.0, 1, 1));
    EXPECT_EQ(c.GetCalibData().NumCalPoints, MaxCalPoints);

    c.SetCalibModel(cmParabolicIp);
    for (int i = 0; i < MaxGratLinePoints; ++i)
        ASSERT_TRUE(c.AddCalibPoint(gtlParallel, 45, i, 7));
    EXPECT_FALSE(c.AddCalibPoint(gtlParallel, 45, 99, 7));
    // Same value, other kind: a new line.
    EXPECT_TRUE(c.AddCalibPoint(gtlMeridian, 45, 3, 3));
    for (int i = 2; i < MaxGratLines; ++i)
        ASSERT_TRUE(c.AddCalibPoint(gtlMeridian, 100.0 + i, 3, 3));
    EXPECT_EQ(c.GetCalibData().NumGratLines, MaxGratLines);
    EXPECT_FALSE(c.AddCalibPoint(gtlMeridian, 1000, 3, 3));
    EXPECT_EQ(c.GetCalibData().NumGratLines, MaxGratLines);
    EXPECT_EQ(c.GetCalibData().GratLines[0].NumPoints, MaxGratLinePoints);
    EXPECT_EQ(c.GetCalibData().GratLines[1].NumPoints, 1);
}

TEST(CalibInput, RemoveNearestAndRestoreOnce)
{
    TGeoCalibration c;
    c.AddCalibPoint(1.0, 2.0, 10, 10);
    c.AddCalibPoint(3.0, 4.0, 20, 10);
    c.AddCalibPoint(5.0, 6.0, 100, 100);
    // (15, 10) is equally near the first two: the first wins; the last point
    // moves into its place.
    EXPECT_TRUE(c.RemoveCalibPoint(15, 10));
    ASSERT_EQ(c.GetCalibData().NumCalPoints, 2);
    EXPECT_EQ(c.GetCalibData().CalPoints[0], (TCalPoint{5, 6, 100, 100}));
    EXPECT_EQ(c.GetCalibData().CalPoints[2], TCalPoint{});
    EXPECT_TRUE(c.RestoreLastDeletedCalPoint());
    EXPECT_EQ(c.GetCalibData().CalPoints[2], (TCalPoint{1, 2, 10, 10}));
    EXPECT_FALSE(c.RestoreLastDeletedCalPoint());
    // Far-away pixels do not overflow the distance.
    EXPECT_TRUE(c.RemoveCalibPoint(INT32_MIN, INT32_MAX));

    TGeoCalibration e;
    EXPECT_FALSE(e.RemoveCalibPoint(0, 0));
    EXPECT_FALSE(e.RestoreLastDeletedCalPoint());
}

TEST(CalibInput, LinePointsRemoveAndRestore)
{
    TGeoCalibration c;
    c.SetCalibModel(cmParabolicIp);
    c.AddCalibPoint(gtlParallel, 45, 0, 100);
    c.AddCalibPoint(gtlMeridian, 10, 50, 0);
    c.AddCalibPoint(gtlParallel, 45, 200, 101);
    EXPECT_EQ(c.GetCalibData().NumGratLines, 2);
    EXPECT_FALSE(c.RemoveCalibPoint(gtlParallel, 45, 50, 0));
    EXPECT_TRUE(c.RemoveCalibPoint(gtlParallel, 45, 0, 100));
    EXPECT_EQ(c.GetCalibData().GratLines[0].NumPoints, 1);
    EXPECT_EQ(c.GetCalibData().GratLines[0].Points[0], (TGratLinePoint{200, 101}));
    // The meridian's only point: the line goes, the last line takes its place.
    EXPECT_TRUE(c.RemoveCalibPoint(48, 2));
    ASSERT_EQ(c.GetCalibData().NumGratLines, 1);
    EXPECT_EQ(c.GetCalibData().GratLines[0].Kind, gtlParallel);
    EXPECT_TRUE(c.RestoreLastDeletedCalPoint());
    ASSERT_EQ(c.GetCalibData().NumGratLines, 2);
    EXPECT_EQ(c.GetCalibData().GratLines[1].Kind, gtlMeridian);
    EXPECT_EQ(c.GetCalibData().GratLines[1].Value, 10);
    EXPECT_FALSE(c.RestoreLastDeletedCalPoint());
    // The point backup belongs to the point models.
    c.SetCalibModel(cmMillerCylindrical);
    EXPECT_FALSE(c.RestoreLastDeletedCalPoint());
}

TEST(CalibInput, ChangesAreAnnouncedAndCounted)
{
    TGeoCalibration c;
    int changes = 0;
    c.OnChange = [&](vcl::TObject*) { ++changes; };
    const int32_t before = PYX_pyxbase::ProcStat.load();
    c.SetCalibModel(cmConicConformal);
    AddGrid(c, Alps, 3, 3);
    EXPECT_EQ(changes, 10);
    // Once the points span a plane, the apex search counts each of its 20 levels.
    EXPECT_GT(PYX_pyxbase::ProcStat.load() - before, 5 * 20);
    c.SetCalibModel(cmConicConformal); // refits also when unchanged
    EXPECT_EQ(changes, 11);
    c.SetMapSize(c.GetMapWidth(), c.GetMapHeight());
    EXPECT_EQ(changes, 11);
}

// ---------------------------------------------------------------------------
// Corners, resolution, quality and the position test

TEST(CalibExtents, CornersAndResolution)
{
    TGeoCalibration c;
    const TMapSetup world{"World", TProj::Equirect, -90, 90, -180, 180, 2048};
    AddGrid(c, world, 3, 5);
    c.SetMapSize(2088, 1064);
    const TCalibData& d = c.GetCalibData();
    EXPECT_NEAR(d.Corners[gcoTopLeft].Lat, 90 + 20 * 180.0 / 1024, 0.01);
    EXPECT_NEAR(d.Corners[gcoTopLeft].Long, -180 - 20 * 360.0 / 2048, 0.01);
    EXPECT_NEAR(d.Corners[gcoBottomRight].Lat, -90 - 20 * 180.0 / 1024, 0.01);
    EXPECT_NEAR(d.Corners[gcoBottomRight].Long, 180 + 20 * 360.0 / 2048, 0.01);
    // Along the equator: the whole circumference over 2048 pixels (a chord
    // between the two edges would give almost nothing).
    EXPECT_NEAR(d.Resolution, 2 * std::numbers::pi * EarthRadius / 2048, 2);

    // 90 degrees wide at 60 degrees north: the length of the parallel.
    TGeoCalibration n;
    const TMapSetup north{"North", TProj::Equirect, 55, 65, 0, 90, 900};
    AddGrid(n, north, 3, 3);
    n.SetMapSize(940, 140);
    EXPECT_NEAR(n.GetCalibData().Resolution / (EarthRadius * std::cos(60 * Rad) * 0.1 * Rad), 1, 1e-3);
}

TEST(CalibExtents, QualityFigure)
{
    TGeoCalibration c;
    c.SetMapSize(1040, 460);
    AddGrid(c, Alps, 3, 4);
    double qx = -1, qy = -1;
    EXPECT_TRUE(c.CalibQuality(qx, qy));
    EXPECT_LT(qx, 0.6);
    EXPECT_LT(qy, 0.6);
    // A point 40 pixels off in X only.
    c.AddCalibPoint(46.0, 10.0, 560, vcl::SatRound(20 + (48 - 46) * 100.0));
    EXPECT_TRUE(c.CalibQuality(qx, qy));
    EXPECT_GT(qx, 3);
    EXPECT_LT(qy, 2);
    c.SetCalibModel(cmParabolicIp);
    EXPECT_FALSE(c.CalibQuality(qx, qy));
    EXPECT_EQ(qx, 0);
}

TEST(CalibExtents, PositionInMap)
{
    const std::array<TCoords, 4> k = {TCoords{48, 5}, TCoords{44, 5}, TCoords{44, 15}, TCoords{48, 15}};
    EXPECT_TRUE(PositionInMap(46, 10, k));
    EXPECT_FALSE(PositionInMap(48, 5, k));
    EXPECT_FALSE(PositionInMap(46, 5, k));   // on an edge
    EXPECT_FALSE(PositionInMap(49, 10, k));
    EXPECT_FALSE(PositionInMap(46, 16, k));
    EXPECT_FALSE(PositionInMap(46, 10, std::array<TCoords, 4>{}));

    // Across the date line the position may be given in either turn.
    TGeoCalibration c;
    const TMapSetup pac{"Pacific", TProj::Equirect, -10, 10, 170, 190, 400};
    AddGrid(c, pac, 3, 3);
    c.SetMapSize(440, 440);
    EXPECT_TRUE(c.IsPositionWithinMap(0, -175));
    EXPECT_TRUE(c.IsPositionWithinMap(0, 185));
    EXPECT_FALSE(c.IsPositionWithinMap(0, 160));
}

// ---------------------------------------------------------------------------
// The parabolic inversion

TEST(CalibParabolic, OneMeridianOnlyIsInvalid)
{
    TGeoCalibration c;
    c.SetCalibModel(cmParabolicIp);
    for (int i = 0; i < 3; ++i) {
        c.AddCalibPoint(gtlParallel, 45, i * 100, 200);
        c.AddCalibPoint(gtlParallel, 46, i * 100, 100);
        c.AddCalibPoint(gtlMeridian, 10, 300, i * 100);
    }
    EXPECT_FALSE(c.RecalcGratMat());
    ExpectNoFit(c);
}

TEST(CalibParabolic, CoincidingLinesGiveNoResult)
{
    // Two parallels with the same value (possible in a record read from a
    // file) and two meridians on the same pixels.
    TGeoCalibration c;
    c.SetCalibModel(cmParabolicIp);
    TCalibData d;
    d.NumGratLines = 4;
    const TGratLineKind kinds[4] = {gtlParallel, gtlParallel, gtlMeridian, gtlMeridian};
    const double values[4] = {45, 45, 10, 11};
    for (int l = 0; l < 4; ++l) {
        d.GratLines[l].Kind = kinds[l];
        d.GratLines[l].Value = values[l];
        d.GratLines[l].NumPoints = 3;
        for (int i = 0; i < 3; ++i)
            d.GratLines[l].Points[i] = kinds[l] == gtlParallel ? TGratLinePoint{i * 100, 100 + 50 * l}
                                                               : TGratLinePoint{300, i * 100};
    }
    c.SetCalibData(d);
    int32_t x, y;
    EXPECT_FALSE(c.CalcPixelCoords(45, 10.5, x, y));
    bool valid = true;
    EXPECT_EQ(c.CalcLongitude(200, 120, valid), 0.0);
    EXPECT_FALSE(valid);
}

TEST(CalibParabolic, InversionThatDoesNotSettleFails)
{
    // Parallels falling at 45 degrees and meridians rising at 45 degrees: the
    // crossing exists, but the iteration swings around it for ever.
    TGeoCalibration c;
    c.SetCalibModel(cmParabolicIp);
    for (int i = 0; i < 3; ++i) {
        c.AddCalibPoint(gtlParallel, 10, i * 100, 1000 - i * 100);
        c.AddCalibPoint(gtlParallel, 20, i * 100, 800 - i * 100);
        c.AddCalibPoint(gtlMeridian, 0, i * 100, i * 100);
        c.AddCalibPoint(gtlMeridian, 10, 600 + i * 100, i * 100);
    }
    ASSERT_TRUE(c.GetModelValid(cmParabolicIp));
    int32_t x = 1, y = 1;
    // Parallel 15: Y = 900 - X; meridian 5: X = Y + 300. Crossing (600, 300).
    EXPECT_FALSE(c.CalcPixelCoords(15, 5, x, y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    // Steep parallels make the iteration run away.
    TGeoCalibration d;
    d.SetCalibModel(cmParabolicIp);
    for (int i = 0; i < 3; ++i) {
        d.AddCalibPoint(gtlParallel, 10, i * 10, 1000 - i * 300);
        d.AddCalibPoint(gtlParallel, 20, i * 10, 800 - i * 300);
        d.AddCalibPoint(gtlMeridian, 0, i * 100, i * 100);
        d.AddCalibPoint(gtlMeridian, 10, 200 + i * 100, i * 100);
    }
    ASSERT_TRUE(d.GetModelValid(cmParabolicIp));
    EXPECT_FALSE(d.CalcPixelCoords(15, 5, x, y));
}

} // namespace
