#pragma once
// The canvas line rule as a clipped run of steps, shared by the picture's own
// line drawing and the ink mask.
//
// Bresenham along the axis with the larger difference (the major axis), one
// pixel per unit step i = 0 .. n-1 where n is that difference, so the end
// pixel is left out. The pixel of step i lies off(i) = round(i * A / B) minor
// units from the start, A and B being the minor and major differences. Where
// the ideal line passes exactly halfway between two pixels the one nearer the
// start is taken: off(i) = floor((2iA + B - 1) / 2B), the classic error rule
// that steps only when the error is strictly positive.
//
// Clipping solves for the range of steps whose pixel is inside, so the
// painted pixels are exactly the inside ones of the unclipped line and the
// work is bounded by the clip, wherever the end points lie.
#include <cstdint>

namespace raster {

// The inside part of a line: `count` pixels from (major, minor); each step
// moves s_major along the major axis, adds two_a to the error and, when the
// error reaches two_b, takes it back by two_b and moves s_minor.
struct LineRun {
    bool x_major = true;
    int64_t count = 0;
    int64_t major = 0;
    int64_t minor = 0;
    int64_t s_major = 0;
    int64_t s_minor = 0;
    int64_t error = 0;
    int64_t two_a = 0;
    int64_t two_b = 0;

    [[nodiscard]] int64_t X() const { return x_major ? major : minor; }
    [[nodiscard]] int64_t Y() const { return x_major ? minor : major; }
    void Step() {
        major += s_major;
        error += two_a;
        if (error >= two_b) {
            error -= two_b;
            minor += s_minor;
        }
    }
    // `steps` steps at once; the error stays below two_b.
    void Advance(int64_t steps) {
        const int64_t total = error + two_a * steps;
        const int64_t minor_steps = Quotient(total, two_b);
        major += s_major * steps;
        minor += s_minor * minor_steps;
        error = total - minor_steps * two_b;
    }

    // a / b for a >= 0 and b > 0. Lines over pictures of ordinary size take
    // the 32-bit division, which costs much less; the mask divides at every
    // tile a line crosses.
    static int64_t Quotient(int64_t a, int64_t b) {
        if (((a | b) >> 32) == 0) {
            return static_cast<int64_t>(static_cast<uint32_t>(a) / static_cast<uint32_t>(b));
        }
        return a / b;
    }
};

// False when no pixel of the line from (x0, y0) towards (x1, y1) lies in
// [left, right) x [top, bottom).
bool ClipLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t left, int64_t top,
              int64_t right, int64_t bottom, LineRun& run);

}  // namespace raster
