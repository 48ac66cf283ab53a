#pragma once
// The trace run itself, for trace_engine.cpp and for callers whose controls
// class is known when compiling (the converter, a final class): their hooks
// are called directly; with six or seven hook calls per pixel, indirect calls
// are most of the cost of a quick run.
#include <algorithm>
#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/line_list.h"
#include "core/number_text.h"
#include "raster/tbitmap.h"
#include "raster/tcolor.h"
#include "tools/trace_engine.h"

namespace tools::trace_detail {

inline constexpr int kLevelCount = 341;  // 0..340: two channels plus twice the base, over 3

// The level of a stored pixel (0x00RRGGBB). Each channel other than the base
// adds its value plus the base's value; the base channel adds nothing.
[[nodiscard]] inline int LevelOf(uint32_t pixel, BaseColour base) {
    const int red = static_cast<int>((pixel >> 16) & 0xFFu);
    const int green = static_cast<int>((pixel >> 8) & 0xFFu);
    const int blue = static_cast<int>(pixel & 0xFFu);
    switch (base) {
        case BaseColour::Red:
            return (green + blue + 2 * red) / 3;
        case BaseColour::Green:
            return (red + blue + 2 * green) / 3;
        case BaseColour::Blue:
            return (red + green + 2 * blue) / 3;
        case BaseColour::None:
            break;
    }
    return (red + green + blue) / 3;
}

// The passes go column by column, which in a row-major picture is one cache
// line and one memory page per pixel. Reading a block of columns row by row
// into a column-major buffer touches each row once per block instead; wide
// blocks keep those visits, each a likely TLB miss, few. The picture does not
// change under a run except by the run's own writes.
class ColumnReader {
  public:
    static constexpr int64_t kMaxBlock = 256;                  // columns
    static constexpr int64_t kBufferLimit = int64_t{1} << 22;  // pixels, 16 MB
    static constexpr std::size_t kTile = 16;                   // pixels: one cache line

    struct Column {
        const uint32_t* first;
        std::size_t step;
        [[nodiscard]] uint32_t At(int32_t y) const {
            return first[static_cast<std::size_t>(y) * step];
        }
    };

    ColumnReader(const raster::TBitmap& bitmap, int32_t width, int32_t height)
        : bitmap_(bitmap), width_(width), height_(height) {
        // Very tall pictures are read in place: their buffer would be as
        // large as the picture, and a narrow stride costs little anyway.
        if (width > 1 && height > 0) {
            block_ = static_cast<int32_t>(
                std::min({kMaxBlock, static_cast<int64_t>(width), kBufferLimit / height}));
        }
        if (block_ > 1) {
            buffer_.resize(static_cast<std::size_t>(block_) * static_cast<std::size_t>(height));
        }
    }

    // Valid until the next Read; columns are asked for in ascending order.
    Column Read(int32_t x) {
        const uint32_t* data = bitmap_.Data();
        if (buffer_.empty()) return {data + x, static_cast<std::size_t>(width_)};
        const int32_t offset = x % block_;
        if (x - offset != gathered_) {
            gathered_ = x - offset;
            Gather(data, gathered_);
        }
        return {
            buffer_.data() + static_cast<std::size_t>(offset) * static_cast<std::size_t>(height_),
            1};
    }

  private:
    // Transposes in square tiles, so that both the rows read and the columns
    // written are touched a whole cache line at a time.
    void Gather(const uint32_t* data, int32_t x0) {
        const auto columns = static_cast<std::size_t>(std::min(block_, width_ - x0));
        const auto stride = static_cast<std::size_t>(width_);
        const auto h = static_cast<std::size_t>(height_);
        const uint32_t* band = data + static_cast<std::size_t>(x0);
        for (std::size_t y0 = 0; y0 < h; y0 += kTile, band += kTile * stride) {
            const std::size_t rows = std::min(kTile, h - y0);
            // The next band's rows lie on other pages, out of the hardware
            // prefetcher's reach.
            if (y0 + kTile < h) {
                const std::size_t next_rows = std::min(kTile, h - y0 - kTile);
                for (std::size_t y = 0; y < next_rows; ++y) {
                    const uint32_t* ahead = band + (kTile + y) * stride;
                    for (std::size_t k = 0; k < columns; k += kTile) __builtin_prefetch(ahead + k);
                    __builtin_prefetch(ahead + columns - 1);
                }
            }
            for (std::size_t k0 = 0; k0 < columns; k0 += kTile) {
                const std::size_t tile_columns = std::min(kTile, columns - k0);
                for (std::size_t k = k0; k < k0 + tile_columns; ++k) {
                    uint32_t* out = buffer_.data() + k * h + y0;
                    const uint32_t* in = band + k;
                    for (std::size_t y = 0; y < rows; ++y) out[y] = in[y * stride];
                }
            }
        }
    }

    const raster::TBitmap& bitmap_;
    int32_t width_;
    int32_t height_;
    int32_t block_ = 0;
    int32_t gathered_ = -1;  // first column in the buffer
    std::vector<uint32_t> buffer_;
};

using LevelSet = std::array<bool, kLevelCount>;

// Marks the levels of the first `count` pixels in column order, all under one
// base, sweeping memory in row order: the set does not depend on the order.
inline void MarkLevels(const raster::TBitmap& bitmap, int32_t width, int32_t height, int64_t count,
                       BaseColour base, LevelSet& seen) {
    if (count <= 0) return;
    const int64_t full_columns = count / height;
    const int64_t rows_of_last = count % height;
    const uint32_t* data = bitmap.Data();
    // Drawings are long runs of one colour; a repeat adds nothing.
    uint32_t last = data[0];
    seen[static_cast<std::size_t>(LevelOf(last, base))] = true;
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* row = data + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        const int64_t columns = full_columns + (y < rows_of_last ? 1 : 0);
        for (int64_t x = 0; x < columns; ++x) {
            if (row[x] == last) continue;
            last = row[x];
            seen[static_cast<std::size_t>(LevelOf(last, base))] = true;
        }
    }
}

// The first pass: visits every pixel column by column with the hooks, and
// marks the level of each pixel under the base read for it. Returns false
// when cancelled.
template <class Controls>
bool FirstPass(const raster::TBitmap& bitmap, int32_t width, int32_t height, Controls& controls,
               ColumnReader& reader, LevelSet& seen) {
    const int64_t total = static_cast<int64_t>(width) * static_cast<int64_t>(height);
    // While the base stays as first read, only the hooks run per pixel; the
    // levels of those pixels are marked afterwards in one sweep of memory.
    BaseColour base = BaseColour::None;
    BaseColour next = BaseColour::None;
    int64_t same_base = total;
    for (int64_t done = 0; done < total;) {
        const BaseColour read = controls.Base();
        if (done == 0) {
            base = read;
        } else if (read != base) {
            same_base = done;
            next = read;
            break;
        }
        controls.FirstPassStep(++done);
        if (controls.CancelRequested()) return false;
    }
    MarkLevels(bitmap, width, height, same_base, base, seen);
    if (same_base == total) return true;

    // The base changed: from here each pixel is read with its own base.
    auto x = static_cast<int32_t>(same_base / height);
    auto y = static_cast<int32_t>(same_base % height);
    ColumnReader::Column column = reader.Read(x);
    for (int64_t done = same_base;;) {
        seen[static_cast<std::size_t>(LevelOf(column.At(y), next))] = true;
        controls.FirstPassStep(++done);
        if (controls.CancelRequested()) return false;
        if (done == total) return true;
        if (++y == height) {
            y = 0;
            column = reader.Read(++x);
        }
        next = controls.Base();
    }
}

template <class Controls>
TraceOutcome Run(raster::TBitmap& bitmap, Controls& controls, core::LineList& keys) {
    // A bitmap with a side of 0 (or one recorded while the other was 0) has
    // no pixel to visit.
    const bool has_pixels = bitmap.HasPixels();
    const int32_t width = has_pixels ? bitmap.Width() : 0;
    const int32_t height = has_pixels ? bitmap.Height() : 0;
    ColumnReader reader(bitmap, width, height);

    LevelSet seen{};
    if (!FirstPass(bitmap, width, height, controls, reader, seen)) return TraceOutcome::Cancelled;

    // The key list in ascending order: six-digit keys sort as their numbers.
    std::vector<int> levels;
    for (int level = 0; level < kLevelCount; ++level) {
        if (seen[static_cast<std::size_t>(level)]) levels.push_back(level);
    }

    // Rank percentage per level, so the second pass needs no look-up. A level
    // absent from the list (the base changed during the run) has rank -1,
    // whose percentage is never above a threshold of 0 or more.
    const int n = static_cast<int>(levels.size());
    std::array<int, kLevelCount> percent{};
    if (n > 0) {
        percent.fill(-100 / n);
        for (int r = 0; r < n; ++r) {
            percent[static_cast<std::size_t>(levels[static_cast<std::size_t>(r)])] = r * 100 / n;
        }
    }
    controls.PassesSwitched();

    // Second pass. A pixel is written only at its own visit, after it was
    // read, so reading ahead by blocks sees the values it would see one by
    // one. Writing a pixel its own colour again changes nothing and is left out.
    constexpr auto kWhite = static_cast<uint32_t>(raster::clWhite);
    constexpr auto kBlack = static_cast<uint32_t>(raster::clBlack);
    int64_t done = 0;
    for (int32_t x = 0; x < width; ++x) {
        const ColumnReader::Column column = reader.Read(x);
        for (int32_t y = 0; y < height; ++y) {
            const uint32_t colour = column.At(y);
            const int p = percent[static_cast<std::size_t>(LevelOf(colour, controls.Base()))];
            const uint32_t white = 0u - static_cast<uint32_t>(p > controls.Threshold());
            const uint32_t black = 0u - static_cast<uint32_t>(controls.PaintBlack());
            // Selected with masks, not branches: on a varied picture the
            // outcome follows the pixels and would defeat prediction.
            static_assert(kBlack == 0);
            const uint32_t target = (colour & ~black & ~white) | (kWhite & white);
            // Black and white read the same in both colour layouts.
            if (target != colour) bitmap.SetPixel(x, y, static_cast<raster::TColor>(target));
            controls.SecondPassStep(++done);
        }
    }

    keys.Clear();
    keys.Reserve(levels.size(), levels.size() * 6);
    for (const int level : levels) keys.Append(core::RoundText(level, 6));
    return TraceOutcome::Completed;
}

}  // namespace tools::trace_detail

namespace tools {

// RunTraceToList with the hooks of `Controls` called directly.
template <std::derived_from<TraceControls> Controls>
TraceOutcome RunTraceToList(raster::TBitmap& bitmap, Controls& controls, core::LineList& keys) {
    return trace_detail::Run(bitmap, controls, keys);
}

}  // namespace tools
