#include "raster/tcanvas.h"

#include "raster/tbitmap.h"

namespace raster {

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
    bitmap_.DrawLine(x0, y0, x, y, PixelOf(Pen.Color));
}

}  // namespace raster
