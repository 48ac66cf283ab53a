#include "raster/line_rule.h"

#include <algorithm>

namespace raster {

namespace {

// Floor and ceiling of a / b for b > 0, also for negative a.
template <class Wide>
Wide FloorDiv(Wide a, Wide b) {
    Wide q = a / b;
    if (a % b != 0 && a < 0) --q;
    return q;
}

template <class Wide>
Wide CeilDiv(Wide a, Wide b) {
    Wide q = a / b;
    if (a % b != 0 && a > 0) ++q;
    return q;
}

// The offsets k >= 0 along one axis, going `sign` from `start`, whose
// coordinate start + sign * k lies in [low, high).
template <class Wide>
void Limits(int64_t start, int64_t sign, int64_t low, int64_t high, Wide& k_lo, Wide& k_hi) {
    if (sign > 0) {
        k_lo = Wide{low} - start;
        k_hi = Wide{high} - 1 - start;
    } else {
        k_lo = Wide{start} - (high - 1);
        k_hi = Wide{start} - low;
    }
}

// Wide is __int128 in general; int64_t where every coordinate is below
// 2^28 in size, which keeps the products below 2^62 and is much faster.
template <class Wide>
bool Clip(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t left, int64_t top, int64_t right,
          int64_t bottom, LineRun& run) {
    const int64_t dx = x1 - x0;
    const int64_t dy = y1 - y0;
    const bool x_major = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    const int64_t d_major = x_major ? dx : dy;
    const int64_t d_minor = x_major ? dy : dx;
    const int64_t major_start = x_major ? x0 : y0;
    const int64_t minor_start = x_major ? y0 : x0;
    const int64_t b = d_major < 0 ? -d_major : d_major;
    const int64_t a = d_minor < 0 ? -d_minor : d_minor;
    const int64_t s_major = d_major < 0 ? -1 : 1;
    const int64_t s_minor = d_minor < 0 ? -1 : (d_minor > 0 ? 1 : 0);
    if (b == 0) return false;  // zero length paints nothing

    // Both ends inside: so is every pixel, and no limit needs working out.
    if (x0 >= left && x0 < right && x1 >= left && x1 < right && y0 >= top && y0 < bottom &&
        y1 >= top && y1 < bottom) {
        run.x_major = x_major;
        run.count = b;
        run.two_b = 2 * b;
        run.two_a = 2 * a;
        run.error = b - 1;
        run.s_major = s_major;
        run.s_minor = s_minor;
        run.major = major_start;
        run.minor = minor_start;
        return true;
    }

    Wide lo = 0;
    Wide hi = b - 1;
    Wide k_lo = 0;
    Wide k_hi = 0;
    Limits(major_start, s_major, x_major ? left : top, x_major ? right : bottom, k_lo, k_hi);
    lo = std::max(lo, k_lo);
    hi = std::min(hi, k_hi);
    const int64_t minor_low = x_major ? top : left;
    const int64_t minor_high = x_major ? bottom : right;
    if (a == 0) {
        if (minor_start < minor_low || minor_start >= minor_high) return false;
    } else {
        // The minor offsets that stay inside, then the steps that give them;
        // off(i) never decreases, so both limits are single inequalities.
        Limits(minor_start, s_minor, minor_low, minor_high, k_lo, k_hi);
        const Wide two_a = Wide{2} * a;
        lo = std::max(lo, CeilDiv(Wide{2} * b * k_lo - b + 1, two_a));
        hi = std::min(hi, FloorDiv(Wide{2} * b * k_hi + b, two_a));
    }
    if (lo > hi) return false;

    // From here everything fits 64 bits: hi - lo is below the clip's size,
    // the offset is at most a, and the error stays below 2b.
    const int64_t first = static_cast<int64_t>(lo);
    const Wide numerator = Wide{2} * first * a + b - 1;
    run.x_major = x_major;
    run.count = static_cast<int64_t>(hi - lo) + 1;
    run.two_b = 2 * b;
    run.two_a = 2 * a;
    run.error = static_cast<int64_t>(numerator % run.two_b);
    run.s_major = s_major;
    run.s_minor = s_minor;
    run.major = major_start + s_major * first;
    run.minor = minor_start + s_minor * static_cast<int64_t>(numerator / run.two_b);
    return true;
}

}  // namespace

bool ClipLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t left, int64_t top,
              int64_t right, int64_t bottom, LineRun& run) {
    constexpr int64_t kSmall = int64_t{1} << 28;
    auto small = [](int64_t v) { return v > -kSmall && v < kSmall; };
    if (small(x0) && small(y0) && small(x1) && small(y1) && small(left) && small(top) &&
        small(right) && small(bottom)) {
        return Clip<int64_t>(x0, y0, x1, y1, left, top, right, bottom, run);
    }
    return Clip<__int128>(x0, y0, x1, y1, left, top, right, bottom, run);
}

}  // namespace raster
