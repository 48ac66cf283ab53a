#include "dxf/tag_stream.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace dxf {
namespace {

constexpr std::string_view kBinarySentinel{"AutoCAD Binary DXF\r\n\x1a\0", 22};

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// A group code line: digits with blanks around them, nothing else.
bool ParseCode(std::string_view line, int32_t& code) {
    line = Trimmed(line);
    if (line.empty() || line.size() > 6) return false;
    int32_t value = 0;
    for (const char c : line) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    code = value;
    return true;
}

enum class BinaryType { String, Real, Int16, Int32, Int64, Byte, Chunk };

BinaryType TypeOf(int32_t code) {
    auto in = [code](int32_t low, int32_t high) { return code >= low && code <= high; };
    if (in(310, 319) || code == 1004) return BinaryType::Chunk;
    if (in(10, 59) || in(110, 149) || in(210, 239) || in(460, 469) || in(1010, 1059)) {
        return BinaryType::Real;
    }
    if (in(60, 79) || in(170, 179) || in(270, 289) || in(370, 389) || in(400, 409) ||
        in(1060, 1070)) {
        return BinaryType::Int16;
    }
    if (in(90, 99) || in(420, 459) || code == 1071) return BinaryType::Int32;
    if (in(160, 169)) return BinaryType::Int64;
    if (in(290, 299)) return BinaryType::Byte;
    return BinaryType::String;
}

template <typename T>
T LittleEndian(const char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// Plain decimals ("-1234.5678") of up to 15 digits: the digits as a whole
// number and one division by a power of ten are both exact in a double, so
// the quotient is the correctly rounded value from_chars would give.
bool FastDecimal(std::string_view text, double& value) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    uint64_t digits = 0;
    int32_t count = 0;
    int32_t fraction = -1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = digits * 10 + static_cast<uint64_t>(c - '0');
            ++count;
            if (fraction >= 0) ++fraction;
        } else if (c == '.' && fraction < 0) {
            fraction = 0;
        } else {
            return false;
        }
    }
    if (count == 0 || count > 15) return false;
    const double whole = static_cast<double>(digits);
    value = fraction > 0 ? whole / kPowers[fraction] : whole;
    if (negative) value = -value;
    return true;
}

}  // namespace

TagStream::TagStream(std::string_view bytes) : bytes_(bytes) {
    if (bytes.substr(0, kBinarySentinel.size()) == kBinarySentinel) {
        binary_ = true;
        position_ = kBinarySentinel.size();
        // R12 writes one byte per code, later versions two: the first
        // tag's code is 0 either way, so the byte after it tells.
        one_byte_codes_ = bytes.size() > position_ + 1 && bytes[position_ + 1] != '\0';
        return;
    }
    // Some writers put a UTF-8 byte order mark in front.
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") position_ = 3;
    // The first tag that is not a comment must open a section.
    TagStream probe(*this);
    Tag first;
    bool ok = false;
    try {
        ok = probe.Next(first) && first.code == 0 && Trimmed(first.text) == "SECTION";
    } catch (const core::Failure&) {
        ok = false;
    }
    if (!ok) throw NotDxf({first.at == 0 ? 1 : first.at, false});
}

std::string_view TagStream::TextLine() {
    const char* begin = bytes_.data() + position_;
    const std::size_t left = bytes_.size() - position_;
    // Most lines are a few bytes long: a plain loop beats a memchr call
    // there, which takes over for long ones.
    std::size_t length = 0;
    const std::size_t short_part = std::min<std::size_t>(left, 32);
    while (length < short_part && begin[length] != '\n') ++length;
    if (length == short_part && length < left) {
        const void* newline = std::memchr(begin + length, '\n', left - length);
        length =
            newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - begin) : left;
    }
    position_ += length < left ? length + 1 : length;
    ++line_;
    if (length > 0 && begin[length - 1] == '\r') --length;
    return {begin, length};
}

bool TagStream::NextText(Tag& tag) {
    for (;;) {
        if (position_ >= bytes_.size()) return false;
        tag.at = line_;
        tag.offset = position_;
        const std::string_view code_line = TextLine();
        if (!ParseCode(code_line, tag.code)) {
            // Blank lines after the last tag are no tag.
            if (Trimmed(code_line).empty() &&
                Trimmed(bytes_.substr(position_)).find_first_not_of("\r\n \t") ==
                    std::string_view::npos) {
                return false;
            }
            throw BadGroupCode({tag.at, false}, code_line);
        }
        if (position_ >= bytes_.size()) throw MissingValue({tag.at, false}, tag.code);
        tag.text = TextLine();
        tag.binary_number = false;
        if (tag.code != 999) return true;
    }
}

bool TagStream::NextBinary(Tag& tag) {
    for (;;) {
        const std::size_t size = bytes_.size();
        if (position_ >= size) return false;
        tag.at = static_cast<int64_t>(position_);
        tag.offset = position_;
        if (one_byte_codes_) {
            const auto first = static_cast<unsigned char>(bytes_[position_]);
            if (first == 255) {
                if (position_ + 3 > size) throw MissingValue({tag.at, true}, 255);
                tag.code = LittleEndian<uint16_t>(bytes_.data() + position_ + 1);
                position_ += 3;
            } else {
                tag.code = first;
                position_ += 1;
            }
        } else {
            if (position_ + 2 > size) throw MissingValue({tag.at, true}, 0);
            tag.code = LittleEndian<uint16_t>(bytes_.data() + position_);
            position_ += 2;
        }
        const char* at = bytes_.data() + position_;
        const std::size_t left = size - position_;
        auto need = [&](std::size_t count) {
            if (left < count) throw MissingValue({tag.at, true}, tag.code);
            position_ += count;
        };
        tag.binary_number = true;
        tag.text = {};
        switch (TypeOf(tag.code)) {
            case BinaryType::Real:
                need(8);
                tag.number = LittleEndian<double>(at);
                break;
            case BinaryType::Int16:
                need(2);
                tag.number = LittleEndian<int16_t>(at);
                break;
            case BinaryType::Int32:
                need(4);
                tag.number = LittleEndian<int32_t>(at);
                break;
            case BinaryType::Int64:
                need(8);
                tag.number = static_cast<double>(LittleEndian<int64_t>(at));
                break;
            case BinaryType::Byte:
                need(1);
                tag.number = static_cast<unsigned char>(*at);
                break;
            case BinaryType::Chunk: {
                need(1);
                const auto length = static_cast<unsigned char>(*at);
                need(length);
                tag.binary_number = false;
                break;
            }
            case BinaryType::String: {
                const void* nul = std::memchr(at, '\0', left);
                if (nul == nullptr) throw MissingValue({tag.at, true}, tag.code);
                const std::size_t length = static_cast<const char*>(nul) - at;
                tag.text = {at, length};
                tag.binary_number = false;
                position_ += length + 1;
                break;
            }
        }
        if (tag.code != 999) return true;
    }
}

bool TagStream::Next(Tag& tag) { return binary_ ? NextBinary(tag) : NextText(tag); }

double TagStream::Real(const Tag& tag) const {
    if (tag.binary_number) {
        if (!std::isfinite(tag.number)) throw BadValue(PlaceOf(tag), tag.code, "nan");
        return tag.number;
    }
    std::string_view text = Trimmed(tag.text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    if (FastDecimal(text, value)) return value;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() ||
        !std::isfinite(value)) {
        throw BadValue(PlaceOf(tag), tag.code, tag.text);
    }
    return value;
}

int64_t TagStream::Whole(const Tag& tag) const {
    if (tag.binary_number) return static_cast<int64_t>(tag.number);
    std::string_view text = Trimmed(tag.text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc() && end == text.data() + text.size() && !text.empty()) return value;
    // Some writers put "1.0" where a whole number belongs.
    const double real = Real(tag);
    if (std::fabs(real) > 9e18) throw BadValue(PlaceOf(tag), tag.code, tag.text);
    return static_cast<int64_t>(real);
}

}  // namespace dxf
