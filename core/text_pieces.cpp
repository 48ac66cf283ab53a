#include "core/text_pieces.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "core/failure.h"
#include "core/file_read.h"
#include "core/line_split.h"
#include "raster/resource_error.h"

namespace core {

TextPieces::TextPieces(const std::string& path, std::size_t read_bytes)
    : path_(path), read_bytes_(std::max<std::size_t>(read_bytes, 1)) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) Fail(errno);
    struct stat info {};
    if (::fstat(fd_, &info) != 0) Fail(errno);
    if (S_ISDIR(info.st_mode)) Fail(EISDIR);
    rereadable_ = S_ISREG(info.st_mode) && info.st_size > 0;
    file_size_ = rereadable_ ? static_cast<uint64_t>(info.st_size) : 0;
}

TextPieces::~TextPieces() {
    if (fd_ >= 0) ::close(fd_);
    if (buffer_ != nullptr) ::munmap(buffer_, capacity_);
}

void TextPieces::Fail(int error_number) const {
    throw CannotOpen(FullPath(path_), SystemErrorText(error_number));
}

void TextPieces::Rewind() {
    if (::lseek(fd_, 0, SEEK_SET) != 0) Fail(errno);
    filled_ = 0;
    handed_ = 0;
    ended_ = false;
    skip_lf_ = false;
    length_ = 0;
}

void TextPieces::EndPass() {
    if (first_length_ == UINT64_MAX) {
        first_length_ = length_;
    } else if (length_ != first_length_) {
        Fail(EIO);  // it changed between the passes
    }
}

void TextPieces::Grow(std::size_t room) {
    if (filled_ + room < capacity_) return;
    const std::size_t capacity = std::max(capacity_ * 2, filled_ + room + 1);
    void* grown = buffer_ == nullptr ? ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE,
                                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                                     : ::mremap(buffer_, capacity_, capacity, MREMAP_MAYMOVE);
    if (grown == MAP_FAILED) throw raster::ResourceError();
    buffer_ = static_cast<char*>(grown);
    capacity_ = capacity;
}

bool TextPieces::Next(std::string_view& piece) {
    // What followed the last piece (an unfinished line) moves to the front.
    if (handed_ > 0) {
        std::memmove(buffer_, buffer_ + handed_, filled_ - handed_);
        filled_ -= handed_;
        handed_ = 0;
    }
    for (;;) {
        if (ended_) {
            if (filled_ == 0) return false;
            buffer_[filled_] = '\0';
            piece = std::string_view(buffer_, filled_);
            handed_ = filled_;
            return true;
        }
        Grow(read_bytes_);
        char* at = buffer_ + filled_;
        ssize_t got = ::read(fd_, at, read_bytes_);
        if (got < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
        }
        length_ += static_cast<uint64_t>(got);
        if (got == 0) {
            ended_ = true;
            // The size a regular file reported is the text it has, or it
            // changed while it was read.
            if (rereadable_ && length_ != file_size_) Fail(EIO);
            continue;
        }
        if (const void* nul = std::memchr(at, '\0', static_cast<std::size_t>(got))) {
            const auto kept = static_cast<const char*>(nul) - at;
            length_ -= static_cast<uint64_t>(got - kept);
            got = kept;
            ended_ = true;
        }
        if (length_ > kMaxTextBytes) throw raster::ResourceError();
        if (skip_lf_ && got > 0) {
            skip_lf_ = false;
            if (*at == '\n') {
                std::memmove(at, at + 1, static_cast<std::size_t>(got - 1));
                --got;
            }
        }
        const std::size_t before = filled_;
        filled_ += static_cast<std::size_t>(got);
        // The piece ends after the last line end read so far.
        std::size_t end = filled_;
        while (end > before && buffer_[end - 1] != '\r' && buffer_[end - 1] != '\n') --end;
        if (end == before) continue;  // still within one line
        if (buffer_[end - 1] == '\r' && end == filled_ && !ended_) skip_lf_ = true;
        // A CR at the end must not be paired with what lies beyond the piece;
        // before `filled_` that is never an LF.
        if (end == filled_) buffer_[end] = '\0';
        piece = std::string_view(buffer_, end);
        handed_ = end;
        return true;
    }
}

PieceLines::PieceLines(TextPieces& file) : file_(file) {
    try {
        reader_ = std::thread([this] { Read(); });
    } catch (const std::system_error&) {
        // No thread to be had: each piece is read when it is asked for.
        file_.Rewind();
    }
}

PieceLines::~PieceLines() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (reader_.joinable()) reader_.join();
}

bool PieceLines::Fill(Piece& piece) {
    std::string_view text;
    if (!file_.Next(text)) {
        file_.EndPass();
        return false;
    }
    piece.lent = text.size() > 4 * TextPieces::kReadBytes;
    if (piece.lent) {
        piece.copy = std::string();
        piece.text = text;
    } else {
        piece.copy.assign(text);
        piece.text = piece.copy;
    }
    piece.lines.clear();
    // Either way the piece is followed by a readable byte that is no LF.
    SplitLines(piece.text.data(), piece.text.size(), [&](std::size_t offset, std::size_t length) {
        piece.lines.emplace_back(static_cast<uint32_t>(offset), static_cast<uint32_t>(length));
    });
    return true;
}

void PieceLines::Read() {
    try {
        file_.Rewind();
        for (std::size_t n = 0;; ++n) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                // Of the two pieces, one may be in use and one waiting.
                changed_.wait(lock,
                              [&] { return stopping_ || n - taken_ < 2 - (handing_ ? 1 : 0); });
                if (stopping_) return;
            }
            Piece& piece = pieces_[n % 2];
            const bool more = Fill(piece);
            std::unique_lock<std::mutex> lock(mutex_);
            if (more) {
                ++ready_;
            } else {
                ended_ = true;
            }
            changed_.notify_all();
            if (!more) return;
            // A lent piece lives in the TextPieces' buffer until given back.
            if (piece.lent) {
                changed_.wait(lock, [&] { return stopping_ || given_back_ > n; });
                if (stopping_) return;
            }
        }
    } catch (...) {
        const std::lock_guard<std::mutex> lock(mutex_);
        failure_ = std::current_exception();
        changed_.notify_all();
    }
}

const PieceLines::Piece* PieceLines::Next() {
    if (!reader_.joinable()) return Fill(pieces_[0]) ? &pieces_[0] : nullptr;
    std::unique_lock<std::mutex> lock(mutex_);
    if (handing_) {
        handing_ = false;
        ++given_back_;
        changed_.notify_all();
    }
    changed_.wait(lock, [&] { return ready_ > 0 || ended_ || failure_; });
    if (ready_ > 0) {
        --ready_;
        handing_ = true;
        return &pieces_[taken_++ % 2];
    }
    if (failure_) std::rethrow_exception(failure_);
    return nullptr;
}

}  // namespace core
