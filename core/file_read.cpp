#include "core/file_read.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/failure.h"
#include "raster/resource_error.h"

namespace core {

namespace {

// Pipes and devices start with this much room and double from there.
constexpr std::size_t kFirstChunk = std::size_t{64} * 1024;
// Reads go in pieces that stay in the cache for the NUL search after them.
constexpr std::size_t kMaxRead = std::size_t{1} << 20;
// Below this a plain allocation is as good as a mapping.
constexpr std::size_t kMapFrom = std::size_t{8} << 20;

struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
};

[[noreturn]] void FailReading(const std::string& path, int error_number) {
    throw CannotOpen(FullPath(path), SystemErrorText(error_number));
}

// One read call that retries on EINTR; fails with the read message.
std::size_t ReadSome(int fd, char* into, std::size_t size, const std::string& path) {
    for (;;) {
        const ssize_t got = ::read(fd, into, std::min(size, kMaxRead));
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) FailReading(path, errno);
    }
}

}  // namespace

void TextMemoryFree::operator()(char* p) const {
    if (mapped != 0) {
        ::munmap(p, mapped);
    } else {
        std::free(p);
    }
}

TextBytes ReadText(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) FailReading(path, errno);
    const Closer closer{fd};

    struct stat info {};
    if (::fstat(fd, &info) != 0) FailReading(path, errno);
    if (S_ISDIR(info.st_mode)) FailReading(path, EISDIR);
    // A regular file of known size is read into exactly that much room. Others
    // (pipes, devices, files such as those of /proc that report no size, and
    // files larger than a text may be, whose text may still end at a NUL
    // within the limit) grow as they are read, held to the same limit.
    const bool known_size = S_ISREG(info.st_mode) && info.st_size > 0 &&
                            static_cast<unsigned long long>(info.st_size) <= kMaxTextBytes;
    std::size_t capacity = known_size ? static_cast<std::size_t>(info.st_size) : kFirstChunk;

    TextBytes text;
    if (known_size && capacity >= kMapFrom) {
        // A large file's room is mapped with its pages made at once (and large
        // ones where the system allows): one call instead of a fault per page.
        const std::size_t length = capacity + 1;
        void* room = ::mmap(nullptr, length, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (room == MAP_FAILED) throw raster::ResourceError();
        ::madvise(room, length, MADV_HUGEPAGE);
        ::madvise(room, length, MADV_POPULATE_WRITE);
        text.data_ =
            std::unique_ptr<char, TextMemoryFree>(static_cast<char*>(room), TextMemoryFree{length});
    } else {
        // Not zero-filled: every byte kept is read first.
        text.data_.reset(static_cast<char*>(std::malloc(capacity + 1)));
        if (!text.data_) throw raster::ResourceError();
    }
    std::size_t size = 0;
    for (;;) {
        if (size == capacity) {
            if (known_size) {
                char probe;
                if (ReadSome(fd, &probe, 1, path) != 0) FailReading(path, EIO);  // it grew
                break;
            }
            if (capacity == kMaxTextBytes) {
                // Full; only a NUL or the end right here keeps the text within the limit.
                char probe;
                if (ReadSome(fd, &probe, 1, path) != 0 && probe != '\0') {
                    throw raster::ResourceError();
                }
                break;
            }
            capacity = std::min(capacity * 2, kMaxTextBytes);
            char* grown = static_cast<char*>(std::realloc(text.data_.get(), capacity + 1));
            if (grown == nullptr) throw raster::ResourceError();
            static_cast<void>(text.data_.release());
            text.data_.reset(grown);
        }
        char* at = text.data_.get() + size;
        const std::size_t got = ReadSome(fd, at, capacity - size, path);
        if (got == 0) {
            if (known_size) FailReading(path, EIO);  // it shrank
            break;
        }
        if (const void* nul = std::memchr(at, '\0', got)) {
            size += static_cast<std::size_t>(static_cast<const char*>(nul) - at);
            break;
        }
        size += got;
    }
    text.data_.get()[size] = '\0';
    text.size_ = size;
    return text;
}

}  // namespace core
