#pragma once
// Many conversions into one folder, on several workers.
#include <iosfwd>
#include <string>

#include "cli/options.h"

namespace cli {

// The request converting `input` of a batch into `out_dir`: NAME.bmp and,
// when tracing, NAME.txt for the keys.
[[nodiscard]] ConvertRequest BatchItem(const ConvertRequest& shared, const std::string& out_dir,
                                       const std::string& input);

// Converts every input of a batch on `jobs` workers; a failing input is
// reported on `err` with its name and does not stop the others. Returns the
// exit status.
int RunBatch(const ParsedArguments& parsed, std::ostream& err, bool show_progress);

}  // namespace cli
