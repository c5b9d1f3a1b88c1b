// The map module of mapkit. This header currently offers the calibration of a
// map image: the record that holds the user's calibration input, and
// TGeoCalibration, which fits the four calibration models to that input and
// converts between pixels of the map image and geographic coordinates.
//
// Pixels: X to the right, Y downwards, origin at the top-left pixel of the map
// image (independent of zoom and pan). Geography: latitude and longitude in
// degrees, north and east positive.
//
// Longitudes and the date line: when the calibration input of a model lies
// across the date line (for example 170 and -170 for the two edges of a map),
// the fit works on longitudes made continuous (-170 becomes 190). Longitudes
// computed from pixels are then continuous too and may leave -180..180 (190),
// and longitudes given to CalcPixelCoords and IsPositionWithinMap may be
// written in any turn (190, -170 and 550 are the same meridian). Calibrations
// that do not cross the date line (a world map from -180 to 180 included) use
// all longitudes exactly as given.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "corekit/PYX_pyxbase.h"
#include "numkit/numkit.h"
#include "vcl/Classes.h"
#include "vcl/GraphicsTypes.h"

namespace PYX_geomap {

class EPYXGeoMapError : public PYX_pyxbase::EPYXError {
public:
    using PYX_pyxbase::EPYXError::EPYXError;
};

// The calibration models.
enum TCalibModel : uint8_t {
    cmParabolicIp,       // graticule lines fitted as parabolas, interpolation between the nearest two
    cmBiquadraticPn,     // second-degree polynomials both ways, least squares over calibration points
    cmConicConformal,    // parallels as concentric circles, meridians as straight lines through an apex
    cmMillerCylindrical  // Miller cylindrical projection, scale and offset fitted per axis
};

enum TGratLineKind : uint8_t { gtlMeridian, gtlParallel };

enum TCorners : uint8_t { gcoTopLeft, gcoBottomLeft, gcoBottomRight, gcoTopRight };

struct TCoords {
    double Lat = 0;
    double Long = 0;
    friend bool operator==(const TCoords&, const TCoords&) = default;
};

inline constexpr int32_t MaxGratLines = 25;
inline constexpr int32_t MaxGratLinePoints = 10;
inline constexpr int32_t MaxCalPoints = 200;

struct TGratLinePoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TGratLinePoint&, const TGratLinePoint&) = default;
};

// A calibration line: a meridian (Value = its longitude) or a parallel (Value
// = its latitude) and up to MaxGratLinePoints pixels of the image on it.
struct TGratLine {
    TGratLineKind Kind = gtlMeridian;
    double Value = 0;
    int32_t NumPoints = 0;
    std::array<TGratLinePoint, MaxGratLinePoints> Points{};
    friend bool operator==(const TGratLine&, const TGratLine&) = default;
};

struct TCalPoint {
    double Lat = 0;
    double Long = 0;
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TCalPoint&, const TCalPoint&) = default;
};

// The calibration record of a map. Lines and points are numbered from 1 in
// the interface; the arrays here count from 0.
struct TCalibData {
    std::string MapName;
    std::string Caption;
    std::array<TCoords, 4> Corners{};  // indexed by TCorners
    double Resolution = 0;             // metres per pixel along the horizontal middle line
    int32_t NumGratLines = 0;          // 0..MaxGratLines
    std::array<TGratLine, MaxGratLines> GratLines{};
    int32_t NumCalPoints = 0;          // 0..MaxCalPoints
    std::array<TCalPoint, MaxCalPoints> CalPoints{};
    friend bool operator==(const TCalibData&, const TCalibData&) = default;
};

// True when (Lat, Long) lies strictly inside the quadrilateral of the four
// corners (in TCorners order); points on an edge are outside.
bool PositionInMap(double Lat, double Long, const std::array<TCoords, 4>& Corners) noexcept;

// The radius of the earth used for the resolution, in metres.
inline constexpr double EarthRadius = 6378000.0;

// ---------------------------------------------------------------------------
// TGeoCalibration: the calibration of one map image, independent of any
// drawing. The map control holds one and forwards its calibration methods.
//
// Every change of the input refits all models, so that the coefficients
// always belong to the current input. A model without a usable fit (too few
// points, points on one line, a failed decomposition, a zero slope) reports
// Valid false from its conversions, and its coefficients are 0:
//   biquadratic  at least 6 points, neither the pixels nor the positions on
//                one line, both polynomial systems of full rank;
//   Miller, conic at least 3 points, neither the pixels nor the positions on
//                one line, finite non-zero slopes;
//   parabolic    at least 2 parallels and 2 meridians of 3 or more points.
class TGeoCalibration {
public:
    // A new calibration: no input, every coefficient 0, model cmBiquadraticPn,
    // map size 0 x 0. Sender is handed to OnChange (may be null).
    explicit TGeoCalibration(vcl::TObject* Sender = nullptr);

    // The name of the owning component, used in error messages.
    const std::string& GetName() const noexcept { return name_; }
    void SetName(const std::string& Name) { name_ = Name; }

    // The size of the map image in pixels. A change refits (the apex search of
    // the conic model starts at the image centre) and recomputes the corners
    // and the resolution. Negative sizes count as 0.
    int32_t GetMapWidth() const noexcept { return width_; }
    int32_t GetMapHeight() const noexcept { return height_; }
    void SetMapSize(int32_t Width, int32_t Height);

    TCalibModel GetCalibModel() const noexcept { return model_; }
    // Stores the model and refits, also when it is unchanged. A value outside
    // the enumeration is ignored.
    void SetCalibModel(TCalibModel Model);

    // The calibration record. SetCalibData takes the whole record (counts are
    // clamped to their ranges, point counts of lines too) and refits; the
    // corners and the resolution are taken as given (as read from a file).
    const TCalibData& GetCalibData() const noexcept { return data_; }
    void SetCalibData(const TCalibData& Data);
    void SetMapName(const std::string& Name) { data_.MapName = Name; }
    void SetCaption(const std::string& Caption) { data_.Caption = Caption; }

    // Adds a pixel on a calibration line (only under cmParabolicIp; otherwise
    // raises EPYXGeoMapError). A line of the same kind and exactly the same
    // value is extended, else a new line is started. False when the tables are
    // full (25 lines, 10 points per line) or Value is not finite.
    bool AddCalibPoint(TGratLineKind Kind, double Value, int32_t X, int32_t Y);
    // Adds a calibration point (only under the three point models; otherwise
    // raises EPYXGeoMapError). False when 200 points are used or a coordinate
    // is not finite.
    bool AddCalibPoint(double Lat, double Long, int32_t X, int32_t Y);
    // Removes the pixel (X, Y) from the line of that kind and value (only
    // under cmParabolicIp). True when it was found.
    bool RemoveCalibPoint(TGratLineKind Kind, double Value, int32_t X, int32_t Y);
    // Removes the calibration input nearest to (X, Y): a calibration point
    // under the point models, a line pixel under cmParabolicIp. The removed
    // input is kept for RestoreLastDeletedCalPoint. True when any existed.
    bool RemoveCalibPoint(int32_t X, int32_t Y);
    // Adds the last removed input of the current model's kind again, once.
    bool RestoreLastDeletedCalPoint();
    // Empties the lines and points and the corners; every fit becomes
    // invalid with all coefficients 0. Map name, caption and resolution stay.
    void ClearCalibData();
    // Refits every model and recomputes the corners and the resolution.
    void RecalcCalibration();

    // Pixel to geography. Valid tells whether the value means anything; an
    // invalid result is 0.
    double CalcLatitude(int32_t X, int32_t Y, bool& Valid) const noexcept;
    double CalcLongitude(int32_t X, int32_t Y, bool& Valid) const noexcept;
    double CalcLatitude(vcl::TPoint P, bool& Valid) const noexcept { return CalcLatitude(P.X, P.Y, Valid); }
    double CalcLongitude(vcl::TPoint P, bool& Valid) const noexcept { return CalcLongitude(P.X, P.Y, Valid); }
    // Geography to pixel, rounded to whole pixels. False (X = Y = 0) when the
    // model has no usable fit, the position has no pixel (beyond the apex of
    // a conic map, an inversion that does not converge) or the pixel lies
    // outside the 32-bit range.
    bool CalcPixelCoords(double Lat, double Long, int32_t& X, int32_t& Y) const noexcept;

    // Root mean square of the pixel residuals of the calibration points
    // converted back to pixels, separately for X and Y. Both are 0 under
    // cmParabolicIp and when the model has no usable fit (the result is then
    // false).
    bool CalibQuality(double& QualX, double& QualY) const;
    // True when the position lies inside the quadrilateral of Corners.
    bool IsPositionWithinMap(double Lat, double Long) const noexcept;

    // The individual steps of RecalcCalibration.
    bool RecalcGratMat();
    void CalcBiquadraticCalibration();
    void CalcConicCalibration();
    void CalcMillerCylCalibration();
    void CalcExtentsAndResolution();

    // True when the model has a usable fit.
    bool GetModelValid(TCalibModel Model) const noexcept;

    // Derived state (read only). GratMat has one row per fitted calibration
    // line: (1 for a parallel or 0 for a meridian, value, k0, k1, k2), or one
    // row of zeros. The coefficient vectors have 6 elements (1..6).
    const numkit::TMatrix& GetGratMat() const noexcept { return gratMat_; }
    const numkit::TVector& GetXFromGeo() const noexcept { return xFromGeo_; }
    const numkit::TVector& GetYFromGeo() const noexcept { return yFromGeo_; }
    const numkit::TVector& GetLatFromPixel() const noexcept { return latFromPixel_; }
    const numkit::TVector& GetLongFromPixel() const noexcept { return longFromPixel_; }
    double GetMillerKx() const noexcept { return millerKx_; }
    double GetMillerDx() const noexcept { return millerDx_; }
    double GetMillerKy() const noexcept { return millerKy_; }
    double GetMillerDy() const noexcept { return millerDy_; }
    double GetConicXc() const noexcept { return conicXc_; }
    double GetConicYc() const noexcept { return conicYc_; }
    double GetConicKLat() const noexcept { return conicKLat_; }
    double GetConicDLat() const noexcept { return conicDLat_; }
    double GetConicKLong() const noexcept { return conicKLong_; }
    double GetConicDLong() const noexcept { return conicDLong_; }

    // Fired after every change of the input or of the model.
    vcl::TNotifyEvent OnChange;

private:
    // How the longitudes of the input are made continuous: unchanged, or
    // moved into [cut, cut + 360).
    struct TLongWrap {
        bool Active = false;
        double Cut = 0;
        double Apply(double Long) const noexcept;
    };

    void Changed();
    [[noreturn]] void RaiseUnsupported(const char* Routine) const;
    void SanitizeData() noexcept;
    void RefitAll();
    bool AddLinePointNoFit(TGratLineKind Kind, double Value, int32_t X, int32_t Y);
    bool RemoveLinePointAt(int32_t Line, int32_t Point);
    void RemoveCalPointAt(int32_t Index);
    void UpdatePointWrap();
    bool PointInputUsable() const;
    double ConicLat(double X, double Y, bool& Valid) const noexcept;
    double ConicLong(double X, double Y, bool& Valid) const noexcept;
    double ParabolicLat(double X, double Y, bool& Valid) const noexcept;
    double ParabolicLong(double X, double Y, bool& Valid) const noexcept;
    bool ParabolicPixel(double Lat, double Long, double& X, double& Y) const noexcept;
    bool GeoToPixel(double Lat, double Long, double& X, double& Y) const noexcept;

    vcl::TObject* sender_;
    std::string name_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    TCalibModel model_ = cmBiquadraticPn;
    TCalibData data_;

    numkit::TMatrix gratMat_;
    numkit::TVector xFromGeo_, yFromGeo_, latFromPixel_, longFromPixel_;
    double millerKx_ = 0, millerDx_ = 0, millerKy_ = 0, millerDy_ = 0;
    double conicXc_ = 0, conicYc_ = 0, conicKLat_ = 0, conicDLat_ = 0, conicKLong_ = 0, conicDLong_ = 0;
    double conicSide_ = 1; // +1: the map lies below the apex (larger Y), -1: above
    bool biqValid_ = false, millerValid_ = false, conicValid_ = false, paraValid_ = false;
    TLongWrap pointWrap_; // longitudes of the calibration points
    TLongWrap lineWrap_;  // values of the meridian lines

    TCalPoint lastPoint_{};
    bool lastPointValid_ = false;
    TGratLineKind lastLineKind_ = gtlMeridian;
    double lastLineValue_ = 0;
    TGratLinePoint lastLinePoint_{};
    bool lastLinePointValid_ = false;
};

} // namespace PYX_geomap
