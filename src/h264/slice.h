#pragma once

// An H.264 slice header as far as slice_qp_delta, and the SEI messages a picture's times and
// random access points are read from.

#include "h264/syntax.h"
#include "h264/vui.h"
#include "mpeg/hrd.h"

#include <cstdint>
#include <optional>
#include <span>

namespace quantaline::h264 {

// slice_type % 5
namespace slice_kind {
inline constexpr std::uint8_t p = 0;
inline constexpr std::uint8_t b = 1;
inline constexpr std::uint8_t i = 2;
inline constexpr std::uint8_t sp = 3;
inline constexpr std::uint8_t si = 4;
} // namespace slice_kind

struct SliceHeader {
    std::uint32_t first_mb_in_slice = 0;
    std::uint8_t slice_type = 0;
    std::uint8_t pic_parameter_set_id = 0;
    std::uint32_t frame_num = 0;
    bool field_pic_flag = false;
    bool bottom_field_flag = false;
    std::uint32_t idr_pic_id = 0;
    std::uint32_t pic_order_cnt_lsb = 0;
    std::int32_t delta_pic_order_cnt_bottom = 0;
    std::int32_t delta_pic_order_cnt[2] = {0, 0};
    std::uint8_t num_ref_idx_l0_active_minus1 = 0;
    std::uint8_t num_ref_idx_l1_active_minus1 = 0;
    // dec_ref_pic_marking() holds memory_management_control_operation 5.
    bool memory_management_5 = false;
    std::int8_t slice_qp_delta = 0;
};

// The slice's header from its RBSP (the NAL header byte gone), over the SPS and PPS it
// names; `nal_unit_header` tells an IDR picture and a reference one.
Parsed<SliceHeader> slice_header(std::span<const std::uint8_t> rbsp, const NalUnitHeader& nal,
                                 const SeqParameterSet& sps, const PicParameterSet& pps);

// The SEI messages read here, from one SEI unit's RBSP.
struct SeiMessages {
    // pic_timing(): pic_struct when the VUI says it is coded, the delays when it has an HRD.
    std::optional<std::uint8_t> pic_struct;
    std::optional<std::uint32_t> cpb_removal_delay;
    std::optional<std::uint32_t> dpb_output_delay;
    // buffering_period(), read with the VUI's HRD.
    std::optional<mpeg::BufferingPeriod> buffering_period;
    // recovery_point(): the picture is a random access point.
    std::optional<std::uint32_t> recovery_frame_cnt;
    bool broken_link_flag = false;
};
// `vui` is the active SPS's: it says whether pic_timing() holds the delays and pic_struct.
SeiMessages sei_messages(std::span<const std::uint8_t> rbsp, const VuiParameters* vui);

// How many fields a pic_struct value displays (Table D-1); 0 for a reserved value.
int pic_struct_fields(std::uint8_t pic_struct);

} // namespace quantaline::h264
