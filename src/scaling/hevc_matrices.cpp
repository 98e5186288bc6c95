#include "scaling/hevc_matrices.h"

#include "mpeg/rbsp.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace quantaline::scaling {

namespace {

// The default 8x8 lists in the order they are coded (up-right diagonal).
constexpr std::array<std::uint8_t, 64> coded_default_intra = {
    16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 17, 16, 17, 16, 17, 18, 17, 18, 18, 17, 18, 21,
    19, 20, 21, 20, 19, 21, 24, 22, 22, 24, 24, 22, 22, 24, 25, 25, 27, 30, 27, 25, 25, 29,
    31, 35, 35, 31, 29, 36, 41, 44, 41, 36, 47, 54, 54, 47, 65, 70, 65, 88, 88, 115};
constexpr std::array<std::uint8_t, 64> coded_default_inter = {
    16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 17, 17, 17, 17, 17, 18, 18, 18, 18, 18, 18, 20,
    20, 20, 20, 20, 20, 20, 24, 24, 24, 24, 24, 24, 24, 24, 25, 25, 25, 25, 25, 25, 25, 28,
    28, 28, 28, 28, 28, 33, 33, 33, 33, 33, 41, 41, 41, 41, 54, 54, 54, 71, 71, 91};

constexpr std::array<std::uint8_t, 64> raster_of(const std::array<std::uint8_t, 64>& coded,
                                                 int size_id) {
    std::array<std::uint8_t, 64> raster{};
    if (size_id == 0) {
        for (std::size_t n = 0; n < 16; ++n) {
            raster[hevc::diagonal_4x4[n]] = coded[n];
        }
        return raster;
    }
    for (std::size_t n = 0; n < 64; ++n) {
        raster[hevc::diagonal_8x8[n]] = coded[n];
    }
    return raster;
}

HevcList default_list(int size_id, int matrix_id, ListSource source) {
    HevcList list;
    list.source = source;
    if (size_id == 0) {
        std::fill_n(list.values.begin(), 16, std::uint8_t{16}); // the 4x4 default is flat
    } else {
        list.values = matrix_id < 3 ? hevc_default_8x8_intra : hevc_default_8x8_inter;
    }
    return list;
}

using Lists = std::array<std::array<HevcList, 6>, 4>;

HevcList coded_list(const hevc::ScalingListEntry& e, int size_id, int matrix_id, Level level,
                    const Lists& done) {
    if (e.scaling_list_pred_mode_flag) {
        HevcList list;
        list.values = raster_of(e.scaling_list, size_id);
        list.dc = size_id >= 2 ? static_cast<std::uint8_t>(e.scaling_list_dc_coef_minus8 + 8)
                               : list.values[0];
        list.source = {Origin::coded, level};
        return list;
    }
    if (e.scaling_list_pred_matrix_id_delta == 0) {
        return default_list(size_id, matrix_id, {Origin::signalled_default, level});
    }
    // A copy of a list of the same size coded before it, its DC value with it.
    const int reference = matrix_id - e.scaling_list_pred_matrix_id_delta * (size_id == 3 ? 3 : 1);
    HevcList list = done[size_id][reference];
    list.source = {Origin::predicted, level, static_cast<std::int8_t>(reference), level};
    return list;
}

Lists lists_of(const hevc::ScalingListData& d, Level level, bool chroma_444) {
    Lists lists;
    for (int size_id = 0; size_id < 4; ++size_id) {
        for (int matrix_id = 0; matrix_id < 6; ++matrix_id) {
            if (hevc::coded_list(size_id, matrix_id)) {
                lists[size_id][matrix_id] =
                    coded_list(d.lists[size_id][matrix_id], size_id, matrix_id, level, lists);
            }
        }
    }
    for (const int matrix_id : {1, 2, 4, 5}) {
        auto& list = lists[3][matrix_id];
        list = lists[2][matrix_id];
        list.source = {Origin::from_16x16, level, static_cast<std::int8_t>(matrix_id), level};
        list.in_use = chroma_444;
    }
    return lists;
}

Lists uniform_lists(Origin origin, Level level, bool chroma_444) {
    Lists lists;
    for (int size_id = 0; size_id < 4; ++size_id) {
        for (int matrix_id = 0; matrix_id < 6; ++matrix_id) {
            auto& list = lists[size_id][matrix_id];
            if (origin == Origin::flat) {
                list.values.fill(16);
                list.source = {Origin::flat, level};
            } else {
                list = default_list(size_id, matrix_id, {origin, level});
            }
            list.in_use = chroma_444 || size_id < 3 || matrix_id % 3 == 0;
        }
    }
    return lists;
}

} // namespace

const std::array<std::uint8_t, 64> hevc_default_8x8_intra = raster_of(coded_default_intra, 1);
const std::array<std::uint8_t, 64> hevc_default_8x8_inter = raster_of(coded_default_inter, 1);

HevcMatrices hevc_matrices(const hevc::SeqParameterSet& sps, const hevc::PicParameterSet& pps) {
    HevcMatrices m;
    m.general_profile_idc = sps.profile_tier_level.general_profile_idc;
    m.general_tier_flag = sps.profile_tier_level.general_tier_flag;
    m.general_level_idc = sps.profile_tier_level.general_level_idc;
    m.chroma_format_idc = sps.chroma_format_idc;
    const auto size = hevc::conformance_size(sps);
    m.width = size.width;
    m.height = size.height;
    m.bit_depth_luma = static_cast<std::uint8_t>(sps.bit_depth_luma_minus8 + 8);
    m.bit_depth_chroma = static_cast<std::uint8_t>(sps.bit_depth_chroma_minus8 + 8);
    m.sps_seq_parameter_set_id = sps.sps_seq_parameter_set_id;
    m.pps_pic_parameter_set_id = pps.pps_pic_parameter_set_id;
    m.scaling_list_enabled_flag = sps.scaling_list_enabled_flag;
    // The 32x32 chroma lists serve 4:4:4 alone (ChromaArrayType 3).
    const bool chroma_444 = sps.chroma_format_idc == 3 && !sps.separate_colour_plane_flag;
    if (!sps.scaling_list_enabled_flag) {
        m.lists = uniform_lists(Origin::flat, Level::none, chroma_444);
    } else if (pps.pps_scaling_list_data_present_flag) {
        m.lists = lists_of(pps.scaling_list_data, Level::picture, chroma_444);
    } else if (sps.sps_scaling_list_data_present_flag) {
        m.lists = lists_of(sps.scaling_list_data, Level::sequence, chroma_444);
    } else {
        m.lists = uniform_lists(Origin::default_list, Level::sequence, chroma_444);
    }
    return m;
}

namespace {

struct Unit {
    hevc::NalUnitHeader header;
    std::vector<std::uint8_t> rbsp;
};

std::optional<Unit> unit_of(std::span<const std::uint8_t> bytes, std::uint8_t type) {
    const auto header = hevc::nal_unit_header(bytes);
    if (!header.ok() || header.fields.nal_unit_type != type || header.fields.nuh_layer_id != 0) {
        return std::nullopt;
    }
    return Unit{header.fields,
                mpeg::remove_emulation_prevention(bytes.subspan(hevc::nal_unit_header_size))};
}

} // namespace

Resolved<HevcMatrices> resolve_hevc(std::span<const std::span<const std::uint8_t>> units) {
    Resolved<HevcMatrices> result;
    std::optional<mpeg::Parsed<hevc::SeqParameterSet>> sps;
    for (const auto bytes : units) {
        if (const auto unit = unit_of(bytes, hevc::nal_type::sps)) {
            sps = hevc::seq_parameter_set_rbsp(unit->rbsp);
            break;
        }
    }
    if (!sps) {
        result.error = ResolveError::no_sequence_header;
        return result;
    }
    if (!sps->ok()) {
        result.error = ResolveError::damaged_sequence_header;
        result.syntax = sps->error;
        return result;
    }
    for (const auto bytes : units) {
        const auto unit = unit_of(bytes, hevc::nal_type::pps);
        if (!unit ||
            mpeg::picture_set_ids(unit->rbsp).sps != sps->fields.sps_seq_parameter_set_id) {
            continue;
        }
        const auto pps = hevc::pic_parameter_set_rbsp(unit->rbsp);
        if (!pps.ok()) {
            result.error = ResolveError::damaged_picture_header;
            result.syntax = pps.error;
            return result;
        }
        result.matrices = hevc_matrices(sps->fields, pps.fields);
        return result;
    }
    result.error = ResolveError::no_picture_header;
    return result;
}

} // namespace quantaline::scaling
