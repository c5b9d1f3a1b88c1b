// Rings and substructure search against RDKit on the same molecules in the
// same run.
//
// The molecules: a 5,000-record SD file written once into the temporary
// directory from the records of RDKit's data package that the connection
// table holds (at most 63 atoms), repeated in order. Both sides read that
// file: ours with the SD reader, RDKit without sanitising and keeping the
// hydrogens, so both see the bonds exactly as written.
//
// Every benchmark times both sides in alternation within its iterations and
// reports the CPU time of each and their ratio (ours / RDKit; below 1 means
// ours is faster), so the ratio holds even on a loaded machine.
//   BM_SSSR            ring perception of all 5,000 molecules: our smallest
//                      set of smallest rings against MolOps::findSSSR (its
//                      cached ring information reset before each call)
//   BM_Search/q/bonds  one query over all 5,000 molecules, first match only;
//                      bonds:1 compares bond types (SMARTS bonds of exactly
//                      the query's order), bonds:0 accepts any bond ('~')
//   BM_LongChainInCage a 30-carbon chain ending in a quaternary carbon
//                      against a C60 cage: no match exists, and our search
//                      stops at its step limit (RDKit is not run on it)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <GraphMol/FileParsers/MolSupplier.h>
#include <GraphMol/GraphMol.h>
#include <GraphMol/MolOps.h>
#include <GraphMol/SmilesParse/SmilesParse.h>
#include <GraphMol/Substruct/SubstructMatch.h>

#include "molkit/PYX_cstruct.h"
#include "vcl/TextFile.h"

using namespace PYX_cstruct;

namespace {

constexpr int kMolecules = 5000;

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct QueryDef {
    const char* name;
    std::vector<int> z;
    std::vector<std::array<int, 3>> bonds; // atom, atom, type (1-based atoms)
    const char* smarts;                    // exact bond orders
};

std::vector<std::array<int, 3>> Chain(int n)
{
    std::vector<std::array<int, 3>> b;
    for (int i = 1; i < n; ++i) b.push_back({i, i + 1, 1});
    return b;
}

const std::vector<QueryDef>& Queries()
{
    static const std::vector<QueryDef> q = {
        {"benzene", {6, 6, 6, 6, 6, 6}, {{1, 2, 2}, {2, 3, 1}, {3, 4, 2}, {4, 5, 1}, {5, 6, 2}, {6, 1, 1}},
         "[#6]1=[#6]-[#6]=[#6]-[#6]=[#6]-1"},
        {"benzene_aromatic", {6, 6, 6, 6, 6, 6}, {{1, 2, 4}, {2, 3, 4}, {3, 4, 4}, {4, 5, 4}, {5, 6, 4}, {6, 1, 4}},
         "[#6]1:[#6]:[#6]:[#6]:[#6]:[#6]:1"},
        {"carboxylic_acid", {6, 6, 8, 8}, {{1, 2, 1}, {2, 3, 2}, {2, 4, 1}}, "[#6]-[#6](=[#8])-[#8]"},
        {"chlorophenyl", {6, 6, 6, 6, 6, 6, 17},
         {{1, 2, 2}, {2, 3, 1}, {3, 4, 2}, {4, 5, 1}, {5, 6, 2}, {6, 1, 1}, {1, 7, 1}},
         "[#17]-[#6]1=[#6]-[#6]=[#6]-[#6]=[#6]-1"},
        {"amide", {6, 6, 8, 7}, {{1, 2, 1}, {2, 3, 2}, {2, 4, 1}}, "[#6]-[#6](=[#8])-[#7]"},
        {"piperazine", {7, 6, 6, 7, 6, 6}, {{1, 2, 1}, {2, 3, 1}, {3, 4, 1}, {4, 5, 1}, {5, 6, 1}, {6, 1, 1}},
         "[#7]1-[#6]-[#6]-[#7]-[#6]-[#6]-1"},
        {"chain4", std::vector<int>(4, 6), Chain(4), "[#6]-[#6]-[#6]-[#6]"},
        {"chain5", std::vector<int>(5, 6), Chain(5), "[#6]-[#6]-[#6]-[#6]-[#6]"},
        {"chain6", std::vector<int>(6, 6), Chain(6), "[#6]-[#6]-[#6]-[#6]-[#6]-[#6]"},
        {"chain7", std::vector<int>(7, 6), Chain(7), "[#6]-[#6]-[#6]-[#6]-[#6]-[#6]-[#6]"},
        {"chain8", std::vector<int>(8, 6), Chain(8), "[#6]-[#6]-[#6]-[#6]-[#6]-[#6]-[#6]-[#6]"},
    };
    return q;
}

// The SMARTS text with every bond outside brackets replaced by '~'.
std::string AnyBonds(const std::string& s)
{
    std::string r;
    bool inBracket = false;
    for (char c : s) {
        if (c == '[') inBracket = true;
        if (c == ']') inBracket = false;
        r += (!inBracket && (c == '-' || c == '=' || c == '#' || c == ':')) ? '~' : c;
    }
    return r;
}

void Build(TCTab& t, const std::vector<int>& z, const std::vector<std::array<int, 3>>& bonds)
{
    t.Clear();
    for (int e : z) {
        CTElem r;
        r.AtNum = static_cast<uint8_t>(e);
        t.AddAtom(r);
    }
    for (const auto& b : bonds) t.MakeConnection(b[0], b[1], b[2]);
}

std::vector<std::filesystem::path> SourceFiles()
{
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    const std::filesystem::path root = "/usr/share/RDKit";
    if (!std::filesystem::exists(root, ec)) return files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root, ec))
        if (e.is_regular_file() && e.path().extension() == ".sdf") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// The records of an SD file as text, each up to and including its "$$$$" line.
std::vector<std::string> SplitRecords(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::vector<std::string> recs;
    std::string line, cur;
    while (std::getline(in, line)) {
        cur += line + '\n';
        std::string trimmed = line;
        while (!trimmed.empty() && (trimmed.back() == '\r' || trimmed.back() == ' ')) trimmed.pop_back();
        if (trimmed == "$$$$") {
            recs.push_back(std::move(cur));
            cur.clear();
        }
    }
    return recs;
}

struct Data {
    std::string error;
    std::string path;
    std::vector<std::unique_ptr<TCTab>> ours;
    std::vector<std::unique_ptr<RDKit::ROMol>> rdkit;
    std::vector<std::unique_ptr<TCTab>> queries;
    std::vector<std::unique_ptr<RDKit::ROMol>> exactQueries, anyQueries;
};

Data LoadData()
{
    Data d;
    // Records our table holds, found by reading each source file with our
    // reader alongside its text split.
    std::vector<std::string> usable;
    for (const auto& f : SourceFiles()) {
        const auto recs = SplitRecords(f);
        vcl::TTextFile tf(f.string());
        tf.Reset();
        TCTab t;
        TPropArray props{};
        std::size_t k = 0;
        for (;; ++k) {
            const bool ok = t.ReadFromMDLSDFile(tf, props);
            if (!ok && t.GetReadStatus() == rsEndOfFile) break;
            if (ok && k < recs.size()) usable.push_back(recs[k]);
        }
        if (k != recs.size()) {
            d.error = "our reader and the text split disagree on the records of " + f.string();
            return d;
        }
    }
    if (usable.empty()) {
        d.error = "no SD records found under /usr/share/RDKit (package rdkit-data)";
        return d;
    }
    d.path = (std::filesystem::temp_directory_path() / "pyx_bench_rings_5000.sdf").string();
    {
        std::ofstream out(d.path, std::ios::binary | std::ios::trunc);
        for (int i = 0; i < kMolecules; ++i) out << usable[static_cast<std::size_t>(i) % usable.size()];
    }
    vcl::TTextFile tf(d.path);
    tf.Reset();
    TPropArray props{};
    for (;;) {
        auto t = std::make_unique<TCTab>();
        const bool ok = t->ReadFromMDLSDFile(tf, props);
        if (!ok && t->GetReadStatus() == rsEndOfFile) break;
        if (!ok) {
            d.error = "a record of the generated file was refused: " + t->GetReadError();
            return d;
        }
        d.ours.push_back(std::move(t));
    }
    RDKit::SDMolSupplier sup(d.path, /*sanitize=*/false, /*removeHs=*/false);
    while (!sup.atEnd()) {
        std::unique_ptr<RDKit::ROMol> m(sup.next());
        if (!m) {
            d.error = "RDKit refused a record of the generated file";
            return d;
        }
        d.rdkit.push_back(std::move(m));
    }
    if (d.ours.size() != kMolecules || d.rdkit.size() != kMolecules) {
        d.error = "the generated file does not hold 5,000 records for both readers";
        return d;
    }
    for (std::size_t i = 0; i < d.ours.size(); ++i)
        if (d.ours[i]->GetNumAtoms() != static_cast<int>(d.rdkit[i]->getNumAtoms())) {
            d.error = "the two readers disagree on the atoms of record " + std::to_string(i + 1);
            return d;
        }
    for (const QueryDef& q : Queries()) {
        auto t = std::make_unique<TCTab>();
        Build(*t, q.z, q.bonds);
        d.queries.push_back(std::move(t));
        d.exactQueries.emplace_back(RDKit::SmartsToMol(q.smarts));
        d.anyQueries.emplace_back(RDKit::SmartsToMol(AnyBonds(q.smarts)));
    }
    return d;
}

Data& GetData()
{
    static Data d = LoadData();
    return d;
}

void BM_SSSR(benchmark::State& state)
{
    Data& d = GetData();
    if (!d.error.empty()) {
        state.SkipWithError(d.error.c_str());
        return;
    }
    double oursCpu = 0, refCpu = 0;
    long long oursRings = 0, oursSets = 0, refRings = 0;
    RingListType list;
    RDKit::VECT_INT_VECT rings;
    for (auto _ : state) {
        oursRings = oursSets = refRings = 0;
        double t0 = CpuSeconds();
        for (auto& t : d.ours) {
            oursSets += t->FindSSSR(list);
            oursRings += t->RingsInMolecule();
        }
        double t1 = CpuSeconds();
        oursCpu += t1 - t0;
        for (auto& m : d.rdkit) {
            m->getRingInfo()->reset();
            refRings += RDKit::MolOps::findSSSR(*m, rings);
        }
        refCpu += CpuSeconds() - t1;
    }
    if (oursRings != refRings) {
        state.SkipWithError("the ring counts differ from RDKit's");
        return;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["rings"] = static_cast<double>(refRings);
    state.counters["our_set"] = static_cast<double>(oursSets);
    state.counters["ours_ms"] = oursCpu / n * 1e3;
    state.counters["rdkit_ms"] = refCpu / n * 1e3;
    state.counters["ratio"] = oursCpu / refCpu;
}
BENCHMARK(BM_SSSR)->Unit(benchmark::kMillisecond);

void BM_Search(benchmark::State& state)
{
    Data& d = GetData();
    if (!d.error.empty()) {
        state.SkipWithError(d.error.c_str());
        return;
    }
    const auto qi = static_cast<std::size_t>(state.range(0));
    const bool exact = state.range(1) != 0;
    state.SetLabel(Queries()[qi].name);
    const TCTab& q = *d.queries[qi];
    const RDKit::ROMol& rq = exact ? *d.exactQueries[qi] : *d.anyQueries[qi];
    // RDKit keeps ring information on the molecule; make sure it is there
    // before timing, as it would be after reading a sanitised molecule.
    for (auto& m : d.rdkit)
        if (!m->getRingInfo()->isInitialized()) RDKit::MolOps::findSSSR(*m);
    std::array<uint8_t, MaxAtoms> flags{};
    RDKit::MatchVectType match;
    double oursCpu = 0, refCpu = 0;
    long long oursHits = 0, refHits = 0, aborted = 0;
    for (auto _ : state) {
        oursHits = refHits = aborted = 0;
        double t0 = CpuSeconds();
        for (auto& t : d.ours) {
            oursHits += t->SearchSubStruc(q, flags, exact);
            aborted += t->GetSearchAborted();
        }
        double t1 = CpuSeconds();
        oursCpu += t1 - t0;
        for (auto& m : d.rdkit) refHits += RDKit::SubstructMatch(*m, rq, match);
        refCpu += CpuSeconds() - t1;
    }
    if (oursHits != refHits || aborted != 0) {
        state.SkipWithError("the hits differ from RDKit's");
        return;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["hits"] = static_cast<double>(refHits);
    state.counters["ours_ms"] = oursCpu / n * 1e3;
    state.counters["rdkit_ms"] = refCpu / n * 1e3;
    state.counters["ratio"] = oursCpu / refCpu;
}

void SearchArgs(benchmark::internal::Benchmark* b)
{
    for (int q = 0; q < static_cast<int>(Queries().size()); ++q)
        for (int exact = 1; exact >= 0; --exact) b->Args({q, exact});
    b->ArgNames({"q", "bonds"});
}
BENCHMARK(BM_Search)->Apply(SearchArgs)->Unit(benchmark::kMillisecond);

// C60: the vertices of a truncated icosahedron, bonded at the edge length.
void Fullerene(TCTab& t)
{
    const double phi = (1 + std::sqrt(5.0)) / 2;
    const std::array<std::array<double, 3>, 3> base = {
        {{0, 1, 3 * phi}, {1, 2 + phi, 2 * phi}, {phi, 2, phi * phi * phi}}};
    std::vector<std::array<double, 3>> v;
    for (const auto& b : base)
        for (int s = 0; s < 8; ++s) {
            std::array<double, 3> p = {s & 1 ? -b[0] : b[0], s & 2 ? -b[1] : b[1], s & 4 ? -b[2] : b[2]};
            for (int r = 0; r < 3; ++r) {
                const std::array<double, 3> c = {p[r % 3], p[(r + 1) % 3], p[(r + 2) % 3]};
                bool dup = false;
                for (const auto& w : v)
                    dup = dup || (std::abs(w[0] - c[0]) + std::abs(w[1] - c[1]) + std::abs(w[2] - c[2]) < 1e-9);
                if (!dup) v.push_back(c);
            }
        }
    std::vector<std::array<int, 3>> bonds;
    for (std::size_t i = 0; i < v.size(); ++i)
        for (std::size_t j = i + 1; j < v.size(); ++j) {
            const double dx = v[i][0] - v[j][0], dy = v[i][1] - v[j][1], dz = v[i][2] - v[j][2];
            if (std::abs(dx * dx + dy * dy + dz * dz - 4.0) < 1e-6)
                bonds.push_back({static_cast<int>(i + 1), static_cast<int>(j + 1), 1});
        }
    Build(t, std::vector<int>(v.size(), 6), bonds);
}

void BM_LongChainInCage(benchmark::State& state)
{
    TCTab cage, chain;
    Fullerene(cage);
    auto bonds = Chain(30);
    for (int k = 31; k <= 33; ++k) bonds.push_back({30, k, 1});
    Build(chain, std::vector<int>(33, 6), bonds);
    std::array<uint8_t, MaxAtoms> flags{};
    bool found = false, aborted = false;
    for (auto _ : state) {
        found = cage.SearchSubStruc(chain, flags, false);
        aborted = cage.GetSearchAborted();
    }
    if (cage.GetNumAtoms() != 60 || found || !aborted) state.SkipWithError("the search did not stop at its step limit");
    state.counters["aborted"] = aborted ? 1 : 0;
}
BENCHMARK(BM_LongChainInCage)->Unit(benchmark::kMillisecond);

} // namespace
