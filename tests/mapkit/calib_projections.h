// Map projections written out from their textbook formulas, used to make
// calibration input whose true geography is known, and helpers that feed it
// to a calibration.
#pragma once

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "mapkit/PYX_geomap.h"
#include "vcl/System.h"

namespace calibtest {

constexpr double Rad = std::numbers::pi / 180.0;

// Longitude difference folded into -180..180.
inline double LongDiff(double a, double b) { return std::remainder(a - b, 360.0); }

enum class TProj { Equirect, Miller, EquidistConic };

// A projection placed on an image: the geographic window [LatS, LatN] x
// [LongW, LongE] (LongE may exceed 180 for maps across the date line) is
// scaled so that its width takes Width pixels.
struct TMapSetup {
    std::string Name;
    TProj Proj;
    double LatS, LatN, LongW, LongE;
    double Width;
    double Std1 = 0, Std2 = 0; // standard parallels of the conic projection

    // Unscaled projection coordinates (x east, y north).
    void Raw(double lat, double lon, double& x, double& y) const
    {
        x = 0;
        y = 0;
        const double lam = (lon - Central()) * Rad;
        const double phi = lat * Rad;
        switch (Proj) {
        case TProj::Equirect:
            x = lam;
            y = phi;
            break;
        case TProj::Miller:
            x = lam;
            y = 1.25 * std::log(std::tan(std::numbers::pi / 4 + 0.4 * phi));
            break;
        case TProj::EquidistConic: {
            const double p1 = Std1 * Rad, p2 = Std2 * Rad;
            const double n = (std::cos(p1) - std::cos(p2)) / (p2 - p1);
            const double g = std::cos(p1) / n + p1;
            const double rho = g - phi;
            const double rho0 = g - (LatS + LatN) / 2 * Rad;
            const double theta = n * lam;
            x = rho * std::sin(theta);
            y = rho0 - rho * std::cos(theta);
            break;
        }
        }
    }
    double Central() const { return (LongW + LongE) / 2; }
    double Scale() const
    {
        double xw = 0, yw = 0, xe = 0, ye = 0;
        Raw((LatS + LatN) / 2, LongW, xw, yw);
        Raw((LatS + LatN) / 2, LongE, xe, ye);
        return Width / (xe - xw);
    }
    // Pixel of a position (not rounded); the top-left of the window's
    // bounding box is near pixel (0, 0) with a margin of 20 pixels.
    void Pixel(double lat, double lon, double& px, double& py) const
    {
        const double s = Scale();
        double x = 0, y = 0, x0 = 1e300, y1 = -1e300;
        for (double la : {LatS, LatN, (LatS + LatN) / 2})
            for (double lo : {LongW, LongE, Central()}) {
                double cx = 0, cy = 0;
                Raw(la, lo, cx, cy);
                x0 = std::min(x0, cx);
                y1 = std::max(y1, cy);
            }
        Raw(lat, lon, x, y);
        px = 20 + (x - x0) * s;
        py = 20 + (y1 - y) * s;
    }
    // Longitude written as a map maker would: within -180..180.
    static double Written(double lon) { return std::remainder(lon, 360.0); }
};

// Fills a point-model calibration with a Rows x Cols grid of the window.
inline void AddGrid(PYX_geomap::TGeoCalibration& c, const TMapSetup& m, int rows, int cols)
{
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) {
            const double lat = m.LatS + (m.LatN - m.LatS) * i / (rows - 1);
            const double lon = m.LongW + (m.LongE - m.LongW) * j / (cols - 1);
            double px, py;
            m.Pixel(lat, lon, px, py);
            c.AddCalibPoint(lat, TMapSetup::Written(lon), vcl::SatRound(px), vcl::SatRound(py));
        }
}

// Fills a parabolic calibration with `lines` parallels and meridians of 5
// pixels each across the window.
inline void AddGraticule(PYX_geomap::TGeoCalibration& c, const TMapSetup& m, int lines)
{
    for (int i = 0; i < lines; ++i) {
        const double lat = m.LatS + (m.LatN - m.LatS) * i / (lines - 1);
        const double lon = m.LongW + (m.LongE - m.LongW) * i / (lines - 1);
        for (int k = 0; k < 5; ++k) {
            double px, py;
            m.Pixel(lat, m.LongW + (m.LongE - m.LongW) * k / 4, px, py);
            c.AddCalibPoint(PYX_geomap::gtlParallel, lat, vcl::SatRound(px), vcl::SatRound(py));
            m.Pixel(m.LatS + (m.LatN - m.LatS) * k / 4, lon, px, py);
            c.AddCalibPoint(PYX_geomap::gtlMeridian, TMapSetup::Written(lon), vcl::SatRound(px),
                            vcl::SatRound(py));
        }
    }
}

} // namespace calibtest
