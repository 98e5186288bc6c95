#include "check/profiles.h"

#include "mpeg/codes.h"

#include <array>

namespace quantaline::check {

namespace {

constexpr std::uint16_t bit(unsigned n) {
    return static_cast<std::uint16_t>(1u << n);
}

constexpr std::uint16_t hz25 = bit(mpeg::frame_rate_25);
constexpr std::uint16_t hz30 = bit(mpeg::frame_rate_29_97);
constexpr std::uint16_t any_aspect = bit(mpeg::aspect_4_3) | bit(mpeg::aspect_16_9);
constexpr std::uint16_t four_three = bit(mpeg::aspect_4_3);

constexpr std::array<Format, 10> dvd_formats = {{
    {true, 720, 576, hz25, any_aspect},
    {true, 704, 576, hz25, any_aspect},
    {true, 352, 576, hz25, four_three},
    {true, 352, 288, hz25, four_three},
    {true, 720, 480, hz30, any_aspect},
    {true, 704, 480, hz30, any_aspect},
    {true, 352, 480, hz30, four_three},
    {true, 352, 240, hz30, four_three},
    {false, 352, 288, hz25, 0, 1856000},
    {false, 352, 240, hz30, 0, 1856000},
}};
constexpr std::array<Format, 2> svcd_formats = {{{true, 480, 576, hz25}, {true, 480, 480, hz30}}};
constexpr std::array<Format, 2> vcd_formats = {
    {{false, 352, 288, hz25},
     {false, 352, 240, static_cast<std::uint16_t>(hz30 | bit(mpeg::frame_rate_23_976))}}};
constexpr std::array<Format, 4> atsc_formats = {
    {{true, 1920, 1080}, {true, 1280, 720}, {true, 704, 480}, {true, 640, 480}}};

// name, title, formats, max_bit_rate, exact_bit_rate, max_vbv_buffer_size, gop_frames_25,
// gop_frames_30, sequence_header_every_gop, first_gop_closed, no_low_delay,
// main_profile_main_level, chroma_420, max_vbv_delay
constexpr std::array<Profile, 5> table = {{
    {"dvd", "DVD", dvd_formats, 9800000, false, 112, 15, 18, true, true, true, true, true, 0},
    {"svcd", "SVCD", svcd_formats, 2600000, false, 112, 15, 18, true, true, false, true, true, 0},
    {"vcd", "VCD", vcd_formats, 1150000, true, 20, 0, 0, false, false, false, false, false, 0},
    {"atsc", "ATSC", atsc_formats, 19400000, false, 488, 0, 0, false, false, false, false, true,
     45000},
    {"none", "", {}, 0, false, 0, 0, 0, false, false, false, false, false, 0},
}};

bool has_format(const Profile& profile, const mpeg::SequenceParameters& s) {
    for (const Format& f : profile.formats) {
        if (f.mpeg2 == s.mpeg2 && f.width == s.horizontal_size && f.height == s.vertical_size) {
            return true;
        }
    }
    return false;
}

} // namespace

std::span<const Profile> profiles() {
    return table;
}

const Profile* find_profile(std::string_view name) {
    for (const Profile& profile : table) {
        if (name == profile.name) {
            return &profile;
        }
    }
    return nullptr;
}

const Profile& no_profile() {
    return table.back();
}

const Profile& auto_profile(const mpeg::SequenceParameters& s) {
    const Profile& dvd = table[0];
    const Profile& svcd = table[1];
    const Profile& vcd = table[2];
    const Profile& atsc = table[3];
    if (!s.mpeg2) {
        return has_format(vcd, s) ? vcd : no_profile();
    }
    if (s.horizontal_size == 480) {
        return svcd;
    }
    if (has_format(dvd, s)) {
        return dvd;
    }
    if (s.vertical_size == 1080 || s.vertical_size == 720) {
        return atsc;
    }
    return no_profile();
}

} // namespace quantaline::check
