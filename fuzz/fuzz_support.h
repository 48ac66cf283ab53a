#pragma once
// Helpers shared by the fuzz targets: a check that stops the run with a
// readable reason, and plain-value snapshots of lists and documents.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/drawing_document.h"
#include "core/line_list.h"
#include "raster/tbitmap.h"

// libFuzzer treats the abort as a crash and keeps the input that caused it.
#define FUZZ_CHECK(condition)                                                                    \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "check failed: %s at %s:%d\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (0)

namespace fuzz_support {

// A line list or a column of the primitive table.
template <class List>
std::vector<std::string> LinesOf(const List& list) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(list.Count()));
    for (int32_t i = 0; i < list.Count(); ++i) lines.emplace_back(list.Read(i));
    return lines;
}

// Everything a load may change, as plain values.
struct DocumentSnapshot {
    int32_t draw_width = 0;
    int32_t draw_height = 0;
    std::vector<std::string> kinds, xs, ys, states;
    int32_t image_width = 0;
    int32_t image_height = 0;
    bool has_content = false;
    int32_t picture_width = 0;
    int32_t picture_height = 0;
    std::vector<uint32_t> pixels;

    bool operator==(const DocumentSnapshot&) const = default;
};

inline std::vector<uint32_t> PixelsOf(const raster::TBitmap& bitmap) {
    const uint32_t* data = bitmap.Data();
    if (data == nullptr) return {};
    return {data, data + static_cast<std::size_t>(bitmap.Width()) *
                             static_cast<std::size_t>(bitmap.Height())};
}

inline DocumentSnapshot Snapshot(const core::DrawingDocument& document) {
    DocumentSnapshot s;
    s.draw_width = document.DrawWidth;
    s.draw_height = document.DrawHeight;
    s.kinds = LinesOf(document.KindList);
    s.xs = LinesOf(document.XList);
    s.ys = LinesOf(document.YList);
    s.states = LinesOf(document.StateList);
    s.image_width = document.Image1.Width();
    s.image_height = document.Image1.Height();
    const raster::TBitmap* content = document.Image1.Picture.Content();
    s.has_content = content != nullptr;
    if (content != nullptr) {
        s.picture_width = content->Width();
        s.picture_height = content->Height();
        s.pixels = PixelsOf(*content);
    }
    return s;
}

}  // namespace fuzz_support
