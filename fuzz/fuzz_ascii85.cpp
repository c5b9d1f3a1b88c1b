// Base-85 decoding of arbitrary text, in memory and through streams; what
// decodes cleanly must encode and decode back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "corekit/PYX_dstruct.h"
#include "vcl/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string decoded;
    const int r = PYX_dstruct::DecodeASCII85(text, decoded);
    if (r != 0 && r != -1 && r != -2) std::abort();

    vcl::TStringStream src(text), dst;
    if (PYX_dstruct::DecodeASCII85(src, dst) != r || dst.DataString() != decoded) std::abort();

    // Any bytes survive a round trip.
    std::string again;
    if (PYX_dstruct::DecodeASCII85(PYX_dstruct::EncodeASCII85(text), again) != 0 || again != text) std::abort();
    return 0;
}
