// The colour array file: a header line "first last" and one line of eight
// upper-case hexadecimal digits per element, lines ended by CR LF.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <memory>
#include <string>

#include "corekit/PYX_pyxcolors.h"

namespace PYX_pyxcolors {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Reads one line without its end (LF, CR LF or a lone CR). False at the end
// of the file or on a read error.
bool ReadLine(std::FILE* f, std::string& line)
{
    line.clear();
    int c = std::getc(f);
    if (c == EOF) return false;
    while (c != EOF && c != '\n' && c != '\r') {
        line.push_back(static_cast<char>(c));
        c = std::getc(f);
    }
    if (c == '\r') {
        const int d = std::getc(f);
        if (d != '\n' && d != EOF) std::ungetc(d, f);
    }
    return true;
}

bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }

// Parses the next decimal integer after blanks; advances pos.
bool ParseInt(const std::string& s, std::size_t& pos, int64_t& v)
{
    while (pos < s.size() && IsBlank(s[pos])) ++pos;
    const char* b = s.data() + pos;
    const char* e = s.data() + s.size();
    if (b < e && *b == '+') ++b;
    const auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc()) return false;
    pos = static_cast<std::size_t>(r.ptr - s.data());
    return true;
}

// A colour line: blanks, an optional "$", then up to eight hexadecimal digits
// read up to the first other character. No digits give 0; more than eight
// digits do not fit a colour and make the line fail.
bool ParseColorLine(const std::string& s, TColor& out)
{
    std::size_t p = 0;
    while (p < s.size() && IsBlank(s[p])) ++p;
    if (p < s.size() && s[p] == '$') ++p;
    uint32_t v = 0;
    int digits = 0;
    for (; p < s.size(); ++p) {
        const char c = s[p];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            break;
        if (++digits > 8) return false;
        v = (v << 4) | static_cast<uint32_t>(d);
    }
    out = v;
    return true;
}

} // namespace

bool TColorArray::StoreOnFile(int32_t First, int32_t Last, const std::string& FileName) const
{
    if (First > Last) std::swap(First, Last);
    First = std::max(First, 1);
    Last = std::min(Last, GetSize());
    std::string text = std::to_string(First) + " " + std::to_string(Last) + "\r\n";
    if (First <= Last) text.reserve(text.size() + static_cast<std::size_t>(Last - First + 1) * 10);
    char buf[16];
    for (int32_t i = First; i <= Last; ++i) {
        std::snprintf(buf, sizeof buf, "%08X\r\n", static_cast<unsigned>(GetColorElem(i)));
        text.append(buf, 10);
    }
    std::FILE* f = std::fopen(FileName.c_str(), "wb");
    if (f == nullptr) return false;
    // Every write error, including one that shows only when the file is
    // closed (a full device), makes the result false.
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0;
    const bool closed = std::fclose(f) == 0;
    return written && closed;
}

bool TColorArray::LoadFromFile(const std::string& FileName, bool AdjustSize)
{
    FilePtr f(std::fopen(FileName.c_str(), "rb"));
    if (!f) return false;
    std::string line;
    if (!ReadLine(f.get(), line)) return false;
    std::size_t pos = 0;
    int64_t first = 0, last = 0;
    if (!ParseInt(line, pos, first) || !ParseInt(line, pos, last)) return false;
    // The header decides where elements go and how large the array becomes:
    // anything outside a sane range is refused before touching the array.
    if (first < 1 || first > last || last > MaxFileEntries) return false;
    bool ok = true;
    if (AdjustSize) {
        try {
            Resize(static_cast<int32_t>(last));
        } catch (const EPYXColArrayError&) {
            ok = false;
        }
    }
    if (ok && GetSize() >= last) {
        for (int64_t i = first; i <= last; ++i) {
            if (!ReadLine(f.get(), line)) {
                // A file that ends early leaves the remaining elements alone.
                ok = false;
                break;
            }
            TColor c;
            if (ParseColorLine(line, c)) data_[static_cast<std::size_t>(i - 1)] = c;
        }
        if (std::ferror(f.get())) ok = false;
    } else {
        ok = false;
    }
    f.reset();
    Changed();
    return ok;
}

} // namespace PYX_pyxcolors
