#pragma once

// The pictures along time, for a timeline: when each is decoded, and the bits of each
// second.

#include "mpeg/scan.h"

#include <cstdint>
#include <vector>

namespace quantaline::check {

struct Timeline {
    // Each picture's decoding time after the first sequence header's first picture's, in seconds,
    // never decreasing; the pictures before the first sequence header at 0. Empty when no sequence
    // gives a frame rate.
    std::vector<double> times;
    // When the last picture's display ends.
    double duration = 0;
    // The bits of the pictures decoded in each second, from 0.
    std::vector<double> second_bits;
    // The first picture of each group of pictures; 0 first, whatever comes before the
    // first group header counting as one.
    std::vector<std::uint64_t> group_starts;
    // The bits of each of those groups.
    std::vector<double> group_bits;
};

// The decoding times step as the buffer model's do: by the pictures' fields at their
// sequence's frame rate.
Timeline make_timeline(const mpeg::ScanResult& result);

} // namespace quantaline::check
