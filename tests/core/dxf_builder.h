#pragma once
// Builds fixed-layout DXF texts for the import and export tests, and reads a
// drawing document back as plain values for comparison.
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <unistd.h>

#include "core/drawing_document.h"
#include "core/line_list.h"
#include "support/scratch_dir.h"

namespace dxf_test {

// The smallest header the import accepts: the ENTITIES marker two lines in,
// ending with the group code that precedes the first entity.
inline std::vector<std::string> MinimalHeader() {
    return {"  0", "SECTION", "  2", "ENTITIES", "  0"};
}

class DxfBuilder {
  public:
    DxfBuilder() : lines_(MinimalHeader()) {}
    explicit DxfBuilder(std::vector<std::string> header) : lines_(std::move(header)) {}

    DxfBuilder& Raw(std::initializer_list<std::string_view> lines) {
        for (const std::string_view line : lines) lines_.emplace_back(line);
        return *this;
    }
    DxfBuilder& Point(std::string_view x, std::string_view y) {
        return Raw({"POINT", "  8", "_0-0_", " 62", "    7", " 10", x, " 20", y, "  0"});
    }
    DxfBuilder& Line(std::string_view x1, std::string_view y1, std::string_view x2,
                     std::string_view y2) {
        return Raw({"LINE", "  8", "_0-0_", "  6", "CONTINUOUS", " 62", "    7", " 10", x1, " 20",
                    y1, " 11", x2, " 21", y2, "  0"});
    }
    DxfBuilder& PolylineStart() {
        return Raw({"POLYLINE", "  8", "_0-0_", " 66", "     1", " 40", "0.000000", " 41",
                    "0.000000", "  0"});
    }
    DxfBuilder& Vertex(std::string_view x, std::string_view y) {
        return Raw({"VERTEX", "  8", "_0-0_", " 10", x, " 20", y, "  0"});
    }
    DxfBuilder& Seqend() { return Raw({"SEQEND", "  8", "A", "  0"}); }
    DxfBuilder& Polyline(
        std::initializer_list<std::pair<std::string_view, std::string_view>> points) {
        PolylineStart();
        for (const auto& [x, y] : points) Vertex(x, y);
        return Seqend();
    }
    DxfBuilder& End() { return Raw({"ENDSEC", "  0", "EOF"}); }

    [[nodiscard]] const std::vector<std::string>& Lines() const { return lines_; }
    [[nodiscard]] core::LineList List() const {
        core::LineList list;
        for (const std::string& line : lines_) list.Append(line);
        return list;
    }
    [[nodiscard]] std::string Text() const {
        std::string text;
        for (const std::string& line : lines_) text += line + "\r\n";
        return text;
    }
    void WriteTo(const std::filesystem::path& path) const {
        std::ofstream(path, std::ios::binary) << Text();
    }

  private:
    std::vector<std::string> lines_;
};

using testing_support::ReadFile;
using testing_support::ScratchDir;

using Row = std::array<std::string, 4>;  // kind, X, Y, state

inline std::vector<Row> Rows(const core::DrawingDocument& document) {
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(document.RowCount()));
    for (int32_t i = 0; i < document.RowCount(); ++i) {
        rows.push_back({std::string(document.KindList.Read(i)), std::string(document.XList.Read(i)),
                        std::string(document.YList.Read(i)),
                        std::string(document.StateList.Read(i))});
    }
    return rows;
}

inline std::vector<std::string> ListLines(const core::LineList& list) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(list.Count()));
    for (int32_t i = 0; i < list.Count(); ++i) lines.emplace_back(list.Read(i));
    return lines;
}

// Everything a load may change, copied out.
struct DocumentState {
    bool has_content = false;
    const raster::TBitmap* bitmap = nullptr;
    int32_t picture_width = 0;
    int32_t picture_height = 0;
    std::vector<uint32_t> pixels;
    int32_t image_width = 0;
    int32_t image_height = 0;
    int32_t draw_width = 0;
    int32_t draw_height = 0;
    std::vector<Row> rows;
    bool operator==(const DocumentState&) const = default;
};

inline DocumentState StateOf(const core::DrawingDocument& document) {
    DocumentState state;
    const raster::TBitmap* bitmap = document.Image1.Picture.Content();
    state.has_content = bitmap != nullptr;
    state.bitmap = bitmap;
    if (bitmap != nullptr) {
        state.picture_width = bitmap->Width();
        state.picture_height = bitmap->Height();
        if (const uint32_t* data = bitmap->Data()) {
            state.pixels.assign(data, data + static_cast<std::size_t>(bitmap->Width()) *
                                                 static_cast<std::size_t>(bitmap->Height()));
        }
    }
    state.image_width = document.Image1.Width();
    state.image_height = document.Image1.Height();
    state.draw_width = document.DrawWidth;
    state.draw_height = document.DrawHeight;
    state.rows = Rows(document);
    return state;
}

// The pixels that are not white, as "x,y" in row order; a colour other than
// black is added as ":" and its decimal value.
inline std::vector<std::string> PaintedPixels(const core::DrawingDocument& document) {
    std::vector<std::string> painted;
    const raster::TBitmap* bitmap = document.Image1.Picture.Content();
    if (bitmap == nullptr) return painted;
    for (int32_t y = 0; y < bitmap->Height(); ++y) {
        for (int32_t x = 0; x < bitmap->Width(); ++x) {
            const raster::TColor colour = bitmap->Pixel(x, y);
            if (colour == raster::clWhite) continue;
            std::string pixel = std::to_string(x) + "," + std::to_string(y);
            if (colour != raster::clBlack) pixel.append(":").append(std::to_string(colour));
            painted.push_back(pixel);
        }
    }
    return painted;
}

}  // namespace dxf_test
