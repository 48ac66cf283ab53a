// Loading, saving and picture saving of large fixed-layout drawings.
// The drawings are generated once into the temporary folder and reused.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "cached_drawing.h"
#include "core/drawing_document.h"
#include "core/dxf_export.h"
#include "core/dxf_import.h"
#include "core/picture_file.h"

namespace {

constexpr int32_t kMaxX = 2000;
constexpr int32_t kMaxY = 1500;

class DrawingWriter {
  public:
    void Lines(std::initializer_list<std::string_view> lines) {
        for (const std::string_view line : lines) Line(line);
    }
    void Line(std::string_view line) {
        text_.append(line);
        text_.append("\r\n");
    }
    // A whole number, or one with a fraction now and then, as drawings have.
    void Coordinate(int32_t value, uint32_t fraction_pick) {
        char buffer[16];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
        std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
        text_.append(text);
        if (fraction_pick == 0) text_.append(".5");
        if (fraction_pick == 1) text_.append(".25");
        text_.append("\r\n");
    }
    [[nodiscard]] const std::string& Text() const { return text_; }
    void Reserve(std::size_t bytes) { text_.reserve(bytes); }

  private:
    std::string text_;
};

// 60% LINE, 20% POINT, 20% POLYLINE of five vertices; short elements spread
// over about 2000 by 1500 units, with a point in each far corner so the
// picture is exactly 2001 by 1501.
std::string GenerateDrawing(int64_t entities) {
    std::mt19937 random(20240601);
    auto uniform = [&](int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(random);
    };
    auto fraction = [&] { return static_cast<uint32_t>(uniform(0, 7)); };
    auto clamp = [](int32_t v, int32_t high) { return v < 0 ? 0 : (v > high ? high : v); };

    DrawingWriter out;
    out.Reserve(static_cast<std::size_t>(entities) * 140);
    out.Lines({"  0", "SECTION", "  2", "ENTITIES", "  0"});
    auto point = [&](int32_t x, int32_t y, uint32_t fx, uint32_t fy) {
        out.Lines({"POINT", "  8", "_0-0_", " 62", "    7", " 10"});
        out.Coordinate(x, fx);
        out.Line(" 20");
        out.Coordinate(y, fy);
        out.Line("  0");
    };
    point(0, 0, 7, 7);
    point(kMaxX, kMaxY, 7, 7);
    for (int64_t n = 2; n < entities; ++n) {
        const int32_t kind = uniform(0, 9);
        int32_t x = uniform(0, kMaxX - 1);
        int32_t y = uniform(0, kMaxY - 1);
        if (kind < 6) {
            out.Lines({"LINE", "  8", "_0-0_", "  6", "CONTINUOUS", " 62", "    7", " 10"});
            out.Coordinate(x, fraction());
            out.Line(" 20");
            out.Coordinate(y, fraction());
            out.Line(" 11");
            out.Coordinate(clamp(x + uniform(-40, 40), kMaxX - 1), fraction());
            out.Line(" 21");
            out.Coordinate(clamp(y + uniform(-40, 40), kMaxY - 1), fraction());
            out.Line("  0");
        } else if (kind < 8) {
            point(x, y, fraction(), fraction());
        } else {
            out.Lines({"POLYLINE", "  8", "_0-0_", " 66", "     1", " 40", "0.000000", " 41",
                       "0.000000", "  0"});
            for (int v = 0; v < 5; ++v) {
                out.Lines({"VERTEX", "  8", "_0-0_", " 10"});
                out.Coordinate(x, fraction());
                out.Line(" 20");
                out.Coordinate(y, fraction());
                out.Line("  0");
                x = clamp(x + uniform(-20, 20), kMaxX - 1);
                y = clamp(y + uniform(-20, 20), kMaxY - 1);
            }
            out.Lines({"SEQEND", "  8", "A", "  0"});
        }
    }
    out.Lines({"ENDSEC", "  0", "EOF"});
    return out.Text();
}

std::string DrawingPath(int64_t entities) {
    return bench::CachedDrawing("dxf_bench_v1_" + std::to_string(entities) + ".dxf",
                                [&] { return GenerateDrawing(entities); });
}

void ReportPeakMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_LoadDxf(benchmark::State& state) {
    const auto variant = state.range(1) == 0 ? core::DxfVariant::Viewer : core::DxfVariant::Editor;
    const std::string path = DrawingPath(state.range(0));
    core::DrawingDocument document(variant);
    for (auto _ : state) {
        core::LoadDxf(document, path);
        benchmark::DoNotOptimize(document.Image1.Picture.Content());
    }
    state.SetLabel(variant == core::DxfVariant::Viewer ? "viewer" : "editor");
    state.SetBytesProcessed(state.iterations() *
                            static_cast<int64_t>(std::filesystem::file_size(path)));
    ReportPeakMemory(state);
}
BENCHMARK(BM_LoadDxf)
    ->ArgsProduct({{100000, 1000000}, {0, 1}})
    ->ArgNames({"entities", "editor"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One loaded editor document per size, shared by the save benchmarks.
const core::DrawingDocument& LoadedDocument(int64_t entities) {
    static std::map<int64_t, std::unique_ptr<core::DrawingDocument>> documents;
    auto& document = documents[entities];
    if (!document) {
        document = std::make_unique<core::DrawingDocument>(core::DxfVariant::Editor);
        core::LoadDxf(*document, DrawingPath(entities));
    }
    return *document;
}

void BM_SaveDxf(benchmark::State& state) {
    const core::DrawingDocument& document = LoadedDocument(state.range(0));
    const std::string out =
        (std::filesystem::temp_directory_path() / "dxf_bench_saved.dxf").string();
    for (auto _ : state) core::SaveDxf(document, out);
    std::filesystem::remove(out);
    ReportPeakMemory(state);
}
BENCHMARK(BM_SaveDxf)
    ->Arg(100000)
    ->Arg(1000000)
    ->ArgName("entities")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_SavePictureToFile(benchmark::State& state) {
    const core::DrawingDocument& document = LoadedDocument(100000);
    const std::string out =
        (std::filesystem::temp_directory_path() / "dxf_bench_picture.bmp").string();
    for (auto _ : state) core::SavePictureToFile(document.Image1.Picture, out);
    std::filesystem::remove(out);
    state.SetLabel(std::to_string(document.Image1.Picture.Width()) + "x" +
                   std::to_string(document.Image1.Picture.Height()));
}
BENCHMARK(BM_SavePictureToFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
