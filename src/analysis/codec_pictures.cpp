#include "analysis/codec_pictures.h"

#include "h264/slice.h"
#include "h264/vui.h"
#include "hevc/slice.h"
#include "mpeg/rbsp.h"
#include "mpeg4/vop.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace quantaline {

namespace {

using container::Codec;
using container::UnitKind;
using container::WalkedUnit;
using mpeg::rbsp_after;

// What one slice (or VOP) header says of its picture.
struct SliceFacts {
    bool first = false; // begins a picture
    bool read = false;  // its header was read as far as the quantiser's fields
    char type = 'I';
    std::uint8_t nal_type = 0;
    CodecPictureStructure structure = CodecPictureStructure::frame;
    bool mbaff = false;
    bool reference = true;
    bool coded = true;
    std::uint32_t start = 0; // its first macroblock or CTU
    std::uint32_t units = 0; // the picture's macroblocks or CTUs
    std::optional<int> qp;
    std::optional<std::int32_t> poc;
    bool new_period = false; // the picture order counts start again at it
    bool random_access = false;
    bool leading_skipped = false;   // HEVC RASL: refers to pictures before its IRAP
    std::optional<double> vop_time; // MPEG-4 Part 2: the VOP's own time, seconds
    double tick = 0;                // seconds a clock tick lasts, 0 unknown
};

// The picture order count's state across H.264 pictures.
struct H264Order {
    std::int32_t prev_msb = 0;
    std::int32_t prev_lsb = 0;
    bool prev_mmco5 = false;
    bool prev_bottom_field = false;
    std::int32_t prev_top_after_mmco5 = 0;
    std::uint32_t prev_frame_num = 0;
    std::int64_t prev_frame_num_offset = 0;
};

struct H264Fields {
    std::int64_t top = 0;
    std::int64_t bottom = 0;
};

H264Fields h264_order_type0(const h264::SeqParameterSet& sps, const h264::SliceHeader& sh, bool idr,
                            H264Order& o) {
    std::int32_t prev_msb = o.prev_msb;
    std::int32_t prev_lsb = o.prev_lsb;
    if (idr) {
        prev_msb = prev_lsb = 0;
    } else if (o.prev_mmco5) {
        prev_msb = 0;
        prev_lsb = o.prev_bottom_field ? 0 : o.prev_top_after_mmco5;
    }
    const std::int32_t max_lsb = 1 << (sps.log2_max_pic_order_cnt_lsb_minus4 + 4);
    const auto lsb = static_cast<std::int32_t>(sh.pic_order_cnt_lsb);
    std::int32_t msb = prev_msb;
    if (lsb < prev_lsb && prev_lsb - lsb >= max_lsb / 2) {
        msb = prev_msb + max_lsb;
    } else if (lsb > prev_lsb && lsb - prev_lsb > max_lsb / 2) {
        msb = prev_msb - max_lsb;
    }
    H264Fields f;
    f.top = msb + lsb;
    f.bottom = sh.field_pic_flag ? f.top : f.top + sh.delta_pic_order_cnt_bottom;
    o.prev_msb = msb; // kept by the caller only for a reference picture
    o.prev_lsb = lsb;
    return f;
}

H264Fields h264_order_from_frame_num(const h264::SeqParameterSet& sps, const h264::SliceHeader& sh,
                                     bool idr, bool reference, std::int64_t offset) {
    H264Fields f;
    const std::int64_t frame = offset + sh.frame_num;
    if (sps.pic_order_cnt_type == 2) {
        const std::int64_t order = idr ? 0 : reference ? 2 * frame : 2 * frame - 1;
        f.top = f.bottom = order;
        return f;
    }
    const int cycle = sps.num_ref_frames_in_pic_order_cnt_cycle;
    std::int64_t absolute = cycle != 0 ? frame : 0;
    if (!reference && absolute > 0) {
        --absolute;
    }
    std::int64_t expected = 0;
    if (absolute > 0) {
        const std::int64_t per_cycle =
            std::accumulate(sps.offset_for_ref_frame.begin(),
                            sps.offset_for_ref_frame.begin() + cycle, std::int64_t{0});
        expected = (absolute - 1) / cycle * per_cycle;
        for (int i = 0; i <= (absolute - 1) % cycle; ++i) {
            expected += sps.offset_for_ref_frame[i];
        }
    }
    if (!reference) {
        expected += sps.offset_for_non_ref_pic;
    }
    f.top = expected + sh.delta_pic_order_cnt[0];
    f.bottom = sh.field_pic_flag
                   ? expected + sps.offset_for_top_to_bottom_field + sh.delta_pic_order_cnt[0]
                   : f.top + sps.offset_for_top_to_bottom_field + sh.delta_pic_order_cnt[1];
    return f;
}

// The picture order count of an H.264 picture, its state moved past it.
std::int32_t h264_order(const h264::SeqParameterSet& sps, const h264::SliceHeader& sh,
                        const h264::NalUnitHeader& nal, H264Order& o) {
    const bool idr = nal.nal_unit_type == h264::nal_type::idr_slice;
    const bool reference = nal.nal_ref_idc != 0;
    H264Fields f;
    if (sps.pic_order_cnt_type == 0) {
        const H264Order before = o;
        f = h264_order_type0(sps, sh, idr, o);
        if (!reference) {
            o.prev_msb = before.prev_msb;
            o.prev_lsb = before.prev_lsb;
        }
    } else {
        const std::int64_t max_frame_num = std::int64_t{1} << (sps.log2_max_frame_num_minus4 + 4);
        std::int64_t offset = idr || o.prev_mmco5 ? 0 : o.prev_frame_num_offset;
        if (!idr && o.prev_frame_num > sh.frame_num) {
            offset += max_frame_num;
        }
        f = h264_order_from_frame_num(sps, sh, idr, reference, offset);
        o.prev_frame_num_offset = offset;
        o.prev_frame_num = sh.frame_num;
    }
    const std::int64_t order = !sh.field_pic_flag     ? std::min(f.top, f.bottom)
                               : sh.bottom_field_flag ? f.bottom
                                                      : f.top;
    if (reference || sps.pic_order_cnt_type != 0) {
        o.prev_mmco5 = sh.memory_management_5;
        o.prev_bottom_field = sh.field_pic_flag && sh.bottom_field_flag;
        o.prev_top_after_mmco5 = static_cast<std::int32_t>(f.top - order);
        if (sh.memory_management_5) {
            o.prev_frame_num = 0;
        }
    }
    return static_cast<std::int32_t>(order);
}

char h264_type(std::uint8_t slice_type) {
    switch (slice_type % 5) {
    case h264::slice_kind::b:
        return 'B';
    case h264::slice_kind::p:
    case h264::slice_kind::sp:
        return 'P';
    default:
        return 'I';
    }
}

// An H.264 SPS and the PPSs, each as stored; the PPS read over its SPS when first used.
struct H264Sets {
    std::map<int, h264::SeqParameterSetVui> sps;
    std::map<int, std::vector<std::uint8_t>> pps_rbsp;
    std::map<int, h264::PicParameterSet> pps;
    H264Order order;
    std::optional<std::uint32_t> recovery; // a recovery point SEI before the next picture
    std::optional<std::uint8_t> pic_struct;
    const h264::SeqParameterSetVui* active = nullptr;
    const h264::SeqParameterSetVui* latest = nullptr; // the SPS read last
    // The VUI an SEI is read with: the active SPS's, before the first picture the last read.
    const h264::VuiParameters* sei_vui() const {
        const auto* in_force = active != nullptr ? active : latest;
        return in_force != nullptr ? &in_force->vui : nullptr;
    }
};

void h264_parameter_set(H264Sets& sets, std::span<const std::uint8_t> unit) {
    const int type = h264::nal_type_of(unit[0]);
    auto rbsp = rbsp_after(unit, 1);
    if (type == h264::nal_type::seq_parameter_set) {
        const auto parsed = h264::seq_parameter_set_with_vui(rbsp);
        if (parsed.error == mpeg::SyntaxError::none) {
            auto& sps = sets.sps[parsed.fields.sps.seq_parameter_set_id];
            sps = parsed.fields;
            sets.pps.clear(); // read again over the new SPS
            sets.active = nullptr;
            sets.latest = &sps;
        }
        return;
    }
    const auto ids = mpeg::picture_set_ids(rbsp);
    if (ids.pps < 256) {
        const int id = static_cast<int>(ids.pps);
        sets.pps_rbsp[id] = std::move(rbsp);
        sets.pps.erase(id);
    }
}

const h264::PicParameterSet* h264_pps(H264Sets& sets, int id,
                                      const h264::SeqParameterSetVui*& sps) {
    const auto raw = sets.pps_rbsp.find(id);
    if (raw == sets.pps_rbsp.end()) {
        return nullptr;
    }
    const auto s = sets.sps.find(static_cast<int>(mpeg::picture_set_ids(raw->second).sps));
    if (s == sets.sps.end()) {
        return nullptr;
    }
    sps = &s->second;
    auto p = sets.pps.find(id);
    if (p == sets.pps.end()) {
        const auto parsed =
            h264::pic_parameter_set_rbsp(raw->second, s->second.sps.chroma_format_idc);
        if (parsed.error != mpeg::SyntaxError::none) {
            return nullptr;
        }
        p = sets.pps.emplace(id, parsed.fields).first;
    }
    return &p->second;
}

void h264_structure(const h264::SeqParameterSet& sps, const h264::SliceHeader& sh,
                    SliceFacts& facts) {
    const std::uint32_t width = sps.pic_width_in_mbs_minus1 + 1;
    const std::uint32_t map_units = sps.pic_height_in_map_units_minus1 + 1;
    const std::uint32_t frame_height = (sps.frame_mbs_only_flag ? 1 : 2) * map_units;
    facts.mbaff = sps.mb_adaptive_frame_field_flag && !sh.field_pic_flag;
    facts.structure = !sh.field_pic_flag     ? CodecPictureStructure::frame
                      : sh.bottom_field_flag ? CodecPictureStructure::bottom_field
                                             : CodecPictureStructure::top_field;
    facts.units = width * frame_height / (sh.field_pic_flag ? 2 : 1);
    facts.start = sh.first_mb_in_slice * (facts.mbaff ? 2 : 1);
}

SliceFacts h264_slice(H264Sets& sets, std::span<const std::uint8_t> head) {
    SliceFacts facts;
    const auto nal = h264::nal_unit_header(head).fields;
    const auto rbsp = rbsp_after(head, 1);
    const auto start = h264::slice_header_start(rbsp).fields;
    facts.first = start.first_mb_in_slice == 0;
    facts.nal_type = nal.nal_unit_type;
    facts.reference = nal.nal_ref_idc != 0;
    facts.type = h264_type(start.slice_type);
    const h264::SeqParameterSetVui* sps = nullptr;
    const h264::PicParameterSet* pps = h264_pps(sets, start.pic_parameter_set_id, sps);
    if (pps == nullptr) {
        return facts;
    }
    const auto parsed = h264::slice_header(rbsp, nal, sps->sps, *pps);
    const h264::SliceHeader& sh = parsed.fields;
    h264_structure(sps->sps, sh, facts);
    facts.read = true;
    if (parsed.error == mpeg::SyntaxError::none) {
        facts.qp = 26 + pps->pic_init_qp_minus26 + sh.slice_qp_delta;
    }
    if (facts.first) {
        sets.active = sps;
        const bool idr = nal.nal_unit_type == h264::nal_type::idr_slice;
        facts.new_period = idr || sets.order.prev_mmco5;
        facts.poc = h264_order(sps->sps, sh, nal, sets.order);
        facts.random_access = idr || (sets.recovery.has_value() && facts.type == 'I');
        if (sps->vui.timing_info_present_flag) {
            facts.tick = static_cast<double>(sps->vui.num_units_in_tick) / sps->vui.time_scale;
        }
    }
    return facts;
}

// HEVC: the SPSs whole and the PPSs by id, and the order count's state.
struct HevcSets {
    std::map<int, hevc::SeqParameterSetWhole> sps;
    std::map<int, hevc::PicParameterSet> pps;
    std::int32_t prev_tid0_order = 0;
    bool first_picture = true;
    bool after_end_of_sequence = false;
    std::optional<std::uint8_t> pic_struct;
    const hevc::SeqParameterSetWhole* active = nullptr;
    const hevc::SeqParameterSetWhole* latest = nullptr;
    const hevc::VuiParameters* sei_vui() const {
        const auto* in_force = active != nullptr ? active : latest;
        return in_force != nullptr ? &in_force->vui : nullptr;
    }
};

void hevc_parameter_set(HevcSets& sets, std::span<const std::uint8_t> unit) {
    const int type = hevc::nal_type_of(unit[0]);
    const auto rbsp = rbsp_after(unit, hevc::nal_unit_header_size);
    if (type == hevc::nal_type::sps) {
        const auto parsed = hevc::seq_parameter_set_whole(rbsp);
        if (parsed.error == mpeg::SyntaxError::none) {
            auto& sps = sets.sps[parsed.fields.sps.sps_seq_parameter_set_id];
            sps = parsed.fields;
            sets.active = nullptr;
            sets.latest = &sps;
        }
    } else if (type == hevc::nal_type::pps) {
        const auto parsed = hevc::pic_parameter_set_rbsp(rbsp);
        if (parsed.error == mpeg::SyntaxError::none) {
            sets.pps[parsed.fields.pps_pic_parameter_set_id] = parsed.fields;
        }
    }
}

char hevc_type(std::uint8_t slice_type) {
    return slice_type == hevc::slice_kind::b ? 'B' : slice_type == hevc::slice_kind::p ? 'P' : 'I';
}

std::int32_t hevc_order(HevcSets& sets, const hevc::SeqParameterSetWhole& sps,
                        const hevc::SliceSegmentHeader& sh, std::uint8_t type,
                        std::uint8_t temporal_id, bool& new_period) {
    const bool idr = type == 19 || type == 20;
    const bool no_rasl_output =
        hevc::is_irap(type) && (type < 21 || sets.first_picture || sets.after_end_of_sequence);
    new_period = no_rasl_output;
    const std::int32_t max_lsb = 1 << (sps.sps.log2_max_pic_order_cnt_lsb_minus4 + 4);
    const auto lsb = idr ? 0 : static_cast<std::int32_t>(sh.slice_pic_order_cnt_lsb);
    std::int32_t msb = 0;
    if (!no_rasl_output) {
        const std::int32_t prev_lsb = sets.prev_tid0_order & (max_lsb - 1);
        const std::int32_t prev_msb = sets.prev_tid0_order - prev_lsb;
        msb = prev_msb;
        if (lsb < prev_lsb && prev_lsb - lsb >= max_lsb / 2) {
            msb = prev_msb + max_lsb;
        } else if (lsb > prev_lsb && lsb - prev_lsb > max_lsb / 2) {
            msb = prev_msb - max_lsb;
        }
    }
    const std::int32_t order = msb + lsb;
    // RADL, RASL and sub-layer non-reference pictures are not the next one's base.
    if (temporal_id == 0 && !(type >= 6 && type <= 9) && !hevc::is_sub_layer_non_reference(type)) {
        sets.prev_tid0_order = order;
    }
    sets.first_picture = false;
    sets.after_end_of_sequence = false;
    return order;
}

void hevc_picture_facts(HevcSets& sets, const hevc::SeqParameterSetWhole& sps,
                        const hevc::SliceSegmentHeader& sh, std::span<const std::uint8_t> head,
                        SliceFacts& facts) {
    const std::uint8_t type = facts.nal_type;
    const std::uint8_t temporal_id = hevc::temporal_id_of(head[1]);
    sets.active = &sps;
    facts.poc = hevc_order(sets, sps, sh, type, temporal_id, facts.new_period);
    facts.random_access = hevc::is_irap(type);
    facts.leading_skipped = type == 8 || type == 9;
    if (sps.vui.vui_timing_info_present_flag) {
        facts.tick = static_cast<double>(sps.vui.vui_num_units_in_tick) / sps.vui.vui_time_scale;
    }
    if (sets.pic_struct && sps.vui.field_seq_flag) {
        const std::uint8_t s = *sets.pic_struct;
        const bool top = s == 1 || s == 9 || s == 11;
        const bool bottom = s == 2 || s == 10 || s == 12;
        facts.structure = top      ? CodecPictureStructure::top_field
                          : bottom ? CodecPictureStructure::bottom_field
                                   : CodecPictureStructure::frame;
    }
}

SliceFacts hevc_slice(HevcSets& sets, std::span<const std::uint8_t> head) {
    SliceFacts facts;
    if (head.size() < hevc::nal_unit_header_size) {
        return facts;
    }
    facts.nal_type = static_cast<std::uint8_t>(hevc::nal_type_of(head[0]));
    facts.reference = !hevc::is_sub_layer_non_reference(facts.nal_type);
    const auto rbsp = rbsp_after(head, hevc::nal_unit_header_size);
    const auto start = hevc::slice_segment_header_start(rbsp, facts.nal_type).fields;
    facts.first = start.first_slice_segment_in_pic_flag;
    const auto p = sets.pps.find(start.slice_pic_parameter_set_id);
    const auto s =
        p == sets.pps.end() ? sets.sps.end() : sets.sps.find(p->second.pps_seq_parameter_set_id);
    if (s == sets.sps.end()) {
        return facts;
    }
    const auto parsed = hevc::slice_segment_header(rbsp, facts.nal_type, s->second, p->second);
    const hevc::SliceSegmentHeader& sh = parsed.fields;
    facts.read = true;
    facts.units = s->second.picture_ctbs();
    facts.start = sh.slice_segment_address;
    facts.type = hevc_type(sh.slice_type);
    if (parsed.error == mpeg::SyntaxError::none && !sh.dependent_slice_segment_flag) {
        facts.qp = 26 + p->second.init_qp_minus26 + sh.slice_qp_delta;
    }
    if (facts.first) {
        hevc_picture_facts(sets, s->second, sh, head, facts);
    }
    return facts;
}

// MPEG-4 Part 2: the layer in force and the time base of its VOPs.
struct Mpeg4State {
    std::optional<mpeg4::VideoObjectLayer> layer;
    // The seconds of the last I, P or S VOP (or of the group), and of the one before,
    // which a B-VOP's modulo_time_base counts from.
    std::uint32_t base_seconds = 0;
    std::uint32_t previous_base_seconds = 0;
    bool group_pending = false; // a group of VOPs came since the last VOP
    bool group_closed = false;
};

void mpeg4_header(Mpeg4State& state, std::span<const std::uint8_t> bytes) {
    const auto headers = mpeg4::configuration_headers(bytes);
    if (headers.layer && headers.layer->vop_time_increment_resolution != 0) {
        state.layer = headers.layer;
    }
}

SliceFacts mpeg4_vop(Mpeg4State& state, std::span<const std::uint8_t> head) {
    SliceFacts facts;
    facts.first = true;
    if (!state.layer || head.size() < 2) {
        return facts;
    }
    const mpeg4::VideoObjectLayer& vol = *state.layer;
    const auto vop = mpeg4::vop_header(head.subspan(1), vol).fields;
    static constexpr char types[] = {'I', 'P', 'B', 'S'};
    facts.read = true;
    facts.type = types[vop.vop_coding_type & 3];
    facts.coded = vop.vop_coded;
    facts.reference = facts.type != 'B';
    facts.units = 1;
    if (vop.vop_quant) {
        facts.qp = *vop.vop_quant;
    }
    std::uint32_t seconds = state.previous_base_seconds + vop.modulo_time_base;
    if (facts.reference) {
        state.previous_base_seconds = state.base_seconds;
        state.base_seconds += vop.modulo_time_base;
        seconds = state.base_seconds;
    }
    facts.vop_time =
        seconds + static_cast<double>(vop.vop_time_increment) / vol.vop_time_increment_resolution;
    facts.random_access = facts.type == 'I';
    return facts;
}

} // namespace

namespace {

// The clock of the VUI's timing information, when it gives one.
void set_clock(CodecSequence& q, std::uint32_t num_units_in_tick, std::uint32_t time_scale) {
    if (time_scale != 0) {
        q.tick = static_cast<double>(num_units_in_tick) / time_scale;
        q.time_scale = time_scale;
        q.num_units_in_tick = num_units_in_tick;
    }
}

} // namespace

// The buffer's schedules and the format's fields of the SPS in force.
std::vector<CodecHrdSchedule> h264_schedules(const h264::HrdParameters& hrd) {
    std::vector<CodecHrdSchedule> schedules;
    for (int i = 0; i <= hrd.cpb_cnt_minus1; ++i) {
        schedules.push_back({h264::bit_rate(hrd, i), h264::cpb_size(hrd, i), hrd.cbr_flag[i]});
    }
    return schedules;
}

CodecSequence h264_sequence(const h264::SeqParameterSetVui& s) {
    CodecSequence q;
    const h264::VuiParameters& v = s.vui;
    if (v.timing_info_present_flag) {
        set_clock(q, v.num_units_in_tick, v.time_scale);
    }
    if (v.nal_hrd_parameters_present_flag) {
        q.nal = h264_schedules(v.nal_hrd);
    }
    if (v.vcl_hrd_parameters_present_flag) {
        q.vcl = h264_schedules(v.vcl_hrd);
    }
    q.low_delay = v.low_delay_hrd_flag;
    q.fixed_frame_rate = v.fixed_frame_rate_flag;
    const auto size = h264::cropped_size(s.sps);
    q.width = size.width;
    q.height = size.height;
    q.profile_idc = s.sps.profile_idc;
    q.level_idc = s.sps.level_idc;
    q.constraint_set3 = ((s.sps.constraint_set_flags >> 2) & 1) != 0;
    q.frame_mbs_only = s.sps.frame_mbs_only_flag;
    q.mbaff = s.sps.mb_adaptive_frame_field_flag;
    if (v.aspect_ratio_info_present_flag) {
        q.aspect_ratio_idc = v.aspect_ratio_idc;
    }
    q.pic_struct_present = v.pic_struct_present_flag;
    q.max_num_ref_frames = s.sps.max_num_ref_frames;
    if (v.bitstream_restriction_flag) {
        q.max_dec_frame_buffering = v.max_dec_frame_buffering;
    }
    if (v.chroma_loc_info_present_flag) {
        q.chroma_loc_top = v.chroma_sample_loc_type_top_field;
        q.chroma_loc_bottom = v.chroma_sample_loc_type_bottom_field;
    }
    return q;
}

std::vector<CodecHrdSchedule> hevc_schedules(const hevc::HrdParameters& hrd,
                                             const std::array<hevc::HrdSchedule, 32>& list) {
    std::vector<CodecHrdSchedule> schedules;
    for (int i = 0; i <= hrd.cpb_cnt_minus1; ++i) {
        schedules.push_back(
            {hevc::bit_rate(hrd, list[i]), hevc::cpb_size(hrd, list[i]), list[i].cbr_flag});
    }
    return schedules;
}

CodecSequence hevc_sequence(const hevc::SeqParameterSetWhole& s) {
    CodecSequence q;
    const hevc::VuiParameters& v = s.vui;
    if (v.vui_timing_info_present_flag) {
        set_clock(q, v.vui_num_units_in_tick, v.vui_time_scale);
    }
    if (v.vui_hrd_parameters_present_flag) {
        if (v.hrd.nal_hrd_parameters_present_flag) {
            q.nal = hevc_schedules(v.hrd, v.hrd.nal);
        }
        if (v.hrd.vcl_hrd_parameters_present_flag) {
            q.vcl = hevc_schedules(v.hrd, v.hrd.vcl);
        }
        q.low_delay = v.hrd.low_delay_hrd_flag;
        q.fixed_frame_rate = v.hrd.fixed_pic_rate_within_cvs_flag;
    }
    q.width = s.sps.pic_width_in_luma_samples;
    q.height = s.sps.pic_height_in_luma_samples;
    return q;
}

// A unit of the access units not yet closed: what the buffer counts of it.
struct PendingUnit {
    std::uint64_t position = 0;
    std::uint8_t prefix = 0;
    bool length_field = false;
    bool parameter_set = false;
    bool vcl = false; // a coded slice or filler data
    bool delimiter = false;
};

PendingUnit pending_unit(Codec codec, const WalkedUnit& unit) {
    PendingUnit u{unit.position,
                  unit.prefix,
                  unit.length_field,
                  unit.kind == UnitKind::parameter_set,
                  unit.kind == UnitKind::picture,
                  false};
    if (codec == Codec::h264) {
        const int type = h264::nal_type_of(unit.bytes[0]);
        u.vcl = u.vcl || type == h264::nal_type::filler_data;
        u.delimiter = type == h264::nal_type::access_unit_delimiter;
    } else if (codec == Codec::hevc) {
        const int type = hevc::nal_type_of(unit.bytes[0]);
        u.vcl = u.vcl || type == hevc::nal_type::filler_data;
        u.delimiter = type == hevc::nal_type::access_unit_delimiter;
    }
    return u;
}

// A sample's times as its container gives them, in its time scale.
struct ContainerTime {
    std::optional<std::int64_t> decode;
    std::int64_t presentation = 0;
    std::uint32_t timescale = 0;
};

struct CodecPictureReader::State {
    explicit State(std::vector<CodecPicture>& read) : pictures(read) {}
    void other_unit(const WalkedUnit& unit);
    void close_picture(std::uint64_t end);
    void begin_picture(const SliceFacts& facts, std::uint64_t start, std::uint64_t offset,
                       std::size_t list_set);
    void mark_open_group(const SliceFacts& facts, CodecPicture& picture);
    void picture_ticks(CodecPicture& picture);
    bool presentation_times(double& duration);
    bool container_clock(double& duration, bool& decoded);

    std::vector<CodecPicture>& pictures;
    Codec codec = Codec::unknown;
    H264Sets h264;
    HevcSets hevc;
    Mpeg4State mpeg4;
    // The open picture and its slices: where each begins and its QP.
    std::optional<CodecPicture> open;
    std::uint64_t open_start = 0;
    std::vector<std::pair<std::uint32_t, int>> slices;
    std::uint32_t units = 0;
    std::optional<double> vop_time;
    // Where the next access unit begins, when a unit that opens one came since the last
    // picture's slices (or a sample began).
    std::optional<std::uint64_t> next_start;
    std::optional<std::uint64_t> next_offset;
    std::uint64_t before_parameter_sets = 0;
    std::vector<std::optional<double>> vop_times;
    std::vector<std::uint64_t> periods; // each picture's period of order counts
    std::uint64_t period = 0;
    double tick = 0;
    // The group of pictures under way: its first picture, that one's order and period.
    std::optional<std::size_t> gop_first;
    double gop_order = 0;
    std::uint64_t gop_period = 0;
    bool gop_closed = false;
    // The HDR metadata the SEI gave so far, and as last recorded.
    mpeg::HdrMetadata hdr;
    mpeg::HdrMetadata recorded_hdr;
    std::vector<CodecHdrChange> hdr_changes;
    // The times of the sample that began since the last picture, of the open picture's
    // sample, and of each picture's.
    std::optional<ContainerTime> sample_time;
    std::optional<ContainerTime> open_time;
    std::vector<std::optional<ContainerTime>> container_times;
    // The units since the open picture began, the buffering period and picture timing the
    // SEI gave the next picture, the first slice's type.
    std::vector<PendingUnit> au_units;
    std::optional<mpeg::BufferingPeriod> pending_period;
    std::optional<std::uint32_t> pending_removal;
    std::optional<std::uint32_t> pending_output;
    char first_slice_type = 'I';
    std::vector<mpeg::BufferingPeriod> buffering_periods;
    std::vector<CodecSequence> sequences;
    void buffer_bytes(CodecPicture& picture, std::uint64_t end);
    void buffer_facts(CodecPicture& picture);
};

CodecPictureReader::CodecPictureReader() : state_(std::make_unique<State>(pictures)) {}
CodecPictureReader::~CodecPictureReader() = default;

void CodecPictureReader::parameter_set(Codec codec, std::span<const std::uint8_t> unit) {
    if (unit.empty()) {
        return;
    }
    if (codec == Codec::h264) {
        h264_parameter_set(state_->h264, unit);
    } else if (codec == Codec::hevc) {
        if (unit.size() >= hevc::nal_unit_header_size) {
            hevc_parameter_set(state_->hevc, unit);
        }
    } else if (codec == Codec::mpeg4) {
        mpeg4_header(state_->mpeg4, unit);
    }
}

namespace {

// The units other than parameter sets and slices that begin an access unit when they come
// after a picture's slices.
bool opens_access_unit(Codec codec, std::uint8_t first) {
    if (codec == Codec::h264) {
        const int type = h264::nal_type_of(first);
        return type == h264::nal_type::sei || type == h264::nal_type::access_unit_delimiter ||
               (type >= 14 && type <= 18);
    }
    if (codec == Codec::hevc) {
        const int type = hevc::nal_type_of(first);
        return type == hevc::nal_type::access_unit_delimiter ||
               type == hevc::nal_type::prefix_sei || (type >= 41 && type <= 44) ||
               (type >= 48 && type <= 55);
    }
    return first == mpeg4::start_code::group_of_vop || first == mpeg4::start_code::user_data;
}

// The slice QP over a picture's slices, each weighted by the macroblocks or CTUs from its
// first to the next slice's first.
void average_slice_qp(std::vector<std::pair<std::uint32_t, int>>& slices, std::uint32_t units,
                      CodecPicture& picture) {
    std::stable_sort(slices.begin(), slices.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::int64_t weighted = 0;
    std::int64_t weights = 0;
    bool any = false;
    for (std::size_t i = 0; i < slices.size(); ++i) {
        const std::uint32_t end = i + 1 < slices.size() ? slices[i + 1].first : units;
        const std::int64_t weight = end > slices[i].first ? end - slices[i].first : 0;
        const int qp = slices[i].second;
        if (qp < 0) {
            continue; // not read that far
        }
        picture.qp_min = static_cast<std::uint8_t>(any ? std::min<int>(picture.qp_min, qp) : qp);
        picture.qp_max = static_cast<std::uint8_t>(any ? std::max<int>(picture.qp_max, qp) : qp);
        any = true;
        weighted += weight * qp;
        weights += weight;
    }
    if (any) {
        picture.qp_average_hundredths =
            weights > 0 ? static_cast<std::uint32_t>((weighted * 100 + weights / 2) / weights)
                        : std::uint32_t{picture.qp_min} * 100;
    }
}

} // namespace

void CodecPictureReader::sample(const container::WalkedSample& sample) {
    state_->next_start = sample.position;
    state_->next_offset = sample.offset;
    state_->sample_time.reset();
    if (sample.presentation_time && sample.timescale != 0) {
        state_->sample_time =
            ContainerTime{sample.decode_time, *sample.presentation_time, sample.timescale};
    }
}

void CodecPictureReader::State::other_unit(const WalkedUnit& unit) {
    State& s = *this;
    const std::uint8_t first = unit.bytes[0];
    if (opens_access_unit(codec, first) && !s.next_start) {
        s.next_start = unit.position;
        s.next_offset = unit.offset ? std::optional(*unit.offset - unit.prefix) : std::nullopt;
    }
    if (codec == Codec::h264 && h264::nal_type_of(first) == h264::nal_type::sei) {
        const auto rbsp = rbsp_after(unit.bytes, 1);
        const auto sei = h264::sei_messages(rbsp, s.h264.sei_vui());
        mpeg::read_hdr_messages(rbsp, s.hdr);
        s.pending_period = sei.buffering_period ? sei.buffering_period : s.pending_period;
        if (sei.cpb_removal_delay) {
            s.pending_removal = sei.cpb_removal_delay;
            s.pending_output = sei.dpb_output_delay;
        }
        s.h264.recovery = sei.recovery_frame_cnt ? sei.recovery_frame_cnt : s.h264.recovery;
        s.h264.pic_struct = sei.pic_struct ? sei.pic_struct : s.h264.pic_struct;
    } else if (codec == Codec::hevc && unit.bytes.size() >= 2) {
        const int type = hevc::nal_type_of(first);
        if (type == hevc::nal_type::prefix_sei) {
            const auto rbsp = rbsp_after(unit.bytes, 2);
            const auto sei = hevc::sei_messages(rbsp, s.hevc.sei_vui());
            mpeg::read_hdr_messages(rbsp, s.hdr);
            s.pending_period = sei.buffering_period ? sei.buffering_period : s.pending_period;
            if (sei.au_cpb_removal_delay) {
                s.pending_removal = sei.au_cpb_removal_delay;
                s.pending_output = sei.pic_dpb_output_delay;
            }
            s.hevc.pic_struct = sei.pic_struct ? sei.pic_struct : s.hevc.pic_struct;
        } else if (type == hevc::nal_type::end_of_sequence) {
            s.hevc.after_end_of_sequence = true;
        }
    } else if (codec == Codec::mpeg4 && first == mpeg4::start_code::group_of_vop) {
        const auto group = mpeg4::group_of_vop(unit.bytes.subspan(1)).fields;
        s.mpeg4.base_seconds = group.seconds;
        s.mpeg4.group_pending = true;
        s.mpeg4.group_closed = group.closed_gov;
    }
}

void CodecPictureReader::State::close_picture(std::uint64_t end) {
    State& s = *this;
    if (!s.open) {
        return;
    }
    CodecPicture& picture = *s.open;
    picture.bytes = end > s.open_start ? end - s.open_start : 0;
    average_slice_qp(s.slices, s.units, picture);
    s.buffer_bytes(picture, end);
    s.pictures.push_back(picture);
    s.container_times.push_back(s.open_time);
    s.vop_times.push_back(s.vop_time);
    s.periods.push_back(s.period);
    s.open.reset();
}

void CodecPictureReader::unit(Codec codec, const WalkedUnit& unit, std::size_t list_set) {
    State& s = *state_;
    s.codec = codec;
    if (unit.bytes.empty()) {
        return;
    }
    if (codec != Codec::mpeg4) {
        s.au_units.push_back(pending_unit(codec, unit));
    }
    if (unit.kind != UnitKind::picture) {
        if (unit.kind == UnitKind::parameter_set) {
            parameter_set(codec, unit.bytes);
        }
        if (unit.kind == UnitKind::parameter_set && !s.next_start) {
            s.next_start = unit.position;
            s.next_offset = unit.offset ? std::optional(*unit.offset - unit.prefix) : std::nullopt;
        }
        if (unit.kind == UnitKind::other) {
            s.other_unit(unit);
        }
        return;
    }
    const SliceFacts facts = codec == Codec::h264   ? h264_slice(s.h264, unit.bytes)
                             : codec == Codec::hevc ? hevc_slice(s.hevc, unit.bytes)
                                                    : mpeg4_vop(s.mpeg4, unit.bytes);
    if (facts.first) {
        const std::uint64_t start = s.next_start.value_or(unit.position);
        const std::uint64_t offset =
            s.next_offset.value_or(unit.offset.value_or(unit.prefix) - unit.prefix);
        s.close_picture(start);
        s.next_start.reset();
        s.next_offset.reset();
        s.begin_picture(facts, start, offset, list_set);
    } else if (s.open && facts.read) {
        ++s.open->slices;
        s.open->mixed_slice_types = s.open->mixed_slice_types || facts.type != s.first_slice_type;
        s.slices.emplace_back(facts.start,
                              facts.qp.value_or(s.slices.empty() ? -1 : s.slices.back().second));
        s.open->type = std::max(s.open->type, facts.type, [](char a, char b) {
            const auto rank = [](char t) { return t == 'B' ? 2 : t == 'P' ? 1 : 0; };
            return rank(a) < rank(b);
        });
    }
}

void CodecPictureReader::State::begin_picture(const SliceFacts& facts, std::uint64_t start,
                                              std::uint64_t offset, std::size_t list_set) {
    State& s = *this;
    s.open_time = s.sample_time;
    s.sample_time.reset(); // a second field in the same sample has no time of its own
    if (!facts.read && s.pictures.empty()) {
        ++s.before_parameter_sets;
        s.pending_period.reset();
        s.pending_removal.reset();
        return;
    }
    if (s.hdr != s.recorded_hdr) {
        s.hdr_changes.push_back({s.pictures.size(), offset, s.hdr});
        s.recorded_hdr = s.hdr;
    }
    CodecPicture p;
    p.offset = offset;
    p.type = facts.type;
    p.nal_type = facts.nal_type;
    p.structure = facts.structure;
    p.mbaff = facts.mbaff;
    p.reference = facts.reference;
    p.coded = facts.coded;
    p.poc = facts.poc;
    p.list_set = list_set;
    p.random_access = facts.random_access;
    s.period += facts.new_period && !s.pictures.empty() ? 1 : 0;
    s.tick = facts.tick > 0 ? facts.tick : s.tick;
    s.vop_time = facts.vop_time;
    mark_open_group(facts, p);
    picture_ticks(p);
    p.slices = 1;
    s.first_slice_type = facts.type;
    buffer_facts(p);
    s.open = p;
    s.open_start = start;
    s.units = facts.units;
    s.slices.assign(1, {facts.start, facts.qp.value_or(-1)});
}

// What the buffer receives of the picture closing at `end`: its units' bytes as a byte
// stream (a length field stands for a start code of four bytes for the first unit and the
// parameter sets, three for the others), and its slices' and filler data's own.
void CodecPictureReader::State::buffer_bytes(CodecPicture& picture, std::uint64_t end) {
    std::int64_t nal = static_cast<std::int64_t>(picture.bytes);
    bool first = true;
    std::size_t k = 0;
    for (; k < au_units.size() && au_units[k].position < end; ++k) {
        const PendingUnit& u = au_units[k];
        if (u.position < open_start) {
            continue;
        }
        const std::uint64_t next = k + 1 < au_units.size() && au_units[k + 1].position < end
                                       ? au_units[k + 1].position
                                       : end;
        if (u.length_field) {
            nal += (first || u.parameter_set ? 4 : 3) - std::int64_t{u.prefix};
        }
        if (u.vcl && next > u.position + u.prefix) {
            picture.vcl_bytes += next - u.position - u.prefix;
        }
        picture.delimited = first ? u.delimiter : picture.delimited;
        first = false;
    }
    au_units.erase(au_units.begin(), au_units.begin() + static_cast<std::ptrdiff_t>(k));
    picture.nal_bytes = static_cast<std::uint64_t>(std::max<std::int64_t>(nal, 0));
}

// The buffering period and picture timing its SEI gave, and the sequence in force.
void CodecPictureReader::State::buffer_facts(CodecPicture& picture) {
    picture.cpb_removal_delay = pending_removal;
    picture.dpb_output_delay = pending_output;
    pending_removal.reset();
    pending_output.reset();
    if (pending_period) {
        buffering_periods.push_back(std::move(*pending_period));
        picture.buffering_period = static_cast<std::uint32_t>(buffering_periods.size());
        pending_period.reset();
    }
    std::optional<CodecSequence> in_force;
    if (codec == Codec::h264 && h264.active != nullptr) {
        in_force = h264_sequence(*h264.active);
    } else if (codec == Codec::hevc && hevc.active != nullptr) {
        in_force = hevc_sequence(*hevc.active);
    }
    if (in_force) {
        if (sequences.empty() || sequences.back() != *in_force) {
            sequences.push_back(std::move(*in_force));
        }
        picture.sequence = static_cast<std::uint32_t>(sequences.size());
    }
}

// A group whose leading pictures refer to pictures before it is open: HEVC's RASL
// pictures; for H.264 and MPEG-4 a picture after an intra one that it precedes in order.
void CodecPictureReader::State::mark_open_group(const SliceFacts& facts, CodecPicture& picture) {
    State& s = *this;
    if (s.codec == Codec::mpeg4 && facts.type == 'I') {
        // A group of VOPs that says it is closed is, whatever its B-VOPs' times.
        s.gop_closed = s.mpeg4.group_pending && s.mpeg4.group_closed;
        s.mpeg4.group_pending = false;
    }
    if (s.codec == Codec::h264) {
        s.h264.recovery.reset();
    }
    if (picture.random_access) {
        s.gop_first = s.pictures.size();
        s.gop_order = facts.vop_time ? *facts.vop_time : facts.poc.value_or(0);
        s.gop_period = s.period;
        return;
    }
    if (!s.gop_first || *s.gop_first >= s.pictures.size()) {
        return;
    }
    const double order = facts.vop_time ? *facts.vop_time : facts.poc.value_or(0);
    const bool leading = s.codec == Codec::hevc ? facts.leading_skipped
                                                : s.period == s.gop_period && order < s.gop_order;
    CodecPicture& first = s.pictures[*s.gop_first];
    if (leading && !s.gop_closed &&
        !(s.codec == Codec::h264 && first.nal_type == h264::nal_type::idr_slice)) {
        first.open_gop = true;
    }
}

// The clock ticks a picture is shown for: H.264 counts fields (a frame two, pic_struct's
// repeated fields more); HEVC counts pictures (pic_struct's doubled and tripled frames).
void CodecPictureReader::State::picture_ticks(CodecPicture& picture) {
    State& s = *this;
    if (s.codec == Codec::h264) {
        const bool field = picture.structure != CodecPictureStructure::frame;
        picture.ticks =
            s.h264.pic_struct
                ? static_cast<std::uint32_t>(h264::pic_struct_fields(*s.h264.pic_struct))
            : field ? 1
                    : 2;
        s.h264.pic_struct.reset();
    } else if (s.codec == Codec::hevc) {
        const auto ps = s.hevc.pic_struct.value_or(0);
        picture.ticks = ps == 7 ? 2 : ps == 8 ? 3 : 1;
        s.hevc.pic_struct.reset();
    }
}

namespace {

// Decoding times from presentation times: the k-th picture decoded at the k-th earliest
// presentation, all of them moved back by the most any picture waits to be shown.
void decode_times(std::vector<CodecPicture>& pictures) {
    std::vector<double> sorted;
    sorted.reserve(pictures.size());
    for (const CodecPicture& p : pictures) {
        sorted.push_back(*p.presentation_time);
    }
    std::sort(sorted.begin(), sorted.end());
    double delay = 0;
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        delay = std::max(delay, sorted[k] - *pictures[k].presentation_time);
    }
    const double first = sorted.empty() ? 0 : sorted[0] - delay;
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        pictures[k].decode_time = sorted[k] - delay - first;
        *pictures[k].presentation_time -= first;
    }
}

// The highest count of bits decoded within any one second.
double highest_second(const std::vector<CodecPicture>& pictures) {
    double highest = 0;
    std::uint64_t bytes = 0;
    std::size_t from = 0;
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        bytes += pictures[k].bytes;
        while (*pictures[k].decode_time - *pictures[from].decode_time >= 1.0) {
            bytes -= pictures[from++].bytes;
        }
        highest = std::max(highest, static_cast<double>(bytes) * 8);
    }
    return highest;
}

} // namespace

// H.264 and HEVC: the pictures shown in the order of their order counts within each
// period, each for its ticks; MPEG-4 Part 2: at its VOP's own time.
bool CodecPictureReader::State::presentation_times(double& duration) {
    if (codec == Codec::mpeg4) {
        if (pictures.empty() || !vop_times.front()) {
            return false;
        }
        double lowest = *vop_times.front();
        double highest = lowest;
        double step = 0;
        for (std::size_t k = 0; k < pictures.size(); ++k) {
            const double t = vop_times[k].value_or(highest);
            pictures[k].presentation_time = t;
            if (t > highest) {
                step = step == 0 ? t - highest : std::min(step, t - highest);
            }
            lowest = std::min(lowest, t);
            highest = std::max(highest, t);
        }
        const auto& layer = mpeg4.layer;
        if (layer && layer->fixed_vop_rate) {
            step = static_cast<double>(layer->fixed_vop_time_increment) /
                   layer->vop_time_increment_resolution;
        }
        duration = highest - lowest + step;
        return true;
    }
    if (tick <= 0) {
        return false;
    }
    std::vector<std::size_t> order(pictures.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        return periods[a] != periods[b] ? periods[a] < periods[b]
                                        : pictures[a].poc.value_or(0) < pictures[b].poc.value_or(0);
    });
    std::uint64_t ticks = 0;
    for (const std::size_t k : order) {
        pictures[k].presentation_time = static_cast<double>(ticks) * tick;
        ticks += pictures[k].ticks;
    }
    duration = static_cast<double>(ticks) * tick;
    return true;
}

// The container's times, when it gave every picture its own: the presentation times, and
// the decoding times when it gives them too (MP4; Matroska's blocks say only when a frame
// is shown).
bool CodecPictureReader::State::container_clock(double& duration, bool& decoded) {
    decoded = true;
    if (pictures.empty()) {
        return false;
    }
    for (const auto& t : container_times) {
        if (!t || t->timescale != container_times.front()->timescale) {
            return false;
        }
        decoded = decoded && t->decode.has_value();
    }
    const double scale = container_times.front()->timescale;
    const double first = decoded ? static_cast<double>(*container_times.front()->decode) : 0;
    std::vector<double> shown;
    shown.reserve(pictures.size());
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        const ContainerTime& t = *container_times[k];
        pictures[k].presentation_time = (static_cast<double>(t.presentation) - first) / scale;
        if (decoded) {
            pictures[k].decode_time = (static_cast<double>(*t.decode) - first) / scale;
        }
        shown.push_back(*pictures[k].presentation_time);
    }
    std::sort(shown.begin(), shown.end());
    // The last picture is shown for as long as the shortest step between two.
    double step = 0;
    for (std::size_t k = 1; k < shown.size(); ++k) {
        const double gap = shown[k] - shown[k - 1];
        step = gap > 0 && (step == 0 || gap < step) ? gap : step;
    }
    duration = shown.back() - shown.front() + step;
    return true;
}

void CodecPictureReader::finish(std::uint64_t walked_bytes) {
    State& s = *state_;
    s.close_picture(walked_bytes);
    summary.before_parameter_sets = s.before_parameter_sets;
    summary.hdr_changes = s.hdr_changes;
    summary.buffering_periods = std::move(s.buffering_periods);
    summary.sequences = std::move(s.sequences);
    for (const CodecPicture& p : pictures) {
        summary.i += p.type == 'I' ? 1 : 0;
        summary.p += p.type == 'P' ? 1 : 0;
        summary.b += p.type == 'B' ? 1 : 0;
        summary.s += p.type == 'S' ? 1 : 0;
        if (p.random_access) {
            summary.gops.push_back(
                {static_cast<std::uint64_t>(&p - pictures.data()), 0, !p.open_gop});
        }
        if (!summary.gops.empty()) {
            ++summary.gops.back().pictures;
        }
    }
    double duration = 0;
    bool decoded = false;
    const bool contained = s.container_clock(duration, decoded);
    if (!contained && (pictures.empty() || !s.presentation_times(duration))) {
        return;
    }
    if (!contained || !decoded) {
        decode_times(pictures);
    }
    summary.clock = contained ? "container" : s.codec == Codec::mpeg4 ? "vop" : "vui";
    summary.duration = duration;
    std::uint64_t bytes = 0;
    for (const CodecPicture& p : pictures) {
        bytes += p.bytes;
    }
    if (duration > 0) {
        summary.average_bit_rate = static_cast<double>(bytes) * 8 / duration;
        // Shorter than a second, the whole stream is the busiest second.
        summary.highest_bit_rate =
            duration < 1.0 ? *summary.average_bit_rate : highest_second(pictures);
    }
}

} // namespace quantaline
