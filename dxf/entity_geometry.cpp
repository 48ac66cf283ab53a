#include "dxf/entity_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dxf/dxf_failure.h"

namespace dxf {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTurn = 2.0 * kPi;
constexpr int32_t kMaxDepth = 64;
constexpr int64_t kSaturated = int64_t{1} << 50;

double Radians(double degrees) { return degrees * kPi / 180.0; }

Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 Normalized(Vec3 v) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0.0 || !std::isfinite(length)) return v;
    return {v.x / length, v.y / length, v.z / length};
}

Affine Translation(Vec3 t) {
    Affine a;
    a.m[0][3] = t.x;
    a.m[1][3] = t.y;
    a.m[2][3] = t.z;
    return a;
}

Affine Scaling(double x, double y, double z) {
    Affine a;
    a.m[0][0] = x;
    a.m[1][1] = y;
    a.m[2][2] = z;
    return a;
}

Affine RotationZ(double radians) {
    Affine a;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    a.m[0][0] = c;
    a.m[0][1] = -s;
    a.m[1][0] = s;
    a.m[1][1] = c;
    return a;
}

P2 FlatLinear(const Affine& a, const Vec3& v) {
    const Vec3 q = a.Linear(v);
    return {q.x, q.y};
}

// The turn from `start` to `end` counter-clockwise, in (0, 2 pi].
double SweepBetween(double start, double end) {
    double sweep = std::fmod(end - start, kTurn);
    if (sweep <= 1e-12) sweep += kTurn;
    return sweep;
}

int64_t Saturating(int64_t a, int64_t b) {
    if (a == 0 || b == 0) return 0;
    if (a > kSaturated / b) return kSaturated;
    return std::min(a * b, kSaturated);
}

// A chain of vertices in an entity coordinate system, straight or bulged,
// drawn through `to_world`.
void BulgeChain(GeometrySink& sink, const Affine& to_world, const std::vector<Vertex>& vertices,
                bool closed, double elevation, bool skip_frame) {
    std::vector<const Vertex*> kept;
    kept.reserve(vertices.size());
    for (const Vertex& v : vertices) {
        if (skip_frame && (v.flags & 16) != 0) continue;
        kept.push_back(&v);
    }
    if (kept.empty()) return;
    auto world = [&](double x, double y) { return to_world.Flat({x, y, elevation}); };
    sink.Begin(world(kept[0]->p.x, kept[0]->p.y));
    const std::size_t pieces = closed ? kept.size() : kept.size() - 1;
    for (std::size_t i = 0; i < pieces; ++i) {
        const Vertex& a = *kept[i];
        const Vertex& b = *kept[(i + 1) % kept.size()];
        if (a.bulge == 0.0 || !std::isfinite(a.bulge)) {
            sink.To(world(b.p.x, b.p.y));
            continue;
        }
        const double dx = b.p.x - a.p.x;
        const double dy = b.p.y - a.p.y;
        const double chord = std::hypot(dx, dy);
        if (chord == 0.0) {
            sink.To(world(b.p.x, b.p.y));
            continue;
        }
        const double angle = 4.0 * std::atan(a.bulge);
        const double offset = chord / 2.0 / std::tan(angle / 2.0);
        const double cx = (a.p.x + b.p.x) / 2.0 - dy / chord * offset;
        const double cy = (a.p.y + b.p.y) / 2.0 + dx / chord * offset;
        const double radius = std::hypot(a.p.x - cx, a.p.y - cy);
        Conic conic;
        conic.c = world(cx, cy);
        conic.u = FlatLinear(to_world, {radius, 0.0, 0.0});
        conic.v = FlatLinear(to_world, {0.0, radius, 0.0});
        conic.t0 = std::atan2(a.p.y - cy, a.p.x - cx);
        conic.sweep = angle;
        sink.Arc(conic);
    }
    sink.End();
}

void PointChain(GeometrySink& sink, const Affine& to_world, const std::vector<Vec3>& points,
                bool closed) {
    if (points.empty()) return;
    sink.Begin(to_world.Flat(points[0]));
    for (std::size_t i = 1; i < points.size(); ++i) sink.To(to_world.Flat(points[i]));
    if (closed && points.size() > 2) sink.To(to_world.Flat(points[0]));
    sink.End();
}

// Knots that fit the points and degree, as given or else clamped uniform.
std::vector<double> UsableKnots(const std::vector<double>& knots, std::size_t points,
                                int32_t degree) {
    const std::size_t wanted = points + static_cast<std::size_t>(degree) + 1;
    bool usable = knots.size() == wanted;
    for (std::size_t i = 1; usable && i < knots.size(); ++i) {
        usable = knots[i] >= knots[i - 1] && std::isfinite(knots[i]);
    }
    if (usable && knots[static_cast<std::size_t>(degree)] < knots[points]) return knots;
    std::vector<double> uniform(wanted);
    const std::size_t spans = points - static_cast<std::size_t>(degree);
    for (std::size_t i = 0; i < wanted; ++i) {
        const std::size_t k = i <= static_cast<std::size_t>(degree)
                                  ? 0
                                  : std::min(i - static_cast<std::size_t>(degree), spans);
        uniform[i] = static_cast<double>(k);
    }
    return uniform;
}

}  // namespace

Vec3 Affine::Apply(Vec3 p) const {
    return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3],
            m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3],
            m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3]};
}

Vec3 Affine::Linear(Vec3 v) const {
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
            m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

Affine Affine::operator*(const Affine& other) const {
    Affine r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j) {
            double sum = j == 3 ? m[i][3] : 0.0;
            for (int k = 0; k < 3; ++k) sum += m[i][k] * other.m[k][j];
            r.m[i][j] = sum;
        }
    }
    return r;
}

Affine ObjectToWorld(const Vec3& extrusion) {
    const Vec3 n = Normalized(extrusion);
    if (!(std::fabs(n.x) + std::fabs(n.y) + std::fabs(n.z) > 0.0) ||
        (n.x == 0.0 && n.y == 0.0 && n.z > 0.0)) {
        return {};
    }
    constexpr double kNearZ = 1.0 / 64.0;
    const Vec3 ax =
        Normalized(std::fabs(n.x) < kNearZ && std::fabs(n.y) < kNearZ ? Cross({0.0, 1.0, 0.0}, n)
                                                                      : Cross({0.0, 0.0, 1.0}, n));
    const Vec3 ay = Normalized(Cross(n, ax));
    Affine a;
    const Vec3 axes[3] = {ax, ay, n};
    for (int col = 0; col < 3; ++col) {
        a.m[0][col] = axes[col].x;
        a.m[1][col] = axes[col].y;
        a.m[2][col] = axes[col].z;
    }
    return a;
}

P2 Nurbs::At(double t) const {
    const auto p = static_cast<std::size_t>(degree);
    const std::size_t n = points.size();
    // The span [knots[k], knots[k + 1]) holding t, k from p to n - 1.
    const auto after = std::upper_bound(knots.begin() + static_cast<std::ptrdiff_t>(p + 1),
                                        knots.begin() + static_cast<std::ptrdiff_t>(n), t);
    const std::size_t k = static_cast<std::size_t>(after - knots.begin()) - 1;
    double hx[16], hy[16], hw[16];
    for (std::size_t j = 0; j <= p; ++j) {
        const std::size_t i = j + k - p;
        const double w = weights[i];
        hx[j] = points[i].x * w;
        hy[j] = points[i].y * w;
        hw[j] = w;
    }
    for (std::size_t r = 1; r <= p; ++r) {
        for (std::size_t j = p; j >= r; --j) {
            const std::size_t i = j + k - p;
            const double span = knots[i + p - r + 1] - knots[i];
            const double alpha = span == 0.0 ? 0.0 : (t - knots[i]) / span;
            hx[j] = (1.0 - alpha) * hx[j - 1] + alpha * hx[j];
            hy[j] = (1.0 - alpha) * hy[j - 1] + alpha * hy[j];
            hw[j] = (1.0 - alpha) * hw[j - 1] + alpha * hw[j];
        }
    }
    const double w = hw[p] == 0.0 ? 1.0 : hw[p];
    return {hx[p] / w, hy[p] / w};
}

void GeometryWriter::Draw(const Entity& entity) {
    if (entity.paper_space) return;
    DrawIn(entity, Affine{}, "0", 0);
}

void GeometryWriter::Count(std::string_view name) {
    auto found = not_drawn_.find(std::string(name));
    if (found == not_drawn_.end()) {
        not_drawn_.emplace(std::string(name), 1);
    } else {
        ++found->second;
    }
}

void GeometryWriter::Spend(int64_t count, const Entity& entity) {
    if (count > kMaxInstances - instances_) {
        throw TooManyInstances({entity.at, binary_}, kMaxInstances);
    }
    instances_ += count;
}

int64_t GeometryWriter::BlockWeight(const Block& block, int32_t depth) {
    const auto found = weights_.find(&block);
    if (found != weights_.end()) return found->second;
    weights_[&block] = 1;  // a cycle back here is skipped when drawn
    int64_t weight = 1;
    for (const Entity& entity : block.entities) {
        int64_t one = 1;
        const Block* inner = entity.kind == Kind::Insert || entity.kind == Kind::Dimension
                                 ? model_.FindBlock(entity.block)
                                 : nullptr;
        if (inner != nullptr && depth < kMaxDepth) {
            one += BlockWeight(*inner, depth + 1);
            if (entity.kind == Kind::Insert) {
                one = Saturating(one, std::max(1, entity.Whole(70)));
                one = Saturating(one, std::max(1, entity.Whole(71)));
            }
        }
        weight = std::min(weight + one, kSaturated);
    }
    weights_[&block] = weight;
    return weight;
}

void GeometryWriter::DrawIn(const Entity& entity, const Affine& to_world,
                            std::string_view parent_layer, int32_t depth) {
    const std::string_view layer = depth > 0 && entity.layer == "0" ? parent_layer : entity.layer;
    if (!model_.LayerShown(layer)) return;
    Spend(1, entity);
    const Vec3* p = entity.point;
    switch (entity.kind) {
        case Kind::Line:
            sink_.Line(to_world.Flat(p[0]), to_world.Flat(p[1]));
            break;
        case Kind::Point:
            sink_.Point(to_world.Flat(p[0]));
            break;
        case Kind::Circle:
        case Kind::Arc: {
            const Affine a = to_world * ObjectToWorld(entity.extrusion);
            const double r = entity.Real(40, 0.0);
            Conic conic;
            conic.c = a.Flat(p[0]);
            conic.u = FlatLinear(a, {r, 0.0, 0.0});
            conic.v = FlatLinear(a, {0.0, r, 0.0});
            if (entity.kind == Kind::Arc) {
                conic.t0 = Radians(entity.Real(50, 0.0));
                conic.sweep = SweepBetween(conic.t0, Radians(entity.Real(51, 360.0)));
            } else {
                conic.sweep = kTurn;
            }
            sink_.Begin(conic.At(conic.t0));
            sink_.Arc(conic);
            sink_.End();
            break;
        }
        case Kind::Ellipse: {
            const Vec3 major = p[1];
            const double ratio = entity.Real(40, 1.0);
            const Vec3 minor_axis = Cross(Normalized(entity.extrusion), major);
            Conic conic;
            conic.c = to_world.Flat(p[0]);
            conic.u = FlatLinear(to_world, major);
            conic.v = FlatLinear(
                to_world, {minor_axis.x * ratio, minor_axis.y * ratio, minor_axis.z * ratio});
            conic.t0 = entity.Real(41, 0.0);
            conic.sweep = SweepBetween(conic.t0, entity.Real(42, kTurn));
            sink_.Begin(conic.At(conic.t0));
            sink_.Arc(conic);
            sink_.End();
            break;
        }
        case Kind::LwPolyline:
            BulgeChain(sink_, to_world * ObjectToWorld(entity.extrusion), entity.vertices,
                       (entity.Whole(70) & 1) != 0, entity.elevation, false);
            break;
        case Kind::Polyline:
            DrawPolyline(entity, to_world);
            break;
        case Kind::Spline:
            DrawSpline(entity, to_world);
            break;
        case Kind::Solid: {
            const Affine a = to_world * ObjectToWorld(entity.extrusion);
            PointChain(sink_, a, {p[0], p[1], p[3], p[2]}, true);
            break;
        }
        case Kind::Face: {
            const int32_t hidden = entity.Whole(70);
            if ((hidden & 15) == 0) {
                PointChain(sink_, to_world, {p[0], p[1], p[2], p[3]}, true);
                break;
            }
            for (int edge = 0; edge < 4; ++edge) {
                if ((hidden & (1 << edge)) != 0) continue;
                sink_.Line(to_world.Flat(p[edge]), to_world.Flat(p[(edge + 1) % 4]));
            }
            break;
        }
        case Kind::Insert:
            DrawInsert(entity, to_world, layer, depth);
            break;
        case Kind::Dimension:
            if (const Block* block = model_.FindBlock(entity.block)) {
                DrawBlock(*block, to_world, layer, depth);
            }
            break;
        case Kind::Leader: {
            std::vector<Vec3> points;
            points.reserve(entity.vertices.size());
            for (const Vertex& v : entity.vertices) points.push_back(v.p);
            PointChain(sink_, to_world, points, false);
            break;
        }
        case Kind::NotDrawn:
            // An insert shows its ATTRIB entities, never the block's ATTDEF
            // templates, so those are no loss.
            if (depth > 0 && entity.name == "ATTDEF") break;
            Count(entity.name);
            break;
        case Kind::Skipped:
            break;
    }
}

void GeometryWriter::DrawBlock(const Block& block, const Affine& to_world, std::string_view layer,
                               int32_t depth) {
    if (depth >= kMaxDepth) return;
    if (std::find(open_blocks_.begin(), open_blocks_.end(), &block) != open_blocks_.end()) return;
    open_blocks_.push_back(&block);
    for (const Entity& inner : block.entities) DrawIn(inner, to_world, layer, depth + 1);
    open_blocks_.pop_back();
}

void GeometryWriter::DrawInsert(const Entity& entity, const Affine& to_world,
                                std::string_view layer, int32_t depth) {
    const Block* block = model_.FindBlock(entity.block);
    if (block == nullptr || block->paper_space) return;
    const int32_t columns = std::max(1, entity.Whole(70));
    const int32_t rows = std::max(1, entity.Whole(71));
    Spend(Saturating(Saturating(columns, rows), BlockWeight(*block, depth)) - 1, entity);
    const double rotation = Radians(entity.Real(50, 0.0));
    const Affine placed = to_world * ObjectToWorld(entity.extrusion) *
                          Translation(entity.point[0]) * RotationZ(rotation);
    const Affine scaled =
        Scaling(entity.Real(41, 1.0), entity.Real(42, 1.0), entity.Real(43, 1.0)) *
        Translation({-block->base.x, -block->base.y, -block->base.z});
    const double column_step = entity.Real(44, 0.0);
    const double row_step = entity.Real(45, 0.0);
    for (int32_t row = 0; row < rows; ++row) {
        for (int32_t column = 0; column < columns; ++column) {
            const Affine cell =
                placed * Translation({column * column_step, row * row_step, 0.0}) * scaled;
            DrawBlock(*block, cell, layer, depth);
        }
    }
}

void GeometryWriter::DrawPolyline(const Entity& entity, const Affine& to_world) {
    const int32_t flags = entity.Whole(70);
    const std::vector<Vertex>& vertices = entity.vertices;
    if ((flags & 64) != 0) {
        // Polyface mesh: positions, then faces naming them from 1; a
        // negative index hides the edge that starts there.
        std::vector<Vec3> positions;
        for (const Vertex& v : vertices) {
            if ((v.flags & 64) != 0) positions.push_back(v.p);
        }
        for (const Vertex& face : vertices) {
            if ((face.flags & 128) == 0 || (face.flags & 64) != 0) continue;
            int32_t corners[4];
            int32_t count = 0;
            for (const int32_t index : face.index) {
                if (index != 0) corners[count++] = index;
            }
            for (int32_t k = 0; k < count; ++k) {
                if (corners[k] < 0) continue;
                const auto a = static_cast<std::size_t>(std::abs(corners[k]));
                const auto b = static_cast<std::size_t>(std::abs(corners[(k + 1) % count]));
                if (a == b || a > positions.size() || b > positions.size()) continue;
                sink_.Line(to_world.Flat(positions[a - 1]), to_world.Flat(positions[b - 1]));
            }
        }
        return;
    }
    if ((flags & 16) != 0) {
        const int32_t m = entity.Whole(71);
        const int32_t n = entity.Whole(72);
        if (m <= 0 || n <= 0 || int64_t{m} * n > static_cast<int64_t>(vertices.size())) return;
        std::vector<Vec3> line;
        for (int32_t i = 0; i < m; ++i) {
            line.clear();
            for (int32_t j = 0; j < n; ++j) line.push_back(vertices[i * n + j].p);
            PointChain(sink_, to_world, line, (flags & 32) != 0);
        }
        for (int32_t j = 0; j < n; ++j) {
            line.clear();
            for (int32_t i = 0; i < m; ++i) line.push_back(vertices[i * n + j].p);
            PointChain(sink_, to_world, line, (flags & 1) != 0);
        }
        return;
    }
    if ((flags & 8) != 0) {
        std::vector<Vec3> points;
        for (const Vertex& v : vertices) {
            if ((v.flags & 16) == 0) points.push_back(v.p);
        }
        PointChain(sink_, to_world, points, (flags & 1) != 0);
        return;
    }
    BulgeChain(sink_, to_world * ObjectToWorld(entity.extrusion), vertices, (flags & 1) != 0,
               entity.point[0].z, true);
}

void GeometryWriter::DrawSpline(const Entity& entity, const Affine& to_world) {
    Nurbs& curve = nurbs_;
    curve.points.clear();
    curve.weights.clear();
    if (!entity.vertices.empty()) {
        const std::size_t n = entity.vertices.size();
        if (n == 1) {
            sink_.Point(to_world.Flat(entity.vertices[0].p));
            return;
        }
        curve.degree =
            std::clamp(entity.Whole(71), 1, static_cast<int32_t>(std::min<std::size_t>(n - 1, 15)));
        for (const Vertex& v : entity.vertices) curve.points.push_back(to_world.Flat(v.p));
        const bool weighted = entity.weights.size() == n;
        for (std::size_t i = 0; i < n; ++i) {
            const double w = weighted ? entity.weights[i] : 1.0;
            curve.weights.push_back(w > 0.0 && std::isfinite(w) ? w : 1.0);
        }
        curve.knots = UsableKnots(entity.knots, n, curve.degree);
        sink_.Curve(curve);
        return;
    }
    // Fit points only: cubic pieces through them, tangents from the
    // neighbours.
    const std::vector<Vec3>& fit = entity.fit_points;
    if (fit.size() < 2) {
        if (fit.size() == 1) sink_.Point(to_world.Flat(fit[0]));
        return;
    }
    std::vector<P2> q;
    q.reserve(fit.size());
    for (const Vec3& f : fit) q.push_back(to_world.Flat(f));
    const std::size_t n = q.size();
    auto tangent = [&](std::size_t i) -> P2 {
        const P2 a = q[i == 0 ? 0 : i - 1];
        const P2 b = q[i + 1 == n ? n - 1 : i + 1];
        const double scale = (i == 0 || i + 1 == n) ? 1.0 : 0.5;
        return {(b.x - a.x) * scale, (b.y - a.y) * scale};
    };
    curve.degree = 3;
    curve.knots = {0.0, 0.0, 0.0, 0.0};
    curve.points.push_back(q[0]);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const P2 t0 = tangent(i);
        const P2 t1 = tangent(i + 1);
        curve.points.push_back({q[i].x + t0.x / 3.0, q[i].y + t0.y / 3.0});
        curve.points.push_back({q[i + 1].x - t1.x / 3.0, q[i + 1].y - t1.y / 3.0});
        curve.points.push_back(q[i + 1]);
        const double k = static_cast<double>(i + 1);
        curve.knots.insert(curve.knots.end(), {k, k, k});
    }
    curve.knots.push_back(static_cast<double>(n - 1));
    curve.weights.assign(curve.points.size(), 1.0);
    sink_.Curve(curve);
}

}  // namespace dxf
