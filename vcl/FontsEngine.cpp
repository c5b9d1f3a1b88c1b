// Font instances: name matching through fontconfig, rendering through
// FreeType, the built-in bitmap font, and the caches that keep them.
//
// A logical font is turned into an instance in two steps. The family name
// with the requested weight and slant is matched once by fontconfig (missing
// families get its fallback; "Arial" and "Courier New" reach their metric
// twins when those are installed). The matched file at the requested pixel
// size and quality then becomes an instance that renders each of the 256
// cp1252 bytes on first use and keeps the result. When fontconfig or FreeType
// cannot deliver a usable scalable font, the built-in bitmap font serves.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>
#include <unordered_map>

#include "vcl/Cp1252.h"
#include "vcl/System.h"
#include "vcl/internal/FontEngine.h"

namespace vcl {

namespace {
bool g_forceMonochrome = false;
bool g_forceFixed = false;
bool g_blockGlyphs = false;
} // namespace

void SetForceMonochromeText(bool on) noexcept { g_forceMonochrome = on; }
bool GetForceMonochromeText() noexcept { return g_forceMonochrome; }
void SetForceFixedFont(bool on) noexcept { g_forceFixed = on; }
bool GetForceFixedFont() noexcept { return g_forceFixed; }
void SetFixedFontBlockGlyphs(bool on) noexcept { g_blockGlyphs = on; }
bool GetFixedFontBlockGlyphs() noexcept { return g_blockGlyphs; }

namespace fontengine {

namespace {

// Rendering larger than this many pixels per em is clamped: a glyph of this
// size already fills a megabyte, and no screen needs more.
constexpr int64_t kMaxEmPixels = 1024;
constexpr int32_t kDefaultEmPixels = 11; // 8 points at 96 pixels per inch
// Cached glyphs beyond this total are dropped (all instances at once).
constexpr std::size_t kCacheBudget = 64u << 20;
constexpr std::size_t kMaxInstances = 256;

// ---------------------------------------------------------------------------
// The built-in bitmap font.
class FixedInstance final : public FontInstance {
public:
    FixedInstance(bool bold, bool italic, bool block) : bold_(bold), italic_(italic), block_(block)
    {
        Metric.Ascent = kFixedAscent;
        Metric.Descent = kFixedDescent;
        Metric.Height = kFixedAscent + kFixedDescent;
        Metric.InternalLeading = 3;
        for (int b = 0; b < 256; ++b) Advance[static_cast<std::size_t>(b)] = b >= 0x20 ? kFixedAdvance : 0;
        UnderlinePos = 1;
        UnderlineThickness = 1;
        StrikeOutPos = 4;
        StrikeOutThickness = 1;
        Binary = true;
    }

protected:
    void Render(unsigned char b, Glyph& g) override
    {
        std::array<uint8_t, 14> rows{};
        if (block_) {
            if (FixedGlyphPrintable(b))
                for (int r = 1; r <= 10; ++r) rows[static_cast<std::size_t>(r)] = 0x3F; // x 0..5
        } else {
            rows = FixedGlyphRows(b);
            for (std::size_t r = 0; r < rows.size(); ++r) {
                uint8_t v = rows[r];
                if (italic_ && r < 7) v = static_cast<uint8_t>(v << 1); // lean the upper half right
                if (bold_) v = static_cast<uint8_t>(v | (v << 1));
                rows[r] = static_cast<uint8_t>(v & 0x7F);
            }
        }
        // Crop to the lit rows so that blank rows cost nothing when drawn.
        int first = 0;
        int last = 13;
        while (first <= last && rows[static_cast<std::size_t>(first)] == 0) ++first;
        while (last >= first && rows[static_cast<std::size_t>(last)] == 0) --last;
        if (first > last) return;
        g.Left = 0;
        g.Top = kFixedAscent - first;
        g.Width = kFixedAdvance;
        g.Height = last - first + 1;
        g.Coverage = std::make_unique<uint8_t[]>(static_cast<std::size_t>(g.Width * g.Height));
        for (int r = first; r <= last; ++r)
            for (int x = 0; x < kFixedAdvance; ++x)
                g.Coverage[static_cast<std::size_t>((r - first) * g.Width + x)] =
                    (rows[static_cast<std::size_t>(r)] >> x) & 1u ? 255 : 0;
    }

private:
    bool bold_;
    bool italic_;
    bool block_;
};

// ---------------------------------------------------------------------------
// A scalable face through FreeType.
class FreeTypeInstance final : public FontInstance {
public:
    // Opens the face; Ok() tells whether it can be used.
    FreeTypeInstance(FT_Library lib, const std::string& file, int index, int32_t height, bool synthBold,
                     bool synthItalic, bool mono)
        : synthBold_(synthBold), synthItalic_(synthItalic), mono_(mono)
    {
        Binary = mono;
        if (FT_New_Face(lib, file.c_str(), index, &face_) != 0) {
            face_ = nullptr;
            return;
        }
        if (!FT_IS_SCALABLE(face_) || face_->units_per_EM == 0 || FT_Select_Charmap(face_, FT_ENCODING_UNICODE) != 0) {
            Close();
            return;
        }
        const double upem = face_->units_per_EM;
        double ascent = face_->ascender;
        double descent = -static_cast<double>(face_->descender);
        double strikePos = 0.26 * upem;
        double strikeSize = face_->underline_thickness;
        if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
            os2 && os2->version != 0xFFFFu) {
            if (os2->usWinAscent + os2->usWinDescent > 0) {
                ascent = os2->usWinAscent;
                descent = os2->usWinDescent;
            }
            if (os2->yStrikeoutSize > 0) {
                strikePos = os2->yStrikeoutPosition;
                strikeSize = os2->yStrikeoutSize;
            }
        }
        if (ascent + descent <= 0) {
            ascent = 0.8 * upem;
            descent = 0.2 * upem;
        }

        // Negative heights give the em size, positive ones the cell height.
        int64_t em = kDefaultEmPixels;
        if (height < 0) em = -static_cast<int64_t>(height);
        else if (height > 0) em = SatRound64(height * upem / (ascent + descent));
        em = std::clamp<int64_t>(em, 1, kMaxEmPixels);
        if (FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(em)) != 0) {
            Close();
            return;
        }
        em_ = static_cast<int32_t>(em);
        const double scale = static_cast<double>(em) / upem;
        Metric.Ascent = SatTrunc(std::ceil(ascent * scale));
        Metric.Descent = SatTrunc(std::ceil(descent * scale));
        Metric.Height = Metric.Ascent + Metric.Descent;
        Metric.InternalLeading = std::max(0, Metric.Height - em_);

        const double lineThickness = std::max(1.0, std::floor(face_->underline_thickness * scale + 0.5));
        UnderlineThickness = static_cast<int32_t>(std::min<double>(lineThickness, Metric.Height));
        const double underlineCentre = -static_cast<double>(face_->underline_position) * scale;
        UnderlinePos = SatRound(underlineCentre - UnderlineThickness / 2.0);
        UnderlinePos = std::clamp(UnderlinePos, 0, std::max(0, Metric.Descent - UnderlineThickness));
        StrikeOutThickness =
            static_cast<int32_t>(std::min<double>(std::max(1.0, std::floor(strikeSize * scale + 0.5)), Metric.Height));
        StrikeOutPos = std::clamp(SatRound(strikePos * scale), StrikeOutThickness, std::max(1, Metric.Ascent));

        // Synthetic bold widens every stroke by about a twenty-fourth of the
        // em, at least one pixel, and every advance by the same.
        boldStrength_ = std::max<FT_Pos>(64, ((static_cast<FT_Pos>(em) * 64 / 24) + 32) & ~FT_Pos{63});
        Advance.fill(-1);
    }
    ~FreeTypeInstance() override { Close(); }
    FreeTypeInstance(const FreeTypeInstance&) = delete;
    FreeTypeInstance& operator=(const FreeTypeInstance&) = delete;

    bool Ok() const noexcept { return face_ != nullptr; }

    // Loads the hinted outline of byte b with the synthetic styles applied;
    // false when the byte has no glyph in this face.
    bool Load(unsigned char b)
    {
        if (b < 0x20 || Cp1252Undefined(b)) return false;
        const FT_UInt index = FT_Get_Char_Index(face_, Cp1252ToUnicode(b));
        if (index == 0) return false;
        if (FT_Load_Glyph(face_, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL) != 0) return false;
        FT_GlyphSlot slot = face_->glyph;
        if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
        if (synthItalic_) {
            FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000}; // lean of about 12 degrees
            FT_Outline_Transform(&slot->outline, &shear);
        }
        if (synthBold_) FT_Outline_EmboldenXY(&slot->outline, boldStrength_, 0);
        return true;
    }

    int32_t AdvanceOf(unsigned char b)
    {
        int32_t& a = Advance[b];
        if (a < 0) {
            a = 0;
            if (Load(b)) {
                const int64_t adv = (static_cast<int64_t>(face_->glyph->advance.x) + 32) >> 6;
                a = static_cast<int32_t>(std::clamp<int64_t>(adv, 0, 4 * kMaxEmPixels));
                if (synthBold_ && a > 0) a += static_cast<int32_t>(boldStrength_ >> 6);
            }
        }
        return a;
    }

protected:
    void Render(unsigned char b, Glyph& g) override
    {
        if (!Load(b)) return;
        FT_GlyphSlot slot = face_->glyph;
        if (FT_Render_Glyph(slot, mono_ ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return;
        const FT_Bitmap& bm = slot->bitmap;
        if (bm.width == 0 || bm.rows == 0 || bm.pitch <= 0 || bm.buffer == nullptr) return;
        if (bm.pixel_mode != FT_PIXEL_MODE_MONO && bm.pixel_mode != FT_PIXEL_MODE_GRAY) return;
        g.Left = slot->bitmap_left;
        g.Top = slot->bitmap_top;
        g.Width = static_cast<int32_t>(bm.width);
        g.Height = static_cast<int32_t>(bm.rows);
        g.Coverage = std::make_unique<uint8_t[]>(static_cast<std::size_t>(g.Width) * static_cast<std::size_t>(g.Height));
        const int grays = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
        for (int32_t y = 0; y < g.Height; ++y) {
            const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
            uint8_t* dst = g.Coverage.get() + static_cast<std::ptrdiff_t>(y) * g.Width;
            for (int32_t x = 0; x < g.Width; ++x) {
                if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                    dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1u ? 255 : 0;
                else
                    dst[x] = grays == 255 ? src[x] : static_cast<uint8_t>(std::min(255, src[x] * 255 / grays));
            }
        }
    }

private:
    void Close()
    {
        if (face_) FT_Done_Face(face_);
        face_ = nullptr;
    }

    FT_Face face_ = nullptr;
    int32_t em_ = kDefaultEmPixels;
    FT_Pos boldStrength_ = 64;
    bool synthBold_;
    bool synthItalic_;
    bool mono_;
};

// ---------------------------------------------------------------------------
// What fontconfig made of a family name with a weight and slant.
struct Match {
    bool Found = false;
    std::string File;
    int Index = 0;
    bool SynthBold = false;
    bool SynthItalic = false;
};

// The logical font attributes that select an instance.
struct FrontKey {
    std::string Name;
    int32_t Height = 0;
    bool Bold = false;
    bool Italic = false;
    bool Mono = false;
    bool Fixed = false;
    bool Block = false;
    friend bool operator==(const FrontKey&, const FrontKey&) = default;
};

struct FrontKeyHash {
    std::size_t operator()(const FrontKey& k) const noexcept
    {
        std::size_t h = std::hash<std::string>()(k.Name);
        h ^= std::hash<int32_t>()(k.Height) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
        const unsigned flags = (k.Bold ? 1u : 0u) | (k.Italic ? 2u : 0u) | (k.Mono ? 4u : 0u) |
                               (k.Fixed ? 8u : 0u) | (k.Block ? 16u : 0u);
        return h ^ (flags * 0x9E3779B1u);
    }
};

using InstanceKey = std::tuple<std::string, int, int32_t, bool, bool, bool, bool, bool>;

class Engine {
public:
    ~Engine()
    {
        front_.clear();
        instances_.clear();
        if (library_) FT_Done_FreeType(library_);
        if (config_) FcConfigDestroy(config_);
    }

    FontInstance& Acquire(const TLogFont& lf)
    {
        const bool fixed = g_forceFixed || AnsiSameText(lf.FaceName, "vcl-fixed");
        const bool bold = lf.Weight >= 600;
        const bool block = fixed && g_blockGlyphs;
        const bool mono = g_forceMonochrome || lf.Quality == fqNonAntialiased;
        // The common case: the same font as last time, compared without copying.
        if (last_ && lastKey_.Fixed == fixed && lastKey_.Bold == bold && lastKey_.Italic == lf.Italic &&
            lastKey_.Block == block && lastKey_.Mono == mono &&
            (fixed || (lastKey_.Height == lf.Height && lastKey_.Name == lf.FaceName)))
            return *last_;
        FrontKey key;
        key.Fixed = fixed;
        key.Bold = bold;
        key.Italic = lf.Italic;
        key.Block = block;
        key.Mono = mono;
        if (!fixed) {
            key.Height = lf.Height;
            key.Name = lf.FaceName;
        }
        if (auto it = front_.find(key); it != front_.end()) {
            Remember(key, it->second);
            return *it->second;
        }

        std::size_t bytes = 0;
        for (const auto& [k, inst] : instances_) bytes += inst->Bytes();
        if (bytes > kCacheBudget || instances_.size() >= kMaxInstances) {
            front_.clear();
            instances_.clear();
        }

        FontInstance* inst = nullptr;
        if (!key.Fixed) {
            const Match& m = Resolve(key.Name, key.Bold, key.Italic);
            if (m.Found) inst = Scalable(m, key.Height, key.Mono);
        }
        if (!inst) inst = FixedFont(key.Bold, key.Italic, key.Block);
        front_.emplace(key, inst);
        Remember(key, inst);
        return *inst;
    }

private:
    void Remember(const FrontKey& key, FontInstance* inst)
    {
        lastKey_ = key;
        last_ = inst;
    }

    FontInstance* FixedFont(bool bold, bool italic, bool block)
    {
        InstanceKey k{std::string(), 0, 0, bold, italic, block, false, true};
        auto& slot = instances_[k];
        if (!slot) slot = std::make_unique<FixedInstance>(bold, italic, block);
        return slot.get();
    }

    FontInstance* Scalable(const Match& m, int32_t height, bool mono)
    {
        InstanceKey k{m.File, m.Index, height, m.SynthBold, m.SynthItalic, mono, false, false};
        auto it = instances_.find(k);
        if (it != instances_.end()) return it->second.get();
        if (!library_ && !libraryFailed_) libraryFailed_ = FT_Init_FreeType(&library_) != 0;
        if (!library_) return nullptr;
        auto inst = std::make_unique<FreeTypeInstance>(library_, m.File, m.Index, height, m.SynthBold,
                                                       m.SynthItalic, mono);
        if (!inst->Ok()) return nullptr;
        // Advances are read through the array; fill it now so that measuring
        // never needs the face.
        for (int b = 0; b < 256; ++b) inst->AdvanceOf(static_cast<unsigned char>(b));
        FontInstance* raw = inst.get();
        instances_.emplace(std::move(k), std::move(inst));
        return raw;
    }

    const Match& Resolve(const std::string& name, bool bold, bool italic)
    {
        const auto key = std::make_tuple(name, bold, italic);
        if (auto it = matches_.find(key); it != matches_.end()) return it->second;
        Match& m = matches_[key];
        if (!config_ && !configFailed_) {
            config_ = FcInitLoadConfigAndFonts();
            configFailed_ = config_ == nullptr;
        }
        if (!config_) return m;
        FcPattern* pat = FcPatternCreate();
        if (!pat) return m;
        const std::string family = Cp1252ToUtf8(name);
        if (!family.empty()) FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(config_, pat, FcMatchPattern);
        FcDefaultSubstitute(pat);
        FcResult result = FcResultNoMatch;
        FcPattern* found = FcFontMatch(config_, pat, &result);
        FcPatternDestroy(pat);
        if (!found) return m;
        FcChar8* file = nullptr;
        FcBool scalable = FcFalse;
        int index = 0;
        int weight = FC_WEIGHT_REGULAR;
        int slant = FC_SLANT_ROMAN;
        if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file &&
            (FcPatternGetBool(found, FC_SCALABLE, 0, &scalable) != FcResultMatch || scalable)) {
            FcPatternGetInteger(found, FC_INDEX, 0, &index);
            FcPatternGetInteger(found, FC_WEIGHT, 0, &weight);
            FcPatternGetInteger(found, FC_SLANT, 0, &slant);
            m.Found = true;
            m.File = reinterpret_cast<const char*>(file);
            m.Index = index;
            m.SynthBold = bold && weight < FC_WEIGHT_DEMIBOLD;
            m.SynthItalic = italic && slant == FC_SLANT_ROMAN;
        }
        FcPatternDestroy(found);
        return m;
    }

    FT_Library library_ = nullptr;
    bool libraryFailed_ = false;
    FcConfig* config_ = nullptr;
    bool configFailed_ = false;
    std::map<std::tuple<std::string, bool, bool>, Match> matches_;
    std::map<InstanceKey, std::unique_ptr<FontInstance>> instances_;
    std::unordered_map<FrontKey, FontInstance*, FrontKeyHash> front_;
    FrontKey lastKey_;
    FontInstance* last_ = nullptr;
};

Engine& GetEngine()
{
    static Engine engine;
    return engine;
}

} // namespace

FontInstance& AcquireInstance(const TLogFont& lf) { return GetEngine().Acquire(lf); }

} // namespace fontengine
} // namespace vcl
