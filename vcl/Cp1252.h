// Windows-1252 text: conversion to and from UTF-8, the fixed case tables and
// the OEM (code page 850) conversion. Strings of the libraries hold cp1252
// bytes; Unicode appears only when text is rendered or crosses to the host.
//
// Source files are UTF-8. A table of cp1252 text is written with the literal
// suffix _cp, converted at compile time ("März"_cp is the four bytes
// 4D E4 72 7A); a character that cp1252 cannot hold is a compile error.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vcl {

// Unicode code points of the bytes 0x80..0x9F. The five bytes cp1252 leaves
// undefined (81, 8D, 8F, 90, 9D) map to the C1 control of the same value, so a
// round trip through UTF-8 keeps every byte.
inline constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t Cp1252ToUnicode(unsigned char b) noexcept
{
    return (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : b;
}

// Whether the byte is one of the five that cp1252 leaves undefined.
constexpr bool Cp1252Undefined(unsigned char b) noexcept
{
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

// The cp1252 byte of a code point, or -1 when it has none.
constexpr int UnicodeToCp1252(char32_t cp) noexcept
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == cp) return 0x80 + i;
    return -1;
}

std::string Cp1252ToUtf8(std::string_view s);
// Unmappable characters and malformed UTF-8 become '?'.
std::string Utf8ToCp1252(std::string_view s);

// ---------------------------------------------------------------------------
// Case. Two fixed tables, never the process locale: the ASCII table changes
// only A..Z/a..z; the cp1252 table also pairs the accented letters
// (C0..DE with E0..FE except D7/F7, and 8A/9A, 8C/9C, 8E/9E, 9F/FF).
// ß (DF) and µ (B5) have no upper case.
unsigned char AsciiUpper(unsigned char c) noexcept;
unsigned char AsciiLower(unsigned char c) noexcept;
unsigned char AnsiUpper(unsigned char c) noexcept;
unsigned char AnsiLower(unsigned char c) noexcept;
std::string AsciiUpperCase(std::string s);
std::string AsciiLowerCase(std::string s);
std::string AnsiUpperCase(std::string s);
std::string AnsiLowerCase(std::string s);
bool AnsiSameText(std::string_view a, std::string_view b) noexcept;

// ---------------------------------------------------------------------------
// OEM conversion between code page 850 and cp1252; characters without a
// counterpart become '?'. Bytes below 0x80 are unchanged.
std::string CharToOem(std::string_view s);
std::string OemToChar(std::string_view s);

// ---------------------------------------------------------------------------
// Compile-time UTF-8 -> cp1252 literals.
namespace detail {

template <std::size_t N>
struct Utf8Literal {
    char text[N]{};
    constexpr Utf8Literal(const char (&s)[N])
    {
        for (std::size_t i = 0; i < N; ++i) text[i] = s[i];
    }
};

struct Cp1252Buffer {
    std::array<char, 256> bytes{};
    std::size_t size = 0;
};

template <std::size_t N>
constexpr Cp1252Buffer ConvertLiteral(const Utf8Literal<N>& lit)
{
    Cp1252Buffer out;
    std::size_t i = 0;
    const std::size_t n = N - 1; // without the terminating zero
    while (i < n) {
        auto b = static_cast<unsigned char>(lit.text[i]);
        char32_t cp = 0;
        int extra = 0;
        if (b < 0x80) { cp = b; }
        else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; extra = 1; }
        else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; extra = 2; }
        else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; extra = 3; }
        else throw "malformed UTF-8 in a cp1252 literal";
        if (i + extra >= N) throw "truncated UTF-8 in a cp1252 literal";
        for (int k = 1; k <= extra; ++k) {
            auto c = static_cast<unsigned char>(lit.text[i + k]);
            if ((c & 0xC0) != 0x80) throw "malformed UTF-8 in a cp1252 literal";
            cp = (cp << 6) | (c & 0x3F);
        }
        i += 1 + extra;
        int byte = UnicodeToCp1252(cp);
        if (byte < 0) throw "character not representable in cp1252";
        if (out.size >= out.bytes.size() - 1) throw "cp1252 literal too long";
        out.bytes[out.size++] = static_cast<char>(byte);
    }
    return out;
}

template <Utf8Literal L>
struct Cp1252Storage {
    static constexpr Cp1252Buffer buffer = ConvertLiteral(L);
};

} // namespace detail

namespace literals {
template <detail::Utf8Literal L>
constexpr std::string_view operator""_cp()
{
    return std::string_view(detail::Cp1252Storage<L>::buffer.bytes.data(),
                            detail::Cp1252Storage<L>::buffer.size);
}
} // namespace literals

} // namespace vcl
