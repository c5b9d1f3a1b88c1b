// Rings, attributes, fragment codes and counts, comparison and substructure
// search of the connection table.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "molkit/PYX_cstruct.h"

using namespace PYX_cstruct;

namespace {

struct Bond {
    int a, b, t;
};

void Build(TCTab& t, std::vector<int> z, std::vector<Bond> bonds)
{
    t.Clear();
    for (int e : z) {
        CTElem r;
        r.AtNum = static_cast<uint8_t>(e);
        ASSERT_TRUE(t.AddAtom(r));
    }
    for (const Bond& b : bonds) ASSERT_TRUE(t.MakeConnection(b.a, b.b, b.t));
}

std::vector<Bond> Ring(int first, int n, int type)
{
    std::vector<Bond> v;
    for (int i = 0; i < n; ++i) v.push_back({first + i, first + (i + 1) % n, type});
    return v;
}

std::vector<Bond> operator+(std::vector<Bond> a, const std::vector<Bond>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::set<int> Atoms(const RingType& r) { return std::set<int>(r.Atoms.begin(), r.Atoms.begin() + r.Size); }

std::vector<int> Sizes(const RingListType& l)
{
    std::vector<int> v;
    for (int i = 0; i < l.Count; ++i) v.push_back(l.Rings[i].Size);
    std::sort(v.begin(), v.end());
    return v;
}

// Naphthalene skeleton: fusion atoms 1 and 6.
void Naphthalene(TCTab& t)
{
    Build(t, std::vector<int>(10, 6), Ring(1, 6, 1) + std::vector<Bond>{{6, 7, 1}, {7, 8, 1}, {8, 9, 1}, {9, 10, 1}, {10, 1, 1}});
}

void Cubane(TCTab& t)
{
    Build(t, std::vector<int>(8, 6), Ring(1, 4, 1) + Ring(5, 4, 1) + std::vector<Bond>{{1, 5, 1}, {2, 6, 1}, {3, 7, 1}, {4, 8, 1}});
}

// Two sets of n carbons, every atom of one bonded to every atom of the other.
void CompleteBipartite(TCTab& t, int n)
{
    std::vector<Bond> b;
    for (int i = 1; i <= n; ++i)
        for (int j = n + 1; j <= 2 * n; ++j) b.push_back({i, j, 1});
    Build(t, std::vector<int>(2 * n, 6), b);
}

TEST(CTabRings, RingCountCountsConnectedParts)
{
    TCTab t;
    Build(t, std::vector<int>(6, 6), Ring(1, 6, 1));
    EXPECT_EQ(t.RingsInMolecule(), 1);
    Build(t, {11, 17}, {});
    EXPECT_EQ(t.RingsInMolecule(), 0); // a salt
    Build(t, {6, 6, 6, 6, 6, 6, 8}, Ring(1, 6, 4));
    EXPECT_EQ(t.RingsInMolecule(), 1); // benzene and water
    Naphthalene(t);
    EXPECT_EQ(t.RingsInMolecule(), 2);
    Cubane(t);
    EXPECT_EQ(t.RingsInMolecule(), 5);
    t.Clear();
    EXPECT_EQ(t.RingsInMolecule(), 0);
}

TEST(CTabRings, ShortestRingsThroughAnAtom)
{
    TCTab t;
    RingListType l;
    Build(t, std::vector<int>(6, 6), Ring(1, 6, 1));
    t.SetAtFlag(2, 5);
    ASSERT_EQ(t.FindShortestRings(1, l), 1);
    EXPECT_EQ(l.Rings[0].Size, 6);
    EXPECT_EQ(l.Rings[0].Atoms[0], 1);
    EXPECT_EQ(Atoms(l.Rings[0]), (std::set<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(t.GetAtFlag(2), 0); // the flags serve as scratch marks
    EXPECT_EQ(t.FindShortestRings(0, l), 0);
    EXPECT_EQ(t.FindShortestRings(7, l), 0);
    EXPECT_EQ(l.Count, 0);
    // A chain has no rings.
    Build(t, {6, 6, 6}, {{1, 2, 1}, {2, 3, 1}});
    EXPECT_EQ(t.FindShortestRings(2, l), 0);
    // Cubane: three four-rings at every corner.
    Cubane(t);
    EXPECT_EQ(t.FindShortestRings(1, l), 3);
    EXPECT_EQ(Sizes(l), (std::vector<int>{4, 4, 4}));
}

TEST(CTabRings, SmallestSetOfSmallestRings)
{
    struct Case {
        const char* name;
        void (*make)(TCTab&);
        std::vector<int> sizes;
    };
    const std::vector<Case> cases = {
        {"naphthalene", Naphthalene, {6, 6}},
        {"cubane: all six faces", Cubane, {4, 4, 4, 4, 4, 4}},
        {"norbornane",
         [](TCTab& t) {
             Build(t, std::vector<int>(7, 6), Ring(1, 6, 1) + std::vector<Bond>{{1, 7, 1}, {7, 4, 1}});
         },
         {5, 5}},
        {"spiro[2.2]pentane",
         [](TCTab& t) { Build(t, std::vector<int>(5, 6), Ring(1, 3, 1) + std::vector<Bond>{{1, 4, 1}, {4, 5, 1}, {5, 1, 1}}); },
         {3, 3}},
        {"biphenyl-like two separate rings and a salt",
         [](TCTab& t) {
             Build(t, {6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 11, 17}, Ring(1, 6, 4) + Ring(7, 6, 4));
         },
         {6, 6}},
        {"propane", [](TCTab& t) { Build(t, {6, 6, 6}, {{1, 2, 1}, {2, 3, 1}}); }, {}},
    };
    for (const Case& c : cases) {
        TCTab t;
        c.make(t);
        RingListType l;
        EXPECT_EQ(t.FindSSSR(l), static_cast<int>(c.sizes.size())) << c.name;
        EXPECT_EQ(Sizes(l), c.sizes) << c.name;
        EXPECT_FALSE(l.Truncated) << c.name;
    }
}

// Every simple cycle through the start, by trying all simple paths: the
// atom sets of the shortest ones.
std::set<std::set<int>> ShortestCyclesByBruteForce(const TCTab& t, int start)
{
    std::set<std::set<int>> best;
    std::size_t bestSize = 1000;
    std::vector<int> path{start};
    auto walk = [&](auto& self, int cur) -> void {
        for (int k = 1; k <= t.GetNBonds(cur); ++k) {
            const int b = t.GetConnTo(cur, k);
            if (b == start && path.size() >= 3) {
                if (path.size() < bestSize) best.clear(), bestSize = path.size();
                if (path.size() == bestSize) best.insert(std::set<int>(path.begin(), path.end()));
            } else if (std::find(path.begin(), path.end(), b) == path.end()) {
                path.push_back(b);
                self(self, b);
                path.pop_back();
            }
        }
    };
    walk(walk, start);
    return best;
}

TEST(CTabRings, ShortestRingsAgreeWithAllCycles)
{
    // Random structures with chains, bridges and fused rings: the rings
    // through each atom are real rings, of the smallest size, one per atom
    // set, and none is missing.
    std::mt19937 rng(4242);
    int withRings = 0;
    for (int round = 0; round < 400; ++round) {
        TCTab t;
        const int n = 3 + static_cast<int>(rng() % 10);
        std::vector<Bond> b;
        for (int i = 2; i <= n; ++i) b.push_back({i, 1 + static_cast<int>(rng() % (i - 1)), 1});
        const int extra = static_cast<int>(rng() % 4);
        for (int e = 0; e < extra; ++e) {
            const int x = 1 + static_cast<int>(rng() % n), y = 1 + static_cast<int>(rng() % n);
            if (x != y) b.push_back({x, y, 1}); // a repeated bond is entered once
        }
        t.Clear();
        for (int i = 0; i < n; ++i) {
            CTElem r;
            r.AtNum = 6;
            t.AddAtom(r);
        }
        for (const Bond& x : b) t.MakeConnection(x.a, x.b, x.t);
        for (int s = 1; s <= n; ++s) {
            RingListType l;
            const int count = t.FindShortestRings(s, l);
            const auto expected = ShortestCyclesByBruteForce(t, s);
            ASSERT_EQ(count, static_cast<int>(expected.size())) << "round " << round << " start " << s;
            std::set<std::set<int>> got;
            for (int r = 0; r < count; ++r) {
                const RingType& ring = l.Rings[r];
                EXPECT_EQ(ring.Atoms[0], s);
                for (int i = 0; i < ring.Size; ++i)
                    EXPECT_NE(t.CheckConnect(ring.Atoms[i], ring.Atoms[(i + 1) % ring.Size]), 0);
                got.insert(Atoms(ring));
            }
            EXPECT_EQ(got, expected) << "round " << round << " start " << s;
            withRings += count > 0;
        }
    }
    EXPECT_GT(withRings, 300);
}

TEST(CTabRings, RingListsStopAtTheirCapacity)
{
    // Every atom of K10,10 lies on 405 four-rings.
    TCTab t;
    CompleteBipartite(t, 10);
    EXPECT_EQ(t.RingsInMolecule(), 81);
    RingListType l;
    EXPECT_EQ(t.FindShortestRings(1, l), MaxRings);
    EXPECT_TRUE(l.Truncated);
    EXPECT_EQ(t.FindSSSR(l), MaxRings);
    EXPECT_TRUE(l.Truncated);
    EXPECT_EQ(t.CalcAttributes(), MaxRings);
}

TEST(CTabRings, DanglingNeighbourEntriesAreHarmless)
{
    // A slot written directly may name an atom beyond NumAtoms; the ring
    // search, the attributes, the counts and the search step over it.
    TCTab t;
    Build(t, std::vector<int>(6, 6), Ring(1, 6, 1));
    t.SetConnTo(1, 3, 63);
    t.SetTypConn(1, 3, 1);
    RingListType l;
    EXPECT_EQ(t.FindShortestRings(1, l), 1);
    EXPECT_EQ(t.FindSSSR(l), 1);
    EXPECT_EQ(t.CalcAttributes(), 1);
    int extra = 0;
    EXPECT_EQ(t.FragmentCode(1, extra), -1);
    for (int k = 0; k <= static_cast<int>(FrgType::NNH2); ++k) t.FragmentCount(static_cast<FrgType>(k));
    TCTab q;
    Build(q, {6, 6}, {{1, 2, 1}});
    std::array<uint8_t, MaxAtoms> f{};
    EXPECT_TRUE(t.SearchSubStruc(q, f, true));
    EXPECT_TRUE(q.SearchSubStruc(q, f, true));
    EXPECT_EQ(t.NrHAtoms(1), 1);
}

TEST(CTabRings, RingInRingList)
{
    RingListType l;
    RingType r;
    EXPECT_FALSE(RingInRingList(r, l)); // nothing in an empty list
    l.Count = 1;
    l.Rings[0].Size = 6;
    for (int i = 0; i < 6; ++i) l.Rings[0].Atoms[i] = static_cast<uint8_t>(i + 1);
    EXPECT_TRUE(RingInRingList(r, l)); // an empty ring is in any list
    r.Size = 3;
    r.Atoms[0] = 3;
    r.Atoms[1] = 1;
    r.Atoms[2] = 5;
    EXPECT_TRUE(RingInRingList(r, l));
    r.Atoms[2] = 7;
    EXPECT_FALSE(RingInRingList(r, l));
}

TEST(CTabRings, Attributes)
{
    TCTab t;
    Build(t, std::vector<int>(6, 6), Ring(1, 6, 1));
    EXPECT_EQ(t.CalcAttributes(), 1);
    for (int a = 1; a <= 6; ++a) EXPECT_EQ(t.GetAttrib(a), 0x28);
    Naphthalene(t);
    EXPECT_EQ(t.CalcAttributes(), 2);
    for (int a = 1; a <= 10; ++a) EXPECT_EQ(t.GetAttrib(a), a == 1 || a == 6 ? 0xB8 : 0x28) << a;
    Build(t, {6, 6, 6}, {{1, 2, 1}, {2, 3, 1}});
    EXPECT_EQ(t.CalcAttributes(), 0);
    EXPECT_EQ(t.GetAttrib(1), 0x41);
    EXPECT_EQ(t.GetAttrib(2), 0x01);
    // Methylcyclopentane and a cyclopropane.
    Build(t, {6, 6, 6, 6, 6, 6}, Ring(1, 5, 1) + std::vector<Bond>{{1, 6, 1}});
    t.CalcAttributes();
    EXPECT_EQ(t.GetAttrib(1), 0x34);
    EXPECT_EQ(t.GetAttrib(2), 0x24);
    EXPECT_EQ(t.GetAttrib(6), 0x41);
    Build(t, {6, 6, 6}, Ring(1, 3, 1));
    t.CalcAttributes();
    EXPECT_EQ(t.GetAttrib(1), 0x22);
}

TEST(CTabRings, StripChainsAndEndAtoms)
{
    TCTab t;
    Build(t, {6, 6, 6}, {{1, 2, 1}, {2, 3, 1}});
    EXPECT_EQ(t.FindNextEndAtom(0), 1);
    EXPECT_EQ(t.FindNextEndAtom(2), 3);
    EXPECT_EQ(t.FindNextEndAtom(4), 0);
    EXPECT_EQ(t.StripfromChains(), 0);
    EXPECT_EQ(t.GetNumAtoms(), 0);
    // Two rings linked by a chain keep the chain; the side chains go.
    Build(t, std::vector<int>(11, 6),
          Ring(1, 3, 1) + Ring(4, 3, 1) + std::vector<Bond>{{1, 7, 1}, {7, 4, 1}, {2, 8, 1}, {8, 9, 1}, {9, 10, 1}, {5, 11, 1}});
    EXPECT_EQ(t.StripfromChains(), 7);
    EXPECT_EQ(t.RingsInMolecule(), 2);
    EXPECT_EQ(t.FindNextEndAtom(1), 0);
    // Isolated atoms stay.
    Build(t, {6, 6, 6, 6, 8}, Ring(1, 4, 1));
    EXPECT_EQ(t.StripfromChains(), 5);
}

TEST(CTabFragments, FragmentCodes)
{
    TCTab t;
    int extra = -1;
    // Methanol carbon: C1O.
    Build(t, {6, 8}, {{1, 2, 1}});
    const int32_t code = t.FragmentCode(1, extra);
    EXPECT_EQ(code, 3 + ((5 * 4 + 1) << 4));
    EXPECT_EQ(FragmentStr(code), "C1O");
    EXPECT_EQ(extra, 0);
    // Acetone carbonyl carbon: neighbours sorted, largest descriptor first.
    Build(t, {6, 6, 8, 6, 6}, {{2, 1, 1}, {2, 3, 2}, {2, 4, 1}, {4, 5, 1}});
    EXPECT_EQ(FragmentStr(t.FragmentCode(2, extra)), "C2O1C1C");
    EXPECT_EQ(extra, 1);
    // Aromatic bonds carry the character '4'.
    Build(t, std::vector<int>(6, 6), Ring(1, 6, 4));
    EXPECT_EQ(FragmentStr(t.FragmentCode(1, extra)), "C4C4C");
    EXPECT_EQ(extra, 2);
    // Five or ten neighbours: -2; an element without a code: -1.
    std::vector<Bond> star;
    for (int b = 2; b <= 11; ++b) star.push_back({1, b, 1});
    for (int n : {5, 10}) {
        Build(t, std::vector<int>(n + 1, 6), std::vector<Bond>(star.begin(), star.begin() + n));
        EXPECT_EQ(t.FragmentCode(1, extra), -2) << n;
    }
    Build(t, {11, 17}, {{1, 2, 1}});
    EXPECT_EQ(t.FragmentCode(1, extra), -1);
    EXPECT_EQ(t.FragmentCode(2, extra), -1); // chlorine next to sodium
    EXPECT_EQ(t.FragmentCode(3, extra), -1);
    EXPECT_EQ(FragmentStr(-1), "ERROR");
    EXPECT_EQ(FragmentStr(0), "");
    EXPECT_EQ(FragmentStr(15), "RR");
}

TEST(CTabFragments, Counts)
{
    struct Case {
        const char* name;
        std::vector<int> z;
        std::vector<Bond> bonds;
        std::vector<std::pair<FrgType, int>> expected;
        int charged = 0; // atom given charge +1
    };
    using F = FrgType;
    const std::vector<Case> cases = {
        {"acetic acid", {6, 6, 8, 8}, {{1, 2, 1}, {2, 3, 2}, {2, 4, 1}},
         {{F::COOH, 1}, {F::COO, 0}, {F::AnyCO, 1}, {F::AnyOH, 1}, {F::NDblBnd, 1}, {F::NSglBnd, 2}, {F::NCCSgl, 1}}},
        {"methyl acetate", {6, 6, 8, 8, 6}, {{1, 2, 1}, {2, 3, 2}, {2, 4, 1}, {4, 5, 1}},
         {{F::COOH, 0}, {F::COO, 1}, {F::OCH3, 1}, {F::AnyOH, 0}}},
        {"toluene", {6, 6, 6, 6, 6, 6, 6}, Ring(1, 6, 4) + std::vector<Bond>{{1, 7, 1}},
         {{F::NAroBnd, 6}, {F::NBranch, 1}, {F::OCH3, 0}, {F::NSglBnd, 1}}},
        {"phenol and chlorobenzene", {6, 6, 6, 6, 6, 6, 8, 17}, Ring(1, 6, 4) + std::vector<Bond>{{1, 7, 1}, {4, 8, 1}},
         {{F::PhOH, 1}, {F::AnyOH, 1}, {F::AroCl, 1}, {F::XCnt, 1}}},
        {"chloride and bromide ions", {17, 35}, {}, {{F::AroCl, 0}, {F::AroBr, 0}, {F::XCnt, 2}}},
        {"nitromethane", {6, 7, 8, 8}, {{1, 2, 1}, {2, 3, 2}, {2, 4, 2}}, {{F::NO2, 1}}},
        {"nitromethane, charged", {6, 7, 8, 8}, {{1, 2, 1}, {2, 3, 2}, {2, 4, 1}}, {{F::NO2, 1}}, 2},
        {"nitromethane, uncharged single", {6, 7, 8, 8}, {{1, 2, 1}, {2, 3, 2}, {2, 4, 1}}, {{F::NO2, 0}}},
        {"methylamine, dimethylamine", {7, 6, 7, 6, 6}, {{1, 2, 1}, {3, 4, 1}, {3, 5, 1}},
         {{F::NH2, 1}, {F::NHR, 1}, {F::NR2, 0}}},
        {"acetamide", {6, 6, 8, 7}, {{1, 2, 1}, {2, 3, 2}, {2, 4, 1}}, {{F::CONR2, 1}, {F::NH2, 0}, {F::NCON, 0}}},
        {"urea", {6, 8, 7, 7}, {{1, 2, 2}, {1, 3, 1}, {1, 4, 1}}, {{F::NCON, 1}, {F::CONR2, 0}}},
        {"acetonitrile", {6, 6, 7}, {{1, 2, 1}, {2, 3, 3}}, {{F::CN, 1}, {F::NTrplBnd, 1}, {F::NCCTrpl, 0}}},
        {"acetaldehyde", {6, 6, 8}, {{1, 2, 1}, {2, 3, 2}}, {{F::CHO, 1}, {F::AnyCO, 1}}},
        {"carbon dioxide", {8, 6, 8}, {{1, 2, 2}, {2, 3, 2}}, {{F::CHO, 0}, {F::AnyCO, 1}}},
        {"acetyl chloride", {6, 6, 8, 17}, {{1, 2, 1}, {2, 3, 2}, {2, 4, 1}}, {{F::COX, 1}}},
        {"dimethyl sulfoxide", {6, 16, 8, 6}, {{1, 2, 1}, {2, 3, 2}, {2, 4, 1}}, {{F::AnySO, 1}}},
        {"nitrosomethane", {6, 7, 8}, {{1, 2, 1}, {2, 3, 2}}, {{F::NO, 1}}},
        {"methylhydrazine", {6, 7, 7}, {{1, 2, 1}, {2, 3, 1}}, {{F::NNH2, 1}, {F::NH2, 0}}},
        {"ethene and ethyne", {6, 6, 6, 6}, {{1, 2, 2}, {3, 4, 3}}, {{F::NCCDbl, 1}, {F::NCCTrpl, 1}}},
    };
    for (const Case& c : cases) {
        TCTab t;
        Build(t, c.z, c.bonds);
        if (c.charged) t.SetCharge(c.charged, 1);
        for (auto [kind, n] : c.expected)
            EXPECT_EQ(t.FragmentCount(kind), n) << c.name << " kind " << static_cast<int>(kind);
    }
}

TEST(CTabCompare, CompareWith)
{
    TCTab a, b;
    Naphthalene(a);
    a.SetStrucName("Naphthalene");
    b.CopyFrom(a);
    EXPECT_EQ(a.CompareWith(b), 0);
    b.SetStrucName("NAPHTHALENE");
    EXPECT_EQ(a.CompareWith(b), 0);
    b.SetAtNum(1, 7);
    EXPECT_EQ(a.CompareWith(b), 0x0010);
    b.CopyFrom(a);
    b.SetCoords(2, 2, 1.0f);
    b.MakeConnection(2, 3, 2);
    EXPECT_EQ(a.CompareWith(b), 0x0400 | 0x2000);
    b.CopyFrom(a);
    b.SetCASNr("50-00-0");
    b.SetCoordUnit(cuAngstrom);
    b.SetStrucName("Decalin");
    b.DeleteAtom(10);
    EXPECT_EQ(a.CompareWith(b) & 0x000F, 0x000F);
}

// --- Substructure search ------------------------------------------------------------

std::vector<int> Flagged(const std::array<uint8_t, MaxAtoms>& f)
{
    std::vector<int> v;
    for (int i = 0; i < MaxAtoms; ++i)
        if (f[i]) v.push_back(i + 1);
    return v;
}

TEST(CTabSearch, BenzeneInToluene)
{
    TCTab toluene, benzene;
    Build(toluene, {6, 6, 6, 6, 6, 6, 6}, std::vector<Bond>{{7, 1, 1}} + Ring(1, 6, 4));
    Build(benzene, {6, 6, 6, 6, 6, 6}, Ring(1, 6, 4));
    std::array<uint8_t, MaxAtoms> f;
    f.fill(9);
    for (bool bonds : {false, true}) {
        ASSERT_TRUE(toluene.SearchSubStruc(benzene, f, bonds));
        EXPECT_EQ(Flagged(f), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    }
    EXPECT_TRUE(toluene.SumForContained(benzene));
    EXPECT_FALSE(benzene.SumForContained(toluene));
    EXPECT_FALSE(benzene.SearchSubStruc(toluene, f, false));
    EXPECT_TRUE(Flagged(f).empty());
    // A Kekule query matches aromatic bonds only when bond types are ignored.
    TCTab kekule;
    Build(kekule, {6, 6, 6, 6, 6, 6}, {{1, 2, 1}, {2, 3, 2}, {3, 4, 1}, {4, 5, 2}, {5, 6, 1}, {6, 1, 2}});
    EXPECT_TRUE(toluene.SearchSubStruc(kekule, f, false));
    EXPECT_FALSE(toluene.SearchSubStruc(kekule, f, true));
    // Nothing is found in an empty structure, and an empty query finds nothing.
    TCTab empty;
    EXPECT_FALSE(empty.SearchSubStruc(benzene, f, false));
    EXPECT_FALSE(toluene.SearchSubStruc(empty, f, false));
}

TEST(CTabSearch, MatchedAtomsAreDistinct)
{
    std::array<uint8_t, MaxAtoms> f{};
    // O-C-N-C-O needs two oxygens on two carbons; the structure has a
    // four-ring N-C-O-C with a single ring oxygen and a water molecule.
    TCTab s, q;
    Build(s, {7, 6, 6, 8, 8}, {{1, 2, 1}, {1, 3, 1}, {2, 4, 1}, {3, 4, 1}});
    Build(q, {8, 6, 7, 6, 8}, {{1, 2, 1}, {2, 3, 1}, {3, 4, 1}, {4, 5, 1}});
    EXPECT_TRUE(s.SumForContained(q));
    EXPECT_FALSE(s.SearchSubStruc(q, f, false));
    // A chain O-C6 cannot be laid through a cyclopropane without visiting an
    // atom twice.
    Build(s, {8, 6, 6, 6, 6, 6, 6}, {{1, 2, 1}, {2, 3, 1}, {3, 4, 1}, {4, 2, 1}, {3, 5, 1}, {5, 6, 1}, {4, 7, 1}});
    Build(q, {8, 6, 6, 6, 6, 6, 6}, {{1, 2, 1}, {2, 3, 1}, {3, 4, 1}, {4, 5, 1}, {5, 6, 1}, {6, 7, 1}});
    EXPECT_FALSE(s.SearchSubStruc(q, f, false));
    // One atom shorter, the chain fits: O-C2-C4-C3-C5-C6.
    Build(q, {8, 6, 6, 6, 6, 6}, {{1, 2, 1}, {2, 3, 1}, {3, 4, 1}, {4, 5, 1}, {5, 6, 1}});
    ASSERT_TRUE(s.SearchSubStruc(q, f, false));
    EXPECT_EQ(Flagged(f), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    // Isobutane's branch carbon needs three distinct neighbours.
    Build(s, {6, 6, 6, 6}, {{1, 2, 1}, {2, 3, 1}, {3, 4, 1}});
    Build(q, {6, 6, 6, 6}, {{1, 2, 1}, {1, 3, 1}, {1, 4, 1}});
    EXPECT_FALSE(s.SearchSubStruc(q, f, false));
}

TEST(CTabSearch, SaltsMixturesAndRings)
{
    std::array<uint8_t, MaxAtoms> f{};
    TCTab s, q;
    // Benzene in benzene with water: the ring counts of the parts add up.
    Build(s, {8, 6, 6, 6, 6, 6, 6}, Ring(2, 6, 4));
    Build(q, {6, 6, 6, 6, 6, 6}, Ring(1, 6, 4));
    ASSERT_TRUE(s.SearchSubStruc(q, f, true));
    EXPECT_EQ(Flagged(f), (std::vector<int>{2, 3, 4, 5, 6, 7}));
    // A query of two parts: sodium chloride in a salt with a cation.
    Build(s, {7, 6, 11, 17}, {{1, 2, 1}});
    Build(q, {11, 17}, {});
    ASSERT_TRUE(s.SearchSubStruc(q, f, false));
    EXPECT_EQ(Flagged(f), (std::vector<int>{3, 4}));
    // Cyclohexane is not in hexane; hexane is in cyclohexane.
    Build(s, std::vector<int>(6, 6), Ring(1, 6, 1));
    Build(q, std::vector<int>(6, 6), {{1, 2, 1}, {2, 3, 1}, {3, 4, 1}, {4, 5, 1}, {5, 6, 1}});
    EXPECT_TRUE(s.SearchSubStruc(q, f, true));
    EXPECT_FALSE(q.SearchSubStruc(s, f, false));
    // A ring closure must close onto the right atom: a five-ring is not in
    // a six-ring.
    Build(q, std::vector<int>(5, 6), Ring(1, 5, 1));
    EXPECT_FALSE(s.SearchSubStruc(q, f, false));
}

TEST(CTabSearch, AttributeBitsAndNitrogenStart)
{
    std::array<uint8_t, MaxAtoms> f{};
    // N-methyl piperidine ring and a methylamine chain in one structure.
    TCTab s, q;
    Build(s, {7, 6, 6, 6, 6, 6, 6, 7, 6}, Ring(1, 6, 1) + std::vector<Bond>{{1, 7, 1}, {8, 9, 1}});
    s.CalcAttributes();
    Build(q, {6, 7}, {{1, 2, 1}});
    ASSERT_TRUE(s.SearchSubStruc(q, f, true));
    EXPECT_EQ(Flagged(f), (std::vector<int>{1, 2})); // first nitrogen, first neighbour
    // Demanding a chain-end carbon on the query leads to the methyl groups.
    q.SetAttrib(1, atChainEnd);
    ASSERT_TRUE(s.SearchSubStruc(q, f, true));
    EXPECT_EQ(Flagged(f), (std::vector<int>{1, 7}));
    // Demanding a ring nitrogen with a ring carbon.
    q.SetAttrib(1, atInRing);
    q.SetAttrib(2, atInRing | atRing6);
    ASSERT_TRUE(s.SearchSubStruc(q, f, true));
    EXPECT_EQ(Flagged(f), (std::vector<int>{1, 2}));
    q.SetAttrib(2, atRing5);
    EXPECT_FALSE(s.SearchSubStruc(q, f, true));
}

TEST(CTabSearch, PathologicalQueryEndsQuickly)
{
    // O-C18-O against K9,9 with both oxygens on atoms of the same side: a
    // path through all 18 carbons from one side ends on the other, so there
    // is no match, and very many paths to try.
    TCTab s, q;
    std::vector<Bond> b;
    for (int i = 1; i <= 9; ++i)
        for (int j = 10; j <= 18; ++j) b.push_back({i, j, 1});
    b.push_back({1, 19, 1});
    b.push_back({2, 20, 1});
    std::vector<int> z(18, 6);
    z.push_back(8);
    z.push_back(8);
    Build(s, z, b);
    std::vector<Bond> chain;
    for (int i = 1; i < 20; ++i) chain.push_back({i, i + 1, 1});
    std::vector<int> zq{8};
    zq.insert(zq.end(), 18, 6);
    zq.push_back(8);
    Build(q, zq, chain);
    std::array<uint8_t, MaxAtoms> f{};
    const auto t0 = std::chrono::steady_clock::now();
    const bool found = s.SearchSubStruc(q, f, false);
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_FALSE(found);
    EXPECT_TRUE(s.GetSearchAborted());
    EXPECT_TRUE(Flagged(f).empty());
    EXPECT_LT(secs, 15.0); // generous for sanitizer builds; well below 1 s in a release build
    // A solvable search clears the flag.
    Build(q, {6, 8}, {{1, 2, 1}});
    EXPECT_TRUE(s.SearchSubStruc(q, f, false));
    EXPECT_FALSE(s.GetSearchAborted());
}

// C60: the vertices of a truncated icosahedron (all cyclic permutations of
// (0, ±1, ±3φ), (±1, ±(2+φ), ±2φ), (±φ, ±2, ±φ³)), bonded at edge length 2.
void Fullerene(TCTab& t)
{
    const double phi = (1 + std::sqrt(5.0)) / 2;
    const double base[3][3] = {{0, 1, 3 * phi}, {1, 2 + phi, 2 * phi}, {phi, 2, phi * phi * phi}};
    std::vector<std::array<double, 3>> v;
    for (const auto& b : base)
        for (int s = 0; s < 8; ++s) {
            const double p[3] = {s & 1 ? -b[0] : b[0], s & 2 ? -b[1] : b[1], s & 4 ? -b[2] : b[2]};
            for (int r = 0; r < 3; ++r) {
                const std::array<double, 3> c = {p[r], p[(r + 1) % 3], p[(r + 2) % 3]};
                if (std::none_of(v.begin(), v.end(), [&](const auto& w) {
                        return std::abs(w[0] - c[0]) + std::abs(w[1] - c[1]) + std::abs(w[2] - c[2]) < 1e-9;
                    }))
                    v.push_back(c);
            }
        }
    std::vector<Bond> bonds;
    for (std::size_t i = 0; i < v.size(); ++i)
        for (std::size_t j = i + 1; j < v.size(); ++j) {
            const double dx = v[i][0] - v[j][0], dy = v[i][1] - v[j][1], dz = v[i][2] - v[j][2];
            if (std::abs(dx * dx + dy * dy + dz * dz - 4.0) < 1e-6)
                bonds.push_back({static_cast<int>(i + 1), static_cast<int>(j + 1), 1});
        }
    Build(t, std::vector<int>(v.size(), 6), bonds);
}

TEST(CTabSearch, LongChainAgainstCageStopsAtItsStepLimit)
{
    TCTab cage, q;
    Fullerene(cage);
    ASSERT_EQ(cage.GetNumAtoms(), 60);
    for (int a = 1; a <= 60; ++a) ASSERT_EQ(cage.GetNBonds(a), 3);
    EXPECT_EQ(cage.RingsInMolecule(), 31);
    // A 30-carbon chain ending in a quaternary carbon: every path of 30 cage
    // atoms is a candidate until its last atom, which has only three bonds,
    // so the search meets its step limit instead of trying them all.
    std::vector<Bond> chain;
    for (int i = 1; i < 30; ++i) chain.push_back({i, i + 1, 1});
    for (int k = 31; k <= 33; ++k) chain.push_back({30, k, 1});
    Build(q, std::vector<int>(33, 6), chain);
    std::array<uint8_t, MaxAtoms> f{};
    f[0] = 1;
    for (bool bonds : {false, true}) {
        EXPECT_FALSE(cage.SearchSubStruc(q, f, bonds));
        EXPECT_TRUE(cage.GetSearchAborted());
        EXPECT_TRUE(Flagged(f).empty());
    }
    // The plain 30-carbon chain is found (the cage has paths through all its
    // atoms), without reaching the limit.
    chain.resize(29);
    Build(q, std::vector<int>(30, 6), chain);
    EXPECT_TRUE(cage.SearchSubStruc(q, f, false));
    EXPECT_FALSE(cage.GetSearchAborted());
    EXPECT_EQ(Flagged(f).size(), 30u);
}

TEST(CTabSearch, AtomTemplate)
{
    TCTab t;
    // Acetic acid: C1 C2(=O3) O4.
    Build(t, {6, 6, 8, 8}, {{1, 2, 1}, {2, 3, 2}, {2, 4, 1}});
    AtListType l;
    std::array<uint8_t, MaxConn> none{};
    EXPECT_EQ(t.MatchAtomTemplate(6, 0, none, l), 2);
    EXPECT_EQ(std::vector<int>(l.Atoms.begin(), l.Atoms.begin() + l.Count), (std::vector<int>{1, 2}));
    EXPECT_EQ(t.MatchAtomTemplate(-6, 0, none, l), 2);
    EXPECT_EQ(l.Atoms[0], 3);
    EXPECT_EQ(t.MatchAtomTemplate(0, 1, none, l), 3);
    EXPECT_EQ(t.MatchAtomTemplate(0, -1, none, l), 1);
    EXPECT_EQ(l.Atoms[0], 2);
    std::array<uint8_t, MaxConn> dbl{2};
    EXPECT_EQ(t.MatchAtomTemplate(0, 0, dbl, l), 2); // C2 and O3
    // Each required single bond needs a bond of its own.
    std::array<uint8_t, MaxConn> twoSingle{1, 0, 1};
    EXPECT_EQ(t.MatchAtomTemplate(0, 0, twoSingle, l), 1);
    EXPECT_EQ(l.Atoms[0], 2);
    std::array<uint8_t, MaxConn> threeSingle{1, 1, 1};
    EXPECT_EQ(t.MatchAtomTemplate(0, 0, threeSingle, l), 0);
}

} // namespace

namespace {

// Whether Query maps into S by trying every injective assignment: the
// reference for the search on small random structures.
bool BruteForceContains(const PYX_cstruct::TCTab& S, const PYX_cstruct::TCTab& Q, bool bonds)
{
    const int nq = Q.GetNumAtoms(), ns = S.GetNumAtoms();
    std::vector<int> map(static_cast<std::size_t>(nq + 1), 0);
    std::vector<bool> used(static_cast<std::size_t>(ns + 1), false);
    auto rec = [&](auto& self, int q) -> bool {
        if (q > nq) {
            for (int a = 1; a <= nq; ++a)
                for (int k = 1; k <= Q.GetNBonds(a); ++k) {
                    const int t = S.CheckConnect(map[a], map[Q.GetConnTo(a, k)]);
                    if (t == 0 || (bonds && t != Q.GetTypConn(a, k))) return false;
                }
            return true;
        }
        for (int s = 1; s <= ns; ++s) {
            if (used[s] || S.GetAtNum(s) != Q.GetAtNum(q) || S.GetNBonds(s) < Q.GetNBonds(q)) continue;
            used[s] = true;
            map[q] = s;
            if (self(self, q + 1)) return true;
            used[s] = false;
        }
        return false;
    };
    return nq > 0 && rec(rec, 1);
}

void RandomStructure(PYX_cstruct::TCTab& t, std::mt19937& rng, int atoms, int extraBonds)
{
    const int elements[] = {6, 6, 6, 7, 8};
    std::vector<int> z;
    for (int i = 0; i < atoms; ++i) z.push_back(elements[rng() % 5]);
    std::vector<Bond> bonds;
    // A random tree (sometimes a forest), then extra bonds that close rings.
    for (int i = 2; i <= atoms; ++i)
        if (rng() % 8 != 0) bonds.push_back({i, static_cast<int>(1 + rng() % (i - 1)), static_cast<int>(1 + rng() % 2)});
    for (int e = 0; e < extraBonds; ++e) {
        const int a = static_cast<int>(1 + rng() % atoms), b = static_cast<int>(1 + rng() % atoms);
        if (a != b) bonds.push_back({a, b, static_cast<int>(1 + rng() % 2)});
    }
    t.Clear();
    for (int e : z) {
        PYX_cstruct::CTElem r;
        r.AtNum = static_cast<uint8_t>(e);
        t.AddAtom(r);
    }
    for (const Bond& b : bonds) t.MakeConnection(b.a, b.b, b.t);
}

TEST(CTabSearch, AgreesWithExhaustiveMatching)
{
    std::mt19937 rng(20261211);
    int hits = 0, misses = 0;
    for (int round = 0; round < 1500; ++round) {
        PYX_cstruct::TCTab s, q;
        RandomStructure(s, rng, 5 + static_cast<int>(rng() % 5), static_cast<int>(rng() % 4));
        RandomStructure(q, rng, 2 + static_cast<int>(rng() % 4), static_cast<int>(rng() % 2));
        for (bool bonds : {false, true}) {
            std::array<uint8_t, PYX_cstruct::MaxAtoms> f{};
            const bool found = s.SearchSubStruc(q, f, bonds);
            ASSERT_EQ(found, BruteForceContains(s, q, bonds)) << "round " << round << " bonds " << bonds;
            (found ? hits : misses)++;
            int flagged = 0;
            for (uint8_t x : f) flagged += x;
            EXPECT_EQ(flagged, found ? q.GetNumAtoms() : 0);
        }
    }
    // Both outcomes occur often enough for the comparison to mean something.
    EXPECT_GT(hits, 200);
    EXPECT_GT(misses, 200);
}

} // namespace
