#pragma once
// Colours are 32-bit values laid out 0x00BBGGRR. A negative value refers to a
// system colour by its low byte; -1 doubles as the marker a pixel read returns
// outside the picture. Pixels are stored 0x00RRGGBB instead, the layout a
// screen image takes as it is, so a colour changes layout only where it
// enters or leaves a picture.
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

// Exchanges the low and the third byte: 0x00BBGGRR and 0x00RRGGBB both ways.
[[nodiscard]] constexpr uint32_t SwapRedBlue(uint32_t value) {
    return ((value & 0xFFu) << 16) | (value & 0xFF00FF00u) | ((value >> 16) & 0xFFu);
}
// The stored pixel a colour written to a picture becomes.
[[nodiscard]] constexpr uint32_t PixelOf(TColor colour) {
    return SwapRedBlue(ResolveColour(colour));
}
// The colour a stored pixel reads as.
[[nodiscard]] constexpr TColor ColourOf(uint32_t pixel) {
    return static_cast<TColor>(SwapRedBlue(pixel));
}

}  // namespace raster
