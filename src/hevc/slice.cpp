#include "hevc/slice.h"

#include "mpeg/rbsp.h"

#include <bit>

namespace quantaline::hevc {

namespace {

using mpeg::BitReader;
using mpeg::field;
using mpeg::note;
using mpeg::se;
using mpeg::ue;

constexpr std::uint8_t extended_sar = 255;
constexpr std::uint8_t idr_w_radl = 19;
constexpr std::uint8_t idr_n_lp = 20;

// Ceil(Log2(n)) for n >= 1.
int ceil_log2(std::uint32_t n) {
    return n <= 1 ? 0 : 32 - std::countl_zero(n - 1);
}

// A set predicted from the set `reference`, moved by delta_rps (7-61, 7-62).
void predicted_set(const ShortTermRefPicSet& ref, int delta_rps, const bool* used,
                   const bool* use_delta, ShortTermRefPicSet& set) {
    const int negatives = ref.num_negative_pics;
    const int all = ref.num_delta_pocs();
    const auto add = [](std::array<std::int32_t, 16>& poc, std::array<bool, 16>& flags,
                        std::uint8_t& count, int d, bool u) {
        if (count < 16) {
            poc[count] = d;
            flags[count++] = u;
        }
    };
    for (int j = ref.num_positive_pics - 1; j >= 0; --j) {
        const int d = ref.delta_poc_s1[j] + delta_rps;
        if (d < 0 && use_delta[negatives + j]) {
            add(set.delta_poc_s0, set.used_by_curr_pic_s0, set.num_negative_pics, d,
                used[negatives + j]);
        }
    }
    if (delta_rps < 0 && use_delta[all]) {
        add(set.delta_poc_s0, set.used_by_curr_pic_s0, set.num_negative_pics, delta_rps, used[all]);
    }
    for (int j = 0; j < negatives; ++j) {
        const int d = ref.delta_poc_s0[j] + delta_rps;
        if (d < 0 && use_delta[j]) {
            add(set.delta_poc_s0, set.used_by_curr_pic_s0, set.num_negative_pics, d, used[j]);
        }
    }
    for (int j = negatives - 1; j >= 0; --j) {
        const int d = ref.delta_poc_s0[j] + delta_rps;
        if (d > 0 && use_delta[j]) {
            add(set.delta_poc_s1, set.used_by_curr_pic_s1, set.num_positive_pics, d, used[j]);
        }
    }
    if (delta_rps > 0 && use_delta[all]) {
        add(set.delta_poc_s1, set.used_by_curr_pic_s1, set.num_positive_pics, delta_rps, used[all]);
    }
    for (int j = 0; j < ref.num_positive_pics; ++j) {
        const int d = ref.delta_poc_s1[j] + delta_rps;
        if (d > 0 && use_delta[negatives + j]) {
            add(set.delta_poc_s1, set.used_by_curr_pic_s1, set.num_positive_pics, d,
                used[negatives + j]);
        }
    }
}

void coded_set(BitReader& r, ShortTermRefPicSet& set, SyntaxError& error) {
    set.num_negative_pics = ue<std::uint8_t>(r, 16, error);
    set.num_positive_pics = ue<std::uint8_t>(r, 16 - set.num_negative_pics, error);
    std::int32_t poc = 0;
    for (int i = 0; i < set.num_negative_pics; ++i) {
        poc -= static_cast<std::int32_t>(ue<std::uint16_t>(r, 32767, error)) + 1;
        set.delta_poc_s0[i] = poc;
        set.used_by_curr_pic_s0[i] = r.read_flag();
    }
    poc = 0;
    for (int i = 0; i < set.num_positive_pics; ++i) {
        poc += static_cast<std::int32_t>(ue<std::uint16_t>(r, 32767, error)) + 1;
        set.delta_poc_s1[i] = poc;
        set.used_by_curr_pic_s1[i] = r.read_flag();
    }
}

// st_ref_pic_set(index) into sets[index]; `count` is num_short_term_ref_pic_sets.
void st_ref_pic_set(BitReader& r, int index, int count, std::array<ShortTermRefPicSet, 65>& sets,
                    SyntaxError& error) {
    ShortTermRefPicSet& set = sets[index];
    set = {};
    if (index == 0 || !r.read_flag()) { // inter_ref_pic_set_prediction_flag
        coded_set(r, set, error);
        return;
    }
    const int delta_idx = index == count ? ue<int>(r, index - 1, error) + 1 : 1;
    const bool sign = r.read_flag();
    const int magnitude = ue<int>(r, 32767, error) + 1;
    const ShortTermRefPicSet& ref = sets[index - delta_idx];
    bool used[33] = {};
    bool use_delta[33] = {};
    for (int j = 0; j <= ref.num_delta_pocs(); ++j) {
        used[j] = r.read_flag();
        use_delta[j] = used[j] || r.read_flag();
    }
    predicted_set(ref, sign ? -magnitude : magnitude, used, use_delta, set);
}

void vui_picture_fields(BitReader& r, VuiParameters& v, SyntaxError& error) {
    v.aspect_ratio_info_present_flag = r.read_flag();
    if (v.aspect_ratio_info_present_flag) {
        v.aspect_ratio_idc = field<std::uint8_t>(r, 8);
        if (v.aspect_ratio_idc == extended_sar) {
            v.sar_width = field<std::uint16_t>(r, 16);
            v.sar_height = field<std::uint16_t>(r, 16);
        }
    }
    if (r.read_flag()) { // overscan_info_present_flag
        r.read_flag();   // overscan_appropriate_flag
    }
    v.video_signal_type_present_flag = r.read_flag();
    if (v.video_signal_type_present_flag) {
        v.video_format = field<std::uint8_t>(r, 3);
        v.video_full_range_flag = r.read_flag();
        v.colour_description_present_flag = r.read_flag();
        if (v.colour_description_present_flag) {
            v.colour_primaries = field<std::uint8_t>(r, 8);
            v.transfer_characteristics = field<std::uint8_t>(r, 8);
            v.matrix_coeffs = field<std::uint8_t>(r, 8);
        }
    }
    if (r.read_flag()) { // chroma_loc_info_present_flag
        ue<std::uint8_t>(r, 5, error);
        ue<std::uint8_t>(r, 5, error);
    }
}

void sub_layer_hrd(BitReader& r, const HrdParameters& h, std::array<HrdSchedule, 32>& schedules,
                   bool keep, SyntaxError& error) {
    for (int i = 0; i <= h.cpb_cnt_minus1; ++i) {
        HrdSchedule s;
        s.bit_rate_value_minus1 = ue<std::uint32_t>(r, 0xFFFFFFFEu, error);
        s.cpb_size_value_minus1 = ue<std::uint32_t>(r, 0xFFFFFFFEu, error);
        if (h.sub_pic_hrd_params_present_flag) {
            r.read_ue(); // cpb_size_du_value_minus1
            r.read_ue(); // bit_rate_du_value_minus1
        }
        s.cbr_flag = r.read_flag();
        if (keep) {
            schedules[i] = s;
        }
    }
}

void hrd_common(BitReader& r, HrdParameters& h) {
    h.nal_hrd_parameters_present_flag = r.read_flag();
    h.vcl_hrd_parameters_present_flag = r.read_flag();
    if (!h.nal_hrd_parameters_present_flag && !h.vcl_hrd_parameters_present_flag) {
        return;
    }
    h.sub_pic_hrd_params_present_flag = r.read_flag();
    if (h.sub_pic_hrd_params_present_flag) {
        r.skip(8 + 5 + 1 + 5); // tick divisor, du delay length, flag, du output delay length
    }
    h.bit_rate_scale = field<std::uint8_t>(r, 4);
    h.cpb_size_scale = field<std::uint8_t>(r, 4);
    if (h.sub_pic_hrd_params_present_flag) {
        r.skip(4); // cpb_size_du_scale
    }
    h.initial_cpb_removal_delay_length_minus1 = field<std::uint8_t>(r, 5);
    h.au_cpb_removal_delay_length_minus1 = field<std::uint8_t>(r, 5);
    h.dpb_output_delay_length_minus1 = field<std::uint8_t>(r, 5);
}

// hrd_parameters(1, sub_layers - 1): the common part, then each sub-layer's; the last
// sub-layer's kept.
void hrd_parameters(BitReader& r, int sub_layers, HrdParameters& h, SyntaxError& error) {
    hrd_common(r, h);
    for (int i = 0; i < sub_layers && !r.overrun(); ++i) {
        const bool general = r.read_flag(); // fixed_pic_rate_general_flag
        h.fixed_pic_rate_within_cvs_flag = general || r.read_flag();
        h.low_delay_hrd_flag = false;
        h.elemental_duration_in_tc_minus1 = 0;
        if (h.fixed_pic_rate_within_cvs_flag) {
            h.elemental_duration_in_tc_minus1 = ue<std::uint32_t>(r, 2047, error);
        } else {
            h.low_delay_hrd_flag = r.read_flag();
        }
        h.cpb_cnt_minus1 = h.low_delay_hrd_flag ? 0 : ue<std::uint8_t>(r, 31, error);
        const bool last = i + 1 == sub_layers;
        if (h.nal_hrd_parameters_present_flag) {
            sub_layer_hrd(r, h, h.nal, last, error);
        }
        if (h.vcl_hrd_parameters_present_flag) {
            sub_layer_hrd(r, h, h.vcl, last, error);
        }
    }
}

void vui_parameters(BitReader& r, int sub_layers, VuiParameters& v, SyntaxError& error) {
    vui_picture_fields(r, v, error);
    r.read_flag(); // neutral_chroma_indication_flag
    v.field_seq_flag = r.read_flag();
    v.frame_field_info_present_flag = r.read_flag();
    if (r.read_flag()) { // default_display_window_flag
        for (int i = 0; i < 4; ++i) {
            r.read_ue();
        }
    }
    v.vui_timing_info_present_flag = r.read_flag();
    if (v.vui_timing_info_present_flag) {
        v.vui_num_units_in_tick = r.read(32);
        v.vui_time_scale = r.read(32);
        if (!r.overrun() && (v.vui_num_units_in_tick == 0 || v.vui_time_scale == 0)) {
            note(error, SyntaxError::out_of_range);
        }
        if (r.read_flag()) { // vui_poc_proportional_to_timing_flag
            r.read_ue();
        }
        v.vui_hrd_parameters_present_flag = r.read_flag();
        if (v.vui_hrd_parameters_present_flag) {
            hrd_parameters(r, sub_layers, v.hrd, error);
        }
    }
}

void reference_fields(BitReader& r, SeqParameterSetWhole& s, SyntaxError& error) {
    s.num_short_term_ref_pic_sets = ue<std::uint8_t>(r, 64, error);
    for (int i = 0; i < s.num_short_term_ref_pic_sets && !r.overrun(); ++i) {
        st_ref_pic_set(r, i, s.num_short_term_ref_pic_sets, s.st_ref_pic_sets, error);
    }
    s.long_term_ref_pics_present_flag = r.read_flag();
    if (s.long_term_ref_pics_present_flag) {
        s.num_long_term_ref_pics_sps = ue<std::uint8_t>(r, 32, error);
        for (int i = 0; i < s.num_long_term_ref_pics_sps; ++i) {
            r.skip(s.sps.log2_max_pic_order_cnt_lsb_minus4 + 4u); // lt_ref_pic_poc_lsb_sps
            if (r.read_flag()) {
                s.used_by_curr_pic_lt_sps_flags |= 1u << i;
            }
        }
    }
    s.sps_temporal_mvp_enabled_flag = r.read_flag();
}

} // namespace

std::uint64_t bit_rate(const HrdParameters& hrd, const HrdSchedule& schedule) {
    return (std::uint64_t{schedule.bit_rate_value_minus1} + 1) << (6 + hrd.bit_rate_scale);
}

std::uint64_t cpb_size(const HrdParameters& hrd, const HrdSchedule& schedule) {
    return (std::uint64_t{schedule.cpb_size_value_minus1} + 1) << (4 + hrd.cpb_size_scale);
}

int ShortTermRefPicSet::used_by_curr() const {
    int used = 0;
    for (int i = 0; i < num_negative_pics; ++i) {
        used += used_by_curr_pic_s0[i] ? 1 : 0;
    }
    for (int i = 0; i < num_positive_pics; ++i) {
        used += used_by_curr_pic_s1[i] ? 1 : 0;
    }
    return used;
}

std::uint32_t SeqParameterSetWhole::picture_ctbs() const {
    const int ctb_log2 = sps.log2_min_luma_coding_block_size_minus3 + 3 +
                         sps.log2_diff_max_min_luma_coding_block_size;
    const std::uint32_t ctb = 1u << ctb_log2;
    return ((sps.pic_width_in_luma_samples + ctb - 1) >> ctb_log2) *
           ((sps.pic_height_in_luma_samples + ctb - 1) >> ctb_log2);
}

Parsed<SeqParameterSetWhole> seq_parameter_set_whole(std::span<const std::uint8_t> rbsp) {
    BitReader r(rbsp);
    SeqParameterSetWhole s;
    SyntaxError error = seq_parameter_set_fields(r, s.sps);
    r.read_flag(); // amp_enabled_flag
    s.sample_adaptive_offset_enabled_flag = r.read_flag();
    if (r.read_flag()) { // pcm_enabled_flag
        r.skip(8);       // the two bit depths
        r.read_ue();
        r.read_ue();
        r.read_flag();
    }
    reference_fields(r, s, error);
    r.read_flag(); // strong_intra_smoothing_enabled_flag
    s.vui_parameters_present_flag = r.read_flag();
    if (s.vui_parameters_present_flag) {
        vui_parameters(r, s.sps.sps_max_sub_layers_minus1 + 1, s.vui, error);
    }
    return mpeg::finish_rbsp(r, s, error);
}

namespace {

// The reference fields of a picture other than an IDR one; gives NumPicTotalCurr's share.
int picture_order_fields(BitReader& r, const SeqParameterSetWhole& sps, SliceSegmentHeader& h,
                         bool& temporal_mvp, SyntaxError& error) {
    const int lsb_bits = sps.sps.log2_max_pic_order_cnt_lsb_minus4 + 4;
    h.slice_pic_order_cnt_lsb = r.read(lsb_bits);
    int used = 0;
    if (!r.read_flag()) { // short_term_ref_pic_set_sps_flag
        auto sets = sps.st_ref_pic_sets;
        st_ref_pic_set(r, sps.num_short_term_ref_pic_sets, sps.num_short_term_ref_pic_sets, sets,
                       error);
        used = sets[sps.num_short_term_ref_pic_sets].used_by_curr();
    } else {
        const int bits = ceil_log2(sps.num_short_term_ref_pic_sets);
        const auto index = std::min<std::uint32_t>(r.read(bits), sps.num_short_term_ref_pic_sets);
        used = sps.st_ref_pic_sets[index].used_by_curr();
    }
    if (sps.long_term_ref_pics_present_flag) {
        const std::uint32_t from_sps =
            sps.num_long_term_ref_pics_sps > 0
                ? ue<std::uint32_t>(r, sps.num_long_term_ref_pics_sps, error)
                : 0;
        const std::uint32_t coded = ue<std::uint32_t>(r, 32, error);
        for (std::uint32_t i = 0; i < from_sps + coded && !r.overrun(); ++i) {
            if (i < from_sps) {
                const auto index = r.read(ceil_log2(sps.num_long_term_ref_pics_sps));
                used += (sps.used_by_curr_pic_lt_sps_flags >> (index & 31)) & 1;
            } else {
                r.skip(static_cast<std::size_t>(lsb_bits)); // poc_lsb_lt
                used += r.read_flag() ? 1 : 0;              // used_by_curr_pic_lt_flag
            }
            if (r.read_flag()) { // delta_poc_msb_present_flag
                r.read_ue();
            }
        }
    }
    if (sps.sps_temporal_mvp_enabled_flag) {
        temporal_mvp = r.read_flag();
    }
    return used;
}

void pred_weights(BitReader& r, int count, bool chroma) {
    bool luma_flags[16] = {};
    bool chroma_flags[16] = {};
    for (int i = 0; i < count; ++i) {
        luma_flags[i] = r.read_flag();
    }
    for (int i = 0; i < count && chroma; ++i) {
        chroma_flags[i] = r.read_flag();
    }
    for (int i = 0; i < count; ++i) {
        if (luma_flags[i]) {
            r.read_se();
            r.read_se();
        }
        for (int j = 0; j < (chroma_flags[i] ? 4 : 0); ++j) {
            r.read_se();
        }
    }
}

struct InterCounts {
    int l0 = 0;
    int l1 = 0;
};

void inter_fields(BitReader& r, const SeqParameterSetWhole& sps, const PicParameterSet& pps,
                  const SliceSegmentHeader& h, bool temporal_mvp, int total_curr,
                  SyntaxError& error) {
    const bool b = h.slice_type == slice_kind::b;
    InterCounts n{pps.num_ref_idx_l0_default_active_minus1,
                  pps.num_ref_idx_l1_default_active_minus1};
    if (r.read_flag()) { // num_ref_idx_active_override_flag
        n.l0 = ue<int>(r, 14, error);
        n.l1 = b ? ue<int>(r, 14, error) : n.l1;
    }
    if (pps.lists_modification_present_flag && total_curr > 1) {
        const int bits = ceil_log2(static_cast<std::uint32_t>(total_curr));
        if (r.read_flag()) { // ref_pic_list_modification_flag_l0
            r.skip(static_cast<std::size_t>(n.l0 + 1) * static_cast<std::size_t>(bits));
        }
        if (b && r.read_flag()) {
            r.skip(static_cast<std::size_t>(n.l1 + 1) * static_cast<std::size_t>(bits));
        }
    }
    if (b) {
        r.read_flag(); // mvd_l1_zero_flag
    }
    if (pps.cabac_init_present_flag) {
        r.read_flag();
    }
    if (temporal_mvp) {
        const bool from_l0 = !b || r.read_flag(); // collocated_from_l0_flag
        if ((from_l0 && n.l0 > 0) || (!from_l0 && n.l1 > 0)) {
            r.read_ue(); // collocated_ref_idx
        }
    }
    if ((pps.weighted_pred_flag && !b) || (pps.weighted_bipred_flag && b)) {
        const bool chroma = !sps.sps.separate_colour_plane_flag && sps.sps.chroma_format_idc != 0;
        r.read_ue(); // luma_log2_weight_denom
        if (chroma) {
            r.read_se();
        }
        pred_weights(r, n.l0 + 1, chroma);
        if (b) {
            pred_weights(r, n.l1 + 1, chroma);
        }
    }
    r.read_ue(); // five_minus_max_num_merge_cand
}

} // namespace

Parsed<SliceSegmentHeader> slice_segment_header(std::span<const std::uint8_t> rbsp,
                                                std::uint8_t nal_unit_type,
                                                const SeqParameterSetWhole& sps,
                                                const PicParameterSet& pps) {
    BitReader r(rbsp);
    SyntaxError error = SyntaxError::none;
    SliceSegmentHeader h;
    h.first_slice_segment_in_pic_flag = r.read_flag();
    if (is_irap(nal_unit_type)) {
        r.read_flag(); // no_output_of_prior_pics_flag
    }
    h.slice_pic_parameter_set_id = ue<std::uint8_t>(r, 63, error);
    if (!h.first_slice_segment_in_pic_flag) {
        if (pps.dependent_slice_segments_enabled_flag) {
            h.dependent_slice_segment_flag = r.read_flag();
        }
        h.slice_segment_address = r.read(ceil_log2(sps.picture_ctbs()));
    }
    if (h.dependent_slice_segment_flag) {
        return mpeg::finish_rbsp(r, h, error);
    }
    r.skip(pps.num_extra_slice_header_bits);
    h.slice_type = ue<std::uint8_t>(r, 2, error);
    if (pps.output_flag_present_flag) {
        h.pic_output_flag = r.read_flag();
    }
    if (sps.sps.separate_colour_plane_flag) {
        r.skip(2);
    }
    bool temporal_mvp = false;
    int total_curr = 0;
    if (nal_unit_type != idr_w_radl && nal_unit_type != idr_n_lp) {
        total_curr = picture_order_fields(r, sps, h, temporal_mvp, error);
    }
    if (sps.sample_adaptive_offset_enabled_flag) {
        r.read_flag();
        if (!sps.sps.separate_colour_plane_flag && sps.sps.chroma_format_idc != 0) {
            r.read_flag();
        }
    }
    if (h.slice_type != slice_kind::i) {
        inter_fields(r, sps, pps, h, temporal_mvp, total_curr, error);
    }
    h.slice_qp_delta = se<std::int8_t>(r, -87, 77, error);
    return mpeg::finish_rbsp(r, h, error);
}

namespace {

bool has_hrd(const VuiParameters& vui) {
    return vui.vui_hrd_parameters_present_flag &&
           (vui.hrd.nal_hrd_parameters_present_flag || vui.hrd.vcl_hrd_parameters_present_flag);
}

void pic_timing(BitReader& r, const VuiParameters& vui, SeiMessages& found) {
    if (vui.frame_field_info_present_flag) {
        found.pic_struct = field<std::uint8_t>(r, 4);
        r.skip(3); // source_scan_type, duplicate_flag
    }
    if (has_hrd(vui)) {
        const std::uint32_t removal = r.read(vui.hrd.au_cpb_removal_delay_length_minus1 + 1) + 1;
        const std::uint32_t output = r.read(vui.hrd.dpb_output_delay_length_minus1 + 1);
        if (!r.overrun()) {
            found.au_cpb_removal_delay = removal;
            found.pic_dpb_output_delay = output;
        }
    }
}

void initial_delays(BitReader& r, const HrdParameters& hrd, bool alternative,
                    std::vector<std::pair<std::uint32_t, std::uint32_t>>& delays) {
    const int bits = hrd.initial_cpb_removal_delay_length_minus1 + 1;
    for (int i = 0; i <= hrd.cpb_cnt_minus1; ++i) {
        const std::uint32_t delay = r.read(bits);
        delays.emplace_back(delay, r.read(bits));
        if (alternative) {
            r.skip(std::size_t{2} *
                   static_cast<std::size_t>(bits)); // the alternative delay and offset
        }
    }
}

std::optional<mpeg::BufferingPeriod> buffering_period(BitReader& r, const VuiParameters& vui) {
    const HrdParameters& hrd = vui.hrd;
    r.read_ue(); // bp_seq_parameter_set_id
    bool irap_cpb_params = false;
    if (!hrd.sub_pic_hrd_params_present_flag) {
        irap_cpb_params = r.read_flag();
    }
    if (irap_cpb_params) {
        r.skip(hrd.au_cpb_removal_delay_length_minus1 + 1u); // cpb_delay_offset
        r.skip(hrd.dpb_output_delay_length_minus1 + 1u);     // dpb_delay_offset
    }
    mpeg::BufferingPeriod period;
    period.concatenation_flag = r.read_flag();
    period.au_cpb_removal_delay_delta = r.read(hrd.au_cpb_removal_delay_length_minus1 + 1) + 1;
    const bool alternative = hrd.sub_pic_hrd_params_present_flag || irap_cpb_params;
    if (hrd.nal_hrd_parameters_present_flag) {
        initial_delays(r, hrd, alternative, period.nal);
    }
    if (hrd.vcl_hrd_parameters_present_flag) {
        initial_delays(r, hrd, alternative, period.vcl);
    }
    return r.overrun() ? std::nullopt : std::optional(period);
}

} // namespace

SeiMessages sei_messages(std::span<const std::uint8_t> rbsp, const VuiParameters* vui) {
    SeiMessages found;
    mpeg::for_each_sei_message(rbsp,
                               [&](std::uint32_t type, std::span<const std::uint8_t> payload) {
                                   BitReader r(payload);
                                   if (type == 0 && vui != nullptr && has_hrd(*vui)) {
                                       found.buffering_period = buffering_period(r, *vui);
                                   } else if (type == 1 && vui != nullptr) {
                                       pic_timing(r, *vui, found);
                                   } else if (type == 6) {
                                       const std::int32_t count = r.read_se();
                                       r.read_flag(); // exact_match_flag
                                       found.broken_link_flag = r.read_flag();
                                       if (!r.overrun()) {
                                           found.recovery_poc_cnt = count;
                                       }
                                   }
                               });
    return found;
}

const char* picture_type_name(std::uint8_t nal_unit_type) {
    static constexpr const char* names[] = {
        "TRAIL_N",     "TRAIL_R",     "TSA_N",          "TSA_R",         "STSA_N",
        "STSA_R",      "RADL_N",      "RADL_R",         "RASL_N",        "RASL_R",
        "RSV_VCL_N10", "RSV_VCL_R11", "RSV_VCL_N12",    "RSV_VCL_R13",   "RSV_VCL_N14",
        "RSV_VCL_R15", "BLA_W_LP",    "BLA_W_RADL",     "BLA_N_LP",      "IDR_W_RADL",
        "IDR_N_LP",    "CRA_NUT",     "RSV_IRAP_VCL22", "RSV_IRAP_VCL23"};
    return nal_unit_type < std::size(names) ? names[nal_unit_type] : "";
}

} // namespace quantaline::hevc
