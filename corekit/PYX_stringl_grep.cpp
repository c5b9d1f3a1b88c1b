// The regular-expression matcher TGrep: pattern compiler, listing and search.
#include <algorithm>
#include <bitset>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "corekit/PYX_stringl.h"
#include "vcl/Cp1252.h"

namespace PYX_stringl {

namespace {

// One character of the prepared pattern: Literal is set for escaped and
// "\#hh" characters, which never act as operators.
struct TPatItem {
    unsigned char Ch;
    bool Literal;
};

int HexValue(char c) noexcept
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsOperator(unsigned char c) noexcept
{
    switch (c) {
    case '.': case '^': case '$': case '[': case ']': case '(': case ')': case '*': case '+': case '?':
        return true;
    default:
        return false;
    }
}

constexpr std::string_view kActionNames[8] = {" taNormal: ", "taAnyByte: ", "    taEol: ", "    taBol: ",
                                              "    taSet: ", "  taMult0: ", "  taMult1: ", "   taOpti: "};

constexpr std::string_view kErrorTexts[11] = {
    "no errors",
    "reg.exp. must not start with $, *, ?, or +",
    "circumflex not allowed here",
    "no character allowed after end of line",
    "empty set",
    "circumflex has to be quoted in set",
    "mismatch of set brackets",
    "minus not allowed here",
    "mismatch of group brackets",
    "*, ?, + have to be applied to groups or sets only",
    "regular expression too long",
};

// The compiler's memory of what the previous element was.
enum TPrevElem { peNone, peLiteral, peAny, peSet, peGroup, peEmptyGroup, peBol, peEol, peMult };

class TCompiler {
public:
    TCompiler(std::vector<TGrepToken>& Tokens, std::vector<TPatItem> Items) : tokens_(Tokens), items_(std::move(Items))
    {
    }

    int32_t Run()
    {
        const std::size_t n = items_.size();
        std::size_t i = 0;
        while (i < n) {
            const TPatItem it = items_[i];
            int32_t err = 0;
            if (it.Literal || !IsOperator(it.Ch)) {
                err = AddLiteralChar(it.Ch);
                prev_ = peLiteral;
                ++i;
            } else {
                switch (it.Ch) {
                case '.':
                    err = NewToken(taAnyByte);
                    prev_ = peAny;
                    ++i;
                    break;
                case '^':
                    if (i != 0) return 2;
                    err = NewToken(taBol);
                    prev_ = peBol;
                    ++i;
                    break;
                case '$':
                    if (i == 0) return 1;
                    if (i != n - 1) return 3;
                    err = NewToken(taEol);
                    prev_ = peEol;
                    ++i;
                    break;
                case '[':
                    err = ParseSet(i);
                    break;
                case '(':
                    err = ParseGroup(i);
                    break;
                case '*':
                case '+':
                case '?':
                    if (i == 0) return 1;
                    err = ApplyMultiplier(it.Ch == '*' ? taMult0 : it.Ch == '+' ? taMult1 : taOpti);
                    prev_ = peMult;
                    ++i;
                    break;
                case ')':
                    return 8;
                default: // ']'
                    return 6;
                }
            }
            if (err != 0) return err;
        }
        return 0;
    }

private:
    bool IsOp(std::size_t j, unsigned char c) const noexcept
    {
        return j < items_.size() && !items_[j].Literal && items_[j].Ch == c;
    }

    int32_t NewToken(uint8_t Action)
    {
        if (static_cast<int32_t>(tokens_.size()) >= TGrep::MaxTokens) return TGrep::ErrTooLong;
        tokens_.emplace_back();
        tokens_.back().Action = Action;
        return 0;
    }

    // Appends to the current literal, or starts a new one when there is none
    // or it is full (long literals continue in the next token).
    int32_t AppendToLiteral(unsigned char c)
    {
        if (tokens_.empty() || tokens_.back().Action != taNormal || tokens_.back().Count >= 255) {
            if (const int32_t e = NewToken(taNormal)) return e;
        }
        TGrepToken& t = tokens_.back();
        t.Data[++t.Count] = c;
        return 0;
    }

    int32_t AddLiteralChar(unsigned char c)
    {
        if (prev_ != peLiteral) {
            if (const int32_t e = NewToken(taNormal)) return e;
        }
        return AppendToLiteral(c);
    }

    int32_t ParseSet(std::size_t& i)
    {
        const std::size_t n = items_.size();
        std::size_t j = i + 1;
        bool negate = false;
        if (IsOp(j, '^')) {
            negate = true;
            ++j;
        }
        if (IsOp(j, '-')) return 7;
        std::bitset<256> set;
        bool any = false;
        for (;;) {
            if (j >= n) return 6;
            const TPatItem d = items_[j];
            if (!d.Literal && d.Ch == ']') break;
            if (!d.Literal && d.Ch == '^') return 5;
            if (!d.Literal && d.Ch == '-') return 7;
            if (IsOp(j + 1, '-') && j + 2 < n && !IsOp(j + 2, ']')) {
                const TPatItem e = items_[j + 2];
                if (!e.Literal && e.Ch == '^') return 5;
                if (!e.Literal && e.Ch == '-') return 7;
                const unsigned lo = std::min(d.Ch, e.Ch), hi = std::max(d.Ch, e.Ch);
                for (unsigned c = lo; c <= hi; ++c) set.set(c);
                j += 3;
            } else {
                set.set(d.Ch);
                ++j;
            }
            any = true;
        }
        if (!any) return 4;
        if (negate) set.flip();
        if (const int32_t e = NewToken(taSet)) return e;
        TGrepToken& t = tokens_.back();
        for (unsigned c = 0; c < 256; ++c) t.Data[c] = set.test(c) ? '*' : ' ';
        i = j + 1;
        if (IsOp(i, '-')) return 7;
        prev_ = peSet;
        return 0;
    }

    int32_t ParseGroup(std::size_t& i)
    {
        const std::size_t n = items_.size();
        std::size_t j = i + 1;
        std::string text;
        for (;;) {
            if (j >= n) return 8;
            const TPatItem d = items_[j];
            if (!d.Literal && d.Ch == ')') break;
            if (!d.Literal && d.Ch == '^') return 2;
            text.push_back(static_cast<char>(d.Ch));
            ++j;
        }
        i = j + 1;
        if (text.empty()) {
            // An empty group adds nothing; a multiplier after it has nothing
            // to repeat.
            prev_ = peEmptyGroup;
            return 0;
        }
        if (prev_ != peGroup) {
            if (const int32_t e = NewToken(taNormal)) return e;
            groupFirst_ = tokens_.size() - 1;
        }
        for (char c : text)
            if (const int32_t e = AppendToLiteral(static_cast<unsigned char>(c))) return e;
        prev_ = peGroup;
        return 0;
    }

    int32_t ApplyMultiplier(uint8_t Action)
    {
        switch (prev_) {
        case peLiteral: {
            TGrepToken& t = tokens_.back();
            if (t.Count > 1) {
                // The multiplier takes only the literal's last character.
                if (static_cast<int32_t>(tokens_.size()) >= TGrep::MaxTokens) return TGrep::ErrTooLong;
                const uint8_t c = t.Data[t.Count];
                t.Data[t.Count] = 0;
                --t.Count;
                tokens_.emplace_back();
                tokens_.back().Count = 1;
                tokens_.back().Data[1] = c;
            }
            tokens_.back().Action = Action;
            return 0;
        }
        case peAny:
            tokens_.back().Action = Action;
            tokens_.back().Count = 0;
            return 0;
        case peSet:
            tokens_.back().Action = Action;
            tokens_.back().Count = -1;
            return 0;
        case peGroup:
            // A group longer than one token cannot be repeated as a whole.
            if (groupFirst_ != tokens_.size() - 1) return TGrep::ErrTooLong;
            tokens_.back().Action = Action;
            return 0;
        default:
            return 9;
        }
    }

    std::vector<TGrepToken>& tokens_;
    std::vector<TPatItem> items_;
    TPrevElem prev_ = peNone;
    std::size_t groupFirst_ = 0;
};

} // namespace

TGrep::TGrep(vcl::TComponent* AOwner) : vcl::TComponent(AOwner) {}

TGrep::~TGrep() = default;

std::string TGrep::ErrorText(int32_t Code)
{
    if (Code < 0 || Code > 10) return "unknown error";
    return std::string(kErrorTexts[Code]);
}

void TGrep::SetRegExp(const std::string& Value)
{
    regExp_ = Value;
    const int32_t code = CompileRegExp(Value);
    if (code != 0 && stopOnError_)
        throw EPYXStringlError("Component \"" + GetName() + "\": error in regular expression - " + ErrorText(code));
}

void TGrep::SetIgnoreCase(bool Value)
{
    ignoreCase_ = Value;
    CompileRegExp(regExp_);
}

int32_t TGrep::CompileRegExp(const std::string& Pattern)
{
    // "\#hh" and escapes are resolved first, so that a character given by
    // its code is always a literal; case folding comes after.
    std::vector<TPatItem> items;
    items.reserve(Pattern.size());
    const std::size_t n = Pattern.size();
    for (std::size_t i = 0; i < n;) {
        const auto c = static_cast<unsigned char>(Pattern[i]);
        if (c == '\\' && i + 1 < n) {
            if (Pattern[i + 1] == '#' && i + 3 < n && HexValue(Pattern[i + 2]) >= 0 && HexValue(Pattern[i + 3]) >= 0) {
                items.push_back({static_cast<unsigned char>(HexValue(Pattern[i + 2]) * 16 + HexValue(Pattern[i + 3])),
                                 true});
                i += 4;
            } else {
                items.push_back({static_cast<unsigned char>(Pattern[i + 1]), true});
                i += 2;
            }
            continue;
        }
        items.push_back({c, c == '\\'});
        ++i;
    }
    if (ignoreCase_)
        for (TPatItem& it : items) it.Ch = vcl::AsciiLower(it.Ch);

    tokens_.clear();
    TCompiler comp(tokens_, std::move(items));
    errorCode_ = comp.Run();
    return errorCode_;
}

TGrepToken TGrep::GetRegExpToken(int32_t i) const
{
    if (tokens_.empty()) return TGrepToken{};
    i = std::clamp(i, 1, static_cast<int32_t>(tokens_.size()));
    return tokens_[static_cast<std::size_t>(i - 1)];
}

std::string TGrep::RegExpListing() const
{
    std::string out;
    auto members = [&out](const TGrepToken& t) {
        for (int c = 0; c < 256; ++c)
            if (t.Data[c] == '*') out.push_back(static_cast<char>(c));
    };
    auto chars = [&out](const TGrepToken& t) {
        out.append(reinterpret_cast<const char*>(t.Data + 1), static_cast<std::size_t>(std::clamp(t.Count, 0, 255)));
    };
    for (const TGrepToken& t : tokens_) {
        out += kActionNames[t.Action & 7];
        switch (t.Action) {
        case taNormal:
            chars(t);
            break;
        case taSet:
            members(t);
            break;
        case taMult0:
        case taMult1:
        case taOpti:
            if (t.Count < 0) {
                out += "(set) ";
                members(t);
            } else if (t.Count == 0) {
                out += "(anychar) ";
            } else {
                out += "(string) ";
                chars(t);
            }
            break;
        default:
            break;
        }
        out += "\r\n";
    }
    out += ErrorText(errorCode_);
    out += "\r\n";
    return out;
}

bool TGrep::PrintRegExp(const std::string& FileName) const
{
    const std::string text = RegExpListing();
    std::FILE* f = std::fopen(FileName.c_str(), "wb");
    if (f == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0;
    const bool closed = std::fclose(f) == 0;
    return written && closed;
}

// ---------------------------------------------------------------------------
// Searching
//
// TryToken(k, p) tells whether tokens k.. match from offset p; its outcome
// depends on nothing else, so a failure can be remembered. Two kinds of
// memory keep the search within tokens x length steps: for the token after
// an optional token (reached from two positions) the failed entry offsets,
// and for a repeating multiplier the offsets from which its repetition loop
// has failed (a later loop reaching such an offset stops there).

bool TGrep::MemoTestAndSet(std::size_t slot, std::size_t p)
{
    std::vector<uint64_t>& bits = memo_[slot];
    if (bits.empty()) bits.assign(subject_.size() / 64 + 1, 0);
    uint64_t& w = bits[p / 64];
    const uint64_t m = uint64_t{1} << (p % 64);
    if (w & m) return true;
    w |= m;
    return false;
}

std::size_t TGrep::RepeatAt(const TGrepToken& t, std::size_t p) const noexcept
{
    const std::size_t len = subject_.size();
    if (t.Count < 0) return (p < len && t.Data[static_cast<unsigned char>(subject_[p])] == '*') ? 1 : 0;
    if (t.Count == 0) return p < len ? 1 : 0;
    const auto c = static_cast<std::size_t>(t.Count);
    return (p + c <= len && std::memcmp(subject_.data() + p, t.Data + 1, c) == 0) ? c : 0;
}

bool TGrep::RepeatLoop(std::size_t k, std::size_t q)
{
    const TGrepToken& t = tokens_[k];
    const auto slot = static_cast<std::size_t>(memoSlot_[2 * k + 1]);
    for (;;) {
        ++steps_;
        if (MemoTestAndSet(slot, q)) return false;
        if (TryToken(k + 1, q)) return true;
        const std::size_t w = RepeatAt(t, q);
        if (w == 0) return false;
        q += w;
    }
}

bool TGrep::TryToken(std::size_t k, std::size_t p)
{
    ++steps_;
    const std::size_t n = tokens_.size();
    if (k == n) {
        matchEndOffset_ = p;
        return true;
    }
    if (memoSlot_[2 * k] >= 0 && MemoTestAndSet(static_cast<std::size_t>(memoSlot_[2 * k]), p)) return false;
    TGrepToken& t = tokens_[k];
    const std::size_t len = subject_.size();
    const bool last = k + 1 == n;
    bool ok = false;
    switch (t.Action) {
    case taNormal: {
        const auto c = static_cast<std::size_t>(t.Count);
        ok = p + c <= len && std::memcmp(subject_.data() + p, t.Data + 1, c) == 0 && TryToken(k + 1, p + c);
        break;
    }
    case taAnyByte:
        ok = p < len && TryToken(k + 1, p + 1);
        break;
    case taSet:
        ok = p < len && t.Data[static_cast<unsigned char>(subject_[p])] == '*' && TryToken(k + 1, p + 1);
        break;
    case taBol:
        ok = p == 0 && TryToken(k + 1, p);
        break;
    case taEol:
        ok = p == len && TryToken(k + 1, p);
        break;
    case taOpti: {
        const std::size_t w = RepeatAt(t, p);
        if (last) {
            matchEndOffset_ = p + w;
            ok = true;
        } else {
            ok = TryToken(k + 1, p) || (w != 0 && TryToken(k + 1, p + w));
        }
        break;
    }
    case taMult0:
    case taMult1: {
        std::size_t q = p;
        if (t.Action == taMult1) {
            const std::size_t w = RepeatAt(t, p);
            if (w == 0) break;
            q += w;
        }
        if (last) {
            // A final multiplier takes the longest run.
            if (t.Count == 0) {
                q = len;
            } else {
                while (const std::size_t w = RepeatAt(t, q)) q += w;
            }
            matchEndOffset_ = q;
            ok = true;
        } else {
            ok = RepeatLoop(k, q);
        }
        break;
    }
    default:
        break;
    }
    if (ok) t.MatchPos = static_cast<int32_t>(p + 1);
    return ok;
}

bool TGrep::MatchString(const std::string& Subject, int32_t& MatchPos)
{
    MatchPos = 0;
    matchStart_ = 0;
    matchEnd_ = 0;
    steps_ = 0;
    for (TGrepToken& t : tokens_) t.MatchPos = 0;
    if (Subject.size() >= static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) return false;

    std::string folded;
    if (ignoreCase_) folded = vcl::AsciiLowerCase(Subject);
    subject_ = ignoreCase_ ? std::string_view(folded) : std::string_view(Subject);
    const std::size_t len = subject_.size();
    const std::size_t start = static_cast<std::size_t>(std::max(searchStartPos_, 1) - 1);
    if (start > len) return false;

    // Memory slots: entry memory for a token that follows an optional token
    // (reached both with and without the repetition), loop memory for a
    // repeating multiplier that is not the last token. The token after a
    // repeating multiplier needs none: the loop memory already lets it be
    // tried at most once per position.
    const std::size_t n = tokens_.size();
    memoSlot_.assign(2 * n, -1);
    int32_t slots = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (k > 0 && tokens_[k - 1].Action == taOpti) memoSlot_[2 * k] = slots++;
        if ((tokens_[k].Action == taMult0 || tokens_[k].Action == taMult1) && k + 1 < n) memoSlot_[2 * k + 1] = slots++;
    }
    memo_.resize(static_cast<std::size_t>(slots));
    for (auto& m : memo_) m.clear();

    const bool anchored = n > 0 && tokens_[0].Action == taBol;
    // A leading literal is located with a substring search before trying.
    std::string_view lead;
    if (n > 0 && tokens_[0].Action == taNormal)
        lead = std::string_view(reinterpret_cast<const char*>(tokens_[0].Data + 1), static_cast<std::size_t>(tokens_[0].Count));

    // A first token that needs a character from a set (a set, or one or more
    // repetitions of a set) lets the search skip positions in a tight loop.
    const uint8_t* firstSet = nullptr;
    if (n > 0 && (tokens_[0].Action == taSet || (tokens_[0].Action == taMult1 && tokens_[0].Count < 0)))
        firstSet = tokens_[0].Data;

    bool found = false;
    std::size_t at = start;
    for (; at <= len; ++at) {
        if (lead.size() == 1) {
            const void* f = std::memchr(subject_.data() + at, lead[0], len - at);
            if (f == nullptr) break;
            at = static_cast<std::size_t>(static_cast<const char*>(f) - subject_.data());
        } else if (!lead.empty()) {
            const std::size_t f = subject_.find(lead, at);
            if (f == std::string_view::npos) break;
            at = f;
        } else if (firstSet != nullptr) {
            const auto* d = reinterpret_cast<const unsigned char*>(subject_.data());
            while (at < len && firstSet[d[at]] != '*') ++at;
            if (at == len) break;
        }
        if (TryToken(0, at)) {
            found = true;
            break;
        }
        if (anchored) break;
    }
    subject_ = std::string_view();
    for (auto& m : memo_) m.clear();
    if (!found) {
        for (TGrepToken& t : tokens_) t.MatchPos = 0;
        return false;
    }
    matchStart_ = static_cast<int32_t>(at + 1);
    matchEnd_ = static_cast<int32_t>(matchEndOffset_);
    MatchPos = matchStart_;
    return true;
}

} // namespace PYX_stringl
