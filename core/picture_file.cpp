#include "core/picture_file.h"

#include "core/file_save.h"
#include "raster/bmp_encoder.h"

namespace core {

void SavePictureToFile(const raster::TPicture& picture, const std::string& path) {
    // A picture that never had content writes nothing, not even an empty file.
    const raster::TBitmap* bitmap = picture.Content();
    if (bitmap == nullptr) return;
    // Without pixels the encoder gives no bytes, and the file ends up empty.
    SaveBytesAtomically(path, raster::EncodeBmp(*bitmap));
}

}  // namespace core
