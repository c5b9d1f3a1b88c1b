// Number and value formatting of the string library.
//
// Digits come from std::to_chars, which renders the exact binary value and
// rounds it half to even, without any locale. Values that a double holds
// exactly are formatted as double (same digits, much faster); the others go
// through the long double overload. Text is built in a stack buffer and copied
// once into the result.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include "corekit/PYX_stringl.h"

namespace PYX_stringl {

namespace {

// Field widths and decimal counts are capped so that a wild argument cannot
// ask for gigabytes of blanks.
constexpr int64_t kMaxField = 5000;
// Large enough for any long double in fixed notation with kMaxField decimals.
constexpr std::size_t kBigBuffer = 12000;

int64_t Cap(int64_t v) { return std::min(v, kMaxField); }

int32_t To32(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// The digits of X in the given notation, in Stack when they fit there and in
// Heap otherwise.
template <class T>
std::string_view Digits(T X, std::chars_format Fmt, int Precision, char* Stack, std::size_t StackSize,
                        std::string& Heap)
{
    auto r = std::to_chars(Stack, Stack + StackSize, X, Fmt, Precision);
    if (r.ec == std::errc()) return {Stack, static_cast<std::size_t>(r.ptr - Stack)};
    Heap.resize(kBigBuffer);
    r = std::to_chars(Heap.data(), Heap.data() + Heap.size(), X, Fmt, Precision);
    if (r.ec != std::errc()) return {};
    return {Heap.data(), static_cast<std::size_t>(r.ptr - Heap.data())};
}

// Short copies inline: the texts here are mostly a few characters long.
inline char* Put(char* Dest, std::string_view Text)
{
    if (Text.size() > 32) {
        std::memcpy(Dest, Text.data(), Text.size());
        return Dest + Text.size();
    }
    for (char c : Text) *Dest++ = c;
    return Dest;
}

// Text right-justified with blanks in a field of Width; never cut.
std::string RightJustify(std::string_view Text, int64_t Width)
{
    std::string r;
    if (static_cast<int64_t>(Text.size()) < Width) {
        r.reserve(static_cast<std::size_t>(Width));
        r.append(static_cast<std::size_t>(Width) - Text.size(), ' ');
    }
    r.append(Text);
    return r;
}

// NaN and the infinities: right-justified, or asterisks when the field is too
// narrow; a field of 0 means no field.
template <class T>
std::string NonFiniteText(T X, int64_t Width)
{
    std::string_view t = std::isnan(X) ? "NAN" : (X < 0 ? "-INF" : "+INF");
    if (Width > 0 && Width < static_cast<int64_t>(t.size())) return std::string(static_cast<std::size_t>(Width), '*');
    return RightJustify(t, Width);
}

// Fixed-point text of a finite X, right-justified in Width.
template <class T>
std::string FixedText(T X, int64_t Width, int64_t Decimals)
{
    char buf[128];
    std::string heap;
    std::string_view t = Digits(X, std::chars_format::fixed, static_cast<int>(Decimals), buf, sizeof buf, heap);
    // A negative zero has no sign; a negative value that rounds to zero keeps it.
    if (!t.empty() && t.front() == '-') t.remove_prefix(1);
    const bool neg = X < 0;
    const std::size_t len = t.size() + (neg ? 1 : 0);
    const std::size_t total = std::max(len, static_cast<std::size_t>(Width));
    std::string r;
    r.resize(total);
    char* p = r.data();
    for (std::size_t k = total - len; k > 0; --k) *p++ = ' ';
    if (neg) *p++ = '-';
    Put(p, t);
    return r;
}

// Exponential text of a finite X in a field of Field characters: sign
// position, one digit, ".", digits, "E", exponent sign and ExpDigits (2 or 4)
// exponent digits, the field counted with four exponent digits. With two
// exponent digits a value whose exponent needs more gives asterisks.
template <class T>
std::string ExpText(T X, int64_t Field, int ExpDigits)
{
    const int64_t frac = std::max<int64_t>(Field - 9, 1);
    char buf[128];
    std::string heap;
    std::string_view t = Digits(X, std::chars_format::scientific, static_cast<int>(frac), buf, sizeof buf, heap);
    if (!t.empty() && t.front() == '-') t.remove_prefix(1);
    const std::size_t e = t.rfind('e');
    const std::string_view mant = t.substr(0, e);
    const char expSign = t[e + 1];
    const std::string_view ex = t.substr(e + 2); // at least two digits
    const std::size_t total = 1 + mant.size() + 2 + static_cast<std::size_t>(ExpDigits);
    if (ExpDigits == 2 && ex.size() > 2) return std::string(total, '*');
    std::string r;
    r.resize(total);
    char* p = r.data();
    *p++ = X < 0 ? '-' : ' ';
    p = Put(p, mant);
    *p++ = 'E';
    *p++ = expSign;
    for (std::size_t k = ex.size(); k < static_cast<std::size_t>(ExpDigits); ++k) *p++ = '0';
    Put(p, ex);
    return r;
}

// Decimals -2 lays the text out for a four-digit exponent in a field two
// wider and then drops the exponent's first two digits, which must be "00":
// a w-character text with a two-digit exponent, or asterisks.
template <class T>
std::string Layout(T X, int64_t w, int64_t dec)
{
    if (!std::isfinite(X)) return NonFiniteText(X, w);
    if (dec == -2) return ExpText(X, w + 2, 2);
    if (dec < 0) return ExpText(X, w, 4);
    return FixedText(X, w, dec);
}

} // namespace

std::string strff(Extended X, int32_t FieldWidth, int32_t Decimals)
{
    const int64_t w = Cap(std::abs(static_cast<int64_t>(FieldWidth)));
    const int64_t dec = Cap(Decimals);
    // Values that a double holds exactly give the same digits as double, and
    // the double routines are much faster.
    const double d = static_cast<double>(X);
    std::string r = static_cast<Extended>(d) == X ? Layout(d, w, dec) : Layout(X, w, dec);
    if (FieldWidth < 0 && std::isfinite(X)) { // no zero padding for NaN and infinities
        std::size_t k = 0;
        while (k < r.size() && r[k] == ' ') r[k++] = '0';
        if (k > 0 && k < r.size() && r[k] == '-') {
            r[k] = '0';
            r[0] = '-';
        }
    }
    return r;
}

std::string strffForcePlus(Extended X, int32_t FieldWidth, int32_t Decimals)
{
    std::string r = strff(X, FieldWidth, Decimals);
    if (!(X >= 0) || std::isinf(X) || r.empty()) return r;
    std::size_t k = 0;
    while (k < r.size() && r[k] == ' ') ++k;
    if (k > 0)
        r[k - 1] = '+';
    else if (r[0] == '0' && (r.size() < 2 || r[1] != '.'))
        r[0] = '+';
    else
        r.insert(r.begin(), '+');
    return r;
}

std::string FormatData(double X, int32_t FieldWidth, int32_t Decimals)
{
    static constexpr double kLimit[9] = {999999999.0, 9999999.9, 999999.99, 99999.999, 9999.9999,
                                         999.99999,   99.999999, 9.9999999, 0.99999999};
    static constexpr double kLowest[9] = {1.0, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6, 1e-7, 1e-8};
    if (Decimals >= 0 && Decimals <= 8) {
        const double a = std::fabs(X);
        if (a <= kLimit[Decimals] && (a >= kLowest[Decimals] || X == 0)) return strff(X, FieldWidth, Decimals);
    }
    return strff(X, To32(static_cast<int64_t>(FieldWidth) + 6), -2);
}

namespace {

// Powers of ten as the doubles nearest to them (0 below the range of double,
// infinity above it), for counting the digits before the decimal point.
constexpr int kPow10Min = -330;
constexpr int kPow10Max = 315;

std::array<double, kPow10Max - kPow10Min + 1> MakePow10()
{
    std::array<double, kPow10Max - kPow10Min + 1> t{};
    for (int k = kPow10Min; k <= kPow10Max; ++k) {
        char text[16];
        text[0] = '1';
        text[1] = 'e';
        auto r = std::to_chars(text + 2, text + sizeof text, k);
        double v = 0;
        const auto res = std::from_chars(text, r.ptr, v);
        if (res.ec == std::errc::result_out_of_range) v = k < 0 ? 0.0 : HUGE_VAL;
        t[static_cast<std::size_t>(k - kPow10Min)] = v;
    }
    return t;
}

const std::array<double, kPow10Max - kPow10Min + 1> kPow10 = MakePow10();

double Pow10(int64_t k)
{
    if (k < kPow10Min) return 0.0;
    if (k > kPow10Max) return HUGE_VAL;
    return kPow10[static_cast<std::size_t>(k - kPow10Min)];
}

// floor(log10 A) + 1 for a finite A > 0: the number of digits before the
// decimal point (zero or negative below 1). Counted against the powers of ten
// rather than through a logarithm, which can land on either side of an
// integer at exact powers of ten.
int64_t DigitsBeforePoint(double A)
{
    int e2 = 0;
    std::frexp(A, &e2); // A in [2^(e2-1), 2^e2)
    int64_t d = static_cast<int64_t>(std::floor((e2 - 1) * 0.30102999566398120)) + 1;
    while (A >= Pow10(d)) ++d;
    while (A < Pow10(d - 1)) --d;
    return d;
}

} // namespace

std::string SigDigStr(double X, int32_t FieldWidth, int32_t SigDigits)
{
    const int64_t s = std::max<int32_t>(SigDigits, 1);
    const int64_t w = FieldWidth;
    if (X == 0) return strff(X, FieldWidth, To32(s - 1));
    if (!std::isfinite(X)) return strff(X, FieldWidth, 0);
    const int64_t d = DigitsBeforePoint(std::fabs(X));
    const int32_t m = To32(std::max(w, s + 6));
    if (s < d) {
        if (w - 1 < d) return strff(X, m, -2);
        return strff(X, FieldWidth, 0);
    }
    if (d < s - w + 3) return strff(X, m, -2);
    return strff(X, FieldWidth, To32(s - d));
}

namespace {

// A number right-justified in two characters; ZeroPad turns the padding blank
// into "0". Larger numbers take more characters.
void AppendTwo(std::string& r, int64_t v, bool ZeroPad)
{
    if (v < 10) {
        r.push_back(ZeroPad ? '0' : ' ');
        r.push_back(static_cast<char>('0' + v));
        return;
    }
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    r.append(buf, res.ptr);
}

} // namespace

std::string TimeString(double Secs, uint8_t Format)
{
    if (Format > 5) return {};
    const Extended t = (std::isnan(Secs) || Secs < 0) ? 0.0L : static_cast<Extended>(Secs);
    const int64_t h = std::isinf(t) ? INT64_MAX : vcl::SatTrunc64(static_cast<double>(t / 3600));
    Extended rest = t - 3600.0L * static_cast<Extended>(h);
    const int64_t m = std::clamp<int64_t>(vcl::SatTrunc64(static_cast<double>(rest / 60)), 0, 59);
    rest -= 60.0L * static_cast<Extended>(m);
    const int64_t s = std::clamp<int64_t>(vcl::SatTrunc64(static_cast<double>(rest)), 0, 59);
    // frac(T) x 100 is a hair below the intended value for most binary
    // fractions (0.29 is 0.28999...); the guard restores the hundredth.
    const Extended frac = std::isinf(t) ? 0.0L : t - std::trunc(t);
    const int64_t c = std::clamp<int64_t>(vcl::SatTrunc64(static_cast<double>(frac * 100 + 1e-6L)), 0, 99);

    std::string r;
    switch (Format) {
    case 0:
    case 1:
        AppendTwo(r, h, true);
        r.push_back(':');
        AppendTwo(r, m, true);
        r.push_back(':');
        AppendTwo(r, s, true);
        if (Format == 0) {
            r.push_back('.');
            AppendTwo(r, c, true);
        }
        break;
    case 2:
    case 3:
        AppendTwo(r, h, false);
        r.push_back('h');
        AppendTwo(r, m, true);
        if (Format == 3) {
            r.push_back('\'');
            AppendTwo(r, s, true);
            r.push_back('"');
        }
        break;
    case 4:
        AppendTwo(r, h, true);
        r.push_back(':');
        AppendTwo(r, m, true);
        break;
    default: { // 5
        const int64_t h12 = h == 0 ? 12 : (h <= 12 ? h : h - 12);
        AppendTwo(r, h12, false);
        r.push_back(':');
        AppendTwo(r, m, true);
        r.push_back(h < 12 ? 'a' : 'p');
        break;
    }
    }
    return r;
}

std::string BoolToStr(bool Value, int32_t Mode)
{
    switch (Mode) {
    case 1: return Value ? "T" : "F";
    case 2: return Value ? ".T." : ".F.";
    case 3: return Value ? "1" : "0";
    case 4: return Value ? "-1" : "0";
    case 5: return Value ? "FF" : "00";
    default: return Value ? "TRUE" : "FALSE";
    }
}

std::string MultiChar(char c, int32_t Count)
{
    return std::string(static_cast<std::size_t>(std::clamp(Count, 1, 255)), c);
}

} // namespace PYX_stringl
