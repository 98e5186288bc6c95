#include "h264/vui.h"

#include "mpeg/rbsp.h"

namespace quantaline::h264 {

namespace {

using mpeg::BitReader;
using mpeg::field;
using mpeg::ue;

// Extended_SAR: the ratio follows in two 16-bit fields.
constexpr std::uint8_t extended_sar = 255;

HrdParameters hrd_parameters(BitReader& r, SyntaxError& error) {
    HrdParameters h;
    h.cpb_cnt_minus1 = ue<std::uint8_t>(r, 31, error);
    h.bit_rate_scale = field<std::uint8_t>(r, 4);
    h.cpb_size_scale = field<std::uint8_t>(r, 4);
    for (int i = 0; i <= h.cpb_cnt_minus1; ++i) {
        h.bit_rate_value_minus1[i] = ue<std::uint32_t>(r, 0xFFFFFFFEu, error);
        h.cpb_size_value_minus1[i] = ue<std::uint32_t>(r, 0xFFFFFFFEu, error);
        h.cbr_flag[i] = r.read_flag();
    }
    h.initial_cpb_removal_delay_length_minus1 = field<std::uint8_t>(r, 5);
    h.cpb_removal_delay_length_minus1 = field<std::uint8_t>(r, 5);
    h.dpb_output_delay_length_minus1 = field<std::uint8_t>(r, 5);
    h.time_offset_length = field<std::uint8_t>(r, 5);
    return h;
}

void picture_format_fields(BitReader& r, VuiParameters& v) {
    v.aspect_ratio_info_present_flag = r.read_flag();
    if (v.aspect_ratio_info_present_flag) {
        v.aspect_ratio_idc = field<std::uint8_t>(r, 8);
        if (v.aspect_ratio_idc == extended_sar) {
            v.sar_width = field<std::uint16_t>(r, 16);
            v.sar_height = field<std::uint16_t>(r, 16);
        }
    }
    v.overscan_info_present_flag = r.read_flag();
    if (v.overscan_info_present_flag) {
        v.overscan_appropriate_flag = r.read_flag();
    }
    v.video_signal_type_present_flag = r.read_flag();
    if (v.video_signal_type_present_flag) {
        v.video_format = field<std::uint8_t>(r, 3);
        v.video_full_range_flag = r.read_flag();
        v.colour_description_present_flag = r.read_flag();
        if (v.colour_description_present_flag) {
            v.colour_primaries = field<std::uint8_t>(r, 8);
            v.transfer_characteristics = field<std::uint8_t>(r, 8);
            v.matrix_coefficients = field<std::uint8_t>(r, 8);
        }
    }
}

void timing_fields(BitReader& r, VuiParameters& v, SyntaxError& error) {
    v.chroma_loc_info_present_flag = r.read_flag();
    if (v.chroma_loc_info_present_flag) {
        v.chroma_sample_loc_type_top_field = ue<std::uint8_t>(r, 5, error);
        v.chroma_sample_loc_type_bottom_field = ue<std::uint8_t>(r, 5, error);
    }
    v.timing_info_present_flag = r.read_flag();
    if (v.timing_info_present_flag) {
        v.num_units_in_tick = r.read(32);
        v.time_scale = r.read(32);
        v.fixed_frame_rate_flag = r.read_flag();
        if (!r.overrun() && (v.num_units_in_tick == 0 || v.time_scale == 0)) {
            mpeg::note(error, SyntaxError::out_of_range);
        }
    }
}

void hrd_fields(BitReader& r, VuiParameters& v, SyntaxError& error) {
    v.nal_hrd_parameters_present_flag = r.read_flag();
    if (v.nal_hrd_parameters_present_flag) {
        v.nal_hrd = hrd_parameters(r, error);
    }
    v.vcl_hrd_parameters_present_flag = r.read_flag();
    if (v.vcl_hrd_parameters_present_flag) {
        v.vcl_hrd = hrd_parameters(r, error);
    }
    if (v.nal_hrd_parameters_present_flag || v.vcl_hrd_parameters_present_flag) {
        v.low_delay_hrd_flag = r.read_flag();
    }
    v.pic_struct_present_flag = r.read_flag();
    v.bitstream_restriction_flag = r.read_flag();
    if (v.bitstream_restriction_flag) {
        r.read_flag(); // motion_vectors_over_pic_boundaries_flag
        r.read_ue();   // max_bytes_per_pic_denom
        r.read_ue();   // max_bits_per_mb_denom
        r.read_ue();   // log2_max_mv_length_horizontal
        r.read_ue();   // log2_max_mv_length_vertical
        v.max_num_reorder_frames = ue<std::uint8_t>(r, 16, error);
        v.max_dec_frame_buffering = ue<std::uint8_t>(r, 16, error);
    }
}

} // namespace

std::uint64_t bit_rate(const HrdParameters& hrd, int schedule) {
    return (std::uint64_t{hrd.bit_rate_value_minus1[schedule]} + 1) << (6 + hrd.bit_rate_scale);
}

std::uint64_t cpb_size(const HrdParameters& hrd, int schedule) {
    return (std::uint64_t{hrd.cpb_size_value_minus1[schedule]} + 1) << (4 + hrd.cpb_size_scale);
}

Parsed<SeqParameterSetVui> seq_parameter_set_with_vui(std::span<const std::uint8_t> rbsp) {
    BitReader r(rbsp);
    SeqParameterSetVui s;
    SyntaxError error = seq_parameter_set_fields(r, s.sps);
    if (s.sps.vui_parameters_present_flag) {
        picture_format_fields(r, s.vui);
        timing_fields(r, s.vui, error);
        hrd_fields(r, s.vui, error);
    }
    return mpeg::finish_rbsp(r, s, error);
}

} // namespace quantaline::h264
