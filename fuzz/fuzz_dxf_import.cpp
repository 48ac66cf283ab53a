// Loads fuzzed lines into documents of both variants that already hold a
// drawing. A load either installs exactly what the line-by-line reference
// predicts (size, table and every pixel, the viewer's polyline rule
// included) or fails with the predicted message and leaves the document as
// it was.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/drawing_document.h"
#include "core/dxf_import.h"
#include "core/failure.h"
#include "core/line_list.h"
#include "dxf_reference.h"
#include "fuzz_support.h"
#include "raster/resource_error.h"

namespace {

using fuzz_support::DocumentSnapshot;
using fuzz_support::ExpectedLoad;

// Pictures above this are not made: the run would spend its time filling
// white pixels. Sizes beyond the loader's own limit are still tried, as they
// fail before any memory is taken.
constexpr int64_t kMaxFuzzPixels = int64_t{1} << 20;

// A small drawing loaded before every try, so that "unchanged" means something.
const core::LineList& EarlierDrawing() {
    static const core::LineList lines = [] {
        core::LineList list;
        list.LoadFromBytes(
            "  0\nSECTION\n  2\nENTITIES\n  0\n"
            "LINE\n  8\n_0-0_\n  6\nCONTINUOUS\n 62\n    7\n 10\n1\n 20\n2\n 11\n6\n 21\n4\n  0\n"
            "POLYLINE\n  8\n_0-0_\n 66\n     1\n 40\n0.000000\n 41\n0.000000\n  0\n"
            "VERTEX\n  8\n_0-0_\n 10\n0\n 20\n0\n  0\n"
            "VERTEX\n  8\n_0-0_\n 10\n3\n 20\n5\n  0\n"
            "SEQEND\n  8\nA\n  0\nENDSEC\n  0\nEOF\n");
        return list;
    }();
    return lines;
}

// Returns the message of the failure, or nothing when the load went through.
std::optional<std::string> Load(core::DrawingDocument& document, const core::LineList& lines) {
    try {
        core::LoadDxfLines(document, lines);
    } catch (const core::Failure& failure) {
        return std::string(failure.what());
    } catch (const raster::ResourceError& failure) {
        return std::string(failure.what());
    }
    return std::nullopt;
}

void CheckVariant(core::DxfVariant variant, const core::LineList& lines,
                  const ExpectedLoad& expected) {
    const std::vector<uint32_t> pixels =
        expected.failure ? std::vector<uint32_t>{}
                         : fuzz_support::ExpectedPixels(lines, expected, variant);
    core::DrawingDocument document(variant);
    core::LoadDxfLines(document, EarlierDrawing());
    const DocumentSnapshot before = fuzz_support::Snapshot(document);

    const std::optional<std::string> failure = Load(document, lines);
    const DocumentSnapshot after = fuzz_support::Snapshot(document);
    if (expected.failure) {
        FUZZ_CHECK(failure.has_value());
        FUZZ_CHECK(*failure == *expected.failure);
        FUZZ_CHECK(after == before);
        return;
    }
    FUZZ_CHECK(!failure.has_value());
    FUZZ_CHECK(after.image_width == expected.width);
    FUZZ_CHECK(after.image_height == expected.height);
    FUZZ_CHECK(after.has_content);
    FUZZ_CHECK(after.picture_width == expected.width);
    FUZZ_CHECK(after.picture_height == expected.height);
    if (variant == core::DxfVariant::Editor) {
        FUZZ_CHECK(after.draw_width == expected.width);
        FUZZ_CHECK(after.draw_height == expected.height);
        FUZZ_CHECK(fuzz_support::RowsOf(document) == expected.rows);
        FUZZ_CHECK(after.states == std::vector<std::string>(expected.rows.size(), "0"));
    } else {
        // The viewer keeps no table and no drawing size.
        FUZZ_CHECK(after.draw_width == before.draw_width);
        FUZZ_CHECK(after.draw_height == before.draw_height);
        FUZZ_CHECK(after.kinds == before.kinds && after.xs == before.xs && after.ys == before.ys &&
                   after.states == before.states);
    }
    FUZZ_CHECK(after.pixels == pixels);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses whether the section marker is put in front.
    std::string text;
    if ((data[0] & 1) != 0) text = fuzz_support::kEntitiesHeader;
    text.append(reinterpret_cast<const char*>(data + 1), size - 1);
    core::LineList lines;
    lines.LoadFromBytes(text);

    ExpectedLoad expected = fuzz_support::ExpectedExtents(lines);
    if (!expected.failure && expected.width * expected.height > kMaxFuzzPixels) return 0;
    fuzz_support::ExpectRows(lines, expected);

    CheckVariant(core::DxfVariant::Editor, lines, expected);
    CheckVariant(core::DxfVariant::Viewer, lines, expected);
    return 0;
}
