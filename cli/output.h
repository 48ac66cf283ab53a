#pragma once
// The converter's output file: what a finished conversion writes.
#include <optional>
#include <string>
#include <string_view>

#include "core/drawing_document.h"

namespace cli {

// The name that stands for standard output (as OUT) or input (as IN).
inline constexpr std::string_view kStandardStream = "-";

enum class OutputFormat { Bitmap, Png, Dxf };

// The format OUT's extension asks for, letter case ignored; standard output
// and other streams (pipes, devices, sockets) get a bitmap. Nothing for an
// extension the converter does not write.
[[nodiscard]] std::optional<OutputFormat> OutputFormatOf(std::string_view path);

// Writes the document to `path` in the format its extension asks for, or
// given: the picture as a bitmap or PNG, or the rows as the editor saves
// them. A file is replaced only once it is complete, and "-" is written to
// standard output as it is encoded.
void WriteOutput(const core::DrawingDocument& document, const std::string& path);
void WriteOutput(const core::DrawingDocument& document, const std::string& path,
                 OutputFormat format);

}  // namespace cli
