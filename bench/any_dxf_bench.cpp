// The reader for DXF as CAD programs write it, on two generated drawings: a
// map of a million entities in the shape ezdxf writes R2000 (handles, owner
// handles, subclass markers, z), and a drawing of many block inserts and
// curves. With dxflib installed its parse alone of the map is measured too.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

#include "cached_drawing.h"
#include "core/drawing_document.h"
#include "dxf/any_dxf.h"

#ifdef KORVANE_HAVE_DXFLIB
#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#endif

namespace {

class TagWriter {
  public:
    explicit TagWriter(std::size_t reserve) { text_.reserve(reserve); }
    // Group codes right-aligned in three columns, as ezdxf writes them.
    void Tag(int code, std::string_view value) {
        char buffer[8];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, code).ptr;
        const std::size_t digits = static_cast<std::size_t>(end - buffer);
        text_.append(digits < 3 ? 3 - digits : 0, ' ');
        text_.append(buffer, digits);
        text_ += '\n';
        text_.append(value);
        text_ += '\n';
    }
    void Real(int code, double value) {
        char buffer[32];
        auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
        std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
        // ezdxf writes Python's repr: a whole number keeps ".0".
        if (text.find_first_of(".e") == std::string_view::npos) {
            Tag(code, std::string(text) + ".0");
            return;
        }
        Tag(code, text);
    }
    void Handle(int code, uint64_t handle) {
        char buffer[20];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, handle, 16).ptr;
        std::string value(buffer, static_cast<std::size_t>(end - buffer));
        for (char& c : value) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        Tag(code, value);
    }
    std::string Take() { return std::move(text_); }

  private:
    std::string text_;
};

void Header(TagWriter& w) {
    w.Tag(0, "SECTION");
    w.Tag(2, "HEADER");
    w.Tag(9, "$ACADVER");
    w.Tag(1, "AC1015");
    w.Tag(9, "$INSUNITS");
    w.Tag(70, "6");
    w.Tag(0, "ENDSEC");
    w.Tag(0, "SECTION");
    w.Tag(2, "TABLES");
    w.Tag(0, "TABLE");
    w.Tag(2, "LAYER");
    for (const char* layer : {"0", "ROADS", "BUILDINGS"}) {
        w.Tag(0, "LAYER");
        w.Tag(100, "AcDbSymbolTableRecord");
        w.Tag(100, "AcDbLayerTableRecord");
        w.Tag(2, layer);
        w.Tag(70, "0");
        w.Tag(62, "7");
        w.Tag(6, "Continuous");
    }
    w.Tag(0, "ENDTAB");
    w.Tag(0, "ENDSEC");
}

double Rounded(double value) { return std::round(value * 10000.0) / 10000.0; }

void EntityStart(TagWriter& w, std::string_view name, uint64_t& handle, std::string_view layer,
                 std::string_view subclass) {
    w.Tag(0, name);
    w.Handle(5, handle++);
    w.Tag(330, "1F");
    w.Tag(100, "AcDbEntity");
    w.Tag(8, layer);
    w.Tag(100, subclass);
}

// A quarter each of LINE, LWPOLYLINE of five vertices, CIRCLE and ARC, short
// pieces over 100 km in metres to a tenth of a millimetre.
std::string MapDrawing(int64_t entities) {
    TagWriter w(static_cast<std::size_t>(entities) * 170);
    Header(w);
    w.Tag(0, "SECTION");
    w.Tag(2, "ENTITIES");
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> place(0.0, 100000.0);
    std::uniform_real_distribution<double> step(-40.0, 40.0);
    std::uniform_real_distribution<double> radius(0.5, 30.0);
    std::uniform_real_distribution<double> angle(0.0, 360.0);
    uint64_t handle = 0x30;
    for (int64_t i = 0; i < entities; ++i) {
        const double x = Rounded(place(random));
        const double y = Rounded(place(random));
        switch (i % 4) {
            case 0:
                EntityStart(w, "LINE", handle, "ROADS", "AcDbLine");
                w.Real(10, x);
                w.Real(20, y);
                w.Real(30, 0.0);
                w.Real(11, Rounded(x + step(random)));
                w.Real(21, Rounded(y + step(random)));
                w.Real(31, 0.0);
                break;
            case 1: {
                EntityStart(w, "LWPOLYLINE", handle, "BUILDINGS", "AcDbPolyline");
                w.Tag(90, "5");
                w.Tag(70, "0");
                double px = x;
                double py = y;
                for (int v = 0; v < 5; ++v) {
                    w.Real(10, px);
                    w.Real(20, py);
                    px = Rounded(px + step(random));
                    py = Rounded(py + step(random));
                }
                break;
            }
            case 2:
                EntityStart(w, "CIRCLE", handle, "0", "AcDbCircle");
                w.Real(10, x);
                w.Real(20, y);
                w.Real(30, 0.0);
                w.Real(40, Rounded(radius(random)));
                break;
            default:
                EntityStart(w, "ARC", handle, "0", "AcDbCircle");
                w.Real(10, x);
                w.Real(20, y);
                w.Real(30, 0.0);
                w.Real(40, Rounded(radius(random)));
                w.Tag(100, "AcDbArc");
                w.Real(50, Rounded(angle(random)));
                w.Real(51, Rounded(angle(random)));
                break;
        }
    }
    w.Tag(0, "ENDSEC");
    w.Tag(0, "EOF");
    return w.Take();
}

// 200 blocks of circles, arcs, ellipses, splines and a nested insert, placed
// by 100000 inserts rotated, mirrored and scaled.
std::string InsertDrawing(int64_t inserts) {
    TagWriter w(static_cast<std::size_t>(inserts) * 200 + 2'000'000);
    Header(w);
    w.Tag(0, "SECTION");
    w.Tag(2, "BLOCKS");
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    uint64_t handle = 0x30;
    constexpr int kBlocks = 200;
    for (int b = 0; b < kBlocks; ++b) {
        w.Tag(0, "BLOCK");
        w.Tag(8, "0");
        w.Tag(2, "PART" + std::to_string(b));
        w.Tag(70, "0");
        w.Real(10, 0.0);
        w.Real(20, 0.0);
        w.Real(30, 0.0);
        for (int k = 0; k < 4; ++k) {
            EntityStart(w, "CIRCLE", handle, "0", "AcDbCircle");
            w.Real(10, Rounded(unit(random) * 20));
            w.Real(20, Rounded(unit(random) * 20));
            w.Real(40, Rounded(1 + unit(random) * 5));
            EntityStart(w, "ARC", handle, "0", "AcDbCircle");
            w.Real(10, Rounded(unit(random) * 20));
            w.Real(20, Rounded(unit(random) * 20));
            w.Real(40, Rounded(1 + unit(random) * 8));
            w.Real(50, Rounded(unit(random) * 360));
            w.Real(51, Rounded(unit(random) * 360));
        }
        EntityStart(w, "ELLIPSE", handle, "0", "AcDbEllipse");
        w.Real(10, 10.0);
        w.Real(20, 10.0);
        w.Real(11, Rounded(3 + unit(random) * 6));
        w.Real(21, Rounded(unit(random) * 4));
        w.Real(40, 0.5);
        w.Real(41, 0.0);
        w.Real(42, 6.283185307179586);
        EntityStart(w, "SPLINE", handle, "0", "AcDbSpline");
        w.Tag(70, "8");
        w.Tag(71, "3");
        w.Tag(72, "10");
        w.Tag(73, "6");
        for (const char* knot : {"0", "0", "0", "0", "1", "2", "3", "3", "3", "3"}) w.Tag(40, knot);
        for (int k = 0; k < 6; ++k) {
            w.Real(10, k * 4.0);
            w.Real(20, Rounded(unit(random) * 20));
            w.Real(30, 0.0);
        }
        if (b > 0) {
            EntityStart(w, "INSERT", handle, "0", "AcDbBlockReference");
            w.Tag(2, "PART" + std::to_string(b - 1));
            w.Real(10, 25.0);
            w.Real(20, 0.0);
            w.Real(41, 0.5);
            w.Real(42, 0.5);
        }
        w.Tag(0, "ENDBLK");
    }
    w.Tag(0, "ENDSEC");
    w.Tag(0, "SECTION");
    w.Tag(2, "ENTITIES");
    for (int64_t i = 0; i < inserts; ++i) {
        EntityStart(w, "INSERT", handle, "0", "AcDbBlockReference");
        // Shallow nesting mostly: block b holds b - 1, so the low ones.
        w.Tag(2, "PART" + std::to_string(static_cast<int>(unit(random) * 3)));
        w.Real(10, Rounded(unit(random) * 50000));
        w.Real(20, Rounded(unit(random) * 50000));
        w.Real(41, unit(random) < 0.5 ? -1.0 : 1.5);
        w.Real(42, 1.0);
        w.Real(50, Rounded(unit(random) * 360));
    }
    w.Tag(0, "ENDSEC");
    w.Tag(0, "EOF");
    return w.Take();
}

void ReportPeak(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_LoadAnyDxfMap(benchmark::State& state) {
    const int64_t entities = state.range(0);
    const std::string path =
        bench::CachedDrawing("korvane-any-map-" + std::to_string(entities) + ".dxf",
                             [&] { return MapDrawing(entities); });
    const auto variant = state.range(1) != 0 ? core::DxfVariant::Editor : core::DxfVariant::Viewer;
    for (auto _ : state) {
        core::DrawingDocument document(variant);
        benchmark::DoNotOptimize(dxf::LoadAnyDxf(document, path));
    }
    ReportPeak(state);
}
BENCHMARK(BM_LoadAnyDxfMap)
    ->ArgsProduct({{100000, 1000000}, {0, 1}})
    ->ArgNames({"entities", "editor"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_LoadAnyDxfInserts(benchmark::State& state) {
    const int64_t inserts = state.range(0);
    const std::string path =
        bench::CachedDrawing("korvane-any-inserts-" + std::to_string(inserts) + ".dxf",
                             [&] { return InsertDrawing(inserts); });
    for (auto _ : state) {
        core::DrawingDocument document(core::DxfVariant::Viewer);
        benchmark::DoNotOptimize(dxf::LoadAnyDxf(document, path));
    }
    ReportPeak(state);
}
BENCHMARK(BM_LoadAnyDxfInserts)
    ->Arg(100000)
    ->ArgName("inserts")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

#ifdef KORVANE_HAVE_DXFLIB
// dxflib's parse with callbacks that do nothing: the least it can cost.
class IgnoreAll : public DL_CreationAdapter {};

void BM_DxflibParseMap(benchmark::State& state) {
    const int64_t entities = state.range(0);
    const std::string path =
        bench::CachedDrawing("korvane-any-map-" + std::to_string(entities) + ".dxf",
                             [&] { return MapDrawing(entities); });
    for (auto _ : state) {
        IgnoreAll ignore;
        DL_Dxf reader;
        benchmark::DoNotOptimize(reader.in(path, &ignore));
    }
    ReportPeak(state);
}
BENCHMARK(BM_DxflibParseMap)
    ->Arg(100000)
    ->Arg(1000000)
    ->ArgName("entities")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif

}  // namespace

BENCHMARK_MAIN();
