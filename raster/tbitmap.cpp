#include "raster/tbitmap.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

#include "raster/ink_mask.h"
#include "raster/line_rule.h"
#include "raster/resource_error.h"

namespace raster {

namespace {

// Pictures from this many pixels on are filled and painted on two threads:
// on a large picture that is a good part of a load.
constexpr long long kPixelsWorthAThread = 4LL << 20;

// Runs part(0, middle) on a helper thread and part(middle, end) here.
template <class Part>
void InTwoHalves(int64_t end, Part&& part) {
    const int64_t middle = end / 2;
    std::thread helper;
    try {
        helper = std::thread([&] { part(0, middle); });
    } catch (const std::system_error&) {
        part(0, middle);  // no thread to be had: do it here
    }
    part(middle, end);
    if (helper.joinable()) helper.join();
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
        const uint32_t fill = canvas_ ? PixelOf(canvas_->Brush.Color) : 0xFFFFFFu;
        try {
            // Made without values, so that its pages are first touched by the fill.
            fresh = std::make_shared<Store>(static_cast<std::size_t>(count));
        } catch (const std::bad_alloc&) {
            throw ResourceError();
        }
        uint32_t* data = fresh->data();
        if (count < kPixelsWorthAThread) {
            std::fill_n(data, count, fill);
        } else {
            InTwoHalves(count,
                        [&](int64_t from, int64_t to) { std::fill(data + from, data + to, fill); });
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
    struct Painted {
        uint32_t* pixels = nullptr;
        int32_t left, right, top, bottom;
    };
    // Paints rows [from, to); the pixels are made this bitmap's own at the
    // first inked word, unless `pixels` already is.
    auto paint = [&](int32_t from, int32_t to, uint32_t* pixels) {
        Painted done{pixels, columns, 0, rows, 0};
        bool any = false;
        for (int32_t y = from; y < to; ++y) {
            const uint64_t* words = mask.Row(y);
            for (std::size_t w = first_word; w * 64 < static_cast<std::size_t>(columns); ++w) {
                uint64_t bits = words[w];
                if (bits == 0) continue;
                if (done.pixels == nullptr) done.pixels = MutablePixels().data();
                any = true;
                uint32_t* row = done.pixels + Offset(0, y);
                const auto base = static_cast<int32_t>(w * 64);
                done.left = std::min(done.left, base + __builtin_ctzll(bits));
                done.right =
                    std::max(done.right, std::min(columns, base + 64 - __builtin_clzll(bits)));
                done.top = std::min(done.top, y);
                done.bottom = y + 1;
                for (; bits != 0; bits &= bits - 1) {
                    const int32_t x = base + __builtin_ctzll(bits);
                    if (x < columns) row[x] = resolved;
                }
            }
        }
        if (!any) done.pixels = nullptr;
        return done;
    };
    const int32_t band = rows - inked.top;
    if (band <= 1 || pixels_.use_count() > 1 ||
        static_cast<long long>(band) * std::max(columns, 0) < kPixelsWorthAThread) {
        const Painted done = paint(inked.top, rows, nullptr);
        if (done.pixels != nullptr) MarkDirty(done.left, done.top, done.right, done.bottom);
        return;
    }
    // Pixels of their own already: both halves write them directly.
    Painted halves[2];
    InTwoHalves(band, [&](int64_t from, int64_t to) {
        halves[from == 0 ? 0 : 1] = paint(inked.top + static_cast<int32_t>(from),
                                          inked.top + static_cast<int32_t>(to), pixels_->data());
    });
    bool any = false;
    Painted all{nullptr, columns, 0, rows, 0};
    for (const Painted& half : halves) {
        if (half.pixels == nullptr) continue;
        any = true;
        all.left = std::min(all.left, half.left);
        all.right = std::max(all.right, half.right);
        all.top = std::min(all.top, half.top);
        all.bottom = std::max(all.bottom, half.bottom);
    }
    if (any) MarkDirty(all.left, all.top, all.right, all.bottom);
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
