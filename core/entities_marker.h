#pragma once
// The line that opens a drawing's entities, as both the loader and the layout
// check look for it.
#include <cstddef>
#include <string_view>

namespace core {

// "ENTITIES" as a whole line, letter case ignored, as the line list's look-up
// finds it.
[[nodiscard]] inline bool IsEntitiesMarker(std::string_view line) {
    constexpr std::string_view kMarker = "ENTITIES";
    if (line.size() != kMarker.size()) return false;
    for (std::size_t i = 0; i < kMarker.size(); ++i) {
        const char c = line[i];
        if (c != kMarker[i] && c != kMarker[i] + ('a' - 'A')) return false;
    }
    return true;
}

}  // namespace core
