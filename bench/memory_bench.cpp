// Peak memory of the converter's work on inputs that once took far more than
// their file, their picture and 64 MB: each case runs in a child process, and
// its peak resident size is reported against that bound (counters peak_MB and
// bound_MB). The inputs are generated once into the temporary folder.
//
//   memory_bench                 the cases
//   memory_bench --write CASE    writes the case's drawing, prints its path
//
// The same cases through the converter itself, for example:
//   /usr/bin/time -v build/bin/morlid-convert $(memory_bench --write wide) /tmp/out.bmp
//   /usr/bin/time -v build/bin/morlid-convert $(memory_bench --write vertices) /tmp/out.bmp
//   /usr/bin/time -v build/bin/morlid-convert --resize 1x100000000 $(memory_bench --write small)
//   /tmp/out.bmp /usr/bin/time -v build/bin/morlid-convert $(memory_bench --write number)
//   /tmp/out.bmp
// ("Maximum resident set size" is the peak).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "cached_drawing.h"
#include "core/drawing_document.h"
#include "core/dxf_import.h"
#include "core/picture_file.h"
#include "tools/resize_engine.h"

namespace {

constexpr double kMegabyte = 1024.0 * 1024.0;
constexpr double kSlack = 64.0;  // MB allowed beyond the file and the picture

std::string Entities() { return "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n"; }

// A point at X 268435455: one row of 268435456 pixels, 805 MB in the file.
std::string WideDrawing() {
    return Entities() +
           "  0\r\nPOINT\r\n  8\r\n0\r\n 62\r\n7\r\n 10\r\n268435455\r\n 20\r\n0\r\n  0\r\nEOF\r\n";
}

// 240 MB of one polyline's vertices, as densely as the layout allows: LF
// line ends and one digit a value.
std::string VertexDrawing() {
    std::string text = Entities() + "  0\nPOLYLINE\n";
    const std::size_t target = std::size_t{240} * 1000 * 1000;
    text.reserve(target + 64);
    for (int n = 0; text.size() < target; ++n) {
        text += "VERTEX\n  8\n0\n 10\n";
        text += static_cast<char>('0' + n % 10);
        text += "\n 20\n";
        text += static_cast<char>('0' + n % 7);
        text += "\n";
    }
    return text + "SEQEND\n  0\nEOF\n";
}

std::string SmallDrawing() {
    return Entities() +
           "  0\r\nLINE\r\n  8\r\n0\r\n  6\r\nC\r\n 62\r\n7\r\n 10\r\n0\r\n 20\r\n0\r\n 11\r\n9\r\n"
           " 21\r\n9\r\n  0\r\nEOF\r\n";
}

// A number line of 100 MB: its message quotes only the start of it.
std::string NumberDrawing() {
    std::string digits(std::size_t{100000000}, '7');  // NOLINT(bugprone-string-constructor)
    return Entities() + " 10\r\n" + digits + "x\r\n";
}

struct Case {
    const char* name;
    std::string (*generate)();
    int32_t resize_width;  // 0: no resize
    int32_t resize_height;
    double picture_mb;  // the largest picture the case holds
};

const Case kCases[] = {
    {"wide", WideDrawing, 0, 0, 268435456.0 * 4 / kMegabyte},
    {"vertices", VertexDrawing, 0, 0, 10.0 * 7 * 4 / kMegabyte},
    {"small", SmallDrawing, 1, 100000000, 100000000.0 * 4 / kMegabyte},
    {"number", NumberDrawing, 0, 0, 0},
};

std::string DrawingPath(const Case& c) {
    return bench::CachedDrawing(std::string("memory_bench_v2_") + c.name + ".dxf", c.generate);
}

// Loads, resizes and saves as the converter does, in a child; its peak
// resident size in MB, or -1 when it failed other than by its message.
double ChildPeak(const Case& c, const std::string& path, const std::string& out) {
    const pid_t child = fork();
    if (child == 0) {
        try {
            core::DrawingDocument document(core::DxfVariant::Viewer);
            core::LoadDxf(document, path);
            if (c.resize_width > 0) {
                tools::ResizePicture(document.Image1, c.resize_width, c.resize_height);
            }
            core::SavePictureToFile(document.Image1.Picture, out);
        } catch (const std::exception& failure) {
            // Only the number case fails, by its message.
            _exit(std::strlen(failure.what()) < 200 ? 0 : 2);
        }
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_PeakMemory(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    const std::string path = DrawingPath(c);
    const std::string out =
        (std::filesystem::temp_directory_path() / "memory_bench_out.bmp").string();
    double peak = 0;
    for (auto _ : state) peak = ChildPeak(c, path, out);
    std::filesystem::remove(out);
    const double file_mb = static_cast<double>(std::filesystem::file_size(path)) / kMegabyte;
    state.counters["peak_MB"] = peak;
    state.counters["bound_MB"] = file_mb + c.picture_mb + kSlack;
    state.SetLabel(c.name);
    if (peak < 0) state.SkipWithError("the child failed");
}
BENCHMARK(BM_PeakMemory)
    ->DenseRange(0, 3)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string_view(argv[1]) == "--write") {
        for (const Case& c : kCases) {
            if (std::string_view(argv[2]) == c.name) {
                std::puts(DrawingPath(c).c_str());
                return 0;
            }
        }
        std::fprintf(stderr, "no case %s\n", argv[2]);
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
