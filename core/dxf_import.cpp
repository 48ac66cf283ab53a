#include "core/dxf_import.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "core/entities_marker.h"
#include "core/failure.h"
#include "core/file_read.h"
#include "core/line_split.h"
#include "core/number_text.h"
#include "core/text_pieces.h"
#include "raster/ink_mask.h"
#include "raster/resource_error.h"
#include "raster/tbitmap.h"

namespace core {
namespace {

enum class Keyword : uint8_t { kNone, kPoint, kLine, kPolyline, kSeqend, kVertex };

// Exact, case-sensitive match. The length switch keeps the cost of the
// millions of value and code lines down to one comparison each.
[[gnu::always_inline]] inline Keyword EntityKeyword(std::string_view line) {
    switch (line.size()) {
        case 4:
            return line == "LINE" ? Keyword::kLine : Keyword::kNone;
        case 5:
            return line == "POINT" ? Keyword::kPoint : Keyword::kNone;
        case 6:
            if (line[0] == 'S') return line == "SEQEND" ? Keyword::kSeqend : Keyword::kNone;
            if (line[0] == 'V') return line == "VERTEX" ? Keyword::kVertex : Keyword::kNone;
            return Keyword::kNone;
        case 8:
            return line == "POLYLINE" ? Keyword::kPolyline : Keyword::kNone;
        default:
            return Keyword::kNone;
    }
}

enum class Axis { kNone, kX, kY };

// " 10" and " 11" give X, " 20" and " 21" give Y; nothing else counts, not
// even the same digits without their leading blank.
Axis CoordinateCode(std::string_view line) {
    if (line.size() != 3 || line[0] != ' ' || (line[2] != '0' && line[2] != '1')) {
        return Axis::kNone;
    }
    if (line[1] == '1') return Axis::kX;
    if (line[1] == '2') return Axis::kY;
    return Axis::kNone;
}

// The primitive table under construction; it becomes the document's table
// only once the whole file has loaded.
class TableAside {
  public:
    void Reserve(std::size_t rows) { rows_.reserve(rows); }
    void Append(RowKind kind, int32_t x, int32_t y) { rows_.push_back({x, y, kind}); }
    void AppendWithoutPosition(RowKind kind) { rows_.push_back({0, 0, kind}); }
    [[nodiscard]] std::vector<Row> Build() { return std::move(rows_); }

  private:
    std::vector<Row> rows_;
};

struct KeywordLine {
    int32_t line;
    Keyword keyword;
};

// A coordinate the extents pass has converted. The drawing pass reads the
// same lines in a file of the fixed layout, so it takes them from here instead
// of converting every coordinate twice.
struct ConvertedValue {
    int32_t line;
    int32_t value;
};

struct Extents {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<KeywordLine> keywords;   // every entity keyword from the start on
    std::vector<ConvertedValue> values;  // ascending by line
    std::size_t rows = 0;                // rows those keywords would append
};

// One pass over the lines from `start` to the end: the largest X and Y of
// every coordinate code, plus one, and where the entity keywords stand, so
// the drawing pass visits only those lines.
Extents ScanExtents(const LineList& lines, int32_t start) {
    const int32_t count = lines.Count();
    int32_t max_x = 0;
    int32_t max_y = 0;
    Extents extents;
    for (int32_t k = start; k < count; ++k) {
        const std::string_view line = lines.Read(k);
        const Axis axis = CoordinateCode(line);
        if (axis != Axis::kNone) {
            if (k + 1 >= count) throw ListIndexError(count);
            const int32_t value = NumText(lines.Read(k + 1));
            extents.values.push_back({k + 1, value});
            int32_t& max = axis == Axis::kX ? max_x : max_y;
            if (value > max) max = value;
            continue;
        }
        const Keyword keyword = EntityKeyword(line);
        if (keyword != Keyword::kNone) {
            extents.keywords.push_back({k, keyword});
            extents.rows += keyword == Keyword::kLine ? 2 : 1;
        }
    }
    extents.width = CheckedWhole(int64_t{max_x} + 1);
    extents.height = CheckedWhole(int64_t{max_y} + 1);
    return extents;
}

// NumText of a line, from the extents pass where it converted that line.
// Reads come in ascending order in a well-formed file; any other read just
// converts the line again.
class CoordinateReader {
  public:
    CoordinateReader(const LineList& lines, const std::vector<ConvertedValue>& values)
        : lines_(lines), values_(values) {}

    int32_t operator()(int64_t line) {
        while (next_ < values_.size() && values_[next_].line < line) ++next_;
        if (next_ < values_.size() && values_[next_].line == line) return values_[next_].value;
        return NumText(lines_.Read(line));
    }

  private:
    const LineList& lines_;
    const std::vector<ConvertedValue>& values_;
    std::size_t next_ = 0;
};

std::unique_ptr<raster::TBitmap> WhiteBitmap(int32_t width, int32_t height) {
    // Refuse before asking for memory: a stray coordinate of two thousand
    // million would otherwise try to take gigabytes.
    if (int64_t{width} * int64_t{height} > raster::kMaxPixels) throw raster::ResourceError();
    auto bitmap = std::make_unique<raster::TBitmap>();
    bitmap->SetWidth(width);
    bitmap->SetHeight(height);
    return bitmap;
}

// Draws every entity at its fixed offsets. Returns normally also when an
// entity near the end lacks its value lines: the pass just stops there.
void DrawEntities(const LineList& lines, const Extents& extents, DxfVariant variant,
                  raster::TCanvas& canvas, TableAside* table) {
    const int64_t count = lines.Count();
    const bool seqend_ends_chain = variant == DxfVariant::Editor;
    CoordinateReader coordinate(lines, extents.values);
    auto x_at = [&](int64_t index) { return coordinate(index); };
    auto y_at = [&](int64_t index) {
        return CheckedWhole(int64_t{extents.height} - coordinate(index));
    };
    int32_t vertex_count = 0;
    for (const auto [i, keyword] : extents.keywords) {
        switch (keyword) {
            case Keyword::kPoint: {
                if (i + int64_t{8} >= count) return;
                const int32_t x = x_at(i + 6);
                const int32_t y = y_at(i + 8);
                canvas.MoveTo(x, y);
                canvas.LineTo(x, y);
                if (table) table->Append(RowKind::Point, x, y);
                break;
            }
            case Keyword::kLine: {
                if (i + int64_t{14} >= count) return;
                const int32_t x1 = x_at(i + 8);
                const int32_t y1 = y_at(i + 10);
                canvas.MoveTo(x1, y1);
                if (table) table->Append(RowKind::LineStart, x1, y1);
                const int32_t x2 = x_at(i + 12);
                const int32_t y2 = y_at(i + 14);
                canvas.LineTo(x2, y2);
                if (table) table->Append(RowKind::LineEnd, x2, y2);
                break;
            }
            case Keyword::kPolyline:
                vertex_count = 0;
                if (table) table->AppendWithoutPosition(RowKind::PolylineStart);
                break;
            case Keyword::kSeqend:
                if (seqend_ends_chain) vertex_count = 0;
                if (table) table->AppendWithoutPosition(RowKind::PolylineEnd);
                break;
            case Keyword::kVertex: {
                if (i + int64_t{6} >= count) return;
                const int32_t x = x_at(i + 4);
                const int32_t y = y_at(i + 6);
                if (vertex_count == 0) {
                    canvas.MoveTo(x, y);
                    if (table) table->Append(RowKind::VertexFirst, x, y);
                } else {
                    canvas.LineTo(x, y);
                    if (table) table->Append(RowKind::VertexNext, x, y);
                }
                ++vertex_count;
                break;
            }
            case Keyword::kNone:
                break;
        }
    }
}

// Everything a load installs, made without touching the document.
struct LoadedDrawing {
    int32_t width = 0;
    int32_t height = 0;
    std::unique_ptr<raster::TBitmap> bitmap;
    std::vector<Row> table;
};

TableAside DrawAside(const LineList& lines, const Extents& extents, DxfVariant variant,
                     raster::TCanvas& canvas) {
    TableAside table;
    const bool keeps_table = variant == DxfVariant::Editor;
    if (keeps_table) table.Reserve(extents.rows);
    DrawEntities(lines, extents, variant, canvas, keeps_table ? &table : nullptr);
    return table;
}

LoadedDrawing LoadAside(const LineList& lines, int32_t start, DxfVariant variant) {
    Extents extents = ScanExtents(lines, start);
    LoadedDrawing drawing;
    drawing.width = extents.width;
    drawing.height = extents.height;
    drawing.bitmap = WhiteBitmap(drawing.width, drawing.height);
    TableAside table = DrawAside(lines, extents, variant, drawing.bitmap->Canvas());
    // The scan's results go before the table lists are built: a large
    // drawing's peak memory is reached there.
    extents = Extents{};
    if (variant == DxfVariant::Editor) drawing.table = table.Build();
    return drawing;
}

// ---------------------------------------------------------------------------
// The fast load: the same results as the steps above, from the file's text
// read in pieces without an index of its lines, in memory that stays within
// the text, the picture and a few tens of megabytes.

// Value lines of each entity, relative to its keyword line.
constexpr int32_t kPointOffsets[] = {6, 8};
constexpr int32_t kLineOffsets[] = {8, 10, 12, 14};
constexpr int32_t kVertexOffsets[] = {4, 6};

struct Offsets {
    const int32_t* at = nullptr;
    int32_t count = 0;
};

Offsets OffsetsOf(Keyword keyword) {
    switch (keyword) {
        case Keyword::kPoint:
            return {kPointOffsets, 2};
        case Keyword::kLine:
            return {kLineOffsets, 4};
        case Keyword::kVertex:
            return {kVertexOffsets, 2};
        default:
            return {};
    }
}

// The lines of a text in memory, or of a file read in pieces, from the start.
template <class OnLine>
void EachLine(std::string_view text, OnLine&& on_line) {
    SplitLines(text.data(), text.size(), [&](std::size_t offset, std::size_t length) {
        on_line(std::string_view(text.data() + offset, length));
    });
}

template <class OnLine>
void EachLine(TextPieces& file, OnLine&& on_line) {
    PieceLines pieces(file);
    while (const PieceLines::Piece* piece = pieces.Next()) {
        const char* text = piece->text.data();
        for (const auto& [offset, length] : piece->lines)
            on_line(std::string_view(text + offset, length));
    }
}

// The longest line that can be a coordinate code or an entity keyword.
constexpr std::size_t kLongestWord = 8;

// Hands `pass` every line from the one before the first "ENTITIES" line on,
// with its index; returns the number of lines of the text.
template <class Source, class Pass>
int64_t EntityLines(Source& source, Pass& pass) {
    int64_t k = 0;
    bool started = false;
    // Only a short line can matter as the line before the marker, so a
    // longer one is not kept (the text it pointed into may be gone).
    std::string previous;
    EachLine(source, [&](std::string_view line) {
        if (!started) {
            if (!IsEntitiesMarker(line)) {
                previous.assign(line.size() <= kLongestWord ? line : std::string_view());
                ++k;
                return;
            }
            if (k == 0) throw ListIndexError(-1);
            started = true;
            pass.Line(k - 1, previous);
        }
        pass.Line(k, line);
        ++k;
    });
    if (!started) throw ListIndexError(-2);
    return k;
}

// The first pass: the largest X and Y of every coordinate code, plus one,
// how many rows the entity keywords would append and, while they take no
// more than the budget, every entity with the values at its fixed offsets,
// converted, so that the drawing pass need not read the text again. A value
// that fails to convert is not an error yet: the drawing pass reaches it only
// if nothing before it stops the pass, so its message is kept for the first
// such entity only, and entities after that one are not kept.
struct Scan {
    int32_t width = 0;
    int32_t height = 0;
    std::size_t rows = 0;
    bool recorded = true;  // false once the entities took more than the budget
    std::vector<Keyword> entities;
    std::vector<int32_t> values;              // the values of every kept entity in order
    std::size_t first_incomplete = SIZE_MAX;  // the first entity whose lines run past the end
    std::size_t failed_entity = SIZE_MAX;
    int32_t failed_value = 0;  // which of its values
    std::string failure;
};

class ExtentsPass {
  public:
    ExtentsPass(Scan& scan, std::size_t budget, std::size_t text_size)
        : scan_(scan), budget_(budget) {
        // An entity takes some 40 bytes of text at the least, a value 8. Room
        // that is reserved but never filled costs address space only.
        try {
            scan_.entities.reserve(std::min(text_size / 40, budget));
            scan_.values.reserve(std::min(text_size / 8, budget / sizeof(int32_t)));
        } catch (const std::bad_alloc&) {
            // Only a hint: the vectors grow as needed.
        }
    }

    void Line(int64_t k, std::string_view line) {
        int32_t value = 0;
        bool converted = false;
        if (pending_code_ != Axis::kNone) {
            value = NumText(line);
            converted = true;
            int32_t& max = pending_code_ == Axis::kX ? max_x_ : max_y_;
            if (value > max) max = value;
        }
        pending_code_ = CoordinateCode(line);

        // Most lines are no entity's value: only the line that the nearest
        // waiting value stands on needs a look at the waiting entities.
        if (k == next_capture_) {
            next_capture_ = INT64_MAX;
            for (std::size_t n = 0; n < active_count_;) {
                Active& entity = active_[n];
                if (k - entity.line == entity.offsets.at[entity.next]) {
                    Capture(entity, converted, value, line);
                    if (++entity.next == entity.offsets.count) {
                        active_[n] = active_[--active_count_];
                        continue;
                    }
                }
                next_capture_ =
                    std::min(next_capture_, entity.line + entity.offsets.at[entity.next]);
                ++n;
            }
        }

        if (pending_code_ != Axis::kNone) return;
        const Keyword keyword = EntityKeyword(line);
        if (keyword == Keyword::kNone) return;
        scan_.rows += keyword == Keyword::kLine ? 2 : 1;
        if (!scan_.recorded || scan_.failed_entity != SIZE_MAX) return;
        const Offsets offsets = OffsetsOf(keyword);
        if (scan_.entities.size() + (scan_.values.size() + 4) * sizeof(int32_t) >= budget_) {
            // Too many to keep: the drawing pass reads the text again instead.
            scan_.recorded = false;
            scan_.entities = {};
            scan_.values = {};
            active_count_ = 0;
            next_capture_ = INT64_MAX;
            return;
        }
        if (offsets.count > 0) {
            active_[active_count_++] = {k, scan_.entities.size(), scan_.values.size(), offsets, 0};
            next_capture_ = std::min(next_capture_, k + offsets.at[0]);
            scan_.values.resize(scan_.values.size() + static_cast<std::size_t>(offsets.count));
        }
        scan_.entities.push_back(keyword);
    }

    void End(int64_t count) {
        if (pending_code_ != Axis::kNone) throw ListIndexError(count);
        for (std::size_t n = 0; n < active_count_; ++n) {
            scan_.first_incomplete = std::min(scan_.first_incomplete, active_[n].entity);
        }
        scan_.width = CheckedWhole(int64_t{max_x_} + 1);
        scan_.height = CheckedWhole(int64_t{max_y_} + 1);
    }

  private:
    // An entity still waiting for some of its value lines. Keywords stand on
    // distinct lines and wait at most 14 lines, so 15 are ever waiting.
    struct Active {
        int64_t line;
        std::size_t entity;
        std::size_t first_value;
        Offsets offsets;
        int32_t next;
    };

    void Capture(const Active& entity, bool converted, int32_t value, std::string_view line) {
        int32_t& slot = scan_.values[entity.first_value + static_cast<std::size_t>(entity.next)];
        if (converted) {
            slot = value;
            return;
        }
        try {
            slot = NumText(line);
        } catch (const Failure& failure) {
            // Values of one entity arrive in order, so only an earlier entity
            // can take the place of the one recorded.
            if (entity.entity < scan_.failed_entity) {
                scan_.failed_entity = entity.entity;
                scan_.failed_value = entity.next;
                scan_.failure = failure.what();
            }
        }
    }

    Scan& scan_;
    std::size_t budget_;
    Axis pending_code_ = Axis::kNone;
    int32_t max_x_ = 0;
    int32_t max_y_ = 0;
    Active active_[16] = {};
    std::size_t active_count_ = 0;
    int64_t next_capture_ = INT64_MAX;  // the line of the nearest waiting value
};

using Segment = raster::InkSegment;

// The second pass: every entity with the values at its fixed offsets, in the
// order of DrawEntities, giving the table rows and the segments the pen
// draws. The segments go into the mask a batch at a time, so memory stays
// the same whatever the drawing's size.
class DrawingPass {
  public:
    DrawingPass(int32_t height, DxfVariant variant, raster::InkMask& mask, TableAside* table)
        : height_(height),
          seqend_ends_chain_(variant == DxfVariant::Editor),
          mask_(mask),
          table_(table) {
        segments_.reserve(kBatch);
    }

    void Line(int64_t k, std::string_view line) {
        for (std::size_t n = 0; n < waiting_; ++n) {
            Waiting& entity = Slot(n);
            if (entity.next < entity.offsets.count &&
                k - entity.line == entity.offsets.at[entity.next]) {
                Capture(entity, line);
            }
        }
        const Keyword keyword = EntityKeyword(line);
        if (keyword != Keyword::kNone) {
            Waiting& entity = Slot(waiting_++);
            entity.line = k;
            entity.keyword = keyword;
            entity.offsets = OffsetsOf(keyword);
            entity.next = 0;
            entity.failed = -1;
        }
        // Entities are drawn in the order of their keywords, each once all
        // its values are in.
        while (waiting_ > 0 && Slot(0).next == Slot(0).offsets.count) {
            const Waiting& entity = Slot(0);
            Draw(entity.keyword, entity.values, entity.failed, entity.failure);
            first_ = (first_ + 1) % kSlots;
            --waiting_;
        }
    }

    // The entities the first pass kept, instead of the text's lines. Taking
    // them costs little next to drawing, so each batch is drawn on both
    // halves of the mask at once instead of beside the reading.
    void Trace(const Scan& scan) {
        overlap_ = false;
        const std::size_t end = std::min(scan.entities.size(), scan.first_incomplete);
        const int32_t* values = scan.values.data();
        for (std::size_t entity = 0; entity < end; ++entity) {
            const Keyword keyword = scan.entities[entity];
            Draw(keyword, values, entity == scan.failed_entity ? scan.failed_value : -1,
                 scan.failure);
            values += OffsetsOf(keyword).count;
        }
    }

    // Every segment goes to `segments` instead of into the mask.
    void KeepSegmentsIn(std::vector<Segment>& segments) { kept_ = &segments; }

    DrawingPass(const DrawingPass&) = delete;
    DrawingPass& operator=(const DrawingPass&) = delete;
    ~DrawingPass() { WaitForInk(); }

    // An entity whose value lines run past the end ends the drawing pass
    // there, and the ones after it are not drawn either. The last batch is
    // drawn on both halves of the mask at once.
    void End() {
        WaitForInk();
        mask_.Lines(segments_);
        segments_.clear();
    }

  private:
    // An entity waiting for some of its value lines. Keywords stand on
    // distinct lines and wait at most 14 lines, so 15 are ever waiting.
    struct Waiting {
        int64_t line;
        Keyword keyword;
        Offsets offsets;
        int32_t next;
        int32_t values[4];
        int32_t failed;  // the first value that did not convert, or -1
        std::string failure;
    };
    static constexpr std::size_t kSlots = 16;
    static constexpr std::size_t kBatch = std::size_t{1} << 16;

    Waiting& Slot(std::size_t n) { return slots_[(first_ + n) % kSlots]; }

    static void Capture(Waiting& entity, std::string_view line) {
        const int32_t at = entity.next++;
        try {
            entity.values[at] = NumText(line);
        } catch (const Failure& failure) {
            // Values of one entity arrive in order: keep the first failure.
            if (entity.failed < 0) {
                entity.failed = at;
                entity.failure = failure.what();
            }
        }
    }

    // `failed` is the value that did not convert, or -1.
    void Draw(Keyword keyword, const int32_t* values, int32_t failed, const std::string& failure) {
        int32_t taken = 0;
        auto x_at = [&]() -> int32_t {
            if (taken == failed) throw Failure(failure);
            return values[taken++];
        };
        auto y_at = [&] { return CheckedWhole(int64_t{height_} - x_at()); };
        switch (keyword) {
            case Keyword::kPoint: {
                pen_x_ = x_at();
                pen_y_ = y_at();
                if (table_) table_->Append(RowKind::Point, pen_x_, pen_y_);
                break;
            }
            case Keyword::kLine: {
                const int32_t x1 = x_at();
                const int32_t y1 = y_at();
                if (table_) table_->Append(RowKind::LineStart, x1, y1);
                pen_x_ = x_at();
                pen_y_ = y_at();
                Add({x1, y1, pen_x_, pen_y_});
                if (table_) table_->Append(RowKind::LineEnd, pen_x_, pen_y_);
                break;
            }
            case Keyword::kPolyline:
                vertex_count_ = 0;
                if (table_) table_->AppendWithoutPosition(RowKind::PolylineStart);
                break;
            case Keyword::kSeqend:
                if (seqend_ends_chain_) vertex_count_ = 0;
                if (table_) table_->AppendWithoutPosition(RowKind::PolylineEnd);
                break;
            case Keyword::kVertex: {
                const int32_t x = x_at();
                const int32_t y = y_at();
                if (vertex_count_ == 0) {
                    if (table_) table_->Append(RowKind::VertexFirst, x, y);
                } else {
                    Add({pen_x_, pen_y_, x, y});
                    if (table_) table_->Append(RowKind::VertexNext, x, y);
                }
                pen_x_ = x;
                pen_y_ = y;
                ++vertex_count_;
                break;
            }
            case Keyword::kNone:
                break;
        }
    }

    void Add(const Segment& segment) {
        if (kept_ != nullptr) {
            kept_->push_back(segment);
            return;
        }
        segments_.push_back(segment);
        if (segments_.size() == kBatch) InkBatch();
    }
    // A full batch is drawn into the mask on a helper thread while this one
    // reads the next.
    void InkBatch() {
        if (!overlap_) {
            mask_.Lines(segments_);
            segments_.clear();
            return;
        }
        WaitForInk();
        inking_.swap(segments_);
        segments_.clear();
        segments_.reserve(kBatch);
        auto ink = [this] {
            for (const Segment& s : inking_) mask_.Line(s.x0, s.y0, s.x1, s.y1);
        };
        try {
            inker_ = std::thread(ink);
        } catch (const std::system_error&) {
            ink();  // no thread to be had: draw it here
        }
    }
    void WaitForInk() {
        if (inker_.joinable()) inker_.join();
    }

    int32_t height_;
    bool seqend_ends_chain_;
    raster::InkMask& mask_;
    TableAside* table_;
    std::vector<Segment> segments_;
    std::vector<Segment> inking_;
    std::thread inker_;
    bool overlap_ = true;
    std::vector<Segment>* kept_ = nullptr;
    Waiting slots_[kSlots] = {};
    std::size_t first_ = 0;
    std::size_t waiting_ = 0;
    int32_t pen_x_ = 0;
    int32_t pen_y_ = 0;
    int32_t vertex_count_ = 0;
};

// The entities' values are kept between the passes up to this many bytes;
// beyond, the drawing pass reads the text again.
constexpr std::size_t kKeptBytes = std::size_t{32} << 20;

// The first pass over the text.
template <class Source>
Scan FirstPass(Source& source, std::size_t text_size, std::size_t kept_bytes) {
    Scan scan;
    ExtentsPass extents(scan, kept_bytes, text_size);
    extents.End(EntityLines(source, extents));
    return scan;
}

// The drawing pass, from the entities the first pass kept or from the text.
template <class Source>
void SecondPass(Source& source, Scan& scan, DrawingPass& pass) {
    if (scan.recorded) {
        pass.Trace(scan);
    } else {
        EntityLines(source, pass);
    }
    scan = Scan{};
    pass.End();
}

// Both passes, then the mask painted in black.
template <class Source>
LoadedDrawing DrawPassesAside(Source& source, DxfVariant variant, std::size_t text_size,
                              std::size_t kept_bytes) {
    Scan scan = FirstPass(source, text_size, kept_bytes);
    LoadedDrawing drawing;
    drawing.width = scan.width;
    drawing.height = scan.height;
    drawing.bitmap = WhiteBitmap(drawing.width, drawing.height);

    const bool keeps_table = variant == DxfVariant::Editor;
    TableAside table;
    if (keeps_table) table.Reserve(scan.rows);
    raster::InkMask mask(drawing.width, drawing.height);
    {
        DrawingPass pass(drawing.height, variant, mask, keeps_table ? &table : nullptr);
        SecondPass(source, scan, pass);
    }
    drawing.bitmap->PaintInk(mask, raster::clBlack);
    if (keeps_table) drawing.table = table.Build();
    return drawing;
}

// Both passes as the viewer's load makes them, keeping the segments.
template <class Source>
DxfInk TracePasses(Source& source, std::size_t text_size) {
    Scan scan = FirstPass(source, text_size, kKeptBytes);
    DxfInk ink;
    ink.width = scan.width;
    ink.height = scan.height;
    raster::InkMask unused(0, 0);
    DrawingPass pass(ink.height, DxfVariant::Viewer, unused, nullptr);
    pass.KeepSegmentsIn(ink.segments);
    SecondPass(source, scan, pass);
    return ink;
}

// A text of 4 GiB may have more lines than a line list can index; it fails
// before anything else is looked at, as the line list's own load does.
template <class Source>
void RefuseTooManyLines(Source& source) {
    int64_t lines = 0;
    EachLine(source, [&](std::string_view) { ++lines; });
    if (lines > std::numeric_limits<int32_t>::max()) throw raster::ResourceError();
}

// Memory that cannot be had ends the load with the out-of-resources message,
// as pixels that cannot be made do.
template <class Load>
auto WithResourceMessage(Load&& load) {
    try {
        return load();
    } catch (const std::bad_alloc&) {
        throw raster::ResourceError();
    }
}

LoadedDrawing LoadTextAside(std::string_view text, DxfVariant variant, std::size_t kept_bytes) {
    return WithResourceMessage([&] {
        if (text.size() >= kMaxTextBytes) RefuseTooManyLines(text);
        return DrawPassesAside(text, variant, text.size(), kept_bytes);
    });
}

// Runs `passes(source, size)` over a regular file read in pieces, twice when
// the drawing pass needs its lines again, or over the whole text of anything
// that cannot be read again.
template <class Passes>
auto OverFile(const std::string& path, Passes&& passes) {
    return WithResourceMessage([&] {
        TextPieces file(path);
        if (!file.Rereadable()) {
            std::string whole;
            std::string_view piece;
            while (file.Next(piece)) whole.append(piece);
            std::string_view text(whole);
            if (text.size() >= kMaxTextBytes) RefuseTooManyLines(text);
            return passes(text, text.size());
        }
        if (file.FileSize() >= kMaxTextBytes) RefuseTooManyLines(file);
        return passes(file, static_cast<std::size_t>(file.FileSize()));
    });
}

void Install(DrawingDocument& document, LoadedDrawing& drawing) {
    // Everything loaded: from here on nothing can fail.
    document.Image1.SetWidth(drawing.width);
    document.Image1.SetHeight(drawing.height);
    document.Image1.Picture.Install(std::move(drawing.bitmap));
    if (document.Variant() == DxfVariant::Editor) {
        document.DrawWidth = drawing.width;
        document.DrawHeight = drawing.height;
        document.Rows = std::move(drawing.table);
    }
}

}  // namespace

void LoadDxf(DrawingDocument& document, const std::string& path) {
    LoadedDrawing drawing = OverFile(path, [&](auto& source, std::size_t size) {
        return DrawPassesAside(source, document.Variant(), size, kKeptBytes);
    });
    Install(document, drawing);
}

void LoadDxfBytes(DrawingDocument& document, const std::string& bytes) {
    LoadDxfBytes(document, bytes, kKeptBytes);
}

void LoadDxfBytes(DrawingDocument& document, const std::string& bytes, std::size_t kept_bytes) {
    const std::size_t nul = bytes.find('\0');
    LoadedDrawing drawing =
        LoadTextAside(std::string_view(bytes).substr(0, nul), document.Variant(), kept_bytes);
    Install(document, drawing);
}

void LoadDxfLines(DrawingDocument& document, const LineList& lines) {
    const int32_t entities = lines.IndexOf("ENTITIES");
    // The scans start one line before the section marker.
    const int32_t start = entities - 1;
    if (start < 0) throw ListIndexError(start);
    LoadedDrawing drawing = LoadAside(lines, start, document.Variant());
    Install(document, drawing);
}

DxfInk TraceDxf(const std::string& path) {
    return OverFile(path, [](auto& source, std::size_t size) { return TracePasses(source, size); });
}

}  // namespace core
