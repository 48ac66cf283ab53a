#include "core/row_drawing.h"

#include "raster/resource_error.h"
#include "raster/tcolor.h"

namespace core {
namespace {

// Lines gathered before the mask inks them: enough for its two threads to
// pay, little enough to stay a few megabytes.
constexpr std::size_t kSegmentBatch = std::size_t{1} << 18;

// Refused before the mask asks for memory.
int32_t CheckedWidth(int32_t width, int32_t height) {
    if (int64_t{width} * int64_t{height} > raster::kMaxPixels) throw raster::ResourceError();
    return width;
}

}  // namespace

void RowPen::Trace(const Row* rows, std::size_t count, std::vector<raster::InkSegment>& segments) {
    for (std::size_t i = 0; i < count; ++i) {
        const Row& row = rows[i];
        switch (row.kind) {
            case RowKind::Point:
            case RowKind::LineStart:
                pen_x_ = row.x;
                pen_y_ = row.y;
                break;
            case RowKind::LineEnd:
                segments.push_back({pen_x_, pen_y_, row.x, row.y});
                pen_x_ = row.x;
                pen_y_ = row.y;
                break;
            case RowKind::PolylineStart:
                vertex_count_ = 0;
                break;
            case RowKind::PolylineEnd:
                if (seqend_ends_chain_) vertex_count_ = 0;
                break;
            case RowKind::VertexFirst:
            case RowKind::VertexNext:
                // The pen's chain decides, not the row's kind: the fixed
                // reader counts vertices the same way.
                if (vertex_count_ > 0) segments.push_back({pen_x_, pen_y_, row.x, row.y});
                pen_x_ = row.x;
                pen_y_ = row.y;
                ++vertex_count_;
                break;
        }
    }
}

RowPicture::RowPicture(int32_t width, int32_t height, DxfVariant variant)
    : width_(width), height_(height), pen_(variant), mask_(CheckedWidth(width, height), height) {}

void RowPicture::Add(const Row* rows, std::size_t count) {
    pen_.Trace(rows, count, segments_);
    if (segments_.size() >= kSegmentBatch) Ink();
}

void RowPicture::Ink() {
    mask_.Lines(segments_);
    segments_.clear();
}

std::unique_ptr<raster::TBitmap> RowPicture::Finish() {
    Ink();
    auto bitmap = std::make_unique<raster::TBitmap>();
    bitmap->SetWidth(width_);
    bitmap->SetHeight(height_);
    bitmap->PaintInk(mask_, raster::clBlack);
    return bitmap;
}

std::unique_ptr<raster::TBitmap> DrawRows(const std::vector<Row>& rows, int32_t width,
                                          int32_t height, DxfVariant variant) {
    RowPicture picture(width, height, variant);
    picture.Add(rows.data(), rows.size());
    return picture.Finish();
}

}  // namespace core
