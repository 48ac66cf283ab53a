#pragma once
// The lowest layer: a DXF file's bytes as (group code, value) tags, text or
// binary alike. It knows nothing of sections or entities; values are kept as
// they stand and converted only when a caller asks for a number, so tags
// nobody reads cost one scan for the line end.
#include <cstdint>
#include <string_view>

#include "dxf/dxf_failure.h"

namespace dxf {

struct Tag {
    int32_t code = 0;
    std::string_view text;  // the value as written (text files, binary strings)
    double number = 0.0;    // binary numbers, already decoded
    bool binary_number = false;
    int64_t at = 0;          // the code's line (text) or byte offset (binary)
    std::size_t offset = 0;  // the byte where the tag starts
};

class TagStream {
  public:
    // Throws NotDxf unless the bytes begin like a DXF file.
    explicit TagStream(std::string_view bytes);

    // The next tag, false at the end of the bytes. Comments (999) are skipped.
    bool Next(Tag& tag);

    // A tag's value as a number; BadValue when it is not one.
    [[nodiscard]] double Real(const Tag& tag) const;
    [[nodiscard]] int64_t Whole(const Tag& tag) const;

    [[nodiscard]] Place PlaceOf(const Tag& tag) const { return {tag.at, binary_}; }
    [[nodiscard]] bool Binary() const { return binary_; }
    // Where the next tag starts, and a stream over the same bytes from such a
    // position on (to read one section again).
    [[nodiscard]] std::size_t Position() const { return position_; }
    [[nodiscard]] int64_t Line() const { return line_; }
    void Seek(std::size_t position, int64_t line) {
        position_ = position;
        line_ = line;
    }

  private:
    bool NextText(Tag& tag);
    bool NextBinary(Tag& tag);
    std::string_view TextLine();

    std::string_view bytes_;
    std::size_t position_ = 0;
    int64_t line_ = 1;  // text: the number of the next line; binary: unused
    bool binary_ = false;
    bool one_byte_codes_ = false;
};

}  // namespace dxf
