// The tag reader, the attribute scanner and the XML object reader on
// arbitrary bytes. The stream and text-file readers must agree tag by tag,
// and escaping must survive a round trip.

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "corekit/PYX_streams.h"

#include "fuzz_memfile.h"

namespace {

using namespace PYX_streams;

constexpr std::array<std::string_view, 5> kTags = {"caption", "pos", "/obj", "", "dummy"};


void Check(bool ok)
{
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const MemFile mem(bytes);

    // Tag by tag, stream against text file.
    {
        vcl::TStringStream s(bytes);
        vcl::TTextFile f(mem.Path());
        f.Reset();
        for (size_t guard = 0; guard <= size + 1; ++guard) {
            std::string c1, a1, c2, a2;
            const int64_t before = s.Position();
            const int i1 = ReadNextTagInStream(s, kTags, c1, a1);
            const int i2 = ReadNextTagInTextFile(f, kTags, c2, a2);
            Check(i1 == i2 && c1 == c2 && a1 == a2);
            Check(i1 >= 0 && i1 < static_cast<int>(kTags.size()));
            // Attribute values come back as pieces of the attribute text.
            for (std::string_view name : {"x", "y", "id", ""}) {
                const std::string v = ScanForXMLAttrib(a1, name);
                Check(v.size() <= a1.size());
            }
            if (s.Position() == before) break; // the end of the input
        }
        Check(s.Position() == s.Size());
        Check(f.Eof());
    }

    // The framing reader: find an object and read its body.
    {
        vcl::TTextFile f(mem.Path());
        f.Reset();
        std::string attrs;
        int count = 0;
        while (FindXMLObjectStart(f, "obj", "", &attrs)) {
            int32_t n = 0;
            XMLAttrInt(attrs, "count", n);
            ReadXMLObjectBody(f, "obj", kTags, [&](int ix, const std::string& content, const std::string& a) {
                Check(ix >= 0 && ix < static_cast<int>(kTags.size()));
                double x = 0;
                XMLAttrFloat(a, "x", x);
                uint32_t h = 0;
                XMLAttrHex(a, "h", h);
                (void)XMLUnescape(content);
            });
            if (++count > static_cast<int>(size) + 1) std::abort();
        }
    }

    // Other searches over the same bytes.
    {
        vcl::TStringStream s(bytes);
        std::string content, attrs;
        while (ScanStreamForXMLTag(s, "pos", content, attrs)) {}
        vcl::TStringStream t(bytes);
        int index = 0;
        const std::string text = ReadStreamUntilTagList(t, kTags, index);
        Check(text.size() <= size);
        Check(bytes.substr(0, text.size()) == text);
    }

    // Escaping.
    const std::string input(bytes);
    Check(XMLUnescape(XMLEscape(input)) == input);
    return 0;
}
