#include "raster/tbitmap.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>

#include "raster/ink_mask.h"
#include "raster/line_rule.h"
#include "raster/resource_error.h"

namespace raster {

std::unique_ptr<TBitmap> TBitmap::SharingPixelsOf(const TBitmap& other) {
    auto copy = std::make_unique<TBitmap>();
    copy->width_ = other.width_;
    copy->height_ = other.height_;
    copy->pixels_ = other.pixels_;
    return copy;
}

void TBitmap::SetWidth(int32_t width) {
    if (width == width_) return;
    Resize(width, height_);
}

void TBitmap::SetHeight(int32_t height) {
    if (height == height_) return;
    Resize(width_, height);
}

void TBitmap::Resize(int32_t width, int32_t height) {
    std::shared_ptr<Store> fresh;
    if (width != 0 && height != 0) {
        // Checked before anything is allocated, so a failure leaves us as we were.
        if (width < 0 || height < 0) throw ResourceError();
        const long long count = static_cast<long long>(width) * height;
        if (count > kMaxPixels) throw ResourceError();
        const uint32_t fill = canvas_ ? PixelOf(canvas_->Brush.Color) : 0xFFFFFFu;
        try {
            fresh = std::make_shared<Store>(static_cast<std::size_t>(count), fill);
        } catch (const std::bad_alloc&) {
            throw ResourceError();
        }
        if (pixels_) {
            const int32_t rows = std::min(height, height_);
            const std::size_t columns = static_cast<std::size_t>(std::min(width, width_));
            for (int32_t y = 0; y < rows; ++y) {
                std::memcpy(fresh->data() + static_cast<std::size_t>(y) * width,
                            pixels_->data() + Offset(0, y), columns * sizeof(uint32_t));
            }
        }
    }
    const int32_t old_width = width_;
    const int32_t old_height = height_;
    pixels_ = std::move(fresh);
    width_ = width;
    height_ = height;
    MarkDirty(0, 0, std::max({old_width, width, 0}), std::max({old_height, height, 0}));
}

void TBitmap::MakeUnique() {
    try {
        pixels_ = std::make_shared<Store>(*pixels_);
    } catch (const std::bad_alloc&) {
        throw ResourceError();
    }
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_) canvas_ = std::make_unique<TCanvas>(*this);
    return *canvas_;
}

uint32_t* TBitmap::MutableData() {
    if (!pixels_) return nullptr;
    uint32_t* data = MutablePixels().data();
    MarkDirty(0, 0, width_, height_);
    return data;
}

DirtyRect TBitmap::TakeDirty() {
    const DirtyRect taken = pending_ ? dirty_ : DirtyRect{};
    dirty_ = {};
    pending_ = false;
    return taken;
}

void TBitmap::PaintInk(const InkMask& mask, TColor colour) {
    if (!pixels_) return;
    const uint32_t resolved = PixelOf(colour);
    // Only the inked tiles are looked at: a small batch on a large picture
    // costs its own area.
    const InkMask::Bounds inked = mask.InkedBounds();
    const int32_t rows = std::min(height_, inked.bottom);
    const int32_t columns = std::min(width_, inked.right);
    const auto first_word = static_cast<std::size_t>(inked.left) / 64;
    uint32_t* pixels = nullptr;
    int32_t left = columns;
    int32_t right = 0;
    int32_t top = rows;
    int32_t bottom = 0;
    for (int32_t y = inked.top; y < rows; ++y) {
        const uint64_t* words = mask.Row(y);
        for (std::size_t w = first_word; w * 64 < static_cast<std::size_t>(columns); ++w) {
            uint64_t bits = words[w];
            if (bits == 0) continue;
            if (pixels == nullptr) pixels = MutablePixels().data();
            uint32_t* row = pixels + Offset(0, y);
            const auto base = static_cast<int32_t>(w * 64);
            left = std::min(left, base + __builtin_ctzll(bits));
            right = std::max(right, std::min(columns, base + 64 - __builtin_clzll(bits)));
            top = std::min(top, y);
            bottom = y + 1;
            for (; bits != 0; bits &= bits - 1) {
                const int32_t x = base + __builtin_ctzll(bits);
                if (x < columns) row[x] = resolved;
            }
        }
    }
    if (pixels != nullptr) MarkDirty(left, top, right, bottom);
}

// The line rule of line_rule.h, clipped to the picture.
void TBitmap::DrawLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t colour) {
    if (!pixels_) return;
    LineRun run;
    if (!ClipLine(x0, y0, x1, y1, 0, 0, width_, height_, run)) return;

    const int64_t first_x = run.X();
    const int64_t first_y = run.Y();
    const int64_t row = width_;
    const int64_t major_step = run.x_major ? run.s_major : run.s_major * row;
    const int64_t minor_step = run.x_major ? run.s_minor * row : run.s_minor;
    uint32_t* p = MutablePixels().data() + (first_y * row + first_x);
    int64_t error = run.error;
    for (int64_t i = 0;;) {
        assert(p >= pixels_->data() && p < pixels_->data() + pixels_->size());
        *p = colour;
        if (++i == run.count) break;
        p += major_step;
        error += run.two_a;
        if (error >= run.two_b) {
            error -= run.two_b;
            p += minor_step;
        }
    }
    run.Advance(run.count - 1);
    const int64_t last_x = run.X();
    const int64_t last_y = run.Y();
    MarkDirty(static_cast<int32_t>(std::min(first_x, last_x)),
              static_cast<int32_t>(std::min(first_y, last_y)),
              static_cast<int32_t>(std::max(first_x, last_x) + 1),
              static_cast<int32_t>(std::max(first_y, last_y) + 1));
}

}  // namespace raster
