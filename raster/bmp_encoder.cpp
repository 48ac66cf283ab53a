#include "raster/bmp_encoder.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <stdexcept>

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

// Rows of 24-bit pixels padded to four bytes.
std::size_t RowStride(std::size_t width) { return (width * 24 + 31) / 32 * 4; }

}  // namespace

uint64_t BmpFileSize(const TBitmap& bitmap) {
    if (!bitmap.Data()) return 0;
    return kPixelOffset + uint64_t{RowStride(static_cast<std::size_t>(bitmap.Width()))} *
                              static_cast<uint64_t>(bitmap.Height());
}

// The pieces handed on hold about this many bytes of rows.
constexpr std::size_t kPieceBytes = std::size_t{1} << 20;

void EncodeBmpPieces(const TBitmap& bitmap, const std::function<void(std::string_view)>& write) {
    const uint32_t* pixels = bitmap.Data();
    if (!pixels) return;
    const std::size_t width = static_cast<std::size_t>(bitmap.Width());
    const std::size_t height = static_cast<std::size_t>(bitmap.Height());
    const std::size_t stride = RowStride(width);
    const std::size_t image_size = stride * height;
    const std::size_t file_size = kPixelOffset + image_size;

    char header[kPixelOffset] = {};
    header[0] = 'B';
    header[1] = 'M';
    Put32(header + 2, static_cast<uint32_t>(file_size));
    Put32(header + 10, static_cast<uint32_t>(kPixelOffset));
    Put32(header + 14, static_cast<uint32_t>(kInfoHeaderSize));
    Put32(header + 18, static_cast<uint32_t>(width));
    Put32(header + 22, static_cast<uint32_t>(height));
    Put16(header + 26, 1);   // planes
    Put16(header + 28, 24);  // bits per pixel
    Put32(header + 34, static_cast<uint32_t>(image_size));
    // Compression, resolutions and colour counts stay 0.
    write(std::string_view(header, sizeof header));

    // A piece never holds more than kPieceBytes, even when one row is longer:
    // such a row goes out in several pieces.
    std::string piece;
    try {
        piece.assign(std::min(kPieceBytes, image_size), '\0');
    } catch (const std::bad_alloc&) {
        throw ResourceError();
    } catch (const std::length_error&) {
        throw ResourceError();
    }
    std::size_t used = 0;
    auto flush = [&] {
        write(std::string_view(piece.data(), used));
        used = 0;
    };
    const std::size_t padding = stride - width * 3;
    // Bottom row first; each pixel 0x00RRGGBB is stored blue, green, red.
    for (std::size_t y = height; y-- > 0;) {
        const uint32_t* row = pixels + y * width;
        for (std::size_t x = 0; x < width;) {
            if (piece.size() - used < 3) flush();
            const std::size_t run = std::min(width - x, (piece.size() - used) / 3);
            char* p = piece.data() + used;
            for (const uint32_t* c = row + x; c != row + x + run; ++c, p += 3) {
                p[0] = static_cast<char>(*c & 0xFF);
                p[1] = static_cast<char>((*c >> 8) & 0xFF);
                p[2] = static_cast<char>((*c >> 16) & 0xFF);
            }
            used += run * 3;
            x += run;
        }
        if (piece.size() - used < padding) flush();
        std::memset(piece.data() + used, 0, padding);  // zeros pad the row
        used += padding;
    }
    if (used > 0) flush();
}

std::string EncodeBmp(const TBitmap& bitmap) {
    std::string file;
    try {
        const std::size_t width = static_cast<std::size_t>(std::max(bitmap.Width(), 0));
        file.reserve(bitmap.Data() ? kPixelOffset + (width * 24 + 31) / 32 * 4 *
                                                        static_cast<std::size_t>(bitmap.Height())
                                   : 0);
    } catch (const std::bad_alloc&) {
        throw ResourceError();
    } catch (const std::length_error&) {
        throw ResourceError();
    }
    EncodeBmpPieces(bitmap, [&file](std::string_view piece) { file.append(piece); });
    return file;
}

}  // namespace raster
