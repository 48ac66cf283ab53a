#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "raster/ink_mask.h"
#include "raster/resource_error.h"
#include "raster/tbitmap.h"

namespace raster {
namespace {

// Table cases print by name in failure messages.
template <class Case>
requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

void Fill(TBitmap& bitmap, TColor colour) {
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        for (int32_t x = 0; x < bitmap.Width(); ++x) bitmap.SetPixel(x, y, colour);
    }
}

// The colours of all pixels, row by row.
std::vector<uint32_t> Pixels(const TBitmap& bitmap) {
    std::vector<uint32_t> colours;
    if (!bitmap.HasPixels()) return colours;
    for (int32_t y = 0; y < bitmap.Height(); ++y)
        for (int32_t x = 0; x < bitmap.Width(); ++x)
            colours.push_back(static_cast<uint32_t>(bitmap.Pixel(x, y)));
    return colours;
}

struct CountingListener : ChangeListener {
    int calls = 0;
    void PictureChanged() override { ++calls; }
};

TEST(BitmapTest, NewBitmapIsEmpty) {
    TBitmap bitmap;
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_FALSE(bitmap.HasPixels());
    EXPECT_EQ(bitmap.Data(), nullptr);
    EXPECT_EQ(bitmap.Pixel(0, 0), clInvalid);
}

struct SizeCase {
    const char* name;
    std::vector<std::pair<char, int32_t>> steps;  // 'w' or 'h' and the value
    int32_t width;
    int32_t height;
    bool pixels;
};

class SizeChangeTest : public testing::TestWithParam<SizeCase> {};

TEST_P(SizeChangeTest, RecordsSidesAndMakesPixelsOnlyWhenBothArePositive) {
    TBitmap bitmap;
    for (const auto& [side, value] : GetParam().steps) {
        if (side == 'w') {
            bitmap.SetWidth(value);
        } else {
            bitmap.SetHeight(value);
        }
    }
    EXPECT_EQ(bitmap.Width(), GetParam().width);
    EXPECT_EQ(bitmap.Height(), GetParam().height);
    EXPECT_EQ(bitmap.HasPixels(), GetParam().pixels);
    EXPECT_EQ(bitmap.Data() != nullptr, GetParam().pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Sides, SizeChangeTest,
    testing::Values(SizeCase{"WidthOnly", {{'w', 4}}, 4, 0, false},
                    SizeCase{"HeightOnly", {{'h', 7}}, 0, 7, false},
                    SizeCase{"WidthThenHeight", {{'w', 3}, {'h', 2}}, 3, 2, true},
                    SizeCase{"HeightThenWidth", {{'h', 2}, {'w', 3}}, 3, 2, true},
                    SizeCase{"NegativeWhileOtherZero", {{'w', -5}}, -5, 0, false},
                    SizeCase{"NegativeReplacedLater", {{'w', -5}, {'w', 6}, {'h', 1}}, 6, 1, true},
                    SizeCase{"BackToZeroDropsPixels", {{'w', 3}, {'h', 2}, {'w', 0}}, 0, 2, false},
                    SizeCase{
                        "ZeroThenRegrow", {{'w', 3}, {'h', 2}, {'h', 0}, {'h', 5}}, 3, 5, true},
                    SizeCase{"OnePixel", {{'w', 1}, {'h', 1}}, 1, 1, true}),
    [](const auto& info) { return info.param.name; });

TEST(BitmapTest, NewPixelsAreWhite) {
    TBitmap bitmap;
    bitmap.SetWidth(3);
    bitmap.SetHeight(2);
    EXPECT_EQ(Pixels(bitmap), std::vector<uint32_t>(6, 0xFFFFFF));
}

TEST(BitmapTest, WidthWithoutHeightReadsInvalidEverywhere) {
    TBitmap bitmap;
    bitmap.SetWidth(4);
    EXPECT_EQ(bitmap.Pixel(0, 1), clInvalid);
    EXPECT_EQ(bitmap.Pixel(0, 0), clInvalid);
}

TEST(BitmapTest, GrowingKeepsOldPixelsTopLeftAndWhitensTheRest) {
    TBitmap bitmap;
    bitmap.SetWidth(2);
    bitmap.SetHeight(2);
    Fill(bitmap, clBlack);
    bitmap.SetWidth(3);
    bitmap.SetHeight(3);
    const std::vector<uint32_t> expected = {0,        0,        0xFFFFFF, 0,       0,
                                            0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    EXPECT_EQ(Pixels(bitmap), expected);
}

TEST(BitmapTest, ShrinkingKeepsTheOverlap) {
    TBitmap bitmap;
    bitmap.SetWidth(3);
    bitmap.SetHeight(3);
    for (int32_t i = 0; i < 9; ++i) bitmap.SetPixel(i % 3, i / 3, i);
    bitmap.SetWidth(2);
    EXPECT_EQ(Pixels(bitmap), (std::vector<uint32_t>{0, 1, 3, 4, 6, 7}));
    bitmap.SetHeight(1);
    EXPECT_EQ(Pixels(bitmap), (std::vector<uint32_t>{0, 1}));
}

TEST(BitmapTest, NewPixelsTakeTheBrushColourOnceTheCanvasExists) {
    TBitmap bitmap;
    bitmap.SetWidth(1);
    bitmap.SetHeight(1);
    bitmap.SetPixel(0, 0, clBlack);
    bitmap.Canvas().Brush.Color = clRed;
    bitmap.SetWidth(2);
    EXPECT_EQ(Pixels(bitmap), (std::vector<uint32_t>{0, 0x0000FF}));
}

TEST(BitmapTest, SizeChangeKeepsTheCanvasState) {
    TBitmap bitmap;
    TCanvas& canvas = bitmap.Canvas();
    canvas.Pen.Color = clBlue;
    canvas.MoveTo(7, 9);
    bitmap.SetWidth(10);
    bitmap.SetHeight(10);
    EXPECT_EQ(&bitmap.Canvas(), &canvas);
    EXPECT_EQ(canvas.Pen.Color, clBlue);
    EXPECT_EQ(canvas.PenX(), 7);
    EXPECT_EQ(canvas.PenY(), 9);
}

struct FailureCase {
    const char* name;
    int32_t width;   // set first
    int32_t height;  // set second
    char side;       // the failing change: 'w' or 'h'
    int32_t value;
};

class SizeFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(SizeFailureTest, ThrowsAndChangesNothing) {
    const FailureCase& c = GetParam();
    TBitmap bitmap;
    bitmap.SetWidth(c.width);
    bitmap.SetHeight(c.height);
    if (bitmap.HasPixels()) bitmap.SetPixel(0, 0, clRed);
    const std::vector<uint32_t> before = Pixels(bitmap);
    const uint32_t* data_before = bitmap.Data();
    CountingListener listener;
    bitmap.SetListener(&listener);
    if (c.side == 'w') {
        EXPECT_THROW(bitmap.SetWidth(c.value), ResourceError);
    } else {
        EXPECT_THROW(bitmap.SetHeight(c.value), ResourceError);
    }
    EXPECT_EQ(bitmap.Width(), c.width);
    EXPECT_EQ(bitmap.Height(), c.height);
    EXPECT_EQ(bitmap.Data(), data_before);
    EXPECT_EQ(Pixels(bitmap), before);
    EXPECT_EQ(listener.calls, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Impossible, SizeFailureTest,
    testing::Values(FailureCase{"NegativeWidth", 4, 3, 'w', -1},
                    FailureCase{"NegativeHeight", 4, 3, 'h', -2},
                    FailureCase{"NegativeOntoRecordedNegative", -4, 0, 'h', -3},
                    FailureCase{"PositiveOntoRecordedNegative", -4, 0, 'h', 3},
                    FailureCase{"TooManyPixels", 20000, 0, 'h', 20000},
                    FailureCase{"OnePixelTooMany", 16384, 0, 'h', 16385},
                    FailureCase{"TooManyPixelsFromExisting", 4, 3, 'w', 0x7FFFFFFF}),
    [](const auto& info) { return info.param.name; });

struct PixelCase {
    const char* name;
    int32_t x;
    int32_t y;
    bool inside;
};

class PixelAccessTest : public testing::TestWithParam<PixelCase> {};

TEST_P(PixelAccessTest, WritesInsideOnlyAndReadsInvalidOutside) {
    const PixelCase& c = GetParam();
    TBitmap bitmap;
    bitmap.SetWidth(4);
    bitmap.SetHeight(3);
    (void)bitmap.TakeDirty();
    const std::vector<uint32_t> before = Pixels(bitmap);
    bitmap.Canvas().SetPixel(c.x, c.y, clRed);
    if (c.inside) {
        EXPECT_EQ(bitmap.Canvas().Pixel(c.x, c.y), clRed);
        EXPECT_TRUE(bitmap.HasPendingChange());
    } else {
        EXPECT_EQ(bitmap.Canvas().Pixel(c.x, c.y), clInvalid);
        EXPECT_EQ(Pixels(bitmap), before);
        EXPECT_FALSE(bitmap.HasPendingChange());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Positions, PixelAccessTest,
    testing::Values(PixelCase{"Origin", 0, 0, true}, PixelCase{"LastPixel", 3, 2, true},
                    PixelCase{"LeftOf", -1, 0, false}, PixelCase{"AtWidth", 4, 0, false},
                    PixelCase{"AtHeight", 0, 3, false}, PixelCase{"Above", 0, -1, false},
                    PixelCase{"FarNegative", INT32_MIN, INT32_MIN, false},
                    PixelCase{"FarPositive", INT32_MAX, INT32_MAX, false}),
    [](const auto& info) { return info.param.name; });

struct ColourCase {
    const char* name;
    TColor written;
    TColor read;
};

class ColourResolutionTest : public testing::TestWithParam<ColourCase> {};

TEST_P(ColourResolutionTest, PixelTakesTheResolvedColour) {
    TBitmap bitmap;
    bitmap.SetWidth(1);
    bitmap.SetHeight(1);
    bitmap.SetPixel(0, 0, GetParam().written);
    EXPECT_EQ(bitmap.Pixel(0, 0), GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(
    Colours, ColourResolutionTest,
    testing::Values(ColourCase{"Red", clRed, 0x0000FF}, ColourCase{"Blue", clBlue, 0xFF0000},
                    ColourCase{"Silver", clSilver, 0xC0C0C0},
                    ColourCase{"White", clWhite, 0xFFFFFF}, ColourCase{"Black", clBlack, 0},
                    ColourCase{"InvalidMarkerPaintsBlack", clInvalid, 0},
                    ColourCase{"SystemColourPaintsBlack", static_cast<TColor>(0x80000005), 0}),
    [](const auto& info) { return info.param.name; });

TEST(BitmapTest, OutsideReadWrittenBackInsidePaintsBlack) {
    TBitmap bitmap;
    bitmap.SetWidth(2);
    bitmap.SetHeight(1);
    const TColor outside = bitmap.Pixel(2, 0);
    EXPECT_EQ(static_cast<uint32_t>(outside), 0xFFFFFFFFu);
    bitmap.SetPixel(0, 0, outside);
    EXPECT_EQ(bitmap.Pixel(0, 0), clBlack);
}

TEST(BitmapTest, CanvasIsCreatedOnceAndStartsWithDefaults) {
    TBitmap bitmap;
    TCanvas& canvas = bitmap.Canvas();
    EXPECT_EQ(&bitmap.Canvas(), &canvas);
    EXPECT_EQ(canvas.Pen.Color, clBlack);
    EXPECT_EQ(canvas.Brush.Color, clWhite);
    EXPECT_EQ(canvas.PenX(), 0);
    EXPECT_EQ(canvas.PenY(), 0);
}

// Copy-on-write: each kind of change on either side must leave the other alone.
enum class Change { Pixel, Line, Width, Height, MutableData };

struct SharingCase {
    const char* name;
    Change change;
    bool on_copy;  // change the sharing copy rather than the original
};

void Apply(TBitmap& bitmap, Change change) {
    switch (change) {
        case Change::Pixel:
            bitmap.SetPixel(1, 1, clRed);
            break;
        case Change::Line:
            bitmap.Canvas().MoveTo(0, 0);
            bitmap.Canvas().LineTo(3, 3);
            break;
        case Change::Width:
            bitmap.SetWidth(5);
            break;
        case Change::Height:
            bitmap.SetHeight(1);
            break;
        case Change::MutableData:
            bitmap.MutableData()[0] = 0x123456;
            break;
    }
}

class CopyOnWriteTest : public testing::TestWithParam<SharingCase> {};

TEST_P(CopyOnWriteTest, ChangeOfOneIsNeverSeenInTheOther) {
    TBitmap original;
    original.SetWidth(3);
    original.SetHeight(3);
    original.SetPixel(2, 0, clBlue);
    auto copy = TBitmap::SharingPixelsOf(original);
    ASSERT_EQ(copy->Data(), original.Data());
    EXPECT_EQ(copy->Width(), 3);
    EXPECT_EQ(copy->Height(), 3);

    TBitmap& changed = GetParam().on_copy ? *copy : original;
    const TBitmap& untouched = GetParam().on_copy ? original : *copy;
    const std::vector<uint32_t> before = Pixels(untouched);
    Apply(changed, GetParam().change);

    EXPECT_NE(copy->Data(), original.Data());
    EXPECT_EQ(Pixels(untouched), before);
    EXPECT_EQ(untouched.Width(), 3);
    EXPECT_EQ(untouched.Height(), 3);
    EXPECT_NE(Pixels(changed), before);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, CopyOnWriteTest,
    testing::Values(SharingCase{"PixelOnCopy", Change::Pixel, true},
                    SharingCase{"PixelOnOriginal", Change::Pixel, false},
                    SharingCase{"LineOnCopy", Change::Line, true},
                    SharingCase{"LineOnOriginal", Change::Line, false},
                    SharingCase{"WidthOnCopy", Change::Width, true},
                    SharingCase{"HeightOnOriginal", Change::Height, false},
                    SharingCase{"MutableDataOnCopy", Change::MutableData, true},
                    SharingCase{"MutableDataOnOriginal", Change::MutableData, false}),
    [](const auto& info) { return info.param.name; });

TEST(BitmapTest, SettingASideToItsValueKeepsSharingAndReportsNothing) {
    TBitmap original;
    original.SetWidth(3);
    original.SetHeight(2);
    auto copy = TBitmap::SharingPixelsOf(original);
    CountingListener listener;
    copy->SetListener(&listener);
    copy->SetWidth(3);
    copy->SetHeight(2);
    EXPECT_EQ(copy->Data(), original.Data());
    EXPECT_FALSE(copy->HasPendingChange());
    EXPECT_EQ(listener.calls, 0);
}

TEST(BitmapTest, ReadsDoNotUnshare) {
    TBitmap original;
    original.SetWidth(2);
    original.SetHeight(2);
    auto copy = TBitmap::SharingPixelsOf(original);
    (void)copy->Pixel(0, 0);
    (void)copy->Canvas().Pixel(1, 1);
    copy->SetPixel(5, 5, clRed);  // outside: no change
    EXPECT_EQ(copy->Data(), original.Data());
}

TEST(BitmapTest, OnlyTheFirstChangeCopies) {
    TBitmap original;
    original.SetWidth(2);
    original.SetHeight(2);
    auto copy = TBitmap::SharingPixelsOf(original);
    copy->SetPixel(0, 0, clRed);
    const uint32_t* own = copy->Data();
    copy->SetPixel(1, 0, clRed);
    original.SetPixel(1, 1, clBlue);
    EXPECT_EQ(copy->Data(), own);
    EXPECT_EQ(copy->Pixel(1, 1), clWhite);
    EXPECT_EQ(original.Pixel(0, 0), clWhite);
}

TEST(BitmapTest, ListenerHearsOnlyTheFirstChangeOfEachPendingPeriod) {
    TBitmap bitmap;
    bitmap.SetWidth(10);
    bitmap.SetHeight(10);
    (void)bitmap.TakeDirty();
    CountingListener listener;
    bitmap.SetListener(&listener);
    bitmap.SetPixel(1, 1, clRed);
    bitmap.SetPixel(2, 2, clRed);
    bitmap.Canvas().MoveTo(0, 5);
    bitmap.Canvas().LineTo(3, 5);
    EXPECT_EQ(listener.calls, 1);
    (void)bitmap.TakeDirty();
    bitmap.SetPixel(3, 3, clRed);
    EXPECT_EQ(listener.calls, 2);
}

struct DirtyCase {
    const char* name;
    std::vector<std::pair<int32_t, int32_t>> pixels;
    DirtyRect expected;
};

class DirtyAreaTest : public testing::TestWithParam<DirtyCase> {};

TEST_P(DirtyAreaTest, TakeReturnsTheUnionOfChangedPixelsAndClears) {
    TBitmap bitmap;
    bitmap.SetWidth(10);
    bitmap.SetHeight(10);
    (void)bitmap.TakeDirty();
    for (const auto& [x, y] : GetParam().pixels) bitmap.SetPixel(x, y, clRed);
    const DirtyRect taken = bitmap.TakeDirty();
    EXPECT_EQ(taken.left, GetParam().expected.left);
    EXPECT_EQ(taken.top, GetParam().expected.top);
    EXPECT_EQ(taken.right, GetParam().expected.right);
    EXPECT_EQ(taken.bottom, GetParam().expected.bottom);
    EXPECT_FALSE(bitmap.HasPendingChange());
    EXPECT_TRUE(bitmap.TakeDirty().Empty());
}

INSTANTIATE_TEST_SUITE_P(
    Areas, DirtyAreaTest,
    testing::Values(DirtyCase{"Nothing", {}, {0, 0, 0, 0}},
                    DirtyCase{"OnePixel", {{4, 7}}, {4, 7, 5, 8}},
                    DirtyCase{"TwoCorners", {{9, 0}, {0, 9}}, {0, 0, 10, 10}},
                    DirtyCase{"OutsideIgnored", {{2, 2}, {-1, 20}, {3, 4}}, {2, 2, 4, 5}}),
    [](const auto& info) { return info.param.name; });

TEST(BitmapTest, NonPaintingCanvasOperationsAreNotChanges) {
    TBitmap bitmap;
    bitmap.SetWidth(4);
    bitmap.SetHeight(4);
    (void)bitmap.TakeDirty();
    TCanvas& canvas = bitmap.Canvas();
    canvas.Pen.Color = clBlue;
    canvas.MoveTo(2, 2);
    canvas.LineTo(2, 2);   // zero length
    canvas.LineTo(-5, 2);  // paints (2, 2) to (0, 2); the rest is clipped
    EXPECT_TRUE(bitmap.HasPendingChange());
    (void)bitmap.TakeDirty();
    canvas.MoveTo(-10, -10);
    canvas.LineTo(-10, 10);  // entirely outside
    EXPECT_FALSE(bitmap.HasPendingChange());
}

TEST(BitmapTest, SizeChangeIsAChangeCoveringOldAndNewExtent) {
    TBitmap bitmap;
    bitmap.SetWidth(8);
    bitmap.SetHeight(6);
    (void)bitmap.TakeDirty();
    CountingListener listener;
    bitmap.SetListener(&listener);
    bitmap.SetWidth(3);
    EXPECT_EQ(listener.calls, 1);
    const DirtyRect taken = bitmap.TakeDirty();
    EXPECT_EQ(taken.right, 8);
    EXPECT_EQ(taken.bottom, 6);
    bitmap.SetHeight(0);
    EXPECT_EQ(listener.calls, 2);
}

TEST(BitmapTest, MutableDataMarksEverythingDirty) {
    TBitmap bitmap;
    bitmap.SetWidth(5);
    bitmap.SetHeight(4);
    (void)bitmap.TakeDirty();
    ASSERT_NE(bitmap.MutableData(), nullptr);
    const DirtyRect taken = bitmap.TakeDirty();
    EXPECT_EQ(taken.left, 0);
    EXPECT_EQ(taken.top, 0);
    EXPECT_EQ(taken.right, 5);
    EXPECT_EQ(taken.bottom, 4);
    TBitmap empty;
    EXPECT_EQ(empty.MutableData(), nullptr);
}

}  // namespace
}  // namespace raster

namespace raster {
namespace {

// Painting ink gives every inked pixel the colour and no other, reports the
// inked area as changed and leaves a sharing bitmap alone; large pictures,
// painted in two halves at once, alike.
TEST(BitmapTest, PaintInkColoursExactlyTheInkedPixels) {
    const struct {
        const char* name;
        int32_t width, height;
        bool shared;
    } cases[] = {
        {"small", 97, 61, true}, {"large", 2100, 2050, false}, {"large shared", 2100, 2050, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TBitmap bitmap;
        bitmap.SetWidth(c.width);
        bitmap.SetHeight(c.height);
        const auto original = c.shared ? TBitmap::SharingPixelsOf(bitmap) : nullptr;
        InkMask mask(c.width, c.height);
        mask.Line(3, 2, c.width - 5, c.height / 2);
        mask.Line(c.width / 3, c.height - 3, c.width / 3 + 1, 7);
        (void)bitmap.TakeDirty();
        bitmap.PaintInk(mask, clRed);
        const DirtyRect dirty = bitmap.TakeDirty();
        EXPECT_EQ(dirty.left, 3);
        EXPECT_EQ(dirty.top, 2);
        EXPECT_EQ(dirty.right, c.width - 5);
        EXPECT_EQ(dirty.bottom, c.height - 2);
        for (int32_t y = 0; y < c.height; ++y) {
            for (int32_t x = 0; x < c.width; ++x) {
                ASSERT_EQ(bitmap.Pixel(x, y), mask.Inked(x, y) ? clRed : clWhite) << x << "," << y;
            }
        }
        if (original) {
            EXPECT_EQ(original->Pixel(3, 2), clWhite);
        }
    }
}

}  // namespace
}  // namespace raster
