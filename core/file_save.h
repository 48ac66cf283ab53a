#pragma once
// Replacing a file safely: the bytes go to a temporary file beside the
// target, which is renamed over the target only once everything is written
// and flushed. A failed save leaves the old file as it was and no temporary
// file behind.
#include <string>
#include <string_view>

namespace core {

// Throws CannotCreate (naming the target's full path) when the file cannot be
// made, and WriteError when the bytes cannot all be written.
void SaveBytesAtomically(const std::string& path, std::string_view bytes);

// Reads a whole file; throws CannotOpen naming the full path.
[[nodiscard]] std::string ReadWholeFile(const std::string& path);

}  // namespace core
