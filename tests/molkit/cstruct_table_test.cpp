// Connection table: accessors, hydrogen counts, formulas, editing, joining
// and geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "molkit/PYX_cstruct.h"

using namespace PYX_cstruct;

namespace {

struct Bond {
    int a, b, t;
};

// A table from atomic numbers (optionally with charges) and bonds.
void Build(TCTab& t, std::vector<int> z, std::vector<Bond> bonds, std::vector<std::pair<int, int>> charges = {})
{
    t.Clear();
    for (int e : z) {
        CTElem r;
        r.AtNum = static_cast<uint8_t>(e);
        ASSERT_TRUE(t.AddAtom(r));
    }
    for (const Bond& b : bonds) ASSERT_TRUE(t.MakeConnection(b.a, b.b, b.t));
    for (auto [a, c] : charges) t.SetCharge(a, c);
}

using Entry = std::tuple<int, int, int>;

std::vector<Entry> Formula(const TCTab& t)
{
    PYX_cform::TFormulaRec r;
    EXPECT_TRUE(t.CalcMolecularFormula(r));
    std::vector<Entry> v;
    for (int i = 0; i < r.NumAtoms; ++i) v.emplace_back(r.AtNum[i], r.AtWgt[i], r.AtCnt[i]);
    return v;
}

std::vector<int> Neighbours(const TCTab& t, int a)
{
    std::vector<int> v;
    for (int k = 1; k <= t.GetNBonds(a); ++k) v.push_back(t.GetConnTo(a, k));
    return v;
}

// Every bond is listed at both ends with the same type.
void ExpectSymmetric(const TCTab& t)
{
    for (int a = 1; a <= t.GetNumAtoms(); ++a)
        for (int k = 1; k <= t.GetNBonds(a); ++k) {
            const int b = t.GetConnTo(a, k);
            ASSERT_GE(b, 1);
            ASSERT_LE(b, t.GetNumAtoms());
            EXPECT_EQ(t.CheckConnect(b, a), t.GetTypConn(a, k)) << a << "-" << b;
        }
}

TEST(CTabHydrogens, CountsFollowValenceAndCharge)
{
    struct Case {
        const char* name;
        std::vector<int> z;
        std::vector<Bond> bonds;
        std::vector<std::pair<int, int>> charges;
        int atom;
        int expected;
    };
    const std::vector<Case> cases = {
        {"methane", {6}, {}, {}, 1, 4},
        {"methane with two explicit H", {6, 1, 1}, {{1, 2, 1}, {1, 3, 1}}, {}, 1, 4},
        {"ammonium", {7}, {}, {{1, 1}}, 1, 4},
        {"hydroxide", {8}, {}, {{1, -1}}, 1, 1},
        {"sodium", {11}, {}, {}, 1, 0},
        {"chloride without charge", {17}, {}, {}, 1, 1},
        {"trimethylammonium N", {7, 6, 6, 6}, {{1, 2, 1}, {1, 3, 1}, {1, 4, 1}}, {{1, 1}}, 1, 1},
        {"tetramethylammonium N", {7, 6, 6, 6, 6}, {{1, 2, 1}, {1, 3, 1}, {1, 4, 1}, {1, 5, 1}}, {{1, 1}}, 1, 0},
        {"methyl cation", {6}, {}, {{1, 1}}, 1, 3},
        {"methyl anion", {6}, {}, {{1, -1}}, 1, 3},
        {"borohydride", {5}, {}, {{1, -1}}, 1, 4},
        {"oxonium R2OH+", {8, 6, 6}, {{1, 2, 1}, {1, 3, 1}}, {{1, 1}}, 1, 1},
        {"nitrogen dianion with two bonds", {7, 6, 6}, {{1, 2, 1}, {1, 3, 1}}, {{1, -2}}, 1, 0},
        {"hydrogen atom", {1}, {}, {}, 1, 0},
        {"HCN nitrogen", {6, 7}, {{1, 2, 3}}, {}, 2, 0},
        {"HCN carbon", {6, 7}, {{1, 2, 3}}, {}, 1, 1},
        {"isocyanide nitrogen", {6, 7, 6}, {{1, 2, 1}, {2, 3, 3}}, {}, 2, -1},
        {"phosphorus with four bonds", {15, 8, 6, 6}, {{1, 2, 2}, {1, 3, 1}, {1, 4, 1}}, {}, 1, 1},
        {"phosphonium", {15, 6, 6, 6, 6}, {{1, 2, 1}, {1, 3, 1}, {1, 4, 1}, {1, 5, 1}}, {{1, 1}}, 1, 0},
        {"out of range atom", {6}, {}, {}, 2, 0},
    };
    TCTab t;
    for (const Case& c : cases) {
        Build(t, c.z, c.bonds, c.charges);
        EXPECT_EQ(t.NrHAtoms(c.atom), c.expected) << c.name;
    }
}

TEST(CTabHydrogens, AromaticRing)
{
    TCTab t;
    Build(t, {6, 6, 6, 6, 6, 6}, {{1, 2, 4}, {2, 3, 4}, {3, 4, 4}, {4, 5, 4}, {5, 6, 4}, {6, 1, 4}});
    for (int a = 1; a <= 6; ++a) EXPECT_EQ(t.NrHAtoms(a), 1);
    EXPECT_EQ(Formula(t), (std::vector<Entry>{{6, 12, 6}, {1, 1, 6}}));
    EXPECT_NEAR(double(t.CalcChemMolWeight()), 78.11, 0.02);
}

TEST(CTabFormula, OrderAndSpecialHydrogens)
{
    TCTab t;
    // Na 1, O 2, C 3 with Na-O and O-C: C, H, O, then the others.
    Build(t, {11, 8, 6}, {{1, 2, 1}, {2, 3, 1}});
    EXPECT_EQ(Formula(t), (std::vector<Entry>{{6, 12, 1}, {1, 1, 3}, {8, 16, 1}, {11, 23, 1}}));
    // Methane with two explicit hydrogens: C1 H4.
    Build(t, {6, 1, 1}, {{1, 2, 1}, {1, 3, 1}});
    EXPECT_EQ(t.CalcMissingH(), 4);
    EXPECT_EQ(Formula(t), (std::vector<Entry>{{6, 12, 1}, {1, 1, 4}}));
    // Trimethylammonium: C3 H10 N.
    Build(t, {7, 6, 6, 6}, {{1, 2, 1}, {1, 3, 1}, {1, 4, 1}}, {{1, 1}});
    EXPECT_EQ(Formula(t), (std::vector<Entry>{{6, 12, 3}, {1, 1, 10}, {7, 14, 1}}));
    // H2 has two hydrogens; a bare hydrogen atom has one.
    Build(t, {1, 1}, {{1, 2, 1}});
    EXPECT_EQ(Formula(t), (std::vector<Entry>{{1, 1, 2}}));
    EXPECT_NEAR(double(t.CalcChemMolWeight()), 2.016, 0.01);
    // CH3D: the deuterium gets its own entry.
    Build(t, {6, 1}, {{1, 2, 1}});
    t.SetAtWeight(2, 2);
    EXPECT_EQ(Formula(t), (std::vector<Entry>{{6, 12, 1}, {1, 1, 3}, {1, 2, 1}}));
    // Methyl isocyanide C2H3N, HCN CHN.
    Build(t, {6, 7, 6}, {{1, 2, 1}, {2, 3, 3}});
    EXPECT_EQ(Formula(t), (std::vector<Entry>{{6, 12, 2}, {1, 1, 3}, {7, 14, 1}}));
    Build(t, {6, 7}, {{1, 2, 3}});
    EXPECT_EQ(Formula(t), (std::vector<Entry>{{6, 12, 1}, {1, 1, 1}, {7, 14, 1}}));
    // Empty structure: no entries.
    t.Clear();
    EXPECT_TRUE(Formula(t).empty());
}

TEST(CTabFormula, Failures)
{
    TCTab t;
    PYX_cform::TFormulaRec r;
    r.NumAtoms = 7;
    // A query atom (atomic number 0) has no place in a formula.
    Build(t, {6, 6}, {{1, 2, 1}});
    CTElem q;
    ASSERT_TRUE(t.AddAtom(q));
    EXPECT_FALSE(t.CalcMolecularFormula(r));
    EXPECT_EQ(r.NumAtoms, 7);
    // 21 different elements (none of them taking hydrogens) need more
    // entries than a formula holds.
    std::vector<int> z;
    for (int e = 20; e <= 31; ++e) z.push_back(e);
    for (int e = 36; e <= 44; ++e) z.push_back(e);
    Build(t, z, {});
    EXPECT_FALSE(t.CalcMolecularFormula(r));
    EXPECT_EQ(r.NumAtoms, 7);
    z.pop_back();
    Build(t, z, {});
    EXPECT_TRUE(t.CalcMolecularFormula(r));
    EXPECT_EQ(r.NumAtoms, 20);
}

TEST(CTabAccess, RangesAreChecked)
{
    TCTab t;
    int changes = 0;
    t.OnChange = [&](vcl::TObject* s) {
        EXPECT_EQ(s, &t);
        ++changes;
    };
    Build(t, {6, 8}, {{1, 2, 2}});
    changes = 0;
    // Out-of-range atoms, slots, axes and values are ignored without OnChange.
    t.SetAtNum(0, 6);
    t.SetAtNum(3, 6);
    t.SetAtNum(1, 0);
    t.SetAtNum(1, 104);
    t.SetCharge(1, 128);
    t.SetAtWeight(1, -1);
    t.SetConnTo(1, 0, 2);
    t.SetConnTo(1, 11, 2);
    t.SetConnTo(1, 2, 64);
    t.SetConnTo(1, 2, 1);
    t.SetTypConn(1, 11, 1);
    t.SetCoords(1, 0, 5.0f);
    t.SetCoords(1, 4, 5.0f);
    t.SetCoords(-5, 1, 5.0f);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(t.GetAtNum(1), 6);
    EXPECT_EQ(t.GetConnTo(1, 11), 0);
    EXPECT_EQ(t.GetConnTo(1, 0), 0);
    EXPECT_EQ(t.GetCoords(1, 4), 0.0f);
    EXPECT_EQ(t.GetAtNum(99), 0);
    EXPECT_EQ(t.GetAtomEntries(3), CTElem{});
    EXPECT_EQ(t.GetNBonds(64), 0);
    // Valid writes fire OnChange.
    t.SetAtNum(1, 7);
    t.SetCharge(1, -1);
    t.SetAtWeight(1, 257);
    t.SetCoords(2, 3, 1.5f);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(t.GetAtWeight(1), 257);
    EXPECT_EQ(t.GetCoords(2, 3), 1.5f);
    // A record with neighbours beyond the table or to itself loses those slots.
    CTElem r;
    r.AtNum = 6;
    r.Conn = {200, 1, 2, 64};
    r.TypConn = {1, 1, 2, 1};
    t.SetAtomEntries(1, r);
    EXPECT_EQ(Neighbours(t, 1), std::vector<int>{2});
    EXPECT_EQ(t.GetTypConn(1, 1), 2);
}

TEST(CTabEdit, AddAtomLimitAndOneSidedBonds)
{
    TCTab t;
    CTElem r;
    r.AtNum = 6;
    for (int i = 0; i < MaxAtoms; ++i) ASSERT_TRUE(t.AddAtom(r));
    EXPECT_FALSE(t.AddAtom(r));
    EXPECT_EQ(t.GetNumAtoms(), MaxAtoms);
    // AddAtom enters bonds at the new atom only.
    Build(t, {6}, {});
    CTElem n;
    n.AtNum = 8;
    n.Conn[0] = 1;
    n.TypConn[0] = 2;
    n.Display = 5;
    ASSERT_TRUE(t.AddAtom(n));
    EXPECT_EQ(t.CheckConnect(2, 1), 2);
    EXPECT_EQ(t.CheckConnect(1, 2), 0);
    EXPECT_EQ(t.GetAtomEntries(2).Display, DisplayNoColor);
    t.MakeSymmetricConnections();
    EXPECT_EQ(t.CheckConnect(1, 2), 2);
    CTElem bad;
    bad.AtNum = 104;
    EXPECT_FALSE(t.AddAtom(bad));
}

TEST(CTabEdit, MakeConnection)
{
    TCTab t;
    Build(t, {6, 6, 6}, {});
    EXPECT_FALSE(t.MakeConnection(1, 2, 0)); // not bonded
    EXPECT_FALSE(t.MakeConnection(1, 1, 1)); // self-bond
    EXPECT_FALSE(t.MakeConnection(1, 4, 1)); // beyond NumAtoms
    EXPECT_FALSE(t.MakeConnection(0, 1, 1));
    EXPECT_TRUE(t.MakeConnection(1, 2, 1));
    EXPECT_TRUE(t.MakeConnection(1, 3, 1));
    EXPECT_TRUE(t.MakeConnection(1, 2, 2)); // changes the type in place
    EXPECT_EQ(Neighbours(t, 1), (std::vector<int>{2, 3}));
    EXPECT_EQ(t.CheckConnect(2, 1), 2);
    EXPECT_TRUE(t.MakeConnection(2, 1, 0));
    EXPECT_EQ(Neighbours(t, 1), std::vector<int>{3});
    EXPECT_EQ(t.GetTypConn(1, 1), 1);
    EXPECT_EQ(t.GetTypConn(1, 2), 0);
    EXPECT_TRUE(Neighbours(t, 2).empty());
    // A full list refuses the bond at both ends.
    std::vector<int> z(12, 6);
    std::vector<Bond> star;
    for (int b = 2; b <= 11; ++b) star.push_back({1, b, 1});
    Build(t, z, star);
    EXPECT_FALSE(t.MakeConnection(1, 12, 1));
    EXPECT_TRUE(Neighbours(t, 12).empty());
    t.EnterConn(1, 12, 1); // an eleventh neighbour is ignored
    EXPECT_EQ(t.GetNBonds(1), MaxConn);
    t.EnterConn(1, 64, 1);
    t.EnterConn(64, 1, 1);
    t.EnterConn(2, 2, 1);
    EXPECT_TRUE(Neighbours(t, 2) == std::vector<int>{1});
    int a = 0;
    EXPECT_EQ(t.MaxNBonds(a), MaxConn);
    EXPECT_EQ(a, 1);
    ExpectSymmetric(t);
}

TEST(CTabEdit, DeleteAtom)
{
    TCTab t;
    // C1=O2-C3: deleting O joins the carbons with a single bond at both ends.
    Build(t, {6, 8, 6}, {{1, 2, 2}, {2, 3, 1}});
    t.DeleteAtom(2);
    ASSERT_EQ(t.GetNumAtoms(), 2);
    EXPECT_EQ(t.GetAtNum(2), 6);
    EXPECT_EQ(t.CheckConnect(1, 2), 1);
    EXPECT_EQ(t.CheckConnect(2, 1), 1);
    EXPECT_EQ(t.GetAtomEntries(3), CTElem{});
    // Deleting atom 1 of a chain moves atom 3 into number 1 with coordinates,
    // bonds and display word.
    Build(t, {8, 6, 7}, {{1, 2, 1}, {2, 3, 2}});
    t.SetCoords(3, 1, 7.0f);
    t.SetCoords(3, 2, 8.0f);
    CTElem r = t.GetAtomEntries(3);
    r.Display = 0x123;
    t.SetAtomEntries(3, r);
    t.DeleteAtom(1);
    ASSERT_EQ(t.GetNumAtoms(), 2);
    EXPECT_EQ(t.GetAtNum(1), 7);
    EXPECT_EQ(t.GetCoords(1, 1), 7.0f);
    EXPECT_EQ(t.GetCoords(1, 2), 8.0f);
    EXPECT_EQ(t.GetAtomEntries(1).Display, 0x123u);
    EXPECT_EQ(t.CheckConnect(1, 2), 2);
    EXPECT_EQ(Neighbours(t, 2), std::vector<int>{1});
    // Deleting the centre of a ring of four leaves a ring of three without
    // duplicate bonds; out-of-range numbers do nothing.
    Build(t, {6, 6, 6, 6}, {{1, 2, 1}, {2, 3, 1}, {3, 4, 1}, {4, 1, 1}, {1, 3, 1}});
    t.DeleteAtom(0);
    t.DeleteAtom(5);
    EXPECT_EQ(t.GetNumAtoms(), 4);
    t.DeleteAtom(2);
    EXPECT_EQ(t.GetNumAtoms(), 3);
    for (int a = 1; a <= 3; ++a) EXPECT_EQ(t.GetNBonds(a), 2);
    ExpectSymmetric(t);
    // A neighbour with a full list is not joined, so the table stays symmetric.
    std::vector<int> z(13, 6);
    std::vector<Bond> bonds{{13, 1, 1}, {13, 11, 1}, {13, 12, 1}};
    for (int b = 2; b <= 10; ++b) bonds.push_back({1, b, 1});
    Build(t, z, bonds);
    ASSERT_EQ(t.GetNBonds(1), 10);
    t.DeleteAtom(13);
    ExpectSymmetric(t);
    EXPECT_EQ(t.CheckConnect(1, 11), 1);
    EXPECT_EQ(t.CheckConnect(1, 12), 0);
    EXPECT_EQ(t.CheckConnect(11, 12), 1);
}

TEST(CTabEdit, RemoveHydrogenCopyAndClear)
{
    TCTab t;
    Build(t, {1, 6, 1, 1, 8, 1}, {{1, 2, 1}, {2, 3, 1}, {2, 4, 1}, {2, 5, 1}, {5, 6, 1}});
    t.RemoveHydrogen();
    ASSERT_EQ(t.GetNumAtoms(), 2);
    EXPECT_EQ(t.AtomCount(1), 0);
    EXPECT_EQ(t.CheckConnect(1, 2) + t.CheckConnect(2, 1), 2);
    ExpectSymmetric(t);

    TCTab u;
    CTElem r = t.GetAtomEntries(1);
    r.Display = 7;
    t.SetAtomEntries(1, r);
    t.SetStrucName("Methanol");
    t.SetCASNr("67-56-1");
    int changes = 0;
    u.OnChange = [&](vcl::TObject*) { ++changes; };
    u.CopyFrom(t);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(u.GetNumAtoms(), 2);
    EXPECT_EQ(u.GetStrucName(), "Methanol");
    EXPECT_EQ(u.GetCASNr(), "67-56-1");
    EXPECT_EQ(u.GetAtomEntries(1).Display, DisplayNoColor); // display words are not copied
    u.CopyFrom(u);
    EXPECT_EQ(u.GetNumAtoms(), 2);
    u.Clear();
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(u.GetNumAtoms(), 0);
    EXPECT_EQ(u.GetCASNrValue(), 0);
    EXPECT_EQ(u.GetStrucName(), "");
}

TEST(CTabEdit, CASNumberText)
{
    TCTab t;
    int changes = 0;
    t.OnChange = [&](vcl::TObject*) { ++changes; };
    t.SetCASNr(" 50-00-0 ");
    EXPECT_EQ(t.GetCASNrValue(), 50000);
    for (const char* bad : {"50-00-1", "5000-0", "50-000-0", "50-00-00", "-50-00-0", "ab-cd-e", "", "50--0-0"}) {
        t.SetCASNr(bad);
        EXPECT_EQ(t.GetCASNrValue(), 50000) << bad;
    }
    EXPECT_EQ(changes, 9);
    // Registry numbers beyond 32 bits.
    t.SetCASNr("2628280-40-8");
    EXPECT_EQ(t.GetCASNrValue(), 2628280408LL);
    EXPECT_EQ(t.GetCASNr(), "2628280-40-8");
}

TEST(CTabEdit, JoinAndLinkFragments)
{
    // Benzene with a flag on atom 1, a methyl fragment whose flagged atom 1
    // stands for the attachment point.
    TCTab base;
    Build(base, {6, 6, 6, 6, 6, 6}, {{1, 2, 4}, {2, 3, 4}, {3, 4, 4}, {4, 5, 4}, {5, 6, 4}, {6, 1, 4}});
    base.SetAtFlag(1, 9);
    TCTab frag;
    Build(frag, {6, 8}, {{1, 2, 1}});
    frag.SetAtFlag(1, 9);
    TCTab t;
    t.CopyFrom(base);
    ASSERT_TRUE(t.JoinFragment(frag));
    EXPECT_EQ(t.GetNumAtoms(), 7);
    EXPECT_EQ(t.GetAtNum(7), 8);
    EXPECT_EQ(t.CheckConnect(1, 7), 1);
    EXPECT_EQ(t.CheckConnect(7, 1), 1);
    ExpectSymmetric(t);
    EXPECT_EQ(frag.GetNumAtoms(), 2); // the fragment is unchanged

    // A flag without partner: the atom is appended.
    frag.SetAtFlag(1, 3);
    t.CopyFrom(base);
    ASSERT_TRUE(t.JoinFragment(frag));
    EXPECT_EQ(t.GetNumAtoms(), 8);
    ExpectSymmetric(t);

    // Link: the fragment is appended and bonded at equal flags.
    frag.SetAtFlag(1, 9);
    t.CopyFrom(base);
    ASSERT_TRUE(t.LinkFragment(frag));
    EXPECT_EQ(t.GetNumAtoms(), 8);
    EXPECT_EQ(t.CheckConnect(1, 7), 1);
    EXPECT_EQ(t.CheckConnect(7, 8), 1);
    ExpectSymmetric(t);
    // Linking a table to itself doubles it.
    TCTab s;
    s.CopyFrom(base);
    ASSERT_TRUE(s.LinkFragment(s));
    EXPECT_EQ(s.GetNumAtoms(), 12);
    EXPECT_EQ(s.CheckConnect(1, 7), 1);
    ExpectSymmetric(s);

    // Results beyond 63 atoms are refused whole.
    TCTab big;
    std::vector<int> z(60, 6);
    Build(big, z, {});
    big.SetAtFlag(1, 9);
    TCTab four;
    Build(four, {6, 6, 6, 6}, {{1, 2, 1}, {2, 3, 1}, {3, 4, 1}});
    EXPECT_FALSE(big.LinkFragment(four));
    EXPECT_EQ(big.GetNumAtoms(), 60);
    EXPECT_FALSE(big.JoinFragment(four));
    EXPECT_EQ(big.GetNumAtoms(), 60);
    // A bond to an atom whose list is full refuses the whole join or link.
    TCTab star;
    std::vector<Bond> spokes;
    for (int b = 2; b <= 11; ++b) spokes.push_back({1, b, 1});
    Build(star, std::vector<int>(11, 6), spokes);
    star.SetAtFlag(1, 9);
    TCTab before;
    before.CopyFrom(star);
    TCTab pair;
    Build(pair, {6, 8}, {{1, 2, 1}});
    pair.SetAtFlag(1, 9);
    EXPECT_FALSE(star.JoinFragment(pair));
    EXPECT_EQ(star.CompareWith(before), 0);
    EXPECT_FALSE(star.LinkFragment(pair));
    EXPECT_EQ(star.CompareWith(before), 0);
    EXPECT_EQ(star.GetAtomEntries(12), CTElem{});

    four.SetAtFlag(1, 9);
    EXPECT_TRUE(big.JoinFragment(four));
    EXPECT_EQ(big.GetNumAtoms(), 63);
    ExpectSymmetric(big);
}

TEST(CTabGeometry, ExtentsCentreAndSearch)
{
    TCTab t;
    double x0, y0, x1, y1, mx, my;
    EXPECT_EQ(t.CalcMolExtents(x0, y0, x1, y1, mx, my), 0.0);
    Build(t, {6}, {});
    EXPECT_EQ(t.CalcMolExtents(x0, y0, x1, y1, mx, my), 0.0);
    EXPECT_EQ(std::make_tuple(x0, y0, x1, y1, mx, my), std::make_tuple(1.0, 1.0, 10000.0, 7000.0, 5000.0, 3500.0));

    Build(t, {6, 6, 6}, {{1, 2, 1}, {2, 3, 1}});
    const float xy[3][2] = {{-30, -40}, {0, 0}, {30, -40}};
    for (int a = 1; a <= 3; ++a) {
        t.SetCoords(a, 1, xy[a - 1][0]);
        t.SetCoords(a, 2, xy[a - 1][1]);
    }
    t.SetCoords(3, 3, 12.0f);
    EXPECT_DOUBLE_EQ(t.CalcMolExtents(x0, y0, x1, y1, mx, my), 50.0);
    EXPECT_EQ(std::make_tuple(x0, y0, x1, y1), std::make_tuple(-30.0, -40.0, 30.0, 0.0));
    EXPECT_DOUBLE_EQ(my, -80.0 / 3);
    double cx, cy, cz;
    t.CalcMolCenter(cx, cy, cz);
    EXPECT_DOUBLE_EQ(cx, 0.0);
    EXPECT_DOUBLE_EQ(cz, 4.0);

    int a;
    double d;
    t.FindClosestAtom(15, -20, 0, a, d);
    EXPECT_EQ(a, 2);
    EXPECT_DOUBLE_EQ(d, 25.0);
    t.FindClosestAtom(0, -40, 0, a, d); // atom 3 lies farther off in z
    EXPECT_EQ(a, 1);
    EXPECT_EQ(t.FindAtomInBox(0, -40, 6, 30, 1, 6), 3);
    EXPECT_EQ(t.FindAtomInBox(0, -40, 0, 30, 1, 1), 1);
    EXPECT_EQ(t.FindAtomInBox(100, 100, 0, 1, 1, 1), -1);
    TCTab e;
    e.FindClosestAtom(0, 0, 0, a, d);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(d, std::numeric_limits<double>::max());
    EXPECT_EQ(e.FindAtomInBox(0, 0, 0, 1, 1, 1), -1);

    EXPECT_TRUE(t.GetCoordsPresent());
    int changes = 0;
    t.OnChange = [&](vcl::TObject*) { ++changes; };
    t.SetCoordsPresent(true);
    EXPECT_EQ(changes, 0);
    t.SetCoordsPresent(false);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(t.GetCoordsPresent());
}

TEST(CTabGeometry, RotateWithPCAKeepsShapeAndHandedness)
{
    // An L-shaped chain along a diagonal: after rotation the long axis lies
    // along x and the chirality of the drawing is kept (no mirror image).
    TCTab t;
    Build(t, {6, 6, 6, 6, 6}, {{1, 2, 1}, {2, 3, 1}, {3, 4, 1}, {4, 5, 1}});
    const float xy[5][2] = {{0, 0}, {100, 100}, {200, 200}, {300, 300}, {260, 380}};
    for (int a = 1; a <= 5; ++a) {
        t.SetCoords(a, 1, xy[a - 1][0]);
        t.SetCoords(a, 2, xy[a - 1][1]);
    }
    auto cross = [&](int a, int b, int c) {
        const double ux = t.GetCoords(b, 1) - t.GetCoords(a, 1), uy = t.GetCoords(b, 2) - t.GetCoords(a, 2);
        const double vx = t.GetCoords(c, 1) - t.GetCoords(b, 1), vy = t.GetCoords(c, 2) - t.GetCoords(b, 2);
        return ux * vy - uy * vx;
    };
    auto dist = [&](int a, int b) {
        return std::hypot(t.GetCoords(a, 1) - t.GetCoords(b, 1), t.GetCoords(a, 2) - t.GetCoords(b, 2));
    };
    const double turn = cross(3, 4, 5);
    const double d15 = dist(1, 5);
    t.RotateWithPCA();
    EXPECT_GT(turn * cross(3, 4, 5), 0);
    EXPECT_NEAR(dist(1, 5), d15, 2.0);
    for (int a = 1; a <= 5; ++a) {
        EXPECT_EQ(t.GetCoords(a, 1), std::nearbyint(t.GetCoords(a, 1)));
        EXPECT_EQ(t.GetCoords(a, 3), 0.0f);
    }
    // The long axis is now x: the x spread exceeds the y spread.
    double x0, y0, x1, y1, mx, my;
    t.CalcMolExtents(x0, y0, x1, y1, mx, my);
    EXPECT_GT(x1 - x0, 3 * (y1 - y0));
    // One atom: nothing to do.
    Build(t, {6}, {});
    t.SetCoords(1, 1, 5.5f);
    t.RotateWithPCA();
    EXPECT_EQ(t.GetCoords(1, 1), 5.5f);
}

} // namespace
