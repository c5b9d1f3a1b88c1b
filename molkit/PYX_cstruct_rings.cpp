// The connection table: rings, atom attributes, fragment codes and counts,
// comparison and substructure search.
#include <algorithm>
#include <span>

#include "molkit/PYX_cstruct.h"
#include "numkit/numkit.h"
#include "vcl/Cp1252.h"

namespace PYX_cstruct {

namespace {

constexpr int zC = 6, zN = 7, zO = 8, zS = 16, zCl = 17, zBr = 35, zI = 53;

// Index of an element in the fragment code, 0 for an element without one.
int FragIndex(int z) noexcept
{
    switch (z) {
    case 1: return 1;   // H
    case 5: return 2;   // B
    case 6: return 3;   // C
    case 7: return 4;   // N
    case 8: return 5;   // O
    case 9: return 6;   // F
    case 14: return 7;  // Si
    case 15: return 8;  // P
    case 16: return 9;  // S
    case 17: return 10; // Cl
    case 33: return 11; // As
    case 35: return 12; // Br
    case 50: return 13; // Sn
    case 53: return 14; // I
    default: return 0;
    }
}

} // namespace

bool RingInRingList(const RingType& Ring, const RingListType& List) noexcept
{
    const int n = std::min<int>(List.Count, MaxRings);
    const int size = std::min<int>(Ring.Size, MaxAtoms);
    for (int r = 0; r < n; ++r) {
        const RingType& l = List.Rings[static_cast<std::size_t>(r)];
        const int lsize = std::min<int>(l.Size, MaxAtoms);
        bool all = true;
        for (int i = 0; i < size && all; ++i) {
            bool found = false;
            for (int j = 0; j < lsize && !found; ++j) found = l.Atoms[j] == Ring.Atoms[i];
            all = found;
        }
        if (all) return true;
    }
    return false;
}

std::string FragmentStr(int32_t Code)
{
    if (Code < 0) return "ERROR";
    static const char* const names[16] = {"", "H", "B", "C", "N", "O", "F", "Si", "P", "S", "Cl", "As", "Br", "Sn",
                                          "I", "RR"};
    uint32_t c = static_cast<uint32_t>(Code);
    std::string s = names[c & 15];
    c >>= 4;
    for (int i = 0; i < 4; ++i) {
        if (c != 0) {
            s += "4123"[c & 3];
            s += names[(c >> 2) & 15];
        }
        c >>= 6;
    }
    return s;
}

// --- Rings ----------------------------------------------------------------------------------

int TCTab::RingsInMolecule() const noexcept
{
    int bonds = 0;
    for (int i = 1; i <= numAtoms_; ++i) bonds += GetNBonds(i);
    bonds /= 2;
    // Connected parts, following bonds within the table.
    std::array<bool, MaxAtoms + 1> seen{};
    std::array<int, MaxAtoms> stack{};
    int parts = 0;
    for (int i = 1; i <= numAtoms_; ++i) {
        if (seen[i]) continue;
        ++parts;
        int top = 0;
        stack[top++] = i;
        seen[i] = true;
        while (top > 0) {
            const int a = stack[--top];
            for (int k = 0; k < GetNBonds(a); ++k) {
                const int b = Rec(a).Conn[k];
                if (b <= numAtoms_ && !seen[b]) {
                    seen[b] = true;
                    stack[top++] = b;
                }
            }
        }
    }
    return bonds - numAtoms_ + parts;
}

void TCTab::ShortestRingsDFS(int Start, int Prev, int Cur, RingListType& List, int& Bound,
                             std::array<uint8_t, MaxAtoms + 1>& Path, int PathLen,
                             std::array<bool, MaxAtoms + 1>& Marked) const noexcept
{
    Path[static_cast<std::size_t>(PathLen)] = static_cast<uint8_t>(Cur);
    ++PathLen;
    const int n = GetNBonds(Cur);
    for (int k = 0; k < n; ++k) {
        const int b = Rec(Cur).Conn[k];
        if (b > numAtoms_) continue; // a one-sided entry beyond the table
        if (b == Start && b != Prev) {
            if (PathLen < 3) break;
            RingType ring;
            ring.Size = static_cast<uint8_t>(PathLen);
            std::copy_n(Path.begin(), PathLen, ring.Atoms.begin());
            if (PathLen < Bound) {
                Bound = PathLen;
                List.Count = 0;
                List.Truncated = false;
                List.Rings[0] = ring;
                List.Count = 1;
            } else if (PathLen == Bound && !RingInRingList(ring, List)) {
                if (List.Count < MaxRings) List.Rings[static_cast<std::size_t>(List.Count++)] = ring;
                else List.Truncated = true;
            }
            break;
        }
        // Going on only pays while a ring through the next atom can still be
        // as small as the smallest one found.
        if (b != Prev && !Marked[b] && PathLen < Bound) {
            Marked[Cur] = true;
            ShortestRingsDFS(Start, Cur, b, List, Bound, Path, PathLen, Marked);
            Marked[Cur] = false;
        }
    }
}

int TCTab::FindShortestRings(int Start, RingListType& List)
{
    List.Count = 0;
    List.Truncated = false;
    for (CTElem& r : atoms_) r.AtFlag = 0;
    if (!ValidAtom(Start)) return 0;
    std::array<uint8_t, MaxAtoms + 1> path{};
    std::array<bool, MaxAtoms + 1> marked{};
    int bound = MaxAtoms + 1;
    ShortestRingsDFS(Start, 0, Start, List, bound, path, 0, marked);
    return List.Count;
}

int TCTab::FindSSSR(RingListType& List)
{
    List.Count = 0;
    List.Truncated = false;
    std::array<bool, MaxAtoms + 1> done{};
    RingListType local;
    for (int a = 1; a <= numAtoms_; ++a) {
        if (done[a]) continue;
        FindShortestRings(a, local);
        if (local.Truncated) List.Truncated = true;
        for (int r = 0; r < local.Count; ++r) {
            const RingType& ring = local.Rings[static_cast<std::size_t>(r)];
            if (RingInRingList(ring, List)) continue;
            if (List.Count >= MaxRings) {
                List.Truncated = true;
                break;
            }
            List.Rings[static_cast<std::size_t>(List.Count++)] = ring;
            for (int i = 0; i < ring.Size; ++i)
                if (GetNBonds(ring.Atoms[i]) <= 2) done[ring.Atoms[i]] = true;
        }
    }
    return List.Count;
}

int TCTab::CalcAttributes()
{
    for (CTElem& r : atoms_) r.Attrib = 0;
    RingListType list;
    const int n = FindSSSR(list);
    for (int r = 0; r < n; ++r) {
        const RingType& ring = list.Rings[static_cast<std::size_t>(r)];
        const uint8_t code = ring.Size == 5 ? 0x24 : ring.Size == 6 ? 0x28 : 0x22;
        for (int i = 0; i < ring.Size; ++i) {
            CTElem& a = Rec(ring.Atoms[i]);
            if (a.Attrib & 0x2E) a.Attrib |= static_cast<uint8_t>(code | atMultiRing);
            else a.Attrib |= code;
        }
    }
    for (int a = 1; a <= numAtoms_; ++a) {
        CTElem& r = Rec(a);
        const int nb = GetNBonds(a);
        if (r.Attrib == 0) r.Attrib = nb == 1 ? (atChainEnd | atChain) : atChain;
        if (nb > 2) r.Attrib |= atBranch;
    }
    return n;
}

// --- Fragments -----------------------------------------------------------------------------------

int32_t TCTab::FragmentCode(int a, int& Extra) const noexcept
{
    Extra = 0;
    if (!ValidAtom(a)) return -1;
    const int self = FragIndex(Rec(a).AtNum);
    if (self == 0) return -1;
    const int n = GetNBonds(a);
    std::array<int32_t, MaxConn> desc{};
    bool unknown = false;
    for (int k = 0; k < n; ++k) {
        const int b = Rec(a).Conn[k];
        Extra += GetNBonds(b) - 1;
        const int idx = FragIndex(b <= numAtoms_ ? Rec(b).AtNum : 0);
        if (idx == 0) unknown = true;
        desc[static_cast<std::size_t>(k)] = idx * 4 + (Rec(a).TypConn[k] & 3);
    }
    if (unknown) return -1;
    if (n > 4) return -2;
    numkit::SortArray(std::span<int32_t>(desc.data(), 8), false);
    int32_t code = self;
    for (int i = 1; i <= 4; ++i) code += desc[static_cast<std::size_t>(i - 1)] << (6 * i - 2);
    return code;
}

int TCTab::FragmentCount(FrgType Kind) const noexcept
{
    auto z = [&](int a) { return static_cast<int>(Rec(a).AtNum); };
    auto nb = [&](int a) { return GetNBonds(a); };
    auto conn = [&](int a, int k) { return static_cast<int>(Rec(a).Conn[static_cast<std::size_t>(k)]); };
    auto typ = [&](int a, int k) { return static_cast<int>(Rec(a).TypConn[static_cast<std::size_t>(k)]); };
    // Neighbours of a of element e bonded with type t, within the first
    // `slots` slots.
    auto countNb = [&](int a, int e, int t, int slots) {
        int c = 0;
        for (int k = 0; k < std::min(slots, nb(a)); ++k)
            if (z(conn(a, k)) == e && typ(a, k) == t) ++c;
        return c;
    };
    auto hasDblO = [&](int a) { return countNb(a, zO, 2, MaxConn) > 0; };
    auto hasAro = [&](int a) {
        for (int k = 0; k < nb(a); ++k)
            if (typ(a, k) == 4) return true;
        return false;
    };
    auto bondCount = [&](int t, bool cc) {
        int c = 0;
        for (int a = 1; a <= numAtoms_; ++a)
            for (int k = 0; k < nb(a); ++k)
                if (typ(a, k) == t && (!cc || (z(a) == zC && z(conn(a, k)) == zC))) ++c;
        return c / 2;
    };
    // No neighbour is nitrogen or a carbonyl carbon, and the first `slots`
    // bonds are single.
    auto plainAmine = [&](int a, int bonds) {
        if (nb(a) != bonds) return false;
        for (int k = 0; k < bonds; ++k) {
            const int b = conn(a, k);
            if (typ(a, k) != 1 || z(b) == zN || (z(b) == zC && hasDblO(b))) return false;
        }
        return true;
    };
    auto loneN = [&](int b) { return z(b) == zN && nb(b) == 1 && (typ(b, 0) == 1 || typ(b, 0) == 2); };

    switch (Kind) {
    case FrgType::NSglBnd: return bondCount(1, false);
    case FrgType::NCCSgl: return bondCount(1, true);
    case FrgType::NDblBnd: return bondCount(2, false);
    case FrgType::NCCDbl: return bondCount(2, true);
    case FrgType::NTrplBnd: return bondCount(3, false);
    case FrgType::NCCTrpl: return bondCount(3, true);
    case FrgType::NAroBnd: return bondCount(4, false);
    default: break;
    }
    int count = 0;
    for (int a = 1; a <= numAtoms_; ++a) {
        const int e = z(a);
        const int n = nb(a);
        switch (Kind) {
        case FrgType::NBranch: count += n > 2; break;
        case FrgType::XCnt: count += e == zCl || e == zBr; break;
        case FrgType::COOH:
        case FrgType::COO:
            if (e == zC && n == 3 && countNb(a, zO, 2, 3) > 0) {
                bool hit = false;
                for (int k = 0; k < 3 && !hit; ++k) {
                    const int b = conn(a, k);
                    if (z(b) == zO && typ(a, k) == 1)
                        hit = Kind == FrgType::COOH ? nb(b) == 1 : nb(b) > 1;
                }
                count += hit;
            }
            break;
        case FrgType::NO2:
            if (e == zN && n == 3) {
                const int dbl = countNb(a, zO, 2, 3), sgl = countNb(a, zO, 1, 3);
                count += dbl == 2 || (dbl == 1 && sgl == 1 && Rec(a).Charge == 1);
            }
            break;
        case FrgType::AnyCO: count += e == zC && n < 4 && hasDblO(a); break;
        case FrgType::AroCl:
        case FrgType::AroBr:
            // An ion without neighbours has no first neighbour to look at.
            if (e == (Kind == FrgType::AroCl ? zCl : zBr) && n > 0) count += hasAro(conn(a, 0));
            break;
        case FrgType::AnyOH: count += e == zO && n == 1 && typ(a, 0) == 1; break;
        case FrgType::PhOH:
            count += e == zO && n == 1 && typ(a, 0) == 1 && z(conn(a, 0)) == zC && hasAro(conn(a, 0));
            break;
        case FrgType::NH2: count += e == zN && plainAmine(a, 1); break;
        case FrgType::NHR: count += e == zN && plainAmine(a, 2); break;
        case FrgType::NR2: count += e == zN && plainAmine(a, 3); break;
        case FrgType::NCON:
            count += e == zC && n == 3 && countNb(a, zO, 2, 3) == 1 && countNb(a, zN, 1, 3) == 2;
            break;
        case FrgType::CN: count += e == zC && n == 2 && countNb(a, zN, 3, 2) > 0; break;
        case FrgType::CONR2:
            count += e == zC && n == 3 && countNb(a, zO, 2, 3) == 1 && countNb(a, zN, 1, 3) == 1;
            break;
        case FrgType::CHO:
            count += e == zC && n < 3 && hasDblO(a) && !(n == 2 && typ(a, 0) == 2 && typ(a, 1) == 2);
            break;
        case FrgType::COX:
            if (e == zC && n < 4 && hasDblO(a)) {
                bool hal = false;
                for (int k = 0; k < n; ++k) hal = hal || z(conn(a, k)) == zCl || z(conn(a, k)) == zBr || z(conn(a, k)) == zI;
                count += hal;
            }
            break;
        case FrgType::AnySO: count += e == zS && n < 4 && hasDblO(a); break;
        case FrgType::OCH3:
            count += e == zO && n == 2 &&
                     ((z(conn(a, 0)) == zC && nb(conn(a, 0)) == 1) || (z(conn(a, 1)) == zC && nb(conn(a, 1)) == 1));
            break;
        case FrgType::NO: count += e == zN && n == 2 && countNb(a, zO, 2, 2) > 0; break;
        case FrgType::NNH2:
            if (e == zN && n == 2) {
                count += typ(a, 0) == 1 && loneN(conn(a, 1));
                count += typ(a, 1) == 1 && loneN(conn(a, 0));
            }
            break;
        default: break;
        }
    }
    return count;
}

uint16_t TCTab::CompareWith(const TCTab& Other) const noexcept
{
    uint16_t f = 0;
    if (numAtoms_ != Other.numAtoms_) f |= 0x0001;
    if (vcl::AnsiUpperCase(name_) != vcl::AnsiUpperCase(Other.name_)) f |= 0x0002;
    if (coordUnit_ != Other.coordUnit_) f |= 0x0004;
    if (casNr_ != Other.casNr_) f |= 0x0008;
    const CTElem empty;
    for (int i = 0; i < MaxAtoms; ++i) {
        const CTElem& a = i < numAtoms_ ? atoms_[static_cast<std::size_t>(i)] : empty;
        const CTElem& b = i < Other.numAtoms_ ? Other.atoms_[static_cast<std::size_t>(i)] : empty;
        if (a.AtNum != b.AtNum) f |= 0x0010;
        if (a.AtWeight != b.AtWeight) f |= 0x0020;
        if (a.AtFlag != b.AtFlag) f |= 0x0040;
        if (a.Attrib != b.Attrib) f |= 0x0080;
        if (a.Charge != b.Charge) f |= 0x0100;
        if (a.Coords[0] != b.Coords[0]) f |= 0x0200;
        if (a.Coords[1] != b.Coords[1]) f |= 0x0400;
        if (a.Coords[2] != b.Coords[2]) f |= 0x0800;
        if (a.Conn != b.Conn) f |= 0x1000;
        if (a.TypConn != b.TypConn) f |= 0x2000;
    }
    return f;
}

// --- Substructure search ---------------------------------------------------------------------------

bool TCTab::SumForContained(const TCTab& Query) const noexcept
{
    if (numAtoms_ < Query.numAtoms_) return false;
    std::array<int, 256> tally{};
    for (int i = 1; i <= numAtoms_; ++i) ++tally[Rec(i).AtNum];
    for (int i = 1; i <= Query.numAtoms_; ++i)
        if (--tally[Query.Rec(i).AtNum] < 0) return false;
    return true;
}

namespace {

// A backtracking search for a mapping of query atoms to distinct structure
// atoms. The query atoms are taken in depth-first order from the start atom
// (neighbours in slot order), so that every atom after the first of its
// connected part has an already mapped parent, and its candidates are the
// unmapped neighbours of the parent's image.
struct Matcher {
    bool compareBonds;
    int64_t steps = 0;
    bool aborted = false;
    int nq = 0, ns = 0;
    // Copies of both tables in a compact form: element, attribute bits,
    // neighbour lists and, for the structure, a bond-type matrix.
    std::array<int, MaxAtoms + 1> qz{}, qattr{}, qdeg{}, sz{}, sattr{}, sdeg{};
    std::array<std::array<int, MaxConn>, MaxAtoms + 1> qnb{}, qtyp{}, snb{};
    std::array<std::array<uint8_t, MaxAtoms + 1>, MaxAtoms + 1> sbond{};
    std::array<int, MaxAtoms + 1> order{};
    std::array<int, MaxAtoms + 1> parent{};
    std::array<int, MaxAtoms + 1> map{};   // query atom -> structure atom
    std::array<bool, MaxAtoms + 1> used{}; // structure atom is mapped

    Matcher(const TCTab& s, const TCTab& q, bool bonds) : compareBonds(bonds)
    {
        nq = q.GetNumAtoms();
        ns = s.GetNumAtoms();
        for (int a = 1; a <= nq; ++a) {
            qz[a] = q.GetAtNum(a);
            qattr[a] = q.GetAttrib(a);
            for (int k = 1; k <= q.GetNBonds(a); ++k) {
                const int b = q.GetConnTo(a, k);
                if (b < 1 || b > nq) continue; // a one-sided entry beyond the table
                qnb[a][qdeg[a]] = b;
                qtyp[a][qdeg[a]] = q.GetTypConn(a, k);
                ++qdeg[a];
            }
        }
        for (int a = 1; a <= ns; ++a) {
            sz[a] = s.GetAtNum(a);
            sattr[a] = s.GetAttrib(a);
            for (int k = 1; k <= s.GetNBonds(a); ++k) {
                const int b = s.GetConnTo(a, k);
                if (b < 1 || b > ns) continue;
                snb[a][sdeg[a]++] = b;
                sbond[a][b] = static_cast<uint8_t>(s.GetTypConn(a, k));
                if (sbond[a][b] == 0) sbond[a][b] = 0xFF; // bonded, of type 0
            }
        }
    }

    void BuildOrder(int start)
    {
        std::array<bool, MaxAtoms + 1> seen{};
        int n = 0;
        auto dfs = [&](auto& self, int a, int p) -> void {
            seen[a] = true;
            order[n++] = a;
            parent[a] = p;
            for (int k = 0; k < qdeg[a]; ++k)
                if (!seen[qnb[a][k]]) self(self, qnb[a][k], a);
        };
        dfs(dfs, start, 0);
        for (int a = 1; a <= nq; ++a)
            if (!seen[a]) dfs(dfs, a, 0);
    }

    bool Compatible(int qa, int sa) const
    {
        if (qz[qa] != sz[sa] || qdeg[qa] > sdeg[sa]) return false;
        if ((sattr[sa] & qattr[qa]) != qattr[qa]) return false;
        // Every query bond to an atom mapped already needs its structure bond.
        for (int k = 0; k < qdeg[qa]; ++k) {
            const int c = map[qnb[qa][k]];
            if (c == 0) continue;
            const int t = sbond[sa][c];
            if (t == 0) return false;
            if (compareBonds && t != (qtyp[qa][k] == 0 ? 0xFF : qtyp[qa][k])) return false;
        }
        return true;
    }

    bool Extend(int depth)
    {
        if (depth == nq) return true;
        if (++steps > TCTab::MaxSearchSteps) {
            aborted = true;
            return false;
        }
        const int qa = order[depth];
        auto tryAtom = [&](int sa) {
            if (used[sa] || !Compatible(qa, sa)) return false;
            map[qa] = sa;
            used[sa] = true;
            if (Extend(depth + 1)) return true;
            map[qa] = 0;
            used[sa] = false;
            return false;
        };
        if (parent[qa] == 0) {
            for (int sa = 1; sa <= ns && !aborted; ++sa)
                if (tryAtom(sa)) return true;
        } else {
            const int img = map[parent[qa]];
            for (int k = 0; k < sdeg[img] && !aborted; ++k)
                if (tryAtom(snb[img][k])) return true;
        }
        return false;
    }
};

} // namespace

bool TCTab::SearchSubStruc(const TCTab& Query, std::array<uint8_t, MaxAtoms>& MatchFlags, bool CompareBonds)
{
    searchAborted_ = false;
    MatchFlags.fill(0);
    if (Query.numAtoms_ == 0) return false;
    if (!SumForContained(Query) || RingsInMolecule() < Query.RingsInMolecule()) return false;
    int start = 1;
    for (int a = 1; a <= Query.numAtoms_; ++a)
        if (Query.Rec(a).AtNum != zC) {
            start = a;
            break;
        }
    Matcher match(*this, Query, CompareBonds);
    Matcher* m = &match;
    m->BuildOrder(start);
    const bool found = m->Extend(0);
    searchAborted_ = m->aborted;
    if (found)
        for (int a = 1; a <= m->nq; ++a) MatchFlags[static_cast<std::size_t>(m->map[a] - 1)] = 1;
    return found;
}

int TCTab::MatchAtomTemplate(int Element, int BondCount, const std::array<uint8_t, MaxConn>& BondTypes,
                             AtListType& List) const noexcept
{
    List.Count = 0;
    for (int a = 1; a <= numAtoms_; ++a) {
        const int z = Rec(a).AtNum;
        const int n = GetNBonds(a);
        if (Element > 0 && z != Element) continue;
        if (Element < 0 && z == -Element) continue;
        if (BondCount > 0 && n != BondCount) continue;
        if (BondCount < 0 && n == -BondCount) continue;
        // Every required type needs a bond of its own.
        std::array<bool, MaxConn> taken{};
        bool ok = true;
        for (int t = 0; t < MaxConn && ok; ++t) {
            if (BondTypes[static_cast<std::size_t>(t)] == 0) continue;
            ok = false;
            for (int k = 0; k < n && !ok; ++k)
                if (!taken[k] && Rec(a).TypConn[k] == BondTypes[static_cast<std::size_t>(t)]) ok = taken[k] = true;
        }
        if (ok) List.Atoms[static_cast<std::size_t>(List.Count++)] = a;
    }
    return List.Count;
}

int TCTab::StripfromChains()
{
    bool deleted = true;
    while (deleted) {
        deleted = false;
        for (int a = 1; a <= numAtoms_; ++a)
            if (GetNBonds(a) == 1) {
                DeleteAtom(a);
                deleted = true;
            }
    }
    if (numAtoms_ == 1) {
        ClearCTElem(Rec(1));
        numAtoms_ = 0;
    }
    return numAtoms_;
}

int TCTab::FindNextEndAtom(int a) const noexcept
{
    for (int i = std::max(a, 1); i <= numAtoms_; ++i)
        if (GetNBonds(i) == 1) return i;
    return 0;
}

} // namespace PYX_cstruct
