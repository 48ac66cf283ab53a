#pragma once
// What the drawing window holds: the image control with its picture, the
// drawing size, and the primitive table of every drawn element. The table
// keeps texts, not numbers, because export writes X back exactly as read and
// the editing code compares kinds and states as texts.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/line_list.h"
#include "raster/timage.h"

namespace core {

// Row kinds and states of the primitive table.
namespace row {
inline constexpr std::string_view kPoint = "PT";
inline constexpr std::string_view kLineStart = "LS";
inline constexpr std::string_view kLineEnd = "LE";
inline constexpr std::string_view kPolylineStart = "PS";
inline constexpr std::string_view kVertexFirst = "VS";
inline constexpr std::string_view kVertexNext = "VP";
inline constexpr std::string_view kPolylineEnd = "PE";

inline constexpr std::string_view kNormal = "0";
inline constexpr std::string_view kInRectangle = "1";
inline constexpr std::string_view kSelected = "2";
inline constexpr std::string_view kDeleted = "-1";
}  // namespace row

enum class DxfVariant {
    Editor,  // keeps the table; a SEQEND ends the vertex chain
    Viewer,  // no table; only a POLYLINE starts a new chain
};

class DrawingDocument {
  public:
    explicit DrawingDocument(DxfVariant variant = DxfVariant::Editor) : variant_(variant) {}
    DrawingDocument(const DrawingDocument&) = delete;
    DrawingDocument& operator=(const DrawingDocument&) = delete;

    [[nodiscard]] DxfVariant Variant() const { return variant_; }

    raster::TImage Image1;
    int32_t DrawWidth = 0;
    int32_t DrawHeight = 0;
    LineList KindList;
    LineList XList;
    LineList YList;
    LineList StateList;

    [[nodiscard]] int32_t RowCount() const { return KindList.Count(); }
    void AppendRow(std::string_view kind, int32_t x, int32_t y, std::string_view state);
    void AppendRow(std::string_view kind, std::string_view x, std::string_view y,
                   std::string_view state);

  private:
    DxfVariant variant_;
};

}  // namespace core
