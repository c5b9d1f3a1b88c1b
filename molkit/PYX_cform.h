// Molecular formulas: a short list of element entries (atomic number, mass
// number, count) that is parsed from text, written back as text, weighed,
// compared, and searched by mass.
//
// TMolFormModel holds the formula and needs no canvas; the formula display
// control wraps it and repaints through ShowIt, which does nothing here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "vcl/Classes.h"
#include "vcl/System.h"

namespace PYX_cform {

using vcl::Extended;

// A formula holds at most this many entries.
inline constexpr int MaxFormEntries = 20;
// The largest count or mass number that formula text may give; a part with a
// larger number (or a group that multiplies a count beyond it) is not read.
inline constexpr int MaxFormNumber = 9999;

// A formula as a plain record, exchanged with the connection table. Entry i
// (1..NumAtoms) is stored at index i-1 of the three arrays. Mass numbers and
// counts are 16 bits wide (fermium has mass number 257, counts of polymers
// exceed 255).
struct TFormulaRec {
    int32_t NumAtoms = 0;
    std::array<uint8_t, MaxFormEntries> AtNum{};
    std::array<uint16_t, MaxFormEntries> AtWgt{};
    std::array<uint16_t, MaxFormEntries> AtCnt{};

    friend bool operator==(const TFormulaRec&, const TFormulaRec&) = default;
};

class TMolFormModel : public vcl::TPersistent {
public:
    // Water: H (mass number 1, count 2) and O (16, 1), formula text "H2O".
    TMolFormModel();

    // --- Element entries, indexed 1..NumAtoms -------------------------------
    int GetNumAtoms() const noexcept { return numAtoms_; }
    // Takes n only within 1..20; the entry arrays are not touched.
    void SetNumAtoms(int n) noexcept;
    int GetAtNum(int i) const noexcept;
    // Takes z only within 1..103.
    void SetAtNum(int i, int z) noexcept;
    int GetAtWgt(int i) const noexcept;
    // Takes m only within 0..65535.
    void SetAtWgt(int i, int m) noexcept;
    int GetAtCnt(int i) const noexcept;
    // Takes n only within 0..65535.
    void SetAtCnt(int i, int n) noexcept;

    // --- Text ---------------------------------------------------------------
    // The formula as AsString(1), e.g. "1H2 16O ".
    std::string GetMolFormula() const { return AsString(1); }
    // Stores the text, empties the formula and parses the text with groups.
    // GetLastParseOK tells whether the whole text was read.
    void SetMolFormula(const std::string& Text);
    // The text last given to SetMolFormula (kept for display).
    const std::string& GetFormulaText() const noexcept { return text_; }
    // Whether the last SetMolFormula, ScanMolFormula or ReadFromString read
    // its whole text.
    bool GetLastParseOK() const noexcept { return lastParseOK_; }

    // Parses a formula with groups in parentheses, "(C H3)3 N", and appends
    // its entries. Parsing stops quietly at a part that cannot be read (the
    // entries read so far stay); the result is true when the whole text was
    // read. More than 20 entries, a count or mass number above 9999 and a
    // group multiplier below 1 also stop it with false.
    bool ScanMolFormula(std::string_view Text);
    // Empties the formula and appends one entry per part, without groups.
    // True when the whole text was read.
    bool ReadFromString(std::string_view Text);
    // Reads one formula part ("13C6", "Cl", "D2") starting at Pos (1-based,
    // moved on to the character that ended the part). True with the atomic
    // number, mass number and count, or false.
    static bool ScanNextFormPart(std::string_view Text, int& Pos, int& AtNum, int& AtWgt, int& AtCnt) noexcept;

    // Each entry written by ChemElem, followed by one blank. In mode 1 a
    // count of 1 is written out ("12C1 16O ") when another entry follows, so
    // that the text reads back to the same entries.
    std::string AsString(int Mode) const;
    // One entry: mode 1 gives mass number + symbol + count ("13C6"), any
    // other mode symbol + count ("C6"). Deuterium is written "D"; a count of 1
    // is not written; an atomic number outside 1..103 or a count below 1
    // gives the empty string.
    static std::string ChemElem(int AtNum, int AtWgt, int AtCnt, int Mode);

    // --- Weights and comparison -----------------------------------------------
    // Chemical and exact weights go by atomic number and ignore the mass
    // numbers (deuterium weighs as hydrogen); the nominal weight uses them.
    Extended ChemMolWgt() const noexcept;
    Extended ExactMolWgt() const noexcept;
    int64_t NominalMolWgt() const noexcept;
    // 0 same composition, 1 this holds at least as much of everything,
    // 2 the other does, -1 neither, -2 either formula is empty. Entries are
    // told apart by atomic number and mass number.
    int CompareTo(const TMolFormModel& Other) const noexcept;

    // --- Record form ------------------------------------------------------------
    TFormulaRec AsFormulaRec() const noexcept;
    // Takes the entries of Rec (NumAtoms limited to 0..20); does not change
    // the formula text.
    void SetFromFormulaRec(const TFormulaRec& Rec);

    // --- Search by mass ---------------------------------------------------------
    // Prepares a search for compositions between Minimum and Maximum. The
    // elements, their order and mass numbers come from Maximum; both records
    // must list the same elements in the same order with Minimum's counts not
    // above Maximum's, and have 1..20 entries. False (and no search) otherwise.
    bool InitFindFormula(double Mass, double Tolerance, const TFormulaRec& Minimum, const TFormulaRec& Maximum);
    bool FindFormulaNominalMass(bool Check) { return FindFormulaIntern(true, Check); }
    bool FindFormulaExactMass(bool Check) { return FindFormulaIntern(false, Check); }
    // Advances to the next composition whose nominal mass equals the rounded
    // target, or whose exact mass lies strictly within the tolerance of it;
    // with Check set the composition must also satisfy
    // H + F + Cl + Br + I <= 2 C + N + 2. True when one was found: the formula
    // then holds it. Compositions come in a fixed order: all counts at their
    // maximum first, the last element changing fastest, counting down. After
    // the last one a call reports false and the next starts over.
    bool FindFormulaIntern(bool Nominal, bool Check);
    double GetTargetMass() const noexcept { return target_; }
    double GetTolerance() const noexcept { return tolerance_; }
    const TFormulaRec& GetSearchMin() const noexcept { return searchMin_; }
    const TFormulaRec& GetSearchMax() const noexcept { return searchMax_; }
    // The current combination of the search (1..20); 0 outside.
    int GetWorkingCount(int i) const noexcept;
    // The search skips every branch whose mass range cannot reach the target;
    // clearing this walks every combination (the same results, much slower).
    bool GetSearchPruning() const noexcept { return pruning_; }
    void SetSearchPruning(bool Value) noexcept { pruning_ = Value; }

    // --- Other ------------------------------------------------------------------
    // Empties the text and all entries.
    void Clear();
    // Repaints the display; nothing in the bare formula.
    virtual void ShowIt() {}

    // Copies the formula, the text, the parse status and the search state
    // from another TMolFormModel; other sources go to the platform.
    void Assign(const vcl::TPersistent* Source) override;

protected:
    void AssignTo(vcl::TPersistent& Dest) const override;

private:
    bool AppendEntry(int AtNum, int AtWgt, int AtCnt) noexcept;
    int Prune(bool Nominal) noexcept;
    void PrepareSearch() noexcept;
    bool Matches(bool Nominal, bool Check) const noexcept;
    bool Advance() noexcept;

    int32_t numAtoms_ = 0;
    std::array<uint8_t, MaxFormEntries> atNum_{};
    std::array<uint16_t, MaxFormEntries> atWgt_{};
    std::array<uint16_t, MaxFormEntries> atCnt_{};
    std::string text_;
    bool lastParseOK_ = true;

    // Search state.
    double target_ = 0.0;
    double tolerance_ = 0.05;
    TFormulaRec searchMin_;
    TFormulaRec searchMax_;
    std::array<int32_t, MaxFormEntries> work_{};
    int32_t searchN_ = 0;       // entries of the prepared search, 0 = none
    bool exhaustPending_ = false;
    bool pruning_ = true;
    // Derived from the bounds by PrepareSearch: counts, masses per position and
    // the least and greatest mass of the positions from i on.
    std::array<int32_t, MaxFormEntries> lo_{}, hi_{};
    std::array<int64_t, MaxFormEntries> massNom_{};
    std::array<double, MaxFormEntries> massExact_{};
    std::array<int64_t, MaxFormEntries + 1> restMinNom_{}, restMaxNom_{};
    std::array<double, MaxFormEntries + 1> restMinExact_{}, restMaxExact_{};
};

} // namespace PYX_cform
