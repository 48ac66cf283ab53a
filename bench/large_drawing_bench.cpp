// Loading and converting drawings of a million entities whose drawing cost
// dominates: long random lines over a small picture, short elements over a
// map-sized one, and long contour polylines; and the editor's selection,
// Delete and Escape on them. The files are generated once into the temporary
// folder.
//
//   large_drawing_bench                 the benchmarks
//   large_drawing_bench --write KIND    writes the drawing, prints its path
//   large_drawing_bench --load KIND|PATH editor|viewer
//                                       one load, prints seconds and peak RSS
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "cached_drawing.h"
#include "core/drawing_document.h"
#include "core/dxf_import.h"
#include "core/picture_file.h"
#include "editing/pick_modes.h"

namespace {

class Writer {
  public:
    explicit Writer(std::size_t reserve) { text_.reserve(reserve); }
    void Lines(std::initializer_list<std::string_view> lines) {
        for (const std::string_view line : lines) Line(line);
    }
    void Line(std::string_view line) {
        text_.append(line);
        text_.append("\r\n");
    }
    void Number(int32_t value) {
        char buffer[16];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
        Line(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
    }
    void Code(std::string_view code, int32_t value) {
        Line(code);
        Number(value);
    }
    void Point(int32_t x, int32_t y) {
        Lines({"POINT", "  8", "_0-0_", " 62", "    7"});
        Code(" 10", x);
        Code(" 20", y);
        Line("  0");
    }
    void Segment(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        Lines({"LINE", "  8", "_0-0_", "  6", "CONTINUOUS", " 62", "    7"});
        Code(" 10", x1);
        Code(" 20", y1);
        Code(" 11", x2);
        Code(" 21", y2);
        Line("  0");
    }
    void PolylineStart() {
        Lines({"POLYLINE", "  8", "_0-0_", " 66", "     1", " 40", "0.000000", " 41", "0.000000",
               "  0"});
    }
    void Vertex(int32_t x, int32_t y) {
        Lines({"VERTEX", "  8", "_0-0_"});
        Code(" 10", x);
        Code(" 20", y);
        Line("  0");
    }
    void PolylineEnd() { Lines({"SEQEND", "  8", "A", "  0"}); }
    std::string& Text() { return text_; }

  private:
    std::string text_;
};

enum class Kind { Dense, Map, Contour };

// Dense: 600k LINE, 200k POINT, 200k POLYLINE of five vertices, every
// element between random points anywhere in 2001 by 1501.
// Map: the same mix over 8001 by 6001, each element within 60 units of its
// first point.
// Contour: 25k polylines of 40 vertices wandering in steps of up to 150
// units over 8001 by 6001.
std::string Generate(Kind kind) {
    std::mt19937 random(20261207);
    auto uniform = [&](int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(random);
    };
    const bool small = kind == Kind::Dense;
    const int32_t max_x = small ? 2000 : 8000;
    const int32_t max_y = small ? 1500 : 6000;
    auto clamp = [](int32_t v, int32_t high) { return v < 0 ? 0 : (v > high ? high : v); };
    Writer out(std::size_t{160} << 20);
    out.Lines({"  0", "SECTION", "  2", "ENTITIES", "  0"});
    out.Point(0, 0);
    out.Point(max_x, max_y);
    if (kind == Kind::Contour) {
        for (int n = 0; n < 25000; ++n) {
            int32_t x = uniform(0, max_x);
            int32_t y = uniform(0, max_y);
            out.PolylineStart();
            for (int v = 0; v < 40; ++v) {
                out.Vertex(x, y);
                x = clamp(x + uniform(-150, 150), max_x);
                y = clamp(y + uniform(-150, 150), max_y);
            }
            out.PolylineEnd();
        }
    } else {
        auto near = [&](int32_t v, int32_t high) {
            return small ? uniform(0, high) : clamp(v + uniform(-60, 60), high);
        };
        for (int n = 2; n < 1000000; ++n) {
            const int pick = uniform(0, 9);
            const int32_t x = uniform(0, max_x);
            const int32_t y = uniform(0, max_y);
            if (pick < 6) {
                out.Segment(x, y, near(x, max_x), near(y, max_y));
            } else if (pick < 8) {
                out.Point(x, y);
            } else {
                out.PolylineStart();
                out.Vertex(x, y);
                for (int v = 1; v < 5; ++v) out.Vertex(near(x, max_x), near(y, max_y));
                out.PolylineEnd();
            }
        }
    }
    out.Lines({"ENDSEC", "  0", "EOF"});
    return std::move(out.Text());
}

const char* Name(Kind kind) {
    switch (kind) {
        case Kind::Dense:
            return "dense";
        case Kind::Map:
            return "map";
        case Kind::Contour:
            return "contour";
    }
    return "";
}

std::string DrawingPath(Kind kind) {
    return bench::CachedDrawing(std::string("large_drawing_v1_") + Name(kind) + ".dxf",
                                [&] { return Generate(kind); });
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_Convert(benchmark::State& state) {
    const auto kind = static_cast<Kind>(state.range(0));
    const std::string path = DrawingPath(kind);
    const std::string out =
        (std::filesystem::temp_directory_path() / "large_drawing_bench.bmp").string();
    for (auto _ : state) {
        core::DrawingDocument document(core::DxfVariant::Viewer);
        core::LoadDxf(document, path);
        core::SavePictureToFile(document.Image1.Picture, out);
    }
    std::filesystem::remove(out);
    state.SetLabel(Name(kind));
}
BENCHMARK(BM_Convert)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EditorLoad(benchmark::State& state) {
    const auto kind = static_cast<Kind>(state.range(0));
    const std::string path = DrawingPath(kind);
    for (auto _ : state) {
        core::DrawingDocument document(core::DxfVariant::Editor);
        core::LoadDxf(document, path);
        benchmark::DoNotOptimize(document.RowCount());
    }
    state.SetLabel(Name(kind));
}
BENCHMARK(BM_EditorLoad)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The editor's commands on a loaded drawing: select a rectangle over a
// twentieth (range 1 = 0) or all (1) of the picture, then Delete or Escape.
// Delete and Escape follow their selection, as they do in the editor, and
// so reuse its ink; each selection differs from the one before it, so its
// ink is drawn afresh.
core::DrawingDocument& EditorDocument(Kind kind) {
    static std::map<Kind, std::unique_ptr<core::DrawingDocument>> documents;
    auto& document = documents[kind];
    if (!document) {
        document = std::make_unique<core::DrawingDocument>(core::DxfVariant::Editor);
        core::LoadDxf(*document, DrawingPath(kind));
    }
    return *document;
}

enum class Command { Select, Delete, Escape };

void BM_Edit(benchmark::State& state) {
    const auto kind = static_cast<Kind>(state.range(0));
    const bool whole = state.range(1) != 0;
    const auto command = static_cast<Command>(state.range(2));
    core::DrawingDocument& document = EditorDocument(kind);
    editing::PickModes modes(document, nullptr);
    const int32_t width = document.DrawWidth;
    const int32_t height = document.DrawHeight;
    const int32_t right = whole ? width : width / 4;
    const int32_t bottom = whole ? height : height / 5;
    int32_t left = 0;
    for (auto _ : state) {
        left = 1 - left;
        if (command != Command::Select) {
            state.PauseTiming();
            modes.SelectRect(left, 0, right, bottom);
            state.ResumeTiming();
        }
        switch (command) {
            case Command::Select:
                modes.SelectRect(left, 0, right, bottom);
                break;
            case Command::Delete:
                modes.FormKeyDown(editing::Key::Delete);
                break;
            case Command::Escape:
                modes.FormKeyDown(editing::Key::Escape);
                break;
        }
        if (command == Command::Select) {
            state.PauseTiming();
            modes.FormKeyDown(editing::Key::Escape);
            state.ResumeTiming();
        }
    }
    state.SetLabel(std::string(Name(kind)) + (whole ? " all" : " 1/20") +
                   (command == Command::Select   ? " select"
                    : command == Command::Delete ? " delete"
                                                 : " escape"));
}
BENCHMARK(BM_Edit)
    ->ArgsProduct({{0, 1}, {0, 1}, {0, 1, 2}})
    ->ArgNames({"kind", "all", "command"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

Kind KindNamed(std::string_view name) {
    if (name == "map") return Kind::Map;
    if (name == "contour") return Kind::Contour;
    return Kind::Dense;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode == "--write" && argc > 2) {
        std::printf("%s\n", DrawingPath(KindNamed(argv[2])).c_str());
        return 0;
    }
    if (mode == "--load" && argc > 3) {
        const std::string_view what = argv[2];
        const std::string path = std::filesystem::exists(std::string(what))
                                     ? std::string(what)
                                     : DrawingPath(KindNamed(what));
        const auto variant = std::string_view(argv[3]) == "viewer" ? core::DxfVariant::Viewer
                                                                   : core::DxfVariant::Editor;
        const double before = PeakMegabytes();
        const auto start = std::chrono::steady_clock::now();
        core::DrawingDocument document(variant);
        core::LoadDxf(document, path);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::printf("load %.3f s, peak RSS %.1f MB (%.1f MB before), %dx%d, %d rows\n",
                    took.count(), PeakMegabytes(), before, document.Image1.Picture.Width(),
                    document.Image1.Picture.Height(), document.RowCount());
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
