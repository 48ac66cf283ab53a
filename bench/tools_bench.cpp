// Resize and trace on a picture of 2001 by 1501 pixels; items are pixels, so
// items_per_second reads as pixels per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "core/line_list.h"
#include "raster/tbitmap.h"
#include "raster/timage.h"
#include "tools/resize_engine.h"
#include "tools/trace_engine.h"

namespace {

constexpr int32_t kWidth = 2001;
constexpr int32_t kHeight = 1501;

// Greys and colours in bands, so the trace meets a few hundred keys and
// both paints white and leaves pixels.
const raster::TBitmap& Source() {
    static const std::unique_ptr<raster::TBitmap> source = [] {
        auto bitmap = std::make_unique<raster::TBitmap>();
        bitmap->SetWidth(kWidth);
        bitmap->SetHeight(kHeight);
        uint32_t* pixels = bitmap->MutableData();
        for (int32_t y = 0; y < kHeight; ++y) {
            for (int32_t x = 0; x < kWidth; ++x) {
                const uint32_t r = static_cast<uint32_t>(x * 7 + y) & 0xFF;
                const uint32_t g = static_cast<uint32_t>(x + y * 5) & 0xFF;
                const uint32_t b = static_cast<uint32_t>(x ^ y) & 0xFF;
                pixels[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] =
                    r | g << 8 | b << 16;
            }
        }
        return bitmap;
    }();
    return *source;
}

class NoOpControls final : public tools::TraceControls {
public:
    NoOpControls(tools::BaseColour base, int threshold, bool black)
        : base_(base), threshold_(threshold), black_(black) {}
    tools::BaseColour Base() override { return base_; }
    int Threshold() override { return threshold_; }
    bool PaintBlack() override { return black_; }
    bool CancelRequested() override { return false; }
    void FirstPassStep(int64_t) override {}
    void SecondPassStep(int64_t) override {}

private:
    tools::BaseColour base_;
    int threshold_;
    bool black_;
};

void BM_Resize(benchmark::State& state) {
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    raster::TImage image;
    for (auto _ : state) {
        image.Picture.Assign(Source());  // shares the pixels: no copy
        tools::ResizePicture(image, width, height);
        benchmark::DoNotOptimize(image.Picture.Content());
    }
    state.SetItemsProcessed(state.iterations() * int64_t{width} * height);
}
BENCHMARK(BM_Resize)->Args({4002, 3002})->Args({1000, 750})->Unit(benchmark::kMillisecond);

// Both passes; range(0) is the threshold (100 writes nothing, 50 with black
// writes nearly every pixel of this picture), range(1) the base colour.
// `Virtual` calls the hooks through the TraceControls interface, as a dialog
// does; otherwise they are called directly on the final class.
template <bool Virtual>
void BM_Trace(benchmark::State& state) {
    NoOpControls controls(static_cast<tools::BaseColour>(state.range(1)),
                          static_cast<int>(state.range(0)), state.range(0) < 100);
    core::LineList keys;
    for (auto _ : state) {
        state.PauseTiming();
        raster::TBitmap bitmap;
        bitmap.SetWidth(kWidth);
        bitmap.SetHeight(kHeight);
        std::copy_n(Source().Data(), std::size_t{kWidth} * kHeight, bitmap.MutableData());
        state.ResumeTiming();
        if constexpr (Virtual) {
            tools::TraceControls& hooks = controls;
            benchmark::DoNotOptimize(tools::RunTraceToList(bitmap, hooks, keys));
        } else {
            benchmark::DoNotOptimize(tools::RunTraceToList(bitmap, controls, keys));
        }
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
    state.counters["keys"] = keys.Count();
}

void TraceArgs(benchmark::internal::Benchmark* bench) {
    bench->Args({50, static_cast<int>(tools::BaseColour::None)})
        ->Args({50, static_cast<int>(tools::BaseColour::Red)})
        ->Args({100, static_cast<int>(tools::BaseColour::None)})
        ->Unit(benchmark::kMillisecond);
}
BENCHMARK_TEMPLATE(BM_Trace, true)->Name("BM_TraceVirtualHooks")->Apply(TraceArgs);
BENCHMARK_TEMPLATE(BM_Trace, false)->Name("BM_TraceDirectHooks")->Apply(TraceArgs);

}  // namespace

BENCHMARK_MAIN();
