// The JPEG and PNG readers on arbitrary bytes: each must load the image or
// raise EInvalidGraphic. Decoded PNG images must survive a write and a second
// read unchanged.
#include <cstdint>
#include <cstdlib>

#include "vcl/Graphics.h"
#include "vcl/ImageFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace vcl;
    TImageFormat format = DetectImageFormat(data, size);
    try {
        TImageInfo info = ProbeImage(data, size);
        // Keep single runs small; the readers accept far larger images.
        if (int64_t(info.Width) * info.Height > (int64_t(1) << 22)) return 0;
    } catch (const EInvalidGraphic&) {
    }
    TBitmap b;
    try {
        if (format == ifPNG) {
            LoadPNG(data, size, b);
        } else {
            // The last byte picks a thumbnail scale, so scaled decoding is
            // exercised too.
            int denom = size ? 1 << (data[size - 1] & 3) : 1;
            LoadJPEG(data, size, b, denom, [](TLoadStage, int32_t percent) {
                if (percent < 0 || percent > 100) std::abort();
            });
        }
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    if (format == ifPNG && !b.Empty()) {
        std::vector<uint8_t> again = EncodePNG(b.Surface());
        TBitmap c;
        LoadPNG(again.data(), again.size(), c);
        for (int32_t y = 0; y < b.GetHeight(); ++y)
            for (int32_t x = 0; x < b.GetWidth(); ++x)
                if (b.ScanLine(y)[x] != c.ScanLine(y)[x]) std::abort();
    }
    return 0;
}
