#include "editing/pick_modes.h"

#include <algorithm>
#include <system_error>
#include <thread>

#include "raster/ink_mask.h"

namespace editing {

namespace {

using core::RowKind;
using core::RowState;

enum KindCode : uint8_t { kOther, kDot, kStart, kEnd, kHeader, kFirstVertex, kVertex, kSeqEnd };

KindCode Classify(RowKind kind) {
    switch (kind) {
        case RowKind::LineStart:
            return kStart;
        case RowKind::LineEnd:
            return kEnd;
        case RowKind::VertexNext:
            return kVertex;
        case RowKind::Point:
            return kDot;
        case RowKind::VertexFirst:
            return kFirstVertex;
        case RowKind::PolylineStart:
            return kHeader;
        case RowKind::PolylineEnd:
            return kSeqEnd;
    }
    return kOther;
}

// Rows that start a drawn segment towards the row after them.
bool StartsSegment(uint8_t kind) {
    return kind == kStart || kind == kFirstVertex || kind == kVertex;
}

// Selection flags of a row during one rectangle.
constexpr uint8_t kIsInside = 1;
constexpr uint8_t kIsMarked = 2;    // state "1"
constexpr uint8_t kIsSelected = 4;  // state "2"

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
        ConfirmSelection(RowState::Deleted, raster::clSilver);
        Show(status::D1);
    } else if (key == Key::Escape) {
        ConfirmSelection(RowState::Normal, raster::clBlack);
        Show(status::D1);
    }
}

void PickModes::AddLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    raster::TCanvas& canvas = document_.Image1.Canvas();
    canvas.Pen.Color = raster::clBlue;
    canvas.MoveTo(x1, y1);
    document_.AppendRow(RowKind::LineStart, x1, y1);
    canvas.LineTo(x2, y2);
    document_.AppendRow(RowKind::LineEnd, x2, y2);
}

bool PickModes::RowInside(int32_t row, uint8_t kind, int32_t left, int32_t top, int32_t right,
                          int32_t bottom) const {
    // Polyline header and end rows count as lying at the origin.
    int32_t x = 0;
    int32_t y = 0;
    if (kind != kHeader && kind != kSeqEnd) {
        const core::Row& at = document_.Rows[static_cast<std::size_t>(row)];
        x = at.x;
        y = at.y;
    }
    return left <= x && x <= right && top <= y && y <= bottom;
}

void PickModes::SelectRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    MarkRowsInside(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
    SelectWholeElements();
    PaintSelection();
}

// Whatever its state, a row inside the rectangle becomes "1".
void PickModes::MarkRowsInside(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const int32_t count = document_.RowCount();
    std::vector<core::Row>& table = document_.Rows;
    rows_.resize(static_cast<std::size_t>(count));
    auto mark = [&](int32_t first, int32_t end) {
        for (int32_t i = first; i < end; ++i) {
            RowCode& code = rows_[static_cast<std::size_t>(i)];
            core::Row& row = table[static_cast<std::size_t>(i)];
            code.kind = Classify(row.kind);
            if (RowInside(i, code.kind, left, top, right, bottom)) {
                row.state = RowState::InRectangle;
                code.flags = kIsInside | kIsMarked;
            } else {
                code.flags = row.state == RowState::InRectangle ? kIsMarked
                             : row.state == RowState::Selected  ? kIsSelected
                                                                : 0;
            }
        }
    };
    // Each row is marked on its own, so a large table is marked in two
    // halves at once; the helper thread ends before this returns.
    constexpr int32_t kRowsWorthAThread = 200000;
    if (count < kRowsWorthAThread) {
        mark(0, count);
        return;
    }
    const int32_t middle = count / 2;
    std::thread helper;
    try {
        helper = std::thread(mark, 0, middle);
    } catch (const std::system_error&) {
        mark(0, middle);
    }
    mark(middle, count);
    if (helper.joinable()) helper.join();
}

// A marked row inside the rectangle selects its whole element.
void PickModes::SelectWholeElements() {
    const int32_t count = document_.RowCount();
    std::vector<core::Row>& table = document_.Rows;
    auto select = [&](int32_t row) {
        RowCode& code = rows_[static_cast<std::size_t>(row)];
        if (code.flags & kIsSelected) return;
        table[static_cast<std::size_t>(row)].state = RowState::Selected;
        code.flags = static_cast<uint8_t>((code.flags & kIsInside) | kIsSelected);
    };

    // Rows [chain_lo, chain_hi] were all selected by earlier polyline walks of
    // this pass and a walk down from inside them stops no lower than chain_lo, so
    // a later walk that reaches them can stop there: vertices without a polyline
    // header would otherwise walk to row 0 again and again.
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
}

// Every selected row in red, including those left selected by an earlier
// rectangle that was neither deleted nor cancelled.
void PickModes::PaintSelection() {
    const int32_t count = document_.RowCount();
    painted_.clear();
    for (int32_t i = 0; i < count; ++i) {
        if (rows_[static_cast<std::size_t>(i)].flags & kIsSelected) painted_.push_back(i);
    }
    PaintRows(raster::clRed);
}

PickModes::Position PickModes::PositionOf(int32_t row) const {
    const core::Row& at = document_.Rows[static_cast<std::size_t>(row)];
    return {row, at.x, at.y};
}

// Each row paints a segment from a line start or vertex to the next row, or
// a single pixel. All rows take one colour, so the result is the union of
// their pixels: they go through an ink mask that skips what is already
// inked, and the picture is painted once. The canvas ends as painting them
// one by one would leave it: the pen in that colour at the last row's end.
void PickModes::PaintRows(raster::TColor colour) {
    if (painted_.empty()) return;
    raster::TCanvas& canvas = document_.Image1.Canvas();
    raster::TBitmap& bitmap = document_.Image1.Picture.Bitmap();
    if (mask_ && mask_->Width() == bitmap.Width() && mask_->Height() == bitmap.Height()) {
        mask_->Clear();
    } else {
        mask_.reset();
        mask_.emplace(bitmap.Width(), bitmap.Height());
    }
    raster::InkMask& mask = *mask_;
    segments_.clear();
    points_.clear();
    // Every polyline header and end paints the origin: once is enough.
    bool origin = false;
    bool pen_moved = false;
    Position pen;
    for (const int32_t row : painted_) {
        const uint8_t kind = Classify(document_.Rows[static_cast<std::size_t>(row)].kind);
        if (StartsSegment(kind)) {
            pen = PositionOf(row);
            pen_moved = true;
            // A line start or vertex in the last row (a drawing cut short) has
            // no segment to draw.
            const int32_t next = row + 1;
            if (next < document_.RowCount() &&
                document_.Rows[static_cast<std::size_t>(next)].kind != RowKind::PolylineEnd) {
                const Position to = PositionOf(next);
                segments_.push_back({pen.x, pen.y, to.x, to.y});
                pen = to;
            }
        } else if (kind == kHeader || kind == kSeqEnd) {
            origin = true;
        } else {
            const Position at = PositionOf(row);
            points_.push_back({at.x, at.y});
        }
    }
    if (origin) points_.push_back({0, 0});
    mask.Lines(segments_, points_);
    bitmap.PaintInk(mask, colour);
    if (pen_moved) {
        canvas.Pen.Color = colour;
        canvas.MoveTo(pen.x, pen.y);
    }
}

void PickModes::ConfirmSelection(RowState state, raster::TColor colour) {
    painted_.clear();
    const int32_t count = document_.RowCount();
    for (int32_t i = 0; i < count; ++i) {
        core::Row& row = document_.Rows[static_cast<std::size_t>(i)];
        if (row.state != RowState::Selected) continue;
        row.state = state;
        painted_.push_back(i);
    }
    PaintRows(colour);
}

}  // namespace editing
