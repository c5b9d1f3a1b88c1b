// The smaller helpers of the string library: quoted names and parameters,
// uuencoding, line coordinates and the tag reader on strings.
#include <array>

#include <gtest/gtest.h>

#include "corekit/PYX_stringl.h"

using namespace PYX_stringl;

namespace {

// Feeds Text character by character until the name ends.
std::pair<std::string, TQuotedStrState> ParseName(std::string_view Text, char Quote = '"')
{
    std::string name;
    TQuotedStrState state = vsStart;
    for (char c : Text) {
        ParseQuotedName(c, Quote, name, state);
        if (state == vsEnd) break;
    }
    return {name, state};
}

TEST(ParseQuotedName, States)
{
    struct Case { std::string_view text; std::string_view name; TQuotedStrState state; } cases[] = {
        {"  \"a b\"rest", "a b", vsEnd},
        {"\"a\"\"b\"", "a\"b", vsQuote},    // doubled quote; complete at the end of the input
        {"\"a\"\"\"", "a\"", vsQuote},
        {"abc def", "abc", vsEnd},
        {"abc", "abc", vsNormal},
        {"\"abc", "abc", vs1stQuote},       // closing quote missing
        {"\"\"", "", vsQuote},              // an empty quoted name
        {"", "", vsStart},
        {" \t ", "", vsStart},
    };
    for (const auto& c : cases) {
        const auto [name, state] = ParseName(c.text);
        EXPECT_EQ(name, c.name) << c.text;
        EXPECT_EQ(state, c.state) << c.text;
    }
    // Once ended, nothing changes.
    std::string name = "x";
    TQuotedStrState state = vsEnd;
    ParseQuotedName('y', '"', name, state);
    EXPECT_EQ(name, "x");
    EXPECT_EQ(state, vsEnd);
    EXPECT_EQ(ParseName("'it''s' x", '\'').first, "it's");
}

TEST(ExtractParam, FieldsQuotesAndBlanks)
{
    struct Case { std::string_view s; int32_t ix; char sep, quote; bool ok; std::string_view want; } cases[] = {
        {"a, \"b,c\" ,d", 1, ',', '"', true, "a"},
        {"a, \"b,c\" ,d", 2, ',', '"', true, "b,c"},   // separator inside quotes
        {"a, \"b,c\" ,d", 3, ',', '"', true, "d"},
        {"a, \"b,c\" ,d", 4, ',', '"', false, ""},
        {"a, \"b,c\" ,d", 0, ',', '"', false, ""},
        {"x;\"say \"\"hi\"\"\"", 2, ';', '"', true, "say \"hi\""},
        {"x;\"abc", 2, ';', '"', false, ""},           // quote not closed
        {"x;\"ab\"junk;y", 3, ';', '"', true, "y"},     // text after the closing quote is ignored
        {"a,,c", 2, ',', '"', true, ""},
        {"a,", 2, ',', '"', true, ""},
        {"", 1, ',', '"', false, ""},
        {"  a   b ", 2, ' ', '"', true, "b"},          // runs of blanks separate once
        {"  a   b ", 3, ' ', '"', false, ""},
        {"cmd \"two words\" x", 2, ' ', '"', true, "two words"},
    };
    for (const auto& c : cases) {
        std::string p = "stale";
        EXPECT_EQ(ExtractParam(c.s, c.ix, c.sep, c.quote, p), c.ok) << c.s << " #" << c.ix;
        EXPECT_EQ(p, c.want) << c.s << " #" << c.ix;
    }
}

TEST(UUEncode, KnownLinesAndRoundTrip)
{
    EXPECT_EQ(UUEncodeStr("Cat"), "#0V%T");
    EXPECT_EQ(UUEncodeStr(std::string_view("\0\0\0", 3)), "#````");
    EXPECT_EQ(UUEncodeStr("a"), "!80``");
    EXPECT_EQ(UUEncodeStr(""), "");

    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    const std::string enc = UUEncodeStr(all);
    EXPECT_EQ(std::count(enc.begin(), enc.end(), '\n'), 5); // 45-byte lines
    EXPECT_EQ(enc.substr(0, 1), "M");                       // 32 + 45
    EXPECT_EQ(UUDecodeStr(enc), all);
    for (std::size_t n = 0; n < 50; ++n) EXPECT_EQ(UUDecodeStr(UUEncodeStr(all.substr(100, n))), all.substr(100, n));
}

TEST(UUDecode, TolerantFormsAndMalformedInput)
{
    struct Case { std::string_view in, want; } cases[] = {
        {"#0V%T", "Cat"},
        {"#0V%T\r\n", "Cat"},
        {"#0V%T\n`\n", "Cat"},                 // closing line
        {"#    ", std::string_view("\0\0\0", 3)}, // blanks as zero groups
        {"!80", "a"},                          // unneeded padding left out
        {"#0V%T\n#0V%T", "CatCat"},
        {"#0V", ""},                           // line shorter than its length says
        {"#0V%\x7F", ""},                      // character outside the alphabet
        {"\x1F", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(UUDecodeStr(c.in), c.want) << c.in;
}

TEST(TextLineCoords, LinesEndAtLfCrLfAndCr)
{
    const std::string_view text = "ab\r\ncd\ref\ngh";
    struct Case { int32_t pos, line, col; } cases[] = {
        {1, 1, 1}, {3, 1, 3}, {4, 1, 4}, {5, 2, 1}, {7, 2, 3}, {8, 3, 1},
        {10, 3, 3}, {11, 4, 1}, {12, 4, 2}, {0, 0, 0}, {13, 0, 0}, {-1, 0, 0},
    };
    for (const auto& c : cases) {
        int32_t line = -1, col = -1;
        TextLineCoords(text, c.pos, line, col);
        EXPECT_EQ(line, c.line) << c.pos;
        EXPECT_EQ(col, c.col) << c.pos;
    }
}

constexpr std::array<std::string_view, 4> kTags = {"posxy", "caption", "/obj", "dummy"};

struct TagStep {
    int32_t index;
    std::string_view content, attributes;
};

void ExpectTags(std::string_view s, std::initializer_list<TagStep> steps)
{
    int32_t pos = 1;
    int n = 0;
    for (const auto& st : steps) {
        std::string content = "stale", attributes = "stale";
        EXPECT_EQ(ReadNextTagInString(s, pos, kTags, content, attributes), st.index) << s << " step " << n;
        EXPECT_EQ(content, st.content) << s << " step " << n;
        EXPECT_EQ(attributes, st.attributes) << s << " step " << n;
        ++n;
    }
    EXPECT_EQ(pos, static_cast<int32_t>(s.size()) + 1) << s;
}

TEST(ReadNextTagInString, Elements)
{
    ExpectTags("<caption>Hello</Caption>", {{1, "Hello", ""}, {3, "", ""}});
    ExpectTags("<posxy x=1 y=2 />", {{0, "", "x=1 y=2"}});
    ExpectTags("<other/>", {{3, "", ""}});
    ExpectTags("", {{3, "", ""}});
    ExpectTags("<CAPTION lang=de>x</caption>", {{1, "x", "lang=de"}});
    ExpectTags("text <caption>Hi</caption>\r\n  <posxy\r\n x=1/>\r\n</obj>tail",
               {{1, "Hi", ""}, {0, "", "x=1"}, {2, "", ""}, {3, "", ""}});
    // Unknown elements are read with their content and skipped as a whole.
    ExpectTags("<other><caption>a</caption></other><posxy/>", {{3, "<caption>a</caption>", ""}, {0, "", ""}});
    // Declarations and comments carry no content.
    ExpectTags("<?xml version=\"1.0\"?><!-- note --><caption>a</caption>",
               {{3, "", "version=\"1.0\"?"}, {3, "", "note --"}, {1, "a", ""}});
    // Malformed: no closing tag, no ">".
    ExpectTags("<caption>abc", {{1, "abc", ""}});
    ExpectTags("<caption", {{1, "", ""}});
}

TEST(ReadNextTagInString, PositionsAndEmptyList)
{
    std::string content, attributes;
    int32_t pos = -3;
    EXPECT_EQ(ReadNextTagInString("<posxy/>x", pos, kTags, content, attributes), 0);
    EXPECT_EQ(pos, 9);
    pos = 50;
    EXPECT_EQ(ReadNextTagInString("<posxy/>", pos, kTags, content, attributes), 3);
    EXPECT_EQ(pos, 9);
    pos = 1;
    EXPECT_EQ(ReadNextTagInString("<posxy/>", pos, {}, content, attributes), -1);
}

TEST(DetectNextTagInString, LooksAheadWithoutConsuming)
{
    const std::string_view s = "  <posxy x=1/> <caption>t</caption>";
    int32_t pos = 1;
    EXPECT_EQ(DetectNextTagInString(s, pos, kTags), 0);
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(DetectNextTagInString(s, pos, kTags), 0); // still there
    std::string content, attributes;
    EXPECT_EQ(ReadNextTagInString(s, pos, kTags, content, attributes), 0);
    EXPECT_EQ(attributes, "x=1");
    EXPECT_EQ(DetectNextTagInString(s, pos, kTags), 1);
    EXPECT_EQ(pos, 16);
    EXPECT_EQ(ReadNextTagInString(s, pos, kTags, content, attributes), 1);
    EXPECT_EQ(content, "t");
    EXPECT_EQ(DetectNextTagInString(s, pos, kTags), 3);
    EXPECT_EQ(pos, static_cast<int32_t>(s.size()) + 1);
}

} // namespace
