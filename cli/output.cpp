#include "cli/output.h"

#include "core/picture_file.h"

namespace cli {

void WriteOutput(const core::DrawingDocument& document, const std::string& path) {
    core::SavePictureToFile(document.Image1.Picture, path);
}

}  // namespace cli
