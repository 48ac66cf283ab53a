#pragma once
// morlid-convert: draws a DXF drawing as the viewer does, applies resize and
// trace steps in command-line order and writes the picture as a bitmap file.
// Files are written only once every step has succeeded. With --out-dir it
// converts many drawings at once, one worker per core.
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/conversion.h"
#include "cli/options.h"

namespace cli {

// The whole program: returns the exit status.
int RunConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool show_progress);

}  // namespace cli
