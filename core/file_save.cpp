#include "core/file_save.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "core/failure.h"
#include "core/save_signals.h"

namespace core {

namespace {

// One write call moves at most this much; Linux stops short of 2 GiB anyway.
constexpr std::size_t kWriteChunk = std::size_t{1} << 30;
// Keeps the temporary name within the 255-byte limit of a file name.
constexpr std::size_t kMaxTempPrefix = 200;
// The part of a temporary name that mkstemp fills in.
constexpr std::size_t kRandomPart = 6;
// What ends the name of a copy of old content.
constexpr std::string_view kOldCopySuffix = ".old";
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

// The rule the kernel applies to links in folders such as /tmp, which the
// save would bypass by following the link itself: in a sticky folder anyone
// may write to, only a link of the user's own or of the folder's owner is
// followed, so another user's planted link cannot redirect the save.
bool MayFollowLink(const std::string& link, const struct stat& link_info) {
    if (link_info.st_uid == ::geteuid()) return true;
    struct stat folder {};
    if (::stat(DirectoryOf(link).c_str(), &folder) != 0) return false;
    const bool sticky_open = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !sticky_open || link_info.st_uid == folder.st_uid;
}

// Through a symbolic link the file it names is written, not the link; a
// link to a missing file creates that file.
std::string FollowLinks(std::string path, const std::string& full) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        if (!MayFollowLink(path, info)) throw CannotCreate(full, SystemErrorText(EACCES));
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
        // The links on the way must still be ones the save may follow.
        static_cast<void>(FollowLinks(path, target.full));
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

// A temporary file is named ".NAME.PID.XXXXXX" beside its target, and a copy
// of old content ".NAME.PID.XXXXXX.old", so that a later save of the target
// can tell the leftovers of a process killed outright, which no handler
// sees, from the files of saves under way. How much of NAME they hold, for a
// process number of `pid_digits` digits: 0 when the folder's path leaves no
// room for the name within PATH_MAX.
std::size_t TempNamePart(const std::string& folder, const std::string& name,
                         std::size_t pid_digits) {
    const std::size_t fixed =
        folder.size() + 2 + 1 + pid_digits + 1 + kRandomPart + kOldCopySuffix.size();
    if (fixed >= PATH_MAX - 1) return 0;
    return std::min({name.size(), kMaxTempPrefix, std::size_t{PATH_MAX - 1} - fixed});
}

// "" when there is no room for that; a temporary file then gets the
// shortest name, ".XXXXXX", and a copy goes to the temporary folder.
std::string TempTemplate(const std::string& folder, const std::string& name) {
    const std::string pid = std::to_string(::getpid());
    const std::size_t part = TempNamePart(folder, name, pid.size());
    if (part == 0) return "";
    return folder + "/." + name.substr(0, part) + "." + pid + ".XXXXXX";
}

// A folder entry shaped ".PART.PID.XXXXXX" or ".PART.PID.XXXXXX.old" whose
// process no longer exists.
struct Leftover {
    std::string entry;
    std::string part;
    std::size_t pid_digits = 0;
    bool old_copy = false;
};

std::optional<Leftover> DeadProcessFile(const std::string& entry) {
    const bool old_copy = entry.ends_with(kOldCopySuffix);
    const std::string_view name(entry.data(),
                                entry.size() - (old_copy ? kOldCopySuffix.size() : 0));
    if (name.size() < kRandomPart + 5 || name.front() != '.') return std::nullopt;
    const std::size_t random_dot = name.size() - kRandomPart - 1;
    if (name[random_dot] != '.') return std::nullopt;
    for (std::size_t i = random_dot + 1; i < name.size(); ++i) {
        if (std::isalnum(static_cast<unsigned char>(name[i])) == 0) return std::nullopt;
    }
    const std::size_t pid_dot = name.rfind('.', random_dot - 1);
    if (pid_dot == std::string::npos || pid_dot < 2) return std::nullopt;
    const std::string digits(name.substr(pid_dot + 1, random_dot - pid_dot - 1));
    if (digits.empty() || digits.size() > 9 || digits.front() == '0' ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const pid_t pid = static_cast<pid_t>(std::stol(digits));
    if (pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) return std::nullopt;
    return Leftover{entry, std::string(name.substr(1, pid_dot - 1)), digits.size(), old_copy};
}

// The dead processes' files of each folder, found by one look at the folder
// per process: a batch saving thousands of files into one folder would
// otherwise read the whole folder for every one of them.
class Leftovers {
  public:
    // Removes those made for the target `name` in `folder`: the temporary
    // files, or the copies of old content, which are kept until the target
    // has been saved whole again.
    void RemoveFor(const std::string& folder, const std::string& name, bool old_copies) {
        const std::lock_guard lock(mutex_);
        auto found = by_folder_.find(folder);
        if (found == by_folder_.end()) found = by_folder_.emplace(folder, Scan(folder)).first;
        std::erase_if(found->second, [&](const Leftover& leftover) {
            const bool ours =
                leftover.old_copy == old_copies &&
                leftover.part.size() == TempNamePart(folder, name, leftover.pid_digits) &&
                name.compare(0, leftover.part.size(), leftover.part) == 0;
            if (ours) ::unlink((folder + "/" + leftover.entry).c_str());
            return ours;
        });
    }

  private:
    static std::vector<Leftover> Scan(const std::string& folder) {
        std::vector<Leftover> found;
        DIR* listing = ::opendir(folder.c_str());
        if (listing == nullptr) return found;
        while (const dirent* entry = ::readdir(listing)) {
            if (entry->d_name[0] != '.') continue;
            if (auto leftover = DeadProcessFile(entry->d_name)) found.push_back(*leftover);
        }
        ::closedir(listing);
        return found;
    }

    std::mutex mutex_;
    std::map<std::string, std::vector<Leftover>> by_folder_;
};

Leftovers& DeadProcessLeftovers() {
    static Leftovers leftovers;
    return leftovers;
}

// Copies the first `size` bytes of one file to the start of another, by
// offsets, so neither file's position moves. False when they cannot all be
// copied.
bool CopyBytes(int from, int to, uint64_t size) {
    loff_t in = 0;
    loff_t out = 0;
    while (static_cast<uint64_t>(in) < size) {
        const uint64_t left = size - static_cast<uint64_t>(in);
        const ssize_t moved =
            ::copy_file_range(from, &in, to, &out, std::min<uint64_t>(left, kWriteChunk), 0);
        if (moved > 0 || (moved < 0 && errno == EINTR)) continue;
        if (moved == 0 ||
            (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)) {
            return false;
        }
        // File systems that cannot copy between themselves go through memory.
        std::vector<char> buffer(std::size_t{1} << 20);
        while (static_cast<uint64_t>(in) < size) {
            const std::size_t want = static_cast<std::size_t>(
                std::min<uint64_t>(size - static_cast<uint64_t>(in), buffer.size()));
            const ssize_t got = ::pread(from, buffer.data(), want, in);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            for (ssize_t done = 0; done < got;) {
                const ssize_t put =
                    ::pwrite(to, buffer.data() + done, static_cast<std::size_t>(got - done), out);
                if (put < 0 && errno == EINTR) continue;
                if (put <= 0) return false;
                done += put;
                out += put;
            }
            in += got;
        }
    }
    return true;
}

// The old content of a file written in place, kept until the new content is
// on the disk: beside the file, or in the temporary folder when there is no
// room or no leave to make it there. Should the process be killed outright,
// the copy stays for the user to take back until the file is saved again.
class OldContentCopy {
  public:
    // Throws WriteError, before the file is touched, when no whole copy can be made.
    OldContentCopy(const Target& target, int file, uint64_t size) : size_(size) {
        std::string beside = TempTemplate(DirectoryOf(target.path), NameOf(target.path));
        if (!beside.empty()) {
            name_ = beside.append(kOldCopySuffix);
            copy_.Adopt(
                ::mkostemps(name_.data(), static_cast<int>(kOldCopySuffix.size()), O_CLOEXEC));
        }
        if (copy_.Get() < 0) {
            std::error_code ignored;
            name_ = std::filesystem::temp_directory_path(ignored).string();
            if (name_.empty()) name_ = "/tmp";
            name_.append("/.").append(NameOf(target.path).substr(0, kMaxTempPrefix));
            name_.append(".XXXXXX").append(kOldCopySuffix);
            copy_.Adopt(
                ::mkostemps(name_.data(), static_cast<int>(kOldCopySuffix.size()), O_CLOEXEC));
        }
        if (copy_.Get() < 0) throw WriteError();
        if (!CopyBytes(file, copy_.Get(), size_) || ::fdatasync(copy_.Get()) != 0) {
            ::unlink(name_.c_str());
            throw WriteError();
        }
    }
    OldContentCopy(const OldContentCopy&) = delete;
    OldContentCopy& operator=(const OldContentCopy&) = delete;
    ~OldContentCopy() {
        if (!keep_) ::unlink(name_.c_str());
    }

    // Writes the old content back over whatever was written; the copy is
    // kept when that fails too.
    void PutBack(int file) {
        keep_ = !CopyBytes(copy_.Get(), file, size_) ||
                ::ftruncate(file, static_cast<off_t>(size_)) != 0 || ::fsync(file) != 0;
    }

  private:
    std::string name_;
    Descriptor copy_;
    uint64_t size_;
    bool keep_ = false;
};

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

// Devices and pipes cannot be renamed over and are written as they are.
void WriteDevice(const Target& target, const ContentWriter& content, const FileOps& ops) {
    Descriptor file(OpenForWriting(target));
    if (file.Get() < 0) Refuse(target, errno);
    content([&](std::string_view piece) { WriteAll(file.Get(), piece, ops); });
    file.Close(ops);
}

// A regular file is overwritten where it is when it has several names, which
// must all see the new contents, or where no file can be made beside it. The
// old content is copied aside first and put back if anything fails; the
// signals wait meanwhile, and an exclusive lock makes a second writer wait
// its turn, so the file always ends whole, old or new. The space is claimed
// first, so a full disk fails before the old contents are touched.
void WriteInPlace(const Target& target, uint64_t size, const ContentWriter& content,
                  const FileOps& ops) {
    if (!S_ISREG(target.info.st_mode)) {
        WriteDevice(target, content, ops);
        return;
    }
    Descriptor file(::open(target.path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (file.Get() < 0) Refuse(target, errno);
    // Shares the lock; the old content can still be put back after a failed close.
    const Descriptor spare(::dup(file.Get()));
    if (spare.Get() < 0) Refuse(target, errno);
    // Where locks are not supported the save goes on without one.
    while (::flock(file.Get(), LOCK_EX) != 0 && errno == EINTR) {
    }
    const SaveSignalsHeld held;
    struct stat now {};
    if (::fstat(file.Get(), &now) != 0) Refuse(target, errno);
    OldContentCopy old(target, file.Get(), static_cast<uint64_t>(now.st_size));
    if (size > 0 &&
        ::fallocate(file.Get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0 &&
        (errno == ENOSPC || errno == EDQUOT)) {
        throw WriteError();
    }
    try {
        uint64_t written = 0;
        content([&](std::string_view piece) {
            WriteAll(file.Get(), piece, ops);
            written += piece.size();
        });
        if (::ftruncate(file.Get(), static_cast<off_t>(written)) != 0) throw WriteError();
        if (ops.fsync(file.Get()) != 0) throw WriteError();
        file.Close(ops);
    } catch (...) {
        old.PutBack(spare.Get());
        throw;
    }
}

// The temporary file beside the target. It is removed unless it was renamed
// over the target, also when a signal ends the process.
class TempFile {
  public:
    explicit TempFile(const Target& target)
        : name_(TempTemplate(DirectoryOf(target.path), NameOf(target.path))) {
        if (name_.empty()) name_ = DirectoryOf(target.path) + "/.XXXXXX";
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (created_ && !committed_) ::unlink(name_.c_str());
        ForgetTempFile(note_);
    }

    // False with errno set when the file cannot be made.
    bool Create(const FileOps& ops) {
        const SaveSignalsHeld held;
        file_.Adopt(ops.make_temp(name_.data()));
        if (file_.Get() < 0) return false;
        created_ = true;
        note_ = NoteTempFile(name_.c_str());
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
    NotedTempFile* note_ = nullptr;
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

// What tells two names of one file apart from two files: the device and
// inode where the file exists, and where it does not yet, the path it would
// be made at, links and "." and ".." resolved.
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::string place;
};

FileIdentity IdentityOf(const std::string& path) {
    FileIdentity identity;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        identity.exists = true;
        identity.device = info.st_dev;
        identity.inode = info.st_ino;
    }
    try {
        const std::string followed = FollowLinks(path, path);
        std::error_code error;
        std::filesystem::path folder = std::filesystem::absolute(DirectoryOf(followed), error);
        if (!error) folder = std::filesystem::weakly_canonical(folder, error);
        if (!error) identity.place = (folder / NameOf(followed)).lexically_normal().string();
    } catch (const Failure&) {
        // A name whose links cannot be followed cannot be written either.
    }
    return identity;
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
    const std::string folder = DirectoryOf(target.path);
    const std::string name = NameOf(target.path);
    DeadProcessLeftovers().RemoveFor(folder, name, false);
    const bool several_names = target.exists && target.info.st_nlink > 1;
    bool replaced = false;
    if (!target.exists || (S_ISREG(target.info.st_mode) && !several_names)) {
        if (FolderTakesNewFiles(target)) {
            replaced = ReplaceThroughTempFile(target, content, ops);
        } else if (!target.exists) {
            Refuse(target, EACCES);
        }
    }
    if (!replaced) WriteInPlace(target, size, content, ops);
    // The target is whole again: an old copy left by a killed save is no longer needed.
    DeadProcessLeftovers().RemoveFor(folder, name, true);
}

void WriteStream(int fd, const ContentWriter& content) {
    content([fd](std::string_view piece) { WriteAll(fd, piece, SystemFileOps()); });
}

void RefuseSavingOverInput(const std::string& input, const std::string& output) {
    RefuseClashingFiles({input}, {output});
}

std::vector<bool> FindClashingOutputs(const std::vector<std::string>& inputs,
                                      const std::vector<std::string>& outputs) {
    std::set<std::pair<dev_t, ino_t>> files;
    std::set<std::string> places;
    // True when the name was seen before, by its file or by its place.
    const auto note = [&](const std::string& path) {
        const FileIdentity identity = IdentityOf(path);
        bool seen = false;
        if (identity.exists) seen = !files.emplace(identity.device, identity.inode).second;
        if (!identity.place.empty()) seen = !places.insert(identity.place).second || seen;
        return seen;
    };
    for (const std::string& input : inputs) note(input);
    std::vector<bool> clashing;
    clashing.reserve(outputs.size());
    for (const std::string& output : outputs) clashing.push_back(note(output));
    return clashing;
}

void RefuseClashingFiles(const std::vector<std::string>& inputs,
                         const std::vector<std::string>& outputs) {
    const std::vector<bool> clashing = FindClashingOutputs(inputs, outputs);
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (clashing[i]) throw SameFileAsInput(FullPath(outputs[i]));
    }
}

}  // namespace core
