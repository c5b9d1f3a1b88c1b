// Checksums against their reference implementations, bit counting against a
// plain popcount loop, and sorting a string array against std::sort on keys
// computed beforehand. Each pair runs on the same data in the same program.
#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "corekit/PYX_dstruct.h"

#if PYX_BENCH_REFERENCES
#include <openssl/sha.h>
#include <zlib.h>
#endif

using namespace PYX_dstruct;

namespace {

const std::vector<uint8_t>& Data()
{
    static const std::vector<uint8_t> d = [] {
        std::vector<uint8_t> v(1 << 20);
        vcl::SplitMix64 rng(1);
        for (auto& b : v) b = static_cast<uint8_t>(rng.Next());
        return v;
    }();
    return d;
}

void BM_CRC32(benchmark::State& st)
{
    const auto& d = Data();
    for (auto _ : st) benchmark::DoNotOptimize(CRC32ofBuffer(d.data(), d.size()));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * static_cast<int64_t>(d.size()));
}
BENCHMARK(BM_CRC32);

void BM_CRC16(benchmark::State& st)
{
    const auto& d = Data();
    for (auto _ : st) benchmark::DoNotOptimize(CRC16ofBuffer(d.data(), d.size(), crcCCITT));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * static_cast<int64_t>(d.size()));
}
BENCHMARK(BM_CRC16);

void BM_SHA1(benchmark::State& st)
{
    const auto& d = Data();
    for (auto _ : st) benchmark::DoNotOptimize(SHA1FromBuffer(d.data(), d.size()));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * static_cast<int64_t>(d.size()));
}
BENCHMARK(BM_SHA1);

#if PYX_BENCH_REFERENCES
void BM_Ref_zlib_crc32(benchmark::State& st)
{
    const auto& d = Data();
    for (auto _ : st) benchmark::DoNotOptimize(crc32(crc32(0L, Z_NULL, 0), d.data(), static_cast<uInt>(d.size())));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * static_cast<int64_t>(d.size()));
}
BENCHMARK(BM_Ref_zlib_crc32);

void BM_Ref_OpenSSL_SHA1(benchmark::State& st)
{
    const auto& d = Data();
    unsigned char md[20];
    for (auto _ : st) {
        SHA1(d.data(), d.size(), md);
        benchmark::DoNotOptimize(md);
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * static_cast<int64_t>(d.size()));
}
BENCHMARK(BM_Ref_OpenSSL_SHA1);
#endif

void BM_CountTrueBits(benchmark::State& st)
{
    TBitFld f(nullptr);
    f.SetSize(8 * (1 << 20) - 1);
    vcl::SetRandSeed(2);
    f.RandomFill(40);
    for (auto _ : st) benchmark::DoNotOptimize(f.CountTrueBits());
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * (1 << 20));
}
BENCHMARK(BM_CountTrueBits);

void BM_Ref_PopcountLoop(benchmark::State& st)
{
    TBitFld f(nullptr);
    f.SetSize(8 * (1 << 20) - 1);
    vcl::SetRandSeed(2);
    f.RandomFill(40);
    std::vector<uint64_t> words(f.Bytes().size() / 8);
    std::memcpy(words.data(), f.Bytes().data(), words.size() * 8);
    for (auto _ : st) {
        int64_t n = 0;
        for (uint64_t w : words) n += std::popcount(w);
        benchmark::DoNotOptimize(n);
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * (1 << 20));
}
BENCHMARK(BM_Ref_PopcountLoop);

constexpr int32_t kRows = 1000000;

std::vector<std::string> SortTexts()
{
    std::vector<std::string> t(kRows);
    vcl::SplitMix64 rng(3);
    for (auto& s : t) s = "Item " + std::to_string(rng.Next() % 100000000);
    return t;
}

void BM_StringArraySort(benchmark::State& st)
{
    const auto texts = SortTexts();
    TStringArray a(nullptr);
    a.SetAllocRowsBy(kRows);
    a.Resize(1, kRows);
    for (int32_t r = 1; r <= kRows; ++r) a.SetString(1, r, texts[static_cast<std::size_t>(r - 1)]);
    int64_t reports = 0;
    a.OnPercentDone = [&](vcl::TObject*, int32_t) { ++reports; };
    for (auto _ : st) {
        a.UnSort();
        reports = 0;
        a.Sort(1, 0, true);
    }
    st.counters["percent_reports"] = static_cast<double>(reports);
}
BENCHMARK(BM_StringArraySort)->Unit(benchmark::kMillisecond);

void BM_Ref_StdSortOnKeys(benchmark::State& st)
{
    auto keys = SortTexts();
    for (auto& k : keys)
        for (char& c : k)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    std::vector<int32_t> idx(kRows);
    for (auto _ : st) {
        std::iota(idx.begin(), idx.end(), 0);
        std::sort(idx.begin(), idx.end(), [&](int32_t x, int32_t y) {
            return keys[static_cast<std::size_t>(x)] < keys[static_cast<std::size_t>(y)];
        });
        benchmark::DoNotOptimize(idx.data());
    }
}
BENCHMARK(BM_Ref_StdSortOnKeys)->Unit(benchmark::kMillisecond);

} // namespace
