#include "h264/slice.h"

#include "mpeg/rbsp.h"

namespace quantaline::h264 {

namespace {

using mpeg::BitReader;
using mpeg::field;
using mpeg::se;
using mpeg::ue;

bool is_b(const SliceHeader& s) {
    return s.slice_type % 5 == slice_kind::b;
}
bool is_intra(const SliceHeader& s) {
    return s.slice_type % 5 == slice_kind::i || s.slice_type % 5 == slice_kind::si;
}

void picture_order_fields(BitReader& r, const NalUnitHeader& nal, const SeqParameterSet& sps,
                          const PicParameterSet& pps, SliceHeader& s, SyntaxError& error) {
    s.frame_num = r.read(sps.log2_max_frame_num_minus4 + 4);
    if (!sps.frame_mbs_only_flag) {
        s.field_pic_flag = r.read_flag();
        if (s.field_pic_flag) {
            s.bottom_field_flag = r.read_flag();
        }
    }
    if (nal.nal_unit_type == nal_type::idr_slice) {
        s.idr_pic_id = ue<std::uint32_t>(r, 65535, error);
    }
    const bool bottom_delta = pps.bottom_field_pic_order_in_frame_present_flag && !s.field_pic_flag;
    if (sps.pic_order_cnt_type == 0) {
        s.pic_order_cnt_lsb = r.read(sps.log2_max_pic_order_cnt_lsb_minus4 + 4);
        if (bottom_delta) {
            s.delta_pic_order_cnt_bottom = r.read_se();
        }
    }
    if (sps.pic_order_cnt_type == 1 && !sps.delta_pic_order_always_zero_flag) {
        s.delta_pic_order_cnt[0] = r.read_se();
        if (bottom_delta) {
            s.delta_pic_order_cnt[1] = r.read_se();
        }
    }
    if (pps.redundant_pic_cnt_present_flag) {
        r.read_ue(); // redundant_pic_cnt
    }
}

void reference_counts(BitReader& r, const PicParameterSet& pps, SliceHeader& s,
                      SyntaxError& error) {
    s.num_ref_idx_l0_active_minus1 = pps.num_ref_idx_l0_default_active_minus1;
    s.num_ref_idx_l1_active_minus1 = pps.num_ref_idx_l1_default_active_minus1;
    if (is_b(s)) {
        r.read_flag(); // direct_spatial_mv_pred_flag
    }
    if (!is_intra(s)) {
        if (r.read_flag()) { // num_ref_idx_active_override_flag
            s.num_ref_idx_l0_active_minus1 = ue<std::uint8_t>(r, 31, error);
            if (is_b(s)) {
                s.num_ref_idx_l1_active_minus1 = ue<std::uint8_t>(r, 31, error);
            }
        }
    }
}

void ref_pic_list_modification(BitReader& r, const SliceHeader& s) {
    for (int list = 0; list < (is_b(s) ? 2 : 1) && !is_intra(s); ++list) {
        if (!r.read_flag()) { // ref_pic_list_modification_flag_l0 / l1
            continue;
        }
        // Each entry: its idc, then one number unless it is 3, the end. The list holds at
        // most 32 entries and the end.
        for (int entry = 0; entry <= 32 && !r.overrun(); ++entry) {
            const std::uint32_t idc = r.read_ue();
            if (idc == 3) {
                break;
            }
            r.read_ue(); // abs_diff_pic_num_minus1 or long_term_pic_num
        }
    }
}

void pred_weights(BitReader& r, int count, int chroma_array_type) {
    for (int i = 0; i < count && !r.overrun(); ++i) {
        if (r.read_flag()) { // luma_weight_lX_flag
            r.read_se();
            r.read_se();
        }
        if (chroma_array_type != 0 && r.read_flag()) { // chroma_weight_lX_flag
            for (int j = 0; j < 4; ++j) {
                r.read_se();
            }
        }
    }
}

void pred_weight_table(BitReader& r, const SeqParameterSet& sps, const SliceHeader& s) {
    const int chroma_array_type = sps.separate_colour_plane_flag ? 0 : sps.chroma_format_idc;
    r.read_ue(); // luma_log2_weight_denom
    if (chroma_array_type != 0) {
        r.read_ue(); // chroma_log2_weight_denom
    }
    pred_weights(r, s.num_ref_idx_l0_active_minus1 + 1, chroma_array_type);
    if (is_b(s)) {
        pred_weights(r, s.num_ref_idx_l1_active_minus1 + 1, chroma_array_type);
    }
}

void dec_ref_pic_marking(BitReader& r, const NalUnitHeader& nal, SliceHeader& s) {
    if (nal.nal_unit_type == nal_type::idr_slice) {
        r.read_flag(); // no_output_of_prior_pics_flag
        r.read_flag(); // long_term_reference_flag
        return;
    }
    if (!r.read_flag()) { // adaptive_ref_pic_marking_mode_flag
        return;
    }
    // At most one operation for each of the 32 frames and 5 kinds, and the end.
    for (int count = 0; count < 200 && !r.overrun(); ++count) {
        const std::uint32_t operation = r.read_ue();
        if (operation == 0) {
            return;
        }
        s.memory_management_5 = s.memory_management_5 || operation == 5;
        if (operation == 1 || operation == 3) {
            r.read_ue(); // difference_of_pic_nums_minus1
        }
        if (operation == 2) {
            r.read_ue(); // long_term_pic_num
        }
        if (operation == 3 || operation == 6) {
            r.read_ue(); // long_term_frame_idx
        }
        if (operation == 4) {
            r.read_ue(); // max_long_term_frame_idx_plus1
        }
    }
}

} // namespace

Parsed<SliceHeader> slice_header(std::span<const std::uint8_t> rbsp, const NalUnitHeader& nal,
                                 const SeqParameterSet& sps, const PicParameterSet& pps) {
    BitReader r(rbsp);
    SyntaxError error = SyntaxError::none;
    SliceHeader s;
    s.first_mb_in_slice = r.read_ue();
    s.slice_type = ue<std::uint8_t>(r, 9, error);
    s.pic_parameter_set_id = ue<std::uint8_t>(r, 255, error);
    if (sps.separate_colour_plane_flag) {
        r.skip(2); // colour_plane_id
    }
    picture_order_fields(r, nal, sps, pps, s, error);
    reference_counts(r, pps, s, error);
    ref_pic_list_modification(r, s);
    const int kind = s.slice_type % 5;
    if ((pps.weighted_pred_flag && (kind == slice_kind::p || kind == slice_kind::sp)) ||
        (pps.weighted_bipred_idc == 1 && kind == slice_kind::b)) {
        pred_weight_table(r, sps, s);
    }
    if (nal.nal_ref_idc != 0) {
        dec_ref_pic_marking(r, nal, s);
    }
    if (pps.entropy_coding_mode_flag && !is_intra(s)) {
        ue<std::uint8_t>(r, 2, error); // cabac_init_idc
    }
    s.slice_qp_delta = se<std::int8_t>(r, -87, 77, error);
    return mpeg::finish_rbsp(r, s, error);
}

namespace {

// pic_timing(): the delays first when an HRD is described, then pic_struct.
void pic_timing(BitReader r, const VuiParameters& vui, SeiMessages& found) {
    const HrdParameters* hrd = vui.nal_hrd_parameters_present_flag   ? &vui.nal_hrd
                               : vui.vcl_hrd_parameters_present_flag ? &vui.vcl_hrd
                                                                     : nullptr;
    if (hrd != nullptr) {
        const std::uint32_t removal = r.read(hrd->cpb_removal_delay_length_minus1 + 1);
        const std::uint32_t output = r.read(hrd->dpb_output_delay_length_minus1 + 1);
        if (!r.overrun()) {
            found.cpb_removal_delay = removal;
            found.dpb_output_delay = output;
        }
    }
    if (vui.pic_struct_present_flag) {
        const auto value = field<std::uint8_t>(r, 4);
        found.pic_struct = r.overrun() ? std::nullopt : std::optional<std::uint8_t>(value);
    }
}

// Each schedule's delay and offset of one HRD.
void initial_delays(BitReader& r, const HrdParameters& hrd,
                    std::vector<std::pair<std::uint32_t, std::uint32_t>>& delays) {
    const int bits = hrd.initial_cpb_removal_delay_length_minus1 + 1;
    for (int i = 0; i <= hrd.cpb_cnt_minus1; ++i) {
        const std::uint32_t delay = r.read(bits);
        delays.emplace_back(delay, r.read(bits));
    }
}

std::optional<mpeg::BufferingPeriod> buffering_period(BitReader r, const VuiParameters& vui) {
    r.read_ue(); // seq_parameter_set_id
    mpeg::BufferingPeriod period;
    if (vui.nal_hrd_parameters_present_flag) {
        initial_delays(r, vui.nal_hrd, period.nal);
    }
    if (vui.vcl_hrd_parameters_present_flag) {
        initial_delays(r, vui.vcl_hrd, period.vcl);
    }
    return r.overrun() ? std::nullopt : std::optional(period);
}

} // namespace

SeiMessages sei_messages(std::span<const std::uint8_t> rbsp, const VuiParameters* vui) {
    SeiMessages found;
    mpeg::for_each_sei_message(
        rbsp, [&](std::uint32_t type, std::span<const std::uint8_t> payload) {
            if (type == 0 && vui != nullptr) {
                found.buffering_period = buffering_period(BitReader(payload), *vui);
            } else if (type == 1 && vui != nullptr) {
                pic_timing(BitReader(payload), *vui, found);
            } else if (type == 6) {
                BitReader r(payload);
                const std::uint32_t count = r.read_ue();
                r.read_flag(); // exact_match_flag
                found.broken_link_flag = r.read_flag();
                if (!r.overrun()) {
                    found.recovery_frame_cnt = count;
                }
            }
        });
    return found;
}

int pic_struct_fields(std::uint8_t pic_struct) {
    static constexpr int fields[] = {2, 1, 1, 2, 2, 3, 3, 4, 6};
    return pic_struct < 9 ? fields[pic_struct] : 0;
}

} // namespace quantaline::h264
