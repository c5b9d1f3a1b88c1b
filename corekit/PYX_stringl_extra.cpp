// The smaller helpers of the string library: quoted names and parameters,
// uuencoding, line coordinates and the tag reader on strings.
#include <algorithm>
#include <climits>

#include "corekit/PYX_stringl.h"
#include "vcl/Cp1252.h"

namespace PYX_stringl {

namespace {
inline unsigned char U(char c) { return static_cast<unsigned char>(c); }
inline bool IsBlankOrControl(char c) { return U(c) <= 32; }
} // namespace

// ===========================================================================
// Quoted names and parameters

void ParseQuotedName(char C, char Quote, std::string& Name, TQuotedStrState& State)
{
    switch (State) {
    case vsStart:
        if (IsBlankOrControl(C)) break;
        if (C == Quote) {
            State = vs1stQuote;
        } else {
            Name.push_back(C);
            State = vsNormal;
        }
        break;
    case vs1stQuote:
        if (C == Quote)
            State = vsQuote;
        else
            Name.push_back(C);
        break;
    case vsQuote:
        if (C == Quote) {
            Name.push_back(Quote);
            State = vs1stQuote;
        } else {
            State = vsEnd;
        }
        break;
    case vsNormal:
        if (IsBlankOrControl(C))
            State = vsEnd;
        else
            Name.push_back(C);
        break;
    case vsEnd:
        break;
    }
}

bool ExtractParam(std::string_view S, int32_t Index, char Separator, char Quote, std::string& Param)
{
    Param.clear();
    if (Index < 1 || S.empty()) return false;
    const bool blankSep = Separator == ' ';
    const bool quoting = Quote != Separator && Quote != ' ';
    const std::size_t n = S.size();
    auto skipBlanks = [&](std::size_t i) {
        while (i < n && S[i] == ' ') ++i;
        return i;
    };
    std::size_t i = blankSep ? skipBlanks(0) : 0;
    for (int32_t k = 1;; ++k) {
        if (blankSep && i >= n) return false; // trailing blanks make no parameter
        const std::size_t j = skipBlanks(i);
        std::string value;
        bool closed = true;
        std::size_t next;
        if (quoting && j < n && S[j] == Quote) {
            closed = false;
            std::size_t q = j + 1;
            while (q < n) {
                if (S[q] == Quote) {
                    if (q + 1 < n && S[q + 1] == Quote) {
                        value.push_back(Quote);
                        q += 2;
                        continue;
                    }
                    closed = true;
                    ++q;
                    break;
                }
                value.push_back(S[q++]);
            }
            next = S.find(Separator, q);
        } else {
            next = S.find(Separator, i);
            std::string_view raw = S.substr(i, next == std::string_view::npos ? std::string_view::npos : next - i);
            const std::size_t a = raw.find_first_not_of(' ');
            if (a != std::string_view::npos) value.assign(raw.substr(a, raw.find_last_not_of(' ') - a + 1));
        }
        if (k == Index) {
            if (!closed) return false;
            Param = std::move(value);
            return true;
        }
        if (next == std::string_view::npos) return false;
        i = next + 1;
        if (blankSep) i = skipBlanks(i);
    }
}

// ===========================================================================
// Uuencoding

namespace {
constexpr std::size_t kUULine = 45;
inline char UUChar(unsigned v) { return v == 0 ? '`' : static_cast<char>(32 + v); }
// The 6-bit value of an encoded character, or -1 outside 32..96.
inline int UUValue(char c) { return (U(c) < 32 || U(c) > 96) ? -1 : (U(c) - 32) & 63; }
} // namespace

std::string UUEncodeStr(std::string_view S)
{
    std::string r;
    r.reserve(S.size() / 3 * 4 + S.size() / kUULine * 2 + 6);
    for (std::size_t off = 0; off < S.size(); off += kUULine) {
        const std::size_t len = std::min(kUULine, S.size() - off);
        if (off > 0) r.push_back('\n');
        r.push_back(UUChar(static_cast<unsigned>(len)));
        for (std::size_t g = 0; g < len; g += 3) {
            const unsigned b0 = U(S[off + g]);
            const unsigned b1 = g + 1 < len ? U(S[off + g + 1]) : 0;
            const unsigned b2 = g + 2 < len ? U(S[off + g + 2]) : 0;
            r.push_back(UUChar(b0 >> 2));
            r.push_back(UUChar(((b0 & 3) << 4) | (b1 >> 4)));
            r.push_back(UUChar(((b1 & 15) << 2) | (b2 >> 6)));
            r.push_back(UUChar(b2 & 63));
        }
    }
    return r;
}

std::string UUDecodeStr(std::string_view S)
{
    std::string r;
    std::size_t start = 0;
    while (start < S.size()) {
        std::size_t end = S.find('\n', start);
        if (end == std::string_view::npos) end = S.size();
        std::string_view line = S.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        const int len = UUValue(line[0]);
        if (len < 0) return {};
        if (len == 0) break; // the customary closing line
        // Each byte needs 4/3 characters; missing padding at the end reads as zero.
        const std::size_t needed = (static_cast<std::size_t>(len) * 4 + 2) / 3;
        if (line.size() - 1 < needed) return {};
        unsigned v[4];
        for (std::size_t g = 0, out = 0; out < static_cast<std::size_t>(len); g += 4) {
            for (std::size_t k = 0; k < 4; ++k) {
                const std::size_t idx = 1 + g + k;
                const int x = idx < line.size() ? UUValue(line[idx]) : 0;
                if (x < 0) return {};
                v[k] = static_cast<unsigned>(x);
            }
            const unsigned char bytes[3] = {static_cast<unsigned char>((v[0] << 2) | (v[1] >> 4)),
                                            static_cast<unsigned char>(((v[1] & 15) << 4) | (v[2] >> 2)),
                                            static_cast<unsigned char>(((v[2] & 3) << 6) | v[3])};
            for (int b = 0; b < 3 && out < static_cast<std::size_t>(len); ++b, ++out)
                r.push_back(static_cast<char>(bytes[b]));
        }
    }
    return r;
}

// ===========================================================================
// Line coordinates

void TextLineCoords(std::string_view Text, int32_t Pos, int32_t& Line, int32_t& Column)
{
    Line = Column = 0;
    if (Pos < 1 || static_cast<std::size_t>(Pos) > Text.size()) return;
    int64_t line = 1, col = 1;
    const std::size_t target = static_cast<std::size_t>(Pos) - 1;
    for (std::size_t i = 0; i < target; ++i) {
        const char c = Text[i];
        if (c == '\n' || (c == '\r' && !(i + 1 < Text.size() && Text[i + 1] == '\n'))) {
            ++line;
            col = 1;
        } else {
            ++col;
        }
    }
    Line = static_cast<int32_t>(std::min<int64_t>(line, INT32_MAX));
    Column = static_cast<int32_t>(std::min<int64_t>(col, INT32_MAX));
}

// ===========================================================================
// Tag reader

namespace {

struct TagInfo {
    std::string_view Name;
    std::string_view Attributes;
    std::size_t After = 0; // offset just behind the tag's ">"
    bool Empty = false;    // "<name ... />"
};

std::string_view StripBlanks(std::string_view s)
{
    while (!s.empty() && IsBlankOrControl(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlankOrControl(s.back())) s.remove_suffix(1);
    return s;
}

// The tag whose "<" is at offset Lt. Without a ">" the tag text runs to the
// end of S.
TagInfo ParseTag(std::string_view S, std::size_t Lt)
{
    TagInfo t;
    const std::size_t gt = S.find('>', Lt + 1);
    std::string_view text = S.substr(Lt + 1, gt == std::string_view::npos ? std::string_view::npos : gt - Lt - 1);
    t.After = gt == std::string_view::npos ? S.size() : gt + 1;
    t.Empty = gt != std::string_view::npos && text.ends_with('/');
    if (t.Empty) text.remove_suffix(1);
    const auto blank = std::find_if(text.begin(), text.end(), IsBlankOrControl);
    const std::size_t nameLen = static_cast<std::size_t>(blank - text.begin());
    t.Name = text.substr(0, nameLen);
    if (nameLen < text.size()) t.Attributes = StripBlanks(text.substr(nameLen + 1));
    return t;
}

int32_t TagIndex(std::string_view Name, std::span<const std::string_view> Tags)
{
    const int32_t last = static_cast<int32_t>(std::min<std::size_t>(Tags.size(), INT32_MAX)) - 1;
    if (Name.empty()) return last;
    for (int32_t i = 0; i <= last; ++i) {
        std::string_view e = Tags[static_cast<std::size_t>(i)];
        if (e.size() == Name.size() &&
            std::equal(e.begin(), e.end(), Name.begin(),
                       [](char a, char b) { return a == static_cast<char>(vcl::AnsiLower(U(b))); }))
            return i;
    }
    return last;
}

// Offset of the first occurrence of Needle (lower case) in S from From,
// comparing S in lower case; npos if none.
std::size_t FindNoCase(std::string_view S, std::string_view Needle, std::size_t From)
{
    for (std::size_t p = S.find(Needle.front(), From); p != std::string_view::npos;
         p = S.find(Needle.front(), p + 1)) {
        if (S.size() - p < Needle.size()) return std::string_view::npos;
        bool same = true;
        for (std::size_t k = 1; k < Needle.size() && same; ++k)
            same = vcl::AnsiLower(U(S[p + k])) == U(Needle[k]);
        if (same) return p;
    }
    return std::string_view::npos;
}

std::size_t StartOffset(int32_t Pos) { return Pos < 1 ? 0 : static_cast<std::size_t>(Pos) - 1; }

int32_t ToPos(std::size_t Offset) { return static_cast<int32_t>(std::min<std::size_t>(Offset + 1, INT32_MAX)); }

} // namespace

int32_t ReadNextTagInString(std::string_view S, int32_t& Pos, std::span<const std::string_view> Tags,
                            std::string& Content, std::string& Attributes)
{
    Content.clear();
    Attributes.clear();
    const std::size_t from = StartOffset(Pos);
    const std::size_t lt = from < S.size() ? S.find('<', from) : std::string_view::npos;
    if (lt == std::string_view::npos) {
        Pos = ToPos(S.size());
        return TagIndex({}, Tags);
    }
    const TagInfo t = ParseTag(S, lt);
    Attributes.assign(t.Attributes);
    std::size_t after = t.After;
    // End tags, declarations ("<?xml") and comments have no content.
    if (!t.Empty && !t.Name.empty() && t.Name.front() != '/' && t.Name.front() != '?' && t.Name.front() != '!') {
        std::string closing = "</";
        for (char c : t.Name) closing.push_back(static_cast<char>(vcl::AnsiLower(U(c))));
        closing.push_back('>');
        const std::size_t end = FindNoCase(S, closing, after);
        if (end == std::string_view::npos) {
            Content.assign(S.substr(after));
            after = S.size();
        } else {
            Content.assign(S.substr(after, end - after));
            after = end + closing.size();
        }
    }
    Pos = ToPos(after);
    return TagIndex(t.Name, Tags);
}

int32_t DetectNextTagInString(std::string_view S, int32_t& Pos, std::span<const std::string_view> Tags)
{
    const std::size_t from = StartOffset(Pos);
    const std::size_t lt = from < S.size() ? S.find('<', from) : std::string_view::npos;
    if (lt == std::string_view::npos) {
        Pos = ToPos(S.size());
        return TagIndex({}, Tags);
    }
    Pos = ToPos(lt);
    return TagIndex(ParseTag(S, lt).Name, Tags);
}

} // namespace PYX_stringl
