#pragma once
// The top layer: entities to geometry. Each entity's own coordinate system
// (the arbitrary-axis rule for its extrusion), block inserts with their
// arrays, and the kinds that stand for other geometry (DIMENSION blocks,
// LEADER vertices). Parsing knows nothing of this, and the sink nothing of
// entities.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "dxf/dxf_model.h"
#include "dxf/geometry_sink.h"
#include "dxf/tag_stream.h"

namespace dxf {

// An affine map of 3-D points; drawing keeps X and Y of the result.
struct Affine {
    double m[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
    [[nodiscard]] Vec3 Apply(Vec3 p) const;
    [[nodiscard]] Vec3 Linear(Vec3 v) const;
    [[nodiscard]] P2 Flat(const Vec3& p) const {
        const Vec3 q = Apply(p);
        return {q.x, q.y};
    }
    // this after other: (A * B)(p) = A(B(p)).
    [[nodiscard]] Affine operator*(const Affine& other) const;
};

// The entity coordinate system of an extrusion direction, as a map to world
// coordinates.
[[nodiscard]] Affine ObjectToWorld(const Vec3& extrusion);

class GeometryWriter {
  public:
    // Inserts may expand to at most this many drawn entities in all.
    static constexpr int64_t kMaxInstances = 20'000'000;

    GeometryWriter(const DrawingModel& model, GeometrySink& sink, bool binary)
        : model_(model), sink_(sink), binary_(binary) {}

    // Draws one model-space entity, or counts it when it is not drawn.
    void Draw(const Entity& entity);

    [[nodiscard]] const std::map<std::string, int64_t>& NotDrawn() const { return not_drawn_; }

  private:
    void DrawIn(const Entity& entity, const Affine& to_world, std::string_view parent_layer,
                int32_t depth);
    void DrawBlock(const Block& block, const Affine& to_world, std::string_view layer,
                   int32_t depth);
    void DrawInsert(const Entity& entity, const Affine& to_world, std::string_view layer,
                    int32_t depth);
    void DrawPolyline(const Entity& entity, const Affine& to_world);
    void DrawSpline(const Entity& entity, const Affine& to_world);
    void Count(std::string_view name);
    // Drawn entities a block stands for, inserts included; saturates.
    int64_t BlockWeight(const Block& block, int32_t depth);
    void Spend(int64_t count, const Entity& entity);

    const DrawingModel& model_;
    GeometrySink& sink_;
    bool binary_;
    std::map<std::string, int64_t> not_drawn_;
    std::map<const Block*, int64_t> weights_;
    std::vector<const Block*> open_blocks_;  // the insert chain, against cycles
    int64_t instances_ = 0;
    Nurbs nurbs_;  // reused
};

}  // namespace dxf
