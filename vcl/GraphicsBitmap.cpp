// Bitmaps: storage, pixel formats and palettes, files and resources.
#include <cstring>

#include "vcl/Graphics.h"
#include "vcl/ImageFiles.h"
#include "vcl/Resources.h"

namespace vcl {

namespace {

// The bitmap's canvas quantises what every operation changed.
class TBitmapCanvas final : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap& owner) : TCanvas(ckBitmap), owner_(owner) {}

protected:
    void Changed(const TRect& Area) override { owner_.Quantise(Area); }

private:
    TBitmap& owner_;
};

constexpr TColor kStandard16[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                    0x808000, 0xC0C0C0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF,
                                    0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

size_t PaletteLimit(TPixelFormat pf)
{
    return pf == pf1bit ? 2 : pf == pf4bit ? 16 : pf == pf8bit ? 256 : 0;
}

} // namespace

std::vector<TColor> TBitmap::DefaultPalette(TPixelFormat pf)
{
    switch (pf) {
    case pf1bit: return {0x000000, 0xFFFFFF};
    case pf4bit: return {std::begin(kStandard16), std::end(kStandard16)};
    case pf8bit: {
        std::vector<TColor> p(std::begin(kStandard16), std::end(kStandard16));
        for (uint32_t r = 0; r < 6; ++r)
            for (uint32_t g = 0; g < 6; ++g)
                for (uint32_t b = 0; b < 6; ++b) p.push_back((r * 51) | ((g * 51) << 8) | ((b * 51) << 16));
        for (uint32_t k = 0; p.size() < 256; ++k) {
            uint32_t v = 8 + 10 * k;
            p.push_back(v | (v << 8) | (v << 16));
        }
        return p;
    }
    default: return {};
    }
}

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int32_t W, int32_t H, TPixelFormat pf)
{
    SetSize(W, H);
    SetPixelFormat(pf);
}

TBitmap::~TBitmap() = default;

TBitmap::TBitmap(const TBitmap& other) : TPersistent(other) { Assign(&other); }

TBitmap& TBitmap::operator=(const TBitmap& other)
{
    Assign(&other);
    return *this;
}

void TBitmap::Assign(const TPersistent* Source)
{
    if (auto* b = dynamic_cast<const TBitmap*>(Source)) {
        if (b == this) return;
        pixels_ = b->pixels_;
        width_ = b->width_;
        height_ = b->height_;
        format_ = b->format_;
        palette_ = b->palette_;
        surface_ = {pixels_.empty() ? nullptr : pixels_.data(), width_, height_, width_};
        if (canvas_) canvas_->SetSurface(surface_);
        return;
    }
    TPersistent::Assign(Source);
}

void TBitmap::Reset(int32_t W, int32_t H)
{
    std::vector<uint32_t> next(static_cast<size_t>(W) * static_cast<size_t>(H), QuantiseColor(0xFFFFFF));
    int32_t cw = std::min(W, width_), ch = std::min(H, height_);
    for (int32_t y = 0; cw > 0 && surface_.Pixels && y < ch; ++y)
        std::memcpy(&next[static_cast<size_t>(y) * static_cast<size_t>(W)], surface_.Row(y),
                    static_cast<size_t>(cw) * sizeof(uint32_t));
    pixels_.swap(next);
    width_ = W;
    height_ = H;
    surface_ = {pixels_.empty() ? nullptr : pixels_.data(), W, H, W};
    if (canvas_) canvas_->SetSurface(surface_);
}

void TBitmap::SetSize(int32_t W, int32_t H)
{
    W = std::max(W, 0);
    H = std::max(H, 0);
    if (W == width_ && H == height_) return;
    if (int64_t(W) * int64_t(H) > kMaxPixels)
        throw EOutOfResources("Bitmap of " + std::to_string(W) + " x " + std::to_string(H) + " pixels is too large");
    if (W == 0 || H == 0) {
        // Keep the size but no pixels.
        pixels_.clear();
        pixels_.shrink_to_fit();
        width_ = W;
        height_ = H;
        surface_ = {nullptr, W, H, W};
        if (canvas_) canvas_->SetSurface(surface_);
        return;
    }
    try {
        Reset(W, H);
    } catch (const std::bad_alloc&) {
        throw EOutOfResources("Out of memory for a bitmap of " + std::to_string(W) + " x " + std::to_string(H) +
                              " pixels");
    }
}

TCanvas& TBitmap::Canvas() noexcept
{
    if (!canvas_) {
        canvas_ = std::make_unique<TBitmapCanvas>(*this);
        canvas_->SetSurface(surface_);
    }
    return *canvas_;
}

void TBitmap::SetPixelFormat(TPixelFormat pf) { SetPixelFormat(pf, {}); }

void TBitmap::SetPixelFormat(TPixelFormat pf, const std::vector<TColor>& pal)
{
    if (pf > pf32bit) return;
    std::vector<TColor> next;
    if (size_t limit = PaletteLimit(pf)) {
        next = pal.empty() ? DefaultPalette(pf) : pal;
        if (next.size() > limit) next.resize(limit);
        for (TColor& c : next) c &= 0xFFFFFFu;
    }
    if (pf == format_ && next == palette_) return;
    format_ = pf;
    palette_ = std::move(next);
    Quantise({0, 0, width_, height_});
}

int TBitmap::PaletteIndex(TColor c) const noexcept
{
    int best = 0;
    int64_t bestD = INT64_MAX;
    const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    for (size_t i = 0; i < palette_.size(); ++i) {
        TColor p = palette_[i];
        int dr = r - int(p & 0xFF), dg = g - int((p >> 8) & 0xFF), db = b - int((p >> 16) & 0xFF);
        int64_t d = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
        if (d < bestD) {
            bestD = d;
            best = static_cast<int>(i);
            if (d == 0) break;
        }
    }
    return best;
}

TColor TBitmap::QuantiseColor(TColor c) const noexcept
{
    c &= 0xFFFFFFu;
    switch (format_) {
    case pf15bit: return Quantise15(c);
    case pf1bit:
    case pf4bit:
    case pf8bit: return palette_.empty() ? c : palette_[static_cast<size_t>(PaletteIndex(c))];
    default: return c;
    }
}

void TBitmap::Quantise(const TRect& Area)
{
    TRect r = IntersectRect(Area, surface_.Bounds());
    if (r.IsEmpty() || !surface_.Pixels) return;
    if (format_ == pf24bit || format_ == pf32bit) return;
    if (format_ == pf15bit) {
        for (int32_t y = r.Top; y < r.Bottom; ++y) {
            uint32_t* row = surface_.Row(y);
            for (int32_t x = r.Left; x < r.Right; ++x) row[x] = Quantise15(row[x]);
        }
        return;
    }
    // The palette search is slow; images hold few colours, so a small
    // direct-mapped cache of answers (input in the high half) saves it.
    std::vector<uint64_t> cache(4096, ~uint64_t(0));
    for (int32_t y = r.Top; y < r.Bottom; ++y) {
        uint32_t* row = surface_.Row(y);
        for (int32_t x = r.Left; x < r.Right; ++x) {
            const uint32_t in = row[x] & 0xFFFFFFu;
            uint64_t& slot = cache[(in * 2654435761u) >> 20];
            if ((slot >> 32) != in) slot = (uint64_t(in) << 32) | QuantiseColor(in);
            row[x] = static_cast<uint32_t>(slot);
        }
    }
}

void TBitmap::LoadFromFile(const std::string& FileName)
{
    std::vector<uint8_t> bytes = ReadFileBytes(FileName);
    LoadImage(bytes.data(), bytes.size(), *this);
}

void TBitmap::SaveToFile(const std::string& FileName) const { WriteFileBytes(FileName, SaveBMP(*this)); }

void TBitmap::LoadFromResourceName(const TResourceTable& Table, const std::string& Name)
{
    const TResourceEntry& e = Table.Get(Name);
    LoadBMP(e.Data, e.Size, *this);
}

void TBitmap::SavePNG(const std::string& FileName) const { SavePNGFile(FileName, surface_); }

} // namespace vcl
