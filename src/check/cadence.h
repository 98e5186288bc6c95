#pragma once

// The order of the fields in display order: where it breaks, and the pattern it follows.

#include "mpeg/scan.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quantaline::check {

struct Cadence {
    // "3:2", "interlaced TFF", "interlaced BFF", "progressive", "irregular"; empty without
    // pictures.
    std::string pattern;
    // The frame rate the pattern gives: 3:2 shows 4 coded frames in 5 frame periods.
    std::optional<double> frame_rate;
    // Pictures (in stream order) whose first displayed field has the parity of the last
    // displayed field of the picture before them, in display order.
    std::vector<std::uint64_t> field_order_breaks;
};

// Share of the frame pictures that must follow a pattern for it to be named.
inline constexpr double pattern_share = 0.95;

Cadence read_cadence(const mpeg::ScanResult& result);

} // namespace quantaline::check
