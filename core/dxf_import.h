#pragma once
#include <string>

#include "core/drawing_document.h"
#include "core/line_list.h"

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

}  // namespace core
