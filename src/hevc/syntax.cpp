#include "hevc/syntax.h"

#include "mpeg/rbsp.h"

namespace quantaline::hevc {

namespace {

using mpeg::BitReader;
using mpeg::field;
using mpeg::note;
using mpeg::se;
using mpeg::ue;

// A picture no level allows is damage; the sizes stay well inside 32 bits.
constexpr std::uint32_t max_luma_samples = 1u << 16;

// general_progressive_source_flag .. general_inbld_flag / reserved: the 4 source flags,
// then 43 constraint bits and one more.
constexpr std::size_t constraint_bits_after_source_flags = 43 + 1;

} // namespace

Parsed<NalUnitHeader> nal_unit_header(std::span<const std::uint8_t> unit) {
    if (unit.size() < nal_unit_header_size) {
        return {{}, SyntaxError::truncated};
    }
    BitReader r(unit.first(nal_unit_header_size));
    NalUnitHeader h;
    h.forbidden_zero_bit = r.read_flag();
    h.nal_unit_type = field<std::uint8_t>(r, 6);
    h.nuh_layer_id = field<std::uint8_t>(r, 6);
    h.nuh_temporal_id_plus1 = field<std::uint8_t>(r, 3);
    const bool bad = h.forbidden_zero_bit || h.nuh_temporal_id_plus1 == 0;
    return {h, bad ? SyntaxError::out_of_range : SyntaxError::none};
}

ProfileTierLevel profile_tier_level(BitReader& r, bool profile_present_flag,
                                    int max_num_sub_layers_minus1) {
    ProfileTierLevel p;
    if (profile_present_flag) {
        p.general_profile_space = field<std::uint8_t>(r, 2);
        p.general_tier_flag = r.read_flag();
        p.general_profile_idc = field<std::uint8_t>(r, 5);
        p.general_profile_compatibility_flags = r.read(32);
        p.general_progressive_source_flag = r.read_flag();
        p.general_interlaced_source_flag = r.read_flag();
        r.skip(2); // general_non_packed_constraint_flag, general_frame_only_constraint_flag
        r.skip(constraint_bits_after_source_flags);
    }
    p.general_level_idc = field<std::uint8_t>(r, 8);
    for (int i = 0; i < max_num_sub_layers_minus1; ++i) {
        p.sub_layer_profile_present_flag[i] = r.read_flag();
        p.sub_layer_level_present_flag[i] = r.read_flag();
    }
    if (max_num_sub_layers_minus1 > 0) {
        r.skip(2 * static_cast<std::size_t>(8 - max_num_sub_layers_minus1)); // reserved_zero_2bits
    }
    for (int i = 0; i < max_num_sub_layers_minus1; ++i) {
        if (p.sub_layer_profile_present_flag[i]) {
            r.skip(2 + 1); // sub_layer_profile_space, tier_flag
            p.sub_layer_profile_idc[i] = field<std::uint8_t>(r, 5);
            r.skip(32 + 4 + constraint_bits_after_source_flags);
        }
        if (p.sub_layer_level_present_flag[i]) {
            p.sub_layer_level_idc[i] = field<std::uint8_t>(r, 8);
        }
    }
    return p;
}

namespace {

void scaling_list_entry(BitReader& r, int size_id, int matrix_id, ScalingListEntry& e,
                        SyntaxError& error) {
    e.scaling_list_pred_mode_flag = r.read_flag();
    if (!e.scaling_list_pred_mode_flag) {
        // The reference lies among the lists of this size already coded.
        const int max_delta = size_id == 3 ? matrix_id / 3 : matrix_id;
        e.scaling_list_pred_matrix_id_delta =
            ue<std::uint8_t>(r, static_cast<std::uint32_t>(max_delta), error);
        return;
    }
    int next_coef = 8;
    const int coef_num = size_id == 0 ? 16 : 64;
    if (size_id > 1) {
        e.scaling_list_dc_coef_minus8 = se<std::int16_t>(r, -7, 247, error);
        next_coef = e.scaling_list_dc_coef_minus8 + 8;
    }
    for (int i = 0; i < coef_num; ++i) {
        const int scaling_list_delta_coef = se<int>(r, -128, 127, error);
        next_coef = (next_coef + scaling_list_delta_coef + 256) % 256;
        if (next_coef == 0 && !r.overrun()) {
            note(error, SyntaxError::out_of_range); // a list's values are never 0
        }
        e.scaling_list[i] = static_cast<std::uint8_t>(next_coef);
    }
}

} // namespace

ScalingListData scaling_list_data(BitReader& r, SyntaxError& error) {
    ScalingListData d;
    for (int size_id = 0; size_id < 4; ++size_id) {
        for (int matrix_id = 0; matrix_id < 6; matrix_id += size_id == 3 ? 3 : 1) {
            scaling_list_entry(r, size_id, matrix_id, d.lists[size_id][matrix_id], error);
        }
    }
    return d;
}

namespace {

void picture_format_fields(BitReader& r, SeqParameterSet& s, SyntaxError& error) {
    s.chroma_format_idc = ue<std::uint8_t>(r, 3, error);
    if (s.chroma_format_idc == 3) {
        s.separate_colour_plane_flag = r.read_flag();
    }
    s.pic_width_in_luma_samples = ue<std::uint32_t>(r, max_luma_samples, error);
    s.pic_height_in_luma_samples = ue<std::uint32_t>(r, max_luma_samples, error);
    s.conformance_window_flag = r.read_flag();
    if (s.conformance_window_flag) {
        s.conf_win_left_offset = ue<std::uint32_t>(r, max_luma_samples, error);
        s.conf_win_right_offset = ue<std::uint32_t>(r, max_luma_samples, error);
        s.conf_win_top_offset = ue<std::uint32_t>(r, max_luma_samples, error);
        s.conf_win_bottom_offset = ue<std::uint32_t>(r, max_luma_samples, error);
    }
    s.bit_depth_luma_minus8 = ue<std::uint8_t>(r, 8, error);
    s.bit_depth_chroma_minus8 = ue<std::uint8_t>(r, 8, error);
}

void block_size_fields(BitReader& r, SeqParameterSet& s, SyntaxError& error) {
    s.log2_min_luma_coding_block_size_minus3 = ue<std::uint8_t>(r, 3, error);
    s.log2_diff_max_min_luma_coding_block_size = ue<std::uint8_t>(r, 3, error);
    s.log2_min_luma_transform_block_size_minus2 = ue<std::uint8_t>(r, 3, error);
    s.log2_diff_max_min_luma_transform_block_size = ue<std::uint8_t>(r, 3, error);
    s.max_transform_hierarchy_depth_inter = ue<std::uint8_t>(r, 4, error);
    s.max_transform_hierarchy_depth_intra = ue<std::uint8_t>(r, 4, error);
}

} // namespace

Parsed<SeqParameterSet> seq_parameter_set_rbsp(std::span<const std::uint8_t> rbsp) {
    BitReader r(rbsp);
    SeqParameterSet s;
    const SyntaxError error = seq_parameter_set_fields(r, s);
    return mpeg::finish_rbsp(r, s, error);
}

SyntaxError seq_parameter_set_fields(BitReader& r, SeqParameterSet& s) {
    SyntaxError error = SyntaxError::none;
    s.sps_video_parameter_set_id = field<std::uint8_t>(r, 4);
    s.sps_max_sub_layers_minus1 = field<std::uint8_t>(r, 3);
    if (s.sps_max_sub_layers_minus1 > 6) {
        note(error, SyntaxError::out_of_range);
        s.sps_max_sub_layers_minus1 = 6;
    }
    s.sps_temporal_id_nesting_flag = r.read_flag();
    s.profile_tier_level = profile_tier_level(r, true, s.sps_max_sub_layers_minus1);
    s.sps_seq_parameter_set_id = ue<std::uint8_t>(r, 15, error);
    picture_format_fields(r, s, error);
    s.log2_max_pic_order_cnt_lsb_minus4 = ue<std::uint8_t>(r, 12, error);
    s.sps_sub_layer_ordering_info_present_flag = r.read_flag();
    for (int i = s.sps_sub_layer_ordering_info_present_flag ? 0 : s.sps_max_sub_layers_minus1;
         i <= s.sps_max_sub_layers_minus1; ++i) {
        s.sps_max_dec_pic_buffering_minus1[i] = ue<std::uint32_t>(r, 15, error);
        s.sps_max_num_reorder_pics[i] = ue<std::uint32_t>(r, 15, error);
        s.sps_max_latency_increase_plus1[i] = r.read_ue();
    }
    block_size_fields(r, s, error);
    s.scaling_list_enabled_flag = r.read_flag();
    if (s.scaling_list_enabled_flag) {
        s.sps_scaling_list_data_present_flag = r.read_flag();
        if (s.sps_scaling_list_data_present_flag) {
            s.scaling_list_data = scaling_list_data(r, error);
        }
    }
    const auto size = conformance_size(s);
    if (!r.overrun() && (size.width == 0 || size.height == 0)) {
        note(error, SyntaxError::out_of_range);
    }
    return error;
}

namespace {

void tile_fields(BitReader& r, PicParameterSet& p, SyntaxError& error) {
    p.num_tile_columns_minus1 = ue<std::uint16_t>(r, 1023, error);
    p.num_tile_rows_minus1 = ue<std::uint16_t>(r, 1023, error);
    p.uniform_spacing_flag = r.read_flag();
    if (!p.uniform_spacing_flag) {
        for (int i = 0; i < p.num_tile_columns_minus1; ++i) {
            r.read_ue(); // column_width_minus1[i]
        }
        for (int i = 0; i < p.num_tile_rows_minus1; ++i) {
            r.read_ue(); // row_height_minus1[i]
        }
    }
    p.loop_filter_across_tiles_enabled_flag = r.read_flag();
}

void deblocking_fields(BitReader& r, PicParameterSet& p, SyntaxError& error) {
    p.deblocking_filter_control_present_flag = r.read_flag();
    if (p.deblocking_filter_control_present_flag) {
        p.deblocking_filter_override_enabled_flag = r.read_flag();
        p.pps_deblocking_filter_disabled_flag = r.read_flag();
        if (!p.pps_deblocking_filter_disabled_flag) {
            p.pps_beta_offset_div2 = se<std::int8_t>(r, -6, 6, error);
            p.pps_tc_offset_div2 = se<std::int8_t>(r, -6, 6, error);
        }
    }
}

} // namespace

Parsed<SliceSegmentHeaderStart> slice_segment_header_start(std::span<const std::uint8_t> rbsp,
                                                           std::uint8_t nal_unit_type) {
    BitReader r(rbsp);
    SyntaxError error = SyntaxError::none;
    SliceSegmentHeaderStart fields;
    fields.first_slice_segment_in_pic_flag = r.read_flag();
    // BLA_W_LP to RSV_IRAP_VCL23: the intra random access points.
    if (nal_unit_type >= 16 && nal_unit_type <= 23) {
        fields.no_output_of_prior_pics_flag = r.read_flag();
    }
    fields.slice_pic_parameter_set_id = ue<std::uint8_t>(r, 63, error);
    return mpeg::finish_rbsp(r, fields, error);
}

Parsed<PicParameterSet> pic_parameter_set_rbsp(std::span<const std::uint8_t> rbsp) {
    BitReader r(rbsp);
    PicParameterSet p;
    SyntaxError error = SyntaxError::none;
    p.pps_pic_parameter_set_id = ue<std::uint8_t>(r, 63, error);
    p.pps_seq_parameter_set_id = ue<std::uint8_t>(r, 15, error);
    p.dependent_slice_segments_enabled_flag = r.read_flag();
    p.output_flag_present_flag = r.read_flag();
    p.num_extra_slice_header_bits = field<std::uint8_t>(r, 3);
    p.sign_data_hiding_enabled_flag = r.read_flag();
    p.cabac_init_present_flag = r.read_flag();
    p.num_ref_idx_l0_default_active_minus1 = ue<std::uint8_t>(r, 14, error);
    p.num_ref_idx_l1_default_active_minus1 = ue<std::uint8_t>(r, 14, error);
    p.init_qp_minus26 = se<std::int8_t>(r, -26 - 48, 25, error);
    p.constrained_intra_pred_flag = r.read_flag();
    p.transform_skip_enabled_flag = r.read_flag();
    p.cu_qp_delta_enabled_flag = r.read_flag();
    if (p.cu_qp_delta_enabled_flag) {
        p.diff_cu_qp_delta_depth = ue<std::uint8_t>(r, 3, error);
    }
    p.pps_cb_qp_offset = se<std::int8_t>(r, -12, 12, error);
    p.pps_cr_qp_offset = se<std::int8_t>(r, -12, 12, error);
    p.pps_slice_chroma_qp_offsets_present_flag = r.read_flag();
    p.weighted_pred_flag = r.read_flag();
    p.weighted_bipred_flag = r.read_flag();
    p.transquant_bypass_enabled_flag = r.read_flag();
    p.tiles_enabled_flag = r.read_flag();
    p.entropy_coding_sync_enabled_flag = r.read_flag();
    if (p.tiles_enabled_flag) {
        tile_fields(r, p, error);
    }
    p.pps_loop_filter_across_slices_enabled_flag = r.read_flag();
    deblocking_fields(r, p, error);
    p.pps_scaling_list_data_present_flag = r.read_flag();
    if (p.pps_scaling_list_data_present_flag) {
        p.scaling_list_data = scaling_list_data(r, error);
    }
    // The slices' syntax needs these; a PPS cut before them still gives its lists.
    BitReader rest = r;
    p.lists_modification_present_flag = rest.read_flag();
    rest.read_ue(); // log2_parallel_merge_level_minus2
    p.slice_segment_header_extension_present_flag = rest.read_flag();
    return mpeg::finish_rbsp(r, p, error);
}

PictureSize conformance_size(const SeqParameterSet& s) {
    const bool chroma_units = !s.separate_colour_plane_flag && s.chroma_format_idc != 0;
    const std::uint64_t sub_width = chroma_units && s.chroma_format_idc != 3 ? 2 : 1;
    const std::uint64_t sub_height = chroma_units && s.chroma_format_idc == 1 ? 2 : 1;
    const std::uint64_t crop_x =
        sub_width * (std::uint64_t{s.conf_win_left_offset} + s.conf_win_right_offset);
    const std::uint64_t crop_y =
        sub_height * (std::uint64_t{s.conf_win_top_offset} + s.conf_win_bottom_offset);
    if (crop_x >= s.pic_width_in_luma_samples || crop_y >= s.pic_height_in_luma_samples) {
        return {};
    }
    return {static_cast<std::uint32_t>(s.pic_width_in_luma_samples - crop_x),
            static_cast<std::uint32_t>(s.pic_height_in_luma_samples - crop_y)};
}

} // namespace quantaline::hevc
