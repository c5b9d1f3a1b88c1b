// Reading a 100 MB text file line by line with the library's line reader on a
// buffered file stream against std::getline on std::ifstream, and binary
// reads of fixed-size records through the file stream against
// std::ifstream::read. The file is made in a temporary folder on first use
// and removed when the program ends.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "corekit/PYX_streams.h"
#include "vcl/Streams.h"
#include "vcl/TextFile.h"

namespace {

namespace fs = std::filesystem;

class BenchFile {
public:
    static const std::string& Path()
    {
        static BenchFile file;
        return file.path_;
    }
    static constexpr int64_t kSize = 100 * 1000 * 1000;

private:
    BenchFile()
    {
        std::string tmpl = (fs::temp_directory_path() / "pyx-bench-streams-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        dir_ = tmpl;
        path_ = (dir_ / "lines.txt").string();
        // Lines of 10 to 120 characters, like data files, ended by CR LF.
        vcl::TFileStream f(path_, vcl::fmCreate);
        vcl::SplitMix64 rng(1);
        std::string line;
        int64_t written = 0;
        while (written < kSize) {
            line.clear();
            const int len = 10 + rng.NextInt(111);
            for (int i = 0; i < len; ++i) line.push_back(static_cast<char>('a' + rng.NextInt(26)));
            if (rng.NextInt(4) == 0) line += "\t1.25e3";
            line += "\r\n";
            f.WriteBuffer(line);
            written += static_cast<int64_t>(line.size());
        }
        f.Flush();
    }
    ~BenchFile() { fs::remove_all(dir_); }

    fs::path dir_;
    std::string path_;
};

void BM_ReadLnStream(benchmark::State& state)
{
    const std::string& path = BenchFile::Path();
    for (auto _ : state) {
        vcl::TFileStream s(path, vcl::fmOpenRead);
        bool eos = false;
        int64_t lines = 0, chars = 0;
        while (!eos) {
            const std::string line = PYX_streams::ReadLnStream(s, eos, 0);
            chars += static_cast<int64_t>(line.size());
            ++lines;
        }
        benchmark::DoNotOptimize(chars);
        state.counters["lines"] = static_cast<double>(lines);
    }
    state.SetBytesProcessed(state.iterations() * BenchFile::kSize);
}
BENCHMARK(BM_ReadLnStream)->Unit(benchmark::kMillisecond);

void BM_TextFileReadLn(benchmark::State& state)
{
    const std::string& path = BenchFile::Path();
    for (auto _ : state) {
        vcl::TTextFile f(path);
        f.Reset();
        int64_t lines = 0, chars = 0;
        while (!f.Eof()) {
            const std::string line = f.ReadLn();
            chars += static_cast<int64_t>(line.size());
            ++lines;
        }
        benchmark::DoNotOptimize(chars);
        state.counters["lines"] = static_cast<double>(lines);
    }
    state.SetBytesProcessed(state.iterations() * BenchFile::kSize);
}
BENCHMARK(BM_TextFileReadLn)->Unit(benchmark::kMillisecond);

void BM_StdGetline(benchmark::State& state)
{
    const std::string& path = BenchFile::Path();
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        std::string line;
        int64_t lines = 0, chars = 0;
        while (std::getline(in, line)) {
            chars += static_cast<int64_t>(line.size());
            ++lines;
        }
        benchmark::DoNotOptimize(chars);
        state.counters["lines"] = static_cast<double>(lines);
    }
    state.SetBytesProcessed(state.iterations() * BenchFile::kSize);
}
BENCHMARK(BM_StdGetline)->Unit(benchmark::kMillisecond);

// Binary reads of records of Arg bytes.
void BM_FileStreamRead(benchmark::State& state)
{
    const std::string& path = BenchFile::Path();
    const auto rec = static_cast<int64_t>(state.range(0));
    std::vector<char> buf(static_cast<size_t>(rec));
    for (auto _ : state) {
        vcl::TFileStream s(path, vcl::fmOpenRead);
        int64_t total = 0;
        for (;;) {
            const int64_t n = s.Read(buf.data(), rec);
            if (n <= 0) break;
            total += n;
            benchmark::DoNotOptimize(buf.data());
        }
        if (total < BenchFile::kSize) state.SkipWithError("short read");
    }
    state.SetBytesProcessed(state.iterations() * BenchFile::kSize);
}
BENCHMARK(BM_FileStreamRead)->Arg(4)->Arg(64)->Arg(4096)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void BM_IfstreamRead(benchmark::State& state)
{
    const std::string& path = BenchFile::Path();
    const auto rec = static_cast<std::streamsize>(state.range(0));
    std::vector<char> buf(static_cast<size_t>(rec));
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        int64_t total = 0;
        for (;;) {
            in.read(buf.data(), rec);
            const std::streamsize n = in.gcount();
            if (n <= 0) break;
            total += n;
            benchmark::DoNotOptimize(buf.data());
        }
        if (total < BenchFile::kSize) state.SkipWithError("short read");
    }
    state.SetBytesProcessed(state.iterations() * BenchFile::kSize);
}
BENCHMARK(BM_IfstreamRead)->Arg(4)->Arg(64)->Arg(4096)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

} // namespace
