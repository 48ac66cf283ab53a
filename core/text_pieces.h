#pragma once
// A text file read from its start in pieces of whole lines, so that a large
// drawing can be scanned twice without its text ever being held whole. The
// lines SplitLines finds in the pieces, one after another, are the lines of
// the whole text, which ends at its first NUL as ReadText's does.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace core {

class TextPieces {
  public:
    static constexpr std::size_t kReadBytes = std::size_t{512} << 10;

    // Throws CannotOpen naming the full path as ReadText does. `read_bytes`
    // is how much one read asks for.
    explicit TextPieces(const std::string& path, std::size_t read_bytes = kReadBytes);
    ~TextPieces();
    TextPieces(const TextPieces&) = delete;
    TextPieces& operator=(const TextPieces&) = delete;

    // A regular file that reports its size can be read again from its start;
    // anything else (pipes, devices, files of /proc) is read once.
    [[nodiscard]] bool Rereadable() const { return rereadable_; }
    [[nodiscard]] uint64_t FileSize() const { return file_size_; }

    // Back to the start of the text for another pass.
    void Rewind();
    // The next piece: whole lines, except that the last piece may end in the
    // middle of its last line; followed by one readable byte that is never
    // an LF (what SplitLines needs), and valid until the next call. False once the text has ended.
    // Throws CannotOpen when reading fails or a regular file turns out not to have the size it
    // reported, and ResourceError when the text grows beyond kMaxTextBytes.
    bool Next(std::string_view& piece);
    // Ends a pass that read the whole text: throws CannotOpen when the text
    // is not the length the first pass found.
    void EndPass();

  private:
    void Grow(std::size_t room);
    [[noreturn]] void Fail(int error_number) const;

    std::string path_;
    int fd_ = -1;
    bool rereadable_ = false;
    uint64_t file_size_ = 0;
    std::size_t read_bytes_;

    // Mapped, and grown by remapping, so that a line of many megabytes is
    // neither copied nor left behind in the heap once read.
    char* buffer_ = nullptr;
    std::size_t capacity_ = 0;  // bytes of the buffer, one kept for the NUL after a piece
    std::size_t filled_ = 0;
    std::size_t handed_ = 0;  // bytes at the front handed out as the last piece
    bool ended_ = false;
    bool skip_lf_ = false;  // the last piece ended with a CR: an LF next belongs to it
    uint64_t length_ = 0;   // bytes of text read in this pass
    uint64_t first_length_ = UINT64_MAX;
};

// One pass over a TextPieces' text whose pieces are read and split into lines
// on a helper thread, a piece ahead of the one in use, so that reading and
// splitting cost the user of the lines no time of its own.
class PieceLines {
  public:
    struct Piece {
        std::string_view text;
        std::vector<std::pair<uint32_t, uint32_t>> lines;  // offset and length
        // A piece of ordinary size is copied here; a longer one (a line of
        // many megabytes) is lent by the TextPieces instead, and the reading
        // waits until it is given back, so that it is never held twice.
        std::string copy;
        bool lent = false;
    };

    // Rewinds `file` and starts reading it.
    explicit PieceLines(TextPieces& file);
    // Stops the helper, also in the middle of the pass.
    ~PieceLines();
    PieceLines(const PieceLines&) = delete;
    PieceLines& operator=(const PieceLines&) = delete;

    // The next piece, valid until the next call; null once the pass has
    // ended (TextPieces::EndPass included). Throws what reading threw.
    const Piece* Next();

  private:
    // Reads the next piece into `piece`; false once the pass has ended.
    bool Fill(Piece& piece);
    void Read();

    TextPieces& file_;
    Piece pieces_[2];
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t ready_ = 0;       // pieces read and not yet handed out
    std::size_t taken_ = 0;       // pieces handed out
    bool handing_ = false;        // one piece is in use by the caller
    std::size_t given_back_ = 0;  // pieces the caller is done with
    bool ended_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread reader_;
};

}  // namespace core
