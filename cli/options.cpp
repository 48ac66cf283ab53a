#include "cli/options.h"

#include <getopt.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <string_view>

#include "cli/batch.h"
#include "cli/output.h"
#include "core/dxf_thumbnail.h"

namespace cli {
namespace {

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

// A plain positive decimal, such as 0.25 or 4.
std::optional<double> ParseScale(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value) ||
        value <= 0) {
        return std::nullopt;
    }
    return value;
}

ParsedArguments Problem(std::string text) {
    ParsedArguments parsed;
    parsed.action = ParsedArguments::Action::Usage;
    parsed.problem = std::move(text);
    return parsed;
}

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& args) {
    enum : int { kResize = 256, kTrace, kBase, kKeys, kBlack, kOutDir, kHelp, kVersion };
    enum : int { kRead = 320, kScale, kFit };
    // The output options' codes stand apart, clear of the list above as it grows.
    enum : int { kThumbnail = 384 };
    static constexpr option kOptions[] = {
        {"resize", required_argument, nullptr, kResize},
        {"trace", required_argument, nullptr, kTrace},
        {"base", required_argument, nullptr, kBase},
        {"keys", required_argument, nullptr, kKeys},
        {"black", no_argument, nullptr, kBlack},
        {"out-dir", required_argument, nullptr, kOutDir},
        {"jobs", required_argument, nullptr, 'j'},
        {"help", no_argument, nullptr, kHelp},
        {"version", no_argument, nullptr, kVersion},
        // How IN is read.
        {"read", required_argument, nullptr, kRead},
        {"scale", required_argument, nullptr, kScale},
        {"fit", required_argument, nullptr, kFit},
        // What a file manager's thumbnailer asks for.
        {"thumbnail", required_argument, nullptr, kThumbnail},
        {nullptr, 0, nullptr, 0},
    };

    std::vector<std::string> words{std::string(kProgram)};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    ParsedArguments parsed;
    ConvertRequest& request = parsed.request;
    std::vector<std::string> files;
    bool help = false;
    bool version = false;
    bool keys_given = false;
    bool jobs_given = false;
    bool scale_given = false;
    bool fit_given = false;
    std::string problem;  // the first mistake; later ones are not reported
    const auto mistake = [&problem](std::string text) {
        if (problem.empty()) problem = std::move(text);
    };

    // "-" first keeps files in place among the options, ":" reports a missing value apart.
    optind = 0;  // a full restart, as this may run more than once in a process
    opterr = 0;
    const int argc = static_cast<int>(words.size());
    for (int code; (code = getopt_long(argc, argv.data(), "-:hj:", kOptions, nullptr)) != -1;) {
        const std::string value = optarg != nullptr ? optarg : "";
        switch (code) {
            case 1:
                files.push_back(value);
                break;
            case kResize:
                if (const auto step = ParseSize(value)) {
                    request.steps.push_back(*step);
                } else {
                    mistake("--resize needs WIDTHxHEIGHT in pixels, e.g. 800x600, not '" + value +
                            "'");
                }
                break;
            case kTrace:
                if (const auto threshold = ParseCount(value); threshold && *threshold <= 100) {
                    Step step;
                    step.kind = Step::Kind::Trace;
                    step.threshold = *threshold;
                    request.steps.push_back(step);
                } else {
                    mistake("--trace needs a threshold from 0 to 100, not '" + value + "'");
                }
                break;
            case kBase:
                if (const auto base = ParseBase(value)) {
                    request.base = *base;
                } else {
                    mistake("--base needs red, green or blue, not '" + value + "'");
                }
                break;
            case kKeys:
                if (value.empty()) mistake("--keys needs a file name");
                request.keys_path = value;
                keys_given = true;
                break;
            case kBlack:
                request.paint_black = true;
                break;
            case kOutDir:
                if (value.empty()) mistake("--out-dir needs a folder name");
                parsed.out_dir = value;
                break;
            case 'j':
                if (const auto jobs = ParseCount(value); jobs && *jobs > 0) {
                    parsed.jobs = static_cast<unsigned>(*jobs);
                } else {
                    mistake("--jobs needs a number of workers from 1 up, not '" + value + "'");
                }
                jobs_given = true;
                break;
            case kHelp:
            case 'h':
                help = true;
                break;
            case kVersion:
                version = true;
                break;
            case kRead:
                if (value == "any" || value == "fixed") {
                    request.reader = value == "any" ? ConvertRequest::Reader::Any
                                                    : ConvertRequest::Reader::Fixed;
                } else {
                    mistake("--read needs any or fixed, not '" + value + "'");
                }
                break;
            case kScale:
                if (const auto scale = ParseScale(value)) {
                    request.scale.mode = dxf::ScaleRequest::Mode::Fixed;
                    request.scale.scale = *scale;
                } else {
                    mistake("--scale needs pixels per drawing unit above 0, e.g. 0.5, not '" +
                            value + "'");
                }
                scale_given = true;
                break;
            case kFit:
                if (const auto size = ParseSize(value);
                    size && size->width > 0 && size->height > 0) {
                    request.scale.mode = dxf::ScaleRequest::Mode::Fit;
                    request.scale.fit_width = size->width;
                    request.scale.fit_height = size->height;
                } else {
                    mistake("--fit needs WIDTHxHEIGHT in pixels, e.g. 800x600, not '" + value +
                            "'");
                }
                fit_given = true;
                break;
            case kThumbnail:
                if (const auto size = ParseCount(value);
                    size && *size > 0 && *size <= core::kMaxThumbnailSize) {
                    request.thumbnail_size = *size;
                } else {
                    mistake("--thumbnail needs a size from 1 to " +
                            std::to_string(core::kMaxThumbnailSize) + " pixels, not '" + value +
                            "'");
                }
                break;
            case ':':
                mistake("option '" + std::string(argv[optind - 1]) + "' needs a value");
                break;
            default:  // '?'
                if (optopt >= kResize) {
                    const std::string_view given = argv[optind - 1];
                    mistake("option '" + std::string(given.substr(0, given.find('='))) +
                            "' takes no value");
                } else if (optopt != 0) {
                    mistake("unknown option '-" + std::string(1, static_cast<char>(optopt)) + "'");
                } else {
                    mistake("unknown or ambiguous option '" + std::string(argv[optind - 1]) + "'");
                }
                break;
        }
    }
    for (int i = optind; i < argc; ++i) files.emplace_back(argv[static_cast<std::size_t>(i)]);

    // --help wins wherever it stands, even beside mistakes; then --version.
    if (help) {
        parsed.action = ParsedArguments::Action::Help;
        return parsed;
    }
    if (version) {
        parsed.action = ParsedArguments::Action::Version;
        return parsed;
    }
    if (!problem.empty()) return Problem(std::move(problem));
    if (scale_given && fit_given) return Problem("--scale and --fit exclude each other");
    if ((scale_given || fit_given) && request.reader != ConvertRequest::Reader::Any) {
        return Problem("--scale and --fit work only with --read any");
    }
    if (request.thumbnail_size > 0 && (!request.steps.empty() || !parsed.out_dir.empty())) {
        return Problem("--thumbnail does not work with --resize, --trace or --out-dir");
    }
    if (request.thumbnail_size > 0 && (scale_given || fit_given)) {
        return Problem("--thumbnail chooses its own scale: leave out --scale and --fit");
    }

    if (parsed.out_dir.empty()) {
        if (jobs_given) return Problem("--jobs works only with --out-dir");
        if (files.size() != 2) {
            return Problem(files.size() < 2 ? "missing input or output file"
                                            : "too many file names");
        }
        request.input = files[0];
        request.output = files[1];
        // A thumbnail is always PNG, whatever name the file manager gives it.
        const auto format = OutputFormatOf(request.output);
        if (request.thumbnail_size == 0 && !format) {
            return Problem(
                "OUT must end in .bmp, .png or .dxf, or be - for standard output, not '" +
                request.output + "'");
        }
        if (format == OutputFormat::Dxf && (!request.steps.empty() || request.thumbnail_size > 0)) {
            return Problem(
                "--resize, --trace and --thumbnail make a picture, which a .dxf output leaves out");
        }
        parsed.action = ParsedArguments::Action::Convert;
        return parsed;
    }

    if (keys_given) return Problem("--keys does not work with --out-dir: keys go to DIR/NAME.txt");
    if (files.empty()) return Problem("missing input file");
    for (const std::string& input : files) {
        if (input == kStandardStream)
            return Problem("--out-dir takes files, not - for standard input");
    }
    // Two inputs of one name would overwrite each other's results.
    std::map<std::string, std::string> outputs;
    for (const std::string& input : files) {
        const std::string output = BatchItem(request, parsed.out_dir, input).output;
        const auto [at, fresh] = outputs.emplace(output, input);
        if (!fresh) {
            std::string problem = "'" + at->second;
            problem.append("' and '").append(input).append("' would both write '");
            problem.append(output).append("'");
            return Problem(std::move(problem));
        }
    }
    parsed.inputs = std::move(files);
    parsed.action = ParsedArguments::Action::Batch;
    return parsed;
}

std::string UsageText() {
    return "usage: morlid-convert [options] IN.dxf OUT.bmp|OUT.png|OUT.dxf\n"
           "   or: morlid-convert [options] --out-dir DIR IN.dxf...\n"
           "   or: morlid-convert --thumbnail SIZE IN.dxf OUT.png\n"
           "Try 'morlid-convert --help' for more information.\n";
}

std::string VersionText() { return "morlid-convert (Korvane) " KORVANE_VERSION "\n"; }

std::string HelpText() {
    return "usage: morlid-convert [options] IN.dxf OUT.bmp|OUT.png|OUT.dxf\n"
           "   or: morlid-convert [options] --out-dir DIR IN.dxf...\n"
           "   or: morlid-convert --thumbnail SIZE IN.dxf OUT.png\n"
           "\n"
           "Draws the DXF drawing IN.dxf as the viewer Morlid does and writes the picture\n"
           "to OUT: a Windows bitmap when OUT ends in .bmp, a PNG when it ends in .png\n"
           "(black and white or grey pictures in a small grey PNG). IN as - reads\n"
           "standard input, OUT as - writes a bitmap to standard output. --resize and\n"
           "--trace are applied in the order they are given. Files are written only at\n"
           "the end, once every step has succeeded; on failure OUT is left as it was.\n"
           "\n"
           "OUT.dxf instead gets the drawing's elements as the editor Korvane saves them\n"
           "(Header.dat, then the fixed entity layout), so that a drawing from another\n"
           "CAD program read with --read any can be opened again the usual way.\n"
           "\n"
           "With --out-dir, every IN.dxf becomes DIR/NAME.bmp (and DIR/NAME.txt for the\n"
           "keys when tracing), several at a time. A failing drawing is reported with its\n"
           "file name, leaves no file in DIR and does not stop the others.\n"
           "\n"
           "With --thumbnail, the drawing is drawn reduced to fit SIZE by SIZE pixels\n"
           "(a smaller one at its own size) and written as PNG whatever OUT's name, as\n"
           "file managers ask for their previews.\n"
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
           "  --out-dir DIR    convert every input into DIR (created when missing)\n"
           "  -j, --jobs N     with --out-dir: convert N drawings at a time\n"
           "                   (default: the number of processors)\n"
           "  --read any       read IN as CAD programs write DXF (R12 to R2018, text or\n"
           "                   binary); says on standard error what it did not draw\n"
           "  --read fixed     read IN in the fixed entity layout (the default); warns\n"
           "                   when IN looks written by another program\n"
           "  --scale S        with --read any: S pixels per drawing unit, e.g. 0.5\n"
           "  --fit WxH        with --read any: the largest scale whose picture fits in\n"
           "                   W by H pixels (default: one pixel a unit when the larger\n"
           "                   extent is 500 to 8000 units, else 2000 pixels across)\n"
           "  --help           show this help and exit\n"
           "  --thumbnail SIZE draw a PNG preview at most SIZE pixels a side (1 to 4096)\n"
           "  -h, --help       show this help and exit\n"
           "  --version        show the version and exit\n"
           "\n"
           "--black, --base and --keys apply wherever they stand on the command line.\n"
           "The key file is written before OUT.\n"
           "\n"
           "Messages name the file they concern: 'morlid-convert: FILE: message'.\n"
           "Exit status: 0 done; 1 failure (the message on standard error, OUT not\n"
           "written; with --out-dir: any input failed); 2 bad usage.\n";
}

}  // namespace cli
