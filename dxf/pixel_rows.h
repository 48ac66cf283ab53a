#pragma once
// Geometry to the editor's rows: the extents of what is drawn, then every
// point turned into a pixel at the chosen scale and every curve cut so that
// its chord error stays under half a pixel.
#include <cstdint>
#include <functional>
#include <vector>

#include "core/drawing_document.h"
#include "dxf/geometry_sink.h"

namespace dxf {

struct Extents {
    bool empty = true;
    double min_x = 0.0, min_y = 0.0, max_x = 0.0, max_y = 0.0;
    void Add(P2 p);
};

class ExtentsSink final : public GeometrySink {
  public:
    void Point(P2 p) override { extents_.Add(p); }
    void Begin(P2 p) override { extents_.Add(p); }
    void To(P2 p) override { extents_.Add(p); }
    void Arc(const Conic& conic) override;
    void Curve(const Nurbs& curve) override;
    void End() override {}
    [[nodiscard]] const Extents& Result() const { return extents_; }

  private:
    Extents extents_;
};

// Where drawing units land: column round((x - minX) s), row
// round((maxY - y) s) + 1. The row below the top is the first one drawn on,
// as in a drawing of the fixed layout, so that saving and reading it the
// fixed way gives the same rows.
struct PixelGrid {
    double min_x = 0.0;
    double max_y = 0.0;
    double scale = 1.0;
    int32_t width = 1;   // columns 0 .. width - 1
    int32_t height = 1;  // rows 1 .. height - 1 are drawn on
};

// Hands rows on in batches; the reader either keeps them or draws them.
using RowBatch = std::function<void(const core::Row* rows, std::size_t count)>;

class RowSink final : public GeometrySink {
  public:
    static constexpr int64_t kMaxRows = 60'000'000;

    RowSink(const PixelGrid& grid, RowBatch batch) : grid_(grid), batch_(std::move(batch)) {}
    ~RowSink() = default;

    void Point(P2 p) override;
    void Begin(P2 p) override;
    void To(P2 p) override;
    void Arc(const Conic& conic) override;
    void Curve(const Nurbs& curve) override;
    void End() override;
    void Line(P2 a, P2 b) override;
    // Hands on what is left.
    void Flush();

  private:
    struct Pixel {
        int32_t x, y;
        bool operator==(const Pixel&) const = default;
    };
    [[nodiscard]] Pixel ToPixel(P2 p) const;
    void Add(core::RowKind kind, Pixel at);
    void Vertex(P2 p);

    PixelGrid grid_;
    RowBatch batch_;
    std::vector<core::Row> rows_;
    std::vector<Pixel> chain_;
    int64_t total_ = 0;
};

}  // namespace dxf
