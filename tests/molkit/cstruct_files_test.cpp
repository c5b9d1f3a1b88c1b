// Structure files: MDL molfiles and connection tables, SD records with data
// items, the plain-text formats, and the writers read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "corekit/PYX_streams.h"
#include "molkit/PYX_cstruct.h"
#include "vcl/Streams.h"
#include "vcl/TextFile.h"

using namespace PYX_cstruct;
namespace fs = std::filesystem;

namespace {

// A scratch file that is removed afterwards.
class TempFile {
public:
    explicit TempFile(const std::string& Content = {})
    {
        static int counter = 0;
        path_ = (fs::temp_directory_path() /
                 ("pyx_cstruct_files_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + ".txt"))
                    .string();
        std::ofstream(path_, std::ios::binary) << Content;
    }
    ~TempFile() { fs::remove(path_); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& Path() const { return path_; }
    std::string Content() const
    {
        std::string s(static_cast<std::size_t>(fs::file_size(path_)), '\0');
        std::ifstream(path_, std::ios::binary).read(s.data(), static_cast<std::streamsize>(s.size()));
        return s;
    }

private:
    std::string path_;
};

const char* const Ethanol = "ethanol\n"
                            "  test    \n"
                            "\n"
                            "  3  2  0  0  0  0  0  0  0  0999 V2000\n"
                            "    0.0000    0.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
                            "    1.2990    0.7500    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
                            "    2.5981   -0.0000    0.0000 O   0  0  0  0  0  0  0  0  0  0  0  0\n"
                            "  1  2  1  0\n"
                            "  2  3  1  0\n"
                            "M  END\n";

// A molfile with one atom line (columns as in a file) and optional bond and
// property lines.
std::string OneAtom(const std::string& AtomTail, const std::string& More = {}, int Bonds = 0, int Atoms = 1)
{
    std::string s = "x\n\n\n" + std::string(Atoms < 10 ? "  " : " ") + std::to_string(Atoms) + "  " +
                    std::to_string(Bonds) + "  0  0  0  0  0  0  0  0999 V2000\n";
    s += "    0.0000    0.0000    0.0000 " + AtomTail + "\n";
    for (int i = 2; i <= Atoms; ++i) s += "    1.0000    " + std::to_string(i) + ".0000    0.0000 C   0  0\n";
    return s + More + "M  END\n";
}

std::string Atoms(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i) s += "    0.0000    0.0000    0.0000 C   0  0  0  0\n";
    return s;
}

bool ReadMol(TCTab& t, const std::string& text)
{
    TempFile f(text);
    vcl::TTextFile F(f.Path());
    F.Reset();
    return t.ReadFromMDLMolFile(F);
}

} // namespace

TEST(CStructFiles, EthanolFromFileAndStream)
{
    for (int viaStream = 0; viaStream < 2; ++viaStream) {
        SCOPED_TRACE(viaStream);
        TCTab t;
        bool ok = false;
        if (viaStream) {
            vcl::TStringStream s(Ethanol);
            ok = t.ReadFromMDLMolStream(s);
        } else {
            ok = ReadMol(t, Ethanol);
        }
        ASSERT_TRUE(ok) << t.GetReadError();
        EXPECT_EQ(t.GetReadStatus(), rsOK);
        EXPECT_EQ(t.GetStrucName(), "ethanol");
        ASSERT_EQ(t.GetNumAtoms(), 3);
        const int z[] = {6, 6, 8}, w[] = {12, 12, 16};
        for (int a = 1; a <= 3; ++a) {
            EXPECT_EQ(t.GetAtNum(a), z[a - 1]);
            EXPECT_EQ(t.GetAtWeight(a), w[a - 1]);
        }
        EXPECT_EQ(t.CheckConnect(1, 2), 1);
        EXPECT_EQ(t.CheckConnect(2, 1), 1);
        EXPECT_EQ(t.CheckConnect(2, 3), 1);
        EXPECT_EQ(t.CheckConnect(3, 2), 1);
        EXPECT_EQ(t.CheckConnect(1, 3), 0);
        // Height 0.75 gives the larger scale (800): y spans 600, x 2078.
        EXPECT_EQ(t.GetCoords(1, 1), 0.0f);
        EXPECT_EQ(t.GetCoords(2, 1), 1039.0f);
        EXPECT_EQ(t.GetCoords(3, 1), 2078.0f);
        EXPECT_EQ(t.GetCoords(2, 2), 600.0f);
        EXPECT_EQ(t.GetCoords(3, 2), 0.0f);
    }
}

TEST(CStructFiles, AtomLines)
{
    struct Case {
        std::string tail;
        int z, weight, charge;
        bool ok;
    };
    const std::vector<Case> cases = {
        {"C   0  3", 6, 12, 1, true},     {"C   0  5", 6, 12, -1, true},   {"C   0  4", 6, 12, 0, true},
        {"C   0  1", 6, 12, 3, true},     {"C   0  7", 6, 12, -3, true},   {"C   1  0", 6, 13, 0, true},
        {"N  -1  0", 7, 13, 0, true},     {"CL  0  0", 17, 35, 0, true},   {"cl  0  0", 17, 35, 0, true},
        {"BR  0  0", 35, 79, 0, true},    {"D   0  0", 1, 2, 0, true},     {"T   0  0", 1, 3, 0, true},
        {"A   0  0", 0, 0, 0, true},      {"Q   0  0", 0, 0, 0, true},     {"C", 6, 12, 0, true},
        // Charge codes outside 0..7 give no charge and a doubtful read.
        {"C   0  9", 6, 12, 0, false},    {"C   0 -1", 6, 12, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tail);
        TCTab t;
        EXPECT_EQ(ReadMol(t, OneAtom(c.tail)), c.ok) << t.GetReadError();
        ASSERT_EQ(t.GetNumAtoms(), 1);
        EXPECT_EQ(t.GetAtNum(1), c.z);
        EXPECT_EQ(t.GetAtWeight(1), c.weight);
        EXPECT_EQ(t.GetCharge(1), c.charge);
    }
}

TEST(CStructFiles, AtomLinesWithTouchingOrShiftedFields)
{
    TCTab t;
    // Fields that touch are read by their columns.
    const std::string touching = "x\n\n\n  2  1\n"
                                 "-1234.5678-2345.6789    0.0000 N   0  0\n"
                                 "-1233.5678-2345.6789    0.0000 O   0  0\n"
                                 "  1  2  2\n";
    ASSERT_TRUE(ReadMol(t, touching)) << t.GetReadError();
    EXPECT_EQ(t.GetAtNum(1), 7);
    EXPECT_EQ(t.CheckConnect(2, 1), 2);
    EXPECT_EQ(t.GetCoords(2, 1), 800.0f);
    // Lines that ignore the columns are read as separate values.
    const std::string loose = "x\n\n\n2 1\n0.0 0.0 0.0 C 0 3\n1.5 0 0 Cl\n1 2 1\n";
    ASSERT_TRUE(ReadMol(t, loose)) << t.GetReadError();
    EXPECT_EQ(t.GetCharge(1), 1);
    EXPECT_EQ(t.GetAtNum(2), 17);
    EXPECT_EQ(t.CheckConnect(1, 2), 1);
}

TEST(CStructFiles, BondLines)
{
    struct Case {
        std::string bond;
        int type12; // bond 1-2 as read (0 = none)
        bool ok;
    };
    const std::vector<Case> cases = {
        {"  1  2  2", 2, true},   {"  1  2  4", 4, true},  {"  1  2  8", 1, false}, // query bond: single
        {"  1 99  1", 0, false},  {"  1  1  1", 0, false}, {"  0  2  1", 0, false},
        {"  1  2  0", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bond);
        TCTab t;
        EXPECT_EQ(ReadMol(t, OneAtom("C   0  0", c.bond + "\n", 1, 2)), c.ok);
        ASSERT_EQ(t.GetNumAtoms(), 2);
        EXPECT_EQ(t.CheckConnect(1, 2), c.type12);
        EXPECT_EQ(t.CheckConnect(2, 1), c.type12);
        EXPECT_EQ(t.GetNBonds(1), c.type12 ? 1 : 0);
    }
}

TEST(CStructFiles, RefusedCountsLeaveTheTableAlone)
{
    struct Case {
        std::string text;
        TReadStatus status;
    };
    const std::vector<Case> cases = {
        {"other\n\n\n  0  0  0  0  0  0  0  0  0  0999 V2000\nM  END\n", rsBadCounts},
        {"other\n\n\n 64  0  0  0  0  0  0  0  0  0999 V2000\n" + Atoms(64) + "M  END\n", rsTooManyAtoms},
        {"other\n\n\n  0  0  0     0  0            999 V3000\nM  V30 BEGIN CTAB\nM  V30 COUNTS 1 0 0 0 0\n",
         rsV3000},
        {"other\n\n\nabc\n", rsBadCounts},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 30));
        TCTab t;
        ASSERT_TRUE(ReadMol(t, Ethanol));
        t.SetCASNr("64-17-5");
        EXPECT_FALSE(ReadMol(t, c.text));
        EXPECT_EQ(t.GetReadStatus(), c.status);
        EXPECT_FALSE(t.GetReadError().empty());
        EXPECT_EQ(t.GetNumAtoms(), 3);
        EXPECT_EQ(t.GetStrucName(), "ethanol");
        EXPECT_EQ(t.GetCASNr(), "64-17-5");
    }
}

TEST(CStructFiles, BrokenRecordsClearTheTable)
{
    struct Case {
        std::string text;
        TReadStatus status;
    };
    const std::string head = "broken\n\n\n  3  2\n";
    const std::string a3 = "    0.0000    0.0000    0.0000 C   0  0\n"
                           "    1.0000    0.0000    0.0000 C   0  0\n"
                           "    2.0000    0.0000    0.0000 O   0  0\n";
    const std::vector<Case> cases = {
        {head + a3.substr(0, 40), rsTruncated},           // ends in the atom block
        {head + a3 + "  1  2  1\n", rsTruncated},         // ends in the bond block
        {"broken\n\n", rsTruncated},                      // ends in the header
        {head + a3 + "  1  2  1\n  x  y  z\n", rsMalformed},
        {head + "    0.0000    zero      0.0000 C   0  0\n", rsMalformed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TCTab t;
        ASSERT_TRUE(ReadMol(t, Ethanol));
        EXPECT_FALSE(ReadMol(t, c.text));
        EXPECT_EQ(t.GetReadStatus(), c.status);
        EXPECT_EQ(t.GetNumAtoms(), 0);
        EXPECT_EQ(t.GetStrucName(), "");
    }
    TCTab t;
    ASSERT_TRUE(ReadMol(t, Ethanol));
    EXPECT_FALSE(ReadMol(t, ""));
    EXPECT_EQ(t.GetReadStatus(), rsEndOfFile);
    EXPECT_EQ(t.GetNumAtoms(), 3);
}

TEST(CStructFiles, PropertyLinesChargeAndIsotope)
{
    TCTab t;
    // Charge lines replace the charges of the atom block (atom 1's +1 is
    // dropped); isotope lines give absolute mass numbers.
    const std::string text = OneAtom("N   0  3", "  1  2  1\nM  CHG  2   2  -1   3   2\nM  ISO  1   1  15\n", 1, 3);
    ASSERT_TRUE(ReadMol(t, text)) << t.GetReadError();
    EXPECT_EQ(t.GetCharge(1), 0);
    EXPECT_EQ(t.GetCharge(2), -1);
    EXPECT_EQ(t.GetCharge(3), 2);
    EXPECT_EQ(t.GetAtWeight(1), 15);
    EXPECT_EQ(t.GetAtWeight(2), 12);
    // Entries naming missing atoms are skipped and make the read doubtful.
    EXPECT_FALSE(ReadMol(t, OneAtom("C   0  0", "M  CHG  1   7   1\n")));
    EXPECT_EQ(t.GetReadStatus(), rsDoubtful);
    EXPECT_EQ(t.GetNumAtoms(), 1);
}

TEST(CStructFiles, ReadersLeaveTheInputAfterWhatTheyRead)
{
    // Two molfiles in a row, and a table followed by other text.
    TempFile f(std::string(Ethanol) + Ethanol + "next\n");
    vcl::TTextFile F(f.Path());
    F.Reset();
    TCTab t;
    EXPECT_TRUE(t.ReadFromMDLMolFile(F));
    EXPECT_TRUE(t.ReadFromMDLMolFile(F));
    EXPECT_EQ(F.ReadLn(), "next");

    vcl::TStringStream s(std::string(Ethanol).substr(std::string(Ethanol).find("  3  2")) + "$$$$\n");
    EXPECT_TRUE(t.ReadFromMDLCTabStream(s));
    EXPECT_EQ(t.GetStrucName(), "");
    EXPECT_EQ(t.GetNumAtoms(), 3);
    bool eos = false;
    EXPECT_EQ(PYX_streams::ReadLnStream(s, eos, 0), "$$$$");

    vcl::TStringStream s2("  1  0\n    0.0000    0.0000    0.0000 C   0  0\nnot a property line\n");
    EXPECT_TRUE(t.ReadFromMDLCTabStream(s2));
    EXPECT_EQ(PYX_streams::ReadLnStream(s2, eos, 0), "not a property line");
}

namespace {

const std::string SDFixture = [] {
    std::string s = Ethanol;
    s += "> <BOILP>\n78.3\n\n"
         ">  <MELTP>  (1)\n-114.1 C\n\n"
         "> 25 <DENSI>\n0.789\n\n"
         "> <CAS_RN>\n64-17-5\n\n"
         "> DT12\nfree text\nsecond line\n\n"
         "> <meltp>\n1\n\n"
         "$$$$\n";
    // Too many atoms, with a data item of its own.
    s += "big\n\n\n 64 63  0  0  0  0  0  0  0  0999 V2000\n" + Atoms(64);
    for (int i = 1; i < 64; ++i) s += (i < 10 ? "  " : " ") + std::to_string(i) + (i + 1 < 10 ? "  " : " ") +
                                      std::to_string(i + 1) + "  1  0\n";
    s += "M  CHG  1   1   1\nM  END\n> <CAS_RN>\n50-00-0\n\n> <BOILP>\n1000\n\n$$$$\n";
    // Ends inside its atom block.
    s += "short\n\n\n  3  2\n" + Atoms(1) + "$$$$\n";
    // Charges in the property block only, a CRLF record, and a header without
    // the blank line before the next one.
    s += "water ion\r\n\r\n\r\n  1  0  0  0  0  0  0  0  0  0999 V2000\r\n"
         "    0.0000    0.0000    0.0000 O   0  0  0  0\r\nM  CHG  1   1  -1\r\nM  END\r\n"
         "> <MELTP>\r\n\r\n> <BOILP>\r\n100\r\n> <CASREGNR>\r\n14280-30-9\r\n$$$$\r\n";
    s += "\n\n";
    return s;
}();

} // namespace

TEST(CStructFiles, SDRecordsStayInStep)
{
    for (int viaStream = 0; viaStream < 2; ++viaStream) {
        SCOPED_TRACE(viaStream);
        TempFile f(SDFixture);
        vcl::TTextFile F(f.Path());
        F.Reset();
        vcl::TStringStream S(SDFixture);
        TCTab t;
        TPropArray props;
        TSDDataItems items;
        auto read = [&] {
            return viaStream ? t.ReadFromMDLSDStream(S, props, &items) : t.ReadFromMDLSDFile(F, props, &items);
        };

        ASSERT_TRUE(read()) << t.GetReadError();
        EXPECT_EQ(t.GetStrucName(), "ethanol");
        EXPECT_EQ(t.GetNumAtoms(), 3);
        EXPECT_EQ(t.GetCASNrValue(), 64175);
        EXPECT_EQ(props[0].Name, "BOILP");
        EXPECT_DOUBLE_EQ(props[0].Value, 78.3);
        EXPECT_EQ(props[1].Name, "MELTP");
        EXPECT_DOUBLE_EQ(props[1].Value, -114.1);
        EXPECT_EQ(props[2].Name, "DENSI");
        EXPECT_DOUBLE_EQ(props[2].Value, 0.789);
        EXPECT_EQ(props[3].Name, ""); // "meltp" is not a recognised name
        ASSERT_EQ(items.size(), 6u);
        EXPECT_EQ(items[4].Name, "DT12");
        EXPECT_EQ(items[4].Value, "free text\nsecond line");
        EXPECT_EQ(items[5].Name, "meltp");

        // Refused: the table keeps ethanol (and its CAS number), the data
        // items of the refused record are still delivered.
        EXPECT_FALSE(read());
        EXPECT_EQ(t.GetReadStatus(), rsTooManyAtoms);
        EXPECT_NE(t.GetReadError().find("64"), std::string::npos);
        EXPECT_EQ(t.GetStrucName(), "ethanol");
        EXPECT_EQ(t.GetCASNrValue(), 64175);
        EXPECT_EQ(props[0].Name, "BOILP");
        EXPECT_DOUBLE_EQ(props[0].Value, 1000.0);

        EXPECT_FALSE(read());
        EXPECT_EQ(t.GetReadStatus(), rsTruncated);
        EXPECT_EQ(t.GetNumAtoms(), 0);
        EXPECT_EQ(t.GetStrucName(), "");
        EXPECT_EQ(t.GetCASNrValue(), 0);

        ASSERT_TRUE(read()) << t.GetReadError();
        EXPECT_EQ(t.GetStrucName(), "water ion");
        EXPECT_EQ(t.GetCharge(1), -1);
        EXPECT_EQ(t.GetCASNr(), "14280-30-9");
        // The empty value of MELTP is skipped without taking the next header.
        EXPECT_EQ(props[0].Name, "BOILP");
        EXPECT_DOUBLE_EQ(props[0].Value, 100.0);
        EXPECT_EQ(props[1].Name, "");

        EXPECT_FALSE(read());
        EXPECT_EQ(t.GetReadStatus(), rsEndOfFile);
        EXPECT_EQ(t.GetStrucName(), "water ion");
    }
}

TEST(CStructFiles, SDPropertyArrayHoldsTwentyItems)
{
    std::string s = Ethanol;
    for (int i = 0; i < 25; ++i) s += "> <" + std::string(SDPropNames[static_cast<std::size_t>(i % 20)]) + ">\n" + std::to_string(i) + "\n\n";
    s += "$$$$\n";
    vcl::TStringStream S(s);
    TCTab t;
    TPropArray props;
    ASSERT_TRUE(t.ReadFromMDLSDStream(S, props));
    for (int i = 0; i < MaxProps; ++i) {
        EXPECT_EQ(props[static_cast<std::size_t>(i)].Name, SDPropNames[static_cast<std::size_t>(i)]);
        EXPECT_EQ(props[static_cast<std::size_t>(i)].Value, i);
    }
}

TEST(CStructFiles, MDLWriterReadsBack)
{
    TCTab t;
    const std::string text = "x\n\n\n  5  4\n"
                             "    0.0000    0.0000    0.0000 N   0  3\n"
                             "    1.0000    0.0000    0.0000 C   1  0\n"
                             "    2.0000    1.0000    0.0000 O   0  0\n"
                             "    3.0000    0.5000    0.0000 D   0  0\n"
                             "    4.0000    0.0000    0.0000 Fe  0  0\n"
                             "  1  2  1\n  2  3  2\n  3  4  1\n  4  5  1\n"
                             "M  CHG  3   1   1   3  -1   5   5\nM  ISO  1   5  60\nM  END\n";
    ASSERT_TRUE(ReadMol(t, text)) << t.GetReadError();
    ASSERT_EQ(t.GetCharge(5), 5);
    for (int viaStream = 0; viaStream < 2; ++viaStream) {
        SCOPED_TRACE(viaStream);
        TCTab back;
        std::string written;
        if (viaStream) {
            vcl::TStringStream S;
            t.WriteToMDLMolStream(S, "PYX", "a comment", 1234, "");
            written = S.DataString();
            S.SetPosition(0);
            ASSERT_TRUE(back.ReadFromMDLMolStream(S)) << back.GetReadError();
        } else {
            TempFile f;
            vcl::TTextFile F(f.Path());
            F.Rewrite();
            t.WriteToMDLMolFile(F, "PYX", "a comment", 1234, "");
            F.Close();
            written = f.Content();
            ASSERT_TRUE(ReadMol(back, written)) << back.GetReadError();
        }
        EXPECT_EQ(back.CompareWith(t), 0) << written;
        EXPECT_NE(written.find("  5  4  0  0  0  0  0  0  0  0999 V2000\r\n"), std::string::npos) << written;
        EXPECT_NE(written.find(" N   0  3  0"), std::string::npos) << written;   // +1 in the atom block
        EXPECT_NE(written.find(" C   1  0  0"), std::string::npos) << written;   // 13C as mass difference
        EXPECT_NE(written.find(" H   1  0  0"), std::string::npos) << written;   // deuterium
        EXPECT_NE(written.find("M  CHG  3   1   1   3  -1   5   5\r\n"), std::string::npos) << written;
        EXPECT_NE(written.find("M  ISO  3   2  13   4   2   5  60\r\n"), std::string::npos) << written;
        EXPECT_NE(written.find("a comment\r\n"), std::string::npos);
        EXPECT_NE(written.find("  1234\r\n"), std::string::npos);
    }
}

TEST(CStructFiles, ContabBlockAndRoundTrip)
{
    // Text before the "/" is skipped, a "/" with another keyword as well.
    const std::string text = "some words /OTHER text\n/CONTAB \n5 2\n methanol\n"
                             "1 6 12 0 0 1.5 -2.25 0\n1 2 1\n"
                             "2 8 16 0 0 2.5 -2.25 0\n1 1 1\n";
    TCTab t;
    {
        TempFile f(text);
        vcl::TTextFile F(f.Path());
        F.Reset();
        ASSERT_TRUE(t.ReadFromClearTextFile(F)) << t.GetReadError();
    }
    EXPECT_EQ(t.GetStrucName(), "methanol");
    ASSERT_EQ(t.GetNumAtoms(), 2);
    EXPECT_EQ(t.GetAtNum(2), 8);
    EXPECT_EQ(t.CheckConnect(1, 2), 1);
    EXPECT_EQ(t.GetCoords(1, 2), -2.25f);

    t.SetCharge(2, -1);
    t.SetAttrib(1, 0x21);
    t.SetCoords(1, 3, 0.1f);
    TempFile out;
    vcl::TTextFile F(out.Path());
    F.Rewrite();
    t.WriteToClearTextFile(F);
    F.Close();
    F.Reset();
    TCTab back;
    ASSERT_TRUE(back.ReadFromClearTextFile(F)) << back.GetReadError() << out.Content();
    EXPECT_EQ(back.CompareWith(t), 0) << out.Content();
}

TEST(CStructFiles, ContabBodyFaults)
{
    struct Case {
        std::string body;
        bool ok;
        TReadStatus status;
        int atoms;    // -1: the table is unchanged (ethanol)
        int bonds12;  // bond 1-2 at atom 1 afterwards
    };
    const std::vector<Case> cases = {
        {"4 2\n1 6 12 0 0 0 0 0\n1 2 1\n2 6 12 0 0 1 0 0\n1 1 1\n", true, rsOK, 2, 1},
        {"0 2\n", false, rsBadCounts, -1, 0},
        {"", false, rsEndOfFile, -1, 0},
        // Eleven neighbours, a neighbour beyond the atoms, a one-sided bond.
        {"4 2\n1 6 12 0 0 0 0 0\n11 2 2 2 2 2 2 2 2 2 2 2 1 1 1 1 1 1 1 1 1 1 1\n", false, rsMalformed, 0, 0},
        {"4 2\n1 6 12 0 0 0 0 0\n2 2 7 1 1\n2 6 12 0 0 1 0 0\n1 1 1\n", false, rsDoubtful, 2, 1},
        {"4 2\n1 6 12 0 0 0 0 0\n1 2 1\n2 6 12 0 0 1 0 0\n0\n", false, rsDoubtful, 2, 0},
        {"4 2\n1 6 12 0 0 0 0 0\n1 2 1\n2 6 x 0 0 1 0 0\n1 1 1\n", false, rsMalformed, 0, 0},
        {"4 2\n1 6 12 0 0 0 0 0\n1 2 1\n", false, rsMalformed, 0, 0},
        {"4 2\n1 6 12 0 300 0 0 0\n0\n2 6 12 0 0 1 0 0\n0\n", false, rsMalformed, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        TCTab t;
        ASSERT_TRUE(ReadMol(t, Ethanol));
        TempFile f(c.body);
        vcl::TTextFile F(f.Path());
        F.Reset();
        EXPECT_EQ(t.ReadConnTabBody(F), c.ok);
        EXPECT_EQ(t.GetReadStatus(), c.status) << t.GetReadError();
        EXPECT_EQ(t.GetNumAtoms(), c.atoms < 0 ? 3 : c.atoms);
        if (c.atoms >= 0) {
            EXPECT_EQ(t.GetNBonds(1), c.bonds12);
            EXPECT_EQ(t.GetNBonds(2), c.bonds12);
        }
    }
}

TEST(CStructFiles, ContabMoreThan63Atoms)
{
    std::string body = "/CONTAB\n140 70\n";
    for (int i = 1; i <= 70; ++i) {
        body += std::to_string(i) + " 6 12 0 0 0 0 0\n";
        if (i == 1) body += "1 2 1\n";
        else if (i == 70) body += "1 69 1\n";
        else body += "2 " + std::to_string(i - 1) + " " + std::to_string(i + 1) + " 1 1\n";
    }
    TempFile f(body);
    vcl::TTextFile F(f.Path());
    F.Reset();
    TCTab t;
    EXPECT_FALSE(t.ReadFromClearTextFile(F));
    EXPECT_EQ(t.GetReadStatus(), rsDoubtful);
    EXPECT_EQ(t.GetNumAtoms(), MaxAtoms);
    EXPECT_EQ(t.GetNBonds(MaxAtoms), 1); // its bond to atom 64 was dropped
    EXPECT_EQ(t.GetNBonds(MaxAtoms - 1), 2);
}

TEST(CStructFiles, CtabgBlock)
{
    const std::string text = "header line\n/CTABG\n3 2\n water\n"
                             "8 16 0 0 10 20 2 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0\n"
                             "1 2 0 0 11 20 1 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0\n";
    TempFile f(text);
    vcl::TTextFile F(f.Path());
    F.Reset();
    TCTab t;
    ASSERT_TRUE(t.ReadFromClearTextFileCTABG(F)) << t.GetReadError();
    EXPECT_EQ(t.GetStrucName(), "water");
    ASSERT_EQ(t.GetNumAtoms(), 2);
    EXPECT_EQ(t.GetAtWeight(2), 2);
    EXPECT_EQ(t.CheckConnect(1, 2), 1);
    EXPECT_EQ(t.CheckConnect(2, 1), 1);
    EXPECT_EQ(t.GetCoords(2, 1), 11.0f);
    EXPECT_EQ(t.GetCoords(2, 3), 0.0f);

    // No block at all.
    TempFile g("no block here\n");
    vcl::TTextFile G(g.Path());
    G.Reset();
    EXPECT_FALSE(t.ReadFromClearTextFileCTABG(G));
    EXPECT_EQ(t.GetNumAtoms(), 2);
}

TEST(CStructFiles, MolConnXListing)
{
    TCTab t;
    ASSERT_TRUE(ReadMol(t, Ethanol));
    TempFile f;
    vcl::TTextFile F(f.Path());
    F.Rewrite();
    t.WriteToMolConnXFile(7, F);
    F.Close();
    EXPECT_EQ(f.Content(), "7 3 ethanol\r\n  1 C 3 1 2\r\n  2 C 2 2 1 3\r\n  3 O 1 1 2\r\n");
}

TEST(CStructFiles, WrittenTablesReadBackAtTheEdges)
{
    // An empty table in the plain-text format, and a molfile name with
    // control bytes, which the file and the stream readers both drop.
    TCTab empty;
    TempFile out;
    vcl::TTextFile F(out.Path());
    F.Rewrite();
    empty.WriteToClearTextFile(F);
    F.Close();
    F.Reset();
    TCTab back;
    EXPECT_TRUE(back.ReadFromClearTextFile(F)) << back.GetReadError();
    EXPECT_EQ(back.GetNumAtoms(), 0);

    const std::string named = std::string("a\x01") + '\0' + "b\tc" + OneAtom("C").substr(1);
    TCTab t;
    ASSERT_TRUE(ReadMol(t, named));
    EXPECT_EQ(t.GetStrucName(), "ab\tc");
    vcl::TStringStream s(named);
    ASSERT_TRUE(back.ReadFromMDLMolStream(s));
    EXPECT_EQ(back.GetStrucName(), "ab\tc");
}
