// The small routines: floor, scanners, hexadecimal and angle texts, random
// decisions, array sorting and insertion, great-circle distance; plus the
// matrix and vector containers.
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

#include <gtest/gtest.h>

#include "numkit/numkit.h"

using namespace numkit;
using namespace PYX_pyxbase;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

TEST(IntNeg, FloorsAlsoNegativeValuesAndSaturates)
{
    struct Case { double x; int32_t want; } cases[] = {
        {2.5, 2}, {2.0, 2}, {-2.5, -3}, {-3.0, -3}, {-0.0001, -1}, {-0.0, 0}, {0.9999999, 0},
        {1e12, INT32_MAX}, {-1e12, INT32_MIN}, {NaN, 0}, {Inf, INT32_MAX}, {-Inf, INT32_MIN},
    };
    for (auto c : cases) EXPECT_EQ(IntNeg(c.x), c.want) << c.x;
}

TEST(Scanners, DecimalReadsSignAndDigitsAndLeavesPosBehind)
{
    struct Case { const char* s; int32_t pos; int32_t want; int32_t posAfter; } cases[] = {
        {"  42abc", 1, 42, 5},
        {"-17", 1, -17, 4},
        {"+8)", 1, 8, 3},
        {"x12y", 2, 12, 4},
        {"C6H12O6", 2, 6, 3},
        {"3000000000", 1, INT32_MAX, 11},
        {"-3000000000", 1, INT32_MIN, 12},
        {"99999999999999999999999", 1, INT32_MAX, 24},
        // No digit: 0 and the position stays.
        {"abc", 1, 0, 1},
        {"  -", 1, 0, 1},
        {"- 5", 1, 0, 1},
        {"   ", 2, 0, 2},
        {"", 1, 0, 1},
        {"12", 0, 0, 0},
        {"12", 3, 0, 3},
        {"12", -5, 0, -5},
    };
    for (auto c : cases) {
        int32_t pos = c.pos;
        EXPECT_EQ(ScanDecimal(c.s, pos), c.want) << c.s;
        EXPECT_EQ(pos, c.posAfter) << c.s;
    }
}

TEST(Scanners, HexReadsEitherCaseAndALeadingDollar)
{
    struct Case { const char* s; int32_t pos; uint32_t want; int32_t posAfter; } cases[] = {
        {"$FF0000", 1, 0xFF0000, 8},
        {"  ff\"", 1, 0xFF, 5},
        {"00aBcD12x", 1, 0xABCD12, 9},
        {"123456789", 1, 0xFFFFFFFF, 10},
        {"x$1F", 2, 0, 2}, // "$" counts only as the first character of the text
        {"g", 1, 0, 1},
        {"", 1, 0, 1},
        {"$", 1, 0, 1},
    };
    for (auto c : cases) {
        int32_t pos = c.pos;
        EXPECT_EQ(ScanHex(c.s, pos), c.want) << c.s;
        EXPECT_EQ(pos, c.posAfter) << c.s;
    }
}

TEST(Hex, UpperCaseZeroPaddedNeverTruncated)
{
    EXPECT_EQ(Hex(255, 4), "00FF");
    EXPECT_EQ(Hex(255, 1), "FF");
    EXPECT_EQ(Hex(0, 0), "0");
    EXPECT_EQ(Hex(0xFF0000u, 8), "00FF0000");
    EXPECT_EQ(Hex(int32_t(-1), 2), "FFFFFFFF");
    EXPECT_EQ(Hex(int64_t(-2), 1), "FFFFFFFFFFFFFFFE");
    EXPECT_EQ(Hex(uint64_t(0xABCDEF), 40), "0000000000ABCDEF");
    // Round trip with the scanner.
    int32_t pos = 1;
    EXPECT_EQ(ScanHex(Hex(0x80000005u, 8), pos), 0x80000005u);
}

TEST(DegreeToStr, FormatsRoundsAndCarries)
{
    struct Case { double v; TDegreeFormat f; int32_t dec; const char* want; } cases[] = {
        {48.2, dfDegMin, 0, "48\xB0" "12'"},
        {48.2, dfDegMinSec, 0, "48\xB0" "12'00\""},
        {48.2, dfDeg, 2, "48.20\xB0"},
        {48.2, dfNumeric, 3, "48.200"},
        {59.99999, dfDegMin, 0, "60\xB0" "00'"},
        {10.999999, dfDegMinSec, 1, "11\xB0" "00'00.0\""},
        {0.5, dfDegMin, 1, "0\xB0" "30.0'"},
        {1.0 / 3, dfDegMinSec, 2, "0\xB0" "20'00.00\""},
        {16.3725, dfDegMinSec, 0, "16\xB0" "22'21\""},
        {7.0125, dfDegMin, 2, "7\xB0" "00.75'"},
        {-12.25, dfNumeric, 1, "-12.2"}, // an exact half goes to the even digit
        {-12.35, dfDeg, 0, "-12\xB0"},
        {-33.5, dfDegMin, 0, "-33\xB0" "30'"},
        {-0.0001, dfDeg, 2, "0.00\xB0"},
        {-0.0001, dfDegMinSec, 0, "0\xB0" "00'00\""},
        {180, dfDegMinSec, 0, "180\xB0" "00'00\""},
        {45.5, dfDeg, -3, "46\xB0"}, // negative decimals count as 0; 45.5 -> 46 (even)
        {1.5, dfDeg, 30, "1.500000000\xB0"},
        {NaN, dfDegMin, 0, "NAN"},
        {Inf, dfDeg, 0, "+INF"},
        {-Inf, dfDeg, 0, "-INF"},
    };
    for (auto c : cases) EXPECT_EQ(DegreeToStr(c.v, c.f, c.dec), c.want) << c.v << " " << int(c.f);
}

TEST(ExChange, SwapsBothKinds)
{
    double a = 1.5, b = -2;
    ExChange(a, b);
    EXPECT_EQ(a, -2);
    EXPECT_EQ(b, 1.5);
    int32_t i = 3, j = 4;
    ExChange(i, j);
    EXPECT_EQ(i, 4);
    EXPECT_EQ(j, 3);
}

TEST(BRandom, FollowsTheSharedSeededGenerator)
{
    vcl::SetRandSeed(1234);
    std::vector<double> draws;
    for (int i = 0; i < 200; ++i) draws.push_back(vcl::Random());
    const uint64_t after = vcl::GetRandSeed();
    vcl::SetRandSeed(1234);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(BRandom(0.3), draws[i] < 0.3) << i;
    EXPECT_EQ(vcl::GetRandSeed(), after) << "one draw per call";

    int hits = 0;
    for (int i = 0; i < 10000; ++i) {
        EXPECT_FALSE(BRandom(0));
        EXPECT_FALSE(BRandom(-1));
        EXPECT_FALSE(BRandom(NaN));
        EXPECT_TRUE(BRandom(1));
        hits += BRandom(0.25);
    }
    EXPECT_NEAR(hits, 2500, 150);
}

TEST(SortArray, AscendingAndDescending)
{
    std::array<int32_t, 8> places = {0, 3, 1, 0, 4, 1, 0, 2};
    SortArray(places, false);
    EXPECT_EQ(places, (std::array<int32_t, 8>{4, 3, 2, 1, 1, 0, 0, 0}));
    SortArray(places, true);
    EXPECT_EQ(places, (std::array<int32_t, 8>{0, 0, 0, 1, 1, 2, 3, 4}));
    std::span<int32_t> none;
    SortArray(none, true);
}

TEST(SortIntoArray, KeepsTheNearestWithEarlierFirstOnTies)
{
    // The six-nearest-atoms pattern: distances and atom numbers side by side.
    std::array<double, 3> dist;
    dist.fill(2e9);
    std::array<int32_t, 3> atom = {0, 0, 0};
    const double d[] = {5, 2, 7, 2, 1, 9};
    for (int a = 1; a <= 6; ++a) {
        const int32_t at = SortIntoArray(d[a - 1], dist, true, true);
        if (at > 0) { EXPECT_TRUE(InsertIntoArray(a, at, atom)); }
    }
    EXPECT_EQ(dist, (std::array<double, 3>{1, 2, 2}));
    EXPECT_EQ(atom, (std::array<int32_t, 3>{5, 2, 4}));
}

TEST(SortIntoArray, PlacesAndRefusals)
{
    struct Case {
        double v;
        bool asc, after;
        int32_t want;
        std::array<double, 4> result;
    } cases[] = {
        {3, true, true, 4, {1, 3, 3, 3}},
        {3, true, false, 2, {1, 3, 3, 3}},
        {0, true, true, 1, {0, 1, 3, 3}},
        {4, true, true, 4, {1, 3, 3, 4}},
        {9, true, true, -1, {1, 3, 3, 5}},  // belongs behind the last: the array is full
        {5, true, true, -1, {1, 3, 3, 5}},
        {5, true, false, 4, {1, 3, 3, 5}},
        {NaN, true, true, -1, {1, 3, 3, 5}},
    };
    for (auto c : cases) {
        std::array<double, 4> a = {1, 3, 3, 5};
        EXPECT_EQ(SortIntoArray(c.v, a, c.asc, c.after), c.want) << c.v;
        EXPECT_EQ(a, c.result) << c.v;
    }
    std::array<double, 4> desc = {9, 5, 5, 1};
    EXPECT_EQ(SortIntoArray(5, desc, false, true), 4);
    EXPECT_EQ(desc, (std::array<double, 4>{9, 5, 5, 5}));
    EXPECT_EQ(SortIntoArray(7, desc, false, false), 2);
    EXPECT_EQ(desc, (std::array<double, 4>{9, 7, 5, 5}));
    std::span<double> none;
    EXPECT_EQ(SortIntoArray(1, none, true, true), -1);
}

TEST(InsertIntoArray, ShiftsAndDropsTheLast)
{
    std::array<int32_t, 4> a = {1, 2, 3, 4};
    EXPECT_TRUE(InsertIntoArray(9, 1, a));
    EXPECT_EQ(a, (std::array<int32_t, 4>{9, 1, 2, 3}));
    EXPECT_TRUE(InsertIntoArray(8, 4, a));
    EXPECT_EQ(a, (std::array<int32_t, 4>{9, 1, 2, 8}));
    EXPECT_FALSE(InsertIntoArray(7, 0, a));
    EXPECT_FALSE(InsertIntoArray(7, 5, a));
    EXPECT_EQ(a, (std::array<int32_t, 4>{9, 1, 2, 8}));
}

// ---------------------------------------------------------------------------
// Great-circle distance against the haversine formula (in long double) on the
// same sphere. The haversine's arcsine is ill-conditioned next to the
// antipode, so there the reference is pi*R minus the distance to the antipode.

constexpr double R = 6378000;

long double Haversine(long double lat1, long double lon1, long double lat2, long double lon2)
{
    const long double k = std::numbers::pi_v<long double> / 180;
    const long double a = std::sin((lat2 - lat1) * k / 2), b = std::sin((lon2 - lon1) * k / 2);
    const long double h = a * a + std::cos(lat1 * k) * std::cos(lat2 * k) * b * b;
    return 2 * R * std::asin(std::sqrt(std::min<long double>(h, 1)));
}

TEST(SphereGreatCircleDist, AgreesWithHaversineToAMillimetre)
{
    struct Case { const char* what; double lat1, lon1, lat2, lon2; bool nearAntipode; } cases[] = {
        {"same point", 48.2, 16.37, 48.2, 16.37, false},
        {"1e-6 deg of longitude at the equator", 0, 10, 0, 10 + 1e-6, false},
        {"1e-6 deg of longitude at 48 N", 48, 16, 48, 16 + 1e-6, false},
        {"1e-7 deg diagonal", -33.9, 151.2, -33.9 + 1e-7, 151.2 - 1e-7, false},
        {"Vienna to Sydney", 48.2, 16.37, -33.87, 151.21, false},
        {"across the date line", 10, 179.9999, 10, -179.9999, false},
        {"across the date line, south", -45, -179.5, -44, 179.5, false},
        {"longitudes beyond 180", 20, 540.5, 20, -179.5, false},
        {"over the pole", 89.9, 0, 89.9, 180, false},
        {"quarter circle", 0, 0, 0, 90, false},
        {"antipodes on the equator", 0, 0, 0, 180, true},
        {"antipodes", 30, 40, -30, -140, true},
        {"near antipodes", 30, 40, -30 + 1e-4, -140 + 1e-4, true},
        {"near antipodes across the date line", -12, 179.99, 12 + 1e-5, -0.01, true},
        {"pole to pole", 90, 0, -90, 0, true},
    };
    for (const auto& c : cases) {
        long double want;
        if (c.nearAntipode)
            want = std::numbers::pi_v<long double> * R - Haversine(c.lat1, c.lon1, -c.lat2, c.lon2 + 180);
        else
            want = Haversine(c.lat1, c.lon1, c.lat2, c.lon2);
        const double got = SphereGreatCircleDist(R, c.lat1, c.lon1, c.lat2, c.lon2);
        EXPECT_NEAR(got, double(want), 1e-3) << c.what;
        EXPECT_NEAR(SphereGreatCircleDist(R, c.lat2, c.lon2, c.lat1, c.lon1), got, 1e-6) << c.what << " reversed";
    }
    // Short distances are not lost (the law of cosines gives 0 here).
    EXPECT_NEAR(SphereGreatCircleDist(R, 48, 16, 48, 16 + 1e-6), 0.0745, 1e-3);
    EXPECT_NEAR(SphereGreatCircleDist(1, 0, 0, 0, 90), std::numbers::pi / 2, 1e-15);
}

TEST(SphereGreatCircleDist, BadInputGivesMinusOne)
{
    struct Case { double r, a, b, c, d; } cases[] = {
        {-1, 0, 0, 1, 1}, {NaN, 0, 0, 1, 1}, {Inf, 0, 0, 1, 1}, {R, NaN, 0, 1, 1},
        {R, 0, Inf, 1, 1}, {R, 0, 0, -Inf, 1}, {R, 0, 0, 1, NaN},
    };
    for (auto c : cases) EXPECT_EQ(SphereGreatCircleDist(c.r, c.a, c.b, c.c, c.d), -1);
    EXPECT_EQ(SphereGreatCircleDist(0, 0, 0, 10, 10), 0);
}

// ---------------------------------------------------------------------------

TEST(Matrix, ResizeKeepsValuesAndRefusesBadSizes)
{
    TMatrix m(2, 3);
    for (int c = 1; c <= 2; ++c)
        for (int r = 1; r <= 3; ++r) m.SetVal(c, r, c * 10 + r);
    ASSERT_TRUE(m.Resize(3, 2));
    EXPECT_EQ(m.GetNrOfColumns(), 3);
    EXPECT_EQ(m.GetNrOfRows(), 2);
    EXPECT_EQ(m.GetVal(1, 1), 11);
    EXPECT_EQ(m.GetVal(2, 2), 22);
    EXPECT_EQ(m.GetVal(3, 1), 0);
    EXPECT_EQ(m.GetVal(1, 3), 0) << "outside";
    EXPECT_FALSE(m.Resize(-1, 2));
    EXPECT_FALSE(m.Resize(1 << 15, 1 << 14)) << "beyond MaxElements";
    EXPECT_EQ(m.GetNrOfColumns(), 3);
    EXPECT_EQ(m.GetVal(2, 2), 22);
    m.SetVal(0, 1, 5);
    m.SetVal(4, 1, 5);
    m.SetVal(1, 3, 5);
    EXPECT_EQ(m.GetVal(0, 1) + m.GetVal(4, 1) + m.GetVal(1, 3), 0);
    TMatrix copy;
    copy.Clone(m);
    EXPECT_EQ(copy, m);
    copy.Fill(2);
    EXPECT_EQ(copy.GetVal(3, 2), 2);
    EXPECT_EQ(m.GetVal(3, 2), 0);
    ASSERT_TRUE(m.Resize(4, 0));
    EXPECT_EQ(m.GetNrOfColumns(), 4);
    EXPECT_EQ(m.GetVal(1, 1), 0);
}

TEST(Vector, SizeAndIndicesFromOne)
{
    TVector v(3);
    v.SetVal(1, 1.5);
    v.SetVal(3, 3.5);
    v.SetVal(0, 9);
    v.SetVal(4, 9);
    EXPECT_EQ(v.GetVal(1), 1.5);
    EXPECT_EQ(v.GetVal(3), 3.5);
    EXPECT_EQ(v.GetVal(4), 0);
    ASSERT_TRUE(v.SetVecSize(5));
    EXPECT_EQ(v.GetVal(3), 3.5);
    EXPECT_EQ(v.GetVal(5), 0);
    EXPECT_FALSE(v.SetVecSize(-1));
    EXPECT_EQ(v.GetVecSize(), 5);
    TVector w;
    w.Clone(v);
    EXPECT_EQ(w, v);
}

} // namespace
