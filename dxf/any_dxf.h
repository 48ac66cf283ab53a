#pragma once
// Reads DXF as CAD programs write it (text or binary, R12 to R2018) into the
// same rows and picture the fixed-layout reader makes.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/drawing_document.h"

namespace dxf {

// How many pixels one drawing unit becomes.
struct ScaleRequest {
    enum class Mode { Default, Fixed, Fit };
    Mode mode = Mode::Default;
    double scale = 1.0;     // Fixed: pixels per drawing unit, > 0
    int32_t fit_width = 0;  // Fit: the largest picture that may come out
    int32_t fit_height = 0;
};

struct ImportReport {
    double scale = 1.0;                                      // pixels per drawing unit used
    std::vector<std::pair<std::string, int64_t>> not_drawn;  // entity name and count, by name
};

// Replaces the picture and, in the editor variant, the rows and the drawing
// size. All or nothing: a failure throws core::Failure (its message names the
// line) and leaves the document as it was.
ImportReport LoadAnyDxf(core::DrawingDocument& document, const std::string& path,
                        const ScaleRequest& scale = {});
ImportReport LoadAnyDxfBytes(core::DrawingDocument& document, std::string_view bytes,
                             const ScaleRequest& scale = {});

// "not drawn: TEXT 12, HATCH 3"; empty when nothing was left out.
[[nodiscard]] std::string NotDrawnLine(const ImportReport& report);

}  // namespace dxf
