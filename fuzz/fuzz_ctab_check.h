// Checks shared by the structure-file fuzz targets: whatever a reader made of
// its input, the table stays within its limits and every bond is entered at
// both of its atoms with one type.
#pragma once

#include <algorithm>
#include <cstdlib>

#include "molkit/PYX_cstruct.h"

inline void CheckTable(const PYX_cstruct::TCTab& t, bool DrawingUnits)
{
    const int n = t.GetNumAtoms();
    if (n < 0 || n > PYX_cstruct::MaxAtoms) std::abort();
    for (int a = 1; a <= n; ++a) {
        if (t.GetAtNum(a) > PYX_cstruct::MaxAtNum) std::abort();
        for (int k = 1; k <= PYX_cstruct::MaxConn; ++k) {
            const int b = t.GetConnTo(a, k);
            if (b == 0) continue;
            if (b < 1 || b > n || b == a) std::abort();
            if (t.CheckConnect(b, a) != t.GetTypConn(a, k)) std::abort();
        }
        if (DrawingUnits)
            for (int m = 1; m <= 3; ++m)
                if (!(t.GetCoords(a, m) >= 0.0f && t.GetCoords(a, m) <= 32767.0f)) std::abort();
    }
    (void)t.CalcMissingH();
    (void)t.RingsInMolecule();
}

// True if the MDL readers would leave these coordinates as they are: the
// minima are 0 and the scale they compute (the larger of 800 / width and
// 600 / height, lowered so that nothing exceeds 32767) is exactly 1. Tables
// read from an MDL file usually are in this form; a read whose scale had to
// be lowered, or whose width or height was almost 0, is not.
inline bool DrawingUnitsStable(const PYX_cstruct::TCTab& t)
{
    const int n = t.GetNumAtoms();
    if (n == 0) return true;
    double lo[3] = {1e10, 1e10, 1e10}, hi[3] = {-1e10, -1e10, -1e10};
    for (int a = 1; a <= n; ++a)
        for (int m = 0; m < 3; ++m) {
            lo[m] = std::min(lo[m], static_cast<double>(t.GetCoords(a, m + 1)));
            hi[m] = std::max(hi[m], static_cast<double>(t.GetCoords(a, m + 1)));
        }
    if (lo[0] != 0 || lo[1] != 0 || lo[2] != 0) return false;
    const double sx = hi[0] > 1e-6 ? 800.0 / hi[0] : 0.0, sy = hi[1] > 1e-6 ? 600.0 / hi[1] : 0.0;
    double s = std::max(sx, sy);
    for (int m = 0; m < 3; ++m)
        if (hi[m] * s > 32767.0) s = 32767.0 / hi[m];
    return s == 1.0 || (s == 0.0 && hi[0] == 0 && hi[1] == 0 && hi[2] == 0);
}

// True if both tables hold the same atoms and bonds; the order of the
// neighbour slots may differ (an MDL bond block lists each bond once, so the
// slot order of a table cannot always be written down), and coordinates are
// compared only when the MDL readers keep them (see DrawingUnitsStable).
inline bool SameStructure(const PYX_cstruct::TCTab& a, const PYX_cstruct::TCTab& b)
{
    // Neighbours are compared below, the CAS number not at all.
    const uint16_t mask = DrawingUnitsStable(b) ? 0x0FF7 : 0x01F7;
    if ((a.CompareWith(b) & mask) != 0) return false;
    for (int i = 1; i <= a.GetNumAtoms(); ++i) {
        if (a.GetNBonds(i) != b.GetNBonds(i)) return false;
        for (int k = 1; k <= a.GetNBonds(i); ++k)
            if (b.CheckConnect(i, a.GetConnTo(i, k)) != a.GetTypConn(i, k)) return false;
    }
    return true;
}
