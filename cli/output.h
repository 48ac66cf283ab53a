#pragma once
// The converter's output file: what a finished conversion writes.
#include <optional>
#include <string>
#include <string_view>

#include "core/drawing_document.h"

namespace cli {

enum class OutputFormat { Bitmap, Png, Dxf };

// The format OUT's extension names, letter case ignored; none for any other.
[[nodiscard]] std::optional<OutputFormat> OutputFormatOf(std::string_view path);

// Writes the document to `path` in the format its extension names (the
// picture as a Windows bitmap, or the rows as the editor saves them),
// replacing the file only once it is complete.
void WriteOutput(const core::DrawingDocument& document, const std::string& path);

}  // namespace cli
