// PNG through libpng. Fatal library errors jump back to the routine that
// started the work (all C++ objects live in a context owned by the caller)
// and become EInvalidGraphic.
#include <csetjmp>
#include <cstring>

#include <png.h>

#include "vcl/Graphics.h"
#include "vcl/ImageFiles.h"

namespace vcl {

namespace {

struct PngReadContext {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    bool headerOnly = false;
    png_structp png = nullptr;
    png_infop info = nullptr;
    char message[200] = {};
    TBitmap bitmap;
    std::vector<uint8_t> pixels;
    std::vector<png_bytep> rows;
    TImageInfo result;
    ~PngReadContext() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

void OnPngError(png_structp png, png_const_charp msg)
{
    auto* ctx = static_cast<PngReadContext*>(png_get_error_ptr(png));
    std::snprintf(ctx->message, sizeof ctx->message, "%s", msg ? msg : "error");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void OnPngRead(png_structp png, png_bytep out, png_size_t len)
{
    auto* ctx = static_cast<PngReadContext*>(png_get_io_ptr(png));
    if (len > ctx->size - ctx->pos) png_error(png, "data truncated");
    std::memcpy(out, ctx->data + ctx->pos, len);
    ctx->pos += len;
}

bool Decode(PngReadContext& ctx)
{
    ctx.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ctx, OnPngError, OnPngWarning);
    if (!ctx.png) {
        std::snprintf(ctx.message, sizeof ctx.message, "out of memory");
        return false;
    }
    ctx.info = png_create_info_struct(ctx.png);
    if (!ctx.info) {
        std::snprintf(ctx.message, sizeof ctx.message, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(ctx.png))) return false;
    png_set_read_fn(ctx.png, &ctx, OnPngRead);
    png_set_user_limits(ctx.png, static_cast<png_uint_32>(kMaxImageSide), static_cast<png_uint_32>(kMaxImageSide));
    png_set_chunk_malloc_max(ctx.png, 16u << 20);
    png_read_info(ctx.png, ctx.info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(ctx.png, ctx.info, &w, &h, &depth, &colorType, &interlace, nullptr, nullptr);
    ctx.result = {ifPNG, static_cast<int32_t>(w), static_cast<int32_t>(h),
                  depth * png_get_channels(ctx.png, ctx.info)};
    if (uint64_t(w) * uint64_t(h) > uint64_t(TBitmap::kMaxPixels)) {
        std::snprintf(ctx.message, sizeof ctx.message, "image too large");
        return false;
    }
    if (ctx.headerOnly) return true;
    // Everything becomes 8-bit RGBA.
    png_set_expand(ctx.png);
    png_set_strip_16(ctx.png);
    png_set_gray_to_rgb(ctx.png);
    png_set_filler(ctx.png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(ctx.png);
    png_read_update_info(ctx.png, ctx.info);
    if (png_get_rowbytes(ctx.png, ctx.info) != size_t(w) * 4) {
        std::snprintf(ctx.message, sizeof ctx.message, "unexpected row layout");
        return false;
    }
    ctx.pixels.resize(size_t(w) * size_t(h) * 4);
    ctx.rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y) ctx.rows[y] = ctx.pixels.data() + size_t(y) * size_t(w) * 4;
    png_read_image(ctx.png, ctx.rows.data());
    png_read_end(ctx.png, nullptr);
    return true;
}

struct PngWriteContext {
    png_structp png = nullptr;
    png_infop info = nullptr;
    char message[200] = {};
    std::vector<uint8_t> out;
    std::vector<uint8_t> line;
    ~PngWriteContext() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

void OnPngWriteError(png_structp png, png_const_charp msg)
{
    auto* ctx = static_cast<PngWriteContext*>(png_get_error_ptr(png));
    std::snprintf(ctx->message, sizeof ctx->message, "%s", msg ? msg : "error");
    png_longjmp(png, 1);
}

void OnPngWrite(png_structp png, png_bytep data, png_size_t len)
{
    auto* ctx = static_cast<PngWriteContext*>(png_get_io_ptr(png));
    ctx->out.insert(ctx->out.end(), data, data + len);
}

void OnPngFlush(png_structp) {}

bool Encode(PngWriteContext& ctx, const TSurface& s)
{
    ctx.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &ctx, OnPngWriteError, OnPngWarning);
    if (!ctx.png) return false;
    ctx.info = png_create_info_struct(ctx.png);
    if (!ctx.info) return false;
    if (setjmp(png_jmpbuf(ctx.png))) return false;
    png_set_write_fn(ctx.png, &ctx, OnPngWrite, OnPngFlush);
    png_set_IHDR(ctx.png, ctx.info, static_cast<png_uint_32>(s.Width), static_cast<png_uint_32>(s.Height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(ctx.png, ctx.info);
    ctx.line.resize(size_t(s.Width) * 3);
    for (int32_t y = 0; y < s.Height; ++y) {
        const uint32_t* src = s.Row(y);
        for (int32_t x = 0; x < s.Width; ++x) {
            ctx.line[size_t(x) * 3] = static_cast<uint8_t>(src[x]);
            ctx.line[size_t(x) * 3 + 1] = static_cast<uint8_t>(src[x] >> 8);
            ctx.line[size_t(x) * 3 + 2] = static_cast<uint8_t>(src[x] >> 16);
        }
        png_write_row(ctx.png, ctx.line.data());
    }
    png_write_end(ctx.png, nullptr);
    return true;
}

} // namespace

TImageInfo ProbePNGHeader(const uint8_t* d, size_t n)
{
    PngReadContext ctx;
    ctx.data = d;
    ctx.size = d ? n : 0;
    ctx.headerOnly = true;
    if (!Decode(ctx)) throw EInvalidGraphic(std::string("Invalid PNG data: ") + ctx.message);
    return ctx.result;
}

void LoadPNG(const uint8_t* d, size_t n, TBitmap& Bitmap)
{
    PngReadContext ctx;
    ctx.data = d;
    ctx.size = d ? n : 0;
    if (!Decode(ctx)) throw EInvalidGraphic(std::string("Invalid PNG data: ") + ctx.message);
    const int32_t w = ctx.result.Width, h = ctx.result.Height;
    ctx.bitmap.SetSize(w, h);
    ctx.bitmap.SetPixelFormat(pf24bit);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* s = ctx.rows[size_t(y)];
        uint32_t* dst = ctx.bitmap.ScanLine(y);
        for (int32_t x = 0; x < w; ++x, s += 4) {
            // Blend over white: c * a + 255 * (255 - a), rounded.
            uint32_t a = s[3], px = 0;
            for (int ch = 0; ch < 3; ++ch) {
                uint32_t v = a == 255 ? s[ch] : (s[ch] * a + 255 * (255 - a) + 127) / 255;
                px |= v << (8 * ch);
            }
            dst[x] = px;
        }
    }
    Bitmap.Assign(&ctx.bitmap);
}

std::vector<uint8_t> EncodePNG(const TSurface& Surface)
{
    if (!Surface.Pixels || Surface.Width <= 0 || Surface.Height <= 0)
        throw EInvalidGraphic("Cannot encode an empty image");
    PngWriteContext ctx;
    if (!Encode(ctx, Surface)) throw EInvalidGraphic(std::string("PNG encoding failed: ") + ctx.message);
    return std::move(ctx.out);
}

void SavePNGFile(const std::string& FileName, const TSurface& Surface)
{
    WriteFileBytes(FileName, EncodePNG(Surface));
}

} // namespace vcl
