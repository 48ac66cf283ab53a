#pragma once
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
// The same from the file's bytes, in one pass over them (what LoadDxf does).
void LoadDxfBytes(DrawingDocument& document, const std::string& bytes);
// The same from the file's lines, step by step: the plain reference that the
// one-pass load must agree with on every input.
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
