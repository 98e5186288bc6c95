#pragma once

// The disc's rules as a table: one line a profile.

#include "mpeg/timing.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quantaline::check {

// A picture format a profile admits: its MPEG version and size, with the frame_rate_code
// and aspect_ratio_information values it admits there (bit n for the value n; 0: any).
struct Format {
    bool mpeg2 = true;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint16_t frame_rate_codes = 0;
    std::uint16_t aspect_ratios = 0;
    std::uint32_t max_bit_rate = 0; // bit/s, below the profile's; 0: the profile's
};

struct Profile {
    const char* name;                      // as --profile names it
    const char* title;                     // as the texts name it: "DVD"
    std::span<const Format> formats;       // empty: any size
    std::uint32_t max_bit_rate = 0;        // bit/s; 0: no limit
    bool exact_bit_rate = false;           // the bit rate must be max_bit_rate itself
    std::uint32_t max_vbv_buffer_size = 0; // vbv_buffer_size; 0: no limit
    // Frames a group of pictures codes at most at 25 Hz and 29,97 Hz (a field counts
    // half); 0: no limit.
    std::uint8_t gop_frames_25 = 0;
    std::uint8_t gop_frames_30 = 0;
    bool sequence_header_every_gop = false;
    bool first_gop_closed = false;
    bool no_low_delay = false;
    bool main_profile_main_level = false;
    bool chroma_420 = false;
    std::uint16_t max_vbv_delay = 0; // 0xFFFF aside; 0: no limit
};

std::span<const Profile> profiles();
const Profile* find_profile(std::string_view name);
// The profile `auto` picks for a stream whose first sequence is this one.
const Profile& auto_profile(const mpeg::SequenceParameters& first);
const Profile& no_profile();

} // namespace quantaline::check
