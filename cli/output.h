#pragma once
// The converter's output file: what a finished conversion writes.
#include <string>

#include "core/drawing_document.h"

namespace cli {

// Writes the document's picture to `path` as a Windows bitmap, replacing the
// file only once it is complete.
void WriteOutput(const core::DrawingDocument& document, const std::string& path);

}  // namespace cli
