#pragma once
#include <string>

namespace core {

// The folder of the running program, without a trailing separator.
[[nodiscard]] std::string ExecutableDir();

}  // namespace core
