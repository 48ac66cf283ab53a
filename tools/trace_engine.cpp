#include "tools/trace_engine.h"

#include "tools/trace_engine_run.h"

namespace tools {

int GreyLevel(uint32_t colour, BaseColour base) { return trace_detail::LevelOf(colour, base); }

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
