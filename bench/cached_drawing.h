#pragma once
// Generated drawings are large and slow to make, so each is written once to
// the temporary folder and reused by later runs.
#include <filesystem>
#include <fstream>
#include <string>

namespace bench {

template <typename Generate>
std::string CachedDrawing(const std::string& file_name, Generate&& generate) {
    std::string path = (std::filesystem::temp_directory_path() / file_name).string();
    if (!std::filesystem::exists(path)) {
        // Written under another name first, so a run cut short leaves no half file.
        const std::string partial = path + ".partial";
        std::ofstream(partial, std::ios::binary) << generate();
        std::filesystem::rename(partial, path);
    }
    return path;
}

}  // namespace bench
