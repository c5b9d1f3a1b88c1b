// The regular-expression matcher: compiled tokens, errors, listing, the
// search rules, a differential test against the standard library's
// ECMAScript engine, and the cost bound on pathological patterns.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corekit/PYX_stringl.h"
#include "vcl/System.h"

using namespace PYX_stringl;

namespace {

// A compact description of a token: action letter and its content.
// N'lit'  A  E  B  S{members}  *x  +x  ?x where x is (set){..}, (any) or 'lit'
std::string Describe(const TGrepToken& t)
{
    auto members = [&t] {
        std::string m;
        int count = 0;
        for (int c = 0; c < 256; ++c)
            if (t.Data[c] == '*') {
                ++count;
                if (c >= 32 && c < 127) m.push_back(static_cast<char>(c));
            }
        return count > 100 ? "~" + std::to_string(count) : m;
    };
    auto lit = [&t] { return "'" + std::string(reinterpret_cast<const char*>(t.Data + 1), t.Count) + "'"; };
    auto body = [&] { return t.Count < 0 ? "{" + members() + "}" : t.Count == 0 ? std::string("(any)") : lit(); };
    switch (t.Action) {
    case taNormal: return "N" + lit();
    case taAnyByte: return "A";
    case taEol: return "E";
    case taBol: return "B";
    case taSet: return "S{" + members() + "}";
    case taMult0: return "*" + body();
    case taMult1: return "+" + body();
    case taOpti: return "?" + body();
    }
    return "?";
}

std::string Tokens(const TGrep& g)
{
    std::string s;
    for (int i = 1; i <= g.GetNumTokens(); ++i) s += (i > 1 ? " " : "") + Describe(g.GetRegExpToken(i));
    return s;
}

} // namespace

TEST(Grep, CompilesIntoTokens)
{
    struct Case { const char* pattern; bool icase; const char* tokens; } cases[] = {
        {"ab*", false, "N'a' *'b'"},
        {"(ab)*", false, "*'ab'"},
        {"abc+x", false, "N'ab' +'c' N'x'"},
        {"a.*", false, "N'a' *(any)"},
        {"^b", false, "B N'b'"},
        {"c$", false, "N'c' E"},
        {"^$", false, "B E"},
        {"[a-c]?", false, "?{abc}"},
        {"[c-a]", false, "S{abc}"},
        {"[^0-9]", false, "S{~246}"},
        {"[a\\]\\-]", false, "S{-]a}"},
        {"(ab)(cd)", false, "N'abcd'"},
        {"(ab)(cd)*", false, "*'abcd'"},
        {"(ab)x(cd)", false, "N'ab' N'x' N'cd'"},
        {"(a.*[)", false, "N'a.*['"},
        {"x()y", false, "N'x' N'y'"},
        {"a\\.b", false, "N'a.b'"},
        {"\\#41\\#2A", false, "N'A*'"},  // a character given by its code is a literal
        {"\\\\#41", false, "N'\\#41'"},   // an escaped backslash does not start a code
        {"\\#41B[C-D]", true, "N'ab' S{cd}"},
        {"", false, ""},
    };
    for (const auto& c : cases) {
        TGrep g(nullptr);
        g.SetIgnoreCase(c.icase);
        EXPECT_EQ(g.CompileRegExp(c.pattern), 0) << c.pattern;
        EXPECT_EQ(Tokens(g), c.tokens) << c.pattern;
    }
    TGrep g(nullptr);
    g.SetRegExp("[^0-9]");
    const TGrepToken t = g.GetRegExpToken(1);
    EXPECT_EQ(t.Data['5'], ' ');
    EXPECT_EQ(t.Data['a'], '*');
    EXPECT_EQ(t.Data[0], '*');
    EXPECT_EQ(t.Data[255], '*');
}

TEST(Grep, ReportsCompileErrors)
{
    const std::string many(70, '.');
    const std::string longGroup = "(" + std::string(300, 'g') + ")*";
    struct Case { std::string pattern; int code; } cases[] = {
        {"$a", 1}, {"$", 1}, {"*a", 1}, {"+", 1}, {"?b", 1},
        {"a^", 2}, {"(a^b)", 2},
        {"a$b", 3}, {"a$$", 3},
        {"[]", 4}, {"[^]", 4},
        {"[a^]", 5}, {"[a-^]", 5},
        {"[ab", 6}, {"a]", 6}, {"[", 6},
        {"[-a]", 7}, {"[a]-", 7}, {"[a-]", 7}, {"[a-b-c]", 7},
        {"(ab", 8}, {"ab)", 8},
        {"a**", 9}, {"^*", 9}, {"a$*", 3}, {"()*", 9}, {"a?+", 9},
        {many, 10}, {longGroup, 10},
    };
    for (const auto& c : cases) {
        TGrep g(nullptr);
        g.SetStopOnError(false);
        g.SetRegExp(c.pattern);
        EXPECT_EQ(g.GetErrorCode(), c.code) << c.pattern;
        EXPECT_LE(g.GetNumTokens(), TGrep::MaxTokens);
    }
    EXPECT_EQ(TGrep::ErrorText(4), "empty set");
    EXPECT_EQ(TGrep::ErrorText(9), "*, ?, + have to be applied to groups or sets only");
}

TEST(Grep, ErrorRaisesWithTheComponentName)
{
    TGrep g(nullptr);
    g.SetName("Finder");
    try {
        g.SetRegExp("a$b");
        FAIL() << "no exception";
    } catch (const EPYXStringlError& e) {
        EXPECT_STREQ(e.what(), "Component \"Finder\": error in regular expression - no character allowed after end of line");
    }
    EXPECT_EQ(g.GetErrorCode(), 3);
    // Without StopOnError the tokens before the error still search.
    g.SetStopOnError(false);
    g.SetRegExp("ab[");
    EXPECT_EQ(g.GetErrorCode(), 6);
    int32_t pos = 0;
    EXPECT_TRUE(g.MatchString("xxab", pos));
    EXPECT_EQ(pos, 3);
}

TEST(Grep, LongLiteralsAreSplitNotOverrun)
{
    const std::string lit(600, 'q');
    TGrep g(nullptr);
    g.SetRegExp(lit + "r*");
    EXPECT_EQ(g.GetErrorCode(), 0);
    EXPECT_EQ(g.GetNumTokens(), 4); // 255 + 255 + 89 + the multiplier
    int32_t pos = 0;
    EXPECT_TRUE(g.MatchString("x" + lit + "rr", pos));
    EXPECT_EQ(pos, 2);
    EXPECT_EQ(g.GetMatchEnd(), 603);
    EXPECT_FALSE(g.MatchString(std::string(599, 'q'), pos));
}

TEST(Grep, SearchRules)
{
    struct Case {
        const char* pattern; bool icase; int32_t startPos; const char* subject;
        bool found; int32_t start; int32_t end;
    } cases[] = {
        {"ABC", true, 1, "xabcx", true, 2, 4},
        {"abc", true, 1, "xABCx", true, 2, 4},
        {"a.*", false, 1, "abc", true, 1, 3},
        {"^b", false, 1, "abc", false, 0, 0},
        {"^a", false, 2, "aba", false, 0, 0},
        {"c$", false, 1, "abc", true, 3, 3},
        {"a", false, 3, "abc", false, 0, 0},
        {"a", false, 0, "abc", true, 1, 1},
        {"a", false, -7, "abc", true, 1, 1},
        {"a", false, 9, "abc", false, 0, 0},
        {"x*", false, 1, "abc", true, 1, 0},    // an empty match at the start
        {"x*", false, 2, "axxb", true, 2, 3},
        {".*", false, 2, "abcd", true, 2, 4},
        {"a*$", false, 1, "b", true, 2, 1},     // empty, after the last character
        {"a*b", false, 1, "xaaab", true, 2, 5},
        {"a*?", false, 1, "", true, 1, 0},      // '?' after '*' is an error; 'a*' was compiled
        {"a.*b", false, 1, "aXbYb", true, 1, 3}, // shortest repetition before a following token
        {"ab*", false, 1, "abbbc", true, 1, 4},  // the last multiplier takes the longest run
        {"(ab)+c", false, 1, "abababc", true, 1, 7},
        {"[0-9]+", false, 1, "ab123c", true, 3, 5},
        {"[0-9]+", false, 1, "abc", false, 0, 0},
        {"a[0-9]", false, 1, "a", false, 0, 0},  // a set just after the end
        {"a[0-9]+", false, 1, "a", false, 0, 0},
        {"colou?r", false, 1, "my color", true, 4, 8},
        {"b?", false, 1, "abc", true, 1, 0},
        {"", false, 2, "abc", true, 2, 1},
        {"\\#e4", false, 1, "M\xE4rz", true, 2, 2},
        {"\\#C4", true, 1, "\xC4", true, 1, 1}, // only A..Z are folded
    };
    for (const auto& c : cases) {
        TGrep g(nullptr);
        g.SetStopOnError(false);
        g.SetIgnoreCase(c.icase);
        g.SetRegExp(c.pattern);
        g.SetSearchStartPos(c.startPos);
        int32_t pos = -1;
        const bool found = g.MatchString(c.subject, pos);
        EXPECT_EQ(found, c.found) << c.pattern << " on " << c.subject;
        EXPECT_EQ(pos, c.found ? c.start : 0) << c.pattern << " on " << c.subject;
        EXPECT_EQ(g.GetMatchStart(), c.start) << c.pattern << " on " << c.subject;
        EXPECT_EQ(g.GetMatchEnd(), c.end) << c.pattern << " on " << c.subject;
    }
}

TEST(Grep, TokensRecordWhereTheyMatched)
{
    TGrep g(nullptr);
    g.SetRegExp("b[0-9]*x.");
    int32_t pos = 0;
    ASSERT_TRUE(g.MatchString("abb12xyz", pos));
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(g.GetRegExpToken(1).MatchPos, 3);
    EXPECT_EQ(g.GetRegExpToken(2).MatchPos, 4);
    EXPECT_EQ(g.GetRegExpToken(3).MatchPos, 6);
    EXPECT_EQ(g.GetRegExpToken(4).MatchPos, 7);
    EXPECT_EQ(g.GetRegExpToken(99).MatchPos, 7); // clamped to the last token
    EXPECT_EQ(g.GetRegExpToken(-1).Action, taNormal);
    TGrep empty(nullptr);
    EXPECT_EQ(empty.GetRegExpToken(1).Count, 0);
}

TEST(Grep, ListingShowsEveryToken)
{
    const auto path = (std::filesystem::temp_directory_path() / "grep_listing.txt").string();
    TGrep g(nullptr);
    g.SetStopOnError(false);
    g.SetRegExp("^ab[x-z]+.(cd)?[0-2]*.*$");
    ASSERT_TRUE(g.PrintRegExp(path));
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(),
              "    taBol: \r\n"
              " taNormal: ab\r\n"
              "  taMult1: (set) xyz\r\n"
              "taAnyByte: \r\n"
              "   taOpti: (string) cd\r\n"
              "  taMult0: (set) 012\r\n"
              "  taMult0: (anychar) \r\n"
              "    taEol: \r\n"
              "no errors\r\n");
    g.SetRegExp("[a]x[");
    EXPECT_EQ(g.RegExpListing(), "    taSet: a\r\n taNormal: x\r\nmismatch of set brackets\r\n");
    std::filesystem::remove(path);
    EXPECT_FALSE(g.PrintRegExp((std::filesystem::temp_directory_path() / "no_such_dir" / "x").string()));
}

// ---------------------------------------------------------------------------
// Differential test. Patterns are generated within the matcher's syntax and
// translated to ECMAScript: a multiplier followed by further tokens becomes
// lazy (shortest first), the last one stays greedy (longest), and adjacent
// groups form one group, as they form one literal here.

namespace {

struct GenPattern {
    std::string ours;
    std::string ecma;
};

GenPattern Generate(vcl::SplitMix64& rng, bool icase)
{
    auto pick = [&rng](int n) { return rng.NextInt(n); };
    auto letter = [&]() {
        char c = "abc"[pick(3)];
        if (icase && pick(2)) c = static_cast<char>(c - 'a' + 'A');
        return c;
    };
    struct Unit { std::string ours, ecma; bool group; char mult; };
    std::vector<Unit> units;
    const int atoms = 1 + pick(4);
    for (int i = 0; i < atoms; ++i) {
        Unit u{"", "", false, 0};
        switch (pick(7)) {
        case 0: case 1: case 2: {
            const char c = letter();
            u.ours = u.ecma = std::string(1, c);
            break;
        }
        case 3:
            u.ours = u.ecma = ".";
            break;
        case 4: {
            static const char* sets[][2] = {{"[ab]", "[ab]"}, {"[^a]", "[^a]"}, {"[a-b]", "[a-b]"},
                                            {"[c-a]", "[a-c]"}, {"[\\.c]", "[.c]"}, {"[^bc]", "[^bc]"}};
            const int s = pick(6);
            u.ours = sets[s][0];
            u.ecma = sets[s][1];
            break;
        }
        case 5:
            u.ours = "\\.";
            u.ecma = "\\.";
            break;
        default: {
            std::string body;
            const int len = 1 + pick(3);
            for (int k = 0; k < len; ++k) body.push_back(pick(5) == 0 ? '.' : letter());
            u.ours = "(" + body + ")";
            for (char c : body) u.ecma += c == '.' ? std::string("\\.") : std::string(1, c);
            u.group = true;
            break;
        }
        }
        if (pick(2)) u.mult = "*+?"[pick(3)];
        // A group directly after a group without multiplier continues it.
        if (u.group && !units.empty() && units.back().group && units.back().mult == 0) {
            units.back().ours += u.ours;
            units.back().ecma += u.ecma;
            units.back().mult = u.mult;
            continue;
        }
        units.push_back(u);
    }
    const bool bol = pick(4) == 0;
    const bool eol = pick(4) == 0;
    GenPattern g;
    if (bol) g.ours += "^", g.ecma += "^";
    for (std::size_t i = 0; i < units.size(); ++i) {
        const Unit& u = units[i];
        g.ours += u.ours;
        if (u.mult) g.ours += u.mult;
        g.ecma += u.group ? "(?:" + u.ecma + ")" : u.ecma;
        if (u.mult) {
            g.ecma += u.mult;
            const bool lastToken = i + 1 == units.size() && !eol;
            if (!lastToken) g.ecma += "?";
        }
    }
    if (eol) g.ours += "$", g.ecma += "$";
    return g;
}

} // namespace

TEST(Grep, AgreesWithAnIndependentEngine)
{
    vcl::SplitMix64 rng(20240611);
    int matches = 0, compared = 0;
    for (int round = 0; round < 6000; ++round) {
        const bool icase = round % 3 == 0;
        const GenPattern p = Generate(rng, icase);
        TGrep g(nullptr);
        g.SetIgnoreCase(icase);
        g.SetRegExp(p.ours);
        ASSERT_EQ(g.GetErrorCode(), 0) << p.ours;
        std::regex re(p.ecma, icase ? std::regex::ECMAScript | std::regex::icase : std::regex::ECMAScript);
        for (int t = 0; t < 8; ++t) {
            std::string text;
            const int len = rng.NextInt(21);
            for (int k = 0; k < len; ++k) {
                char c = "abcd."[rng.NextInt(5)];
                if (icase && c != '.' && rng.NextInt(2)) c = static_cast<char>(c - 'a' + 'A');
                text.push_back(c);
            }
            const int32_t ssp = 1 + rng.NextInt(len + 2);
            g.SetSearchStartPos(ssp);
            int32_t pos = 0;
            const bool found = g.MatchString(text, pos);
            std::smatch m;
            bool refFound = false;
            int32_t refStart = 0, refEnd = 0;
            if (static_cast<std::size_t>(ssp - 1) <= text.size()) {
                const auto flags = ssp > 1 ? std::regex_constants::match_not_bol : std::regex_constants::match_default;
                refFound = std::regex_search(text.cbegin() + (ssp - 1), text.cend(), m, re, flags);
                if (refFound) {
                    refStart = ssp + static_cast<int32_t>(m.position(0));
                    refEnd = refStart + static_cast<int32_t>(m.length(0)) - 1;
                }
            }
            ++compared;
            ASSERT_EQ(found, refFound) << "pattern " << p.ours << " (" << p.ecma << ") text '" << text << "' from " << ssp;
            if (found) {
                ++matches;
                ASSERT_EQ(g.GetMatchStart(), refStart) << p.ours << " on '" << text << "' from " << ssp;
                ASSERT_EQ(g.GetMatchEnd(), refEnd) << p.ours << " (" << p.ecma << ") on '" << text << "' from " << ssp;
            }
        }
    }
    // Both outcomes must be well represented for the comparison to mean much.
    EXPECT_GT(matches, compared / 5);
    EXPECT_LT(matches, compared * 4 / 5);
}

// ---------------------------------------------------------------------------
// Cost: patterns that make naive backtracking exponential or polynomial stay
// within a fixed multiple of tokens x (length + 1) token tests, and the count
// grows linearly with the subject.

TEST(Grep, PathologicalPatternsStayLinear)
{
    std::string manyOptional;
    for (int i = 0; i < 30; ++i) manyOptional += "a?";
    struct Case { std::string pattern; char fill; } cases[] = {
        {manyOptional + "b", 'a'},
        {".*.*.*.*.*x", 'y'},
        {"(ab)*(ab)*(ab)*c", 'a'},
        {"[a-z]*[a-z]*[a-z]*[a-z]*1", 'q'},
        {"a*a*a*a*a*a*a*a*b", 'a'},
        {"a+a+a+a+a+a+$", 'a'},
    };
    for (const auto& c : cases) {
        TGrep g(nullptr);
        g.SetRegExp(c.pattern);
        ASSERT_EQ(g.GetErrorCode(), 0) << c.pattern;
        int64_t prev = 0;
        for (int n : {2000, 4000, 8000}) {
            std::string text(static_cast<std::size_t>(n), c.fill);
            if (c.pattern.back() == '$') text += 'b';
            int32_t pos = 0;
            EXPECT_FALSE(g.MatchString(text, pos)) << c.pattern;
            const int64_t steps = g.GetMatchSteps();
            const int64_t bound = 4LL * (g.GetNumTokens() + 1) * (n + 2);
            EXPECT_LE(steps, bound) << c.pattern << " n=" << n;
            if (prev > 0) {
                EXPECT_LE(steps, prev * 21 / 10 + 100) << c.pattern << " grows faster than linearly";
            }
            prev = steps;
        }
    }
}
