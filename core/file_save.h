#pragma once
// Replacing a file safely: the bytes go to a temporary file beside the
// target, which is renamed over the target only once everything is written
// and flushed. A failed save leaves the old file as it was and no temporary
// file behind.
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace core {

// The system calls a save goes through. Each behaves like its POSIX
// namesake (-1 and errno on failure); tests replace single steps to make
// them fail.
struct FileOps {
    // mkstemp: `name_template` ends in "XXXXXX", which is filled in.
    std::function<int(char* name_template)> make_temp;
    std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
    // fsync
    std::function<int(int fd)> flush;
    std::function<int(int fd)> close;
    std::function<int(const char* from, const char* to)> rename;
};

// The real system calls.
[[nodiscard]] const FileOps& SystemFileOps();

// Throws CannotCreate (naming the target's full path) when the file cannot be
// made, and WriteError when the bytes cannot all be written.
void SaveBytesAtomically(const std::string& path, std::string_view bytes);
void SaveBytesAtomically(const std::string& path, std::string_view bytes, const FileOps& ops);

// The same with the content written in pieces, for content too large to hold
// whole: `content` calls `write` with each piece in order.
using ContentWriter = std::function<void(const std::function<void(std::string_view)>& write)>;
void SaveStreamAtomically(const std::string& path, const ContentWriter& content);
void SaveStreamAtomically(const std::string& path, const ContentWriter& content,
                          const FileOps& ops);

// Reads a whole file; throws CannotOpen naming the full path.
[[nodiscard]] std::string ReadWholeFile(const std::string& path);

}  // namespace core
