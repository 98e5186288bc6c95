#include "mpeg/start_code.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quantaline::mpeg {

#if defined(__SSE2__)
namespace {

// Where 00 00 01 begins among the sixteen places from data: a bit each.
std::uint32_t prefix_mask(const std::uint8_t* data) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 1));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 2));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(
        _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(a, zero), _mm_cmpeq_epi8(b, zero)),
                      _mm_cmpeq_epi8(c, _mm_set1_epi8(1)))));
}

} // namespace
#endif

// The first s >= from where 00 00 01 lies whole in the data, or `size`. Sixteen places at
// a time where the processor has SSE2 (every x86-64 one does).
std::size_t find_start_code_prefix(const std::uint8_t* data, std::size_t from, std::size_t size) {
    std::size_t s = from;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi8(1);
    // Four blocks a turn, one branch for all: most turns find nothing.
    while (s + 66 <= size) {
        const std::uint64_t mask = prefix_mask(data + s) |
                                   (std::uint64_t{prefix_mask(data + s + 16)} << 16) |
                                   (std::uint64_t{prefix_mask(data + s + 32)} << 32) |
                                   (std::uint64_t{prefix_mask(data + s + 48)} << 48);
        if (mask != 0) {
            return s + static_cast<std::size_t>(__builtin_ctzll(mask));
        }
        s += 64;
    }
    while (s + 18 <= size) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + s));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + s + 1));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + s + 2));
        const int mask = _mm_movemask_epi8(
            _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(a, zero), _mm_cmpeq_epi8(b, zero)),
                          _mm_cmpeq_epi8(c, one)));
        if (mask != 0) {
            return s + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        }
        s += 16;
    }
#endif
    // The rest (or everything elsewhere): the 01 first, it is the rarest of the three.
    while (s + 2 < size) {
        const void* hit = std::memchr(data + s + 2, 0x01, size - s - 2);
        if (hit == nullptr) {
            return size;
        }
        const auto k = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data);
        if (data[k - 1] == 0 && data[k - 2] == 0) {
            return k - 2;
        }
        s = k - 1;
    }
    return size;
}

} // namespace quantaline::mpeg
