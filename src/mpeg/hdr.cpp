#include "mpeg/hdr.h"

#include "mpeg/bit_reader.h"
#include "mpeg/rbsp.h"

namespace quantaline::mpeg {

namespace {

constexpr std::size_t mastering_display_size = 24;
constexpr std::size_t content_light_level_size = 4;

MasteringDisplay mastering_display(std::span<const std::uint8_t> payload) {
    BitReader r(payload);
    MasteringDisplay m;
    for (std::size_t c = 0; c < 3; ++c) {
        m.primaries_x[c] = field<std::uint16_t>(r, 16);
        m.primaries_y[c] = field<std::uint16_t>(r, 16);
    }
    m.white_point_x = field<std::uint16_t>(r, 16);
    m.white_point_y = field<std::uint16_t>(r, 16);
    m.max_luminance = r.read(32);
    m.min_luminance = r.read(32);
    return m;
}

} // namespace

void read_hdr_messages(std::span<const std::uint8_t> rbsp, HdrMetadata& hdr) {
    for_each_sei_message(rbsp, [&](std::uint32_t type, std::span<const std::uint8_t> payload) {
        if (type == sei_type::mastering_display_colour_volume &&
            payload.size() >= mastering_display_size) {
            hdr.mastering_display = mastering_display(payload);
        } else if (type == sei_type::content_light_level_info &&
                   payload.size() >= content_light_level_size) {
            BitReader r(payload);
            ContentLightLevel level;
            level.max_content_light_level = field<std::uint16_t>(r, 16);
            level.max_pic_average_light_level = field<std::uint16_t>(r, 16);
            hdr.content_light_level = level;
        }
    });
}

} // namespace quantaline::mpeg
