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
#include "core/dxf_thumbnail.h"
#include "core/file_save.h"
#include "core/fixed_layout_check.h"
#include "core/line_list.h"
#include "dxf/any_dxf.h"
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

// The system's name for standard input, so that the reader takes it as any pipe or file.
std::string ReadablePath(const std::string& input) {
    return input == kStandardStream ? "/dev/stdin" : input;
}

// Reads the input with the reader the request names. A thumbnail of a file
// from another CAD program is read the general way, fitted into its size, as
// a file manager cannot be asked which reader to use.
void Load(const ConvertRequest& request, const std::string& input, core::DrawingDocument& document,
          std::vector<std::string>* notes) {
    const bool other_layout = core::IsOtherLayoutFile(input);
    const bool thumbnail = request.thumbnail_size > 0;
    if (request.reader == ConvertRequest::Reader::Fixed && !(thumbnail && other_layout)) {
        if (thumbnail) {
            core::LoadDxfThumbnail(document, input, request.thumbnail_size);
            return;
        }
        if (notes != nullptr && other_layout) {
            notes->push_back(
                "warning: not in the fixed entity layout (written by another CAD program?): "
                "try --read any");
        }
        core::LoadDxf(document, input);
        return;
    }
    dxf::ScaleRequest scale = request.scale;
    if (thumbnail) {
        scale.mode = dxf::ScaleRequest::Mode::Fit;
        scale.fit_width = request.thumbnail_size;
        scale.fit_height = request.thumbnail_size;
    }
    const dxf::ImportReport report = dxf::LoadAnyDxf(document, input, scale);
    if (notes == nullptr || thumbnail) return;
    if (std::string line = dxf::NotDrawnLine(report); !line.empty()) {
        notes->push_back(std::move(line));
    }
    if (scale.mode != dxf::ScaleRequest::Mode::Fixed) {
        char line[64];
        std::snprintf(line, sizeof line, "scale: %.6g pixels per drawing unit", report.scale);
        notes->push_back(line);
    }
}

// The conversion; `concerned` follows the file each stage works on.
void ConvertNaming(const ConvertRequest& request, std::ostream* progress,
                   std::vector<std::string>* notes, const std::string*& concerned) {
    const std::string input = ReadablePath(request.input);
    concerned = &request.output;
    // Nothing is written when any output is the input or another output.
    core::RefuseClashingFiles({input}, OutputsOf(request));
    concerned = &request.input;
    // Only the editor's variant keeps the rows that a .dxf output is made of.
    const bool keeps_rows = OutputFormatOf(request.output) == OutputFormat::Dxf;
    core::DrawingDocument document(keeps_rows ? core::DxfVariant::Editor
                                              : core::DxfVariant::Viewer);
    Load(request, input, document, notes);
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

    concerned = &request.keys_path;
    if (traced) keys.SaveToFile(request.keys_path);
    concerned = &request.output;
    try {
        if (request.thumbnail_size > 0) {
            WriteOutput(document, request.output, OutputFormat::Png);
        } else {
            WriteOutput(document, request.output);
        }
    } catch (...) {
        if (traced && request.remove_keys_on_failure) std::remove(request.keys_path.c_str());
        throw;
    }
}

}  // namespace

void Convert(const ConvertRequest& request, std::ostream* progress,
             std::vector<std::string>* notes) {
    const std::string* concerned = &request.input;
    try {
        ConvertNaming(request, progress, notes, concerned);
    } catch (...) {
        const bool output = concerned == &request.output;
        throw ConversionFailure(*concerned != kStandardStream ? *concerned
                                : output                      ? "standard output"
                                                              : "standard input",
                                FailureText(std::current_exception()));
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

std::string MessageAbout(std::string_view file, std::string_view text) {
    std::string message(kProgram);
    return message.append(": ").append(file).append(": ").append(text);
}

}  // namespace cli
