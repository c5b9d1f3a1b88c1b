// Fonts and text rendering: the logical font description (TFont) and the
// engine that measures cp1252 text and draws it onto a surface.
//
// Fonts are matched by name through fontconfig and rendered with FreeType. A
// small built-in bitmap font ("vcl-fixed") is the last resort when no usable
// font is installed, and the fixed-metric font that layout tests select with
// SetForceFixedFont: every byte 0x20..0xFF advances 7 pixels, lines are 14
// pixels high (ascent 11, descent 3), control bytes advance 0.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "vcl/Classes.h"
#include "vcl/GraphicsTypes.h"
#include "vcl/Types.h"

namespace vcl {

enum TFontQuality : uint8_t { fqDefault, fqAntialiased, fqNonAntialiased };
enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };

// The logical description of a font, as a caller may read and change it whole.
struct TLogFont {
    int32_t Height = -11;     // pixels; negative: character height without internal leading
    int32_t Escapement = 0;   // tenths of a degree, counter-clockwise
    int32_t Orientation = 0;  // tenths of a degree
    int32_t Weight = 400;     // 400 normal, 700 bold
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    uint8_t CharSet = 0;
    TFontQuality Quality = fqDefault;
    TFontPitch Pitch = fpDefault;
    std::string FaceName = "Liberation Sans";
    friend bool operator==(const TLogFont&, const TLogFont&) = default;
};

// A font with change notification. Size is in points at 96 pixels per inch:
// Height = -MulDiv(Size, 96, 72) (8 pt gives -11 px).
class TFont : public TPersistent {
public:
    TFont();
    void Assign(const TPersistent* Source) override;

    const std::string& GetName() const noexcept { return log_.FaceName; }
    void SetName(const std::string& v);
    int32_t GetSize() const noexcept;
    void SetSize(int32_t points);
    int32_t GetHeight() const noexcept { return log_.Height; }
    void SetHeight(int32_t pixels);
    TColor GetColor() const noexcept { return color_; }
    void SetColor(TColor c);
    TFontStyles GetStyle() const noexcept;
    void SetStyle(TFontStyles s);
    TFontQuality GetQuality() const noexcept { return log_.Quality; }
    void SetQuality(TFontQuality q);
    TFontPitch GetPitch() const noexcept { return log_.Pitch; }
    void SetPitch(TFontPitch p);
    uint8_t GetCharset() const noexcept { return log_.CharSet; }
    void SetCharset(uint8_t c);
    int32_t GetEscapement() const noexcept { return log_.Escapement; }
    void SetEscapement(int32_t tenths);
    int32_t GetOrientation() const noexcept { return log_.Orientation; }
    void SetOrientation(int32_t tenths);
    const TLogFont& GetLogFont() const noexcept { return log_; }
    void SetLogFont(const TLogFont& lf);

    // Fired after every change of an attribute.
    TNotifyEvent OnChange;

private:
    void Changed();
    TLogFont log_;
    TColor color_ = clWindowText;
};

struct TTextMetric {
    int32_t Ascent = 0;
    int32_t Descent = 0;
    int32_t Height = 0;          // Ascent + Descent, internal leading included
    int32_t InternalLeading = 0;
};

// Metrics of the font as it renders (unrotated).
TTextMetric GetTextMetric(const TFont& font);
// The sum of the integer advances of the glyphs of Text (cp1252), no kerning.
int32_t TextWidth(const TFont& font, std::string_view Text);
// The line height of the font; independent of the text.
int32_t TextHeight(const TFont& font);

// Draws Text with its cell's top-left at (X, Y), rotated by the font's
// escapement about (X, Y), in Color (already resolved, 0x00BBGGRR), touching
// only pixels inside Clip and the surface. Glyphs are blended anti-aliased or
// set solid per the font's quality and the process-wide monochrome switch.
// Underline and strike-out lines are drawn too. The background is left alone.
void RenderText(const TFont& font, const TSurface& Dst, const TRect& Clip, int32_t X, int32_t Y,
                std::string_view Text, TColor Color);

// Fills the text cell of a line Width pixels wide (Width x TextHeight, its
// top-left at (X, Y)) with Color, rotated by the font's escapement exactly as
// RenderText places the glyphs: the background of an opaque TextOut.
void FillTextCell(const TFont& font, const TSurface& Dst, const TRect& Clip, int32_t X, int32_t Y, int32_t Width,
                  TColor Color);

// Process-wide text switches (defaults off).
void SetForceMonochromeText(bool on) noexcept;   // every font renders monochrome
bool GetForceMonochromeText() noexcept;
void SetForceFixedFont(bool on) noexcept;        // every font is the built-in fixed font
bool GetForceFixedFont() noexcept;
void SetFixedFontBlockGlyphs(bool on) noexcept;  // fixed font draws printable glyphs as blocks x 0..5, y 1..10
bool GetFixedFontBlockGlyphs() noexcept;

} // namespace vcl
