// The connection table: fields, accessors, hydrogens, formula, editing and
// geometry.
#include "molkit/PYX_cstruct.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "corekit/PYX_stringl.h"
#include "molkit/PYX_CData.h"
#include "numkit/numkit.h"

namespace PYX_cstruct {

namespace {

constexpr int zH = 1, zB = 5, zC = 6, zN = 7, zO = 8, zF = 9, zSi = 14, zP = 15, zS = 16, zCl = 17, zGe = 32,
              zBr = 35, zI = 53;

int Valence(int z) noexcept
{
    switch (z) {
    case zH: case zF: case zCl: case zBr: case zI: return 1;
    case zB: case zN: case zP: return 3;
    case zC: case zSi: case zGe: return 4;
    case zO: case zS: return 2;
    default: return 0;
    }
}

// Moves the used slots of a record to the front, keeping their order.
void Compact(CTElem& r) noexcept
{
    int w = 0;
    for (int k = 0; k < MaxConn; ++k) {
        if (r.Conn[k] == 0) continue;
        r.Conn[w] = r.Conn[k];
        r.TypConn[w] = r.TypConn[k];
        ++w;
    }
    for (; w < MaxConn; ++w) {
        r.Conn[w] = 0;
        r.TypConn[w] = 0;
    }
}

} // namespace

void ClearCTElem(CTElem& Rec) noexcept { Rec = CTElem{}; }

TCTab::TCTab(vcl::TComponent* AOwner) : vcl::TComponent(AOwner) {}

void TCTab::Changed()
{
    if (OnChange) OnChange(this);
}

// --- Table fields --------------------------------------------------------------

void TCTab::SetStrucName(const std::string& Value)
{
    if (Value == name_) return;
    name_ = Value;
    Changed();
}

void TCTab::SetCoordUnit(CoordUnitType Value)
{
    if (Value == coordUnit_ || static_cast<uint8_t>(Value) > static_cast<uint8_t>(cuAngstrom)) return;
    coordUnit_ = Value;
    Changed();
}

std::string TCTab::GetCASNr() const { return PYX_CData::FormatCASNr(casNr_); }

bool TCTab::CheckCASNr(int64_t Value) noexcept { return PYX_CData::CheckCASNr(Value); }

void TCTab::SetCASNr(const std::string& Text)
{
    const std::string s = PYX_stringl::StripLTBlanks(Text);
    const auto h1 = s.find('-');
    if (h1 != std::string::npos && std::count(s.begin(), s.end(), '-') == 2 && h1 + 3 < s.size() &&
        s[h1 + 3] == '-' && h1 + 5 == s.size()) {
        int64_t n = 0;
        if (PYX_CData::ConvertStrToCASNr(s, n) && PYX_CData::CheckCASNr(n)) casNr_ = n;
    }
    Changed();
}

void TCTab::SetCASNrValue(int64_t Value)
{
    if (Value == casNr_ || (Value != 0 && !PYX_CData::CheckCASNr(Value))) return;
    casNr_ = Value;
    Changed();
}

// --- Atom accessors ----------------------------------------------------------------

int TCTab::GetAtNum(int a) const noexcept { return ValidAtom(a) ? Rec(a).AtNum : 0; }
int TCTab::GetAtWeight(int a) const noexcept { return ValidAtom(a) ? Rec(a).AtWeight : 0; }
int TCTab::GetAtFlag(int a) const noexcept { return ValidAtom(a) ? Rec(a).AtFlag : 0; }
int TCTab::GetAttrib(int a) const noexcept { return ValidAtom(a) ? Rec(a).Attrib : 0; }
int TCTab::GetCharge(int a) const noexcept { return ValidAtom(a) ? Rec(a).Charge : 0; }

int TCTab::GetConnTo(int a, int k) const noexcept
{
    return ValidAtom(a) && k >= 1 && k <= MaxConn ? Rec(a).Conn[static_cast<std::size_t>(k - 1)] : 0;
}

int TCTab::GetTypConn(int a, int k) const noexcept
{
    return ValidAtom(a) && k >= 1 && k <= MaxConn ? Rec(a).TypConn[static_cast<std::size_t>(k - 1)] : 0;
}

float TCTab::GetCoords(int a, int axis) const noexcept
{
    return ValidAtom(a) && axis >= 1 && axis <= 3 ? Rec(a).Coords[static_cast<std::size_t>(axis - 1)] : 0.0f;
}

CTElem TCTab::GetAtomEntries(int a) const noexcept { return ValidAtom(a) ? Rec(a) : CTElem{}; }

void TCTab::SetAtNum(int a, int z)
{
    if (!ValidAtom(a) || z < 1 || z > MaxAtNum) return;
    Rec(a).AtNum = static_cast<uint8_t>(z);
    Changed();
}

void TCTab::SetAtWeight(int a, int m)
{
    if (!ValidAtom(a) || m < 0 || m > 0xFFFF) return;
    Rec(a).AtWeight = static_cast<uint16_t>(m);
    Changed();
}

void TCTab::SetAtFlag(int a, int f)
{
    if (!ValidAtom(a) || f < 0 || f > 0xFF) return;
    Rec(a).AtFlag = static_cast<uint8_t>(f);
    Changed();
}

void TCTab::SetAttrib(int a, int v)
{
    if (!ValidAtom(a) || v < 0 || v > 0xFF) return;
    Rec(a).Attrib = static_cast<uint8_t>(v);
    Changed();
}

void TCTab::SetCharge(int a, int c)
{
    if (!ValidAtom(a) || c < -128 || c > 127) return;
    Rec(a).Charge = static_cast<int8_t>(c);
    Changed();
}

void TCTab::SetConnTo(int a, int k, int b)
{
    if (!ValidAtom(a) || k < 1 || k > MaxConn || b < 0 || b > MaxAtoms || b == a) return;
    Rec(a).Conn[static_cast<std::size_t>(k - 1)] = static_cast<uint8_t>(b);
    Changed();
}

void TCTab::SetTypConn(int a, int k, int t)
{
    if (!ValidAtom(a) || k < 1 || k > MaxConn || t < 0 || t > 0xFF) return;
    Rec(a).TypConn[static_cast<std::size_t>(k - 1)] = static_cast<uint8_t>(t);
    Changed();
}

void TCTab::SetCoords(int a, int axis, float v)
{
    if (!ValidAtom(a) || axis < 1 || axis > 3) return;
    Rec(a).Coords[static_cast<std::size_t>(axis - 1)] = v;
    Changed();
}

void TCTab::SetAtomEntries(int a, const CTElem& Rec_)
{
    if (!ValidAtom(a) || Rec_.AtNum > MaxAtNum) return;
    CTElem r = Rec_;
    for (int k = 0; k < MaxConn; ++k)
        if (r.Conn[k] > MaxAtoms || r.Conn[k] == a) r.Conn[k] = 0;
    for (int k = 0; k < MaxConn; ++k)
        if (r.Conn[k] == 0) r.TypConn[k] = 0;
    Compact(r);
    Rec(a) = r;
    Changed();
}

// --- Queries -------------------------------------------------------------------------

int TCTab::GetNBonds(int a) const noexcept
{
    if (!ValidAtom(a)) return 0;
    const CTElem& r = Rec(a);
    int n = 0;
    while (n < MaxConn && r.Conn[n] != 0) ++n;
    return n;
}

int TCTab::MaxNBonds(int& a) const noexcept
{
    int best = 0;
    for (int i = 1; i <= numAtoms_; ++i) {
        const int n = GetNBonds(i);
        if (n > best) {
            best = n;
            a = i;
        }
    }
    return best;
}

int TCTab::CheckConnect(int a, int b) const noexcept
{
    if (!ValidAtom(a) || b < 1) return 0;
    const int n = GetNBonds(a);
    for (int k = 0; k < n; ++k)
        if (Rec(a).Conn[k] == b) return Rec(a).TypConn[k];
    return 0;
}

int TCTab::AtomCount(int z) const noexcept
{
    int n = 0;
    for (int i = 1; i <= numAtoms_; ++i) n += Rec(i).AtNum == z ? 1 : 0;
    return n;
}

bool TCTab::ContainsUnconnectedAtom() const noexcept
{
    for (int i = 1; i <= numAtoms_; ++i)
        if (GetNBonds(i) == 0) return true;
    return false;
}

bool TCTab::GetCoordsPresent() const noexcept
{
    for (int i = 1; i <= numAtoms_; ++i)
        for (float c : Rec(i).Coords)
            if (c != 0.0f) return true;
    return false;
}

int TCTab::NrHAtoms(int a) const noexcept
{
    if (!ValidAtom(a)) return 0;
    const CTElem& r = Rec(a);
    const int z = r.AtNum;
    if (z == zH) return 0;
    const int n = GetNBonds(a);
    int h = 0, s = 0, ar = 0;
    bool tripleToLoneC = false;
    for (int k = 0; k < n; ++k) {
        const int b = r.Conn[k];
        const int t = r.TypConn[k];
        if (Rec(b).AtNum == zH) ++h;
        s += t == 4 ? 1 : t;
        if (t == 4) ar = 1;
        if (t == 3 && Rec(b).AtNum == zC && GetNBonds(b) == 1) tripleToLoneC = true;
    }
    const int v = Valence(z);
    if (v == 0) return h;
    // The charge shifts the number of bonds the atom forms: onium ions of the
    // electron-rich elements gain one, carbenium and carbanion centres lose
    // one, borates lose one per positive charge and gain one per negative.
    const int c = r.Charge;
    int vEff = v;
    switch (z) {
    case zN: case zP: case zO: case zS: case zF: case zCl: case zBr: case zI: vEff = v + c; break;
    case zC: case zSi: case zGe: vEff = v - (c < 0 ? -c : c); break;
    case zB: vEff = v - c; break;
    default: break;
    }
    if (s + ar < vEff) return vEff - s - ar + h;
    // An isocyanide nitrogen (R-N#C drawn without charges): the terminal
    // carbon got one hydrogen too many from its own count.
    if (z == zN && c == 0 && s == 4 && tripleToLoneC) return -1;
    // A neutral phosphorus with four bonds (R2P(=O)-) carries one hydrogen.
    if (z == zP && c == 0 && s == 4) return h + 1;
    return h;
}

int TCTab::CalcMissingH() const noexcept
{
    int n = 0;
    for (int i = 1; i <= numAtoms_; ++i) n += NrHAtoms(i);
    return n;
}

// Hydrogen atoms without a heavy-atom neighbour: no other atom counts them.
int TCTab::HeavyH(int a) const noexcept
{
    const int n = GetNBonds(a);
    for (int k = 0; k < n; ++k)
        if (Rec(Rec(a).Conn[k]).AtNum != zH) return 1;
    return 0;
}

bool TCTab::CalcMolecularFormula(PYX_cform::TFormulaRec& Out) const
{
    struct Entry {
        int z, m, n;
    };
    std::array<Entry, MaxAtoms + 1> list{};
    int count = 0;
    int hTotal = CalcMissingH();
    // Explicit hydrogens of another isotope get entries of their own and are
    // taken off the plain hydrogen count.
    std::array<Entry, MaxAtoms> isoH{};
    int nIso = 0;
    for (int i = 1; i <= numAtoms_; ++i) {
        const CTElem& r = Rec(i);
        if (r.AtNum == 0) return false;
        if (r.AtNum != zH) continue;
        if (HeavyH(i) == 0) ++hTotal;
        if (r.AtWeight > 1) {
            --hTotal;
            bool found = false;
            for (int e = 0; e < nIso; ++e)
                if (isoH[e].m == r.AtWeight) {
                    ++isoH[e].n;
                    found = true;
                }
            if (!found) isoH[nIso++] = {zH, r.AtWeight, 1};
        }
    }
    if (hTotal > 0) list[count++] = {zH, 1, hTotal};
    for (int e = 0; e < nIso; ++e) list[count++] = isoH[e];
    for (int i = 1; i <= numAtoms_; ++i) {
        const CTElem& r = Rec(i);
        if (r.AtNum == zH) continue;
        const int m = r.AtWeight != 0 ? r.AtWeight : PYX_CData::IntAtWeight(r.AtNum);
        bool found = false;
        for (int e = 0; e < count && !found; ++e)
            if (list[e].z == r.AtNum && list[e].m == m) {
                ++list[e].n;
                found = true;
            }
        if (!found) list[count++] = {r.AtNum, m, 1};
    }
    if (count > PYX_cform::MaxFormEntries) return false;
    PYX_cform::TFormulaRec rec;
    std::array<bool, MaxAtoms + 1> used{};
    auto put = [&](int e) {
        rec.AtNum[rec.NumAtoms] = static_cast<uint8_t>(list[e].z);
        rec.AtWgt[rec.NumAtoms] = static_cast<uint16_t>(list[e].m);
        rec.AtCnt[rec.NumAtoms] = static_cast<uint16_t>(std::min(list[e].n, 0xFFFF));
        ++rec.NumAtoms;
        used[e] = true;
    };
    for (int z : {zC, zH, zN, zO, zS, zP, zF, zCl, zBr, zI})
        for (int e = 0; e < count; ++e)
            if (list[e].z == z) put(e);
    for (int e = 0; e < count; ++e)
        if (!used[e]) put(e);
    Out = rec;
    return true;
}

Extended TCTab::CalcChemMolWeight() const noexcept
{
    int hTotal = CalcMissingH();
    Extended w = 0;
    for (int i = 1; i <= numAtoms_; ++i) {
        const CTElem& r = Rec(i);
        if (r.AtNum == zH) {
            if (HeavyH(i) == 0) ++hTotal;
        } else {
            w += PYX_CData::ChemAtWeight(r.AtNum);
        }
    }
    return w + static_cast<Extended>(hTotal) * PYX_CData::ChemAtWeight(zH);
}

// --- Editing ---------------------------------------------------------------------------

void TCTab::Clear()
{
    numAtoms_ = 0;
    name_.clear();
    casNr_ = 0;
    coordUnit_ = cuUnknown;
    for (CTElem& r : atoms_) ClearCTElem(r);
    Changed();
}

void TCTab::ClearAttributes() noexcept
{
    for (CTElem& r : atoms_) r.Attrib = 0;
}

bool TCTab::AddAtom(const CTElem& R)
{
    if (numAtoms_ >= MaxAtoms || R.AtNum > MaxAtNum) return false;
    ++numAtoms_;
    CTElem& r = Rec(numAtoms_);
    ClearCTElem(r);
    r.AtNum = R.AtNum;
    r.Coords = R.Coords;
    r.Charge = R.Charge;
    r.AtWeight = R.AtWeight;
    r.AtFlag = R.AtFlag;
    r.Attrib = R.Attrib;
    for (int k = 0; k < MaxConn && R.Conn[k] != 0; ++k) EnterConn(numAtoms_, R.Conn[k], R.TypConn[k]);
    return true;
}

void TCTab::EnterConn(int a, int b, int t) noexcept
{
    if (a < 1 || a > MaxAtoms || b < 1 || b > MaxAtoms || a == b || t < 0 || t > 0xFF) return;
    CTElem& r = Rec(a);
    for (int k = 0; k < MaxConn; ++k) {
        if (r.Conn[k] == b) {
            r.TypConn[k] = static_cast<uint8_t>(t);
            return;
        }
        if (r.Conn[k] == 0) {
            r.Conn[k] = static_cast<uint8_t>(b);
            r.TypConn[k] = static_cast<uint8_t>(t);
            return;
        }
    }
}

void TCTab::RemoveSlotsOf(int a, int b) noexcept
{
    CTElem& r = Rec(a);
    for (int k = 0; k < MaxConn; ++k)
        if (r.Conn[k] == b) {
            r.Conn[k] = 0;
            r.TypConn[k] = 0;
        }
    Compact(r);
}

bool TCTab::MakeConnection(int a, int b, int t)
{
    if (!ValidAtom(a) || !ValidAtom(b) || a == b || t < 0 || t > 0xFF) return false;
    if (t == 0) {
        const bool was = CheckConnect(a, b) != 0 || CheckConnect(b, a) != 0;
        RemoveSlotsOf(a, b);
        RemoveSlotsOf(b, a);
        return was;
    }
    // Enter the bond at both ends or not at all.
    if ((CheckConnect(a, b) == 0 && !HasRoom(a)) || (CheckConnect(b, a) == 0 && !HasRoom(b))) return false;
    EnterConn(a, b, t);
    EnterConn(b, a, t);
    return true;
}

void TCTab::MakeSymmetricConnections() noexcept
{
    for (int i = 1; i <= numAtoms_; ++i)
        for (int k = 0; k < MaxConn && Rec(i).Conn[k] != 0; ++k) EnterConn(Rec(i).Conn[k], i, Rec(i).TypConn[k]);
}

void TCTab::DeleteAtom(int a)
{
    if (!ValidAtom(a)) return;
    const CTElem gone = Rec(a);
    const int nGone = GetNBonds(a);
    // Join the neighbours of a to each other. A new bond is entered only where
    // both lists have room, so the table stays symmetric; its type is the
    // common type of the two bonds to a, or single where they differ.
    for (int i = 1; i <= numAtoms_; ++i) {
        if (i == a) continue;
        RemoveSlotsOf(i, a);
    }
    for (int p = 0; p < nGone; ++p)
        for (int q = p + 1; q < nGone; ++q) {
            const int i = gone.Conn[p], j = gone.Conn[q];
            if (i == j || i == a || j == a || !ValidAtom(i) || !ValidAtom(j)) continue;
            if (CheckConnect(i, j) != 0 || CheckConnect(j, i) != 0) continue;
            if (!HasRoom(i) || !HasRoom(j)) continue;
            const int t = gone.TypConn[p] == gone.TypConn[q] ? gone.TypConn[p] : 1;
            EnterConn(i, j, t);
            EnterConn(j, i, t);
        }
    const int last = numAtoms_;
    if (a != last) Rec(a) = Rec(last); // the display word moves with its atom
    ClearCTElem(Rec(last));
    --numAtoms_;
    for (int i = 1; i <= numAtoms_; ++i) {
        CTElem& r = Rec(i);
        for (int k = 0; k < MaxConn; ++k) {
            if (r.Conn[k] == last && a != last) r.Conn[k] = static_cast<uint8_t>(a);
            else if (r.Conn[k] > numAtoms_ && r.Conn[k] != 0) r.Conn[k] = 0; // dangling entry
        }
        // Drop repeated neighbours (keeping the first) and self-references.
        for (int k = 0; k < MaxConn; ++k) {
            if (r.Conn[k] == i) r.Conn[k] = 0;
            for (int m = 0; m < k && r.Conn[k] != 0; ++m)
                if (r.Conn[m] == r.Conn[k]) r.Conn[k] = 0;
        }
        for (int k = 0; k < MaxConn; ++k)
            if (r.Conn[k] == 0) r.TypConn[k] = 0;
        Compact(r);
    }
}

void TCTab::CopyFrom(const TCTab& Other)
{
    if (&Other != this) {
        numAtoms_ = Other.numAtoms_;
        name_ = Other.name_;
        coordUnit_ = Other.coordUnit_;
        casNr_ = Other.casNr_;
        for (int i = 0; i < MaxAtoms; ++i) {
            const uint32_t d = atoms_[i].Display;
            atoms_[i] = Other.atoms_[i];
            atoms_[i].Display = d;
        }
    }
    Changed();
}

bool TCTab::JoinFragment(const TCTab& Fragment)
{
    const std::array<CTElem, MaxAtoms> frag = Fragment.atoms_; // Fragment may be this table
    const int nFrag = Fragment.numAtoms_;
    std::array<int, MaxAtoms + 1> map{};
    int next = numAtoms_;
    for (int f = 1; f <= nFrag; ++f) {
        const int flag = frag[f - 1].AtFlag;
        int partner = 0;
        if (flag != 0)
            for (int i = numAtoms_; i >= 1 && partner == 0; --i)
                if (Rec(i).AtFlag == flag) partner = i;
        map[f] = partner != 0 ? partner : ++next;
    }
    if (next > MaxAtoms) return false;
    // A bond that finds a full list at one end would be entered at the other
    // end only; such a join is undone as a whole.
    const std::array<CTElem, MaxAtoms> backup = atoms_;
    const int oldCount = numAtoms_;
    for (int f = 1; f <= nFrag; ++f) {
        CTElem r = frag[f - 1];
        for (int k = 0; k < MaxConn; ++k) {
            const int b = r.Conn[k];
            r.Conn[k] = static_cast<uint8_t>(b >= 1 && b <= nFrag ? map[b] : 0);
        }
        if (map[f] > numAtoms_) {
            AddAtom(r);
        } else {
            CTElem& t = Rec(map[f]);
            t.AtNum = r.AtNum;
            t.AtWeight = r.AtWeight;
            t.Charge = r.Charge;
            for (int k = 0; k < MaxConn; ++k)
                if (r.Conn[k] != 0) EnterConn(map[f], r.Conn[k], r.TypConn[k]);
        }
    }
    for (int f = 1; f <= nFrag; ++f)
        for (int k = 0; k < MaxConn; ++k) {
            const int b = frag[f - 1].Conn[k];
            if (b < 1 || b > nFrag || map[b] == map[f]) continue;
            if (CheckConnect(map[f], map[b]) == 0 || CheckConnect(map[b], map[f]) == 0) {
                atoms_ = backup;
                numAtoms_ = oldCount;
                return false;
            }
        }
    return true;
}

bool TCTab::LinkFragment(const TCTab& Fragment)
{
    const std::array<CTElem, MaxAtoms> frag = Fragment.atoms_; // Fragment may be this table
    const int nFrag = Fragment.numAtoms_;
    const int old = numAtoms_;
    if (old + nFrag > MaxAtoms) return false;
    for (int f = 1; f <= nFrag; ++f) {
        CTElem r = frag[f - 1];
        for (int k = 0; k < MaxConn; ++k) {
            const int b = r.Conn[k];
            r.Conn[k] = static_cast<uint8_t>(b >= 1 && b <= nFrag ? b + old : 0);
            if (r.Conn[k] == 0) r.TypConn[k] = 0;
        }
        Compact(r);
        Rec(old + f) = r;
    }
    const std::array<CTElem, MaxAtoms> backup = atoms_;
    numAtoms_ = old + nFrag;
    for (int i = 1; i <= old; ++i) {
        if (Rec(i).AtFlag == 0) continue;
        for (int j = old + 1; j <= numAtoms_; ++j)
            if (Rec(j).AtFlag == Rec(i).AtFlag && !MakeConnection(i, j, 1)) {
                // A full neighbour list: undo the whole link.
                atoms_ = backup;
                for (int a = old + 1; a <= MaxAtoms; ++a) ClearCTElem(Rec(a));
                numAtoms_ = old;
                return false;
            }
    }
    return true;
}

void TCTab::RemoveHydrogen()
{
    // Deleting moves the last atom into the gap, so the same number is looked
    // at again after a deletion.
    for (int i = 1; i <= numAtoms_;) {
        if (Rec(i).AtNum == zH) DeleteAtom(i);
        else ++i;
    }
}

void TCTab::SetCoordsPresent(bool Value)
{
    if (Value) return;
    for (CTElem& r : atoms_) r.Coords = {};
    Changed();
}

// --- Geometry ----------------------------------------------------------------------------

void TCTab::CalcMolCenter(double& x, double& y, double& z) const noexcept
{
    x = y = z = 0;
    if (numAtoms_ == 0) return;
    for (int i = 1; i <= numAtoms_; ++i) {
        x += Rec(i).Coords[0];
        y += Rec(i).Coords[1];
        z += Rec(i).Coords[2];
    }
    x /= numAtoms_;
    y /= numAtoms_;
    z /= numAtoms_;
}

double TCTab::CalcMolExtents(double& MinX, double& MinY, double& MaxX, double& MaxY, double& MeanX,
                             double& MeanY) const noexcept
{
    if (numAtoms_ < 2) {
        MinX = 1;
        MaxX = 10000;
        MinY = 1;
        MaxY = 7000;
        MeanX = 5000;
        MeanY = 3500;
        return 0;
    }
    // The extent starts from the first atom, so that negative or large
    // coordinates are measured correctly.
    MinX = MaxX = Rec(1).Coords[0];
    MinY = MaxY = Rec(1).Coords[1];
    float sx = 0, sy = 0;
    double len = 0;
    int slots = 0;
    for (int i = 1; i <= numAtoms_; ++i) {
        const CTElem& r = Rec(i);
        MinX = std::min<double>(MinX, r.Coords[0]);
        MaxX = std::max<double>(MaxX, r.Coords[0]);
        MinY = std::min<double>(MinY, r.Coords[1]);
        MaxY = std::max<double>(MaxY, r.Coords[1]);
        sx += r.Coords[0];
        sy += r.Coords[1];
        for (int k = 0; k < MaxConn && r.Conn[k] != 0; ++k) {
            const CTElem& b = Rec(r.Conn[k]);
            len += std::hypot(double(b.Coords[0]) - r.Coords[0], double(b.Coords[1]) - r.Coords[1]);
            ++slots;
        }
    }
    MeanX = double(sx) / numAtoms_;
    MeanY = double(sy) / numAtoms_;
    return slots > 0 ? len / slots : 0.0;
}

void TCTab::FindClosestAtom(double x, double y, double z, int& a, double& d) const noexcept
{
    d = std::numeric_limits<double>::max();
    a = 0;
    for (int i = 1; i <= numAtoms_; ++i) {
        const CTElem& r = Rec(i);
        const double dx = r.Coords[0] - x, dy = r.Coords[1] - y, dz = r.Coords[2] - z;
        const double di = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (di < d) {
            d = di;
            a = i;
        }
    }
}

int TCTab::FindAtomInBox(double x, double y, double z, double dx, double dy, double dz) const noexcept
{
    for (int i = numAtoms_; i >= 1; --i) {
        const CTElem& r = Rec(i);
        if (std::fabs(r.Coords[0] - x) <= dx && std::fabs(r.Coords[1] - y) <= dy && std::fabs(r.Coords[2] - z) <= dz)
            return i;
    }
    return -1;
}

void TCTab::RotateWithPCA()
{
    if (numAtoms_ < 2) return;
    numkit::TMatrix m;
    if (!m.Resize(3, numAtoms_)) return;
    for (int i = 1; i <= numAtoms_; ++i) {
        m.SetVal(1, i, Rec(i).Coords[0]);
        m.SetVal(2, i, Rec(i).Coords[1]);
        m.SetVal(3, i, 0.0);
    }
    numkit::TPrincComp pc;
    if (!pc.CalcPrincComp(m, 1, 3, 1, numAtoms_, 1)) return;
    for (int axis = 1; axis <= 3; ++axis)
        for (int i = 1; i <= numAtoms_; ++i) {
            double s = 0;
            for (int k = 1; k <= 3; ++k) s += m.GetVal(k, i) * pc.GetEigenResult(axis, k);
            Rec(i).Coords[static_cast<std::size_t>(axis - 1)] = static_cast<float>(vcl::SatRound(s));
        }
}

} // namespace PYX_cstruct
