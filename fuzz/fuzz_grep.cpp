// The pattern compiler and the matcher: any pattern, subject and settings
// must compile to a bounded token table, and a search must end within the
// cost bound and report a match inside the subject.
//
// Input: one byte of settings (bit 0 ignore case, bits 1..7 the search start
// position), then the pattern up to the first line feed, then the subject.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "corekit/PYX_stringl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const uint8_t settings = data[0];
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t lf = rest.find('\n');
    const std::string pattern = rest.substr(0, lf);
    const std::string subject = lf == std::string::npos ? std::string() : rest.substr(lf + 1);

    PYX_stringl::TGrep g(nullptr);
    g.SetStopOnError(false);
    g.SetIgnoreCase(settings & 1);
    g.SetRegExp(pattern);
    if (g.GetNumTokens() > PYX_stringl::TGrep::MaxTokens) std::abort();
    if (g.GetErrorCode() < 0 || g.GetErrorCode() > PYX_stringl::TGrep::ErrTooLong) std::abort();
    (void)g.RegExpListing();
    for (int32_t i = 0; i <= g.GetNumTokens() + 1; ++i) (void)g.GetRegExpToken(i);

    g.SetSearchStartPos(static_cast<int32_t>(settings >> 1) - 8);
    int32_t pos = 0;
    const bool found = g.MatchString(subject, pos);
    const auto len = static_cast<int64_t>(subject.size());
    if (g.GetMatchSteps() > 4 * (g.GetNumTokens() + 1) * (len + 2)) std::abort();
    if (found) {
        if (pos != g.GetMatchStart() || pos < 1 || pos > len + 1) std::abort();
        if (g.GetMatchEnd() < pos - 1 || g.GetMatchEnd() > len) std::abort();
    } else if (pos != 0) {
        std::abort();
    }
    return 0;
}
