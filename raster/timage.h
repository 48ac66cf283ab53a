#pragma once
// The document side of the drawing window's image control: its own size,
// the Proportional switch and the picture it shows. The control's size is
// independent of the picture's.
#include <cstdint>

#include "raster/tpicture.h"

namespace raster {

class TImage {
  public:
    static constexpr int32_t kDesignedWidth = 237;
    static constexpr int32_t kDesignedHeight = 313;

    TImage() = default;
    TImage(const TImage&) = delete;
    TImage& operator=(const TImage&) = delete;

    TPicture Picture;

    [[nodiscard]] int32_t Width() const { return width_; }
    [[nodiscard]] int32_t Height() const { return height_; }
    void SetWidth(int32_t width);
    void SetHeight(int32_t height);
    [[nodiscard]] bool Proportional() const { return proportional_; }
    void SetProportional(bool proportional);

    // The canvas of the picture's bitmap; a picture with no content first gets
    // an all-white bitmap of the control's size.
    TCanvas& Canvas();

    // Repaints at once (the display decides how).
    void Refresh();

    // The display: told of size, switch and picture changes, and of Refresh.
    class Display : public ChangeListener {
      public:
        virtual void ControlChanged() = 0;
        virtual void RefreshNow() = 0;

      protected:
        ~Display() = default;
    };
    void SetDisplay(Display* display);

  private:
    int32_t width_ = kDesignedWidth;
    int32_t height_ = kDesignedHeight;
    bool proportional_ = false;
    Display* display_ = nullptr;
};

}  // namespace raster
