#include <iconv.h>

#include <gtest/gtest.h>

#include "vcl/Cp1252.h"

using namespace vcl::literals;

namespace {

std::string AllBytes(int from, int to)
{
    std::string s;
    for (int i = from; i <= to; ++i) s += static_cast<char>(i);
    return s;
}

TEST(Cp1252Literal, ConvertsAtCompileTime)
{
    constexpr std::string_view maerz = "März"_cp;
    static_assert(maerz.size() == 4);
    EXPECT_EQ(maerz, std::string_view("M\xE4rz"));
    EXPECT_EQ("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ"_cp,
              std::string_view("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94\x95\x96\x97"
                               "\x98\x99\x9A\x9B\x9C\x9E\x9F"));
    EXPECT_EQ("ÿ"_cp, std::string_view("\xFF"));
    EXPECT_EQ(""_cp, std::string_view());
}

TEST(Cp1252, RoundTripsEveryByteThroughUtf8)
{
    std::string all = AllBytes(0, 255);
    std::string utf8 = vcl::Cp1252ToUtf8(all);
    EXPECT_EQ(vcl::Utf8ToCp1252(utf8), all);
    EXPECT_EQ(vcl::Cp1252ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(vcl::Cp1252ToUtf8("\xE4"), "\xC3\xA4");
}

TEST(Cp1252, UnmappableAndMalformedUtf8BecomeQuestionMarks)
{
    struct Case { const char* in; const char* out; } cases[] = {
        {"\xE2\x88\x9E", "?"},     // infinity sign: not in cp1252
        {"a\xC3", "a?"},           // truncated sequence
        {"\xFF\xFEz", "??z"},      // invalid lead bytes
        {"\xC3(", "?("},           // bad continuation
        {"\xF0\x9F\x98\x80", "?"}, // outside the BMP
    };
    for (auto c : cases) EXPECT_EQ(vcl::Utf8ToCp1252(c.in), c.out) << c.in;
}

TEST(Case, AsciiTableTouchesOnlyLatinLetters)
{
    EXPECT_EQ(vcl::AsciiUpperCase("abz{\xE4\x9A"), "ABZ{\xE4\x9A");
    EXPECT_EQ(vcl::AsciiLowerCase("ABZ@\xC4\x8A"), "abz@\xC4\x8A");
}

TEST(Case, AnsiTablePairsAccentedLetters)
{
    struct Case { unsigned char lower, upper; } pairs[] = {
        {0xE4, 0xC4}, {0xE0, 0xC0}, {0xFE, 0xDE}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}, {'q', 'Q'},
    };
    for (auto p : pairs) {
        EXPECT_EQ(vcl::AnsiUpper(p.lower), p.upper);
        EXPECT_EQ(vcl::AnsiLower(p.upper), p.lower);
    }
    for (int fixed : {0xD7, 0xF7, 0xDF, 0xB5, 0x80, 0x31}) {
        EXPECT_EQ(vcl::AnsiUpper(static_cast<unsigned char>(fixed)), fixed);
        EXPECT_EQ(vcl::AnsiLower(static_cast<unsigned char>(fixed)), fixed);
    }
    EXPECT_TRUE(vcl::AnsiSameText("M\xC4RZ", "m\xE4rz"));
    EXPECT_FALSE(vcl::AnsiSameText("abc", "abd"));
    EXPECT_FALSE(vcl::AnsiSameText("abc", "ab"));
}

// The C library's converter is an independent reference for code page 850.
std::string Iconv(const std::string& in, const char* to, const char* from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string out;
    for (char ch : in) {
        char inbuf[1] = {ch};
        char outbuf[8];
        char* ip = inbuf;
        char* op = outbuf;
        size_t il = 1, ol = sizeof outbuf;
        if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) out += '?';
        else out.append(outbuf, static_cast<size_t>(op - outbuf));
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

TEST(Oem, MatchesTheSystemConverter)
{
    std::string high = AllBytes(0x80, 0xFF);
    std::string expectedAnsi = Iconv(high, "CP1252", "CP850");
    if (expectedAnsi.empty()) GTEST_SKIP() << "no CP850 converter on this system";
    EXPECT_EQ(vcl::OemToChar(high), expectedAnsi);
    std::string ansi = AllBytes(0xA0, 0xFF);
    EXPECT_EQ(vcl::CharToOem(ansi), Iconv(ansi, "CP850", "CP1252"));
    EXPECT_EQ(vcl::CharToOem("\xE4\xDF\xC4"), "\x84\xE1\x8E");
    EXPECT_EQ(vcl::OemToChar("\x84\xE1\x8E"), "\xE4\xDF\xC4");
    EXPECT_EQ(vcl::CharToOem("plain"), "plain");
}

} // namespace
