#include "core/drawing_document.h"

#include <stdexcept>

#include "core/failure.h"
#include "core/number_text.h"

namespace core {

namespace {
constexpr std::string_view kKindTexts[] = {row::kPoint,         row::kLineStart,   row::kLineEnd,
                                           row::kPolylineStart, row::kVertexFirst, row::kVertexNext,
                                           row::kPolylineEnd};
}  // namespace

std::string_view KindText(RowKind kind) { return kKindTexts[static_cast<std::size_t>(kind)]; }

std::string_view StateText(RowState state) {
    switch (state) {
        case RowState::Normal:
            return row::kNormal;
        case RowState::InRectangle:
            return row::kInRectangle;
        case RowState::Selected:
            return row::kSelected;
        case RowState::Deleted:
            return row::kDeleted;
    }
    return row::kNormal;
}

RowKind KindFromText(std::string_view text) {
    for (std::size_t i = 0; i < std::size(kKindTexts); ++i) {
        if (kKindTexts[i] == text) return static_cast<RowKind>(i);
    }
    throw std::invalid_argument("no row kind: " + std::string(text));
}

RowState StateFromText(std::string_view text) {
    for (const RowState state :
         {RowState::Normal, RowState::InRectangle, RowState::Selected, RowState::Deleted}) {
        if (StateText(state) == text) return state;
    }
    throw std::invalid_argument("no row state: " + std::string(text));
}

const Row& TableColumn::At(int64_t index) const {
    if (index < 0 || static_cast<uint64_t>(index) >= rows_.size()) throw ListIndexError(index);
    return rows_[static_cast<std::size_t>(index)];
}

std::string TableColumn::Read(int64_t index) const {
    const Row& row = At(index);
    switch (field_) {
        case Field::Kind:
            return std::string(KindText(row.kind));
        case Field::X:
            return WholeText(row.x);
        case Field::Y:
            return WholeText(row.y);
        case Field::State:
            return std::string(StateText(row.state));
    }
    return {};
}

void StateColumn::Replace(int64_t index, std::string_view state) {
    const RowState value = StateFromText(state);
    static_cast<void>(At(index));
    writable_rows_[static_cast<std::size_t>(index)].state = value;
}

void DrawingDocument::AppendRow(std::string_view kind, std::string_view x, std::string_view y,
                                std::string_view state) {
    AppendRow(KindFromText(kind), ParseWhole(x), ParseWhole(y), StateFromText(state));
}

}  // namespace core
