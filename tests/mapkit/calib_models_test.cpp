// Each calibration model fitted to input made from a known projection: the
// conversions both ways agree with the projection within a pixel tolerance
// (and the matching tolerance in degrees), north and south of the equator,
// across the equator and across the date line.
#include <cmath>
#include <ostream>

#include <gtest/gtest.h>

#include "calib_projections.h"
#include "mapkit/PYX_geomap.h"

using namespace PYX_geomap;
using namespace calibtest;

namespace {

struct TModelCase {
    TCalibModel Model;
    TMapSetup Map;
    double TolPx; // allowed pixel error of either direction
};

std::ostream& operator<<(std::ostream& os, const TModelCase& c) { return os << c.Map.Name; }

// The image size that holds the whole window.
void SetSize(TGeoCalibration& c, const TMapSetup& m)
{
    double w = 0, h = 0;
    for (int i = 0; i <= 20; ++i)
        for (int j = 0; j <= 20; ++j) {
            double px, py;
            m.Pixel(m.LatS + (m.LatN - m.LatS) * i / 20, m.LongW + (m.LongE - m.LongW) * j / 20, px, py);
            w = std::max(w, px);
            h = std::max(h, py);
        }
    c.SetMapSize(vcl::SatRound(w + 20), vcl::SatRound(h + 20));
}

class ModelFit : public ::testing::TestWithParam<TModelCase> {};

TEST_P(ModelFit, ConversionsAgreeWithProjection)
{
    const TModelCase& tc = GetParam();
    const TMapSetup& m = tc.Map;
    TGeoCalibration cal;
    cal.SetCalibModel(tc.Model);
    SetSize(cal, m);
    if (tc.Model == cmParabolicIp)
        AddGraticule(cal, m, 5);
    else
        AddGrid(cal, m, 5, 5);
    ASSERT_TRUE(cal.GetModelValid(tc.Model));

    double worstPx = 0, worstDeg = 0;
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j) {
            const double lat = m.LatS + (m.LatN - m.LatS) * (0.07 + 0.17 * i);
            const double lon = m.LongW + (m.LongE - m.LongW) * (0.05 + 0.18 * j);
            double px, py;
            m.Pixel(lat, lon, px, py);

            // Geography to pixel, the longitude written within -180..180.
            int32_t X = 0, Y = 0;
            ASSERT_TRUE(cal.CalcPixelCoords(lat, TMapSetup::Written(lon), X, Y)) << lat << " " << lon;
            worstPx = std::max({worstPx, std::fabs(X - px), std::fabs(Y - py)});

            // Pixel to geography at the nearest whole pixel: the result lies on
            // that pixel by the projection, and within the degrees that the
            // pixel tolerance covers there.
            const int32_t ix = vcl::SatRound(px), iy = vcl::SatRound(py);
            bool v1 = false, v2 = false;
            const double clat = cal.CalcLatitude(ix, iy, v1);
            const double clon = cal.CalcLongitude(ix, iy, v2);
            ASSERT_TRUE(v1 && v2);
            double bx, by;
            m.Pixel(clat, clon, bx, by);
            worstPx = std::max({worstPx, std::fabs(bx - ix), std::fabs(by - iy)});

            double ax, ay, cx, cy;
            m.Pixel(lat + 1e-3, lon, ax, ay);
            const double latPerPx = 1e-3 / std::hypot(ax - px, ay - py);
            m.Pixel(lat, lon + 1e-3, cx, cy);
            const double lonPerPx = 1e-3 / std::hypot(cx - px, cy - py);
            worstDeg = std::max({worstDeg, std::fabs(clat - lat) / latPerPx / (tc.TolPx + 0.71),
                                 std::fabs(LongDiff(clon, lon)) / lonPerPx / (tc.TolPx + 0.71)});
        }
    EXPECT_LE(worstPx, tc.TolPx);
    // Degrees as a share of the tolerance (in pixels plus the rounding of the
    // pixel itself) converted at the position.
    EXPECT_LE(worstDeg, 1.0);
}

TMapSetup Eq(const char* n, double s, double no, double w, double e, double width)
{
    return {n, TProj::Equirect, s, no, w, e, width};
}
TMapSetup Mi(const char* n, double s, double no, double w, double e, double width)
{
    return {n, TProj::Miller, s, no, w, e, width};
}
TMapSetup Co(const char* n, double s, double no, double w, double e, double width, double p1, double p2)
{
    return {n, TProj::EquidistConic, s, no, w, e, width, p1, p2};
}

INSTANTIATE_TEST_SUITE_P(
    Models, ModelFit,
    ::testing::Values(
        TModelCase{cmBiquadraticPn, Eq("BiqNorth", 40, 55, 5, 25, 1000), 1.0},
        TModelCase{cmBiquadraticPn, Eq("BiqSouth", -45, -30, 140, 160, 800), 1.0},
        TModelCase{cmBiquadraticPn, Eq("BiqWest", 50, 60, -12, 4, 700), 1.0},
        TModelCase{cmBiquadraticPn, Eq("BiqDateLine", -10, 10, 170, 195, 900), 1.0},
        TModelCase{cmBiquadraticPn, Eq("BiqWorld60000px", -80, 80, -180, 180, 60000), 1.0},
        TModelCase{cmBiquadraticPn, Eq("BiqHugePixels", -25, 25, -30, 30, 2.0e9), 1.0},
        TModelCase{cmMillerCylindrical, Mi("MillerNorth", 30, 70, -20, 40, 1200), 1.0},
        TModelCase{cmMillerCylindrical, Mi("MillerSouth", -70, -20, 100, 160, 1200), 1.0},
        TModelCase{cmMillerCylindrical, Mi("MillerDateLine", 50, 70, 160, 220, 1000), 1.0},
        TModelCase{cmMillerCylindrical, Mi("MillerWorld", -80, 80, -180, 180, 2048), 1.0},
        TModelCase{cmConicConformal, Co("ConicNorth", 35, 60, -10, 30, 1000, 40, 55), 1.0},
        TModelCase{cmConicConformal, Co("ConicSouth", -55, -30, 130, 170, 1000, -35, -50), 1.0},
        TModelCase{cmConicConformal, Co("ConicAcrossEquator", -5, 20, 10, 50, 1000, 0, 15), 1.0},
        TModelCase{cmConicConformal, Co("ConicDateLine", 40, 60, 165, 205, 1000, 45, 55), 1.0},
        TModelCase{cmParabolicIp, Eq("ParaNorth", 40, 55, 5, 25, 1000), 1.0},
        TModelCase{cmParabolicIp, Eq("ParaSouth", -45, -30, 140, 160, 800), 1.0},
        TModelCase{cmParabolicIp, Eq("ParaDateLine", -10, 10, 170, 195, 900), 1.0},
        TModelCase{cmParabolicIp, Co("ParaConic", 35, 60, -10, 30, 1000, 40, 55), 2.0}),
    [](const ::testing::TestParamInfo<TModelCase>& p) { return p.param.Map.Name; });

// A world map in plain longitudes from -180 to 180 is not treated as crossing
// the date line: both edges keep their own side.
TEST(ModelDateLine, WorldMapKeepsBothEdges)
{
    const TMapSetup m = Eq("World", -80, 80, -180, 180, 3600);
    TGeoCalibration cal;
    SetSize(cal, m);
    AddGrid(cal, m, 5, 9);
    int32_t xw = 0, xe = 0, y = 0;
    ASSERT_TRUE(cal.CalcPixelCoords(0, -179, xw, y));
    ASSERT_TRUE(cal.CalcPixelCoords(0, 179, xe, y));
    EXPECT_NEAR(xw, 30, 1);
    EXPECT_NEAR(xe, 3610, 1);
}

// Across the date line, longitudes from pixels run on continuously and any
// turn of a longitude reaches the same pixel.
TEST(ModelDateLine, ContinuousLongitudes)
{
    const TMapSetup m = Mi("Pacific", -20, 20, 160, 200, 800);
    TGeoCalibration cal;
    cal.SetCalibModel(cmMillerCylindrical);
    SetSize(cal, m);
    AddGrid(cal, m, 4, 4);
    double px, py;
    m.Pixel(0, 190, px, py);
    bool valid = false;
    EXPECT_NEAR(cal.CalcLongitude(vcl::SatRound(px), vcl::SatRound(py), valid), 190, 0.06);
    EXPECT_TRUE(valid);
    int32_t x1, y1, x2, y2, x3, y3;
    ASSERT_TRUE(cal.CalcPixelCoords(0, -170, x1, y1));
    ASSERT_TRUE(cal.CalcPixelCoords(0, 190, x2, y2));
    ASSERT_TRUE(cal.CalcPixelCoords(0, 550, x3, y3));
    EXPECT_EQ(x1, x2);
    EXPECT_EQ(x1, x3);
    EXPECT_NEAR(x1, px, 1);
}

} // namespace
