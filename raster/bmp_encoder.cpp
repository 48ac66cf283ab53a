#include "raster/bmp_encoder.h"

#include <cstddef>
#include <new>

#include "raster/resource_error.h"

namespace raster {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kPixelOffset = kFileHeaderSize + kInfoHeaderSize;

void Put16(char* at, uint32_t value) {
    at[0] = static_cast<char>(value & 0xFF);
    at[1] = static_cast<char>((value >> 8) & 0xFF);
}

void Put32(char* at, uint32_t value) {
    Put16(at, value & 0xFFFF);
    Put16(at + 2, value >> 16);
}

}  // namespace

std::string EncodeBmp(const TBitmap& bitmap) {
    const uint32_t* pixels = bitmap.Data();
    if (!pixels) return {};
    const std::size_t width = static_cast<std::size_t>(bitmap.Width());
    const std::size_t height = static_cast<std::size_t>(bitmap.Height());
    const std::size_t stride = (width * 24 + 31) / 32 * 4;
    const std::size_t image_size = stride * height;
    const std::size_t file_size = kPixelOffset + image_size;

    std::string file;
    try {
        file.assign(file_size, '\0');  // the zeros double as row padding
    } catch (const std::bad_alloc&) {
        throw ResourceError();
    } catch (const std::length_error&) {
        throw ResourceError();
    }
    char* out = file.data();
    out[0] = 'B';
    out[1] = 'M';
    Put32(out + 2, static_cast<uint32_t>(file_size));
    Put32(out + 10, static_cast<uint32_t>(kPixelOffset));
    Put32(out + 14, static_cast<uint32_t>(kInfoHeaderSize));
    Put32(out + 18, static_cast<uint32_t>(width));
    Put32(out + 22, static_cast<uint32_t>(height));
    Put16(out + 26, 1);   // planes
    Put16(out + 28, 24);  // bits per pixel
    Put32(out + 34, static_cast<uint32_t>(image_size));
    // Compression, resolutions and colour counts stay 0.

    // Bottom row first; each pixel 0x00BBGGRR is stored blue, green, red.
    char* row_out = out + kPixelOffset;
    for (std::size_t y = height; y-- > 0; row_out += stride) {
        const uint32_t* row = pixels + y * width;
        char* p = row_out;
        for (std::size_t x = 0; x < width; ++x, p += 3) {
            const uint32_t c = row[x];
            p[0] = static_cast<char>((c >> 16) & 0xFF);
            p[1] = static_cast<char>((c >> 8) & 0xFF);
            p[2] = static_cast<char>(c & 0xFF);
        }
    }
    return file;
}

}  // namespace raster
