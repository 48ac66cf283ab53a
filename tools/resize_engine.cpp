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

// The source index of destination index 0, 1, 2, ... in turn, clamped to
// the old picture: for an enlargement to twice or more the nearest sample of
// the last destination columns lies one past the old edge, and those take the
// old last column instead of a black stripe. Stepping keeps the division of
// SourceIndex exact without a table as large as the new picture.
class SourceSteps {
  public:
    SourceSteps(int64_t old_size, int64_t new_size)
        : last_(old_size - 1),
          denominator_(2 * new_size),
          step_(2 * old_size / denominator_),
          step_rest_(2 * old_size % denominator_),
          rest_(new_size) {}

    [[nodiscard]] std::size_t Index() const {
        return static_cast<std::size_t>(std::min(index_, last_));
    }
    void Next() {
        index_ += step_;
        rest_ += step_rest_;
        if (rest_ >= denominator_) {
            rest_ -= denominator_;
            ++index_;
        }
    }

  private:
    int64_t last_;
    int64_t denominator_;
    int64_t step_;
    int64_t step_rest_;
    int64_t index_ = 0;
    int64_t rest_;  // numerator 2 * old * i + new, modulo the denominator
};

// Up to this many columns the source columns are looked up in a table; wider
// rows step through them instead, so memory stays bounded by the picture.
constexpr int32_t kColumnTableLimit = 1 << 16;

std::vector<uint32_t> ColumnTable(int32_t old_size, int32_t new_size) {
    std::vector<uint32_t> table;
    try {
        table.resize(static_cast<std::size_t>(new_size));
    } catch (const std::bad_alloc&) {
        throw raster::ResourceError();
    }
    SourceSteps steps(old_size, new_size);
    for (uint32_t& index : table) {
        index = static_cast<uint32_t>(steps.Index());
        steps.Next();
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

    const bool table_columns = w1 <= kColumnTableLimit;
    const std::vector<uint32_t> columns =
        table_columns ? ColumnTable(w0, w1) : std::vector<uint32_t>{};
    const uint32_t* from = source.Data();
    uint32_t* to = target.MutableData();
    const auto w0_size = static_cast<std::size_t>(w0);
    const auto w1_size = static_cast<std::size_t>(w1);

    SourceSteps rows(h0, h1);
    std::size_t previous_row = 0;
    for (int32_t y = 0; y < h1; ++y, rows.Next()) {
        uint32_t* out = to + static_cast<std::size_t>(y) * w1_size;
        const std::size_t row = rows.Index();
        // Enlarging repeats rows: a row with the same source as the one
        // above is a plain copy of it.
        if (y > 0 && row == previous_row) {
            std::memcpy(out, out - w1_size, w1_size * sizeof(uint32_t));
            continue;
        }
        previous_row = row;
        const uint32_t* in = from + row * w0_size;
        if (table_columns) {
            for (std::size_t x = 0; x < w1_size; ++x) out[x] = in[columns[x]];
            continue;
        }
        SourceSteps column(w0, w1);
        for (std::size_t x = 0; x < w1_size; ++x, column.Next()) out[x] = in[column.Index()];
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
