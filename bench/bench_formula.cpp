// Formula parsing and weighing, and the search by exact mass with and without
// pruning of the walk.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "molkit/PYX_cform.h"

using PYX_cform::TFormulaRec;
using PYX_cform::TMolFormModel;

namespace {

const std::vector<std::string>& Formulas()
{
    static const std::vector<std::string> f = {
        "C6 H12 O6",  "C8H10N4O2",     "C9 H8 O4",   "(C H3)3 N",     "C17 H19 N O3", "13C6 H12 O6",
        "D2 O",       "Na Cl",         "C6 H5 Br",   "C20 H25 N3 O", "C H Cl3",      "C27 H46 O",
        "H2 S O4",    "Ca(O H)2",      "C12H22O11",  "C55 H72 Mg N4 O5"};
    return f;
}

void BM_ParseAndWeigh(benchmark::State& state)
{
    TMolFormModel f;
    const auto& texts = Formulas();
    std::size_t k = 0;
    for (auto _ : state) {
        f.SetMolFormula(texts[k]);
        benchmark::DoNotOptimize(f.ChemMolWgt());
        benchmark::DoNotOptimize(f.ExactMolWgt());
        benchmark::DoNotOptimize(f.NominalMolWgt());
        if (++k == texts.size()) k = 0;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_ParseAndWeigh);

TFormulaRec Bounds(bool upper)
{
    TFormulaRec r;
    const int z[] = {6, 1, 7, 8, 16};
    const int m[] = {12, 1, 14, 16, 32};
    const int hi[] = {30, 60, 10, 15, 3};
    r.NumAtoms = 5;
    for (int i = 0; i < 5; ++i) {
        r.AtNum[i] = static_cast<uint8_t>(z[i]);
        r.AtWgt[i] = static_cast<uint16_t>(m[i]);
        r.AtCnt[i] = static_cast<uint16_t>(upper ? hi[i] : 0);
    }
    return r;
}

// One complete search: every composition within the window, in walk order.
std::vector<TFormulaRec> Search(bool pruning)
{
    TMolFormModel f;
    f.SetSearchPruning(pruning);
    f.InitFindFormula(180.0634, 0.005, Bounds(false), Bounds(true));
    std::vector<TFormulaRec> hits;
    while (f.FindFormulaExactMass(false)) hits.push_back(f.AsFormulaRec());
    return hits;
}

void BM_ExactMassSearch(benchmark::State& state)
{
    const bool pruning = state.range(0) != 0;
    std::size_t hits = 0;
    for (auto _ : state) {
        const auto h = Search(pruning);
        hits = h.size();
        benchmark::DoNotOptimize(h.data());
    }
    state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(BM_ExactMassSearch)->Arg(0)->Arg(1)->ArgName("pruning")->Unit(benchmark::kMillisecond);

// Both walks in the same run: the same hits in the same order, and the speed-up.
void BM_ExactMassSearchSpeedup(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    const auto plain = Search(false);
    const double plainSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
    double prunedSeconds = 0;
    std::vector<TFormulaRec> pruned;
    for (auto _ : state) {
        const auto t1 = Clock::now();
        pruned = Search(true);
        prunedSeconds += std::chrono::duration<double>(Clock::now() - t1).count();
    }
    if (pruned != plain) {
        state.SkipWithError("the pruned walk gives other hits than the plain walk");
        return;
    }
    state.counters["hits"] = static_cast<double>(pruned.size());
    state.counters["speedup"] = plainSeconds / (prunedSeconds / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ExactMassSearchSpeedup)->Unit(benchmark::kMillisecond);

} // namespace
