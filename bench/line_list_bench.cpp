// Loading a large drawing: the line list must split far faster than the disk reads.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "core/line_list.h"
#include "core/number_text.h"

namespace {

// A DXF-like text of about `target` bytes: LINE entities with group codes and
// coordinates on their own lines, ended by CR LF as the editor writes them.
std::string MakeDrawingText(std::size_t target) {
    std::string text = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
    text.reserve(target + 256);
    for (int i = 0; text.size() < target; ++i) {
        const std::string x = core::WholeText(i % 4000) + ".5";
        const std::string y = core::WholeText((i * 7) % 3000);
        text.append("  0\r\nLINE\r\n  8\r\n0\r\n 10\r\n")
            .append(x)
            .append("\r\n 20\r\n")
            .append(y)
            .append("\r\n 30\r\n0.0\r\n 11\r\n")
            .append(y)
            .append("\r\n 21\r\n")
            .append(x)
            .append("\r\n 31\r\n0.0\r\n");
    }
    text += "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
    return text;
}

struct DrawingFile {
    DrawingFile()
        : path("/tmp/line_list_bench." + std::to_string(getpid()) + ".dxf"),
          bytes(MakeDrawingText(std::size_t{100} << 20)) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    ~DrawingFile() { std::remove(path.c_str()); }
    std::string path;
    std::string bytes;
};

const DrawingFile& Drawing() {
    static const DrawingFile file;
    return file;
}

void BM_LoadFromFile(benchmark::State& state) {
    const DrawingFile& file = Drawing();
    for (auto _ : state) {
        core::LineList list;
        list.LoadFromFile(file.path);
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(file.bytes.size()));
}
BENCHMARK(BM_LoadFromFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadFromBytes(benchmark::State& state) {
    const DrawingFile& file = Drawing();
    for (auto _ : state) {
        core::LineList list;
        list.LoadFromBytes(file.bytes);
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(file.bytes.size()));
}
BENCHMARK(BM_LoadFromBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

// The loader's first step: finding the ENTITIES line (here near the end).
void BM_IndexOf(benchmark::State& state) {
    core::LineList list;
    list.LoadFromBytes(Drawing().bytes);
    list.Append("entities-marker");
    for (auto _ : state) benchmark::DoNotOptimize(list.IndexOf("ENTITIES-MARKER"));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * list.Count());
}
BENCHMARK(BM_IndexOf)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ToBytes(benchmark::State& state) {
    core::LineList list;
    list.LoadFromBytes(Drawing().bytes);
    for (auto _ : state) benchmark::DoNotOptimize(list.ToBytes().size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(Drawing().bytes.size()));
}
BENCHMARK(BM_ToBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
