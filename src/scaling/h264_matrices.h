#pragma once

// The scaling matrices an H.264 decoder uses for the first picture, each list with where
// it came from: the SPS's lists with fall-back rule A, the PPS's with rule B (rule A when
// the SPS codes no matrix), the flat lists when neither codes one. Values in raster order.

#include "h264/syntax.h"
#include "scaling/list_source.h"

#include <array>
#include <cstdint>
#include <span>

namespace quantaline::scaling {

struct H264List4x4 {
    std::array<std::uint8_t, 16> values{};
    ListSource source{};
};
struct H264List8x8 {
    mpeg::Matrix values{};
    ListSource source{};
};

struct H264Matrices {
    std::uint8_t profile_idc = 0;
    std::uint8_t level_idc = 0;
    std::uint8_t chroma_format_idc = 1;
    std::uint32_t width = 0; // the frame cropping taken off
    std::uint32_t height = 0;
    std::uint8_t seq_parameter_set_id = 0;
    std::uint8_t pic_parameter_set_id = 0;
    bool transform_8x8_mode_flag = false;
    // Intra Y, Cb, Cr, Inter Y, Cb, Cr.
    std::array<H264List4x4, 6> lists_4x4{};
    // Intra Y, Inter Y, then (4:4:4 only) Intra Cb, Inter Cb, Intra Cr, Inter Cr.
    std::array<H264List8x8, 6> lists_8x8{};
    std::uint8_t lists_8x8_count = 2; // 6 for 4:4:4
};

// The tables a list takes when it is not coded, in raster order.
extern const std::array<std::uint8_t, 16> default_4x4_intra;
extern const std::array<std::uint8_t, 16> default_4x4_inter;
extern const mpeg::Matrix default_8x8_intra;
extern const mpeg::Matrix default_8x8_inter;

// The lists of a picture that uses this PPS of this SPS.
H264Matrices h264_matrices(const h264::SeqParameterSet& sps, const h264::PicParameterSet& pps);

// One NAL unit a span, from its header byte, emulation prevention bytes in: the first SPS
// and the first PPS that refers to it.
Resolved<H264Matrices> resolve_h264(std::span<const std::span<const std::uint8_t>> units);

} // namespace quantaline::scaling
