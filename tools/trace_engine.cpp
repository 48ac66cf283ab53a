#include "tools/trace_engine.h"

#include <bit>

#include "raster/tcolor.h"
#include "tools/trace_engine_run.h"

namespace tools {

// The key is defined on the colour's hex text (at least six digits, pairs
// read from its start as blue, green, red). For 0x00BBGGRR that is just the
// three bytes; a value with a top byte has seven or eight digits, and its
// first six digits are the value shifted right by the extra nibbles. So the
// invalid-colour marker reads as white.
int GreyLevel(uint32_t colour, BaseColour base) {
    if (colour > 0xFFFFFFu) {
        const int digits = (32 - std::countl_zero(colour) + 3) / 4;
        colour >>= 4 * (digits - 6);
    }
    return trace_detail::LevelOf(raster::SwapRedBlue(colour), base);
}

TraceOutcome RunTraceToList(raster::TBitmap& bitmap, TraceControls& controls,
                            core::LineList& keys) {
    return trace_detail::Run(bitmap, controls, keys);
}

TraceOutcome RunTrace(raster::TBitmap& bitmap, TraceControls& controls,
                      const std::string& keys_path) {
    core::LineList keys;
    const TraceOutcome outcome = RunTraceToList(bitmap, controls, keys);
    if (outcome == TraceOutcome::Completed) keys.SaveToFile(keys_path);
    return outcome;
}

}  // namespace tools
