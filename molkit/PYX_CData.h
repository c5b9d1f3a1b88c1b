// Element data: the table of the chemical elements 1 (hydrogen) to 103
// (lawrencium) with symbols, names, masses, radii, positions in the periodic
// system and electron configurations; CAS registry numbers; and a byte code
// that shortens chemical names.
//
// Everything here is a pure function over constant tables. An atomic number
// outside 1..103 never raises: it gives the empty string, 0 or 0.0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "vcl/System.h"

namespace PYX_CData {

using vcl::Extended;

// The highest atomic number in the table.
inline constexpr int MaxAtomicNumber = 103;
// Van der Waals radii are stored for the elements 1..MaxVDWElement only.
inline constexpr int MaxVDWElement = 53;
// The periodic-system grid.
inline constexpr int PerSysRows = 9;
inline constexpr int PerSysCols = 18;

// Element symbol ("Cl"); empty if out of range.
std::string CElemSymb(int AtNum);
// English name in lower case, spelled as in the table ("flourine"); empty if out of range.
std::string CElemName(int AtNum);
// The atomic number whose symbol equals Symb exactly (case-sensitive); 0 if none.
// Callers that accept other spellings normalise the case before the call.
int AtomicNumber(std::string_view Symb) noexcept;

// Mass number of the isotope the table lists for the element; 0 if out of range.
int IntAtWeight(int AtNum) noexcept;
// Exact mass of that isotope in u; 0.0 if out of range.
Extended ExactAtWeight(int AtNum) noexcept;
// Chemical (standard) atomic weight; 0.0 if out of range or the element has none.
double ChemAtWeight(int AtNum) noexcept;
// Van der Waals radius in ångström; 0.0 above element 53 or where none is stored.
double VDWRadius(int AtNum) noexcept;

// Zero-based column (0..17) and row (0..8) in the periodic-system grid; both 0
// if out of range.
void PerSysCoord(int AtNum, int& Col, int& Row) noexcept;
// The atomic number in a grid cell (0 = empty or outside the grid).
int PerSysCell(int Col, int Row) noexcept;

// Number of outer electrons (0..8); 0 if out of range.
int NumOuterElectrons(int AtNum) noexcept;
// Configuration with the noble-gas core in brackets ("[Ar] 3d6 4s2").
std::string ShortElectronConfig(int AtNum);
// Configuration with the core written out ("1s2 2s2 2p6 3s2 3p6 3d6 4s2").
std::string FullElectronConfig(int AtNum);

// CAS registry numbers are held as one integer whose last digit is the check
// digit (7732-18-5 is 7732185). They need 64 bits: current numbers exceed
// 2^31. Negative numbers are never valid.
bool CheckCASNr(int64_t CASNr) noexcept;
// The text with two hyphens ("7732-18-5"); empty for a negative number.
std::string FormatCASNr(int64_t CASNr);
// True if Text (blanks around it allowed) is a well-formed CAS number with a
// correct check digit; CASNr then holds it. Only digits and the two hyphens
// are accepted. A malformed text leaves CASNr unchanged.
bool ConvertStrToCASNr(std::string_view Text, int64_t& CASNr) noexcept;

// Codes a chemical name so that it takes fewer bytes: the name is lower-cased
// and each of 128 common fragments becomes one byte 128..255. German umlauts
// and ß are first written as ae, oe, ue and ss, and every other byte of 128 or
// more becomes '?', so the coded text never decodes to invented fragments
// (such names do not come back byte for byte).
std::string CompressChemName(std::string_view Name);
// Reverses CompressChemName: every byte of 128 or more becomes its fragment.
std::string DeCompressChemName(std::string_view Coded);

// Fragment k (1..128) of the name code; empty outside the range.
std::string_view ChemNameFragment(int k) noexcept;

} // namespace PYX_CData
