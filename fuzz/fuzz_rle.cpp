// Run-length decoding of arbitrary bytes with the block protocol (take a
// block whenever Decode reports one), then a round trip through the encoder.
// The first input byte chooses the block length.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "corekit/PYX_dstruct.h"

namespace {

void Drain(PYX_dstruct::TRLEncoder& rle, std::vector<uint8_t>& out, int32_t len)
{
    std::vector<uint8_t> block(static_cast<size_t>(len));
    int32_t n;
    do {
        n = rle.Finish(block.data());
        out.insert(out.end(), block.begin(), block.begin() + n);
    } while (n == len);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const int32_t len = 1 + data[0] % 200;
    ++data;
    --size;

    PYX_dstruct::TRLEncoder dec(nullptr);
    dec.SetBufLeng(len);
    std::vector<uint8_t> block(static_cast<size_t>(len)), decoded;
    for (size_t i = 0; i < size; ++i) {
        if (dec.Decode(data[i])) {
            while (dec.GetFill() >= len) {
                dec.GetResult(block.data());
                decoded.insert(decoded.end(), block.begin(), block.end());
            }
        }
    }

    // Encode the input in pieces of at most BufLeng bytes and decode it back.
    PYX_dstruct::TRLEncoder enc(nullptr);
    enc.SetBufLeng(len);
    std::vector<uint8_t> encoded;
    for (size_t i = 0; i < size; i += static_cast<size_t>(len)) {
        size_t n = size - i < static_cast<size_t>(len) ? size - i : static_cast<size_t>(len);
        if (enc.Encode(data + i, static_cast<int32_t>(n))) {
            while (enc.GetFill() >= len) {
                enc.GetResult(block.data());
                encoded.insert(encoded.end(), block.begin(), block.end());
            }
        }
    }
    Drain(enc, encoded, len);
    PYX_dstruct::TRLEncoder back(nullptr);
    back.SetBufLeng(len);
    std::vector<uint8_t> round;
    for (uint8_t b : encoded) {
        back.Decode(b);
        while (back.GetFill() >= len) {
            back.GetResult(block.data());
            round.insert(round.end(), block.begin(), block.end());
        }
    }
    Drain(back, round, len);
    if (round != std::vector<uint8_t>(data, data + size)) std::abort();
    return 0;
}
