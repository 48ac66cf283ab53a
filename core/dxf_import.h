#pragma once
#include <cstddef>
#include <string>

#include "core/drawing_document.h"
#include "core/line_list.h"

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

}  // namespace core
