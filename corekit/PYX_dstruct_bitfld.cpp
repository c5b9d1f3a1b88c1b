// Bit fields and byte matrices.
#include <algorithm>
#include <bit>
#include <cmath>
#include <new>

#include "corekit/PYX_dstruct.h"

namespace PYX_dstruct {

namespace {

[[noreturn]] void OutOfMemory(const vcl::TComponent& c)
{
    throw EPYXDStructError(PYX_pyxbase::OutOfMemoryMessage(c.GetName()));
}

uint64_t Combine(uint64_t a, uint64_t b, TLogicOp op) noexcept
{
    switch (op) {
    case loAND: return a & b;
    case loOR: return a | b;
    case loXOR: return a ^ b;
    case loANDNot: return a & ~b;
    case loORNot: return a | ~b;
    case loXORNot: return a ^ ~b;
    }
    return a;
}

} // namespace

// ---------------------------------------------------------------------------
// TBitFld

TBitFld::TBitFld(vcl::TComponent* AOwner) : vcl::TComponent(AOwner)
{
    SetSize(1000);
}

void TBitFld::SetSize(int32_t NewSize)
{
    if (NewSize <= 0 || NewSize == size_) return;
    const std::size_t bytes = static_cast<std::size_t>(NewSize) / 8 + 2;
    try {
        words_.resize((bytes + 7) / 8, 0);
    } catch (const std::bad_alloc&) {
        OutOfMemory(*this);
    } catch (const std::length_error&) {
        OutOfMemory(*this);
    }
    byteCount_ = bytes;
    size_ = NewSize;
    MaskTail(); // a smaller field forgets the bits it no longer holds
}

// Clears every bit above Size, so that whole-word operations never leave bits
// that a later growth would expose.
void TBitFld::MaskTail() noexcept
{
    const std::size_t lastWord = static_cast<std::size_t>(size_) / 64;
    const unsigned used = static_cast<unsigned>(size_ % 64) + 1; // bits 0..size_ of that word
    if (used < 64) words_[lastWord] &= (uint64_t{1} << used) - 1;
    for (std::size_t i = lastWord + 1; i < words_.size(); ++i) words_[i] = 0;
}

void TBitFld::SetBit(int32_t n, bool Value) noexcept
{
    if (n < 0 || n > size_) return;
    const uint64_t m = uint64_t{1} << (n % 64);
    if (Value)
        words_[static_cast<std::size_t>(n) / 64] |= m;
    else
        words_[static_cast<std::size_t>(n) / 64] &= ~m;
}

void TBitFld::ToggleBit(int32_t n) noexcept
{
    if (n < 0 || n > size_) return;
    words_[static_cast<std::size_t>(n) / 64] ^= uint64_t{1} << (n % 64);
}

bool TBitFld::GetBit(int32_t n) const noexcept
{
    if (n < 0 || n > size_) return false;
    return (words_[static_cast<std::size_t>(n) / 64] >> (n % 64)) & 1;
}

void TBitFld::Clear() noexcept { std::fill(words_.begin(), words_.end(), 0); }

void TBitFld::Invert() noexcept
{
    for (auto& w : words_) w = ~w;
    MaskTail();
}

int32_t TBitFld::CountTrueBits() const noexcept
{
    int64_t n = 0;
    for (uint64_t w : words_) n += std::popcount(w);
    return static_cast<int32_t>(n);
}

int32_t TBitFld::FirstTrueBit() const noexcept
{
    for (std::size_t i = 0; i < words_.size(); ++i)
        if (words_[i] != 0) return static_cast<int32_t>(i * 64 + static_cast<std::size_t>(std::countr_zero(words_[i])));
    return -1;
}

// Sets n = round(Percent% of Size) bits at random. When that is more than half
// the field, all bits are set and Size - n cleared instead, which leaves n + 1
// of the Size + 1 bits set. Every bit number is drawn with equal probability.
void TBitFld::RandomFill(double Percent)
{
    if (!(Percent > 0)) Percent = 0; // NaN counts as 0
    if (Percent > 100) Percent = 100;
    const int32_t n = vcl::SatRound(Percent / 100.0 * size_);
    const double span = static_cast<double>(size_) + 1.0;
    auto draw = [&]() {
        int32_t r = vcl::SatTrunc(std::floor(vcl::Random() * span));
        return std::min(r, size_);
    };
    if (n > size_ / 2) {
        std::fill(words_.begin(), words_.end(), ~uint64_t{0});
        MaskTail();
        for (int32_t cleared = 0; cleared < size_ - n;) {
            int32_t r = draw();
            if (GetBit(r)) {
                SetBit(r, false);
                ++cleared;
            }
        }
    } else {
        Clear();
        for (int32_t set = 0; set < n;) {
            int32_t r = draw();
            if (!GetBit(r)) {
                SetBit(r, true);
                ++set;
            }
        }
    }
}

void TBitFld::CombineWith(const TBitFld& Other, TLogicOp Op) noexcept
{
    if (Other.size_ != size_) return;
    for (std::size_t i = 0; i < words_.size(); ++i) words_[i] = Combine(words_[i], Other.words_[i], Op);
    MaskTail();
}

// ---------------------------------------------------------------------------
// TByteMatrix

TByteMatrix::TByteMatrix(vcl::TComponent* AOwner) : vcl::TComponent(AOwner)
{
    try {
        data_.assign(1, 0);
    } catch (const std::bad_alloc&) {
        OutOfMemory(*this);
    }
}

void TByteMatrix::Changed()
{
    if (OnChange) OnChange(this);
}

bool TByteMatrix::Resize(int32_t Cols, int32_t Rows)
{
    if ((Cols == cols_ && Rows == rows_) || Cols <= 0 || Rows <= 0) return false;
    std::vector<uint8_t> fresh;
    try {
        fresh.assign(static_cast<std::size_t>(Cols) * static_cast<std::size_t>(Rows), 0);
    } catch (const std::bad_alloc&) {
        OutOfMemory(*this);
    } catch (const std::length_error&) {
        OutOfMemory(*this);
    }
    const int32_t keepC = std::min(Cols, cols_), keepR = std::min(Rows, rows_);
    for (int32_t r = 0; r < keepR; ++r)
        std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(r) * static_cast<std::size_t>(cols_)),
                    keepC, fresh.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(r) * static_cast<std::size_t>(Cols)));
    data_.swap(fresh);
    cols_ = Cols;
    rows_ = Rows;
    Changed();
    return true;
}

void TByteMatrix::SetNrOfColumns(int32_t n) { Resize(std::max(n, 1), rows_); }
void TByteMatrix::SetNrOfRows(int32_t n) { Resize(cols_, std::max(n, 1)); }

void TByteMatrix::SetByte(int32_t c, int32_t r, uint8_t b)
{
    if (!InRange(c, r)) return;
    data_[Index(c, r)] = b;
    Changed();
}

uint8_t TByteMatrix::GetByte(int32_t c, int32_t r) const noexcept
{
    return InRange(c, r) ? data_[Index(c, r)] : 0;
}

void TByteMatrix::SetBit(int32_t c, int32_t r, int32_t BitNr, bool Value)
{
    if (!InRange(c, r) || BitNr < 0 || BitNr > 7) return;
    uint8_t& b = data_[Index(c, r)];
    b = Value ? static_cast<uint8_t>(b | (1u << BitNr)) : static_cast<uint8_t>(b & ~(1u << BitNr));
    Changed();
}

void TByteMatrix::ToggleBit(int32_t c, int32_t r, int32_t BitNr)
{
    if (!InRange(c, r) || BitNr < 0 || BitNr > 7) return;
    data_[Index(c, r)] ^= static_cast<uint8_t>(1u << BitNr);
    Changed();
}

bool TByteMatrix::GetBit(int32_t c, int32_t r, int32_t BitNr) const noexcept
{
    if (!InRange(c, r) || BitNr < 0 || BitNr > 7) return false;
    return (data_[Index(c, r)] >> BitNr) & 1;
}

void TByteMatrix::Fill(uint8_t b)
{
    std::fill(data_.begin(), data_.end(), b);
    Changed();
}

void TByteMatrix::CombineWith(const TByteMatrix& Other, TLogicOp Op) noexcept
{
    if (Other.cols_ != cols_ || Other.rows_ != rows_) return;
    for (std::size_t i = 0; i < data_.size(); ++i)
        data_[i] = static_cast<uint8_t>(Combine(data_[i], Other.data_[i], Op));
}

} // namespace PYX_dstruct
