// The BMP reader: the variants it accepts and the damaged files it refuses.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "vcl/Graphics.h"
#include "vcl/ImageFiles.h"

using namespace vcl;

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& v, size_t at, uint32_t x)
{
    v[at] = static_cast<uint8_t>(x);
    v[at + 1] = static_cast<uint8_t>(x >> 8);
}
void Put32(Bytes& v, size_t at, uint32_t x)
{
    Put16(v, at, x & 0xFFFF);
    Put16(v, at + 2, x >> 16);
}

// A file with a 40-byte info header; extra (palette, masks) follows it and the
// pixel data follows that.
Bytes Bmp(int32_t w, int32_t h, uint16_t bpp, uint32_t compression, const Bytes& extra, const Bytes& data,
          uint32_t colorsUsed = 0)
{
    Bytes v(54);
    v[0] = 'B';
    v[1] = 'M';
    Put32(v, 10, static_cast<uint32_t>(54 + extra.size()));
    Put32(v, 14, 40);
    Put32(v, 18, static_cast<uint32_t>(w));
    Put32(v, 22, static_cast<uint32_t>(h));
    Put16(v, 26, 1);
    Put16(v, 28, bpp);
    Put32(v, 30, compression);
    Put32(v, 34, static_cast<uint32_t>(data.size()));
    Put32(v, 46, colorsUsed);
    v.insert(v.end(), extra.begin(), extra.end());
    v.insert(v.end(), data.begin(), data.end());
    Put32(v, 2, static_cast<uint32_t>(v.size()));
    return v;
}

// Palette entries as B, G, R, 0.
Bytes Palette(std::initializer_list<TColor> colours)
{
    Bytes p;
    for (TColor c : colours) {
        p.push_back(static_cast<uint8_t>(c >> 16));
        p.push_back(static_cast<uint8_t>(c >> 8));
        p.push_back(static_cast<uint8_t>(c));
        p.push_back(0);
    }
    return p;
}

TBitmap Load(const Bytes& f)
{
    TBitmap b;
    LoadBMP(f.data(), f.size(), b);
    return b;
}

// A valid 2 x 2, 24-bit, bottom-up file: bottom row blue, red; top row
// green, white.
Bytes Valid24()
{
    return Bmp(2, 2, 24, 0, {}, {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0, 0});
}

TEST(BmpReader, OrientationsAndDepths)
{
    TBitmap b = Load(Valid24());
    EXPECT_EQ(b.ScanLine(1)[0], 0xFF0000u);
    EXPECT_EQ(b.ScanLine(1)[1], 0x0000FFu);
    EXPECT_EQ(b.ScanLine(0)[0], 0x00FF00u);
    // The same rows top-down.
    Bytes td = Valid24();
    Put32(td, 22, static_cast<uint32_t>(-2));
    TBitmap t = Load(td);
    EXPECT_EQ(t.ScanLine(0)[0], 0xFF0000u);
    EXPECT_EQ(t.ScanLine(1)[0], 0x00FF00u);
    // 32 bits, uncompressed: B, G, R, unused.
    TBitmap q = Load(Bmp(1, 1, 32, 0, {}, {0x30, 0x20, 0x10, 0xAA}));
    EXPECT_EQ(q.ScanLine(0)[0], 0x00302010u);
    EXPECT_EQ(q.GetPixelFormat(), pf32bit);
    // 16 bits 5-6-5 through bit fields: full red, half green, no blue.
    Bytes masks = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    uint16_t px = (31 << 11) | (32 << 5);
    TBitmap f = Load(Bmp(1, 1, 16, 3, masks, {static_cast<uint8_t>(px), static_cast<uint8_t>(px >> 8), 0, 0}));
    EXPECT_EQ(f.ScanLine(0)[0], 0x000082FFu);
    // 1 bit with its own palette; rows padded to 32 bits.
    TBitmap m = Load(Bmp(9, 1, 1, 0, Palette({0x00112233, 0x00445566}), {0xAA, 0x80, 0, 0}));
    EXPECT_EQ(m.GetPixelFormat(), pf1bit);
    EXPECT_EQ(m.ScanLine(0)[0], 0x00445566u);
    EXPECT_EQ(m.ScanLine(0)[1], 0x00112233u);
    EXPECT_EQ(m.ScanLine(0)[8], 0x00445566u);
}

TEST(BmpReader, OldHeaderWithThreeBytePalette)
{
    Bytes v(26 + 6 + 4);
    v[0] = 'B';
    v[1] = 'M';
    Put32(v, 2, static_cast<uint32_t>(v.size()));
    Put32(v, 10, 32);
    Put32(v, 14, 12);
    Put16(v, 18, 2);
    Put16(v, 20, 1);
    Put16(v, 22, 1);
    Put16(v, 24, 1);
    v[26] = 0x00, v[27] = 0x00, v[28] = 0xFF; // red
    v[29] = 0xFF, v[30] = 0x00, v[31] = 0x00; // blue
    v[32] = 0x40;                            // 0 1 ...
    TBitmap b = Load(v);
    EXPECT_EQ(b.ScanLine(0)[0], 0x0000FFu);
    EXPECT_EQ(b.ScanLine(0)[1], 0xFF0000u);
}

TEST(BmpReader, RunLengthEncodings)
{
    Bytes pal = Palette({0x000000, 0x0000FF, 0x00FF00, 0xFF0000});
    // RLE8, 4 x 3: row 0 (bottom) = run of 3 x index 1, end of line; delta
    // (1, 1) lands on row 2 x 1; absolute run 2, 3, 1; end of bitmap.
    Bytes rle8 = {3, 1, 0, 0, 0, 2, 1, 1, 0, 3, 2, 3, 1, 0, 0, 1};
    TBitmap b = Load(Bmp(4, 3, 8, 1, pal, rle8, 4));
    EXPECT_EQ(b.ScanLine(2)[0], 0x0000FFu);
    EXPECT_EQ(b.ScanLine(2)[2], 0x0000FFu);
    EXPECT_EQ(b.ScanLine(2)[3], 0x000000u); // never reached: entry 0
    EXPECT_EQ(b.ScanLine(1)[0], 0x000000u);
    EXPECT_EQ(b.ScanLine(0)[1], 0x00FF00u);
    EXPECT_EQ(b.ScanLine(0)[2], 0xFF0000u);
    EXPECT_EQ(b.ScanLine(0)[3], 0x0000FFu);
    // RLE4, 5 x 1: run of 5 alternating 1 and 2, end of bitmap.
    TBitmap r4 = Load(Bmp(5, 1, 4, 2, pal, {5, 0x12, 0, 1}, 4));
    EXPECT_EQ(r4.GetPixelFormat(), pf4bit);
    EXPECT_EQ(r4.ScanLine(0)[0], 0x0000FFu);
    EXPECT_EQ(r4.ScanLine(0)[1], 0x00FF00u);
    EXPECT_EQ(r4.ScanLine(0)[4], 0x0000FFu);
}

TEST(BmpReader, DamagedFilesRaiseAndLeaveTheBitmap)
{
    struct Case {
        const char* what;
        std::function<Bytes()> make;
    };
    Bytes pal = Palette({0x000000, 0x0000FF});
    const Case cases[] = {
        {"empty", [] { return Bytes{}; }},
        {"magic", [] { Bytes v = Valid24(); v[0] = 'X'; return v; }},
        {"short header", [] { Bytes v = Valid24(); v.resize(30); return v; }},
        {"header size", [] { Bytes v = Valid24(); Put32(v, 14, 20); return v; }},
        {"planes", [] { Bytes v = Valid24(); Put16(v, 26, 2); return v; }},
        {"bit depth", [] { Bytes v = Valid24(); Put16(v, 28, 7); return v; }},
        {"zero width", [] { Bytes v = Valid24(); Put32(v, 18, 0); return v; }},
        {"negative width", [] { Bytes v = Valid24(); Put32(v, 18, static_cast<uint32_t>(-2)); return v; }},
        {"zero height", [] { Bytes v = Valid24(); Put32(v, 22, 0); return v; }},
        {"minimal height", [] { Bytes v = Valid24(); Put32(v, 22, 0x80000000u); return v; }},
        {"huge", [] { Bytes v = Valid24(); Put32(v, 18, 100000); Put32(v, 22, 100000); return v; }},
        {"pixel data cut", [] { Bytes v = Valid24(); v.resize(v.size() - 1); return v; }},
        {"data offset", [] { Bytes v = Valid24(); Put32(v, 10, 5000); return v; }},
        {"data offset inside header", [] { Bytes v = Valid24(); Put32(v, 10, 20); return v; }},
        {"compression", [] { Bytes v = Valid24(); Put32(v, 30, 4); return v; }},
        {"rle8 on 24 bits", [] { Bytes v = Valid24(); Put32(v, 30, 1); return v; }},
        {"top-down rle", [&] { Bytes v = Bmp(2, 2, 8, 1, pal, {2, 1, 0, 1}, 2); Put32(v, 22, static_cast<uint32_t>(-2)); return v; }},
        {"palette too large", [&] { return Bmp(1, 1, 1, 0, pal, {0, 0, 0, 0}, 3); }},
        {"index outside palette", [&] { return Bmp(1, 1, 8, 0, pal, {5, 0, 0, 0}, 2); }},
        {"rle run too long", [&] { return Bmp(2, 2, 8, 1, pal, {3, 1, 0, 1}, 2); }},
        {"rle delta out", [&] { return Bmp(2, 2, 8, 1, pal, {0, 2, 5, 0, 0, 1}, 2); }},
        {"rle absolute cut", [&] { return Bmp(8, 1, 8, 1, pal, {0, 6, 1, 1}, 2); }},
        {"rle4 past the row", [&] { return Bmp(3, 1, 4, 2, pal, {0, 4, 0x11, 0x11, 0, 1}, 2); }},
        {"zero mask", [] { return Bmp(1, 1, 16, 3, Bytes(12, 0), {0, 0, 0, 0}); }},
        {"gapped mask", [] { return Bmp(1, 1, 32, 3, {0x05, 0, 0, 0, 0x10, 0, 0, 0, 0x20, 0, 0, 0}, {0, 0, 0, 0}); }},
        {"overlapping masks", [] { return Bmp(1, 1, 32, 3, {0xFF, 0, 0, 0, 0xF0, 0x0F, 0, 0, 0, 0, 1, 0}, {0, 0, 0, 0}); }},
        {"masks cut", [] { Bytes v = Bmp(1, 1, 32, 3, {}, {}); return v; }},
        {"bit fields on 8 bits", [&] { return Bmp(1, 1, 8, 3, pal, {0, 0, 0, 0}, 2); }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        TBitmap b(3, 3);
        b.ScanLine(0)[0] = 0x00ABCDEF;
        Bytes f = k.make();
        EXPECT_THROW(LoadBMP(f.data(), f.size(), b), EInvalidGraphic);
        EXPECT_EQ(b.GetWidth(), 3);
        EXPECT_EQ(b.ScanLine(0)[0], 0x00ABCDEFu);
    }
}

TEST(BmpReader, ProbeReadsOnlyTheHeader)
{
    // A header that promises 3000 x 1000 pixels with no data yet: the
    // dimensions are known before anything is decoded.
    Bytes v = Bmp(3000, 1000, 24, 0, {}, {});
    TImageInfo info = ProbeImage(v.data(), v.size());
    EXPECT_EQ(info.Format, ifBMP);
    EXPECT_EQ(info.Width, 3000);
    EXPECT_EQ(info.Height, 1000);
    EXPECT_EQ(info.BitsPerPixel, 24);
    TBitmap b;
    EXPECT_THROW(LoadBMP(v.data(), v.size(), b), EInvalidGraphic);
}

TEST(BmpWriter, FourBitFilesUseTheStandardPalette)
{
    TBitmap b(2, 1, pf4bit);
    b.Canvas().SetPixel(0, 0, clSilver);
    b.Canvas().SetPixel(1, 0, clTeal);
    Bytes f = SaveBMP(b);
    ASSERT_GE(f.size(), 54u + 64u + 4u);
    EXPECT_EQ(f[28], 4);
    EXPECT_EQ(f[46], 16);
    // Entry 7 silver, entry 8 grey (B, G, R, 0).
    EXPECT_EQ(Bytes(f.begin() + 54 + 28, f.begin() + 54 + 36), (Bytes{0xC0, 0xC0, 0xC0, 0, 0x80, 0x80, 0x80, 0}));
    EXPECT_EQ(f[54 + 64], 0x76); // silver = 7, teal = 6
}

} // namespace
