// Costs of the picture operations the tools lean on: saving, per-pixel access
// over a large picture, and line drawing.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "raster/bmp_encoder.h"
#include "raster/tbitmap.h"

namespace {

constexpr int32_t kWidth = 2001;
constexpr int32_t kHeight = 1501;

void MakeSized(raster::TBitmap& bitmap, int32_t width, int32_t height) {
    bitmap.SetWidth(width);
    bitmap.SetHeight(height);
}

void BM_EncodeBmp(benchmark::State& state) {
    raster::TBitmap bitmap;
    MakeSized(bitmap, kWidth, kHeight);
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) bitmap.SetPixel(x, y, (x * 7 + y * 13) & 0xFFFFFF);
    }
    for (auto _ : state) {
        std::string file = raster::EncodeBmp(bitmap);
        benchmark::DoNotOptimize(file.data());
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kWidth} * kHeight * 3);
}
BENCHMARK(BM_EncodeBmp)->Unit(benchmark::kMillisecond);

// The trace tool's pattern: read a pixel, write one back, every pixel.
void BM_PixelReadWrite(benchmark::State& state) {
    raster::TBitmap bitmap;
    MakeSized(bitmap, kWidth, kHeight);
    for (auto _ : state) {
        for (int32_t y = 0; y < kHeight; ++y) {
            for (int32_t x = 0; x < kWidth; ++x) {
                const raster::TColor c = bitmap.Pixel(x, y);
                bitmap.SetPixel(x, y, c ^ 0x010101);
            }
        }
        benchmark::DoNotOptimize(bitmap.Data());
        (void)bitmap.TakeDirty();
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_PixelReadWrite)->Unit(benchmark::kMillisecond);

// The same through the canvas, as the tools written against it do.
void BM_CanvasPixelReadWrite(benchmark::State& state) {
    raster::TBitmap bitmap;
    MakeSized(bitmap, kWidth, kHeight);
    raster::TCanvas& canvas = bitmap.Canvas();
    for (auto _ : state) {
        for (int32_t y = 0; y < kHeight; ++y) {
            for (int32_t x = 0; x < kWidth; ++x) {
                canvas.SetPixel(x, y, canvas.Pixel(x, y) ^ 0x010101);
            }
        }
        benchmark::DoNotOptimize(bitmap.Data());
        (void)bitmap.TakeDirty();
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_CanvasPixelReadWrite)->Unit(benchmark::kMillisecond);

// Random segments, some reaching far outside, as a drawing's elements do.
void BM_LineTo(benchmark::State& state) {
    raster::TBitmap bitmap;
    MakeSized(bitmap, kWidth, kHeight);
    raster::TCanvas& canvas = bitmap.Canvas();
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> xs(-500, kWidth + 500);
    std::uniform_int_distribution<int32_t> ys(-500, kHeight + 500);
    constexpr int kLines = 4096;
    std::vector<int32_t> points(std::size_t{4} * kLines);
    for (int32_t& v : points) v = (&v - points.data()) % 2 == 0 ? xs(random) : ys(random);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kLines; ++i) {
            canvas.MoveTo(points[4 * i], points[4 * i + 1]);
            canvas.LineTo(points[4 * i + 2], points[4 * i + 3]);
        }
        benchmark::DoNotOptimize(bitmap.Data());
        (void)bitmap.TakeDirty();
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_LineTo)->Unit(benchmark::kMillisecond);

// Lines whose end points are far beyond the picture: clipping must keep the
// cost to the visible part.
void BM_LineToHuge(benchmark::State& state) {
    raster::TBitmap bitmap;
    MakeSized(bitmap, kWidth, kHeight);
    raster::TCanvas& canvas = bitmap.Canvas();
    for (auto _ : state) {
        canvas.MoveTo(-2000000000, -1500000000);
        canvas.LineTo(2000000000, 1500000000);
        benchmark::DoNotOptimize(bitmap.Data());
    }
}
BENCHMARK(BM_LineToHuge)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
