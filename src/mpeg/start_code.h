#pragma once

// The one search for start codes of the program: the video's splitter, the program
// stream's resynchronisation, the container's probe, the first-header search and the
// macroblock layer's slices all find them through it.

#include <cstddef>
#include <cstdint>

namespace quantaline::mpeg {

// The first s >= from where 00 00 01 lies whole in data[0, size), or `size`.
std::size_t find_start_code_prefix(const std::uint8_t* data, std::size_t from, std::size_t size);

// The first start code at or after `from` whose four bytes lie whole in data[0, size) and
// whose code `wanted(code)` takes: the place of its first 00, or `size`. Start codes may
// overlap (00 00 01 00 00 01 holds two), as a byte by byte search would see them.
template <class Wanted>
std::size_t find_start_code(const std::uint8_t* data, std::size_t from, std::size_t size,
                            Wanted wanted) {
    for (std::size_t s = find_start_code_prefix(data, from, size); s + 3 < size;
         s = find_start_code_prefix(data, s + 1, size)) {
        if (wanted(data[s + 3])) {
            return s;
        }
    }
    return size;
}

} // namespace quantaline::mpeg
