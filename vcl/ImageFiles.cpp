// Image files: format detection, header probes, file helpers and the BMP
// reader and writer.
#include "vcl/ImageFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "vcl/Graphics.h"

namespace vcl {

namespace {

[[noreturn]] void Bad(const std::string& what) { throw EInvalidGraphic(what); }

std::string SystemReason(int err)
{
    char buf[256];
    // The GNU strerror_r returns the text, which may or may not use buf.
    const char* s = strerror_r(err, buf, sizeof buf);
    return s ? std::string(s) : std::string("error ") + std::to_string(err);
}

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

void Put16(std::vector<uint8_t>& v, uint32_t x)
{
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x)
{
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

void CheckDimensions(int64_t w, int64_t h)
{
    if (w <= 0 || h <= 0) Bad("Invalid image dimensions");
    if (w > kMaxImageSide || h > kMaxImageSide || w * h > TBitmap::kMaxPixels) Bad("Image too large");
}

// ---------------------------------------------------------------------------
// BMP headers.
enum : uint32_t { kBI_RGB = 0, kBI_RLE8 = 1, kBI_RLE4 = 2, kBI_BITFIELDS = 3 };

struct BmpHeader {
    uint32_t OffBits = 0;
    uint32_t InfoSize = 0;
    int64_t Width = 0;
    int64_t Height = 0; // positive
    bool TopDown = false;
    uint32_t Bpp = 0;
    uint32_t Compression = 0;
    uint32_t Masks[3] = {0, 0, 0}; // red, green, blue
    size_t PaletteOffset = 0;
    uint32_t PaletteCount = 0;
    uint32_t PaletteEntrySize = 4;
};

// With headerOnly the palette and pixel data need not be present yet.
BmpHeader ParseBmpHeader(const uint8_t* d, size_t n, bool headerOnly = false)
{
    if (!d || n < 14 + 12) Bad("BMP file too short");
    if (d[0] != 'B' || d[1] != 'M') Bad("Not a BMP file");
    BmpHeader h;
    h.OffBits = U32(d + 10);
    h.InfoSize = U32(d + 14);
    const uint32_t is = h.InfoSize;
    if (is != 12 && is != 40 && is != 52 && is != 56 && is != 108 && is != 124) Bad("Unsupported BMP header size");
    if (n < 14 + size_t(is)) Bad("BMP header truncated");
    const uint8_t* ih = d + 14;
    uint32_t planes;
    if (is == 12) {
        h.Width = U16(ih + 4);
        h.Height = U16(ih + 6);
        planes = U16(ih + 8);
        h.Bpp = U16(ih + 10);
        h.PaletteEntrySize = 3;
    } else {
        h.Width = I32(ih + 4);
        int64_t hh = I32(ih + 8);
        planes = U16(ih + 12);
        h.Bpp = U16(ih + 14);
        h.Compression = U32(ih + 16);
        h.PaletteCount = U32(ih + 32);
        if (hh < 0) {
            h.TopDown = true;
            hh = -hh;
        }
        h.Height = hh;
    }
    if (planes != 1) Bad("Invalid BMP plane count");
    if (h.Bpp != 1 && h.Bpp != 4 && h.Bpp != 8 && h.Bpp != 16 && h.Bpp != 24 && h.Bpp != 32)
        Bad("Unsupported BMP bit depth");
    CheckDimensions(h.Width, h.Height);
    size_t after = 14 + size_t(is);
    switch (h.Compression) {
    case kBI_RGB:
        if (h.Bpp == 16) h.Masks[0] = 0x7C00, h.Masks[1] = 0x03E0, h.Masks[2] = 0x001F;
        if (h.Bpp == 32 || h.Bpp == 24) h.Masks[0] = 0xFF0000, h.Masks[1] = 0xFF00, h.Masks[2] = 0xFF;
        break;
    case kBI_RLE8:
        if (h.Bpp != 8) Bad("RLE8 needs 8 bits per pixel");
        if (h.TopDown) Bad("Compressed BMP cannot be top-down");
        break;
    case kBI_RLE4:
        if (h.Bpp != 4) Bad("RLE4 needs 4 bits per pixel");
        if (h.TopDown) Bad("Compressed BMP cannot be top-down");
        break;
    case kBI_BITFIELDS: {
        if (h.Bpp != 16 && h.Bpp != 32) Bad("Bit fields need 16 or 32 bits per pixel");
        const uint8_t* m = ih + 40;
        if (is == 40) {
            if (n < after + 12) Bad("BMP bit fields truncated");
            after += 12;
        }
        for (int i = 0; i < 3; ++i) h.Masks[i] = U32(m + 4 * i);
        uint32_t all = 0;
        for (uint32_t mask : h.Masks) {
            if (mask == 0) Bad("Invalid BMP bit field");
            if (h.Bpp == 16 && mask > 0xFFFF) Bad("Invalid BMP bit field");
            uint32_t low = mask & (~mask + 1);
            if (((mask + low) & mask) != 0) Bad("Invalid BMP bit field"); // not contiguous
            if (all & mask) Bad("Invalid BMP bit field");                 // overlapping
            all |= mask;
        }
        break;
    }
    default: Bad("Unsupported BMP compression");
    }
    if (headerOnly) return h;
    if (h.Bpp <= 8) {
        uint32_t maxCount = 1u << h.Bpp;
        if (h.PaletteCount == 0) h.PaletteCount = maxCount;
        if (h.PaletteCount > maxCount) Bad("Invalid BMP palette size");
        h.PaletteOffset = after;
        size_t end = after + size_t(h.PaletteCount) * h.PaletteEntrySize;
        // Old writers store short palettes; what the data offset allows counts.
        if (end > h.OffBits) {
            if (h.OffBits < after) Bad("Invalid BMP data offset");
            h.PaletteCount = static_cast<uint32_t>((h.OffBits - after) / h.PaletteEntrySize);
            if (h.PaletteCount == 0) Bad("BMP palette missing");
        }
    } else {
        h.PaletteCount = 0;
    }
    if (h.OffBits < after || h.OffBits > n) Bad("Invalid BMP data offset");
    return h;
}

// Channel extraction for bit fields: the field scaled to 0..255.
struct Field {
    uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;
    uint32_t Get(uint32_t v) const noexcept
    {
        uint32_t x = (v & Mask) >> Shift;
        if (Bits >= 8) return x >> (Bits - 8);
        uint32_t maxv = (1u << Bits) - 1;
        return (x * 255 + maxv / 2) / maxv;
    }
};
Field MakeField(uint32_t mask)
{
    Field f;
    f.Mask = mask;
    while (!((mask >> f.Shift) & 1)) ++f.Shift;
    while (f.Shift + f.Bits < 32 && ((mask >> (f.Shift + f.Bits)) & 1)) ++f.Bits;
    return f;
}

} // namespace

// ---------------------------------------------------------------------------
TImageFormat DetectImageFormat(const uint8_t* d, size_t n) noexcept
{
    if (!d) return ifUnknown;
    if (n >= 2 && d[0] == 'B' && d[1] == 'M') return ifBMP;
    if (n >= 8 && std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0) return ifPNG;
    if (n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return ifJPEG;
    return ifUnknown;
}

TImageInfo ProbeJPEGHeader(const uint8_t* d, size_t n); // ImageFilesJpeg.cpp
TImageInfo ProbePNGHeader(const uint8_t* d, size_t n);  // ImageFilesPng.cpp

TImageInfo ProbeImage(const uint8_t* d, size_t n)
{
    switch (DetectImageFormat(d, n)) {
    case ifBMP: {
        BmpHeader h = ParseBmpHeader(d, n, true);
        return {ifBMP, static_cast<int32_t>(h.Width), static_cast<int32_t>(h.Height), static_cast<int32_t>(h.Bpp)};
    }
    case ifPNG: return ProbePNGHeader(d, n);
    case ifJPEG: return ProbeJPEGHeader(d, n);
    case ifUnknown: break;
    }
    Bad("Unknown image format");
}

TImageInfo ProbeImageFile(const std::string& FileName)
{
    std::vector<uint8_t> bytes = ReadFileBytes(FileName);
    return ProbeImage(bytes.data(), bytes.size());
}

void LoadImage(const uint8_t* d, size_t n, TBitmap& Bitmap)
{
    switch (DetectImageFormat(d, n)) {
    case ifBMP: LoadBMP(d, n, Bitmap); return;
    case ifPNG: LoadPNG(d, n, Bitmap); return;
    case ifJPEG: LoadJPEG(d, n, Bitmap); return;
    case ifUnknown: break;
    }
    Bad("Unknown image format");
}

std::vector<uint8_t> ReadFileBytes(const std::string& FileName)
{
    FILE* f = std::fopen(FileName.c_str(), "rb");
    if (!f) throw EInOutError("Cannot open file \"" + FileName + "\": " + SystemReason(errno));
    std::vector<uint8_t> out;
    uint8_t buf[65536];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + got);
    int err = std::ferror(f) ? errno : 0;
    std::fclose(f);
    if (err) throw EInOutError("Cannot read file \"" + FileName + "\": " + SystemReason(err));
    return out;
}

void WriteFileBytes(const std::string& FileName, const std::vector<uint8_t>& Bytes)
{
    FILE* f = std::fopen(FileName.c_str(), "wb");
    if (!f) throw EInOutError("Cannot create file \"" + FileName + "\": " + SystemReason(errno));
    bool ok = Bytes.empty() || std::fwrite(Bytes.data(), 1, Bytes.size(), f) == Bytes.size();
    int err = ok ? 0 : errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) throw EInOutError("Cannot write file \"" + FileName + "\": " + SystemReason(err));
}

// ---------------------------------------------------------------------------
void LoadBMP(const uint8_t* d, size_t n, TBitmap& Bitmap)
{
    BmpHeader h = ParseBmpHeader(d, n);
    const int32_t W = static_cast<int32_t>(h.Width), H = static_cast<int32_t>(h.Height);
    std::vector<TColor> palette(h.PaletteCount);
    for (uint32_t i = 0; i < h.PaletteCount; ++i) {
        const uint8_t* p = d + h.PaletteOffset + size_t(i) * h.PaletteEntrySize;
        palette[i] = uint32_t(p[2]) | (uint32_t(p[1]) << 8) | (uint32_t(p[0]) << 16);
    }
    TPixelFormat pf = h.Bpp == 1 ? pf1bit : h.Bpp == 4 ? pf4bit : h.Bpp == 8 ? pf8bit : h.Bpp == 24 ? pf24bit : pf32bit;
    if (h.Bpp == 16) pf = (h.Masks[0] == 0x7C00 && h.Masks[1] == 0x03E0 && h.Masks[2] == 0x001F) ? pf15bit : pf24bit;

    const uint8_t* data = d + h.OffBits;
    const size_t avail = n - h.OffBits;
    const bool rle = h.Compression == kBI_RLE8 || h.Compression == kBI_RLE4;
    const uint64_t stride = ((uint64_t(W) * h.Bpp + 31) / 32) * 4;
    if (!rle && stride * uint64_t(H) > avail) Bad("BMP pixel data truncated");
    TBitmap tmp;
    tmp.SetSize(W, H);
    // Rows are stored bottom-up unless the height was negative.
    auto rowOf = [&](int64_t fileRow) { return h.TopDown ? fileRow : H - 1 - fileRow; };
    auto colour = [&](uint32_t index) -> uint32_t {
        if (index >= palette.size()) Bad("BMP pixel outside the palette");
        return palette[index];
    };

    if (rle) {
        // Pixels the stream never reaches take palette entry 0.
        const uint32_t background = palette.empty() ? 0 : palette[0];
        for (int32_t y = 0; y < H; ++y) std::fill_n(tmp.ScanLine(y), W, background);
        const bool four = h.Compression == kBI_RLE4;
        int64_t x = 0, row = 0;
        size_t i = 0;
        auto put = [&](uint32_t index) {
            if (x >= W || row >= H) Bad("BMP RLE run out of bounds");
            tmp.ScanLine(static_cast<int32_t>(rowOf(row)))[x++] = colour(index);
        };
        while (true) {
            if (i + 2 > avail) break; // data ended without an end marker: keep what was drawn
            uint8_t count = data[i], value = data[i + 1];
            i += 2;
            if (count > 0) {
                for (int k = 0; k < count; ++k) put(four ? ((k & 1) ? (value & 0x0F) : (value >> 4)) : value);
                continue;
            }
            if (value == 0) { // end of line
                x = 0;
                ++row;
                continue;
            }
            if (value == 1) break; // end of bitmap
            if (value == 2) {      // delta
                if (i + 2 > avail) Bad("BMP RLE data truncated");
                x += data[i];
                row += data[i + 1];
                i += 2;
                if (x > W || row > H || (row == H && x > 0)) Bad("BMP RLE delta out of bounds");
                continue;
            }
            // Absolute run of `value` pixels, padded to a 16-bit boundary.
            size_t bytes = four ? (value + 1u) / 2u : value;
            if (i + bytes > avail) Bad("BMP RLE data truncated");
            for (int k = 0; k < value; ++k) {
                uint8_t b = data[i + (four ? k / 2 : k)];
                put(four ? ((k & 1) ? (b & 0x0F) : (b >> 4)) : b);
            }
            i += (bytes + 1) & ~size_t(1);
        }
    } else {
        Field fr = MakeField(h.Masks[0] ? h.Masks[0] : 1), fg = MakeField(h.Masks[1] ? h.Masks[1] : 1),
              fb = MakeField(h.Masks[2] ? h.Masks[2] : 1);
        for (int64_t fy = 0; fy < H; ++fy) {
            const uint8_t* src = data + stride * uint64_t(fy);
            uint32_t* dst = tmp.ScanLine(static_cast<int32_t>(rowOf(fy)));
            switch (h.Bpp) {
            case 1:
                for (int32_t x = 0; x < W; ++x) dst[x] = colour((src[x >> 3] >> (7 - (x & 7))) & 1);
                break;
            case 4:
                for (int32_t x = 0; x < W; ++x) dst[x] = colour((x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4));
                break;
            case 8:
                for (int32_t x = 0; x < W; ++x) dst[x] = colour(src[x]);
                break;
            case 24:
                for (int32_t x = 0; x < W; ++x, src += 3)
                    dst[x] = uint32_t(src[2]) | (uint32_t(src[1]) << 8) | (uint32_t(src[0]) << 16);
                break;
            case 16:
            case 32:
                for (int32_t x = 0; x < W; ++x) {
                    uint32_t v = h.Bpp == 16 ? U16(src + 2 * size_t(x)) : U32(src + 4 * size_t(x));
                    dst[x] = fr.Get(v) | (fg.Get(v) << 8) | (fb.Get(v) << 16);
                }
                break;
            default: Bad("Unsupported BMP bit depth");
            }
        }
    }
    if (h.Bpp <= 8) tmp.SetPixelFormat(pf, palette);
    else tmp.SetPixelFormat(pf);
    Bitmap.Assign(&tmp);
}

std::vector<uint8_t> SaveBMP(const TBitmap& Bitmap)
{
    const int32_t W = Bitmap.GetWidth(), H = Bitmap.GetHeight();
    const TPixelFormat pf = Bitmap.GetPixelFormat();
    const uint32_t bpp = pf == pf1bit ? 1 : pf == pf4bit ? 4 : pf == pf8bit ? 8 : pf == pf15bit ? 16 : pf == pf24bit ? 24 : 32;
    const std::vector<TColor> palette = bpp <= 8 ? Bitmap.GetPalette() : std::vector<TColor>{};
    const uint64_t stride = ((uint64_t(W) * bpp + 31) / 32) * 4;
    const uint32_t offBits = 14 + 40 + static_cast<uint32_t>(palette.size()) * 4;
    const uint64_t fileSize = offBits + stride * uint64_t(H);
    if (fileSize > 0xFFFFFFFFu) Bad("Image too large for a BMP file");
    std::vector<uint8_t> v;
    v.reserve(static_cast<size_t>(fileSize));
    v.push_back('B');
    v.push_back('M');
    Put32(v, static_cast<uint32_t>(fileSize));
    Put32(v, 0);
    Put32(v, offBits);
    Put32(v, 40);
    Put32(v, static_cast<uint32_t>(W));
    Put32(v, static_cast<uint32_t>(H));
    Put16(v, 1);
    Put16(v, bpp);
    Put32(v, kBI_RGB);
    Put32(v, static_cast<uint32_t>(stride * uint64_t(H)));
    Put32(v, 3780); // 96 dpi in pixels per metre
    Put32(v, 3780);
    Put32(v, static_cast<uint32_t>(palette.size()));
    Put32(v, 0);
    for (TColor c : palette) {
        v.push_back(static_cast<uint8_t>(c >> 16));
        v.push_back(static_cast<uint8_t>(c >> 8));
        v.push_back(static_cast<uint8_t>(c));
        v.push_back(0);
    }
    std::vector<uint8_t> row(static_cast<size_t>(stride));
    for (int32_t y = H - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), 0);
        const uint32_t* src = Bitmap.ScanLine(y);
        uint32_t last = ~0u;
        int lastIndex = 0;
        for (int32_t x = 0; x < W; ++x) {
            uint32_t p = src[x] & 0xFFFFFFu;
            uint8_t r = static_cast<uint8_t>(p), g = static_cast<uint8_t>(p >> 8), b = static_cast<uint8_t>(p >> 16);
            if (bpp <= 8) {
                if (p != last) {
                    last = p;
                    lastIndex = Bitmap.PaletteIndex(p);
                }
                uint32_t idx = static_cast<uint32_t>(lastIndex);
                if (bpp == 8) row[size_t(x)] = static_cast<uint8_t>(idx);
                else if (bpp == 4) row[size_t(x) >> 1] |= static_cast<uint8_t>((x & 1) ? idx : idx << 4);
                else row[size_t(x) >> 3] |= static_cast<uint8_t>(idx << (7 - (x & 7)));
            } else if (bpp == 16) {
                uint32_t w = (uint32_t(r >> 3) << 10) | (uint32_t(g >> 3) << 5) | uint32_t(b >> 3);
                row[2 * size_t(x)] = static_cast<uint8_t>(w);
                row[2 * size_t(x) + 1] = static_cast<uint8_t>(w >> 8);
            } else {
                size_t k = size_t(x) * (bpp / 8);
                row[k] = b;
                row[k + 1] = g;
                row[k + 2] = r;
            }
        }
        v.insert(v.end(), row.begin(), row.end());
    }
    return v;
}

} // namespace vcl
