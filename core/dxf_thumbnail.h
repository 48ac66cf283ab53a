#pragma once
// A small picture of a drawing for file managers: the drawing fitted into a
// square, drawn at that scale so that a huge drawing never needs its
// full-size picture.
#include <cstdint>
#include <string>

#include "core/drawing_document.h"

namespace core {

// The largest side a thumbnail may be asked for.
inline constexpr int32_t kMaxThumbnailSize = 4096;

// Replaces the document's picture with the drawing at `path` reduced to fit
// `size` by `size` pixels, keeping its proportions; a drawing that fits
// already keeps its natural size and gives the picture the viewer draws.
// Every segment leaves at least one pixel, however far it is reduced. Fails as
// LoadDxf does, and leaves the document as it was.
void LoadDxfThumbnail(DrawingDocument& document, const std::string& path, int32_t size);

}  // namespace core
