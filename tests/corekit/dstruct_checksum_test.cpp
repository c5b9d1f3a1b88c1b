#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <openssl/sha.h>
#include <zlib.h>

#include "corekit/PYX_dstruct.h"
#include "vcl/Streams.h"

using namespace PYX_dstruct;

namespace {

TBytes Bytes(std::string_view s) { return TBytes(s.begin(), s.end()); }

TEST(Crc, CheckValuesOf123456789)
{
    const TBytes b = Bytes("123456789");
    EXPECT_EQ(CRC16ofBuffer(b, 9, crcZModem), 0x31C3);
    EXPECT_EQ(CRC16ofBuffer(b, 9, crcCCITT), 0x29B1);
    EXPECT_EQ(CRC32ofBuffer(b, 9), 0xCBF43926u);
}

TEST(Crc, EmptyBuffersAndLengthsBeyondTheArray)
{
    const TBytes none;
    EXPECT_EQ(CRC16ofBuffer(none, 0, crcZModem), 0);
    EXPECT_EQ(CRC16ofBuffer(none, 0, crcCCITT), 0xFFFF);
    EXPECT_EQ(CRC32ofBuffer(none, 0), 0u);
    // The explicit length may be shorter than the array; a longer or negative
    // one must not read outside it.
    const TBytes b = Bytes("123456789xyz");
    EXPECT_EQ(CRC32ofBuffer(b, 9), 0xCBF43926u);
    EXPECT_EQ(CRC32ofBuffer(Bytes("123456789"), 1000), 0xCBF43926u);
    EXPECT_EQ(CRC32ofBuffer(b, -5), 0u);
    EXPECT_EQ(CRC16ofBuffer(Bytes("123456789"), 1 << 30, crcCCITT), 0x29B1);
}

TEST(Crc, StepFunctionsAgreeWithTheBufferForms)
{
    const std::string s = "The quick brown fox jumps over the lazy dog";
    uint32_t c32 = 0xFFFFFFFFu;
    uint16_t c16 = 0xFFFF;
    for (unsigned char ch : s) {
        c32 = CalcNextCRC32(ch, c32);
        c16 = CalcNextCRC16(ch, c16);
    }
    EXPECT_EQ(~c32, CRC32ofBuffer(s.data(), s.size()));
    EXPECT_EQ(~c32, 0x414FA339u);
    EXPECT_EQ(c16, CRC16ofBuffer(s.data(), s.size(), crcCCITT));
}

TEST(Crc16, BlockFormMatchesTheByteStepOnEveryLength)
{
    vcl::SplitMix64 rng(4321);
    std::vector<uint8_t> buf(1000);
    for (auto& b : buf) b = static_cast<uint8_t>(rng.Next());
    uint16_t step = 0xFFFF;
    for (std::size_t len = 0; len <= 1000; ++len) {
        ASSERT_EQ(CRC16ofBuffer(buf.data(), len, crcCCITT), step) << "length " << len;
        if (len < 1000) step = CalcNextCRC16(buf[len], step);
    }
}

TEST(Crc32, MatchesZlibOnEveryLengthAndAlignment)
{
    vcl::SplitMix64 rng(12345);
    std::vector<uint8_t> buf(1000 + 16);
    for (auto& b : buf) b = static_cast<uint8_t>(rng.Next());
    for (std::size_t len = 0; len <= 1000; ++len) {
        for (std::size_t off : {0, 1, 7}) {
            const uint8_t* p = buf.data() + off;
            uLong ref = crc32(crc32(0L, Z_NULL, 0), p, static_cast<uInt>(len));
            ASSERT_EQ(CRC32ofBuffer(p, len), ref) << "length " << len << " offset " << off;
        }
    }
    // Continuing a running register across blocks of any split.
    uint32_t run = 0xFFFFFFFFu;
    run = UpdateCRC32(run, buf.data(), 333);
    run = UpdateCRC32(run, buf.data() + 333, 667);
    EXPECT_EQ(~run, crc32(crc32(0L, Z_NULL, 0), buf.data(), 1000));
}

TEST(Sha1, Fips180Vectors)
{
    struct Case { std::string in; const char* hex; } cases[] = {
        {"abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {"", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
        {std::string(1000000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
    };
    for (const auto& c : cases) EXPECT_EQ(SHA1DigestToHex(SHA1FromString(c.in)), c.hex) << c.in.size();
}

TEST(Sha1, MatchesOpenSslOnEveryLengthAndAnySplit)
{
    vcl::SplitMix64 rng(99);
    std::vector<uint8_t> buf(1000);
    for (auto& b : buf) b = static_cast<uint8_t>(rng.Next());
    for (std::size_t len = 0; len <= 1000; ++len) {
        unsigned char ref[20];
        SHA1(buf.data(), len, ref);
        TSHA1Digest d = SHA1FromBuffer(buf.data(), len);
        ASSERT_EQ(0, std::memcmp(d.data(), ref, 20)) << "length " << len;
        // The same bytes fed in two uneven pieces.
        TSHA1 s;
        s.Update(buf.data(), len / 3);
        s.Update(buf.data() + len / 3, len - len / 3);
        ASSERT_EQ(s.Final(), d) << "length " << len;
    }
}

TEST(Sha1, StreamsStartAtTheirPositionAndFilesReadWhole)
{
    vcl::TStringStream st("xxabc");
    st.SetPosition(2);
    EXPECT_EQ(SHA1DigestToHex(SHA1FromStream(st)), "A9993E364706816ABA3E25717850C26C9CD0D89D");

    const auto path = std::filesystem::temp_directory_path() / "pyx_dstruct_sha1_test.bin";
    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 + 7);
    {
        vcl::TFileStream f(path.string(), vcl::fmCreate);
        f.WriteBuffer(big);
    }
    EXPECT_EQ(SHA1FromFile(path.string()), SHA1FromString(big));
    EXPECT_EQ(CalcCRC32ofFile(path.string()), CRC32ofBuffer(big.data(), big.size()));
    std::filesystem::remove(path);
    EXPECT_THROW(SHA1FromFile(path.string()), vcl::EInOutError);
}

TEST(Crc32File, FailureIsToldApartFromTheEmptyFile)
{
    const auto dir = std::filesystem::temp_directory_path();
    const auto empty = dir / "pyx_dstruct_crc_empty.bin";
    { vcl::TFileStream f(empty.string(), vcl::fmCreate); }
    EXPECT_EQ(CalcCRC32ofFile(empty.string()), 0u);
    EXPECT_EQ(TryCalcCRC32ofFile(empty.string()), std::optional<uint32_t>(0u));
    std::filesystem::remove(empty);
    EXPECT_EQ(CalcCRC32ofFile(empty.string()), 0u);
    EXPECT_EQ(TryCalcCRC32ofFile(empty.string()), std::nullopt);
    EXPECT_EQ(TryCalcCRC32ofFile(dir.string()), std::nullopt); // a directory cannot be read
}

TEST(Ascii85, EncodesInThisModulesDialect)
{
    struct Case { std::string in; std::string out; } cases[] = {
        {"", "~>"},
        {std::string(4, '\0'), "z~>"},
        {std::string(1, '\0'), "!!~>"},
        {"A", "!b~>"},
        {"AB", "#;O~>"},
        {"Man ", "9jqo^~>"},
        {std::string("\0\0\0\0Man \0\0\0\0", 12), "z9jqo^z~>"},
        {"Man a", "9jqo^\"-~>"},
        {"\xFF\xFF\xFF\xFF", "s8W-!~>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeASCII85(c.in), c.out);
        std::string back;
        EXPECT_EQ(DecodeASCII85(c.out, back), 0) << c.out;
        EXPECT_EQ(back, c.in) << c.out;
    }
}

TEST(Ascii85, DecoderToleratesLineBreaksAndReportsBadInput)
{
    struct Case { std::string in; int result; std::string out; } cases[] = {
        {"9j\r\nqo^~>", 0, "Man "},
        {"9jqo^\n!b", 0, "Man A"},           // the end of the source ends the last group
        {"~9jqo^", 0, ""},                   // a '~' ends the data
        {"9jqo^#;O~^^", 0, "Man AB"},       // only the characters before '~' count
        {"9j qo^~>", -1, "Man "},            // a blank is skipped and reported
        {"9jzqo^~>", -2, "Man "},            // so is a 'z' inside a group
        {"s8W-\"~>", -1, ""},                // five digits above FFFFFFFF give no bytes
        {"uu~>", -1, ""},                    // two digits above FF give no bytes
        {"!", 0, ""},                        // a lone digit gives no byte
        {"s8W-!z", 0, std::string("\xFF\xFF\xFF\xFF\0\0\0\0", 8)},
    };
    for (const auto& c : cases) {
        std::string got;
        EXPECT_EQ(DecodeASCII85(c.in, got), c.result) << c.in;
        EXPECT_EQ(got, c.out) << c.in;
    }
}

TEST(Ascii85, StreamFormsRoundTripAcrossChunks)
{
    vcl::SplitMix64 rng(7);
    for (std::size_t len : {0u, 3u, 65535u, 65536u, 65537u, 200003u}) {
        std::string data(len, '\0');
        for (auto& ch : data) ch = static_cast<char>(rng.Next() % 3 == 0 ? 0 : rng.Next());
        vcl::TStringStream src(data), enc;
        EncodeASCII85(src, enc);
        EXPECT_EQ(enc.DataString(), EncodeASCII85(data));
        // Line breaks in the middle of groups change nothing.
        std::string text = enc.DataString(), broken;
        for (std::size_t i = 0; i < text.size(); ++i) {
            broken += text[i];
            if (i % 77 == 3) broken += "\r\n";
        }
        vcl::TStringStream in(broken), out;
        EXPECT_EQ(DecodeASCII85(in, out), 0);
        EXPECT_EQ(out.DataString(), data) << len;
    }
}

} // namespace
