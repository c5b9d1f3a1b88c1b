// The geographic database against SQLite with its R*Tree module, in the same
// run and on the same 1 million points (random towns, fixed seed):
// - bulk load: TGeoDB with LazyWrite (closing saves the indexes) against one
//   SQLite transaction inserting into a table and an R*Tree;
// - 10,000 area queries of 0.1, 1 and 10 degrees (the result sets of both are
//   compared once before timing; a difference fails the benchmark);
// - look-up by item ID (with the record read) against a primary-key SELECT;
// - opening the 1-million-item database against reading its seven files once.
// Without SQLite (PYX_BENCH_SQLITE undefined) only the database's own figures
// are measured. The databases live in a temporary folder removed at the end.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "mapkit/PYX_GeoDB.h"

#ifdef PYX_BENCH_SQLITE
#include <sqlite3.h>
#endif

namespace {

namespace fs = std::filesystem;
using namespace PYX_GeoDB;

constexpr int NPoints = 1000000;
constexpr int NQueries = 10000;
constexpr int NLookups = 100000;

struct TPoint {
    float Lat, Long;
    std::string Name;
};

class TData {
public:
    static TData& Get()
    {
        static TData d;
        return d;
    }
    std::vector<TPoint> Points;
    std::string Dir;
    ~TData()
    {
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }
    std::string Fresh(const std::string& name)
    {
        std::error_code ec;
        for (const char* ext : {".pyxgds", ".pyxgdd", ".pyxgi0", ".pyxgi1", ".pyxgi2", ".pyxgi3", ".pyxgi4", ".sqlite"})
            fs::remove(Dir + "/" + name + ext, ec);
        return Dir + "/" + name;
    }
    // Query boxes of Size degrees, bounds exact in single precision so that
    // both engines compare the same numbers.
    std::vector<std::array<float, 4>> Queries(double Size) const
    {
        std::mt19937 rng(99);
        std::uniform_real_distribution<double> la(-90, 90 - Size), lo(-180, 180 - Size);
        std::vector<std::array<float, 4>> q(NQueries);
        for (auto& b : q) {
            float s = float(la(rng)), w = float(lo(rng));
            b = {s, float(s + Size), w, float(w + Size)};
        }
        return q;
    }

private:
    TData()
    {
        std::string t = (fs::temp_directory_path() / "pyx-bench-geodb-XXXXXX").string();
        if (!::mkdtemp(t.data())) std::abort();
        Dir = t;
        std::mt19937 rng(1);
        std::uniform_real_distribution<float> la(-90, 90), lo(-180, 180);
        Points.resize(NPoints);
        for (int i = 0; i < NPoints; ++i) Points[size_t(i)] = {la(rng), lo(rng), "P" + std::to_string(i)};
    }
};

void LoadGeoDB(const std::string& name)
{
    TGeoDB db(nullptr);
    db.SetDBName(name);
    db.SetLazyWrite(true);
    for (const TPoint& p : TData::Get().Points) db.AddTown(p.Name, 45000, 0, {p.Lat, p.Long}, 0, 0, 0);
    db.Close();
}

// The loaded database shared by the query benchmarks.
TGeoDB& Loaded()
{
    static TGeoDB* db = [] {
        const std::string name = TData::Get().Fresh("shared");
        LoadGeoDB(name);
        auto* d = new TGeoDB(nullptr);
        d->SetDBName(name);
        return d;
    }();
    return *db;
}

void BM_GeoDB_BulkLoad(benchmark::State& state)
{
    TData& d = TData::Get();
    for (auto _ : state) {
        state.PauseTiming();
        const std::string name = d.Fresh("load");
        state.ResumeTiming();
        LoadGeoDB(name);
    }
    state.SetItemsProcessed(state.iterations() * NPoints);
}
BENCHMARK(BM_GeoDB_BulkLoad)->Unit(benchmark::kMillisecond)->Iterations(2);

void GeoDBArea(benchmark::State& state, double Size)
{
    TGeoDB& db = Loaded();
    auto q = TData::Get().Queries(Size);
    std::vector<int32_t> found;
    // Untimed first round: the searches after loading build the tree.
    for (const auto& b : q) db.SearchArea(b[0], b[1], b[2], b[3], found);
    int64_t hits = 0;
    for (auto _ : state) {
        for (const auto& b : q) {
            db.SearchArea(b[0], b[1], b[2], b[3], found);
            hits += int64_t(found.size());
        }
    }
    state.counters["hits/query"] = double(hits) / double(state.iterations() * NQueries);
}
void BM_GeoDB_Area_0_1(benchmark::State& s) { GeoDBArea(s, 0.1); }
void BM_GeoDB_Area_1(benchmark::State& s) { GeoDBArea(s, 1); }
void BM_GeoDB_Area_10(benchmark::State& s) { GeoDBArea(s, 10); }
BENCHMARK(BM_GeoDB_Area_0_1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeoDB_Area_1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeoDB_Area_10)->Unit(benchmark::kMillisecond);

void BM_GeoDB_LookupByID(benchmark::State& state)
{
    TGeoDB& db = Loaded();
    std::mt19937 rng(5);
    std::vector<int32_t> ids(NLookups);
    for (auto& id : ids) id = int32_t(rng() % NPoints) + 1;
    double sum = 0;
    for (auto _ : state) {
        for (int32_t id : ids) {
            TgdbData r = db.GetSumdata(db.SearchForItemID(id));
            sum += r.LatLow + double(r.Name.size());
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * NLookups);
}
BENCHMARK(BM_GeoDB_LookupByID)->Unit(benchmark::kMillisecond);

// A closed copy of the loaded database for the opening benchmarks.
const std::string& Stored()
{
    static const std::string name = [] {
        std::string n = TData::Get().Fresh("stored");
        LoadGeoDB(n);
        return n;
    }();
    return name;
}

void BM_GeoDB_Open(benchmark::State& state)
{
    const std::string& name = Stored();
    for (auto _ : state) {
        TGeoDB db(nullptr);
        db.SetDBName(name);
        benchmark::DoNotOptimize(db.GetNumEntries());
        state.PauseTiming();
        db.Close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_GeoDB_Open)->Unit(benchmark::kMillisecond)->Iterations(5);

// The reference of opening: every file of the database read once into
// memory of its own (allocated per file and left uninitialised, as a program
// holding the files' contents needs it; freed outside the timed part).
void BM_ReadFilesOnce(benchmark::State& state)
{
    const std::string& name = Stored();
    for (auto _ : state) {
        int64_t total = 0;
        std::vector<std::unique_ptr<char[]>> held;
        for (const char* ext : {".pyxgds", ".pyxgdd", ".pyxgi0", ".pyxgi1", ".pyxgi2", ".pyxgi3", ".pyxgi4"}) {
            int fd = ::open((name + ext).c_str(), O_RDONLY);
            if (fd < 0) std::abort();
            const size_t size = size_t(fs::file_size(name + ext));
            std::unique_ptr<char[]> buf(new char[size]);
            size_t got = 0;
            while (got < size) {
                ssize_t n = ::read(fd, buf.get() + got, size - got);
                if (n <= 0) break;
                got += size_t(n);
            }
            ::close(fd);
            total += int64_t(got);
            benchmark::DoNotOptimize(buf.get());
            held.push_back(std::move(buf));
        }
        state.counters["bytes"] = double(total);
        state.PauseTiming();
        held.clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReadFilesOnce)->Unit(benchmark::kMillisecond)->Iterations(5);

#ifdef PYX_BENCH_SQLITE

void Exec(sqlite3* db, const char* sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s\n", err ? err : "?");
        std::abort();
    }
}

sqlite3* LoadSQLite(const std::string& name)
{
    sqlite3* db = nullptr;
    if (sqlite3_open((name + ".sqlite").c_str(), &db) != SQLITE_OK) std::abort();
    Exec(db, "CREATE TABLE items(id INTEGER PRIMARY KEY, name TEXT, lat REAL, lon REAL);"
             "CREATE VIRTUAL TABLE box USING rtree(id, lat_low, lat_high, lon_low, lon_high);");
    Exec(db, "BEGIN");
    sqlite3_stmt* ins = nullptr;
    sqlite3_stmt* rt = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO items VALUES(?,?,?,?)", -1, &ins, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO box VALUES(?,?,?,?,?)", -1, &rt, nullptr);
    int64_t id = 0;
    for (const TPoint& p : TData::Get().Points) {
        ++id;
        sqlite3_bind_int64(ins, 1, id);
        sqlite3_bind_text(ins, 2, p.Name.data(), int(p.Name.size()), SQLITE_STATIC);
        sqlite3_bind_double(ins, 3, p.Lat);
        sqlite3_bind_double(ins, 4, p.Long);
        if (sqlite3_step(ins) != SQLITE_DONE) std::abort();
        sqlite3_reset(ins);
        sqlite3_bind_int64(rt, 1, id);
        sqlite3_bind_double(rt, 2, p.Lat);
        sqlite3_bind_double(rt, 3, p.Lat);
        sqlite3_bind_double(rt, 4, p.Long);
        sqlite3_bind_double(rt, 5, p.Long);
        if (sqlite3_step(rt) != SQLITE_DONE) std::abort();
        sqlite3_reset(rt);
    }
    sqlite3_finalize(ins);
    sqlite3_finalize(rt);
    Exec(db, "COMMIT");
    return db;
}

sqlite3* SharedSQLite()
{
    static sqlite3* db = LoadSQLite(TData::Get().Fresh("shared-sqlite"));
    return db;
}

void BM_SQLite_BulkLoad(benchmark::State& state)
{
    TData& d = TData::Get();
    for (auto _ : state) {
        state.PauseTiming();
        const std::string name = d.Fresh("load-sqlite");
        state.ResumeTiming();
        sqlite3_close(LoadSQLite(name));
    }
    state.SetItemsProcessed(state.iterations() * NPoints);
}
BENCHMARK(BM_SQLite_BulkLoad)->Unit(benchmark::kMillisecond)->Iterations(2);

void SQLiteQuery(sqlite3_stmt* st, const std::array<float, 4>& b, std::vector<int64_t>& out)
{
    out.clear();
    sqlite3_bind_double(st, 1, b[1]); // lat_low <= north
    sqlite3_bind_double(st, 2, b[0]); // lat_high >= south
    sqlite3_bind_double(st, 3, b[3]); // lon_low <= east
    sqlite3_bind_double(st, 4, b[2]); // lon_high >= west
    while (sqlite3_step(st) == SQLITE_ROW) out.push_back(sqlite3_column_int64(st, 0));
    sqlite3_reset(st);
}

void SQLiteArea(benchmark::State& state, double Size)
{
    sqlite3* db = SharedSQLite();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT id FROM box WHERE lat_low <= ?1 AND lat_high >= ?2 AND lon_low <= ?3 AND lon_high >= ?4",
                       -1, &st, nullptr);
    auto q = TData::Get().Queries(Size);
    // Same result sets as the database (item IDs equal entry numbers here).
    {
        TGeoDB& g = Loaded();
        std::vector<int32_t> mine;
        std::vector<int64_t> theirs;
        for (const auto& b : q) {
            g.SearchArea(b[0], b[1], b[2], b[3], mine);
            SQLiteQuery(st, b, theirs);
            std::sort(theirs.begin(), theirs.end());
            if (!std::equal(mine.begin(), mine.end(), theirs.begin(), theirs.end())) {
                state.SkipWithError("result sets differ");
                sqlite3_finalize(st);
                return;
            }
        }
    }
    std::vector<int64_t> found;
    int64_t hits = 0;
    for (auto _ : state) {
        for (const auto& b : q) {
            SQLiteQuery(st, b, found);
            hits += int64_t(found.size());
        }
    }
    state.counters["hits/query"] = double(hits) / double(state.iterations() * NQueries);
    sqlite3_finalize(st);
}
void BM_SQLite_Area_0_1(benchmark::State& s) { SQLiteArea(s, 0.1); }
void BM_SQLite_Area_1(benchmark::State& s) { SQLiteArea(s, 1); }
void BM_SQLite_Area_10(benchmark::State& s) { SQLiteArea(s, 10); }
BENCHMARK(BM_SQLite_Area_0_1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SQLite_Area_1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SQLite_Area_10)->Unit(benchmark::kMillisecond);

void BM_SQLite_LookupByID(benchmark::State& state)
{
    sqlite3* db = SharedSQLite();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT name, lat, lon FROM items WHERE id = ?", -1, &st, nullptr);
    std::mt19937 rng(5);
    std::vector<int32_t> ids(NLookups);
    for (auto& id : ids) id = int32_t(rng() % NPoints) + 1;
    double sum = 0;
    for (auto _ : state) {
        for (int32_t id : ids) {
            sqlite3_bind_int64(st, 1, id);
            if (sqlite3_step(st) == SQLITE_ROW) {
                std::string name(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
                sum += sqlite3_column_double(st, 1) + double(name.size());
            }
            sqlite3_reset(st);
        }
    }
    benchmark::DoNotOptimize(sum);
    sqlite3_finalize(st);
    state.SetItemsProcessed(state.iterations() * NLookups);
}
BENCHMARK(BM_SQLite_LookupByID)->Unit(benchmark::kMillisecond);

#endif

} // namespace
