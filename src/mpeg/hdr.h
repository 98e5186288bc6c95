#pragma once

// The two SEI messages an HDR video's mastering is told by, the same in H.264 and HEVC:
// the mastering display's colour volume (its primaries, white point and luminance range)
// and the content's light levels (MaxCLL, MaxFALL).

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace quantaline::mpeg {

struct MasteringDisplay {
    // In the order the message gives them: green, blue, red by its convention; in units of
    // 0.00002.
    std::array<std::uint16_t, 3> primaries_x{};
    std::array<std::uint16_t, 3> primaries_y{};
    std::uint16_t white_point_x = 0;
    std::uint16_t white_point_y = 0;
    std::uint32_t max_luminance = 0; // in units of 0.0001 cd/m²
    std::uint32_t min_luminance = 0;
    bool operator==(const MasteringDisplay&) const = default;
};

struct ContentLightLevel {
    std::uint16_t max_content_light_level = 0;     // MaxCLL, cd/m²
    std::uint16_t max_pic_average_light_level = 0; // MaxFALL, cd/m²
    bool operator==(const ContentLightLevel&) const = default;
};

struct HdrMetadata {
    std::optional<MasteringDisplay> mastering_display;
    std::optional<ContentLightLevel> content_light_level;
    bool operator==(const HdrMetadata&) const = default;
};

namespace sei_type {
inline constexpr std::uint32_t mastering_display_colour_volume = 137;
inline constexpr std::uint32_t content_light_level_info = 144;
} // namespace sei_type

// The messages of one SEI unit's RBSP that say either, into `hdr` (a message too short
// for its fields is left aside).
void read_hdr_messages(std::span<const std::uint8_t> rbsp, HdrMetadata& hdr);

} // namespace quantaline::mpeg
