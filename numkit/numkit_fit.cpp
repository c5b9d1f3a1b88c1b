// TCurveFit: least-squares line and parabola, and simple statistics.
#include <algorithm>
#include <cmath>

#include <Eigen/Dense>

#include "numkit/numkit.h"

namespace numkit {

namespace {

double Mean(const std::vector<double>& v)
{
    double s = 0;
    for (double a : v) s += a;
    return s / static_cast<double>(v.size());
}

// The number of distinct values, counted up to Limit.
int CountDistinct(const std::vector<double>& v, int Limit)
{
    std::vector<double> seen;
    for (double a : v) {
        if (std::find(seen.begin(), seen.end(), a) == seen.end()) {
            seen.push_back(a);
            if (static_cast<int>(seen.size()) >= Limit) break;
        }
    }
    return static_cast<int>(seen.size());
}

} // namespace

double TStatistics::Value(int32_t i) const noexcept
{
    switch (i) {
    case 1: return MeanX;
    case 2: return MeanY;
    case 3: return StdDevX;
    case 4: return StdDevY;
    case 5: return Correlation;
    case 6: return RmsDiff;
    case 7: return MaxAbsDiff;
    default: return 0;
    }
}

bool TCurveFit::EnterStatValue(double x, double y)
{
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    x_.push_back(x);
    y_.push_back(y);
    return true;
}

bool TCurveFit::CalcLinFit(double& k, double& d, double& FitQuality) const
{
    k = d = FitQuality = 0;
    if (CountDistinct(x_, 2) < 2) return false;
    // Centred sums keep the slope accurate when x lies far from 0.
    const double mx = Mean(x_), my = Mean(y_);
    double sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < x_.size(); ++i) {
        sxx += (x_[i] - mx) * (x_[i] - mx);
        sxy += (x_[i] - mx) * (y_[i] - my);
    }
    if (!(sxx > 0)) return false;
    const double kk = sxy / sxx;
    const double dd = my - kk * mx;
    double ss = 0;
    for (std::size_t i = 0; i < x_.size(); ++i) {
        const double r = y_[i] - (kk * x_[i] + dd);
        ss += r * r;
    }
    const double q = std::sqrt(ss / static_cast<double>(x_.size()));
    if (!std::isfinite(kk) || !std::isfinite(dd) || !std::isfinite(q)) return false;
    k = kk;
    d = dd;
    FitQuality = q;
    return true;
}

bool TCurveFit::CalcParabolFit(double& k0, double& k1, double& k2, double& FitQuality) const
{
    k0 = k1 = k2 = FitQuality = 0;
    if (CountDistinct(x_, 3) < 3) return false;
    // Solve in t = (x - m) / s, which lies in [-1, 1]; that keeps the system
    // well conditioned whatever the position and spread of x.
    const double m = Mean(x_);
    double s = 0;
    for (double x : x_) s = std::max(s, std::abs(x - m));
    if (!(s > 0) || !std::isfinite(s)) return false;
    const auto n = static_cast<Eigen::Index>(x_.size());
    Eigen::MatrixXd A(n, 3);
    Eigen::VectorXd b(n);
    for (Eigen::Index i = 0; i < n; ++i) {
        const double t = (x_[static_cast<std::size_t>(i)] - m) / s;
        A(i, 0) = 1;
        A(i, 1) = t;
        A(i, 2) = t * t;
        b(i) = y_[static_cast<std::size_t>(i)];
    }
    Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(A);
    if (qr.rank() < 3) return false;
    const Eigen::Vector3d a = qr.solve(b);
    // Back to powers of x: y = a0 + a1 (x - m)/s + a2 (x - m)^2/s^2.
    const double c2 = a(2) / (s * s);
    const double c1 = a(1) / s - 2 * c2 * m;
    const double c0 = a(0) - a(1) * m / s + c2 * m * m;
    double ss = 0;
    for (std::size_t i = 0; i < x_.size(); ++i) {
        const double x = x_[i];
        const double r = y_[i] - (c0 + c1 * x + c2 * x * x);
        ss += r * r;
    }
    const double q = std::sqrt(ss / static_cast<double>(x_.size()));
    if (!std::isfinite(c0) || !std::isfinite(c1) || !std::isfinite(c2) || !std::isfinite(q)) return false;
    k0 = c0;
    k1 = c1;
    k2 = c2;
    FitQuality = q;
    return true;
}

int32_t TCurveFit::CalcStatistics(TStatistics& Stats) const
{
    Stats = TStatistics();
    const std::size_t n = x_.size();
    if (n == 0) return 0;
    const double mx = Mean(x_), my = Mean(y_);
    double sxx = 0, syy = 0, sxy = 0, sdd = 0, maxd = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double dx = x_[i] - mx, dy = y_[i] - my, diff = y_[i] - x_[i];
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
        sdd += diff * diff;
        maxd = std::max(maxd, std::abs(diff));
    }
    Stats.MeanX = mx;
    Stats.MeanY = my;
    if (n > 1) {
        Stats.StdDevX = std::sqrt(sxx / static_cast<double>(n - 1));
        Stats.StdDevY = std::sqrt(syy / static_cast<double>(n - 1));
    }
    if (sxx > 0 && syy > 0) {
        const double r = sxy / (std::sqrt(sxx) * std::sqrt(syy));
        if (std::isfinite(r)) Stats.Correlation = std::clamp(r, -1.0, 1.0);
    }
    Stats.RmsDiff = std::sqrt(sdd / static_cast<double>(n));
    Stats.MaxAbsDiff = maxd;
    return static_cast<int32_t>(n);
}

} // namespace numkit
