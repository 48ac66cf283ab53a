#include "raster/ink_mask.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <new>
#include <system_error>
#include <thread>

#include "raster/line_rule.h"
#include "raster/resource_error.h"

namespace raster {

InkMask::InkMask(int32_t width, int32_t height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      words_per_row_((static_cast<std::size_t>(width_) + 63) / 64),
      tiles_per_row_((static_cast<std::size_t>(width_) + kTileSize - 1) / kTileSize) {
    const auto tile_rows = static_cast<std::size_t>(TileRows());
    try {
        bits_.assign(words_per_row_ * static_cast<std::size_t>(height_), 0);
        blank_.resize(tiles_per_row_ * tile_rows);
        for (int level = 0; level < kLevels; ++level) {
            const std::size_t side = std::size_t{1} << (kTileShift + 1 + level);
            squares_per_row_[level] = (static_cast<std::size_t>(width_) + side - 1) / side;
            open_[level].resize(squares_per_row_[level] *
                                ((static_cast<std::size_t>(height_) + side - 1) / side));
        }
    } catch (const std::bad_alloc&) {
        throw ResourceError();
    }
    CountBlanks();
}

uint16_t InkMask::TilePixels(std::size_t tx, std::size_t ty) const {
    const auto rows = std::min<int64_t>(kTileSize, height_ - static_cast<int64_t>(ty) * kTileSize);
    const auto columns =
        std::min<int64_t>(kTileSize, width_ - static_cast<int64_t>(tx) * kTileSize);
    return static_cast<uint16_t>(rows * columns);
}

void InkMask::CountBlanks() {
    const auto tile_rows = static_cast<std::size_t>(TileRows());
    for (std::size_t ty = 0; ty < tile_rows; ++ty) {
        for (std::size_t tx = 0; tx < tiles_per_row_; ++tx) {
            blank_[ty * tiles_per_row_ + tx] = TilePixels(tx, ty);
        }
    }
    // Each square counts the quarters that lie in the picture.
    std::size_t columns = tiles_per_row_;
    std::size_t rows = tile_rows;
    for (int level = 0; level < kLevels; ++level) {
        const std::size_t per_row = squares_per_row_[level];
        std::vector<uint8_t>& open = open_[level];
        for (std::size_t q = 0; q < open.size(); ++q) {
            const std::size_t qx = q % per_row;
            const std::size_t qy = q / per_row;
            open[q] = static_cast<uint8_t>(std::min<std::size_t>(2, columns - 2 * qx) *
                                           std::min<std::size_t>(2, rows - 2 * qy));
        }
        columns = (columns + 1) / 2;
        rows = (rows + 1) / 2;
    }
}

InkMask::Bounds InkMask::InkedBounds() const {
    std::size_t left = tiles_per_row_;
    std::size_t right = 0;
    std::size_t top = 0;
    std::size_t bottom = 0;
    bool any = false;
    const auto tile_rows = static_cast<std::size_t>(TileRows());
    for (std::size_t ty = 0; ty < tile_rows; ++ty) {
        const uint16_t* blank = blank_.data() + ty * tiles_per_row_;
        bool row_inked = false;
        for (std::size_t tx = 0; tx < tiles_per_row_; ++tx) {
            if (blank[tx] == TilePixels(tx, ty)) continue;
            row_inked = true;
            left = std::min(left, tx);
            right = std::max(right, tx + 1);
        }
        if (!row_inked) continue;
        if (!any) top = ty;
        any = true;
        bottom = ty + 1;
    }
    if (!any) return {};
    auto cut = [](std::size_t tiles, int32_t limit) {
        return static_cast<int32_t>(std::min<std::size_t>(tiles * kTileSize, limit));
    };
    return {cut(left, width_), cut(top, height_), cut(right, width_), cut(bottom, height_)};
}

void InkMask::Clear() {
    const Bounds inked = InkedBounds();
    if (inked.right > inked.left) {
        const auto first = static_cast<std::size_t>(inked.left) / 64;
        const std::size_t words = (static_cast<std::size_t>(inked.right) + 63) / 64 - first;
        for (int32_t y = inked.top; y < inked.bottom; ++y) {
            std::fill_n(bits_.data() + Word(0, y) + first, words, uint64_t{0});
        }
    }
    CountBlanks();
}

// Below this many segments a second thread costs more than it saves.
constexpr std::size_t kSegmentsWorthAThread = 20000;

void InkMask::Lines(const std::vector<InkSegment>& segments, const std::vector<InkPoint>& points) {
    auto band = [this, &segments, &points](int32_t top, int32_t bottom) {
        for (const InkSegment& s : segments) {
            // A segment's pixels lie between its ends' rows.
            if (std::max(s.y0, s.y1) < top || std::min(s.y0, s.y1) >= bottom) continue;
            Line(s.x0, s.y0, s.x1, s.y1, top, bottom);
        }
        for (const InkPoint& p : points) {
            if (p.y >= top && p.y < bottom) Pixel(p.x, p.y);
        }
    };
    // The halves meet on the block row nearest the middle, so the two
    // threads share no counter.
    int32_t middle = (height_ / 2 + kBlockSize / 2) & ~(kBlockSize - 1);
    if (middle >= height_) middle -= kBlockSize;
    if (middle <= 0 || segments.size() + points.size() < kSegmentsWorthAThread) {
        band(0, height_);
        return;
    }
    std::thread helper;
    try {
        helper = std::thread(band, 0, middle);
    } catch (const std::system_error&) {
        band(0, middle);  // no thread to be had: draw it here
    }
    band(middle, height_);
    if (helper.joinable()) helper.join();
}

void InkMask::Pixel(int64_t x, int64_t y) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    Set(x, y, Tile(x, y));
}

namespace {

// Steps until the run's pixel leaves the square of 2^shift pixels it is in
// (the first step whose pixel lies in another square).
int64_t StepsToLeave(const LineRun& run, int32_t shift) {
    const int64_t kTile = int64_t{1} << shift;
    const int64_t tile_major = run.major & ~(kTile - 1);
    int64_t steps = run.s_major > 0 ? tile_major + kTile - run.major : run.major - tile_major + 1;
    if (run.s_minor != 0) {
        const int64_t tile_minor = run.minor & ~(kTile - 1);
        const int64_t minor_moves =
            run.s_minor > 0 ? tile_minor + kTile - run.minor : run.minor - tile_minor + 1;
        // The first step after which the minor axis has moved that often.
        const int64_t needed = run.two_b * minor_moves - run.error;
        steps = std::min(steps, LineRun::Quotient(needed + run.two_a - 1, run.two_a));
    }
    return steps;
}

}  // namespace

void InkMask::Line(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int32_t top, int32_t bottom) {
    LineRun run;
    if (!ClipLine(x0, y0, x1, y1, 0, std::max(top, 0), width_, std::min(bottom, height_), run)) {
        return;
    }
    if (run.x_major) {
        Trace<true>(run);
    } else {
        Trace<false>(run);
    }
}

// The run goes square by square: over a full square or tile in one jump, and
// through a tile that is not full pixel by pixel, counting what it inks. A
// tile lies within one word of each row, so the walk moves a bit and a word
// index and needs no division: it stops at the tile's edge on the major
// axis or when the minor axis leaves the tile.
template <bool kXMajor>
void InkMask::Trace(LineRun& run) {
    const int64_t s_major = run.s_major;
    const int s_minor = static_cast<int>(run.s_minor);
    const int64_t two_a = run.two_a;
    const int64_t two_b = run.two_b;
    const auto stride = static_cast<std::ptrdiff_t>(words_per_row_);
    int64_t left = run.count;
    for (;;) {
        const int64_t x = kXMajor ? run.major : run.minor;
        const int64_t y = kXMajor ? run.minor : run.major;
        const std::size_t tile = Tile(x, y);
        if (blank_[tile] == 0) {
            // The largest full square around the pixel.
            int32_t full_shift = kTileShift;
            for (int level = 0; level < kLevels; ++level) {
                if (open_[level][Square(level, x, y)] != 0) break;
                full_shift = kTileShift + 1 + level;
            }
            const int64_t steps = std::min(StepsToLeave(run, full_shift), left);
            left -= steps;
            if (left == 0) return;
            run.Advance(steps);
            continue;
        }
        const int64_t tile_major = run.major & ~int64_t{kTileSize - 1};
        const int64_t major_room =
            s_major > 0 ? tile_major + kTileSize - run.major : run.major - tile_major + 1;
        const int64_t tile_minor = run.minor & ~int64_t{kTileSize - 1};
        int64_t minor_room = s_minor > 0   ? tile_minor + kTileSize - run.minor
                             : s_minor < 0 ? run.minor - tile_minor + 1
                                           : left + 1;
        const int64_t steps = std::min(major_room, left);
        // An index rather than a pointer: after the last step it may lie
        // beyond the mask, where a pointer may not point.
        auto word = static_cast<std::ptrdiff_t>(Word(x, y));
        uint64_t* const bits = bits_.data();
        uint64_t bit = uint64_t{1} << (x & 63);
        int64_t error = run.error;
        int64_t minor = run.minor;
        uint32_t inked = 0;
        int64_t taken = 0;
        while (taken < steps) {
            const uint64_t value = bits[word];
            inked += (value & bit) == 0 ? 1u : 0u;
            bits[word] = value | bit;
            ++taken;
            if constexpr (kXMajor) {
                bit = std::rotl(bit, static_cast<int>(s_major));
            } else {
                word += s_major * stride;
            }
            error += two_a;
            if (error >= two_b) {
                error -= two_b;
                minor += s_minor;
                if constexpr (kXMajor) {
                    word += s_minor * stride;
                } else {
                    bit = std::rotl(bit, s_minor);
                }
                if (--minor_room == 0) break;
            }
        }
        if (inked != 0) {
            blank_[tile] = static_cast<uint16_t>(blank_[tile] - inked);
            if (blank_[tile] == 0) TileFull(x, y);
        }
        left -= taken;
        if (left == 0) return;
        run.major += s_major * taken;
        run.minor = minor;
        run.error = error;
    }
}

}  // namespace raster
