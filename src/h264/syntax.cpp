#include "h264/syntax.h"

#include "mpeg/rbsp.h"

#include <algorithm>

namespace quantaline::h264 {

namespace {

using mpeg::BitReader;
using mpeg::field;
using mpeg::se;
using mpeg::ue;

// Widths no picture reaches: a larger value is damage, and the sizes stay in 32 bits.
constexpr std::uint32_t max_size_in_mbs_minus1 = 4095;
constexpr std::uint32_t max_map_units_minus1 = 1u << 20;

template <std::size_t Size>
void scaling_list(BitReader& r, ScalingList<Size>& list, SyntaxError& error) {
    int last_scale = 8;
    int next_scale = 8;
    for (std::size_t j = 0; j < Size; ++j) {
        if (next_scale != 0) {
            const int delta_scale = se<int>(r, -128, 127, error);
            next_scale = (last_scale + delta_scale + 256) % 256;
            list.use_default_scaling_matrix_flag = j == 0 && next_scale == 0;
        }
        list.values[j] = static_cast<std::uint8_t>(next_scale == 0 ? last_scale : next_scale);
        last_scale = list.values[j];
    }
}

void scaling_matrix(BitReader& r, int list_count, ScalingMatrix& m, SyntaxError& error) {
    for (int i = 0; i < list_count; ++i) {
        const bool present = r.read_flag(); // seq_/pic_scaling_list_present_flag[i]
        if (i < 6) {
            m.lists_4x4[i].present = present;
            if (present) {
                scaling_list(r, m.lists_4x4[i], error);
            }
        } else {
            m.lists_8x8[i - 6].present = present;
            if (present) {
                scaling_list(r, m.lists_8x8[i - 6], error);
            }
        }
    }
}

void chroma_format_fields(BitReader& r, SeqParameterSet& s, SyntaxError& error) {
    s.chroma_format_idc = ue<std::uint8_t>(r, 3, error);
    if (s.chroma_format_idc == 3) {
        s.separate_colour_plane_flag = r.read_flag();
    }
    s.bit_depth_luma_minus8 = ue<std::uint8_t>(r, 6, error);
    s.bit_depth_chroma_minus8 = ue<std::uint8_t>(r, 6, error);
    s.qpprime_y_zero_transform_bypass_flag = r.read_flag();
    s.seq_scaling_matrix_present_flag = r.read_flag();
    if (s.seq_scaling_matrix_present_flag) {
        scaling_matrix(r, s.chroma_format_idc != 3 ? 8 : 12, s.scaling, error);
    }
}

void pic_order_cnt_fields(BitReader& r, SeqParameterSet& s, SyntaxError& error) {
    s.pic_order_cnt_type = ue<std::uint8_t>(r, 2, error);
    if (s.pic_order_cnt_type == 0) {
        s.log2_max_pic_order_cnt_lsb_minus4 = ue<std::uint8_t>(r, 12, error);
    } else if (s.pic_order_cnt_type == 1) {
        s.delta_pic_order_always_zero_flag = r.read_flag();
        s.offset_for_non_ref_pic = r.read_se();
        s.offset_for_top_to_bottom_field = r.read_se();
        s.num_ref_frames_in_pic_order_cnt_cycle = ue<std::uint8_t>(r, 255, error);
        for (int i = 0; i < s.num_ref_frames_in_pic_order_cnt_cycle; ++i) {
            s.offset_for_ref_frame[i] = r.read_se();
        }
    }
}

void frame_size_fields(BitReader& r, SeqParameterSet& s, SyntaxError& error) {
    s.pic_width_in_mbs_minus1 = ue<std::uint32_t>(r, max_size_in_mbs_minus1, error);
    s.pic_height_in_map_units_minus1 = ue<std::uint32_t>(r, max_size_in_mbs_minus1, error);
    s.frame_mbs_only_flag = r.read_flag();
    if (!s.frame_mbs_only_flag) {
        s.mb_adaptive_frame_field_flag = r.read_flag();
    }
    s.direct_8x8_inference_flag = r.read_flag();
    s.frame_cropping_flag = r.read_flag();
    if (s.frame_cropping_flag) {
        s.frame_crop_left_offset = ue<std::uint32_t>(r, 1u << 16, error);
        s.frame_crop_right_offset = ue<std::uint32_t>(r, 1u << 16, error);
        s.frame_crop_top_offset = ue<std::uint32_t>(r, 1u << 16, error);
        s.frame_crop_bottom_offset = ue<std::uint32_t>(r, 1u << 16, error);
    }
    s.vui_parameters_present_flag = r.read_flag();
}

// The chroma samples' spacing, which the cropping offsets count in.
struct CropUnit {
    std::uint64_t x = 1;
    std::uint64_t y = 1;
};
CropUnit crop_unit(const SeqParameterSet& s) {
    const std::uint64_t field_factor = s.frame_mbs_only_flag ? 1 : 2;
    const int chroma_array_type = s.separate_colour_plane_flag ? 0 : s.chroma_format_idc;
    switch (chroma_array_type) {
    case 1:
        return {2, 2 * field_factor};
    case 2:
        return {2, field_factor};
    default:
        return {1, field_factor};
    }
}

} // namespace

const Profile* find_profile(std::uint8_t profile_idc) {
    const auto found = std::find_if(profiles.begin(), profiles.end(),
                                    [&](const Profile& p) { return p.idc == profile_idc; });
    return found != profiles.end() ? &*found : nullptr;
}

bool codes_chroma_format(std::uint8_t profile_idc) {
    const Profile* p = find_profile(profile_idc);
    return p != nullptr && p->codes_chroma_format;
}

Parsed<NalUnitHeader> nal_unit_header(std::span<const std::uint8_t> unit) {
    if (unit.empty()) {
        return {{}, SyntaxError::truncated};
    }
    BitReader r(unit.first(1));
    NalUnitHeader h;
    h.forbidden_zero_bit = r.read_flag();
    h.nal_ref_idc = field<std::uint8_t>(r, 2);
    h.nal_unit_type = field<std::uint8_t>(r, 5);
    return {h, h.forbidden_zero_bit ? SyntaxError::out_of_range : SyntaxError::none};
}

Parsed<SeqParameterSet> seq_parameter_set_rbsp(std::span<const std::uint8_t> rbsp) {
    BitReader r(rbsp);
    SeqParameterSet s;
    const SyntaxError error = seq_parameter_set_fields(r, s);
    return mpeg::finish_rbsp(r, s, error);
}

SyntaxError seq_parameter_set_fields(BitReader& r, SeqParameterSet& s) {
    SyntaxError error = SyntaxError::none;
    s.profile_idc = field<std::uint8_t>(r, 8);
    s.constraint_set_flags = field<std::uint8_t>(r, 6); // constraint_set0_flag .. 5
    r.skip(2);                                          // reserved_zero_2bits
    s.level_idc = field<std::uint8_t>(r, 8);
    s.seq_parameter_set_id = ue<std::uint8_t>(r, 31, error);
    if (codes_chroma_format(s.profile_idc)) {
        chroma_format_fields(r, s, error);
    }
    s.log2_max_frame_num_minus4 = ue<std::uint8_t>(r, 12, error);
    pic_order_cnt_fields(r, s, error);
    s.max_num_ref_frames = ue<std::uint32_t>(r, 16, error);
    s.gaps_in_frame_num_value_allowed_flag = r.read_flag();
    frame_size_fields(r, s, error);
    const auto size = cropped_size(s);
    if (!r.overrun() && error == SyntaxError::none && (size.width == 0 || size.height == 0)) {
        error = SyntaxError::out_of_range; // cropped away whole
    }
    return error;
}

Parsed<SliceHeaderStart> slice_header_start(std::span<const std::uint8_t> rbsp) {
    BitReader r(rbsp);
    SyntaxError error = SyntaxError::none;
    SliceHeaderStart fields;
    fields.first_mb_in_slice = r.read_ue();
    fields.slice_type = ue<std::uint8_t>(r, 9, error);
    fields.pic_parameter_set_id = ue<std::uint8_t>(r, 255, error);
    return mpeg::finish_rbsp(r, fields, error);
}

namespace {

void slice_group_fields(BitReader& r, PicParameterSet& p, SyntaxError& error) {
    p.slice_group_map_type = ue<std::uint8_t>(r, 6, error);
    const int groups = p.num_slice_groups_minus1 + 1;
    if (p.slice_group_map_type == 0) {
        for (int group = 0; group < groups; ++group) {
            r.read_ue(); // run_length_minus1[iGroup]
        }
    } else if (p.slice_group_map_type == 2) {
        for (int group = 0; group + 1 < groups; ++group) {
            r.read_ue(); // top_left[iGroup]
            r.read_ue(); // bottom_right[iGroup]
        }
    } else if (p.slice_group_map_type >= 3 && p.slice_group_map_type <= 5) {
        p.slice_group_change_direction_flag = r.read_flag();
        p.slice_group_change_rate_minus1 = r.read_ue();
    } else if (p.slice_group_map_type == 6) {
        p.pic_size_in_map_units_minus1 = ue<std::uint32_t>(r, max_map_units_minus1, error);
        // slice_group_id[i]: Ceil(Log2(num_slice_groups_minus1 + 1)) bits each.
        const int bits = groups <= 2 ? 1 : groups <= 4 ? 2 : 3;
        r.skip(std::size_t{p.pic_size_in_map_units_minus1 + 1} * static_cast<std::size_t>(bits));
    }
}

} // namespace

Parsed<PicParameterSet> pic_parameter_set_rbsp(std::span<const std::uint8_t> rbsp,
                                               std::uint8_t chroma_format_idc) {
    BitReader r(rbsp);
    PicParameterSet p;
    SyntaxError error = SyntaxError::none;
    p.pic_parameter_set_id = ue<std::uint8_t>(r, 255, error);
    p.seq_parameter_set_id = ue<std::uint8_t>(r, 31, error);
    p.entropy_coding_mode_flag = r.read_flag();
    p.bottom_field_pic_order_in_frame_present_flag = r.read_flag();
    p.num_slice_groups_minus1 = ue<std::uint8_t>(r, 7, error);
    if (p.num_slice_groups_minus1 > 0) {
        slice_group_fields(r, p, error);
    }
    p.num_ref_idx_l0_default_active_minus1 = ue<std::uint8_t>(r, 31, error);
    p.num_ref_idx_l1_default_active_minus1 = ue<std::uint8_t>(r, 31, error);
    p.weighted_pred_flag = r.read_flag();
    p.weighted_bipred_idc = field<std::uint8_t>(r, 2);
    p.pic_init_qp_minus26 = se<std::int8_t>(r, -26 - 36, 25, error);
    p.pic_init_qs_minus26 = se<std::int8_t>(r, -26, 25, error);
    p.chroma_qp_index_offset = se<std::int8_t>(r, -12, 12, error);
    p.deblocking_filter_control_present_flag = r.read_flag();
    p.constrained_intra_pred_flag = r.read_flag();
    p.redundant_pic_cnt_present_flag = r.read_flag();
    p.second_chroma_qp_index_offset = p.chroma_qp_index_offset;
    if (!r.overrun() && r.more_rbsp_data()) {
        p.transform_8x8_mode_flag = r.read_flag();
        p.pic_scaling_matrix_present_flag = r.read_flag();
        if (p.pic_scaling_matrix_present_flag) {
            const int lists =
                6 + (chroma_format_idc != 3 ? 2 : 6) * (p.transform_8x8_mode_flag ? 1 : 0);
            scaling_matrix(r, lists, p.scaling, error);
        }
        p.second_chroma_qp_index_offset = se<std::int8_t>(r, -12, 12, error);
    }
    return mpeg::finish_rbsp(r, p, error);
}

PictureSize cropped_size(const SeqParameterSet& s) {
    const std::uint64_t width = (std::uint64_t{s.pic_width_in_mbs_minus1} + 1) * 16;
    const std::uint64_t height = (s.frame_mbs_only_flag ? 1u : 2u) *
                                 (std::uint64_t{s.pic_height_in_map_units_minus1} + 1) * 16;
    const auto unit = crop_unit(s);
    const std::uint64_t crop_x =
        unit.x * (std::uint64_t{s.frame_crop_left_offset} + s.frame_crop_right_offset);
    const std::uint64_t crop_y =
        unit.y * (std::uint64_t{s.frame_crop_top_offset} + s.frame_crop_bottom_offset);
    if (crop_x >= width || crop_y >= height) {
        return {};
    }
    return {static_cast<std::uint32_t>(width - crop_x),
            static_cast<std::uint32_t>(height - crop_y)};
}

} // namespace quantaline::h264
