// HTML templates and helpers on arbitrary text: a handler that leaves every
// tag alone must reproduce the template exactly, and the URL and entity
// conversions must round-trip.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "corekit/PYX_htmlsupport.h"

using namespace PYX_htmlsupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    THtmlProducer p(nullptr);
    p.SetTemplate(text);
    std::size_t tags = 0;
    p.OnHTMLTag = [&tags](vcl::TObject*, const std::string& name, const std::string&, std::string& replacement) {
        ++tags;
        if (replacement.size() < 2 || replacement.compare(0, 2, "<#") != 0) std::abort();
        if (name.find(' ') != std::string::npos) std::abort();
    };
    std::string out;
    p.Convert(out);
    if (out != text) std::abort();

    // Replacing every tag by its lower-cased name keeps the text outside tags.
    p.OnHTMLTag = [](vcl::TObject*, const std::string& name, const std::string&, std::string& replacement) {
        replacement = name;
    };
    p.Convert(out);
    if (tags == 0 && out != text) std::abort();
    if (p.ConvertedHTMLAsStream()->Size() != static_cast<int64_t>(out.size())) std::abort();

    bool inTag = false;
    if (CountWordsHTML(text, size % 2 == 0, inTag) < 0) std::abort();
    (void)ExtractHTTPPath(text);
    if (URLDecode(URLEncode(text)) != text) std::abort();
    if (ResolveHTMLEntities(MakeStringHTMLCompatible(text)) != text) std::abort();
    (void)URLDecode(text);
    (void)ResolveHTMLEntities(text);
    return 0;
}
