// JPEG through libjpeg. The library reports fatal errors through a callback
// that must not return; ours jumps back to the decoding routine, which then
// raises EInvalidGraphic. Every C++ object lives in a context owned by the
// caller, so the jump never skips a destructor.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "vcl/Graphics.h"
#include "vcl/ImageFiles.h"

namespace vcl {

namespace {

// Progressive files can hold any number of scans; more than this is refused
// (each one costs a pass over the whole image).
constexpr int kMaxScans = 1000;

struct JpegError {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr c)
{
    auto* e = reinterpret_cast<JpegError*>(c->err);
    (*c->err->format_message)(c, e->message);
    std::longjmp(e->jump, 1);
}

// Warnings (for example extraneous bytes) are not fatal: the image decodes.
void OnJpegMessage(j_common_ptr, int) {}

void OnJpegProgress(j_common_ptr c)
{
    if (!c->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(c);
    if (d->input_scan_number > kMaxScans) {
        auto* e = reinterpret_cast<JpegError*>(c->err);
        std::snprintf(e->message, sizeof e->message, "too many scans");
        std::longjmp(e->jump, 1);
    }
}

struct DecodeContext {
    const uint8_t* data = nullptr;
    size_t size = 0;
    int denom = 1;
    bool headerOnly = false;
    const TDataLoadingEvent* progress = nullptr;
    JpegError err{};
    jpeg_progress_mgr prog{};
    jpeg_decompress_struct cinfo{};
    TBitmap bitmap;
    std::vector<uint8_t> line;
    TImageInfo info;
    ~DecodeContext() { jpeg_destroy_decompress(&cinfo); }
};

// Returns false after a library error (message in ctx.err.message). C++
// exceptions (size refusals, the progress event) pass through normally.
bool Decode(DecodeContext& ctx)
{
    ctx.cinfo.err = jpeg_std_error(&ctx.err.pub);
    ctx.err.pub.error_exit = OnJpegError;
    ctx.err.pub.emit_message = OnJpegMessage;
    if (setjmp(ctx.err.jump)) return false;
    jpeg_create_decompress(&ctx.cinfo);
    ctx.prog.progress_monitor = OnJpegProgress;
    ctx.cinfo.progress = &ctx.prog;
    jpeg_mem_src(&ctx.cinfo, ctx.data, static_cast<unsigned long>(ctx.size));
    jpeg_read_header(&ctx.cinfo, TRUE);
    ctx.info = {ifJPEG, static_cast<int32_t>(ctx.cinfo.image_width), static_cast<int32_t>(ctx.cinfo.image_height),
                8 * ctx.cinfo.num_components};
    if (ctx.cinfo.image_width == 0 || ctx.cinfo.image_height == 0) {
        std::snprintf(ctx.err.message, sizeof ctx.err.message, "empty image");
        return false;
    }
    if (ctx.cinfo.image_width > uint32_t(kMaxImageSide) || ctx.cinfo.image_height > uint32_t(kMaxImageSide)) {
        std::snprintf(ctx.err.message, sizeof ctx.err.message, "image too large");
        return false;
    }
    if (ctx.headerOnly) return true;
    const bool cmyk = ctx.cinfo.jpeg_color_space == JCS_CMYK || ctx.cinfo.jpeg_color_space == JCS_YCCK;
    ctx.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    ctx.cinfo.scale_num = 1;
    ctx.cinfo.scale_denom = static_cast<unsigned>(ctx.denom);
    jpeg_calc_output_dimensions(&ctx.cinfo);
    const uint64_t ow = ctx.cinfo.output_width, oh = ctx.cinfo.output_height;
    if (ow * oh > uint64_t(TBitmap::kMaxPixels)) {
        std::snprintf(ctx.err.message, sizeof ctx.err.message, "image too large");
        return false;
    }
    ctx.bitmap.SetSize(static_cast<int32_t>(ow), static_cast<int32_t>(oh));
    ctx.bitmap.SetPixelFormat(pf24bit);
    jpeg_start_decompress(&ctx.cinfo);
    const int comps = ctx.cinfo.output_components;
    ctx.line.resize(static_cast<size_t>(ow) * static_cast<size_t>(comps));
    const bool inverted = ctx.cinfo.saw_Adobe_marker;
    if (*ctx.progress) (*ctx.progress)(lsStarting, 0);
    int lastPercent = -1;
    while (ctx.cinfo.output_scanline < ctx.cinfo.output_height) {
        const int32_t y = static_cast<int32_t>(ctx.cinfo.output_scanline);
        JSAMPROW row = ctx.line.data();
        if (jpeg_read_scanlines(&ctx.cinfo, &row, 1) != 1) {
            std::snprintf(ctx.err.message, sizeof ctx.err.message, "no scan line decoded");
            return false;
        }
        uint32_t* dst = ctx.bitmap.ScanLine(y);
        const uint8_t* s = ctx.line.data();
        if (comps == 3) {
            for (uint64_t x = 0; x < ow; ++x, s += 3) dst[x] = uint32_t(s[0]) | (uint32_t(s[1]) << 8) | (uint32_t(s[2]) << 16);
        } else if (comps == 4) {
            // Adobe writers store CMYK inverted (0 = full ink).
            for (uint64_t x = 0; x < ow; ++x, s += 4) {
                uint32_t c = s[0], m = s[1], ye = s[2], k = s[3];
                if (!inverted) c = 255 - c, m = 255 - m, ye = 255 - ye, k = 255 - k;
                uint32_t r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (ye * k + 127) / 255;
                dst[x] = r | (g << 8) | (b << 16);
            }
        } else {
            for (uint64_t x = 0; x < ow; ++x, ++s) dst[x] = uint32_t(*s) * 0x010101u;
        }
        // One event per band of 16 lines.
        if (*ctx.progress && (y % 16 == 15 || ctx.cinfo.output_scanline == ctx.cinfo.output_height)) {
            int percent = static_cast<int>((uint64_t(ctx.cinfo.output_scanline) * 100) / oh);
            if (percent != lastPercent) (*ctx.progress)(lsRunning, percent);
            lastPercent = percent;
        }
    }
    jpeg_finish_decompress(&ctx.cinfo);
    if (*ctx.progress) (*ctx.progress)(lsEnding, 100);
    return true;
}

struct EncodeContext {
    JpegError err{};
    jpeg_compress_struct cinfo{};
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    std::vector<uint8_t> line;
    ~EncodeContext()
    {
        jpeg_destroy_compress(&cinfo);
        std::free(out);
    }
};

bool Encode(EncodeContext& ctx, const TSurface& s, int quality)
{
    ctx.cinfo.err = jpeg_std_error(&ctx.err.pub);
    ctx.err.pub.error_exit = OnJpegError;
    ctx.err.pub.emit_message = OnJpegMessage;
    if (setjmp(ctx.err.jump)) return false;
    jpeg_create_compress(&ctx.cinfo);
    jpeg_mem_dest(&ctx.cinfo, &ctx.out, &ctx.outSize);
    ctx.cinfo.image_width = static_cast<JDIMENSION>(s.Width);
    ctx.cinfo.image_height = static_cast<JDIMENSION>(s.Height);
    ctx.cinfo.input_components = 3;
    ctx.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&ctx.cinfo);
    jpeg_set_quality(&ctx.cinfo, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(&ctx.cinfo, TRUE);
    ctx.line.resize(static_cast<size_t>(s.Width) * 3);
    while (ctx.cinfo.next_scanline < ctx.cinfo.image_height) {
        const uint32_t* src = s.Row(static_cast<int32_t>(ctx.cinfo.next_scanline));
        for (int32_t x = 0; x < s.Width; ++x) {
            ctx.line[size_t(x) * 3] = static_cast<uint8_t>(src[x]);
            ctx.line[size_t(x) * 3 + 1] = static_cast<uint8_t>(src[x] >> 8);
            ctx.line[size_t(x) * 3 + 2] = static_cast<uint8_t>(src[x] >> 16);
        }
        JSAMPROW row = ctx.line.data();
        jpeg_write_scanlines(&ctx.cinfo, &row, 1);
    }
    jpeg_finish_compress(&ctx.cinfo);
    return true;
}

} // namespace

TImageInfo ProbeJPEGHeader(const uint8_t* d, size_t n)
{
    if (!d || n == 0) throw EInvalidGraphic("Invalid JPEG data: empty");
    DecodeContext ctx;
    ctx.data = d;
    ctx.size = n;
    ctx.headerOnly = true;
    if (!Decode(ctx)) throw EInvalidGraphic(std::string("Invalid JPEG data: ") + ctx.err.message);
    return ctx.info;
}

void LoadJPEG(const uint8_t* d, size_t n, TBitmap& Bitmap, int ScaleDenom, const TDataLoadingEvent& OnDataLoading)
{
    if (!d || n == 0) throw EInvalidGraphic("Invalid JPEG data: empty");
    DecodeContext ctx;
    ctx.data = d;
    ctx.size = n;
    ctx.denom = (ScaleDenom == 2 || ScaleDenom == 4 || ScaleDenom == 8) ? ScaleDenom : 1;
    ctx.progress = &OnDataLoading;
    if (!Decode(ctx)) throw EInvalidGraphic(std::string("Invalid JPEG data: ") + ctx.err.message);
    Bitmap.Assign(&ctx.bitmap);
}

std::vector<uint8_t> EncodeJPEG(const TSurface& Surface, int Quality)
{
    if (!Surface.Pixels || Surface.Width <= 0 || Surface.Height <= 0)
        throw EInvalidGraphic("Cannot encode an empty image");
    EncodeContext ctx;
    if (!Encode(ctx, Surface, Quality)) throw EInvalidGraphic(std::string("JPEG encoding failed: ") + ctx.err.message);
    return std::vector<uint8_t>(ctx.out, ctx.out + ctx.outSize);
}

} // namespace vcl
