// The one-pass load against the plain line-by-line load on the same bytes:
// the same failure message, or the same picture, size and table, in both
// variants. Some runs put many long lines in front of the fuzzed part, so
// that tiles and blocks fill up and lines pass over them.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "core/drawing_document.h"
#include "core/dxf_import.h"
#include "core/line_list.h"
#include "dxf_reference.h"
#include "fuzz_support.h"

namespace {

struct Outcome {
    std::optional<std::string> failure;
    fuzz_support::DocumentSnapshot document;
};

Outcome Load(core::DxfVariant variant, const std::string& bytes, bool fast) {
    core::DrawingDocument document(variant);
    Outcome outcome;
    try {
        if (fast) {
            core::LoadDxfBytes(document, bytes);
        } else {
            core::LineList lines;
            lines.LoadFromBytes(bytes);
            core::LoadDxfLines(document, lines);
        }
    } catch (const std::exception& failure) {
        outcome.failure = failure.what();
    }
    outcome.document = fuzz_support::Snapshot(document);
    return outcome;
}

// Pictures above this are not compared: the run would spend its time on white.
constexpr int64_t kMaxFuzzPixels = int64_t{1} << 18;

// Appends `count` long lines between points picked from the bytes.
void AppendLines(std::string& text, const uint8_t* data, std::size_t size, int count) {
    for (int n = 0; n < count && size >= 4; ++n) {
        const std::size_t at = static_cast<std::size_t>(n) * 4 % (size - 3);
        text += "LINE\n\n\n\n\n\n\n\n 10\n" + std::to_string(data[at] * 2) + "\n 20\n" +
                std::to_string(data[at + 1]) + "\n 11\n" + std::to_string(data[at + 2] * 2) +
                "\n 21\n" + std::to_string(data[at + 3]) + "\n";
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string text;
    if ((data[0] & 1) != 0) text = fuzz_support::kEntitiesHeader;
    // With bits 1 to 3 set the picture fills with long lines first.
    if ((data[0] & 14) == 14) AppendLines(text, data + 1, size - 1, 1000);
    text.append(reinterpret_cast<const char*>(data + 1), size - 1);

    core::LineList lines;
    lines.LoadFromBytes(text);
    const fuzz_support::ExpectedLoad expected = fuzz_support::ExpectedExtents(lines);
    if (!expected.failure && expected.width * expected.height > kMaxFuzzPixels) return 0;
    for (const core::DxfVariant variant : {core::DxfVariant::Editor, core::DxfVariant::Viewer}) {
        const Outcome plain = Load(variant, text, false);
        const Outcome fast = Load(variant, text, true);
        FUZZ_CHECK(fast.failure == plain.failure);
        FUZZ_CHECK(fast.document == plain.document);
    }
    return 0;
}
