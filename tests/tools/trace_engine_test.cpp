#include "tools/trace_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/failure.h"
#include "core/line_list.h"
#include "raster/tbitmap.h"
#include "support/scratch_dir.h"
#include "tools/trace_engine_run.h"

namespace {

using raster::TBitmap;
using testing_support::ReadFile;
using testing_support::ScratchDir;
using tools::BaseColour;
using tools::TraceOutcome;

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }
constexpr uint32_t kBlack = 0;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t Grey(uint32_t v) { return Rgb(v, v, v); }

// Pictures are given as rows.
using Rows = std::vector<std::vector<uint32_t>>;

void Paint(TBitmap& bitmap, const Rows& rows) {
    bitmap.SetWidth(rows.empty() ? 0 : static_cast<int32_t>(rows[0].size()));
    bitmap.SetHeight(static_cast<int32_t>(rows.size()));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        for (std::size_t x = 0; x < rows[y].size(); ++x) {
            bitmap.SetPixel(static_cast<int32_t>(x), static_cast<int32_t>(y),
                            static_cast<int32_t>(rows[y][x]));
        }
    }
}

Rows RowsOf(const TBitmap& bitmap) {
    Rows rows(static_cast<std::size_t>(bitmap.Height()));
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        for (int32_t x = 0; x < bitmap.Width(); ++x) {
            rows[static_cast<std::size_t>(y)].push_back(static_cast<uint32_t>(bitmap.Pixel(x, y)));
        }
    }
    return rows;
}

// Controls with fixed choices that count every call.
class FakeControls final : public tools::TraceControls {
  public:
    int threshold = 50;
    bool black = false;
    int64_t cancel_after = -1;

    int64_t base_reads = 0, threshold_reads = 0, black_reads = 0, cancel_reads = 0;
    std::vector<int64_t> first_steps, second_steps;
    int switches = 0;
    std::size_t first_steps_at_switch = 0, second_steps_at_switch = 0;

    BaseColour Base() override {
        ++base_reads;
        return BaseColour::None;
    }
    int Threshold() override {
        ++threshold_reads;
        return threshold;
    }
    bool PaintBlack() override {
        ++black_reads;
        return black;
    }
    bool CancelRequested() override {
        ++cancel_reads;
        return cancel_after >= 0 && static_cast<int64_t>(first_steps.size()) >= cancel_after;
    }
    void FirstPassStep(int64_t done) override { first_steps.push_back(done); }
    void SecondPassStep(int64_t done) override { second_steps.push_back(done); }
    void PassesSwitched() override {
        ++switches;
        first_steps_at_switch = first_steps.size();
        second_steps_at_switch = second_steps.size();
    }
};

struct KeyCase {
    uint32_t colour;
    const char* none;
    const char* red;
    const char* green;
    const char* blue;
};

class GreyKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(GreyKeys, FollowTheChannelSumWithTheBaseAddedToTheOthers) {
    const KeyCase& c = GetParam();
    EXPECT_EQ(tools::GreyLevel(c.colour, BaseColour::None), std::stoi(c.none));
    EXPECT_EQ(tools::GreyLevel(c.colour, BaseColour::Red), std::stoi(c.red));
    EXPECT_EQ(tools::GreyLevel(c.colour, BaseColour::Green), std::stoi(c.green));
    EXPECT_EQ(tools::GreyLevel(c.colour, BaseColour::Blue), std::stoi(c.blue));
}

INSTANTIATE_TEST_SUITE_P(
    Table, GreyKeys,
    ::testing::Values(KeyCase{kWhite, "000255", "000340", "000340", "000340"},
                      KeyCase{kBlack, "000000", "000000", "000000", "000000"},
                      KeyCase{Rgb(255, 0, 0), "000085", "000170", "000085", "000085"},
                      KeyCase{Rgb(128, 128, 128), "000128", "000170", "000170", "000170"},
                      KeyCase{Rgb(200, 100, 50), "000116", "000183", "000150", "000133"},
                      // Every bit set (the invalid-colour marker) reads as white.
                      KeyCase{0xFFFFFFFFu, "000255", "000340", "000340", "000340"},
                      // A top byte lengthens the hex text; its first six digits count:
                      // "12345678" and "1234567" both give blue 12, green 34, red 56.
                      KeyCase{0x12345678u, "000052", "000080", "000069", "000058"},
                      KeyCase{0x01234567u, "000052", "000080", "000069", "000058"},
                      // "F000000": blue F0, green 00, red 00.
                      KeyCase{0x0F000000u, "000080", "000080", "000080", "000160"}));

struct TraceCase {
    const char* name;
    std::vector<uint32_t> picture;  // one row
    int threshold;
    bool black;
    std::vector<uint32_t> expected;
    const char* keys;
};

class TraceRuns : public ::testing::TestWithParam<TraceCase> {};

TEST_P(TraceRuns, PaintByRankAndWriteTheSortedKeys) {
    const TraceCase& c = GetParam();
    ScratchDir dir;
    TBitmap bitmap;
    Paint(bitmap, {c.picture});
    FakeControls controls;
    controls.threshold = c.threshold;
    controls.black = c.black;

    EXPECT_EQ(tools::RunTrace(bitmap, controls, dir.File("Image.txt")), TraceOutcome::Completed);
    EXPECT_EQ(RowsOf(bitmap), Rows{c.expected});
    EXPECT_EQ(ReadFile(dir.File("Image.txt")), c.keys);

    // The statically dispatched run gives the same picture and keys.
    TBitmap direct;
    Paint(direct, {c.picture});
    FakeControls direct_controls;
    direct_controls.threshold = c.threshold;
    direct_controls.black = c.black;
    core::LineList keys;
    EXPECT_EQ(tools::RunTraceToList(direct, direct_controls, keys), TraceOutcome::Completed);
    EXPECT_EQ(RowsOf(direct), Rows{c.expected});
    EXPECT_EQ(keys.ToBytes(), c.keys);
}

constexpr uint32_t kG85 = Grey(85);
constexpr uint32_t kG170 = Grey(170);
const char* const kThreeGreyKeys = "000000\r\n000085\r\n000170\r\n";
const char* const kBlackWhiteKeys = "000000\r\n000255\r\n";

INSTANTIATE_TEST_SUITE_P(
    Table, TraceRuns,
    ::testing::Values(
        TraceCase{"OneColourNeverWhite", {kG85, kG85}, 0, false, {kG85, kG85}, "000085\r\n"},
        TraceCase{"OneColourAllBlack", {kG85, kG85}, 0, true, {kBlack, kBlack}, "000085\r\n"},
        TraceCase{"BlackWhiteAt50", {kBlack, kWhite}, 50, false, {kBlack, kWhite}, kBlackWhiteKeys},
        TraceCase{
            "BlackWhiteAt50Black", {kBlack, kWhite}, 50, true, {kBlack, kBlack}, kBlackWhiteKeys},
        TraceCase{
            "BlackWhiteAt49Black", {kBlack, kWhite}, 49, true, {kBlack, kWhite}, kBlackWhiteKeys},
        TraceCase{
            "GreysAt50", {kBlack, kG85, kG170}, 50, false, {kBlack, kG85, kWhite}, kThreeGreyKeys},
        TraceCase{
            "GreysAt33", {kBlack, kG85, kG170}, 33, false, {kBlack, kG85, kWhite}, kThreeGreyKeys},
        TraceCase{"GreysAt32",
                  {kBlack, kG85, kG170},
                  32,
                  false,
                  {kBlack, kWhite, kWhite},
                  kThreeGreyKeys},
        TraceCase{"GreysAt50Black",
                  {kBlack, kG85, kG170},
                  50,
                  true,
                  {kBlack, kBlack, kWhite},
                  kThreeGreyKeys},
        TraceCase{"GreysAt32Black",
                  {kG85, kBlack, kG170},
                  32,
                  true,
                  {kWhite, kBlack, kWhite},
                  kThreeGreyKeys},
        TraceCase{"At100NothingWhite",
                  {kG170, kBlack, kG85},
                  100,
                  false,
                  {kG170, kBlack, kG85},
                  kThreeGreyKeys},
        TraceCase{"At0OnlyTheDarkestStays",
                  {Grey(40), Grey(10), Grey(30), Grey(0), Grey(20)},
                  0,
                  false,
                  {kWhite, kWhite, kWhite, Grey(0), kWhite},
                  "000000\r\n000010\r\n000020\r\n000030\r\n000040\r\n"}),
    [](const ::testing::TestParamInfo<TraceCase>& info) { return info.param.name; });

TEST(RunTrace, CallsEveryHookOncePerPixelAndSwitchesBetweenThePasses) {
    ScratchDir dir;
    TBitmap bitmap;
    Paint(bitmap, {{kBlack, kG85, kWhite}, {kG170, kBlack, kWhite}});
    FakeControls controls;
    tools::RunTrace(bitmap, controls, dir.File("Image.txt"));

    const std::vector<int64_t> counts{1, 2, 3, 4, 5, 6};
    EXPECT_EQ(controls.first_steps, counts);
    EXPECT_EQ(controls.second_steps, counts);
    EXPECT_EQ(controls.switches, 1);
    EXPECT_EQ(controls.first_steps_at_switch, 6u);
    EXPECT_EQ(controls.second_steps_at_switch, 0u);
    EXPECT_EQ(controls.base_reads, 12);  // one key per pixel in each pass
    EXPECT_EQ(controls.cancel_reads, 6);
    EXPECT_EQ(controls.threshold_reads, 6);
    EXPECT_EQ(controls.black_reads, 6);
}

TEST(RunTrace, CancelLeavesPictureAndOldKeyFileAlone) {
    ScratchDir dir;
    const std::string keys = dir.File("Image.txt");
    testing_support::WriteFile(keys, "old\r\n");
    TBitmap bitmap;
    Paint(bitmap, {{kBlack, kG85, kWhite}, {kG170, kBlack, kWhite}, {kG85, kG85, kG85}});
    const Rows before = RowsOf(bitmap);
    FakeControls controls;
    controls.black = true;
    controls.threshold = 0;
    controls.cancel_after = 4;

    EXPECT_EQ(tools::RunTrace(bitmap, controls, keys), TraceOutcome::Cancelled);
    EXPECT_EQ(RowsOf(bitmap), before);
    EXPECT_EQ(ReadFile(keys), "old\r\n");
    EXPECT_EQ(controls.first_steps, (std::vector<int64_t>{1, 2, 3, 4}));
    EXPECT_TRUE(controls.second_steps.empty());
    EXPECT_EQ(controls.switches, 0);
}

class EmptyPictures : public ::testing::TestWithParam<std::pair<int32_t, int32_t>> {};

TEST_P(EmptyPictures, VisitNothingAndWriteAnEmptyKeyFile) {
    ScratchDir dir;
    TBitmap bitmap;
    bitmap.SetWidth(GetParam().first);
    bitmap.SetHeight(GetParam().second);
    FakeControls controls;
    EXPECT_EQ(tools::RunTrace(bitmap, controls, dir.File("Image.txt")), TraceOutcome::Completed);
    ASSERT_TRUE(std::filesystem::exists(dir.File("Image.txt")));
    EXPECT_EQ(std::filesystem::file_size(dir.File("Image.txt")), 0u);
    EXPECT_TRUE(controls.first_steps.empty());
    EXPECT_TRUE(controls.second_steps.empty());
    EXPECT_EQ(controls.switches, 1);
}

INSTANTIATE_TEST_SUITE_P(Table, EmptyPictures,
                         ::testing::Values(std::pair{0, 0}, std::pair{5, 0}, std::pair{0, 5},
                                           std::pair{-3, 0}));

TEST(RunTrace, UnwritableKeyFileFailsAfterThePictureChanged) {
    ScratchDir dir;
    TBitmap bitmap;
    Paint(bitmap, {{kBlack, kG85}});
    FakeControls controls;
    controls.threshold = 0;
    EXPECT_THROW(tools::RunTrace(bitmap, controls, dir.File("missing/Image.txt")), core::Failure);
    EXPECT_EQ(RowsOf(bitmap), (Rows{{kBlack, kWhite}}));
}

TEST(RunTraceToList, ReplacesTheListWhenCompleteAndKeepsItOnCancel) {
    TBitmap bitmap;
    Paint(bitmap, {{kG170, kBlack}});
    core::LineList keys;
    keys.Append("stale");

    FakeControls cancelling;
    cancelling.cancel_after = 1;
    EXPECT_EQ(tools::RunTraceToList(bitmap, cancelling, keys), TraceOutcome::Cancelled);
    ASSERT_EQ(keys.Count(), 1);
    EXPECT_EQ(keys.Read(0), "stale");

    FakeControls controls;
    EXPECT_EQ(tools::RunTraceToList(bitmap, controls, keys), TraceOutcome::Completed);
    ASSERT_EQ(keys.Count(), 2);
    EXPECT_EQ(keys.Read(0), "000000");
    EXPECT_EQ(keys.Read(1), "000170");
}

// A model of the run written as plainly as the rule reads: per pixel in
// column order, the choices as read for that pixel. Choices that change from
// pixel to pixel make the result depend on the visiting order, and a base
// changed between the passes leaves keys missing from the list (rank -1).
struct Schedule {
    const char* name;
    BaseColour (*first_base)(int64_t pixel);
    BaseColour (*second_base)(int64_t pixel);
    int (*threshold)(int64_t pixel);
    bool (*black)(int64_t pixel);
};

class ScheduledControls final : public tools::TraceControls {
  public:
    explicit ScheduledControls(const Schedule& schedule) : schedule_(schedule) {}
    BaseColour Base() override {
        return second_ ? schedule_.second_base(second_done_) : schedule_.first_base(first_done_);
    }
    int Threshold() override { return schedule_.threshold(second_done_); }
    bool PaintBlack() override { return schedule_.black(second_done_); }
    bool CancelRequested() override { return false; }
    void FirstPassStep(int64_t done) override { first_done_ = done; }
    void SecondPassStep(int64_t done) override { second_done_ = done; }
    void PassesSwitched() override { second_ = true; }

  private:
    const Schedule& schedule_;
    bool second_ = false;
    int64_t first_done_ = 0;
    int64_t second_done_ = 0;
};

struct ModelResult {
    std::vector<uint32_t> pixels;
    std::string keys;
};

ModelResult Model(std::vector<uint32_t> pixels, int32_t width, int32_t height,
                  const Schedule& schedule) {
    std::set<int> seen;
    int64_t i = 0;
    for (int32_t x = 0; x < width; ++x) {
        for (int32_t y = 0; y < height; ++y, ++i) {
            seen.insert(tools::GreyLevel(
                raster::ColourOf(pixels[static_cast<std::size_t>(int64_t{y} * width + x)]),
                schedule.first_base(i)));
        }
    }
    const std::vector<int> levels(seen.begin(), seen.end());
    const auto n = static_cast<int>(levels.size());
    i = 0;
    for (int32_t x = 0; x < width; ++x) {
        for (int32_t y = 0; y < height; ++y, ++i) {
            uint32_t& pixel = pixels[static_cast<std::size_t>(int64_t{y} * width + x)];
            const int level = tools::GreyLevel(raster::ColourOf(pixel), schedule.second_base(i));
            const auto at = std::find(levels.begin(), levels.end(), level);
            const int r = at == levels.end() ? -1 : static_cast<int>(at - levels.begin());
            if (r * 100 / n > schedule.threshold(i)) {
                pixel = kWhite;
            } else if (schedule.black(i)) {
                pixel = kBlack;
            }
        }
    }
    std::string keys;
    for (const int level : levels) {
        const std::string digits = std::to_string(level);
        keys += std::string(6 - digits.size(), '0') + digits + "\r\n";
    }
    return {pixels, keys};
}

// Stored pixels from a small palette, so keys repeat, with runs.
std::vector<uint32_t> Scramble(int32_t width, int32_t height) {
    static constexpr uint32_t kPalette[] = {kBlack,         kWhite,          Grey(85),
                                            Rgb(255, 0, 0), Rgb(0, 200, 90), Rgb(12, 34, 250),
                                            0x00FFFF00u,    0x00000001u,     Grey(170)};
    std::vector<uint32_t> pixels(static_cast<std::size_t>(width) *
                                 static_cast<std::size_t>(height));
    uint32_t state = 12345;
    for (uint32_t& pixel : pixels) {
        state = state * 1103515245u + 12345u;
        pixel = kPalette[(state >> 16) % 9];
    }
    return pixels;
}

struct Shape {
    int32_t width, height;
};

class AgainstModel : public ::testing::TestWithParam<std::tuple<Shape, Schedule>> {};

TEST_P(AgainstModel, PictureAndKeysMatchThePlainRule) {
    const auto& [shape, schedule] = GetParam();
    const std::vector<uint32_t> pixels = Scramble(shape.width, shape.height);
    const ModelResult expected = Model(pixels, shape.width, shape.height, schedule);

    TBitmap bitmap;
    bitmap.SetWidth(shape.width);
    bitmap.SetHeight(shape.height);
    std::copy(pixels.begin(), pixels.end(), bitmap.MutableData());
    ScheduledControls controls(schedule);
    core::LineList keys;
    tools::RunTraceToList(bitmap, static_cast<tools::TraceControls&>(controls), keys);

    EXPECT_EQ(keys.ToBytes(), expected.keys);
    const std::vector<uint32_t> got(bitmap.Data(), bitmap.Data() + pixels.size());
    EXPECT_EQ(got, expected.pixels);
}

BaseColour NoBase(int64_t) { return BaseColour::None; }
BaseColour RedBase(int64_t) { return BaseColour::Red; }
// Changes once, in the middle of a column of most shapes.
BaseColour GreenAfter100(int64_t i) { return i < 100 ? BaseColour::None : BaseColour::Green; }
BaseColour Rotating(int64_t i) { return static_cast<BaseColour>(i / 7 % 4); }
int Fixed50(int64_t) { return 50; }
int Sweeping(int64_t i) { return static_cast<int>(i % 101); }
bool NoBlack(int64_t) { return false; }
bool Black(int64_t) { return true; }
bool BlackInTurns(int64_t i) { return i / 5 % 2 == 0; }

INSTANTIATE_TEST_SUITE_P(
    Table, AgainstModel,
    ::testing::Combine(
        ::testing::Values(Shape{1, 1}, Shape{1, 40}, Shape{40, 1}, Shape{33, 17}, Shape{300, 19},
                          Shape{530, 33}),
        ::testing::Values(Schedule{"Plain", NoBase, NoBase, Fixed50, NoBlack},
                          Schedule{"RedBlack", RedBase, RedBase, Fixed50, Black},
                          Schedule{"BaseChangesOnce", GreenAfter100, GreenAfter100, Sweeping,
                                   BlackInTurns},
                          Schedule{"Rotating", Rotating, Rotating, Sweeping, BlackInTurns},
                          Schedule{"BaseChangedBetweenPasses", NoBase, RedBase, Fixed50, Black})),
    [](const auto& info) {
        const Shape& shape = std::get<0>(info.param);
        return std::string(std::get<1>(info.param).name) + "_" + std::to_string(shape.width) + "x" +
               std::to_string(shape.height);
    });

class ColumnReading : public ::testing::TestWithParam<Shape> {};

TEST_P(ColumnReading, GivesEveryPixelOfEveryColumn) {
    const Shape shape = GetParam();
    TBitmap bitmap;
    bitmap.SetWidth(shape.width);
    bitmap.SetHeight(shape.height);
    uint32_t* data = bitmap.MutableData();
    const std::size_t count = static_cast<std::size_t>(shape.width) * shape.height;
    for (std::size_t i = 0; i < count; ++i) data[i] = static_cast<uint32_t>(i);

    tools::trace_detail::ColumnReader reader(bitmap, shape.width, shape.height);
    std::size_t wrong = 0;
    for (int32_t x = 0; x < shape.width; ++x) {
        const auto column = reader.Read(x);
        for (int32_t y = 0; y < shape.height; ++y) {
            if (column.At(y) != static_cast<uint32_t>(y) * shape.width + x) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0u);
}

// Block widths of 256, of the whole width, of 209 (the buffer bound over the
// height) and none at all (a picture too tall for a buffer).
INSTANTIATE_TEST_SUITE_P(Table, ColumnReading,
                         ::testing::Values(Shape{600, 35}, Shape{7, 1000}, Shape{300, 20000},
                                           Shape{2, 2100000}, Shape{1, 50}));

}  // namespace
