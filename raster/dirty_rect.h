#pragma once
#include <cstdint>

namespace raster {

// The part of a bitmap changed since the last TakeDirty, for merged repaints.
// After a size change or a new content it covers both the old and the new
// extent, so it may reach beyond the current size: clip before reading pixels.
struct DirtyRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    [[nodiscard]] bool Empty() const { return right <= left || bottom <= top; }
};

}  // namespace raster
