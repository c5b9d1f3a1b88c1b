// The printer: a canvas that renders pages into bitmaps at a set resolution
// (default 150 dots per inch on A4 portrait: 1240 x 1754 pixels). EndDoc keeps
// the pages readable and, when an output file is set, writes them as a PDF
// document (one image per page) or as numbered PNG files.
//
// Drawing on the printer's canvas outside BeginDoc ... EndDoc raises EPrinter
// "printing not in progress".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vcl/Graphics.h"

namespace vcl {

enum TPrinterOrientation : uint8_t { poPortrait, poLandscape };
// How PDF pages store their image: lossless (zlib) or JPEG.
enum TPdfImageEncoding : uint8_t { peFlate, peJPEG };

class TPrinter : public TObject {
public:
    TPrinter();
    ~TPrinter() override;
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    // Starts a job with one blank (white) page; EPrinter when one runs.
    void BeginDoc();
    // Finishes the job and writes the output file if one is set (file errors
    // pass through as EInOutError; the job ends either way). EPrinter when no
    // job runs.
    void EndDoc();
    // Starts a new blank page; EPrinter when no job runs.
    void NewPage();
    // Ends the job without output; the pages are dropped.
    void Abort();
    bool Printing() const noexcept { return printing_; }
    bool Aborted() const noexcept { return aborted_; }

    TCanvas& Canvas() noexcept;
    int32_t PageWidth() const noexcept;
    int32_t PageHeight() const noexcept;
    // The number of the page being drawn (1 = first); 0 outside a job.
    int32_t PageNumber() const noexcept { return printing_ ? static_cast<int32_t>(pages_.size()) : 0; }

    // Copies the bitmap 1:1 in device pixels at (X, Y), whatever the copy mode.
    void DrawDIB(int32_t X, int32_t Y, const TBitmap& Bitmap);

    // Settings; changing them during a job raises EPrinter.
    int32_t GetResolution() const noexcept { return dpi_; }
    void SetResolution(int32_t Dpi); // clamped to 10 .. 1200
    // Paper size in tenths of a millimetre, portrait (A4: 2100 x 2970).
    void SetPaperSize(int32_t Width10mm, int32_t Height10mm);
    TPrinterOrientation GetOrientation() const noexcept { return orientation_; }
    void SetOrientation(TPrinterOrientation o);
    const std::string& GetTitle() const noexcept { return title_; }
    void SetTitle(const std::string& t) { title_ = t; }
    // Empty: no file. A name ending in ".png" writes name-1.png, name-2.png,
    // ...; any other name gets a PDF document.
    const std::string& GetOutputFile() const noexcept { return outputFile_; }
    void SetOutputFile(const std::string& FileName) { outputFile_ = FileName; }
    TPdfImageEncoding GetPdfImageEncoding() const noexcept { return encoding_; }
    void SetPdfImageEncoding(TPdfImageEncoding e) noexcept { encoding_ = e; }

    // The pages of the running or last finished job, counted from 1;
    // nullptr outside the range.
    int32_t GetPageCount() const noexcept { return static_cast<int32_t>(pages_.size()); }
    const TBitmap* GetPage(int32_t Index) const noexcept;

private:
    void RequireIdle() const;
    void AddPage();
    bool printing_ = false;
    bool aborted_ = false;
    int32_t dpi_ = 150;
    int32_t paperW_ = 2100, paperH_ = 2970;
    TPrinterOrientation orientation_ = poPortrait;
    std::string title_;
    std::string outputFile_;
    TPdfImageEncoding encoding_ = peFlate;
    std::vector<std::unique_ptr<TBitmap>> pages_;
    std::unique_ptr<TCanvas> canvas_;
};

// The process-wide printer.
TPrinter& Printer();

// A PDF document with one page per bitmap, each filling a page of its size
// at Dpi; Title (cp1252) goes into the document information.
std::vector<uint8_t> BuildPdf(const std::vector<const TBitmap*>& Pages, int32_t Dpi, TPdfImageEncoding Encoding,
                              const std::string& Title);

} // namespace vcl
