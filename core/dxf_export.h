#pragma once
#include <string>

#include "core/drawing_document.h"

namespace core {

// The header template's path: "Header.dat" in the running program's folder,
// else the installed one in ../share/korvane beside that folder.
[[nodiscard]] std::string HeaderTemplatePath();
[[nodiscard]] std::string HeaderTemplatePath(const std::string& program_dir);

// Writes the template followed by every live row as DXF entities.
void SaveDxf(const DrawingDocument& document, const std::string& path);
// The same with an explicit template path (tests, tools).
void SaveDxf(const DrawingDocument& document, const std::string& path,
             const std::string& header_path);
// The lines that SaveDxf writes after the template.
[[nodiscard]] LineList DxfEntityLines(const DrawingDocument& document);

}  // namespace core
