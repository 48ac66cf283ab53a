#include "tools/resize_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/failure.h"
#include "raster/resource_error.h"
#include "raster/tbitmap.h"
#include "raster/timage.h"

namespace {

using raster::TBitmap;
using raster::TImage;

// A colour that tells every pixel of a small picture apart.
uint32_t Tag(int32_t x, int32_t y) {
    return 0x100000u + static_cast<uint32_t>(y) * 0x100u + static_cast<uint32_t>(x);
}

void GivePicture(TImage& image, int32_t width, int32_t height) {
    TBitmap bitmap;
    bitmap.SetWidth(width);
    bitmap.SetHeight(height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) bitmap.SetPixel(x, y, static_cast<int32_t>(Tag(x, y)));
    }
    image.Picture.Assign(bitmap);
}

std::vector<uint32_t> PixelsOf(const TBitmap& bitmap) {
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        for (int32_t x = 0; x < bitmap.Width(); ++x) {
            pixels.push_back(static_cast<uint32_t>(bitmap.Pixel(x, y)));
        }
    }
    return pixels;
}

// Everything a failed resize must leave alone.
struct Snapshot {
    explicit Snapshot(TImage& image)
        : content(image.Picture.Content()),
          width(image.Picture.Width()),
          height(image.Picture.Height()),
          pixels(content ? PixelsOf(*content) : std::vector<uint32_t>{}),
          control_width(image.Width()),
          control_height(image.Height()) {}
    const TBitmap* content;
    int32_t width, height;
    std::vector<uint32_t> pixels;
    int32_t control_width, control_height;
};

void ExpectUnchanged(TImage& image, const Snapshot& before) {
    EXPECT_EQ(image.Picture.Content(), before.content);
    EXPECT_EQ(image.Picture.Width(), before.width);
    EXPECT_EQ(image.Picture.Height(), before.height);
    if (before.content) {
        EXPECT_EQ(PixelsOf(*image.Picture.Content()), before.pixels);
    }
    EXPECT_EQ(image.Width(), before.control_width);
    EXPECT_EQ(image.Height(), before.control_height);
}

struct ColumnCase {
    int32_t from;
    int32_t to;
    std::vector<int32_t> columns;
};

class SourceColumns : public ::testing::TestWithParam<ColumnCase> {};

// One row of distinct colours resized in width shows which old column every
// new column took, and the same along the height for rows.
TEST_P(SourceColumns, ResizeTakesTheNearestSampleWithHalvesUp) {
    const ColumnCase& c = GetParam();
    TImage wide;
    GivePicture(wide, c.from, 1);
    tools::ResizePicture(wide, c.to, 1);
    TImage tall;
    GivePicture(tall, 1, c.from);
    tools::ResizePicture(tall, 1, c.to);

    ASSERT_EQ(wide.Picture.Width(), c.to);
    ASSERT_EQ(tall.Picture.Height(), c.to);
    for (int32_t x = 0; x < c.to; ++x) {
        EXPECT_EQ(static_cast<uint32_t>(wide.Picture.Bitmap().Pixel(x, 0)), Tag(c.columns[x], 0))
            << "column " << x;
        EXPECT_EQ(static_cast<uint32_t>(tall.Picture.Bitmap().Pixel(0, x)), Tag(0, c.columns[x]))
            << "row " << x;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SourceColumns,
    ::testing::Values(ColumnCase{4, 2, {0, 2}}, ColumnCase{3, 2, {0, 2}},
                      ColumnCase{5, 3, {0, 2, 3}}, ColumnCase{6, 4, {0, 2, 3, 5}},
                      ColumnCase{10, 4, {0, 3, 5, 8}}, ColumnCase{2, 3, {0, 1, 1}},
                      ColumnCase{3, 5, {0, 1, 1, 2, 2}},
                      // One past the old edge takes the old last column.
                      ColumnCase{2, 4, {0, 1, 1, 1}}, ColumnCase{1, 3, {0, 0, 0}}));

// Rows too wide for a table of source columns take the same samples.
TEST(ResizePicture, VeryWideRowsTakeTheNearestSampleToo) {
    TImage image;
    GivePicture(image, 7, 2);
    const int32_t width = (1 << 16) + 5;
    tools::ResizePicture(image, width, 3);
    const TBitmap& bitmap = image.Picture.Bitmap();
    for (int32_t y = 0; y < 3; ++y) {
        const auto row = static_cast<int32_t>(std::min<int64_t>(tools::SourceIndex(2, 3, y), 1));
        for (int32_t x = 0; x < width; ++x) {
            const auto column =
                static_cast<int32_t>(std::min<int64_t>(tools::SourceIndex(7, width, x), 6));
            ASSERT_EQ(static_cast<uint32_t>(bitmap.Pixel(x, y)), Tag(column, row)) << x << "," << y;
        }
    }
}

TEST(SourceIndex, ExactHalfOfThirteenToFortySixRoundsUp) {
    // 13 * 23 / 46 is exactly 6.5, which double arithmetic tends to miss.
    EXPECT_EQ(tools::SourceIndex(13, 46, 23), 7);
    TImage image;
    GivePicture(image, 13, 1);
    tools::ResizePicture(image, 46, 1);
    EXPECT_EQ(static_cast<uint32_t>(image.Picture.Bitmap().Pixel(23, 0)), Tag(7, 0));
}

TEST(ResizePicture, FourByFourToTwoByTwoKeepsEveryOtherPixel) {
    TImage image;
    GivePicture(image, 4, 4);
    tools::ResizePicture(image, 2, 2);
    EXPECT_EQ(PixelsOf(image.Picture.Bitmap()),
              (std::vector<uint32_t>{Tag(0, 0), Tag(2, 0), Tag(0, 2), Tag(2, 2)}));
}

TEST(ResizePicture, SameSizeCopiesEveryPixelToItsPlace) {
    TImage image;
    GivePicture(image, 7, 5);
    const std::vector<uint32_t> before = PixelsOf(image.Picture.Bitmap());
    tools::ResizePicture(image, 7, 5);
    EXPECT_EQ(PixelsOf(image.Picture.Bitmap()), before);
}

TEST(ResizePicture, DoublingRepeatsTheLastColumnAndRowInsteadOfBlack) {
    TImage image;
    GivePicture(image, 2, 2);
    tools::ResizePicture(image, 4, 4);
    const TBitmap& bitmap = image.Picture.Bitmap();
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(static_cast<uint32_t>(bitmap.Pixel(3, i)), Tag(1, i < 1 ? 0 : 1));
        EXPECT_EQ(static_cast<uint32_t>(bitmap.Pixel(i, 3)), Tag(i < 1 ? 0 : 1, 1));
    }
}

TEST(ResizePicture, GivesTheControlTheNewSize) {
    TImage image;
    GivePicture(image, 30, 20);
    tools::ResizePicture(image, 100, 50);
    EXPECT_EQ(image.Width(), 100);
    EXPECT_EQ(image.Height(), 50);
    EXPECT_EQ(image.Picture.Width(), 100);
    EXPECT_EQ(image.Picture.Height(), 50);
}

TEST(ResizePicture, LeavesAFreshBlackPenAtTheOrigin) {
    TImage image;
    GivePicture(image, 4, 4);
    raster::TCanvas& old_canvas = image.Canvas();
    old_canvas.Pen.Color = raster::clBlue;
    old_canvas.MoveTo(3, 3);
    tools::ResizePicture(image, 4, 4);
    raster::TCanvas& canvas = image.Canvas();
    EXPECT_EQ(canvas.Pen.Color, raster::clBlack);
    EXPECT_EQ(canvas.PenX(), 0);
    EXPECT_EQ(canvas.PenY(), 0);
}

TEST(ResizePicture, PictureWithoutContentBecomesWhite) {
    TImage image;
    tools::ResizePicture(image, 3, 2);
    EXPECT_EQ(PixelsOf(image.Picture.Bitmap()), std::vector<uint32_t>(6, 0xFFFFFFu));
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Height(), 2);
}

struct EntryCase {
    const char* width;
    const char* height;
    const char* message;
};

class BadEntries : public ::testing::TestWithParam<EntryCase> {};

TEST_P(BadEntries, NameTheFirstBadEntryHeightFirstAndChangeNothing) {
    const EntryCase& c = GetParam();
    TImage image;
    GivePicture(image, 4, 3);
    const Snapshot before(image);
    try {
        tools::ResizeFromEntries(image, c.width, c.height);
        FAIL() << "no failure";
    } catch (const core::Failure& failure) {
        EXPECT_STREQ(failure.what(), c.message);
    }
    ExpectUnchanged(image, before);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadEntries,
    ::testing::Values(EntryCase{"xyz", "abc", "'abc' は整数ではありません"},
                      EntryCase{"xyz", "10", "'xyz' は整数ではありません"},
                      EntryCase{"10", "abc", "'abc' は整数ではありません"},
                      EntryCase{"10 ", "10", "'10 ' は整数ではありません"},
                      EntryCase{"10", "", "'' は整数ではありません"},
                      // Division failures come after both conversions: width first.
                      EntryCase{"0", "0", "0 による浮動小数点数除算"},
                      EntryCase{"-5", "0", "0 による浮動小数点数除算"},
                      EntryCase{"0", "-5", "0 による浮動小数点数除算"},
                      EntryCase{"10", "0", "0 による浮動小数点数除算"}));

struct ZeroCase {
    int32_t old_width, old_height;  // -1: the picture has no content yet
    int32_t width, height;
    const char* message;
};

class ZeroSide : public ::testing::TestWithParam<ZeroCase> {};

TEST_P(ZeroSide, EndsWithTheDivisionMessageOfTheOldSide) {
    const ZeroCase& c = GetParam();
    TImage image;
    if (c.old_width >= 0) GivePicture(image, c.old_width, c.old_height);
    image.Picture.Bitmap();  // what the dialog's showing does
    const Snapshot before(image);
    try {
        tools::ResizePicture(image, c.width, c.height);
        FAIL() << "no failure";
    } catch (const core::Failure& failure) {
        EXPECT_STREQ(failure.what(), c.message);
    }
    ExpectUnchanged(image, before);
}

INSTANTIATE_TEST_SUITE_P(Table, ZeroSide,
                         ::testing::Values(ZeroCase{-1, -1, 0, 0, "不正な浮動小数点数演算命令"},
                                           ZeroCase{-1, -1, 0, 7, "不正な浮動小数点数演算命令"},
                                           ZeroCase{-1, -1, 7, 0, "不正な浮動小数点数演算命令"},
                                           ZeroCase{5, 4, 0, 7, "0 による浮動小数点数除算"},
                                           ZeroCase{5, 4, 7, 0, "0 による浮動小数点数除算"},
                                           ZeroCase{5, 4, 0, 0, "0 による浮動小数点数除算"},
                                           ZeroCase{5, 4, 0, -5, "0 による浮動小数点数除算"},
                                           ZeroCase{5, 4, -5, 0, "0 による浮動小数点数除算"}));

struct SizeCase {
    int32_t width, height;
};

class UnmakeableSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(UnmakeableSize, FailsWithTheResourceErrorAndChangesNothing) {
    TImage image;
    GivePicture(image, 4, 3);
    const Snapshot before(image);
    EXPECT_THROW(tools::ResizePicture(image, GetParam().width, GetParam().height),
                 raster::ResourceError);
    ExpectUnchanged(image, before);
}

INSTANTIATE_TEST_SUITE_P(Table, UnmakeableSize,
                         ::testing::Values(SizeCase{10, -5}, SizeCase{-5, 10}, SizeCase{-5, -5},
                                           SizeCase{100000, 100000}));

}  // namespace
