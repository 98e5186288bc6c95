#pragma once

// The parameter sets of ITU-T H.264, one function per syntax structure, named as the
// standard names it, read as far as the scaling matrices and the picture size. Each takes
// one NAL unit's RBSP (its header byte gone, the emulation prevention taken out) and
// returns the coded values.

#include "mpeg/bit_reader.h"
#include "mpeg/syntax.h"

#include <array>
#include <cstdint>
#include <span>

namespace quantaline::h264 {

using mpeg::Parsed;
using mpeg::SyntaxError;

// nal_unit_type
namespace nal_type {
inline constexpr std::uint8_t non_idr_slice = 1;
inline constexpr std::uint8_t idr_slice = 5;
inline constexpr std::uint8_t sei = 6;
inline constexpr std::uint8_t seq_parameter_set = 7;
inline constexpr std::uint8_t pic_parameter_set = 8;
inline constexpr std::uint8_t access_unit_delimiter = 9;
inline constexpr std::uint8_t filler_data = 12;
} // namespace nal_type

// nal_unit_type from a NAL unit's first byte.
constexpr std::uint8_t nal_type_of(std::uint8_t first_byte) {
    return first_byte & 0x1F;
}

struct NalUnitHeader {
    bool forbidden_zero_bit = false;
    std::uint8_t nal_ref_idc = 0;
    std::uint8_t nal_unit_type = 0;
};
// The first byte of a NAL unit; `truncated` for an empty one.
Parsed<NalUnitHeader> nal_unit_header(std::span<const std::uint8_t> unit);

// 4x4 zig-zag: the raster index of each coded position. The 8x8 lists use the 8x8 zig-zag
// of MPEG-2's matrices (mpeg::zigzag_scan); scaling lists always take the frame scans.
inline constexpr std::array<std::uint8_t, 16> zigzag_4x4 = {0, 1,  4,  8,  5, 2,  3,  6,
                                                            9, 12, 13, 10, 7, 11, 14, 15};

// A scaling_list() as coded: its values in zig-zag order, or the flag that it takes the
// default list (a first delta making nextScale 0).
template <std::size_t Size> struct ScalingList {
    bool present = false; // seq_/pic_scaling_list_present_flag
    bool use_default_scaling_matrix_flag = false;
    std::array<std::uint8_t, Size> values{};
};
using ScalingList4x4 = ScalingList<16>;
using ScalingList8x8 = ScalingList<64>;

// The six 4x4 lists (Intra Y, Cb, Cr, Inter Y, Cb, Cr) and up to six 8x8 lists (Intra Y,
// Inter Y, then Intra/Inter Cb and Cr for 4:4:4).
struct ScalingMatrix {
    std::array<ScalingList4x4, 6> lists_4x4{};
    std::array<ScalingList8x8, 6> lists_8x8{};
};

struct SeqParameterSet {
    std::uint8_t profile_idc = 0;
    std::uint8_t constraint_set_flags = 0; // constraint_set0_flag as the top of 6 bits
    std::uint8_t level_idc = 0;
    std::uint8_t seq_parameter_set_id = 0;
    std::uint8_t chroma_format_idc = 1; // 4:2:0 when not coded
    bool separate_colour_plane_flag = false;
    std::uint8_t bit_depth_luma_minus8 = 0;
    std::uint8_t bit_depth_chroma_minus8 = 0;
    bool qpprime_y_zero_transform_bypass_flag = false;
    bool seq_scaling_matrix_present_flag = false;
    ScalingMatrix scaling{};
    std::uint8_t log2_max_frame_num_minus4 = 0;
    std::uint8_t pic_order_cnt_type = 0;
    std::uint8_t log2_max_pic_order_cnt_lsb_minus4 = 0;
    bool delta_pic_order_always_zero_flag = false;
    std::int32_t offset_for_non_ref_pic = 0;
    std::int32_t offset_for_top_to_bottom_field = 0;
    std::uint8_t num_ref_frames_in_pic_order_cnt_cycle = 0;
    std::array<std::int32_t, 255> offset_for_ref_frame{};
    std::uint32_t max_num_ref_frames = 0;
    bool gaps_in_frame_num_value_allowed_flag = false;
    std::uint32_t pic_width_in_mbs_minus1 = 0;
    std::uint32_t pic_height_in_map_units_minus1 = 0;
    bool frame_mbs_only_flag = false;
    bool mb_adaptive_frame_field_flag = false;
    bool direct_8x8_inference_flag = false;
    bool frame_cropping_flag = false;
    std::uint32_t frame_crop_left_offset = 0;
    std::uint32_t frame_crop_right_offset = 0;
    std::uint32_t frame_crop_top_offset = 0;
    std::uint32_t frame_crop_bottom_offset = 0;
    bool vui_parameters_present_flag = false;
};

struct PicParameterSet {
    std::uint8_t pic_parameter_set_id = 0;
    std::uint8_t seq_parameter_set_id = 0;
    bool entropy_coding_mode_flag = false;
    bool bottom_field_pic_order_in_frame_present_flag = false;
    std::uint8_t num_slice_groups_minus1 = 0;
    std::uint8_t slice_group_map_type = 0;
    bool slice_group_change_direction_flag = false;
    std::uint32_t slice_group_change_rate_minus1 = 0;
    std::uint32_t pic_size_in_map_units_minus1 = 0;
    std::uint8_t num_ref_idx_l0_default_active_minus1 = 0;
    std::uint8_t num_ref_idx_l1_default_active_minus1 = 0;
    bool weighted_pred_flag = false;
    std::uint8_t weighted_bipred_idc = 0;
    std::int8_t pic_init_qp_minus26 = 0;
    std::int8_t pic_init_qs_minus26 = 0;
    std::int8_t chroma_qp_index_offset = 0;
    bool deblocking_filter_control_present_flag = false;
    bool constrained_intra_pred_flag = false;
    bool redundant_pic_cnt_present_flag = false;
    bool transform_8x8_mode_flag = false;
    bool pic_scaling_matrix_present_flag = false;
    ScalingMatrix scaling{};
    std::int8_t second_chroma_qp_index_offset = 0; // chroma_qp_index_offset when not coded
};

// The profiles of profile_idc: the name the header gives it (none: its number is shown)
// and whether its SPS codes the chroma format, the bit depths and the scaling matrix.
struct Profile {
    std::uint8_t idc;
    const char* name;
    bool codes_chroma_format;
};
inline constexpr std::array<Profile, 16> profiles = {{{44, "CAVLC 4:4:4 Intra", true},
                                                      {66, "Baseline", false},
                                                      {77, "Main", false},
                                                      {83, nullptr, true},
                                                      {86, nullptr, true},
                                                      {88, "Extended", false},
                                                      {100, "High", true},
                                                      {110, "High 10", true},
                                                      {118, "Multiview High", true},
                                                      {122, "High 4:2:2", true},
                                                      {128, nullptr, true},
                                                      {134, nullptr, true},
                                                      {135, nullptr, true},
                                                      {138, nullptr, true},
                                                      {139, nullptr, true},
                                                      {244, "High 4:4:4 Predictive", true}}};
// Nothing for a profile_idc no standard profile has.
const Profile* find_profile(std::uint8_t profile_idc);
bool codes_chroma_format(std::uint8_t profile_idc);

Parsed<SeqParameterSet> seq_parameter_set_rbsp(std::span<const std::uint8_t> rbsp);
// The same fields from a reader, which stops at vui_parameters_present_flag.
SyntaxError seq_parameter_set_fields(mpeg::BitReader& r, SeqParameterSet& sps);
// The PPS whose SPS is known (mpeg::picture_set_ids tells which): its chroma_format_idc
// tells how many lists the rest holds.
Parsed<PicParameterSet> pic_parameter_set_rbsp(std::span<const std::uint8_t> rbsp,
                                               std::uint8_t chroma_format_idc);

// The first fields of slice_header(): enough to tell a picture's first slice and the PPS
// it is coded with.
struct SliceHeaderStart {
    std::uint32_t first_mb_in_slice = 0;
    std::uint8_t slice_type = 0;
    std::uint8_t pic_parameter_set_id = 0;
};
Parsed<SliceHeaderStart> slice_header_start(std::span<const std::uint8_t> rbsp);

// The picture's size in luma samples, the frame cropping taken off.
struct PictureSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};
PictureSize cropped_size(const SeqParameterSet& sps);

} // namespace quantaline::h264
