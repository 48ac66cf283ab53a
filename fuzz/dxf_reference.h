#pragma once
// What a DXF load must give, worked out line by line in the plainest way:
// the loader's caches, keyword index, number conversion, line drawing and
// table built aside are checked against this. Nothing here calls the
// conversions or the canvas under test.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
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

inline constexpr uint32_t kWhite = 0xFFFFFFu;
inline constexpr uint32_t kBlack = 0u;

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

inline bool Digit(char c) { return c >= '0' && c <= '9'; }

// The text a whole value of 10^18 or more is written as: 15 significant
// digits, halves away from zero, trailing zeros dropped, "E" and the exponent.
inline std::string ExponentForm(double value) {
    char buffer[64];
    // "d.ddddddddddddddddde+XXX": the first 18 significant digits.
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                       std::chars_format::scientific, 17);
    const std::string text(buffer, written.ptr);
    std::string digits = text.substr(0, 1) + text.substr(2, 17);
    int exponent = std::stoi(text.substr(text.find('e') + 1));
    std::string kept = digits.substr(0, 15);
    if (digits[15] >= '5') {
        int k = 14;
        while (k >= 0 && kept[static_cast<std::size_t>(k)] == '9')
            kept[static_cast<std::size_t>(k--)] = '0';
        if (k >= 0) {
            ++kept[static_cast<std::size_t>(k)];
        } else {
            kept = "1" + kept.substr(0, 14);
            ++exponent;
        }
    }
    while (kept.size() > 1 && kept.back() == '0') kept.pop_back();
    std::string form = value < 0 ? "-" : "";
    form += kept.substr(0, 1);
    if (kept.size() > 1) form += "." + kept.substr(1);
    return form + "E" + std::to_string(exponent);
}

// A DXF coordinate: the decimal text read in extended precision, narrowed to
// double, rounded to a whole number with halves away from zero, and checked
// against 32 bits.
inline int32_t ReferenceNumText(std::string_view text) {
    const auto invalid = [&] { return Predicted{core::NotARealNumber(text).what()}; };
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    const bool negative = i < n && text[i] == '-';
    if (i < n && (text[i] == '-' || text[i] == '+')) ++i;
    std::string whole;
    std::string fraction;
    while (i < n && Digit(text[i])) whole += text[i++];
    const bool point = i < n && text[i] == '.';
    if (point) {
        ++i;
        while (i < n && Digit(text[i])) fraction += text[i++];
    }
    if (whole.empty() && !point) throw invalid();
    long exponent = 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool minus = i < n && text[i] == '-';
        if (i < n && (text[i] == '-' || text[i] == '+')) ++i;
        while (i < n && Digit(text[i]) && exponent < 500)
            exponent = exponent * 10 + (text[i++] - '0');
        if (i < n && Digit(text[i])) throw invalid();
        if (minus) exponent = -exponent;
    }
    while (i < n && text[i] == ' ') ++i;
    if (i != n) throw invalid();

    // Where the first significant digit stands, to tell overflow from underflow.
    const std::string digits = whole + fraction;
    const std::size_t first = digits.find_first_not_of('0');
    double value = 0;
    if (first != std::string::npos) {
        const std::string plain = (negative ? "-" : "") + (whole.empty() ? "0" : whole) + "." +
                                  fraction + "e" + std::to_string(exponent);
        long double extended = 0;
        const auto read = std::from_chars(plain.data(), plain.data() + plain.size(), extended);
        if (read.ec == std::errc::result_out_of_range) {
            const long magnitude =
                static_cast<long>(whole.size()) - static_cast<long>(first) + exponent;
            if (magnitude > 0) throw invalid();
            extended = 0;  // too small to matter
        } else if (read.ec != std::errc() || read.ptr != plain.data() + plain.size()) {
            throw std::logic_error("reference number text rejected: " + plain);
        }
        if (std::fabs(extended) > std::numeric_limits<double>::max()) {
            // Beyond the largest double even after rounding to the nearest one.
            const double narrowed = static_cast<double>(extended);
            if (std::isinf(narrowed)) throw Predicted{core::FloatOverflow().what()};
        }
        value = static_cast<double>(extended);
    }
    if (std::fabs(value) >= 1e18)
        throw Predicted{core::NotAWholeNumber(ExponentForm(value)).what()};
    const long long rounded = std::llround(value);
    if (rounded < std::numeric_limits<int32_t>::min() ||
        rounded > std::numeric_limits<int32_t>::max()) {
        throw Predicted{core::NotAWholeNumber(std::to_string(rounded)).what()};
    }
    return static_cast<int32_t>(rounded);
}

inline int32_t Coordinate(const core::LineList& lines, int64_t index) {
    return ReferenceNumText(lines.Read(index));
}

// A position outside the 32-bit range fails the way its text would.
inline int32_t Whole(int64_t value) {
    if (value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        throw Predicted{core::NotAWholeNumber(std::to_string(value)).what()};
    }
    return static_cast<int32_t>(value);
}

// A white picture with a pen, painted by the line rule taken literally: the
// pixel of step i along the major axis lies round(i * minor / major) minor
// units off, halves towards the start; the end pixel is left out.
class ReferenceCanvas {
  public:
    ReferenceCanvas(int64_t width, int64_t height)
        : width_(width),
          height_(height),
          pixels_(static_cast<std::size_t>(width * height), kWhite) {}

    void MoveTo(int64_t x, int64_t y) {
        x_ = x;
        y_ = y;
    }

    void LineTo(int64_t x, int64_t y) {
        const int64_t dx = x - x_;
        const int64_t dy = y - y_;
        const bool x_major = std::llabs(dx) >= std::llabs(dy);
        const int64_t major_delta = x_major ? dx : dy;
        const int64_t minor_delta = x_major ? dy : dx;
        const int64_t major_start = x_major ? x_ : y_;
        const int64_t minor_start = x_major ? y_ : x_;
        const int64_t major_size = x_major ? width_ : height_;
        const int64_t minor_size = x_major ? height_ : width_;
        const __int128 b = std::llabs(major_delta);
        const __int128 a = std::llabs(minor_delta);
        const int64_t major_sign = major_delta < 0 ? -1 : 1;
        const int64_t minor_sign = minor_delta < 0 ? -1 : 1;
        // Only the steps whose major coordinate is inside can paint.
        int64_t first = major_sign > 0 ? -major_start : major_start - (major_size - 1);
        int64_t last = major_sign > 0 ? major_size - 1 - major_start : major_start;
        first = std::max<int64_t>(first, 0);
        last = std::min<int64_t>(last, static_cast<int64_t>(b) - 1);
        for (int64_t i = first; i <= last; ++i) {
            const int64_t off = static_cast<int64_t>((2 * i * a + b - 1) / (2 * b));
            const int64_t major = major_start + major_sign * i;
            const int64_t minor = minor_start + minor_sign * off;
            if (minor < 0 || minor >= minor_size) continue;
            const int64_t px = x_major ? major : minor;
            const int64_t py = x_major ? minor : major;
            pixels_[static_cast<std::size_t>(py * width_ + px)] = kBlack;
        }
        x_ = x;
        y_ = y;
    }

    const std::vector<uint32_t>& Pixels() const { return pixels_; }

  private:
    int64_t width_;
    int64_t height_;
    std::vector<uint32_t> pixels_;
    int64_t x_ = 0;
    int64_t y_ = 0;
};

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

namespace detail {

// The drawing pass on top of ExpectedExtents: rows go to `rows` (the editor
// keeps them), lines to `canvas`. The viewer starts a new chain only at a
// POLYLINE, so a VERTEX after a SEQEND continues the last one.
inline void DrawingPass(const core::LineList& lines, ExpectedLoad& expected, bool viewer,
                        std::vector<ExpectedRow>& rows, ReferenceCanvas* canvas) {
    const int64_t count = lines.Count();
    const int64_t h = expected.height;
    int vertices = 0;
    auto row = [&](std::string_view kind, int64_t x, int64_t y) {
        rows.push_back({std::string(kind), std::to_string(x), std::to_string(y)});
    };
    auto move = [&](int64_t x, int64_t y) {
        if (canvas != nullptr) canvas->MoveTo(x, y);
    };
    auto line = [&](int64_t x, int64_t y) {
        if (canvas != nullptr) canvas->LineTo(x, y);
    };
    for (int64_t i = expected.start; i < count; ++i) {
        const std::string_view keyword = lines.Read(i);
        if (keyword == "POINT") {
            if (i + 8 >= count) break;
            const int32_t x = Coordinate(lines, i + 6);
            const int32_t y = Whole(h - Coordinate(lines, i + 8));
            move(x, y);
            line(x, y);
            row(core::row::kPoint, x, y);
        } else if (keyword == "LINE") {
            if (i + 14 >= count) break;
            const int32_t x1 = Coordinate(lines, i + 8);
            const int32_t y1 = Whole(h - Coordinate(lines, i + 10));
            const int32_t x2 = Coordinate(lines, i + 12);
            const int32_t y2 = Whole(h - Coordinate(lines, i + 14));
            move(x1, y1);
            line(x2, y2);
            row(core::row::kLineStart, x1, y1);
            row(core::row::kLineEnd, x2, y2);
        } else if (keyword == "POLYLINE") {
            vertices = 0;
            row(core::row::kPolylineStart, 0, 0);
        } else if (keyword == "SEQEND") {
            if (!viewer) vertices = 0;
            row(core::row::kPolylineEnd, 0, 0);
        } else if (keyword == "VERTEX") {
            if (i + 6 >= count) break;
            const int32_t x = Coordinate(lines, i + 4);
            const int32_t y = Whole(h - Coordinate(lines, i + 6));
            if (vertices == 0) {
                move(x, y);
            } else {
                line(x, y);
            }
            row(vertices == 0 ? core::row::kVertexFirst : core::row::kVertexNext, x, y);
            ++vertices;
        }
    }
}

}  // namespace detail

// The editor's table on top of ExpectedExtents, or the failure of the first
// entity that cannot be converted.
inline void ExpectRows(const core::LineList& lines, ExpectedLoad& expected) {
    if (expected.failure) return;
    try {
        detail::DrawingPass(lines, expected, false, expected.rows, nullptr);
    } catch (const detail::Predicted& predicted) {
        expected.failure = predicted.message;
        expected.rows.clear();
    }
}

// The picture a load that goes through paints, row by row from the top.
inline std::vector<uint32_t> ExpectedPixels(const core::LineList& lines, ExpectedLoad expected,
                                            core::DxfVariant variant) {
    detail::ReferenceCanvas canvas(expected.width, expected.height);
    std::vector<ExpectedRow> rows;
    detail::DrawingPass(lines, expected, variant == core::DxfVariant::Viewer, rows, &canvas);
    return canvas.Pixels();
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
