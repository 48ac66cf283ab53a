#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>

#include "raster/bmp_encoder.h"
#include "raster/tbitmap.h"

namespace raster {
namespace {

// Table cases print by name in failure messages.
template <class Case>
requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

uint32_t Read32(const std::string& file, std::size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(file[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(file[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(file[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(file[at + 3])) << 24;
}

uint32_t Read16(const std::string& file, std::size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(file[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(file[at + 1])) << 8;
}

void MakeSized(TBitmap& bitmap, int32_t width, int32_t height) {
    bitmap.SetWidth(width);
    bitmap.SetHeight(height);
}

struct HeaderCase {
    const char* name;
    int32_t width;
    int32_t height;
    uint32_t stride;
};

class BmpHeaderTest : public testing::TestWithParam<HeaderCase> {};

TEST_P(BmpHeaderTest, WritesEveryHeaderField) {
    const HeaderCase& c = GetParam();
    TBitmap bitmap;
    MakeSized(bitmap, c.width, c.height);
    const std::string file = EncodeBmp(bitmap);
    const uint32_t image_size = c.stride * static_cast<uint32_t>(c.height);
    ASSERT_EQ(file.size(), 54u + image_size);
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ(Read32(file, 2), 54u + image_size);  // file size
    EXPECT_EQ(Read32(file, 6), 0u);                // both reserved words
    EXPECT_EQ(Read32(file, 10), 54u);              // offset of the rows
    EXPECT_EQ(Read32(file, 14), 40u);              // info header size
    EXPECT_EQ(Read32(file, 18), static_cast<uint32_t>(c.width));
    EXPECT_EQ(Read32(file, 22), static_cast<uint32_t>(c.height));
    EXPECT_EQ(Read16(file, 26), 1u);   // planes
    EXPECT_EQ(Read16(file, 28), 24u);  // bits per pixel
    EXPECT_EQ(Read32(file, 30), 0u);   // compression
    EXPECT_EQ(Read32(file, 34), image_size);
    EXPECT_EQ(Read32(file, 38), 0u);  // resolutions
    EXPECT_EQ(Read32(file, 42), 0u);
    EXPECT_EQ(Read32(file, 46), 0u);  // colours used
    EXPECT_EQ(Read32(file, 50), 0u);  // important colours
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BmpHeaderTest,
    testing::Values(HeaderCase{"FiveByOne", 5, 1, 16}, HeaderCase{"OnePixel", 1, 1, 4},
                    HeaderCase{"FourWide", 4, 3, 12}, HeaderCase{"TwoWide", 2, 2, 8},
                    HeaderCase{"ThreeWide", 3, 2, 12}, HeaderCase{"Wide", 2001, 3, 6004}),
    [](const auto& info) { return info.param.name; });

TEST(BmpEncoderTest, FiveByOneIsSeventyBytesWithOnePaddingByte) {
    TBitmap bitmap;
    MakeSized(bitmap, 5, 1);
    const std::string file = EncodeBmp(bitmap);
    ASSERT_EQ(file.size(), 70u);
    EXPECT_EQ(Read32(file, 34), 16u);
    EXPECT_EQ(file.substr(54, 15), std::string(15, '\xFF'));
    EXPECT_EQ(file[69], '\0');
}

TEST(BmpEncoderTest, TopLeftPixelStartsTheSecondStoredRow) {
    TBitmap bitmap;
    MakeSized(bitmap, 3, 2);
    bitmap.SetPixel(0, 0, clRed);
    const std::string file = EncodeBmp(bitmap);
    ASSERT_EQ(file.size(), 78u);
    EXPECT_EQ(file.substr(66, 3), std::string("\x00\x00\xFF", 3));
    EXPECT_EQ(file.substr(54, 9), std::string(9, '\xFF'));  // the bottom row, all white
}

TEST(BmpEncoderTest, EveryPixelIsStoredBlueGreenRedBottomUp) {
    TBitmap bitmap;
    MakeSized(bitmap, 7, 5);
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 7; ++x)
            bitmap.SetPixel(x, y, (x * 37 + 1) | (y * 51) << 8 | (x * y) << 16);
    }
    const std::string file = EncodeBmp(bitmap);
    const std::size_t stride = 24;  // 21 bytes padded to 24
    ASSERT_EQ(file.size(), 54 + stride * 5);
    for (int32_t y = 0; y < 5; ++y) {
        const std::size_t row = 54 + static_cast<std::size_t>(4 - y) * stride;
        for (int32_t x = 0; x < 7; ++x) {
            const uint32_t c = static_cast<uint32_t>(bitmap.Pixel(x, y));
            const std::size_t at = row + static_cast<std::size_t>(x) * 3;
            EXPECT_EQ(static_cast<unsigned char>(file[at]), (c >> 16) & 0xFF);
            EXPECT_EQ(static_cast<unsigned char>(file[at + 1]), (c >> 8) & 0xFF);
            EXPECT_EQ(static_cast<unsigned char>(file[at + 2]), c & 0xFF);
        }
        EXPECT_EQ(file.substr(row + 21, 3), std::string(3, '\0'));
    }
}

struct EmptyCase {
    const char* name;
    int32_t width;
    int32_t height;
};

class BmpWithoutPixelsTest : public testing::TestWithParam<EmptyCase> {};

TEST_P(BmpWithoutPixelsTest, GivesNoBytes) {
    TBitmap bitmap;
    bitmap.SetWidth(GetParam().width);
    bitmap.SetHeight(GetParam().height);
    EXPECT_TRUE(EncodeBmp(bitmap).empty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, BmpWithoutPixelsTest,
                         testing::Values(EmptyCase{"New", 0, 0}, EmptyCase{"WidthOnly", 5, 0},
                                         EmptyCase{"HeightOnly", 0, 5},
                                         EmptyCase{"NegativeWidth", -3, 0}),
                         [](const auto& info) { return info.param.name; });

TEST(BmpEncoderTest, EncodesTheSharedPixelsOfAHandedOverBitmap) {
    TBitmap original;
    MakeSized(original, 2, 1);
    original.SetPixel(1, 0, clBlue);
    auto copy = TBitmap::SharingPixelsOf(original);
    EXPECT_EQ(EncodeBmp(*copy), EncodeBmp(original));
    copy->SetPixel(0, 0, clBlack);
    EXPECT_NE(EncodeBmp(*copy), EncodeBmp(original));
}

}  // namespace
}  // namespace raster

namespace raster {
namespace {

// A picture of several pieces: the pieces join into the one file, rows in order.
TEST(BmpEncoderTest, PiecesOfALargePictureMakeTheWholeFile) {
    TBitmap bitmap;
    MakeSized(bitmap, 701, 900);  // stride 2104, 498 rows a piece
    bitmap.SetPixel(0, 899, 0x0000FF);
    bitmap.SetPixel(5, 401, 0x00FF00);
    bitmap.SetPixel(700, 0, 0xFF0000);
    std::string joined;
    int pieces = 0;
    EncodeBmpPieces(bitmap, [&](std::string_view piece) {
        joined.append(piece);
        ++pieces;
    });
    EXPECT_EQ(pieces, 3);  // header and two pieces of rows
    EXPECT_EQ(joined, EncodeBmp(bitmap));
    ASSERT_EQ(joined.size(), 54u + 2104u * 900u);
    EXPECT_EQ(Read32(joined, 54) & 0xFFFFFFu, 0xFF0000u);  // blue, green, red
    EXPECT_EQ(Read32(joined, 54 + 2104 * 498 + 15) & 0xFFFFFFu, 0x00FF00u);
    EXPECT_EQ(Read32(joined, 54 + 2104 * 899 + 2100) & 0xFFFFFFu, 0x0000FFu);
}

// A row longer than a piece goes out in several pieces, none of them
// larger than the ones of shorter rows.
TEST(BmpEncoderTest, ARowLongerThanAPieceIsSplit) {
    TBitmap bitmap;
    MakeSized(bitmap, 400001, 2);  // stride 1200004
    bitmap.SetPixel(349525, 1, 0x00FF00);
    bitmap.SetPixel(400000, 0, 0xFF0000);
    std::string joined;
    std::size_t largest = 0;
    EncodeBmpPieces(bitmap, [&](std::string_view piece) {
        joined.append(piece);
        largest = std::max(largest, piece.size());
    });
    EXPECT_LE(largest, std::size_t{1} << 20);
    ASSERT_EQ(joined.size(), 54u + 1200004u * 2u);
    EXPECT_EQ(Read32(joined, 54 + 349525 * 3) & 0xFFFFFFu, 0x00FF00u);
    EXPECT_EQ(Read32(joined, 54 + 1200004 + 1200000) & 0xFFFFFFu, 0x0000FFu);
    EXPECT_EQ(joined.substr(54 + 1200004 + 1200003, 1), std::string(1, '\0'));  // padding
}

}  // namespace
}  // namespace raster
