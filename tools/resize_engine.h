#pragma once
// Resampling the drawing window's picture to a new size by nearest sample.
#include <cstdint>
#include <string_view>

#include "raster/timage.h"

namespace tools {

// The source column for destination column x when w0 columns become w1:
// the nearest whole number to w0 * x / w1, exact halves rounding up.
[[nodiscard]] constexpr int64_t SourceIndex(int64_t w0, int64_t w1, int64_t x) {
    return (2 * w0 * x + w1) / (2 * w1);
}

// Resizes the picture of `image` to w1 by h1 and gives the control that size.
// The picture is replaced only at the end; any failure changes nothing.
void ResizePicture(raster::TImage& image, int32_t w1, int32_t h1);

// The resize command of the dialog: the height entry is converted first,
// then the width, then ResizePicture.
void ResizeFromEntries(raster::TImage& image, std::string_view width_text,
                       std::string_view height_text);

}  // namespace tools
