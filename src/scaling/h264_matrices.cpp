#include "scaling/h264_matrices.h"

#include "mpeg/rbsp.h"

#include <optional>
#include <vector>

namespace quantaline::scaling {

namespace {

using h264::ScalingMatrix;

// Default_4x4_Intra, Default_4x4_Inter, Default_8x8_Intra, Default_8x8_Inter in the order
// they are coded (zig-zag).
constexpr std::array<std::uint8_t, 16> coded_4x4_intra = {6,  13, 13, 20, 20, 20, 28, 28,
                                                          28, 28, 32, 32, 32, 37, 37, 42};
constexpr std::array<std::uint8_t, 16> coded_4x4_inter = {10, 14, 14, 20, 20, 20, 24, 24,
                                                          24, 24, 27, 27, 27, 30, 30, 34};
constexpr std::array<std::uint8_t, 64> coded_8x8_intra = {
    6,  10, 10, 13, 11, 13, 16, 16, 16, 16, 18, 18, 18, 18, 18, 23, 23, 23, 23, 23, 23, 25,
    25, 25, 25, 25, 25, 25, 27, 27, 27, 27, 27, 27, 27, 27, 29, 29, 29, 29, 29, 29, 29, 31,
    31, 31, 31, 31, 31, 33, 33, 33, 33, 33, 36, 36, 36, 36, 38, 38, 38, 40, 40, 42};
constexpr std::array<std::uint8_t, 64> coded_8x8_inter = {
    9,  13, 13, 15, 13, 15, 17, 17, 17, 17, 19, 19, 19, 19, 19, 21, 21, 21, 21, 21, 21, 22,
    22, 22, 22, 22, 22, 22, 24, 24, 24, 24, 24, 24, 24, 24, 25, 25, 25, 25, 25, 25, 25, 27,
    27, 27, 27, 27, 27, 28, 28, 28, 28, 28, 30, 30, 30, 30, 32, 32, 32, 33, 33, 35};

template <std::size_t Size, std::size_t ScanSize>
constexpr std::array<std::uint8_t, Size> to_raster(const std::array<std::uint8_t, Size>& coded,
                                                   const std::array<std::uint8_t, ScanSize>& scan) {
    std::array<std::uint8_t, Size> raster{};
    for (std::size_t n = 0; n < Size; ++n) {
        raster[scan[n]] = coded[n];
    }
    return raster;
}

// The 12 lists by their index in the syntax: 0-5 the 4x4 lists, 6-11 the 8x8 ones.
struct Lists {
    std::array<H264List4x4, 6> lists_4x4{};
    std::array<H264List8x8, 6> lists_8x8{};
};

bool intra_list(int i) {
    return i < 6 ? i < 3 : (i - 6) % 2 == 0;
}
// Lists 0, 3, 6 and 7 start their fall-back chain; the others take the list before them
// of the same kind (Cb after Y, Cr after Cb).
bool starts_chain(int i) {
    return i == 0 || i == 3 || i == 6 || i == 7;
}
int previous_in_chain(int i) {
    return i < 6 ? i - 1 : i - 2;
}

// List i set from a coded scaling_list(), or the default it signals.
void set_coded(Lists& lists, int i, const ScalingMatrix& m, Level level) {
    if (i < 6) {
        const auto& coded = m.lists_4x4[i];
        auto& out = lists.lists_4x4[i];
        if (coded.use_default_scaling_matrix_flag) {
            out = {intra_list(i) ? default_4x4_intra : default_4x4_inter,
                   {Origin::signalled_default, level}};
        } else {
            out = {to_raster(coded.values, h264::zigzag_4x4), {Origin::coded, level}};
        }
        return;
    }
    const auto& coded = m.lists_8x8[i - 6];
    auto& out = lists.lists_8x8[i - 6];
    if (coded.use_default_scaling_matrix_flag) {
        out = {intra_list(i) ? default_8x8_intra : default_8x8_inter,
               {Origin::signalled_default, level}};
    } else {
        out = {to_raster(coded.values, mpeg::zigzag_scan), {Origin::coded, level}};
    }
}

// List i copied from list `from` of `source`, with `how` as its origin.
void set_copy(Lists& lists, int i, const Lists& source, int from, ListSource how) {
    how.reference = static_cast<std::int8_t>(from);
    if (i < 6) {
        lists.lists_4x4[i] = {source.lists_4x4[from].values, how};
    } else {
        lists.lists_8x8[i - 6] = {source.lists_8x8[from - 6].values, how};
    }
}

void set_default(Lists& lists, int i, ListSource how) {
    if (i < 6) {
        lists.lists_4x4[i] = {intra_list(i) ? default_4x4_intra : default_4x4_inter, how};
    } else {
        lists.lists_8x8[i - 6] = {intra_list(i) ? default_8x8_intra : default_8x8_inter, how};
    }
}

bool list_present(const ScalingMatrix& m, int i) {
    return i < 6 ? m.lists_4x4[i].present : m.lists_8x8[i - 6].present;
}

// Rule A: lists 0, 3, 6 and 7 take the default, the others the list before them.
void fall_back_a(Lists& lists, int i, Level level) {
    const ListSource rule_a{Origin::fall_back_a, level, default_table, level};
    if (starts_chain(i)) {
        set_default(lists, i, rule_a);
    } else {
        set_copy(lists, i, lists, previous_in_chain(i), rule_a);
    }
}

// Rule B: lists 0, 3, 6 and 7 take the sequence's, the others the list before them.
void fall_back_b(Lists& lists, int i, const Lists& sequence) {
    if (starts_chain(i)) {
        set_copy(lists, i, sequence, i,
                 {Origin::fall_back_b, Level::picture, default_table, Level::sequence});
    } else {
        set_copy(lists, i, lists, previous_in_chain(i),
                 {Origin::fall_back_b, Level::picture, default_table, Level::picture});
    }
}

Lists sequence_lists(const h264::SeqParameterSet& sps) {
    Lists lists;
    if (!sps.seq_scaling_matrix_present_flag) {
        for (auto& l : lists.lists_4x4) {
            l.values.fill(16);
        }
        for (auto& l : lists.lists_8x8) {
            l.values.fill(16);
        }
        return lists; // Flat_4x4_16 and Flat_8x8_16
    }
    for (int i = 0; i < 12; ++i) {
        if (list_present(sps.scaling, i)) {
            set_coded(lists, i, sps.scaling, Level::sequence);
        } else {
            fall_back_a(lists, i, Level::sequence);
        }
    }
    return lists;
}

// A PPS list not coded falls back by rule B over an SPS that codes a matrix, and by rule
// A (to the default lists, not the flat ones) over an SPS that codes none.
Lists picture_lists(const h264::PicParameterSet& pps, bool sequence_matrix, const Lists& sequence) {
    if (!pps.pic_scaling_matrix_present_flag) {
        return sequence;
    }
    Lists lists;
    for (int i = 0; i < 12; ++i) {
        if (list_present(pps.scaling, i)) {
            set_coded(lists, i, pps.scaling, Level::picture);
        } else if (sequence_matrix) {
            fall_back_b(lists, i, sequence);
        } else {
            fall_back_a(lists, i, Level::picture);
        }
    }
    return lists;
}

} // namespace

const std::array<std::uint8_t, 16> default_4x4_intra = to_raster(coded_4x4_intra, h264::zigzag_4x4);
const std::array<std::uint8_t, 16> default_4x4_inter = to_raster(coded_4x4_inter, h264::zigzag_4x4);
const mpeg::Matrix default_8x8_intra = to_raster(coded_8x8_intra, mpeg::zigzag_scan);
const mpeg::Matrix default_8x8_inter = to_raster(coded_8x8_inter, mpeg::zigzag_scan);

H264Matrices h264_matrices(const h264::SeqParameterSet& sps, const h264::PicParameterSet& pps) {
    H264Matrices m;
    m.profile_idc = sps.profile_idc;
    m.level_idc = sps.level_idc;
    m.chroma_format_idc = sps.chroma_format_idc;
    const auto size = h264::cropped_size(sps);
    m.width = size.width;
    m.height = size.height;
    m.seq_parameter_set_id = sps.seq_parameter_set_id;
    m.pic_parameter_set_id = pps.pic_parameter_set_id;
    m.transform_8x8_mode_flag = pps.transform_8x8_mode_flag;
    const Lists lists =
        picture_lists(pps, sps.seq_scaling_matrix_present_flag, sequence_lists(sps));
    m.lists_4x4 = lists.lists_4x4;
    m.lists_8x8 = lists.lists_8x8;
    m.lists_8x8_count = sps.chroma_format_idc == 3 ? 6 : 2;
    return m;
}

namespace {

std::optional<std::uint8_t> unit_type(std::span<const std::uint8_t> unit) {
    const auto header = h264::nal_unit_header(unit);
    if (!header.ok()) {
        return std::nullopt;
    }
    return header.fields.nal_unit_type;
}

std::vector<std::uint8_t> rbsp_of(std::span<const std::uint8_t> unit) {
    return mpeg::remove_emulation_prevention(unit.subspan(1));
}

} // namespace

Resolved<H264Matrices> resolve_h264(std::span<const std::span<const std::uint8_t>> units) {
    Resolved<H264Matrices> result;
    std::optional<mpeg::Parsed<h264::SeqParameterSet>> sps;
    for (const auto unit : units) {
        if (unit_type(unit) == h264::nal_type::seq_parameter_set) {
            sps = h264::seq_parameter_set_rbsp(rbsp_of(unit));
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
    for (const auto unit : units) {
        if (unit_type(unit) != h264::nal_type::pic_parameter_set) {
            continue;
        }
        const auto rbsp = rbsp_of(unit);
        if (mpeg::picture_set_ids(rbsp).sps != sps->fields.seq_parameter_set_id) {
            continue;
        }
        const auto pps = h264::pic_parameter_set_rbsp(rbsp, sps->fields.chroma_format_idc);
        if (!pps.ok()) {
            result.error = ResolveError::damaged_picture_header;
            result.syntax = pps.error;
            return result;
        }
        result.matrices = h264_matrices(sps->fields, pps.fields);
        return result;
    }
    result.error = ResolveError::no_picture_header;
    return result;
}

} // namespace quantaline::scaling
