#include "cli/output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>

#include "core/dxf_export.h"
#include "core/file_save.h"
#include "core/picture_file.h"
#include "png/png_encoder.h"
#include "raster/bmp_encoder.h"

namespace cli {
namespace {

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) {
    if (text.size() < end.size()) return false;
    text.remove_prefix(text.size() - end.size());
    for (std::size_t i = 0; i < end.size(); ++i) {
        const char c = text[i];
        if (c != end[i] && c != end[i] - ('a' - 'A')) return false;
    }
    return true;
}

void WritePng(const raster::TPicture& picture, const std::string& path) {
    const raster::TBitmap* bitmap = picture.Content();
    if (bitmap == nullptr) return;  // as for a bitmap file: no content, no file
    const core::ContentWriter content = [bitmap](const auto& write) {
        png::EncodePngPieces(*bitmap, write);
    };
    if (path == kStandardStream) {
        core::WriteStream(STDOUT_FILENO, content);
        return;
    }
    // The compressed length is known only at the end, so no space is claimed.
    core::SaveStreamAtomically(path, 0, content);
}

void WriteBitmap(const raster::TPicture& picture, const std::string& path) {
    if (path != kStandardStream) {
        core::SavePictureToFile(picture, path);
        return;
    }
    const raster::TBitmap* bitmap = picture.Content();
    if (bitmap == nullptr) return;
    core::WriteStream(STDOUT_FILENO,
                      [bitmap](const auto& write) { raster::EncodeBmpPieces(*bitmap, write); });
}

}  // namespace

std::optional<OutputFormat> OutputFormatOf(std::string_view path) {
    if (path == kStandardStream || EndsWithIgnoringCase(path, ".bmp")) return OutputFormat::Bitmap;
    if (EndsWithIgnoringCase(path, ".png")) return OutputFormat::Png;
    if (EndsWithIgnoringCase(path, ".dxf")) return OutputFormat::Dxf;
    // /dev/stdout, a named pipe or a device has no extension to go by.
    struct stat info {};
    const std::string name(path);
    if (::stat(name.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        return OutputFormat::Bitmap;
    }
    return std::nullopt;
}

void WriteOutput(const core::DrawingDocument& document, const std::string& path) {
    WriteOutput(document, path, OutputFormatOf(path).value_or(OutputFormat::Bitmap));
}

void WriteOutput(const core::DrawingDocument& document, const std::string& path,
                 OutputFormat format) {
    switch (format) {
        case OutputFormat::Png:
            WritePng(document.Image1.Picture, path);
            return;
        case OutputFormat::Dxf:
            core::SaveDxf(document, path);
            return;
        case OutputFormat::Bitmap:
            WriteBitmap(document.Image1.Picture, path);
            return;
    }
}

}  // namespace cli
