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

namespace {

// The smallest rings through one start atom: a depth-first walk over simple
// paths from the start, in slot order, keeping the rings of the smallest size
// found so far (a ring closing at the start ends the scan of the current
// atom's slots). Two bounds leave out only walks that cannot give a ring of
// the final size, so the rings and their order are those of the plain walk:
//  - the walk starts with the size of one ring through the start known from
//    a breadth-first search (none known: no ring, no walk), instead of
//    "any size";
//  - a step to atom b is taken only if the path so far, b and the shortest
//    way back from b to the start still fit into the current size.
// Both rely on every bond being listed at both atoms; a table with one-sided
// entries is walked with the plain size bound only.
struct ShortestRingWalk {
    int n = 0, start = 0, bound = MaxAtoms + 1;
    std::array<std::array<uint8_t, MaxConn>, MaxAtoms + 1> nb{};
    std::array<uint8_t, MaxAtoms + 1> deg{};
    std::array<uint8_t, MaxAtoms + 1> dist{}; // fewest bonds back to the start (at least 1 off the start)
    std::array<uint8_t, MaxAtoms + 1> path{};
    std::array<bool, MaxAtoms + 1> marked{};
    std::array<bool, MaxAtoms + 1> inRing{};
    RingListType* list = nullptr;

    bool symmetric = true;

    // Neighbour lists within the table (entries beyond it are left out).
    void Load(const std::array<CTElem, MaxAtoms>& atoms, int numAtoms)
    {
        n = numAtoms;
        for (int a = 1; a <= n; ++a) {
            const CTElem& r = atoms[static_cast<std::size_t>(a - 1)];
            deg[a] = 0;
            for (int k = 0; k < MaxConn && r.Conn[static_cast<std::size_t>(k)] != 0; ++k) {
                const int b = r.Conn[static_cast<std::size_t>(k)];
                if (b <= n) nb[a][deg[a]++] = static_cast<uint8_t>(b);
            }
        }
        symmetric = true;
        for (int a = 1; a <= n && symmetric; ++a)
            for (int k = 0; k < deg[a] && symmetric; ++k) {
                const int b = nb[a][k];
                symmetric = std::find(nb[b].begin(), nb[b].begin() + deg[b], a) != nb[b].begin() + deg[b];
            }
        // Atoms with a bond that is no bridge lie in rings; the others need
        // no search at all.
        inRing.fill(!symmetric);
        if (symmetric) {
            std::array<uint8_t, MaxAtoms + 1> order{}, low{};
            int clock = 0;
            for (int a = 1; a <= n; ++a)
                if (order[a] == 0) MarkRingAtoms(a, 0, order, low, clock);
        }
    }

    // Depth-first numbering with the lowest number reachable through one
    // back bond: a tree bond a-b is a bridge when nothing below b reaches
    // above it.
    void MarkRingAtoms(int a, int parent, std::array<uint8_t, MaxAtoms + 1>& order, std::array<uint8_t, MaxAtoms + 1>& low,
                       int& clock)
    {
        order[a] = low[a] = static_cast<uint8_t>(++clock);
        for (int k = 0; k < deg[a]; ++k) {
            const int b = nb[a][k];
            if (b == parent) continue;
            if (order[b] != 0) {
                if (order[b] < order[a]) inRing[a] = inRing[b] = true; // back bond
                low[a] = std::min(low[a], order[b]);
                continue;
            }
            MarkRingAtoms(b, a, order, low, clock);
            low[a] = std::min(low[a], low[b]);
            if (low[b] <= order[a]) inRing[a] = inRing[b] = true;
        }
    }

    // The smallest rings through Start into List; returns their number.
    int Find(int Start, RingListType& List)
    {
        List.Count = 0;
        List.Truncated = false;
        list = &List;
        start = Start;
        bound = MaxAtoms + 1;
        if (!inRing[start] || !Bounds()) return 0;
        Visit(0, start, 0);
        return List.Count;
    }

    // The bounds of the walk; false when no ring passes through the start.
    bool Bounds()
    {
        if (!symmetric) {
            dist.fill(1);
            return true;
        }
        // Breadth-first search from the start; branch = the start's neighbour
        // through which an atom was reached first.
        constexpr uint8_t far = MaxAtoms + 1;
        dist.fill(far);
        std::array<uint8_t, MaxAtoms + 1> branch{}, queue{};
        int head = 0, tail = 0;
        dist[start] = 0;
        for (int k = 0; k < deg[start]; ++k) {
            const int b = nb[start][k];
            if (dist[b] != far) continue;
            dist[b] = 1;
            branch[b] = static_cast<uint8_t>(b);
            queue[tail++] = static_cast<uint8_t>(b);
        }
        while (head < tail) {
            const int a = queue[head++];
            for (int k = 0; k < deg[a]; ++k) {
                const int b = nb[a][k];
                if (dist[b] != far) continue;
                dist[b] = static_cast<uint8_t>(dist[a] + 1);
                branch[b] = branch[a];
                queue[tail++] = static_cast<uint8_t>(b);
            }
        }
        // A bond joining two branches closes a ring through the start of
        // dist + dist + 1 atoms: the two tree paths share only the start.
        int best = far;
        for (int i = 0; i < tail; ++i) {
            const int a = queue[i];
            for (int k = 0; k < deg[a]; ++k) {
                const int b = nb[a][k];
                if (b != start && branch[b] != branch[a]) best = std::min(best, dist[a] + dist[b] + 1);
            }
        }
        if (best == far) return false;
        bound = best;
        return true;
    }

    void Visit(int prev, int cur, int pathLen)
    {
        path[static_cast<std::size_t>(pathLen)] = static_cast<uint8_t>(cur);
        ++pathLen;
        for (int k = 0; k < deg[cur]; ++k) {
            const int b = nb[cur][k];
            if (b == start && b != prev) {
                if (pathLen < 3) break;
                RingType ring;
                ring.Size = static_cast<uint8_t>(pathLen);
                std::copy_n(path.begin(), pathLen, ring.Atoms.begin());
                if (pathLen < bound) {
                    bound = pathLen;
                    list->Truncated = false;
                    list->Rings[0] = ring;
                    list->Count = 1;
                } else if (pathLen == bound && !RingInRingList(ring, *list)) {
                    if (list->Count < MaxRings) list->Rings[static_cast<std::size_t>(list->Count++)] = ring;
                    else list->Truncated = true;
                }
                break;
            }
            if (b != prev && !marked[b] && pathLen + dist[b] <= bound) {
                marked[cur] = true;
                Visit(cur, b, pathLen);
                marked[cur] = false;
            }
        }
    }
};

} // namespace

int TCTab::FindShortestRings(int Start, RingListType& List)
{
    List.Count = 0;
    List.Truncated = false;
    for (CTElem& r : atoms_) r.AtFlag = 0;
    if (!ValidAtom(Start)) return 0;
    ShortestRingWalk walk;
    walk.Load(atoms_, numAtoms_);
    return walk.Find(Start, List);
}

int TCTab::FindSSSR(RingListType& List)
{
    List.Count = 0;
    List.Truncated = false;
    std::array<bool, MaxAtoms + 1> done{};
    RingListType local;
    // As FindShortestRings for every start, with the neighbour lists read once.
    if (numAtoms_ > 0)
        for (CTElem& r : atoms_) r.AtFlag = 0;
    ShortestRingWalk walk;
    walk.Load(atoms_, numAtoms_);
    for (int a = 1; a <= numAtoms_; ++a) {
        if (done[a]) continue;
        walk.Find(a, local);
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
