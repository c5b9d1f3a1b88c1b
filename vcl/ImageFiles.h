// Image files: BMP (own reader and writer), JPEG (decoding, and encoding for
// printer documents) and PNG (decoding and encoding).
//
// Every reader validates what it reads and raises EInvalidGraphic with a
// clear message on bad or unsupported data; a failed load leaves the target
// bitmap unchanged. File access failures raise EInOutError. Images larger than
// kMaxImageSide on a side or TBitmap::kMaxPixels in area are refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vcl/GraphicsTypes.h"

namespace vcl {

class TBitmap;

inline constexpr int32_t kMaxImageSide = 1 << 20;

enum TImageFormat : uint8_t { ifUnknown, ifBMP, ifPNG, ifJPEG };

// What the header of an image says, without decoding it.
struct TImageInfo {
    TImageFormat Format = ifUnknown;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t BitsPerPixel = 0; // per pixel as stored (JPEG: 8 per component)
};

// The format by its signature; ifUnknown when none matches.
TImageFormat DetectImageFormat(const uint8_t* Data, size_t Size) noexcept;
// Reads only the header (raises EInvalidGraphic when it is malformed).
TImageInfo ProbeImage(const uint8_t* Data, size_t Size);
TImageInfo ProbeImageFile(const std::string& FileName);

// BMP: 1, 4, 8, 16, 24 and 32 bits per pixel, bottom-up and top-down,
// uncompressed, bit fields, RLE4 and RLE8. The bitmap takes the file's pixel
// format (16 bits as pf15bit) and palette.
void LoadBMP(const uint8_t* Data, size_t Size, TBitmap& Bitmap);
// Written by pixel format: 1, 4 and 8 bits with the palette, 15 bits as 16-bit
// 5-5-5, 24 and 32 bits; always bottom-up and uncompressed.
std::vector<uint8_t> SaveBMP(const TBitmap& Bitmap);

// Progress of a JPEG load, fired per band of scan lines.
enum TLoadStage : uint8_t { lsStarting, lsRunning, lsEnding };
using TDataLoadingEvent = std::function<void(TLoadStage Stage, int32_t Percent)>;

// JPEG: greyscale, colour and CMYK images become 24-bit RGB. ScaleDenom 2, 4
// or 8 decodes at that fraction of the size directly from the compressed
// data (thumbnails); other values count as 1.
void LoadJPEG(const uint8_t* Data, size_t Size, TBitmap& Bitmap, int ScaleDenom = 1,
              const TDataLoadingEvent& OnDataLoading = {});
// Baseline JPEG of a surface at quality 1..100.
std::vector<uint8_t> EncodeJPEG(const TSurface& Surface, int Quality = 90);

// PNG: every colour type and bit depth; transparency is blended over white.
// The bitmap becomes pf24bit.
void LoadPNG(const uint8_t* Data, size_t Size, TBitmap& Bitmap);
std::vector<uint8_t> EncodePNG(const TSurface& Surface);
void SavePNGFile(const std::string& FileName, const TSurface& Surface);

// Any of the three formats, by signature.
void LoadImage(const uint8_t* Data, size_t Size, TBitmap& Bitmap);

// Whole-file helpers (EInOutError with the system's text on failure).
std::vector<uint8_t> ReadFileBytes(const std::string& FileName);
void WriteFileBytes(const std::string& FileName, const std::vector<uint8_t>& Bytes);

} // namespace vcl
