#include "raster/timage.h"

#include <algorithm>

namespace raster {

void TImage::SetWidth(int32_t width) {
    if (width == width_) return;
    width_ = width;
    if (display_) display_->ControlChanged();
}

void TImage::SetHeight(int32_t height) {
    if (height == height_) return;
    height_ = height;
    if (display_) display_->ControlChanged();
}

void TImage::SetProportional(bool proportional) {
    if (proportional == proportional_) return;
    proportional_ = proportional;
    if (display_) display_->ControlChanged();
}

// A control with a negative side covers no area, so the picture made for it
// gets that side 0: a bitmap without pixels instead of a failure on every
// click before anything is loaded. Sizes too large still throw ResourceError
// and leave the picture without content.
TCanvas& TImage::Canvas() {
    if (!Picture.HasContent()) {
        TBitmap blank;
        blank.SetWidth(std::max(width_, 0));
        blank.SetHeight(std::max(height_, 0));
        Picture.Assign(blank);
    }
    return Picture.Bitmap().Canvas();
}

void TImage::Refresh() {
    if (display_) display_->RefreshNow();
}

void TImage::SetDisplay(Display* display) {
    display_ = display;
    Picture.SetListener(display);
}

}  // namespace raster
