// The BMP reader on arbitrary bytes: it must either load the image or raise
// EInvalidGraphic, and whatever it loads must survive a write and a second
// read unchanged.
#include <cstdint>
#include <cstdlib>

#include "vcl/Graphics.h"
#include "vcl/ImageFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace vcl;
    try {
        TImageInfo info = ProbeImage(data, size);
        // Keep single runs small: the reader accepts far larger images, but a
        // few bytes of run-length data may claim them.
        if (int64_t(info.Width) * info.Height > (int64_t(1) << 22)) return 0;
    } catch (const EInvalidGraphic&) {
    }
    TBitmap b;
    try {
        LoadBMP(data, size, b);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    std::vector<uint8_t> again = SaveBMP(b);
    TBitmap c;
    LoadBMP(again.data(), again.size(), c);
    if (c.GetWidth() != b.GetWidth() || c.GetHeight() != b.GetHeight() || c.GetPixelFormat() != b.GetPixelFormat())
        std::abort();
    for (int32_t y = 0; y < b.GetHeight(); ++y)
        for (int32_t x = 0; x < b.GetWidth(); ++x)
            if (b.ScanLine(y)[x] != c.ScanLine(y)[x]) std::abort();
    return 0;
}
