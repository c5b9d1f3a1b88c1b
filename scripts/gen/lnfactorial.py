#!/usr/bin/env python3
"""Prints ln(n!) for n = 0..1000 as C++ initialisers, each rounded to 15
significant decimal digits. The logarithms are summed in 60-digit decimal
arithmetic, so the 15th digit is exact."""
from decimal import Decimal, getcontext

getcontext().prec = 60
acc = Decimal(0)
texts = []
for n in range(1001):
    if n >= 2:
        acc += Decimal(n).ln()
    if acc == 0:
        texts.append("0.0")
    else:
        texts.append(str(acc.quantize(Decimal(1).scaleb(acc.adjusted() - 14))))
for i in range(0, len(texts), 6):
    print("    " + ", ".join(texts[i:i + 6]) + ",")
