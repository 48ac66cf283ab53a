#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/convert.h"
#include "core/save_signals.h"

int main(int argc, char* argv[]) {
    core::OpenMissingStandardStreams();
    core::RemoveTempFilesOnSignals();
    const std::vector<std::string> args(argv + 1, argv + argc);
    // A progress line only makes sense where someone watches it.
    return cli::RunConvert(args, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
