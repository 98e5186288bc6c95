#pragma once

// The video usability information of an H.264 SPS (vui_parameters() and its
// hrd_parameters()), read after the SPS's own fields.

#include "h264/syntax.h"

#include <array>
#include <cstdint>
#include <span>

namespace quantaline::h264 {

struct HrdParameters {
    std::uint8_t cpb_cnt_minus1 = 0;
    std::uint8_t bit_rate_scale = 0;
    std::uint8_t cpb_size_scale = 0;
    std::array<std::uint32_t, 32> bit_rate_value_minus1{};
    std::array<std::uint32_t, 32> cpb_size_value_minus1{};
    std::array<bool, 32> cbr_flag{};
    std::uint8_t initial_cpb_removal_delay_length_minus1 = 23;
    std::uint8_t cpb_removal_delay_length_minus1 = 23;
    std::uint8_t dpb_output_delay_length_minus1 = 23;
    std::uint8_t time_offset_length = 24;
};
// BitRate[i] and CpbSize[i] in bits per second and bits.
std::uint64_t bit_rate(const HrdParameters& hrd, int schedule);
std::uint64_t cpb_size(const HrdParameters& hrd, int schedule);

// Each field as the standard infers it when it is not coded.
struct VuiParameters {
    bool aspect_ratio_info_present_flag = false;
    std::uint8_t aspect_ratio_idc = 0;
    std::uint16_t sar_width = 0;
    std::uint16_t sar_height = 0;
    bool overscan_info_present_flag = false;
    bool overscan_appropriate_flag = false;
    bool video_signal_type_present_flag = false;
    std::uint8_t video_format = 5;
    bool video_full_range_flag = false;
    bool colour_description_present_flag = false;
    std::uint8_t colour_primaries = 2;
    std::uint8_t transfer_characteristics = 2;
    std::uint8_t matrix_coefficients = 2;
    bool chroma_loc_info_present_flag = false;
    std::uint8_t chroma_sample_loc_type_top_field = 0;
    std::uint8_t chroma_sample_loc_type_bottom_field = 0;
    bool timing_info_present_flag = false;
    std::uint32_t num_units_in_tick = 0;
    std::uint32_t time_scale = 0;
    bool fixed_frame_rate_flag = false;
    bool nal_hrd_parameters_present_flag = false;
    HrdParameters nal_hrd{};
    bool vcl_hrd_parameters_present_flag = false;
    HrdParameters vcl_hrd{};
    bool low_delay_hrd_flag = false;
    bool pic_struct_present_flag = false;
    bool bitstream_restriction_flag = false;
    std::uint8_t max_num_reorder_frames = 16;
    std::uint8_t max_dec_frame_buffering = 16;
};

// An SPS with its VUI; `vui` holds the inferred values when the SPS has none.
struct SeqParameterSetVui {
    SeqParameterSet sps{};
    VuiParameters vui{};
};
Parsed<SeqParameterSetVui> seq_parameter_set_with_vui(std::span<const std::uint8_t> rbsp);

} // namespace quantaline::h264
