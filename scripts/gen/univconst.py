#!/usr/bin/env python3
"""Turns the 80-bit patterns of the universal constants (sign and biased
exponent, then the 64-bit mantissa with its explicit integer bit) into exact
hexadecimal float literals."""
CONSTS = """
uc_e 4000 ADF85458A2BB4A9A
uc_etom1 3FFD BC5AB1B16779BE36
uc_lg2 3FFD 9A209A84FBCFF798
uc_lg5 3FFE B2EFB2BD82180434
uc_lge 3FFD DE5BD8A937287195
uc_lgPi 3FFD FE8A6D98DD1DD807
uc_ln10 4000 935D8DDDAAA8AC17
uc_ln2 3FFE B17217F7D1CF79AB
uc_lnPi 3FFF 928682473D0DE85E
uc_PiH 3FFF C90FDAA22168C235
uc_PiSqr 4002 9DE9E64DF22EF2D2
uc_Pitom1 3FFD A2F9836E4E441529
uc_sqrt2 3FFF B504F333F9DE6485
uc_sqrt2pi 4000 A06C98FFB1382CB2
uc_sqrt2pitom1 3FFD CC42299EA1B28468
uc_GoldenR 3FFF CF1BBCDCBFA53E0A
uc_MinReal 3F7E FCA0293C42765B07
uc_MaxReal 407D FFC99E3C66FD68D2
uc_MinSingle 3F6A 89040A0F4C80569D
uc_MaxSingle 407E FFC99E3C66FD68D2
uc_MinDouble 3BCD 818995CE7AA0E1B2
uc_MaxDouble 43FE F2168983B9DBB273
uc_MinExtended 0000 0000000000000001
uc_MaxExtended 7FFE ECB12AED7F5875E1
uc_lnMinDouble C008 BA1B6684AC474500
uc_lnMaxDouble 4008 B16E847EE37C422E
uc_lnMaxExtended 400C B171C7AB26A28A52
uc_lnMinExtended C00C B21B457D80BDDC0C
uc_lnMinReal C005 B178E32221D34F6D
uc_lnMaxReal 4005 B00EC6F8CBF2E56F
uc_lnMinSingle C005 CE6BF66052006FA1
uc_lnMaxSingle 4005 B171AB28BB968462
"""
for line in CONSTS.split("\n"):
    if not line.strip():
        continue
    name, se, man = line.split()
    se, m = int(se, 16), int(man, 16)
    sign = "-" if se & 0x8000 else ""
    e = se & 0x7FFF
    e2 = (1 if e == 0 else e) - 16383 - 63
    print(f"inline constexpr Extended {name} = {sign}0x{m:X}p{e2}L;")
