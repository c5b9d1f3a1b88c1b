// Principal components, the singular value decomposition and the least-squares
// solver built on it. Eigen does the decompositions; the public types stay
// TMatrix and TVector, addressed (column, row) from 1.
#include <algorithm>
#include <cmath>
#include <new>

#include <Eigen/Dense>
#include <Eigen/SVD>

#include "numkit/numkit.h"

namespace numkit {

namespace {

// The matrix as Eigen sees it: TMatrix row r is Eigen row r - 1.
Eigen::MatrixXd ToEigen(const TMatrix& A)
{
    Eigen::MatrixXd E(A.GetNrOfRows(), A.GetNrOfColumns());
    for (int32_t c = 1; c <= A.GetNrOfColumns(); ++c)
        for (int32_t r = 1; r <= A.GetNrOfRows(); ++r) E(r - 1, c - 1) = A.GetVal(c, r);
    return E;
}

void FromEigen(const Eigen::MatrixXd& E, TMatrix& A)
{
    A.Resize(0, 0);
    A.Resize(static_cast<int32_t>(E.cols()), static_cast<int32_t>(E.rows()));
    for (Eigen::Index c = 0; c < E.cols(); ++c)
        for (Eigen::Index r = 0; r < E.rows(); ++r)
            A.SetVal(static_cast<int32_t>(c + 1), static_cast<int32_t>(r + 1), E(r, c));
}

} // namespace

// ---------------------------------------------------------------------------
// Principal components

bool TPrincComp::CalcPrincComp(const TMatrix& Data, int32_t FirstCol, int32_t LastCol, int32_t FirstRow,
                               int32_t LastRow, int32_t Mode)
{
    n_ = 0;
    vectors_.clear();
    values_.clear();
    if (Mode != 1 && Mode != 2) return false;
    if (FirstCol < 1 || LastCol < FirstCol || LastCol > Data.GetNrOfColumns()) return false;
    if (FirstRow < 1 || LastRow < FirstRow || LastRow > Data.GetNrOfRows()) return false;
    const int32_t p = LastCol - FirstCol + 1;
    const int32_t nObs = LastRow - FirstRow + 1;
    if (nObs < 2 || p > MaxVariables) return false;

    try {
        Eigen::MatrixXd X(nObs, p);
        for (int32_t c = 0; c < p; ++c)
            for (int32_t r = 0; r < nObs; ++r) {
                const double v = Data.GetVal(FirstCol + c, FirstRow + r);
                if (!std::isfinite(v)) return false;
                X(r, c) = v;
            }
        // Centre the columns, then scale the block so that forming the
        // covariance can neither overflow nor underflow.
        const Eigen::RowVectorXd mean = X.colwise().mean();
        X.rowwise() -= mean;
        if (!X.allFinite()) return false;
        if (Mode == 2) {
            for (int32_t c = 0; c < p; ++c) {
                const double scale = X.col(c).cwiseAbs().maxCoeff();
                if (!(scale > 0)) return false;
                X.col(c) /= scale;
                const double sd = X.col(c).norm() / std::sqrt(double(nObs - 1));
                X.col(c) /= sd;
            }
        }
        double scale = X.cwiseAbs().maxCoeff();
        if (!(scale > 0)) scale = 1;
        X /= scale;
        const Eigen::MatrixXd C = (X.transpose() * X) / double(nObs - 1);
        Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> es(C);
        if (es.info() != Eigen::Success) return false;

        // Eigen gives rising eigenvalues; the results run the other way.
        Eigen::MatrixXd V(p, p);
        std::vector<double> values(static_cast<std::size_t>(p));
        for (int32_t i = 0; i < p; ++i) {
            V.col(i) = es.eigenvectors().col(p - 1 - i);
            values[static_cast<std::size_t>(i)] = es.eigenvalues()(p - 1 - i) * scale * scale;
        }
        for (int32_t i = 0; i < p; ++i) {
            Eigen::Index big = 0;
            for (Eigen::Index k = 1; k < p; ++k)
                if (std::abs(V(k, i)) > std::abs(V(big, i))) big = k;
            if (V(big, i) < 0) V.col(i) = -V.col(i);
        }
        // A mirror image is turned into a rotation by reversing the vector
        // whose sign is least determined: the one with the smallest largest
        // component (the last of equal ones). Vectors along a coordinate axis,
        // such as the unused z axis of a flat structure, keep their sign.
        if (p > 1 && V.determinant() < 0) {
            Eigen::Index weakest = 0;
            for (Eigen::Index i = 1; i < p; ++i)
                if (V.col(i).cwiseAbs().maxCoeff() <= V.col(weakest).cwiseAbs().maxCoeff()) weakest = i;
            V.col(weakest) = -V.col(weakest);
        }
        if (!V.allFinite()) return false;
        for (double v : values)
            if (!std::isfinite(v)) return false;

        vectors_.resize(static_cast<std::size_t>(p) * static_cast<std::size_t>(p));
        for (int32_t i = 0; i < p; ++i)
            for (int32_t k = 0; k < p; ++k) vectors_[static_cast<std::size_t>(i * p + k)] = V(k, i);
        values_ = std::move(values);
    } catch (const std::bad_alloc&) {
        vectors_.clear();
        values_.clear();
        return false;
    }
    n_ = p;
    return true;
}

double TPrincComp::GetEigenResult(int32_t i, int32_t k) const noexcept
{
    if (i < 1 || i > n_ || k < 1 || k > n_) return 0;
    return vectors_[static_cast<std::size_t>((i - 1) * n_ + (k - 1))];
}

double TPrincComp::GetEigenValue(int32_t i) const noexcept
{
    return (i >= 1 && i <= n_) ? values_[static_cast<std::size_t>(i - 1)] : 0.0;
}

// ---------------------------------------------------------------------------
// Singular value decomposition

namespace {

// Checks A and runs the decomposition; false for an empty, oversized or
// non-finite matrix or a result that is not finite.
bool Decompose(const TMatrix& A, Eigen::MatrixXd& U, Eigen::VectorXd& W, Eigen::MatrixXd& V)
{
    const int64_t m = A.GetNrOfRows(), n = A.GetNrOfColumns();
    if (m < 1 || n < 1 || m * n > MaxSVDElements) return false;
    const Eigen::MatrixXd E = ToEigen(A);
    if (!E.allFinite()) return false;
    Eigen::JacobiSVD<Eigen::MatrixXd> svd(E, Eigen::ComputeThinU | Eigen::ComputeThinV);
    U = svd.matrixU();
    W = svd.singularValues();
    V = svd.matrixV();
    return U.allFinite() && W.allFinite() && V.allFinite();
}

} // namespace

bool CalcSVD(const TMatrix& A, TMatrix& U, TVector& W, TMatrix& V)
{
    U.Resize(0, 0);
    V.Resize(0, 0);
    W.SetVecSize(0);
    try {
        Eigen::MatrixXd u, v;
        Eigen::VectorXd w;
        if (!Decompose(A, u, w, v)) return false;
        FromEigen(u, U);
        FromEigen(v, V);
        W.SetVecSize(static_cast<int32_t>(w.size()));
        for (Eigen::Index i = 0; i < w.size(); ++i) W.SetVal(static_cast<int32_t>(i + 1), w(i));
    } catch (const std::bad_alloc&) {
        U.Resize(0, 0);
        V.Resize(0, 0);
        W.SetVecSize(0);
        return false;
    }
    return true;
}

bool SolveLeastSquaresSVD(const TMatrix& M, const TVector& v, TVector& c, double RelCutoff, int32_t* Rank)
{
    const int32_t n = M.GetNrOfColumns(), m = M.GetNrOfRows();
    if (Rank) *Rank = 0;
    c.SetVecSize(0);
    c.SetVecSize(n);
    if (v.GetVecSize() != m) return false;
    if (!(RelCutoff >= 0)) RelCutoff = 0;
    try {
        Eigen::VectorXd b(m);
        for (int32_t r = 1; r <= m; ++r) b(r - 1) = v.GetVal(r);
        if (!b.allFinite()) return false;
        Eigen::MatrixXd U, V;
        Eigen::VectorXd W;
        if (!Decompose(M, U, W, V)) return false;
        if (W.size() == 0 || !(W(0) > 0)) return false; // M is all zero
        const double cutoff = RelCutoff * W(0);
        Eigen::VectorXd x = Eigen::VectorXd::Zero(n);
        int32_t kept = 0;
        for (Eigen::Index i = 0; i < W.size(); ++i) {
            if (W(i) < cutoff || !(W(i) > 0)) continue;
            x += V.col(i) * (U.col(i).dot(b) / W(i));
            ++kept;
        }
        if (kept == 0 || !x.allFinite()) return false;
        for (int32_t i = 1; i <= n; ++i) c.SetVal(i, x(i - 1));
        if (Rank) *Rank = kept;
    } catch (const std::bad_alloc&) {
        c.Fill(0);
        return false;
    }
    return true;
}

} // namespace numkit
