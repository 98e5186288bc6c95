#include "mpeg4/vop.h"

#include "mpeg/rbsp.h"

namespace quantaline::mpeg4 {

namespace {

using mpeg::BitReader;
using mpeg::field;
using mpeg::marker_bit;

// The fields between vop_coded and vop_quant; false when one this reader does not follow
// comes first.
bool fields_before_quant(BitReader& r, const VideoObjectLayer& vol, Vop& v) {
    if (!vol.tail_read || vol.newpred_enable ||
        vol.video_object_layer_shape != shape::rectangular) {
        return false;
    }
    const std::uint8_t type = v.vop_coding_type;
    if (type == vop_type::p || (type == vop_type::s && vol.sprite_enable == sprite::gmc)) {
        r.read_flag(); // vop_rounding_type
    }
    if (vol.reduced_resolution_vop_enable && (type == vop_type::p || type == vop_type::i)) {
        r.read_flag(); // vop_reduced_resolution
    }
    r.skip(3); // intra_dc_vlc_thr
    if (vol.interlaced) {
        v.top_field_first = r.read_flag();
        r.read_flag(); // alternate_vertical_scan_flag
    }
    if (type == vop_type::s && vol.sprite_enable != sprite::not_used) {
        // The sprite's trajectory and brightness come first, and a static sprite's VOP
        // has no quantiser of its own.
        return vol.sprite_enable == sprite::gmc && vol.no_of_sprite_warping_points == 0 &&
               !vol.sprite_brightness_change;
    }
    return true;
}

} // namespace

Parsed<Vop> vop_header(std::span<const std::uint8_t> bytes, const VideoObjectLayer& vol) {
    BitReader r(bytes);
    SyntaxError error = SyntaxError::none;
    Vop v;
    v.vop_coding_type = field<std::uint8_t>(r, 2);
    // modulo_time_base: a 1 for each second gone, then a 0; a minute at most.
    while (r.read_flag() && !r.overrun() && v.modulo_time_base < 60) {
        ++v.modulo_time_base;
    }
    marker_bit(r, error);
    v.vop_time_increment = r.read(time_increment_bits(vol.vop_time_increment_resolution));
    marker_bit(r, error);
    v.vop_coded = r.read_flag();
    if (v.vop_coded && fields_before_quant(r, vol, v)) {
        const int bits = vol.not_8_bit ? vol.quant_precision : 5;
        const auto quant = field<std::uint8_t>(r, bits);
        if (!r.overrun() && quant != 0) {
            v.vop_quant = quant;
        }
    }
    return mpeg::finish_rbsp(r, v, error);
}

Parsed<GroupOfVop> group_of_vop(std::span<const std::uint8_t> bytes) {
    BitReader r(bytes);
    SyntaxError error = SyntaxError::none;
    GroupOfVop g;
    const std::uint32_t hours = r.read(5);
    const std::uint32_t minutes = r.read(6);
    marker_bit(r, error);
    g.seconds = (hours * 60 + minutes) * 60 + r.read(6);
    g.closed_gov = r.read_flag();
    g.broken_link = r.read_flag();
    return mpeg::finish_rbsp(r, g, error);
}

} // namespace quantaline::mpeg4
