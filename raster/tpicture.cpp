#include "raster/tpicture.h"

#include <algorithm>
#include <utility>

namespace raster {

TBitmap& TPicture::Bitmap() {
    if (!bitmap_) Replace(std::make_unique<TBitmap>());
    return *bitmap_;
}

void TPicture::Assign(const TBitmap& bitmap) { Replace(TBitmap::SharingPixelsOf(bitmap)); }

// A null bitmap installs an empty one: once the picture has content it keeps
// having some.
void TPicture::Install(std::unique_ptr<TBitmap> bitmap) {
    Replace(bitmap ? std::move(bitmap) : std::make_unique<TBitmap>());
}

void TPicture::SetListener(ChangeListener* listener) {
    listener_ = listener;
    if (!bitmap_) return;
    bitmap_->SetListener(listener);
    // Changes made before anyone listened still need their repaint.
    if (listener && bitmap_->HasPendingChange()) listener->PictureChanged();
}

void TPicture::Replace(std::unique_ptr<TBitmap> bitmap) {
    const int32_t old_width = Width();
    const int32_t old_height = Height();
    bitmap_ = std::move(bitmap);  // releases the previous content
    // Whatever the new bitmap had pending is covered by the whole area, and
    // clearing it first makes the listener hear of this change exactly once.
    bitmap_->SetListener(nullptr);
    (void)bitmap_->TakeDirty();
    bitmap_->SetListener(listener_);
    bitmap_->MarkDirty(0, 0, std::max({old_width, bitmap_->Width(), 0}),
                       std::max({old_height, bitmap_->Height(), 0}));
}

}  // namespace raster
