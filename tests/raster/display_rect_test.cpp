#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <vector>

#include "raster/display_rect.h"

namespace raster {
namespace {

// Table cases print by name in failure messages.
template <class Case>
requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

struct RectCase {
    const char* name;
    int32_t w, h, cw, ch;
    bool proportional;
    DisplaySize expected;
};

class DisplayRectTest : public testing::TestWithParam<RectCase> {};

TEST_P(DisplayRectTest, GivesTheShownSize) {
    const RectCase& c = GetParam();
    EXPECT_EQ(DisplayRect(c.w, c.h, c.cw, c.ch, c.proportional), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, DisplayRectTest,
    testing::Values(RectCase{"WideReduced", 400, 100, 200, 200, true, {200, 50}},
                    RectCase{"TallReduced", 100, 400, 200, 200, true, {50, 200}},
                    RectCase{"WideLimitedByHeight", 300, 200, 250, 100, true, {150, 100}},
                    RectCase{"TallLimitedByWidth", 200, 300, 100, 250, true, {100, 150}},
                    RectCase{"SquareInWideControl", 500, 500, 200, 100, true, {100, 100}},
                    RectCase{"OffShowsNaturalSize", 400, 100, 200, 200, false, {400, 100}},
                    RectCase{"FitsWithSwitchOn", 100, 100, 200, 200, true, {100, 100}},
                    RectCase{"FitsWithSwitchOff", 100, 100, 200, 200, false, {100, 100}},
                    RectCase{"ExactFit", 200, 200, 200, 200, true, {200, 200}},
                    RectCase{"OnlyHeightTooLarge", 50, 300, 200, 200, true, {33, 200}},
                    RectCase{"NoPixelsWide", 0, 500, 10, 10, true, {0, 500}},
                    RectCase{"NoPixelsTall", 500, 0, 10, 10, true, {500, 0}},
                    RectCase{"ZeroControl", 10, 5, 0, 0, true, {0, 0}},
                    // The ratio is taken in double precision and truncated, so an exact
                    // quotient of 7 computes as 6.999... and shows 6.
                    RectCase{"DoubleTruncationDivide", 18, 14, 9, 100, true, {9, 6}},
                    RectCase{"DoubleTruncationMultiply", 30, 44, 100, 22, true, {14, 22}}),
    [](const auto& info) { return info.param.name; });

TEST(DisplayRectTest, NegativeControlSideSaturatesInsteadOfOverflowing) {
    const DisplaySize shown = DisplayRect(1, 1 << 30, -5, 100, true);
    EXPECT_EQ(shown.width, -5);
    EXPECT_EQ(shown.height, std::numeric_limits<int32_t>::min());
}

struct SampleCase {
    const char* name;
    int32_t source;
    int32_t shown;
    std::vector<int32_t> expected;
};

class SampleIndicesTest : public testing::TestWithParam<SampleCase> {};

TEST_P(SampleIndicesTest, DropsWholeColumns) {
    EXPECT_EQ(SampleIndices(GetParam().source, GetParam().shown), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, SampleIndicesTest,
    testing::Values(SampleCase{"Half", 4, 2, {0, 2}}, SampleCase{"Odd", 5, 2, {0, 2}},
                    SampleCase{"Third", 9, 4, {0, 2, 4, 6}}, SampleCase{"Same", 3, 3, {0, 1, 2}},
                    SampleCase{"Enlarged", 2, 4, {0, 0, 1, 1}}, SampleCase{"One", 7, 1, {0}},
                    SampleCase{"NoSource", 0, 3, {}}, SampleCase{"NothingShown", 3, 0, {}},
                    SampleCase{"NegativeShown", 3, -2, {}},
                    SampleCase{"Huge", 2000000000, 3, {0, 666666666, 1333333333}}),
    [](const auto& info) { return info.param.name; });

TEST(SampleIndicesTest, StaysInsideTheSource) {
    for (int32_t source = 1; source < 60; ++source) {
        for (int32_t shown = 1; shown < 60; ++shown) {
            const std::vector<int32_t> indices = SampleIndices(source, shown);
            ASSERT_EQ(indices.size(), static_cast<std::size_t>(shown));
            for (std::size_t i = 0; i < indices.size(); ++i) {
                ASSERT_GE(indices[i], 0);
                ASSERT_LT(indices[i], source);
                if (i > 0) {
                    ASSERT_GE(indices[i], indices[i - 1]);
                }
            }
        }
    }
}

}  // namespace
}  // namespace raster
