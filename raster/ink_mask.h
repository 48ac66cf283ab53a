#pragma once
// The pixels that a batch of lines in one colour covers, one bit a pixel.
// Painting a batch in one colour gives the union of its lines whatever their
// order, so the lines go into the mask first and the picture is painted once.
// A count per 32 by 32 tile, and counts of open quarters per square of 64,
// 128 and 256 pixels, let a line pass over what is already full without
// visiting its pixels: on dense drawings that is most of the work, and a few
// pixels that stay blank (an edge, a row no line reaches) keep the square
// around them open but not the squares beside it.
#include <cstdint>
#include <vector>

namespace raster {

struct LineRun;

// A segment for the canvas line rule: from (x0, y0) up to, not including, (x1, y1).
struct InkSegment {
    int32_t x0, y0, x1, y1;
    friend bool operator==(const InkSegment&, const InkSegment&) = default;
};

// A single pixel; ignored outside the mask.
struct InkPoint {
    int32_t x, y;
    friend bool operator==(const InkPoint&, const InkPoint&) = default;
};

class InkMask {
  public:
    static constexpr int32_t kTileShift = 5;
    static constexpr int32_t kTileSize = 1 << kTileShift;
    static constexpr int32_t kBlockShift = 8;
    static constexpr int32_t kBlockSize = 1 << kBlockShift;

    // Throws ResourceError when the memory cannot be had.
    InkMask(int32_t width, int32_t height);

    [[nodiscard]] int32_t Width() const { return width_; }
    [[nodiscard]] int32_t Height() const { return height_; }

    // The tiles holding ink, as pixel bounds cut to the mask: columns
    // [left, right), rows [top, bottom); empty when nothing is inked.
    struct Bounds {
        int32_t left = 0;
        int32_t top = 0;
        int32_t right = 0;
        int32_t bottom = 0;
    };
    [[nodiscard]] Bounds InkedBounds() const;
    // Back to no ink for the next batch, at the cost of the area inked: a
    // mask kept between batches is neither allocated nor cleared whole.
    void Clear();

    // Inks the pixels the canvas line rule paints from (x0, y0) towards
    // (x1, y1), limited to rows [top, bottom). Calls for row bands that do
    // not share a block row may run at the same time.
    void Line(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int32_t top, int32_t bottom);
    void Line(int64_t x0, int64_t y0, int64_t x1, int64_t y1) { Line(x0, y0, x1, y1, 0, height_); }
    void Pixel(int64_t x, int64_t y);
    // Every segment and point, the top and bottom halves of the mask on two
    // threads when there is enough to draw; the helper thread ends before
    // this returns.
    void Lines(const std::vector<InkSegment>& segments, const std::vector<InkPoint>& points = {});

    [[nodiscard]] bool Inked(int32_t x, int32_t y) const {
        return (bits_[Word(x, y)] >> (x & 63) & 1u) != 0;
    }
    // Bit x & 63 of word x >> 6 is pixel x of the row.
    [[nodiscard]] const uint64_t* Row(int32_t y) const {
        return bits_.data() + static_cast<std::size_t>(y) * words_per_row_;
    }
    [[nodiscard]] std::size_t WordsPerRow() const { return words_per_row_; }

  private:
    [[nodiscard]] int32_t TileRows() const { return (height_ + kTileSize - 1) / kTileSize; }
    [[nodiscard]] uint16_t TilePixels(std::size_t tx, std::size_t ty) const;
    void CountBlanks();
    template <bool kXMajor>
    void Trace(LineRun& run);
    [[nodiscard]] std::size_t Word(int64_t x, int64_t y) const {
        return static_cast<std::size_t>(y) * words_per_row_ + static_cast<std::size_t>(x >> 6);
    }
    [[nodiscard]] std::size_t Tile(int64_t x, int64_t y) const {
        return static_cast<std::size_t>(y >> kTileShift) * tiles_per_row_ +
               static_cast<std::size_t>(x >> kTileShift);
    }
    // Squares above the tile: level 0 is 64 pixels, level 2 the block.
    static constexpr int kLevels = kBlockShift - kTileShift;
    [[nodiscard]] std::size_t Square(int level, int64_t x, int64_t y) const {
        const int shift = kTileShift + 1 + level;
        return static_cast<std::size_t>(y >> shift) * squares_per_row_[level] +
               static_cast<std::size_t>(x >> shift);
    }
    // A tile has just become full: so may the squares holding it.
    void TileFull(int64_t x, int64_t y) {
        for (int level = 0; level < kLevels; ++level) {
            if (--open_[level][Square(level, x, y)] != 0) return;
        }
    }
    void Set(int64_t x, int64_t y, std::size_t tile) {
        uint64_t& word = bits_[Word(x, y)];
        const uint64_t bit = uint64_t{1} << (x & 63);
        if ((word & bit) != 0) return;
        word |= bit;
        if (--blank_[tile] == 0) TileFull(x, y);
    }

    int32_t width_;
    int32_t height_;
    std::size_t words_per_row_;
    std::size_t tiles_per_row_;
    std::size_t squares_per_row_[kLevels];
    std::vector<uint64_t> bits_;
    // Pixels of each tile not yet inked; 0 means full.
    std::vector<uint16_t> blank_;
    // Quarters of each square not yet full; 0 means the square is full.
    std::vector<uint8_t> open_[kLevels];
};

}  // namespace raster
