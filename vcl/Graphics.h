// Pens, brushes, the canvas and bitmaps.
//
// The canvas is a software rasteriser on a TSurface (32-bit pixels stored as
// 0x00BBGGRR). Its pixel rules:
// - Integer pixels, y grows downwards. Every rectangle is half-open:
//   [Left, Right) x [Top, Bottom).
// - LineTo paints from the pen position (included) to the end point
//   (excluded) and moves the pen there; a zero-length LineTo paints nothing.
//   Lines step along their longer axis; the pixel on the shorter axis is the
//   exact position rounded, halves moving away from the start point.
// - Colours are resolved once per call (system colours through the table in
//   force) and drawn as ColorToRGB(c) & 0x00FFFFFF. clNone draws nothing;
//   clDefault is the window colour for brushes and the window-text colour for
//   pens.
// - Pixels outside the surface or the clip rectangle are never touched, and
//   no operation raises for geometry: coordinates anywhere in the int32 range
//   are clipped with 64- or 128-bit arithmetic.
// The canvas assumes that the top byte of every stored pixel is zero (all its
// own writes keep it so); plain copies move pixels unchanged.
//
// Objects are not synchronised: use them from one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vcl/Classes.h"
#include "vcl/GraphicsTypes.h"

namespace vcl {

class TFont;
class TBitmap;
struct TResourceTable;

enum TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// pmCopy: the pen colour; pmNot: the inverted destination; pmXor: destination
// xor pen colour; pmNotXor: the inverse of that.
enum TPenMode : uint8_t { pmCopy, pmNot, pmXor, pmNotXor };
// Hatches paint their lines in the brush colour over an 8 x 8 pattern anchored
// at the canvas origin and leave the pixels between the lines alone.
enum TBrushStyle : uint8_t {
    bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross
};
enum TFillStyle : uint8_t { fsSurface, fsBorder };
enum TStretchMode : uint8_t { smColorOnColor, smHalftone };
enum TCanvasKind : uint8_t { ckScreen, ckBitmap, ckPrinter };
enum TPixelFormat : uint8_t { pf1bit, pf4bit, pf8bit, pf15bit, pf24bit, pf32bit };

// Raster operations of the copies: the operation byte (bits 16..23) is the
// truth table over pattern (the brush colour), source and destination; every
// one of the 256 is honoured.
using TCopyMode = uint32_t;
inline constexpr TCopyMode cmBlackness = 0x00000042, cmDstInvert = 0x00550009, cmMergeCopy = 0x00C000CA,
                           cmMergePaint = 0x00BB0226, cmNotSrcCopy = 0x00330008, cmNotSrcErase = 0x001100A6,
                           cmPatCopy = 0x00F00021, cmPatInvert = 0x005A0049, cmPatPaint = 0x00FB0A09,
                           cmSrcAnd = 0x008800C6, cmSrcCopy = 0x00CC0020, cmSrcErase = 0x00440328,
                           cmSrcInvert = 0x00660046, cmSrcPaint = 0x00EE0086, cmWhiteness = 0x00FF0062;

// Base of pens and brushes: OnChange fires after every change.
class TGraphicsObject : public TPersistent {
public:
    TNotifyEvent OnChange;

protected:
    void Changed();
};

class TPen : public TGraphicsObject {
public:
    void Assign(const TPersistent* Source) override;
    TColor GetColor() const noexcept { return color_; }
    void SetColor(TColor c);
    // Widths below 1 are stored as 1.
    int32_t GetWidth() const noexcept { return width_; }
    void SetWidth(int32_t w);
    TPenStyle GetStyle() const noexcept { return style_; }
    void SetStyle(TPenStyle s);
    TPenMode GetMode() const noexcept { return mode_; }
    void SetMode(TPenMode m);

private:
    TColor color_ = clBlack;
    int32_t width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
};

class TBrush : public TGraphicsObject {
public:
    void Assign(const TPersistent* Source) override;
    TColor GetColor() const noexcept { return color_; }
    void SetColor(TColor c);
    TBrushStyle GetStyle() const noexcept { return style_; }
    void SetStyle(TBrushStyle s);

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
};

// A canvas draws on a surface it does not own. A canvas without a surface
// (or with an empty one) draws nothing.
class TCanvas : public TPersistent {
public:
    explicit TCanvas(TCanvasKind kind = ckScreen);
    TCanvas(const TSurface& surface, TCanvasKind kind);
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The surface drawn on; setting it resets the clip rectangle to the whole
    // surface.
    const TSurface& GetSurface() const noexcept { return surface_; }
    void SetSurface(const TSurface& s);
    TCanvasKind GetKind() const noexcept { return kind_; }
    bool IsPrinter() const noexcept { return kind_ == ckPrinter; }

    TPen& Pen() noexcept { return pen_; }
    TBrush& Brush() noexcept { return brush_; }
    // Created on first use.
    TFont& Font();

    TPoint GetPenPos() const noexcept { return penPos_; }
    void SetPenPos(TPoint p) { MoveTo(p.X, p.Y); }
    TCopyMode GetCopyMode() const noexcept { return copyMode_; }
    void SetCopyMode(TCopyMode m) noexcept { copyMode_ = m; }
    TStretchMode GetStretchMode() const noexcept { return stretchMode_; }
    void SetStretchMode(TStretchMode m) noexcept { stretchMode_ = m; }

    // The drawing bounds: always inside the surface. Controls and grids
    // narrow it with SetClipRect (intersected with the surface) and widen it
    // again with ResetClipRect.
    TRect GetClipRect() const noexcept { return clip_; }
    void SetClipRect(const TRect& r);
    void ResetClipRect();

    void MoveTo(int32_t X, int32_t Y);
    void LineTo(int32_t X, int32_t Y);
    // Outline with the pen along the points (the line rule of LineTo); the
    // pen position does not change.
    void Polyline(const std::vector<TPoint>& Points);
    void Polyline(const TPoint* Points, size_t Count);
    // Closed: the brush fills by the even-odd rule over pixel centres (a pixel
    // whose centre lies on a left or top edge is inside, on a right or bottom
    // edge outside), then the pen outlines every edge, the closing one too.
    // (In the xor and not pen modes, outline pixels the fill covered change
    // twice: such outlines are drawn with a clear brush.)
    void Polygon(const std::vector<TPoint>& Points);
    void Polygon(const TPoint* Points, size_t Count);

    // The outline runs on x in [L, R-1] and y in [T, B-1] (corners are
    // normalised); the brush fills what lies inside it. With a clear pen the
    // brush fills [L, R-1) x [T, B-1). A pen wider than 1 is centred on the
    // outline; psInsideFrame keeps it inside [L, R) x [T, B).
    void Rectangle(int32_t L, int32_t T, int32_t R, int32_t B);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    // The brush alone over the half-open rectangle.
    void FillRect(const TRect& r);
    // The pen colour one pixel wide along the border of the half-open rectangle
    // (the brush is not used).
    void FrameRect(const TRect& r);
    // dst ^= 0xFFFFFF over the half-open rectangle.
    void InvertRect(const TRect& r);

    // The ellipse inscribed in the half-open box: a pixel belongs to it when
    // its centre lies inside or on the ellipse touching the box's edges; the
    // middle row(s) always span the box and every row holds its middle
    // pixel(s), so that flat ellipses touch all four sides. The pen paints
    // the pixels of its border (8-connected, symmetric), the brush the rest;
    // with a clear pen the brush fills the whole ellipse. Outlines are solid
    // whatever the pen style.
    void Ellipse(int32_t L, int32_t T, int32_t R, int32_t B);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    // The part of the ellipse's border counter-clockwise (on screen) from the
    // radial through (X1, Y1) to the radial through (X2, Y2); radials run
    // from the box centre to the centres of the given pixels. Coinciding
    // radials give the whole ellipse.
    void Arc(int32_t L, int32_t T, int32_t R, int32_t B, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
    // The arc closed by the two radii from the centre, filled with the brush.
    void Pie(int32_t L, int32_t T, int32_t R, int32_t B, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
    // The arc closed by the chord between its ends, filled with the brush.
    void Chord(int32_t L, int32_t T, int32_t R, int32_t B, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);

    // Pixels: set resolves the colour and ignores points outside the clip
    // rectangle; get returns the stored colour, clNone outside the surface.
    TColor GetPixel(int32_t X, int32_t Y) const noexcept;
    void SetPixel(int32_t X, int32_t Y, TColor c);

    // Fills with the brush. fsSurface: the 4-connected region of pixels equal
    // to Color; fsBorder: the 4-connected region up to pixels of Color.
    void FloodFill(int32_t X, int32_t Y, TColor Color, TFillStyle FillStyle);

    // Copies of pixels honouring CopyMode. A bitmap or source rectangle
    // partly outside its image is clipped; destination pixels without a source
    // keep their content.
    void Draw(int32_t X, int32_t Y, const TBitmap& Graphic);
    // The whole bitmap into Dest with StretchMode: smColorOnColor takes the
    // nearest source pixel by centre sampling, smHalftone averages the covered
    // area when shrinking and interpolates bilinearly when enlarging (mixed
    // cases average).
    void StretchDraw(const TRect& Dest, const TBitmap& Graphic);
    // Source rectangle of another canvas (or this one) into Dest; stretches
    // when the sizes differ. Empty rectangles copy nothing.
    void CopyRect(const TRect& Dest, const TCanvas& Source, const TRect& SourceRect);
    void CopyRect(const TRect& Dest, const TSurface& Source, const TRect& SourceRect);

    // Text in the canvas's font (cp1252). (X, Y) is the top-left of the text
    // cell; a solid brush fills the cell first. The pen does not move.
    void TextOut(int32_t X, int32_t Y, const std::string& Text);
    // As TextOut, clipped to Rect; a solid brush fills the whole Rect first.
    void TextRect(const TRect& Rect, int32_t X, int32_t Y, const std::string& Text);
    int32_t TextWidth(const std::string& Text);
    int32_t TextHeight(const std::string& Text);
    TPoint TextExtent(const std::string& Text); // X = width, Y = height

    // Writes the surface as a PNG file (for debugging and failing tests).
    void SaveToPNG(const std::string& FileName) const;

protected:
    // Called at the start of every drawing operation; a printer canvas raises
    // there when no job runs.
    virtual void RequireDrawing() {}
    // Called after an operation changed pixels inside Area (already clipped).
    virtual void Changed(const TRect& Area) { (void)Area; }

private:
    friend struct CanvasAccess;
    TSurface surface_;
    TRect clip_;
    TCanvasKind kind_;
    TPen pen_;
    TBrush brush_;
    std::unique_ptr<TFont> font_;
    TPoint penPos_;
    int32_t patternPhase_ = 0; // position in the pen's dash pattern
    TCopyMode copyMode_ = cmSrcCopy;
    TStretchMode stretchMode_ = smColorOnColor;
};

// A bitmap: pixels kept as 32-bit 0x00BBGGRR whatever the pixel format; the
// format quantises every write (15 bits keeps 5 bits per channel and repeats
// them downwards; 1, 4 and 8 bits map to the nearest entry of the palette,
// ties to the first). New pixels are white.
class TBitmap : public TPersistent {
public:
    // The largest number of pixels a bitmap may hold.
    static constexpr int64_t kMaxPixels = int64_t(1) << 28;

    TBitmap();
    TBitmap(int32_t W, int32_t H, TPixelFormat pf = pf32bit);
    ~TBitmap() override;
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);

    void Assign(const TPersistent* Source) override;

    int32_t GetWidth() const noexcept { return width_; }
    int32_t GetHeight() const noexcept { return height_; }
    void SetWidth(int32_t W) { SetSize(W, height_); }
    void SetHeight(int32_t H) { SetSize(width_, H); }
    // Keeps the overlapping pixels; new ones are white. Negative sizes count
    // as 0; more than kMaxPixels raises EOutOfResources.
    void SetSize(int32_t W, int32_t H);
    bool Empty() const noexcept { return width_ == 0 || height_ == 0; }

    TPixelFormat GetPixelFormat() const noexcept { return format_; }
    // Quantises the present pixels to the new format; the paletted formats
    // take their default palette.
    void SetPixelFormat(TPixelFormat pf);
    // The format with the given palette (for pf1bit, pf4bit and pf8bit; at
    // most 2^bits entries are used, an empty palette means the default).
    void SetPixelFormat(TPixelFormat pf, const std::vector<TColor>& pal);
    // The palette of pf1bit, pf4bit and pf8bit (defaults: black and white;
    // the 16 standard colours; those plus a 6x6x6 cube and greys).
    const std::vector<TColor>& GetPalette() const noexcept { return palette_; }
    static std::vector<TColor> DefaultPalette(TPixelFormat pf);

    TCanvas& Canvas() noexcept;
    const TSurface& Surface() const noexcept { return surface_; }
    uint32_t* ScanLine(int32_t Row) noexcept { return surface_.Row(Row); }
    const uint32_t* ScanLine(int32_t Row) const noexcept { return surface_.Row(Row); }

    // BMP files (own reader and writer; errors raise EInvalidGraphic or
    // EInOutError). LoadFromFile also accepts PNG and JPEG files.
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName) const;
    // Decodes the named BMP of a resource table; unknown names raise
    // EResNotFound.
    void LoadFromResourceName(const TResourceTable& Table, const std::string& Name);
    void SavePNG(const std::string& FileName) const;

    // Quantises the pixels of Area to the pixel format (used after drawing).
    void Quantise(const TRect& Area);
    // Pixel value as stored after quantising (for tests and writers).
    TColor QuantiseColor(TColor c) const noexcept;
    // The palette index nearest to c (pf1bit, pf4bit, pf8bit).
    int PaletteIndex(TColor c) const noexcept;

private:
    void Reset(int32_t W, int32_t H);
    int32_t width_ = 0;
    int32_t height_ = 0;
    TPixelFormat format_ = pf32bit;
    std::vector<uint32_t> pixels_;
    std::vector<TColor> palette_;
    TSurface surface_;
    std::unique_ptr<TCanvas> canvas_;
};

// 15-bit quantising of a colour: five bits per channel, repeated downwards.
constexpr TColor Quantise15(TColor c) noexcept
{
    uint32_t r = (c & 0xFF) >> 3, g = ((c >> 8) & 0xFF) >> 3, b = ((c >> 16) & 0xFF) >> 3;
    r = (r << 3) | (r >> 2);
    g = (g << 3) | (g >> 2);
    b = (b << 3) | (b >> 2);
    return r | (g << 8) | (b << 16);
}

} // namespace vcl
