#include "raster/display_rect.h"

#include <cmath>
#include <limits>

namespace raster {

namespace {

// trunc to a whole number; a negative control side can push the quotient past
// the 32-bit range, where a plain conversion would be undefined.
int32_t Trunc(double value) {
    constexpr double kMin = std::numeric_limits<int32_t>::min();
    constexpr double kMax = std::numeric_limits<int32_t>::max();
    if (std::isnan(value)) return 0;
    if (value <= kMin) return std::numeric_limits<int32_t>::min();
    if (value >= kMax) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::trunc(value));
}

}  // namespace

DisplaySize DisplayRect(int32_t w, int32_t h, int32_t cw, int32_t ch, bool proportional) {
    if (!proportional || !(w > cw || h > ch) || w <= 0 || h <= 0) return {w, h};
    const double r = static_cast<double>(w) / static_cast<double>(h);
    int32_t dw = 0;
    int32_t dh = 0;
    if (w > h) {
        dw = cw;
        dh = Trunc(cw / r);
        if (dh > ch) {
            dh = ch;
            dw = Trunc(ch * r);
        }
    } else {
        dh = ch;
        dw = Trunc(ch * r);
        if (dw > cw) {
            dw = cw;
            dh = Trunc(cw / r);
        }
    }
    return {dw, dh};
}

std::vector<int32_t> SampleIndices(int32_t source, int32_t shown) {
    std::vector<int32_t> indices;
    if (source <= 0 || shown <= 0) return indices;
    indices.resize(static_cast<std::size_t>(shown));
    for (int64_t d = 0; d < shown; ++d) {
        indices[static_cast<std::size_t>(d)] = static_cast<int32_t>(d * source / shown);
    }
    return indices;
}

}  // namespace raster
