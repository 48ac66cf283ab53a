#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>

#include "raster/resource_error.h"
#include "raster/timage.h"
#include "raster/tpicture.h"

namespace raster {
namespace {

// Table cases print by name in failure messages.
template <class Case>
requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

struct CountingListener : ChangeListener {
    int calls = 0;
    void PictureChanged() override { ++calls; }
};

struct RecordingDisplay : TImage::Display {
    int picture_changes = 0;
    int control_changes = 0;
    int refreshes = 0;
    void PictureChanged() override { ++picture_changes; }
    void ControlChanged() override { ++control_changes; }
    void RefreshNow() override { ++refreshes; }
};

std::unique_ptr<TBitmap> Sized(int32_t width, int32_t height) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetWidth(width);
    bitmap->SetHeight(height);
    return bitmap;
}

bool AllWhite(const TBitmap& bitmap) {
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        for (int32_t x = 0; x < bitmap.Width(); ++x) {
            if (bitmap.Pixel(x, y) != clWhite) return false;
        }
    }
    return true;
}

TEST(PictureTest, StartsWithoutContent) {
    TPicture picture;
    EXPECT_FALSE(picture.HasContent());
    EXPECT_EQ(picture.Content(), nullptr);
    EXPECT_EQ(picture.Width(), 0);
    EXPECT_EQ(picture.Height(), 0);
}

TEST(PictureTest, BitmapRequestGivesAnEmptyBitmapAndCountsAsAChange) {
    TPicture picture;
    CountingListener listener;
    picture.SetListener(&listener);
    TBitmap& bitmap = picture.Bitmap();
    EXPECT_TRUE(picture.HasContent());
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_FALSE(bitmap.HasPixels());
    EXPECT_EQ(listener.calls, 1);
    EXPECT_EQ(&picture.Bitmap(), &bitmap);  // the second request changes nothing
    EXPECT_EQ(listener.calls, 1);
}

TEST(PictureTest, HandoverSharesPixelsUntilEitherSideChanges) {
    TPicture picture;
    auto own = Sized(3, 2);
    own->SetPixel(0, 0, clRed);
    picture.Assign(*own);
    ASSERT_NE(picture.Content(), own.get());
    EXPECT_EQ(picture.Content()->Data(), own->Data());
    EXPECT_EQ(picture.Width(), 3);
    EXPECT_EQ(picture.Height(), 2);
    EXPECT_EQ(picture.Content()->Pixel(0, 0), clRed);

    picture.Bitmap().Canvas().SetPixel(1, 0, clBlue);
    EXPECT_EQ(own->Pixel(1, 0), clWhite);
    own->SetPixel(2, 1, clSilver);
    EXPECT_EQ(picture.Content()->Pixel(2, 1), clWhite);
}

TEST(PictureTest, HandoverOutlivesTheCallersBitmap) {
    TPicture picture;
    {
        auto own = Sized(2, 2);
        own->SetPixel(1, 1, clBlue);
        picture.Assign(*own);
    }
    EXPECT_EQ(picture.Content()->Pixel(1, 1), clBlue);
    picture.Bitmap().SetPixel(0, 0, clRed);
    EXPECT_EQ(picture.Content()->Pixel(0, 0), clRed);
}

TEST(PictureTest, HandoverGivesAFreshCanvas) {
    TPicture picture;
    picture.Assign(*Sized(4, 4));
    TCanvas& old_canvas = picture.Bitmap().Canvas();
    old_canvas.Pen.Color = clBlue;
    old_canvas.MoveTo(3, 3);

    auto own = Sized(4, 4);
    own->Canvas().Pen.Color = clRed;
    own->Canvas().MoveTo(2, 1);
    picture.Assign(*own);
    TCanvas& canvas = picture.Bitmap().Canvas();
    EXPECT_EQ(canvas.Pen.Color, clBlack);
    EXPECT_EQ(canvas.PenX(), 0);
    EXPECT_EQ(canvas.PenY(), 0);
    canvas.LineTo(2, 0);
    EXPECT_EQ(picture.Content()->Pixel(0, 0), clBlack);
    EXPECT_EQ(picture.Content()->Pixel(1, 0), clBlack);
    EXPECT_EQ(picture.Content()->Pixel(2, 0), clWhite);
}

TEST(PictureTest, HandoverOfABitmapWithoutPixels) {
    TPicture picture;
    picture.Assign(*Sized(5, 5));
    TBitmap own;
    own.SetWidth(7);
    picture.Assign(own);
    EXPECT_EQ(picture.Width(), 7);
    EXPECT_EQ(picture.Height(), 0);
    EXPECT_FALSE(picture.Content()->HasPixels());
}

TEST(PictureTest, InstallKeepsTheBitmapAndItsCanvas) {
    TPicture picture;
    auto built = Sized(3, 3);
    built->Canvas().Pen.Color = clSilver;
    built->Canvas().MoveTo(1, 2);
    TBitmap* raw = built.get();
    picture.Install(std::move(built));
    EXPECT_EQ(picture.Content(), raw);
    EXPECT_EQ(picture.Bitmap().Canvas().Pen.Color, clSilver);
    EXPECT_EQ(picture.Bitmap().Canvas().PenX(), 1);
}

TEST(PictureTest, InstallingNothingStillLeavesContent) {
    TPicture picture;
    picture.Install(nullptr);
    EXPECT_TRUE(picture.HasContent());
    EXPECT_EQ(picture.Width(), 0);
}

TEST(PictureTest, EveryContentChangeIsReportedOnceAndMarksTheWholeArea) {
    TPicture picture;
    CountingListener listener;
    picture.SetListener(&listener);
    auto built = Sized(6, 4);
    built->SetPixel(1, 1, clRed);  // pending before the install
    picture.Install(std::move(built));
    EXPECT_EQ(listener.calls, 1);
    DirtyRect taken = picture.Bitmap().TakeDirty();
    EXPECT_EQ(taken.left, 0);
    EXPECT_EQ(taken.top, 0);
    EXPECT_EQ(taken.right, 6);
    EXPECT_EQ(taken.bottom, 4);

    picture.Assign(*Sized(2, 9));
    EXPECT_EQ(listener.calls, 2);
    taken = picture.Bitmap().TakeDirty();
    // The area the larger old picture covered must be repainted as well.
    EXPECT_EQ(taken.right, 6);
    EXPECT_EQ(taken.bottom, 9);
}

TEST(PictureTest, ListenerFollowsEveryFutureBitmap) {
    TPicture picture;
    CountingListener listener;
    picture.SetListener(&listener);
    picture.Assign(*Sized(3, 3));
    (void)picture.Bitmap().TakeDirty();
    picture.Bitmap().SetPixel(0, 0, clRed);
    EXPECT_EQ(listener.calls, 2);

    auto own = Sized(3, 3);
    picture.Assign(*own);
    (void)picture.Bitmap().TakeDirty();
    own->SetPixel(1, 1, clRed);  // the caller's bitmap is not the picture's
    EXPECT_EQ(listener.calls, 3);
    picture.Bitmap().Canvas().LineTo(2, 2);
    EXPECT_EQ(listener.calls, 4);
}

TEST(PictureTest, LateListenerHearsOfPendingChanges) {
    TPicture picture;
    picture.Assign(*Sized(3, 3));
    CountingListener listener;
    picture.SetListener(&listener);
    EXPECT_EQ(listener.calls, 1);
    (void)picture.Bitmap().TakeDirty();
    CountingListener second;
    picture.SetListener(&second);
    EXPECT_EQ(second.calls, 0);
}

TEST(ImageTest, CanvasRequestOnEmptyPictureGivesWhiteControlSizedPicture) {
    TImage image;
    TCanvas& canvas = image.Canvas();
    ASSERT_TRUE(image.Picture.HasContent());
    EXPECT_EQ(image.Picture.Width(), 237);
    EXPECT_EQ(image.Picture.Height(), 313);
    EXPECT_TRUE(AllWhite(*image.Picture.Content()));
    EXPECT_EQ(&canvas, &image.Picture.Bitmap().Canvas());
    EXPECT_EQ(canvas.Pen.Color, clBlack);
}

struct ControlCase {
    const char* name;
    int32_t width;
    int32_t height;
    int32_t picture_width;
    int32_t picture_height;
    bool pixels;
};

class ImageCanvasSizeTest : public testing::TestWithParam<ControlCase> {};

TEST_P(ImageCanvasSizeTest, PictureFollowsTheControlSize) {
    const ControlCase& c = GetParam();
    TImage image;
    image.SetWidth(c.width);
    image.SetHeight(c.height);
    TCanvas& canvas = image.Canvas();
    canvas.MoveTo(0, 0);
    canvas.LineTo(1, 0);  // harmless on every size
    EXPECT_EQ(image.Picture.Width(), c.picture_width);
    EXPECT_EQ(image.Picture.Height(), c.picture_height);
    EXPECT_EQ(image.Picture.Content()->HasPixels(), c.pixels);
}

INSTANTIATE_TEST_SUITE_P(Controls, ImageCanvasSizeTest,
                         testing::Values(ControlCase{"Ordinary", 40, 30, 40, 30, true},
                                         ControlCase{"ZeroWidth", 0, 30, 0, 30, false},
                                         ControlCase{"ZeroHeight", 30, 0, 30, 0, false},
                                         ControlCase{"NegativeWidth", -5, 30, 0, 30, false},
                                         ControlCase{"BothNegative", -5, -6, 0, 0, false}),
                         [](const auto& info) { return info.param.name; });

TEST(ImageTest, CanvasRequestKeepsExistingContent) {
    TImage image;
    image.Picture.Assign(*Sized(5, 6));
    image.Picture.Bitmap().SetPixel(0, 0, clRed);
    image.SetWidth(100);
    (void)image.Canvas();
    EXPECT_EQ(image.Picture.Width(), 5);
    EXPECT_EQ(image.Picture.Content()->Pixel(0, 0), clRed);
}

TEST(ImageTest, TooLargeControlFailsAndLeavesNoContent) {
    TImage image;
    image.SetWidth(100000);
    image.SetHeight(100000);
    EXPECT_THROW((void)image.Canvas(), ResourceError);
    EXPECT_FALSE(image.Picture.HasContent());
}

TEST(ImageTest, ControlChangesAreReportedOnlyWhenAValueChanges) {
    TImage image;
    RecordingDisplay display;
    image.SetDisplay(&display);
    image.SetWidth(TImage::kDesignedWidth);
    image.SetHeight(TImage::kDesignedHeight);
    image.SetProportional(false);
    EXPECT_EQ(display.control_changes, 0);
    image.SetWidth(10);
    image.SetHeight(11);
    image.SetProportional(true);
    EXPECT_EQ(display.control_changes, 3);
    EXPECT_EQ(image.Width(), 10);
    EXPECT_EQ(image.Height(), 11);
    EXPECT_TRUE(image.Proportional());
    EXPECT_FALSE(image.Picture.HasContent());  // the control's size never touches the picture
}

TEST(ImageTest, RefreshAndPictureChangesReachTheDisplay) {
    TImage image;
    image.Refresh();  // without a display: nothing to do
    RecordingDisplay display;
    image.SetDisplay(&display);
    image.Refresh();
    EXPECT_EQ(display.refreshes, 1);
    (void)image.Canvas();
    EXPECT_EQ(display.picture_changes, 1);
    (void)image.Picture.Bitmap().TakeDirty();
    image.Canvas().SetPixel(3, 3, clRed);
    EXPECT_EQ(display.picture_changes, 2);
}

}  // namespace
}  // namespace raster
