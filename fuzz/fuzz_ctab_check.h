// Checks shared by the structure-file fuzz targets: whatever a reader made of
// its input, the table stays within its limits and every bond is entered at
// both of its atoms with one type.
#pragma once

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

// True if both tables hold the same atoms and bonds; the order of the
// neighbour slots may differ (an MDL bond block lists each bond once, so the
// slot order of a table cannot always be written down).
inline bool SameStructure(const PYX_cstruct::TCTab& a, const PYX_cstruct::TCTab& b)
{
    if ((a.CompareWith(b) & 0x0FF7) != 0) return false; // neighbours compared below, CAS number not at all
    for (int i = 1; i <= a.GetNumAtoms(); ++i) {
        if (a.GetNBonds(i) != b.GetNBonds(i)) return false;
        for (int k = 1; k <= a.GetNBonds(i); ++k)
            if (b.CheckConnect(i, a.GetConnTo(i, k)) != a.GetTypConn(i, k)) return false;
    }
    return true;
}
