#pragma once
// Reads a PNG file back through libpng's own decoder, as a viewer would.
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct DecodedPng {
    bool valid = false;
    int32_t width = 0;
    int32_t height = 0;
    int bit_depth = 0;
    int colour_type = -1;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, rows top-down
};

inline DecodedPng DecodePng(const std::string& bytes) {
    DecodedPng decoded;
    if (bytes.size() < 26 || bytes.compare(1, 3, "PNG") != 0) return decoded;
    decoded.bit_depth = static_cast<uint8_t>(bytes[24]);
    decoded.colour_type = static_cast<uint8_t>(bytes[25]);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0) return decoded;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) return decoded;
    decoded.width = static_cast<int32_t>(image.width);
    decoded.height = static_cast<int32_t>(image.height);
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        decoded.pixels.push_back(uint32_t{rgb[i]} << 16 | uint32_t{rgb[i + 1]} << 8 | rgb[i + 2]);
    }
    decoded.valid = true;
    return decoded;
}

}  // namespace testing_support
