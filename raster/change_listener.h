#pragma once

namespace raster {

// Told when a bitmap with nothing pending becomes dirty, so a display can
// schedule one repaint for any number of changes.
class ChangeListener {
  public:
    virtual void PictureChanged() = 0;

  protected:
    ~ChangeListener() = default;
};

}  // namespace raster
