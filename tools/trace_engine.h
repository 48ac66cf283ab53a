#pragma once
// Trace: ranks the distinct grey keys of the picture and paints white every
// pixel whose rank percentage is above the threshold, the rest black on
// request. The live choices are read through TraceControls at every pixel, so
// a dialog's controls take effect from the next pixel.
#include <cstdint>
#include <string>

#include "core/line_list.h"
#include "raster/tbitmap.h"

namespace tools {

enum class BaseColour { None, Red, Green, Blue };

// The grey level (0..340) of a colour as read from a pixel.
[[nodiscard]] int GreyLevel(uint32_t colour, BaseColour base);

class TraceControls {
  public:
    virtual BaseColour Base() = 0;       // read for every key
    virtual int Threshold() = 0;         // read at every pixel of the second pass
    virtual bool PaintBlack() = 0;       // read at every pixel of the second pass
    virtual bool CancelRequested() = 0;  // read after every pixel of the first pass
    // Called after every pixel; `done` counts the pixels of the pass so far.
    virtual void FirstPassStep(int64_t done) = 0;
    virtual void SecondPassStep(int64_t done) = 0;
    // Between the passes, when the key list has been sorted.
    virtual void PassesSwitched() {}

  protected:
    ~TraceControls() = default;
};

enum class TraceOutcome { Completed, Cancelled };

// Runs both passes over `bitmap` and, when complete, saves the sorted keys to
// `keys_path` as a line list. A cancel leaves the picture unchanged and
// writes no file.
TraceOutcome RunTrace(raster::TBitmap& bitmap, TraceControls& controls,
                      const std::string& keys_path);

// Both passes as RunTrace, without the file: when complete, `keys` holds the
// sorted key list (replacing its lines); a cancel leaves `keys` unchanged.
// trace_engine_run.h has the same for a controls class known when compiling.
TraceOutcome RunTraceToList(raster::TBitmap& bitmap, TraceControls& controls, core::LineList& keys);

}  // namespace tools
