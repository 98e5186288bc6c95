#pragma once

// The parameter sets of ITU-T H.265 (HEVC), one function per syntax structure, named as
// the standard names it, read as far as the scaling lists. Each takes one NAL unit's RBSP
// (its two header bytes gone, the emulation prevention taken out).

#include "mpeg/bit_reader.h"
#include "mpeg/syntax.h"

#include <array>
#include <cstdint>
#include <span>

namespace quantaline::hevc {

using mpeg::Parsed;
using mpeg::SyntaxError;

// nal_unit_type
namespace nal_type {
inline constexpr std::uint8_t vps = 32;
inline constexpr std::uint8_t sps = 33;
inline constexpr std::uint8_t pps = 34;
inline constexpr std::uint8_t access_unit_delimiter = 35;
inline constexpr std::uint8_t end_of_sequence = 36;
inline constexpr std::uint8_t prefix_sei = 39;
inline constexpr std::uint8_t suffix_sei = 40;
inline constexpr std::uint8_t filler_data = 38;
} // namespace nal_type

// nal_unit_type from a NAL unit's first byte (after the forbidden bit, six bits).
constexpr std::uint8_t nal_type_of(std::uint8_t first_byte) {
    return (first_byte >> 1) & 0x3F;
}
// nuh_layer_id from a NAL unit's two header bytes: the first byte's last bit, then the
// second's first five.
constexpr std::uint8_t nal_layer_of(std::uint8_t first_byte, std::uint8_t second_byte) {
    return static_cast<std::uint8_t>(((first_byte & 1) << 5) | (second_byte >> 3));
}
// TemporalId: nuh_temporal_id_plus1, the second byte's last three bits, less one (255 for
// a unit whose field is the forbidden 0: no sub-layer a picture is taken from).
constexpr std::uint8_t temporal_id_of(std::uint8_t second_byte) {
    return static_cast<std::uint8_t>((second_byte & 7) - 1);
}

struct NalUnitHeader {
    bool forbidden_zero_bit = false;
    std::uint8_t nal_unit_type = 0;
    std::uint8_t nuh_layer_id = 0;
    std::uint8_t nuh_temporal_id_plus1 = 0;
};
inline constexpr std::size_t nal_unit_header_size = 2;
Parsed<NalUnitHeader> nal_unit_header(std::span<const std::uint8_t> unit);

// The up-right diagonal scans the scaling lists are coded in: the raster index of each
// coded position, for the 4x4 lists and for the 8x8 grid of the larger ones.
inline constexpr std::array<std::uint8_t, 16> diagonal_4x4 = {0, 4, 1,  8,  5, 2,  12, 9,
                                                              6, 3, 13, 10, 7, 14, 11, 15};
inline constexpr std::array<std::uint8_t, 64> diagonal_8x8 = [] {
    std::array<std::uint8_t, 64> scan{};
    std::size_t i = 0;
    for (int line = 0; line < 15; ++line) {
        // Each anti-diagonal from its bottom-left end up to its top-right one.
        for (int y = line; y >= 0; --y) {
            const int x = line - y;
            if (x < 8 && y < 8) {
                scan[i++] = static_cast<std::uint8_t>(y * 8 + x);
            }
        }
    }
    return scan;
}();

struct ProfileTierLevel {
    std::uint8_t general_profile_space = 0;
    bool general_tier_flag = false;
    std::uint8_t general_profile_idc = 0;
    std::uint32_t general_profile_compatibility_flags = 0; // flag j at bit 31 - j
    bool general_progressive_source_flag = false;
    bool general_interlaced_source_flag = false;
    std::uint8_t general_level_idc = 0;
    std::array<bool, 7> sub_layer_profile_present_flag{};
    std::array<bool, 7> sub_layer_level_present_flag{};
    std::array<std::uint8_t, 7> sub_layer_profile_idc{};
    std::array<std::uint8_t, 7> sub_layer_level_idc{};
};

// One list of scaling_list_data() as coded, [sizeId][matrixId]; sizeId 3 codes matrixId 0
// and 3 only.
struct ScalingListEntry {
    bool scaling_list_pred_mode_flag = false;
    std::uint8_t scaling_list_pred_matrix_id_delta = 0;
    std::int16_t scaling_list_dc_coef_minus8 = 8; // sizeId 2 and 3 (16 when not coded)
    std::array<std::uint8_t, 64> scaling_list{};  // coefNum values in coded order
};
struct ScalingListData {
    std::array<std::array<ScalingListEntry, 6>, 4> lists{};
};
// Whether scaling_list_data() codes this list.
inline bool coded_list(int size_id, int matrix_id) {
    return size_id < 3 || matrix_id == 0 || matrix_id == 3;
}

struct SeqParameterSet {
    std::uint8_t sps_video_parameter_set_id = 0;
    std::uint8_t sps_max_sub_layers_minus1 = 0;
    bool sps_temporal_id_nesting_flag = false;
    ProfileTierLevel profile_tier_level{};
    std::uint8_t sps_seq_parameter_set_id = 0;
    std::uint8_t chroma_format_idc = 0;
    bool separate_colour_plane_flag = false;
    std::uint32_t pic_width_in_luma_samples = 0;
    std::uint32_t pic_height_in_luma_samples = 0;
    bool conformance_window_flag = false;
    std::uint32_t conf_win_left_offset = 0;
    std::uint32_t conf_win_right_offset = 0;
    std::uint32_t conf_win_top_offset = 0;
    std::uint32_t conf_win_bottom_offset = 0;
    std::uint8_t bit_depth_luma_minus8 = 0;
    std::uint8_t bit_depth_chroma_minus8 = 0;
    std::uint8_t log2_max_pic_order_cnt_lsb_minus4 = 0;
    bool sps_sub_layer_ordering_info_present_flag = false;
    std::array<std::uint32_t, 7> sps_max_dec_pic_buffering_minus1{};
    std::array<std::uint32_t, 7> sps_max_num_reorder_pics{};
    std::array<std::uint32_t, 7> sps_max_latency_increase_plus1{};
    std::uint8_t log2_min_luma_coding_block_size_minus3 = 0;
    std::uint8_t log2_diff_max_min_luma_coding_block_size = 0;
    std::uint8_t log2_min_luma_transform_block_size_minus2 = 0;
    std::uint8_t log2_diff_max_min_luma_transform_block_size = 0;
    std::uint8_t max_transform_hierarchy_depth_inter = 0;
    std::uint8_t max_transform_hierarchy_depth_intra = 0;
    bool scaling_list_enabled_flag = false;
    bool sps_scaling_list_data_present_flag = false;
    ScalingListData scaling_list_data{};
};

struct PicParameterSet {
    std::uint8_t pps_pic_parameter_set_id = 0;
    std::uint8_t pps_seq_parameter_set_id = 0;
    bool dependent_slice_segments_enabled_flag = false;
    bool output_flag_present_flag = false;
    std::uint8_t num_extra_slice_header_bits = 0;
    bool sign_data_hiding_enabled_flag = false;
    bool cabac_init_present_flag = false;
    std::uint8_t num_ref_idx_l0_default_active_minus1 = 0;
    std::uint8_t num_ref_idx_l1_default_active_minus1 = 0;
    std::int8_t init_qp_minus26 = 0;
    bool constrained_intra_pred_flag = false;
    bool transform_skip_enabled_flag = false;
    bool cu_qp_delta_enabled_flag = false;
    std::uint8_t diff_cu_qp_delta_depth = 0;
    std::int8_t pps_cb_qp_offset = 0;
    std::int8_t pps_cr_qp_offset = 0;
    bool pps_slice_chroma_qp_offsets_present_flag = false;
    bool weighted_pred_flag = false;
    bool weighted_bipred_flag = false;
    bool transquant_bypass_enabled_flag = false;
    bool tiles_enabled_flag = false;
    bool entropy_coding_sync_enabled_flag = false;
    std::uint16_t num_tile_columns_minus1 = 0;
    std::uint16_t num_tile_rows_minus1 = 0;
    bool uniform_spacing_flag = true;
    bool loop_filter_across_tiles_enabled_flag = true;
    bool pps_loop_filter_across_slices_enabled_flag = false;
    bool deblocking_filter_control_present_flag = false;
    bool deblocking_filter_override_enabled_flag = false;
    bool pps_deblocking_filter_disabled_flag = false;
    std::int8_t pps_beta_offset_div2 = 0;
    std::int8_t pps_tc_offset_div2 = 0;
    bool pps_scaling_list_data_present_flag = false;
    ScalingListData scaling_list_data{};
    bool lists_modification_present_flag = false;
    bool slice_segment_header_extension_present_flag = false;
};

ProfileTierLevel profile_tier_level(mpeg::BitReader& r, bool profile_present_flag,
                                    int max_num_sub_layers_minus1);
ScalingListData scaling_list_data(mpeg::BitReader& r, SyntaxError& error);
Parsed<SeqParameterSet> seq_parameter_set_rbsp(std::span<const std::uint8_t> rbsp);
// The same fields from a reader, which stops after the scaling lists.
SyntaxError seq_parameter_set_fields(mpeg::BitReader& r, SeqParameterSet& sps);
Parsed<PicParameterSet> pic_parameter_set_rbsp(std::span<const std::uint8_t> rbsp);

// The first fields of slice_segment_header(): enough to tell a picture's first slice
// segment and the PPS it is coded with. `nal_unit_type` tells whether the IRAP pictures'
// no_output_of_prior_pics_flag is there.
struct SliceSegmentHeaderStart {
    bool first_slice_segment_in_pic_flag = false;
    bool no_output_of_prior_pics_flag = false;
    std::uint8_t slice_pic_parameter_set_id = 0;
};
Parsed<SliceSegmentHeaderStart> slice_segment_header_start(std::span<const std::uint8_t> rbsp,
                                                           std::uint8_t nal_unit_type);

struct PictureSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};
// The picture's size in luma samples inside the conformance window.
PictureSize conformance_size(const SeqParameterSet& sps);

} // namespace quantaline::hevc
