// Searching, counting, editing, parsing and scrambling of the string library.
#include <gtest/gtest.h>

#include "corekit/PYX_stringl.h"
#include "vcl/Cp1252.h"
#include "vcl/System.h"

using namespace PYX_stringl;
using namespace vcl::literals;

namespace {

std::string AllBytes()
{
    std::string s;
    for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
    return s;
}

// ---------------------------------------------------------------------------
// Searching and counting

TEST(Search, NumberedPos)
{
    struct Case { std::string_view sub, s; int32_t start, num; bool ic; int32_t want; } cases[] = {
        {"bc", "abcabc", 1, 2, false, 5},
        {"bc", "abcabc", 3, 1, false, 5},
        {"bc", "abcabc", 6, 1, false, 0},
        {"aa", "aaaa", 1, 2, false, 3},  // occurrences do not overlap
        {"aa", "aaa", 1, 2, false, 0},
        {"BC", "abcabc", 1, 1, false, 0},
        {"BC", "abcabc", 1, 1, true, 2},
        {"Ä"_cp, "xxä"_cp, 1, 1, true, 3},
        {"a", "abc", 0, 1, false, 1},    // StartAt below 1 counts as 1
        {"a", "abc", -5, 1, false, 1},
        {"c", "abc", 4, 1, false, 0},
        {"a", "abc", 1, 0, false, 0},
        {"a", "abc", 1, -1, false, 0},
        {"", "abc", 1, 1, false, 0},     // an empty Sub is never found
        {"abcd", "abc", 1, 1, false, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NumberedPos(c.sub, c.s, c.start, c.num, c.ic), c.want) << c.sub << " in " << c.s;
}

TEST(Search, PosLastAndCounts)
{
    struct Case { std::string_view sub, s; int32_t last, count; } cases[] = {
        {"bc", "abcabc", 5, 2}, {"aa", "aaa", 1, 1}, {"aa", "aaaa", 3, 2}, {"aa", "aaaaa", 3, 2},
        {"x", "abc", 0, 0},     {"", "abc", 0, 0},   {"", "", 0, 0},       {"abc", "abc", 1, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PosLast(c.sub, c.s), c.last) << c.sub << " in " << c.s;
        EXPECT_EQ(CountStringInString(c.sub, c.s, true), c.count) << c.sub << " in " << c.s;
    }
    EXPECT_EQ(CountStringInString("AB", "abAb", false), 2);
    EXPECT_EQ(CountStringInString("AB", "abAb", true), 0);
    EXPECT_EQ(CountCharInString('a', "aAa", true), 2);
    EXPECT_EQ(CountCharInString('a', "aAa", false), 3);
    EXPECT_EQ(CountCharInString("ä"_cp[0], "ÄäA"_cp, false), 2);
}

// WordSeps is process-wide: restore it after each test.
class WordSepsTest : public ::testing::Test {
protected:
    void TearDown() override { WordSeps = DefaultWordSeps(); }
};

TEST_F(WordSepsTest, CountWordsCountsRunsOfTwoOrMore)
{
    struct Case { std::string_view s; int32_t want; } cases[] = {
        {"a big tree", 2},        // the final word counts
        {"a big tree.", 2},
        {"an apple tree", 3},
        {"hello", 1},
        {"a", 0},
        {"", 0},
        {"well-known fact", 3},
        {"x,y;z", 0},             // one-character runs never count
        {std::string_view("ab\0cd", 5), 2},
        {"\"quoted\" (text)", 2},
    };
    for (const auto& c : cases) EXPECT_EQ(CountWords(c.s), c.want) << c.s;
}

TEST_F(WordSepsTest, ReadersFollowChangesOfTheSet)
{
    EXPECT_EQ(CountWords("one_two"), 1);
    WordSeps.set('_');
    EXPECT_EQ(CountWords("one_two"), 2);
    EXPECT_EQ(ExtractWordFromString("one_two", 2), "one");
    WordSeps.reset(' ');
    EXPECT_EQ(CountWords("a b c"), 1);
    WordSeps = DefaultWordSeps();
    EXPECT_EQ(CountWords("one_two"), 1);
    const std::string_view members = " \"#%'()*+,-./:;<=>[\\]{}";
    for (int b = 0; b < 256; ++b) {
        const bool expected = b == 0 || b == 10 || b == 13 || members.find(static_cast<char>(b)) != std::string_view::npos;
        EXPECT_EQ(WordSeps[b], expected) << b;
    }
}

TEST(Search, SmallPredicates)
{
    const std::vector<std::string> entries = {"a", "b", "b"};
    EXPECT_EQ(StringIx("b", entries), 2);
    EXPECT_EQ(StringIx("B", entries), 0);
    EXPECT_EQ(StringIx("c", {"a", "c"}), 2);
    EXPECT_EQ(StringIx("c", std::span<const std::string>()), 0);

    EXPECT_TRUE(TestAllChar("xxx", 'x'));
    EXPECT_FALSE(TestAllChar("xyx", 'x'));
    EXPECT_FALSE(TestAllChar("", 'x'));

    EXPECT_EQ(FindFirstNonBlank("  a"), 3);
    EXPECT_EQ(FindFirstNonBlank("   "), 0);
    EXPECT_EQ(FindFirstNonBlank(""), 0);
    EXPECT_EQ(FindFirstNonBlank("\ta"), 1); // only the blank is skipped

    struct Abbr { std::string_view s; bool want; } abbr[] = {
        {"NATO", true}, {"MS2", true},      {"ABCD def", true}, {"ABC def", false}, {"DNA-Test", false},
        {"GmbH", false}, {"A", false},      {"", false},        {"x ABC y", true}, {"x AB y", false},    {"ÄÖÜ"_cp, false},
    };
    for (const auto& a : abbr) EXPECT_EQ(IsAbbreviation(a.s), a.want) << a.s;

    EXPECT_TRUE(EqualAnsiStrings("MÄRZ"_cp, "märz"_cp));
    EXPECT_FALSE(EqualAnsiStrings("abc", "abd"));
}

// ---------------------------------------------------------------------------
// Editing

TEST(Edit, ReplaceAndRemove)
{
    EXPECT_EQ(ReplaceCharInString("a.b.c", '.', '/'), "a/b/c");
    struct Case { std::string_view s, old, neu; bool ic; std::string_view want; } cases[] = {
        {"aaa", "a", "aa", false, "aaaaaa"},         // the search resumes after the inserted text
        {"Hello hello", "HELLO", "bye", true, "bye bye"},
        {"Hello hello", "HELLO", "bye", false, "Hello hello"},
        {"abcabc", "bc", "", false, "aa"},
        {"abc", "", "x", false, "abc"},             // an empty Old changes nothing
        {"", "a", "b", false, ""},
        {"ÄRGER ärger"_cp, "ä"_cp, "ae", true, "aeRGER aerger"},
    };
    for (const auto& c : cases) EXPECT_EQ(ReplaceStringInString(c.s, c.old, c.neu, c.ic), c.want) << c.s;

    EXPECT_EQ(RemoveCharInString("a-b-c-", '-'), "abc");
    EXPECT_EQ(RemoveControlChars(std::string_view("a\tb\x7F\x01\x80\0c", 8)), "ab\x7F\x80" "c");
}

TEST(Edit, StripAndEnsure)
{
    struct Case { std::string_view in, lt, leading, trailing; } cases[] = {
        {"  a b  ", "a b", "a b  ", "  a b"},
        {"   ", "", " ", " "},                // all blanks keep one blank except in StripLTBlanks
        {"", "", "", ""},
        {"x", "x", "x", "x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StripLTBlanks(c.in), c.lt) << '[' << c.in << ']';
        EXPECT_EQ(StripLeadingBlanks(c.in), c.leading) << '[' << c.in << ']';
        EXPECT_EQ(StripTrailingBlanks(c.in), c.trailing) << '[' << c.in << ']';
    }
    EXPECT_EQ(StripLeadingChars('0', "0012"), "12");
    EXPECT_EQ(StripLeadingChars('0', "000"), "");
    EXPECT_EQ(StripTrailingChars('0', "1200"), "12");
    EXPECT_EQ(StripTrailingChars('0', "000"), "0");  // the first character stays
    EXPECT_EQ(StripTrailingChars('0', ""), "");

    EXPECT_EQ(EnsureTrailingChar('/', "a"), "a/");
    EXPECT_EQ(EnsureTrailingChar('/', "a/"), "a/");
    EXPECT_EQ(EnsureTrailingChar('/', ""), "");
    EXPECT_EQ(EnsureTrailingBkSlash("c:"), "c:\\");
}

TEST(Edit, Widths)
{
    struct Case { std::string_view s; uint8_t w; std::string_view left, right, center; } cases[] = {
        {"abc", 5, "abc  ", "  abc", " abc "},
        {"ab", 7, "ab     ", "     ab", "  ab   "},
        {"abcdef", 3, "abc", "abc", "abc"},  // every form cuts to the first Width characters
        {"", 2, "  ", "  ", "  "},
        {"abc", 0, "", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LeftString(c.s, c.w), c.left) << c.s << " " << int(c.w);
        EXPECT_EQ(RightString(c.s, c.w), c.right) << c.s << " " << int(c.w);
        EXPECT_EQ(CenterString(c.s, c.w), c.center) << c.s << " " << int(c.w);
    }
    EXPECT_EQ(LeftString(std::string(300, 'x'), 255).size(), 255u);

    struct Abbrev { int32_t max; std::string_view want; } abbrev[] = {
        {5, "abc.."}, {6, "abcdef"}, {9, "abcdef"}, {2, ".."}, {1, "."}, {0, ""}, {-3, ""},
    };
    for (const auto& a : abbrev) EXPECT_EQ(AbbrevString("abcdef", a.max), a.want) << a.max;
    EXPECT_EQ(ReverseString("abc"), "cba");
    EXPECT_EQ(ReverseString(""), "");
}

TEST(Edit, CaseAndLetters)
{
    EXPECT_EQ(ChangeCase("aBc Äß1 Ÿ"_cp), "AbC äß1 ÿ"_cp);
    // Long texts go through a block path: compare with the per-byte rule.
    std::string all = AllBytes() + "Mixed CASE text, plain ASCII only in this stretch!" + AllBytes();
    std::string swapped = ChangeCase(all);
    ASSERT_EQ(swapped.size(), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        const auto c = static_cast<unsigned char>(all[i]);
        const unsigned char want = vcl::AnsiUpper(c) == c ? vcl::AnsiLower(c) : vcl::AnsiUpper(c);
        EXPECT_EQ(static_cast<unsigned char>(swapped[i]), want) << i;
    }

    EXPECT_EQ(CapitalizeString("hello world-wide 3rd äpfel x_y"_cp), "Hello World-Wide 3rd äpfel X_Y"_cp);
    EXPECT_EQ(ExpandDiphthongs("Ärger Ö ÜBER straße µm Ü"_cp), "Aerger OE UEBER strasse um UE");
    EXPECT_EQ(ExpandDiphthongs("äöü"_cp), "aeoeue");
    EXPECT_EQ(ReduceStringToAZ09("a-b c_9ä"_cp), "a_b_c_9_");
    EXPECT_EQ(ReduceStringToFN83CompliantChars("a b*c?.txt{~}`'!#$%&()-@^_|<>\"/\\:;=+,[]ä\x7F"_cp),
              "a_b_c_.txt{~}`'!#$%&()-@^________________");
}

TEST(Edit, ProcessHexChars)
{
    struct Case { std::string_view in, want; } cases[] = {
        {"\\#41", "A"},
        {"x\\#41y", "xAy"},
        {"\\#6a\\#6A", "jj"},
        {"\\\\", "\\"},
        {"\\\\#41", "\\#41"},            // the produced backslash starts nothing
        {"\\#5C#41", "\\#41"},           // neither does a produced byte
        {"\\# 4x", std::string_view("\x04x", 2)},  // blanks before the digits are skipped
        {"\\#4z", std::string_view("\x04", 1)},    // reading stops at the first non-hex character
        {"\\#4", std::string_view("\x04", 1)},     // fewer than two characters left
        {"\\#00", std::string_view("\0", 1)},
        {"\\#zz", "\\#zz"},              // no hex digit: unchanged
        {"\\#", "\\#"},
        {"\\# ", "\\# "},
        {"\\a", "\\a"},
        {"end\\", "end\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(ProcessHexChars(c.in), c.want) << c.in;
}

TEST(Edit, OemConversion)
{
    EXPECT_EQ(OEMString("Märchen"_cp), "M\x84rchen");
    EXPECT_EQ(WinAnsiString("M\x84rchen"), "Märchen"_cp);
    EXPECT_EQ(OEMString(std::string(300, 'a')).size(), 255u);
    EXPECT_EQ(WinAnsiString(std::string(300, 'a')).size(), 255u);
}

// ---------------------------------------------------------------------------
// Parsing

struct LineStep {
    std::string_view line;
    int32_t pos;
    bool eos;
};

void ExpectLines(std::string_view s, int32_t mode, std::initializer_list<LineStep> steps)
{
    int32_t pos = 1;
    bool eos = false;
    int n = 0;
    for (const auto& st : steps) {
        const std::string line = ReadLnString(s, pos, eos, mode);
        EXPECT_EQ(line, st.line) << "mode " << mode << " step " << n;
        EXPECT_EQ(pos, st.pos) << "mode " << mode << " step " << n;
        EXPECT_EQ(eos, st.eos) << "mode " << mode << " step " << n;
        ++n;
    }
}

TEST(Parse, ReadLnStringModes)
{
    ExpectLines("ab\ncd\r\nef", 0, {{"ab", 4, false}, {"cd", 8, false}, {"ef", 10, true}, {"", 10, true}});
    ExpectLines("ab\r\ncd", 1, {{"ab", 4, false}, {"cd", 7, true}});
    ExpectLines("a\r\nb", 2, {{"a", 3, false}, {"", 4, false}, {"b", 5, true}});
    ExpectLines("a\n\rb\rc", 3, {{"a", 4, false}, {"bc", 7, true}});
    ExpectLines("ab\tc\r\n", 4, {{"abc", 7, false}, {"", 7, true}});
    ExpectLines("a\rb", 4, {{"ab", 4, true}});
    ExpectLines("a\nb", 9, {{"ab", 4, true}});
    ExpectLines("", 0, {{"", 1, true}});
}

TEST(Parse, ReadLnStringOutOfRangePositions)
{
    int32_t pos = 0;
    bool eos = true;
    EXPECT_EQ(ReadLnString("ab\ncd", pos, eos, 0), "ab");
    EXPECT_FALSE(eos);
    pos = 100;
    EXPECT_EQ(ReadLnString("ab", pos, eos, 0), "");
    EXPECT_TRUE(eos);
    EXPECT_EQ(pos, 3);
}

TEST_F(WordSepsTest, ExtractWordFromString)
{
    struct Case { int32_t pos; std::string_view word; int32_t a, b; } cases[] = {
        {6, "big", 5, 7}, {5, "big", 5, 7},  {8, "-", 8, 8}, {1, "the", 1, 3},
        {12, "tree", 9, 12}, {0, "", 0, 0}, {13, "", 0, 0}, {-4, "", 0, 0},
    };
    for (const auto& c : cases) {
        int32_t a = -1, b = -1;
        EXPECT_EQ(ExtractWordFromString("the big-tree", c.pos, a, b), c.word) << c.pos;
        EXPECT_EQ(a, c.a) << c.pos;
        EXPECT_EQ(b, c.b) << c.pos;
        EXPECT_EQ(ExtractWordFromString("the big-tree", c.pos), c.word) << c.pos;
    }
}

TEST(Parse, ExtractSubString)
{
    struct Case { std::string_view s; int32_t ix; std::string_view delim, want; } cases[] = {
        {"a,b,c", 0, ",", "a"},  {"a,b,c", 1, ",", "b"}, {"a,b,c", 2, ",", "c"}, {"a,b,c", 3, ",", ""},
        {"a,b,c", -1, ",", ""},  {",a", 0, ",", ""},     {"a,,c", 1, ",", ""},   {"a,,c", 2, ",", "c"},
        {"a,b,", 2, ",", ""},    {"", 0, ",", ""},
        {"axXb", 1, "x", "Xb"},                            // delimiters compare case-sensitively
        {"a::b::c", 1, "::", "b"}, {"a::::b", 1, "::", ""}, {"a::::b", 2, "::", "b"},
        {"abc", 0, "", "abc"},   {"abc", 1, "", ""},        // an empty Delim makes one field
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtractSubString(c.s, c.ix, c.delim), c.want) << c.s << " #" << c.ix << " '" << c.delim << "'";
}

TEST(Parse, Tokenize)
{
    struct Case { std::string_view s, delim; std::vector<std::string> want; } cases[] = {
        {"a;b;;c", ";", {"a", "b", "", "c"}},
        {"a;b;", ";", {"a", "b", ""}},
        {"a<>b", "<>", {"a", "b"}},
        {"a;b", "", {"a;b"}},
        {"", ";", {""}},
    };
    for (const auto& c : cases) {
        TOpenStringArray tokens = {"old", "old", "old", "old", "old", "old"};
        Tokenize(c.s, c.delim, tokens);
        EXPECT_EQ(tokens, c.want) << c.s;
    }
}

TEST(Parse, TokenizeLimits)
{
    std::string s;
    for (int i = 0; i < 300; ++i) s += std::to_string(i) + ";";
    TOpenStringArray tokens;
    Tokenize(s, ";", tokens);
    ASSERT_EQ(tokens.size(), 100u);
    EXPECT_EQ(tokens[98], "98");
    EXPECT_EQ(tokens[99].substr(0, 7), "99;100;"); // the unsplit rest
    EXPECT_EQ(tokens[99].size(), 255u);            // cut to 255 characters

    Tokenize(std::string(300, 'x') + ";y", ";", tokens);
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0], std::string(255, 'x'));
    EXPECT_EQ(tokens[1], "y");
}

TEST(CharClasses, AsciiOnly)
{
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const bool digit = b >= '0' && b <= '9';
        const bool letter = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
        const bool hex = digit || (b >= 'A' && b <= 'F') || (b >= 'a' && b <= 'f');
        EXPECT_EQ(IsDigit(c), digit) << b;
        EXPECT_EQ(IsLetter(c), letter) << b;
        EXPECT_EQ(IsDigitLetter(c), digit || letter) << b;
        EXPECT_EQ(IsHexChar(c), hex) << b;
    }
}

// ---------------------------------------------------------------------------
// Scrambling

class ScrambleTest : public ::testing::Test {
protected:
    void TearDown() override { InitScramble(7395); }
};

TEST_F(ScrambleTest, PermutationWithFixedZero)
{
    const std::string all = AllBytes();
    const std::string s = Scramble(all);
    EXPECT_EQ(s[0], '\0');
    std::string sorted = s;
    std::sort(sorted.begin(), sorted.end());
    std::string expected = all;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sorted, expected); // every byte appears once
    EXPECT_NE(s, all);
    EXPECT_EQ(DeScramble(s), all);
}

TEST_F(ScrambleTest, ReproducibleAndPrivate)
{
    const std::string text = "Secret text";
    const std::string atStart = Scramble(text);
    // The tables of seed 7395 are fixed for good: stored scrambled text depends on them.
    EXPECT_EQ(atStart, "\xE6\x10\x37\x76\x10\xA8\xAA\xA8\x10\x0E\xA8");

    vcl::SetRandSeed(42);
    const double first = vcl::Random();
    vcl::SetRandSeed(42);
    InitScramble(1);
    EXPECT_EQ(vcl::Random(), first); // the shared sequence is not touched
    EXPECT_NE(Scramble(text), atStart);
    EXPECT_EQ(DeScramble(Scramble(text)), text);
    InitScramble(7395);
    EXPECT_EQ(Scramble(text), atStart);
}

} // namespace
