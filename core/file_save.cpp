#include "core/file_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/failure.h"

namespace core {

namespace {

// One write call moves at most this much; Linux stops short of 2 GiB anyway.
constexpr std::size_t kWriteChunk = std::size_t{1} << 30;
// Keeps the temporary name within the 255-byte limit of a file name.
constexpr std::size_t kMaxTempPrefix = 200;

// The mask the process creates files with. Reading it with umask() would
// briefly change it for every thread, so it is taken from /proc instead.
mode_t CreationMask() {
    mode_t mask = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            if (std::strncmp(line, "Umask:", 6) == 0) {
                mask = static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8));
                break;
            }
        }
        std::fclose(status);
    }
    return mask & 0777;
}

void SplitPath(const std::string& path, std::string& directory, std::string& name) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        directory = ".";
        name = path;
    } else {
        directory = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

// Writes every byte or throws WriteError.
void WriteAll(int fd, std::string_view bytes, const FileOps& ops) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ops.write(fd, data, std::min(left, kWriteChunk));
        if (written < 0 && errno == EINTR) continue;
        // A write that moves nothing would never finish (full disk on some systems).
        if (written <= 0) throw WriteError();
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

// A device or pipe cannot be replaced by renaming; it is written where it is,
// as opening it for writing would.
void WriteInPlace(const std::string& target, const std::string& full, const ContentWriter& content,
                  const FileOps& ops) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) throw CannotCreate(full, SystemErrorText(errno));
    try {
        content([&](std::string_view piece) { WriteAll(fd, piece, ops); });
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (ops.close(fd) != 0) throw WriteError();
}

// Closes and removes the temporary file unless the save went through.
class TempFile {
  public:
    explicit TempFile(std::string name_template) : name_(std::move(name_template)) {}
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (fd >= 0) ::close(fd);
        if (created && !committed) ::unlink(name_.c_str());
    }
    char* Template() { return name_.data(); }
    const std::string& Name() const { return name_; }

    int fd = -1;
    bool created = false;    // the name is ours to remove
    bool committed = false;  // renamed over the target

  private:
    std::string name_;
};

}  // namespace

const FileOps& SystemFileOps() {
    static const FileOps ops{
        [](char* name_template) { return ::mkostemp(name_template, O_CLOEXEC); },
        [](int fd, const void* data, std::size_t size) { return ::write(fd, data, size); },
        [](int fd) { return ::fsync(fd); },
        [](int fd) { return ::close(fd); },
        [](const char* from, const char* to) { return ::rename(from, to); },
    };
    return ops;
}

void SaveBytesAtomically(const std::string& path, std::string_view bytes) {
    SaveBytesAtomically(path, bytes, SystemFileOps());
}

void SaveBytesAtomically(const std::string& path, std::string_view bytes, const FileOps& ops) {
    SaveStreamAtomically(
        path, [bytes](const auto& write) { write(bytes); }, ops);
}

void SaveStreamAtomically(const std::string& path, const ContentWriter& content) {
    SaveStreamAtomically(path, content, SystemFileOps());
}

void SaveStreamAtomically(const std::string& path, const ContentWriter& content,
                          const FileOps& ops) {
    const std::string full = FullPath(path);
    if (path.empty()) throw CannotCreate(full, SystemErrorText(ENOENT));

    // Through a symbolic link the file it names is replaced, not the link.
    std::string target = path;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }

    bool exists = false;
    if (::stat(target.c_str(), &info) == 0) {
        exists = true;
        if (S_ISDIR(info.st_mode)) throw CannotCreate(full, SystemErrorText(EISDIR));
        if (!S_ISREG(info.st_mode)) {
            WriteInPlace(target, full, content, ops);
            return;
        }
        // The bits are checked by hand because root would write a read-only file anyway.
        if ((info.st_mode & 0222) == 0) throw CannotCreate(full, SystemErrorText(EACCES));
    } else if (errno != ENOENT) {
        throw CannotCreate(full, SystemErrorText(errno));
    }

    std::string directory;
    std::string name;
    SplitPath(target, directory, name);
    if (name.empty()) throw CannotCreate(full, SystemErrorText(EISDIR));
    struct stat directory_info {};
    if (::stat(directory.c_str(), &directory_info) != 0) {
        throw CannotCreate(full, SystemErrorText(errno));
    }
    if (!S_ISDIR(directory_info.st_mode)) throw CannotCreate(full, SystemErrorText(ENOTDIR));
    if ((directory_info.st_mode & 0222) == 0) throw CannotCreate(full, SystemErrorText(EACCES));

    TempFile temp((directory == "/" ? std::string() : directory) + "/." +
                  name.substr(0, kMaxTempPrefix) + ".XXXXXX");
    temp.fd = ops.make_temp(temp.Template());
    if (temp.fd < 0) throw CannotCreate(full, SystemErrorText(errno));
    temp.created = true;

    // The new file gets the old one's owner and mode, or the mode a plain create gives.
    if (exists) {
        if (info.st_uid != ::geteuid() || info.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(temp.fd, info.st_uid, info.st_gid);
        }
        ::fchmod(temp.fd, info.st_mode & 07777);
    } else {
        ::fchmod(temp.fd, 0666 & ~CreationMask());
    }

    content([&](std::string_view piece) { WriteAll(temp.fd, piece, ops); });
    if (ops.flush(temp.fd) != 0) throw WriteError();
    const int fd = temp.fd;
    temp.fd = -1;  // closed below whatever close reports
    if (ops.close(fd) != 0) throw WriteError();
    if (ops.rename(temp.Name().c_str(), target.c_str()) != 0) {
        throw CannotCreate(full, SystemErrorText(errno));
    }
    temp.committed = true;

    // Make the rename itself durable; the data is safe already, so failures are ignored.
    const int directory_fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory_fd >= 0) {
        ::fsync(directory_fd);
        ::close(directory_fd);
    }
}

std::string ReadWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw CannotOpen(FullPath(path), SystemErrorText(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat info {};
    if (::fstat(fd, &info) != 0) throw CannotOpen(FullPath(path), SystemErrorText(errno));
    if (S_ISDIR(info.st_mode)) throw CannotOpen(FullPath(path), SystemErrorText(EISDIR));

    // The file's size is read in one piece; anything beyond it (a growing file,
    // a pipe, a /proc file that reports 0) is appended until the end.
    std::string data;
    std::size_t filled = 0;
    if (S_ISREG(info.st_mode) && info.st_size > 0)
        data.resize(static_cast<std::size_t>(info.st_size));
    for (;;) {
        if (filled == data.size()) {
            char probe[16 * 1024];
            const ssize_t got = ::read(fd, probe, sizeof probe);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) throw CannotOpen(FullPath(path), SystemErrorText(errno));
            if (got == 0) break;
            data.append(probe, static_cast<std::size_t>(got));
            filled = data.size();
            continue;
        }
        const ssize_t got = ::read(fd, data.data() + filled, data.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw CannotOpen(FullPath(path), SystemErrorText(errno));
        if (got == 0) break;  // the file shrank while we read
        filled += static_cast<std::size_t>(got);
    }
    data.resize(filled);
    return data;
}

}  // namespace core
