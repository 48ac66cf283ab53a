#include "cli/conversion.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <new>
#include <ostream>

#include "cli/output.h"
#include "core/drawing_document.h"
#include "core/dxf_import.h"
#include "core/file_save.h"
#include "core/line_list.h"
#include "raster/resource_error.h"
#include "tools/resize_engine.h"
#include "tools/trace_engine_run.h"

namespace cli {
namespace {

// The trace's live choices are fixed for the whole run here; the steps only
// drive an optional progress line, shown once a run has taken a while so
// that quick conversions stay quiet.
class ConverterControls final : public tools::TraceControls {
  public:
    ConverterControls(const ConvertRequest& request, int threshold, int64_t pixels,
                      std::ostream* progress)
        : base_(request.base),
          threshold_(threshold),
          black_(request.paint_black),
          pixels_(pixels),
          progress_(progress),
          started_(std::chrono::steady_clock::now()) {
        next_ = NextMark(0);
    }

    tools::BaseColour Base() override { return base_; }
    int Threshold() override { return threshold_; }
    bool PaintBlack() override { return black_; }
    bool CancelRequested() override { return false; }
    void FirstPassStep(int64_t done) override {
        if (done >= next_) Report(1, done);
    }
    void SecondPassStep(int64_t done) override {
        if (done >= next_) Report(2, done);
    }
    void PassesSwitched() override { next_ = NextMark(0); }

  private:
    static constexpr auto kQuietTime = std::chrono::milliseconds(300);

    // The first pixel count at which the percentage exceeds that of `done`.
    int64_t NextMark(int64_t done) const {
        if (progress_ == nullptr || pixels_ == 0) return std::numeric_limits<int64_t>::max();
        const int64_t percent = done * 100 / pixels_;
        if (percent >= 100) return std::numeric_limits<int64_t>::max();
        return ((percent + 1) * pixels_ + 99) / 100;
    }

    void Report(int pass, int64_t done) {
        next_ = NextMark(done);
        if (!shown_ && std::chrono::steady_clock::now() - started_ < kQuietTime) return;
        shown_ = true;
        char line[64];
        std::snprintf(line, sizeof line, "\rtrace: pass %d of 2, %3d%%", pass,
                      static_cast<int>(done * 100 / pixels_));
        *progress_ << line;
        if (pass == 2 && done == pixels_) *progress_ << '\n';
        progress_->flush();
    }

    tools::BaseColour base_;
    int threshold_;
    bool black_;
    int64_t pixels_;
    std::ostream* progress_;
    std::chrono::steady_clock::time_point started_;
    int64_t next_ = 0;
    bool shown_ = false;
};

}  // namespace

void Convert(const ConvertRequest& request, std::ostream* progress) {
    // Nothing is written when any output is the input or another output.
    core::RefuseClashingFiles({request.input}, OutputsOf(request));
    core::DrawingDocument document(core::DxfVariant::Viewer);
    core::LoadDxf(document, request.input);
    raster::TImage& image = document.Image1;

    core::LineList keys;
    bool traced = false;
    for (const Step& step : request.steps) {
        if (step.kind == Step::Kind::Resize) {
            tools::ResizePicture(image, step.width, step.height);
            continue;
        }
        raster::TBitmap& bitmap = image.Picture.Bitmap();
        const int64_t pixels = bitmap.HasPixels() ? static_cast<int64_t>(bitmap.Width()) *
                                                        static_cast<int64_t>(bitmap.Height())
                                                  : 0;
        ConverterControls controls(request, step.threshold, pixels, progress);
        tools::RunTraceToList(bitmap, controls, keys);  // nothing here cancels
        traced = true;
    }

    if (traced) keys.SaveToFile(request.keys_path);
    try {
        WriteOutput(document, request.output);
    } catch (...) {
        if (traced && request.remove_keys_on_failure) std::remove(request.keys_path.c_str());
        throw;
    }
}

std::vector<std::string> OutputsOf(const ConvertRequest& request) {
    const bool traces =
        std::any_of(request.steps.begin(), request.steps.end(),
                    [](const Step& step) { return step.kind == Step::Kind::Trace; });
    if (traces) return {request.keys_path, request.output};
    return {request.output};
}

std::string FailureText(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return raster::ResourceError().what();
    } catch (const std::exception& error) {
        return error.what();
    }
}

}  // namespace cli
