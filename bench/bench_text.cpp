// Text drawing and measuring with a warm glyph cache. The goal is a million
// glyphs a second or more; each benchmark reports its glyph rate.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "vcl/Fonts.h"

namespace {

const std::string kLine = "The quick brown fox jumps over the lazy dog 0123456789 (8g]}\xDC\xC4\xA7";

void Report(benchmark::State& state, int64_t glyphs)
{
    state.SetItemsProcessed(glyphs);
    state.counters["glyphs/s"] = benchmark::Counter(static_cast<double>(glyphs), benchmark::Counter::kIsRate);
}

// Draws the sample line down an 800 x 600 surface, line after line.
void DrawLines(benchmark::State& state, vcl::TFont& font, bool mono)
{
    vcl::SetForceMonochromeText(mono);
    std::vector<uint32_t> pixels(800 * 600, 0x00FFFFFF);
    const vcl::TSurface surface{pixels.data(), 800, 600, 800};
    const vcl::TRect clip{0, 0, 800, 600};
    const int32_t step = vcl::TextHeight(font);
    vcl::RenderText(font, surface, clip, 0, 0, kLine, 0); // warm the cache
    int64_t glyphs = 0;
    int32_t y = 0;
    for (auto _ : state) {
        vcl::RenderText(font, surface, clip, 4, y, kLine, 0x00402010);
        glyphs += static_cast<int64_t>(kLine.size());
        y = y + step < 600 ? y + step : 0;
    }
    benchmark::DoNotOptimize(pixels.data());
    vcl::SetForceMonochromeText(false);
    Report(state, glyphs);
}

void BM_TextOut_AntiAliased_8pt(benchmark::State& state)
{
    vcl::TFont font;
    DrawLines(state, font, false);
}
BENCHMARK(BM_TextOut_AntiAliased_8pt);

void BM_TextOut_Monochrome_8pt(benchmark::State& state)
{
    vcl::TFont font;
    DrawLines(state, font, true);
}
BENCHMARK(BM_TextOut_Monochrome_8pt);

void BM_TextOut_AntiAliased_14pt(benchmark::State& state)
{
    vcl::TFont font;
    font.SetSize(14);
    DrawLines(state, font, false);
}
BENCHMARK(BM_TextOut_AntiAliased_14pt);

void BM_TextOut_FixedFont(benchmark::State& state)
{
    vcl::TFont font;
    font.SetName("vcl-fixed");
    DrawLines(state, font, true);
}
BENCHMARK(BM_TextOut_FixedFont);

void BM_TextOut_Rotated90_8pt(benchmark::State& state)
{
    vcl::TFont font;
    font.SetEscapement(900);
    std::vector<uint32_t> pixels(800 * 600, 0x00FFFFFF);
    const vcl::TSurface surface{pixels.data(), 800, 600, 800};
    int64_t glyphs = 0;
    int32_t x = 0;
    for (auto _ : state) {
        vcl::RenderText(font, surface, {0, 0, 800, 600}, x, 590, kLine, 0x00402010);
        glyphs += static_cast<int64_t>(kLine.size());
        x = x + 14 < 800 ? x + 14 : 0;
    }
    benchmark::DoNotOptimize(pixels.data());
    Report(state, glyphs);
}
BENCHMARK(BM_TextOut_Rotated90_8pt);

void BM_TextWidth_8pt(benchmark::State& state)
{
    vcl::TFont font;
    int64_t glyphs = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vcl::TextWidth(font, kLine));
        glyphs += static_cast<int64_t>(kLine.size());
    }
    Report(state, glyphs);
}
BENCHMARK(BM_TextWidth_8pt);

} // namespace
