#pragma once
// One conversion: load a drawing, run its steps, write the keys and the output.
#include <exception>
#include <iosfwd>
#include <string>
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

// The user-facing text of a conversion's failure.
[[nodiscard]] std::string FailureText(const std::exception_ptr& failure);

}  // namespace cli
