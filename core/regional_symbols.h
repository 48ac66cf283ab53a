#pragma once
// The separators of the user's regional settings, read from the process
// locale; "." and ":" where it gives none.

namespace core {

struct RegionalSymbols {
    char decimal_separator = '.';
    char time_separator = ':';
};

[[nodiscard]] RegionalSymbols CurrentRegionalSymbols();

}  // namespace core
