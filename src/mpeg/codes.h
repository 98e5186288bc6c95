#pragma once

// The codes of the video's headers that decisions are taken on, with the names scripts and
// windows show them by: a decision compares codes, a name only shows one.

// The names that are French words are data too (the JSON and the report keep them); each
// is marked for translation, and the windows and the text report show its translation.

#include "io/text.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quantaline::mpeg {

// A code with the name it is shown by.
struct NamedCode {
    std::uint8_t code = 0;
    std::string_view name;
};

// The name of `code` in a table of named codes; `otherwise` for a code the table lacks.
template <std::size_t N>
constexpr std::string_view code_name(const std::array<NamedCode, N>& table, unsigned code,
                                     std::string_view otherwise = {}) {
    for (const NamedCode& entry : table) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    return otherwise;
}

// picture_coding_type; 0 and 5 to 7 are forbidden or reserved.
inline constexpr std::uint8_t intra_coded = 1;
inline constexpr std::uint8_t predictive_coded = 2;
inline constexpr std::uint8_t bidirectionally_predictive_coded = 3;
inline constexpr std::uint8_t dc_intra_coded = 4;
inline constexpr std::array<std::string_view, 4> picture_coding_type_names = {"I", "P", "B", "D"};

// I, P, B or D: neither forbidden nor reserved.
constexpr bool is_picture_coding_type(unsigned code) {
    return code >= intra_coded && code <= dc_intra_coded;
}

// The letter of a picture_coding_type; nothing for a forbidden or reserved one.
constexpr std::string_view picture_coding_type_name(std::uint8_t code) {
    return is_picture_coding_type(code) ? picture_coding_type_names[code - 1] : std::string_view{};
}

// picture_structure (an MPEG-1 picture, which has no picture coding extension, is a frame);
// 0 is reserved.
inline constexpr std::uint8_t top_field = 1;
inline constexpr std::uint8_t bottom_field = 2;
inline constexpr std::uint8_t frame_picture = 3;
inline constexpr std::array<NamedCode, 4> picture_structures = {{
    {0, TR_NOOP_TEXT("Value", "Inconnue")},
    {top_field, "Top Field"},
    {bottom_field, "Bottom Field"},
    {frame_picture, "Frame Picture"},
}};

// chroma_format of the sequence extension; 0 is reserved.
inline constexpr std::uint8_t chroma_420 = 1;
inline constexpr std::uint8_t chroma_422 = 2;
inline constexpr std::uint8_t chroma_444 = 3;
inline constexpr std::array<NamedCode, 4> chroma_formats = {{
    {0, TR_NOOP_TEXT("Value", "Inconnu")},
    {chroma_420, "4:2:0"},
    {chroma_422, "4:2:2"},
    {chroma_444, "4:4:4"},
}};

// aspect_ratio_information; 0 is forbidden, 5 to 15 are reserved. (MPEG-1 codes its pel
// aspect ratio there; the names are MPEG-2's, shown for both.)
inline constexpr std::uint8_t square_samples = 1;
inline constexpr std::uint8_t aspect_4_3 = 2;
inline constexpr std::uint8_t aspect_16_9 = 3;
inline constexpr std::uint8_t aspect_2_21 = 4;
inline constexpr std::array<NamedCode, 4> aspect_ratios = {{
    {square_samples, "1:1"},
    {aspect_4_3, "4:3"},
    {aspect_16_9, "16:9"},
    {aspect_2_21, "2.21:1"},
}};

// frame_rate_code; 0 is forbidden, 9 to 15 are reserved.
inline constexpr std::uint8_t frame_rate_23_976 = 1;
inline constexpr std::uint8_t frame_rate_24 = 2;
inline constexpr std::uint8_t frame_rate_25 = 3;
inline constexpr std::uint8_t frame_rate_29_97 = 4;
inline constexpr std::uint8_t frame_rate_30 = 5;
inline constexpr std::uint8_t frame_rate_50 = 6;
inline constexpr std::uint8_t frame_rate_59_94 = 7;
inline constexpr std::uint8_t frame_rate_60 = 8;

// frame_rate_value, frames per second as a fraction, with its name (French writes the
// decimal comma).
struct FrameRateCode {
    std::uint8_t code = 0;
    std::uint32_t numerator = 0;
    std::uint32_t denominator = 1;
    std::string_view name;
};
inline constexpr std::array<FrameRateCode, 8> frame_rates = {{
    {frame_rate_23_976, 24000, 1001, TR_NOOP_TEXT("Value", "23,976")},
    {frame_rate_24, 24, 1, "24"},
    {frame_rate_25, 25, 1, "25"},
    {frame_rate_29_97, 30000, 1001, TR_NOOP_TEXT("Value", "29,97")},
    {frame_rate_30, 30, 1, "30"},
    {frame_rate_50, 50, 1, "50"},
    {frame_rate_59_94, 60000, 1001, TR_NOOP_TEXT("Value", "59,94")},
    {frame_rate_60, 60, 1, "60"},
}};

// The entry of a frame_rate_code; none for a forbidden or reserved one.
constexpr const FrameRateCode* frame_rate_code_entry(unsigned code) {
    for (const FrameRateCode& entry : frame_rates) {
        if (entry.code == code) {
            return &entry;
        }
    }
    return nullptr;
}

// The frames per second of a frame_rate_code, with the sequence extension's
// frame_rate_extension_n and _d applied (their 0 and 0 leave the rate as the code gives
// it, and MPEG-1 has neither); none for a forbidden or reserved code.
constexpr std::optional<double> frames_per_second(unsigned code, unsigned extension_n = 0,
                                                  unsigned extension_d = 0) {
    const FrameRateCode* entry = frame_rate_code_entry(code);
    if (entry == nullptr) {
        return std::nullopt;
    }
    const double extension = (extension_n + 1.0) / (extension_d + 1.0);
    return static_cast<double>(entry->numerator) / entry->denominator * extension;
}

// profile_and_level_indication (without its escape bit): the profile's three bits above
// the level's four. The profiles and levels without a name here are reserved or have none
// in the windows (the scalable profiles).
inline constexpr std::uint8_t high_profile = 1;
inline constexpr std::uint8_t spatially_scalable_profile = 2;
inline constexpr std::uint8_t snr_scalable_profile = 3;
inline constexpr std::uint8_t main_profile = 4;
inline constexpr std::uint8_t simple_profile = 5;
inline constexpr std::array<NamedCode, 3> profiles = {{
    {high_profile, TR_NOOP_TEXT("Value", "HighProfil")},
    {main_profile, TR_NOOP_TEXT("Value", "MainProfil")},
    {simple_profile, TR_NOOP_TEXT("Value", "SimpleProfil")},
}};
inline constexpr std::string_view unknown_profile_name = TR_NOOP_TEXT("Value", "ProfilInconnu");

inline constexpr std::uint8_t high_level = 4;
inline constexpr std::uint8_t high_1440_level = 6;
inline constexpr std::uint8_t main_level = 8;
inline constexpr std::uint8_t low_level = 10;
inline constexpr std::array<NamedCode, 4> levels = {{
    {high_level, TR_NOOP_TEXT("Value", "HighLevel")},
    {high_1440_level, TR_NOOP_TEXT("Value", "HighLevel1440")},
    {main_level, TR_NOOP_TEXT("Value", "MainLevel")},
    {low_level, TR_NOOP_TEXT("Value", "LowLevel")},
}};
inline constexpr std::string_view unknown_level_name = TR_NOOP_TEXT("Value", "LevelInconnu");

// The profile_and_level_indication of a profile at a level, the escape bit 0.
constexpr std::uint8_t profile_and_level(std::uint8_t profile, std::uint8_t level) {
    return static_cast<std::uint8_t>(profile << 4 | level);
}

} // namespace quantaline::mpeg
