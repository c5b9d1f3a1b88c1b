#include "molkit/PYX_cform.h"

#include <cmath>
#include <limits>
#include <string>

#include "molkit/PYX_CData.h"
#include "vcl/Cp1252.h"

namespace PYX_cform {

namespace {

constexpr int MaxWide = 65535; // range of the 16-bit mass numbers and counts

bool IsLetter(unsigned char c) noexcept { return c >= 'A' && c <= 'Z'; }
bool IsDigit(unsigned char c) noexcept { return c >= '0' && c <= '9'; }
bool IsSeparator(unsigned char c) noexcept { return c == ' ' || c == ',' || c == '.'; }
bool IsStop(unsigned char c) noexcept { return c == '(' || c == ')'; }

// Atomic numbers by upper-cased symbol: a key from the one or two letters
// A..Z (letter value 1..26, second letter 0 for one-letter symbols).
struct TUpperSymbols {
    std::array<uint8_t, 27 * 27> z{};
    TUpperSymbols()
    {
        for (int n = PYX_CData::MaxAtomicNumber; n >= 1; --n) {
            const std::string s = vcl::AsciiUpperCase(PYX_CData::CElemSymb(n));
            const int a = s[0] - 'A' + 1;
            const int b = s.size() > 1 ? s[1] - 'A' + 1 : 0;
            z[a * 27 + b] = static_cast<uint8_t>(n);
        }
    }
};

const TUpperSymbols& UpperSymbols()
{
    static const TUpperSymbols t;
    return t;
}

// How a formula part ended.
enum TPartResult : uint8_t {
    prOK,        // an element was read
    prEmpty,     // no letter before the end of the part: only blanks, commas, periods or other characters
    prUnknown,   // the letters are no element symbol
    prTooLarge,  // a count or mass number above MaxFormNumber
};

struct TPart {
    TPartResult Result = prEmpty;
    int AtNum = 0;
    int AtWgt = 0;
    int AtCnt = 0;
    std::size_t End = 0; // 0-based offset of the character that ended the part
};

// The state machine of one formula part, from the 0-based offset Start.
TPart ScanPart(std::string_view Text, std::size_t Start) noexcept
{
    TPart r;
    int state = 0;
    int isotope = 0;
    int count = 0;
    bool tooLarge = false;
    char symb[3] = {0, 0, 0};
    int symbLen = 0; // letters read; only the first three are kept
    auto addLetter = [&](unsigned char c) {
        if (symbLen < 3) symb[symbLen] = static_cast<char>(c);
        ++symbLen;
    };
    // Accumulators stop growing above the limit so they never overflow.
    auto addDigit = [&](int& acc, unsigned char c) {
        if (acc > MaxFormNumber) return;
        acc = acc * 10 + (c - '0');
        if (acc > MaxFormNumber) tooLarge = true;
    };
    std::size_t i = Start;
    bool done = false;
    for (; i < Text.size(); ++i) {
        const unsigned char c = vcl::AsciiUpper(static_cast<unsigned char>(Text[i]));
        if (IsStop(c)) break;
        const bool letter = IsLetter(c);
        const bool digit = IsDigit(c);
        const bool sep = IsSeparator(c);
        switch (state) {
        case 0:
        case 1:
        case 2:
            if (letter) {
                addLetter(c);
                state = 3;
            } else if (digit) {
                if (state == 2) done = true;
                else {
                    addDigit(isotope, c);
                    state = 1;
                }
            } else if (sep && state == 1) {
                state = 2;
            }
            break;
        case 3:
            if (letter) addLetter(c);
            else if (digit) {
                addDigit(count, c);
                state = 5;
            } else if (sep) state = 4;
            break;
        case 4:
            if (letter) done = true;
            else if (digit) {
                addDigit(count, c);
                state = 5;
            }
            break;
        case 5:
            if (letter || sep) done = true;
            else if (digit) addDigit(count, c);
            break;
        default: break;
        }
        if (done) break;
    }
    r.End = i;
    if (symbLen == 0) {
        r.Result = prEmpty;
        return r;
    }
    if (symbLen > 2) {
        r.Result = prUnknown;
        return r;
    }
    int z = 0;
    const bool deuterium = symbLen == 1 && symb[0] == 'D';
    if (deuterium) z = 1;
    else z = UpperSymbols().z[(symb[0] - 'A' + 1) * 27 + (symbLen > 1 ? symb[1] - 'A' + 1 : 0)];
    if (z == 0) {
        r.Result = prUnknown;
        return r;
    }
    if (tooLarge) {
        r.Result = prTooLarge;
        return r;
    }
    r.Result = prOK;
    r.AtNum = z;
    r.AtWgt = isotope != 0 ? isotope : (deuterium ? 2 : PYX_CData::IntAtWeight(z));
    r.AtCnt = count != 0 ? count : 1;
    return r;
}

// A signed decimal integer at the 0-based offset Pos: blanks are skipped (never
// past the last character), one sign is accepted, then digits. Returns whether
// digits were found; without digits Pos is unchanged and the value 0. The value
// saturates at the 32-bit range. (The same rules as the numeric package's
// decimal scanner, kept here so that the formula grammar depends on nothing
// else.)
bool ScanDecimalAt(std::string_view Text, std::size_t& Pos, int64_t& Value) noexcept
{
    Value = 0;
    std::size_t i = Pos;
    while (i + 1 < Text.size() && Text[i] == ' ') ++i;
    bool negative = false;
    if (i < Text.size() && (Text[i] == '-' || Text[i] == '+')) {
        negative = Text[i] == '-';
        ++i;
    }
    const std::size_t firstDigit = i;
    int64_t v = 0;
    while (i < Text.size() && IsDigit(static_cast<unsigned char>(Text[i]))) {
        if (v <= std::numeric_limits<int32_t>::max()) v = v * 10 + (Text[i] - '0');
        ++i;
    }
    if (i == firstDigit) return false;
    v = negative ? -v : v;
    if (v > std::numeric_limits<int32_t>::max()) v = std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) v = std::numeric_limits<int32_t>::min();
    Value = v;
    Pos = i;
    return true;
}

} // namespace

// ---------------------------------------------------------------------------
// Entries

TMolFormModel::TMolFormModel()
{
    numAtoms_ = 2;
    atNum_[0] = 1;
    atWgt_[0] = 1;
    atCnt_[0] = 2;
    atNum_[1] = 8;
    atWgt_[1] = 16;
    atCnt_[1] = 1;
    text_ = "H2O";
}

void TMolFormModel::SetNumAtoms(int n) noexcept
{
    if (n >= 1 && n <= MaxFormEntries) numAtoms_ = n;
}

int TMolFormModel::GetAtNum(int i) const noexcept { return (i >= 1 && i <= numAtoms_) ? atNum_[i - 1] : 0; }

void TMolFormModel::SetAtNum(int i, int z) noexcept
{
    if (i >= 1 && i <= numAtoms_ && z >= 1 && z <= PYX_CData::MaxAtomicNumber) atNum_[i - 1] = static_cast<uint8_t>(z);
}

int TMolFormModel::GetAtWgt(int i) const noexcept { return (i >= 1 && i <= numAtoms_) ? atWgt_[i - 1] : 0; }

void TMolFormModel::SetAtWgt(int i, int m) noexcept
{
    if (i >= 1 && i <= numAtoms_ && m >= 0 && m <= MaxWide) atWgt_[i - 1] = static_cast<uint16_t>(m);
}

int TMolFormModel::GetAtCnt(int i) const noexcept { return (i >= 1 && i <= numAtoms_) ? atCnt_[i - 1] : 0; }

void TMolFormModel::SetAtCnt(int i, int n) noexcept
{
    if (i >= 1 && i <= numAtoms_ && n >= 0 && n <= MaxWide) atCnt_[i - 1] = static_cast<uint16_t>(n);
}

bool TMolFormModel::AppendEntry(int AtNum, int AtWgt, int AtCnt) noexcept
{
    if (numAtoms_ >= MaxFormEntries) return false;
    atNum_[numAtoms_] = static_cast<uint8_t>(AtNum);
    atWgt_[numAtoms_] = static_cast<uint16_t>(AtWgt);
    atCnt_[numAtoms_] = static_cast<uint16_t>(AtCnt);
    ++numAtoms_;
    return true;
}

// ---------------------------------------------------------------------------
// Text

void TMolFormModel::SetMolFormula(const std::string& Text)
{
    text_ = Text;
    numAtoms_ = 0;
    ScanMolFormula(text_);
}

bool TMolFormModel::ScanNextFormPart(std::string_view Text, int& Pos, int& AtNum, int& AtWgt, int& AtCnt) noexcept
{
    if (Pos < 1 || static_cast<std::size_t>(Pos) > Text.size()) return false;
    const TPart p = ScanPart(Text, static_cast<std::size_t>(Pos - 1));
    Pos = static_cast<int>(p.End) + 1;
    if (p.Result != prOK) return false;
    AtNum = p.AtNum;
    AtWgt = p.AtWgt;
    AtCnt = p.AtCnt;
    return true;
}

bool TMolFormModel::ScanMolFormula(std::string_view Text)
{
    bool ok = true;
    int64_t multiplier = 1;
    std::size_t i = 0;
    while (i < Text.size()) {
        const char c = Text[i];
        if (c == '(') {
            // The multiplier stands after the first closing parenthesis that
            // follows; groups do not nest. A group without a number counts once.
            const std::size_t close = Text.find(')', i + 1);
            if (close != std::string_view::npos) {
                std::size_t p = close + 1;
                int64_t v = 0;
                if (!ScanDecimalAt(Text, p, v)) multiplier = 1;
                else if (v < 1) {
                    ok = false;
                    break;
                } else multiplier = v;
            }
            ++i;
        } else if (c == ')') {
            multiplier = 1;
            ++i;
            int64_t skipped = 0;
            ScanDecimalAt(Text, i, skipped);
        } else {
            const TPart p = ScanPart(Text, i);
            if (p.Result == prOK) {
                const int64_t count = p.AtCnt * multiplier;
                if (count > MaxFormNumber) {
                    ok = false;
                    break;
                }
                if (!AppendEntry(p.AtNum, p.AtWgt, static_cast<int>(count))) {
                    ok = false;
                    break;
                }
                i = p.End;
            } else if (p.Result == prEmpty && (p.End >= Text.size() || IsStop(static_cast<unsigned char>(Text[p.End])))) {
                // Only blanks or other characters before a parenthesis or the end.
                i = p.End;
            } else {
                ok = false;
                break;
            }
        }
    }
    lastParseOK_ = ok;
    ShowIt();
    return ok;
}

bool TMolFormModel::ReadFromString(std::string_view Text)
{
    numAtoms_ = 0;
    bool ok = true;
    std::size_t i = 0;
    while (i < Text.size()) {
        const TPart p = ScanPart(Text, i);
        if (p.Result != prOK) {
            ok = p.Result == prEmpty && p.End >= Text.size();
            break;
        }
        if (!AppendEntry(p.AtNum, p.AtWgt, p.AtCnt)) {
            ok = false;
            break;
        }
        i = p.End;
    }
    lastParseOK_ = ok;
    ShowIt();
    return ok;
}

std::string TMolFormModel::ChemElem(int AtNum, int AtWgt, int AtCnt, int Mode)
{
    if (AtNum < 1 || AtNum > PYX_CData::MaxAtomicNumber || AtCnt < 1) return std::string();
    std::string s;
    if (Mode == 1) s = std::to_string(AtWgt);
    if (AtNum == 1 && AtWgt == 2) s += 'D';
    else s += PYX_CData::CElemSymb(AtNum);
    if (AtCnt > 1) s += std::to_string(AtCnt);
    return s;
}

std::string TMolFormModel::AsString(int Mode) const
{
    std::string s;
    if (numAtoms_ < 1 || numAtoms_ > MaxFormEntries) return s;
    for (int i = 0; i < numAtoms_; ++i) {
        s += ChemElem(atNum_[i], atWgt_[i], atCnt_[i], Mode);
        // With mass numbers written, "12C 16O" would read back as C16 O: a
        // number after a symbol is its count. A count of 1 is therefore
        // written out when another entry follows.
        if (Mode == 1 && atCnt_[i] == 1 && i + 1 < numAtoms_ && atNum_[i] >= 1 &&
            atNum_[i] <= PYX_CData::MaxAtomicNumber)
            s += '1';
        s += ' ';
    }
    return s;
}

// ---------------------------------------------------------------------------
// Weights and comparison

Extended TMolFormModel::ChemMolWgt() const noexcept
{
    double sum = 0.0;
    for (int i = 0; i < numAtoms_; ++i) sum += PYX_CData::ChemAtWeight(atNum_[i]) * atCnt_[i];
    return sum;
}

Extended TMolFormModel::ExactMolWgt() const noexcept
{
    Extended sum = 0.0L;
    for (int i = 0; i < numAtoms_; ++i) sum += PYX_CData::ExactAtWeight(atNum_[i]) * atCnt_[i];
    return sum;
}

int64_t TMolFormModel::NominalMolWgt() const noexcept
{
    int64_t sum = 0;
    for (int i = 0; i < numAtoms_; ++i) sum += int64_t(atWgt_[i]) * atCnt_[i];
    return sum;
}

int TMolFormModel::CompareTo(const TMolFormModel& Other) const noexcept
{
    if (numAtoms_ < 1 || Other.numAtoms_ < 1) return -2;
    struct TRow {
        int AtNum;
        int AtWgt;
        int64_t Diff;
    };
    std::array<TRow, 2 * MaxFormEntries> rows{};
    int nRows = 0;
    auto add = [&](int z, int m, int64_t d) {
        for (int r = 0; r < nRows; ++r)
            if (rows[r].AtNum == z && rows[r].AtWgt == m) {
                rows[r].Diff += d;
                return;
            }
        rows[nRows++] = {z, m, d};
    };
    for (int i = 0; i < numAtoms_; ++i) add(atNum_[i], atWgt_[i], atCnt_[i]);
    for (int i = 0; i < Other.numAtoms_; ++i) add(Other.atNum_[i], Other.atWgt_[i], -int64_t(Other.atCnt_[i]));
    bool anyNeg = false;
    bool anyPos = false;
    for (int r = 0; r < nRows; ++r) {
        anyNeg = anyNeg || rows[r].Diff < 0;
        anyPos = anyPos || rows[r].Diff > 0;
    }
    if (!anyNeg && !anyPos) return 0;
    if (!anyNeg) return 1;
    if (!anyPos) return 2;
    return -1;
}

// ---------------------------------------------------------------------------
// Record form

TFormulaRec TMolFormModel::AsFormulaRec() const noexcept
{
    TFormulaRec r;
    r.NumAtoms = numAtoms_;
    r.AtNum = atNum_;
    r.AtWgt = atWgt_;
    r.AtCnt = atCnt_;
    return r;
}

void TMolFormModel::SetFromFormulaRec(const TFormulaRec& Rec)
{
    numAtoms_ = Rec.NumAtoms < 0 ? 0 : (Rec.NumAtoms > MaxFormEntries ? MaxFormEntries : Rec.NumAtoms);
    atNum_ = Rec.AtNum;
    atWgt_ = Rec.AtWgt;
    atCnt_ = Rec.AtCnt;
    ShowIt();
}

// ---------------------------------------------------------------------------
// Search by mass

bool TMolFormModel::InitFindFormula(double Mass, double Tolerance, const TFormulaRec& Minimum,
                                    const TFormulaRec& Maximum)
{
    searchN_ = 0;
    exhaustPending_ = false;
    const int n = Maximum.NumAtoms;
    bool valid = n >= 1 && n <= MaxFormEntries && Minimum.NumAtoms == n;
    for (int i = 0; valid && i < n; ++i)
        valid = Maximum.AtNum[i] >= 1 && Maximum.AtNum[i] <= PYX_CData::MaxAtomicNumber &&
                Minimum.AtNum[i] == Maximum.AtNum[i] && Minimum.AtCnt[i] <= Maximum.AtCnt[i];
    if (!valid) return false;
    target_ = Mass;
    tolerance_ = Tolerance;
    searchMin_ = Minimum;
    searchMax_ = Maximum;
    for (int i = 0; i < n; ++i) work_[i] = Maximum.AtCnt[i];
    searchN_ = n;
    PrepareSearch();
    return true;
}

int TMolFormModel::GetWorkingCount(int i) const noexcept
{
    return (i >= 1 && i <= MaxFormEntries) ? work_[i - 1] : 0;
}

// Whether the current combination matches: the mass is summed afresh in entry
// order, so pruned and unpruned walks compare exactly the same numbers.
bool TMolFormModel::Matches(bool Nominal, bool Check) const noexcept
{
    const int n = searchN_;
    if (Nominal) {
        int64_t sum = 0;
        for (int i = 0; i < n; ++i) sum += int64_t(searchMax_.AtWgt[i]) * work_[i];
        if (sum != vcl::SatRound64(target_)) return false;
    } else {
        Extended sum = 0.0L;
        for (int i = 0; i < n; ++i) sum += PYX_CData::ExactAtWeight(searchMax_.AtNum[i]) * work_[i];
        if (!(std::fabs(sum - Extended(target_)) < Extended(tolerance_))) return false;
    }
    if (!Check) return true;
    int64_t c = 0, h = 0, nn = 0, f = 0, cl = 0, br = 0, io = 0;
    for (int i = 0; i < n; ++i) {
        const int32_t k = work_[i];
        switch (searchMax_.AtNum[i]) {
        case 6: c = k; break;
        case 1: h = k; break;
        case 7: nn = k; break;
        case 9: f = k; break;
        case 17: cl = k; break;
        case 35: br = k; break;
        case 53: io = k; break;
        default: break;
        }
    }
    return h + f + cl + br + io <= 2 * c + nn + 2;
}

namespace {

enum TPrune : uint8_t { pkTest, pkMoved, pkExhausted };

// One step of the count-down odometer over positions 0..n-1; false when the
// walk is done (every position is then back at its maximum).
bool AdvanceCounts(int n, const int32_t* lo, const int32_t* hi, int32_t* c) noexcept
{
    for (int i = n - 1; i >= 0; --i) {
        if (--c[i] >= lo[i]) return true;
        c[i] = hi[i];
    }
    return false;
}

// Skips, in walk order, every combination whose mass cannot reach the window
// (Lo, Hi) of the search: a sum at or above Hi is too heavy, at or below Lo
// too light. The remaining positions of a prefix can add between their
// minimum and maximum mass. Going down a position only makes the prefix
// lighter, so a prefix that is too light ends its whole parent branch, and a
// prefix that is too heavy jumps straight to the largest count of its last
// position that is not. Returns pkTest when the current combination must be
// tested, pkMoved when the counts moved on to a new candidate, pkExhausted
// when no combination is left.
template <typename T>
TPrune PruneStep(int n, const T* m, const T* rMin, const T* rMax, const int32_t* lo, const int32_t* hi, int32_t* c,
                 T Lo, T Hi) noexcept
{
    if (!(Lo < Hi) || rMin[0] >= Hi || rMax[0] <= Lo) return pkExhausted;
    T prefix = 0;
    for (int k = 1; k <= n; ++k) {
        const int p = k - 1;
        const T before = prefix;
        prefix += m[p] * T(c[p]);
        if (prefix + rMax[k] <= Lo) {
            for (int i = p; i < n; ++i) c[i] = lo[i];
            return AdvanceCounts(n, lo, hi, c) ? pkMoved : pkExhausted;
        }
        if (prefix + rMin[k] >= Hi) {
            int32_t v = c[p] - 1;
            if (!(m[p] > 0)) v = lo[p] - 1;
            else {
                const T x = (Hi - before - rMin[k]) / m[p];
                if (x < T(v)) v = (x < T(lo[p])) ? lo[p] : static_cast<int32_t>(x) + 1;
            }
            while (v >= lo[p] && before + m[p] * T(v) + rMin[k] >= Hi) --v;
            if (v < lo[p]) {
                for (int i = p; i < n; ++i) c[i] = lo[i];
                return AdvanceCounts(n, lo, hi, c) ? pkMoved : pkExhausted;
            }
            c[p] = v;
            for (int i = k; i < n; ++i) c[i] = hi[i];
            return pkMoved;
        }
    }
    return pkTest;
}

} // namespace

bool TMolFormModel::Advance() noexcept { return AdvanceCounts(searchN_, lo_.data(), hi_.data(), work_.data()); }

void TMolFormModel::PrepareSearch() noexcept
{
    const int n = searchN_;
    restMinNom_[n] = restMaxNom_[n] = 0;
    restMinExact_[n] = restMaxExact_[n] = 0.0;
    for (int i = n - 1; i >= 0; --i) {
        lo_[i] = searchMin_.AtCnt[i];
        hi_[i] = searchMax_.AtCnt[i];
        massNom_[i] = searchMax_.AtWgt[i];
        massExact_[i] = static_cast<double>(PYX_CData::ExactAtWeight(searchMax_.AtNum[i]));
        restMinNom_[i] = restMinNom_[i + 1] + massNom_[i] * lo_[i];
        restMaxNom_[i] = restMaxNom_[i + 1] + massNom_[i] * hi_[i];
        restMinExact_[i] = restMinExact_[i + 1] + massExact_[i] * lo_[i];
        restMaxExact_[i] = restMaxExact_[i + 1] + massExact_[i] * hi_[i];
    }
}

int TMolFormModel::Prune(bool Nominal) noexcept
{
    const int n = searchN_;
    if (Nominal) {
        // Sums stay far below 2^62; a target beyond that matches nothing anyway.
        constexpr int64_t limit = int64_t(1) << 62;
        int64_t t = vcl::SatRound64(target_);
        t = t > limit ? limit : (t < -limit ? -limit : t);
        return PruneStep<int64_t>(n, massNom_.data(), restMinNom_.data(), restMaxNom_.data(), lo_.data(), hi_.data(),
                                  work_.data(), t - 1, t + 1);
    }
    // The margin keeps rounding from skipping a combination that the exact
    // comparison in Matches would accept.
    const double margin = 1e-6;
    return PruneStep<double>(n, massExact_.data(), restMinExact_.data(), restMaxExact_.data(), lo_.data(),
                             hi_.data(), work_.data(), target_ - tolerance_ - margin, target_ + tolerance_ + margin);
}

bool TMolFormModel::FindFormulaIntern(bool Nominal, bool Check)
{
    bool found = false;
    if (searchN_ < 1) {
        ShowIt();
        return false;
    }
    if (exhaustPending_) {
        // The previous call found the last combination.
        exhaustPending_ = false;
        ShowIt();
        return false;
    }
    const int n = searchN_;
    for (;;) {
        if (pruning_) {
            const int step = Prune(Nominal);
            if (step == pkExhausted) {
                for (int i = 0; i < n; ++i) work_[i] = searchMax_.AtCnt[i];
                break;
            }
            if (step == pkMoved) continue;
        }
        const bool match = Matches(Nominal, Check);
        if (match) {
            numAtoms_ = n;
            for (int i = 0; i < n; ++i) {
                atNum_[i] = searchMax_.AtNum[i];
                atWgt_[i] = searchMax_.AtWgt[i];
                atCnt_[i] = static_cast<uint16_t>(work_[i]);
            }
        }
        const bool more = Advance();
        if (match) {
            found = true;
            exhaustPending_ = !more;
            break;
        }
        if (!more) break;
    }
    ShowIt();
    return found;
}

// ---------------------------------------------------------------------------
// Other

void TMolFormModel::Clear()
{
    text_.clear();
    numAtoms_ = 0;
    atNum_.fill(0);
    atWgt_.fill(0);
    atCnt_.fill(0);
    ShowIt();
}

void TMolFormModel::Assign(const vcl::TPersistent* Source)
{
    const auto* src = dynamic_cast<const TMolFormModel*>(Source);
    if (src == nullptr) {
        vcl::TPersistent::Assign(Source);
        return;
    }
    if (src != this) {
        numAtoms_ = src->numAtoms_;
        atNum_ = src->atNum_;
        atWgt_ = src->atWgt_;
        atCnt_ = src->atCnt_;
        text_ = src->text_;
        lastParseOK_ = src->lastParseOK_;
        target_ = src->target_;
        tolerance_ = src->tolerance_;
        searchMin_ = src->searchMin_;
        searchMax_ = src->searchMax_;
        work_ = src->work_;
        searchN_ = src->searchN_;
        exhaustPending_ = src->exhaustPending_;
        pruning_ = src->pruning_;
        PrepareSearch();
    }
    ShowIt();
}

void TMolFormModel::AssignTo(vcl::TPersistent& Dest) const
{
    if (auto* d = dynamic_cast<TMolFormModel*>(&Dest)) {
        d->Assign(this);
        return;
    }
    vcl::TPersistent::AssignTo(Dest);
}

} // namespace PYX_cform
