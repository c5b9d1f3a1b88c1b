#include "vcl/TextFile.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace vcl {

namespace {

bool IsBlank(int c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(int c) { return c == '\r' || c == '\n'; }
bool IsSpace(int c) { return IsBlank(c) || IsLineEnd(c); }

// A plain decimal number: optional sign, digits with at most one ".", at
// least one digit, and for reals an optional exponent with digits.
bool IsDecimalText(std::string_view s, bool real)
{
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') ++digits;
        else if (c == '.' && real && !point) point = true;
        else break;
    }
    if (digits == 0) return false;
    if (i < s.size() && real && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        size_t expDigits = 0;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == s.size();
}

} // namespace

TTextFile::~TTextFile()
{
    try {
        Close();
    } catch (...) {
        // Nothing can report it here; Close raises for callers that care.
    }
}

void TTextFile::Assign(const std::string& FileName)
{
    Close();
    fileName_ = FileName;
}

void TTextFile::Fail(const std::string& reason) const
{
    throw EInOutError(reason + " (file \"" + fileName_ + "\")");
}

void TTextFile::Open(TFileMode mode, bool input)
{
    Close();
    stream_ = std::make_unique<TFileStream>(fileName_, mode);
    input_ = input;
}

void TTextFile::Reset() { Open(fmOpenRead, true); }
void TTextFile::Rewrite() { Open(fmCreate, false); }
void TTextFile::Append() { Open(fmAppend, false); }

void TTextFile::Close()
{
    if (!stream_) return;
    std::unique_ptr<TFileStream> s = std::move(stream_);
    if (!input_) s->Flush();
}

TFileStream& TTextFile::In()
{
    if (!stream_) Fail("File not open");
    if (!input_) Fail("File not open for input");
    return *stream_;
}

TFileStream& TTextFile::Out()
{
    if (!stream_) Fail("File not open");
    if (input_) Fail("File not open for output");
    return *stream_;
}

bool TTextFile::Eof() { return In().Peek().empty(); }

bool TTextFile::Eoln()
{
    const int c = PeekByte();
    return c < 0 || IsLineEnd(c);
}

int TTextFile::PeekByte()
{
    auto view = In().Peek();
    return view.empty() ? -1 : view[0];
}

int TTextFile::ReadByte()
{
    TFileStream& s = In();
    auto view = s.Peek();
    if (view.empty()) return -1;
    s.Advance(1);
    return view[0];
}

char TTextFile::ReadChar()
{
    const int c = ReadByte();
    if (c < 0) Fail("Read beyond end of file");
    return static_cast<char>(c);
}

void TTextFile::SkipBlanks(bool lineEnds)
{
    TFileStream& s = In();
    for (;;) {
        auto view = s.Peek();
        if (view.empty()) return;
        size_t i = 0;
        while (i < view.size() && (IsBlank(view[i]) || (lineEnds && IsLineEnd(view[i])))) ++i;
        s.Advance(static_cast<int64_t>(i));
        if (i < view.size()) return;
    }
}

bool TTextFile::SeekEof()
{
    SkipBlanks(true);
    return Eof();
}

bool TTextFile::SeekEoln()
{
    SkipBlanks(false);
    return Eoln();
}

std::string TTextFile::ReadLn()
{
    TFileStream& s = In();
    std::string line;
    for (;;) {
        auto view = s.Peek();
        if (view.empty()) return line;
        const auto* p = view.data();
        const size_t n = view.size();
        size_t i = 0;
        // Scan for the first CR or LF in the buffered bytes.
        const void* lf = std::memchr(p, '\n', n);
        const size_t limit = lf ? static_cast<size_t>(static_cast<const uint8_t*>(lf) - p) : n;
        const void* cr = std::memchr(p, '\r', limit);
        i = cr ? static_cast<size_t>(static_cast<const uint8_t*>(cr) - p) : limit;
        line.append(reinterpret_cast<const char*>(p), i);
        if (i == n) {
            s.Advance(static_cast<int64_t>(n));
            continue;
        }
        s.Advance(static_cast<int64_t>(i) + 1);
        if (p[i] == '\r') {
            // CR LF counts as one line end, even when the LF is in the next block.
            auto next = s.Peek();
            if (!next.empty() && next[0] == '\n') s.Advance(1);
        }
        return line;
    }
}

std::string TTextFile::ReadWord()
{
    SkipBlanks(true);
    TFileStream& s = In();
    std::string word;
    for (;;) {
        auto view = s.Peek();
        if (view.empty()) return word;
        size_t i = 0;
        while (i < view.size() && !IsSpace(view[i])) ++i;
        word.append(reinterpret_cast<const char*>(view.data()), i);
        s.Advance(static_cast<int64_t>(i));
        if (i < view.size()) return word;
    }
}

std::string TTextFile::NumberWord()
{
    std::string w = ReadWord();
    if (w.empty()) Fail("Read beyond end of file");
    return w;
}

int64_t TTextFile::ReadInt64()
{
    const std::string w = NumberWord();
    if (!IsDecimalText(w, false)) Fail("Invalid numeric input '" + w + "'");
    const char* first = w.data() + (w[0] == '+' ? 1 : 0);
    int64_t v = 0;
    auto [ptr, ec] = std::from_chars(first, w.data() + w.size(), v);
    if (ec != std::errc() || ptr != w.data() + w.size()) Fail("Invalid numeric input '" + w + "'");
    return v;
}

int32_t TTextFile::ReadInteger()
{
    const int64_t v = ReadInt64();
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        Fail("Invalid numeric input '" + std::to_string(v) + "'");
    return static_cast<int32_t>(v);
}

Extended TTextFile::ReadExtended()
{
    const std::string w = NumberWord();
    if (!IsDecimalText(w, true)) Fail("Invalid numeric input '" + w + "'");
    const char* first = w.data() + (w[0] == '+' ? 1 : 0);
    Extended v = 0;
    auto [ptr, ec] = std::from_chars(first, w.data() + w.size(), v);
    if (ec != std::errc() || ptr != w.data() + w.size()) Fail("Invalid numeric input '" + w + "'");
    return v;
}

double TTextFile::ReadReal()
{
    const std::string w = NumberWord();
    if (!IsDecimalText(w, true)) Fail("Invalid numeric input '" + w + "'");
    const char* first = w.data() + (w[0] == '+' ? 1 : 0);
    double v = 0;
    auto [ptr, ec] = std::from_chars(first, w.data() + w.size(), v);
    if (ec == std::errc::result_out_of_range) {
        // Underflow reads as the nearest double (0 or subnormal); overflow is an error.
        Extended e = 0;
        const auto r = std::from_chars(first, w.data() + w.size(), e);
        if (r.ec == std::errc() && std::fabs(e) < 1) return static_cast<double>(e);
        const size_t mark = w.find_first_of("eE");
        const bool negativeExponent = mark != std::string::npos && mark + 1 < w.size() && w[mark + 1] == '-';
        if (r.ec == std::errc::result_out_of_range && negativeExponent) return w[0] == '-' ? -0.0 : 0.0;
        Fail("Invalid numeric input '" + w + "'");
    }
    if (ec != std::errc() || ptr != w.data() + w.size()) Fail("Invalid numeric input '" + w + "'");
    return v;
}

void TTextFile::Write(std::string_view Text)
{
    Out().WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
}

void TTextFile::WriteLn(std::string_view Text)
{
    TFileStream& s = Out();
    s.WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
    s.WriteBuffer("\r\n", 2);
}

void TTextFile::Flush() { Out().Flush(); }

} // namespace vcl
