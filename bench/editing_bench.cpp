// Rectangle selection over half of a large drawing, then Delete.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>

#include "core/drawing_document.h"
#include "editing/pick_modes.h"

namespace {

constexpr int32_t kWidth = 2000;
constexpr int32_t kHeight = 1500;

// 1,000,000 entities: 60% lines, 20% points, 20% polylines of 5 vertices,
// which makes 2.8 million table rows. With a reach, every position of an
// entity lies within that many pixels of a random anchor, as in a drawing
// of many small parts; with reach 0 each position is anywhere in the drawing,
// so the average segment crosses a third of it.
std::unique_ptr<core::DrawingDocument> MakeDocument(int32_t reach) {
    auto doc = std::make_unique<core::DrawingDocument>();
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int32_t> anchor_x(0, kWidth);
    std::uniform_int_distribution<int32_t> anchor_y(0, kHeight);
    std::uniform_int_distribution<int32_t> near(-reach, reach);
    std::uniform_int_distribution<int32_t> pick(0, 9);
    int32_t ax = 0;
    int32_t ay = 0;
    auto xs = [&](std::mt19937& r) {
        return reach == 0 ? anchor_x(r) : std::clamp(ax + near(r), 0, kWidth);
    };
    auto ys = [&](std::mt19937& r) {
        return reach == 0 ? anchor_y(r) : std::clamp(ay + near(r), 0, kHeight);
    };
    constexpr std::size_t kRows = 2'800'000;
    doc->Rows.reserve(kRows);
    for (int entity = 0; entity < 1'000'000; ++entity) {
        const int32_t kind = pick(rng);
        ax = anchor_x(rng);
        ay = anchor_y(rng);
        if (kind < 6) {
            doc->AppendRow("LS", xs(rng), ys(rng), "0");
            doc->AppendRow("LE", xs(rng), ys(rng), "0");
        } else if (kind < 8) {
            doc->AppendRow("PT", xs(rng), ys(rng), "0");
        } else {
            doc->AppendRow("PS", "0", "0", "0");
            for (int v = 0; v < 5; ++v) doc->AppendRow(v == 0 ? "VS" : "VP", xs(rng), ys(rng), "0");
            doc->AppendRow("PE", "0", "0", "0");
        }
    }
    doc->Image1.SetWidth(kWidth + 1);
    doc->Image1.SetHeight(kHeight + 1);
    (void)doc->Image1.Canvas();
    return doc;
}

void BM_SelectHalfThenDelete(benchmark::State& state) {
    auto doc = MakeDocument(static_cast<int32_t>(state.range(0)));
    editing::PickModes modes(*doc, nullptr);
    for (auto _ : state) {
        // Rows deleted by the previous round are inside again and go through
        // the same marking, growing, painting and deleting.
        modes.SelectRect(0, 0, kWidth / 2, kHeight);
        modes.FormKeyDown(editing::Key::Delete);
    }
    state.counters["rows"] = doc->RowCount();
}
void BM_SelectHalf(benchmark::State& state) {
    auto doc = MakeDocument(static_cast<int32_t>(state.range(0)));
    editing::PickModes modes(*doc, nullptr);
    for (auto _ : state) modes.SelectRect(0, 0, kWidth / 2, kHeight);
}

void BM_DeleteSelection(benchmark::State& state) {
    auto doc = MakeDocument(static_cast<int32_t>(state.range(0)));
    editing::PickModes modes(*doc, nullptr);
    for (auto _ : state) {
        state.PauseTiming();
        modes.SelectRect(0, 0, kWidth / 2, kHeight);
        state.ResumeTiming();
        modes.FormKeyDown(editing::Key::Delete);
    }
}

// Arguments: the reach of an entity (0: anywhere).
BENCHMARK(BM_SelectHalfThenDelete)->Arg(20)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectHalf)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteSelection)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
