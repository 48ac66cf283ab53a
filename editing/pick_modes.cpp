#include "editing/pick_modes.h"

#include <algorithm>

#include "core/number_text.h"

namespace editing {

namespace {

using core::row::kDeleted;
using core::row::kInRectangle;
using core::row::kLineEnd;
using core::row::kLineStart;
using core::row::kNormal;
using core::row::kPoint;
using core::row::kPolylineEnd;
using core::row::kPolylineStart;
using core::row::kSelected;
using core::row::kVertexFirst;
using core::row::kVertexNext;

enum KindCode : uint8_t { kOther, kDot, kStart, kEnd, kHeader, kFirstVertex, kVertex, kSeqEnd };

KindCode Classify(std::string_view kind) {
    if (kind == kLineStart) return kStart;
    if (kind == kLineEnd) return kEnd;
    if (kind == kVertexNext) return kVertex;
    if (kind == kPoint) return kDot;
    if (kind == kVertexFirst) return kFirstVertex;
    if (kind == kPolylineStart) return kHeader;
    if (kind == kPolylineEnd) return kSeqEnd;
    return kOther;
}

// Rows that start a drawn segment towards the row after them.
bool StartsSegment(uint8_t kind) {
    return kind == kStart || kind == kFirstVertex || kind == kVertex;
}

// Selection flags of a row during one rectangle.
constexpr uint8_t kIsInside = 1;
constexpr uint8_t kIsMarked = 2;    // state text "1"
constexpr uint8_t kIsSelected = 4;  // state text "2"

}  // namespace

void PickModes::Show(std::string_view text) const {
    if (show_status_) show_status_(text);
}

void PickModes::NDelClick() {
    mode_ = Mode::Delete;
    Show(status::D1);
}

void PickModes::NLineClick() {
    mode_ = Mode::Line;
    Show(status::L1);
}

void PickModes::Image1MouseDown(MouseButton button, int32_t x, int32_t y) {
    if (button != MouseButton::Left) return;

    ++ClickCount;
    if (ClickCount == 2) {
        // Reset before acting: a second click that fails still ends the
        // gesture, so the next click starts a new one.
        ClickCount = 0;
        if (mode_ == Mode::Delete) {
            SelectRect(PrevX, PrevY, x, y);
            Show(status::D3);
        } else if (mode_ == Mode::Line) {
            AddLine(PrevX, PrevY, x, y);
            Show(status::L1);
        }
    } else if (mode_ == Mode::Delete) {
        Show(status::D2);
    } else if (mode_ == Mode::Line) {
        Show(status::L2);
    }

    PrevX = x;
    PrevY = y;
    // Requesting the canvas also gives a still empty picture its white bitmap.
    document_.Image1.Canvas().Pen.Color = raster::clBlue;
}

void PickModes::FormKeyDown(Key key) {
    if (key == Key::Delete) {
        ConfirmSelection(kDeleted, raster::clSilver);
        Show(status::D1);
    } else if (key == Key::Escape) {
        ConfirmSelection(kNormal, raster::clBlack);
        Show(status::D1);
    }
}

void PickModes::AddLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    raster::TCanvas& canvas = document_.Image1.Canvas();
    canvas.Pen.Color = raster::clBlue;
    canvas.MoveTo(x1, y1);
    document_.AppendRow(kLineStart, x1, y1, kNormal);
    canvas.LineTo(x2, y2);
    document_.AppendRow(kLineEnd, x2, y2, kNormal);
}

bool PickModes::RowInside(int32_t row, uint8_t kind, int32_t left, int32_t top, int32_t right,
                          int32_t bottom) const {
    // Polyline header and end rows count as lying at the origin.
    int32_t x = 0;
    int32_t y = 0;
    if (kind != kHeader && kind != kSeqEnd) {
        x = core::ParseWhole(document_.XList.Read(row));
        if (x < left || x > right) return false;
        y = core::ParseWhole(document_.YList.Read(row));
    }
    return left <= x && x <= right && top <= y && y <= bottom;
}

void PickModes::SelectRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const int32_t left = std::min(x1, x2);
    const int32_t right = std::max(x1, x2);
    const int32_t top = std::min(y1, y2);
    const int32_t bottom = std::max(y1, y2);
    const int32_t count = document_.RowCount();
    core::LineList& states = document_.StateList;

    // Mark: whatever its state, a row inside the rectangle becomes "1".
    // Rewriting an equal text is skipped throughout: it changes nothing and
    // would only make the state list grow on large selections.
    rows_.resize(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        RowCode& code = rows_[static_cast<std::size_t>(i)];
        code.kind = Classify(document_.KindList.Read(i));
        const std::string_view state = states.Read(i);
        if (RowInside(i, code.kind, left, top, right, bottom)) {
            if (state != kInRectangle) states.Replace(i, kInRectangle);
            code.flags = kIsInside | kIsMarked;
        } else {
            code.flags = state == kInRectangle ? kIsMarked : state == kSelected ? kIsSelected : 0;
        }
    }

    auto select = [&](int32_t row) {
        RowCode& code = rows_[static_cast<std::size_t>(row)];
        if (code.flags & kIsSelected) return;
        states.Replace(row, kSelected);
        code.flags = static_cast<uint8_t>((code.flags & kIsInside) | kIsSelected);
    };

    // Grow: a marked row selects its whole element. Rows [chain_lo, chain_hi]
    // were all selected by earlier polyline walks of this pass and a walk down
    // from inside them stops no lower than chain_lo, so a later walk that
    // reaches them can stop there: vertices without a polyline header would
    // otherwise walk to row 0 again and again.
    int32_t chain_lo = -1;
    int32_t chain_hi = -2;
    for (int32_t i = 0; i < count; ++i) {
        const RowCode code = rows_[static_cast<std::size_t>(i)];
        if ((code.flags & (kIsInside | kIsMarked)) != (kIsInside | kIsMarked)) continue;
        if (code.kind == kEnd) {
            if (i > 0) select(i - 1);
        } else if (code.kind == kStart) {
            if (i + 1 < count) select(i + 1);
        } else if (code.kind == kFirstVertex || code.kind == kVertex) {
            int32_t lo = 0;
            for (int32_t j = i; j >= 0; --j) {
                if (j >= chain_lo && j <= chain_hi) {
                    lo = chain_lo;
                    break;
                }
                select(j);
                if (rows_[static_cast<std::size_t>(j)].kind == kHeader) {
                    lo = j;
                    break;
                }
            }
            int32_t hi = count - 1;
            for (int32_t j = i; j < count; ++j) {
                select(j);
                if (rows_[static_cast<std::size_t>(j)].kind == kSeqEnd) {
                    hi = j;
                    break;
                }
            }
            chain_lo = lo;
            chain_hi = hi;
        }
        select(i);
    }

    // Paint every selected row, including those left selected by an earlier
    // rectangle that was neither deleted nor cancelled.
    last_position_.row = -1;
    for (int32_t i = 0; i < count; ++i) {
        const RowCode code = rows_[static_cast<std::size_t>(i)];
        if (code.flags & kIsSelected) PaintRow(i, code.kind, raster::clRed);
    }
}

PickModes::Position PickModes::PositionOf(int32_t row) {
    if (last_position_.row != row) {
        last_position_.x = core::ParseWhole(document_.XList.Read(row));
        last_position_.y = core::ParseWhole(document_.YList.Read(row));
        last_position_.row = row;
    }
    return last_position_;
}

void PickModes::PaintRow(int32_t row, uint8_t kind, raster::TColor colour) {
    raster::TCanvas& canvas = document_.Image1.Canvas();
    if (StartsSegment(kind)) {
        canvas.Pen.Color = colour;
        const Position from = PositionOf(row);
        canvas.MoveTo(from.x, from.y);
        // A line start or vertex in the last row (a drawing cut short) has no
        // segment to draw.
        const int32_t next = row + 1;
        if (next < document_.RowCount() && document_.KindList.Read(next) != kPolylineEnd) {
            const Position to = PositionOf(next);
            canvas.LineTo(to.x, to.y);
        }
    } else if (kind == kHeader || kind == kSeqEnd) {
        canvas.SetPixel(0, 0, colour);
    } else {
        const Position at = PositionOf(row);
        canvas.SetPixel(at.x, at.y, colour);
    }
}

void PickModes::ConfirmSelection(std::string_view state, raster::TColor colour) {
    const int32_t count = document_.RowCount();
    last_position_.row = -1;
    for (int32_t i = 0; i < count; ++i) {
        if (document_.StateList.Read(i) != kSelected) continue;
        document_.StateList.Replace(i, state);
        PaintRow(i, Classify(document_.KindList.Read(i)), colour);
    }
}

}  // namespace editing
