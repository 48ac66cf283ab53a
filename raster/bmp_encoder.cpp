#include "raster/bmp_encoder.h"

#include <algorithm>
#include <cstddef>
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

    const std::size_t rows_per_piece = std::max<std::size_t>(1, kPieceBytes / stride);
    std::string piece;
    try {
        piece.assign(std::min(rows_per_piece, height) * stride, '\0');  // zeros pad the rows
    } catch (const std::bad_alloc&) {
        throw ResourceError();
    } catch (const std::length_error&) {
        throw ResourceError();
    }
    // Bottom row first; each pixel 0x00RRGGBB is stored blue, green, red.
    for (std::size_t done = 0; done < height;) {
        const std::size_t rows = std::min(rows_per_piece, height - done);
        char* row_out = piece.data();
        for (std::size_t r = 0; r < rows; ++r, row_out += stride) {
            const uint32_t* row = pixels + (height - 1 - done - r) * width;
            char* p = row_out;
            for (std::size_t x = 0; x < width; ++x, p += 3) {
                const uint32_t c = row[x];
                p[0] = static_cast<char>(c & 0xFF);
                p[1] = static_cast<char>((c >> 8) & 0xFF);
                p[2] = static_cast<char>((c >> 16) & 0xFF);
            }
        }
        write(std::string_view(piece.data(), rows * stride));
        done += rows;
    }
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
