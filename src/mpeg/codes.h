#pragma once

// The codes of the video's headers that decisions are taken on, with the names scripts and
// windows show them by: a decision compares codes, a name only shows one.

#include <array>
#include <cstdint>
#include <string_view>

namespace quantaline::mpeg {

// picture_coding_type; 0 and 5 to 7 are forbidden or reserved.
inline constexpr std::uint8_t intra_coded = 1;
inline constexpr std::uint8_t predictive_coded = 2;
inline constexpr std::uint8_t bidirectionally_predictive_coded = 3;
inline constexpr std::uint8_t dc_intra_coded = 4;
inline constexpr std::array<std::string_view, 4> picture_coding_type_names = {"I", "P", "B", "D"};

// The letter of a picture_coding_type; nothing for a forbidden or reserved one.
constexpr std::string_view picture_coding_type_name(std::uint8_t code) {
    return code >= intra_coded && code <= dc_intra_coded ? picture_coding_type_names[code - 1]
                                                         : std::string_view{};
}

// picture_structure (an MPEG-1 picture, which has no picture coding extension, is a frame).
inline constexpr std::uint8_t top_field = 1;
inline constexpr std::uint8_t bottom_field = 2;
inline constexpr std::uint8_t frame_picture = 3;

// chroma_format of the sequence extension; 0 is reserved.
inline constexpr std::uint8_t chroma_420 = 1;
inline constexpr std::uint8_t chroma_422 = 2;
inline constexpr std::uint8_t chroma_444 = 3;

} // namespace quantaline::mpeg
