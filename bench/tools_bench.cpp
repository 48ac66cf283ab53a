// Resize and trace on pictures of 2001 by 1501 pixels; items are pixels, so
// items_per_second reads as pixels per second. picture:0 is colour noise (the
// worst case), picture:1 a line drawing (what the programs show).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "core/line_list.h"
#include "raster/tbitmap.h"
#include "raster/timage.h"
#include "tools/resize_engine.h"
#include "tools/trace_engine.h"
#include "tools/trace_engine_run.h"

namespace {

constexpr int32_t kWidth = 2001;
constexpr int32_t kHeight = 1501;

enum Picture { kNoise, kDrawing };

std::unique_ptr<raster::TBitmap> MakePicture(Picture kind) {
    auto bitmap = std::make_unique<raster::TBitmap>();
    bitmap->SetWidth(kWidth);
    bitmap->SetHeight(kHeight);
    uint32_t* pixels = bitmap->MutableData();
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            uint32_t colour;
            if (kind == kNoise) {
                // Colours varying from pixel to pixel: a few hundred keys, and
                // nearly every pixel is repainted by a trace at 50 with black.
                const uint32_t r = static_cast<uint32_t>(x * 7 + y) & 0xFF;
                const uint32_t g = static_cast<uint32_t>(x + y * 5) & 0xFF;
                const uint32_t b = static_cast<uint32_t>(x ^ y) & 0xFF;
                colour = r | g << 8 | b << 16;
            } else {
                // What the programs draw: black lines on white, here a grid
                // and diagonals, plus grey hatching in some cells.
                const bool line = x % 50 == 0 || y % 50 == 0 || x == y || x == kHeight - y;
                const bool hatch = (x / 50 + y / 50) % 5 == 0 && (x + y) % 4 == 0;
                colour = line ? 0x000000u : hatch ? 0x808080u : 0xFFFFFFu;
            }
            pixels[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] = colour;
        }
    }
    return bitmap;
}

const raster::TBitmap& Source(Picture kind) {
    static const std::unique_ptr<raster::TBitmap> noise = MakePicture(kNoise);
    static const std::unique_ptr<raster::TBitmap> drawing = MakePicture(kDrawing);
    return kind == kNoise ? *noise : *drawing;
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
        image.Picture.Assign(Source(kNoise));  // shares the pixels: no copy
        tools::ResizePicture(image, width, height);
        benchmark::DoNotOptimize(image.Picture.Content());
    }
    state.SetItemsProcessed(state.iterations() * int64_t{width} * height);
}
BENCHMARK(BM_Resize)->Args({4002, 3002})->Args({1000, 750})->Unit(benchmark::kMillisecond);

// Both passes. range(0) is the picture, range(1) the threshold (with black
// below 100; 100 paints nothing), range(2) the base colour. `Virtual` calls
// the hooks through the TraceControls interface, as the dialog does;
// otherwise they are called directly on the final class.
template <bool Virtual>
void BM_Trace(benchmark::State& state) {
    const auto kind = static_cast<Picture>(state.range(0));
    const auto threshold = static_cast<int>(state.range(1));
    NoOpControls controls(static_cast<tools::BaseColour>(state.range(2)), threshold,
                          threshold < 100);
    core::LineList keys;
    for (auto _ : state) {
        state.PauseTiming();
        raster::TBitmap bitmap;
        bitmap.SetWidth(kWidth);
        bitmap.SetHeight(kHeight);
        std::copy_n(Source(kind).Data(), std::size_t{kWidth} * kHeight, bitmap.MutableData());
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
    constexpr auto kNone = static_cast<int>(tools::BaseColour::None);
    constexpr auto kRed = static_cast<int>(tools::BaseColour::Red);
    bench->ArgNames({"picture", "T", "base"})
        ->Args({kDrawing, 50, kNone})
        ->Args({kDrawing, 50, kRed})
        ->Args({kNoise, 50, kNone})
        ->Args({kNoise, 100, kNone})
        ->Unit(benchmark::kMillisecond);
}
BENCHMARK_TEMPLATE(BM_Trace, false)->Name("BM_TraceDirectHooks")->Apply(TraceArgs);
BENCHMARK_TEMPLATE(BM_Trace, true)->Name("BM_TraceVirtualHooks")->Apply(TraceArgs);

}  // namespace

BENCHMARK_MAIN();
