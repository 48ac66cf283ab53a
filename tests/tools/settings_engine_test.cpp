#include "tools/settings_engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/failure.h"
#include "raster/tbitmap.h"
#include "raster/timage.h"
#include "support/scratch_dir.h"

namespace {

using raster::TImage;
using testing_support::ReadFile;
using testing_support::ScratchDir;
using tools::SettingsEntries;

const std::string kMissing = "サイズが指定されていません。";

class RecordingView final : public tools::SettingsView {
  public:
    std::vector<std::string> events;
    void ShowMessage(const std::string& text) override { events.emplace_back("message " + text); }
    void FocusWidth() override { events.emplace_back("focus width"); }
    void FocusHeight() override { events.emplace_back("focus height"); }
};

// Notes what the control looked like when it was refreshed.
class RecordingDisplay final : public TImage::Display {
  public:
    RecordingDisplay(const TImage& image, std::string bmp) : image_(image), bmp_(std::move(bmp)) {}
    void PictureChanged() override {}
    void ControlChanged() override {}
    void RefreshNow() override {
        ++refreshes;
        proportional_at_refresh = image_.Proportional();
        width_at_refresh = image_.Width();
        file_at_refresh = std::filesystem::exists(bmp_);
    }
    int refreshes = 0;
    bool proportional_at_refresh = false;
    int32_t width_at_refresh = 0;
    bool file_at_refresh = false;

  private:
    const TImage& image_;
    std::string bmp_;
};

void GivePicture(TImage& image, int32_t width, int32_t height) {
    raster::TBitmap bitmap;
    bitmap.SetWidth(width);
    bitmap.SetHeight(height);
    image.Picture.Assign(bitmap);
}

SettingsEntries SizeEntries(std::string width, std::string height) {
    SettingsEntries entries;
    entries.apply_size = true;
    entries.width_text = std::move(width);
    entries.height_text = std::move(height);
    entries.proportional = true;
    return entries;
}

struct EmptyCase {
    std::string width;
    std::string height;
    std::vector<std::string> events;
};

class EmptyBoxes : public ::testing::TestWithParam<EmptyCase> {};

TEST_P(EmptyBoxes, AreReportedWidthFirstWithTheFocusInTheLastAndNothingApplied) {
    const EmptyCase& c = GetParam();
    ScratchDir dir;
    TImage image;
    GivePicture(image, 5, 5);
    RecordingView view;
    const std::string bmp = dir.File("tmp.bmp");

    EXPECT_FALSE(tools::ApplySettings(SizeEntries(c.width, c.height), image, view, bmp));
    EXPECT_EQ(view.events, c.events);
    EXPECT_EQ(image.Width(), TImage::kDesignedWidth);
    EXPECT_EQ(image.Height(), TImage::kDesignedHeight);
    EXPECT_FALSE(image.Proportional());
    EXPECT_FALSE(std::filesystem::exists(bmp));
}

INSTANTIATE_TEST_SUITE_P(
    Table, EmptyBoxes,
    ::testing::Values(
        EmptyCase{"", "300", {"message " + kMissing, "focus width"}},
        EmptyCase{"300", "", {"message " + kMissing, "focus height"}},
        EmptyCase{
            "", "", {"message " + kMissing, "focus width", "message " + kMissing, "focus height"}},
        // Blanks and control bytes only count as empty.
        EmptyCase{" \t ", "300", {"message " + kMissing, "focus width"}},
        EmptyCase{"300", std::string("\x01 \0", 3), {"message " + kMissing, "focus height"}},
        EmptyCase{"  ", "abc", {"message " + kMissing, "focus width"}}));

struct ParseCase {
    const char* width;
    const char* height;
    const char* message;  // null: accepted
    int32_t width_after;
    int32_t height_after;
};

class SizeTexts : public ::testing::TestWithParam<ParseCase> {};

TEST_P(SizeTexts, AreConvertedAsTypedWidthFirst) {
    const ParseCase& c = GetParam();
    ScratchDir dir;
    TImage image;
    GivePicture(image, 5, 5);
    RecordingView view;
    const std::string bmp = dir.File("tmp.bmp");

    if (c.message == nullptr) {
        EXPECT_TRUE(tools::ApplySettings(SizeEntries(c.width, c.height), image, view, bmp));
        EXPECT_TRUE(image.Proportional());
        EXPECT_TRUE(std::filesystem::exists(bmp));
    } else {
        try {
            tools::ApplySettings(SizeEntries(c.width, c.height), image, view, bmp);
            FAIL() << "no failure";
        } catch (const core::Failure& failure) {
            EXPECT_STREQ(failure.what(), c.message);
        }
        // Neither the switch nor the file is reached.
        EXPECT_FALSE(image.Proportional());
        EXPECT_FALSE(std::filesystem::exists(bmp));
    }
    EXPECT_TRUE(view.events.empty());
    EXPECT_EQ(image.Width(), c.width_after);
    EXPECT_EQ(image.Height(), c.height_after);
    // The picture itself never changes size here.
    EXPECT_EQ(image.Picture.Width(), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SizeTexts,
    ::testing::Values(ParseCase{"300", "200", nullptr, 300, 200},
                      ParseCase{" 300", "  200", nullptr, 300, 200},
                      ParseCase{"0", "0", nullptr, 0, 0},
                      ParseCase{"300 ", "200", "'300 ' は整数ではありません", 237, 313},
                      ParseCase{"abc", "xyz", "'abc' は整数ではありません", 237, 313},
                      // A bad height comes after the width was applied.
                      ParseCase{"300", "abc", "'abc' は整数ではありません", 300, 313},
                      ParseCase{"300", "200 ", "'200 ' は整数ではありません", 300, 313}));

TEST(ApplySettings, UncheckedSizeKeepsTheControlWhateverTheBoxesHold) {
    ScratchDir dir;
    TImage image;
    GivePicture(image, 5, 5);
    RecordingView view;
    SettingsEntries entries;
    entries.width_text = "abc";
    entries.proportional = true;

    EXPECT_TRUE(tools::ApplySettings(entries, image, view, dir.File("tmp.bmp")));
    EXPECT_EQ(image.Width(), TImage::kDesignedWidth);
    EXPECT_EQ(image.Height(), TImage::kDesignedHeight);
    EXPECT_TRUE(image.Proportional());
    EXPECT_TRUE(std::filesystem::exists(dir.File("tmp.bmp")));
    EXPECT_TRUE(view.events.empty());
}

TEST(ApplySettings, RefreshesAfterApplyingAndBeforeSaving) {
    ScratchDir dir;
    TImage image;
    GivePicture(image, 5, 5);
    RecordingView view;
    RecordingDisplay display(image, dir.File("tmp.bmp"));
    image.SetDisplay(&display);

    EXPECT_TRUE(tools::ApplySettings(SizeEntries("40", "30"), image, view, dir.File("tmp.bmp")));
    image.SetDisplay(nullptr);
    EXPECT_EQ(display.refreshes, 1);
    EXPECT_TRUE(display.proportional_at_refresh);
    EXPECT_EQ(display.width_at_refresh, 40);
    EXPECT_FALSE(display.file_at_refresh);
}

enum class PictureState { NoContent, NoPixels, Pixels };

struct FileCase {
    PictureState state;
    bool old_file;
    const char* expected;  // null: no file
};

class BitmapFile : public ::testing::TestWithParam<FileCase> {};

TEST_P(BitmapFile, IsWrittenAnewOnlyWhenThePictureHasContent) {
    const FileCase& c = GetParam();
    ScratchDir dir;
    const std::string bmp = dir.File("tmp.bmp");
    if (c.old_file) testing_support::WriteFile(bmp, "old");
    TImage image;
    if (c.state == PictureState::NoPixels) image.Picture.Bitmap();
    if (c.state == PictureState::Pixels) GivePicture(image, 5, 1);
    RecordingView view;

    EXPECT_TRUE(tools::ApplySettings(SettingsEntries{}, image, view, bmp));
    if (c.expected == nullptr) {
        EXPECT_FALSE(std::filesystem::exists(bmp));
    } else {
        EXPECT_EQ(ReadFile(bmp).substr(0, 2), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, BitmapFile,
                         ::testing::Values(FileCase{PictureState::NoContent, false, nullptr},
                                           FileCase{PictureState::NoContent, true, "ol"},
                                           FileCase{PictureState::NoPixels, false, ""},
                                           FileCase{PictureState::NoPixels, true, ""},
                                           FileCase{PictureState::Pixels, false, "BM"},
                                           FileCase{PictureState::Pixels, true, "BM"}));

TEST(ApplySettings, SavesToTmpBmpInTheCurrentDirectoryByDefault) {
    ScratchDir dir;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    TImage image;
    GivePicture(image, 3, 2);
    RecordingView view;
    const bool applied = tools::ApplySettings(SettingsEntries{}, image, view);
    std::filesystem::current_path(previous);

    EXPECT_TRUE(applied);
    EXPECT_EQ(ReadFile(dir.File("tmp.bmp")).substr(0, 2), "BM");
}

TEST(ApplySettings, UnwritableFileFailsAfterTheSettingsWereApplied) {
    ScratchDir dir;
    TImage image;
    GivePicture(image, 3, 2);
    RecordingView view;
    EXPECT_THROW(
        tools::ApplySettings(SizeEntries("40", "30"), image, view, dir.File("missing/tmp.bmp")),
        core::Failure);
    EXPECT_EQ(image.Width(), 40);
    EXPECT_TRUE(image.Proportional());
}

}  // namespace
