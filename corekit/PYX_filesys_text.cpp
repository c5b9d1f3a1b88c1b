// Text files: type detection, searching, counting lines, words, appending
// and the header of text data files.
#include <algorithm>
#include <cstring>

#include "corekit/PYX_filesys.h"
#include "corekit/PYX_streams.h"
#include "corekit/PYX_stringl.h"
#include "vcl/Cp1252.h"

namespace PYX_filesys {

TTextfileType CheckTextFileType(const std::string& FileName)
{
    vcl::TFileStream f(FileName, vcl::fmOpenRead);
    uint8_t b[4] = {0, 0, 0, 0};
    const int64_t n = f.Read(b, 4);
    // Only the bytes actually read take part: a two-byte file FF FE is an
    // empty little-endian UTF-16 text, not a UTF-32 one.
    auto starts = [&](std::initializer_list<uint8_t> sig) {
        if (n < static_cast<int64_t>(sig.size())) return false;
        return std::equal(sig.begin(), sig.end(), b);
    };
    if (starts({0xEF, 0xBB, 0xBF})) return tftUTF8;
    if (starts({0xFF, 0xFE, 0x00, 0x00})) return tftUnicode4_le;
    if (starts({0x00, 0x00, 0xFE, 0xFF})) return tftUnicode4_be;
    if (starts({0xFF, 0xFE})) return tftUnicode_le;
    if (starts({0xFE, 0xFF})) return tftUnicode_be;
    if (starts({0x7B, 0x5C, 0x72})) return tftRTF;
    return tftUnknown;
}

int32_t DetectStringInFile(const std::string& FileName, std::string_view Text, bool IgnoreCase, int32_t Limit)
{
    vcl::TTextFile f(FileName);
    f.Reset();
    const std::string text = IgnoreCase ? vcl::AnsiLowerCase(std::string(Text)) : std::string(Text);
    int64_t count = 0;
    bool found = false;
    while (!f.Eof() && !found && count < Limit) {
        std::string line = f.ReadLn();
        if (IgnoreCase) line = vcl::AnsiLowerCase(std::move(line));
        const std::size_t p = text.empty() ? std::string::npos : line.find(text);
        if (p == std::string::npos) {
            count += static_cast<int64_t>(line.size());
        } else {
            count += static_cast<int64_t>(p) + 1;
            found = count <= Limit;
        }
    }
    f.Close();
    return found ? static_cast<int32_t>(count) : 0;
}

int32_t CountLinesInTextFile(vcl::TTextFile& F)
{
    F.Reset();
    // Line ends are LF, CR LF or a lone CR; a last line without one counts.
    int64_t lines = 0;
    bool prevCR = false;
    bool open = false; // bytes since the last line end
    for (;;) {
        const std::span<const uint8_t> buf = F.PeekBuffer();
        if (buf.empty()) break;
        for (const uint8_t c : buf) {
            if (c == '\n') {
                if (!prevCR) ++lines;
                prevCR = false;
                open = false;
            } else if (c == '\r') {
                ++lines;
                prevCR = true;
                open = false;
            } else {
                prevCR = false;
                open = true;
            }
        }
        F.Advance(static_cast<int64_t>(buf.size()));
    }
    if (open) ++lines;
    F.Reset();
    return static_cast<int32_t>(std::min<int64_t>(lines, INT32_MAX));
}

int32_t CountLinesInTextFile(const std::string& FileName)
{
    vcl::TTextFile f(FileName);
    const int32_t n = CountLinesInTextFile(f);
    f.Close();
    return n;
}

void ReadNextWordInTextFile(vcl::TTextFile& F, std::string& Word)
{
    Word.clear();
    int c = F.ReadByte();
    while (c >= 0 && c <= 32) c = F.ReadByte();
    while (c > 32) {
        Word += static_cast<char>(c);
        c = F.ReadByte(); // the ending byte (32 or less) is consumed
    }
}

void AppendToTextFile(const std::string& FileName, std::string_view Line)
{
    vcl::TTextFile f(FileName);
    f.Append();
    f.WriteLn(Line);
    f.Close();
}

void AppendToTextFile(const std::string& FileName, const std::vector<std::string>& Lines)
{
    vcl::TTextFile f(FileName);
    f.Append();
    for (const std::string& s : Lines) f.WriteLn(s);
    f.Close();
}

// ---------------------------------------------------------------------------
// Header of text data files

namespace {

// The integer at the start of Line (blanks and tabs before it skipped); false
// when the line does not start with one.
bool LineInteger(const std::string& Line, int32_t& Value)
{
    std::size_t i = 0;
    while (i < Line.size() && (Line[i] == ' ' || Line[i] == '\t')) ++i;
    std::size_t d = i;
    if (d < Line.size() && (Line[d] == '+' || Line[d] == '-')) ++d;
    if (d >= Line.size() || !PYX_stringl::IsDigit(Line[d])) return false;
    int32_t pos = static_cast<int32_t>(i) + 1;
    Value = PYX_streams::ScanDecimal(Line, pos);
    return true;
}

template <typename NextLine>
int32_t ReadHeader(NextLine nextLine, bool TabsToBlanks, std::string& Title, int32_t& Int1, int32_t& Int2,
                   bool& Flag1, bool& Flag2, bool& Flag3, bool& Flag4)
{
    Title.clear();
    Int1 = Int2 = 0;
    Flag1 = Flag2 = Flag3 = Flag4 = false;
    int32_t result = 0;
    Title = nextLine();
    if (Title.find('\n') != std::string::npos) result = -4;
    if (!LineInteger(nextLine(), Int1) && result == 0) result = -1;
    if (result == 0 && !LineInteger(nextLine(), Int2)) result = -2;
    if (result != 0) return result;

    std::string flags = nextLine();
    if (TabsToBlanks) std::replace(flags.begin(), flags.end(), '\t', ' ');
    flags = PYX_stringl::StripLTBlanks(vcl::AsciiUpperCase(std::move(flags)));
    bool* const first[3] = {&Flag1, &Flag2, &Flag3};
    for (bool* flag : first) {
        if (flags.starts_with("TRUE")) {
            *flag = true;
            flags.erase(0, 4);
        } else if (flags.starts_with("FALSE")) {
            flags.erase(0, 5);
        } else {
            return -3;
        }
        flags = PYX_stringl::StripLTBlanks(flags);
    }
    Flag4 = flags.starts_with("TRUE");
    return 0;
}

} // namespace

int32_t ReadHeaderOfASC(const std::string& FileName, std::string& Title, int32_t& Int1, int32_t& Int2,
                        bool& Flag1, bool& Flag2, bool& Flag3, bool& Flag4)
{
    vcl::TTextFile f(FileName);
    f.Reset();
    const int32_t r =
        ReadHeader([&] { return f.ReadLn(); }, true, Title, Int1, Int2, Flag1, Flag2, Flag3, Flag4);
    f.Close();
    return r;
}

int32_t ReadHeaderOfASC(vcl::TStream& Stream, std::string& Title, int32_t& Int1, int32_t& Int2, bool& Flag1,
                        bool& Flag2, bool& Flag3, bool& Flag4)
{
    auto next = [&] {
        bool eos = false;
        return PYX_streams::ReadLnStream(Stream, eos, 0);
    };
    return ReadHeader(next, false, Title, Int1, Int2, Flag1, Flag2, Flag3, Flag4);
}

} // namespace PYX_filesys
