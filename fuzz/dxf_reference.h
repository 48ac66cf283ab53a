#pragma once
// What a DXF load must give, worked out line by line in the plainest way:
// the loader's caches, keyword index and table built aside are checked
// against this.
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/drawing_document.h"
#include "core/failure.h"
#include "core/line_list.h"
#include "core/number_text.h"
#include "raster/resource_error.h"

namespace fuzz_support {

// Lines that put the section marker two lines in, so that fuzzed bytes
// appended to them are read as entities.
inline constexpr std::string_view kEntitiesHeader = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\n";

struct ExpectedRow {
    std::string kind, x, y;
    bool operator==(const ExpectedRow&) const = default;
};

struct ExpectedLoad {
    std::optional<std::string> failure;  // the message when the load must fail
    int32_t start = 0;                   // first scanned line
    int64_t width = 0;
    int64_t height = 0;
    std::vector<ExpectedRow> rows;  // the editor's table
};

namespace detail {

inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// A failure the reference predicts, carried to the top of the walk.
struct Predicted {
    std::string message;
};

inline int32_t Coordinate(const core::LineList& lines, int64_t index) {
    try {
        return core::NumText(lines.Read(index));
    } catch (const core::Failure& failure) {
        throw Predicted{failure.what()};
    }
}

// A position outside the 32-bit range fails the way its text would.
inline int32_t Whole(int64_t value) {
    if (value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        throw Predicted{core::NotAWholeNumber(core::WholeText(value)).what()};
    }
    return static_cast<int32_t>(value);
}

}  // namespace detail

// The extents pass: where the scan starts and the picture's size.
inline ExpectedLoad ExpectedExtents(const core::LineList& lines) {
    ExpectedLoad expected;
    const int32_t count = lines.Count();
    int32_t entities = -1;
    for (int32_t i = 0; i < count; ++i) {
        if (detail::EqualIgnoringAsciiCase(lines.Read(i), "ENTITIES")) {
            entities = i;
            break;
        }
    }
    expected.start = entities - 1;
    if (expected.start < 0) {
        expected.failure = core::ListIndexError(expected.start).what();
        return expected;
    }
    try {
        int64_t max_x = 0;
        int64_t max_y = 0;
        for (int32_t k = expected.start; k < count; ++k) {
            const std::string_view line = lines.Read(k);
            const bool x = line == " 10" || line == " 11";
            const bool y = line == " 20" || line == " 21";
            if (!x && !y) continue;
            if (k + 1 >= count) throw detail::Predicted{core::ListIndexError(count).what()};
            const int64_t value = detail::Coordinate(lines, k + 1);
            int64_t& max = x ? max_x : max_y;
            if (value > max) max = value;
        }
        expected.width = detail::Whole(max_x + 1);
        expected.height = detail::Whole(max_y + 1);
        if (expected.width * expected.height > raster::kMaxPixels) {
            expected.failure = raster::ResourceError().what();
        }
    } catch (const detail::Predicted& predicted) {
        expected.failure = predicted.message;
    }
    return expected;
}

// The drawing pass of the editor on top of ExpectedExtents: the table rows,
// or the failure of the first entity that cannot be converted.
inline void ExpectRows(const core::LineList& lines, ExpectedLoad& expected) {
    if (expected.failure) return;
    const int64_t count = lines.Count();
    const int64_t h = expected.height;
    int vertices = 0;
    auto row = [&](std::string_view kind, int64_t x, int64_t y) {
        expected.rows.push_back({std::string(kind), core::WholeText(x), core::WholeText(y)});
    };
    try {
        for (int64_t i = expected.start; i < count; ++i) {
            const std::string_view line = lines.Read(i);
            if (line == "POINT") {
                if (i + 8 >= count) break;
                const int32_t x = detail::Coordinate(lines, i + 6);
                const int32_t y = detail::Whole(h - detail::Coordinate(lines, i + 8));
                row(core::row::kPoint, x, y);
            } else if (line == "LINE") {
                if (i + 14 >= count) break;
                const int32_t x1 = detail::Coordinate(lines, i + 8);
                const int32_t y1 = detail::Whole(h - detail::Coordinate(lines, i + 10));
                const int32_t x2 = detail::Coordinate(lines, i + 12);
                const int32_t y2 = detail::Whole(h - detail::Coordinate(lines, i + 14));
                row(core::row::kLineStart, x1, y1);
                row(core::row::kLineEnd, x2, y2);
            } else if (line == "POLYLINE") {
                vertices = 0;
                row(core::row::kPolylineStart, 0, 0);
            } else if (line == "SEQEND") {
                vertices = 0;
                row(core::row::kPolylineEnd, 0, 0);
            } else if (line == "VERTEX") {
                if (i + 6 >= count) break;
                const int32_t x = detail::Coordinate(lines, i + 4);
                const int32_t y = detail::Whole(h - detail::Coordinate(lines, i + 6));
                row(vertices == 0 ? core::row::kVertexFirst : core::row::kVertexNext, x, y);
                ++vertices;
            }
        }
    } catch (const detail::Predicted& predicted) {
        expected.failure = predicted.message;
        expected.rows.clear();
    }
}

inline std::vector<ExpectedRow> RowsOf(const core::DrawingDocument& document) {
    std::vector<ExpectedRow> rows;
    for (int32_t i = 0; i < document.RowCount(); ++i) {
        rows.push_back({std::string(document.KindList.Read(i)), std::string(document.XList.Read(i)),
                        std::string(document.YList.Read(i))});
    }
    return rows;
}

}  // namespace fuzz_support
