#include "cli/convert.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <limits>
#include <new>
#include <optional>
#include <ostream>
#include <string_view>

#include "core/drawing_document.h"
#include "core/dxf_import.h"
#include "core/line_list.h"
#include "core/picture_file.h"
#include "raster/resource_error.h"
#include "tools/resize_engine.h"
#include "tools/trace_engine_run.h"

namespace cli {
namespace {

constexpr std::string_view kProgram = "morlid-convert";

// Plain decimal digits only: the converter's numbers are sizes and percents,
// so signs, blanks and hexadecimal forms are usage mistakes.
std::optional<int32_t> ParseCount(std::string_view text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
    return static_cast<int32_t>(value);
}

std::optional<Step> ParseSize(std::string_view text) {
    const std::size_t cross = text.find_first_of("xX");
    if (cross == std::string_view::npos) return std::nullopt;
    const auto width = ParseCount(text.substr(0, cross));
    const auto height = ParseCount(text.substr(cross + 1));
    if (!width || !height) return std::nullopt;
    Step step;
    step.kind = Step::Kind::Resize;
    step.width = *width;
    step.height = *height;
    return step;
}

std::optional<tools::BaseColour> ParseBase(std::string_view text) {
    if (text == "red") return tools::BaseColour::Red;
    if (text == "green") return tools::BaseColour::Green;
    if (text == "blue") return tools::BaseColour::Blue;
    return std::nullopt;
}

ParsedArguments Problem(std::string text) {
    ParsedArguments parsed;
    parsed.action = ParsedArguments::Action::Usage;
    parsed.problem = std::move(text);
    return parsed;
}

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

ParsedArguments ParseArguments(const std::vector<std::string>& args) {
    ParsedArguments parsed;
    // --help wins wherever it stands, even beside mistakes.
    for (const std::string& arg : args) {
        if (arg == "--") break;
        if (arg == "--help") {
            parsed.action = ParsedArguments::Action::Help;
            return parsed;
        }
    }

    ConvertRequest& request = parsed.request;
    std::vector<std::string> files;
    bool options_ended = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (options_ended || arg.size() < 2 || arg[0] != '-') {
            files.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            options_ended = true;
            continue;
        }
        // "--name value" and "--name=value" both work.
        std::string_view name = arg;
        std::optional<std::string_view> inline_value;
        if (const std::size_t eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            inline_value = arg.substr(eq + 1);
        }
        const bool takes_value =
            name == "--resize" || name == "--trace" || name == "--base" || name == "--keys";
        const bool is_flag = name == "--help" || name == "--black";
        if (!takes_value && !is_flag) return Problem("unknown option '" + std::string(arg) + "'");
        if (is_flag && inline_value) {
            return Problem("option '" + std::string(name) + "' takes no value");
        }

        if (name == "--black") {
            request.paint_black = true;
            continue;
        }

        std::string_view value;
        if (inline_value) {
            value = *inline_value;
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return Problem("option '" + std::string(name) + "' needs a value");
        }

        if (name == "--resize") {
            const auto step = ParseSize(value);
            if (!step) {
                return Problem("--resize needs WIDTHxHEIGHT in pixels, e.g. 800x600, not '" +
                               std::string(value) + "'");
            }
            request.steps.push_back(*step);
        } else if (name == "--trace") {
            const auto threshold = ParseCount(value);
            if (!threshold || *threshold > 100) {
                return Problem("--trace needs a threshold from 0 to 100, not '" +
                               std::string(value) + "'");
            }
            Step step;
            step.kind = Step::Kind::Trace;
            step.threshold = *threshold;
            request.steps.push_back(step);
        } else if (name == "--base") {
            const auto base = ParseBase(value);
            if (!base) {
                return Problem("--base needs red, green or blue, not '" + std::string(value) + "'");
            }
            request.base = *base;
        } else {  // --keys
            if (value.empty()) return Problem("--keys needs a file name");
            request.keys_path = std::string(value);
        }
    }

    if (files.size() != 2) {
        return Problem(files.size() < 2 ? "missing input or output file" : "too many file names");
    }
    request.input = files[0];
    request.output = files[1];
    parsed.action = ParsedArguments::Action::Convert;
    return parsed;
}

std::string UsageText() {
    return "usage: morlid-convert [options] IN.dxf OUT.bmp\n"
           "Try 'morlid-convert --help' for more information.\n";
}

std::string HelpText() {
    return "usage: morlid-convert [options] IN.dxf OUT.bmp\n"
           "\n"
           "Draws the DXF drawing IN.dxf as the viewer Morlid does and writes the picture\n"
           "to OUT.bmp as a Windows bitmap. --resize and --trace are applied in the order\n"
           "they are given. Files are written only at the end, once every step has\n"
           "succeeded; on failure OUT.bmp is left as it was.\n"
           "\n"
           "Options:\n"
           "  --resize WxH     resize the picture to W by H pixels by nearest sample\n"
           "  --trace T        trace with threshold T (0 to 100): every pixel whose grey\n"
           "                   key ranks above T percent of the distinct keys turns white\n"
           "  --black          for every --trace: paint the pixels at or below the\n"
           "                   threshold black (they are otherwise left as they are)\n"
           "  --base COLOUR    for every --trace: the background's base colour, red,\n"
           "                   green or blue (leave out for a white background)\n"
           "  --keys PATH      file for the sorted grey keys of the last trace\n"
           "                   (default: Image.txt in the current directory)\n"
           "  --help           show this help and exit\n"
           "\n"
           "--black, --base and --keys apply wherever they stand on the command line.\n"
           "The key file is written before OUT.bmp.\n"
           "\n"
           "Exit status: 0 done; 1 failure (the message on standard error, OUT.bmp not\n"
           "written); 2 bad usage.\n";
}

void Convert(const ConvertRequest& request, std::ostream* progress) {
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
    core::SavePictureToFile(image.Picture, request.output);
}

int RunConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool show_progress) {
    const ParsedArguments parsed = ParseArguments(args);
    switch (parsed.action) {
        case ParsedArguments::Action::Help:
            out << HelpText();
            out.flush();
            return out ? kExitOk : kExitFailure;
        case ParsedArguments::Action::Usage:
            err << kProgram << ": " << parsed.problem << '\n' << UsageText();
            return kExitUsage;
        case ParsedArguments::Action::Convert:
            break;
    }
    try {
        Convert(parsed.request, show_progress ? &err : nullptr);
    } catch (const std::bad_alloc&) {
        err << raster::ResourceError().what() << '\n';
        return kExitFailure;
    } catch (const std::exception& failure) {
        err << failure.what() << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace cli
