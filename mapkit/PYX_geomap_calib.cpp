// TGeoCalibration: the calibration input (lines and points, with removal and
// restore), the conversions between pixels and geography, the corners and
// resolution of the image, the quality figure and the position test.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "mapkit/PYX_geomap.h"
#include "numkit/numkit.h"
#include "vcl/System.h"

namespace PYX_geomap {

namespace {

constexpr double DegToRad = std::numbers::pi / 180.0;

// Edge test of PositionInMap: the signed area of the triangle (A, B, P).
double SignedArea(const TCoords& A, const TCoords& B, double Lat, double Long) noexcept
{
    return (B.Lat - A.Lat) * (A.Long - Long) + (B.Long - A.Long) * (Lat - A.Lat);
}

// Picks the two rows with the smallest distance: a distance strictly below
// the best makes the old best the second, one strictly below the second
// replaces the second, ties keep the earlier row.
struct TBestTwo {
    double DistE = 1e20, DistF = 1e20;
    int32_t RowE = 0, RowF = 0;
    void Offer(double Dist, int32_t Row) noexcept
    {
        if (Dist < DistE) {
            DistF = DistE;
            RowF = RowE;
            DistE = Dist;
            RowE = Row;
        } else if (Dist < DistF) {
            DistF = Dist;
            RowF = Row;
        }
    }
    bool Found() const noexcept { return RowE > 0 && RowF > 0; }
};

double Parabola(const numkit::TMatrix& M, int32_t Row, double t) noexcept
{
    return M.GetVal(3, Row) + M.GetVal(4, Row) * t + M.GetVal(5, Row) * t * t;
}

bool IsParallelRow(const numkit::TMatrix& M, int32_t Row) noexcept { return M.GetVal(1, Row) > 0.5; }

// The second-order polynomial c1 + c2 u + c3 v + c4 u^2 + c5 u v + c6 v^2
// whose coefficients the biquadratic model fits in both directions.
double Biquadratic(const numkit::TVector& c, double u, double v) noexcept
{
    return c.GetVal(1) + c.GetVal(2) * u + c.GetVal(3) * v + c.GetVal(4) * u * u + c.GetVal(5) * u * v +
           c.GetVal(6) * v * v;
}

} // namespace

bool PositionInMap(double Lat, double Long, const std::array<TCoords, 4>& Corners) noexcept
{
    const TCoords& c0 = Corners[gcoTopLeft];
    const TCoords& c1 = Corners[gcoBottomLeft];
    const TCoords& c2 = Corners[gcoBottomRight];
    const TCoords& c3 = Corners[gcoTopRight];
    const double s0 = SignedArea(c0, c3, Lat, Long);
    const double s1 = SignedArea(c1, c0, Lat, Long);
    const double s2 = SignedArea(c2, c1, Lat, Long);
    const double s3 = SignedArea(c3, c2, Lat, Long);
    return s1 * s0 > 0 && s2 * s0 > 0 && s3 * s0 > 0;
}

double TGeoCalibration::TLongWrap::Apply(double Long) const noexcept
{
    if (!Active || !std::isfinite(Long))
        return Long;
    double m = std::fmod(Long - Cut, 360.0);
    if (m < 0)
        m += 360.0;
    if (m >= 360.0)
        m = 0;
    return Cut + m;
}

TGeoCalibration::TGeoCalibration(vcl::TObject* Sender)
    : sender_(Sender), gratMat_(5, 1), xFromGeo_(6), yFromGeo_(6), latFromPixel_(6), longFromPixel_(6)
{
}

void TGeoCalibration::Changed()
{
    if (OnChange)
        OnChange(sender_);
}

void TGeoCalibration::RaiseUnsupported(const char* Routine) const
{
    throw EPYXGeoMapError("Component \"" + name_ + "\": current calibration model does not support this version of " +
                          Routine);
}

void TGeoCalibration::SetMapSize(int32_t Width, int32_t Height)
{
    Width = std::max<int32_t>(Width, 0);
    Height = std::max<int32_t>(Height, 0);
    if (Width == width_ && Height == height_)
        return;
    width_ = Width;
    height_ = Height;
    RecalcCalibration();
}

void TGeoCalibration::SetCalibModel(TCalibModel Model)
{
    if (Model > cmMillerCylindrical)
        return;
    model_ = Model;
    RecalcCalibration();
}

void TGeoCalibration::SanitizeData() noexcept
{
    data_.NumGratLines = std::clamp<int32_t>(data_.NumGratLines, 0, MaxGratLines);
    for (TGratLine& line : data_.GratLines)
        line.NumPoints = std::clamp<int32_t>(line.NumPoints, 0, MaxGratLinePoints);
    data_.NumCalPoints = std::clamp<int32_t>(data_.NumCalPoints, 0, MaxCalPoints);
}

void TGeoCalibration::SetCalibData(const TCalibData& Data)
{
    data_ = Data;
    SanitizeData();
    RefitAll();
    Changed();
}

void TGeoCalibration::RefitAll()
{
    PYX_pyxbase::IncProcStat();
    RecalcGratMat();
    CalcBiquadraticCalibration();
    CalcConicCalibration();
    CalcMillerCylCalibration();
}

void TGeoCalibration::RecalcCalibration()
{
    RefitAll();
    CalcExtentsAndResolution();
    Changed();
}

// ---------------------------------------------------------------------------
// Calibration input

bool TGeoCalibration::AddLinePointNoFit(TGratLineKind Kind, double Value, int32_t X, int32_t Y)
{
    if (!std::isfinite(Value) || Kind > gtlParallel)
        return false;
    int32_t found = -1;
    for (int32_t i = 0; i < data_.NumGratLines; ++i)
        if (data_.GratLines[i].Kind == Kind && data_.GratLines[i].Value == Value) {
            found = i;
            break;
        }
    if (found < 0) {
        if (data_.NumGratLines >= MaxGratLines)
            return false;
        found = data_.NumGratLines++;
        TGratLine& line = data_.GratLines[found];
        line = TGratLine{};
        line.Kind = Kind;
        line.Value = Value;
    }
    TGratLine& line = data_.GratLines[found];
    if (line.NumPoints >= MaxGratLinePoints)
        return false;
    line.Points[line.NumPoints++] = TGratLinePoint{X, Y};
    return true;
}

bool TGeoCalibration::AddCalibPoint(TGratLineKind Kind, double Value, int32_t X, int32_t Y)
{
    if (model_ != cmParabolicIp)
        RaiseUnsupported("AddCalibPoint");
    const bool result = AddLinePointNoFit(Kind, Value, X, Y);
    RefitAll();
    CalcExtentsAndResolution();
    Changed();
    return result;
}

bool TGeoCalibration::AddCalibPoint(double Lat, double Long, int32_t X, int32_t Y)
{
    if (model_ == cmParabolicIp)
        RaiseUnsupported("AddCalibPoint");
    bool result = false;
    if (data_.NumCalPoints < MaxCalPoints && std::isfinite(Lat) && std::isfinite(Long)) {
        data_.CalPoints[data_.NumCalPoints++] = TCalPoint{Lat, Long, X, Y};
        result = true;
        RefitAll();
        CalcExtentsAndResolution();
    }
    Changed();
    return result;
}

bool TGeoCalibration::RemoveLinePointAt(int32_t Line, int32_t Point)
{
    TGratLine& line = data_.GratLines[Line];
    line.Points[Point] = line.Points[line.NumPoints - 1];
    line.Points[line.NumPoints - 1] = TGratLinePoint{};
    --line.NumPoints;
    if (line.NumPoints == 0) {
        const int32_t last = data_.NumGratLines - 1;
        data_.GratLines[Line] = data_.GratLines[last];
        data_.GratLines[last] = TGratLine{};
        --data_.NumGratLines;
    }
    return true;
}

bool TGeoCalibration::RemoveCalibPoint(TGratLineKind Kind, double Value, int32_t X, int32_t Y)
{
    if (model_ != cmParabolicIp)
        RaiseUnsupported("RemoveCalibPoint");
    bool result = false;
    for (int32_t i = 0; i < data_.NumGratLines && !result; ++i) {
        const TGratLine& line = data_.GratLines[i];
        if (line.Kind != Kind || line.Value != Value)
            continue;
        for (int32_t j = 0; j < line.NumPoints; ++j)
            if (line.Points[j].X == X && line.Points[j].Y == Y) {
                result = RemoveLinePointAt(i, j);
                break;
            }
    }
    RefitAll();
    CalcExtentsAndResolution();
    Changed();
    return result;
}

void TGeoCalibration::RemoveCalPointAt(int32_t Index)
{
    const int32_t last = data_.NumCalPoints - 1;
    data_.CalPoints[Index] = data_.CalPoints[last];
    data_.CalPoints[last] = TCalPoint{};
    --data_.NumCalPoints;
}

bool TGeoCalibration::RemoveCalibPoint(int32_t X, int32_t Y)
{
    // Squared distances in double: the differences of two int32 values squared
    // do not fit in 64-bit integers.
    auto dist2 = [X, Y](int32_t px, int32_t py) {
        const double dx = double(px) - double(X);
        const double dy = double(py) - double(Y);
        return dx * dx + dy * dy;
    };
    bool result = false;
    if (model_ == cmParabolicIp) {
        int32_t bestLine = -1, bestPoint = -1;
        double best = std::numeric_limits<double>::infinity();
        for (int32_t i = 0; i < data_.NumGratLines; ++i)
            for (int32_t j = 0; j < data_.GratLines[i].NumPoints; ++j) {
                const double d = dist2(data_.GratLines[i].Points[j].X, data_.GratLines[i].Points[j].Y);
                if (bestLine < 0 || d < best) {
                    best = d;
                    bestLine = i;
                    bestPoint = j;
                }
            }
        if (bestLine >= 0) {
            const TGratLine& line = data_.GratLines[bestLine];
            lastLineKind_ = line.Kind;
            lastLineValue_ = line.Value;
            lastLinePoint_ = line.Points[bestPoint];
            lastLinePointValid_ = true;
            result = RemoveLinePointAt(bestLine, bestPoint);
        }
    } else {
        int32_t bestIx = -1;
        double best = std::numeric_limits<double>::infinity();
        for (int32_t i = 0; i < data_.NumCalPoints; ++i) {
            const double d = dist2(data_.CalPoints[i].X, data_.CalPoints[i].Y);
            if (bestIx < 0 || d < best) {
                best = d;
                bestIx = i;
            }
        }
        if (bestIx >= 0) {
            lastPoint_ = data_.CalPoints[bestIx];
            lastPointValid_ = true;
            RemoveCalPointAt(bestIx);
            result = true;
        }
    }
    RefitAll();
    CalcExtentsAndResolution();
    Changed();
    return result;
}

bool TGeoCalibration::RestoreLastDeletedCalPoint()
{
    if (model_ == cmParabolicIp) {
        if (!lastLinePointValid_)
            return false;
        lastLinePointValid_ = false;
        return AddCalibPoint(lastLineKind_, lastLineValue_, lastLinePoint_.X, lastLinePoint_.Y);
    }
    if (!lastPointValid_)
        return false;
    lastPointValid_ = false;
    return AddCalibPoint(lastPoint_.Lat, lastPoint_.Long, lastPoint_.X, lastPoint_.Y);
}

void TGeoCalibration::ClearCalibData()
{
    data_.NumGratLines = 0;
    for (TGratLine& line : data_.GratLines)
        line = TGratLine{};
    data_.Corners = {};
    data_.NumCalPoints = 0;
    for (TCalPoint& p : data_.CalPoints)
        p = TCalPoint{};
    // Without input no model can be fitted: every coefficient becomes 0 and
    // every model reports its conversions as invalid.
    RefitAll();
    Changed();
}

// ---------------------------------------------------------------------------
// Conversions

bool TGeoCalibration::GetModelValid(TCalibModel Model) const noexcept
{
    switch (Model) {
    case cmParabolicIp: return paraValid_;
    case cmBiquadraticPn: return biqValid_;
    case cmConicConformal: return conicValid_;
    case cmMillerCylindrical: return millerValid_;
    }
    return false;
}

double TGeoCalibration::ConicLat(double X, double Y, bool& Valid) const noexcept
{
    Valid = conicValid_ && Y != conicYc_;
    if (!Valid)
        return 0;
    return std::hypot(X - conicXc_, Y - conicYc_) * conicKLat_ + conicDLat_;
}

double TGeoCalibration::ConicLong(double X, double Y, bool& Valid) const noexcept
{
    Valid = conicValid_ && Y != conicYc_;
    if (!Valid)
        return 0;
    return std::atan((X - conicXc_) / (Y - conicYc_)) * conicKLong_ + conicDLong_;
}

double TGeoCalibration::ParabolicLat(double X, double Y, bool& Valid) const noexcept
{
    Valid = false;
    if (!paraValid_)
        return 0;
    TBestTwo best;
    for (int32_t r = 1; r <= gratMat_.GetNrOfRows(); ++r)
        if (IsParallelRow(gratMat_, r))
            best.Offer(std::fabs(Y - Parabola(gratMat_, r, X)), r);
    if (!best.Found())
        return 0;
    const double ye = Parabola(gratMat_, best.RowE, X);
    const double yf = Parabola(gratMat_, best.RowF, X);
    if (ye == yf)
        return 0;
    const double phiE = gratMat_.GetVal(2, best.RowE);
    const double phiF = gratMat_.GetVal(2, best.RowF);
    Valid = true;
    return (phiE - phiF) * (Y - yf) / (ye - yf) + phiF;
}

double TGeoCalibration::ParabolicLong(double X, double Y, bool& Valid) const noexcept
{
    Valid = false;
    if (!paraValid_)
        return 0;
    TBestTwo best;
    for (int32_t r = 1; r <= gratMat_.GetNrOfRows(); ++r)
        if (!IsParallelRow(gratMat_, r))
            best.Offer(std::fabs(X - Parabola(gratMat_, r, Y)), r);
    if (!best.Found())
        return 0;
    const double xe = Parabola(gratMat_, best.RowE, Y);
    const double xf = Parabola(gratMat_, best.RowF, Y);
    if (xe == xf)
        return 0;
    const double lamE = gratMat_.GetVal(2, best.RowE);
    const double lamF = gratMat_.GetVal(2, best.RowF);
    Valid = true;
    return (lamE - lamF) * (X - xf) / (xe - xf) + lamF;
}

double TGeoCalibration::CalcLatitude(int32_t X, int32_t Y, bool& Valid) const noexcept
{
    const double x = X, y = Y;
    double lat = 0;
    switch (model_) {
    case cmBiquadraticPn: {
        Valid = biqValid_;
        lat = Biquadratic(latFromPixel_, x, y);
        break;
    }
    case cmConicConformal: lat = ConicLat(x, y, Valid); break;
    case cmMillerCylindrical:
        Valid = millerValid_;
        if (Valid)
            lat = (std::atan(std::exp((y - millerDy_) / millerKy_)) - std::numbers::pi / 4) * 143.2394487827058;
        break;
    case cmParabolicIp: lat = ParabolicLat(x, y, Valid); break;
    default: Valid = false;
    }
    if (!Valid || !std::isfinite(lat)) {
        Valid = false;
        return 0;
    }
    return lat;
}

double TGeoCalibration::CalcLongitude(int32_t X, int32_t Y, bool& Valid) const noexcept
{
    const double x = X, y = Y;
    double lon = 0;
    switch (model_) {
    case cmBiquadraticPn: {
        Valid = biqValid_;
        lon = Biquadratic(longFromPixel_, x, y);
        break;
    }
    case cmConicConformal: lon = ConicLong(x, y, Valid); break;
    case cmMillerCylindrical:
        Valid = millerValid_;
        if (Valid)
            lon = (x - millerDx_) / millerKx_ / std::numbers::pi * 180.0;
        break;
    case cmParabolicIp: lon = ParabolicLong(x, y, Valid); break;
    default: Valid = false;
    }
    if (!Valid || !std::isfinite(lon)) {
        Valid = false;
        return 0;
    }
    return lon;
}

bool TGeoCalibration::ParabolicPixel(double Lat, double Long, double& X, double& Y) const noexcept
{
    if (!paraValid_)
        return false;
    Long = lineWrap_.Apply(Long);
    TBestTwo par, mer;
    for (int32_t r = 1; r <= gratMat_.GetNrOfRows(); ++r) {
        const double v = gratMat_.GetVal(2, r);
        if (IsParallelRow(gratMat_, r))
            par.Offer(std::fabs(v - Lat), r);
        else
            mer.Offer(std::fabs(v - Long), r);
    }
    if (!par.Found() || !mer.Found())
        return false;
    const double phiE = gratMat_.GetVal(2, par.RowE), phiF = gratMat_.GetVal(2, par.RowF);
    const double lamE = gratMat_.GetVal(2, mer.RowE), lamF = gratMat_.GetVal(2, mer.RowF);
    if (phiE == phiF || lamE == lamF)
        return false;
    double p[3], m[3];
    for (int32_t k = 0; k < 3; ++k) {
        const double pe = gratMat_.GetVal(3 + k, par.RowE), pf = gratMat_.GetVal(3 + k, par.RowF);
        const double me = gratMat_.GetVal(3 + k, mer.RowE), mf = gratMat_.GetVal(3 + k, mer.RowF);
        p[k] = (pe - pf) * (Lat - phiF) / (phiE - phiF) + pf;
        m[k] = (me - mf) * (Long - lamF) / (lamE - lamF) + mf;
    }
    // The crossing of the interpolated parallel Y = P(X) and meridian X = M(Y)
    // by fixed-point iteration. It counts only when it settled to well below a
    // pixel within the rounds and stayed in a sane range.
    constexpr double Limit = 50000;
    double x = 500, y = 0, dx = 0, dy = 0;
    for (int32_t round = 0; round < 15; ++round) {
        const double ny = p[0] + p[1] * x + p[2] * x * x;
        const double nx = m[0] + m[1] * ny + m[2] * ny * ny;
        dx = nx - x;
        dy = ny - y;
        x = nx;
        y = ny;
        if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > Limit || std::fabs(y) > Limit)
            return false;
    }
    if (std::fabs(dx) >= 0.5 || std::fabs(dy) >= 0.5)
        return false;
    X = x;
    Y = y;
    return true;
}

bool TGeoCalibration::CalcPixelCoords(double Lat, double Long, int32_t& X, int32_t& Y) const noexcept
{
    X = 0;
    Y = 0;
    if (!std::isfinite(Lat) || !std::isfinite(Long))
        return false;
    double x = 0, y = 0;
    switch (model_) {
    case cmBiquadraticPn: {
        if (!biqValid_)
            return false;
        const double lon = pointWrap_.Apply(Long);
        x = Biquadratic(xFromGeo_, Lat, lon);
        y = Biquadratic(yFromGeo_, Lat, lon);
        break;
    }
    case cmConicConformal: {
        if (!conicValid_)
            return false;
        const double lon = pointWrap_.Apply(Long);
        const double angle = (lon - conicDLong_) / conicKLong_;
        // Beyond a half turn around the apex the meridian has no pixel.
        if (!(std::fabs(angle) < std::numbers::pi / 2))
            return false;
        const double t = std::tan(angle);
        const double rho = (Lat - conicDLat_) / conicKLat_ / std::sqrt(t * t + 1);
        if (!(rho >= 0) || !std::isfinite(rho))
            return false;
        // The side of the apex the map lies on was found by the fit; the sign
        // of the latitude says nothing about it.
        y = conicYc_ + conicSide_ * rho;
        if (!(std::fabs(y) < 2147483647.0))
            return false;
        const int32_t yr = vcl::SatRound(y);
        x = t * (double(yr) - conicYc_) + conicXc_;
        if (!(std::fabs(x) < 2147483647.0))
            return false;
        X = vcl::SatRound(x);
        Y = yr;
        return true;
    }
    case cmMillerCylindrical: {
        if (!millerValid_)
            return false;
        const double lon = pointWrap_.Apply(Long);
        x = lon * DegToRad * millerKx_ + millerDx_;
        y = std::log(std::tan(0.4 * Lat * DegToRad + std::numbers::pi / 4)) * millerKy_ + millerDy_;
        break;
    }
    case cmParabolicIp:
        if (!ParabolicPixel(Lat, Long, x, y))
            return false;
        break;
    default: return false;
    }
    if (!(std::fabs(x) < 2147483647.0) || !(std::fabs(y) < 2147483647.0))
        return false;
    X = vcl::SatRound(x);
    Y = vcl::SatRound(y);
    return true;
}

bool TGeoCalibration::CalibQuality(double& QualX, double& QualY) const
{
    QualX = 0;
    QualY = 0;
    if (model_ == cmParabolicIp || !GetModelValid(model_))
        return false;
    numkit::TCurveFit fx, fy;
    for (int32_t i = 0; i < data_.NumCalPoints; ++i) {
        const TCalPoint& p = data_.CalPoints[i];
        int32_t x = 0, y = 0;
        if (!CalcPixelCoords(p.Lat, p.Long, x, y))
            continue;
        fx.EnterStatValue(p.X, x);
        fy.EnterStatValue(p.Y, y);
    }
    numkit::TStatistics sx, sy;
    fx.CalcStatistics(sx);
    fy.CalcStatistics(sy);
    QualX = sx.Value(6);
    QualY = sy.Value(6);
    return true;
}

bool TGeoCalibration::IsPositionWithinMap(double Lat, double Long) const noexcept
{
    const TLongWrap& wrap = model_ == cmParabolicIp ? lineWrap_ : pointWrap_;
    return PositionInMap(Lat, wrap.Apply(Long), data_.Corners);
}

void TGeoCalibration::CalcExtentsAndResolution()
{
    const int32_t w = width_, h = height_;
    const std::array<vcl::TPoint, 4> px = {vcl::TPoint{0, 0}, vcl::TPoint{0, h}, vcl::TPoint{w, h}, vcl::TPoint{w, 0}};
    for (int32_t i = 0; i < 4; ++i) {
        bool valid = false;
        data_.Corners[i].Lat = CalcLatitude(px[i], valid);
        data_.Corners[i].Long = CalcLongitude(px[i], valid);
    }
    // Metres per pixel along the horizontal middle line: the path is followed
    // in 100 steps, so that a wide map (up to the whole world) is measured
    // along the line and not by the chord between its ends.
    data_.Resolution = 0;
    if (w < 1)
        return;
    const int32_t ym = h / 2;
    constexpr int32_t Steps = 100;
    double sum = 0, lat0 = 0, lon0 = 0;
    for (int32_t s = 0; s <= Steps; ++s) {
        const int32_t x = vcl::SatRound(double(w) * s / Steps);
        bool v1 = false, v2 = false;
        const double lat = CalcLatitude(x, ym, v1);
        const double lon = CalcLongitude(x, ym, v2);
        if (!v1 || !v2)
            return;
        if (s > 0) {
            const double d = numkit::SphereGreatCircleDist(EarthRadius, lat0, lon0, lat, lon);
            if (d < 0)
                return;
            sum += d;
        }
        lat0 = lat;
        lon0 = lon;
    }
    data_.Resolution = sum / w;
}

} // namespace PYX_geomap
