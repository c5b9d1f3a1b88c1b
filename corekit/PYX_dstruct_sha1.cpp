// SHA-1 on 64-byte blocks. Processors with the SHA instructions run the
// compression through them; others use the portable rounds.
#include <cstring>
#include <utility>

#include "corekit/PYX_dstruct.h"

// PYX_DSTRUCT_PORTABLE builds only the portable code paths.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(PYX_DSTRUCT_PORTABLE)
#include <cpuid.h>
#include <immintrin.h>
#define PYX_DSTRUCT_X86 1
#endif

namespace PYX_dstruct {

namespace {

inline uint32_t Rol(uint32_t x, int n) noexcept { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadBE32(const uint8_t* p) noexcept
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

void CompressPortable(uint32_t h[5], const uint8_t* p, std::size_t blocks) noexcept
{
    for (; blocks > 0; --blocks, p += 64) {
        uint32_t w[80];
        for (int t = 0; t < 16; ++t) w[t] = LoadBE32(p + 4 * t);
        for (int t = 16; t < 80; ++t) w[t] = Rol(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int t = 0; t < 80; ++t) {
            uint32_t f, k;
            if (t < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999;
            } else if (t < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1;
            } else if (t < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDC;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6;
            }
            uint32_t tmp = Rol(a, 5) + f + e + k + w[t];
            e = d;
            d = c;
            c = Rol(b, 30);
            b = a;
            a = tmp;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
}

#if PYX_DSTRUCT_X86
bool HasShaNi() noexcept
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    if ((c & bit_SSSE3) == 0 || (c & bit_SSE4_1) == 0) return false;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    return (b & bit_SHA) != 0;
}
const bool kHasShaNi = HasShaNi();

// Four rounds per group; group G uses the round function G / 5. The message
// schedule keeps the last four 4-word groups in W[G % 4].
template <int G>
__attribute__((target("sha,sse4.1,ssse3"), always_inline)) inline void ShaGroup(
    __m128i& abcd, __m128i& eNext, __m128i& eSaved, __m128i (&w)[4], const uint8_t* p, __m128i mask) noexcept
{
    if constexpr (G < 4) {
        w[G] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * G)), mask);
    } else {
        __m128i t = _mm_sha1msg1_epu32(w[G % 4], w[(G + 1) % 4]);
        t = _mm_xor_si128(t, w[(G + 2) % 4]);
        w[G % 4] = _mm_sha1msg2_epu32(t, w[(G + 3) % 4]);
    }
    __m128i e;
    if constexpr (G == 0)
        e = _mm_add_epi32(eNext, w[0]);
    else
        e = _mm_sha1nexte_epu32(eSaved, w[G % 4]);
    eSaved = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e, G / 5);
}

template <std::size_t... G>
__attribute__((target("sha,sse4.1,ssse3"), always_inline)) inline void ShaBlock(
    __m128i& abcd, __m128i& e0, __m128i& eSaved, __m128i (&w)[4], const uint8_t* p, __m128i mask,
    std::index_sequence<G...>) noexcept
{
    (ShaGroup<static_cast<int>(G)>(abcd, e0, eSaved, w, p, mask), ...);
}

__attribute__((target("sha,sse4.1,ssse3"))) void CompressShaNi(uint32_t h[5], const uint8_t* p,
                                                                std::size_t blocks) noexcept
{
    const __m128i mask = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h)), 0x1B);
    __m128i e0 = _mm_set_epi32(static_cast<int>(h[4]), 0, 0, 0);
    for (; blocks > 0; --blocks, p += 64) {
        const __m128i abcdStart = abcd, eStart = e0;
        __m128i w[4];
        __m128i eSaved = e0;
        ShaBlock(abcd, e0, eSaved, w, p, mask, std::make_index_sequence<20>{});
        e0 = _mm_sha1nexte_epu32(eSaved, eStart);
        abcd = _mm_add_epi32(abcd, abcdStart);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(h), _mm_shuffle_epi32(abcd, 0x1B));
    h[4] = static_cast<uint32_t>(_mm_extract_epi32(e0, 3));
}
#endif

void Compress(uint32_t h[5], const uint8_t* p, std::size_t blocks) noexcept
{
#if PYX_DSTRUCT_X86
    if (kHasShaNi) {
        CompressShaNi(h, p, blocks);
        return;
    }
#endif
    CompressPortable(h, p, blocks);
}

} // namespace

void TSHA1::Reset() noexcept
{
    h_[0] = 0x67452301;
    h_[1] = 0xEFCDAB89;
    h_[2] = 0x98BADCFE;
    h_[3] = 0x10325476;
    h_[4] = 0xC3D2E1F0;
    total_ = 0;
    fill_ = 0;
}

void TSHA1::Update(const void* Data, std::size_t Length) noexcept
{
    const uint8_t* p = static_cast<const uint8_t*>(Data);
    total_ += Length;
    if (fill_ > 0) {
        std::size_t take = std::min(Length, 64 - fill_);
        std::memcpy(block_ + fill_, p, take);
        fill_ += take;
        p += take;
        Length -= take;
        if (fill_ < 64) return;
        Compress(h_, block_, 1);
        fill_ = 0;
    }
    if (Length >= 64) {
        Compress(h_, p, Length / 64);
        p += Length / 64 * 64;
        Length %= 64;
    }
    if (Length > 0) {
        std::memcpy(block_, p, Length);
        fill_ = Length;
    }
}

TSHA1Digest TSHA1::Final() noexcept
{
    const uint64_t bits = total_ * 8;
    uint8_t pad[72] = {0x80};
    std::size_t padLen = (fill_ < 56 ? 56 : 120) - fill_;
    uint8_t len[8];
    for (int i = 0; i < 8; ++i) len[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    const uint64_t keep = total_;
    Update(pad, padLen);
    Update(len, 8);
    total_ = keep;
    TSHA1Digest d{};
    for (int i = 0; i < 5; ++i) {
        d[4 * i] = static_cast<uint8_t>(h_[i] >> 24);
        d[4 * i + 1] = static_cast<uint8_t>(h_[i] >> 16);
        d[4 * i + 2] = static_cast<uint8_t>(h_[i] >> 8);
        d[4 * i + 3] = static_cast<uint8_t>(h_[i]);
    }
    Reset();
    return d;
}

TSHA1Digest SHA1FromBuffer(const void* Data, std::size_t Length) noexcept
{
    TSHA1 s;
    s.Update(Data, Length);
    return s.Final();
}

TSHA1Digest SHA1FromString(const std::string& S) noexcept { return SHA1FromBuffer(S.data(), S.size()); }

std::string SHA1DigestToHex(const TSHA1Digest& Digest)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string s(40, '0');
    for (std::size_t i = 0; i < 20; ++i) {
        s[2 * i] = hex[Digest[i] >> 4];
        s[2 * i + 1] = hex[Digest[i] & 15];
    }
    return s;
}

} // namespace PYX_dstruct
