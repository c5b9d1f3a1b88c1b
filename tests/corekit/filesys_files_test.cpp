// Text files, the data-file header, sizes, file detection and long names.
#include <string>

#include <gtest/gtest.h>

#include "corekit/PYX_filesys.h"
#include "filesys_fixture.h"
#include "vcl/Streams.h"
#include "vcl/TextFile.h"

using namespace PYX_filesys;

namespace {

using FileSysText = TempDirTest;

TEST_F(FileSysText, CheckTextFileTypeLooksOnlyAtTheBytesThatExist)
{
    struct Case {
        std::string bytes;
        TTextfileType type;
    } const cases[] = {
        {"", tftUnknown},
        {std::string("\xFF\xFE", 2), tftUnicode_le}, // an empty UTF-16 text, not UTF-32
        {std::string("\xFF\xFE\x41\x00", 4), tftUnicode_le},
        {std::string("\xFF\xFE\x00\x00", 4), tftUnicode4_le},
        {std::string("\x00\x00\xFE\xFF", 4), tftUnicode4_be},
        {std::string("\x00\x00\xFE", 3), tftUnknown},
        {std::string("\xFE\xFF\x00\x41", 4), tftUnicode_be},
        {"\xEF\xBB\xBF", tftUTF8},
        {"\xEF\xBB\xBF" "abc", tftUTF8},
        {"\xEF\xBB", tftUnknown},
        {"{\\rtf1\\ansi", tftRTF},
        {"{\\r", tftRTF},
        {"{\\", tftUnknown},
        {"plain", tftUnknown},
    };
    for (const auto& c : cases) {
        Write("t.bin", c.bytes);
        EXPECT_EQ(CheckTextFileType(P("t.bin")), c.type) << testing::PrintToString(c.bytes);
    }
    EXPECT_THROW(CheckTextFileType(P("missing.bin")), vcl::EInOutError);
}

TEST_F(FileSysText, DetectStringInFileCountsCharactersUpToTheHit)
{
    for (const char* text : {"abc\r\nxyz", "abc\nxyz\n", "abc\rxyz"}) {
        Write("d.txt", text);
        EXPECT_EQ(DetectStringInFile(P("d.txt"), "y", false, 100), 5);
        EXPECT_EQ(DetectStringInFile(P("d.txt"), "y", false, 5), 5);
        EXPECT_EQ(DetectStringInFile(P("d.txt"), "y", false, 4), 0);
        EXPECT_EQ(DetectStringInFile(P("d.txt"), "Y", false, 100), 0);
        EXPECT_EQ(DetectStringInFile(P("d.txt"), "Y", true, 100), 5);
        EXPECT_EQ(DetectStringInFile(P("d.txt"), "a", false, 100), 1);
        EXPECT_EQ(DetectStringInFile(P("d.txt"), "q", false, 100), 0);
        EXPECT_EQ(DetectStringInFile(P("d.txt"), "", false, 100), 0);
        EXPECT_EQ(DetectStringInFile(P("d.txt"), "a", false, 0), 0);
    }
    EXPECT_THROW(DetectStringInFile(P("missing.txt"), "a", false, 10), vcl::EInOutError);
}

TEST_F(FileSysText, CountLinesInTextFile)
{
    struct Case {
        const char* text;
        int32_t lines;
    } const cases[] = {
        {"", 0}, {"a", 1}, {"a\n", 1}, {"a\r\nb", 2}, {"a\rb\r", 2}, {"\n\n", 2}, {"\r\n\r\n", 2}, {"a\n\rb", 3},
    };
    for (const auto& c : cases) {
        Write("c.txt", c.text);
        EXPECT_EQ(CountLinesInTextFile(P("c.txt")), c.lines) << testing::PrintToString(std::string(c.text));
    }
    // An open file is rewound before and after counting.
    Write("c.txt", "first\r\nsecond\r\nthird");
    vcl::TTextFile f(P("c.txt"));
    f.Reset();
    EXPECT_EQ(f.ReadLn(), "first");
    EXPECT_EQ(CountLinesInTextFile(f), 3);
    EXPECT_EQ(f.ReadLn(), "first");
    f.Close();
    EXPECT_THROW(CountLinesInTextFile(P("missing.txt")), vcl::EInOutError);
}

TEST_F(FileSysText, ReadNextWordInTextFile)
{
    struct Case {
        const char* text;
        std::vector<std::string> words;
    } const cases[] = {
        {"  ab", {"ab", ""}},
        {"one two\r\nthree", {"one", "two", "three", ""}},
        {"\t\x01x\x02y", {"x", "y", ""}},
        {"", {""}},
        {"caf\xe9 ok", {"caf\xe9", "ok", ""}},
    };
    for (const auto& c : cases) {
        Write("w.txt", c.text);
        vcl::TTextFile f(P("w.txt"));
        f.Reset();
        for (const std::string& want : c.words) {
            std::string w = "junk";
            ReadNextWordInTextFile(f, w);
            EXPECT_EQ(w, want) << c.text;
        }
        f.Close();
    }
}

TEST_F(FileSysText, AppendToTextFileCreatesButNeverTruncates)
{
    AppendToTextFile(P("new.txt"), "one");
    EXPECT_EQ(Read("new.txt"), "one\r\n");
    AppendToTextFile(P("new.txt"), std::vector<std::string>{"two", "", "three"});
    EXPECT_EQ(Read("new.txt"), "one\r\ntwo\r\n\r\nthree\r\n");
    AppendToTextFile(P("new.txt"), std::vector<std::string>{});
    EXPECT_EQ(Read("new.txt"), "one\r\ntwo\r\n\r\nthree\r\n");
    EXPECT_THROW(AppendToTextFile(P("no/such/dir/x.txt"), "x"), vcl::EInOutError);
}

struct Header {
    int32_t result;
    std::string title;
    int32_t i1 = -99, i2 = -99;
    bool f[4] = {true, true, true, true};
};

Header FromFile(const std::string& path)
{
    Header h;
    h.result = ReadHeaderOfASC(path, h.title, h.i1, h.i2, h.f[0], h.f[1], h.f[2], h.f[3]);
    return h;
}

Header FromStream(const std::string& bytes)
{
    vcl::TStringStream s(bytes);
    Header h;
    h.result = ReadHeaderOfASC(s, h.title, h.i1, h.i2, h.f[0], h.f[1], h.f[2], h.f[3]);
    return h;
}

TEST_F(FileSysText, ReadHeaderOfASCInBothForms)
{
    struct Case {
        const char* text;
        int32_t result, i1, i2;
        bool f[4];
        int32_t streamResult; // where the stream form differs (tabs are not turned into blanks)
    } const cases[] = {
        {"Title\r\n12\r\n3\r\ntrue false TRUE x\r\n", 0, 12, 3, {true, false, true, false}, 0},
        {"Title\n12\n3\ntrue false TRUE x\n", 0, 12, 3, {true, false, true, false}, 0},
        {"Title\n  -7 rest\n+4x\n  FALSE false false  true  \n", 0, -7, 4, {false, false, false, true}, 0},
        {"Title\n12\n3\ntruefalsetruetrue\n", 0, 12, 3, {true, false, true, true}, 0},
        {"Title\n12\n3\nmaybe\n", -3, 12, 3, {false, false, false, false}, -3},
        {"Title\n12\n3\ntrue false\n", -3, 12, 3, {true, false, false, false}, -3},
        {"Title\nx\n3\ntrue true true true\n", -1, 0, 0, {true, true, true, true}, -1},
        {"Title\n12\n\ntrue true true true\n", -2, 12, 0, {true, true, true, true}, -2},
        {"Title\n12\n-\n", -2, 12, 0, {true, true, true, true}, -2},
        {"Title", -1, 0, 0, {true, true, true, true}, -1},
        {"Title\n1\n2\ntrue\tfalse\ttrue\ttrue\n", 0, 1, 2, {true, false, true, true}, -3},
    };
    for (const auto& c : cases) {
        Write("h.asc", c.text);
        const Header file = FromFile(P("h.asc"));
        const Header stream = FromStream(c.text);
        for (const Header* h : {&file, &stream}) {
            const bool isStream = h == &stream;
            SCOPED_TRACE(std::string(isStream ? "stream: " : "file: ") + c.text);
            const int32_t want = isStream ? c.streamResult : c.result;
            EXPECT_EQ(h->result, want);
            EXPECT_EQ(h->title, "Title");
            EXPECT_EQ(h->i1, c.i1);
            if (c.result != -1) {
                EXPECT_EQ(h->i2, c.i2);
            }
            if (want == 0) {
                for (int k = 0; k < 4; ++k) EXPECT_EQ(h->f[k], c.f[k]) << k;
            }
        }
    }
    std::string t;
    int32_t a, b;
    bool x, y, z, w;
    EXPECT_THROW(ReadHeaderOfASC(P("missing.asc"), t, a, b, x, y, z, w), vcl::EInOutError);
}

using FileSysFiles = TempDirTest;

TEST_F(FileSysFiles, GetFileSizeTakesTheFirstMatch)
{
    Write("data.bin", "12345");
    Write("b.bin", "1");
    Write("c.BIN", "123");
    MkDir("sub.bin");
    EXPECT_EQ(GetFileSize(P("data.bin")), 5);
    EXPECT_EQ(GetFileSize(P("DATA.BIN")), 5);       // case does not matter for a lookup
    EXPECT_EQ(GetFileSize(P("*.bin")), 1);          // b.bin sorts first
    EXPECT_EQ(GetFileSize(P("c.*")), 3);
    EXPECT_EQ(GetFileSize(P("missing.bin")), -1);
    EXPECT_EQ(GetFileSize(P("nodir/data.bin")), -1);
    EXPECT_EQ(GetFileSize(""), -1);
    EXPECT_EQ(GetFileSize(P("sub.bin")), 0);
}

TEST_F(FileSysFiles, FileDetectSearchesSubdirectoriesDepthFirst)
{
    Write("a/deep/target.TXT", "deep");
    Write("b/target.txt", "b");
    Write(".hidden/target.txt", "hidden");
    ASSERT_EQ(::symlink(dir_.c_str(), P("a/loop").c_str()), 0); // must not be followed
    EXPECT_EQ(FileDetect(P("target.txt")), P("a/deep/target.TXT"));
    Write("Target.txt", "top");
    EXPECT_EQ(FileDetect(P("target.txt")), P("Target.txt"));
    EXPECT_EQ(FileDetect(P("TARGET.TXT")), P("Target.txt"));
    EXPECT_EQ(FileDetect(P("nothing.txt")), "");
    EXPECT_EQ(FileDetect(P("nodir/target.txt")), "");
    EXPECT_EQ(FileDetect(P("")), "");
}

TEST_F(FileSysFiles, DOSToWinPathSpellsComponentsAsOnDisk)
{
    Write("Docs/Readme.TXT", "x");
    EXPECT_EQ(DOSToWinPath(P("docs\\readme.txt")), P("Docs/Readme.TXT"));
    EXPECT_EQ(DOSToWinPath(P("DOCS/README.TXT")), P("Docs/Readme.TXT"));
    // From the first missing component on, the rest is kept as given.
    EXPECT_EQ(DOSToWinPath(P("docs/missing/x.txt")), P("Docs/missing/x.txt"));
    EXPECT_EQ(DOSToWinPath(P("docs/./sub/../readme.txt")), P("Docs/Readme.TXT"));
    EXPECT_EQ(DOSToWinPath("c:\\"), "/");
    EXPECT_EQ(DOSToWinPath("."), std::filesystem::current_path().string());
}

} // namespace
