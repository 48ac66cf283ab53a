#pragma once
#include <string>

#include "core/drawing_document.h"

namespace core {

// Replaces the picture and, in the editor, the table and the drawing size
// with the file's drawing. Everything is built aside and installed only when
// the whole file has loaded: a failure leaves the document exactly as it was.
void LoadDxf(DrawingDocument& document, const std::string& path);
// The same from the file's lines (used by LoadDxf and by tests).
void LoadDxfLines(DrawingDocument& document, const LineList& lines);

}  // namespace core
