#pragma once
// Where the image control draws its picture, and which source pixel each
// shown pixel comes from when the picture is reduced.
#include <cstdint>
#include <vector>

namespace raster {

struct DisplaySize {
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const DisplaySize&, const DisplaySize&) = default;
};

// The size of the rectangle at the control's top-left corner that shows a
// w by h picture in a cw by ch control; Proportional only ever reduces.
[[nodiscard]] DisplaySize DisplayRect(int32_t w, int32_t h, int32_t cw, int32_t ch,
                                      bool proportional);

// For each of the `shown` destination columns (or rows), the source column
// (or row) of a `source`-wide picture: whole columns dropped, no blending.
[[nodiscard]] std::vector<int32_t> SampleIndices(int32_t source, int32_t shown);

}  // namespace raster
