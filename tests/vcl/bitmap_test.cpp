// Bitmaps: sizes, pixel formats and quantising, assignment, and round trips
// through BMP and PNG for every pixel format.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "vcl/Graphics.h"
#include "vcl/ImageFiles.h"

using namespace vcl;

namespace {

TBitmap Pattern(int w, int h, TPixelFormat pf)
{
    TBitmap b(w, h, pf);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.Canvas().SetPixel(x, y, static_cast<TColor>((x * 37 + y * 11) | ((x * 5 + y * 71) << 8) | ((x * y * 13) << 16)) & 0xFFFFFF);
    return b;
}

void ExpectSamePixels(const TBitmap& a, const TBitmap& b)
{
    ASSERT_EQ(a.GetWidth(), b.GetWidth());
    ASSERT_EQ(a.GetHeight(), b.GetHeight());
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x) ASSERT_EQ(a.ScanLine(y)[x], b.ScanLine(y)[x]) << x << "," << y;
}

TEST(Bitmap, SizesNewPixelsAndLimits)
{
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    b.SetSize(3, 2);
    EXPECT_EQ(b.ScanLine(1)[2], 0xFFFFFFu); // new content is white
    b.ScanLine(0)[0] = 0x00123456;
    b.SetSize(5, 4); // keeps the overlap
    EXPECT_EQ(b.ScanLine(0)[0], 0x00123456u);
    EXPECT_EQ(b.ScanLine(3)[4], 0xFFFFFFu);
    b.SetSize(-4, 7);
    EXPECT_EQ(b.GetWidth(), 0);
    EXPECT_EQ(b.GetHeight(), 7);
    EXPECT_TRUE(b.Empty());
    b.Canvas().FillRect(Rect(0, 0, 10, 10)); // draws nothing, no crash
    EXPECT_THROW(b.SetSize(1 << 15, 1 << 14), EOutOfResources);
    EXPECT_THROW(b.SetSize(INT32_MAX, INT32_MAX), EOutOfResources);
    EXPECT_EQ(b.GetHeight(), 7);
}

TEST(Bitmap, AssignIsDeepAndCanvasFollowsResizes)
{
    TBitmap a(4, 4, pf15bit);
    a.Canvas().SetPixel(1, 1, 0x00123456);
    TBitmap b;
    b.Assign(&a);
    EXPECT_EQ(b.GetPixelFormat(), pf15bit);
    a.Canvas().SetPixel(1, 1, clBlack);
    EXPECT_EQ(b.ScanLine(1)[1], Quantise15(0x00123456));
    TCanvas& c = b.Canvas();
    b.SetSize(40, 40);
    c.Brush().SetColor(clRed);
    c.FillRect(Rect(0, 0, 40, 40));
    EXPECT_EQ(b.ScanLine(39)[39], 0x0000FFu);
}

TEST(Bitmap, PixelFormatsQuantiseEveryWrite)
{
    EXPECT_EQ(Quantise15(0x00123456), 0x00103152u);
    TBitmap b(4, 4, pf15bit);
    b.Canvas().Brush().SetColor(0x00123456);
    b.Canvas().FillRect(Rect(0, 0, 4, 4));
    EXPECT_EQ(b.ScanLine(2)[2], 0x00103152u);
    b.Canvas().Pen().SetMode(pmXor);
    b.Canvas().Pen().SetColor(0x00010101);
    b.Canvas().MoveTo(0, 0);
    b.Canvas().LineTo(4, 0);
    EXPECT_EQ(b.ScanLine(0)[1], Quantise15(0x00103152 ^ 0x00010101));
    // Changing the format quantises what is there.
    TBitmap g(2, 1);
    g.ScanLine(0)[0] = 0x7F7F7F;
    g.ScanLine(0)[1] = 0x808080;
    g.SetPixelFormat(pf1bit);
    EXPECT_EQ(g.ScanLine(0)[0], 0x000000u);
    EXPECT_EQ(g.ScanLine(0)[1], 0xFFFFFFu);
    // Ties go to the first palette entry.
    TBitmap t(1, 1);
    t.SetPixelFormat(pf1bit, {0x000000, 0x0000FE});
    t.Canvas().SetPixel(0, 0, 0x00007F);
    EXPECT_EQ(t.ScanLine(0)[0], 0u);
    t.SetPixelFormat(pf4bit);
    EXPECT_EQ(t.GetPalette().size(), 16u);
    EXPECT_EQ(t.GetPalette()[7], 0xC0C0C0u);
    EXPECT_EQ(t.GetPalette()[8], 0x808080u);
    t.Canvas().SetPixel(0, 0, 0x00C8C0B0);
    EXPECT_EQ(t.ScanLine(0)[0], 0xC0C0C0u);
    t.SetPixelFormat(pf8bit);
    EXPECT_EQ(t.GetPalette().size(), 256u);
}

class RoundTrip : public testing::TestWithParam<TPixelFormat> {};

TEST_P(RoundTrip, BmpKeepsFormatPaletteAndPixels)
{
    for (int w : {1, 7, 8, 33}) {
        SCOPED_TRACE(w);
        TBitmap a = Pattern(w, 5, GetParam());
        std::vector<uint8_t> file = SaveBMP(a);
        TImageInfo info = ProbeImage(file.data(), 54);
        EXPECT_EQ(info.Width, w);
        EXPECT_EQ(info.Height, 5);
        TBitmap b;
        LoadBMP(file.data(), file.size(), b);
        EXPECT_EQ(b.GetPixelFormat(), GetParam());
        EXPECT_EQ(b.GetPalette(), a.GetPalette());
        ExpectSamePixels(a, b);
    }
}

TEST_P(RoundTrip, PngKeepsPixels)
{
    TBitmap a = Pattern(9, 4, GetParam());
    std::vector<uint8_t> file = EncodePNG(a.Surface());
    TImageInfo info = ProbeImage(file.data(), file.size());
    EXPECT_EQ(info.Format, ifPNG);
    EXPECT_EQ(info.Width, 9);
    TBitmap b;
    LoadPNG(file.data(), file.size(), b);
    EXPECT_EQ(b.GetPixelFormat(), pf24bit);
    ExpectSamePixels(a, b);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, RoundTrip, testing::Values(pf1bit, pf4bit, pf8bit, pf15bit, pf24bit, pf32bit));

TEST(Bitmap, FilesAndPngDumps)
{
    auto dir = std::filesystem::temp_directory_path() / ("pyx_bitmap_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    TBitmap a = Pattern(6, 3, pf24bit);
    a.SaveToFile((dir / "a.bmp").string());
    a.SavePNG((dir / "a.png").string());
    a.Canvas().SaveToPNG((dir / "c.png").string());
    TBitmap b, p;
    b.LoadFromFile((dir / "a.bmp").string());
    p.LoadFromFile((dir / "c.png").string()); // by signature
    ExpectSamePixels(a, b);
    ExpectSamePixels(a, p);
    EXPECT_EQ(ProbeImageFile((dir / "a.png").string()).Height, 3);
    EXPECT_THROW(b.LoadFromFile((dir / "missing.bmp").string()), EInOutError);
    EXPECT_THROW(a.SaveToFile((dir / "no" / "such" / "dir.bmp").string()), EInOutError);
    std::filesystem::remove_all(dir);
}

TEST(Png, TransparencyBlendsOverWhite)
{
    // 1 x 2 RGBA: (255, 0, 0, 128) above (0, 0, 255, 255).
    const uint8_t png[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
                           0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x99,
                           0x81, 0xB6, 0x27, 0x00, 0x00, 0x00, 0x12, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8,
                           0xCF, 0xC0, 0xD0, 0xC0, 0xC0, 0xC0, 0xF0, 0xFF, 0x3F, 0x00, 0x0E, 0xFE, 0x03, 0x7E, 0x53,
                           0x3E, 0xC6, 0x67, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    TBitmap b;
    LoadPNG(png, sizeof png, b);
    EXPECT_EQ(b.ScanLine(0)[0], 0x007F7FFFu);
    EXPECT_EQ(b.ScanLine(1)[0], 0x00FF0000u);
    // A damaged checksum or a cut file raises; the bitmap stays as it was.
    std::vector<uint8_t> bad(png, png + sizeof png);
    bad[30] ^= 1;
    EXPECT_THROW(LoadPNG(bad.data(), bad.size(), b), EInvalidGraphic);
    EXPECT_THROW(LoadPNG(png, 50, b), EInvalidGraphic);
    EXPECT_THROW(LoadPNG(png, 4, b), EInvalidGraphic);
    EXPECT_THROW(LoadPNG(nullptr, 0, b), EInvalidGraphic);
    EXPECT_EQ(b.GetHeight(), 2);
    EXPECT_EQ(b.ScanLine(1)[0], 0x00FF0000u);
}

TEST(Jpeg, DecodesScaledWithProgressAndRejectsGarbage)
{
    TBitmap a(100, 60);
    a.Canvas().Brush().SetColor(0x00204080);
    a.Canvas().FillRect(Rect(0, 0, 100, 60));
    a.Canvas().Brush().SetColor(0x00F0F0F0);
    a.Canvas().FillRect(Rect(50, 0, 100, 60));
    std::vector<uint8_t> jpg = EncodeJPEG(a.Surface(), 95);
    TImageInfo info = ProbeImage(jpg.data(), jpg.size());
    EXPECT_EQ(info.Format, ifJPEG);
    EXPECT_EQ(info.Width, 100);
    EXPECT_EQ(info.Height, 60);
    EXPECT_EQ(info.BitsPerPixel, 24);
    std::vector<std::pair<TLoadStage, int>> events;
    TBitmap b;
    LoadJPEG(jpg.data(), jpg.size(), b, 1, [&](TLoadStage s, int p) { events.push_back({s, p}); });
    ASSERT_EQ(b.GetWidth(), 100);
    EXPECT_EQ(b.GetPixelFormat(), pf24bit);
    auto near = [](TColor x, TColor y) {
        for (int s = 0; s < 24; s += 8)
            if (std::abs(int((x >> s) & 0xFF) - int((y >> s) & 0xFF)) > 6) return false;
        return true;
    };
    EXPECT_TRUE(near(b.ScanLine(30)[20], 0x00204080));
    EXPECT_TRUE(near(b.ScanLine(30)[80], 0x00F0F0F0));
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front(), std::make_pair(lsStarting, 0));
    EXPECT_EQ(events.back(), std::make_pair(lsEnding, 100));
    EXPECT_EQ(events[events.size() - 2], std::make_pair(lsRunning, 100));
    struct Scale {
        int denom, w, h;
    };
    for (Scale s : {Scale{2, 50, 30}, Scale{4, 25, 15}, Scale{8, 13, 8}, Scale{3, 100, 60}}) {
        TBitmap t;
        LoadJPEG(jpg.data(), jpg.size(), t, s.denom);
        EXPECT_EQ(t.GetWidth(), s.w) << s.denom;
        EXPECT_EQ(t.GetHeight(), s.h) << s.denom;
    }
    const uint8_t garbage[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0, 0xFF, 0xC0, 0x00};
    EXPECT_THROW(LoadJPEG(garbage, sizeof garbage, b), EInvalidGraphic);
    EXPECT_THROW(LoadJPEG(jpg.data(), 30, b), EInvalidGraphic);
    EXPECT_THROW(ProbeImage(garbage, 3), EInvalidGraphic);
    EXPECT_EQ(b.GetWidth(), 100);
    // A progress handler may abort the load by raising.
    EXPECT_THROW(LoadJPEG(jpg.data(), jpg.size(), b, 1, [](TLoadStage s, int) {
        if (s == lsRunning) throw EInvalidGraphic("stop");
    }), EInvalidGraphic);
}

TEST(ImageFiles, UnknownFormatsRaise)
{
    const uint8_t junk[] = {'G', 'I', 'F', '8', '9', 'a'};
    TBitmap b;
    EXPECT_EQ(DetectImageFormat(junk, sizeof junk), ifUnknown);
    EXPECT_THROW(LoadImage(junk, sizeof junk, b), EInvalidGraphic);
    EXPECT_THROW(ProbeImage(junk, 0), EInvalidGraphic);
}

} // namespace
