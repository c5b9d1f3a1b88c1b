// The byte FIFO and the run-length coder.
#include <algorithm>
#include <cstring>
#include <new>

#include "corekit/PYX_dstruct.h"

namespace PYX_dstruct {

// ---------------------------------------------------------------------------
// TFifo

TFifo::TFifo(vcl::TComponent* AOwner) : vcl::TComponent(AOwner)
{
    try {
        buf_.assign(256, 0);
    } catch (const std::bad_alloc&) {
        throw EPYXDStructError("Component \"" + GetName() + "\": FIFO structure too large");
    }
}

void TFifo::SetSize(int32_t NewSize)
{
    if (NewSize < 2 || NewSize == GetSize()) return;
    std::vector<uint8_t> fresh;
    try {
        fresh.assign(static_cast<std::size_t>(NewSize), 0);
    } catch (const std::bad_alloc&) {
        throw EPYXDStructError("Component \"" + GetName() + "\": FIFO structure too large");
    }
    // Keep the newest bytes that fit, oldest first from index 0.
    int32_t held = CountBytes();
    int32_t keep = std::min(held, NewSize - 1);
    int32_t skip = held - keep;
    for (int32_t i = 0; i < keep; ++i) SenseByte(skip + i, fresh[static_cast<std::size_t>(i)]);
    buf_.swap(fresh);
    rd_ = 0;
    wr_ = keep;
}

int32_t TFifo::CountBytes() const noexcept
{
    const int32_t n = GetSize();
    return (wr_ - rd_ + n) % n;
}

bool TFifo::PutByte(uint8_t b) noexcept
{
    const int32_t n = GetSize();
    const int32_t next = (wr_ + 1) % n;
    if (next == rd_) return false;
    buf_[static_cast<std::size_t>(wr_)] = b;
    wr_ = next;
    return true;
}

bool TFifo::ForceByte(uint8_t b) noexcept
{
    const int32_t n = GetSize();
    bool dropped = false;
    if ((wr_ + 1) % n == rd_) {
        rd_ = (rd_ + 1) % n;
        dropped = true;
    }
    PutByte(b);
    return dropped;
}

bool TFifo::GetByte(uint8_t& b) noexcept
{
    if (rd_ == wr_) return false;
    b = buf_[static_cast<std::size_t>(rd_)];
    rd_ = (rd_ + 1) % GetSize();
    return true;
}

bool TFifo::LoadBack(uint8_t b) noexcept
{
    const int32_t n = GetSize();
    if ((wr_ + 1) % n == rd_) return false;
    rd_ = (rd_ - 1 + n) % n;
    buf_[static_cast<std::size_t>(rd_)] = b;
    return true;
}

bool TFifo::SenseByte(int32_t i, uint8_t& b) const noexcept
{
    if (i < 0 || i >= CountBytes()) return false;
    b = buf_[static_cast<std::size_t>((static_cast<int64_t>(rd_) + i) % GetSize())];
    return true;
}

// ---------------------------------------------------------------------------
// TRLEncoder

TRLEncoder::TRLEncoder(vcl::TComponent* AOwner) : vcl::TComponent(AOwner)
{
    try {
        buf_.reserve(4 * static_cast<std::size_t>(bufLeng_));
    } catch (const std::bad_alloc&) {
        throw EPYXDStructError(PYX_pyxbase::OutOfMemoryMessage(GetName()));
    }
}

// The buffer grows as needed; bytes already in it are kept.
void TRLEncoder::SetBufLeng(int32_t n)
{
    if (n < 1 || n == bufLeng_) return;
    try {
        buf_.reserve(4 * static_cast<std::size_t>(n));
    } catch (const std::bad_alloc&) {
        throw EPYXDStructError(PYX_pyxbase::OutOfMemoryMessage(GetName()));
    } catch (const std::length_error&) {
        throw EPYXDStructError(PYX_pyxbase::OutOfMemoryMessage(GetName()));
    }
    bufLeng_ = n;
}

void TRLEncoder::FlushRun()
{
    const uint8_t r = runByte_;
    if (runLen_ == 1 && r != LeadIn) {
        buf_.push_back(r);
    } else if (runLen_ == 2 && r != LeadIn) {
        buf_.push_back(r);
        buf_.push_back(r);
    } else if (runLen_ > 0) {
        buf_.push_back(LeadIn);
        buf_.push_back(static_cast<uint8_t>(runLen_));
        buf_.push_back(r);
    }
    runLen_ = 0;
}

bool TRLEncoder::Encode(const uint8_t* Data, int32_t Count)
{
    for (int32_t i = 0; i < Count; ++i) {
        const uint8_t a = Data[i];
        if (runLen_ == 0) {
            runByte_ = a;
            runLen_ = 1;
        } else if (a == runByte_) {
            if (++runLen_ == 255) {
                buf_.push_back(LeadIn);
                buf_.push_back(255);
                buf_.push_back(runByte_);
                runLen_ = 0;
            }
        } else {
            FlushRun();
            runByte_ = a;
            runLen_ = 1;
        }
    }
    return GetFill() >= bufLeng_;
}

bool TRLEncoder::Decode(uint8_t b)
{
    switch (state_) {
    case rlData:
        if (b == LeadIn)
            state_ = rlLeadin;
        else
            buf_.push_back(b);
        break;
    case rlLeadin:
        decCount_ = b;
        state_ = rlCnt;
        break;
    case rlCnt:
        buf_.insert(buf_.end(), decCount_, b);
        state_ = rlData;
        break;
    }
    return GetFill() >= bufLeng_;
}

void TRLEncoder::GetResult(uint8_t* Dest)
{
    if (GetFill() < bufLeng_) return;
    std::memcpy(Dest, buf_.data(), static_cast<std::size_t>(bufLeng_));
    buf_.erase(buf_.begin(), buf_.begin() + bufLeng_);
}

// Writes the pending run as a three-byte run (also a run of one or two), then
// copies out at most BufLeng bytes; call it until it returns less than BufLeng.
int32_t TRLEncoder::Finish(uint8_t* Dest)
{
    if (runLen_ > 0) {
        buf_.push_back(LeadIn);
        buf_.push_back(static_cast<uint8_t>(runLen_));
        buf_.push_back(runByte_);
        runLen_ = 0;
    }
    const int32_t n = std::min(GetFill(), bufLeng_);
    if (n > 0) {
        std::memcpy(Dest, buf_.data(), static_cast<std::size_t>(n));
        buf_.erase(buf_.begin(), buf_.begin() + n);
    }
    return n;
}

void TRLEncoder::Reset() noexcept
{
    buf_.clear();
    state_ = rlData;
    decCount_ = 0;
    runLen_ = 0;
    runByte_ = 0;
}

} // namespace PYX_dstruct
