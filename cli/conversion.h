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
void Convert(const ConvertRequest& request, std::ostream* progress);

// The files a conversion writes, in the order it writes them: the keys when
// a trace runs, then the output.
[[nodiscard]] std::vector<std::string> OutputsOf(const ConvertRequest& request);

// The user-facing text of a conversion's failure.
[[nodiscard]] std::string FailureText(const std::exception_ptr& failure);

}  // namespace cli
