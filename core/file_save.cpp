#include "core/file_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/failure.h"
#include "core/save_signals.h"

namespace core {

namespace {

// One write call moves at most this much; Linux stops short of 2 GiB anyway.
constexpr std::size_t kWriteChunk = std::size_t{1} << 30;
// Keeps the temporary name within the 255-byte limit of a file name.
constexpr std::size_t kMaxTempPrefix = 200;
// As many links as the system itself follows before it gives up.
constexpr int kMaxLinkHops = 40;

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

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What the save writes to, and what it found there.
struct Target {
    std::string path;  // symbolic links followed
    std::string full;  // the name the user gave, for messages
    bool exists = false;
    struct stat info {};
};

[[noreturn]] void Refuse(const Target& target, int error) {
    throw CannotCreate(target.full, SystemErrorText(error));
}

// Through a symbolic link the file it names is written, not the link; a
// link to a missing file creates that file.
std::string FollowLinks(std::string path, const std::string& full) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        char link[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), link, sizeof link);
        if (length < 0) throw CannotCreate(full, SystemErrorText(errno));
        if (static_cast<std::size_t>(length) >= sizeof link) {
            throw CannotCreate(full, SystemErrorText(ENAMETOOLONG));
        }
        const std::string destination(link, static_cast<std::size_t>(length));
        if (destination.empty()) throw CannotCreate(full, SystemErrorText(ENOENT));
        if (destination.front() == '/') {
            path = destination;
        } else {
            path = DirectoryOf(path).append("/").append(destination);
        }
    }
    throw CannotCreate(full, SystemErrorText(ELOOP));
}

Target Examine(const std::string& path) {
    Target target;
    target.full = FullPath(path);
    if (path.empty()) Refuse(target, ENOENT);
    // A pipe, device or socket is written through the name given: links such
    // as /dev/stdout end in names like "pipe:[N]" that only the system can open.
    struct stat stream {};
    if (::stat(path.c_str(), &stream) == 0 && !S_ISREG(stream.st_mode) &&
        !S_ISDIR(stream.st_mode)) {
        target.path = path;
        target.exists = true;
        target.info = stream;
        return target;
    }
    target.path = FollowLinks(path, target.full);
    if (NameOf(target.path).empty()) Refuse(target, EISDIR);
    if (::stat(target.path.c_str(), &target.info) == 0) {
        target.exists = true;
        if (S_ISDIR(target.info.st_mode)) Refuse(target, EISDIR);
        // The bits are checked by hand because root would write a read-only file anyway.
        if (S_ISREG(target.info.st_mode) && (target.info.st_mode & 0222) == 0) {
            Refuse(target, EACCES);
        }
    } else if (errno != ENOENT) {
        Refuse(target, errno);
    }
    return target;
}

// Whether a new file may be made in the target's folder (by the bits, as
// for the target itself).
bool FolderTakesNewFiles(const Target& target) {
    struct stat info {};
    if (::stat(DirectoryOf(target.path).c_str(), &info) != 0) Refuse(target, errno);
    if (!S_ISDIR(info.st_mode)) Refuse(target, ENOTDIR);
    return (info.st_mode & 0222) != 0;
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

// Closes the descriptor on every path; only the closing of a finished file
// is checked.
class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int Get() const { return fd_; }
    void Adopt(int fd) { fd_ = fd; }
    void Close(const FileOps& ops) {
        const int fd = fd_;
        fd_ = -1;  // closed whatever close reports
        if (ops.close(fd) != 0) throw WriteError();
    }

  private:
    int fd_;
};

// The target is overwritten where it is: for devices and pipes, which cannot
// be renamed over, for files with several names, which must all see the new
// contents, and where no file can be made beside the target. The space is
// claimed first, so a full disk fails before the old contents are touched.
// A socket cannot be opened by its name; one that is the process's own
// standard output or error is written through that descriptor instead.
int OpenForWriting(const Target& target) {
    const int fd = ::open(target.path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0 || errno != ENXIO || !S_ISSOCK(target.info.st_mode)) return fd;
    for (const int stream : {STDOUT_FILENO, STDERR_FILENO}) {
        struct stat info {};
        if (::fstat(stream, &info) == 0 && info.st_dev == target.info.st_dev &&
            info.st_ino == target.info.st_ino) {
            return ::fcntl(stream, F_DUPFD_CLOEXEC, 0);
        }
    }
    errno = ENXIO;
    return -1;
}

void WriteInPlace(const Target& target, uint64_t size, const ContentWriter& content,
                  const FileOps& ops) {
    Descriptor file(OpenForWriting(target));
    if (file.Get() < 0) Refuse(target, errno);
    const bool regular = S_ISREG(target.info.st_mode);
    if (regular && size > 0 &&
        ::fallocate(file.Get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0 &&
        (errno == ENOSPC || errno == EDQUOT)) {
        throw WriteError();
    }
    uint64_t written = 0;
    content([&](std::string_view piece) {
        WriteAll(file.Get(), piece, ops);
        written += piece.size();
    });
    if (regular) {
        if (::ftruncate(file.Get(), static_cast<off_t>(written)) != 0) throw WriteError();
        if (ops.fsync(file.Get()) != 0) throw WriteError();
    }
    file.Close(ops);
}

// The temporary file beside the target. It is removed unless it was renamed
// over the target, also when a signal ends the process.
class TempFile {
  public:
    explicit TempFile(const Target& target)
        : name_(DirectoryOf(target.path) + "/." + NameOf(target.path).substr(0, kMaxTempPrefix) +
                ".XXXXXX") {}
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (created_ && !committed_) ::unlink(name_.c_str());
        ForgetTempFile(signal_slot_);
    }

    // False with errno set when the file cannot be made.
    bool Create(const FileOps& ops) {
        const SaveSignalsHeld held;
        file_.Adopt(ops.make_temp(name_.data()));
        if (file_.Get() < 0) return false;
        created_ = true;
        signal_slot_ = NoteTempFile(name_.c_str());
        return true;
    }
    int Fd() const { return file_.Get(); }
    void Close(const FileOps& ops) { file_.Close(ops); }
    void RenameOver(const Target& target, const FileOps& ops) {
        if (ops.rename(name_.c_str(), target.path.c_str()) != 0) Refuse(target, errno);
        committed_ = true;
    }

  private:
    std::string name_;
    Descriptor file_;  // closed before the name is removed
    bool created_ = false;
    bool committed_ = false;
    int signal_slot_ = -1;
};

// The new file gets the old one's owner and mode, or the mode a plain create
// gives. False when the owner cannot be kept: replacing the file would hand
// it to the user who saved it.
bool TakeOwnerAndMode(const TempFile& temp, const Target& target) {
    if (!target.exists) {
        ::fchmod(temp.Fd(), 0666 & ~CreationMask());
        return true;
    }
    if ((target.info.st_uid != ::geteuid() || target.info.st_gid != ::getegid()) &&
        ::fchown(temp.Fd(), target.info.st_uid, target.info.st_gid) != 0) {
        return false;
    }
    ::fchmod(temp.Fd(), target.info.st_mode & 07777);
    return true;
}

// Makes a rename durable; the data is safe already, so failures are ignored.
void SyncFolder(const Target& target) {
    const int folder = ::open(DirectoryOf(target.path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

// Writes a temporary file and renames it over the target. False, with
// nothing left behind, when the folder does not let a replacement be made.
bool ReplaceThroughTempFile(const Target& target, const ContentWriter& content,
                            const FileOps& ops) {
    TempFile temp(target);
    if (!temp.Create(ops)) {
        if (target.exists && (errno == EACCES || errno == EPERM)) return false;
        Refuse(target, errno);
    }
    if (!TakeOwnerAndMode(temp, target)) return false;
    content([&](std::string_view piece) { WriteAll(temp.Fd(), piece, ops); });
    if (ops.fsync(temp.Fd()) != 0) throw WriteError();
    temp.Close(ops);
    temp.RenameOver(target, ops);
    SyncFolder(target);
    return true;
}

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
        path, bytes.size(), [bytes](const auto& write) { write(bytes); }, ops);
}

void SaveStreamAtomically(const std::string& path, uint64_t size, const ContentWriter& content) {
    SaveStreamAtomically(path, size, content, SystemFileOps());
}

void SaveStreamAtomically(const std::string& path, uint64_t size, const ContentWriter& content,
                          const FileOps& ops) {
    const Target target = Examine(path);
    const bool several_names = target.exists && target.info.st_nlink > 1;
    if (target.exists && (!S_ISREG(target.info.st_mode) || several_names)) {
        WriteInPlace(target, size, content, ops);
        return;
    }
    if (!FolderTakesNewFiles(target)) {
        if (!target.exists) Refuse(target, EACCES);
        WriteInPlace(target, size, content, ops);
        return;
    }
    if (!ReplaceThroughTempFile(target, content, ops)) WriteInPlace(target, size, content, ops);
}

void WriteStream(int fd, const ContentWriter& content) {
    content([fd](std::string_view piece) { WriteAll(fd, piece, SystemFileOps()); });
}

void RefuseSavingOverInput(const std::string& input, const std::string& output) {
    struct stat in {};
    struct stat out {};
    if (::stat(input.c_str(), &in) != 0 || ::stat(output.c_str(), &out) != 0) return;
    if (in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
        throw CannotCreate(FullPath(output), "入力ファイルと同じファイルです。");
    }
}

}  // namespace core
