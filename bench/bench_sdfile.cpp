// Reading a large SD file: our SD reader against the references that are
// installed (RDKit's SD supplier without sanitising, Open Babel's SD reading
// through its command-line converter), and pyxmol listing the same file with
// and without a benzene substructure filter.
//
// The file (20,000 records) is made at run time by repeating the records of
// the SD files under /usr/share/RDKit. Every benchmark reports CPU time (of
// this process, or of the child process for the command-line runs), so the
// ratios hold on a loaded machine; compare the figures of one run.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "molkit/PYX_cstruct.h"
#include "vcl/Streams.h"
#include "vcl/TextFile.h"

#ifdef PYX_BENCH_RDKIT
#include <GraphMol/FileParsers/MolSupplier.h>
#include <GraphMol/ROMol.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr int NumRecords = 20000;

struct Files {
    std::string sdf, query;
    int records = 0;
};

// The test file and the benzene query, made once.
const Files& TestFiles()
{
    static Files files;
    static std::once_flag once;
    std::call_once(once, [] {
        std::vector<std::string> records;
        std::vector<fs::path> sources;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator("/usr/share/RDKit", ec); !ec && it != fs::end(it);
             it.increment(ec))
            if (it->path().extension() == ".sdf") sources.push_back(it->path());
        std::sort(sources.begin(), sources.end());
        for (const fs::path& p : sources) {
            std::ifstream in(p, std::ios::binary);
            std::string line, rec;
            while (std::getline(in, line)) {
                rec += line + '\n';
                if (line == "$$$$" || line == "$$$$\r") {
                    records.push_back(rec);
                    rec.clear();
                }
            }
        }
        if (records.empty()) return;
        const fs::path dir = fs::temp_directory_path() / ("pyx_bench_sdfile_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        files.sdf = (dir / "bench.sdf").string();
        files.query = (dir / "benzene.mol").string();
        std::ofstream out(files.sdf, std::ios::binary);
        for (int i = 0; i < NumRecords; ++i) out << records[static_cast<std::size_t>(i) % records.size()];
        files.records = NumRecords;
        std::ofstream(files.query, std::ios::binary) << "benzene\n\n\n  6  6\n"
                                                        "    1.2990    0.7500    0.0000 C   0  0\n"
                                                        "    1.2990   -0.7500    0.0000 C   0  0\n"
                                                        "    0.0000   -1.5000    0.0000 C   0  0\n"
                                                        "   -1.2990   -0.7500    0.0000 C   0  0\n"
                                                        "   -1.2990    0.7500    0.0000 C   0  0\n"
                                                        "    0.0000    1.5000    0.0000 C   0  0\n"
                                                        "  1  2  2\n  2  3  1\n  3  4  2\n  4  5  1\n  5  6  2\n  6  1  1\n"
                                                        "M  END\n";
        std::atexit([] { fs::remove_all(fs::path(files.sdf).parent_path()); });
    });
    return files;
}

double ProcessCPU()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double ChildrenCPU()
{
    rusage ru{};
    getrusage(RUSAGE_CHILDREN, &ru);
    auto sec = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
    return sec(ru.ru_utime) + sec(ru.ru_stime);
}

// Runs a shell command; its CPU time becomes the iteration time.
void RunCommand(benchmark::State& state, const std::string& cmd)
{
    for (auto _ : state) {
        const double t0 = ChildrenCPU();
        const int rc = std::system(cmd.c_str());
        state.SetIterationTime(ChildrenCPU() - t0);
        if (rc != 0) {
            state.SkipWithError(("command failed: " + cmd).c_str());
            return;
        }
    }
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(TestFiles().records), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_SDRead_Ours(benchmark::State& state)
{
    const Files& f = TestFiles();
    if (f.sdf.empty()) {
        state.SkipWithError("no SD files under /usr/share/RDKit");
        return;
    }
    int64_t read = 0, atoms = 0;
    for (auto _ : state) {
        const double t0 = ProcessCPU();
        vcl::TTextFile F(f.sdf);
        F.Reset();
        PYX_cstruct::TCTab t;
        PYX_cstruct::TPropArray props;
        read = atoms = 0;
        for (;;) {
            const bool ok = t.ReadFromMDLSDFile(F, props);
            if (t.GetReadStatus() == PYX_cstruct::rsEndOfFile) break;
            if (ok) ++read;
            atoms += t.GetNumAtoms();
        }
        benchmark::DoNotOptimize(atoms);
        state.SetIterationTime(ProcessCPU() - t0);
    }
    state.counters["read"] = static_cast<double>(read);
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(f.records), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SDRead_Ours)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_SDRead_OursStream(benchmark::State& state)
{
    const Files& f = TestFiles();
    if (f.sdf.empty()) {
        state.SkipWithError("no SD files under /usr/share/RDKit");
        return;
    }
    for (auto _ : state) {
        const double t0 = ProcessCPU();
        vcl::TFileStream S(f.sdf, vcl::fmOpenRead);
        PYX_cstruct::TCTab t;
        PYX_cstruct::TPropArray props;
        int64_t atoms = 0;
        for (;;) {
            t.ReadFromMDLSDStream(S, props);
            if (t.GetReadStatus() == PYX_cstruct::rsEndOfFile) break;
            atoms += t.GetNumAtoms();
        }
        benchmark::DoNotOptimize(atoms);
        state.SetIterationTime(ProcessCPU() - t0);
    }
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(f.records), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SDRead_OursStream)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

#ifdef PYX_BENCH_RDKIT
// RDKit's SD supplier without sanitising and without removing hydrogens.
void BM_SDRead_RDKit(benchmark::State& state)
{
    const Files& f = TestFiles();
    if (f.sdf.empty()) {
        state.SkipWithError("no SD files under /usr/share/RDKit");
        return;
    }
    int64_t read = 0;
    for (auto _ : state) {
        const double t0 = ProcessCPU();
        RDKit::SDMolSupplier sup(f.sdf, false, false, false);
        read = 0;
        int64_t atoms = 0;
        while (!sup.atEnd()) {
            std::unique_ptr<RDKit::ROMol> m(sup.next());
            if (m) {
                ++read;
                atoms += m->getNumAtoms();
            }
        }
        benchmark::DoNotOptimize(atoms);
        state.SetIterationTime(ProcessCPU() - t0);
    }
    state.counters["read"] = static_cast<double>(read);
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(f.records), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SDRead_RDKit)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
#endif

// Open Babel's converter reading the file and writing nothing.
void BM_SDRead_OpenBabel(benchmark::State& state)
{
    const Files& f = TestFiles();
    if (f.sdf.empty() || std::system("command -v obabel >/dev/null 2>&1") != 0) {
        state.SkipWithError("obabel or the SD files are missing");
        return;
    }
    RunCommand(state, "obabel -isdf '" + f.sdf + "' -onul >/dev/null 2>&1");
}
BENCHMARK(BM_SDRead_OpenBabel)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

#ifdef PYX_PYXMOL
// pyxmol counting the records, and counting those that contain benzene.
void BM_Pyxmol_Count(benchmark::State& state)
{
    const Files& f = TestFiles();
    if (f.sdf.empty()) {
        state.SkipWithError("no SD files under /usr/share/RDKit");
        return;
    }
    RunCommand(state, std::string("'") + PYX_PYXMOL + "' --count --no-progress '" + f.sdf + "' >/dev/null 2>&1");
}
BENCHMARK(BM_Pyxmol_Count)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_Pyxmol_FilterBenzene(benchmark::State& state)
{
    const Files& f = TestFiles();
    if (f.sdf.empty()) {
        state.SkipWithError("no SD files under /usr/share/RDKit");
        return;
    }
    RunCommand(state, std::string("'") + PYX_PYXMOL + "' --count --no-progress --sub '" + f.query + "' '" + f.sdf +
                          "' >/dev/null 2>&1");
}
BENCHMARK(BM_Pyxmol_FilterBenzene)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
#endif

} // namespace
