#include "core/dxf_import.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/failure.h"
#include "core/file_read.h"
#include "core/line_split.h"
#include "core/number_text.h"
#include "raster/ink_mask.h"
#include "raster/resource_error.h"
#include "raster/tbitmap.h"

namespace core {
namespace {

enum class Keyword : uint8_t { kNone, kPoint, kLine, kPolyline, kSeqend, kVertex };

// Exact, case-sensitive match. The length switch keeps the cost of the
// millions of value and code lines down to one comparison each.
Keyword EntityKeyword(std::string_view line) {
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
// The one-pass load: the same results as the steps above, from the file's
// bytes in a single scan without an index of its lines.

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

bool IsEntitiesMarker(std::string_view line) {
    constexpr std::string_view kMarker = "ENTITIES";
    if (line.size() != kMarker.size()) return false;
    for (std::size_t i = 0; i < kMarker.size(); ++i) {
        const char c = line[i];
        if (c != kMarker[i] && c != kMarker[i] + ('a' - 'A')) return false;
    }
    return true;
}

// What the scan collects: the extents, and every entity with the values at
// its fixed offsets, converted. A value that fails to convert is not an
// error yet: the drawing pass reaches it only if nothing before it stops the
// pass, so its message is kept for the first such entity only, and entities
// after that one are not kept.
struct Scan {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<Keyword> entities;
    std::vector<int32_t> values;  // the values of every kept entity in order
    std::size_t rows = 0;
    std::size_t first_incomplete = SIZE_MAX;  // the first entity whose lines run past the end
    std::size_t failed_entity = SIZE_MAX;
    int32_t failed_value = 0;  // which of its values
    std::string failure;
};

class Scanner {
  public:
    explicit Scanner(Scan& scan) : scan_(scan) {}

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

        for (std::size_t n = 0; n < active_count_;) {
            Active& entity = active_[n];
            if (k - entity.line != entity.offsets.at[entity.next]) {
                ++n;
                continue;
            }
            Capture(entity, converted, value, line);
            if (++entity.next == entity.offsets.count) {
                active_[n] = active_[--active_count_];
            } else {
                ++n;
            }
        }

        if (pending_code_ != Axis::kNone) return;
        const Keyword keyword = EntityKeyword(line);
        if (keyword == Keyword::kNone) return;
        if (scan_.failed_entity != SIZE_MAX) return;  // past the entity that fails
        const Offsets offsets = OffsetsOf(keyword);
        if (offsets.count > 0) {
            active_[active_count_++] = {k, scan_.entities.size(), scan_.values.size(), offsets, 0};
            scan_.values.resize(scan_.values.size() + static_cast<std::size_t>(offsets.count));
        }
        scan_.entities.push_back(keyword);
        scan_.rows += keyword == Keyword::kLine ? 2 : 1;
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
    Axis pending_code_ = Axis::kNone;
    int32_t max_x_ = 0;
    int32_t max_y_ = 0;
    Active active_[16] = {};
    std::size_t active_count_ = 0;
};

// The scan over the text, from the line before the first "ENTITIES" line.
Scan ScanText(std::string_view text) {
    if (text.size() >= kMaxTextBytes) {
        // The line list could not hold this many lines; it fails before reading any.
        std::size_t lines = 0;
        SplitLines(text.data(), text.size(), [&](std::size_t, std::size_t) { ++lines; });
        if (lines > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
            throw raster::ResourceError();
        }
    }
    Scan scan;
    // An entity takes some 40 bytes of text at the least, a value 8. Room
    // that is reserved but never filled costs address space only.
    try {
        scan.entities.reserve(text.size() / 40);
        scan.values.reserve(text.size() / 8);
    } catch (const std::bad_alloc&) {
        // Only a hint: the vectors grow as needed.
    }
    Scanner scanner(scan);
    int64_t k = 0;
    bool started = false;
    std::string_view previous;
    SplitLines(text.data(), text.size(), [&](std::size_t offset, std::size_t length) {
        const std::string_view line(text.data() + offset, length);
        if (!started) {
            if (!IsEntitiesMarker(line)) {
                previous = line;
                ++k;
                return;
            }
            if (k == 0) throw ListIndexError(-1);
            started = true;
            scanner.Line(k - 1, previous);
        }
        scanner.Line(k, line);
        ++k;
    });
    if (!started) throw ListIndexError(-2);
    scanner.End(k);
    return scan;
}

using Segment = raster::InkSegment;

// The drawing pass over the scanned entities: the table rows and the
// segments the pen draws, in the order of DrawEntities.
void TraceEntities(const Scan& scan, DxfVariant variant, std::vector<Segment>& segments,
                   TableAside* table) {
    const bool seqend_ends_chain = variant == DxfVariant::Editor;
    const int64_t height = scan.height;
    std::size_t entity = 0;
    std::size_t next_value = 0;
    int32_t taken = 0;  // values read of the current entity
    auto x_at = [&]() -> int32_t {
        if (entity == scan.failed_entity && taken == scan.failed_value) throw Failure(scan.failure);
        ++taken;
        return scan.values[next_value++];
    };
    auto y_at = [&] { return CheckedWhole(height - x_at()); };
    int32_t pen_x = 0;
    int32_t pen_y = 0;
    int32_t vertex_count = 0;
    const std::size_t end = std::min(scan.entities.size(), scan.first_incomplete);
    for (; entity < end; ++entity) {
        taken = 0;
        switch (scan.entities[entity]) {
            case Keyword::kPoint: {
                pen_x = x_at();
                pen_y = y_at();
                if (table) table->Append(RowKind::Point, pen_x, pen_y);
                break;
            }
            case Keyword::kLine: {
                const int32_t x1 = x_at();
                const int32_t y1 = y_at();
                if (table) table->Append(RowKind::LineStart, x1, y1);
                pen_x = x_at();
                pen_y = y_at();
                segments.push_back({x1, y1, pen_x, pen_y});
                if (table) table->Append(RowKind::LineEnd, pen_x, pen_y);
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
                const int32_t x = x_at();
                const int32_t y = y_at();
                if (vertex_count == 0) {
                    if (table) table->Append(RowKind::VertexFirst, x, y);
                } else {
                    segments.push_back({pen_x, pen_y, x, y});
                    if (table) table->Append(RowKind::VertexNext, x, y);
                }
                pen_x = x;
                pen_y = y;
                ++vertex_count;
                break;
            }
            case Keyword::kNone:
                break;
        }
    }
}

LoadedDrawing DrawTextAside(std::string_view text, DxfVariant variant, TextBytes* owner) {
    Scan scan = ScanText(text);
    if (owner != nullptr) owner->Release();
    LoadedDrawing drawing;
    drawing.width = scan.width;
    drawing.height = scan.height;
    drawing.bitmap = WhiteBitmap(drawing.width, drawing.height);

    const bool keeps_table = variant == DxfVariant::Editor;
    TableAside table;
    if (keeps_table) table.Reserve(scan.rows);
    std::vector<Segment> segments;
    segments.reserve(scan.values.size() / 2);
    TraceEntities(scan, variant, segments, keeps_table ? &table : nullptr);
    scan = Scan{};

    raster::InkMask mask(drawing.width, drawing.height);
    mask.Lines(segments);
    segments = std::vector<Segment>{};
    drawing.bitmap->PaintInk(mask, raster::clBlack);
    if (keeps_table) drawing.table = table.Build();
    return drawing;
}

// Memory that cannot be had ends the load with the out-of-resources message,
// as pixels that cannot be made do.
LoadedDrawing LoadTextAside(std::string_view text, DxfVariant variant, TextBytes* owner) {
    try {
        return DrawTextAside(text, variant, owner);
    } catch (const std::bad_alloc&) {
        throw raster::ResourceError();
    }
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
    TextBytes text = ReadText(path);
    LoadedDrawing drawing = LoadTextAside(text.View(), document.Variant(), &text);
    Install(document, drawing);
}

void LoadDxfBytes(DrawingDocument& document, const std::string& bytes) {
    const std::size_t nul = bytes.find('\0');
    LoadedDrawing drawing =
        LoadTextAside(std::string_view(bytes).substr(0, nul), document.Variant(), nullptr);
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
    TextBytes text = ReadText(path);
    try {
        Scan scan = ScanText(text.View());
        text.Release();
        DxfInk ink;
        ink.width = scan.width;
        ink.height = scan.height;
        ink.segments.reserve(scan.values.size() / 2);
        TraceEntities(scan, DxfVariant::Viewer, ink.segments, nullptr);
        return ink;
    } catch (const std::bad_alloc&) {
        throw raster::ResourceError();
    }
}

}  // namespace core
