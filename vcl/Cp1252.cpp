#include "vcl/Cp1252.h"

namespace vcl {

namespace {

using Table = std::array<unsigned char, 256>;

constexpr Table MakeAsciiUpper()
{
    Table t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i >= 'a' && i <= 'z' ? i - 32 : i);
    return t;
}
constexpr Table MakeAsciiLower()
{
    Table t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i >= 'A' && i <= 'Z' ? i + 32 : i);
    return t;
}
constexpr Table MakeAnsiUpper()
{
    Table t = MakeAsciiUpper();
    for (int i = 0xE0; i <= 0xFE; ++i)
        if (i != 0xF7) t[i] = static_cast<unsigned char>(i - 0x20);
    t[0x9A] = 0x8A; t[0x9C] = 0x8C; t[0x9E] = 0x8E; t[0xFF] = 0x9F;
    return t;
}
constexpr Table MakeAnsiLower()
{
    Table t = MakeAsciiLower();
    for (int i = 0xC0; i <= 0xDE; ++i)
        if (i != 0xD7) t[i] = static_cast<unsigned char>(i + 0x20);
    t[0x8A] = 0x9A; t[0x8C] = 0x9C; t[0x8E] = 0x9E; t[0x9F] = 0xFF;
    return t;
}

constexpr Table kAsciiUpper = MakeAsciiUpper();
constexpr Table kAsciiLower = MakeAsciiLower();
constexpr Table kAnsiUpper = MakeAnsiUpper();
constexpr Table kAnsiLower = MakeAnsiLower();

// Code page 850, bytes 0x80..0xFF, as Unicode.
constexpr std::array<char16_t, 128> kCp850High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, // 90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, // A0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, // B0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3, // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE, // D0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, // E0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8, // F0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};

struct OemTables {
    Table toOem{};
    Table toAnsi{};
};

constexpr OemTables MakeOemTables()
{
    OemTables t;
    for (int i = 0; i < 256; ++i) {
        t.toOem[i] = i < 0x80 ? static_cast<unsigned char>(i) : '?';
        t.toAnsi[i] = i < 0x80 ? static_cast<unsigned char>(i) : '?';
    }
    for (int o = 0x80; o < 0x100; ++o) {
        int a = UnicodeToCp1252(kCp850High[o - 0x80]);
        if (a >= 0x80) {
            t.toAnsi[o] = static_cast<unsigned char>(a);
            t.toOem[a] = static_cast<unsigned char>(o);
        }
    }
    return t;
}

constexpr OemTables kOem = MakeOemTables();

std::string MapBytes(std::string s, const Table& t)
{
    for (char& c : s) c = static_cast<char>(t[static_cast<unsigned char>(c)]);
    return s;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::string Cp1252ToUtf8(std::string_view s)
{
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    for (unsigned char b : s) AppendUtf8(out, Cp1252ToUnicode(b));
    return out;
}

std::string Utf8ToCp1252(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0) {
            out += '?';
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= s.size()) { ok = false; break; }
            auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) { ok = false; break; }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        i += 1 + extra;
        int byte = UnicodeToCp1252(cp);
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

unsigned char AsciiUpper(unsigned char c) noexcept { return kAsciiUpper[c]; }
unsigned char AsciiLower(unsigned char c) noexcept { return kAsciiLower[c]; }
unsigned char AnsiUpper(unsigned char c) noexcept { return kAnsiUpper[c]; }
unsigned char AnsiLower(unsigned char c) noexcept { return kAnsiLower[c]; }
std::string AsciiUpperCase(std::string s) { return MapBytes(std::move(s), kAsciiUpper); }
std::string AsciiLowerCase(std::string s) { return MapBytes(std::move(s), kAsciiLower); }
std::string AnsiUpperCase(std::string s) { return MapBytes(std::move(s), kAnsiUpper); }
std::string AnsiLowerCase(std::string s) { return MapBytes(std::move(s), kAnsiLower); }

bool AnsiSameText(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (kAnsiLower[static_cast<unsigned char>(a[i])] != kAnsiLower[static_cast<unsigned char>(b[i])])
            return false;
    return true;
}

std::string CharToOem(std::string_view s) { return MapBytes(std::string(s), kOem.toOem); }
std::string OemToChar(std::string_view s) { return MapBytes(std::string(s), kOem.toAnsi); }

} // namespace vcl
