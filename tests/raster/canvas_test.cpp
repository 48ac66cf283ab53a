#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "raster/tbitmap.h"

namespace raster {
namespace {

// Table cases print by name in failure messages.
template <class Case>
requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

using Point = std::pair<int32_t, int32_t>;
using PointSet = std::set<Point>;

void MakeSized(TBitmap& bitmap, int32_t width, int32_t height) {
    bitmap.SetWidth(width);
    bitmap.SetHeight(height);
}

// The positions that are not white.
PointSet Painted(const TBitmap& bitmap) {
    PointSet painted;
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        for (int32_t x = 0; x < bitmap.Width(); ++x) {
            if (bitmap.Pixel(x, y) != clWhite) painted.insert({x, y});
        }
    }
    return painted;
}

// Straightforward unclipped Bresenham, written independently of the code under
// test: the decision variable steps the minor axis only when strictly
// positive, so exact halves keep the pixel nearer the start.
std::vector<std::pair<int64_t, int64_t>> ReferenceLine(int64_t x0, int64_t y0, int64_t x1,
                                                       int64_t y1) {
    std::vector<std::pair<int64_t, int64_t>> pixels;
    const int64_t dx = std::llabs(x1 - x0);
    const int64_t dy = std::llabs(y1 - y0);
    const int64_t sx = x1 > x0 ? 1 : -1;
    const int64_t sy = y1 > y0 ? 1 : -1;
    int64_t x = x0;
    int64_t y = y0;
    if (dx >= dy) {
        int64_t d = 2 * dy - dx;
        for (int64_t i = 0; i < dx; ++i, x += sx) {
            pixels.emplace_back(x, y);
            if (d > 0) {
                y += sy;
                d -= 2 * dx;
            }
            d += 2 * dy;
        }
    } else {
        int64_t d = 2 * dx - dy;
        for (int64_t i = 0; i < dy; ++i, y += sy) {
            pixels.emplace_back(x, y);
            if (d > 0) {
                x += sx;
                d -= 2 * dy;
            }
            d += 2 * dx;
        }
    }
    return pixels;
}

struct LineCase {
    const char* name;
    int32_t width;
    int32_t height;
    std::vector<Point> path;  // move-to the first point, line-to each next
    PointSet painted;
};

class LineRuleTest : public testing::TestWithParam<LineCase> {};

TEST_P(LineRuleTest, PaintsExactlyTheExpectedPixels) {
    const LineCase& c = GetParam();
    TBitmap bitmap;
    MakeSized(bitmap, c.width, c.height);
    TCanvas& canvas = bitmap.Canvas();
    canvas.MoveTo(c.path.front().first, c.path.front().second);
    for (std::size_t i = 1; i < c.path.size(); ++i)
        canvas.LineTo(c.path[i].first, c.path[i].second);
    EXPECT_EQ(Painted(bitmap), c.painted);
    EXPECT_EQ(canvas.PenX(), c.path.back().first);
    EXPECT_EQ(canvas.PenY(), c.path.back().second);
}

constexpr int32_t kBig = 2000000000;
constexpr int32_t kHalf = 1000000000;

INSTANTIATE_TEST_SUITE_P(
    Examples, LineRuleTest,
    testing::Values(
        LineCase{"Horizontal", 5, 5, {{0, 0}, {3, 0}}, {{0, 0}, {1, 0}, {2, 0}}},
        LineCase{"Diagonal", 5, 5, {{0, 0}, {2, 2}}, {{0, 0}, {1, 1}}},
        LineCase{"ZeroLength", 8, 8, {{5, 5}, {5, 5}}, {}},
        LineCase{"Chain", 5, 5, {{0, 0}, {2, 0}, {2, 2}}, {{0, 0}, {1, 0}, {2, 0}, {2, 1}}},
        LineCase{"ClippedBothEnds", 2, 2, {{-2, 1}, {3, 1}}, {{0, 1}, {1, 1}}},
        LineCase{"LeftwardsExcludesEnd", 5, 5, {{4, 2}, {1, 2}}, {{4, 2}, {3, 2}, {2, 2}}},
        LineCase{"Upwards", 5, 5, {{1, 4}, {1, 1}}, {{1, 4}, {1, 3}, {1, 2}}},
        LineCase{"SteepPositive", 5, 5, {{0, 0}, {1, 3}}, {{0, 0}, {0, 1}, {1, 2}}},
        LineCase{
            "ShallowNegative", 6, 3, {{5, 2}, {0, 0}}, {{5, 2}, {4, 2}, {3, 1}, {2, 1}, {1, 0}}},
        // Exact halves go to the pixel nearer the start, in either direction.
        LineCase{"HalfKeepsStartRow", 5, 5, {{0, 0}, {4, 2}}, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        LineCase{
            "HalfKeepsStartRowBackwards", 5, 5, {{4, 2}, {0, 0}}, {{4, 2}, {3, 2}, {2, 1}, {1, 1}}},
        LineCase{"EntirelyOutside", 4, 4, {{-5, -1}, {10, -1}}, {}},
        LineCase{"PassesCornerOutside", 4, 4, {{-3, 2}, {2, -3}}, {}},
        LineCase{"EndsJustOutside", 3, 3, {{0, 2}, {3, 2}}, {{0, 2}, {1, 2}, {2, 2}}},
        LineCase{"StartsOutsideEndsInside", 4, 4, {{-2, -2}, {2, 2}}, {{0, 0}, {1, 1}}},
        LineCase{"HugeHorizontal",
                 10,
                 10,
                 {{-kBig, 5}, {kBig, 5}},
                 {{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}, {8, 5}, {9, 5}}},
        LineCase{"HugeVertical", 3, 4, {{1, kBig}, {1, -kBig}}, {{1, 0}, {1, 1}, {1, 2}, {1, 3}}},
        LineCase{"HugeDiagonal", 3, 3, {{-kBig, -kBig}, {kBig, kBig}}, {{0, 0}, {1, 1}, {2, 2}}},
        LineCase{"ExtremeCorners",
                 2,
                 2,
                 {{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}},
                 {{0, 0}, {1, 1}}},
        // The ideal line crosses y = 0.5 exactly at x = 3.
        LineCase{"HugeHalfForwards",
                 8,
                 2,
                 {{3 - kHalf, 0}, {3 + kHalf, 1}},
                 {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 1}, {5, 1}, {6, 1}, {7, 1}}},
        LineCase{"HugeHalfBackwards",
                 8,
                 2,
                 {{3 + kHalf, 1}, {3 - kHalf, 0}},
                 {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}}},
        LineCase{"HugeEndInsideExcluded", 4, 1, {{-kBig, 0}, {2, 0}}, {{0, 0}, {1, 0}}}),
    [](const auto& info) { return info.param.name; });

TEST(CanvasTest, LineUsesThePenColourResolved) {
    TBitmap bitmap;
    MakeSized(bitmap, 4, 2);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Pen.Color = clBlue;
    canvas.LineTo(2, 0);
    canvas.Pen.Color = clInvalid;
    canvas.MoveTo(0, 1);
    bitmap.SetPixel(1, 1, clRed);
    canvas.LineTo(3, 1);
    EXPECT_EQ(bitmap.Pixel(0, 0), clBlue);
    EXPECT_EQ(bitmap.Pixel(1, 0), clBlue);
    EXPECT_EQ(bitmap.Pixel(2, 0), clWhite);
    EXPECT_EQ(bitmap.Pixel(0, 1), clBlack);
    EXPECT_EQ(bitmap.Pixel(1, 1), clBlack);
    EXPECT_EQ(bitmap.Pixel(3, 1), clWhite);
}

TEST(CanvasTest, MoveToAndPixelWriteLeaveThePenAlone) {
    TBitmap bitmap;
    MakeSized(bitmap, 4, 4);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Pen.Color = clSilver;
    canvas.MoveTo(-7, 12);
    canvas.SetPixel(1, 1, clRed);
    EXPECT_EQ(canvas.PenX(), -7);
    EXPECT_EQ(canvas.PenY(), 12);
    EXPECT_EQ(canvas.Pen.Color, clSilver);
    EXPECT_EQ(Painted(bitmap), (PointSet{{1, 1}}));
}

TEST(CanvasTest, LineOnBitmapWithoutPixelsOnlyMovesThePen) {
    TBitmap bitmap;
    bitmap.SetWidth(5);
    (void)bitmap.TakeDirty();
    TCanvas& canvas = bitmap.Canvas();
    canvas.LineTo(4, 4);
    EXPECT_EQ(canvas.PenX(), 4);
    EXPECT_EQ(canvas.PenY(), 4);
    EXPECT_FALSE(bitmap.HasPixels());
    EXPECT_FALSE(bitmap.HasPendingChange());
}

TEST(CanvasTest, DirtyAreaIsTheBoundsOfThePaintedPart) {
    TBitmap bitmap;
    MakeSized(bitmap, 10, 10);
    (void)bitmap.TakeDirty();
    TCanvas& canvas = bitmap.Canvas();
    canvas.MoveTo(12, 8);
    canvas.LineTo(-4, 2);
    const DirtyRect taken = bitmap.TakeDirty();
    const PointSet painted = Painted(bitmap);
    ASSERT_FALSE(painted.empty());
    int32_t left = 10, top = 10, right = 0, bottom = 0;
    for (const auto& [x, y] : painted) {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x + 1);
        bottom = std::max(bottom, y + 1);
    }
    EXPECT_EQ(taken.left, left);
    EXPECT_EQ(taken.top, top);
    EXPECT_EQ(taken.right, right);
    EXPECT_EQ(taken.bottom, bottom);
}

struct RandomCase {
    const char* name;
    int32_t width;
    int32_t height;
    int32_t low;  // end point coordinates are drawn from [low, high]
    int32_t high;
    int lines;
};

class ClippedLineTest : public testing::TestWithParam<RandomCase> {};

// A clipped line must paint exactly the in-picture pixels of the unclipped one.
TEST_P(ClippedLineTest, MatchesTheUnclippedReference) {
    const RandomCase& c = GetParam();
    std::mt19937 random(12345);
    std::uniform_int_distribution<int32_t> coordinate(c.low, c.high);
    for (int n = 0; n < c.lines; ++n) {
        TBitmap bitmap;
        MakeSized(bitmap, c.width, c.height);
        const int32_t x0 = coordinate(random), y0 = coordinate(random);
        const int32_t x1 = coordinate(random), y1 = coordinate(random);
        bitmap.Canvas().MoveTo(x0, y0);
        bitmap.Canvas().LineTo(x1, y1);
        PointSet expected;
        for (const auto& [x, y] : ReferenceLine(x0, y0, x1, y1)) {
            if (x >= 0 && x < c.width && y >= 0 && y < c.height) {
                expected.insert({static_cast<int32_t>(x), static_cast<int32_t>(y)});
            }
        }
        ASSERT_EQ(Painted(bitmap), expected)
            << "line (" << x0 << ", " << y0 << ") to (" << x1 << ", " << y1 << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(Random, ClippedLineTest,
                         testing::Values(RandomCase{"Near", 17, 11, -12, 30, 4000},
                                         RandomCase{"Square", 16, 16, -40, 56, 3000},
                                         RandomCase{"Far", 23, 9, -3000, 3000, 1500},
                                         RandomCase{"Tall", 3, 40, -60, 60, 3000},
                                         RandomCase{"OnePixel", 1, 1, -4, 4, 2000}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace raster
