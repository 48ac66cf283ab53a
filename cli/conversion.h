#pragma once
// One conversion: load a drawing, run its steps, write the keys and the output.
#include <exception>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/options.h"

namespace cli {

// Loads, runs the steps and writes the key file (when a trace ran) and then
// the output. Throws the failure that ended it: a failure before the end
// writes nothing, and an output that cannot be saved leaves no partial file.
// `progress`, when given, receives a progress line for a trace that runs long.
// `notes`, when given, receives what the user should know of the reading
// (what was not drawn, the scale chosen, a file the fixed reader misreads),
// also when a failure follows.
void Convert(const ConvertRequest& request, std::ostream* progress,
             std::vector<std::string>* notes = nullptr);

// A conversion's failure with the file it concerns, named as on the command
// line ("-" as the standard stream it stands for): the input while reading
// and drawing, the key file or the output while writing them.
class ConversionFailure : public std::runtime_error {
  public:
    ConversionFailure(std::string file, const std::string& message)
        : std::runtime_error(message), file_(std::move(file)) {}
    [[nodiscard]] const std::string& File() const { return file_; }

  private:
    std::string file_;
};

// The files a conversion writes, in the order it writes them: the keys when
// a trace runs, then the output.
[[nodiscard]] std::vector<std::string> OutputsOf(const ConvertRequest& request);

// The user-facing text of a conversion's failure.
[[nodiscard]] std::string FailureText(const std::exception_ptr& failure);

// A runtime message: "morlid-convert: FILE: TEXT".
[[nodiscard]] std::string MessageAbout(std::string_view file, std::string_view text);

}  // namespace cli
