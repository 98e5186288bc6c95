#include "export/encoder_files.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

namespace quantaline {

namespace {

// The name line then the rows of a square list, ", " between values.
void append_list(std::string& out, std::string_view name, std::span<const std::uint8_t> values) {
    const std::size_t side = values.size() == 16 ? 4 : 8;
    out += name;
    out += " =\n";
    for (std::size_t row = 0; row < side; ++row) {
        for (std::size_t column = 0; column < side; ++column) {
            out += (column > 0 ? ", " : "") + std::to_string(values[row * side + column]);
        }
        out += '\n';
    }
}

bool holds_zero(std::span<const std::uint8_t> values) {
    return std::find(values.begin(), values.end(), 0) != values.end();
}

EncoderFileText refused(MessageId id) {
    return EncoderFileText{{}, Message{id}};
}

constexpr std::array<std::string_view, 6> list_names{"INTRA", "INTRA", "INTRA",
                                                     "INTER", "INTER", "INTER"};
constexpr std::array<std::string_view, 6> plane_names{"LUMA", "CHROMAU", "CHROMAV",
                                                      "LUMA", "CHROMAU", "CHROMAV"};

std::string list_name(std::size_t list, std::string_view size) {
    return std::string(list_names[list]) + std::string(size) + "_" + std::string(plane_names[list]);
}

} // namespace

EncoderFileText x264_cqm_file(const scaling::H264Matrices& matrices) {
    // lists_8x8: Intra Y, Inter Y, Intra Cb, Inter Cb, Intra Cr, Inter Cr.
    static constexpr std::array<std::string_view, 6> names_8x8{
        "INTRA8X8_LUMA",    "INTER8X8_LUMA",    "INTRA8X8_CHROMAU",
        "INTER8X8_CHROMAU", "INTRA8X8_CHROMAV", "INTER8X8_CHROMAV"};
    // x264 keeps one chroma list of each kind and codes the Cr lists as copies of the Cb
    // ones: a source whose Cr lists differ would lose them.
    const auto& l4 = matrices.lists_4x4;
    const auto& l8 = matrices.lists_8x8;
    if (l4[2].values != l4[1].values || l4[5].values != l4[4].values ||
        (matrices.lists_8x8_count == 6 &&
         (l8[4].values != l8[2].values || l8[5].values != l8[3].values))) {
        return refused(MessageId::x264_file_separate_cr);
    }
    std::string out;
    for (std::size_t list = 0; list < 6; ++list) {
        const auto& values = matrices.lists_4x4[list].values;
        if (holds_zero(values)) {
            return refused(MessageId::encoder_file_zero_value);
        }
        append_list(out, list_name(list, "4X4"), values);
    }
    const std::size_t count = std::min<std::size_t>(matrices.lists_8x8_count, 6);
    for (std::size_t list = 0; list < count; ++list) {
        const auto& values = matrices.lists_8x8[list].values;
        if (holds_zero(values)) {
            return refused(MessageId::encoder_file_zero_value);
        }
        append_list(out, names_8x8[list], values);
    }
    return EncoderFileText{out, std::nullopt};
}

EncoderFileText x264_cqm_file(const scaling::HevcMatrices&) {
    return refused(MessageId::x264_file_hevc_source);
}

EncoderFileText x265_scaling_list_file(const scaling::HevcMatrices& matrices) {
    static constexpr std::array<std::string_view, 4> sizes{"4X4", "8X8", "16X16", "32X32"};
    std::string out;
    for (std::size_t size = 0; size < 4; ++size) {
        for (std::size_t list = 0; list < 6; ++list) {
            if (size == 3 && list % 3 != 0) {
                continue;
            }
            const auto& l = matrices.lists[size][list];
            const std::span<const std::uint8_t> values(l.values.data(), size == 0 ? 16 : 64);
            if (holds_zero(values) || (size >= 2 && l.dc == 0)) {
                return refused(MessageId::encoder_file_zero_value);
            }
            append_list(out, list_name(list, sizes[size]), values);
            if (size >= 2) {
                out += list_name(list, sizes[size]) + "_DC =\n" + std::to_string(l.dc) + '\n';
            }
        }
    }
    return EncoderFileText{out, std::nullopt};
}

EncoderFileText x265_scaling_list_file(const scaling::H264Matrices&) {
    return refused(MessageId::x265_file_h264_source);
}

Mpeg4MatrixPair mpeg4_matrix_pair(const scaling::Mpeg4Matrices& matrices) {
    if (matrices.quantisation != scaling::Quantisation::mpeg) {
        return Mpeg4MatrixPair{{}, Message{MessageId::mpeg4_h263_no_matrices}};
    }
    QuantMatrixPair pair;
    pair.intra = matrices.intra.values;
    pair.non_intra = matrices.nonintra.values;
    pair.intra_from_stream = matrices.intra.source.origin == scaling::Origin::coded;
    pair.non_intra_from_stream = matrices.nonintra.source.origin == scaling::Origin::coded;
    return Mpeg4MatrixPair{pair, std::nullopt};
}

} // namespace quantaline
