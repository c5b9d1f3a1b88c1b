// The paint cycle: what repainting costs on a form of many controls.
//
// OneChange: a full-HD form tiled with 100 controls; one control changes its
// colour and the form repaints. The reference is the same change on a form
// that holds only that control, so the ratio is the price of the other 99
// (the paint cycle should touch only the dirty area: well below 2).
//
// FullRepaint: the whole form with its 100 controls repainted, against one
// memcpy of a frame of the same size (1920 x 1080 x 4 bytes).
//
// Both sides run in alternating rounds within one benchmark, timed in thread
// CPU time, so that other load on the machine hurts both alike; the counters
// give the median and best ratios.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "vcl/Controls.h"
#include "vcl/Forms.h"

using namespace vcl;

namespace {

constexpr int kW = 1920, kH = 1080, kCols = 10, kRows = 10;

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Both kinds of control paint the same: a frame and a caption over their
// colour.
void PaintBox(TCanvas& c, const TRect& r, TColor color, const std::string& caption)
{
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(color);
    c.Pen().SetColor(clBlack);
    c.Rectangle(r);
    c.Brush().SetStyle(bsClear);
    c.TextOut(6, 6, caption);
}

class TWinBox : public TCustomControl {
public:
    TWinBox(TComponent* owner, std::string caption) : TCustomControl(owner), caption_(std::move(caption)) {}

protected:
    void Paint() override { PaintBox(Canvas(), GetClientRect(), GetColor(), caption_); }

private:
    std::string caption_;
};

class TGraphicBox : public TGraphicControl {
public:
    TGraphicBox(TComponent* owner, std::string caption) : TGraphicControl(owner), caption_(std::move(caption)) {}

protected:
    void Paint() override { PaintBox(Canvas(), GetClientRect(), GetColor(), caption_); }

private:
    std::string caption_;
};

// A full-HD form with the controls of the given cells of a 10 x 10 grid.
template <class Box>
struct TBoxForm {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    std::vector<Box*> boxes;

    explicit TBoxForm(const std::vector<int>& cells)
    {
        form->SetBounds(0, 0, kW, kH);
        const int cw = kW / kCols, ch = kH / kRows;
        for (int cell : cells) {
            auto* b = new Box(form.get(), "Control " + std::to_string(cell));
            b->SetBounds((cell % kCols) * cw + 4, (cell / kCols) * ch + 4, cw - 8, ch - 8);
            b->SetColor(0x00E0E0E0);
            b->SetParent(form.get());
            boxes.push_back(b);
        }
        form->PaintPending();
    }
};

std::vector<int> AllCells()
{
    std::vector<int> v(kCols * kRows);
    for (int i = 0; i < kCols * kRows; ++i) v[static_cast<size_t>(i)] = i;
    return v;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <class Box>
void BM_OneChange(benchmark::State& state)
{
    constexpr int kChanged = 44, kReps = 300;
    TBoxForm<Box> full(AllCells());
    TBoxForm<Box> alone({kChanged});
    Box* inFull = full.boxes[kChanged];
    Box* single = alone.boxes[0];
    // Repaints the form after changing the control's colour, kReps times.
    auto run = [](TForm& f, Box* b) {
        const double t0 = CpuSeconds();
        for (int i = 0; i < kReps; ++i) {
            b->SetColor((i & 1) ? 0x00C08040 : 0x004080C0);
            f.PaintPending();
        }
        return (CpuSeconds() - t0) / kReps;
    };
    std::vector<double> ratios, fullTimes, aloneTimes;
    std::vector<int> before;
    for (Box* b : full.boxes) before.push_back(b->GetPaintCount());
    for (auto _ : state) {
        const double a = run(*alone.form, single);
        const double f = run(*full.form, inFull);
        fullTimes.push_back(f);
        aloneTimes.push_back(a);
        ratios.push_back(f / a);
        state.SetIterationTime(f);
    }
    // Only the changed control may have painted.
    for (size_t i = 0; i < full.boxes.size(); ++i)
        if (static_cast<int>(i) != kChanged && full.boxes[i]->GetPaintCount() != before[i]) {
            state.SkipWithError("a control outside the dirty area was painted");
            return;
        }
    state.counters["us_100_controls"] = Median(fullTimes) * 1e6;
    state.counters["us_alone"] = Median(aloneTimes) * 1e6;
    state.counters["ratio_median"] = Median(ratios);
    state.counters["ratio_best"] = *std::min_element(fullTimes.begin(), fullTimes.end()) /
                                   *std::min_element(aloneTimes.begin(), aloneTimes.end());
}

template <class Box>
void BM_FullRepaint(benchmark::State& state)
{
    constexpr int kReps = 5;
    TBoxForm<Box> full(AllCells());
    const size_t bytes = size_t(kW) * kH * 4;
    std::vector<uint32_t> src(size_t(kW) * kH, 0x00FFFFFF), dst(size_t(kW) * kH);
    // An unmeasured copy, so that the pages of the destination exist.
    std::memcpy(dst.data(), src.data(), bytes);
    std::vector<double> ratios, paintTimes, copyTimes;
    const int paintsBefore = full.boxes.back()->GetPaintCount();
    int rounds = 0;
    for (auto _ : state) {
        ++rounds;
        double t0 = CpuSeconds();
        for (int i = 0; i < kReps; ++i) {
            std::memcpy(dst.data(), src.data(), bytes);
            benchmark::ClobberMemory();
        }
        const double copy = (CpuSeconds() - t0) / kReps;
        t0 = CpuSeconds();
        for (int i = 0; i < kReps; ++i) {
            full.form->Invalidate();
            full.form->PaintPending();
        }
        const double paint = (CpuSeconds() - t0) / kReps;
        paintTimes.push_back(paint);
        copyTimes.push_back(copy);
        ratios.push_back(paint / copy);
        state.SetIterationTime(paint);
    }
    benchmark::DoNotOptimize(dst.data());
    if (full.boxes.back()->GetPaintCount() - paintsBefore != rounds * kReps) {
        state.SkipWithError("a full repaint did not paint every control");
        return;
    }
    state.counters["ms_repaint"] = Median(paintTimes) * 1e3;
    state.counters["ms_memcpy"] = Median(copyTimes) * 1e3;
    state.counters["memcpy_multiple_median"] = Median(ratios);
    state.counters["memcpy_multiple_best"] = *std::min_element(paintTimes.begin(), paintTimes.end()) /
                                             *std::min_element(copyTimes.begin(), copyTimes.end());
}

} // namespace

BENCHMARK(BM_OneChange<TWinBox>)->Name("OneChange/windowed")->UseManualTime()->Iterations(15)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneChange<TGraphicBox>)->Name("OneChange/graphic")->UseManualTime()->Iterations(15)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullRepaint<TWinBox>)->Name("FullRepaint/windowed")->UseManualTime()->Iterations(9)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRepaint<TGraphicBox>)->Name("FullRepaint/graphic")->UseManualTime()->Iterations(9)->Unit(benchmark::kMillisecond);
