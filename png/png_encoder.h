#pragma once
// The PNG file of a picture, in the smallest of three pixel layouts that
// holds every pixel exactly: 1-bit grey for black and white only, 8-bit grey
// when every pixel is grey, 8-bit RGB otherwise.
#include <functional>
#include <string_view>

#include "raster/tbitmap.h"

namespace png {

enum class PngLayout { BlackAndWhite, Grey, Colour };

[[nodiscard]] PngLayout PngLayoutOf(const raster::TBitmap& bitmap);

// The whole file handed to `write` as it is compressed, a row at a time, so
// that neither the file nor a copy of the pixels is ever held whole. Nothing
// at all for a bitmap without pixels (the file ends up empty, as a bitmap
// file would). Throws ResourceError when memory cannot be had; a failure of
// `write` ends the encoding and passes on as it is.
void EncodePngPieces(const raster::TBitmap& bitmap,
                     const std::function<void(std::string_view)>& write);

}  // namespace png
