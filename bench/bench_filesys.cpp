// Copying a large file with FileCopyFeedBk (with a progress callback) against
// the system's cp run as a subprocess and against a plain copy_file_range
// loop, in the same run. The file (1 GB, or 256 MB when the temporary folder
// has less than 3 GB free) is made in a temporary folder under /tmp and
// removed at the end; each copy is deleted outside the timed part.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "corekit/PYX_filesys.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

class BenchFile {
public:
    static BenchFile& Get()
    {
        static BenchFile file;
        return file;
    }
    const std::string& Source() const { return src_; }
    std::string Dest(const char* name) const { return (dir_ / name).string(); }
    int64_t Size() const { return size_; }

private:
    BenchFile()
    {
        std::string tmpl = "/tmp/pyx-bench-filesys-XXXXXX";
        if (!::mkdtemp(tmpl.data())) std::abort();
        dir_ = tmpl;
        struct statvfs v;
        const int64_t free = ::statvfs(dir_.c_str(), &v) == 0
                                 ? static_cast<int64_t>(v.f_bavail) * static_cast<int64_t>(v.f_frsize)
                                 : 0;
        size_ = free >= (int64_t{3} << 30) ? 1000LL * 1000 * 1000 : 256LL * 1000 * 1000;
        std::fprintf(stderr, "copy benchmark: %lld bytes (%.1f GB free in %s)%s\n",
                     static_cast<long long>(size_), static_cast<double>(free) / 1e9, dir_.c_str(),
                     size_ < 1000LL * 1000 * 1000 ? " - less than 3 GB free, using 256 MB" : "");
        src_ = (dir_ / "source.bin").string();
        FILE* f = std::fopen(src_.c_str(), "wb");
        if (!f) std::abort();
        std::vector<uint64_t> block(1 << 17);
        uint64_t x = 0x9E3779B97F4A7C15ULL;
        for (int64_t written = 0; written < size_;) {
            for (auto& w : block) w = (x = x * 6364136223846793005ULL + 1442695040888963407ULL);
            const auto n = static_cast<size_t>(std::min<int64_t>(size_ - written, int64_t(block.size() * 8)));
            if (std::fwrite(block.data(), 1, n, f) != n) std::abort();
            written += static_cast<int64_t>(n);
        }
        std::fclose(f);
        ::sync();
    }
    ~BenchFile() { fs::remove_all(dir_); }

    fs::path dir_;
    std::string src_;
    int64_t size_ = 0;
};

using CopyFn = void (*)(const std::string& src, const std::string& dst);

void CopyWithFeedBk(const std::string& src, const std::string& dst)
{
    int64_t reports = 0;
    if (PYX_filesys::FileCopyFeedBk(src, dst, false, [&](int64_t, int64_t) { ++reports; }) != 0) std::abort();
    benchmark::DoNotOptimize(reports);
}

void CopyWithCp(const std::string& src, const std::string& dst)
{
    const char* argv[] = {"cp", "--", src.c_str(), dst.c_str(), nullptr};
    pid_t pid;
    if (::posix_spawnp(&pid, "cp", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) std::abort();
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::abort();
}

void CopyWithCopyFileRange(const std::string& src, const std::string& dst)
{
    const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (in < 0 || out < 0) std::abort();
    while (::copy_file_range(in, nullptr, out, nullptr, size_t{1} << 30, 0) > 0) {
    }
    ::close(in);
    ::close(out);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

// The three copies run in rounds, in a rotating order, so that a change of
// the machine's load or of the page cache during the run touches all of
// them alike. Reported: the median and the best seconds of each and the
// ratios of ours to the references (the best times are the steadier figure
// on a busy machine).
void BM_CopyRounds(benchmark::State& state)
{
    BenchFile& file = BenchFile::Get();
    struct Method {
        const char* name;
        CopyFn copy;
        std::vector<double> times;
    } methods[] = {{"FileCopyFeedBk", CopyWithFeedBk, {}},
                   {"cp", CopyWithCp, {}},
                   {"copy_file_range", CopyWithCopyFileRange, {}}};
    // One unmeasured copy first: the first copy of a run is slow whichever
    // method does it.
    CopyWithCopyFileRange(file.Source(), file.Dest("warmup"));
    ::unlink(file.Dest("warmup").c_str());
    ::sync();
    int round = 0;
    for (auto _ : state) {
        double total = 0;
        for (int k = 0; k < 3; ++k) {
            Method& m = methods[(k + round) % 3];
            const std::string dst = file.Dest(m.name);
            const auto t0 = std::chrono::steady_clock::now();
            m.copy(file.Source(), dst);
            const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            m.times.push_back(secs);
            total += secs;
            ::unlink(dst.c_str());
            ::sync(); // every copy starts with no dirty pages of the one before
        }
        state.SetIterationTime(total);
        ++round;
    }
    for (const Method& m : methods) {
        std::fprintf(stderr, "%-16s", m.name);
        for (double t : m.times) std::fprintf(stderr, " %.3f", t);
        std::fprintf(stderr, "\n");
    }
    const double ours = Median(methods[0].times), cp = Median(methods[1].times), cfr = Median(methods[2].times);
    const double oursBest = Best(methods[0].times), cpBest = Best(methods[1].times),
                 cfrBest = Best(methods[2].times);
    state.counters["ratio_cp_median"] = ours / cp;
    state.counters["ratio_cfr_median"] = ours / cfr;
    state.counters["ratio_cp_best"] = oursBest / cpBest;
    state.counters["ratio_cfr_best"] = oursBest / cfrBest;
    state.counters["MB"] = static_cast<double>(file.Size()) / 1e6;
    std::fprintf(stderr, "median s: FileCopyFeedBk %.3f, cp %.3f, copy_file_range %.3f; ratio to cp %.3f, to "
                 "copy_file_range %.3f\n", ours, cp, cfr, ours / cp, ours / cfr);
    std::fprintf(stderr, "best s:   FileCopyFeedBk %.3f, cp %.3f, copy_file_range %.3f; ratio to cp %.3f, to "
                 "copy_file_range %.3f\n", oursBest, cpBest, cfrBest, oursBest / cpBest, oursBest / cfrBest);
}

} // namespace

BENCHMARK(BM_CopyRounds)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(12);
