#include "editing/pick_modes.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <system_error>
#include <thread>

#include "raster/ink_mask.h"

namespace editing {

namespace {

using core::RowKind;
using core::RowState;

// Rows that start a drawn segment towards the row after them.
bool StartsSegment(RowKind kind) {
    return kind == RowKind::LineStart || kind == RowKind::VertexFirst ||
           kind == RowKind::VertexNext;
}

// Polyline header and end rows count as lying at the origin.
bool AtOrigin(RowKind kind) {
    return kind == RowKind::PolylineStart || kind == RowKind::PolylineEnd;
}

// Selection flags of a row during one rectangle.
constexpr uint8_t kIsInside = 1;
constexpr uint8_t kIsMarked = 2;    // state "1"
constexpr uint8_t kIsSelected = 4;  // state "2"

// The first row from `row` on whose flags hold all of `wanted`, or the row
// count. Eight rows are tested at once, as most rows hold none: a byte of
// `missing` is zero where a row has them all, and the lowest zero byte is
// the lowest bit of `zero`.
int32_t NextWith(const std::vector<uint8_t>& flags, int32_t row, uint8_t wanted) {
    const auto count = static_cast<int32_t>(flags.size());
    constexpr uint64_t kEveryByte = 0x0101010101010101u;
    const uint64_t all = kEveryByte * wanted;
    for (; row + 8 <= count; row += 8) {
        uint64_t word = 0;
        std::memcpy(&word, flags.data() + row, sizeof word);
        const uint64_t missing = ~word & all;
        const uint64_t zero = (missing - kEveryByte) & ~missing & (kEveryByte << 7);
        if (zero != 0) return row + std::countr_zero(zero) / 8;
    }
    while (row < count && (flags[static_cast<std::size_t>(row)] & wanted) != wanted) ++row;
    return row;
}

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

void PickModes::SelectRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    MarkRowsInside(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
    SelectWholeElements();
    PaintSelection();
}

// Whatever its state, a row inside the rectangle becomes "1".
void PickModes::MarkRowsInside(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const int32_t count = document_.RowCount();
    core::Row* const table = document_.Rows.data();
    flags_.resize(static_cast<std::size_t>(count));
    uint8_t* const flags = flags_.data();
    // As unsigned differences, one comparison tests both sides of a range.
    const uint32_t width = static_cast<uint32_t>(right) - static_cast<uint32_t>(left);
    const uint32_t height = static_cast<uint32_t>(bottom) - static_cast<uint32_t>(top);
    auto mark = [=](int32_t first, int32_t end) {
        for (int32_t i = first; i < end; ++i) {
            core::Row& row = table[i];
            const bool origin = AtOrigin(row.kind);
            const auto x = static_cast<uint32_t>(origin ? 0 : row.x);
            const auto y = static_cast<uint32_t>(origin ? 0 : row.y);
            // Both sides at once in 64 bits, whose top bit tells an offset
            // beyond the rectangle: a branch per side, taken for rows in the
            // rectangle's column or row band, would often be guessed wrong.
            const uint64_t beyond = (uint64_t{width} - (x - static_cast<uint32_t>(left))) |
                                    (uint64_t{height} - (y - static_cast<uint32_t>(top)));
            if ((beyond >> 63) == 0) {
                row.state = RowState::InRectangle;
                flags[i] = kIsInside | kIsMarked;
            } else {
                flags[i] = row.state == RowState::InRectangle ? kIsMarked
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
    core::Row* const table = document_.Rows.data();
    uint8_t* const flags = flags_.data();
    auto select = [&](int32_t row) {
        uint8_t& flag = flags[row];
        if (flag & kIsSelected) return;
        table[row].state = RowState::Selected;
        flag = static_cast<uint8_t>((flag & kIsInside) | kIsSelected);
    };

    // Rows [chain_lo, chain_hi] were all selected by earlier polyline walks of
    // this pass and a walk down from inside them stops no lower than chain_lo, so
    // a later walk that reaches them can stop there: vertices without a polyline
    // header would otherwise walk to row 0 again and again.
    int32_t chain_lo = -1;
    int32_t chain_hi = -2;
    for (int32_t i = NextWith(flags_, 0, kIsInside | kIsMarked); i < count;
         i = NextWith(flags_, i + 1, kIsInside | kIsMarked)) {
        const RowKind kind = table[i].kind;
        if (kind == RowKind::LineEnd) {
            if (i > 0) select(i - 1);
        } else if (kind == RowKind::LineStart) {
            if (i + 1 < count) select(i + 1);
        } else if (kind == RowKind::VertexFirst || kind == RowKind::VertexNext) {
            int32_t lo = 0;
            for (int32_t j = i; j >= 0; --j) {
                if (j >= chain_lo && j <= chain_hi) {
                    lo = chain_lo;
                    break;
                }
                select(j);
                if (table[j].kind == RowKind::PolylineStart) {
                    lo = j;
                    break;
                }
            }
            int32_t hi = count - 1;
            for (int32_t j = i; j < count; ++j) {
                select(j);
                if (table[j].kind == RowKind::PolylineEnd) {
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

// Each row paints a segment from a line start or vertex to the next row, or
// a single pixel. All rows take one colour, so the result is the union of
// their pixels: they go through an ink mask that skips what is already
// inked, and the picture is painted once. The canvas ends as painting them
// one by one would leave it: the pen in that colour at the last row's end.
PickModes::Batch::Batch(const core::DrawingDocument& document,
                        std::vector<raster::InkSegment>& segments,
                        std::vector<raster::InkPoint>& points)
    : table_(document.Rows.data()),
      count_(document.RowCount()),
      out_segments_(segments),
      out_points_(points) {
    out_segments_.clear();
    out_points_.clear();
}

inline void PickModes::Batch::Add(int32_t row) {
    ++rows_;
    const core::Row& at = table_[row];
    if (StartsSegment(at.kind)) {
        // A line start or vertex in the last row (a drawing cut short) has
        // no segment to draw, and leaves the pen on itself.
        const bool drawn = row + 1 < count_ && table_[row + 1].kind != RowKind::PolylineEnd;
        pen_ = drawn ? row + 1 : row;
        if (drawn) out_segments_.push_back({at.x, at.y, table_[row + 1].x, table_[row + 1].y});
    } else if (AtOrigin(at.kind)) {
        // Every polyline header and end paints the origin: once is enough.
        if (!origin_) out_points_.push_back({0, 0});
        origin_ = true;
    } else {
        out_points_.push_back({at.x, at.y});
    }
}

// Every selected row in red, including those left selected by an earlier
// rectangle that was neither deleted nor cancelled.
void PickModes::PaintSelection() {
    const int32_t count = document_.RowCount();
    Batch batch(document_, segments_, points_);
    for (int32_t i = NextWith(flags_, 0, kIsSelected); i < count;
         i = NextWith(flags_, i + 1, kIsSelected)) {
        batch.Add(i);
    }
    PaintBatch(batch, raster::clRed);
}

void PickModes::PaintBatch(const Batch& batch, raster::TColor colour) {
    if (batch.Rows() == 0) return;
    raster::TBitmap& bitmap = document_.Image1.Picture.Bitmap();
    // Delete or Escape right after a selection paints the same segments in
    // another colour: the mask already holds them.
    const bool inked = mask_holds_ && MaskFits(bitmap.Width(), bitmap.Height()) &&
                       segments_ == mask_segments_ && points_ == mask_points_;
    if (!inked) InkBatch(bitmap.Width(), bitmap.Height());
    bitmap.PaintInk(*mask_, colour);
    if (batch.Pen() >= 0) {
        const core::Row& pen = document_.Rows[static_cast<std::size_t>(batch.Pen())];
        raster::TCanvas& canvas = document_.Image1.Canvas();
        canvas.Pen.Color = colour;
        canvas.MoveTo(pen.x, pen.y);
    }
}

// Inks segments_ and points_ into a clear mask of the picture's size and
// keeps them as what the mask holds.
void PickModes::InkBatch(int32_t width, int32_t height) {
    mask_holds_ = false;
    if (MaskFits(width, height)) {
        mask_->Clear();
    } else {
        mask_.reset();
        mask_.emplace(width, height);
    }
    mask_->Lines(segments_, points_);
    std::swap(segments_, mask_segments_);
    std::swap(points_, mask_points_);
    mask_holds_ = true;
}

void PickModes::ConfirmSelection(RowState state, raster::TColor colour) {
    core::Row* const table = document_.Rows.data();
    const int32_t count = document_.RowCount();
    Batch batch(document_, segments_, points_);
    for (int32_t i = 0; i < count; ++i) {
        if (table[i].state != RowState::Selected) continue;
        table[i].state = state;
        batch.Add(i);
    }
    PaintBatch(batch, colour);
}

}  // namespace editing
