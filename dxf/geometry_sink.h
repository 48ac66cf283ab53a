#pragma once
// What entity geometry comes out as: points, lines, chains of straight and
// curved pieces, all in drawing units already projected on XY. One sink
// measures the extents, another turns the same calls into pixel rows.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace dxf {

struct P2 {
    double x = 0.0;
    double y = 0.0;
};

// c + u cos t + v sin t for t from t0 over `sweep` (negative: clockwise).
// Circles, arcs, ellipses and bulges all become one after the transforms.
struct Conic {
    P2 c, u, v;
    double t0 = 0.0;
    double sweep = 0.0;
    [[nodiscard]] P2 At(double t) const {
        const double cs = std::cos(t);
        const double sn = std::sin(t);
        return {c.x + u.x * cs + v.x * sn, c.y + u.y * cs + v.y * sn};
    }
};

// A NURBS curve on XY (control points projected: the curve of projected
// control points is the projected curve).
struct Nurbs {
    int32_t degree = 3;
    std::vector<P2> points;
    std::vector<double> weights;  // one per point
    std::vector<double> knots;    // points + degree + 1, not decreasing
    [[nodiscard]] P2 At(double t) const;
    [[nodiscard]] double Start() const { return knots[static_cast<std::size_t>(degree)]; }
    [[nodiscard]] double End() const { return knots[points.size()]; }
};

class GeometrySink {
  public:
    virtual void Point(P2 p) = 0;
    // A chain: Begin, any number of To and Arc (an arc goes on from where the
    // chain stands, which is its start), End.
    virtual void Begin(P2 p) = 0;
    virtual void To(P2 p) = 0;
    virtual void Arc(const Conic& conic) = 0;
    virtual void Curve(const Nurbs& curve) = 0;
    virtual void End() = 0;
    virtual void Line(P2 a, P2 b) {
        Begin(a);
        To(b);
        End();
    }

  protected:
    ~GeometrySink() = default;
};

}  // namespace dxf
