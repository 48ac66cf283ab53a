#include "core/dxf_thumbnail.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "core/dxf_import.h"
#include "raster/display_rect.h"
#include "raster/ink_mask.h"
#include "raster/resource_error.h"
#include "raster/tbitmap.h"

namespace core {
namespace {

// Position `value` of a `source`-long axis on a `shown`-long one, rounded
// down also left of the origin so that one pixel's worth maps to one pixel.
int64_t Reduce(int64_t value, int64_t source, int64_t shown) {
    const int64_t scaled = value * shown;
    return scaled >= 0 ? scaled / source : -((-scaled + source - 1) / source);
}

}  // namespace

void LoadDxfThumbnail(DrawingDocument& document, const std::string& path, int32_t size) {
    DxfInk ink = TraceDxf(path);
    raster::DisplaySize shown = raster::DisplayRect(ink.width, ink.height, size, size, true);
    // A long thin drawing still gets a row or a column.
    shown.width = std::max(shown.width, 1);
    shown.height = std::max(shown.height, 1);
    try {
        std::vector<raster::InkPoint> dots;
        if (shown.width != ink.width || shown.height != ink.height) {
            for (raster::InkSegment& segment : ink.segments) {
                const auto x = [&](int32_t v) {
                    return static_cast<int32_t>(Reduce(v, ink.width, shown.width));
                };
                const auto y = [&](int32_t v) {
                    return static_cast<int32_t>(Reduce(v, ink.height, shown.height));
                };
                const raster::InkSegment reduced{x(segment.x0), y(segment.y0), x(segment.x1),
                                                 y(segment.y1)};
                // The line rule leaves out the end pixel, so a segment reduced
                // to one pixel would vanish.
                const bool drawn = segment.x0 != segment.x1 || segment.y0 != segment.y1;
                if (drawn && reduced.x0 == reduced.x1 && reduced.y0 == reduced.y1) {
                    dots.push_back({reduced.x0, reduced.y0});
                }
                segment = reduced;
            }
        }
        raster::InkMask mask(shown.width, shown.height);
        mask.Lines(ink.segments, dots);
        ink.segments = {};
        auto bitmap = std::make_unique<raster::TBitmap>();
        bitmap->SetWidth(shown.width);
        bitmap->SetHeight(shown.height);
        bitmap->PaintInk(mask, raster::clBlack);
        document.Image1.SetWidth(shown.width);
        document.Image1.SetHeight(shown.height);
        document.Image1.Picture.Install(std::move(bitmap));
    } catch (const std::bad_alloc&) {
        throw raster::ResourceError();
    }
}

}  // namespace core
