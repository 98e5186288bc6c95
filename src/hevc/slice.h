#pragma once

// What an HEVC slice segment's header needs of its SPS beyond the scaling lists (the
// reference picture sets, the VUI's timing, video signal and HRD), the slice segment header as
// far as slice_qp_delta, and the SEI messages a picture's times are read from.

#include "hevc/syntax.h"
#include "mpeg/hrd.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace quantaline::hevc {

// slice_type
namespace slice_kind {
inline constexpr std::uint8_t b = 0;
inline constexpr std::uint8_t p = 1;
inline constexpr std::uint8_t i = 2;
} // namespace slice_kind

// One st_ref_pic_set() as derived: the pictures before and after, with their flags.
struct ShortTermRefPicSet {
    std::uint8_t num_negative_pics = 0;
    std::uint8_t num_positive_pics = 0;
    std::array<std::int32_t, 16> delta_poc_s0{};
    std::array<std::int32_t, 16> delta_poc_s1{};
    std::array<bool, 16> used_by_curr_pic_s0{};
    std::array<bool, 16> used_by_curr_pic_s1{};
    int num_delta_pocs() const { return num_negative_pics + num_positive_pics; }
    int used_by_curr() const;
};

// One schedule of the hypothetical reference decoder's buffer.
struct HrdSchedule {
    std::uint32_t bit_rate_value_minus1 = 0;
    std::uint32_t cpb_size_value_minus1 = 0;
    bool cbr_flag = false;
};

// hrd_parameters() of the VUI, the sub-layer fields those of the highest sub-layer.
struct HrdParameters {
    bool nal_hrd_parameters_present_flag = false;
    bool vcl_hrd_parameters_present_flag = false;
    bool sub_pic_hrd_params_present_flag = false;
    std::uint8_t bit_rate_scale = 0;
    std::uint8_t cpb_size_scale = 0;
    std::uint8_t initial_cpb_removal_delay_length_minus1 = 23;
    std::uint8_t au_cpb_removal_delay_length_minus1 = 23;
    std::uint8_t dpb_output_delay_length_minus1 = 23;
    bool fixed_pic_rate_within_cvs_flag = false;
    std::uint32_t elemental_duration_in_tc_minus1 = 0;
    bool low_delay_hrd_flag = false;
    std::uint8_t cpb_cnt_minus1 = 0;
    std::array<HrdSchedule, 32> nal{};
    std::array<HrdSchedule, 32> vcl{};
};
// BitRate[i] and CpbSize[i] in bits per second and bits.
std::uint64_t bit_rate(const HrdParameters& hrd, const HrdSchedule& schedule);
std::uint64_t cpb_size(const HrdParameters& hrd, const HrdSchedule& schedule);

// The VUI's fields read here, each as inferred when not coded.
struct VuiParameters {
    bool aspect_ratio_info_present_flag = false;
    std::uint8_t aspect_ratio_idc = 0;
    std::uint16_t sar_width = 0;
    std::uint16_t sar_height = 0;
    bool video_signal_type_present_flag = false;
    std::uint8_t video_format = 5;
    bool video_full_range_flag = false;
    bool colour_description_present_flag = false;
    std::uint8_t colour_primaries = 2;
    std::uint8_t transfer_characteristics = 2;
    std::uint8_t matrix_coeffs = 2;
    bool field_seq_flag = false;
    bool frame_field_info_present_flag = false;
    bool vui_timing_info_present_flag = false;
    std::uint32_t vui_num_units_in_tick = 0;
    std::uint32_t vui_time_scale = 0;
    bool vui_hrd_parameters_present_flag = false;
    HrdParameters hrd{};
};

// The SPS whole (as far as its VUI), with what the slices need derived.
struct SeqParameterSetWhole {
    SeqParameterSet sps{};
    bool sample_adaptive_offset_enabled_flag = false;
    std::uint8_t num_short_term_ref_pic_sets = 0;
    std::array<ShortTermRefPicSet, 65> st_ref_pic_sets{}; // the last for a slice's own
    bool long_term_ref_pics_present_flag = false;
    std::uint8_t num_long_term_ref_pics_sps = 0;
    std::uint32_t used_by_curr_pic_lt_sps_flags = 0; // flag i at bit i
    bool sps_temporal_mvp_enabled_flag = false;
    bool vui_parameters_present_flag = false;
    VuiParameters vui{};
    // PicSizeInCtbsY
    std::uint32_t picture_ctbs() const;
};
Parsed<SeqParameterSetWhole> seq_parameter_set_whole(std::span<const std::uint8_t> rbsp);

struct SliceSegmentHeader {
    bool first_slice_segment_in_pic_flag = false;
    std::uint8_t slice_pic_parameter_set_id = 0;
    bool dependent_slice_segment_flag = false;
    std::uint32_t slice_segment_address = 0;
    std::uint8_t slice_type = slice_kind::i;
    bool pic_output_flag = true;
    std::uint32_t slice_pic_order_cnt_lsb = 0;
    std::int8_t slice_qp_delta = 0;
};
// A dependent slice segment ends at its address: the rest is its slice's.
Parsed<SliceSegmentHeader> slice_segment_header(std::span<const std::uint8_t> rbsp,
                                                std::uint8_t nal_unit_type,
                                                const SeqParameterSetWhole& sps,
                                                const PicParameterSet& pps);

// pic_timing()'s pic_struct (when the VUI says frame-field information is coded) and
// recovery_point(), and the buffer's delays, from one SEI unit's RBSP.
struct SeiMessages {
    std::optional<std::uint8_t> pic_struct;
    // pic_timing()'s AuCpbRemovalDelayVal and pic_dpb_output_delay, when the VUI has an HRD;
    // buffering_period().
    std::optional<std::uint32_t> au_cpb_removal_delay;
    std::optional<std::uint32_t> pic_dpb_output_delay;
    std::optional<mpeg::BufferingPeriod> buffering_period;
    std::optional<std::int32_t> recovery_poc_cnt;
    bool broken_link_flag = false;
};
SeiMessages sei_messages(std::span<const std::uint8_t> rbsp, const VuiParameters* vui);

// The nal_unit_type's name: "TRAIL_R", "IDR_W_RADL", "CRA_NUT", …; "" for a non-VCL type.
const char* picture_type_name(std::uint8_t nal_unit_type);
// The IRAP pictures (BLA, IDR, CRA and the reserved IRAP types).
inline bool is_irap(std::uint8_t nal_unit_type) {
    return nal_unit_type >= 16 && nal_unit_type <= 23;
}
// Sub-layer non-reference pictures: the even types below 16.
inline bool is_sub_layer_non_reference(std::uint8_t nal_unit_type) {
    return nal_unit_type < 16 && nal_unit_type % 2 == 0;
}

} // namespace quantaline::hevc
