#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "raster/ink_mask.h"

namespace raster {
namespace {

std::vector<InkSegment> RandomSegments(std::mt19937& random, int count) {
    std::uniform_int_distribution<int32_t> coordinate(-20, 110);
    std::vector<InkSegment> segments;
    segments.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        segments.push_back(
            {coordinate(random), coordinate(random), coordinate(random), coordinate(random)});
    }
    return segments;
}

// A mask kept between batches clears only what it inked: the next batch must
// come out as on a fresh mask, and the inked bounds must hold every inked pixel.
TEST(InkMaskTest, ClearedMaskInksLikeAFreshOne) {
    std::mt19937 random(7);
    InkMask kept(300, 70);  // sides that are not whole tiles
    for (int round = 0; round < 4; ++round) {
        const std::vector<InkSegment> batch = RandomSegments(random, 1 + round * 5);
        kept.Clear();
        EXPECT_EQ(kept.InkedBounds().right, 0);
        kept.Lines(batch);
        kept.Pixel(299, 69);
        InkMask fresh(300, 70);
        fresh.Lines(batch);
        fresh.Pixel(299, 69);
        const InkMask::Bounds bounds = kept.InkedBounds();
        for (int32_t y = 0; y < 70; ++y) {
            for (int32_t x = 0; x < 300; ++x) {
                ASSERT_EQ(kept.Inked(x, y), fresh.Inked(x, y)) << round << ": " << x << "," << y;
                if (kept.Inked(x, y)) {
                    ASSERT_TRUE(x >= bounds.left && x < bounds.right && y >= bounds.top &&
                                y < bounds.bottom)
                        << x << "," << y;
                }
            }
        }
        EXPECT_EQ(bounds.right, 300);
        EXPECT_EQ(bounds.bottom, 70);
    }
}

}  // namespace
}  // namespace raster
