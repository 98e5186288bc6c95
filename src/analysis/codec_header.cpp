#include "analysis/codec_header.h"

#include "h264/vui.h"
#include "hevc/slice.h"
#include "mpeg/rbsp.h"
#include "mpeg4/syntax.h"

#include <array>
#include <numeric>

namespace quantaline {

namespace {

using container::Codec;
using mpeg::rbsp_after;

// aspect_ratio_idc 1 to 16 of H.264 and HEVC; MPEG-4's aspect_ratio_info takes the first five.
constexpr std::array<Ratio, 17> sample_aspect_ratios = {{{0, 0},
                                                         {1, 1},
                                                         {12, 11},
                                                         {10, 11},
                                                         {16, 11},
                                                         {40, 33},
                                                         {24, 11},
                                                         {20, 11},
                                                         {32, 11},
                                                         {80, 33},
                                                         {18, 11},
                                                         {15, 11},
                                                         {64, 33},
                                                         {160, 99},
                                                         {4, 3},
                                                         {3, 2},
                                                         {2, 1}}};
constexpr std::uint8_t extended_sar = 255;

std::optional<Ratio> coded_sample_ratio(std::uint8_t idc, std::uint16_t width, std::uint16_t height,
                                        std::uint8_t extended) {
    if (idc == extended) {
        return width != 0 && height != 0 ? std::optional<Ratio>({width, height}) : std::nullopt;
    }
    return idc != 0 && idc < sample_aspect_ratios.size()
               ? std::optional<Ratio>(sample_aspect_ratios[idc])
               : std::nullopt;
}

Ratio reduced(std::uint64_t num, std::uint64_t den) {
    const std::uint64_t divisor = std::gcd(num, den);
    if (divisor == 0) {
        return {};
    }
    num /= divisor;
    den /= divisor;
    while (num > 0xFFFFFFFFu || den > 0xFFFFFFFFu) {
        num /= 2;
        den /= 2;
    }
    return {static_cast<std::uint32_t>(num), static_cast<std::uint32_t>(den)};
}

void colour_fields(CodecHeader& h, bool signal, std::uint8_t format, bool full, bool described,
                   std::uint8_t primaries, std::uint8_t transfer, std::uint8_t matrix) {
    if (!signal) {
        return;
    }
    h.video_format = format;
    h.full_range = full;
    if (described) {
        h.colour_primaries = primaries;
        h.transfer_characteristics = transfer;
        h.matrix_coefficients = matrix;
    }
}

void h264_header(std::span<const std::uint8_t> unit, CodecHeader& h) {
    const auto parsed = h264::seq_parameter_set_with_vui(rbsp_after(unit, 1));
    const h264::SeqParameterSet& sps = parsed.fields.sps;
    const h264::VuiParameters& vui = parsed.fields.vui;
    h.bit_depth = sps.bit_depth_luma_minus8 + 8;
    h.scan = sps.frame_mbs_only_flag            ? CodecScanType::progressive
             : sps.mb_adaptive_frame_field_flag ? CodecScanType::mbaff
                                                : CodecScanType::interlaced;
    if (parsed.error != mpeg::SyntaxError::none || !sps.vui_parameters_present_flag) {
        return;
    }
    if (vui.aspect_ratio_info_present_flag) {
        h.sample_aspect_ratio =
            coded_sample_ratio(vui.aspect_ratio_idc, vui.sar_width, vui.sar_height, extended_sar);
    }
    colour_fields(h, vui.video_signal_type_present_flag, vui.video_format,
                  vui.video_full_range_flag, vui.colour_description_present_flag,
                  vui.colour_primaries, vui.transfer_characteristics, vui.matrix_coefficients);
    if (vui.timing_info_present_flag) {
        // A frame lasts two ticks.
        h.frame_rate = reduced(vui.time_scale, std::uint64_t{2} * vui.num_units_in_tick);
    }
    const h264::HrdParameters* hrd = vui.nal_hrd_parameters_present_flag   ? &vui.nal_hrd
                                     : vui.vcl_hrd_parameters_present_flag ? &vui.vcl_hrd
                                                                           : nullptr;
    if (hrd != nullptr) {
        h.bit_rate = h264::bit_rate(*hrd, 0);
        h.buffer_size = h264::cpb_size(*hrd, 0);
    }
}

void hevc_header(std::span<const std::uint8_t> unit, CodecHeader& h) {
    const auto parsed = hevc::seq_parameter_set_whole(rbsp_after(unit, hevc::nal_unit_header_size));
    const hevc::SeqParameterSetWhole& s = parsed.fields;
    const hevc::VuiParameters& vui = s.vui;
    h.bit_depth = s.sps.bit_depth_luma_minus8 + 8;
    const bool interlaced = s.sps.profile_tier_level.general_interlaced_source_flag ||
                            (s.vui_parameters_present_flag && vui.field_seq_flag);
    h.scan = interlaced ? CodecScanType::interlaced : CodecScanType::progressive;
    if (parsed.error != mpeg::SyntaxError::none || !s.vui_parameters_present_flag) {
        return;
    }
    if (vui.aspect_ratio_info_present_flag) {
        h.sample_aspect_ratio =
            coded_sample_ratio(vui.aspect_ratio_idc, vui.sar_width, vui.sar_height, extended_sar);
    }
    colour_fields(h, vui.video_signal_type_present_flag, vui.video_format,
                  vui.video_full_range_flag, vui.colour_description_present_flag,
                  vui.colour_primaries, vui.transfer_characteristics, vui.matrix_coeffs);
    if (vui.vui_timing_info_present_flag) {
        h.frame_rate = reduced(vui.vui_time_scale, vui.vui_num_units_in_tick);
    }
    const hevc::HrdParameters& hrd = vui.hrd;
    const bool nal = hrd.nal_hrd_parameters_present_flag;
    if (vui.vui_hrd_parameters_present_flag && (nal || hrd.vcl_hrd_parameters_present_flag)) {
        const hevc::HrdSchedule& first = nal ? hrd.nal[0] : hrd.vcl[0];
        h.bit_rate = hevc::bit_rate(hrd, first);
        h.buffer_size = hevc::cpb_size(hrd, first);
    }
}

void mpeg4_header(std::span<const std::uint8_t> bytes, CodecHeader& h) {
    const auto headers = mpeg4::configuration_headers(bytes);
    if (const auto& object = headers.visual_object) {
        colour_fields(h, object->video_signal_type, object->video_format, object->video_range,
                      object->colour_description, object->colour_primaries,
                      object->transfer_characteristics, object->matrix_coefficients);
    }
    if (!headers.layer) {
        return;
    }
    const mpeg4::VideoObjectLayer& vol = *headers.layer;
    h.sample_aspect_ratio =
        vol.aspect_ratio_info < 6 || vol.aspect_ratio_info == mpeg4::extended_par
            ? coded_sample_ratio(vol.aspect_ratio_info, vol.par_width, vol.par_height,
                                 mpeg4::extended_par)
            : std::nullopt;
    h.scan = vol.interlaced ? CodecScanType::interlaced : CodecScanType::progressive;
    h.bit_depth = vol.not_8_bit ? vol.bits_per_pixel : 8;
    if (vol.fixed_vop_rate && vol.fixed_vop_time_increment != 0) {
        h.frame_rate = reduced(vol.vop_time_increment_resolution, vol.fixed_vop_time_increment);
    }
    if (vol.vbv_parameters) {
        h.bit_rate = std::uint64_t{vol.bit_rate} * 400;
        h.buffer_size = std::uint64_t{vol.vbv_buffer_size} * 16384;
    }
}

bool is_sei(Codec codec, const std::vector<std::uint8_t>& unit) {
    if (codec == Codec::h264) {
        return !unit.empty() && h264::nal_type_of(unit[0]) == h264::nal_type::sei;
    }
    return codec == Codec::hevc && unit.size() >= 2 &&
           hevc::nal_type_of(unit[0]) == hevc::nal_type::prefix_sei;
}

} // namespace

CodecHeader codec_header(const container::VideoConfiguration& configuration, std::uint32_t width,
                         std::uint32_t height) {
    CodecHeader h;
    const Codec codec = configuration.codec;
    for (const auto& unit : configuration.units) {
        const auto& bytes = unit.bytes;
        if (codec == Codec::mpeg4) {
            mpeg4_header(bytes, h);
            break;
        }
        if (codec == Codec::h264 && !bytes.empty() &&
            h264::nal_type_of(bytes[0]) == h264::nal_type::seq_parameter_set) {
            h264_header(bytes, h);
            break;
        }
        if (codec == Codec::hevc && bytes.size() >= 2 &&
            hevc::nal_type_of(bytes[0]) == hevc::nal_type::sps &&
            ((bytes[0] & 1) | (bytes[1] >> 3)) == 0) {
            hevc_header(bytes, h);
            break;
        }
    }
    if (!h.frame_rate && configuration.frame_rate) {
        h.frame_rate = reduced(configuration.frame_rate->first, configuration.frame_rate->second);
        h.frame_rate_from_container = true;
    }
    mpeg::HdrMetadata hdr;
    for (const auto* list : {&configuration.units, &configuration.messages}) {
        for (const auto& unit : *list) {
            if (is_sei(codec, unit.bytes)) {
                mpeg::read_hdr_messages(rbsp_after(unit.bytes, codec == Codec::hevc ? 2 : 1), hdr);
            }
        }
    }
    h.mastering_display = hdr.mastering_display;
    h.content_light_level = hdr.content_light_level;
    if (h.sample_aspect_ratio && width != 0 && height != 0) {
        h.display_aspect_ratio = reduced(std::uint64_t{width} * h.sample_aspect_ratio->num,
                                         std::uint64_t{height} * h.sample_aspect_ratio->den);
    }
    return h;
}

std::string_view colour_primaries_name(std::uint8_t code) {
    static constexpr std::array<std::string_view, 13> names = {
        "",          "bt709", "",       "",         "bt470m",   "bt470bg", "smpte170m",
        "smpte240m", "film",  "bt2020", "smpte428", "smpte431", "smpte432"};
    return code < names.size() ? names[code] : code == 22 ? "jedec-p22" : "";
}

std::string_view transfer_characteristics_name(std::uint8_t code) {
    static constexpr std::array<std::string_view, 19> names = {"",
                                                               "bt709",
                                                               "",
                                                               "",
                                                               "gamma22",
                                                               "gamma28",
                                                               "smpte170m",
                                                               "smpte240m",
                                                               "linear",
                                                               "log100",
                                                               "log316",
                                                               "iec61966-2-4",
                                                               "bt1361e",
                                                               "iec61966-2-1",
                                                               "bt2020-10",
                                                               "bt2020-12",
                                                               "smpte2084",
                                                               "smpte428",
                                                               "arib-std-b67"};
    return code < names.size() ? names[code] : "";
}

std::string_view matrix_coefficients_name(std::uint8_t code) {
    static constexpr std::array<std::string_view, 15> names = {"gbr",
                                                               "bt709",
                                                               "",
                                                               "",
                                                               "fcc",
                                                               "bt470bg",
                                                               "smpte170m",
                                                               "smpte240m",
                                                               "ycgco",
                                                               "bt2020nc",
                                                               "bt2020c",
                                                               "smpte2085",
                                                               "chroma-derived-nc",
                                                               "chroma-derived-c",
                                                               "ictcp"};
    return code < names.size() ? names[code] : "";
}

std::string_view scan_type_key(CodecScanType scan) {
    switch (scan) {
    case CodecScanType::interlaced:
        return "interlaced";
    case CodecScanType::mbaff:
        return "mbaff";
    default:
        return "progressive";
    }
}

std::string ratio_text(const Ratio& ratio) {
    return std::to_string(ratio.num) + ":" + std::to_string(ratio.den);
}

} // namespace quantaline
