#pragma once
// morlid-convert: draws a DXF drawing as the viewer does, applies resize and
// trace steps in command-line order and writes the picture as a bitmap file.
// Files are written only once every step has succeeded. With --out-dir it
// converts many drawings at once, one worker per core.
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "tools/trace_engine.h"

namespace cli {

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

// The request converting `input` of a batch into `out_dir`: NAME.bmp and,
// when tracing, NAME.txt for the keys.
[[nodiscard]] ConvertRequest BatchItem(const ConvertRequest& shared, const std::string& out_dir,
                                       const std::string& input);

// Loads, runs the steps and writes the key file (when a trace ran) and then
// the bitmap. Throws the failure that ended it: a failure before the end
// writes nothing, and a bitmap that cannot be saved leaves no partial file.
// `progress`, when given, receives a progress line for a trace that runs long.
void Convert(const ConvertRequest& request, std::ostream* progress);

// Converts every input of a batch on `jobs` workers; a failing input is
// reported on `err` with its name and does not stop the others. Returns the
// exit status.
int RunBatch(const ParsedArguments& parsed, std::ostream& err, bool show_progress);

// The whole program: returns the exit status.
int RunConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool show_progress);

}  // namespace cli
