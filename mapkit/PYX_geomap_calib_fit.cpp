// TGeoCalibration: fitting the four calibration models to the input.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "mapkit/PYX_geomap.h"
#include "numkit/numkit.h"

namespace PYX_geomap {

namespace {

constexpr double DegToRad = std::numbers::pi / 180.0;

struct TSample {
    double X, Y, Long;
};

// Least-squares line y = k*x + d through n pairs. False with fewer than two
// distinct x values or a non-finite result (k and d are then 0). Used inside
// the apex search, where the general fit would allocate for every candidate.
bool LineFit(const double* x, const double* y, std::size_t n, double& k, double& d) noexcept
{
    k = 0;
    d = 0;
    if (n < 2)
        return false;
    double mx = 0, my = 0;
    for (std::size_t i = 0; i < n; ++i) {
        mx += x[i];
        my += y[i];
    }
    mx /= double(n);
    my /= double(n);
    double sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double dx = x[i] - mx;
        sxx += dx * dx;
        sxy += dx * (y[i] - my);
    }
    if (!(sxx > 0))
        return false;
    const double kk = sxy / sxx;
    const double dd = my - kk * mx;
    if (!std::isfinite(kk) || !std::isfinite(dd))
        return false;
    k = kk;
    d = dd;
    return true;
}

// True when the points (a_i, b_i) span a plane: at least three of them and
// not all on one straight line (nor all equal). NaN gives false.
bool SpansPlane(const std::vector<double>& a, const std::vector<double>& b) noexcept
{
    const std::size_t n = a.size();
    if (n < 3)
        return false;
    double ma = 0, mb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ma += a[i];
        mb += b[i];
    }
    ma /= double(n);
    mb /= double(n);
    double saa = 0, sbb = 0, sab = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double da = a[i] - ma, db = b[i] - mb;
        saa += da * da;
        sbb += db * db;
        sab += da * db;
    }
    // The smaller principal axis must not be negligible against the larger:
    // det / trace^2 is about (smaller / larger) variance.
    const double trace = saa + sbb;
    const double det = saa * sbb - sab * sab;
    return trace > 0 && det > 1e-12 * trace * trace;
}

// RMS residual of the plane Long = a + b*X + c*Y through the samples; a
// large value when the plane cannot be fitted.
double PlaneResidual(const std::vector<TSample>& s, bool Wrapped, double Cut)
{
    const int32_t n = static_cast<int32_t>(s.size());
    numkit::TMatrix m(3, n);
    numkit::TVector v(n), c;
    auto wrap = [&](double l) {
        if (!Wrapped)
            return l;
        double r = std::fmod(l - Cut, 360.0);
        if (r < 0)
            r += 360.0;
        return Cut + r;
    };
    for (int32_t i = 0; i < n; ++i) {
        m.SetVal(1, i + 1, 1);
        m.SetVal(2, i + 1, s[i].X);
        m.SetVal(3, i + 1, s[i].Y);
        v.SetVal(i + 1, wrap(s[i].Long));
    }
    if (!numkit::SolveLeastSquaresSVD(m, v, c, 1e-12))
        return 1e300;
    double sum = 0;
    for (int32_t i = 0; i < n; ++i) {
        const double r = wrap(s[i].Long) - (c.GetVal(1) + c.GetVal(2) * s[i].X + c.GetVal(3) * s[i].Y);
        sum += r * r;
    }
    return std::sqrt(sum / n);
}

} // namespace

// Decides whether the longitudes of the samples are to be made continuous
// across the date line. The longitudes are cut in the middle of the widest
// gap between them on the circle; this representation is taken when it
// follows the pixels clearly better than the longitudes as given (a map from
// 170 to -170 degrees), and not for a map whose input already runs
// continuously (a world map from -180 to 180).
static void ChooseLongWrap(const std::vector<TSample>& s, bool& Active, double& Cut)
{
    Active = false;
    Cut = 0;
    if (s.size() < 3)
        return;
    std::vector<double> m;
    m.reserve(s.size());
    for (const TSample& p : s) {
        if (!std::isfinite(p.Long) || !std::isfinite(double(p.X)) || !std::isfinite(double(p.Y)))
            return;
        double r = std::fmod(p.Long, 360.0);
        if (r < 0)
            r += 360.0;
        m.push_back(r);
    }
    std::sort(m.begin(), m.end());
    double gap = m.front() + 360.0 - m.back(), gapEnd = m.front();
    for (std::size_t i = 1; i < m.size(); ++i)
        if (m[i] - m[i - 1] > gap) {
            gap = m[i] - m[i - 1];
            gapEnd = m[i];
        }
    if (gapEnd > 180.0)
        gapEnd -= 360.0;
    const double cut = gapEnd - gap / 2;
    bool differs = false;
    for (const TSample& p : s) {
        double r = std::fmod(p.Long - cut, 360.0);
        if (r < 0)
            r += 360.0;
        if (std::fabs(cut + r - p.Long) > 1e-9) {
            differs = true;
            break;
        }
    }
    if (!differs)
        return;
    const double raw = PlaneResidual(s, false, 0);
    const double wrapped = PlaneResidual(s, true, cut);
    // A jump of a full turn leaves residuals of many degrees; rounding noise
    // of an exact fit never decides.
    if (raw > 1.0 && wrapped < 0.5 * raw) {
        Active = true;
        Cut = cut;
    }
}

void TGeoCalibration::UpdatePointWrap()
{
    std::vector<TSample> samples;
    for (int32_t i = 0; i < data_.NumCalPoints; ++i)
        samples.push_back({double(data_.CalPoints[i].X), double(data_.CalPoints[i].Y), data_.CalPoints[i].Long});
    pointWrap_ = TLongWrap{};
    ChooseLongWrap(samples, pointWrap_.Active, pointWrap_.Cut);
}

bool TGeoCalibration::PointInputUsable() const
{
    const int32_t n = data_.NumCalPoints;
    std::vector<double> x(n), y(n), lat(n), lon(n);
    for (int32_t i = 0; i < n; ++i) {
        const TCalPoint& p = data_.CalPoints[i];
        x[i] = p.X;
        y[i] = p.Y;
        lat[i] = p.Lat;
        lon[i] = pointWrap_.Apply(p.Long);
    }
    return SpansPlane(x, y) && SpansPlane(lat, lon);
}

bool TGeoCalibration::RecalcGratMat()
{
    // The meridian values are made continuous first when the lines cross the
    // date line.
    std::vector<TSample> samples;
    for (int32_t i = 0; i < data_.NumGratLines; ++i) {
        const TGratLine& line = data_.GratLines[i];
        if (line.Kind != gtlParallel && line.NumPoints >= 3)
            for (int32_t j = 0; j < line.NumPoints; ++j)
                samples.push_back({double(line.Points[j].X), double(line.Points[j].Y), line.Value});
    }
    lineWrap_ = TLongWrap{};
    ChooseLongWrap(samples, lineWrap_.Active, lineWrap_.Cut);

    // Only lines with a fitted parabola take part: a line with fewer than
    // three points (or all its points on one X or Y) has no row.
    std::vector<std::array<double, 5>> rows;
    int32_t parallels = 0, meridians = 0;
    for (int32_t i = 0; i < data_.NumGratLines; ++i) {
        const TGratLine& line = data_.GratLines[i];
        if (line.NumPoints < 3 || !std::isfinite(line.Value))
            continue;
        const bool parallel = line.Kind == gtlParallel;
        numkit::TCurveFit fit;
        for (int32_t j = 0; j < line.NumPoints; ++j) {
            const double px = line.Points[j].X, py = line.Points[j].Y;
            if (parallel)
                fit.EnterStatValue(px, py);
            else
                fit.EnterStatValue(py, px);
        }
        double k0 = 0, k1 = 0, k2 = 0, q = 0;
        if (!fit.CalcParabolFit(k0, k1, k2, q))
            continue;
        rows.push_back({parallel ? 1.0 : 0.0, parallel ? line.Value : lineWrap_.Apply(line.Value), k0, k1, k2});
        ++(parallel ? parallels : meridians);
    }
    paraValid_ = parallels >= 2 && meridians >= 2;
    if (!paraValid_) {
        gratMat_.Resize(5, 1);
        gratMat_.Fill(0);
        return false;
    }
    gratMat_.Resize(5, static_cast<int32_t>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (int32_t c = 0; c < 5; ++c)
            gratMat_.SetVal(c + 1, static_cast<int32_t>(r) + 1, rows[r][c]);
    return true;
}

void TGeoCalibration::CalcBiquadraticCalibration()
{
    xFromGeo_.Fill(0);
    yFromGeo_.Fill(0);
    latFromPixel_.Fill(0);
    longFromPixel_.Fill(0);
    biqValid_ = false;

    UpdatePointWrap();

    const int32_t n = data_.NumCalPoints;
    if (n < 6 || !PointInputUsable())
        return;

    // Both designs are formed in double (products of pixel coordinates overflow
    // 32-bit integers beyond 46340 pixels) and solved with every column scaled
    // to a largest magnitude of 1, so that the relative cut-off of the
    // decomposition judges the geometry of the points and not the units; the
    // coefficients are scaled back afterwards.
    auto solve = [n](const std::array<std::vector<double>, 6>& cols, const std::vector<double>& rhs,
                     numkit::TVector& out) {
        numkit::TMatrix m(6, n);
        std::array<double, 6> scale{};
        for (int32_t c = 0; c < 6; ++c) {
            double mx = 0;
            for (int32_t i = 0; i < n; ++i)
                mx = std::max(mx, std::fabs(cols[c][i]));
            scale[c] = mx > 0 ? mx : 1;
            for (int32_t i = 0; i < n; ++i)
                m.SetVal(c + 1, i + 1, cols[c][i] / scale[c]);
        }
        numkit::TVector v(n), sol;
        for (int32_t i = 0; i < n; ++i)
            v.SetVal(i + 1, rhs[i]);
        int32_t rank = 0;
        if (!numkit::SolveLeastSquaresSVD(m, v, sol, 1e-14, &rank) || rank < 6)
            return false;
        for (int32_t c = 0; c < 6; ++c) {
            const double val = sol.GetVal(c + 1) / scale[c];
            if (!std::isfinite(val))
                return false;
            out.SetVal(c + 1, val);
        }
        return true;
    };

    std::array<std::vector<double>, 6> pix, geo;
    for (auto& c : pix)
        c.resize(n);
    for (auto& c : geo)
        c.resize(n);
    std::vector<double> lat(n), lon(n), xs(n), ys(n);
    for (int32_t i = 0; i < n; ++i) {
        const TCalPoint& p = data_.CalPoints[i];
        const double x = p.X, y = p.Y, la = p.Lat, lo = pointWrap_.Apply(p.Long);
        pix[0][i] = 1;
        pix[1][i] = x;
        pix[2][i] = y;
        pix[3][i] = x * x;
        pix[4][i] = x * y;
        pix[5][i] = y * y;
        geo[0][i] = 1;
        geo[1][i] = la;
        geo[2][i] = lo;
        geo[3][i] = la * la;
        geo[4][i] = la * lo;
        geo[5][i] = lo * lo;
        lat[i] = la;
        lon[i] = lo;
        xs[i] = x;
        ys[i] = y;
    }
    numkit::TVector a(6), b(6), cx(6), cy(6);
    if (solve(pix, lat, a) && solve(pix, lon, b) && solve(geo, xs, cx) && solve(geo, ys, cy)) {
        latFromPixel_ = a;
        longFromPixel_ = b;
        xFromGeo_ = cx;
        yFromGeo_ = cy;
        biqValid_ = true;
    }
}

void TGeoCalibration::CalcMillerCylCalibration()
{
    millerKx_ = millerDx_ = millerKy_ = millerDy_ = 0;
    millerValid_ = false;
    UpdatePointWrap();
    if (data_.NumCalPoints < 3 || !PointInputUsable())
        return;
    numkit::TCurveFit fx, fy;
    for (int32_t i = 0; i < data_.NumCalPoints; ++i) {
        const TCalPoint& p = data_.CalPoints[i];
        fx.EnterStatValue(pointWrap_.Apply(p.Long) * DegToRad, p.X);
        fy.EnterStatValue(std::log(std::tan(0.4 * p.Lat * DegToRad + std::numbers::pi / 4)), p.Y);
    }
    double kx = 0, dx = 0, ky = 0, dy = 0, q = 0;
    if (!fx.CalcLinFit(kx, dx, q) || !fy.CalcLinFit(ky, dy, q))
        return;
    if (kx == 0 || ky == 0)
        return;
    millerKx_ = kx;
    millerDx_ = dx;
    millerKy_ = ky;
    millerDy_ = dy;
    millerValid_ = true;
}

void TGeoCalibration::CalcConicCalibration()
{
    conicXc_ = conicYc_ = conicKLat_ = conicDLat_ = conicKLong_ = conicDLong_ = 0;
    conicSide_ = 1;
    conicValid_ = false;
    UpdatePointWrap();
    const int32_t n = data_.NumCalPoints;
    if (n < 3 || !PointInputUsable())
        return;

    std::vector<double> px(n), py(n), lat(n), lon(n), r(n), th(n), lonUsed(n);
    for (int32_t i = 0; i < n; ++i) {
        px[i] = data_.CalPoints[i].X;
        py[i] = data_.CalPoints[i].Y;
        lat[i] = data_.CalPoints[i].Lat;
        lon[i] = pointWrap_.Apply(data_.CalPoints[i].Long);
    }

    // The error of one apex candidate: the squared RMS residuals of latitude
    // against the distance from the apex and of longitude against the angle.
    auto evaluate = [&](double xc, double yc, std::array<double, 4>& coef) {
        std::size_t m = 0;
        for (int32_t i = 0; i < n; ++i) {
            r[i] = std::hypot(px[i] - xc, py[i] - yc);
            if (py[i] != yc) {
                th[m] = std::atan((px[i] - xc) / (py[i] - yc));
                lonUsed[m] = lon[i];
                ++m;
            }
        }
        double kLat = 0, dLat = 0, kLong = 0, dLong = 0;
        if (!LineFit(r.data(), lat.data(), std::size_t(n), kLat, dLat) ||
            !LineFit(th.data(), lonUsed.data(), m, kLong, dLong))
            return std::numeric_limits<double>::infinity();
        double sLat = 0, sLong = 0;
        for (int32_t i = 0; i < n; ++i) {
            const double e = lat[i] - kLat * r[i] - dLat;
            sLat += e * e;
        }
        for (std::size_t i = 0; i < m; ++i) {
            const double e = lonUsed[i] - kLong * th[i] - dLong;
            sLong += e * e;
        }
        coef = {kLat, dLat, kLong, dLong};
        return sLat / n + sLong / n;
    };

    // Coarse-to-fine grid search for the apex, from the image centre.
    double best = 1e10;
    std::array<double, 4> bestCoef{};
    int64_t bestX = width_ / 2, bestY = height_ / 2;
    bool found = false;
    int64_t cx = bestX, cy = bestY;
    for (int64_t step = 1000000; step >= 1; step /= 2) {
        PYX_pyxbase::IncProcStat();
        for (int64_t i = -2; i <= 2; ++i)
            for (int64_t j = -2; j <= 2; ++j) {
                const int64_t xc = cx + step * i, yc = cy + step * j;
                std::array<double, 4> coef{};
                const double err = evaluate(double(xc), double(yc), coef);
                if (err < best) {
                    best = err;
                    bestCoef = coef;
                    bestX = xc;
                    bestY = yc;
                    found = true;
                }
            }
        cx = bestX;
        cy = bestY;
    }
    if (!found)
        return;
    const auto [kLat, dLat, kLong, dLong] = bestCoef;
    if (kLat == 0 || kLong == 0 || !std::isfinite(kLat) || !std::isfinite(kLong))
        return;
    // The side of the apex on which the map lies, for the way back from
    // geography to pixels.
    double side = 0;
    for (int32_t i = 0; i < n; ++i)
        side += py[i] - double(bestY);
    conicXc_ = double(bestX);
    conicYc_ = double(bestY);
    conicKLat_ = kLat;
    conicDLat_ = dLat;
    conicKLong_ = kLong;
    conicDLong_ = dLong;
    conicSide_ = side < 0 ? -1 : 1;
    conicValid_ = true;
}

} // namespace PYX_geomap
