#include "core/dxf_import.h"

#include <charconv>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "core/failure.h"
#include "core/number_text.h"
#include "raster/resource_error.h"
#include "raster/tbitmap.h"

namespace core {
namespace {

enum class Keyword { kNone, kPoint, kLine, kPolyline, kSeqend, kVertex };

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

// The primitive table under construction, one text per list with a line end
// after every cell; it becomes the document's table only once the whole file
// has loaded. Splitting four texts at the end costs far less than millions of
// single appends to the line lists.
class TableAside {
  public:
    void Reserve(std::size_t rows) {
        // Kinds are two bytes, states one, positions rarely more than five.
        kinds_.reserve(rows * 3);
        xs_.reserve(rows * 6);
        ys_.reserve(rows * 6);
        states_.reserve(rows * 2);
    }

    void Append(std::string_view kind, int32_t x, int32_t y) {
        AppendLine(kinds_, kind);
        AppendNumber(xs_, x);
        AppendNumber(ys_, y);
        AppendLine(states_, row::kNormal);
    }

    void AppendWithoutPosition(std::string_view kind) {
        AppendLine(kinds_, kind);
        AppendLine(xs_, "0");
        AppendLine(ys_, "0");
        AppendLine(states_, row::kNormal);
    }

    struct Lists {
        LineList kinds, xs, ys, states;
    };
    // Each text is released once split, which keeps the peak memory down.
    [[nodiscard]] Lists Build() {
        Lists lists;
        Split(kinds_, lists.kinds);
        Split(xs_, lists.xs);
        Split(ys_, lists.ys);
        Split(states_, lists.states);
        return lists;
    }

  private:
    static void Split(std::string& text, LineList& list) {
        list.LoadFromBytes(text);
        std::string().swap(text);
    }
    static void AppendLine(std::string& text, std::string_view line) {
        text.append(line);
        text.push_back('\n');
    }
    // The text WholeText writes.
    static void AppendNumber(std::string& text, int32_t value) {
        char buffer[16];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        text.append(buffer, result.ptr);
        text.push_back('\n');
    }

    std::string kinds_;
    std::string xs_;
    std::string ys_;
    std::string states_;
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
                if (table) table->Append(row::kPoint, x, y);
                break;
            }
            case Keyword::kLine: {
                if (i + int64_t{14} >= count) return;
                const int32_t x1 = x_at(i + 8);
                const int32_t y1 = y_at(i + 10);
                canvas.MoveTo(x1, y1);
                if (table) table->Append(row::kLineStart, x1, y1);
                const int32_t x2 = x_at(i + 12);
                const int32_t y2 = y_at(i + 14);
                canvas.LineTo(x2, y2);
                if (table) table->Append(row::kLineEnd, x2, y2);
                break;
            }
            case Keyword::kPolyline:
                vertex_count = 0;
                if (table) table->AppendWithoutPosition(row::kPolylineStart);
                break;
            case Keyword::kSeqend:
                if (seqend_ends_chain) vertex_count = 0;
                if (table) table->AppendWithoutPosition(row::kPolylineEnd);
                break;
            case Keyword::kVertex: {
                if (i + int64_t{6} >= count) return;
                const int32_t x = x_at(i + 4);
                const int32_t y = y_at(i + 6);
                if (vertex_count == 0) {
                    canvas.MoveTo(x, y);
                    if (table) table->Append(row::kVertexFirst, x, y);
                } else {
                    canvas.LineTo(x, y);
                    if (table) table->Append(row::kVertexNext, x, y);
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
    TableAside::Lists table;
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

}  // namespace

void LoadDxf(DrawingDocument& document, const std::string& path) {
    LineList lines;
    lines.LoadFromFile(path);
    LoadDxfLines(document, lines);
}

void LoadDxfLines(DrawingDocument& document, const LineList& lines) {
    const int32_t entities = lines.IndexOf("ENTITIES");
    // The scans start one line before the section marker.
    const int32_t start = entities - 1;
    if (start < 0) throw ListIndexError(start);

    LoadedDrawing drawing = LoadAside(lines, start, document.Variant());

    // Everything loaded: from here on nothing can fail.
    document.Image1.SetWidth(drawing.width);
    document.Image1.SetHeight(drawing.height);
    document.Image1.Picture.Install(std::move(drawing.bitmap));
    if (document.Variant() == DxfVariant::Editor) {
        document.DrawWidth = drawing.width;
        document.DrawHeight = drawing.height;
        document.KindList = std::move(drawing.table.kinds);
        document.XList = std::move(drawing.table.xs);
        document.YList = std::move(drawing.table.ys);
        document.StateList = std::move(drawing.table.states);
    }
}

}  // namespace core
