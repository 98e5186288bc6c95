#pragma once

// What the buffering period SEI of H.264 and HEVC gives the hypothetical reference
// decoder: each schedule's initial removal delay and its offset, in 90 kHz ticks.

#include <cstdint>
#include <utility>
#include <vector>

namespace quantaline::mpeg {

struct BufferingPeriod {
    // (initial_cpb_removal_delay, its offset) by schedule, of the NAL and the VCL HRD.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> nal;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> vcl;
    // HEVC: the stream may be spliced here, its removal delay counted afresh.
    bool concatenation_flag = false;
    std::uint32_t au_cpb_removal_delay_delta = 1; // au_cpb_removal_delay_delta_minus1 + 1
    bool operator==(const BufferingPeriod&) const = default;
};

} // namespace quantaline::mpeg
