// The attribute scanner, the tag readers, the tag-based searches and the
// framing of the library's XML files.
#include <algorithm>
#include <cstring>
#include <functional>

#include "corekit/PYX_streams.h"
#include "corekit/PYX_stringl.h"
#include "corekit/internal/StreamCursor.h"
#include "vcl/Cp1252.h"

namespace PYX_streams {

using detail::StreamCursor;
using detail::TextFileCursor;

namespace {

std::string LowerAscii(std::string_view s)
{
    std::string r(s);
    for (char& c : r) c = static_cast<char>(vcl::AsciiLower(static_cast<unsigned char>(c)));
    return r;
}

// Tag texts written over several lines still split at a line end.
bool IsTagBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view StripBlanks(std::string_view s)
{
    while (!s.empty() && IsTagBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsTagBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view StripSpaces(std::string_view s)
{
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// Consumes bytes up to and including B; the bytes (B included) are appended
// to Out when given. False at the end of the input.
template <class Cur>
bool ReadThrough(Cur& cur, uint8_t B, std::string* Out)
{
    for (;;) {
        const auto view = cur.View();
        if (view.empty()) return false;
        const void* hit = std::memchr(view.data(), B, view.size());
        const size_t n = hit ? static_cast<size_t>(static_cast<const uint8_t*>(hit) - view.data()) + 1 : view.size();
        if (Out) Out->append(reinterpret_cast<const char*>(view.data()), n);
        cur.Advance(n);
        if (hit) return true;
    }
}

int TagIndex(TTagList Tags, const std::string& lname)
{
    for (size_t i = 0; i < Tags.size(); ++i)
        if (Tags[i] == lname) return static_cast<int>(i);
    return static_cast<int>(Tags.size()) - 1;
}

// The tag reader on any cursor. Name receives the tag name as written;
// Found is false when the input ended before a "<".
template <class Cur>
int ReadNextTag(Cur& cur, TTagList Tags, std::string& Content, std::string& Attributes, std::string& Name,
                bool& Found)
{
    Content.clear();
    Attributes.clear();
    Name.clear();
    Found = ReadThrough(cur, '<', nullptr);
    if (Found) {
        std::string tag;
        const bool closed = ReadThrough(cur, '>', &tag);
        const std::string_view t(tag);
        const size_t blank = std::find_if(t.begin(), t.end(), IsTagBlank) - t.begin();
        const size_t emptyEnd = t.find("/>");
        if (emptyEnd != std::string_view::npos) {
            // An empty element: no content.
            if (blank < emptyEnd) {
                Name = t.substr(0, blank);
                Attributes = StripBlanks(t.substr(blank + 1, emptyEnd - blank - 1));
            } else {
                Name = t.substr(0, emptyEnd);
            }
        } else {
            const size_t end = closed ? t.size() - 1 : t.size();
            if (blank < end) {
                Name = t.substr(0, blank);
                Attributes = StripBlanks(t.substr(blank + 1, end - blank - 1));
            } else {
                Name = t.substr(0, end);
            }
            // End tags, comments and declarations have no content; any other
            // start tag owns the text up to its first end tag.
            if (closed && !Name.empty() && Name[0] != '/' && Name[0] != '!' && Name[0] != '?') {
                const std::string closing = "</" + LowerAscii(Name) + ">";
                while (ReadThrough(cur, '>', &Content)) {
                    if (Content.size() >= closing.size()) {
                        bool same = true;
                        const size_t at = Content.size() - closing.size();
                        for (size_t k = 0; k < closing.size() && same; ++k)
                            same = vcl::AsciiLower(static_cast<unsigned char>(Content[at + k])) ==
                                   static_cast<unsigned char>(closing[k]);
                        if (same) {
                            Content.resize(at);
                            break;
                        }
                    }
                }
            }
        }
    }
    if (Tags.empty()) return -1;
    return TagIndex(Tags, LowerAscii(Name));
}

} // namespace

// ---------------------------------------------------------------------------
// Attributes

std::string ScanForXMLAttrib(std::string_view Attributes, std::string_view Name)
{
    enum State { stName, stAfterEq, stQuoted, stPlain };
    const std::string wanted = LowerAscii(StripSpaces(Name));
    size_t i = 0;
    const size_t n = Attributes.size();
    while (i < n) {
        State st = stName;
        std::string name, value;
        bool complete = false;
        for (; i < n && !complete; ++i) {
            const char c = Attributes[i];
            switch (st) {
            case stName:
                if (c == '"') return {};
                if (c == '=') st = stAfterEq;
                else name.push_back(c);
                break;
            case stAfterEq:
                if (c == ' ') break;
                if (c == '"') st = stQuoted;
                else if (c == '=') return {};
                else { st = stPlain; value.push_back(c); }
                break;
            case stQuoted:
                if (c == '"') complete = true;
                else value.push_back(c);
                break;
            case stPlain:
                if (c == ' ' || c == '"') complete = true;
                else if (c == '=') return {};
                else value.push_back(c);
                break;
            }
        }
        if (LowerAscii(StripSpaces(name)) == wanted) return value;
    }
    return {};
}

// ---------------------------------------------------------------------------
// Tag readers

int ReadNextTagInStream(TStream& Stream, TTagList Tags, std::string& Content, std::string& Attributes)
{
    StreamCursor cur(Stream);
    std::string name;
    bool found;
    return ReadNextTag(cur, Tags, Content, Attributes, name, found);
}

int ReadNextTagInTextFile(TTextFile& F, TTagList Tags, std::string& Content, std::string& Attributes)
{
    TextFileCursor cur(F);
    std::string name;
    bool found;
    return ReadNextTag(cur, Tags, Content, Attributes, name, found);
}

bool ScanStreamForXMLTag(TStream& Stream, std::string_view TagName, std::string& Content, std::string& Attributes)
{
    const std::string wanted = LowerAscii(TagName);
    const std::string_view list[2] = {wanted, std::string_view()};
    StreamCursor cur(Stream);
    std::string name;
    bool found = true;
    while (found) {
        if (ReadNextTag(cur, list, Content, Attributes, name, found) == 0 && found) return true;
    }
    Content.clear();
    Attributes.clear();
    return false;
}

std::string ReadStreamUntilTagList(TStream& Stream, TTagList Tags, int& TagIndexOut)
{
    TagIndexOut = -1;
    std::string text;
    for (;;) {
        {
            StreamCursor cur(Stream);
            if (!ReadThrough(cur, '<', &text)) return text;
        }
        // Read the name that follows, then decide whether to stop before the "<".
        std::string name;
        int64_t taken = 0;
        {
            StreamCursor cur(Stream);
            for (;;) {
                const int c = cur.Peek();
                if (c < 0 || c == '>' || c == '<' || IsTagBlank(static_cast<char>(c))) break;
                if (c == '/' && !name.empty()) break;
                name.push_back(static_cast<char>(c));
                cur.Advance(1);
                ++taken;
            }
        }
        const std::string lname = LowerAscii(name);
        for (size_t i = 0; i < Tags.size(); ++i) {
            if (!lname.empty() && Tags[i] == lname) {
                Stream.Seek(-(taken + 1), vcl::soCurrent);
                text.pop_back(); // the "<" belongs to the tag
                TagIndexOut = static_cast<int>(i);
                return text;
            }
        }
        text += name;
    }
}

int32_t ExtractFromStream(TStream& Stream, TMemoryStream& Dest, const std::vector<std::string>& Words)
{
    std::vector<std::string> words;
    for (const auto& w : Words)
        if (!w.empty()) words.push_back(LowerAscii(w));
    int32_t copied = 0;
    bool end = false;
    while (!end) {
        const int64_t before = Stream.GetPosition();
        const std::string line = ReadLnStream(Stream, end, 0);
        if (end && Stream.GetPosition() == before) break;
        const std::string lower = LowerAscii(line);
        for (const auto& w : words) {
            if (lower.find(w) != std::string::npos) {
                WriteLnStream(Dest, line);
                ++copied;
                break;
            }
        }
    }
    return copied;
}

void SearchAndReplace(TMemoryStream& Source, TMemoryStream& Dest, std::string_view Search,
                      std::string_view Replace, bool IgnoreCase, int32_t MaxCount, int32_t& NumReplaced,
                      std::string& LastMatch, const TReplaceCallback& OnMatch)
{
    NumReplaced = 0;
    LastMatch.clear();
    const std::string_view text(reinterpret_cast<const char*>(Source.Memory()), Source.Bytes().size());
    std::string out;
    if (!Search.empty()) {
        const std::string lowerText = IgnoreCase ? LowerAscii(text) : std::string();
        const std::string needle = IgnoreCase ? LowerAscii(Search) : std::string(Search);
        const std::string_view hay = IgnoreCase ? std::string_view(lowerText) : text;
        size_t from = 0;
        while (MaxCount <= 0 || NumReplaced < MaxCount) {
            const size_t hit = hay.find(needle, from);
            if (hit == std::string_view::npos) break;
            out.append(text.substr(from, hit - from));
            LastMatch = std::string(text.substr(hit, needle.size()));
            if (OnMatch) out += OnMatch(LastMatch);
            else out.append(Replace);
            ++NumReplaced;
            from = hit + needle.size();
        }
        out.append(text.substr(from));
    } else {
        out.assign(text);
    }
    Dest.Clear();
    Dest.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
    Source.Seek(0, vcl::soEnd);
}

// ---------------------------------------------------------------------------
// XML framing

std::string XMLEscape(std::string_view S)
{
    std::string r;
    r.reserve(S.size());
    for (char c : S) {
        switch (c) {
        case '&': r += "&amp;"; break;
        case '<': r += "&lt;"; break;
        case '>': r += "&gt;"; break;
        case '"': r += "&quot;"; break;
        default: r.push_back(c);
        }
    }
    return r;
}

namespace {

// Attribute values must stay on the line of their tag: line ends are written
// as character references too.
std::string EscapeAttr(std::string_view S)
{
    std::string r;
    r.reserve(S.size());
    for (char c : S) {
        switch (c) {
        case '&': r += "&amp;"; break;
        case '<': r += "&lt;"; break;
        case '>': r += "&gt;"; break;
        case '"': r += "&quot;"; break;
        case '\r': r += "&#13;"; break;
        case '\n': r += "&#10;"; break;
        default: r.push_back(c);
        }
    }
    return r;
}

} // namespace

std::string XMLUnescape(std::string_view S)
{
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#13;", '\r'}, {"&#10;", '\n'}};
    std::string r;
    r.reserve(S.size());
    size_t i = 0;
    while (i < S.size()) {
        const size_t amp = S.find('&', i);
        if (amp == std::string_view::npos) {
            r.append(S.substr(i));
            break;
        }
        r.append(S.substr(i, amp - i));
        i = amp;
        bool decoded = false;
        for (const auto& [ent, ch] : kEntities) {
            if (S.substr(i, ent.size()) == ent) {
                r.push_back(ch);
                i += ent.size();
                decoded = true;
                break;
            }
        }
        if (!decoded) {
            r.push_back('&');
            ++i;
        }
    }
    return r;
}

std::string XMLAttr(std::string_view Name, std::string_view Value)
{
    std::string r;
    r.reserve(Name.size() + Value.size() + 4);
    r += ' ';
    r += Name;
    r += "=\"";
    r += EscapeAttr(Value);
    r += '"';
    return r;
}

std::string XMLElement(std::string_view Name, std::string_view Content)
{
    std::string r = "<";
    r += Name;
    r += '>';
    r += XMLEscape(Content);
    r += "</";
    r += Name;
    r += '>';
    return r;
}

std::string XMLIndent(std::optional<int> Indent)
{
    if (!Indent) return {};
    return PYX_stringl::MultiChar(' ', *Indent);
}

void WriteXMLObjectStart(TTextFile& F, bool CreateHeader, std::string_view Element, std::string_view ClassText,
                         std::string_view ID, std::string_view OwnAttributes, std::optional<int> Indent)
{
    const std::string ind = XMLIndent(Indent);
    if (CreateHeader) F.WriteLn(ind + "<?xml version=\"1.0\"?>");
    F.WriteLn();
    F.WriteLn(ind + "<!-- " + std::string(ClassText) + " / PYX Component Suite -->");
    F.WriteLn(ind + "<" + std::string(Element) + " sig=\"ZERUZaraz\" vers=\"1.0\" id=\"" + EscapeAttr(ID) + "\"" +
              std::string(OwnAttributes) + ">");
}

void WriteXMLLine(TTextFile& F, std::string_view Line, std::optional<int> Indent)
{
    F.WriteLn(XMLIndent(Indent) + std::string(Line));
}

void WriteXMLObjectEnd(TTextFile& F, std::string_view Element, std::optional<int> Indent)
{
    F.WriteLn(XMLIndent(Indent) + "</" + std::string(Element) + ">");
}

namespace {

// The value of id="..." on a start-tag line (found as a whole attribute
// name), or nullopt.
std::optional<std::string> IdOnLine(const std::string& line, const std::string& lower)
{
    size_t from = 0;
    for (;;) {
        const size_t at = lower.find("id=\"", from);
        if (at == std::string::npos) return std::nullopt;
        const unsigned char before = at > 0 ? static_cast<unsigned char>(lower[at - 1]) : ' ';
        if (at > 0 && ((before >= 'a' && before <= 'z') || (before >= '0' && before <= '9') || before == '_' ||
                       before == '-')) {
            from = at + 1;
            continue;
        }
        const size_t start = at + 4;
        size_t end = line.find('"', start);
        if (end == std::string::npos) end = line.size();
        return std::string(StripSpaces(std::string_view(line).substr(start, end - start)));
    }
}

} // namespace

bool FindXMLObjectStart(TTextFile& F, std::string_view Element, std::string_view ID,
                        std::string* StartTagAttributes)
{
    const std::string wantedId = LowerAscii(ID);
    const std::string open = "<" + LowerAscii(Element);
    while (!F.Eof()) {
        const std::string line = F.ReadLn();
        const std::string lower = LowerAscii(line);
        if (lower.find("zeruzaraz") == std::string::npos) continue;
        // The element name must end there, so that one name is not taken
        // for a longer one that begins with it.
        size_t at = 0, from = 0;
        for (;;) {
            at = lower.find(open, from);
            if (at == std::string::npos) break;
            const size_t after = at + open.size();
            if (after == lower.size() || IsTagBlank(lower[after]) || lower[after] == '>' || lower[after] == '/')
                break;
            from = at + 1;
        }
        if (at == std::string::npos) continue;
        if (!wantedId.empty()) {
            const auto id = IdOnLine(line, lower);
            if (!id || LowerAscii(XMLUnescape(*id)) != wantedId) continue;
        }
        if (StartTagAttributes) {
            const size_t start = at + open.size();
            size_t end = line.find('>', start);
            if (end == std::string::npos) end = line.size();
            std::string_view attrs = std::string_view(line).substr(start, end - start);
            if (!attrs.empty() && attrs.back() == '/') attrs.remove_suffix(1);
            *StartTagAttributes = std::string(StripBlanks(attrs));
        }
        return true;
    }
    return false;
}

bool ReadXMLObjectBody(TTextFile& F, std::string_view Element, TTagList Tags, const TXMLTagHandler& OnTag)
{
    const std::string endTag = "/" + LowerAscii(Element);
    TextFileCursor cur(F);
    std::string content, attributes, name;
    bool found = true;
    for (;;) {
        const int ix = ReadNextTag(cur, Tags, content, attributes, name, found);
        if (!found) return false;
        const std::string lname = LowerAscii(name);
        if (lname == endTag) return true;
        if (ix >= 0 && Tags[static_cast<size_t>(ix)] == lname && OnTag) OnTag(ix, content, attributes);
    }
}

bool XMLAttrString(std::string_view Attributes, std::string_view Name, std::string& Value)
{
    const std::string raw = ScanForXMLAttrib(Attributes, Name);
    if (raw.empty()) return false;
    Value = XMLUnescape(raw);
    return true;
}

bool XMLAttrInt(std::string_view Attributes, std::string_view Name, int32_t& Value)
{
    std::string s;
    if (!XMLAttrString(Attributes, Name, s)) return false;
    int32_t pos = 1;
    Value = ScanDecimal(s, pos);
    return true;
}

bool XMLAttrHex(std::string_view Attributes, std::string_view Name, uint32_t& Value)
{
    std::string s;
    if (!XMLAttrString(Attributes, Name, s)) return false;
    int32_t pos = 1;
    Value = ScanHex(s, pos);
    return true;
}

bool XMLAttrFloat(std::string_view Attributes, std::string_view Name, double& Value)
{
    std::string s;
    if (!XMLAttrString(Attributes, Name, s)) return false;
    int32_t pos = 1;
    Value = static_cast<double>(ScanFPNum(s, true, 3, pos));
    return true;
}

void SaveAsXMLFile(const std::string& FileName, const std::function<void(TTextFile& F)>& Write)
{
    TTextFile f(FileName);
    f.Rewrite();
    Write(f);
    f.Close();
}

bool LoadFromXMLFile(const std::string& FileName, const std::function<bool(TTextFile& F)>& Read)
{
    TTextFile f(FileName);
    f.Reset();
    const bool ok = Read(f);
    f.Close();
    return ok;
}

} // namespace PYX_streams
