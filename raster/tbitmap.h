#pragma once
// A raster picture kept in memory: size, pixels shared copy-on-write, the
// canvas that draws on it, and the area changed since a display last took
// it. Every pixel operation is O(1); the first change of pixels that are
// shared makes this bitmap's own copy once.
#include <cstdint>
#include <memory>
#include <vector>

#include "raster/change_listener.h"
#include "raster/dirty_rect.h"
#include "raster/pixel_allocator.h"
#include "raster/tcanvas.h"
#include "raster/tcolor.h"

namespace raster {

class InkMask;

class TBitmap {
  public:
    TBitmap() = default;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    // A new bitmap sharing `other`'s pixels, without a canvas.
    [[nodiscard]] static std::unique_ptr<TBitmap> SharingPixelsOf(const TBitmap& other);

    [[nodiscard]] int32_t Width() const { return width_; }
    [[nodiscard]] int32_t Height() const { return height_; }
    // Size changes keep the overlap of old and new pixels; the rest is white.
    // Throws ResourceError (and changes nothing) when pixels cannot be made.
    void SetWidth(int32_t width);
    void SetHeight(int32_t height);
    [[nodiscard]] bool HasPixels() const { return pixels_ != nullptr; }

    // Created on the first request, then the same object.
    TCanvas& Canvas();

    // Inline pixel access for the per-pixel tools. Pixel() returns clInvalid
    // outside; SetPixel() ignores positions outside.
    [[nodiscard]] TColor Pixel(int32_t x, int32_t y) const {
        if (!Inside(x, y)) return clInvalid;
        return ColourOf((*pixels_)[Offset(x, y)]);
    }
    void SetPixel(int32_t x, int32_t y, TColor colour) {
        if (!Inside(x, y)) return;
        MutablePixels()[Offset(x, y)] = PixelOf(colour);
        MarkDirty(x, y, x + 1, y + 1);
    }
    [[nodiscard]] bool Inside(int32_t x, int32_t y) const {
        return pixels_ && static_cast<uint32_t>(x) < static_cast<uint32_t>(width_) &&
               static_cast<uint32_t>(y) < static_cast<uint32_t>(height_);
    }

    // Paints every pixel the mask has inked in one colour, as that many
    // pixel writes would; the mask covers the bitmap from its top-left corner.
    void PaintInk(const InkMask& mask, TColor colour);

    // Row-major stored pixels (0x00RRGGBB), Width() per row; empty without pixels.
    [[nodiscard]] const uint32_t* Data() const { return pixels_ ? pixels_->data() : nullptr; }
    // Makes the pixels this bitmap's own first; marks the whole bitmap dirty.
    uint32_t* MutableData();

    void SetListener(ChangeListener* listener) { listener_ = listener; }
    // Returns and clears the changed area.
    DirtyRect TakeDirty();
    // Whether a change happened since the last TakeDirty (the area of some
    // changes, such as a size change without pixels, is empty).
    [[nodiscard]] bool HasPendingChange() const { return pending_; }

  private:
    friend class TCanvas;
    // Announces a content swapped in as one change.
    friend class TPicture;

    // Records a change; the listener hears only of the first one after each
    // TakeDirty, so a per-pixel caller pays two compares here.
    void MarkDirty(int32_t left, int32_t top, int32_t right, int32_t bottom) {
        if (!pending_) {
            pending_ = true;
            dirty_ = {left, top, right, bottom};
            if (listener_) listener_->PictureChanged();
            return;
        }
        const DirtyRect added{left, top, right, bottom};
        if (added.Empty()) return;
        if (dirty_.Empty()) {
            dirty_ = added;
            return;
        }
        if (left < dirty_.left) dirty_.left = left;
        if (top < dirty_.top) dirty_.top = top;
        if (right > dirty_.right) dirty_.right = right;
        if (bottom > dirty_.bottom) dirty_.bottom = bottom;
    }

    using Store = std::vector<uint32_t, PixelAllocator<uint32_t>>;

    [[nodiscard]] std::size_t Offset(int32_t x, int32_t y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }
    Store& MutablePixels() {
        if (pixels_.use_count() > 1) MakeUnique();
        return *pixels_;
    }
    void MakeUnique();
    void Resize(int32_t width, int32_t height);
    // Paints the clipped line rule from (x0, y0) towards (x1, y1).
    void DrawLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t colour);

    int32_t width_ = 0;
    int32_t height_ = 0;
    std::shared_ptr<Store> pixels_;
    std::unique_ptr<TCanvas> canvas_;
    ChangeListener* listener_ = nullptr;
    DirtyRect dirty_;
    bool pending_ = false;
};

// Inline so the per-pixel tools pay no call through the canvas.
inline TColor TCanvas::Pixel(int32_t x, int32_t y) const { return bitmap_.Pixel(x, y); }
inline void TCanvas::SetPixel(int32_t x, int32_t y, TColor colour) {
    bitmap_.SetPixel(x, y, colour);
}

}  // namespace raster
