#include "vcl/System.h"

#include <cmath>
#include <limits>
#include <sys/random.h>

namespace vcl {

namespace {

template <typename F>
F RoundHalfEven(F x) noexcept
{
    if (!std::isfinite(x)) return x;
    F lo = std::floor(x);
    F diff = x - lo; // exact: x and lo share the exponent range
    if (diff > F(0.5)) return lo + 1;
    if (diff < F(0.5)) return lo;
    return std::fmod(lo, F(2)) == 0 ? lo : lo + 1;
}

template <typename I>
I Saturate(double x) noexcept
{
    if (std::isnan(x)) return 0;
    // The limits of I as doubles: max rounds up to 2^(bits-1), which is out of range.
    constexpr double hi = -static_cast<double>(std::numeric_limits<I>::min());
    constexpr double lo = static_cast<double>(std::numeric_limits<I>::min());
    if (x >= hi) return std::numeric_limits<I>::max();
    if (x <= lo) return std::numeric_limits<I>::min();
    return static_cast<I>(x);
}

SplitMix64 g_shared(0);
char g_decimalSeparator = '.';

} // namespace

double Round(double x) noexcept { return RoundHalfEven(x); }
Extended Round(Extended x) noexcept { return RoundHalfEven(x); }

int32_t SatRound(double x) noexcept { return Saturate<int32_t>(RoundHalfEven(x)); }
int64_t SatRound64(double x) noexcept { return Saturate<int64_t>(RoundHalfEven(x)); }
int32_t SatTrunc(double x) noexcept { return Saturate<int32_t>(std::trunc(x)); }
int64_t SatTrunc64(double x) noexcept { return Saturate<int64_t>(std::trunc(x)); }

int32_t MulDiv(int32_t a, int32_t b, int32_t c) noexcept
{
    if (c == 0) return -1;
    int64_t p = static_cast<int64_t>(a) * b;
    int64_t q = p / c, r = p % c;
    // Halves go away from zero.
    if (r != 0 && 2 * (r < 0 ? -r : r) >= (c < 0 ? -static_cast<int64_t>(c) : c))
        q += ((p < 0) != (c < 0)) ? -1 : 1;
    if (q > std::numeric_limits<int32_t>::max() || q < std::numeric_limits<int32_t>::min()) return -1;
    return static_cast<int32_t>(q);
}

uint64_t SplitMix64::Next() noexcept
{
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double SplitMix64::NextDouble() noexcept
{
    return static_cast<double>(Next() >> 11) * 0x1.0p-53;
}

int32_t SplitMix64::NextInt(int32_t n) noexcept
{
    if (n <= 0) return 0;
    __extension__ typedef unsigned __int128 u128;
    u128 prod = static_cast<u128>(Next()) * static_cast<uint64_t>(n);
    return static_cast<int32_t>(prod >> 64);
}

double Random() noexcept { return g_shared.NextDouble(); }
int32_t Random(int32_t n) noexcept { return g_shared.NextInt(n); }
uint64_t GetRandSeed() noexcept { return g_shared.State(); }
void SetRandSeed(uint64_t seed) noexcept { g_shared.Seed(seed); }

void Randomize()
{
    uint64_t seed = 0;
    if (getrandom(&seed, sizeof seed, 0) != static_cast<ssize_t>(sizeof seed))
        throw Exception("Randomize: the system's entropy source is not available");
    g_shared.Seed(seed);
}

char GetDecimalSeparator() noexcept { return g_decimalSeparator; }
void SetDecimalSeparator(char c) noexcept { g_decimalSeparator = c; }

} // namespace vcl
