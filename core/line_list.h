#pragma once
// An ordered list of text lines loaded from and saved to text files.
// Lines are kept in one byte buffer with an index of (offset, length) pairs:
// a 150 MB drawing holds some 14 million short lines, and one std::string per
// line would cost more than the file itself.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

class LineList {
  public:
    LineList() = default;

    // Replaces every line by the file's lines; on failure the list is unchanged.
    // A line ends at CR LF, a lone CR or a lone LF; a NUL byte ends the text.
    void LoadFromFile(const std::string& path);
    // Splits bytes by the same rules as LoadFromFile.
    void LoadFromBytes(std::string_view bytes);
    // Writes every line followed by CR LF. The old file is replaced only once
    // every byte is written and flushed.
    void SaveToFile(const std::string& path) const;
    // The bytes SaveToFile writes.
    [[nodiscard]] std::string ToBytes() const;

    // Returns the index of the new line, the count before the call.
    int32_t Append(std::string_view text);
    // The view stays valid until the list is next changed.
    [[nodiscard]] std::string_view Read(int64_t index) const;
    void Replace(int64_t index, std::string_view text);
    [[nodiscard]] int32_t Count() const { return static_cast<int32_t>(index_.size()); }
    void Clear();
    void Reserve(std::size_t lines, std::size_t bytes);

    // First line equal to `text` with letter case ignored, or -1.
    [[nodiscard]] int32_t IndexOf(std::string_view text) const;
    // Ascending with letter case ignored; not stable.
    void Sort();

  private:
    struct Span {
        uint32_t offset;
        uint32_t length;
    };
    void CheckIndex(int64_t index) const;
    Span Store(std::string_view text);
    // Takes `bytes` (already cut at the first NUL) as the new buffer and splits it.
    void Adopt(std::string bytes);
    // Drops the bytes no line refers to any more.
    void Compact();

    std::string bytes_;
    std::vector<Span> index_;
    // Bytes left behind by Replace; the buffer is packed when they dominate.
    std::size_t dead_bytes_ = 0;
};

// The comparison of IndexOf and Sort: letter case ignored, bytes otherwise.
[[nodiscard]] int CompareIgnoringCase(std::string_view a, std::string_view b);

}  // namespace core
