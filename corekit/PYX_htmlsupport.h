// HTML support: a template filler that replaces special tags of the form
// <#name parameters> through a callback, a word counter for HTML text, URL
// path extraction, percent-encoding, and Latin-1 character entities.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "corekit/PYX_pyxbase.h"
#include "vcl/Classes.h"
#include "vcl/Streams.h"

namespace PYX_htmlsupport {

// Called for each special tag. TagName is in lower case, Params is the text
// after the name without surrounding blanks. Replacement arrives holding the
// whole tag text and is put into the output in its place.
using TOnHTMLTagEvent = std::function<void(vcl::TObject* Sender, const std::string& TagName,
                                           const std::string& Params, std::string& Replacement)>;

class THtmlProducer : public vcl::TComponent {
public:
    explicit THtmlProducer(vcl::TComponent* AOwner);
    ~THtmlProducer() override;

    const std::string& GetTemplate() const noexcept { return template_; }
    void SetTemplate(const std::string& Text) { template_ = Text; }
    // The template becomes the file's lines, each followed by CR LF. False,
    // with the template unchanged, when the file cannot be read.
    bool ReadTemplateFromFile(const std::string& FileName);
    // The template becomes the stream's whole content, read from position 0.
    void ReadTemplateFromStream(vcl::TStream& Stream);

    // Converts the template; the result is kept (GetConvertedHTML) and returned.
    void Convert(std::string& Output);
    const std::string& GetConvertedHTML() const noexcept { return converted_; }
    // Converts the template into a memory stream positioned at 0. The stream
    // belongs to the producer and stays valid until the next call or the
    // producer's destruction.
    vcl::TMemoryStream* ConvertedHTMLAsStream();
    // Converts the template and writes it to the file (created or
    // overwritten) with no line end added; false when writing fails.
    bool WriteConvertedHTMLToFile(const std::string& FileName);

    TOnHTMLTagEvent OnHTMLTag;

private:
    std::string template_;
    std::string converted_;
    std::size_t scanPos_ = 0;
    std::unique_ptr<vcl::TMemoryStream> stream_;
};

// Number of words outside tags: runs of two or more characters outside the
// string library's WordSeps, a run at the end of Text included. InTag carries
// the inside-a-tag state from one call to the next (for counting line by
// line). With IgnoreNumbers a run that starts with a digit is not counted.
int32_t CountWordsHTML(std::string_view Text, bool IgnoreNumbers, bool& InTag);

// The URL without its "http://" (or "https://") prefix and without what
// follows its last "/". A URL without a "/" after the prefix gives the empty
// string.
std::string ExtractHTTPPath(std::string_view URL);

// Percent-encodes the characters ! * ( ) ; : @ & = + $ , / ? % # [ ] and the
// blank, and also control characters, DEL, bytes from 128 on and
// " < > \ ^ ` { | }, which are never valid in a URL; the apostrophe and all
// other characters are copied.
std::string URLEncode(std::string_view Text);
// Replaces every "%" followed by two hexadecimal digits with that byte, once;
// everything else (also "+") is copied.
std::string URLDecode(std::string_view Text);

// Entities: the HTML 4 Latin-1 names (codes 160..255) and & < > ".
// The entity text ("&eacute;") of a character, or the character itself when it
// has none.
std::string AnsiToHTMLEntity(char C);
// The character of an entity text ("&eacute;", "&#233;", "&#xE9;", with or
// without the final ";"); 0 when the text is not a known entity.
char HTMLEntityToAnsi(std::string_view Entity);
// The string with & < > " and the characters 160..255 written as entities.
std::string MakeStringHTMLCompatible(std::string_view S);
// The reverse: known entities become their characters, everything else stays.
std::string ResolveHTMLEntities(std::string_view S);

} // namespace PYX_htmlsupport
