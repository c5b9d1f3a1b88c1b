#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corekit/PYX_dstruct.h"

using namespace PYX_dstruct;

namespace {

// ---------------------------------------------------------------------------
// Bit field

TEST(BitFld, HoldsBitsZeroToSizeInclusive)
{
    TBitFld f(nullptr);
    EXPECT_EQ(f.GetSize(), 1000);
    EXPECT_EQ(f.Bytes().size(), 127u);
    f.SetSize(10);
    f.SetBit(10, true);
    f.SetBit(11, true);
    f.SetBit(-1, true);
    EXPECT_TRUE(f.GetBit(10));
    EXPECT_FALSE(f.GetBit(11));
    EXPECT_EQ(f.CountTrueBits(), 1);
    EXPECT_EQ(f.FirstTrueBit(), 10);
    f.ToggleBit(10);
    EXPECT_EQ(f.FirstTrueBit(), -1);
    f.Invert();
    EXPECT_EQ(f.CountTrueBits(), 11);
    f.SetSize(0);
    f.SetSize(-3);
    EXPECT_EQ(f.GetSize(), 10);
}

TEST(BitFld, GrowingExposesOnlyClearedBits)
{
    // Whole-byte operations must not leave set bits above Size.
    for (TLogicOp op : {loORNot, loXORNot}) {
        TBitFld a(nullptr), b(nullptr);
        a.SetSize(10);
        b.SetSize(10);
        a.CombineWith(b, op);
        EXPECT_EQ(a.CountTrueBits(), 11);
        a.SetSize(100);
        EXPECT_EQ(a.CountTrueBits(), 11) << int(op);
        EXPECT_FALSE(a.GetBit(11));
    }
    TBitFld f(nullptr);
    f.SetSize(70);
    f.Invert();
    f.SetSize(65); // shrinking forgets bits 66..70
    f.SetSize(200);
    EXPECT_EQ(f.CountTrueBits(), 66);
    EXPECT_TRUE(f.GetBit(65));
    EXPECT_FALSE(f.GetBit(66));
}

TEST(BitFld, CombineWithEveryOperation)
{
    TBitFld a(nullptr), b(nullptr);
    a.SetSize(3);
    b.SetSize(3);
    // a = 0011, b = 0101 over bits 3..0
    a.SetBit(0, true);
    a.SetBit(1, true);
    b.SetBit(0, true);
    b.SetBit(2, true);
    struct Case { TLogicOp op; int bits; } cases[] = {
        {loAND, 0b0001}, {loOR, 0b0111}, {loXOR, 0b0110},
        {loANDNot, 0b0010}, {loORNot, 0b1011}, {loXORNot, 0b1001},
    };
    for (const auto& c : cases) {
        TBitFld x(nullptr);
        x.SetSize(3);
        x.CombineWith(a, loOR);
        x.CombineWith(b, c.op);
        int got = 0;
        for (int i = 0; i <= 3; ++i) got |= x.GetBit(i) << i;
        EXPECT_EQ(got, c.bits) << int(c.op);
    }
    TBitFld other(nullptr);
    other.SetSize(4);
    TBitFld x(nullptr);
    x.SetSize(3);
    x.CombineWith(other, loORNot); // different sizes: nothing happens
    EXPECT_EQ(x.CountTrueBits(), 0);
}

TEST(BitFld, RandomFillCountsAndReachesEveryBit)
{
    TBitFld f(nullptr);
    f.SetSize(10);
    f.RandomFill(100);
    EXPECT_EQ(f.CountTrueBits(), 11);
    f.RandomFill(0);
    EXPECT_EQ(f.CountTrueBits(), 0);
    f.RandomFill(30);
    EXPECT_EQ(f.CountTrueBits(), 3);
    f.RandomFill(250);
    EXPECT_EQ(f.CountTrueBits(), 11);
    // The first and last bit are drawn as often as the others.
    std::vector<int> hits(11);
    for (int i = 0; i < 11000; ++i) {
        f.RandomFill(10); // one bit
        hits[static_cast<std::size_t>(f.FirstTrueBit())]++;
    }
    for (int h : hits) EXPECT_NEAR(h, 1000, 200);
}

TEST(BitFld, CountsAndScansLargeFields)
{
    TBitFld f(nullptr);
    f.SetSize(100000);
    EXPECT_EQ(f.FirstTrueBit(), -1);
    f.SetBit(77777, true);
    f.SetBit(100000, true);
    EXPECT_EQ(f.FirstTrueBit(), 77777);
    EXPECT_EQ(f.CountTrueBits(), 2);
    EXPECT_EQ(f.Bytes()[77777 / 8], 1 << (77777 % 8));
}

// ---------------------------------------------------------------------------
// Byte matrix

TEST(ByteMatrix, ResizeKeepsBytesAndReportsChanges)
{
    TByteMatrix m(nullptr);
    int changes = 0;
    m.OnChange = [&](vcl::TObject*) { ++changes; };
    EXPECT_EQ(m.GetByte(1, 1), 0);
    EXPECT_FALSE(m.Resize(1, 1));
    EXPECT_FALSE(m.Resize(0, 5));
    EXPECT_TRUE(m.Resize(3, 2));
    EXPECT_EQ(changes, 1);
    m.SetByte(3, 2, 9);
    m.SetByte(2, 1, 5);
    m.SetByte(4, 1, 1); // ignored, no change fired
    EXPECT_EQ(changes, 3);
    m.SetNrOfColumns(2);
    EXPECT_EQ(m.GetByte(2, 1), 5);
    EXPECT_EQ(m.GetByte(3, 2), 0);
    m.SetNrOfRows(0); // counts as 1
    EXPECT_EQ(m.GetNrOfRows(), 1);
    EXPECT_EQ(m.GetByte(2, 1), 5);
}

TEST(ByteMatrix, BitsFillAndCombine)
{
    TByteMatrix a(nullptr), b(nullptr);
    a.Resize(2, 2);
    b.Resize(2, 2);
    a.SetBit(1, 2, 7, true);
    EXPECT_EQ(a.GetByte(1, 2), 0x80);
    a.ToggleBit(1, 2, 0);
    EXPECT_TRUE(a.GetBit(1, 2, 0));
    EXPECT_FALSE(a.GetBit(1, 2, 8));
    a.SetBit(1, 2, 8, true); // ignored
    EXPECT_EQ(a.GetByte(1, 2), 0x81);
    b.Fill(0x0F);
    a.CombineWith(b, loXOR);
    EXPECT_EQ(a.GetByte(1, 2), 0x8E);
    EXPECT_EQ(a.GetByte(2, 2), 0x0F);
    TByteMatrix c(nullptr);
    a.CombineWith(c, loAND);
    EXPECT_EQ(a.GetByte(2, 2), 0x0F);
}

// ---------------------------------------------------------------------------
// FIFO

TEST(Fifo, HoldsSizeMinusOneBytes)
{
    TFifo f(nullptr);
    f.SetSize(4);
    EXPECT_TRUE(f.PutByte(1));
    EXPECT_TRUE(f.PutByte(2));
    EXPECT_TRUE(f.PutByte(3));
    EXPECT_FALSE(f.PutByte(4));
    EXPECT_TRUE(f.ForceByte(4));
    uint8_t b = 0;
    EXPECT_TRUE(f.SenseByte(0, b));
    EXPECT_EQ(b, 2);
    EXPECT_FALSE(f.SenseByte(3, b));
    EXPECT_FALSE(f.SenseByte(-1, b));
    EXPECT_FALSE(f.LoadBack(9)); // full
    EXPECT_TRUE(f.GetByte(b));
    EXPECT_EQ(b, 2);
    EXPECT_TRUE(f.LoadBack(7));
    std::vector<int> rest;
    while (f.GetByte(b)) rest.push_back(b);
    EXPECT_EQ(rest, (std::vector<int>{7, 3, 4}));
    EXPECT_EQ(f.CountBytes(), 0);
    EXPECT_FALSE(f.ForceByte(5));
}

TEST(Fifo, RefusesUnusableSizesAndKeepsBytesWhenResized)
{
    TFifo f(nullptr);
    f.SetSize(0);
    f.SetSize(1);
    EXPECT_EQ(f.GetSize(), 256);
    for (uint8_t i = 1; i <= 5; ++i) f.PutByte(i);
    uint8_t b;
    f.GetByte(b); // indices now wrap differently after the resize
    f.SetSize(3); // room for two: the newest two stay
    EXPECT_EQ(f.CountBytes(), 2);
    EXPECT_TRUE(f.GetByte(b));
    EXPECT_EQ(b, 4);
    f.SetSize(10);
    EXPECT_EQ(f.CountBytes(), 1);
    EXPECT_TRUE(f.GetByte(b));
    EXPECT_EQ(b, 5);
}

// ---------------------------------------------------------------------------
// Run-length coder

std::vector<uint8_t> EncodeAll(const std::vector<uint8_t>& in, int32_t len)
{
    TRLEncoder e(nullptr);
    e.SetBufLeng(len);
    std::vector<uint8_t> out, block(static_cast<std::size_t>(len));
    for (std::size_t i = 0; i < in.size(); i += static_cast<std::size_t>(len)) {
        int32_t n = static_cast<int32_t>(std::min<std::size_t>(in.size() - i, static_cast<std::size_t>(len)));
        if (e.Encode(in.data() + i, n))
            while (e.GetFill() >= len) {
                e.GetResult(block.data());
                out.insert(out.end(), block.begin(), block.end());
            }
    }
    int32_t n;
    do {
        n = e.Finish(block.data());
        out.insert(out.end(), block.begin(), block.begin() + n);
    } while (n == len);
    return out;
}

std::vector<uint8_t> DecodeAll(const std::vector<uint8_t>& in, int32_t len)
{
    TRLEncoder d(nullptr);
    d.SetBufLeng(len);
    std::vector<uint8_t> out, block(static_cast<std::size_t>(len));
    for (uint8_t b : in)
        if (d.Decode(b))
            while (d.GetFill() >= len) {
                d.GetResult(block.data());
                out.insert(out.end(), block.begin(), block.end());
            }
    int32_t n;
    do {
        n = d.Finish(block.data());
        out.insert(out.end(), block.begin(), block.begin() + n);
    } while (n == len);
    return out;
}

TEST(RLEncoder, EncodesRunsLiteralsAndTheLeadIn)
{
    const std::vector<uint8_t> in = {7, 7, 7, 7, 1, 165};
    const std::vector<uint8_t> code = {165, 4, 7, 1, 165, 1, 165};
    EXPECT_EQ(EncodeAll(in, 256), code);
    EXPECT_EQ(DecodeAll(code, 256), in);
    // Pairs stay literal; a run of 255 is written as soon as it is complete.
    EXPECT_EQ(EncodeAll({3, 3, 5, 5}, 256), (std::vector<uint8_t>{3, 3, 165, 2, 5}));
    std::vector<uint8_t> long_(256, 9);
    EXPECT_EQ(EncodeAll(long_, 256), (std::vector<uint8_t>{165, 255, 9, 165, 1, 9}));
    EXPECT_EQ(EncodeAll({}, 256), std::vector<uint8_t>{});
}

TEST(RLEncoder, SmallBlocksNeitherOverrunNorLoseBytes)
{
    // Long decoded runs with a tiny block length, and a flush that does not
    // fit one block: everything comes out through repeated Finish calls.
    vcl::SplitMix64 rng(5);
    for (int32_t len : {1, 2, 3, 7, 85, 256}) {
        std::vector<uint8_t> in;
        for (int i = 0; i < 3000; ++i) {
            uint8_t b = static_cast<uint8_t>(rng.Next() % 4 == 0 ? 165 : rng.Next() % 3);
            in.insert(in.end(), static_cast<std::size_t>(1 + rng.Next() % 300), b);
        }
        EXPECT_EQ(DecodeAll(EncodeAll(in, len), len), in) << len;
    }
    TRLEncoder d(nullptr);
    d.SetBufLeng(2);
    std::vector<uint8_t> block(2);
    for (uint8_t b : {165, 255, 1}) d.Decode(b);
    EXPECT_EQ(d.GetFill(), 255);
    d.GetResult(block.data());
    EXPECT_EQ(d.GetFill(), 253);
    d.Reset();
    EXPECT_EQ(d.GetFill(), 0);
    EXPECT_EQ(d.GetDecodeState(), rlData);
}

// ---------------------------------------------------------------------------
// Associative array

TEST(AssocArray, AddResolveRemoveInInsertionOrder)
{
    TAssocArray a(nullptr);
    a.Add("Alpha", vcl::Variant(int32_t{1}));
    a.Add("beta", vcl::Variant("2,5e1xyz"));
    a.Add("Gamma", vcl::Variant(2.25));
    a.Add("ALPHA", vcl::Variant(true)); // replaces: keys ignore case
    EXPECT_EQ(a.Count(), 3);
    EXPECT_EQ(a.GetKeys(1), "alpha");
    EXPECT_EQ(a.ResolveAsString("alpha"), "True");
    EXPECT_EQ(a.ResolveAsNumber("alpha"), 0); // booleans are not numbers
    EXPECT_EQ(a.ResolveAsNumber("BETA"), 25);
    EXPECT_EQ(a.ResolveAsNumber("gamma"), 2.25);
    EXPECT_TRUE(a.Resolve("delta").IsNull());
    EXPECT_EQ(a.ResolveAsString("delta"), "");
    EXPECT_EQ(a.ResolveAsNumber("delta"), 0);
    EXPECT_TRUE(a.Remove("ALPHA"));
    EXPECT_FALSE(a.Remove("alpha"));
    EXPECT_EQ(a.GetKeys(1), "gamma"); // the last entry took the removed place
    EXPECT_EQ(a.GetKeys(2), "beta");
    EXPECT_EQ(a.GetValues(3), vcl::Variant(std::string()));
    EXPECT_EQ(a.GetKeys(0), "");
    a.Clear();
    EXPECT_EQ(a.Count(), 0);
}

TEST(AssocArray, RenamedKeysStayReachableAndUnique)
{
    TAssocArray a(nullptr);
    a.Add("one", vcl::Variant(int32_t{1}));
    a.Add("two", vcl::Variant(int32_t{2}));
    a.SetKeys(1, "ONE-X");
    EXPECT_EQ(a.GetKeys(1), "one-x");
    EXPECT_EQ(a.ResolveAsNumber("One-X"), 1);
    EXPECT_TRUE(a.Resolve("one").IsNull());
    a.SetKeys(1, "Two"); // would duplicate entry 2
    EXPECT_EQ(a.GetKeys(1), "one-x");
    a.SetValues(2, vcl::Variant::FromCurrency(12345));
    EXPECT_EQ(a.ResolveAsString("two"), "1.2345");
    EXPECT_EQ(a.ResolveAsNumber("two"), 1.2345);

    TAssocArray exact(nullptr);
    exact.SetIgnoreCase(false);
    exact.Add("Key", vcl::Variant(int32_t{1}));
    exact.Add("key", vcl::Variant(int32_t{2}));
    EXPECT_EQ(exact.Count(), 2);
    EXPECT_EQ(exact.ResolveAsNumber("Key"), 1);
    exact.SetGranularity(0);
    EXPECT_EQ(exact.GetGranularity(), 1);
}

TEST(AssocArray, ManyKeys)
{
    TAssocArray a(nullptr);
    a.SetGranularity(7);
    for (int i = 0; i < 20000; ++i) a.Add("k" + std::to_string(i), vcl::Variant(int32_t{i}));
    for (int i = 0; i < 20000; i += 2) ASSERT_TRUE(a.Remove("K" + std::to_string(i)));
    EXPECT_EQ(a.Count(), 10000);
    for (int i = 1; i < 20000; i += 2) ASSERT_EQ(a.ResolveAsNumber("k" + std::to_string(i)), i);
}

TEST(Variant, TextForms)
{
    struct Case { vcl::Variant v; const char* text; } cases[] = {
        {vcl::Variant(), ""}, {vcl::Variant::Null(), ""}, {vcl::Variant(int64_t{-42}), "-42"},
        {vcl::Variant(0.1), "0.1"}, {vcl::Variant(1e300), "1e+300"}, {vcl::Variant(false), "False"},
        {vcl::Variant::FromCurrency(-50000), "-5"}, {vcl::Variant::FromCurrency(15), "0.0015"},
        {vcl::Variant::FromDate(36526.0), "2000-01-01"}, {vcl::Variant::FromDate(36526.75), "2000-01-01T18:00:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.v.AsString(), c.text);
}

// ---------------------------------------------------------------------------
// Combinations, permutations, nearest values

TEST(Combinatorics, NextCombinationInLexicographicOrder)
{
    TBytes c = {2, 1, 4};
    EXPECT_TRUE(NextCombination(c, 4));
    EXPECT_EQ(c, (TBytes{2, 2, 3}));
    c = {2, 3, 4};
    EXPECT_FALSE(NextCombination(c, 4));
    EXPECT_EQ(c, (TBytes{2, 3, 4}));
    int count = 1;
    c = {3, 1, 2, 3};
    while (NextCombination(c, 6)) ++count;
    EXPECT_EQ(count, 20);
    // Malformed arrays are refused, not read beyond their end.
    for (TBytes bad : {TBytes{}, TBytes{3, 1, 2}, TBytes{0}, TBytes{2, 3, 2}, TBytes{2, 1, 9}, TBytes{5, 1, 2, 3, 4, 5}}) {
        TBytes keep = bad;
        EXPECT_FALSE(NextCombination(bad, 4));
        EXPECT_EQ(bad, keep);
    }
    c = {1, 1};
    EXPECT_FALSE(NextCombination(c, 300));
}

TEST(Combinatorics, NextPermutationVisitsAllOrders)
{
    TBytes p = {3, 1, 2, 3};
    std::vector<TBytes> seen;
    while (NextPermutation(p)) seen.push_back(p);
    EXPECT_EQ(seen, (std::vector<TBytes>{{3, 2, 1, 3}, {3, 2, 3, 1}, {3, 1, 3, 2}, {3, 3, 1, 2}, {3, 3, 2, 1}}));
    EXPECT_EQ(p, (TBytes{3, 3, 2, 1}));
    p = {5, 1, 2, 3, 4, 5};
    int count = 1;
    while (NextPermutation(p)) ++count;
    EXPECT_EQ(count, 120);
    for (TBytes bad : {TBytes{}, TBytes{3, 1, 2}, TBytes{2, 1, 1}, TBytes{2, 0, 1}, TBytes{2, 1, 3}}) {
        TBytes keep = bad;
        EXPECT_FALSE(NextPermutation(bad));
        EXPECT_EQ(bad, keep);
    }
}

TEST(Combinatorics, IndexOfNearestArrayValue)
{
    EXPECT_EQ(IndexOfNearestArrayValue(2.5, std::vector<double>{1, 2, 3}), 1);
    EXPECT_EQ(IndexOfNearestArrayValue(2.6, std::vector<int32_t>{1, 2, 3}), 2);
    EXPECT_EQ(IndexOfNearestArrayValue(0, std::vector<double>{}), -1);
    EXPECT_EQ(IndexOfNearestArrayValue(0, std::vector<double>{std::numeric_limits<double>::max(), -HUGE_VAL}), -1);
    EXPECT_EQ(IndexOfNearestArrayValue(std::nan(""), std::vector<double>{1}), -1);
}

} // namespace
