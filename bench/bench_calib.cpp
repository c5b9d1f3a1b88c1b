// Map calibration: conversions per second for each model, and the fits over
// 200 calibration points.
#include <cmath>
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "mapkit/PYX_geomap.h"
#include "vcl/System.h"

using namespace PYX_geomap;

namespace {

constexpr double Rad = 3.14159265358979323846 / 180.0;

// A 20 x 10 grid of calibration points (or 5 lines of each kind) made from an
// equirectangular map of central Europe (x) and a Miller-like stretch (y).
void Fill(TGeoCalibration& c, TCalibModel m)
{
    c.SetCalibModel(m);
    c.SetMapSize(2000, 1200);
    auto px = [](double lon) { return 20 + (lon + 10) * 40; };
    auto py = [](double lat) { return 20 + (70 - std::log(std::tan(0.7853981633974483 + 0.4 * lat * Rad)) * 1400); };
    if (m == cmParabolicIp) {
        for (int l = 0; l < 5; ++l)
            for (int k = 0; k < 5; ++k) {
                c.AddCalibPoint(gtlParallel, 35 + l * 6.0, vcl::SatRound(px(-10 + k * 12.0)), vcl::SatRound(py(35 + l * 6.0)));
                c.AddCalibPoint(gtlMeridian, -10 + l * 12.0, vcl::SatRound(px(-10 + l * 12.0)), vcl::SatRound(py(35 + k * 6.0)));
            }
        return;
    }
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 20; ++j) {
            const double lat = 35 + i * 2.7, lon = -10 + j * 2.6;
            c.AddCalibPoint(lat, lon, vcl::SatRound(px(lon)), vcl::SatRound(py(lat)));
        }
}

void BM_PixelToGeo(benchmark::State& state)
{
    TGeoCalibration c;
    Fill(c, TCalibModel(state.range(0)));
    for (auto _ : state) {
        double sum = 0;
        for (int32_t i = 0; i < 1000000; ++i) {
            bool v1, v2;
            const int32_t x = 100 + (i % 1000) * 1, y = 100 + (i / 1000);
            sum += c.CalcLatitude(x, y, v1) + c.CalcLongitude(x, y, v2);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_PixelToGeo)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_GeoToPixel(benchmark::State& state)
{
    TGeoCalibration c;
    Fill(c, TCalibModel(state.range(0)));
    for (auto _ : state) {
        int64_t sum = 0;
        for (int32_t i = 0; i < 1000000; ++i) {
            int32_t x, y;
            c.CalcPixelCoords(40 + (i % 1000) * 0.02, (i / 1000) * 0.04, x, y);
            sum += x + y;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_GeoToPixel)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// One refit of every model over 200 points (the biquadratic least squares,
// the Miller lines and the conic apex search).
void BM_Refit200(benchmark::State& state)
{
    TGeoCalibration c;
    Fill(c, cmBiquadraticPn);
    for (auto _ : state)
        c.RecalcCalibration();
}
BENCHMARK(BM_Refit200)->Unit(benchmark::kMicrosecond);

void BM_Biquadratic200(benchmark::State& state)
{
    TGeoCalibration c;
    Fill(c, cmBiquadraticPn);
    for (auto _ : state)
        c.CalcBiquadraticCalibration();
}
BENCHMARK(BM_Biquadratic200)->Unit(benchmark::kMicrosecond);

void BM_Conic200(benchmark::State& state)
{
    TGeoCalibration c;
    Fill(c, cmBiquadraticPn);
    for (auto _ : state)
        c.CalcConicCalibration();
}
BENCHMARK(BM_Conic200)->Unit(benchmark::kMicrosecond);

} // namespace
