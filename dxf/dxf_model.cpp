#include "dxf/dxf_model.h"

namespace dxf {

void Entity::Reset() {
    kind = Kind::Skipped;
    layer = "0";
    paper_space = false;
    for (Vec3& p : point) p = {};
    for (int k = 0; k < 20; ++k) {
        real[k] = 0.0;
        whole[k] = 0;
        has_real[k] = false;
    }
    elevation = 0.0;
    extrusion = {0.0, 0.0, 1.0};
    block = {};
    vertices.clear();
    fit_points.clear();
    knots.clear();
    weights.clear();
}

std::string FoldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return folded;
}

bool DrawingModel::LayerShown(std::string_view layer) const {
    if (layer_shown.empty()) return true;
    const auto found = layer_shown.find(FoldedName(layer));
    return found == layer_shown.end() || found->second;
}

const Block* DrawingModel::FindBlock(std::string_view name) const {
    const auto found = block_index.find(FoldedName(name));
    return found == block_index.end() ? nullptr : &blocks[found->second];
}

}  // namespace dxf
