// Molecular formulas: parsing, text, weights, comparison and the search by mass.
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "molkit/PYX_CData.h"
#include "molkit/PYX_cform.h"

using namespace PYX_cform;

namespace {

using Entry = std::tuple<int, int, int>; // atomic number, mass number, count

std::vector<Entry> Entries(const TMolFormModel& f)
{
    std::vector<Entry> v;
    for (int i = 1; i <= f.GetNumAtoms(); ++i) v.emplace_back(f.GetAtNum(i), f.GetAtWgt(i), f.GetAtCnt(i));
    return v;
}

TMolFormModel Formula(const std::string& text)
{
    TMolFormModel f;
    f.SetMolFormula(text);
    return f;
}

TFormulaRec Rec(std::vector<Entry> entries)
{
    TFormulaRec r;
    r.NumAtoms = static_cast<int32_t>(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        r.AtNum[i] = static_cast<uint8_t>(std::get<0>(entries[i]));
        r.AtWgt[i] = static_cast<uint16_t>(std::get<1>(entries[i]));
        r.AtCnt[i] = static_cast<uint16_t>(std::get<2>(entries[i]));
    }
    return r;
}

// Counts the model hands out call after call until the search reports none.
std::vector<std::vector<int>> AllHits(TMolFormModel& f, bool nominal, bool check, std::size_t limit = 100000)
{
    std::vector<std::vector<int>> hits;
    while (hits.size() < limit && f.FindFormulaIntern(nominal, check)) {
        std::vector<int> counts;
        for (int i = 1; i <= f.GetNumAtoms(); ++i) counts.push_back(f.GetAtCnt(i));
        hits.push_back(counts);
    }
    return hits;
}

} // namespace

TEST(MolFormModel, InitialStateIsWater)
{
    TMolFormModel f;
    EXPECT_EQ(Entries(f), (std::vector<Entry>{{1, 1, 2}, {8, 16, 1}}));
    EXPECT_EQ(f.GetFormulaText(), "H2O");
    EXPECT_EQ(f.GetMolFormula(), "1H2 16O ");
    EXPECT_EQ(f.AsString(0), "H2 O ");
    EXPECT_EQ(f.GetTolerance(), 0.05);
    EXPECT_EQ(f.GetTargetMass(), 0.0);
}

TEST(MolFormModel, Parsing)
{
    struct Case {
        const char* text;
        std::vector<Entry> entries;
        bool whole;
    };
    const Case cases[] = {
        {"C6 H12 O6", {{6, 12, 6}, {1, 1, 12}, {8, 16, 6}}, true},
        {"C6H12O6", {{6, 12, 6}, {1, 1, 12}, {8, 16, 6}}, true},
        {"c6h12o6", {{6, 12, 6}, {1, 1, 12}, {8, 16, 6}}, true},
        {"CH4", {}, false},
        {"C,H4", {{6, 12, 1}, {1, 1, 4}}, true},
        {"C.H4", {{6, 12, 1}, {1, 1, 4}}, true},
        {"C1H4", {{6, 12, 1}, {1, 1, 4}}, true},
        {"CO", {{27, 59, 1}}, true},
        {"HO", {{67, 165, 1}}, true},
        {"D2O", {{1, 2, 2}, {8, 16, 1}}, true},
        {"3D", {{1, 3, 1}}, true},
        {"13C6 H12 O6", {{6, 13, 6}, {1, 1, 12}, {8, 16, 6}}, true},
        {"13 C", {{6, 13, 1}}, true},
        {"2H2", {{1, 2, 2}}, true},
        {"C0", {{6, 12, 1}}, true},
        {"(C H3)2 C O", {{6, 12, 2}, {1, 1, 6}, {6, 12, 1}, {8, 16, 1}}, true},
        {"(C H3)3 N", {{6, 12, 3}, {1, 1, 9}, {7, 14, 1}}, true},
        {"(C H3) 2 N", {{6, 12, 2}, {1, 1, 6}, {7, 14, 1}}, true},
        {"C2 H5 O H", {{6, 12, 2}, {1, 1, 5}, {8, 16, 1}, {1, 1, 1}}, true},
        // A group without a number counts once.
        {"(C H3) N", {{6, 12, 1}, {1, 1, 3}, {7, 14, 1}}, true},
        // Blanks before a group do not end the formula.
        {"C O (C H3)2", {{6, 12, 1}, {8, 16, 1}, {6, 12, 2}, {1, 1, 6}}, true},
        {"N (C H3)3", {{7, 14, 1}, {6, 12, 3}, {1, 1, 9}}, true},
        {"H2 O ", {{1, 1, 2}, {8, 16, 1}}, true},
        {"", {}, true},
        {"   ", {}, true},
        {"Xx2 O", {}, false},
        {"O Xx2", {{8, 16, 1}}, false},
        {"Ca(OH)2", {{20, 40, 1}}, false},
        {"Ca(O H)2", {{20, 40, 1}, {8, 16, 2}, {1, 1, 2}}, true},
        // Wide mass numbers and counts.
        {"Fm", {{100, 257, 1}}, true},
        {"C300 H602", {{6, 12, 300}, {1, 1, 602}}, true},
        {"C9999", {{6, 12, 9999}}, true},
        {"C10000", {}, false},
        {"O C99999999999999999999", {{8, 16, 1}}, false},
        {"99999999999C", {}, false},
        {"(C H3)5000", {{6, 12, 5000}}, false},
        {"(C H3)0", {}, false},
        // A number standing alone after an isotope is not an element.
        {"13 5C", {}, false},
        {"C2 O1 H", {{6, 12, 2}, {8, 16, 1}, {1, 1, 1}}, true},
    };
    for (const Case& c : cases) {
        TMolFormModel f;
        f.SetMolFormula(c.text);
        EXPECT_EQ(Entries(f), c.entries) << c.text;
        EXPECT_EQ(f.GetLastParseOK(), c.whole) << c.text;
        EXPECT_EQ(f.GetFormulaText(), c.text);
    }
}

TEST(MolFormModel, MoreThanTwentyPartsStopAtTwenty)
{
    std::string text;
    for (int i = 0; i < 21; ++i) text += "C H ";
    TMolFormModel f;
    f.SetMolFormula(text);
    EXPECT_EQ(f.GetNumAtoms(), 20);
    EXPECT_FALSE(f.GetLastParseOK());
    EXPECT_EQ(f.GetAtNum(20), 1);
    EXPECT_FALSE(f.ReadFromString(text));
    EXPECT_EQ(f.GetNumAtoms(), 20);
}

TEST(MolFormModel, ScanMolFormulaAppends)
{
    TMolFormModel f = Formula("C2");
    EXPECT_TRUE(f.ScanMolFormula("H6"));
    EXPECT_EQ(Entries(f), (std::vector<Entry>{{6, 12, 2}, {1, 1, 6}}));
    EXPECT_EQ(f.GetFormulaText(), "C2");
}

TEST(MolFormModel, ReadFromStringHasNoGroups)
{
    TMolFormModel f;
    EXPECT_TRUE(f.ReadFromString("C2 H5 O H"));
    EXPECT_EQ(Entries(f), (std::vector<Entry>{{6, 12, 2}, {1, 1, 5}, {8, 16, 1}, {1, 1, 1}}));
    EXPECT_FALSE(f.ReadFromString("C2 (H3)"));
    EXPECT_EQ(Entries(f), (std::vector<Entry>{{6, 12, 2}}));
    EXPECT_TRUE(f.ReadFromString(""));
    EXPECT_EQ(f.GetNumAtoms(), 0);
}

TEST(MolFormModel, ScanNextFormPartPosition)
{
    int pos = 1, z = 0, m = 0, n = 0;
    const std::string t = "13C6 Cl(";
    ASSERT_TRUE(TMolFormModel::ScanNextFormPart(t, pos, z, m, n));
    EXPECT_EQ(std::make_tuple(z, m, n, pos), std::make_tuple(6, 13, 6, 5)); // ends on the blank
    ASSERT_TRUE(TMolFormModel::ScanNextFormPart(t, pos, z, m, n));
    EXPECT_EQ(std::make_tuple(z, m, n, pos), std::make_tuple(17, 35, 1, 8)); // ends on "("
    EXPECT_FALSE(TMolFormModel::ScanNextFormPart(t, pos, z, m, n));
    EXPECT_EQ(pos, 8);
    pos = 9;
    EXPECT_FALSE(TMolFormModel::ScanNextFormPart(t, pos, z, m, n));
    pos = 0;
    EXPECT_FALSE(TMolFormModel::ScanNextFormPart(t, pos, z, m, n));
}

TEST(MolFormModel, CountOneIsWrittenWhenMassNumbersPrecedeTheNextEntry)
{
    EXPECT_EQ(Formula("C O").GetMolFormula(), "12C1 16O ");
    EXPECT_EQ(Formula("C O").AsString(0), "C O ");
    EXPECT_EQ(Formula("H2 O").GetMolFormula(), "1H2 16O ");
    EXPECT_EQ(Formula("C O").AsString(2), "C O ");
}

TEST(MolFormModel, EntryText)
{
    struct Case {
        int z, m, n, mode;
        const char* text;
    };
    const Case cases[] = {{6, 13, 6, 1, "13C6"}, {6, 13, 6, 0, "C6"},  {1, 2, 2, 0, "D2"},  {1, 2, 2, 1, "2D2"},
                          {1, 3, 1, 1, "3H"},    {17, 35, 1, 0, "Cl"}, {6, 12, 0, 0, ""},   {0, 12, 1, 0, ""},
                          {104, 1, 1, 0, ""},    {100, 257, 300, 1, "257Fm300"}};
    for (const Case& c : cases) EXPECT_EQ(TMolFormModel::ChemElem(c.z, c.m, c.n, c.mode), c.text);
}

TEST(MolFormModel, TextReadsBackToTheSameEntries)
{
    for (const char* text : {"C6 H12 O6", "D2 O", "13C6 H12 O6", "(C H3)2 C O", "Fm C300 H602", "3H Cl", "C O", "13C Cl D"}) {
        const TMolFormModel f = Formula(text);
        for (int mode : {0, 1}) {
            const TMolFormModel g = Formula(f.AsString(mode));
            EXPECT_TRUE(g.GetLastParseOK()) << text;
            if (mode == 1) EXPECT_EQ(Entries(g), Entries(f)) << text;
            else EXPECT_EQ(g.AsString(0), f.AsString(0)) << text; // mass numbers are not written
        }
    }
}

// Weights of common molecules. The exact masses are published monoisotopic
// masses; the chemical weights are sums of the older standard atomic weights.
TEST(MolFormModel, WeightsOfCommonMolecules)
{
    struct Case {
        const char* text;
        double exact;
        double chem;
        int64_t nominal;
    };
    const double H = 1.00797, C = 12.01115, N = 14.0067, O = 15.9994, S = 32.064, Cl = 35.453, Na = 22.9898,
                 Br = 79.909, I = 126.9044, P = 30.9738;
    const Case cases[] = {
        {"H2 O", 18.010565, 2 * H + O, 18},
        {"C6 H12 O6", 180.063388, 6 * C + 12 * H + 6 * O, 180},
        {"C8 H10 N4 O2", 194.080376, 8 * C + 10 * H + 4 * N + 2 * O, 194},
        {"C6 H6", 78.046950, 6 * C + 6 * H, 78},
        {"Na Cl", 57.958622, Na + Cl, 58},
        {"C2 H6 O", 46.041865, 2 * C + 6 * H + O, 46},
        {"C H Cl3", 117.914383, C + H + 3 * Cl, 118},
        {"H2 S O4", 97.967380, 2 * H + S + 4 * O, 98},
        {"C9 H8 O4", 180.042259, 9 * C + 8 * H + 4 * O, 180},
        {"C6 H5 Br", 155.957462, 6 * C + 5 * H + Br, 156},
        {"C H3 I", 141.927947, C + 3 * H + I, 142},
        {"C18 H15 P", 262.091137, 18 * C + 15 * H + P, 262},
        // Labelled compounds weigh as the unlabelled ones; only the nominal
        // weight follows the mass numbers.
        {"C D Cl3", 117.914383, C + H + 3 * Cl, 119},
        {"13C6 H12 O6", 180.063388, 6 * C + 12 * H + 6 * O, 186},
        {"D2 O", 18.010565, 2 * H + O, 20},
        {"Tc O4", 96.905 + 4 * 15.994915, 4 * O, 161},
    };
    for (const Case& c : cases) {
        const TMolFormModel f = Formula(c.text);
        ASSERT_TRUE(f.GetLastParseOK()) << c.text;
        EXPECT_NEAR(static_cast<double>(f.ExactMolWgt()), c.exact, 1e-5) << c.text;
        EXPECT_NEAR(static_cast<double>(f.ChemMolWgt()), c.chem, 1e-9) << c.text;
        EXPECT_EQ(f.NominalMolWgt(), c.nominal) << c.text;
    }
    TMolFormModel empty;
    empty.Clear();
    EXPECT_EQ(empty.ExactMolWgt(), 0.0L);
    EXPECT_EQ(empty.NominalMolWgt(), 0);
}

TEST(MolFormModel, Comparison)
{
    struct Case {
        const char* a;
        const char* b;
        int result;
    };
    const Case cases[] = {
        {"C2 H6", "C2 H4", 1},         {"C2 H6", "C3 H8", 2},  {"C2 H6", "C3 H4", -1}, {"C2 H6", "", -2},
        {"", "C2 H6", -2},             {"(C H3)2 C O", "C3 H6 O", 0}, {"C3 H6 O", "O H6 C3", 0},
        {"D2 O", "H2 O", -1},          {"CH4", "C H4", -2}, {"13C,H4", "C,H4", -1},
        {"C2 H6 O", "C2 H6", 1},
    };
    for (const Case& c : cases) EXPECT_EQ(Formula(c.a).CompareTo(Formula(c.b)), c.result) << c.a << " / " << c.b;
}

TEST(MolFormModel, EntryAccessorsIgnoreBadArguments)
{
    TMolFormModel f = Formula("C6 H6");
    f.SetNumAtoms(0);
    f.SetNumAtoms(21);
    EXPECT_EQ(f.GetNumAtoms(), 2);
    f.SetAtNum(1, 0);
    f.SetAtNum(1, 104);
    f.SetAtNum(3, 7);
    f.SetAtCnt(0, 5);
    f.SetAtCnt(1, -1);
    f.SetAtCnt(1, 65536);
    f.SetAtWgt(3, 14);
    EXPECT_EQ(Entries(f), (std::vector<Entry>{{6, 12, 6}, {1, 1, 6}}));
    EXPECT_EQ(f.GetAtNum(0), 0);
    EXPECT_EQ(f.GetAtNum(3), 0);
    EXPECT_EQ(f.GetAtCnt(-1), 0);
    f.SetAtNum(2, 7);
    f.SetAtWgt(2, 15);
    f.SetAtCnt(2, 65535);
    EXPECT_EQ(Entries(f), (std::vector<Entry>{{6, 12, 6}, {7, 15, 65535}}));
    f.Clear();
    EXPECT_EQ(f.GetNumAtoms(), 0);
    EXPECT_EQ(f.GetFormulaText(), "");
    EXPECT_EQ(f.AsString(1), "");
    f.SetNumAtoms(1);
    EXPECT_EQ(Entries(f), (std::vector<Entry>{{0, 0, 0}}));
}

TEST(MolFormModel, RecordFormAndAssign)
{
    TMolFormModel f = Formula("13C6 H12 O6");
    const TFormulaRec r = f.AsFormulaRec();
    EXPECT_EQ(r.NumAtoms, 3);
    EXPECT_EQ(r.AtWgt[0], 13);
    TMolFormModel g;
    g.SetFromFormulaRec(r);
    EXPECT_EQ(Entries(g), Entries(f));
    EXPECT_EQ(g.GetFormulaText(), "H2O"); // the text is not rebuilt

    TMolFormModel h;
    h.Assign(&f);
    EXPECT_EQ(Entries(h), Entries(f));
    EXPECT_EQ(h.GetFormulaText(), "13C6 H12 O6");
    vcl::TPersistent other;
    EXPECT_THROW(h.Assign(&other), vcl::EConvertError);
}

TEST(MolFormSearch, NominalMass28)
{
    TMolFormModel f;
    ASSERT_TRUE(f.InitFindFormula(28, 0.05, Rec({{6, 12, 0}, {1, 1, 0}, {7, 14, 0}, {8, 16, 0}}),
                                  Rec({{6, 12, 2}, {1, 1, 4}, {7, 14, 2}, {8, 16, 1}})));
    for (bool pruning : {true, false}) {
        f.SetSearchPruning(pruning);
        const auto hits = AllHits(f, true, false);
        EXPECT_EQ(hits, (std::vector<std::vector<int>>{{2, 4, 0, 0}, {1, 2, 1, 0}, {1, 0, 0, 1}, {0, 0, 2, 0}}));
        EXPECT_EQ(f.AsString(0), "  N2  "); // the last find; entries with count 0 give no text
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(f.GetWorkingCount(i), f.GetSearchMax().AtCnt[i - 1]);
    }
}

TEST(MolFormSearch, NominalMass18WithAndWithoutCheck)
{
    TMolFormModel f;
    const TFormulaRec lo = Rec({{6, 12, 0}, {1, 1, 0}, {8, 16, 0}});
    const TFormulaRec hi = Rec({{6, 12, 1}, {1, 1, 6}, {8, 16, 1}});
    ASSERT_TRUE(f.InitFindFormula(18, 0.05, lo, hi));
    EXPECT_EQ(AllHits(f, true, true), (std::vector<std::vector<int>>{{0, 2, 1}}));
    ASSERT_TRUE(f.InitFindFormula(18, 0.05, lo, hi));
    EXPECT_EQ(AllHits(f, true, false), (std::vector<std::vector<int>>{{1, 6, 0}, {0, 2, 1}}));
}

// 180.0634 +/- 0.005 over C0-30 H0-60 N0-10 O0-15 S0-3: the pruned walk gives
// the same compositions in the same order as the plain one.
TEST(MolFormSearch, ExactMassPrunedEqualsPlainWalk)
{
    const TFormulaRec lo = Rec({{6, 12, 0}, {1, 1, 0}, {7, 14, 0}, {8, 16, 0}, {16, 32, 0}});
    const TFormulaRec hi = Rec({{6, 12, 30}, {1, 1, 60}, {7, 14, 10}, {8, 16, 15}, {16, 32, 3}});
    for (bool check : {false, true}) {
        TMolFormModel pruned, plain;
        plain.SetSearchPruning(false);
        ASSERT_TRUE(pruned.InitFindFormula(180.0634, 0.005, lo, hi));
        ASSERT_TRUE(plain.InitFindFormula(180.0634, 0.005, lo, hi));
        const auto a = AllHits(pruned, false, check);
        const auto b = AllHits(plain, false, check);
        EXPECT_EQ(a, b);
        EXPECT_FALSE(a.empty());
        bool glucose = false;
        for (const auto& h : a) glucose = glucose || h == std::vector<int>{6, 12, 0, 6, 0};
        EXPECT_TRUE(glucose);
    }
}

TEST(MolFormSearch, RandomBoundsAgreeWithThePlainWalk)
{
    std::mt19937 rng(12345);
    const int elements[] = {6, 1, 7, 8, 16, 9, 17, 35, 15, 53};
    for (int round = 0; round < 150; ++round) {
        const int n = 1 + static_cast<int>(rng() % 5);
        std::vector<Entry> lo, hi;
        for (int i = 0; i < n; ++i) {
            const int z = elements[rng() % 10];
            const int a = static_cast<int>(rng() % 4);
            const int b = a + static_cast<int>(rng() % 8);
            lo.emplace_back(z, PYX_CData::IntAtWeight(z), a);
            hi.emplace_back(z, PYX_CData::IntAtWeight(z), b);
        }
        const bool nominal = rng() % 2 == 0;
        const double target = 10.0 + (rng() % 40000) / 100.0;
        const double tol = (rng() % 300) / 1000.0;
        TMolFormModel pruned, plain;
        plain.SetSearchPruning(false);
        ASSERT_TRUE(pruned.InitFindFormula(target, tol, Rec(lo), Rec(hi)));
        ASSERT_TRUE(plain.InitFindFormula(target, tol, Rec(lo), Rec(hi)));
        const bool check = rng() % 2 == 0;
        EXPECT_EQ(AllHits(pruned, nominal, check), AllHits(plain, nominal, check)) << round;
    }
}

// The walk resumes after a find, reports none after the last composition and
// then starts over; a find at the very last combination is no exception.
TEST(MolFormSearch, ExhaustionAndRestart)
{
    TMolFormModel f;
    const TFormulaRec only = Rec({{6, 12, 1}, {8, 16, 1}});
    ASSERT_TRUE(f.InitFindFormula(28, 0.05, only, only));
    EXPECT_TRUE(f.FindFormulaNominalMass(false));
    EXPECT_FALSE(f.FindFormulaNominalMass(false));
    EXPECT_TRUE(f.FindFormulaNominalMass(false));
    EXPECT_EQ(f.AsString(0), "C O ");

    f.SetMolFormula("N2");
    ASSERT_TRUE(f.InitFindFormula(1000, 0.05, only, only));
    EXPECT_FALSE(f.FindFormulaExactMass(false));
    EXPECT_EQ(f.AsString(0), "N2 "); // unchanged when nothing is found
}

TEST(MolFormSearch, BadBoundsAreRefused)
{
    const TFormulaRec lo = Rec({{6, 12, 0}, {1, 1, 0}});
    const TFormulaRec hi = Rec({{6, 12, 2}, {1, 1, 4}});
    struct Case {
        TFormulaRec min, max;
    };
    std::vector<Case> cases = {
        {Rec({}), Rec({})},
        {Rec({{6, 12, 0}}), hi},
        {Rec({{6, 12, 0}, {7, 14, 0}}), hi},
        {Rec({{6, 12, 3}, {1, 1, 0}}), hi},
        {Rec({{0, 0, 0}, {1, 1, 0}}), Rec({{0, 0, 2}, {1, 1, 4}})},
        {Rec({{104, 1, 0}, {1, 1, 0}}), Rec({{104, 1, 2}, {1, 1, 4}})},
    };
    TFormulaRec big = hi;
    big.NumAtoms = 21;
    cases.push_back({big, big});
    TFormulaRec negative = hi;
    negative.NumAtoms = -1;
    cases.push_back({negative, negative});
    for (const Case& c : cases) {
        TMolFormModel f;
        EXPECT_FALSE(f.InitFindFormula(28, 0.05, c.min, c.max));
        EXPECT_FALSE(f.FindFormulaNominalMass(false));
        EXPECT_EQ(f.GetNumAtoms(), 2);
    }
    TMolFormModel f;
    EXPECT_FALSE(f.FindFormulaExactMass(false)); // no search prepared
    EXPECT_TRUE(f.InitFindFormula(28, 0.05, lo, hi));
}

TEST(MolFormSearch, AssignCopiesTheSearchState)
{
    TMolFormModel f;
    ASSERT_TRUE(f.InitFindFormula(28, 0.05, Rec({{6, 12, 0}, {1, 1, 0}, {7, 14, 0}, {8, 16, 0}}),
                                  Rec({{6, 12, 2}, {1, 1, 4}, {7, 14, 2}, {8, 16, 1}})));
    ASSERT_TRUE(f.FindFormulaNominalMass(false));
    TMolFormModel g;
    g.Assign(&f);
    EXPECT_EQ(g.GetTargetMass(), 28);
    EXPECT_EQ(AllHits(g, true, false), AllHits(f, true, false));
}

TEST(MolFormSearch, NanTargetFindsNothing)
{
    TMolFormModel f;
    const TFormulaRec lo = Rec({{6, 12, 0}});
    const TFormulaRec hi = Rec({{6, 12, 5}});
    ASSERT_TRUE(f.InitFindFormula(std::numeric_limits<double>::quiet_NaN(), 0.05, lo, hi));
    EXPECT_FALSE(f.FindFormulaExactMass(false));
    ASSERT_TRUE(f.InitFindFormula(24, -1.0, lo, hi));
    EXPECT_FALSE(f.FindFormulaExactMass(false));
}
