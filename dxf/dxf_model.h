#pragma once
// The middle layer's plain data: entities as the file states them (drawing
// units, each in its own coordinate system), layers and blocks.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dxf {

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

enum class Kind : uint8_t {
    Line,
    Point,
    Circle,
    Arc,
    Ellipse,
    LwPolyline,
    Polyline,
    Spline,
    Solid,  // SOLID and TRACE: corners in the order 1, 2, 4, 3
    Face,   // 3DFACE
    Insert,
    Dimension,
    Leader,
    NotDrawn,  // counted under its name
    Skipped,   // neither drawn nor counted (VERTEX out of place, SEQEND, ...)
};

struct Vertex {
    Vec3 p;
    double bulge = 0.0;
    int32_t flags = 0;
    int32_t index[4] = {0, 0, 0, 0};  // polyface face records (71-74)
};

// One entity with every group the drawing needs; what a code means depends
// on the kind, so the groups are kept by code.
struct Entity {
    Kind kind = Kind::Skipped;
    std::string_view name;
    int64_t at = 0;  // where its 0 tag stands
    std::string_view layer = "0";
    bool paper_space = false;
    Vec3 point[4];        // 10-13
    double real[20]{};    // 40-59
    int32_t whole[20]{};  // 60-79
    bool has_real[20]{};
    double elevation = 0.0;  // 38
    Vec3 extrusion{0.0, 0.0, 1.0};
    std::string_view block;  // 2
    std::vector<Vertex> vertices;
    std::vector<Vec3> fit_points;
    std::vector<double> knots;
    std::vector<double> weights;

    [[nodiscard]] double Real(int32_t code, double fallback) const {
        return has_real[code - 40] ? real[code - 40] : fallback;
    }
    [[nodiscard]] int32_t Whole(int32_t code) const { return whole[code - 60]; }
    void Reset();
};

struct Block {
    std::string name;
    Vec3 base;
    bool paper_space = false;
    std::vector<Entity> entities;
};

// Names compare without regard to letter case, as CAD programs treat them.
std::string FoldedName(std::string_view name);

struct DrawingModel {
    int32_t insunits = 0;
    std::unordered_map<std::string, bool> layer_shown;  // by folded name
    std::vector<Block> blocks;
    std::unordered_map<std::string, std::size_t> block_index;  // by folded name
    // Where the ENTITIES section's first entity stands, to read it again.
    bool has_entities = false;
    std::size_t entities_position = 0;
    int64_t entities_line = 0;
    // Layers or blocks that came after the entities: those must be read again.
    bool tables_after_entities = false;

    [[nodiscard]] bool LayerShown(std::string_view layer) const;
    [[nodiscard]] const Block* FindBlock(std::string_view name) const;
};

}  // namespace dxf
