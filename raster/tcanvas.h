#pragma once
#include <cstdint>

#include "raster/tbrush.h"
#include "raster/tcolor.h"
#include "raster/tpen.h"

namespace raster {

class TBitmap;

// Drawing state of one bitmap: pen, brush and current position.
class TCanvas {
  public:
    explicit TCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TPen Pen;
    TBrush Brush;

    void MoveTo(int32_t x, int32_t y);
    // Paints from the current position up to but not including (x, y), clipped.
    void LineTo(int32_t x, int32_t y);
    [[nodiscard]] TColor Pixel(int32_t x, int32_t y) const;
    void SetPixel(int32_t x, int32_t y, TColor colour);

    [[nodiscard]] int32_t PenX() const { return x_; }
    [[nodiscard]] int32_t PenY() const { return y_; }

  private:
    TBitmap& bitmap_;
    int32_t x_ = 0;
    int32_t y_ = 0;
};

// TCanvas::Pixel and SetPixel are defined inline in tbitmap.h.

}  // namespace raster
