// Connection tables: a chemical structure as a fixed table of at most 63
// atoms, each with element, isotope, charge, marks, coordinates and up to 10
// bonded neighbours. The table counts hydrogens, makes formulas and weights,
// edits and joins structures, measures and turns the drawing, finds rings,
// codes atom neighbourhoods, counts functional groups and searches one
// structure inside another.
//
// Atom numbers count from 1. Every atom number, slot number, axis number and
// value given from outside is checked against the fixed limits, so that no
// input can reach beyond the table; out-of-range reads give 0 (or an empty
// record), out-of-range writes are ignored.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "molkit/PYX_cform.h"
#include "vcl/Classes.h"
#include "vcl/System.h"

namespace vcl {
class TTextFile;
class TStream;
} // namespace vcl

namespace PYX_cstruct {

using vcl::Extended;

// Atoms per table, neighbours per atom, rings per ring list.
inline constexpr int MaxAtoms = 63;
inline constexpr int MaxConn = 10;
inline constexpr int MaxRings = 100;
// The largest atomic number the table accepts.
inline constexpr int MaxAtNum = 103;
// The display word of an empty record: no colour of its own.
inline constexpr uint32_t DisplayNoColor = 0x80000000u;

enum class CoordUnitType : uint8_t { cuUnknown, cuPixel, cuNanoM, cuPicoM, cuAngstrom };
using enum CoordUnitType;

// One atom. Slot k (1..10) of the neighbour list is stored at index k-1 of
// Conn and TypConn, axis m (1 = x, 2 = y, 3 = z) at index m-1 of Coords.
// Neighbour number 0 marks a free slot; used slots come first. Bond types:
// 1 single, 2 double, 3 triple, 4 aromatic. Mass numbers are 16 bits wide
// (fermium has 257).
struct CTElem {
    uint8_t AtNum = 0;
    uint16_t AtWeight = 0;
    uint8_t AtFlag = 0;
    uint8_t Attrib = 0;
    int8_t Charge = 0;
    std::array<uint8_t, MaxConn> Conn{};
    std::array<uint8_t, MaxConn> TypConn{};
    std::array<float, 3> Coords{};
    uint32_t Display = DisplayNoColor;

    friend bool operator==(const CTElem&, const CTElem&) = default;
};

// Sets a record to its empty state.
void ClearCTElem(CTElem& Rec) noexcept;

// One ring: its size and its atoms in ring order (Atoms[0..Size-1]).
struct RingType {
    uint8_t Size = 0;
    std::array<uint8_t, MaxAtoms> Atoms{};
};

// A list of rings (entries 0..Count-1). A search that finds more rings than
// the list holds keeps the first MaxRings and sets Truncated.
struct RingListType {
    int32_t Count = 0;
    bool Truncated = false;
    std::array<RingType, MaxRings> Rings{};
};

// A list of atom numbers (entries 0..Count-1).
struct AtListType {
    int32_t Count = 0;
    std::array<int32_t, MaxAtoms> Atoms{};
};

// The kinds of fragments counted by TCTab::FragmentCount.
enum class FrgType : uint8_t {
    NSglBnd, NCCSgl, NDblBnd, NCCDbl, NTrplBnd, NCCTrpl, NAroBnd, NBranch, XCnt, COOH, COO, NO2, AnyCO,
    AroCl, AroBr, AnyOH, PhOH, NH2, NHR, NR2, NCON, CN, CONR2, CHO, COX, AnySO, OCH3, NO, NNH2
};

enum class SSSMode : uint8_t { smSkeleton, smAtoms, smBonds, smAtomAndBonds };
using enum SSSMode;

// Bits of the attribute byte set by TCTab::CalcAttributes.
inline constexpr uint8_t atChain = 0x01;
inline constexpr uint8_t atSmallOrLargeRing = 0x02; // ring of 3, 4 or more than 6
inline constexpr uint8_t atRing5 = 0x04;
inline constexpr uint8_t atRing6 = 0x08;
inline constexpr uint8_t atBranch = 0x10;           // more than two bonds
inline constexpr uint8_t atInRing = 0x20;
inline constexpr uint8_t atChainEnd = 0x40;
inline constexpr uint8_t atMultiRing = 0x80;

// True if every atom of Ring occurs in one and the same ring of List.
bool RingInRingList(const RingType& Ring, const RingListType& List) noexcept;
// The text of a fragment code ("C1O"), "ERROR" for a negative code.
std::string FragmentStr(int32_t Code);

// --- Structure files: data items of SD records --------------------------------------
// One recognised data item of an SD record: its name (at most 15 characters)
// and its value.
struct TPropRec {
    std::string Name;
    double Value = 0.0;
};
inline constexpr int MaxProps = 20;
using TPropArray = std::array<TPropRec, MaxProps>;
// The names the SD reader stores in a TPropArray, in this order.
extern const std::array<const char*, MaxProps> SDPropNames;
// Any data item of an SD record as text: the name between the first "<" and
// ">" of its header line ("DT12" for a header that gives only a field number,
// empty when it names nothing) and the value lines joined by line feeds.
struct TSDDataItem {
    std::string Name;
    std::string Value;
};
using TSDDataItems = std::vector<TSDDataItem>;
// How the last structure-file read ended.
enum class TReadStatus : uint8_t {
    rsOK,          // read completely
    rsDoubtful,    // read, but something was left out or replaced (query bond, bad charge code, bad bond)
    rsEndOfFile,   // nothing but blank lines or nothing at all was left; the table is unchanged
    rsBadCounts,   // no usable counts (0 atoms, malformed); the table is unchanged
    rsTooManyAtoms, // more atoms than the table holds; the table is unchanged
    rsV3000,       // an extended-format record, which is not read; the table is unchanged
    rsTruncated,   // the input ended inside the record; the table is cleared
    rsMalformed    // a line could not be read; the table is cleared
};
using enum TReadStatus;
// --- End of structure-file types ------------------------------------------------------

class TCTab : public vcl::TComponent {
public:
    explicit TCTab(vcl::TComponent* AOwner = nullptr);

    // Fires OnChange.
    void Changed();

    // --- Table fields -------------------------------------------------------------
    int GetNumAtoms() const noexcept { return numAtoms_; }
    const std::string& GetStrucName() const noexcept { return name_; }
    void SetStrucName(const std::string& Value);
    CoordUnitType GetCoordUnit() const noexcept { return coordUnit_; }
    void SetCoordUnit(CoordUnitType Value);
    // The CAS number as text ("50-00-0").
    std::string GetCASNr() const;
    // Takes a text with two hyphens in the registry layout and a valid check
    // digit; anything else keeps the stored number. Fires OnChange either way.
    void SetCASNr(const std::string& Text);
    int64_t GetCASNrValue() const noexcept { return casNr_; }
    // Takes 0 or a number with a valid check digit; fires OnChange on a change.
    void SetCASNrValue(int64_t Value);
    static bool CheckCASNr(int64_t Value) noexcept;

    // --- Atom accessors (atom a in 1..NumAtoms) -----------------------------------
    int GetAtNum(int a) const noexcept;
    void SetAtNum(int a, int z);          // z in 1..103
    int GetAtWeight(int a) const noexcept;
    void SetAtWeight(int a, int m);       // m in 0..65535
    int GetAtFlag(int a) const noexcept;
    void SetAtFlag(int a, int f);         // f in 0..255
    int GetAttrib(int a) const noexcept;
    void SetAttrib(int a, int v);         // v in 0..255
    int GetCharge(int a) const noexcept;
    void SetCharge(int a, int c);         // c in -128..127
    // Slot k in 1..10. SetConnTo and SetTypConn write one slot only; the
    // partner atom is not touched. A neighbour must be 0..63 and not a itself,
    // a bond type 0..255.
    int GetConnTo(int a, int k) const noexcept;
    void SetConnTo(int a, int k, int b);
    int GetTypConn(int a, int k) const noexcept;
    void SetTypConn(int a, int k, int t);
    // Axis 1..3.
    float GetCoords(int a, int axis) const noexcept;
    void SetCoords(int a, int axis, float v);
    // The whole record; a cleared record for a outside 1..NumAtoms.
    CTElem GetAtomEntries(int a) const noexcept;
    // Stores Rec at atom a. Slots naming an atom outside 1..63 or a itself
    // are dropped, and the used slots are moved to the front.
    void SetAtomEntries(int a, const CTElem& Rec);

    // --- Queries ----------------------------------------------------------------
    int GetNBonds(int a) const noexcept;
    // The largest number of bonds of any atom; a receives the first atom that
    // has it (unchanged when no atom has a bond).
    int MaxNBonds(int& a) const noexcept;
    // The bond type between a and b as listed at a; 0 if not bonded.
    int CheckConnect(int a, int b) const noexcept;
    int AtomCount(int z) const noexcept;
    bool ContainsUnconnectedAtom() const noexcept;
    bool GetCoordsPresent() const noexcept;
    // Hydrogens on atom a, explicit neighbours included. The valence of a
    // charged atom is shifted by its charge: ammonium-like N, P, O, S and
    // halogens gain one bond per positive charge, carbon, silicon and
    // germanium lose one per charge of either sign, boron loses one per
    // positive charge. So R3NH+ has one hydrogen, CH3+ three, BH4- four.
    int NrHAtoms(int a) const noexcept;
    // The sum of NrHAtoms over all atoms.
    int CalcMissingH() const noexcept;
    // The formula, ordered C, H, N, O, S, P, F, Cl, Br, I, then the rest in
    // order of appearance. Hydrogen atoms without a heavy neighbour (H2)
    // count as hydrogens, explicit isotope hydrogens (deuterium) get their
    // own entries. False, leaving Rec untouched, with more than 20 entries or
    // an atom of atomic number 0 (a query atom).
    bool CalcMolecularFormula(PYX_cform::TFormulaRec& Rec) const;
    Extended CalcChemMolWeight() const noexcept;

    // --- Editing ----------------------------------------------------------------
    // Empties the table; fires OnChange.
    void Clear();
    void ClearAttributes() noexcept;
    // Appends an atom (its display word stays cleared) and enters its bonds at
    // the new atom only. False when 63 atoms are present or the atomic number
    // is above 103.
    bool AddAtom(const CTElem& Rec);
    // Removes atom a; its neighbours become bonded to each other where both
    // lists have room, with the common bond type (single if a's bonds to them
    // differ). The last atom moves into number a.
    void DeleteAtom(int a);
    // t > 0: enters the bond a-b with type t at both atoms (false, with no
    // change, when either list is full). t = 0: removes the bond and tells
    // whether it was there. False for a or b outside 1..NumAtoms, a = b or
    // t outside 0..255.
    bool MakeConnection(int a, int b, int t);
    // Enters b with type t into the list of a only; a or b outside 1..63,
    // a = b and a full list are ignored.
    void EnterConn(int a, int b, int t) noexcept;
    void MakeSymmetricConnections() noexcept;
    // Copies everything except the display words; fires OnChange.
    void CopyFrom(const TCTab& Other);
    // Fuses Fragment with this table: fragment atoms with a flag fuse with the
    // highest-numbered atom of this table carrying the same flag; the others
    // (and flagged atoms without a partner) are appended. False, with no
    // change, when the result would exceed 63 atoms.
    bool JoinFragment(const TCTab& Fragment);
    // Appends Fragment and bonds old and new atoms with equal flags. False,
    // with no change, when the result would exceed 63 atoms.
    bool LinkFragment(const TCTab& Fragment);
    void RemoveHydrogen();
    // SetCoordsPresent(false) sets all coordinates to 0 and fires OnChange;
    // true does nothing.
    void SetCoordsPresent(bool Value);

    // --- Geometry ---------------------------------------------------------------
    void CalcMolCenter(double& x, double& y, double& z) const noexcept;
    // The 2-D extent and mean; returns the mean bond length. With fewer than
    // two atoms the extent is 1..10000 by 1..7000, the mean 5000, 3500 and
    // the bond length 0.
    double CalcMolExtents(double& MinX, double& MinY, double& MaxX, double& MaxY, double& MeanX,
                          double& MeanY) const noexcept;
    // The nearest atom (lowest number among equally near ones) and its
    // distance; a = 0 and d = the largest double without atoms.
    void FindClosestAtom(double x, double y, double z, int& a, double& d) const noexcept;
    // The highest-numbered atom inside the box, or -1.
    int FindAtomInBox(double x, double y, double z, double dx, double dy, double dz) const noexcept;
    // Turns the structure in the x-y plane onto its principal axes (never
    // mirrored); coordinates become whole numbers.
    void RotateWithPCA();

    // --- Rings ------------------------------------------------------------------
    // The number of independent rings: bonds - atoms + connected parts (so a
    // salt or a mixture counts the rings of all its parts).
    int RingsInMolecule() const noexcept;
    // All smallest rings through the start atom, each listed once, starting
    // with the start atom in path order; returns their number (0 for a start
    // outside 1..NumAtoms). Uses AtFlag as its scratch mark: all flags are 0
    // afterwards.
    int FindShortestRings(int Start, RingListType& List);
    // A set of smallest rings of the whole structure; returns their number.
    // Cage structures get every smallest ring of their faces (cubane: 6).
    int FindSSSR(RingListType& List);
    // Recomputes the attribute byte of every atom from the rings; returns the
    // number of rings found.
    int CalcAttributes();

    // --- Fragments ----------------------------------------------------------------
    // The code of atom a and its up to four neighbours; Extra receives the
    // number of further bonds leaving the neighbours. -1 for an element
    // without a code (atom or neighbour), -2 for more than four neighbours.
    int32_t FragmentCode(int a, int& Extra) const noexcept;
    int FragmentCount(FrgType Kind) const noexcept;
    // Difference flags (0 = equal tables): 0x0001 NumAtoms, 0x0002 name (case
    // ignored), 0x0004 coordinate unit, 0x0008 CAS number, per atom 0x0010
    // atomic number, 0x0020 mass number, 0x0040 flag, 0x0080 attributes,
    // 0x0100 charge, 0x0200/0x0400/0x0800 x/y/z, 0x1000 neighbours,
    // 0x2000 bond types.
    uint16_t CompareWith(const TCTab& Other) const noexcept;

    // --- Substructure search ------------------------------------------------------
    // True if this structure has at least as many atoms of every element as
    // Query.
    bool SumForContained(const TCTab& Query) const noexcept;
    // True if Query occurs in this structure: every query atom is mapped to a
    // different structure atom of the same element, with at least as many
    // bonds and with all the attribute bits the query atom demands, and every
    // query bond to a structure bond (of the same type when CompareBonds is
    // set). MatchFlags (entry i-1 for atom i) marks the atoms of the match
    // found. A search that exceeds MaxSearchSteps stops with false and sets
    // GetSearchAborted.
    bool SearchSubStruc(const TCTab& Query, std::array<uint8_t, MaxAtoms>& MatchFlags, bool CompareBonds);
    bool GetSearchAborted() const noexcept { return searchAborted_; }
    static constexpr int64_t MaxSearchSteps = 5'000'000;
    // The atoms that pass the filters, ascending: Element > 0 keeps that
    // element, < 0 drops it; BondCount > 0 keeps atoms with that many bonds,
    // < 0 drops them; each non-zero entry of BondTypes must be met by a bond of
    // its own of that type. Returns the number of atoms listed.
    int MatchAtomTemplate(int Element, int BondCount, const std::array<uint8_t, MaxConn>& BondTypes,
                          AtListType& List) const noexcept;
    // Deletes chain atoms until only ring systems and their links remain;
    // returns the remaining NumAtoms.
    int StripfromChains();
    // The first atom numbered a or higher with exactly one bond, or 0.
    int FindNextEndAtom(int a) const noexcept;

    // --- Structure files ------------------------------------------------------------
    // Readers of MDL molfiles (name line, two header lines, connection table),
    // bare MDL connection tables (from the counts line), SD records and the
    // two plain-text formats marked "/CONTAB" and "/CTABG". None closes or
    // rewinds its input, so successive calls read successive records. All
    // return true only for a complete read; they never throw on bad input.
    // The MDL readers normalise the case of element symbols ("CL" is
    // chlorine), read D and T as hydrogen 2 and 3, and apply the "M  CHG"
    // and "M  ISO" lines of the property block: the molfile and table readers
    // read on through "M  END" only when the line after the bond block starts
    // with "M  ", and leave the input after the last line read. Coordinates
    // become whole drawing units (the widest extent 800 or the tallest 600,
    // whichever scale is larger, at most 32767). Counts the table cannot hold
    // leave the table unchanged; a record that ends early or holds an
    // unreadable line leaves it cleared.
    bool ReadFromMDLMolFile(vcl::TTextFile& F);
    bool ReadFromMDLMolStream(vcl::TStream& S);
    bool ReadFromMDLCTabFile(vcl::TTextFile& F);
    bool ReadFromMDLCTabStream(vcl::TStream& S);
    // Reads one SD record and leaves the input after its "$$$$" line, also
    // when the record is refused, so the next call reads the next record.
    // Props receives the recognised numeric data items, the CAS number comes
    // from the items "CAS_RN" and "CASREGNR"; Items, when given, receives
    // every data item as text.
    bool ReadFromMDLSDFile(vcl::TTextFile& F, TPropArray& Props, TSDDataItems* Items = nullptr);
    bool ReadFromMDLSDStream(vcl::TStream& S, TPropArray& Props, TSDDataItems* Items = nullptr);
    bool ReadFromClearTextFile(vcl::TTextFile& F);
    bool ReadFromClearTextFileCTABG(vcl::TTextFile& F);
    bool ReadConnTabBody(vcl::TTextFile& F);
    // The outcome of the last read and a sentence for the user ("" after a
    // complete read).
    TReadStatus GetReadStatus() const noexcept { return readStatus_; }
    const std::string& GetReadError() const noexcept { return readError_; }

    // Writers. The MDL writers write a standard V2000 table: charges in the
    // atom block and in "M  CHG" lines, isotopes as mass difference (where it
    // fits) and in "M  ISO" lines, each bond once. The molfile header takes
    // Program (up to 10 characters, header line 2), Comment (line 3),
    // RegNo (the registry number in line 2 when positive) and Name (line 1;
    // the structure name when empty). Coordinates are written as stored, so
    // the readers scale them again: a table read from an MDL file reads back
    // with the same atoms, bonds (possibly in another slot order) and, unless
    // the first read had to lower its scale to stay within 32767, the same
    // coordinates.
    void WriteToMDLMolFile(vcl::TTextFile& F, const std::string& Program, const std::string& Comment, int RegNo,
                           const std::string& Name);
    void WriteToMDLMolStream(vcl::TStream& S, const std::string& Program, const std::string& Comment, int RegNo,
                             const std::string& Name);
    void WriteToMDLCTabFile(vcl::TTextFile& F);
    void WriteToMDLCTabStream(vcl::TStream& S);
    // The "/CONTAB" block that ReadFromClearTextFile reads back.
    void WriteToClearTextFile(vcl::TTextFile& F);
    // A short listing: a line "N atoms name", then one line per atom with its
    // number, symbol, hydrogen count, number of bonds and neighbour numbers.
    void WriteToMolConnXFile(int N, vcl::TTextFile& F);

private:
    friend struct TCTabFileIO;
    TReadStatus readStatus_ = rsOK;
    std::string readError_;

public:
    // --- End of structure files ------------------------------------------------------

    vcl::TNotifyEvent OnChange;

protected:
    bool ValidAtom(int a) const noexcept { return a >= 1 && a <= numAtoms_; }
    CTElem& Rec(int a) noexcept { return atoms_[static_cast<std::size_t>(a - 1)]; }
    const CTElem& Rec(int a) const noexcept { return atoms_[static_cast<std::size_t>(a - 1)]; }

private:
    void RemoveSlotsOf(int a, int b) noexcept;
    bool HasRoom(int a) const noexcept { return GetNBonds(a) < MaxConn; }
    int HeavyH(int a) const noexcept;
    bool searchAborted_ = false;

    int numAtoms_ = 0;
    std::string name_;
    int64_t casNr_ = 0;
    CoordUnitType coordUnit_ = cuUnknown;
    std::array<CTElem, MaxAtoms> atoms_{};
};

} // namespace PYX_cstruct
