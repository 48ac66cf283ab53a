#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/drawing_document.h"
#include "core/line_list.h"
#include "raster/ink_mask.h"

namespace core {

// Replaces the picture and, in the editor, the table and the drawing size
// with the file's drawing. Everything is built aside and installed only when
// the whole file has loaded: a failure leaves the document exactly as it was.
void LoadDxf(DrawingDocument& document, const std::string& path);
// The same from the file's bytes (what LoadDxf does with the file's text).
void LoadDxfBytes(DrawingDocument& document, const std::string& bytes);
// The same, keeping at most `kept_bytes` of the entities' values between the
// two passes over the text; beyond that the second pass reads the text again
// (0 always reads it twice).
void LoadDxfBytes(DrawingDocument& document, const std::string& bytes, std::size_t kept_bytes);
// The same from the file's lines, step by step: the plain reference that the
// fast load must agree with on every input.
void LoadDxfLines(DrawingDocument& document, const LineList& lines);

// What the viewer's load of a file would draw, without making its picture:
// the picture's size and the segments the pen draws in black, in picture
// positions. Fails as LoadDxf does.
struct DxfInk {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<raster::InkSegment> segments;
};
[[nodiscard]] DxfInk TraceDxf(const std::string& path);

}  // namespace core
