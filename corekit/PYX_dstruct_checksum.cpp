// CRC-16, CRC-32 and base-85 on memory.
//
// CRC-32 runs through eight tables (eight bytes per step); on processors with
// carry-less multiplication, long buffers are first folded 64 bytes at a time
// into one 128-bit remainder that the tables finish.
#include <cstring>

#include "corekit/PYX_dstruct.h"
#include "vcl/Streams.h"

// PYX_DSTRUCT_PORTABLE builds only the portable code paths.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(PYX_DSTRUCT_PORTABLE)
#include <cpuid.h>
#include <immintrin.h>
#define PYX_DSTRUCT_X86 1
#endif

namespace PYX_dstruct {

namespace {

// ---------------------------------------------------------------------------
// Tables

// t[0] is the byte table; t[k][b] is the register after byte b and k zero
// bytes, which lets eight bytes be folded in at once.
struct Crc16Table {
    uint16_t t[8][256];
    constexpr Crc16Table() : t()
    {
        for (int i = 0; i < 256; ++i) {
            uint16_t c = static_cast<uint16_t>(i << 8);
            for (int k = 0; k < 8; ++k)
                c = static_cast<uint16_t>((c & 0x8000) ? (c << 1) ^ 0x1021 : (c << 1));
            t[0][i] = c;
        }
        for (int i = 0; i < 256; ++i)
            for (int s = 1; s < 8; ++s)
                t[s][i] = static_cast<uint16_t>(t[0][t[s - 1][i] >> 8] ^ (t[s - 1][i] << 8));
    }
};
constexpr Crc16Table kCrc16{};

struct Crc32Tables {
    uint32_t t[8][256];
    constexpr Crc32Tables() : t()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : (c >> 1);
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (int s = 1; s < 8; ++s) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    }
};
constexpr Crc32Tables kCrc32{};

uint32_t Crc32Tables8(uint32_t crc, const uint8_t* p, std::size_t n) noexcept
{
    while (n >= 8) {
        uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + 4, 4);
        lo ^= crc;
        crc = kCrc32.t[7][lo & 0xFF] ^ kCrc32.t[6][(lo >> 8) & 0xFF] ^ kCrc32.t[5][(lo >> 16) & 0xFF] ^
              kCrc32.t[4][lo >> 24] ^ kCrc32.t[3][hi & 0xFF] ^ kCrc32.t[2][(hi >> 8) & 0xFF] ^
              kCrc32.t[1][(hi >> 16) & 0xFF] ^ kCrc32.t[0][hi >> 24];
        p += 8;
        n -= 8;
    }
    while (n--) crc = kCrc32.t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return crc;
}

#if PYX_DSTRUCT_X86
bool HasClmul() noexcept
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    return (c & bit_PCLMUL) != 0 && (c & bit_SSE4_1) != 0;
}
const bool kHasClmul = HasClmul();

#define PYX_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))
PYX_CLMUL_TARGET inline __m128i Fold(__m128i x, __m128i k, __m128i next) noexcept
{
    __m128i lo = _mm_clmulepi64_si128(x, k, 0x00);
    __m128i hi = _mm_clmulepi64_si128(x, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(lo, hi), next);
}
PYX_CLMUL_TARGET inline __m128i Load(const uint8_t* q) noexcept
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
}

// Folds the message 64 bytes at a time. A 128-bit lane A followed by D more
// bits is congruent to A * x^D; the two halves of A are multiplied by
// x^(D+32) and x^(D-32) modulo the polynomial (bit-reflected, shifted by one
// for the reflected product), which keeps every lane at 128 bits. The
// register is added to the first four message bytes, so the result, fed to
// the tables with a zero register, ends at the same register value.
PYX_CLMUL_TARGET uint32_t Crc32Fold(uint32_t crc, const uint8_t*& p, std::size_t& n) noexcept
{
    const __m128i k4x = _mm_set_epi64x(0x1c6e41596LL, 0x154442bd4LL); // 512-bit distance
    const __m128i k1x = _mm_set_epi64x(0x0ccaa009eLL, 0x1751997d0LL); // 128-bit distance
    __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x1 = Load(p + 16), x2 = Load(p + 32), x3 = Load(p + 48);
    p += 64;
    n -= 64;
    while (n >= 64) {
        x0 = Fold(x0, k4x, Load(p));
        x1 = Fold(x1, k4x, Load(p + 16));
        x2 = Fold(x2, k4x, Load(p + 32));
        x3 = Fold(x3, k4x, Load(p + 48));
        p += 64;
        n -= 64;
    }
    x0 = Fold(x0, k1x, x1);
    x0 = Fold(x0, k1x, x2);
    x0 = Fold(x0, k1x, x3);
    while (n >= 16) {
        x0 = Fold(x0, k1x, Load(p));
        p += 16;
        n -= 16;
    }
    alignas(16) uint8_t rest[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(rest), x0);
    return Crc32Tables8(0, rest, 16);
}
#endif

} // namespace

// ---------------------------------------------------------------------------
// CRC-16

uint16_t CalcNextCRC16(uint8_t Data, uint16_t Crc) noexcept
{
    return static_cast<uint16_t>(kCrc16.t[0][((Crc >> 8) ^ Data) & 0xFF] ^ (Crc << 8));
}

uint16_t UpdateCRC16(uint16_t Crc, const void* Data, std::size_t Length) noexcept
{
    const uint8_t* p = static_cast<const uint8_t*>(Data);
    unsigned crc = Crc;
    // The register is added to the first two bytes of each group of eight.
    for (; Length >= 8; Length -= 8, p += 8)
        crc = kCrc16.t[7][p[0] ^ (crc >> 8)] ^ kCrc16.t[6][p[1] ^ (crc & 0xFF)] ^ kCrc16.t[5][p[2]] ^
              kCrc16.t[4][p[3]] ^ kCrc16.t[3][p[4]] ^ kCrc16.t[2][p[5]] ^ kCrc16.t[1][p[6]] ^ kCrc16.t[0][p[7]];
    for (std::size_t i = 0; i < Length; ++i) crc = (kCrc16.t[0][((crc >> 8) ^ p[i]) & 0xFF] ^ (crc << 8)) & 0xFFFF;
    return static_cast<uint16_t>(crc);
}

uint16_t CRC16ofBuffer(const void* Data, std::size_t Length, TCRC16Mode Mode) noexcept
{
    return UpdateCRC16(Mode == crcCCITT ? 0xFFFF : 0, Data, Length);
}

uint16_t CRC16ofBuffer(const TBytes& Buffer, int64_t Length, TCRC16Mode Mode) noexcept
{
    std::size_t n = Length <= 0 ? 0 : std::min<std::size_t>(static_cast<uint64_t>(Length), Buffer.size());
    return CRC16ofBuffer(Buffer.data(), n, Mode);
}

// ---------------------------------------------------------------------------
// CRC-32

uint32_t CalcNextCRC32(uint8_t Data, uint32_t Crc) noexcept
{
    return kCrc32.t[0][(Crc ^ Data) & 0xFF] ^ (Crc >> 8);
}

uint32_t UpdateCRC32(uint32_t Crc, const void* Data, std::size_t Length) noexcept
{
    const uint8_t* p = static_cast<const uint8_t*>(Data);
#if PYX_DSTRUCT_X86
    if (Length >= 128 && kHasClmul) Crc = Crc32Fold(Crc, p, Length);
#endif
    return Crc32Tables8(Crc, p, Length);
}

uint32_t CRC32ofBuffer(const void* Data, std::size_t Length) noexcept
{
    return ~UpdateCRC32(0xFFFFFFFFu, Data, Length);
}

uint32_t CRC32ofBuffer(const TBytes& Buffer, int64_t Length) noexcept
{
    std::size_t n = Length <= 0 ? 0 : std::min<std::size_t>(static_cast<uint64_t>(Length), Buffer.size());
    return CRC32ofBuffer(Buffer.data(), n);
}

// ---------------------------------------------------------------------------
// Base-85

namespace {

// Appends the groups of Data; a last group of fewer than four bytes is
// written unpadded as its byte count plus one digits.
void EncodeGroups(const uint8_t* p, std::size_t n, std::string& out)
{
    while (n > 0) {
        std::size_t g = n < 4 ? n : 4;
        uint32_t v = 0;
        for (std::size_t i = 0; i < g; ++i) v = (v << 8) | p[i];
        if (g == 4 && v == 0) {
            out += 'z';
        } else {
            char digits[5];
            for (std::size_t i = g + 1; i-- > 0;) {
                digits[i] = static_cast<char>(v % 85 + 33);
                v /= 85;
            }
            out.append(digits, g + 1);
        }
        p += g;
        n -= g;
    }
}

// The decoder over a source of characters: Next() gives the next byte or -1
// at the end; Emit(bytes, count) takes decoded bytes.
template <class NextFn, class EmitFn>
int DecodeGroups(NextFn&& Next, EmitFn&& Emit)
{
    int result = 0;
    auto next = [&]() -> int {
        int c;
        do c = Next();
        while (c == '\r' || c == '\n');
        return c;
    };
    static constexpr char zeros[4] = {0, 0, 0, 0};
    bool ended = false;
    while (!ended) {
        int c = next();
        if (c < 0 || c == '~') break;
        if (c == 'z') {
            Emit(zeros, 4);
            continue;
        }
        uint64_t value = 0;
        int k = 0;
        auto take = [&](int ch) {
            if (ch >= '!' && ch <= 'u') {
                value = value * 85 + static_cast<unsigned>(ch - 33);
                ++k;
            } else {
                result = ch == 'z' ? -2 : -1;
            }
        };
        take(c);
        while (k < 5) {
            int d = next();
            if (d < 0 || d == '~') {
                ended = true;
                break;
            }
            take(d);
        }
        if (k <= 1) continue;
        const int bytes = k - 1;
        if (value >= (uint64_t{1} << (8 * bytes))) {
            result = -1; // the digits do not fit the group's bytes
            continue;
        }
        char out[4];
        for (int b = 0; b < bytes; ++b) out[b] = static_cast<char>((value >> (8 * (bytes - 1 - b))) & 0xFF);
        Emit(out, bytes);
    }
    return result;
}

} // namespace

std::string EncodeASCII85(std::string_view Data)
{
    std::string out;
    out.reserve(Data.size() / 4 * 5 + 8);
    EncodeGroups(reinterpret_cast<const uint8_t*>(Data.data()), Data.size(), out);
    out += "~>";
    return out;
}

int DecodeASCII85(std::string_view Text, std::string& Decoded)
{
    Decoded.clear();
    Decoded.reserve(Text.size() / 5 * 4 + 4);
    std::size_t i = 0;
    return DecodeGroups([&]() -> int { return i < Text.size() ? static_cast<unsigned char>(Text[i++]) : -1; },
                        [&](const char* b, int n) { Decoded.append(b, static_cast<std::size_t>(n)); });
}

void EncodeASCII85(vcl::TStream& Source, vcl::TStream& Dest)
{
    constexpr std::size_t kChunk = 64 * 1024; // a multiple of four
    std::vector<uint8_t> in(kChunk);
    std::string out;
    while (true) {
        int64_t got = Source.Read(in.data(), static_cast<int64_t>(kChunk));
        if (got < 0) got = 0;
        out.clear();
        EncodeGroups(in.data(), static_cast<std::size_t>(got), out);
        if (static_cast<std::size_t>(got) < kChunk) out += "~>";
        Dest.WriteBuffer(out);
        if (static_cast<std::size_t>(got) < kChunk) break;
    }
}

int DecodeASCII85(vcl::TStream& Source, vcl::TStream& Dest)
{
    constexpr std::size_t kChunk = 64 * 1024;
    std::vector<uint8_t> in(kChunk);
    std::size_t pos = 0, len = 0;
    bool eof = false;
    std::string out;
    auto flush = [&]() {
        Dest.WriteBuffer(out);
        out.clear();
    };
    int result = DecodeGroups(
        [&]() -> int {
            if (pos == len) {
                if (eof) return -1;
                int64_t got = Source.Read(in.data(), static_cast<int64_t>(kChunk));
                pos = 0;
                len = got > 0 ? static_cast<std::size_t>(got) : 0;
                if (len < kChunk) eof = true;
                if (len == 0) return -1;
            }
            return in[pos++];
        },
        [&](const char* b, int n) {
            out.append(b, static_cast<std::size_t>(n));
            if (out.size() >= kChunk) flush();
        });
    flush();
    return result;
}

// ---------------------------------------------------------------------------
// Files and streams, read in blocks of 64 KiB

std::optional<uint32_t> TryCalcCRC32ofFile(const std::string& FileName) noexcept
{
    try {
        vcl::TFileStream f(FileName, vcl::fmOpenRead);
        std::vector<uint8_t> buf(64 * 1024);
        uint32_t crc = 0xFFFFFFFFu;
        while (true) {
            int64_t got = f.Read(buf.data(), static_cast<int64_t>(buf.size()));
            if (got <= 0) break;
            crc = UpdateCRC32(crc, buf.data(), static_cast<std::size_t>(got));
        }
        return ~crc;
    } catch (...) {
        return std::nullopt;
    }
}

uint32_t CalcCRC32ofFile(const std::string& FileName) noexcept { return TryCalcCRC32ofFile(FileName).value_or(0); }

TSHA1Digest SHA1FromStream(vcl::TStream& Stream)
{
    std::vector<uint8_t> buf(64 * 1024);
    TSHA1 s;
    while (true) {
        int64_t got = Stream.Read(buf.data(), static_cast<int64_t>(buf.size()));
        if (got <= 0) break;
        s.Update(buf.data(), static_cast<std::size_t>(got));
    }
    return s.Final();
}

TSHA1Digest SHA1FromFile(const std::string& FileName)
{
    vcl::TFileStream f(FileName, vcl::fmOpenRead);
    return SHA1FromStream(f);
}

} // namespace PYX_dstruct
