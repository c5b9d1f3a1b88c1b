#include <cmath>
#include <numeric>
#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "corekit/PYX_univconst.h"

using namespace PYX_univconst;

namespace {

// The ten bytes of an x87 value, written as sign/exponent word then mantissa.
std::string Pattern(vcl::Extended v)
{
    unsigned char b[sizeof v];
    std::memcpy(b, &v, sizeof v);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02X%02X %02X%02X%02X%02X%02X%02X%02X%02X", b[9], b[8], b[7], b[6], b[5], b[4],
                  b[3], b[2], b[1], b[0]);
    return buf;
}

TEST(UniversalConstants, HaveTheirExactBitPatterns)
{
    struct Case { const char* name; vcl::Extended value; const char* bits; } cases[] = {
        {"e", uc_e, "4000 ADF85458A2BB4A9A"},
        {"etom1", uc_etom1, "3FFD BC5AB1B16779BE36"},
        {"lg2", uc_lg2, "3FFD 9A209A84FBCFF798"},
        {"lg5", uc_lg5, "3FFE B2EFB2BD82180434"},
        {"lge", uc_lge, "3FFD DE5BD8A937287195"},
        {"lgPi", uc_lgPi, "3FFD FE8A6D98DD1DD807"},
        {"ln10", uc_ln10, "4000 935D8DDDAAA8AC17"},
        {"ln2", uc_ln2, "3FFE B17217F7D1CF79AB"},
        {"lnPi", uc_lnPi, "3FFF 928682473D0DE85E"},
        {"PiH", uc_PiH, "3FFF C90FDAA22168C235"},
        {"PiSqr", uc_PiSqr, "4002 9DE9E64DF22EF2D2"},
        {"Pitom1", uc_Pitom1, "3FFD A2F9836E4E441529"},
        {"sqrt2", uc_sqrt2, "3FFF B504F333F9DE6485"},
        {"sqrt2pi", uc_sqrt2pi, "4000 A06C98FFB1382CB2"},
        {"sqrt2pitom1", uc_sqrt2pitom1, "3FFD CC42299EA1B28468"},
        {"GoldenR", uc_GoldenR, "3FFF CF1BBCDCBFA53E0A"},
        {"MinReal", uc_MinReal, "3F7E FCA0293C42765B07"},
        {"MaxReal", uc_MaxReal, "407D FFC99E3C66FD68D2"},
        {"MinSingle", uc_MinSingle, "3F6A 89040A0F4C80569D"},
        {"MaxSingle", uc_MaxSingle, "407E FFC99E3C66FD68D2"},
        {"MinDouble", uc_MinDouble, "3BCD 818995CE7AA0E1B2"},
        {"MaxDouble", uc_MaxDouble, "43FE F2168983B9DBB273"},
        {"MinExtended", uc_MinExtended, "0000 0000000000000001"},
        {"MaxExtended", uc_MaxExtended, "7FFE ECB12AED7F5875E1"},
        {"lnMinDouble", uc_lnMinDouble, "C008 BA1B6684AC474500"},
        {"lnMaxDouble", uc_lnMaxDouble, "4008 B16E847EE37C422E"},
        {"lnMaxExtended", uc_lnMaxExtended, "400C B171C7AB26A28A52"},
        {"lnMinExtended", uc_lnMinExtended, "C00C B21B457D80BDDC0C"},
        {"lnMinReal", uc_lnMinReal, "C005 B178E32221D34F6D"},
        {"lnMaxReal", uc_lnMaxReal, "4005 B00EC6F8CBF2E56F"},
        {"lnMinSingle", uc_lnMinSingle, "C005 CE6BF66052006FA1"},
        {"lnMaxSingle", uc_lnMaxSingle, "4005 B171AB28BB968462"},
    };
    for (const auto& c : cases) EXPECT_EQ(Pattern(c.value), c.bits) << c.name;
}

TEST(UniversalConstants, AgreeWithTheirMeaning)
{
    EXPECT_NEAR(static_cast<double>(uc_e), std::exp(1.0), 1e-15);
    EXPECT_NEAR(static_cast<double>(uc_PiH), std::acos(0.0), 1e-15);
    EXPECT_NEAR(static_cast<double>(uc_GoldenR), (1 + std::sqrt(5.0)) / 2, 1e-15);
    EXPECT_EQ(static_cast<double>(uc_MaxDouble), 1.7e308);
    EXPECT_EQ(uc_MinExtended, std::ldexp(1.0L, -16445));
    // The logarithm of the smallest extended is of 3.6e-4951, not of the subnormal.
    EXPECT_NEAR(static_cast<double>(uc_lnMinExtended), -11398.817861568058, 1e-9);
    EXPECT_NE(uc_lnMinExtended, std::log(uc_MinExtended));
}

// The reference is ln(n!) from the C library's extended log-gamma. An entry
// may differ from it by half a unit of the 15th digit (the rounding) plus the
// conversion of that decimal to a double; a wrong 15th digit is twice that.
TEST(LnFactorial, AgreesWithLogGammaTo15Digits)
{
    EXPECT_EQ(uc_LnFactorial[0], 0.0);
    EXPECT_EQ(uc_LnFactorial[1], 0.0);
    EXPECT_EQ(uc_LnFactorial[2], 0.693147180559945);
    EXPECT_EQ(uc_LnFactorial[3], 1.79175946922806);
    EXPECT_EQ(uc_LnFactorial[10], 15.1044125730755);
    EXPECT_EQ(uc_LnFactorial[1000], 5912.12817848816);
    EXPECT_EQ(uc_LnFactorial.size(), 1001u);
    for (int n = 2; n <= 1000; ++n) {
        long double exact = std::lgamma(static_cast<long double>(n) + 1);
        double unit = std::pow(10.0, std::floor(std::log10(static_cast<double>(exact))) - 14);
        double slack = 0.5 * unit + (std::nextafter(uc_LnFactorial[n], 1e300) - uc_LnFactorial[n]) + 1e-17 * static_cast<double>(exact);
        EXPECT_LE(std::fabs(static_cast<double>(uc_LnFactorial[n] - exact)), slack) << n;
    }
}

} // namespace
