// Small value types shared by the platform and the libraries.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace vcl {

// Horizontal text alignment.
enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

// Font style flags and a set of them.
enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };

class TFontStyles {
public:
    constexpr TFontStyles() = default;
    constexpr TFontStyles(std::initializer_list<TFontStyle> styles)
    {
        for (TFontStyle s : styles) bits_ |= static_cast<uint8_t>(1u << s);
    }
    constexpr bool Contains(TFontStyle s) const { return (bits_ >> s) & 1u; }
    constexpr void Include(TFontStyle s) { bits_ |= static_cast<uint8_t>(1u << s); }
    constexpr void Exclude(TFontStyle s) { bits_ &= static_cast<uint8_t>(~(1u << s)); }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr uint8_t Bits() const { return bits_; }
    friend constexpr bool operator==(TFontStyles, TFontStyles) = default;

private:
    uint8_t bits_ = 0;
};

} // namespace vcl
