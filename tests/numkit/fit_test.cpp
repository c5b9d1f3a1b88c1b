// Least-squares fits and statistics against closed-form results, and the
// failure results for degenerate or invalid point sets.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "numkit/numkit.h"

using namespace numkit;

namespace {

TCurveFit Points(std::initializer_list<std::pair<double, double>> pts)
{
    TCurveFit f;
    for (auto [x, y] : pts) f.EnterStatValue(x, y);
    return f;
}

// Normal equations of the parabola solved by Cramer's rule in long double:
// the textbook result the fit must agree with.
void ClosedFormParabola(const std::vector<double>& x, const std::vector<double>& y, long double c[3])
{
    long double s[5] = {}, t[3] = {};
    for (std::size_t i = 0; i < x.size(); ++i) {
        long double p = 1;
        for (int k = 0; k < 5; ++k) {
            s[k] += p;
            if (k < 3) t[k] += p * y[i];
            p *= x[i];
        }
    }
    long double A[3][3] = {{s[0], s[1], s[2]}, {s[1], s[2], s[3]}, {s[2], s[3], s[4]}};
    auto det = [](long double m[3][3]) {
        return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    };
    const long double d = det(A);
    for (int k = 0; k < 3; ++k) {
        long double B[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) B[i][j] = j == k ? t[i] : A[i][j];
        c[k] = det(B) / d;
    }
}

TEST(CurveFit, LineMatchesClosedForm)
{
    // k = (n Sxy - Sx Sy) / (n Sxx - Sx^2) = 0.8, d = (Sy - k Sx) / n = 1.5;
    // residuals -0.3, -0.1, 1.1, -0.7.
    TCurveFit f = Points({{1, 2}, {2, 3}, {3, 5}, {4, 4}});
    double k, d, q;
    ASSERT_TRUE(f.CalcLinFit(k, d, q));
    EXPECT_NEAR(k, 0.8, 1e-14);
    EXPECT_NEAR(d, 1.5, 1e-14);
    EXPECT_NEAR(q, std::sqrt(1.8 / 4), 1e-14);
}

TEST(CurveFit, LineFarFromOriginKeepsItsPrecision)
{
    // Raw sums of x^2 near 1e14 would lose the slope; an exact line must come back.
    TCurveFit f;
    for (int i = 0; i < 10; ++i) f.EnterStatValue(1e7 + i, -2.5 * (1e7 + i) + 7);
    double k, d, q;
    ASSERT_TRUE(f.CalcLinFit(k, d, q));
    EXPECT_NEAR(k, -2.5, 1e-12);
    EXPECT_NEAR(d, 7, 1e-5);
    EXPECT_LT(q, 1e-8);
}

TEST(CurveFit, ParabolaMatchesClosedForm)
{
    const std::vector<double> x = {-2, -1, 0, 0.5, 1, 2, 3};
    const std::vector<double> y = {9.1, 5.2, 1.8, 0.9, -0.2, -1.1, -0.4};
    TCurveFit f;
    for (std::size_t i = 0; i < x.size(); ++i) f.EnterStatValue(x[i], y[i]);
    long double c[3];
    ClosedFormParabola(x, y, c);
    double k0, k1, k2, q;
    ASSERT_TRUE(f.CalcParabolFit(k0, k1, k2, q));
    EXPECT_NEAR(k0, double(c[0]), 1e-12);
    EXPECT_NEAR(k1, double(c[1]), 1e-12);
    EXPECT_NEAR(k2, double(c[2]), 1e-12);
    long double ss = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const long double r = y[i] - (c[0] + c[1] * x[i] + c[2] * x[i] * x[i]);
        ss += r * r;
    }
    EXPECT_NEAR(q, double(std::sqrt(ss / x.size())), 1e-12);
}

TEST(CurveFit, ParabolaThroughExactPointsAtPixelScale)
{
    // A graticule line as the map calibration fits it: pixels in the thousands.
    TCurveFit f;
    for (int X = 1200; X <= 3000; X += 200) f.EnterStatValue(X, 850.0 + 0.02 * X - 3e-6 * X * X);
    double k0, k1, k2, q;
    ASSERT_TRUE(f.CalcParabolFit(k0, k1, k2, q));
    EXPECT_NEAR(k0, 850, 1e-8);
    EXPECT_NEAR(k1, 0.02, 1e-11);
    EXPECT_NEAR(k2, -3e-6, 1e-14);
    EXPECT_LT(q, 1e-9);
}

TEST(CurveFit, DegenerateSetsFailWithZeroResults)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        std::vector<std::pair<double, double>> pts;
        bool line, parabola;
    } cases[] = {
        {"empty", {}, false, false},
        {"one point", {{1, 1}}, false, false},
        {"one x value", {{2, 1}, {2, 5}, {2, 7}}, false, false},
        {"two x values", {{1, 1}, {2, 2}, {2, 3}, {1, 0}}, true, false},
        {"three x values", {{1, 1}, {2, 2}, {3, 5}}, true, true},
        {"only invalid points", {{std::nan(""), 1}, {inf, 2}, {3, -inf}}, false, false},
    };
    for (const Case& c : cases) {
        TCurveFit f;
        for (auto [x, y] : c.pts) f.EnterStatValue(x, y);
        double k = 9, d = 9, q = 9, k0 = 9, k1 = 9, k2 = 9, q2 = 9;
        EXPECT_EQ(f.CalcLinFit(k, d, q), c.line) << c.what;
        EXPECT_EQ(f.CalcParabolFit(k0, k1, k2, q2), c.parabola) << c.what;
        if (!c.line) { EXPECT_TRUE(k == 0 && d == 0 && q == 0) << c.what; }
        if (!c.parabola) { EXPECT_TRUE(k0 == 0 && k1 == 0 && k2 == 0 && q2 == 0) << c.what; }
        for (double v : {k, d, q, k0, k1, k2, q2}) EXPECT_TRUE(std::isfinite(v)) << c.what;
    }
}

TEST(CurveFit, HugeValuesGiveFiniteResultsOrFailure)
{
    TCurveFit f = Points({{1e300, 1e300}, {-1e300, 1}, {5e299, -1e300}, {1.7e308, 1}});
    double k = 9, d = 9, q = 9, k0 = 9, k1 = 9, k2 = 9, q2 = 9;
    if (!f.CalcLinFit(k, d, q)) { EXPECT_TRUE(k == 0 && d == 0 && q == 0); }
    if (!f.CalcParabolFit(k0, k1, k2, q2)) { EXPECT_TRUE(k0 == 0 && k1 == 0 && k2 == 0 && q2 == 0); }
    for (double v : {k, d, q, k0, k1, k2, q2}) EXPECT_TRUE(std::isfinite(v));
    TStatistics s;
    f.CalcStatistics(s);
    for (int i = 1; i <= 7; ++i) EXPECT_FALSE(std::isnan(s.Value(i))) << i;
}

TEST(CurveFit, InvalidPointsAreRefusedAndInitEmpties)
{
    TCurveFit f;
    EXPECT_TRUE(f.EnterStatValue(1, 2));
    EXPECT_FALSE(f.EnterStatValue(std::nan(""), 2));
    EXPECT_FALSE(f.EnterStatValue(1, std::numeric_limits<double>::infinity()));
    EXPECT_TRUE(f.EnterStatValue(3, 4));
    EXPECT_EQ(f.GetNrOfPoints(), 2);
    double k, d, q;
    ASSERT_TRUE(f.CalcLinFit(k, d, q));
    EXPECT_DOUBLE_EQ(k, 1);
    f.Init();
    EXPECT_EQ(f.GetNrOfPoints(), 0);
    EXPECT_FALSE(f.CalcLinFit(k, d, q));
}

TEST(CurveFit, StatisticsOfAKnownSet)
{
    TCurveFit f = Points({{1, 1}, {2, 2}, {3, 3}, {4, 5}});
    TStatistics s;
    ASSERT_EQ(f.CalcStatistics(s), 4);
    EXPECT_DOUBLE_EQ(s.Value(1), 2.5);
    EXPECT_DOUBLE_EQ(s.Value(2), 2.75);
    EXPECT_NEAR(s.Value(3), std::sqrt(5.0 / 3), 1e-15);
    EXPECT_NEAR(s.Value(4), std::sqrt(8.75 / 3), 1e-15);
    EXPECT_NEAR(s.Value(5), 6.5 / std::sqrt(5 * 8.75), 1e-15);
    // The sixth is the RMS of y - x (the calibration quality), the seventh the worst.
    EXPECT_DOUBLE_EQ(s.Value(6), 0.5);
    EXPECT_DOUBLE_EQ(s.Value(7), 1);
    EXPECT_EQ(s.Value(0), 0);
    EXPECT_EQ(s.Value(8), 0);
}

TEST(CurveFit, StatisticsOfEmptySingleAndConstantSets)
{
    TStatistics s;
    s.MeanX = 5;
    EXPECT_EQ(TCurveFit().CalcStatistics(s), 0);
    for (int i = 1; i <= 7; ++i) EXPECT_EQ(s.Value(i), 0) << i;

    EXPECT_EQ(Points({{3, 7}}).CalcStatistics(s), 1);
    EXPECT_EQ(s.StdDevX, 0);
    EXPECT_EQ(s.Correlation, 0);
    EXPECT_DOUBLE_EQ(s.RmsDiff, 4);

    // A constant coordinate has no correlation (instead of 0/0).
    EXPECT_EQ(Points({{1, 2}, {2, 2}, {3, 2}}).CalcStatistics(s), 3);
    EXPECT_EQ(s.Correlation, 0);
    EXPECT_EQ(s.StdDevY, 0);
}

} // namespace
