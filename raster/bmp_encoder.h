#pragma once
// The Windows bitmap file of a picture: 24 bits per pixel, uncompressed,
// bottom-up rows padded to four bytes.
#include <functional>
#include <string>
#include <string_view>

#include "raster/tbitmap.h"

namespace raster {

// The whole file. Empty for a bitmap without pixels (such a save writes a
// 0-byte file). Throws ResourceError when the bytes cannot be allocated.
[[nodiscard]] std::string EncodeBmp(const TBitmap& bitmap);
// The same file handed to `write` in pieces of a few rows, so that a large
// picture is never held twice.
void EncodeBmpPieces(const TBitmap& bitmap, const std::function<void(std::string_view)>& write);

}  // namespace raster
