// Element table, periodic grid, electron configurations, CAS numbers and the
// chemical-name code.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "molkit/PYX_CData.h"
#include "vcl/Cp1252.h"

using namespace PYX_CData;
using namespace vcl::literals;

TEST(CDataSymbols, LookupIsExactAndCaseSensitive)
{
    struct Case {
        const char* symb;
        int z;
    };
    const Case cases[] = {{"C", 6}, {"Cl", 17}, {"H", 1}, {"Lr", 103}, {"Co", 27}, {"c", 0}, {"D", 0},
                          {"CL", 0}, {"cl", 0}, {" Cl", 0}, {"Cl ", 0}, {"", 0}, {"Xx", 0}, {"Clx", 0}};
    for (const Case& c : cases) EXPECT_EQ(AtomicNumber(c.symb), c.z) << c.symb;
    EXPECT_EQ(AtomicNumber(std::string("C\0", 2)), 0);
}

TEST(CDataSymbols, EverySymbolFindsItsElementAndOutOfRangeIsEmpty)
{
    for (int z = 1; z <= MaxAtomicNumber; ++z) EXPECT_EQ(AtomicNumber(CElemSymb(z)), z) << z;
    for (int z : {-1, 0, 104, 1000}) {
        EXPECT_EQ(CElemSymb(z), "");
        EXPECT_EQ(CElemName(z), "");
        EXPECT_EQ(IntAtWeight(z), 0);
        EXPECT_EQ(ExactAtWeight(z), 0.0L);
        EXPECT_EQ(ChemAtWeight(z), 0.0);
        EXPECT_EQ(NumOuterElectrons(z), 0);
        EXPECT_EQ(ShortElectronConfig(z), "");
        EXPECT_EQ(FullElectronConfig(z), "");
    }
}

TEST(CDataNames, SpellingsAreKeptAsWritten)
{
    EXPECT_EQ(CElemName(3), "litium");
    EXPECT_EQ(CElemName(9), "flourine");
    EXPECT_EQ(CElemName(23), "vanadin");
    EXPECT_EQ(CElemName(61), "prometium");
    EXPECT_EQ(CElemName(89), "actinum");
    EXPECT_EQ(CElemName(13), "aluminum");
    EXPECT_EQ(CElemName(103), "lawrencium");
}

TEST(CDataMasses, ValuesOfTheTable)
{
    struct Case {
        int z;
        int nominal;
        double exact;
        double chem;
    };
    const Case cases[] = {
        {1, 1, 1.007825, 1.00797},      {6, 12, 12.0, 12.01115},         {7, 14, 14.003074, 14.0067},
        {8, 16, 15.994915, 15.9994},    {9, 19, 18.998405, 18.9984},     {15, 31, 30.973763, 30.9738},
        {16, 32, 31.972073, 32.064},    {17, 35, 34.968854, 35.453},     {35, 79, 78.918332, 79.909},
        {53, 127, 126.904476, 126.9044}, {43, 97, 96.905, 0.0},           {11, 23, 22.989769282, 22.9898},
        {28, 58, 57.93534241, 58.71},   {42, 98, 97.90540482, 95.94},    {100, 257, 257.0951061, 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IntAtWeight(c.z), c.nominal) << c.z;
        EXPECT_EQ(ExactAtWeight(c.z), static_cast<Extended>(c.exact)) << c.z;
        EXPECT_EQ(ChemAtWeight(c.z), c.chem) << c.z;
    }
}

TEST(CDataMasses, ExactlyTheTwentyElementsWithoutStandardWeightHaveNone)
{
    const std::set<int> none = {43, 61, 84, 85, 86, 87, 88, 89, 91, 93, 94, 95, 96, 97, 98, 99, 100, 101, 102, 103};
    for (int z = 1; z <= MaxAtomicNumber; ++z) {
        if (none.count(z)) EXPECT_EQ(ChemAtWeight(z), 0.0) << z;
        else EXPECT_GT(ChemAtWeight(z), 0.0) << z;
        // The exact mass belongs to the isotope of the listed mass number.
        EXPECT_NEAR(static_cast<double>(ExactAtWeight(z)), IntAtWeight(z), 0.1) << z;
    }
}

TEST(CDataRadii, StoredForSomeElementsUpTo53)
{
    EXPECT_DOUBLE_EQ(VDWRadius(6), 1.80);
    EXPECT_DOUBLE_EQ(VDWRadius(1), 1.20);
    EXPECT_DOUBLE_EQ(VDWRadius(5), 0.98);
    EXPECT_DOUBLE_EQ(VDWRadius(53), 2.15);
    for (int z : {0, 2, 54, 103, -5}) EXPECT_EQ(VDWRadius(z), 0.0) << z;
}

TEST(CDataGrid, Coordinates)
{
    struct Case {
        int z, col, row;
    };
    const Case cases[] = {{1, 0, 0},  {2, 17, 0}, {3, 0, 1},  {5, 12, 1}, {13, 12, 2}, {18, 17, 2}, {26, 7, 3},
                          {54, 17, 4}, {57, 2, 5}, {72, 3, 5}, {86, 17, 5}, {89, 2, 6},  {58, 4, 7},  {71, 17, 7},
                          {90, 4, 8},  {103, 17, 8}, {0, 0, 0}, {104, 0, 0}};
    for (const Case& c : cases) {
        int col = -1, row = -1;
        PerSysCoord(c.z, col, row);
        EXPECT_EQ(col, c.col) << c.z;
        EXPECT_EQ(row, c.row) << c.z;
    }
}

TEST(CDataGrid, EveryElementHasExactlyOneCell)
{
    std::multiset<int> seen;
    for (int r = 0; r < PerSysRows; ++r)
        for (int c = 0; c < PerSysCols; ++c)
            if (int z = PerSysCell(c, r)) seen.insert(z);
    EXPECT_EQ(seen.size(), 103u);
    for (int z = 1; z <= 103; ++z) EXPECT_EQ(seen.count(z), 1u) << z;
    EXPECT_EQ(PerSysCell(-1, 0), 0);
    EXPECT_EQ(PerSysCell(18, 0), 0);
}

TEST(CDataConfig, FullConfigurationExpandsTheCore)
{
    EXPECT_EQ(FullElectronConfig(26), "1s2 2s2 2p6 3s2 3p6 3d6 4s2");
    EXPECT_EQ(FullElectronConfig(1), "1s1");
    EXPECT_EQ(FullElectronConfig(2), "1s2");
    EXPECT_EQ(FullElectronConfig(3), "1s2 2s1");
    EXPECT_EQ(ShortElectronConfig(46), "[Kr] 4d10");
    EXPECT_EQ(FullElectronConfig(87), "1s2 2s2 2p6 3s2 3p6 3d10 4s2 4p6 4d10 5s2 5p6 4f14 5d10 6s2 6p6 7s1");
    EXPECT_EQ(NumOuterElectrons(46), 0);
    EXPECT_EQ(NumOuterElectrons(10), 8);
}

// The occupation numbers of the full configuration add up to the atomic
// number: a check of the whole configuration table.
TEST(CDataConfig, ElectronsAddUpToTheAtomicNumber)
{
    for (int z = 1; z <= MaxAtomicNumber; ++z) {
        const std::string full = FullElectronConfig(z);
        int sum = 0;
        std::size_t i = 0;
        while (i < full.size()) {
            // Each shell is digit, letter, occupation.
            while (i < full.size() && full[i] == ' ') ++i;
            i += 2;
            int occ = 0;
            while (i < full.size() && full[i] >= '0' && full[i] <= '9') occ = occ * 10 + (full[i++] - '0');
            sum += occ;
        }
        EXPECT_EQ(sum, z) << z << " " << full;
    }
}

TEST(CDataCAS, CheckDigit)
{
    struct Case {
        int64_t n;
        bool ok;
    };
    const Case cases[] = {{7732185, true},     {7732186, false},    {0, true},          {5, false},
                          {50000, true},       {64175, true},       {2628280408, true}, {2628280409, false},
                          {-7732185, false},   {58082, true},       {71432, true},      {100, false}};
    for (const Case& c : cases) EXPECT_EQ(CheckCASNr(c.n), c.ok) << c.n;
}

TEST(CDataCAS, Format)
{
    EXPECT_EQ(FormatCASNr(50000), "50-00-0");
    EXPECT_EQ(FormatCASNr(7732185), "7732-18-5");
    EXPECT_EQ(FormatCASNr(12), "0-01-2");
    EXPECT_EQ(FormatCASNr(0), "0-00-0");
    EXPECT_EQ(FormatCASNr(2628280408), "2628280-40-8");
    EXPECT_EQ(FormatCASNr(-1), "");
}

TEST(CDataCAS, Parse)
{
    struct Case {
        const char* text;
        bool ok;
        int64_t value; // the out-parameter afterwards (starts at -1)
    };
    const Case cases[] = {
        {"  7732-18-5 ", true, 7732185},   {"7732-18-5", true, 7732185},     {"2628280-40-8", true, 2628280408},
        {"50-00-0", true, 50000},          {"7732-185", false, -1},          {"7732-1-85", false, -1},
        {"7732-18-55", false, -1},         {"7732-18-6", false, 7732186},    {"", false, -1},
        {"   ", false, -1},                {"\t7732-18-5", false, -1},       {"+7732-18-5", false, -1},
        {"$1E34-18-5", false, -1},         {"77 32-18-5", false, -1},        {"7732-1a-5", false, -1},
        {"99999999999999999999-00-0", false, -1}, {"7732--18-5", false, -1}, {"-18-5", false, 185},
    };
    for (const Case& c : cases) {
        int64_t n = -1;
        EXPECT_EQ(ConvertStrToCASNr(c.text, n), c.ok) << c.text;
        EXPECT_EQ(n, c.value) << c.text;
    }
}

TEST(CDataNameCode, ExamplesAndRoundTrip)
{
    const std::string m = CompressChemName("Methylbenzene");
    EXPECT_EQ(m, std::string({char(139), char(223), char(251), 'e'}));
    EXPECT_EQ(DeCompressChemName(m), "methylbenzene");
    const std::string c = CompressChemName("2-Chlorophenol");
    EXPECT_EQ(c, std::string({'2', '-', char(165), 'o', char(222), char(253)}));
    EXPECT_EQ(DeCompressChemName(c), "2-chlorophenol");
    EXPECT_EQ(CompressChemName("XYZ"), "xyz");
    EXPECT_EQ(DeCompressChemName("xyz 1,2"), "xyz 1,2");
    EXPECT_EQ(CompressChemName(""), "");
    EXPECT_EQ(DeCompressChemName(""), "");
    EXPECT_EQ(ChemNameFragment(1), "benzoyl");
    EXPECT_EQ(ChemNameFragment(128), "in");
    EXPECT_EQ(ChemNameFragment(0), "");
}

TEST(CDataNameCode, RoundTripOfAsciiNames)
{
    const char* names[] = {"2,4,6-Trinitrotoluene", "Acetylsalicylic acid", "Tetrahydrofuran",
                           "N,N-Dimethylformamide", "1,3-Butadiene", "Phenanthrene-9,10-dione",
                           "Deuterochloroform", "Hexamethylphosphoric triamide", "(+)-alpha-Pinene"};
    for (const char* n : names) {
        const std::string coded = CompressChemName(n);
        EXPECT_LT(coded.size(), std::string(n).size()) << n;
        EXPECT_EQ(DeCompressChemName(coded), vcl::AsciiLowerCase(n)) << n;
    }
}

// High bytes never decode to invented fragments: umlauts are spelled out,
// anything else becomes '?'.
TEST(CDataNameCode, HighBytesAreNotMistakenForCodes)
{
    EXPECT_EQ(DeCompressChemName(CompressChemName("Äthanol"_cp)), "aethanol");
    EXPECT_EQ(DeCompressChemName(CompressChemName("Bernsteinsäure"_cp)), "bernsteinsaeure");
    EXPECT_EQ(DeCompressChemName(CompressChemName("Fußöl"_cp)), "fussoel");
    EXPECT_EQ(DeCompressChemName(CompressChemName("é-Test"_cp)), "?-test");
}
