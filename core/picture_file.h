#pragma once
#include <string>

#include "raster/tpicture.h"

namespace core {

// Saves the picture as a bitmap file. Without content nothing is written at
// all; a bitmap without pixels gives a 0-byte file. The old file is replaced
// only once the new one is complete.
void SavePictureToFile(const raster::TPicture& picture, const std::string& path);

}  // namespace core
