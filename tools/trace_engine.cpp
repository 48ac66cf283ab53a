#include "tools/trace_engine.h"

namespace tools {

namespace trace_detail {

std::string KeyText(int level) {
    std::string key = "000000";
    for (std::size_t i = key.size(); i > 0 && level > 0; --i) {
        key[i - 1] = static_cast<char>('0' + level % 10);
        level /= 10;
    }
    return key;
}

}  // namespace trace_detail

int GreyLevel(uint32_t colour, BaseColour base) { return trace_detail::LevelOf(colour, base); }

std::string GreyKey(uint32_t colour, BaseColour base) {
    return trace_detail::KeyText(trace_detail::LevelOf(colour, base));
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
