// Small numeric routines: integer floor, number scanners, hexadecimal and
// angle texts, swapping, random decisions, array sorting and insertion, and
// the great-circle distance.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <numbers>

#include "numkit/numkit.h"

namespace numkit {

int32_t IntNeg(double x) noexcept
{
    if (std::isnan(x)) return 0;
    return vcl::SatTrunc(std::floor(x));
}

namespace {

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

int HexDigit(char c) noexcept
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Skips blanks from offset i, stopping on the last character at the latest.
std::size_t SkipBlanks(const std::string& S, std::size_t i) noexcept
{
    while (i + 1 < S.size() && S[i] == ' ') ++i;
    return i;
}

} // namespace

int32_t ScanDecimal(const std::string& S, int32_t& Pos) noexcept
{
    if (Pos < 1 || static_cast<std::size_t>(Pos) > S.size()) return 0;
    std::size_t i = SkipBlanks(S, static_cast<std::size_t>(Pos - 1));
    bool negative = false;
    if (S[i] == '-' || S[i] == '+') {
        negative = S[i] == '-';
        ++i;
    }
    if (i >= S.size() || !IsDigit(S[i])) return 0;
    // Accumulate in 64 bits and stop growing beyond the int32 range.
    int64_t value = 0;
    for (; i < S.size() && IsDigit(S[i]); ++i)
        value = std::min<int64_t>(value * 10 + (S[i] - '0'), int64_t(1) << 32);
    Pos = static_cast<int32_t>(i + 1);
    if (negative) value = -value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

uint32_t ScanHex(const std::string& S, int32_t& Pos) noexcept
{
    if (Pos < 1 || static_cast<std::size_t>(Pos) > S.size()) return 0;
    std::size_t i = SkipBlanks(S, static_cast<std::size_t>(Pos - 1));
    if (i == 0 && S[0] == '$') ++i;
    if (i >= S.size() || HexDigit(S[i]) < 0) return 0;
    uint64_t value = 0;
    for (; i < S.size() && HexDigit(S[i]) >= 0; ++i)
        value = std::min<uint64_t>(value * 16 + static_cast<uint64_t>(HexDigit(S[i])), 0xFFFFFFFFu);
    Pos = static_cast<int32_t>(i + 1);
    return static_cast<uint32_t>(value);
}

std::string Hex(uint64_t Value, int32_t Digits)
{
    Digits = std::clamp(Digits, 1, 16);
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[Value & 15]);
        Value >>= 4;
    } while (Value != 0);
    if (static_cast<int32_t>(text.size()) < Digits) text.insert(0, static_cast<std::size_t>(Digits) - text.size(), '0');
    return text;
}

std::string Hex(int64_t Value, int32_t Digits) { return Hex(static_cast<uint64_t>(Value), Digits); }
std::string Hex(uint32_t Value, int32_t Digits) { return Hex(static_cast<uint64_t>(Value), Digits); }
std::string Hex(int32_t Value, int32_t Digits) { return Hex(static_cast<uint64_t>(static_cast<uint32_t>(Value)), Digits); }

namespace {

// Fixed-point text of a non-negative finite value, exact binary value rounded
// half to even.
std::string Fixed(double a, int decimals)
{
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::fixed, decimals);
    return std::string(buf, res.ptr);
}

// Zero-padded decimal text of n with at least width digits.
std::string Padded(int64_t n, int width)
{
    std::string s = std::to_string(n);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
    return s;
}

} // namespace

std::string DegreeToStr(double Value, PYX_pyxbase::TDegreeFormat Format, int32_t Decimals)
{
    if (std::isnan(Value)) return "NAN";
    if (std::isinf(Value)) return Value > 0 ? "+INF" : "-INF";
    const int d = std::clamp(Decimals, 0, 9);
    int64_t unit = 1;
    for (int i = 0; i < d; ++i) unit *= 10;
    bool negative = std::signbit(Value);
    const double a = std::abs(Value);
    std::string text;
    bool zero = false;
    using namespace PYX_pyxbase;
    if (Format == dfDegMin || Format == dfDegMinSec) {
        // Split off the whole degrees exactly, round the rest in the smallest
        // field and carry a full minute (degree) upwards.
        double deg = std::floor(a);
        const double perDeg = (Format == dfDegMin ? 60.0 : 3600.0) * static_cast<double>(unit);
        int64_t scaled = vcl::SatRound64((a - deg) * perDeg);
        if (scaled >= static_cast<int64_t>(perDeg)) {
            scaled -= static_cast<int64_t>(perDeg);
            deg += 1;
        }
        zero = deg == 0 && scaled == 0;
        text = Fixed(deg, 0) + "\xB0";
        int64_t last = scaled;
        if (Format == dfDegMinSec) {
            text += Padded(scaled / (60 * unit), 2) + "'";
            last = scaled % (60 * unit);
        }
        text += Padded(last / unit, 2);
        if (d > 0) text += "." + Padded(last % unit, d);
        text += Format == dfDegMin ? "'" : "\"";
    } else {
        text = Fixed(a, d);
        zero = text.find_first_of("123456789") == std::string::npos;
        if (Format != dfNumeric) text += "\xB0";
    }
    if (negative && !zero) text.insert(0, "-");
    return text;
}

void ExChange(double& a, double& b) noexcept { std::swap(a, b); }
void ExChange(int32_t& a, int32_t& b) noexcept { std::swap(a, b); }

bool BRandom(double p) noexcept
{
    const double r = vcl::Random();
    return r < p;
}

void SortArray(std::span<int32_t> Data, bool Ascending) noexcept
{
    if (Ascending)
        std::sort(Data.begin(), Data.end());
    else
        std::sort(Data.begin(), Data.end(), std::greater<int32_t>());
}

int32_t SortIntoArray(double Value, std::span<double> Data, bool Ascending, bool AfterEqual) noexcept
{
    if (Data.empty() || std::isnan(Value)) return -1;
    // The first element that Value goes before.
    auto goesBefore = [&](double e) {
        if (Ascending) return AfterEqual ? e > Value : e >= Value;
        return AfterEqual ? e < Value : e <= Value;
    };
    std::size_t i = 0;
    while (i < Data.size() && !goesBefore(Data[i])) ++i;
    if (i == Data.size()) return -1;
    std::copy_backward(Data.begin() + static_cast<std::ptrdiff_t>(i), Data.end() - 1, Data.end());
    Data[i] = Value;
    return static_cast<int32_t>(i + 1);
}

bool InsertIntoArray(int32_t Value, int32_t Index, std::span<int32_t> Data) noexcept
{
    if (Index < 1 || static_cast<std::size_t>(Index) > Data.size()) return false;
    const auto at = Data.begin() + (Index - 1);
    std::copy_backward(at, Data.end() - 1, Data.end());
    *at = Value;
    return true;
}

double SphereGreatCircleDist(double Radius, double Lat1, double Long1, double Lat2, double Long2) noexcept
{
    if (!std::isfinite(Radius) || Radius < 0 || !std::isfinite(Lat1) || !std::isfinite(Long1) ||
        !std::isfinite(Lat2) || !std::isfinite(Long2))
        return -1;
    constexpr double rad = std::numbers::pi / 180.0;
    // The longitude difference reduced to -180..180 (remainder is exact), so
    // that points on either side of the date line are near each other.
    const double dLong = std::remainder(std::remainder(Long2, 360.0) - std::remainder(Long1, 360.0), 360.0) * rad;
    const double p1 = Lat1 * rad, p2 = Lat2 * rad;
    const double s1 = std::sin(p1), c1 = std::cos(p1), s2 = std::sin(p2), c2 = std::cos(p2);
    const double sd = std::sin(dLong), cd = std::cos(dLong);
    // The atan2 form stays accurate for every separation, unlike the law of
    // cosines (short distances) and the arcsine of the haversine (antipodes).
    const double y = std::hypot(c2 * sd, c1 * s2 - s1 * c2 * cd);
    const double x = s1 * s2 + c1 * c2 * cd;
    return Radius * std::atan2(y, x);
}

} // namespace numkit
