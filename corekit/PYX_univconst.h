// Mathematical and numeric-range constants and the table of log-factorials.
//
// The extended constants are given by their exact 80-bit values (written as
// hexadecimal float literals); several differ by one unit in the last place
// from the correctly rounded decimal value, and the bit pattern is what counts.
#pragma once

#include <array>

#include "vcl/System.h"

namespace PYX_univconst {

using vcl::Extended;

inline constexpr Extended uc_e = 0xADF85458A2BB4A9Ap-62L;
inline constexpr Extended uc_etom1 = 0xBC5AB1B16779BE36p-65L;
inline constexpr Extended uc_lg2 = 0x9A209A84FBCFF798p-65L;
inline constexpr Extended uc_lg5 = 0xB2EFB2BD82180434p-64L;
inline constexpr Extended uc_lge = 0xDE5BD8A937287195p-65L;
inline constexpr Extended uc_lgPi = 0xFE8A6D98DD1DD807p-65L;
inline constexpr Extended uc_ln10 = 0x935D8DDDAAA8AC17p-62L;
inline constexpr Extended uc_ln2 = 0xB17217F7D1CF79ABp-64L;
inline constexpr Extended uc_lnPi = 0x928682473D0DE85Ep-63L;
inline constexpr Extended uc_PiH = 0xC90FDAA22168C235p-63L;
inline constexpr Extended uc_PiSqr = 0x9DE9E64DF22EF2D2p-60L;
inline constexpr Extended uc_Pitom1 = 0xA2F9836E4E441529p-65L;
inline constexpr Extended uc_sqrt2 = 0xB504F333F9DE6485p-63L;
inline constexpr Extended uc_sqrt2pi = 0xA06C98FFB1382CB2p-62L;
inline constexpr Extended uc_sqrt2pitom1 = 0xCC42299EA1B28468p-65L;
inline constexpr Extended uc_GoldenR = 0xCF1BBCDCBFA53E0Ap-63L;
inline constexpr Extended uc_MinReal = 0xFCA0293C42765B07p-192L;
inline constexpr Extended uc_MaxReal = 0xFFC99E3C66FD68D2p63L;
inline constexpr Extended uc_MinSingle = 0x89040A0F4C80569Dp-212L;
inline constexpr Extended uc_MaxSingle = 0xFFC99E3C66FD68D2p64L;
inline constexpr Extended uc_MinDouble = 0x818995CE7AA0E1B2p-1137L;
inline constexpr Extended uc_MaxDouble = 0xF2168983B9DBB273p960L;
inline constexpr Extended uc_MinExtended = 0x1p-16445L;
inline constexpr Extended uc_MaxExtended = 0xECB12AED7F5875E1p16320L;
inline constexpr Extended uc_lnMinDouble = -0xBA1B6684AC474500p-54L;
inline constexpr Extended uc_lnMaxDouble = 0xB16E847EE37C422Ep-54L;
inline constexpr Extended uc_lnMaxExtended = 0xB171C7AB26A28A52p-50L;
inline constexpr Extended uc_lnMinExtended = -0xB21B457D80BDDC0Cp-50L;
inline constexpr Extended uc_lnMinReal = -0xB178E32221D34F6Dp-57L;
inline constexpr Extended uc_lnMaxReal = 0xB00EC6F8CBF2E56Fp-57L;
inline constexpr Extended uc_lnMinSingle = -0xCE6BF66052006FA1p-57L;
inline constexpr Extended uc_lnMaxSingle = 0xB171AB28BB968462p-57L;

// ln(n!) for n = 0..1000, each rounded to 15 significant digits.
extern const std::array<double, 1001> uc_LnFactorial;

} // namespace PYX_univconst
