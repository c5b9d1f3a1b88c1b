// Searching, counting, editing, parsing and scrambling of the string library.
#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "corekit/PYX_stringl.h"
#include "vcl/Cp1252.h"

namespace PYX_stringl {

namespace {

using Table = std::array<unsigned char, 256>;

inline unsigned char U(char c) { return static_cast<unsigned char>(c); }

// Positions are 32-bit: text beyond that is not searched.
std::string_view Clip(std::string_view s)
{
    return s.size() > static_cast<std::size_t>(INT32_MAX) ? s.substr(0, INT32_MAX) : s;
}

int32_t Pos32(std::size_t offset) { return static_cast<int32_t>(offset + 1); }

Table MakeSwapCase()
{
    Table t{};
    for (int i = 0; i < 256; ++i) {
        const auto c = static_cast<unsigned char>(i);
        t[i] = vcl::AnsiUpper(c) == c ? vcl::AnsiLower(c) : vcl::AnsiUpper(c);
    }
    return t;
}

Table MakeLower()
{
    Table t{};
    for (int i = 0; i < 256; ++i) t[i] = vcl::AnsiLower(static_cast<unsigned char>(i));
    return t;
}

const Table kSwapCase = MakeSwapCase();
const Table kLower = MakeLower();

std::string LowerCopy(std::string_view s)
{
    std::string r(s);
    for (char& c : r) c = static_cast<char>(kLower[U(c)]);
    return r;
}

} // namespace

// ===========================================================================
// Word separators

std::bitset<256> DefaultWordSeps()
{
    std::bitset<256> b;
    for (unsigned char c : {0, 10, 13}) b.set(c);
    for (unsigned char c : std::string_view(" \"#%'()*+,-./:;<=>[\\]{}")) b.set(c);
    return b;
}

std::bitset<256> WordSeps = DefaultWordSeps();

// ===========================================================================
// Searching and counting

int32_t NumberedPos(std::string_view Sub, std::string_view S, int32_t StartAt, int32_t Num, bool IgnoreCase)
{
    S = Clip(S);
    if (Sub.empty() || Num <= 0) return 0;
    const std::size_t from0 = StartAt <= 1 ? 0 : static_cast<std::size_t>(StartAt) - 1;
    if (from0 >= S.size()) return 0;
    std::string ls, lsub;
    if (IgnoreCase) {
        ls = LowerCopy(S);
        lsub = LowerCopy(Sub);
        S = ls;
        Sub = lsub;
    }
    std::size_t from = from0;
    for (;;) {
        const std::size_t p = S.find(Sub, from);
        if (p == std::string_view::npos) return 0;
        if (--Num == 0) return Pos32(p);
        from = p + Sub.size();
    }
}

int32_t PosLast(std::string_view Sub, std::string_view S)
{
    S = Clip(S);
    if (Sub.empty()) return 0;
    std::size_t last = std::string_view::npos;
    for (std::size_t p = S.find(Sub); p != std::string_view::npos; p = S.find(Sub, p + Sub.size())) last = p;
    return last == std::string_view::npos ? 0 : Pos32(last);
}

int32_t CountStringInString(std::string_view Sub, std::string_view S, bool CaseSensitive)
{
    S = Clip(S);
    if (Sub.empty()) return 0;
    std::string ls, lsub;
    if (!CaseSensitive) {
        ls = LowerCopy(S);
        lsub = LowerCopy(Sub);
        S = ls;
        Sub = lsub;
    }
    int32_t n = 0;
    for (std::size_t p = S.find(Sub); p != std::string_view::npos; p = S.find(Sub, p + Sub.size())) ++n;
    return n;
}

int32_t CountCharInString(char c, std::string_view S, bool CaseSensitive)
{
    S = Clip(S);
    if (CaseSensitive) return static_cast<int32_t>(std::count(S.begin(), S.end(), c));
    const unsigned char lc = kLower[U(c)];
    return static_cast<int32_t>(std::count_if(S.begin(), S.end(), [lc](char x) { return kLower[U(x)] == lc; }));
}

int32_t CountWords(std::string_view S)
{
    // A word is a run of two or more characters outside WordSeps; the run at
    // the very end of the text counts as well.
    int32_t words = 0;
    std::size_t run = 0;
    for (char c : Clip(S)) {
        if (WordSeps[U(c)]) {
            if (run >= 2) ++words;
            run = 0;
        } else {
            ++run;
        }
    }
    if (run >= 2) ++words;
    return words;
}

int32_t StringIx(std::string_view S, std::span<const std::string> Entries)
{
    for (std::size_t i = 0; i < Entries.size() && i < static_cast<std::size_t>(INT32_MAX); ++i)
        if (Entries[i] == S) return Pos32(i);
    return 0;
}

int32_t StringIx(std::string_view S, std::initializer_list<std::string_view> Entries)
{
    int32_t i = 0;
    for (std::string_view e : Entries) {
        ++i;
        if (e == S) return i;
    }
    return 0;
}

bool TestAllChar(std::string_view S, char c)
{
    return !S.empty() && S.find_first_not_of(c) == std::string_view::npos;
}

int32_t FindFirstNonBlank(std::string_view S)
{
    const std::size_t p = Clip(S).find_first_not_of(' ');
    return p == std::string_view::npos ? 0 : Pos32(p);
}

bool IsAbbreviation(std::string_view S)
{
    std::size_t longest = 0, run = 0, others = 0;
    for (char c : S) {
        if (c >= 'A' && c <= 'Z') {
            longest = std::max(longest, ++run);
        } else {
            run = 0;
            if ((c >= 'a' && c <= 'z') || IsDigit(c)) ++others;
        }
    }
    return longest > 1 && others < longest;
}

bool EqualAnsiStrings(std::string_view A, std::string_view B) { return vcl::AnsiSameText(A, B); }

// ===========================================================================
// Editing

std::string ReplaceCharInString(std::string_view S, char Old, char New)
{
    std::string r(S);
    std::replace(r.begin(), r.end(), Old, New);
    return r;
}

std::string ReplaceStringInString(std::string_view S, std::string_view Old, std::string_view New, bool IgnoreCase)
{
    if (Old.empty()) return std::string(S);
    std::string ls, lold;
    std::string_view hay = S, needle = Old;
    if (IgnoreCase) {
        ls = LowerCopy(S);
        lold = LowerCopy(Old);
        hay = ls;
        needle = lold;
    }
    std::string r;
    std::size_t from = 0;
    for (std::size_t p = hay.find(needle); p != std::string_view::npos; p = hay.find(needle, from)) {
        if (r.empty()) r.reserve(S.size());
        r.append(S.substr(from, p - from));
        r.append(New);
        from = p + needle.size();
    }
    r.append(S.substr(from));
    return r;
}

std::string RemoveCharInString(std::string_view S, char c)
{
    std::string r;
    r.reserve(S.size());
    std::copy_if(S.begin(), S.end(), std::back_inserter(r), [c](char x) { return x != c; });
    return r;
}

std::string RemoveControlChars(std::string_view S)
{
    std::string r;
    r.reserve(S.size());
    std::copy_if(S.begin(), S.end(), std::back_inserter(r), [](char x) { return U(x) >= 32; });
    return r;
}

std::string StripLTBlanks(std::string_view S)
{
    const std::size_t a = S.find_first_not_of(' ');
    if (a == std::string_view::npos) return {};
    return std::string(S.substr(a, S.find_last_not_of(' ') - a + 1));
}

std::string StripLeadingBlanks(std::string_view S)
{
    const std::size_t a = S.find_first_not_of(' ');
    if (a == std::string_view::npos) return S.empty() ? std::string() : std::string(" ");
    return std::string(S.substr(a));
}

std::string StripTrailingBlanks(std::string_view S)
{
    const std::size_t b = S.find_last_not_of(' ');
    if (b == std::string_view::npos) return S.empty() ? std::string() : std::string(" ");
    return std::string(S.substr(0, b + 1));
}

std::string StripLeadingChars(char c, std::string_view S)
{
    const std::size_t a = S.find_first_not_of(c);
    return a == std::string_view::npos ? std::string() : std::string(S.substr(a));
}

std::string StripTrailingChars(char c, std::string_view S)
{
    std::size_t end = S.size();
    while (end > 1 && S[end - 1] == c) --end;
    return std::string(S.substr(0, end));
}

std::string EnsureTrailingChar(char c, std::string_view S)
{
    std::string r(S);
    if (!r.empty() && r.back() != c) r.push_back(c);
    return r;
}

std::string EnsureTrailingBkSlash(std::string_view S) { return EnsureTrailingChar('\\', S); }

std::string LeftString(std::string_view S, uint8_t Width)
{
    std::string r(S.substr(0, Width));
    r.resize(Width, ' ');
    return r;
}

std::string RightString(std::string_view S, uint8_t Width)
{
    if (S.size() >= Width) return std::string(S.substr(0, Width));
    std::string r(Width - S.size(), ' ');
    r.append(S);
    return r;
}

std::string CenterString(std::string_view S, uint8_t Width)
{
    if (S.size() >= Width) return std::string(S.substr(0, Width));
    const std::size_t missing = Width - S.size();
    std::string r(missing / 2, ' ');
    r.append(S);
    r.append(missing - missing / 2, ' ');
    return r;
}

std::string AbbrevString(std::string_view S, int32_t MaxLen)
{
    if (MaxLen < 0) MaxLen = 0;
    if (S.size() <= static_cast<std::size_t>(MaxLen)) return std::string(S);
    if (MaxLen < 2) return std::string(static_cast<std::size_t>(MaxLen), '.');
    std::string r(S.substr(0, static_cast<std::size_t>(MaxLen) - 2));
    r.append("..");
    return r;
}

std::string ReverseString(std::string_view S) { return std::string(S.rbegin(), S.rend()); }

std::string ChangeCase(std::string_view S)
{
    std::string r(S);
    auto* p = reinterpret_cast<unsigned char*>(r.data());
    const std::size_t n = r.size();
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: a..z / A..Z by arithmetic, then the few bytes
    // of 128 and above through the table.
    const __m128i kA = _mm_set1_epi8('a');
    const __m128i k25 = _mm_set1_epi8(25);
    const __m128i k20 = _mm_set1_epi8(0x20);
    for (; i + 16 <= n; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        // Bytes of 128 and above are never taken for a..z / A..Z here.
        const __m128i d = _mm_sub_epi8(_mm_or_si128(v, k20), kA);
        const __m128i letter = _mm_cmpeq_epi8(_mm_min_epu8(d, k25), d);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), _mm_xor_si128(v, _mm_and_si128(letter, k20)));
        for (unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v)); high != 0; high &= high - 1) {
            const std::size_t j = i + static_cast<std::size_t>(__builtin_ctz(high));
            p[j] = kSwapCase[p[j]];
        }
    }
#endif
    for (; i < n; ++i) p[i] = kSwapCase[p[i]];
    return r;
}

std::string CapitalizeString(std::string_view S)
{
    std::string r(S);
    bool wordStart = true;
    for (char& c : r) {
        if (wordStart && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        wordStart = !(IsDigitLetter(c) || U(c) >= 128);
    }
    return r;
}

std::string ExpandDiphthongs(std::string_view S)
{
    std::string r;
    r.reserve(S.size() + 8);
    for (std::size_t i = 0; i < S.size(); ++i) {
        const unsigned char c = U(S[i]);
        switch (c) {
        case 0xE4: r.append("ae"); break; // ä
        case 0xF6: r.append("oe"); break; // ö
        case 0xFC: r.append("ue"); break; // ü
        case 0xDF: r.append("ss"); break; // ß
        case 0xB5: r.push_back('u'); break; // µ
        case 0xC4:                          // Ä
        case 0xD6:                          // Ö
        case 0xDC: {                        // Ü
            r.push_back(c == 0xC4 ? 'A' : (c == 0xD6 ? 'O' : 'U'));
            const bool lowerNext = i + 1 < S.size() && S[i + 1] >= 'a' && S[i + 1] <= 'z';
            r.push_back(lowerNext ? 'e' : 'E');
            break;
        }
        default: r.push_back(static_cast<char>(c));
        }
    }
    return r;
}

std::string ReduceStringToAZ09(std::string_view S)
{
    std::string r(S);
    for (char& c : r)
        if (!IsDigitLetter(c)) c = '_';
    return r;
}

std::string ReduceStringToFN83CompliantChars(std::string_view S)
{
    static constexpr std::string_view kAllowed = "!#$%&'()-.@^_{}~`";
    std::string r(S);
    for (char& c : r)
        if (!IsDigitLetter(c) && kAllowed.find(c) == std::string_view::npos) c = '_';
    return r;
}

namespace {
int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
} // namespace

std::string ProcessHexChars(std::string_view S)
{
    std::string r;
    r.reserve(S.size());
    const std::size_t n = S.size();
    std::size_t i = 0;
    while (i < n) {
        if (S[i] != '\\' || i + 1 == n) {
            r.push_back(S[i++]);
            continue;
        }
        if (S[i + 1] == '\\') {
            r.push_back('\\');
            i += 2;
            continue;
        }
        if (S[i + 1] == '#') {
            // The two characters after "\#" (as far as the text goes): blanks
            // first, then hexadecimal digits up to the first other character.
            const std::size_t end = std::min(n, i + 4);
            std::size_t k = i + 2;
            while (k < end && S[k] == ' ') ++k;
            int value = 0, digits = 0;
            for (; k < end && HexValue(S[k]) >= 0; ++k, ++digits) value = value * 16 + HexValue(S[k]);
            if (digits > 0) {
                r.push_back(static_cast<char>(value));
                i = end;
                continue;
            }
        }
        r.push_back(S[i++]);
    }
    return r;
}

std::string WinAnsiString(std::string_view S) { return vcl::OemToChar(S.substr(0, 255)); }
std::string OEMString(std::string_view S) { return vcl::CharToOem(S.substr(0, 255)); }

// ===========================================================================
// Parsing

std::string ReadLnString(std::string_view S, int32_t& Pos, bool& EndOfString, int32_t LineEndMode)
{
    EndOfString = false;
    std::string line;
    std::size_t i = Pos < 1 ? 0 : static_cast<std::size_t>(Pos) - 1; // next byte to read
    const std::size_t n = Clip(S).size();
    for (;;) {
        if (i >= n) {
            EndOfString = true;
            i = n;
            break;
        }
        // Copy the run of printable bytes in one go.
        std::size_t j = i;
        while (j < n && U(S[j]) >= 32) ++j;
        line.append(S.substr(i, j - i));
        i = j;
        if (i >= n) continue;
        const char c = S[i];
        const char prev = i > 0 ? S[i - 1] : '\0';
        ++i;
        bool ends = false;
        switch (LineEndMode) {
        case 0: ends = c == '\n'; break;
        case 1: ends = c == '\r'; break;
        case 2: ends = c == '\n' || c == '\r'; break;
        case 3: ends = c == '\r' && prev == '\n'; break;
        case 4: ends = c == '\n' && prev == '\r'; break;
        default: break;
        }
        if (ends) break;
    }
    // Passing the end leaves Pos one behind the last byte.
    Pos = static_cast<int32_t>(std::min<std::size_t>(EndOfString ? n + 1 : i + 1, INT32_MAX));
    return line;
}

std::string ExtractWordFromString(std::string_view S, int32_t Pos, int32_t& WordStart, int32_t& WordEnd)
{
    S = Clip(S);
    WordStart = WordEnd = 0;
    if (Pos < 1 || static_cast<std::size_t>(Pos) > S.size()) return {};
    const std::size_t p = static_cast<std::size_t>(Pos) - 1;
    if (WordSeps[U(S[p])]) {
        WordStart = WordEnd = Pos;
        return std::string(1, S[p]);
    }
    std::size_t a = p, b = p;
    while (a > 0 && !WordSeps[U(S[a - 1])]) --a;
    while (b + 1 < S.size() && !WordSeps[U(S[b + 1])]) ++b;
    WordStart = Pos32(a);
    WordEnd = Pos32(b);
    return std::string(S.substr(a, b - a + 1));
}

std::string ExtractWordFromString(std::string_view S, int32_t Pos)
{
    int32_t a = 0, b = 0;
    return ExtractWordFromString(S, Pos, a, b);
}

std::string ExtractSubString(std::string_view S, int32_t Index, std::string_view Delim)
{
    if (Index < 0 || S.empty()) return {};
    if (Delim.empty()) return Index == 0 ? std::string(S) : std::string();
    std::size_t at = 0;
    if (Index == 0) {
        if (S.starts_with(Delim)) return {};
    } else {
        for (int32_t k = 0; k < Index; ++k) {
            const std::size_t p = S.find(Delim, at);
            if (p == std::string_view::npos) return {};
            at = p + Delim.size();
        }
        if (at >= S.size()) return {};
    }
    // The field ends at the next delimiter found from the following character.
    const std::size_t next = S.find(Delim, at + 1);
    std::string_view field = S.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at);
    if (field.starts_with(Delim)) return {};
    return std::string(field);
}

void Tokenize(std::string_view S, std::string_view Delim, TOpenStringArray& Tokens)
{
    constexpr std::size_t kMaxTokens = 100;
    constexpr std::size_t kMaxLen = 255;
    std::size_t count = 0;
    // Reuses the strings already in Tokens, so repeated calls do not allocate.
    auto put = [&](std::string_view t) {
        t = t.substr(0, kMaxLen);
        if (count < Tokens.size())
            Tokens[count].assign(t);
        else
            Tokens.emplace_back(t);
        ++count;
    };
    std::string_view rest = S;
    if (!Delim.empty()) {
        while (count < kMaxTokens - 1) {
            const std::size_t p = Delim.size() == 1 ? rest.find(Delim[0]) : rest.find(Delim);
            if (p == std::string_view::npos) break;
            put(rest.substr(0, p));
            rest.remove_prefix(p + Delim.size());
        }
    }
    put(rest);
    Tokens.resize(count);
}

// ===========================================================================
// Scrambling

namespace {
struct ScrambleTables {
    std::array<unsigned char, 256> forward{};
    std::array<unsigned char, 256> inverse{};
};

ScrambleTables BuildScramble(int32_t Seed)
{
    // A private generator: scrambling must not disturb (or depend on) the
    // application's shared random sequence.
    vcl::SplitMix64 gen(static_cast<uint64_t>(static_cast<int64_t>(Seed)));
    ScrambleTables t;
    for (int i = 1; i <= 255; ++i) {
        int r = 0;
        do r = gen.NextInt(255);
        while (t.inverse[r + 1] != 0);
        t.forward[i] = static_cast<unsigned char>(r + 1);
        t.inverse[r + 1] = static_cast<unsigned char>(i);
    }
    return t;
}

ScrambleTables g_scramble = BuildScramble(7395);

std::string MapBytes(std::string_view S, const std::array<unsigned char, 256>& t)
{
    std::string r(S);
    for (char& c : r) c = static_cast<char>(t[U(c)]);
    return r;
}
} // namespace

void InitScramble(int32_t Seed) { g_scramble = BuildScramble(Seed); }
std::string Scramble(std::string_view S) { return MapBytes(S, g_scramble.forward); }
std::string DeScramble(std::string_view S) { return MapBytes(S, g_scramble.inverse); }

} // namespace PYX_stringl
