// Principal components, the singular value decomposition and the SVD
// least-squares solver: reconstruction, orthonormality, the orientation rule,
// and failure results for bad input.
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "numkit/numkit.h"

using namespace numkit;

namespace {

TMatrix RandomMatrix(int32_t cols, int32_t rows, uint64_t seed, double spread = 1)
{
    vcl::SplitMix64 rng(seed);
    TMatrix m(cols, rows);
    for (int32_t c = 1; c <= cols; ++c)
        for (int32_t r = 1; r <= rows; ++r) m.SetVal(c, r, (rng.NextDouble() - 0.5) * spread * c);
    return m;
}

double Det3(const TPrincComp& p)
{
    auto e = [&](int i, int k) { return p.GetEigenResult(i, k); };
    return e(1, 1) * (e(2, 2) * e(3, 3) - e(3, 2) * e(2, 3)) - e(2, 1) * (e(1, 2) * e(3, 3) - e(3, 2) * e(1, 3)) +
           e(3, 1) * (e(1, 2) * e(2, 3) - e(2, 2) * e(1, 3));
}

// Covariance of the columns of a block (rows are observations).
std::vector<std::vector<double>> Covariance(const TMatrix& m)
{
    const int p = m.GetNrOfColumns(), n = m.GetNrOfRows();
    std::vector<double> mean(p, 0.0);
    for (int c = 0; c < p; ++c) {
        for (int r = 1; r <= n; ++r) mean[c] += m.GetVal(c + 1, r);
        mean[c] /= n;
    }
    std::vector<std::vector<double>> C(p, std::vector<double>(p, 0.0));
    for (int a = 0; a < p; ++a)
        for (int b = 0; b < p; ++b) {
            for (int r = 1; r <= n; ++r) C[a][b] += (m.GetVal(a + 1, r) - mean[a]) * (m.GetVal(b + 1, r) - mean[b]);
            C[a][b] /= n - 1;
        }
    return C;
}

TEST(PrincComp, EigenvectorsReconstructTheCovariance)
{
    for (int32_t p : {1, 2, 3, 5}) {
        const TMatrix m = RandomMatrix(p, 40, 7 + p, 10);
        const TMatrix before = m;
        TPrincComp pc;
        ASSERT_TRUE(pc.CalcPrincComp(m, 1, p, 1, 40, 1)) << p;
        EXPECT_EQ(m, before) << "the data stays untouched";
        ASSERT_EQ(pc.GetNrOfVariables(), p);
        const auto C = Covariance(m);
        double err = 0, norm = 0;
        for (int a = 1; a <= p; ++a)
            for (int b = 1; b <= p; ++b) {
                double s = 0, dot = 0;
                for (int i = 1; i <= p; ++i) {
                    s += pc.GetEigenValue(i) * pc.GetEigenResult(i, a) * pc.GetEigenResult(i, b);
                    dot += pc.GetEigenResult(a, i) * pc.GetEigenResult(b, i);
                }
                err += (s - C[a - 1][b - 1]) * (s - C[a - 1][b - 1]);
                norm += C[a - 1][b - 1] * C[a - 1][b - 1];
                EXPECT_NEAR(dot, a == b ? 1 : 0, 1e-13) << "orthonormal " << p;
            }
        EXPECT_LT(std::sqrt(err / norm), 1e-12) << p;
        for (int i = 1; i < p; ++i) EXPECT_GE(pc.GetEigenValue(i), pc.GetEigenValue(i + 1)) << p;
    }
}

TEST(PrincComp, ProperRotationNeverMirrorsAStructure)
{
    // The way the structure diagram straightens a drawing: x and y in columns
    // 1 and 2, zeros in column 3, then each atom moved onto the axes. A mirror
    // would reverse the turning sense of every triangle of atoms.
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        vcl::SplitMix64 rng(seed);
        const int n = 3 + static_cast<int>(seed % 7);
        TMatrix m(3, n);
        const double angle = rng.NextDouble() * 6.283, ca = std::cos(angle), sa = std::sin(angle);
        for (int r = 1; r <= n; ++r) {
            const double u = (rng.NextDouble() - 0.5) * 300, v = (rng.NextDouble() - 0.5) * 60;
            m.SetVal(1, r, ca * u - sa * v);
            m.SetVal(2, r, sa * u + ca * v);
        }
        TPrincComp pc;
        ASSERT_TRUE(pc.CalcPrincComp(m, 1, 3, 1, n, 1)) << seed;
        EXPECT_NEAR(Det3(pc), 1, 1e-12) << seed;
        auto rot = [&](int axis, int r) {
            double s = 0;
            for (int k = 1; k <= 3; ++k) s += m.GetVal(k, r) * pc.GetEigenResult(axis, k);
            return s;
        };
        auto area = [](double x1, double y1, double x2, double y2, double x3, double y3) {
            return (x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1);
        };
        const double before = area(m.GetVal(1, 1), m.GetVal(2, 1), m.GetVal(1, 2), m.GetVal(2, 2), m.GetVal(1, 3), m.GetVal(2, 3));
        const double after = area(rot(1, 1), rot(2, 1), rot(1, 2), rot(2, 2), rot(1, 3), rot(2, 3));
        EXPECT_NEAR(after, before, 1e-9 * std::abs(before) + 1e-9) << seed;
        // The third axis is the unused z axis; the first carries the most spread.
        EXPECT_EQ(pc.GetEigenResult(3, 3), 1) << seed;
        EXPECT_GE(pc.GetEigenValue(1), pc.GetEigenValue(2));
        // Signs are fixed: the largest component is positive, except in the
        // one vector that may have been reversed to avoid the mirror.
        int reversed = 0;
        for (int i = 1; i <= 3; ++i) {
            int big = 1;
            for (int k = 2; k <= 3; ++k)
                if (std::abs(pc.GetEigenResult(i, k)) > std::abs(pc.GetEigenResult(i, big))) big = k;
            reversed += pc.GetEigenResult(i, big) < 0;
        }
        EXPECT_LE(reversed, 1) << seed;
    }
}

TEST(PrincComp, CorrelationModeScalesTheColumns)
{
    // Two perfectly correlated columns of very different scale: with unit
    // variances the first component weights them equally.
    TMatrix m(2, 5);
    for (int r = 1; r <= 5; ++r) {
        m.SetVal(1, r, r);
        m.SetVal(2, r, 1000.0 * r);
    }
    TPrincComp pc;
    ASSERT_TRUE(pc.CalcPrincComp(m, 1, 2, 1, 5, 2));
    EXPECT_NEAR(pc.GetEigenValue(1), 2, 1e-12);
    EXPECT_NEAR(pc.GetEigenValue(2), 0, 1e-12);
    EXPECT_NEAR(pc.GetEigenResult(1, 1), std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(pc.GetEigenResult(1, 2), std::sqrt(0.5), 1e-12);
}

TEST(PrincComp, BadInputFails)
{
    TMatrix m = RandomMatrix(3, 6, 3);
    TMatrix withNaN = m;
    withNaN.SetVal(2, 4, std::nan(""));
    TMatrix constant(2, 4);
    constant.Fill(3);
    const TMatrix empty;
    struct Case {
        const char* what;
        const TMatrix& data;
        int32_t c1, c2, r1, r2, mode;
    } cases[] = {
        {"unknown mode", m, 1, 3, 1, 6, 0},
        {"unknown mode 3", m, 1, 3, 1, 6, 3},
        {"columns beyond", m, 1, 4, 1, 6, 1},
        {"rows beyond", m, 1, 3, 1, 7, 1},
        {"reversed columns", m, 3, 1, 1, 6, 1},
        {"column 0", m, 0, 2, 1, 6, 1},
        {"a single row", m, 1, 3, 2, 2, 1},
        {"NaN in the block", withNaN, 1, 3, 1, 6, 1},
        {"constant column in mode 2", constant, 1, 2, 1, 4, 2},
        {"empty matrix", empty, 1, 1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        TPrincComp pc;
        ASSERT_TRUE(pc.CalcPrincComp(m, 1, 3, 1, 6, 1));
        EXPECT_FALSE(pc.CalcPrincComp(c.data, c.c1, c.c2, c.r1, c.r2, c.mode)) << c.what;
        EXPECT_EQ(pc.GetNrOfVariables(), 0) << c.what;
        EXPECT_EQ(pc.GetEigenResult(1, 1), 0) << c.what;
    }
    // A NaN outside the block does not matter; a constant block is fine in mode 1.
    TPrincComp pc;
    EXPECT_TRUE(pc.CalcPrincComp(withNaN, 1, 1, 1, 6, 1));
    EXPECT_TRUE(pc.CalcPrincComp(constant, 1, 2, 1, 4, 1));
    EXPECT_EQ(pc.GetEigenValue(1), 0);
    EXPECT_EQ(pc.GetEigenResult(3, 1), 0);
}

// ---------------------------------------------------------------------------

void CheckSVD(const TMatrix& A, const char* what)
{
    TMatrix U, V;
    TVector W;
    ASSERT_TRUE(CalcSVD(A, U, W, V)) << what;
    const int m = A.GetNrOfRows(), n = A.GetNrOfColumns(), p = std::min(m, n);
    ASSERT_EQ(W.GetVecSize(), p) << what;
    ASSERT_EQ(U.GetNrOfColumns(), p);
    ASSERT_EQ(U.GetNrOfRows(), m);
    ASSERT_EQ(V.GetNrOfColumns(), p);
    ASSERT_EQ(V.GetNrOfRows(), n);
    double err = 0, norm = 0;
    for (int c = 1; c <= n; ++c)
        for (int r = 1; r <= m; ++r) {
            double s = 0;
            for (int i = 1; i <= p; ++i) s += U.GetVal(i, r) * W.GetVal(i) * V.GetVal(i, c);
            err += (s - A.GetVal(c, r)) * (s - A.GetVal(c, r));
            norm += A.GetVal(c, r) * A.GetVal(c, r);
        }
    EXPECT_LT(std::sqrt(err / norm), 1e-12) << what;
    for (int i = 1; i <= p; ++i) {
        EXPECT_GE(W.GetVal(i), 0) << what;
        if (i > 1) { EXPECT_GE(W.GetVal(i - 1), W.GetVal(i)) << what; }
        for (int j = 1; j <= p; ++j) {
            double uu = 0, vv = 0;
            for (int r = 1; r <= m; ++r) uu += U.GetVal(i, r) * U.GetVal(j, r);
            for (int c = 1; c <= n; ++c) vv += V.GetVal(i, c) * V.GetVal(j, c);
            // A zero singular value leaves its left vector free but still unit.
            EXPECT_NEAR(uu, i == j ? 1 : 0, 1e-12) << what;
            EXPECT_NEAR(vv, i == j ? 1 : 0, 1e-12) << what;
        }
    }
}

TEST(SVD, ReconstructsMatricesOfEveryShape)
{
    struct Shape { int32_t cols, rows; } shapes[] = {{3, 6}, {6, 3}, {5, 5}, {4, 1}, {1, 4}, {6, 200}, {1, 1}};
    uint64_t seed = 11;
    for (auto s : shapes) {
        CheckSVD(RandomMatrix(s.cols, s.rows, ++seed), "random");
        CheckSVD(RandomMatrix(s.cols, s.rows, ++seed, 1e6), "large values");
    }
    // Rank deficient: the third column is the sum of the first two.
    TMatrix r = RandomMatrix(3, 8, 99);
    for (int i = 1; i <= 8; ++i) r.SetVal(3, i, r.GetVal(1, i) + r.GetVal(2, i));
    CheckSVD(r, "rank 2");
    TMatrix U, V;
    TVector W;
    ASSERT_TRUE(CalcSVD(r, U, W, V));
    EXPECT_LT(W.GetVal(3), 1e-14 * W.GetVal(1));
}

TEST(SVD, BadInputFailsAndEmptiesTheResults)
{
    TMatrix nan = RandomMatrix(3, 3, 5);
    nan.SetVal(2, 2, std::nan(""));
    TMatrix inf = RandomMatrix(3, 3, 5);
    inf.SetVal(1, 3, -std::numeric_limits<double>::infinity());
    const TMatrix cases[] = {TMatrix(), TMatrix(3, 0), nan, inf};
    for (const TMatrix& a : cases) {
        TMatrix U(2, 2), V(2, 2);
        TVector W(2);
        EXPECT_FALSE(CalcSVD(a, U, W, V));
        EXPECT_EQ(U.GetNrOfColumns() + V.GetNrOfColumns() + W.GetVecSize(), 0);
    }
}

TEST(SolveLeastSquaresSVD, LineMatchesClosedForm)
{
    // Columns (1, x): the same line as the closed-form fit, c = (1.5, 0.8).
    const double x[] = {1, 2, 3, 4}, y[] = {2, 3, 5, 4};
    TMatrix M(2, 4);
    TVector v(4), c;
    for (int i = 0; i < 4; ++i) {
        M.SetVal(1, i + 1, 1);
        M.SetVal(2, i + 1, x[i]);
        v.SetVal(i + 1, y[i]);
    }
    int32_t rank = 0;
    ASSERT_TRUE(SolveLeastSquaresSVD(M, v, c, 1e-14, &rank));
    EXPECT_EQ(rank, 2);
    EXPECT_NEAR(c.GetVal(1), 1.5, 1e-13);
    EXPECT_NEAR(c.GetVal(2), 0.8, 1e-13);
}

TEST(SolveLeastSquaresSVD, RecoversABiquadraticCalibration)
{
    // Rows (1, X, Y, X^2, XY, Y^2) of pixel positions, solved against exact
    // latitudes as the map calibration does.
    const double coef[6] = {48.5, -2e-4, -3e-4, 1e-9, -2e-9, 3e-9};
    vcl::SplitMix64 rng(4);
    const int n = 25;
    TMatrix M(6, n);
    TVector v(n), c;
    for (int i = 1; i <= n; ++i) {
        const double X = rng.NextInt(4000), Y = rng.NextInt(3000);
        const double row[6] = {1, X, Y, X * X, X * Y, Y * Y};
        double s = 0;
        for (int k = 0; k < 6; ++k) {
            M.SetVal(k + 1, i, row[k]);
            s += coef[k] * row[k];
        }
        v.SetVal(i, s);
    }
    int32_t rank = 0;
    ASSERT_TRUE(SolveLeastSquaresSVD(M, v, c, 1e-14, &rank));
    EXPECT_EQ(rank, 6);
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(c.GetVal(k + 1), coef[k], 1e-8 * std::abs(coef[k])) << k;
}

TEST(SolveLeastSquaresSVD, RankDeficientSystemsGiveTheSmallestSolution)
{
    // Two equal columns: y = 2x is met by every (a, 2 - a); the smallest is (1, 1).
    TMatrix M(2, 3);
    TVector v(3), c;
    for (int i = 1; i <= 3; ++i) {
        M.SetVal(1, i, i);
        M.SetVal(2, i, i);
        v.SetVal(i, 2.0 * i);
    }
    int32_t rank = 0;
    ASSERT_TRUE(SolveLeastSquaresSVD(M, v, c, 1e-14, &rank));
    EXPECT_EQ(rank, 1);
    EXPECT_NEAR(c.GetVal(1), 1, 1e-14);
    EXPECT_NEAR(c.GetVal(2), 1, 1e-14);

    // Fewer equations than unknowns: solved exactly with the smallest solution.
    TMatrix U = RandomMatrix(6, 3, 8);
    TVector b(3);
    for (int i = 1; i <= 3; ++i) b.SetVal(i, i);
    ASSERT_TRUE(SolveLeastSquaresSVD(U, b, c, 1e-14, &rank));
    EXPECT_EQ(rank, 3);
    ASSERT_EQ(c.GetVecSize(), 6);
    for (int r = 1; r <= 3; ++r) {
        double s = 0;
        for (int k = 1; k <= 6; ++k) s += U.GetVal(k, r) * c.GetVal(k);
        EXPECT_NEAR(s, r, 1e-12);
    }
}

TEST(SolveLeastSquaresSVD, BadInputFailsWithZeroCoefficients)
{
    const TMatrix good = RandomMatrix(6, 8, 21);
    TVector v8(8);
    v8.Fill(1);
    TVector v7(7);
    TVector vNaN = v8;
    vNaN.SetVal(3, std::nan(""));
    TMatrix mNaN = good;
    mNaN.SetVal(6, 8, std::nan(""));
    TMatrix zero(6, 8);
    const TMatrix emptyM;
    const TVector emptyV;
    struct Case {
        const char* what;
        const TMatrix& M;
        const TVector& v;
        int32_t size;
    } cases[] = {
        {"size mismatch", good, v7, 6},
        {"NaN in v", good, vNaN, 6},
        {"NaN in M", mNaN, v8, 6},
        {"all zero", zero, v8, 6},
        {"empty", emptyM, emptyV, 0},
    };
    for (const Case& k : cases) {
        TVector c(3);
        c.Fill(5);
        int32_t rank = 9;
        EXPECT_FALSE(SolveLeastSquaresSVD(k.M, k.v, c, 1e-14, &rank)) << k.what;
        EXPECT_EQ(rank, 0) << k.what;
        ASSERT_EQ(c.GetVecSize(), k.size) << k.what;
        for (int i = 1; i <= k.size; ++i) EXPECT_EQ(c.GetVal(i), 0) << k.what;
    }
}

} // namespace
