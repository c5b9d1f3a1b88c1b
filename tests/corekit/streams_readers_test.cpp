// Binary values, line reading, searches and number scanners on streams and strings.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corekit/PYX_streams.h"
#include "corekit/PYX_univconst.h"

namespace {

using namespace PYX_streams;
using vcl::TStringStream;
using PYX_univconst::uc_MaxDouble;

// A stream without a buffer to scan in place, so that the readers take their
// byte-at-a-time path and must give back a byte they only looked at.
class PlainStream : public vcl::TStream {
public:
    explicit PlainStream(std::string_view s) : m_(s) {}
    int64_t Read(void* b, int64_t n) override { return m_.Read(b, n); }
    int64_t Write(const void* b, int64_t n) override { return m_.Write(b, n); }
    int64_t Seek(int64_t o, vcl::TSeekOrigin w) override { return m_.Seek(o, w); }
    void SetSize(int64_t n) override { m_.SetSize(n); }

private:
    TStringStream m_;
};

// Runs Fn on a buffered and on a plain stream over the same bytes and checks
// that both give the same result and leave the same position.
template <class Fn>
auto OnBothStreams(std::string_view bytes, Fn fn, int64_t* posOut = nullptr)
{
    TStringStream a(bytes);
    PlainStream b(bytes);
    auto r1 = fn(static_cast<vcl::TStream&>(a));
    auto r2 = fn(static_cast<vcl::TStream&>(b));
    EXPECT_EQ(r1, r2) << "buffered and plain streams differ on '" << bytes << "'";
    EXPECT_EQ(a.Position(), b.Position()) << "positions differ on '" << bytes << "'";
    if (posOut) *posOut = a.Position();
    return r1;
}

std::string Rest(vcl::TStream& s) { return StreamAsString(s); }

TEST(BinaryValues, RoundTripInLittleEndian)
{
    TStringStream s;
    const int32_t ints[] = {0, 1, -1, INT32_MIN, INT32_MAX, 0x12345678};
    for (int32_t v : ints) WriteLongintToStream(s, v);
    const vcl::Extended exts[] = {0.0L, -0.0L, 1.0L, -2.5L, uc_MaxDouble, std::numeric_limits<vcl::Extended>::max(),
                                  std::numeric_limits<vcl::Extended>::denorm_min(),
                                  std::numeric_limits<vcl::Extended>::infinity()};
    for (auto v : exts) WriteExtendedToStream(s, v);
    EXPECT_EQ(s.Size(), static_cast<int64_t>(std::size(ints) * 4 + std::size(exts) * 10));
    // 0x12345678 is stored as 78 56 34 12; 1.0 as mantissa 8000000000000000 and exponent 3FFF.
    EXPECT_EQ(s.DataString().substr(20, 4), "\x78\x56\x34\x12");
    EXPECT_EQ(s.DataString().substr(44, 10), std::string("\0\0\0\0\0\0\0\x80\xff\x3f", 10));
    s.Seek(0, vcl::soBeginning);
    bool err = true;
    for (int32_t v : ints) {
        EXPECT_EQ(ReadLongintFromStream(s, err), v);
        EXPECT_FALSE(err);
    }
    for (auto v : exts) {
        const vcl::Extended got = ReadExtendedFromStream(s, err);
        EXPECT_FALSE(err);
        EXPECT_EQ(std::memcmp(&got, &v, 10), 0) << static_cast<double>(v);
    }
    EXPECT_EQ(ReadLongintFromStream(s, err), 0);
    EXPECT_TRUE(err);
}

TEST(BinaryValues, ShortReadsReportAndKeepTheBytesObtained)
{
    TStringStream s(std::string("\x01\x02", 2));
    bool err = false;
    EXPECT_EQ(ReadLongintFromStream(s, err), 0x0201);
    EXPECT_TRUE(err);
    TStringStream e(std::string("\0\0\0\0\0\0\0\x80", 8)); // mantissa without exponent word
    const vcl::Extended v = ReadExtendedFromStream(e, err);
    EXPECT_TRUE(err);
    uint8_t bytes[10];
    std::memcpy(bytes, &v, 10);
    EXPECT_EQ(bytes[7], 0x80);
    EXPECT_EQ(bytes[8], 0);
    EXPECT_EQ(bytes[9], 0);
    TStringStream empty;
    EXPECT_EQ(ReadExtendedFromStream(empty, err), 0.0L);
    EXPECT_TRUE(err);
}

TEST(Lines, ReadLnStreamModes)
{
    struct Case { std::string bytes; int mode; std::string line; bool eos; std::string rest; } cases[] = {
        {"ab\tc\r\nxy", 4, "ab\tc", false, "xy"},
        {"ab", 4, "ab", true, ""},
        {"a\rb\nc", 4, "abc", true, ""},       // a lone CR is dropped; the LF is not right after it
        {"ab\r\ncd", 0, "ab", false, "cd"},    // mode 0 accepts CR LF
        {"ab\ncd", 0, "ab", false, "cd"},
        {"ab\rcd\n", 1, "ab", false, "cd\n"},
        {"ab\ncd", 1, "abcd", true, ""},
        {"a\rb", 2, "a", false, "b"},
        {"a\nb", 2, "a", false, "b"},
        {"a\rb\n\rc", 3, "ab", false, "c"},    // CR directly after LF
        {"a\r\nb", 3, "ab", true, ""},
        {"a\x01\x1f\x7f\xe4z\n", 0, "a\x7f\xe4z", false, ""},
        {"a\nb", 7, "ab", true, ""},             // an unknown mode never ends a line
        {"", 0, "", true, ""},
        {std::string(100, 'x') + "\n", 0, std::string(100, 'x'), false, ""},
    };
    for (const auto& c : cases) {
        bool eos = !c.eos;
        std::string rest;
        const std::string line = OnBothStreams(c.bytes, [&](vcl::TStream& s) {
            const std::string l = ReadLnStream(s, eos, c.mode);
            rest = Rest(s);
            s.Seek(-static_cast<int64_t>(rest.size()), vcl::soCurrent);
            return l;
        });
        EXPECT_EQ(line, c.line) << "mode " << c.mode << " on '" << c.bytes << "'";
        EXPECT_EQ(eos, c.eos) << c.bytes;
        EXPECT_EQ(rest, c.rest) << c.bytes;
    }
}

TEST(Lines, WriteLnStreamWritesCrLf)
{
    TStringStream s;
    WriteLnStream(s, "one");
    WriteStringStream(s, "two");
    EXPECT_EQ(s.DataString(), "one\r\ntwo");
}

TEST(Searches, FindCountAndRest)
{
    int64_t pos = 0;
    EXPECT_TRUE(OnBothStreams("abc;def", [](vcl::TStream& s) { return FindInStream(s, ';'); }, &pos));
    EXPECT_EQ(pos, 4);
    EXPECT_FALSE(OnBothStreams("abc", [](vcl::TStream& s) { return FindInStream(s, ';'); }, &pos));
    EXPECT_EQ(pos, 3);
    std::string big;
    for (int i = 0; i < 100000; ++i) big += (i % 3 == 0) ? "line\r\n" : "x\n";
    TStringStream s(big);
    s.Seek(1, vcl::soBeginning);
    EXPECT_EQ(CountLinesInStream(s), 100000);
    EXPECT_EQ(s.Position(), s.Size());
    PlainStream p("a\nb\n\nc");
    EXPECT_EQ(CountLinesInStream(p), 3);
    TStringStream t("hello world");
    t.Seek(6, vcl::soBeginning);
    EXPECT_EQ(StreamAsString(t), "world");
    EXPECT_EQ(StreamAsString(t), "");
}

TEST(Searches, ReadStreamUntil)
{
    struct Case { std::string bytes, delim; std::string text; int status; std::string rest; } cases[] = {
        {"abc</END>def", "</end>", "abc</END>", 0, "def"},
        {std::string(254, 'x') + "<!>" + "tail", "<!>", std::string(254, 'x') + "<!>", 0, "tail"}, // across blocks
        {std::string(600, 'y') + "END", "end", std::string(600, 'y') + "END", 0, ""},
        {"no delimiter here", "zz", "no delimiter here", -1, ""},
        {"abc", "", "", 0, "abc"},
        {"aXbXc", "x", "aX", 0, "bXc"},
    };
    for (const auto& c : cases) {
        TStringStream s(c.bytes);
        int status = 99;
        EXPECT_EQ(ReadStreamUntil(s, c.delim, status), c.text) << c.delim;
        EXPECT_EQ(status, c.status) << c.delim;
        EXPECT_EQ(StreamAsString(s), c.rest) << c.delim;
    }
}

TEST(Scanners, ScanStreamDecimal)
{
    struct Case { std::string bytes; int32_t value; std::string rest; } cases[] = {
        {"  42;x", 42, "x"},           // the byte after the digits is consumed
        {"-17", -17, ""},
        {"+5 6", 5, "6"},
        {"abc", 0, "bc"},
        {"", 0, ""},
        {"2147483647 ", INT32_MAX, ""},
        {"3000000000 ", INT32_MAX, ""}, // saturates instead of wrapping
        {"-2147483648 ", INT32_MIN, ""},
        {"-99999999999999999999999 ", INT32_MIN, ""},
    };
    for (const auto& c : cases) {
        std::string rest;
        const int32_t v = OnBothStreams(c.bytes, [&](vcl::TStream& s) {
            const int32_t r = ScanStreamDecimal(s);
            rest = Rest(s);
            s.Seek(-static_cast<int64_t>(rest.size()), vcl::soCurrent);
            return r;
        });
        EXPECT_EQ(v, c.value) << c.bytes;
        EXPECT_EQ(rest, c.rest) << c.bytes;
    }
}

TEST(Scanners, ScanStreamFPNum)
{
    const double maxd = static_cast<double>(uc_MaxDouble);
    struct Case { std::string bytes; bool exp; int sep; double value; std::string rest; } cases[] = {
        {"  -1,5e3;", true, 3, -1500.0, ";"},
        {"1.5E+5000", true, 3, maxd, ""},
        {"-1.5E+5000", true, 3, -maxd, ""},
        {"1.5E-5000", true, 3, 0.0, ""},
        {"abc", true, 3, 0.0, "abc"},
        {"\t\r\n 2.25x", true, 1, 2.25, "x"},
        {"2,25", true, 1, 2.0, ",25"},        // comma is no separator for dsDot
        {"2.25", true, 2, 2.0, ".25"},
        {"3.", true, 1, 3.0, ""},
        {".5", true, 1, 0.5, ""},
        {"7e2", false, 1, 7.0, "e2"},           // no exponent allowed
        {"1e", true, 1, 0.0, ""},               // exponent mark without digits: malformed
        {"1e;", true, 1, 0.0, ";"},
        {"1.5.2", true, 1, 0.0, ".2"},          // second separator is an error
        {"-+1", true, 1, 0.0, "+1"},
        {"1e+-2", true, 1, 0.0, "-2"},
        {"12e2.", true, 1, 1200.0, "."},
        {"1" + std::string(400, '0'), true, 1, maxd, ""},
        {"1e99999999999", true, 1, maxd, ""},   // the exponent text is capped, the value is not
        {"1e-99999999999", true, 1, 0.0, ""},
        {"0.000e99999", true, 1, 0.0, ""},
        {"-", true, 1, 0.0, ""},
    };
    for (const auto& c : cases) {
        std::string rest;
        const double v = OnBothStreams(c.bytes, [&](vcl::TStream& s) {
            const double r = ScanStreamFPNum(s, c.exp, c.sep);
            rest = Rest(s);
            s.Seek(-static_cast<int64_t>(rest.size()), vcl::soCurrent);
            return r;
        });
        EXPECT_EQ(v, c.value) << c.bytes;
        EXPECT_EQ(rest, c.rest) << c.bytes;
    }
}

TEST(Scanners, SystemSeparatorFollowsTheSetting)
{
    const char old = vcl::GetDecimalSeparator();
    vcl::SetDecimalSeparator(',');
    TStringStream s("1,5");
    EXPECT_EQ(ScanStreamFPNum(s, true, 0), 1.5);
    int32_t pos = 1;
    EXPECT_EQ(ScanFPNum("2.5", true, 0, pos), 2.0L);
    vcl::SetDecimalSeparator(old);
    pos = 1;
    EXPECT_EQ(ScanFPNum("2.5", true, 0, pos), 2.5L);
}

TEST(Scanners, StringScanners)
{
    struct DCase { std::string s; int32_t pos; int32_t value; int32_t posAfter; } dcases[] = {
        {"  -12ab", 1, -12, 6},
        {"x=+7", 3, 7, 5},
        {"   ", 1, 0, 3},                  // blanks are never skipped past the last character
        {"99999999999", 1, INT32_MAX, 12},
        {"-99999999999", 1, INT32_MIN, 13},
        {"12", 5, 0, 5},
        {"5", 0, 5, 2},
    };
    for (const auto& c : dcases) {
        int32_t pos = c.pos;
        EXPECT_EQ(ScanDecimal(c.s, pos), c.value) << c.s;
        EXPECT_EQ(pos, c.posAfter) << c.s;
    }
    struct HCase { std::string s; int32_t pos; uint32_t value; int32_t posAfter; } hcases[] = {
        {"$FFa0z", 1, 0xFFA0, 6},
        {"  1fG", 1, 0x1F, 5},
        {"x$12", 2, 0, 2},                 // "$" only as the first character of the text
        {"123456789", 1, 0xFFFFFFFF, 10},   // saturates
        {"ffffffff", 1, 0xFFFFFFFF, 9},
    };
    for (const auto& c : hcases) {
        int32_t pos = c.pos;
        EXPECT_EQ(ScanHex(c.s, pos), c.value) << c.s;
        EXPECT_EQ(pos, c.posAfter) << c.s;
    }
    struct FCase { std::string s; int32_t pos; vcl::Extended value; int32_t posAfter; } fcases[] = {
        {" 1.5;", 1, 1.5L, 5},
        {"\t1.5", 1, 0.0L, 1},             // only blanks are skipped
        {"1E", 1, 1.0L, 2},                // mantissa kept, Pos on the mark
        {"2.5E;", 1, 2.5L, 4},
        {"3e-x", 1, 3.0L, 2},
        {"3e x", 1, 0.0L, 3},              // a blank after the mark is an error
        {"4e+5", 1, 400000.0L, 5},
        {"1,25", 1, 1.25L, 5},
        {"x", 1, 0.0L, 1},
        {"", 1, 0.0L, 1},
    };
    for (const auto& c : fcases) {
        int32_t pos = c.pos;
        EXPECT_EQ(ScanFPNum(c.s, true, 3, pos), c.value) << c.s;
        EXPECT_EQ(pos, c.posAfter) << c.s;
    }
}

} // namespace
