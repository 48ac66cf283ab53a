#pragma once
// What the drawing window holds: the image control with its picture, the
// drawing size, and the primitive table of every drawn element. The table
// keeps typed rows; the column views give the texts the rows stand for
// (WholeText of a position, the kind and state codes) where text is needed.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_list.h"
#include "raster/timage.h"

namespace core {

// Row kinds and states of the primitive table, as texts.
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

enum class RowKind : uint8_t {
    Point,
    LineStart,
    LineEnd,
    PolylineStart,
    VertexFirst,
    VertexNext,
    PolylineEnd,
};

enum class RowState : int8_t { Normal = 0, InRectangle = 1, Selected = 2, Deleted = -1 };

// One row: 12 bytes, against some 30 for the same row kept as four texts.
struct Row {
    int32_t x = 0;
    int32_t y = 0;
    RowKind kind = RowKind::Point;
    RowState state = RowState::Normal;
    friend bool operator==(const Row&, const Row&) = default;
};

[[nodiscard]] std::string_view KindText(RowKind kind);
[[nodiscard]] std::string_view StateText(RowState state);
// Throws std::invalid_argument for a text that is no kind or state code.
[[nodiscard]] RowKind KindFromText(std::string_view text);
[[nodiscard]] RowState StateFromText(std::string_view text);

// Read-only text view of one column; an index outside the table fails with
// the list-index message, as reading a line list would.
class TableColumn {
  public:
    enum class Field { Kind, X, Y, State };
    TableColumn(const std::vector<Row>& rows, Field field) : rows_(rows), field_(field) {}
    [[nodiscard]] int32_t Count() const { return static_cast<int32_t>(rows_.size()); }
    [[nodiscard]] std::string Read(int64_t index) const;

  protected:
    [[nodiscard]] const Row& At(int64_t index) const;
    const std::vector<Row>& rows_;

  private:
    Field field_;
};

class StateColumn : public TableColumn {
  public:
    explicit StateColumn(std::vector<Row>& rows)
        : TableColumn(rows, Field::State), writable_rows_(rows) {}
    void Replace(int64_t index, std::string_view state);

  private:
    std::vector<Row>& writable_rows_;
};

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
    std::vector<Row> Rows;
    const TableColumn KindList{Rows, TableColumn::Field::Kind};
    const TableColumn XList{Rows, TableColumn::Field::X};
    const TableColumn YList{Rows, TableColumn::Field::Y};
    StateColumn StateList{Rows};

    [[nodiscard]] int32_t RowCount() const { return static_cast<int32_t>(Rows.size()); }
    void AppendRow(RowKind kind, int32_t x, int32_t y, RowState state = RowState::Normal) {
        Rows.push_back({x, y, kind, state});
    }
    // The same from the kind and state texts, and the positions' texts.
    void AppendRow(std::string_view kind, int32_t x, int32_t y, std::string_view state) {
        AppendRow(KindFromText(kind), x, y, StateFromText(state));
    }
    void AppendRow(std::string_view kind, std::string_view x, std::string_view y,
                   std::string_view state);

  private:
    DxfVariant variant_;
};

}  // namespace core
