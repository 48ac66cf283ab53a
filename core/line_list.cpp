#include "core/line_list.h"

#include <algorithm>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "core/failure.h"
#include "core/file_read.h"
#include "core/file_save.h"
#include "core/line_split.h"
#include "raster/resource_error.h"

namespace core {

namespace {

// Offsets and lengths are 32-bit, so the buffer stays below 4 GiB.
constexpr std::size_t kMaxBytes = std::numeric_limits<uint32_t>::max();
constexpr std::size_t kMaxLines = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());
// Packing a small buffer is not worth the copy.
constexpr std::size_t kCompactThreshold = std::size_t{64} * 1024;

constexpr unsigned char FoldCase(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

bool EqualIgnoringCase(const char* a, const char* b, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y && FoldCase(x) != FoldCase(y)) return false;
    }
    return true;
}

// The line count for reserving the index: a file ends its lines with CR LF,
// LF or CR throughout, so the larger count is exact for those and close for
// mixed files.
std::size_t EstimateLines(const char* data, std::size_t size) {
    std::size_t cr = 0;
    std::size_t lf = 0;
    std::size_t i = 0;
#ifdef __SSE2__
    const __m128i cr_byte = _mm_set1_epi8('\r');
    const __m128i lf_byte = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    while (i + 16 <= size) {
        // Byte counters are emptied before they can wrap (255 blocks).
        __m128i cr_count = zero;
        __m128i lf_count = zero;
        for (int block = 0; block < 255 && i + 16 <= size; ++block, i += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
            cr_count = _mm_sub_epi8(cr_count, _mm_cmpeq_epi8(bytes, cr_byte));
            lf_count = _mm_sub_epi8(lf_count, _mm_cmpeq_epi8(bytes, lf_byte));
        }
        const __m128i cr_sum = _mm_sad_epu8(cr_count, zero);
        const __m128i lf_sum = _mm_sad_epu8(lf_count, zero);
        cr += static_cast<std::size_t>(_mm_cvtsi128_si32(cr_sum)) +
              static_cast<std::size_t>(_mm_extract_epi16(cr_sum, 4));
        lf += static_cast<std::size_t>(_mm_cvtsi128_si32(lf_sum)) +
              static_cast<std::size_t>(_mm_extract_epi16(lf_sum, 4));
    }
#endif
    for (; i < size; ++i) {
        cr += data[i] == '\r';
        lf += data[i] == '\n';
    }
    return std::max(cr, lf) + 1;
}

// The length of the text before the first NUL, which ends it.
std::size_t TextLength(std::string_view bytes) {
    if (bytes.empty()) return 0;
    const void* nul = std::memchr(bytes.data(), '\0', bytes.size());
    return nul == nullptr ? bytes.size()
                          : static_cast<std::size_t>(static_cast<const char*>(nul) - bytes.data());
}

}  // namespace

void LineList::LoadFromFile(const std::string& path) {
    const TextBytes text = ReadText(path);
    Adopt(std::string(text.View()));
}

void LineList::LoadFromBytes(std::string_view bytes) {
    // Only the text before the first NUL is kept, so only that is copied.
    Adopt(std::string(bytes.substr(0, TextLength(bytes))));
}

void LineList::Adopt(std::string bytes) {
    if (bytes.size() > kMaxBytes) throw raster::ResourceError();

    // The lines stay where they are in the file's bytes; only the index is new.
    std::vector<Span> spans;
    spans.reserve(std::min(EstimateLines(bytes.data(), bytes.size()), kMaxLines));
    SplitLines(bytes.data(), bytes.size(), [&spans](std::size_t offset, std::size_t length) {
        // Grown by hand so the line limit is checked only when the index grows.
        if (spans.size() == spans.capacity()) {
            if (spans.size() >= kMaxLines) throw raster::ResourceError();
            spans.reserve(std::min(spans.size() * 2 + 1024, kMaxLines));
        }
        spans.emplace_back(Span{static_cast<uint32_t>(offset), static_cast<uint32_t>(length)});
    });

    bytes_.swap(bytes);
    index_.swap(spans);
    dead_bytes_ = 0;
}

void LineList::SaveToFile(const std::string& path) const { SaveBytesAtomically(path, ToBytes()); }

std::string LineList::ToBytes() const {
    std::size_t total = 0;
    for (const Span& span : index_) total += span.length + 2;
    std::string out;
    out.reserve(total);
    for (const Span& span : index_) {
        out.append(bytes_, span.offset, span.length);
        out.append("\r\n", 2);
    }
    return out;
}

int32_t LineList::Append(std::string_view text) {
    if (index_.size() >= kMaxLines) throw raster::ResourceError();
    const Span span = Store(text);
    index_.push_back(span);
    return static_cast<int32_t>(index_.size() - 1);
}

std::string_view LineList::Read(int64_t index) const {
    CheckIndex(index);
    const Span span = index_[static_cast<std::size_t>(index)];
    return std::string_view(bytes_.data() + span.offset, span.length);
}

void LineList::Replace(int64_t index, std::string_view text) {
    CheckIndex(index);
    const auto slot = static_cast<std::size_t>(index);
    const Span old = index_[slot];
    if (text.size() <= old.length) {
        // Fits where the old text was; memmove because `text` may be a line of this list.
        if (!text.empty()) std::memmove(bytes_.data() + old.offset, text.data(), text.size());
        index_[slot].length = static_cast<uint32_t>(text.size());
        dead_bytes_ += old.length - text.size();
        return;
    }
    const Span stored = Store(text);
    index_[slot] = stored;
    dead_bytes_ += old.length;
    if (dead_bytes_ >= kCompactThreshold && dead_bytes_ > bytes_.size() / 2) Compact();
}

void LineList::Clear() {
    // A cleared list gives its memory back: a drawing's lists can be large.
    std::string().swap(bytes_);
    std::vector<Span>().swap(index_);
    dead_bytes_ = 0;
}

void LineList::Reserve(std::size_t lines, std::size_t bytes) {
    index_.reserve(std::min(lines, kMaxLines));
    bytes_.reserve(std::min(bytes, kMaxBytes));
}

int32_t LineList::IndexOf(std::string_view text) const {
    const char* base = bytes_.data();
    for (std::size_t i = 0; i < index_.size(); ++i) {
        const Span span = index_[i];
        if (span.length == text.size() &&
            EqualIgnoringCase(base + span.offset, text.data(), text.size())) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

void LineList::Sort() {
    if (index_.size() < 2) return;
    const char* base = bytes_.data();
    std::sort(index_.begin(), index_.end(), [base](Span a, Span b) {
        return CompareIgnoringCase(std::string_view(base + a.offset, a.length),
                                   std::string_view(base + b.offset, b.length)) < 0;
    });
}

void LineList::CheckIndex(int64_t index) const {
    if (index < 0 || static_cast<uint64_t>(index) >= index_.size()) throw ListIndexError(index);
}

LineList::Span LineList::Store(std::string_view text) {
    if (text.size() > kMaxBytes - bytes_.size()) {
        if (text.size() > kMaxBytes - (bytes_.size() - dead_bytes_)) throw raster::ResourceError();
        // Packing frees enough room; `text` may point into the buffer, so keep a copy.
        const std::string copy(text);
        Compact();
        return Store(copy);
    }
    const Span span{static_cast<uint32_t>(bytes_.size()), static_cast<uint32_t>(text.size())};
    if (!text.empty()) bytes_.append(text.data(), text.size());
    return span;
}

void LineList::Compact() {
    std::size_t live = 0;
    for (const Span& span : index_) live += span.length;
    std::string packed;
    packed.reserve(live);
    for (Span& span : index_) {
        const auto offset = static_cast<uint32_t>(packed.size());
        packed.append(bytes_, span.offset, span.length);
        span.offset = offset;
    }
    bytes_.swap(packed);
    dead_bytes_ = 0;
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = FoldCase(static_cast<unsigned char>(a[i]));
        const unsigned char y = FoldCase(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace core
