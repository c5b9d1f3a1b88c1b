// Canvas throughput against the machine's own limits, measured in the same
// run: FillRect against memset, Draw against memcpy (bytes per second), and a
// halftone thumbnail of a 12-megapixel image against a plain sum over its
// pixels (time).
#include <benchmark/benchmark.h>

#include <cstring>
#include <numeric>
#include <vector>

#include "vcl/Graphics.h"

namespace {

constexpr int kW = 1920, kH = 1080;
constexpr size_t kBytes = size_t(kW) * kH * sizeof(uint32_t);

void BM_Memset_FullHD(benchmark::State& state)
{
    std::vector<uint32_t> buf(size_t(kW) * kH);
    uint8_t v = 0;
    for (auto _ : state) {
        std::memset(buf.data(), ++v, kBytes);
        benchmark::DoNotOptimize(buf.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}
BENCHMARK(BM_Memset_FullHD);

void BM_FillRect_FullHD(benchmark::State& state)
{
    vcl::TBitmap b(kW, kH);
    vcl::TCanvas& c = b.Canvas();
    vcl::TColor col = 0x00123456;
    for (auto _ : state) {
        c.Brush().SetColor(++col & 0xFFFFFF);
        c.FillRect(vcl::Rect(0, 0, kW, kH));
        benchmark::DoNotOptimize(b.ScanLine(0));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}
BENCHMARK(BM_FillRect_FullHD);

void BM_Memcpy_FullHD(benchmark::State& state)
{
    std::vector<uint32_t> src(size_t(kW) * kH, 0x00102030), dst(size_t(kW) * kH);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), kBytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}
BENCHMARK(BM_Memcpy_FullHD);

void BM_Draw_FullHD(benchmark::State& state)
{
    vcl::TBitmap src(kW, kH), dst(kW, kH);
    src.Canvas().Brush().SetColor(0x00102030);
    src.Canvas().FillRect(vcl::Rect(0, 0, kW, kH));
    vcl::TCanvas& c = dst.Canvas();
    for (auto _ : state) {
        c.Draw(0, 0, src);
        benchmark::DoNotOptimize(dst.ScanLine(0));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}
BENCHMARK(BM_Draw_FullHD);

constexpr int kBigW = 4000, kBigH = 3000;

vcl::TBitmap& BigImage()
{
    static vcl::TBitmap b = [] {
        vcl::TBitmap x(kBigW, kBigH);
        for (int y = 0; y < kBigH; ++y)
            for (int i = 0; i < kBigW; ++i) x.ScanLine(y)[i] = static_cast<uint32_t>((i * 7 + y * 13) & 0xFFFFFF);
        return x;
    }();
    return b;
}

void BM_PlainSum_12MP(benchmark::State& state)
{
    const vcl::TBitmap& b = BigImage();
    for (auto _ : state) {
        uint64_t sum = 0;
        for (int y = 0; y < kBigH; ++y) {
            const uint32_t* row = b.ScanLine(y);
            for (int x = 0; x < kBigW; ++x) sum += row[x];
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_PlainSum_12MP)->Unit(benchmark::kMillisecond);

void BM_StretchDrawHalftone_12MP_to_160x120(benchmark::State& state)
{
    const vcl::TBitmap& b = BigImage();
    vcl::TBitmap thumb(160, 120);
    thumb.Canvas().SetStretchMode(vcl::smHalftone);
    for (auto _ : state) {
        thumb.Canvas().StretchDraw(vcl::Rect(0, 0, 160, 120), b);
        benchmark::DoNotOptimize(thumb.ScanLine(0));
    }
}
BENCHMARK(BM_StretchDrawHalftone_12MP_to_160x120)->Unit(benchmark::kMillisecond);

} // namespace
