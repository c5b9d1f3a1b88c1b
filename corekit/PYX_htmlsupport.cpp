// HTML templates, the HTML word counter, URL helpers and character entities.
#include "corekit/PYX_htmlsupport.h"

#include <cstdio>

#include "corekit/PYX_stringl.h"
#include "vcl/Cp1252.h"
#include "vcl/TextFile.h"

namespace PYX_htmlsupport {

namespace {

bool IsTagBlank(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view TrimBlanks(std::string_view s) noexcept
{
    while (!s.empty() && IsTagBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsTagBlank(s.back())) s.remove_suffix(1);
    return s;
}

int HexValue(char c) noexcept
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

// ---------------------------------------------------------------------------
// THtmlProducer

THtmlProducer::THtmlProducer(vcl::TComponent* AOwner) : vcl::TComponent(AOwner) {}

THtmlProducer::~THtmlProducer() = default;

bool THtmlProducer::ReadTemplateFromFile(const std::string& FileName)
{
    try {
        vcl::TTextFile f;
        f.Assign(FileName);
        f.Reset();
        std::string text;
        while (!f.Eof()) {
            text += f.ReadLn();
            text += "\r\n";
        }
        f.Close();
        template_ = std::move(text);
        return true;
    } catch (const vcl::EInOutError&) {
        return false;
    }
}

void THtmlProducer::ReadTemplateFromStream(vcl::TStream& Stream)
{
    Stream.SetPosition(0);
    std::string text;
    char buf[65536];
    for (;;) {
        const int64_t n = Stream.Read(buf, sizeof buf);
        if (n <= 0) break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    template_ = std::move(text);
}

void THtmlProducer::Convert(std::string& Output)
{
    const std::string& t = template_;
    const std::size_t n = t.size();
    std::string out;
    out.reserve(n);
    scanPos_ = 0;
    while (scanPos_ < n) {
        const std::size_t lt = t.find('<', scanPos_);
        if (lt == std::string::npos) {
            out.append(t, scanPos_, std::string::npos);
            break;
        }
        out.append(t, scanPos_, lt - scanPos_);
        if (lt + 1 >= n || t[lt + 1] != '#') {
            out.push_back('<');
            scanPos_ = lt + 1;
            continue;
        }
        // A special tag runs to the next ">" or to the end of the template.
        const std::size_t gt = t.find('>', lt + 2);
        const std::size_t innerEnd = gt == std::string::npos ? n : gt;
        const std::size_t tagEnd = gt == std::string::npos ? n : gt + 1;
        const std::string_view inner = std::string_view(t).substr(lt + 2, innerEnd - (lt + 2));
        std::size_t blank = 0;
        while (blank < inner.size() && !IsTagBlank(inner[blank])) ++blank;
        const std::string name = vcl::AnsiLowerCase(std::string(inner.substr(0, blank)));
        const std::string params(TrimBlanks(inner.substr(blank)));
        std::string replacement = t.substr(lt, tagEnd - lt);
        if (OnHTMLTag) OnHTMLTag(this, name, params, replacement);
        out += replacement;
        scanPos_ = tagEnd;
    }
    converted_ = std::move(out);
    Output = converted_;
}

vcl::TMemoryStream* THtmlProducer::ConvertedHTMLAsStream()
{
    std::string text;
    Convert(text);
    auto s = std::make_unique<vcl::TMemoryStream>();
    s->WriteBuffer(text);
    s->SetPosition(0);
    stream_ = std::move(s);
    return stream_.get();
}

bool THtmlProducer::WriteConvertedHTMLToFile(const std::string& FileName)
{
    std::string text;
    Convert(text);
    try {
        vcl::TFileStream f(FileName, vcl::fmCreate);
        f.WriteBuffer(text);
        f.Flush();
        return true;
    } catch (const vcl::EInOutError&) {
        return false;
    }
}

// ---------------------------------------------------------------------------
// Free functions

int32_t CountWordsHTML(std::string_view Text, bool IgnoreNumbers, bool& InTag)
{
    const auto& seps = PYX_stringl::WordSeps;
    int32_t words = 0;
    std::size_t run = 0;
    bool digitStart = false;
    auto endRun = [&] {
        if (run >= 2 && !(IgnoreNumbers && digitStart)) ++words;
        run = 0;
    };
    for (char ch : Text) {
        const auto c = static_cast<unsigned char>(ch);
        if (InTag) {
            if (c == '>') InTag = false;
            continue; // the '>' ends nothing: a tag has already ended the run
        }
        if (c == '<') {
            // A tag separates words like a separator does.
            endRun();
            InTag = true;
            continue;
        }
        if (seps.test(c)) {
            endRun();
            continue;
        }
        if (run == 0) digitStart = c >= '0' && c <= '9';
        ++run;
    }
    // A word at the very end of the text counts too (the text may be one line
    // of many); inside a tag there is no open run.
    endRun();
    return words;
}

std::string ExtractHTTPPath(std::string_view URL)
{
    const std::string lower = vcl::AsciiLowerCase(std::string(URL));
    std::size_t from = 0;
    for (std::string_view prefix : {std::string_view("http://"), std::string_view("https://")}) {
        const std::size_t p = lower.find(prefix);
        if (p != std::string::npos) {
            from = p + prefix.size();
            break;
        }
    }
    const std::string_view rest = URL.substr(from);
    const std::size_t slash = rest.rfind('/');
    if (slash == std::string_view::npos) return std::string();
    return std::string(rest.substr(0, slash + 1));
}

std::string URLEncode(std::string_view Text)
{
    static constexpr std::string_view kReserved = "!*();:@&=+$,/?%#[] \"<>\\^`{|}";
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(Text.size());
    for (char ch : Text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c >= 0x7F || kReserved.find(ch) != std::string_view::npos) {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

std::string URLDecode(std::string_view Text)
{
    // Decoded once: a second pass would turn an encoded "%" back into an
    // escape ("%2541" must give "%41", not "A").
    std::string out;
    out.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == '%' && i + 2 < Text.size() && HexValue(Text[i + 1]) >= 0 && HexValue(Text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(Text[i + 1]) * 16 + HexValue(Text[i + 2])));
            i += 2;
        } else {
            out.push_back(Text[i]);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------
// Entities

std::string AnsiToHTMLEntity(char C)
{
    const auto c = static_cast<unsigned char>(C);
    switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    default: break;
    }
    const std::string_view e = PYX_pyxbase::HTMLLat1Entities[c];
    return e.empty() ? std::string(1, C) : std::string(e);
}

char HTMLEntityToAnsi(std::string_view Entity)
{
    if (Entity.size() < 2 || Entity.front() != '&') return 0;
    std::string_view body = Entity.substr(1);
    if (!body.empty() && body.back() == ';') body.remove_suffix(1);
    if (body.empty()) return 0;
    if (body.front() == '#') {
        body.remove_prefix(1);
        int base = 10;
        if (!body.empty() && (body.front() == 'x' || body.front() == 'X')) {
            base = 16;
            body.remove_prefix(1);
        }
        if (body.empty() || body.size() > 7) return 0;
        uint32_t v = 0;
        for (char c : body) {
            const int d = HexValue(c);
            if (d < 0 || d >= base) return 0;
            v = v * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
        }
        if (v == 0) return 0;
        const int b = vcl::UnicodeToCp1252(static_cast<char32_t>(v));
        return b <= 0 ? 0 : static_cast<char>(b);
    }
    if (body == "amp") return '&';
    if (body == "lt") return '<';
    if (body == "gt") return '>';
    if (body == "quot") return '"';
    for (int c = 160; c <= 255; ++c) {
        std::string_view e = PYX_pyxbase::HTMLLat1Entities[c];
        if (e.size() >= 3 && e.substr(1, e.size() - 2) == body) return static_cast<char>(c);
    }
    return 0;
}

std::string MakeStringHTMLCompatible(std::string_view S)
{
    std::string out;
    out.reserve(S.size());
    for (char c : S) {
        const auto u = static_cast<unsigned char>(c);
        if (u == '&' || u == '<' || u == '>' || u == '"' || u >= 160)
            out += AnsiToHTMLEntity(c);
        else
            out.push_back(c);
    }
    return out;
}

std::string ResolveHTMLEntities(std::string_view S)
{
    std::string out;
    out.reserve(S.size());
    std::size_t i = 0;
    while (i < S.size()) {
        if (S[i] == '&') {
            const std::size_t semi = S.find(';', i + 1);
            // Entity names are short; a far-away ";" belongs to other text.
            if (semi != std::string_view::npos && semi - i <= 10) {
                const char c = HTMLEntityToAnsi(S.substr(i, semi - i + 1));
                if (c != 0) {
                    out.push_back(c);
                    i = semi + 1;
                    continue;
                }
            }
        }
        out.push_back(S[i]);
        ++i;
    }
    return out;
}

} // namespace PYX_htmlsupport
