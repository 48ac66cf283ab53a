// Small bitmaps of fuzzed sizes and pixels, encoded and read back by a
// bitmap file reader of its own: every header field and every pixel must
// come back, and the row padding must be zero.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "raster/bmp_encoder.h"
#include "raster/tbitmap.h"
#include "raster/tcolor.h"

namespace {

uint32_t Le16(const std::string& file, std::size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(file[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(file[at + 1])) << 8;
}

uint32_t Le32(const std::string& file, std::size_t at) {
    return Le16(file, at) | Le16(file, at + 2) << 16;
}

// Reads a 24-bit bottom-up file, checking every field on the way.
void CheckFile(const std::string& file, const raster::TBitmap& bitmap) {
    const auto width = static_cast<uint32_t>(bitmap.Width());
    const auto height = static_cast<uint32_t>(bitmap.Height());
    const uint32_t stride = (width * 3 + 3) / 4 * 4;
    FUZZ_CHECK(file.size() >= 54);
    FUZZ_CHECK(file[0] == 'B' && file[1] == 'M');
    FUZZ_CHECK(Le32(file, 2) == file.size());
    FUZZ_CHECK(Le32(file, 6) == 0);  // both reserved words
    FUZZ_CHECK(Le32(file, 10) == 54);
    FUZZ_CHECK(Le32(file, 14) == 40);
    FUZZ_CHECK(Le32(file, 18) == width);
    FUZZ_CHECK(Le32(file, 22) == height);
    FUZZ_CHECK(Le16(file, 26) == 1);
    FUZZ_CHECK(Le16(file, 28) == 24);
    FUZZ_CHECK(Le32(file, 30) == 0);
    FUZZ_CHECK(Le32(file, 34) == stride * height);
    for (std::size_t at = 38; at < 54; at += 4) FUZZ_CHECK(Le32(file, at) == 0);
    FUZZ_CHECK(file.size() == 54 + static_cast<std::size_t>(stride) * height);

    for (uint32_t row = 0; row < height; ++row) {
        const std::size_t start = 54 + static_cast<std::size_t>(row) * stride;
        const auto y = static_cast<int32_t>(height - 1 - row);  // bottom row first
        for (uint32_t x = 0; x < width; ++x) {
            const std::size_t at = start + 3 * static_cast<std::size_t>(x);
            const uint32_t blue = static_cast<unsigned char>(file[at]);
            const uint32_t green = static_cast<unsigned char>(file[at + 1]);
            const uint32_t red = static_cast<unsigned char>(file[at + 2]);
            const auto pixel = static_cast<uint32_t>(bitmap.Pixel(static_cast<int32_t>(x), y));
            FUZZ_CHECK((red | green << 8 | blue << 16) == pixel);
        }
        for (std::size_t pad = start + 3 * static_cast<std::size_t>(width); pad < start + stride;
             ++pad) {
            FUZZ_CHECK(file[pad] == '\0');
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto width = input.ConsumeIntegralInRange<int32_t>(0, 70);
    const auto height = input.ConsumeIntegralInRange<int32_t>(0, 70);
    raster::TBitmap bitmap;
    bitmap.SetWidth(width);
    bitmap.SetHeight(height);
    // Pixels as written, system colour references included; the rest stay white.
    for (int32_t y = 0; y < height && input.remaining_bytes() > 0; ++y) {
        for (int32_t x = 0; x < width && input.remaining_bytes() > 0; ++x) {
            const auto colour = input.ConsumeIntegral<int32_t>();
            bitmap.SetPixel(x, y, colour);
            FUZZ_CHECK(static_cast<uint32_t>(bitmap.Pixel(x, y)) == raster::ResolveColour(colour));
        }
    }

    const std::string file = raster::EncodeBmp(bitmap);
    if (width == 0 || height == 0) {
        FUZZ_CHECK(file.empty());
        return 0;
    }
    CheckFile(file, bitmap);
    return 0;
}
