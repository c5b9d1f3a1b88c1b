// Hot paths of the string library, each next to the standard library doing
// the same work in the same run:
//   search      NumberedPos / PosLast / CountStringInString  vs  std::string_view::find
//   formatting  strff / FormatData / SigDigStr / TimeString   vs  std::to_chars, snprintf
//   throughput  Tokenize, ChangeCase                          vs  find + assign, transform, memcpy
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>

#include "corekit/PYX_stringl.h"

using namespace PYX_stringl;

namespace {

// ---------------------------------------------------------------------------
// Test data

// Lower-case words and blanks, 1 MiB, with "needle" only at the very end.
const std::string& Haystack()
{
    static const std::string s = [] {
        std::mt19937 rng(1);
        std::uniform_int_distribution<int> letter('a', 'z'), len(2, 9);
        std::string t;
        while (t.size() < (1u << 20)) {
            for (int i = len(rng); i > 0; --i) t.push_back(static_cast<char>(letter(rng)));
            t.push_back(' ');
        }
        // Remove accidental needles so that the only one is at the end.
        for (std::size_t p = t.find("needle"); p != std::string::npos; p = t.find("needle", p)) t[p] = 'x';
        t += "needle";
        return t;
    }();
    return s;
}

// 1 MiB of text with "<tag>" every 64 bytes: many hits for counting.
const std::string& ManyHits()
{
    static const std::string s = [] {
        std::string t;
        while (t.size() < (1u << 20)) t += "lorem ipsum dolor sit amet, consectetur adipis <tag> elit sed do ";
        return t;
    }();
    return s;
}

const std::vector<double>& Values()
{
    static const std::vector<double> v = [] {
        std::mt19937 rng(2);
        std::uniform_real_distribution<double> d(-99999.0, 99999.0);
        std::vector<double> r(1024);
        for (double& x : r) x = d(rng);
        return r;
    }();
    return v;
}

// ---------------------------------------------------------------------------
// Substring search

void BM_NumberedPos(benchmark::State& st)
{
    const std::string& s = Haystack();
    for (auto _ : st) benchmark::DoNotOptimize(NumberedPos("needle", s, 1, 1, false));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * s.size()));
}
BENCHMARK(BM_NumberedPos);

void BM_Std_find(benchmark::State& st)
{
    const std::string_view s = Haystack();
    for (auto _ : st) benchmark::DoNotOptimize(s.find("needle"));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * s.size()));
}
BENCHMARK(BM_Std_find);

void BM_CountStringInString(benchmark::State& st)
{
    const std::string& s = ManyHits();
    for (auto _ : st) benchmark::DoNotOptimize(CountStringInString("<tag>", s, true));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * s.size()));
}
BENCHMARK(BM_CountStringInString);

void BM_PosLast(benchmark::State& st)
{
    const std::string& s = ManyHits();
    for (auto _ : st) benchmark::DoNotOptimize(PosLast("<tag>", s));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * s.size()));
}
BENCHMARK(BM_PosLast);

// The reference for both: a find loop over non-overlapping occurrences.
void BM_Std_find_count(benchmark::State& st)
{
    const std::string_view s = ManyHits();
    const std::string_view sub = "<tag>";
    for (auto _ : st) {
        int n = 0;
        for (std::size_t p = s.find(sub); p != std::string_view::npos; p = s.find(sub, p + sub.size())) ++n;
        benchmark::DoNotOptimize(n);
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * s.size()));
}
BENCHMARK(BM_Std_find_count);

// ---------------------------------------------------------------------------
// Number formatting: one result string per value

template <class F>
void RunValues(benchmark::State& st, F f)
{
    const std::vector<double>& v = Values();
    std::size_t i = 0;
    for (auto _ : st) {
        std::string r = f(v[i]);
        benchmark::DoNotOptimize(r.data());
        i = (i + 1) & 1023;
    }
    st.SetItemsProcessed(st.iterations());
}

void BM_strff_fixed(benchmark::State& st)
{
    RunValues(st, [](double x) { return strff(x, 10, 2); });
}
BENCHMARK(BM_strff_fixed);

void BM_Std_to_chars_fixed(benchmark::State& st)
{
    RunValues(st, [](double x) {
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, 2);
        const std::size_t n = static_cast<std::size_t>(r.ptr - buf);
        std::string s(n < 10 ? 10 - n : 0, ' ');
        s.append(buf, n);
        return s;
    });
}
BENCHMARK(BM_Std_to_chars_fixed);

void BM_Std_snprintf_fixed(benchmark::State& st)
{
    RunValues(st, [](double x) {
        char buf[64];
        const int n = std::snprintf(buf, sizeof buf, "%10.2f", x);
        return std::string(buf, static_cast<std::size_t>(n));
    });
}
BENCHMARK(BM_Std_snprintf_fixed);

void BM_strff_exp(benchmark::State& st)
{
    RunValues(st, [](double x) { return strff(x, 10, -2); });
}
BENCHMARK(BM_strff_exp);

void BM_Std_to_chars_exp(benchmark::State& st)
{
    RunValues(st, [](double x) {
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 3);
        const std::size_t n = static_cast<std::size_t>(r.ptr - buf);
        std::string s(n < 10 ? 10 - n : 0, ' ');
        s.append(buf, n);
        return s;
    });
}
BENCHMARK(BM_Std_to_chars_exp);

void BM_Std_snprintf_exp(benchmark::State& st)
{
    RunValues(st, [](double x) {
        char buf[64];
        const int n = std::snprintf(buf, sizeof buf, "%10.3E", x);
        return std::string(buf, static_cast<std::size_t>(n));
    });
}
BENCHMARK(BM_Std_snprintf_exp);

void BM_FormatData(benchmark::State& st)
{
    RunValues(st, [](double x) { return FormatData(x, 12, 3); });
}
BENCHMARK(BM_FormatData);

void BM_SigDigStr(benchmark::State& st)
{
    RunValues(st, [](double x) { return SigDigStr(x, 12, 5); });
}
BENCHMARK(BM_SigDigStr);

// The reference for both: fixed text with three decimals in a 12-wide field.
void BM_Std_snprintf_fixed3(benchmark::State& st)
{
    RunValues(st, [](double x) {
        char buf[64];
        const int n = std::snprintf(buf, sizeof buf, "%12.3f", x);
        return std::string(buf, static_cast<std::size_t>(n));
    });
}
BENCHMARK(BM_Std_snprintf_fixed3);

void BM_TimeString(benchmark::State& st)
{
    RunValues(st, [](double x) { return TimeString(x < 0 ? -x : x, 0); });
}
BENCHMARK(BM_TimeString);

void BM_Std_snprintf_time(benchmark::State& st)
{
    RunValues(st, [](double x) {
        const double t = x < 0 ? -x : x;
        const long long h = static_cast<long long>(t / 3600);
        const long long m = static_cast<long long>((t - 3600.0 * h) / 60);
        const long long s = static_cast<long long>(t - 3600.0 * h - 60.0 * m);
        const long long c = static_cast<long long>((t - static_cast<double>(static_cast<long long>(t))) * 100);
        char buf[64];
        const int n = std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld.%02lld", h, m, s, c);
        return std::string(buf, static_cast<std::size_t>(n));
    });
}
BENCHMARK(BM_Std_snprintf_time);

// ---------------------------------------------------------------------------
// Throughput on long strings

// 100 tokens of 200 bytes: the most Tokenize splits.
const std::string& TokenText()
{
    static const std::string s = [] {
        std::string t;
        for (int i = 0; i < 100; ++i) {
            if (i > 0) t.push_back(';');
            t.append(200, static_cast<char>('a' + i % 26));
        }
        return t;
    }();
    return s;
}

void BM_Tokenize(benchmark::State& st)
{
    const std::string& s = TokenText();
    TOpenStringArray tokens;
    for (auto _ : st) {
        Tokenize(s, ";", tokens);
        benchmark::DoNotOptimize(tokens.data());
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * s.size()));
}
BENCHMARK(BM_Tokenize);

void BM_Std_find_split(benchmark::State& st)
{
    const std::string_view s = TokenText();
    std::vector<std::string> tokens;
    for (auto _ : st) {
        std::size_t n = 0, from = 0;
        for (;;) {
            const std::size_t p = s.find(';', from);
            const std::string_view t = s.substr(from, p == std::string_view::npos ? p : p - from);
            if (n < tokens.size())
                tokens[n].assign(t);
            else
                tokens.emplace_back(t);
            ++n;
            if (p == std::string_view::npos) break;
            from = p + 1;
        }
        tokens.resize(n);
        benchmark::DoNotOptimize(tokens.data());
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * s.size()));
}
BENCHMARK(BM_Std_find_split);

const std::string& CaseText(bool Accents)
{
    static const std::string plain = [] {
        std::string t;
        while (t.size() < (1u << 20)) t += "The Quick Brown Fox Jumps Over The Lazy Dog; 0123456789. ";
        return t;
    }();
    static const std::string accented = [] {
        std::string t;
        while (t.size() < (1u << 20)) t += "Gr\xFC\xDF" "e aus M\xFCnchen und \xC4rger \xFC" "ber \xD6l. ";
        return t;
    }();
    return Accents ? accented : plain;
}

void BM_ChangeCase(benchmark::State& st)
{
    const std::string& s = CaseText(st.range(0) != 0);
    for (auto _ : st) {
        std::string r = ChangeCase(s);
        benchmark::DoNotOptimize(r.data());
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * s.size()));
}
BENCHMARK(BM_ChangeCase)->Arg(0)->Arg(1);

// The standard library swapping the case of ASCII letters (less work: no
// accented letters) into a new string.
void BM_Std_transform_case(benchmark::State& st)
{
    const std::string& s = CaseText(st.range(0) != 0);
    for (auto _ : st) {
        std::string r(s.size(), '\0');
        std::transform(s.begin(), s.end(), r.begin(), [](char c) {
            const unsigned char u = static_cast<unsigned char>(c);
            return static_cast<char>(static_cast<unsigned>((u | 0x20) - 'a') < 26u ? (u ^ 0x20) : u);
        });
        benchmark::DoNotOptimize(r.data());
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * s.size()));
}
BENCHMARK(BM_Std_transform_case)->Arg(0)->Arg(1);

// Memory speed: copying the text into a new string.
void BM_Std_copy(benchmark::State& st)
{
    const std::string& s = CaseText(false);
    for (auto _ : st) {
        std::string r(s);
        benchmark::DoNotOptimize(r.data());
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * s.size()));
}
BENCHMARK(BM_Std_copy);

} // namespace
