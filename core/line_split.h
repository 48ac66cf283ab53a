#pragma once
// Splitting text into lines by the line list's rules, shared by the line list
// and the one-pass drawing load.
#include <cstddef>
#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace core {

// Calls on_line(offset, length) for every line of `data`, which holds no NUL and
// is followed by a readable byte (a std::string's terminator). Every CR ends a
// line, and so does every LF except the one right after a CR, which belongs to
// that CR's line end.
template <class OnLine>
inline void SplitLines(const char* data, std::size_t size, OnLine&& on_line) {
    std::size_t start = 0;
    auto line_end = [&](std::size_t end) {
        on_line(start, end - start);
        start = end + 1 + static_cast<std::size_t>((data[end] == '\r') & (data[end + 1] == '\n'));
    };
    std::size_t i = 0;
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    uint32_t cr_before = 0;  // the previous block ended with a CR
    for (; i + 32 <= size; i += 32) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 16));
        const uint32_t cr_mask =
            static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(low, cr))) |
            (static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(high, cr))) << 16);
        const uint32_t lf_mask =
            static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(low, lf))) |
            (static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(high, lf))) << 16);
        const uint32_t paired_lf = lf_mask & ((cr_mask << 1) | cr_before);
        cr_before = cr_mask >> 31;
        for (uint32_t mask = (cr_mask | lf_mask) & ~paired_lf; mask != 0; mask &= mask - 1) {
            line_end(i + static_cast<std::size_t>(__builtin_ctz(mask)));
        }
    }
#endif
    for (; i < size; ++i) {
        if (data[i] == '\r' || (data[i] == '\n' && (i == 0 || data[i - 1] != '\r'))) line_end(i);
    }
    if (start < size) on_line(start, size - start);
}

}  // namespace core
