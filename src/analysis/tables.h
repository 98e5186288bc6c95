#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace quantaline::tables {

// aspect_ratio_information
inline constexpr std::array<std::string_view, 16> aspect_ratio = {
    "", "1:1", "4:3", "16:9", "2.21:1", "", "", "", "", "", "", "", "", "", "", ""};

// frame_rate_code
inline constexpr std::array<std::string_view, 16> frame_rate = {
    "", "23,976", "24", "25", "29,97", "30", "50", "59,94", "60", "", "", "", "", "", "", ""};

// the three low bits of profile_and_level_indication's upper nibble
inline constexpr std::array<std::string_view, 8> profile = {
    "ProfilInconnu", "HighProfil",   "ProfilInconnu", "ProfilInconnu",
    "MainProfil",    "SimpleProfil", "ProfilInconnu", "ProfilInconnu"};

// the lower nibble of profile_and_level_indication
constexpr std::string_view level(unsigned code) {
    switch (code) {
    case 4:
        return "HighLevel";
    case 6:
        return "HighLevel1440";
    case 8:
        return "MainLevel";
    case 10:
        return "LowLevel";
    default:
        return "LevelInconnu";
    }
}

// chroma_format
inline constexpr std::array<std::string_view, 4> chroma_format = {"Inconnu", "4:2:0", "4:2:2",
                                                                  "4:4:4"};

// video_format of the sequence display extension
inline constexpr std::array<std::string_view, 8> video_format = {
    "Component", "PAL", "NTSC", "SECAM", "MAC", "Defaut", "Non-identifié", "Non-identifié"};

// picture_structure of the picture coding extension
inline constexpr std::array<std::string_view, 4> picture_structure = {
    "Inconnue", "Top Field", "Bottom Field", "Frame Picture"};

// scan[0]: the raster index of each zigzag position. Quantiser matrices are always
// sent in this order, whatever the stream's alternate_scan flag.
inline constexpr std::array<std::uint8_t, 64> zigzag_scan = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

} // namespace quantaline::tables
