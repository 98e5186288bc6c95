#include "mpeg4/syntax.h"

#include "mpeg/rbsp.h"
#include "mpeg/start_code.h"

namespace quantaline::mpeg4 {

namespace {

using mpeg::BitReader;
using mpeg::field;
using mpeg::marker_bit;
using mpeg::note;

template <class Fields>
Parsed<Fields> finish(const BitReader& r, Fields fields, SyntaxError error) {
    if (r.overrun()) {
        note(error, SyntaxError::truncated);
    }
    return {fields, error};
}

// intra_quant_mat / nonintra_quant_mat: up to 64 values of 8 bits in zig-zag order; a 0
// ends the list early and the last value coded fills the rest. Returns how many were coded.
std::uint8_t quant_mat(BitReader& r, Matrix& matrix, SyntaxError& error) {
    std::size_t coded = 0;
    std::uint8_t last = 0;
    while (coded < 64) {
        const auto value = field<std::uint8_t>(r, 8);
        if (value == 0) {
            break;
        }
        matrix[mpeg::zigzag_scan[coded]] = value;
        last = value;
        ++coded;
    }
    if (coded == 0 && !r.overrun()) {
        note(error, SyntaxError::out_of_range); // a list must hold one value at least
    }
    for (std::size_t n = coded; n < 64; ++n) {
        matrix[mpeg::zigzag_scan[n]] = last;
    }
    return static_cast<std::uint8_t>(coded);
}

void vbv_parameters(BitReader& r, VideoObjectLayer& v, SyntaxError& error) {
    const auto first_half_bit_rate = field<std::uint32_t>(r, 15);
    marker_bit(r, error);
    const auto latter_half_bit_rate = field<std::uint32_t>(r, 15);
    marker_bit(r, error);
    const auto first_half_vbv_buffer_size = field<std::uint32_t>(r, 15);
    marker_bit(r, error);
    const auto latter_half_vbv_buffer_size = field<std::uint32_t>(r, 3);
    const auto first_half_vbv_occupancy = field<std::uint32_t>(r, 11);
    marker_bit(r, error);
    const auto latter_half_vbv_occupancy = field<std::uint32_t>(r, 15);
    marker_bit(r, error);
    v.bit_rate = (first_half_bit_rate << 15) | latter_half_bit_rate;
    v.vbv_buffer_size = (first_half_vbv_buffer_size << 3) | latter_half_vbv_buffer_size;
    v.vbv_occupancy = (first_half_vbv_occupancy << 15) | latter_half_vbv_occupancy;
}

void layer_identification(BitReader& r, VideoObjectLayer& v, SyntaxError& error) {
    v.random_accessible_vol = r.read_flag();
    v.video_object_type_indication = field<std::uint8_t>(r, 8);
    v.is_object_layer_identifier = r.read_flag();
    if (v.is_object_layer_identifier) {
        v.video_object_layer_verid = field<std::uint8_t>(r, 4);
        v.video_object_layer_priority = field<std::uint8_t>(r, 3);
    }
    v.aspect_ratio_info = field<std::uint8_t>(r, 4);
    if (v.aspect_ratio_info == extended_par) {
        v.par_width = field<std::uint8_t>(r, 8);
        v.par_height = field<std::uint8_t>(r, 8);
    }
    v.vol_control_parameters = r.read_flag();
    if (v.vol_control_parameters) {
        v.chroma_format = field<std::uint8_t>(r, 2);
        v.low_delay = r.read_flag();
        v.vbv_parameters = r.read_flag();
        if (v.vbv_parameters) {
            vbv_parameters(r, v, error);
        }
    }
}

void timing_fields(BitReader& r, VideoObjectLayer& v, SyntaxError& error) {
    marker_bit(r, error);
    v.vop_time_increment_resolution = field<std::uint16_t>(r, 16);
    if (v.vop_time_increment_resolution == 0 && !r.overrun()) {
        note(error, SyntaxError::out_of_range);
    }
    marker_bit(r, error);
    v.fixed_vop_rate = r.read_flag();
    if (v.fixed_vop_rate) {
        v.fixed_vop_time_increment =
            field<std::uint16_t>(r, time_increment_bits(v.vop_time_increment_resolution));
    }
}

void sprite_fields(BitReader& r, VideoObjectLayer& v, SyntaxError& error) {
    v.sprite_enable = field<std::uint8_t>(r, v.video_object_layer_verid == 1 ? 1 : 2);
    if (v.sprite_enable != sprite::static_sprite && v.sprite_enable != sprite::gmc) {
        return;
    }
    if (v.sprite_enable != sprite::gmc) {
        for (int i = 0; i < 4; ++i) {
            // sprite_width, sprite_height, sprite_left_coordinate, sprite_top_coordinate
            r.skip(13);
            marker_bit(r, error);
        }
    }
    v.no_of_sprite_warping_points = field<std::uint8_t>(r, 6);
    r.skip(2); // sprite_warping_accuracy
    v.sprite_brightness_change = r.read_flag();
    if (v.sprite_enable != sprite::gmc) {
        r.skip(1); // low_latency_sprite_enable
    }
}

void picture_fields(BitReader& r, VideoObjectLayer& v, SyntaxError& error) {
    if (v.video_object_layer_shape == shape::rectangular) {
        marker_bit(r, error);
        v.video_object_layer_width = field<std::uint16_t>(r, 13);
        marker_bit(r, error);
        v.video_object_layer_height = field<std::uint16_t>(r, 13);
        marker_bit(r, error);
    }
    v.interlaced = r.read_flag();
    v.obmc_disable = r.read_flag();
    sprite_fields(r, v, error);
    if (v.video_object_layer_verid != 1 && v.video_object_layer_shape != shape::rectangular) {
        v.sadct_disable = r.read_flag();
    }
    v.not_8_bit = r.read_flag();
    if (v.not_8_bit) {
        v.quant_precision = field<std::uint8_t>(r, 4);
        v.bits_per_pixel = field<std::uint8_t>(r, 4);
    }
    if (v.video_object_layer_shape == shape::grayscale) {
        r.skip(3); // no_gray_quant_update, composition_method, linear_composition
    }
}

void quantiser_fields(BitReader& r, VideoObjectLayer& v, SyntaxError& error) {
    v.quant_type = r.read_flag();
    if (!v.quant_type) {
        return;
    }
    v.load_intra_quant_mat = r.read_flag();
    if (v.load_intra_quant_mat) {
        v.intra_quant_mat_coded = quant_mat(r, v.intra_quant_mat, error);
    }
    v.load_nonintra_quant_mat = r.read_flag();
    if (v.load_nonintra_quant_mat) {
        v.nonintra_quant_mat_coded = quant_mat(r, v.nonintra_quant_mat, error);
    }
}

// From a copy of the reader: a layer cut after its matrices keeps them.
void tail_fields(BitReader r, VideoObjectLayer& v) {
    if (v.quant_type && v.video_object_layer_shape == shape::grayscale) {
        return; // the grey-level matrices come between: not read here
    }
    if (v.video_object_layer_verid != 1) {
        v.quarter_sample = r.read_flag();
    }
    v.complexity_estimation_disable = r.read_flag();
    if (!v.complexity_estimation_disable) {
        return;
    }
    r.read_flag();       // resync_marker_disable
    if (r.read_flag()) { // data_partitioned
        r.read_flag();   // reversible_vlc
    }
    if (v.video_object_layer_verid != 1) {
        v.newpred_enable = r.read_flag();
        if (v.newpred_enable) {
            r.skip(3); // requested_upstream_message_type, newpred_segment_type
        }
        v.reduced_resolution_vop_enable = r.read_flag();
    }
    v.tail_read = !r.overrun();
}

} // namespace

int time_increment_bits(std::uint16_t resolution) {
    // The bits that count up to resolution - 1, one at least.
    int bits = 1;
    while (bits < 16 && (1u << bits) < resolution) {
        ++bits;
    }
    return bits;
}

Parsed<VisualObjectSequence> visual_object_sequence(std::span<const std::uint8_t> bytes) {
    BitReader r(bytes);
    VisualObjectSequence s;
    s.profile_and_level_indication = field<std::uint8_t>(r, 8);
    return finish(r, s, SyntaxError::none);
}

Parsed<VisualObject> visual_object(std::span<const std::uint8_t> bytes) {
    BitReader r(bytes);
    VisualObject o;
    o.is_visual_object_identifier = r.read_flag();
    if (o.is_visual_object_identifier) {
        o.visual_object_verid = field<std::uint8_t>(r, 4);
        o.visual_object_priority = field<std::uint8_t>(r, 3);
    }
    o.visual_object_type = field<std::uint8_t>(r, 4);
    if (o.visual_object_type == video_id || o.visual_object_type == 2) { // or still texture
        o.video_signal_type = r.read_flag();
        if (o.video_signal_type) {
            o.video_format = field<std::uint8_t>(r, 3);
            o.video_range = r.read_flag();
            o.colour_description = r.read_flag();
            if (o.colour_description) {
                o.colour_primaries = field<std::uint8_t>(r, 8);
                o.transfer_characteristics = field<std::uint8_t>(r, 8);
                o.matrix_coefficients = field<std::uint8_t>(r, 8);
            }
        }
    }
    return finish(r, o, SyntaxError::none);
}

Parsed<VideoObjectLayer> video_object_layer(std::span<const std::uint8_t> bytes,
                                            std::uint8_t visual_object_verid) {
    BitReader r(bytes);
    VideoObjectLayer v;
    SyntaxError error = SyntaxError::none;
    v.video_object_layer_verid = visual_object_verid;
    layer_identification(r, v, error);
    v.video_object_layer_shape = field<std::uint8_t>(r, 2);
    if (v.video_object_layer_shape == shape::grayscale && v.video_object_layer_verid != 1) {
        v.video_object_layer_shape_extension = field<std::uint8_t>(r, 4);
    }
    timing_fields(r, v, error);
    if (v.video_object_layer_shape != shape::binary_only) {
        picture_fields(r, v, error);
        quantiser_fields(r, v, error);
        tail_fields(r, v);
    }
    return finish(r, v, error);
}

ConfigurationHeaders configuration_headers(std::span<const std::uint8_t> bytes) {
    ConfigurationHeaders found;
    const auto any = [](std::uint8_t) { return true; };
    for (std::size_t s = mpeg::find_start_code(bytes.data(), 0, bytes.size(), any);
         s + 3 < bytes.size() && !found.layer;
         s = mpeg::find_start_code(bytes.data(), s + 3, bytes.size(), any)) {
        const std::uint8_t code = bytes[s + 3];
        const auto after = bytes.subspan(s + 4);
        if (code == start_code::visual_object) {
            found.visual_object = visual_object(after).fields;
        } else if (code >= start_code::video_object_layer_first &&
                   code <= start_code::video_object_layer_last) {
            const std::uint8_t verid =
                found.visual_object ? found.visual_object->visual_object_verid : 1;
            found.layer = video_object_layer(after, verid).fields;
        }
    }
    return found;
}

} // namespace quantaline::mpeg4
