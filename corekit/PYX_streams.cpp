// Binary values, line reading, searches and the number scanners.
#include "corekit/PYX_streams.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "corekit/PYX_univconst.h"
#include "corekit/internal/StreamCursor.h"
#include "vcl/Cp1252.h"

namespace PYX_streams {

using detail::StreamCursor;

namespace {

// Index of the first byte below 32 other than the tab, or n.
size_t FindControlByte(const uint8_t* p, size_t n)
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i k31 = _mm_set1_epi8(31);
    const __m128i k9 = _mm_set1_epi8(9);
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i ctl = _mm_cmpeq_epi8(_mm_min_epu8(v, k31), v); // v <= 31
        const __m128i tab = _mm_cmpeq_epi8(v, k9);
        const unsigned m = static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(tab, ctl)));
        if (m) return i + static_cast<size_t>(std::countr_zero(m));
    }
#endif
    while (i < n && (p[i] >= 32 || p[i] == 9)) ++i;
    return i;
}

size_t CountByte(const uint8_t* p, size_t n, uint8_t b)
{
    size_t count = 0;
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i kb = _mm_set1_epi8(static_cast<char>(b));
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        count += static_cast<size_t>(
            std::popcount(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, kb)))));
    }
#endif
    for (; i < n; ++i) count += p[i] == b;
    return count;
}

bool LineEnds(int mode, uint8_t c, uint8_t prev)
{
    switch (mode) {
    case 0: return c == 10;
    case 1: return c == 13;
    case 2: return c == 10 || c == 13;
    case 3: return c == 13 && prev == 10;
    case 4: return c == 10 && prev == 13;
    default: return false;
    }
}

std::string LowerAscii(std::string_view s)
{
    std::string r(s);
    for (char& c : r) c = static_cast<char>(vcl::AsciiLower(static_cast<unsigned char>(c)));
    return r;
}

} // namespace

// ---------------------------------------------------------------------------
// Binary values

void WriteStringStream(TStream& Stream, std::string_view S)
{
    Stream.WriteBuffer(S.data(), static_cast<int64_t>(S.size()));
}

void WriteLnStream(TStream& Stream, std::string_view S)
{
    Stream.WriteBuffer(S.data(), static_cast<int64_t>(S.size()));
    Stream.WriteBuffer("\r\n", 2);
}

void WriteLongintToStream(TStream& Stream, int32_t Value)
{
    const auto u = static_cast<uint32_t>(Value);
    const uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                          static_cast<uint8_t>(u >> 24)};
    Stream.WriteBuffer(b, 4);
}

void WriteExtendedToStream(TStream& Stream, Extended Value)
{
    // The x87 format keeps its 10 significant bytes first, in the order the
    // file wants: 64-bit mantissa, then the sign and exponent word.
    uint8_t b[sizeof(Extended)] = {};
    std::memcpy(b, &Value, sizeof(Extended));
    Stream.WriteBuffer(b, 10);
}

int32_t ReadLongintFromStream(TStream& Stream, bool& ReadError)
{
    uint8_t b[4] = {};
    ReadError = Stream.Read(b, 4) != 4;
    return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
}

Extended ReadExtendedFromStream(TStream& Stream, bool& ReadError)
{
    uint8_t b[sizeof(Extended)] = {};
    ReadError = Stream.Read(b, 10) != 10;
    Extended v;
    std::memcpy(&v, b, sizeof(Extended));
    return v;
}

// ---------------------------------------------------------------------------
// Lines and searches

std::string ReadLnStream(TStream& Stream, bool& EndOfStream, int LineEndMode)
{
    EndOfStream = false;
    std::string line;
    StreamCursor cur(Stream);
    uint8_t prev = 0;
    for (;;) {
        const auto view = cur.View();
        if (view.empty()) {
            EndOfStream = true;
            return line;
        }
        const uint8_t* p = view.data();
        const size_t n = view.size();
        size_t i = 0;
        while (i < n) {
            const size_t run = FindControlByte(p + i, n - i);
            if (run > 0) {
                line.append(reinterpret_cast<const char*>(p + i), run);
                i += run;
                prev = p[i - 1];
                continue;
            }
            const uint8_t c = p[i++];
            const bool ends = LineEnds(LineEndMode, c, prev);
            prev = c;
            if (ends) {
                cur.Advance(i);
                return line;
            }
        }
        cur.Advance(n);
    }
}

bool FindInStream(TStream& Stream, uint8_t B)
{
    StreamCursor cur(Stream);
    for (;;) {
        const auto view = cur.View();
        if (view.empty()) return false;
        const void* hit = std::memchr(view.data(), B, view.size());
        if (hit) {
            cur.Advance(static_cast<size_t>(static_cast<const uint8_t*>(hit) - view.data()) + 1);
            return true;
        }
        cur.Advance(view.size());
    }
}

std::string StreamAsString(TStream& Stream)
{
    std::string s;
    char block[65536];
    for (;;) {
        const int64_t n = Stream.Read(block, sizeof block);
        if (n <= 0) break;
        s.append(block, static_cast<size_t>(n));
    }
    return s;
}

std::string ReadStreamUntil(TStream& Stream, std::string_view Delim, int& Status)
{
    Status = -1;
    if (Delim.empty()) {
        Status = 0;
        return {};
    }
    const std::string delim = LowerAscii(Delim);
    std::string text;
    std::string lower; // text in lower case, kept alongside
    char block[256];
    for (;;) {
        const int64_t n = Stream.Read(block, sizeof block);
        const size_t old = text.size();
        if (n > 0) {
            text.append(block, static_cast<size_t>(n));
            for (int64_t i = 0; i < n; ++i)
                lower.push_back(static_cast<char>(vcl::AsciiLower(static_cast<unsigned char>(block[i]))));
        }
        // Only the new bytes and the tail that could start an occurrence need a look.
        const size_t from = old >= delim.size() - 1 ? old - (delim.size() - 1) : 0;
        const size_t hit = lower.find(delim, from);
        if (hit != std::string::npos) {
            const size_t end = hit + delim.size();
            Stream.Seek(-static_cast<int64_t>(text.size() - end), vcl::soCurrent);
            text.resize(end);
            Status = 0;
            return text;
        }
        if (n < static_cast<int64_t>(sizeof block)) return text;
    }
}

int64_t CountLinesInStream(TStream& Stream)
{
    int64_t count = 0;
    if (Stream.CanPeek()) {
        for (;;) {
            const auto view = Stream.Peek();
            if (view.empty()) break;
            count += static_cast<int64_t>(CountByte(view.data(), view.size(), 10));
            Stream.Advance(static_cast<int64_t>(view.size()));
        }
        return count;
    }
    uint8_t block[65536];
    for (;;) {
        const int64_t n = Stream.Read(block, sizeof block);
        if (n <= 0) break;
        count += static_cast<int64_t>(CountByte(block, static_cast<size_t>(n), 10));
    }
    return count;
}

// ---------------------------------------------------------------------------
// Number scanners

namespace {

int32_t Saturate32(bool neg, int64_t v)
{
    if (neg) return v > int64_t{1} << 31 ? std::numeric_limits<int32_t>::min() : static_cast<int32_t>(-v);
    return v > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(v);
}

// Digits accumulate in 64 bits; past 2^32 the value no longer grows, which
// keeps it far from overflow while still saturating correctly.
constexpr int64_t kDecimalCap = int64_t{1} << 32;

bool IsSeparator(int c, int DecSep)
{
    switch (DecSep) {
    case 0: return c == static_cast<unsigned char>(vcl::GetDecimalSeparator());
    case 1: return c == '.';
    case 2: return c == ',';
    case 3: return c == '.' || c == ',';
    default: return false;
    }
}

// Decimal number text (sign, digits, ".", exponent) to an extended value
// without locale. Values beyond the extended range become an infinity or 0.
Extended TextToExtended(const std::string& text)
{
    size_t i = 0;
    bool neg = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        neg = text[i] == '-';
        ++i;
    }
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    if (first == last) return 0;
    Extended v = 0;
    const auto res = std::from_chars(first, last, v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Decide between overflow and underflow from the decimal magnitude:
        // the position of the first significant digit plus the exponent.
        int64_t mag = 0;
        bool seenNonZero = false, inFraction = false;
        int64_t intDigits = 0, leadingFractionZeros = 0;
        size_t k = i;
        for (; k < text.size(); ++k) {
            const char c = text[k];
            if (c == '.') { inFraction = true; continue; }
            if (c < '0' || c > '9') break;
            if (!inFraction) {
                if (seenNonZero || c != '0') { seenNonZero = true; ++intDigits; }
            } else if (!seenNonZero) {
                if (c == '0') ++leadingFractionZeros;
                else seenNonZero = true;
            }
        }
        mag = intDigits > 0 ? intDigits - 1 : -(leadingFractionZeros + 1);
        if (k < text.size() && (text[k] == 'e' || text[k] == 'E')) {
            ++k;
            bool eneg = false;
            if (k < text.size() && (text[k] == '+' || text[k] == '-')) { eneg = text[k] == '-'; ++k; }
            int64_t e = 0;
            for (; k < text.size() && text[k] >= '0' && text[k] <= '9'; ++k)
                if (e < 1000000) e = e * 10 + (text[k] - '0');
            mag += eneg ? -e : e;
        }
        v = mag > 0 ? std::numeric_limits<Extended>::infinity() : 0;
    } else if (res.ec != std::errc()) {
        v = 0;
    }
    return neg ? -v : v;
}

Extended ClampToDouble(Extended v)
{
    if (v > PYX_univconst::uc_MaxDouble) return PYX_univconst::uc_MaxDouble;
    if (v < -PYX_univconst::uc_MaxDouble) return -PYX_univconst::uc_MaxDouble;
    return v;
}

// The number state machine. Src gives Peek() (-1 at the end) and Take();
// the byte that ends the number is never taken. StringRules selects the
// rules of the string scanner: only the blank is skipped before the number,
// and in the exponent states a byte other than a digit, a blank or "E" ends
// the number, which then keeps its mantissa and stops on the exponent mark.
template <class Src>
Extended FPStateMachine(Src& src, bool AllowExp, int DecSep, bool StringRules)
{
    enum { kEnd = 0, kError = -1 };
    int state = 1;
    std::string text;
    size_t textBeforeExp = 0;
    int64_t expValue = 0;
    bool stopAtExpMark = false;
    for (;;) {
        const int raw = src.Peek();
        const int c = raw < 0 ? 'Z' : raw;
        const int up = vcl::AsciiUpper(static_cast<unsigned char>(c));
        const bool sep = raw >= 0 && IsSeparator(c, DecSep);
        const bool digit = c >= '0' && c <= '9';
        const bool sign = c == '+' || c == '-';
        const bool isE = up == 'E';
        int next = kError;
        if (sep) {
            next = (state <= 3) ? 4 : (state == 8 ? kEnd : kError);
        } else {
            switch (state) {
            case 1:
                if (digit) next = 3;
                else if (sign) next = 2;
                else if (isE) next = kError;
                else if (c == ' ' || (!StringRules && (c == '\t' || c == '\n' || c == '\r'))) next = 1;
                else next = kError;
                break;
            case 2: next = digit ? 3 : kError; break;
            case 3:
                next = digit ? 3 : (isE && AllowExp) ? 6 : kEnd;
                break;
            case 4:
            case 5:
                next = digit ? 5 : (isE && AllowExp) ? 6 : kEnd;
                break;
            case 6:
                if (digit) next = 8;
                else if (sign) next = 7;
                else if (!StringRules || isE || c == ' ') next = kError;
                else next = kEnd;
                break;
            case 7:
                if (digit) next = 8;
                else if (!StringRules || isE || c == ' ') next = kError;
                else next = kEnd;
                break;
            case 8: next = digit ? 8 : kEnd; break;
            default: next = kError; break;
            }
        }
        if (next == kError) return 0;
        if (next == kEnd) {
            if (state == 6 || state == 7) {
                // An exponent mark without digits: the mantissa alone counts.
                text.resize(textBeforeExp);
                stopAtExpMark = true;
            }
            break;
        }
        if (next == 6) {
            textBeforeExp = text.size();
            src.MarkExponent();
        }
        src.Take();
        if (next == 1) { state = 1; continue; }
        if (next == 8) {
            if (expValue <= 4200) {
                text.push_back(static_cast<char>(c));
                expValue = expValue * 10 + (c - '0');
            }
        } else if (sep) {
            text.push_back('.');
        } else {
            text.push_back(static_cast<char>(c));
        }
        state = next;
    }
    if (stopAtExpMark) src.BackToExponent();
    if (!text.empty() && text.back() == '.') text.push_back('0');
    return ClampToDouble(TextToExtended(text));
}

struct StreamSrc {
    StreamCursor& cur;
    int Peek() { return cur.Peek(); }
    void Take() { cur.Advance(1); }
    void MarkExponent() {}
    void BackToExponent() {}
};

struct StringSrc {
    std::string_view s;
    size_t pos; // 0-based
    size_t expPos = 0;
    int Peek() const { return pos < s.size() ? static_cast<unsigned char>(s[pos]) : -1; }
    void Take() { ++pos; }
    void MarkExponent() { expPos = pos; }
    void BackToExponent() { pos = expPos; }
};

} // namespace

int32_t ScanStreamDecimal(TStream& Stream)
{
    StreamCursor cur(Stream);
    int c = cur.Get();
    while (c == ' ') c = cur.Get();
    bool neg = false;
    if (c == '-' || c == '+') {
        neg = c == '-';
        c = cur.Get();
    }
    int64_t v = 0;
    while (c >= '0' && c <= '9') {
        if (v < kDecimalCap) v = v * 10 + (c - '0');
        c = cur.Get();
    }
    // The byte that ended the digits has been consumed, as the format expects.
    return Saturate32(neg, v);
}

double ScanStreamFPNum(TStream& Stream, bool AllowExp, int DecSep)
{
    StreamCursor cur(Stream);
    StreamSrc src{cur};
    return static_cast<double>(FPStateMachine(src, AllowExp, DecSep, false));
}

int32_t ScanDecimal(std::string_view S, int32_t& Pos)
{
    const auto len = static_cast<int64_t>(S.size());
    if (Pos < 1) Pos = 1;
    if (Pos > len) return 0;
    int64_t i = Pos - 1;
    while (i < len - 1 && S[static_cast<size_t>(i)] == ' ') ++i;
    bool neg = false;
    if (S[static_cast<size_t>(i)] == '-' || S[static_cast<size_t>(i)] == '+') {
        neg = S[static_cast<size_t>(i)] == '-';
        ++i;
    }
    int64_t v = 0;
    while (i < len && S[static_cast<size_t>(i)] >= '0' && S[static_cast<size_t>(i)] <= '9') {
        if (v < kDecimalCap) v = v * 10 + (S[static_cast<size_t>(i)] - '0');
        ++i;
    }
    Pos = static_cast<int32_t>(i + 1);
    return Saturate32(neg, v);
}

uint32_t ScanHex(std::string_view S, int32_t& Pos)
{
    const auto len = static_cast<int64_t>(S.size());
    if (Pos < 1) Pos = 1;
    if (Pos > len) return 0;
    int64_t i = Pos - 1;
    while (i < len - 1 && S[static_cast<size_t>(i)] == ' ') ++i;
    if (i == 0 && S[0] == '$') ++i;
    uint64_t v = 0;
    for (; i < len; ++i) {
        const char c = S[static_cast<size_t>(i)];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else break;
        if (v <= 0xFFFFFFFFu) v = v * 16 + static_cast<uint64_t>(d);
    }
    Pos = static_cast<int32_t>(i + 1);
    return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
}

Extended ScanFPNum(std::string_view S, bool AllowExp, int DecSep, int32_t& Pos)
{
    if (Pos < 1) Pos = 1;
    if (static_cast<size_t>(Pos) > S.size() + 1) return 0;
    StringSrc src{S, static_cast<size_t>(Pos - 1)};
    const Extended v = FPStateMachine(src, AllowExp, DecSep, true);
    Pos = static_cast<int32_t>(src.pos + 1);
    return v;
}

} // namespace PYX_streams
