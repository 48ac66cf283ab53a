#include "cli/output.h"

#include <cctype>

#include "core/dxf_export.h"
#include "core/picture_file.h"

namespace cli {
namespace {

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) {
    if (text.size() < end.size()) return false;
    text.remove_prefix(text.size() - end.size());
    for (std::size_t i = 0; i < end.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != end[i]) return false;
    }
    return true;
}

}  // namespace

std::optional<OutputFormat> OutputFormatOf(std::string_view path) {
    if (EndsWithIgnoringCase(path, ".bmp")) return OutputFormat::Bitmap;
    if (EndsWithIgnoringCase(path, ".dxf")) return OutputFormat::Dxf;
    return std::nullopt;
}

void WriteOutput(const core::DrawingDocument& document, const std::string& path) {
    if (OutputFormatOf(path) == OutputFormat::Dxf) {
        core::SaveDxf(document, path);
        return;
    }
    core::SavePictureToFile(document.Image1.Picture, path);
}

}  // namespace cli
