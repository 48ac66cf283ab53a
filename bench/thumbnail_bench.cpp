// Thumbnails of the million-entity drawings that large_drawing_bench makes
// (dense, map, contour), as a file manager asks for them: the drawing fitted
// into 128 or 256 pixels and written as PNG.
//
//   thumbnail_bench                    the benchmarks
//   thumbnail_bench --once KIND SIZE   one thumbnail, prints seconds and peak RSS
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/drawing_document.h"
#include "core/dxf_thumbnail.h"
#include "png/png_encoder.h"

namespace {

constexpr std::array<const char*, 3> kKinds = {"dense", "map", "contour"};

// The drawings are generated and cached by large_drawing_bench beside this
// program, so both measure the same files.
std::string DrawingPath(const char* kind) {
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    const std::string command =
        (self.parent_path() / "large_drawing_bench").string() + " --write " + kind;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
    char line[4096] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    ::pclose(pipe);
    std::string path = read ? line : "";
    if (!path.empty() && path.back() == '\n') path.pop_back();
    if (path.empty()) throw std::runtime_error("no drawing from " + command);
    return path;
}

std::size_t Thumbnail(const std::string& path, int32_t size) {
    core::DrawingDocument document(core::DxfVariant::Viewer);
    core::LoadDxfThumbnail(document, path, size);
    std::size_t bytes = 0;
    png::EncodePngPieces(*document.Image1.Picture.Content(),
                         [&bytes](std::string_view piece) { bytes += piece.size(); });
    return bytes;
}

void BM_Thumbnail(benchmark::State& state) {
    const char* kind = kKinds[static_cast<std::size_t>(state.range(0))];
    const auto size = static_cast<int32_t>(state.range(1));
    const std::string path = DrawingPath(kind);
    std::size_t bytes = 0;
    for (auto _ : state) bytes = Thumbnail(path, size);
    state.counters["png_bytes"] = static_cast<double>(bytes);
    state.SetLabel(kind);
}
BENCHMARK(BM_Thumbnail)
    ->ArgsProduct({{0, 1, 2}, {128, 256}})
    ->ArgNames({"kind", "size"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) try {
    if (argc > 3 && std::string_view(argv[1]) == "--once") {
        const std::string path = DrawingPath(argv[2]);
        const auto start = std::chrono::steady_clock::now();
        const std::size_t bytes = Thumbnail(path, std::stoi(argv[3]));
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("thumbnail %.3f s, peak RSS %.1f MB, %zu PNG bytes\n", took.count(),
                    static_cast<double>(usage.ru_maxrss) / 1024.0, bytes);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
} catch (const std::exception& error) {
    std::fprintf(stderr, "thumbnail_bench: %s\n", error.what());
    return 1;
}
