// The printer: pages as bitmaps at a set resolution, misuse raising EPrinter,
// and the PDF and PNG output at EndDoc.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "vcl/ImageFiles.h"
#include "vcl/Printer.h"

using namespace vcl;

namespace {

class PrinterTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() / ("pyx_printer_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        p.SetResolution(150);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
    TPrinter p;
};

std::string Text(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

TEST_F(PrinterTest, CanvasOutsideAJobRaises)
{
    EXPECT_TRUE(p.Canvas().IsPrinter());
    EXPECT_FALSE(p.Printing());
    try {
        p.Canvas().Rectangle(0, 0, 10, 10);
        FAIL();
    } catch (const EPrinter& e) {
        EXPECT_STREQ(e.what(), "printing not in progress");
    }
    EXPECT_THROW(p.Canvas().TextOut(0, 0, "x"), EPrinter);
    EXPECT_THROW(p.NewPage(), EPrinter);
    EXPECT_THROW(p.EndDoc(), EPrinter);
    EXPECT_EQ(p.PageNumber(), 0);
    p.BeginDoc();
    EXPECT_THROW(p.BeginDoc(), EPrinter);
    EXPECT_THROW(p.SetResolution(300), EPrinter);
    p.Abort();
    EXPECT_TRUE(p.Aborted());
    EXPECT_EQ(p.GetPageCount(), 0);
}

TEST_F(PrinterTest, PagesAreWhiteBitmapsAtTheResolution)
{
    EXPECT_EQ(p.PageWidth(), 1240);
    EXPECT_EQ(p.PageHeight(), 1754);
    p.SetOrientation(poLandscape);
    EXPECT_EQ(p.PageWidth(), 1754);
    p.SetOrientation(poPortrait);
    p.SetResolution(72);
    EXPECT_EQ(p.PageWidth(), 595);
    EXPECT_EQ(p.PageHeight(), 842);
    p.BeginDoc();
    EXPECT_EQ(p.PageNumber(), 1);
    p.Canvas().Brush().SetColor(0x00FF0000);
    p.Canvas().FillRect(Rect(10, 10, 20, 20));
    p.NewPage();
    TBitmap dib(3, 2);
    dib.Canvas().Brush().SetColor(0x000000FF);
    dib.Canvas().FillRect(Rect(0, 0, 3, 2));
    p.Canvas().SetCopyMode(cmSrcAnd);
    p.DrawDIB(5, 6, dib); // 1:1, a plain copy whatever the copy mode
    EXPECT_EQ(p.Canvas().GetCopyMode(), cmSrcAnd);
    p.EndDoc();
    ASSERT_EQ(p.GetPageCount(), 2);
    const TBitmap* first = p.GetPage(1);
    EXPECT_EQ(first->GetWidth(), 595);
    EXPECT_EQ(first->ScanLine(15)[15], 0x00FF0000u);
    EXPECT_EQ(first->ScanLine(0)[0], 0x00FFFFFFu);
    EXPECT_EQ(p.GetPage(2)->ScanLine(7)[7], 0x000000FFu);
    EXPECT_EQ(p.GetPage(2)->ScanLine(8)[7], 0x00FFFFFFu);
    EXPECT_EQ(p.GetPage(0), nullptr);
    EXPECT_EQ(p.GetPage(3), nullptr);
    EXPECT_THROW(p.Canvas().FillRect(Rect(0, 0, 1, 1)), EPrinter);
}

TEST_F(PrinterTest, EndDocWritesAPdfWithOneImagePerPage)
{
    p.SetResolution(50);
    p.SetTitle("Map of M\xE4rz");
    p.SetOutputFile((dir / "out.pdf").string());
    p.BeginDoc();
    p.Canvas().Pen().SetColor(clBlack);
    p.Canvas().MoveTo(0, 0);
    p.Canvas().LineTo(100, 100);
    p.NewPage();
    p.EndDoc();
    std::string pdf = Text(ReadFileBytes((dir / "out.pdf").string()));
    EXPECT_EQ(pdf.substr(0, 8), "%PDF-1.4");
    EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");
    EXPECT_NE(pdf.find("/Count 2"), std::string::npos);
    EXPECT_NE(pdf.find("/FlateDecode"), std::string::npos);
    // A4 at 50 dpi is 413 x 585 pixels, 594.72 x 842.4 points.
    EXPECT_NE(pdf.find("/Width 413 /Height 585"), std::string::npos);
    EXPECT_NE(pdf.find("/MediaBox [0 0 594.72 842.4]"), std::string::npos);
    EXPECT_NE(pdf.find("<FEFF004D006100700020006F00660020004D00E40072007A>"), std::string::npos);
    // Every cross-reference entry points at its object.
    size_t xref = std::stoul(pdf.substr(pdf.rfind("startxref\n") + 10));
    ASSERT_EQ(pdf.compare(xref, 5, "xref\n"), 0);
    size_t pos = pdf.find('\n', xref + 5) + 1;
    int objects = std::stoi(pdf.substr(xref + 7));
    EXPECT_EQ(objects, 1 + 3 + 2 * 3);
    pos += 20; // the free entry
    for (int k = 1; k < objects; ++k, pos += 20) {
        size_t off = std::stoul(pdf.substr(pos, 10));
        EXPECT_EQ(pdf.compare(off, std::to_string(k).size() + 6, std::to_string(k) + " 0 obj"), 0) << k;
    }
}

TEST_F(PrinterTest, JpegPagesAndPngOutput)
{
    p.SetResolution(30);
    p.SetPdfImageEncoding(peJPEG);
    p.SetOutputFile((dir / "j.pdf").string());
    p.BeginDoc();
    p.EndDoc();
    EXPECT_NE(Text(ReadFileBytes((dir / "j.pdf").string())).find("/DCTDecode"), std::string::npos);
    p.SetOutputFile((dir / "pages.png").string());
    p.BeginDoc();
    p.NewPage();
    p.EndDoc();
    TImageInfo info = ProbeImageFile((dir / "pages-2.png").string());
    EXPECT_EQ(info.Width, p.PageWidth());
    EXPECT_TRUE(std::filesystem::exists(dir / "pages-1.png"));
    // A file that cannot be written raises, and the job is over anyway.
    p.SetOutputFile((dir / "missing" / "x.pdf").string());
    p.BeginDoc();
    EXPECT_THROW(p.EndDoc(), EInOutError);
    EXPECT_FALSE(p.Printing());
}

TEST(PrinterSingleton, IsOneObject)
{
    EXPECT_EQ(&Printer(), &Printer());
    EXPECT_EQ(&Printer().Canvas(), &Printer().Canvas());
}

} // namespace
