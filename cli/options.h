#pragma once
// The converter's command line: what to convert, which steps to run, and the
// help, version and usage texts.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dxf/any_dxf.h"
#include "tools/trace_engine.h"

namespace cli {

inline constexpr std::string_view kProgram = "morlid-convert";

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct Step {
    enum class Kind { Resize, Trace };
    Kind kind = Kind::Resize;
    int32_t width = 0;   // Resize
    int32_t height = 0;  // Resize
    int threshold = 0;   // Trace, 0..100
    friend bool operator==(const Step&, const Step&) = default;
};

struct ConvertRequest {
    std::string input;
    std::string output;
    std::vector<Step> steps;  // in command-line order
    // These apply to every trace step, wherever they stand on the line.
    bool paint_black = false;
    tools::BaseColour base = tools::BaseColour::None;
    std::string keys_path = "Image.txt";  // the last trace's keys
    // A batch leaves nothing behind for a failed input, so a key file already
    // written goes again when the bitmap cannot be saved.
    bool remove_keys_on_failure = false;
    // Which reader reads IN: the fixed layout, or DXF as CAD programs write it
    // at `scale`.
    enum class Reader { Fixed, Any };
    Reader reader = Reader::Fixed;
    dxf::ScaleRequest scale;
    // --thumbnail: the picture fitted into this many pixels a side, always
    // written as PNG; 0 for the full picture.
    int32_t thumbnail_size = 0;
};

struct ParsedArguments {
    enum class Action { Convert, Batch, Help, Version, Usage };
    Action action = Action::Usage;
    // Convert: the whole job. Batch: the steps and choices shared by all inputs.
    ConvertRequest request;
    std::vector<std::string> inputs;  // Batch
    std::string out_dir;              // Batch
    unsigned jobs = 0;                // Batch: 0 means one per core
    std::string problem;              // what is wrong, for Action::Usage
};

// `args` are the arguments after the program name.
[[nodiscard]] ParsedArguments ParseArguments(const std::vector<std::string>& args);

[[nodiscard]] std::string HelpText();
[[nodiscard]] std::string VersionText();
// The short reminder printed after a usage problem.
[[nodiscard]] std::string UsageText();

}  // namespace cli
