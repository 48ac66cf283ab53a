#include "png/png_encoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/png_decode.h"

namespace {

struct LayoutCase {
    const char* name;
    int32_t width;
    int32_t height;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, repeated over the picture
    png::PngLayout layout;
    int bit_depth;
};

class Layouts : public ::testing::TestWithParam<LayoutCase> {};

// Each layout decodes to exactly the pixels it was given, odd widths included.
TEST_P(Layouts, SmallestLayoutThatHoldsEveryPixelAndDecodesToThem) {
    const LayoutCase& param = GetParam();
    raster::TBitmap bitmap;
    bitmap.SetWidth(param.width);
    bitmap.SetHeight(param.height);
    uint32_t* pixels = bitmap.MutableData();
    const std::size_t count = static_cast<std::size_t>(param.width) * param.height;
    for (std::size_t i = 0; i < count; ++i) pixels[i] = param.pixels[i % param.pixels.size()];

    EXPECT_EQ(png::PngLayoutOf(bitmap), param.layout);
    std::string file;
    png::EncodePngPieces(bitmap, [&file](std::string_view piece) { file.append(piece); });
    const testing_support::DecodedPng decoded = testing_support::DecodePng(file);
    ASSERT_TRUE(decoded.valid);
    EXPECT_EQ(decoded.bit_depth, param.bit_depth);
    EXPECT_EQ(decoded.width, param.width);
    EXPECT_EQ(decoded.height, param.height);
    EXPECT_EQ(decoded.pixels, std::vector<uint32_t>(pixels, pixels + count));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Layouts,
    ::testing::Values(
        LayoutCase{
            "BlackAndWhite", 13, 3, {0, 0xFFFFFF, 0xFFFFFF}, png::PngLayout::BlackAndWhite, 1},
        LayoutCase{"AllWhite", 8, 2, {0xFFFFFF}, png::PngLayout::BlackAndWhite, 1},
        LayoutCase{"Grey", 5, 4, {0, 0xC0C0C0, 0xFFFFFF, 0x010101}, png::PngLayout::Grey, 8},
        LayoutCase{"Colour", 7, 2, {0xFF0000, 0, 0x0000FF, 0xC0C0C0}, png::PngLayout::Colour, 8}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

TEST(PngEncoder, WritesNothingWithoutPixelsAndPassesWriteFailuresOn) {
    raster::TBitmap empty;
    std::string file;
    png::EncodePngPieces(empty, [&file](std::string_view piece) { file.append(piece); });
    EXPECT_EQ(file, "");

    raster::TBitmap bitmap;
    bitmap.SetWidth(4);
    bitmap.SetHeight(4);
    EXPECT_THROW(
        png::EncodePngPieces(bitmap, [](std::string_view) { throw std::runtime_error("full"); }),
        std::runtime_error);
}

}  // namespace
