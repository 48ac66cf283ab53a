#include "tools/resize_engine.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "core/failure.h"
#include "core/number_text.h"
#include "raster/resource_error.h"
#include "raster/tbitmap.h"

namespace tools {
namespace {

// The division the source positions need cannot be made with a zero side:
// 0 / 0 is an invalid operation, anything else over 0 a division by zero.
[[noreturn]] void ThrowZeroSide(int32_t old_side) {
    if (old_side == 0) throw core::InvalidFloatOperation();
    throw core::FloatDivideByZero();
}

// Source index per destination index, clamped to the old picture: for an
// enlargement to twice or more the nearest sample of the last destination
// columns lies one past the old edge, and those take the old last column
// instead of a black stripe.
std::vector<uint32_t> SourceTable(int32_t old_size, int32_t new_size) {
    std::vector<uint32_t> table;
    try {
        table.resize(static_cast<std::size_t>(new_size));
    } catch (const std::bad_alloc&) {
        throw raster::ResourceError();
    }
    const int64_t last = static_cast<int64_t>(old_size) - 1;
    for (int32_t i = 0; i < new_size; ++i) {
        table[static_cast<std::size_t>(i)] =
            static_cast<uint32_t>(std::min(SourceIndex(old_size, new_size, i), last));
    }
    return table;
}

// Fills `target` (w1 by h1, all white) from `source` by nearest sample.
void Resample(const raster::TBitmap& source, raster::TBitmap& target) {
    const int32_t w0 = source.Width();
    const int32_t h0 = source.Height();
    const int32_t w1 = target.Width();
    const int32_t h1 = target.Height();
    // An old picture without pixels has nothing to sample; the new one stays white.
    if (!source.HasPixels() || w0 <= 0 || h0 <= 0) return;

    const std::vector<uint32_t> columns = SourceTable(w0, w1);
    const std::vector<uint32_t> rows = SourceTable(h0, h1);
    const uint32_t* from = source.Data();
    uint32_t* to = target.MutableData();
    const auto w0_size = static_cast<std::size_t>(w0);
    const auto w1_size = static_cast<std::size_t>(w1);

    for (int32_t y = 0; y < h1; ++y) {
        uint32_t* out = to + static_cast<std::size_t>(y) * w1_size;
        // Enlarging repeats rows: a row with the same source as the one
        // above is a plain copy of it.
        if (y > 0 && rows[static_cast<std::size_t>(y)] == rows[static_cast<std::size_t>(y) - 1]) {
            std::memcpy(out, out - w1_size, w1_size * sizeof(uint32_t));
            continue;
        }
        const uint32_t* in =
            from + static_cast<std::size_t>(rows[static_cast<std::size_t>(y)]) * w0_size;
        for (std::size_t x = 0; x < w1_size; ++x) out[x] = in[columns[x]];
    }
}

}  // namespace

void ResizePicture(raster::TImage& image, int32_t w1, int32_t h1) {
    raster::TBitmap& old = image.Picture.Bitmap();
    const int32_t w0 = old.Width();
    const int32_t h0 = old.Height();

    // Width first, then height: a negative side or a size beyond memory
    // fails here, before anything visible has changed.
    raster::TBitmap fresh;
    fresh.SetWidth(w1);
    fresh.SetHeight(h1);

    if (w1 == 0) ThrowZeroSide(w0);
    if (h1 == 0) ThrowZeroSide(h0);

    Resample(old, fresh);

    image.SetHeight(h1);
    image.SetWidth(w1);
    image.Picture.Assign(fresh);
}

void ResizeFromEntries(raster::TImage& image, std::string_view width_text,
                       std::string_view height_text) {
    // The height entry is converted first, so with both entries bad the
    // message names the height's text.
    const int32_t h1 = core::ParseWhole(height_text);
    const int32_t w1 = core::ParseWhole(width_text);
    ResizePicture(image, w1, h1);
}

}  // namespace tools
