// The number scanners and the line readers on arbitrary bytes. The first
// byte picks the options. Buffered and unbuffered streams must give the same
// results and positions; floats stay finite within the double range.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "corekit/PYX_streams.h"
#include "corekit/PYX_univconst.h"

#include "fuzz_memfile.h"

namespace {

using namespace PYX_streams;

void Check(bool ok)
{
    if (!ok) std::abort();
}

// A stream that offers no buffer, so the readers take their byte path.
class PlainStream : public vcl::TStream {
public:
    explicit PlainStream(std::string_view s) : m_(s) {}
    int64_t Read(void* b, int64_t n) override { return m_.Read(b, n); }
    int64_t Write(const void* b, int64_t n) override { return m_.Write(b, n); }
    int64_t Seek(int64_t o, vcl::TSeekOrigin w) override { return m_.Seek(o, w); }
    void SetSize(int64_t n) override { m_.SetSize(n); }

private:
    vcl::TStringStream m_;
};

bool InDoubleRange(double v)
{
    return std::isfinite(v) && std::fabs(v) <= static_cast<double>(PYX_univconst::uc_MaxDouble);
}


} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const uint8_t opt = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const bool allowExp = opt & 1;
    const int decSep = (opt >> 1) & 3;
    const int mode = (opt >> 3) % 6;

    // Stream scanners, alternating along the input.
    {
        vcl::TStringStream a(bytes);
        PlainStream b(bytes);
        for (size_t guard = 0; guard <= bytes.size() + 1; ++guard) {
            const int64_t before = a.Position();
            const int kind = static_cast<int>((guard + opt) % 3);
            if (kind == 0) {
                const double v1 = ScanStreamFPNum(a, allowExp, decSep);
                const double v2 = ScanStreamFPNum(b, allowExp, decSep);
                Check(InDoubleRange(v1) && (v1 == v2 || (std::isnan(v1) && std::isnan(v2))));
                // A number that stops on a byte leaves it there: skip it.
                if (a.Position() == before) { a.ReadByte(); b.ReadByte(); }
            } else if (kind == 1) {
                Check(ScanStreamDecimal(a) == ScanStreamDecimal(b));
            } else {
                bool e1 = false, e2 = false;
                const std::string l1 = ReadLnStream(a, e1, mode);
                const std::string l2 = ReadLnStream(b, e2, mode);
                Check(l1 == l2 && e1 == e2);
                for (unsigned char c : l1) Check(c >= 32 || c == 9);
            }
            Check(a.Position() == b.Position());
            if (a.Position() >= a.Size()) break;
        }
    }

    // Line counting and delimiters.
    {
        vcl::TStringStream a(bytes);
        Check(CountLinesInStream(a) == std::count(bytes.begin(), bytes.end(), '\n'));
        vcl::TStringStream s(bytes);
        int status = 0;
        const std::string delim(bytes.substr(0, std::min<size_t>(bytes.size(), opt % 5)));
        const std::string text = ReadStreamUntil(s, delim.empty() ? std::string_view("x") : delim, status);
        Check(bytes.substr(0, text.size()) == text);
        Check(s.Position() == static_cast<int64_t>(text.size()));
    }

    // String scanners from every position.
    for (int32_t start = 0; start <= static_cast<int32_t>(bytes.size()) + 1; ++start) {
        int32_t p = start;
        ScanDecimal(bytes, p);
        Check(p >= 1 && p <= static_cast<int32_t>(bytes.size()) + 2);
        p = start;
        ScanHex(bytes, p);
        Check(p >= 1 && p <= static_cast<int32_t>(bytes.size()) + 2);
        p = start;
        const vcl::Extended v = ScanFPNum(bytes, allowExp, decSep, p);
        Check(InDoubleRange(static_cast<double>(v)));
        Check(p >= 1 && p <= static_cast<int32_t>(bytes.size()) + 2);
        if (start > 64) break; // the rest repeats the same paths
    }

    // The text file readers.
    {
        const MemFile mem(bytes);
        vcl::TTextFile f(mem.Path());
        f.Reset();
        // Bounded: every malformed number costs an exception.
        for (size_t guard = 0; guard < 256 && !f.Eof(); ++guard) {
            try {
                switch ((guard + opt) % 5) {
                case 0: f.ReadLn(); break;
                case 1: f.ReadInteger(); break;
                case 2: Check(!std::isnan(f.ReadReal())); break;
                case 3: f.ReadWord(); break;
                default: f.ReadChar(); break;
                }
            } catch (const vcl::EInOutError&) {
                // Malformed numbers are reported; the word has been consumed.
            }
        }
    }
    return 0;
}
