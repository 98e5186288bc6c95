#pragma once

// Builds the parameter sets of H.264 and HEVC and MPEG-4 visual's configuration headers
// for tests from readable calls: each syntax element written with its width or its
// Exp-Golomb code, as the standards lay them out.

#include "support/stream_builder.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quantaline::test {

class CodeWriter : public BitWriter {
  public:
    void ue(std::uint32_t value) {
        const std::uint64_t code = std::uint64_t{value} + 1;
        int bits = 0;
        while ((code >> bits) > 1) {
            ++bits;
        }
        put(0, bits);
        put(static_cast<std::uint32_t>(code), bits + 1);
    }
    void se(std::int32_t value) {
        ue(value > 0 ? static_cast<std::uint32_t>(2 * value - 1)
                     : static_cast<std::uint32_t>(-2 * static_cast<std::int64_t>(value)));
    }
    void flag(bool value) { put(value ? 1 : 0, 1); }
    // rbsp_trailing_bits: the stop bit, then zeros to the byte.
    void trailing_bits() {
        put(1, 1);
        align();
    }
    // MPEG-4's next_start_code(): a 0, then 1s to the byte.
    void stuffing() {
        put(0, 1);
        while (bytes().size() * 8 != bit_count()) {
            put(1, 1);
        }
    }
};

// A NAL unit from its header bytes and RBSP, with the emulation prevention an encoder adds.
inline std::vector<std::uint8_t> nal_unit(std::vector<std::uint8_t> header,
                                          const std::vector<std::uint8_t>& rbsp) {
    int zeros = 0;
    for (const auto byte : rbsp) {
        if (zeros >= 2 && byte <= 3) {
            header.push_back(3);
            zeros = 0;
        }
        header.push_back(byte);
        zeros = byte == 0 ? zeros + 1 : 0;
    }
    return header;
}

// The units as the entry points take them, one span a unit.
inline std::vector<std::span<const std::uint8_t>>
spans(const std::vector<std::vector<std::uint8_t>>& units) {
    return {units.begin(), units.end()};
}

// One H.264 scaling_list(): absent, signalled as the default (a first delta to 0), or its
// values in coded order; fewer values than the list holds end with a 0, so that the last
// one repeats.
struct H264List {
    enum Kind { absent, use_default, values } kind = absent;
    std::vector<int> coded{};
};
inline H264List h264_values(std::vector<int> coded) {
    return {H264List::values, std::move(coded)};
}
inline H264List h264_default() {
    return {H264List::use_default, {}};
}

inline void write_h264_list(CodeWriter& w, const H264List& list, int size) {
    w.flag(list.kind != H264List::absent); // scaling_list_present_flag
    if (list.kind == H264List::absent) {
        return;
    }
    int last = 8;
    if (list.kind == H264List::use_default) {
        w.se(-8); // nextScale 0 at j == 0
        return;
    }
    for (int j = 0; j < size; ++j) {
        const int next = j < static_cast<int>(list.coded.size()) ? list.coded[j] : 0;
        int delta = (next - last + 256) % 256;
        if (delta > 127) {
            delta -= 256;
        }
        w.se(delta); // delta_scale
        if (next == 0) {
            return;
        }
        last = next;
    }
}

struct H264Sps {
    int profile_idc = 100;
    int level_idc = 40;
    int seq_parameter_set_id = 0;
    int chroma_format_idc = 1;
    // Lists 0-11; none when empty (seq_scaling_matrix_present_flag 0).
    std::vector<H264List> scaling{};
    int pic_order_cnt_type = 0;
    std::vector<int> offset_for_ref_frame{};
    int pic_width_in_mbs = 4;
    int pic_height_in_map_units = 4;
    bool frame_mbs_only_flag = true;
    std::optional<std::array<int, 4>> crop{}; // left, right, top, bottom
};

inline std::vector<std::uint8_t> h264_sps(const H264Sps& s) {
    CodeWriter w;
    w.put(static_cast<std::uint32_t>(s.profile_idc), 8);
    w.put(0, 8); // constraint_set0_flag .. reserved_zero_2bits
    w.put(static_cast<std::uint32_t>(s.level_idc), 8);
    w.ue(static_cast<std::uint32_t>(s.seq_parameter_set_id));
    const std::vector<int> high = {100, 110, 122, 244, 44, 83, 86, 118, 128, 138, 139, 134, 135};
    if (std::find(high.begin(), high.end(), s.profile_idc) != high.end()) {
        w.ue(static_cast<std::uint32_t>(s.chroma_format_idc));
        if (s.chroma_format_idc == 3) {
            w.flag(false); // separate_colour_plane_flag
        }
        w.ue(0);                    // bit_depth_luma_minus8
        w.ue(0);                    // bit_depth_chroma_minus8
        w.flag(false);              // qpprime_y_zero_transform_bypass_flag
        w.flag(!s.scaling.empty()); // seq_scaling_matrix_present_flag
        if (!s.scaling.empty()) {
            for (int i = 0; i < (s.chroma_format_idc != 3 ? 8 : 12); ++i) {
                write_h264_list(w,
                                i < static_cast<int>(s.scaling.size()) ? s.scaling[i] : H264List{},
                                i < 6 ? 16 : 64);
            }
        }
    }
    w.ue(0); // log2_max_frame_num_minus4
    w.ue(static_cast<std::uint32_t>(s.pic_order_cnt_type));
    if (s.pic_order_cnt_type == 0) {
        w.ue(2); // log2_max_pic_order_cnt_lsb_minus4
    } else if (s.pic_order_cnt_type == 1) {
        w.flag(false); // delta_pic_order_always_zero_flag
        w.se(-3);      // offset_for_non_ref_pic
        w.se(5);       // offset_for_top_to_bottom_field
        w.ue(static_cast<std::uint32_t>(s.offset_for_ref_frame.size()));
        for (const int offset : s.offset_for_ref_frame) {
            w.se(offset);
        }
    }
    w.ue(4);       // max_num_ref_frames
    w.flag(false); // gaps_in_frame_num_value_allowed_flag
    w.ue(static_cast<std::uint32_t>(s.pic_width_in_mbs - 1));
    w.ue(static_cast<std::uint32_t>(s.pic_height_in_map_units - 1));
    w.flag(s.frame_mbs_only_flag);
    if (!s.frame_mbs_only_flag) {
        w.flag(true); // mb_adaptive_frame_field_flag
    }
    w.flag(true); // direct_8x8_inference_flag
    w.flag(s.crop.has_value());
    if (s.crop) {
        for (const int offset : *s.crop) {
            w.ue(static_cast<std::uint32_t>(offset));
        }
    }
    w.flag(false); // vui_parameters_present_flag
    w.trailing_bits();
    return nal_unit({0x67}, w.bytes());
}

struct H264Pps {
    int pic_parameter_set_id = 0;
    int seq_parameter_set_id = 0;
    int num_slice_groups_minus1 = 0;
    int slice_group_map_type = 0;
    int pic_size_in_map_units_minus1 = 15;
    int pic_init_qp_minus26 = -3;
    // The fields after more_rbsp_data(): absent when not set.
    std::optional<bool> transform_8x8_mode_flag{};
    std::vector<H264List> scaling{}; // pic_scaling_matrix_present_flag 0 when empty
    int chroma_format_idc = 1;       // the SPS's, which tells how many lists there are
};

inline void write_slice_groups(CodeWriter& w, const H264Pps& p) {
    w.ue(static_cast<std::uint32_t>(p.slice_group_map_type));
    const int groups = p.num_slice_groups_minus1 + 1;
    if (p.slice_group_map_type == 0) {
        for (int g = 0; g < groups; ++g) {
            w.ue(static_cast<std::uint32_t>(3 + g)); // run_length_minus1
        }
    } else if (p.slice_group_map_type == 2) {
        for (int g = 0; g + 1 < groups; ++g) {
            w.ue(static_cast<std::uint32_t>(g));     // top_left
            w.ue(static_cast<std::uint32_t>(g + 5)); // bottom_right
        }
    } else if (p.slice_group_map_type >= 3 && p.slice_group_map_type <= 5) {
        w.flag(true); // slice_group_change_direction_flag
        w.ue(7);      // slice_group_change_rate_minus1
    } else if (p.slice_group_map_type == 6) {
        w.ue(static_cast<std::uint32_t>(p.pic_size_in_map_units_minus1));
        const int bits = groups <= 2 ? 1 : groups <= 4 ? 2 : 3;
        for (int i = 0; i <= p.pic_size_in_map_units_minus1; ++i) {
            w.put(static_cast<std::uint32_t>(i % groups), bits); // slice_group_id
        }
    }
}

inline std::vector<std::uint8_t> h264_pps(const H264Pps& p) {
    CodeWriter w;
    w.ue(static_cast<std::uint32_t>(p.pic_parameter_set_id));
    w.ue(static_cast<std::uint32_t>(p.seq_parameter_set_id));
    w.flag(true);  // entropy_coding_mode_flag
    w.flag(false); // bottom_field_pic_order_in_frame_present_flag
    w.ue(static_cast<std::uint32_t>(p.num_slice_groups_minus1));
    if (p.num_slice_groups_minus1 > 0) {
        write_slice_groups(w, p);
    }
    w.ue(2);      // num_ref_idx_l0_default_active_minus1
    w.ue(0);      // num_ref_idx_l1_default_active_minus1
    w.flag(true); // weighted_pred_flag
    w.put(2, 2);  // weighted_bipred_idc
    w.se(p.pic_init_qp_minus26);
    w.se(0);       // pic_init_qs_minus26
    w.se(-2);      // chroma_qp_index_offset
    w.flag(true);  // deblocking_filter_control_present_flag
    w.flag(false); // constrained_intra_pred_flag
    w.flag(false); // redundant_pic_cnt_present_flag
    if (p.transform_8x8_mode_flag) {
        w.flag(*p.transform_8x8_mode_flag);
        w.flag(!p.scaling.empty()); // pic_scaling_matrix_present_flag
        if (!p.scaling.empty()) {
            const int lists =
                6 + (p.chroma_format_idc != 3 ? 2 : 6) * (*p.transform_8x8_mode_flag ? 1 : 0);
            for (int i = 0; i < lists; ++i) {
                write_h264_list(w,
                                i < static_cast<int>(p.scaling.size()) ? p.scaling[i] : H264List{},
                                i < 6 ? 16 : 64);
            }
        }
        w.se(-2); // second_chroma_qp_index_offset
    }
    w.trailing_bits();
    return nal_unit({0x68}, w.bytes());
}

// One HEVC scaling list: predicted (scaling_list_pred_matrix_id_delta, 0 for the default)
// or explicit, its values in coded order and for sizeId 2 and 3 its DC value.
struct HevcList {
    std::optional<int> pred_matrix_id_delta{};
    std::vector<int> coded{}; // 16 or 64 values
    int dc = 16;
};
inline HevcList hevc_predicted(int delta) {
    return {delta, {}, 16};
}
inline HevcList hevc_explicit(std::vector<int> coded, int dc = 16) {
    return {std::nullopt, std::move(coded), dc};
}
// [sizeId][matrixId]: the lists scaling_list_data() codes (sizeId 3: 0 and 3).
using HevcListData = std::array<std::array<HevcList, 6>, 4>;

inline void write_hevc_lists(CodeWriter& w, const HevcListData& d) {
    for (int size_id = 0; size_id < 4; ++size_id) {
        for (int matrix_id = 0; matrix_id < 6; matrix_id += size_id == 3 ? 3 : 1) {
            const auto& list = d[size_id][matrix_id];
            w.flag(!list.pred_matrix_id_delta); // scaling_list_pred_mode_flag
            if (list.pred_matrix_id_delta) {
                w.ue(static_cast<std::uint32_t>(*list.pred_matrix_id_delta));
                continue;
            }
            int next = 8;
            if (size_id > 1) {
                w.se(list.dc - 8); // scaling_list_dc_coef_minus8
                next = list.dc;
            }
            for (const int value : list.coded) {
                int delta = (value - next + 256) % 256;
                if (delta > 127) {
                    delta -= 256;
                }
                w.se(delta); // scaling_list_delta_coef
                next = value;
            }
        }
    }
}

// Every list explicit with values that tell them apart: value = base + coded position.
inline HevcListData hevc_all_explicit() {
    HevcListData d{};
    for (int size_id = 0; size_id < 4; ++size_id) {
        for (int matrix_id = 0; matrix_id < 6; ++matrix_id) {
            std::vector<int> coded;
            for (int i = 0; i < (size_id == 0 ? 16 : 64); ++i) {
                coded.push_back(10 + 20 * size_id + matrix_id + i);
            }
            d[size_id][matrix_id] = hevc_explicit(coded, 100 + 10 * size_id + matrix_id);
        }
    }
    return d;
}

struct HevcSps {
    int max_sub_layers_minus1 = 0;
    int general_profile_idc = 1;
    int general_level_idc = 93;
    int seq_parameter_set_id = 0;
    int chroma_format_idc = 1;
    int width = 64;
    int height = 64;
    std::optional<std::array<int, 4>> conformance_window{};
    bool sub_layer_ordering_info_present = true;
    bool scaling_list_enabled = false;
    std::optional<HevcListData> scaling{};
    int nuh_layer_id = 0;
};

inline void write_profile_tier_level(CodeWriter& w, const HevcSps& s) {
    w.put(0, 2);   // general_profile_space
    w.flag(false); // general_tier_flag
    w.put(static_cast<std::uint32_t>(s.general_profile_idc), 5);
    w.put(0x60000000, 32); // general_profile_compatibility_flag[1], [2]
    w.put(0b1001, 4);      // progressive, interlaced, non_packed, frame_only
    w.put(0, 32);          // the 43 constraint bits and general_inbld_flag
    w.put(0, 12);
    w.put(static_cast<std::uint32_t>(s.general_level_idc), 8);
    for (int i = 0; i < s.max_sub_layers_minus1; ++i) {
        w.flag(i % 2 == 0); // sub_layer_profile_present_flag
        w.flag(true);       // sub_layer_level_present_flag
    }
    if (s.max_sub_layers_minus1 > 0) {
        for (int i = s.max_sub_layers_minus1; i < 8; ++i) {
            w.put(0, 2); // reserved_zero_2bits
        }
    }
    for (int i = 0; i < s.max_sub_layers_minus1; ++i) {
        if (i % 2 == 0) {
            w.put(0, 3); // sub_layer_profile_space, sub_layer_tier_flag
            w.put(static_cast<std::uint32_t>(s.general_profile_idc), 5);
            w.put(0xFFFFFFFF, 32); // compatibility flags, all set to show a misread
            w.put(0xF, 4);
            w.put(0xFFFFF, 20);
            w.put(0xFFFFFF, 24);
        }
        w.put(static_cast<std::uint32_t>(30 + i), 8); // sub_layer_level_idc
    }
}

inline std::vector<std::uint8_t> hevc_sps(const HevcSps& s) {
    CodeWriter w;
    w.put(0, 4); // sps_video_parameter_set_id
    w.put(static_cast<std::uint32_t>(s.max_sub_layers_minus1), 3);
    w.flag(true); // sps_temporal_id_nesting_flag
    write_profile_tier_level(w, s);
    w.ue(static_cast<std::uint32_t>(s.seq_parameter_set_id));
    w.ue(static_cast<std::uint32_t>(s.chroma_format_idc));
    if (s.chroma_format_idc == 3) {
        w.flag(false); // separate_colour_plane_flag
    }
    w.ue(static_cast<std::uint32_t>(s.width));
    w.ue(static_cast<std::uint32_t>(s.height));
    w.flag(s.conformance_window.has_value());
    if (s.conformance_window) {
        for (const int offset : *s.conformance_window) {
            w.ue(static_cast<std::uint32_t>(offset));
        }
    }
    w.ue(2); // bit_depth_luma_minus8
    w.ue(2); // bit_depth_chroma_minus8
    w.ue(4); // log2_max_pic_order_cnt_lsb_minus4
    w.flag(s.sub_layer_ordering_info_present);
    for (int i = s.sub_layer_ordering_info_present ? 0 : s.max_sub_layers_minus1;
         i <= s.max_sub_layers_minus1; ++i) {
        w.ue(static_cast<std::uint32_t>(4 + i)); // sps_max_dec_pic_buffering_minus1
        w.ue(static_cast<std::uint32_t>(2 + i)); // sps_max_num_reorder_pics
        w.ue(0);                                 // sps_max_latency_increase_plus1
    }
    w.ue(0); // log2_min_luma_coding_block_size_minus3
    w.ue(3); // log2_diff_max_min_luma_coding_block_size
    w.ue(0); // log2_min_luma_transform_block_size_minus2
    w.ue(3); // log2_diff_max_min_luma_transform_block_size
    w.ue(1); // max_transform_hierarchy_depth_inter
    w.ue(1); // max_transform_hierarchy_depth_intra
    w.flag(s.scaling_list_enabled);
    if (s.scaling_list_enabled) {
        w.flag(s.scaling.has_value()); // sps_scaling_list_data_present_flag
        if (s.scaling) {
            write_hevc_lists(w, *s.scaling);
        }
    }
    w.flag(true);  // amp_enabled_flag: fields after the lists, never read
    w.flag(false); // sample_adaptive_offset_enabled_flag
    w.trailing_bits();
    // forbidden_zero_bit, nal_unit_type 33, nuh_layer_id, nuh_temporal_id_plus1 1
    return nal_unit({static_cast<std::uint8_t>(0x42 | (s.nuh_layer_id >> 5)),
                     static_cast<std::uint8_t>(((s.nuh_layer_id & 0x1F) << 3) | 1)},
                    w.bytes());
}

struct HevcPps {
    int pic_parameter_set_id = 0;
    int seq_parameter_set_id = 0;
    bool cu_qp_delta_enabled = true;
    std::optional<std::pair<std::vector<int>, std::vector<int>>> tiles{}; // widths, heights
    bool deblocking_control = true;
    std::optional<HevcListData> scaling{};
};

inline std::vector<std::uint8_t> hevc_pps(const HevcPps& p) {
    CodeWriter w;
    w.ue(static_cast<std::uint32_t>(p.pic_parameter_set_id));
    w.ue(static_cast<std::uint32_t>(p.seq_parameter_set_id));
    w.flag(false); // dependent_slice_segments_enabled_flag
    w.flag(false); // output_flag_present_flag
    w.put(0, 3);   // num_extra_slice_header_bits
    w.flag(true);  // sign_data_hiding_enabled_flag
    w.flag(false); // cabac_init_present_flag
    w.ue(2);       // num_ref_idx_l0_default_active_minus1
    w.ue(0);       // num_ref_idx_l1_default_active_minus1
    w.se(-4);      // init_qp_minus26
    w.flag(false); // constrained_intra_pred_flag
    w.flag(true);  // transform_skip_enabled_flag
    w.flag(p.cu_qp_delta_enabled);
    if (p.cu_qp_delta_enabled) {
        w.ue(1); // diff_cu_qp_delta_depth
    }
    w.se(-1);      // pps_cb_qp_offset
    w.se(2);       // pps_cr_qp_offset
    w.flag(false); // pps_slice_chroma_qp_offsets_present_flag
    w.flag(false); // weighted_pred_flag
    w.flag(false); // weighted_bipred_flag
    w.flag(false); // transquant_bypass_enabled_flag
    w.flag(p.tiles.has_value());
    w.flag(false); // entropy_coding_sync_enabled_flag
    if (p.tiles) {
        w.ue(static_cast<std::uint32_t>(p.tiles->first.size()));  // num_tile_columns_minus1
        w.ue(static_cast<std::uint32_t>(p.tiles->second.size())); // num_tile_rows_minus1
        w.flag(false);                                            // uniform_spacing_flag
        for (const int width : p.tiles->first) {
            w.ue(static_cast<std::uint32_t>(width)); // column_width_minus1
        }
        for (const int height : p.tiles->second) {
            w.ue(static_cast<std::uint32_t>(height)); // row_height_minus1
        }
        w.flag(true); // loop_filter_across_tiles_enabled_flag
    }
    w.flag(true); // pps_loop_filter_across_slices_enabled_flag
    w.flag(p.deblocking_control);
    if (p.deblocking_control) {
        w.flag(true);  // deblocking_filter_override_enabled_flag
        w.flag(false); // pps_deblocking_filter_disabled_flag
        w.se(-2);      // pps_beta_offset_div2
        w.se(3);       // pps_tc_offset_div2
    }
    w.flag(p.scaling.has_value()); // pps_scaling_list_data_present_flag
    if (p.scaling) {
        write_hevc_lists(w, *p.scaling);
    }
    w.flag(false); // lists_modification_present_flag: after the lists, never read
    w.trailing_bits();
    return nal_unit({0x44, 0x01}, w.bytes());
}

// MPEG-4 visual: a visual object sequence, a visual object, a video object and its layer.
struct Mpeg4Vol {
    std::optional<int> visual_object_verid{};      // is_visual_object_identifier when set
    std::optional<int> video_object_layer_verid{}; // is_object_layer_identifier when set
    int video_object_type_indication = 1;
    int aspect_ratio_info = 1;
    int par_width = 0;
    int par_height = 0;
    bool vol_control_parameters = false;
    bool vbv_parameters = false;
    int shape = 0;
    int vop_time_increment_resolution = 25;
    std::optional<int> fixed_vop_time_increment{};
    int width = 176;
    int height = 144;
    bool interlaced = false;
    int sprite_enable = 0;
    std::optional<std::pair<int, int>> not_8_bit{}; // quant_precision, bits_per_pixel
    bool quant_type = true;
    // Loaded matrices in zig-zag order; fewer than 64 values end with a 0.
    std::optional<std::vector<int>> intra{};
    std::optional<std::vector<int>> nonintra{};
};

inline void write_mpeg4_matrix(CodeWriter& w, const std::optional<std::vector<int>>& values) {
    w.flag(values.has_value()); // load_..._quant_mat
    if (!values) {
        return;
    }
    for (const int value : *values) {
        w.put(static_cast<std::uint32_t>(value), 8);
    }
    if (values->size() < 64) {
        w.put(0, 8);
    }
}

inline void write_mpeg4_vol_body(CodeWriter& w, const Mpeg4Vol& v) {
    const int verid = v.video_object_layer_verid.value_or(v.visual_object_verid.value_or(1));
    w.flag(false); // random_accessible_vol
    w.put(static_cast<std::uint32_t>(v.video_object_type_indication), 8);
    w.flag(v.video_object_layer_verid.has_value()); // is_object_layer_identifier
    if (v.video_object_layer_verid) {
        w.put(static_cast<std::uint32_t>(*v.video_object_layer_verid), 4);
        w.put(1, 3); // video_object_layer_priority
    }
    w.put(static_cast<std::uint32_t>(v.aspect_ratio_info), 4);
    if (v.aspect_ratio_info == 15) {
        w.put(static_cast<std::uint32_t>(v.par_width), 8);
        w.put(static_cast<std::uint32_t>(v.par_height), 8);
    }
    w.flag(v.vol_control_parameters);
    if (v.vol_control_parameters) {
        w.put(1, 2);   // chroma_format
        w.flag(false); // low_delay
        w.flag(v.vbv_parameters);
        if (v.vbv_parameters) {
            for (const auto& [value, bits] : std::vector<std::pair<int, int>>{{1, 15},
                                                                              {1, 1},
                                                                              {3000, 15},
                                                                              {1, 1},
                                                                              {0, 15},
                                                                              {1, 1},
                                                                              {7, 3},
                                                                              {100, 11},
                                                                              {1, 1},
                                                                              {2000, 15},
                                                                              {1, 1}}) {
                w.put(static_cast<std::uint32_t>(value), bits); // the halves and their markers
            }
        }
    }
    w.put(static_cast<std::uint32_t>(v.shape), 2);
    if (v.shape == 3 && verid != 1) {
        w.put(0, 4); // video_object_layer_shape_extension
    }
    w.flag(true); // marker_bit
    w.put(static_cast<std::uint32_t>(v.vop_time_increment_resolution), 16);
    w.flag(true); // marker_bit
    w.flag(v.fixed_vop_time_increment.has_value());
    if (v.fixed_vop_time_increment) {
        int bits = 1;
        while ((1 << bits) < v.vop_time_increment_resolution) {
            ++bits;
        }
        w.put(static_cast<std::uint32_t>(*v.fixed_vop_time_increment), bits);
    }
    if (v.shape == 0) {
        w.flag(true);
        w.put(static_cast<std::uint32_t>(v.width), 13);
        w.flag(true);
        w.put(static_cast<std::uint32_t>(v.height), 13);
        w.flag(true);
    }
    w.flag(v.interlaced);
    w.flag(true); // obmc_disable
    w.put(static_cast<std::uint32_t>(v.sprite_enable), verid == 1 ? 1 : 2);
    if (v.sprite_enable == 1 || v.sprite_enable == 2) {
        if (v.sprite_enable == 1) {
            for (int i = 0; i < 4; ++i) {
                w.put(0x1ABC, 13); // sprite_width .. sprite_top_coordinate
                w.flag(true);      // marker_bit
            }
        }
        w.put(3, 6);  // no_of_sprite_warping_points
        w.put(1, 2);  // sprite_warping_accuracy
        w.flag(true); // sprite_brightness_change
        if (v.sprite_enable == 1) {
            w.flag(true); // low_latency_sprite_enable
        }
    }
    if (verid != 1 && v.shape != 0) {
        w.flag(true); // sadct_disable
    }
    w.flag(v.not_8_bit.has_value());
    if (v.not_8_bit) {
        w.put(static_cast<std::uint32_t>(v.not_8_bit->first), 4);
        w.put(static_cast<std::uint32_t>(v.not_8_bit->second), 4);
    }
    if (v.shape == 3) {
        w.put(0b101, 3); // no_gray_quant_update, composition_method, linear_composition
    }
    w.flag(v.quant_type);
    if (v.quant_type) {
        write_mpeg4_matrix(w, v.intra);
        write_mpeg4_matrix(w, v.nonintra);
    }
    w.put(1, 1); // complexity_estimation_disable and what follows: never read
    w.stuffing();
}

inline std::vector<std::uint8_t> mpeg4_configuration(const Mpeg4Vol& v,
                                                     int profile_and_level = 0xF5) {
    CodeWriter w;
    w.put(0x000001B0, 32); // visual_object_sequence_start_code
    w.put(static_cast<std::uint32_t>(profile_and_level), 8);
    w.put(0x000001B5, 32);                     // visual_object_start_code
    w.flag(v.visual_object_verid.has_value()); // is_visual_object_identifier
    if (v.visual_object_verid) {
        w.put(static_cast<std::uint32_t>(*v.visual_object_verid), 4);
        w.put(1, 3); // visual_object_priority
    }
    w.put(1, 4);   // visual_object_type: video ID
    w.flag(false); // video_signal_type
    w.stuffing();
    w.put(0x00000100, 32); // video_object_start_code
    w.put(0x00000120, 32); // video_object_layer_start_code
    write_mpeg4_vol_body(w, v);
    return w.bytes();
}

// An Annex B stream cut at its start codes: each unit from its header, the zero bytes
// before the next start code left out.
inline std::vector<std::vector<std::uint8_t>>
annex_b_units(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::vector<std::uint8_t>> units;
    std::size_t i = 0;
    constexpr std::size_t npos = static_cast<std::size_t>(-1);
    std::size_t start = npos;
    while (i + 2 < bytes.size()) {
        if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1) {
            if (start != npos) {
                std::size_t end = i;
                while (end > start && bytes[end - 1] == 0) {
                    --end;
                }
                units.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                                   bytes.begin() + static_cast<std::ptrdiff_t>(end));
            }
            i += 3;
            start = i;
        } else {
            ++i;
        }
    }
    if (start != npos) {
        units.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end());
    }
    return units;
}

} // namespace quantaline::test
