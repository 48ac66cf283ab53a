#include "raster/tbitmap.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>

#include "raster/resource_error.h"

namespace raster {

namespace {

using Wide = __int128;

// Floor and ceiling of a / b for b > 0, also for negative a.
Wide FloorDiv(Wide a, Wide b) {
    Wide q = a / b;
    if (a % b != 0 && a < 0) --q;
    return q;
}

Wide CeilDiv(Wide a, Wide b) {
    Wide q = a / b;
    if (a % b != 0 && a > 0) ++q;
    return q;
}

// The steps i (0-based, along the major axis) whose major coordinate
// start + sign * i lies in [0, size).
void ClipMajor(int64_t start, int64_t sign, int64_t size, Wide& lo, Wide& hi) {
    if (sign > 0) {
        lo = std::max<Wide>(lo, -start);
        hi = std::min<Wide>(hi, size - 1 - start);
    } else {
        lo = std::max<Wide>(lo, start - (size - 1));
        hi = std::min<Wide>(hi, start);
    }
}

}  // namespace

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
        const uint32_t fill = canvas_ ? ResolveColour(canvas_->Brush.Color) : 0xFFFFFFu;
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

// Bresenham along the axis with the larger difference (the major axis), one
// pixel per unit step i = 0 .. n-1 where n is that difference, so the end
// pixel is left out. The pixel of step i lies off(i) = round(i * A / B) minor
// units from the start, A and B being the minor and major differences. Where
// the ideal line passes exactly halfway between two pixels the one nearer the
// start is taken: off(i) = floor((2iA + B - 1) / 2B), the classic error rule
// that steps only when the error is strictly positive.
//
// Clipping solves for the range of steps whose pixel is inside, so the
// painted pixels are exactly the inside ones of the unclipped line and the
// work is bounded by the picture, wherever the end points lie.
void TBitmap::DrawLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t colour) {
    if (!pixels_) return;
    const int64_t dx = x1 - x0;
    const int64_t dy = y1 - y0;
    const bool x_major = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    const int64_t d_major = x_major ? dx : dy;
    const int64_t d_minor = x_major ? dy : dx;
    const int64_t major_start = x_major ? x0 : y0;
    const int64_t minor_start = x_major ? y0 : x0;
    const int64_t major_size = x_major ? width_ : height_;
    const int64_t minor_size = x_major ? height_ : width_;
    const int64_t b = d_major < 0 ? -d_major : d_major;
    const int64_t a = d_minor < 0 ? -d_minor : d_minor;
    const int64_t s_major = d_major < 0 ? -1 : 1;
    const int64_t s_minor = d_minor < 0 ? -1 : (d_minor > 0 ? 1 : 0);
    if (b == 0) return;  // zero length paints nothing

    Wide lo = 0;
    Wide hi = b - 1;
    ClipMajor(major_start, s_major, major_size, lo, hi);
    if (a == 0) {
        if (minor_start < 0 || minor_start >= minor_size) return;
    } else {
        // The minor offsets that stay inside, then the steps that give them;
        // off(i) never decreases, so both limits are single inequalities.
        const Wide k_lo = s_minor > 0 ? -minor_start : minor_start - (minor_size - 1);
        const Wide k_hi = s_minor > 0 ? minor_size - 1 - minor_start : minor_start;
        const Wide two_a = Wide{2} * a;
        lo = std::max(lo, CeilDiv(Wide{2} * b * k_lo - b + 1, two_a));
        hi = std::min(hi, FloorDiv(Wide{2} * b * k_hi + b, two_a));
    }
    if (lo > hi) return;

    // From here everything fits 64 bits: hi - lo < major_size, the offset is
    // at most a, and the error stays below 2b.
    const int64_t first = static_cast<int64_t>(lo);
    const int64_t count = static_cast<int64_t>(hi - lo) + 1;
    const Wide numerator = Wide{2} * first * a + b - 1;
    const int64_t two_b = 2 * b;
    int64_t offset = static_cast<int64_t>(numerator / two_b);
    int64_t error = static_cast<int64_t>(numerator % two_b);
    const int64_t two_a = 2 * a;

    int64_t major = major_start + s_major * first;
    int64_t minor = minor_start + s_minor * offset;
    const int64_t first_x = x_major ? major : minor;
    const int64_t first_y = x_major ? minor : major;
    const int64_t row = width_;
    const int64_t major_step = x_major ? s_major : s_major * row;
    const int64_t minor_step = x_major ? s_minor * row : s_minor;

    uint32_t* p = MutablePixels().data() + (first_y * row + first_x);
    for (int64_t i = 0;;) {
        assert(Inside(static_cast<int32_t>(x_major ? major : minor),
                      static_cast<int32_t>(x_major ? minor : major)));
        *p = colour;
        if (++i == count) break;
        major += s_major;
        p += major_step;
        error += two_a;
        if (error >= two_b) {
            error -= two_b;
            minor += s_minor;
            p += minor_step;
        }
    }
    const int64_t last_x = x_major ? major : minor;
    const int64_t last_y = x_major ? minor : major;
    MarkDirty(static_cast<int32_t>(std::min(first_x, last_x)),
              static_cast<int32_t>(std::min(first_y, last_y)),
              static_cast<int32_t>(std::max(first_x, last_x) + 1),
              static_cast<int32_t>(std::max(first_y, last_y) + 1));
}

void TCanvas::MoveTo(int32_t x, int32_t y) {
    x_ = x;
    y_ = y;
}

// Only painted pixels count as a change: a line that is clipped away or has
// zero length leaves the pixels, their sharing and the dirty area as they are.
void TCanvas::LineTo(int32_t x, int32_t y) {
    const int32_t x0 = x_;
    const int32_t y0 = y_;
    x_ = x;
    y_ = y;
    bitmap_.DrawLine(x0, y0, x, y, ResolveColour(Pen.Color));
}

}  // namespace raster
