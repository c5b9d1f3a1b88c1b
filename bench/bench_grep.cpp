// The regular-expression matcher against the standard library's ECMAScript
// engine and, when the system has it, the PCRE2 interpreter (loaded at run
// time, no JIT), on equivalent patterns over a 10 MB text whose only match
// lies at its end. A last group shows that a pattern which defeats plain
// backtracking (many optional tokens before a failing one) stays linear.
#include <benchmark/benchmark.h>

#include <dlfcn.h>

#include <cstdint>
#include <regex>
#include <string>

#include "corekit/PYX_stringl.h"
#include "vcl/System.h"

namespace {

constexpr std::size_t kTextSize = 10u << 20;

// Random lower-case words and digits; the match target is appended.
const std::string& Text()
{
    static const std::string text = [] {
        vcl::SplitMix64 rng(1);
        std::string t;
        t.reserve(kTextSize + 64);
        while (t.size() < kTextSize) {
            const int len = 2 + rng.NextInt(8);
            for (int i = 0; i < len; ++i) t.push_back(static_cast<char>('a' + rng.NextInt(20)));
            t.push_back(rng.NextInt(10) == 0 ? static_cast<char>('0' + rng.NextInt(10)) : ' ');
        }
        t += " wxyz 7777Q quuuux vvvz";
        return t;
    }();
    return text;
}

struct Pattern {
    const char* name;
    const char* ours;
    const char* ecma; // lazy where ours tries the shortest repetition
};

const Pattern kPatterns[] = {
    {"literal", "wxyz", "wxyz"},
    {"set_plus", "[0-9]+Q", "[0-9]+?Q"},
    {"group_star", "qu*x", "qu*?x"},
    {"any_star", "v.*z", "v.*?z"},
};

void Found(benchmark::State& state, bool found)
{
    if (!found) state.SkipWithError("no match");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Text().size()));
}

void BM_TGrep(benchmark::State& state)
{
    const Pattern& p = kPatterns[state.range(0)];
    state.SetLabel(p.name);
    PYX_stringl::TGrep g(nullptr);
    g.SetRegExp(p.ours);
    bool found = false;
    for (auto _ : state) {
        int32_t pos = 0;
        found = g.MatchString(Text(), pos);
        benchmark::DoNotOptimize(pos);
    }
    Found(state, found);
}

void BM_StdRegex(benchmark::State& state)
{
    const Pattern& p = kPatterns[state.range(0)];
    state.SetLabel(p.name);
    const std::regex re(p.ecma, std::regex::ECMAScript);
    bool found = false;
    for (auto _ : state) {
        std::smatch m;
        found = std::regex_search(Text(), m, re);
        benchmark::DoNotOptimize(m);
    }
    Found(state, found);
}

// The few PCRE2 entry points used, resolved from the shared library.
struct Pcre2 {
    using Compile = void* (*)(const unsigned char*, std::size_t, uint32_t, int*, std::size_t*, void*);
    using MatchDataCreate = void* (*)(const void*, void*);
    using Match = int (*)(const void*, const unsigned char*, std::size_t, std::size_t, uint32_t, void*, void*);
    using Free = void (*)(void*);
    Compile compile = nullptr;
    MatchDataCreate matchDataCreate = nullptr;
    Match match = nullptr;
    Free codeFree = nullptr;
    Free matchDataFree = nullptr;
    bool ok = false;
    Pcre2()
    {
        void* h = dlopen("libpcre2-8.so.0", RTLD_NOW);
        if (h == nullptr) return;
        compile = reinterpret_cast<Compile>(dlsym(h, "pcre2_compile_8"));
        matchDataCreate = reinterpret_cast<MatchDataCreate>(dlsym(h, "pcre2_match_data_create_from_pattern_8"));
        match = reinterpret_cast<Match>(dlsym(h, "pcre2_match_8"));
        codeFree = reinterpret_cast<Free>(dlsym(h, "pcre2_code_free_8"));
        matchDataFree = reinterpret_cast<Free>(dlsym(h, "pcre2_match_data_free_8"));
        ok = compile && matchDataCreate && match && codeFree && matchDataFree;
    }
};

void BM_Pcre2Interp(benchmark::State& state)
{
    static const Pcre2 lib;
    const Pattern& p = kPatterns[state.range(0)];
    state.SetLabel(p.name);
    if (!lib.ok) {
        state.SkipWithError("libpcre2-8 not available");
        return;
    }
    int err = 0;
    std::size_t off = 0;
    const std::string pat = p.ecma;
    void* code = lib.compile(reinterpret_cast<const unsigned char*>(pat.data()), pat.size(), 0, &err, &off, nullptr);
    void* md = lib.matchDataCreate(code, nullptr);
    bool found = false;
    const std::string& t = Text();
    for (auto _ : state) {
        const int rc = lib.match(code, reinterpret_cast<const unsigned char*>(t.data()), t.size(), 0, 0, md, nullptr);
        found = rc > 0;
        benchmark::DoNotOptimize(rc);
    }
    lib.matchDataFree(md);
    lib.codeFree(code);
    Found(state, found);
}

// Many optional tokens followed by one that never matches, over 1..8 MB.
void BM_TGrepPathological(benchmark::State& state)
{
    const std::string text(static_cast<std::size_t>(state.range(0)) << 20, 'a');
    std::string pattern;
    for (int i = 0; i < 16; ++i) pattern += "a?";
    pattern += "b";
    PYX_stringl::TGrep g(nullptr);
    g.SetRegExp(pattern);
    for (auto _ : state) {
        int32_t pos = 0;
        benchmark::DoNotOptimize(g.MatchString(text, pos));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.counters["steps/byte"] = static_cast<double>(g.GetMatchSteps()) / static_cast<double>(text.size());
}

} // namespace

BENCHMARK(BM_TGrep)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdRegex)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Pcre2Interp)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TGrepPathological)->RangeMultiplier(2)->Range(1, 8)->Unit(benchmark::kMillisecond);
