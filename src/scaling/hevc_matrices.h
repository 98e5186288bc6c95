#pragma once

// The scaling lists an HEVC decoder uses for the first picture, each with where it came
// from: flat when scaling lists are off, the default lists when the SPS codes none, the
// SPS's or the PPS's lists (a list predicted from another or from the default), and for
// 4:4:4 the 32x32 chroma lists taken from the 16x16 ones.

#include "hevc/syntax.h"
#include "scaling/list_source.h"

#include <array>
#include <cstdint>
#include <span>

namespace quantaline::scaling {

// One list: for sizeId 0 its 4x4 values, raster order, in the first 16 places; for the
// larger sizes the 8x8 grid that is coded (each value covering 2x2 or 4x4 coefficients),
// raster order, and the DC value that replaces its first for sizeId 2 and 3.
struct HevcList {
    std::array<std::uint8_t, 64> values{};
    std::uint8_t dc = 16;
    ListSource source{};
    bool in_use = true; // sizeId 3's chroma lists only for 4:4:4
};

struct HevcMatrices {
    std::uint8_t general_profile_idc = 0;
    bool general_tier_flag = false;
    std::uint8_t general_level_idc = 0;
    std::uint8_t chroma_format_idc = 1;
    std::uint32_t width = 0; // inside the conformance window
    std::uint32_t height = 0;
    std::uint8_t bit_depth_luma = 8;
    std::uint8_t bit_depth_chroma = 8;
    std::uint8_t sps_seq_parameter_set_id = 0;
    std::uint8_t pps_pic_parameter_set_id = 0;
    bool scaling_list_enabled_flag = false;
    // [sizeId][matrixId]: sizes 4x4, 8x8, 16x16, 32x32; Intra Y, Cb, Cr, Inter Y, Cb, Cr.
    std::array<std::array<HevcList, 6>, 4> lists{};
};

// The default lists of sizeId 1 to 3, raster order of the 8x8 grid.
extern const std::array<std::uint8_t, 64> hevc_default_8x8_intra;
extern const std::array<std::uint8_t, 64> hevc_default_8x8_inter;

HevcMatrices hevc_matrices(const hevc::SeqParameterSet& sps, const hevc::PicParameterSet& pps);

// One NAL unit a span, from its two header bytes, emulation prevention bytes in: the first
// SPS of the base layer and the first PPS that refers to it.
Resolved<HevcMatrices> resolve_hevc(std::span<const std::span<const std::uint8_t>> units);

} // namespace quantaline::scaling
