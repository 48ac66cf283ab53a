#pragma once
// The one way from the primitive table's rows to the picture: the pen moves
// as the fixed-layout reader's drawing pass moves it (LS to LE is one line;
// VS starts a chain and each VP draws on from the vertex before), and the
// lines are painted black by the canvas line rule, end pixel left out.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/drawing_document.h"
#include "raster/ink_mask.h"
#include "raster/tbitmap.h"

namespace core {

// The pen state between batches of rows.
class RowPen {
  public:
    explicit RowPen(DxfVariant variant) : seqend_ends_chain_(variant == DxfVariant::Editor) {}
    // Appends the lines the rows draw.
    void Trace(const Row* rows, std::size_t count, std::vector<raster::InkSegment>& segments);

  private:
    bool seqend_ends_chain_;
    int32_t pen_x_ = 0;
    int32_t pen_y_ = 0;
    int32_t vertex_count_ = 0;
};

// Rows in, picture out, in batches so that a reader need not keep them all.
class RowPicture {
  public:
    // Throws raster::ResourceError when the pixels cannot be had.
    RowPicture(int32_t width, int32_t height, DxfVariant variant);
    void Add(const Row* rows, std::size_t count);
    // The white picture with every line in black.
    [[nodiscard]] std::unique_ptr<raster::TBitmap> Finish();

  private:
    void Ink();

    int32_t width_;
    int32_t height_;
    RowPen pen_;
    raster::InkMask mask_;
    std::vector<raster::InkSegment> segments_;
};

[[nodiscard]] std::unique_ptr<raster::TBitmap> DrawRows(const std::vector<Row>& rows, int32_t width,
                                                        int32_t height, DxfVariant variant);

}  // namespace core
