#pragma once

// The rules a stream is checked against: the decoder's buffer, the cadence and the disc's
// rules, each with an id (data, in JSON, never translated) and a text (French, marked for
// translation; the front ends show it with tr_text(rule_context, ...)).

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quantaline::check {

enum class Rule : std::uint8_t {
    vbv_underflow,
    vbv_overflow,
    vbv_rate,
    vbv_delay_mixed,
    resolution,
    frame_rate,
    aspect_ratio,
    bit_rate,
    vbv_buffer_size,
    vbv_delay_limit,
    gop_length,
    sequence_header,
    first_gop_open,
    low_delay,
    profile_level,
    chroma_format,
    field_order_break,
    // The coded picture buffer of H.264 and HEVC.
    cpb_underflow,
    cpb_overflow,
    cpb_initial_delay,
    cpb_delay_changed, // a note
    output_interval,   // a note: output times that contradict fixed_frame_rate_flag
    // The Blu-ray disc's rules for H.264 video.
    bd_format,
    bd_profile,
    bd_level,
    bd_bitrate,
    bd_cpb_size,
    bd_hrd,
    bd_fixed_frame_rate,
    bd_vui_aspect,
    bd_pic_struct,
    bd_slices,
    bd_slice_type,
    bd_gop_length,
    bd_consecutive_b,
    bd_aud,
    bd_refs,
    bd_chroma_loc,
};

inline constexpr const char* rule_context = "Check";

struct RuleInfo {
    Rule rule;
    const char* id;
    const char* text; // French
};

std::span<const RuleInfo> rule_infos();
const char* rule_id(Rule rule);
// The French text; tr_text(rule_context, rule_text(rule)) in the user's language.
const char* rule_text(Rule rule);
std::optional<Rule> rule_of_id(std::string_view id);

} // namespace quantaline::check
