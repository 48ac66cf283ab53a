#pragma once
// Reading a text file whole, bounded: the text ends at the first NUL byte,
// so nothing after one is read, and no input may grow beyond the size a line
// list can index, whatever kind of file it is.
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace core {

// The most bytes a text may have (line offsets are 32-bit).
inline constexpr std::size_t kMaxTextBytes = 0xFFFFFFFFu;

// Memory from malloc, or a mapping of `mapped` bytes when that is not 0.
struct TextMemoryFree {
    std::size_t mapped = 0;
    void operator()(char* p) const;
};

// A file's text up to its first NUL, followed by one readable NUL byte so
// that a scan may look one byte past a line end.
class TextBytes {
  public:
    [[nodiscard]] std::string_view View() const { return {data_.get(), size_}; }
    void Release() {
        data_.reset();
        size_ = 0;
    }

  private:
    friend TextBytes ReadText(const std::string& path);
    std::unique_ptr<char, TextMemoryFree> data_;
    std::size_t size_ = 0;
};

// Throws CannotOpen naming the full path when the file cannot be opened or
// read, also when a regular file changes its size while it is read, and
// ResourceError when the text is longer than kMaxTextBytes.
[[nodiscard]] TextBytes ReadText(const std::string& path);

}  // namespace core
