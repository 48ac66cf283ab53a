#pragma once
// The picture holder: no content, or exactly one bitmap that it owns.
#include <memory>
#include <string>

#include "raster/tbitmap.h"

namespace raster {

class TPicture {
  public:
    TPicture() = default;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    [[nodiscard]] bool HasContent() const { return bitmap_ != nullptr; }
    // Gives the picture an empty 0 by 0 bitmap first when it has no content.
    TBitmap& Bitmap();
    // Null while the picture has no content.
    [[nodiscard]] const TBitmap* Content() const { return bitmap_.get(); }
    // The content becomes a new bitmap sharing `bitmap`'s pixels, with a fresh
    // canvas (black pen at (0, 0)); the caller keeps its own bitmap.
    void Assign(const TBitmap& bitmap);
    // Installs a bitmap as it is, canvas included (used to swap in a picture
    // built aside).
    void Install(std::unique_ptr<TBitmap> bitmap);

    [[nodiscard]] int32_t Width() const { return bitmap_ ? bitmap_->Width() : 0; }
    [[nodiscard]] int32_t Height() const { return bitmap_ ? bitmap_->Height() : 0; }

    // Told of every change of content and of every pixel change.
    void SetListener(ChangeListener* listener);

  private:
    void Replace(std::unique_ptr<TBitmap> bitmap);

    std::unique_ptr<TBitmap> bitmap_;
    ChangeListener* listener_ = nullptr;
};

}  // namespace raster
