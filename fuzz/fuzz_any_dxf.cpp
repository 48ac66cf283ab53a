// The reader for DXF as CAD programs write it, on any bytes: it either fails
// with a message and leaves the document alone, or gives rows inside the
// picture, a picture that is what the rows draw, and the same picture in
// both variants. The first byte picks a prefix (none, the start of a text
// entities section, the binary sentinel) and a small picture to fit, so
// that each run stays short; -rss_limit_mb and -timeout catch the rest.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "core/drawing_document.h"
#include "core/row_drawing.h"
#include "dxf/any_dxf.h"
#include "fuzz_support.h"

namespace {

struct Outcome {
    std::optional<std::string> failure;
    fuzz_support::DocumentSnapshot document;
};

Outcome Load(core::DxfVariant variant, const std::string& bytes, const dxf::ScaleRequest& scale) {
    core::DrawingDocument document(variant);
    const fuzz_support::DocumentSnapshot before = fuzz_support::Snapshot(document);
    Outcome outcome;
    try {
        dxf::LoadAnyDxfBytes(document, bytes, scale);
    } catch (const std::exception& failure) {
        outcome.failure = failure.what();
        FUZZ_CHECK(fuzz_support::Snapshot(document) == before);
    }
    outcome.document = fuzz_support::Snapshot(document);
    if (!outcome.failure && variant == core::DxfVariant::Editor) {
        for (const core::Row& row : document.Rows) {
            if (row.kind == core::RowKind::PolylineStart ||
                row.kind == core::RowKind::PolylineEnd) {
                continue;
            }
            FUZZ_CHECK(row.x >= 0 && row.x < document.DrawWidth);
            FUZZ_CHECK(row.y >= 1 && row.y < document.DrawHeight);
        }
        const auto drawn = core::DrawRows(document.Rows, document.DrawWidth, document.DrawHeight,
                                          core::DxfVariant::Editor);
        FUZZ_CHECK(fuzz_support::PixelsOf(*drawn) == outcome.document.pixels);
    }
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string bytes;
    switch (data[0] & 3) {
        case 1:
            bytes = "0\nSECTION\n2\nENTITIES\n";
            break;
        case 2:
            bytes.assign("AutoCAD Binary DXF\r\n\x1a\0", 22);
            break;
        default:
            break;
    }
    bytes.append(reinterpret_cast<const char*>(data + 1), size - 1);
    // Always fitted into a small picture: a fixed scale may ask for a gigabyte
    // of pixels legitimately, which would only slow the run.
    const dxf::ScaleRequest scale{dxf::ScaleRequest::Mode::Fit, 1.0, (data[0] >> 2) & 63,
                                  (data[0] >> 4) + 1};
    const Outcome editor = Load(core::DxfVariant::Editor, bytes, scale);
    const Outcome viewer = Load(core::DxfVariant::Viewer, bytes, scale);
    FUZZ_CHECK(editor.failure == viewer.failure);
    FUZZ_CHECK(editor.document.pixels == viewer.document.pixels);
    return 0;
}
