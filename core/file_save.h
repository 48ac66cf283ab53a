#pragma once
// Replacing a file safely: the bytes go to a temporary file beside the
// target, which is renamed over the target only once everything is written
// and on the disk. A failed save leaves the old file as it was and no
// temporary file behind. A file that cannot be replaced that way (a device,
// a file with several names, a writable file in a folder the user may not
// write to, one whose owner the user cannot give to a new file) is
// overwritten where it is.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// The system calls a save goes through. Each behaves like its POSIX
// namesake (-1 and errno on failure); tests replace single steps to make
// them fail.
struct FileOps {
    // mkstemp: `name_template` ends in "XXXXXX", which is filled in.
    std::function<int(char* name_template)> make_temp;
    std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
    std::function<int(int fd)> fsync;
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
// whole: `content` calls `write` with each piece in order, `size` bytes in all
// (the space is claimed up front where a file is overwritten in place).
using ContentWriter = std::function<void(const std::function<void(std::string_view)>& write)>;
void SaveStreamAtomically(const std::string& path, uint64_t size, const ContentWriter& content);
void SaveStreamAtomically(const std::string& path, uint64_t size, const ContentWriter& content,
                          const FileOps& ops);

// Writes the content to a descriptor already open (standard output) as it
// comes, with nothing to replace or claim. Throws WriteError.
void WriteStream(int fd, const ContentWriter& content);

// Throws CannotCreate naming the output when both names are one file (also
// through links), so that a conversion cannot write over what it reads.
void RefuseSavingOverInput(const std::string& input, const std::string& output);
// The same for every output against every input and every earlier output,
// so that no two writes of one conversion land in one file. Outputs that do
// not exist yet are compared by the place they would be made at.
void RefuseClashingFiles(const std::vector<std::string>& inputs,
                         const std::vector<std::string>& outputs);
// For each output, whether it is one file with an input or an earlier output.
[[nodiscard]] std::vector<bool> FindClashingOutputs(const std::vector<std::string>& inputs,
                                                    const std::vector<std::string>& outputs);

}  // namespace core
