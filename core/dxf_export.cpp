#include "core/dxf_export.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/executable_dir.h"
#include "core/failure.h"
#include "core/number_text.h"

namespace core {
namespace {

constexpr std::string_view kLayer = "_0-0_";
constexpr std::string_view kSeqendLayer = "A";
constexpr std::string_view kColour = "    7";
constexpr std::string_view kVerticesFollow = "     1";
constexpr std::string_view kZeroWidth = "0.000000";
constexpr std::string_view kLineType = "CONTINUOUS";
constexpr std::string_view kNextEntity = "  0";

bool IsVertex(RowKind kind) { return kind == RowKind::VertexFirst || kind == RowKind::VertexNext; }

// For every "PS" and "PE" row, whether it must be written even though it is
// deleted: a live vertex written without its POLYLINE would load back as part
// of whatever chain came before it, changing the drawing. A polyline is the
// "PS" row and the rows up to its "PE" (or up to the next "PS").
std::vector<bool> MarkersOfLivePolylines(const DrawingDocument& document) {
    const int32_t rows = document.RowCount();
    std::vector<bool> keep(static_cast<std::size_t>(rows), false);
    int32_t open = -1;  // the "PS" row of the polyline being scanned
    bool has_live_vertex = false;
    for (int32_t i = 0; i < rows; ++i) {
        const Row& row = document.Rows[static_cast<std::size_t>(i)];
        if (row.kind == RowKind::PolylineStart) {
            if (open >= 0 && has_live_vertex) keep[open] = true;
            open = i;
            has_live_vertex = false;
        } else if (row.kind == RowKind::PolylineEnd) {
            if (open >= 0 && has_live_vertex) keep[open] = keep[i] = true;
            open = -1;
        } else if (open >= 0 && IsVertex(row.kind) && row.state != RowState::Deleted) {
            has_live_vertex = true;
        }
    }
    if (open >= 0 && has_live_vertex) keep[open] = true;
    return keep;
}

class EntityWriter {
  public:
    EntityWriter(const DrawingDocument& document, LineList& out) : document_(document), out_(out) {}

    void WriteRow(int32_t i) {
        const RowKind kind = document_.Rows[static_cast<std::size_t>(i)].kind;
        if (kind == RowKind::Point) {
            Put({"POINT", "  8", kLayer, " 62", kColour});
            PutPosition(" 10", " 20", i);
            out_.Append(kNextEntity);
        } else if (kind == RowKind::LineStart) {
            Put({"LINE", "  8", kLayer, "  6", kLineType, " 62", kColour});
            PutPosition(" 10", " 20", i);
            // The end point is the next row's, whatever that row's state.
            PutPosition(" 11", " 21", i + 1);
            out_.Append(kNextEntity);
        } else if (kind == RowKind::PolylineStart) {
            Put({"POLYLINE", "  8", kLayer, " 66", kVerticesFollow, " 40", kZeroWidth, " 41",
                 kZeroWidth, kNextEntity});
        } else if (IsVertex(kind)) {
            Put({"VERTEX", "  8", kLayer});
            PutPosition(" 10", " 20", i);
            out_.Append(kNextEntity);
        } else if (kind == RowKind::PolylineEnd) {
            Put({"SEQEND", "  8", kSeqendLayer, kNextEntity});
        }
        // "LE" was written with its "LS".
    }

  private:
    void Put(std::initializer_list<std::string_view> lines) {
        for (const std::string_view line : lines) out_.Append(line);
    }

    // X as stored; Y turned back into a file coordinate.
    void PutPosition(std::string_view x_code, std::string_view y_code, int32_t i) {
        // The end point of a line in the last row fails as reading past the table would.
        if (i < 0 || i >= document_.RowCount()) throw ListIndexError(i);
        const Row& row = document_.Rows[static_cast<std::size_t>(i)];
        out_.Append(x_code);
        out_.Append(WholeText(row.x));
        const int32_t y = CheckedWhole(int64_t{document_.DrawHeight} - row.y);
        out_.Append(y_code);
        out_.Append(WholeText(y));
    }

    const DrawingDocument& document_;
    LineList& out_;
};

void AppendEntityLines(const DrawingDocument& document, LineList& out) {
    const int32_t rows = document.RowCount();
    const std::vector<bool> live_polyline_marker = MarkersOfLivePolylines(document);
    EntityWriter writer(document, out);
    for (int32_t i = 0; i < rows; ++i) {
        if (document.Rows[static_cast<std::size_t>(i)].state == RowState::Deleted &&
            !live_polyline_marker[static_cast<std::size_t>(i)]) {
            continue;
        }
        writer.WriteRow(i);
    }
    out.Append("ENDSEC");
    out.Append(kNextEntity);
    out.Append("EOF");
}

}  // namespace

std::string HeaderTemplatePath() { return ExecutableDir() + "/Header.dat"; }

void SaveDxf(const DrawingDocument& document, const std::string& path) {
    SaveDxf(document, path, HeaderTemplatePath());
}

void SaveDxf(const DrawingDocument& document, const std::string& path,
             const std::string& header_path) {
    LineList file;
    file.LoadFromFile(header_path);
    const auto rows = static_cast<std::size_t>(document.RowCount());
    // At most ten lines per row, most of them a few bytes long.
    file.Reserve(static_cast<std::size_t>(file.Count()) + rows * 10 + 3, rows * 48);
    AppendEntityLines(document, file);
    // Nothing is written before every line is ready, so a failure leaves the
    // old file alone.
    file.SaveToFile(path);
}

LineList DxfEntityLines(const DrawingDocument& document) {
    LineList lines;
    AppendEntityLines(document, lines);
    return lines;
}

}  // namespace core
