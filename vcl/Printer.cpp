#include "vcl/Printer.h"

#include <charconv>
#include <cstdio>

#include <zlib.h>

#include "vcl/Cp1252.h"
#include "vcl/ImageFiles.h"

namespace vcl {

namespace {

class TPrinterCanvas final : public TCanvas {
public:
    explicit TPrinterCanvas(const TPrinter& owner) : TCanvas(ckPrinter), owner_(owner) {}

protected:
    void RequireDrawing() override
    {
        if (!owner_.Printing()) throw EPrinter("printing not in progress");
    }

private:
    const TPrinter& owner_;
};

int32_t PixelsOf(int32_t tenthsMm, int32_t dpi)
{
    // tenths of a millimetre -> inches -> pixels, rounded half to even.
    return std::max(1, SatRound(static_cast<double>(tenthsMm) * dpi / 254.0));
}

// ---------------------------------------------------------------------------
// A minimal PDF writer: objects numbered in order of writing, a cross
// reference table of their byte offsets.
class PdfWriter {
public:
    std::vector<uint8_t> out;
    std::vector<size_t> offsets{0};

    void Text(const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }
    int Begin()
    {
        offsets.push_back(out.size());
        int n = static_cast<int>(offsets.size() - 1);
        Text(std::to_string(n) + " 0 obj\n");
        return n;
    }
    void End() { Text("endobj\n"); }
    void Stream(const std::string& dict, const std::vector<uint8_t>& data)
    {
        Text("<< " + dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n");
        out.insert(out.end(), data.begin(), data.end());
        Text("\nendstream\n");
    }
};

std::string Num(double v)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
    std::string s(buf, r.ptr);
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

// Text strings as UTF-16BE in hexadecimal, which needs no escaping.
std::string PdfText(const std::string& cp1252)
{
    static const char* hex = "0123456789ABCDEF";
    std::string s = "<FEFF";
    for (unsigned char c : cp1252) {
        char32_t u = Cp1252ToUnicode(c);
        if (Cp1252Undefined(c)) u = U'?';
        for (int shift = 12; shift >= 0; shift -= 4) s += hex[(u >> shift) & 0xF];
    }
    return s + ">";
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& raw)
{
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> out(size);
    if (compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK)
        throw EInvalidGraphic("Compression of a page failed");
    out.resize(size);
    return out;
}

} // namespace

std::vector<uint8_t> BuildPdf(const std::vector<const TBitmap*>& Pages, int32_t Dpi, TPdfImageEncoding Encoding,
                              const std::string& Title)
{
    PdfWriter w;
    w.Text("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    const int n = static_cast<int>(Pages.size());
    // Objects: 1 catalog, 2 page tree, 3 info, then per page: page, content,
    // image.
    w.Begin();
    w.Text("<< /Type /Catalog /Pages 2 0 R >>\n");
    w.End();
    w.Begin();
    std::string kids;
    for (int i = 0; i < n; ++i) kids += std::to_string(4 + 3 * i) + " 0 R ";
    w.Text("<< /Type /Pages /Kids [ " + kids + "] /Count " + std::to_string(n) + " >>\n");
    w.End();
    w.Begin();
    w.Text("<< /Title " + PdfText(Title) + " /Producer (PYX) >>\n");
    w.End();
    const double scale = 72.0 / std::max(Dpi, 1);
    for (int i = 0; i < n; ++i) {
        const TBitmap& page = *Pages[static_cast<size_t>(i)];
        const int32_t pw = std::max(page.GetWidth(), 1), ph = std::max(page.GetHeight(), 1);
        const std::string wpt = Num(pw * scale), hpt = Num(ph * scale);
        const int pageObj = 4 + 3 * i;
        w.Begin();
        w.Text("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + wpt + " " + hpt + "] /Resources << /XObject << /Im0 " +
               std::to_string(pageObj + 2) + " 0 R >> >> /Contents " + std::to_string(pageObj + 1) + " 0 R >>\n");
        w.End();
        w.Begin();
        std::string content = "q " + wpt + " 0 0 " + hpt + " 0 0 cm /Im0 Do Q\n";
        w.Stream("", std::vector<uint8_t>(content.begin(), content.end()));
        w.End();
        w.Begin();
        std::string dict = "/Type /XObject /Subtype /Image /Width " + std::to_string(pw) + " /Height " +
                           std::to_string(ph) + " /ColorSpace /DeviceRGB /BitsPerComponent 8";
        if (page.Empty()) {
            w.Stream(dict + " /Filter /FlateDecode", Deflate({255, 255, 255}));
        } else if (Encoding == peJPEG) {
            w.Stream(dict + " /Filter /DCTDecode", EncodeJPEG(page.Surface(), 90));
        } else {
            std::vector<uint8_t> raw;
            raw.reserve(size_t(pw) * size_t(ph) * 3);
            for (int32_t y = 0; y < ph; ++y) {
                const uint32_t* row = page.ScanLine(y);
                for (int32_t x = 0; x < pw; ++x) {
                    raw.push_back(static_cast<uint8_t>(row[x]));
                    raw.push_back(static_cast<uint8_t>(row[x] >> 8));
                    raw.push_back(static_cast<uint8_t>(row[x] >> 16));
                }
            }
            w.Stream(dict + " /Filter /FlateDecode", Deflate(raw));
        }
        w.End();
    }
    const size_t xref = w.out.size();
    w.Text("xref\n0 " + std::to_string(w.offsets.size()) + "\n0000000000 65535 f \n");
    for (size_t k = 1; k < w.offsets.size(); ++k) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", w.offsets[k]);
        w.Text(line);
    }
    w.Text("trailer\n<< /Size " + std::to_string(w.offsets.size()) + " /Root 1 0 R /Info 3 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n");
    return std::move(w.out);
}

// ---------------------------------------------------------------------------
TPrinter::TPrinter() = default;
TPrinter::~TPrinter() = default;

TCanvas& TPrinter::Canvas() noexcept
{
    if (!canvas_) canvas_ = std::make_unique<TPrinterCanvas>(*this);
    return *canvas_;
}

int32_t TPrinter::PageWidth() const noexcept
{
    return PixelsOf(orientation_ == poPortrait ? paperW_ : paperH_, dpi_);
}

int32_t TPrinter::PageHeight() const noexcept
{
    return PixelsOf(orientation_ == poPortrait ? paperH_ : paperW_, dpi_);
}

void TPrinter::RequireIdle() const
{
    if (printing_) throw EPrinter("printing in progress");
}

void TPrinter::SetResolution(int32_t Dpi)
{
    RequireIdle();
    dpi_ = std::clamp(Dpi, 10, 1200);
}

void TPrinter::SetPaperSize(int32_t W, int32_t H)
{
    RequireIdle();
    paperW_ = std::clamp(W, 10, 50000);
    paperH_ = std::clamp(H, 10, 50000);
}

void TPrinter::SetOrientation(TPrinterOrientation o)
{
    RequireIdle();
    if (o <= poLandscape) orientation_ = o;
}

void TPrinter::AddPage()
{
    auto page = std::make_unique<TBitmap>();
    page->SetSize(PageWidth(), PageHeight());
    page->SetPixelFormat(pf24bit);
    pages_.push_back(std::move(page));
    Canvas().SetSurface(pages_.back()->Surface());
}

void TPrinter::BeginDoc()
{
    RequireIdle();
    pages_.clear();
    aborted_ = false;
    AddPage();
    printing_ = true;
}

void TPrinter::NewPage()
{
    if (!printing_) throw EPrinter("printing not in progress");
    AddPage();
}

void TPrinter::Abort()
{
    if (!printing_) return;
    printing_ = false;
    aborted_ = true;
    pages_.clear();
    Canvas().SetSurface({});
}

void TPrinter::EndDoc()
{
    if (!printing_) throw EPrinter("printing not in progress");
    printing_ = false;
    Canvas().SetSurface({});
    if (outputFile_.empty()) return;
    const std::string& f = outputFile_;
    if (f.size() >= 4 && AsciiLowerCase(f.substr(f.size() - 4)) == ".png") {
        std::string stem = f.substr(0, f.size() - 4);
        for (size_t i = 0; i < pages_.size(); ++i)
            SavePNGFile(stem + "-" + std::to_string(i + 1) + ".png", pages_[i]->Surface());
        return;
    }
    std::vector<const TBitmap*> pages;
    for (const auto& p : pages_) pages.push_back(p.get());
    WriteFileBytes(f, BuildPdf(pages, dpi_, encoding_, title_));
}

void TPrinter::DrawDIB(int32_t X, int32_t Y, const TBitmap& Bitmap)
{
    TCanvas& c = Canvas();
    TCopyMode saved = c.GetCopyMode();
    c.SetCopyMode(cmSrcCopy);
    try {
        c.Draw(X, Y, Bitmap);
    } catch (...) {
        c.SetCopyMode(saved);
        throw;
    }
    c.SetCopyMode(saved);
}

const TBitmap* TPrinter::GetPage(int32_t Index) const noexcept
{
    if (Index < 1 || Index > GetPageCount()) return nullptr;
    return pages_[static_cast<size_t>(Index - 1)].get();
}

TPrinter& Printer()
{
    static TPrinter printer;
    return printer;
}

} // namespace vcl
