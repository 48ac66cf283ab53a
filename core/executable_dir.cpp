#include "core/executable_dir.h"

#include <unistd.h>

#include <string>

#include "core/failure.h"

namespace core {

std::string ExecutableDir() {
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0) {
            // Without /proc the current folder is the best guess.
            return FullPath(".");
        }
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            break;
        }
        path.resize(path.size() * 2);  // possibly truncated: try a larger buffer
    }
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return FullPath(".");
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace core
