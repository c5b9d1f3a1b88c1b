// Number and value formatting of the string library.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "corekit/PYX_stringl.h"

using namespace PYX_stringl;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct FmtCase {
    vcl::Extended x;
    int32_t w, d;
    const char* want;
};

TEST(Strff, FixedExponentialAndPadding)
{
    const FmtCase cases[] = {
        {3.5, 8, 2, "    3.50"},
        {-3.5, -8, 2, "-0003.50"},         // zero padding moves the sign to the front
        {3.5, -8, 2, "00003.50"},
        {-3.5, -5, 2, "-3.50"},           // no blanks, nothing to pad
        {123456.789, 3, 1, "123456.8"},   // a longer text is not cut
        {-0.0, 5, 1, "  0.0"},            // negative zero has no sign
        {-0.001, 6, 2, " -0.00"},         // a negative value rounding to zero keeps it
        {7, 0, 0, "7"},
        {1.5, 10, -2, " 1.500E+00"},
        {1e-5, 10, -2, " 1.000E-05"},
        {-2.5e7, 10, -2, "-2.500E+07"},
        {9.9996, 10, -2, " 1.000E+01"},   // rounding carries into the exponent
        {0.0, 10, -2, " 0.000E+00"},
        {1e150, 10, -2, "**********"},    // three-digit exponent
        {1e-150, 10, -2, "**********"},
        {-1e150, 10, -2, "**********"},
        {1.5, 12, -1, " 1.500E+0000"},    // four-digit exponent for other negative decimals
        {-1234.5, 12, -3, "-1.234E+0003"},
        {1e150, 12, -1, " 1.000E+0150"},
        {1e350L, 12, -1, " 1.000E+0350"}, // beyond the range of double
        {1.5, 5, -2, " 1.5E+00"},         // narrow field: one digit after the point stays
    };
    for (const auto& c : cases)
        EXPECT_EQ(strff(c.x, c.w, c.d), c.want) << static_cast<double>(c.x) << " " << c.w << " " << c.d;
}

TEST(Strff, RoundsTheExactBinaryValueHalfToEven)
{
    const FmtCase cases[] = {
        {0.125, 0, 2, "0.12"},  // exact tie: to even
        {0.375, 0, 2, "0.38"},
        {2.5, 0, 0, "2"},
        {3.5, 0, 0, "4"},
        {1.005, 0, 2, "1.00"},  // 1.005 is stored a little below
        {0.015625, 0, 5, "0.01562"},
        {-1234.5, 12, -3, "-1.234E+0003"},
        // Ties that only the 80-bit type can hold.
        {9007199254740992.5L, 0, 0, "9007199254740992"},
        {9007199254740993.5L, 0, 0, "9007199254740994"},
        {0.1L, 0, 20, "0.10000000000000000000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(strff(c.x, c.w, c.d), c.want) << static_cast<double>(c.x) << " " << c.d;
}

TEST(Strff, NaNAndInfinities)
{
    const FmtCase cases[] = {
        {kNaN, 6, 2, "   NAN"}, {kInf, 6, 2, "  +INF"}, {-kInf, 6, 2, "  -INF"},
        {-kInf, 3, 2, "***"},   {kNaN, 0, 2, "NAN"},    {kInf, -6, 2, "  +INF"}, // no zero padding
        {kNaN, 10, -2, "       NAN"},
    };
    for (const auto& c : cases) EXPECT_EQ(strff(c.x, c.w, c.d), c.want) << c.w << " " << c.d;
}

TEST(Strff, WildWidthsAndDecimalsStayBounded)
{
    EXPECT_EQ(strff(1, INT32_MAX, 0).size(), 5000u);
    const std::string padded = strff(1, INT32_MIN, 0);
    EXPECT_EQ(padded.size(), 5000u);
    EXPECT_EQ(padded.back(), '1');
    EXPECT_EQ(padded.front(), '0');
    const std::string decimals = strff(1, 0, INT32_MAX);
    EXPECT_EQ(decimals.size(), 5002u);
    EXPECT_EQ(decimals.substr(0, 4), "1.00");
    EXPECT_EQ(strff(1e308, 0, 0).size(), 309u);
    EXPECT_EQ(strff(-std::numeric_limits<vcl::Extended>::max(), 0, 2).size(), 4937u); // 4933 digits, sign, point, two decimals
    EXPECT_EQ(strff(std::numeric_limits<vcl::Extended>::denorm_min(), 0, -1), " 3.6E-4951");
}

TEST(StrffForcePlus, PlusInTheSignPosition)
{
    const FmtCase cases[] = {
        {3.5, 6, 2, " +3.50"},
        {3.5, 4, 2, "+3.50"},      // no room: put in front
        {3.5, -6, 2, "+03.50"},    // zero-padded: first character replaced
        {0.5, 4, 2, "+0.50"},      // "0." is not padding
        {0, 5, 1, " +0.0"},
        {-3.5, 6, 2, " -3.50"},
        {1.5, 10, -2, "+1.500E+00"},
        {kInf, 6, 2, "  +INF"},
        {kNaN, 6, 2, "   NAN"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(strffForcePlus(c.x, c.w, c.d), c.want) << static_cast<double>(c.x) << " " << c.w;
}

TEST(FormatData, FixedWhenNineDigitsSuffice)
{
    struct Case { double x; int32_t w, d; const char* want; } cases[] = {
        {0.05, 8, 1, " 5.0000000E-02"}, // below 0.1: exponential in W + 6
        {0, 8, 1, "     0.0"},
        {123.456, 8, 2, "  123.46"},
        {-0.5, 8, 1, "    -0.5"},
        {0.1, 8, 1, "     0.1"},
        {999999999, 10, 0, " 999999999"},
        {1e9, 8, 0, " 1.0000000E+09"},
        {9999999.9, 10, 1, " 9999999.9"},
        {10000000, 10, 1, " 1.000000000E+07"},
        {0.99999999, 10, 8, "0.99999999"},
        {12.5, 8, 9, " 1.2500000E+01"}, // only 0..8 decimals are fixed
        {12.5, 8, -1, " 1.2500000E+01"},
        {kNaN, 8, 2, "           NAN"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatData(c.x, c.w, c.d), c.want) << c.x << " " << c.d;
}

TEST(SigDigStr, SignificantDigits)
{
    struct Case { double x; int32_t w, s; const char* want; } cases[] = {
        {123.456, 10, 4, "     123.5"},
        {0.00123, 10, 3, "   0.00123"},
        {0, 6, 3, "  0.00"},
        {0, 8, 0, "       0"},          // fewer than one digit counts as one
        {0, 8, -4, "       0"},
        {123456, 10, 3, "    123456"},   // more digits than asked, but they fit
        {123456, 5, 3, " 1.23E+05"},     // they do not fit: exponential in max(W, S + 6)
        {2e-10, 10, 3, " 2.000E-10"},
        {-42.125, 8, 5, " -42.125"},
        {kNaN, 6, 3, "   NAN"},
        // Exact powers of ten have exactly as many digits as they show.
        {1000, 10, 4, "      1000"},
        {1000, 10, 5, "    1000.0"},
        {0.001, 10, 2, "    0.0010"},
        {999.99, 10, 3, "      1000"},  // rounds up to a fourth digit, as fixed text does
        {5e-324, 10, 2, "**********"},
        {1.7976931348623157e308, 12, 3, "************"}, // exponent beyond two digits
    };
    for (const auto& c : cases) EXPECT_EQ(SigDigStr(c.x, c.w, c.s), c.want) << c.x << " " << c.s;
}

TEST(TimeString, SixFormats)
{
    struct Case { double t; uint8_t f; const char* want; } cases[] = {
        {3723.456, 0, "01:02:03.45"},
        {3723.456, 1, "01:02:03"},
        {3723.456, 2, " 1h02"},
        {3723.456, 3, " 1h02'03\""},
        {3723.456, 4, "01:02"},
        {3723.456, 5, " 1:02a"},
        {3723.456, 6, ""},
        {-5, 1, "00:00:00"},
        {kNaN, 0, "00:00:00.00"},
        {0.29, 0, "00:00:00.29"},     // binary fraction a hair below .29
        {1.15, 0, "00:00:01.15"},
        {59.9999999999, 0, "00:00:59.99"},
        {360000, 1, "100:00:00"},
        {360000, 2, "100h00"},
        {0, 5, "12:00a"},
        {43200, 5, "12:00p"},
        {46800 + 59 * 60, 5, " 1:59p"},
        {39600, 5, "11:00a"},
    };
    for (const auto& c : cases) EXPECT_EQ(TimeString(c.t, c.f), c.want) << c.t << " " << int(c.f);
}

TEST(TimeString, HugeDurationsSaturate)
{
    EXPECT_EQ(TimeString(1e300, 1), "9223372036854775807:59:59");
    EXPECT_EQ(TimeString(kInf, 4), "9223372036854775807:59");
}

TEST(BoolToStr, Modes)
{
    struct Case { int32_t mode; const char* t; const char* f; } cases[] = {
        {0, "TRUE", "FALSE"}, {1, "T", "F"},   {2, ".T.", ".F."},  {3, "1", "0"},
        {4, "-1", "0"},       {5, "FF", "00"}, {6, "TRUE", "FALSE"}, {-1, "TRUE", "FALSE"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BoolToStr(true, c.mode), c.t) << c.mode;
        EXPECT_EQ(BoolToStr(false, c.mode), c.f) << c.mode;
    }
}

TEST(MultiChar, CountIsClamped)
{
    EXPECT_EQ(MultiChar('x', 3), "xxx");
    EXPECT_EQ(MultiChar('x', 0), "x");
    EXPECT_EQ(MultiChar('x', -7), "x");
    EXPECT_EQ(MultiChar('x', 300), std::string(255, 'x'));
}

} // namespace
