// Platform basics: the exception family, the extended float type, rounding and
// saturating conversions, the shared random generator and the process-wide
// number settings.
//
// Everything here is meant for the single user-interface thread; the random
// generator and the settings are plain process-wide state.
#pragma once

#include <cfloat>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace vcl {

// The 80-bit x87 extended float; streams store exactly its 10 significant bytes.
using Extended = long double;
static_assert(LDBL_MANT_DIG == 64, "PYX needs the x87 80-bit long double");

// ---------------------------------------------------------------------------
// Exceptions. Every exception of the platform and of the libraries built on it
// derives from vcl::Exception and carries only its message (Windows-1252 bytes).
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& msg) : std::runtime_error(msg) {}
    std::string Message() const { return what(); }
};

class EConvertError : public Exception { using Exception::Exception; };   // failed conversion or assignment
class EInOutError : public Exception { using Exception::Exception; };     // file and stream failures
class EInvalidGraphic : public Exception { using Exception::Exception; }; // bad or unsupported image data
class EResNotFound : public Exception { using Exception::Exception; };    // unknown resource name
class EPrinter : public Exception { using Exception::Exception; };        // printer misuse
class EOutOfResources : public Exception { using Exception::Exception; }; // refused bitmap size
class EComponentError : public Exception { using Exception::Exception; }; // naming and ownership errors
class EListError : public Exception { using Exception::Exception; };      // index out of range in a list

// ---------------------------------------------------------------------------
// Rounding. Halves go to the even neighbour, whatever the FPU rounding mode is.
double Round(double x) noexcept;
Extended Round(Extended x) noexcept;

// Saturating conversions: NaN gives 0, values beyond the target range give its
// nearest limit. Every conversion of a computed float to an integer uses them.
int32_t SatRound(double x) noexcept;   // half to even
int64_t SatRound64(double x) noexcept; // half to even
int32_t SatTrunc(double x) noexcept;   // toward zero
int64_t SatTrunc64(double x) noexcept; // toward zero

// a * b / c on a 64-bit product, rounded to nearest with halves away from zero;
// -1 when c is 0 or the result does not fit 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) noexcept;

// ---------------------------------------------------------------------------
// The shared random generator: SplitMix64 on a 64-bit state. The algorithm is
// fixed so that a given seed yields the same sequence on every build. The
// state starts at 0.
double Random() noexcept;              // [0, 1): the top 53 bits of the next output
int32_t Random(int32_t n) noexcept;    // [0, n); 0 for n <= 0
uint64_t GetRandSeed() noexcept;
void SetRandSeed(uint64_t seed) noexcept;
void Randomize();                      // seeds from operating-system entropy

// A private generator with the same algorithm, for code that must not disturb
// the shared sequence.
class SplitMix64 {
public:
    explicit SplitMix64(uint64_t seed = 0) noexcept : state_(seed) {}
    uint64_t Next() noexcept;
    double NextDouble() noexcept;          // [0, 1)
    int32_t NextInt(int32_t n) noexcept;   // [0, n); 0 for n <= 0
    uint64_t State() const noexcept { return state_; }
    void Seed(uint64_t s) noexcept { state_ = s; }

private:
    uint64_t state_;
};

// ---------------------------------------------------------------------------
// Process-wide number settings. Never read from the C locale or the environment.
char GetDecimalSeparator() noexcept;       // default '.'
void SetDecimalSeparator(char c) noexcept;

} // namespace vcl
