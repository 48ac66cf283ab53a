#include "dxf/pixel_rows.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "dxf/dxf_failure.h"

namespace dxf {
namespace {

constexpr std::size_t kBatchRows = 1 << 16;
// Below half a pixel, with room for the rounding of the end points.
constexpr double kChordError = 0.4;
constexpr int32_t kMaxPiecesPerArc = 1 << 14;
// Samples of each knot span when measuring a spline's extents.
constexpr int32_t kExtentSamples = 64;

double LargestStretch(const Conic& conic) {
    // The largest singular value of [u v]: the longest half-axis.
    const double a = conic.u.x * conic.u.x + conic.u.y * conic.u.y;
    const double b = conic.u.x * conic.v.x + conic.u.y * conic.v.y;
    const double d = conic.v.x * conic.v.x + conic.v.y * conic.v.y;
    const double half = (a + d) / 2.0;
    const double root = std::sqrt(std::max(0.0, half * half - (a * d - b * b)));
    return std::sqrt(half + root);
}

bool Within(double t, double t0, double sweep) {
    double offset = sweep >= 0.0 ? t - t0 : t0 - t;
    offset = std::fmod(offset, 2.0 * std::numbers::pi);
    if (offset < 0.0) offset += 2.0 * std::numbers::pi;
    return offset <= std::fabs(sweep);
}

int32_t Pieces(const Conic& conic, double scale) {
    const double radius = LargestStretch(conic) * scale;
    const double sweep = std::fabs(conic.sweep);
    if (!(radius > kChordError) || !std::isfinite(radius)) return 1;
    const double step = 2.0 * std::acos(1.0 - kChordError / radius);
    const double pieces = std::ceil(sweep / step);
    return static_cast<int32_t>(std::clamp(pieces, 1.0, double{kMaxPiecesPerArc}));
}

}  // namespace

void Extents::Add(P2 p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
    if (empty) {
        min_x = max_x = p.x;
        min_y = max_y = p.y;
        empty = false;
        return;
    }
    min_x = std::min(min_x, p.x);
    max_x = std::max(max_x, p.x);
    min_y = std::min(min_y, p.y);
    max_y = std::max(max_y, p.y);
}

void ExtentsSink::Arc(const Conic& conic) {
    if (std::fabs(conic.sweep) >= 2.0 * std::numbers::pi) {
        // A whole ellipse reaches c +- |(ux, vx)| across and c +- |(uy, vy)| up.
        const double across = std::hypot(conic.u.x, conic.v.x);
        const double up = std::hypot(conic.u.y, conic.v.y);
        extents_.Add({conic.c.x - across, conic.c.y - up});
        extents_.Add({conic.c.x + across, conic.c.y + up});
        return;
    }
    extents_.Add(conic.At(conic.t0));
    extents_.Add(conic.At(conic.t0 + conic.sweep));
    // x(t) = cx + ux cos t + vx sin t is extreme where tan t = vx / ux.
    for (const double t : {std::atan2(conic.v.x, conic.u.x), std::atan2(conic.v.y, conic.u.y)}) {
        for (const double candidate : {t, t + std::numbers::pi}) {
            if (Within(candidate, conic.t0, conic.sweep)) extents_.Add(conic.At(candidate));
        }
    }
}

void ExtentsSink::Curve(const Nurbs& curve) {
    // The curve lies inside its control points' box: when that box is inside
    // the extents already, the curve cannot widen them.
    Extents hull;
    for (const P2& p : curve.points) hull.Add(p);
    if (hull.empty) return;
    if (!extents_.empty && hull.min_x >= extents_.min_x && hull.max_x <= extents_.max_x &&
        hull.min_y >= extents_.min_y && hull.max_y <= extents_.max_y) {
        return;
    }
    const std::size_t first = static_cast<std::size_t>(curve.degree);
    for (std::size_t k = first; k < curve.points.size(); ++k) {
        const double a = curve.knots[k];
        const double b = curve.knots[k + 1];
        if (!(b > a)) continue;
        for (int32_t i = 0; i <= kExtentSamples; ++i) {
            extents_.Add(curve.At(a + (b - a) * i / kExtentSamples));
        }
    }
}

RowSink::Pixel RowSink::ToPixel(P2 p) const {
    // Clamped to the grid: spline extents are measured by samples, and a
    // point between them may stand a hair outside.
    const double column = std::round((p.x - grid_.min_x) * grid_.scale);
    const double row = std::round((grid_.max_y - p.y) * grid_.scale) + 1.0;
    const double right = grid_.width - 1;
    const double bottom = std::max(1, grid_.height - 1);
    return {static_cast<int32_t>(std::clamp(std::isfinite(column) ? column : 0.0, 0.0, right)),
            static_cast<int32_t>(std::clamp(std::isfinite(row) ? row : 1.0, 1.0, bottom))};
}

void RowSink::Add(core::RowKind kind, Pixel at) {
    rows_.push_back({at.x, at.y, kind, core::RowState::Normal});
    if (rows_.size() >= kBatchRows) Flush();
}

void RowSink::Flush() {
    if (rows_.empty()) return;
    total_ += static_cast<int64_t>(rows_.size());
    if (total_ > kMaxRows) throw TooManyRows(kMaxRows);
    batch_(rows_.data(), rows_.size());
    rows_.clear();
}

void RowSink::Point(P2 p) { Add(core::RowKind::Point, ToPixel(p)); }

void RowSink::Line(P2 a, P2 b) {
    const Pixel from = ToPixel(a);
    const Pixel to = ToPixel(b);
    if (from == to) return;
    Add(core::RowKind::LineStart, from);
    Add(core::RowKind::LineEnd, to);
}

void RowSink::Vertex(P2 p) {
    const Pixel at = ToPixel(p);
    if (!chain_.empty() && chain_.back() == at) return;
    chain_.push_back(at);
}

void RowSink::Begin(P2 p) {
    chain_.clear();
    Vertex(p);
}

void RowSink::To(P2 p) { Vertex(p); }

void RowSink::Arc(const Conic& conic) {
    const int32_t pieces = Pieces(conic, grid_.scale);
    for (int32_t i = 1; i <= pieces; ++i) Vertex(conic.At(conic.t0 + conic.sweep * i / pieces));
}

void RowSink::Curve(const Nurbs& curve) {
    // Each knot span is cut in halves until the middle of a piece lies
    // within the chord error of its chord.
    const double tolerance = kChordError / grid_.scale;
    struct Piece {
        double a, b;
        P2 pa, pb;
        int32_t depth;
    };
    std::vector<Piece> stack;
    bool first = true;
    Extents hull;
    for (const P2& p : curve.points) hull.Add(p);
    const bool small =
        std::max(hull.max_x - hull.min_x, hull.max_y - hull.min_y) * grid_.scale < 4.0;
    for (std::size_t k = static_cast<std::size_t>(curve.degree); k < curve.points.size(); ++k) {
        const double a = curve.knots[k];
        const double b = curve.knots[k + 1];
        if (!(b > a)) continue;
        if (first) {
            Begin(curve.At(a));
            first = false;
        }
        // Four pieces a span at least, so a wiggle between samples is seen,
        // unless the whole curve is a few pixels across.
        const int32_t kStart = small ? 1 : 4;
        for (int32_t i = kStart; i > 0; --i) {
            const double ta = a + (b - a) * (i - 1) / kStart;
            const double tb = a + (b - a) * i / kStart;
            stack.push_back({ta, tb, curve.At(ta), curve.At(tb), 0});
        }
        while (!stack.empty()) {
            const Piece piece = stack.back();
            stack.pop_back();
            const double tm = (piece.a + piece.b) / 2.0;
            const P2 pm = curve.At(tm);
            const double dx = piece.pb.x - piece.pa.x;
            const double dy = piece.pb.y - piece.pa.y;
            const double length = std::hypot(dx, dy);
            const double off =
                length > 0.0
                    ? std::fabs((pm.x - piece.pa.x) * dy - (pm.y - piece.pa.y) * dx) / length
                    : std::hypot(pm.x - piece.pa.x, pm.y - piece.pa.y);
            if (off <= tolerance || piece.depth >= 12) {
                Vertex(piece.pb);
                continue;
            }
            stack.push_back({tm, piece.b, pm, piece.pb, piece.depth + 1});
            stack.push_back({piece.a, tm, piece.pa, pm, piece.depth + 1});
        }
    }
    if (!first) End();
}

void RowSink::End() {
    if (chain_.size() < 2) {
        chain_.clear();
        return;
    }
    Add(core::RowKind::PolylineStart, {0, 0});
    Add(core::RowKind::VertexFirst, chain_[0]);
    for (std::size_t i = 1; i < chain_.size(); ++i) Add(core::RowKind::VertexNext, chain_[i]);
    Add(core::RowKind::PolylineEnd, {0, 0});
    chain_.clear();
}

}  // namespace dxf
