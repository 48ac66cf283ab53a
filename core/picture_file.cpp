#include "core/picture_file.h"

#include <functional>
#include <string_view>

#include "core/file_save.h"
#include "raster/bmp_encoder.h"

namespace core {

void SavePictureToFile(const raster::TPicture& picture, const std::string& path) {
    // A picture that never had content writes nothing, not even an empty file.
    const raster::TBitmap* bitmap = picture.Content();
    if (bitmap == nullptr) return;
    // Without pixels the encoder gives no bytes, and the file ends up empty.
    // The rows go to the file a piece at a time: a large picture's file is
    // never held whole in memory.
    SaveStreamAtomically(path, [bitmap](const std::function<void(std::string_view)>& write) {
        raster::EncodeBmpPieces(*bitmap, write);
    });
}

}  // namespace core
