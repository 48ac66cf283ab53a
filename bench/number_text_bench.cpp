// NumText runs once per DXF coordinate, some ten million times for a large drawing.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/number_text.h"

namespace {

const std::vector<std::string>& CoordinateTexts() {
    static const std::vector<std::string> texts = {
        "1234", "1234.5", "-12.25", "0", "0.0", "  10", "3999.75", "-2047", "15.125", "812.5",
    };
    return texts;
}

template <int32_t (*Convert)(std::string_view)>
void BM_Convert(benchmark::State& state) {
    const auto& texts = CoordinateTexts();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Convert(texts[i]));
        if (++i == texts.size()) i = 0;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_Convert<core::NumText>)->Name("BM_NumText");
BENCHMARK(BM_Convert<core::NumTextExact>)->Name("BM_NumTextExact");

void BM_ParseWhole(benchmark::State& state) {
    const std::vector<std::string> cells = {"0", "1234", "-1", "2", "-12", "4095", "170"};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(core::ParseWhole(cells[i]));
        if (++i == cells.size()) i = 0;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_ParseWhole);

void BM_WholeText(benchmark::State& state) {
    int32_t value = -5000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(core::WholeText(value));
        if (++value == 5000) value = -5000;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_WholeText);

}  // namespace

BENCHMARK_MAIN();
