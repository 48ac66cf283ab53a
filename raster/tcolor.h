#pragma once
// Colours are 32-bit values laid out 0x00BBGGRR. A negative value refers to a
// system colour by its low byte; -1 doubles as the marker a pixel read returns
// outside the picture.
#include <cstdint>

namespace raster {

using TColor = int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clInvalid = -1;  // 0xFFFFFFFF

// The colour a pixel takes when `colour` is written: RGB values unchanged,
// system colour references looked up (none is defined here, so they give black).
[[nodiscard]] constexpr uint32_t ResolveColour(TColor colour) {
    return colour >= 0 ? static_cast<uint32_t>(colour) & 0xFFFFFFu : 0u;
}

}  // namespace raster
