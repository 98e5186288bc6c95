#include "analysis/codec_matrices.h"

#include "h264/syntax.h"
#include "io/text.h"

#include <array>
#include <cstdio>
#include <span>

namespace quantaline {

namespace {

using container::Codec;
using container::ConfigurationError;
using scaling::Origin;
using scaling::ResolveError;

constexpr std::array<const char*, 6> matrix_names = {"intra_{}_y", "intra_{}_cb", "intra_{}_cr",
                                                     "inter_{}_y", "inter_{}_cb", "inter_{}_cr"};

// "intra_4x4_y" from "intra_{}_y" and "4x4".
std::string list_key(int matrix_id, const std::string& size) {
    std::string key = matrix_names[static_cast<std::size_t>(matrix_id)];
    key.replace(key.find("{}"), 2, size);
    return key;
}
std::string size_name(int size) {
    return std::to_string(size) + "x" + std::to_string(size);
}

// H.264's 8x8 lists: Intra Y, Inter Y, Intra Cb, Inter Cb, Intra Cr, Inter Cr.
int h264_8x8_matrix_id(int index) {
    return (index % 2) * 3 + index / 2;
}
// A list of the twelve (six 4x4, six 8x8) by its index there.
std::string h264_key(int index) {
    return index < 6 ? list_key(index, "4x4") : list_key(h264_8x8_matrix_id(index - 6), "8x8");
}

// The list's codec, kind and colour, from its matrix id (0 to 2 intra Y, Cb, Cr; 3 to 5
// inter).
void set_kind(CodecList& list, Codec codec, int matrix_id) {
    list.codec = codec;
    list.intra = matrix_id < 3;
    list.component = static_cast<std::uint8_t>(matrix_id % 3);
}

void add_h264_lists(const scaling::H264Matrices& m, std::vector<CodecList>& lists) {
    for (int i = 0; i < 6; ++i) {
        const auto& list = m.lists_4x4[static_cast<std::size_t>(i)];
        lists.push_back(
            {h264_key(i), 4, 4, {list.values.begin(), list.values.end()}, {}, list.source, {}});
        set_kind(lists.back(), Codec::h264, i);
    }
    for (int i = 0; i < m.lists_8x8_count; ++i) {
        const auto& list = m.lists_8x8[static_cast<std::size_t>(i)];
        lists.push_back(
            {h264_key(6 + i), 8, 8, {list.values.begin(), list.values.end()}, {}, list.source, {}});
        set_kind(lists.back(), Codec::h264, h264_8x8_matrix_id(i));
    }
    for (CodecList& list : lists) {
        if (list.source.reference != scaling::default_table) {
            list.reference_key = h264_key(list.source.reference);
        }
    }
}

void add_hevc_lists(const scaling::HevcMatrices& m, std::vector<CodecList>& lists) {
    for (int size_id = 0; size_id < 4; ++size_id) {
        const int size = 4 << size_id;
        for (int matrix_id = 0; matrix_id < 6; ++matrix_id) {
            const auto& list =
                m.lists[static_cast<std::size_t>(size_id)][static_cast<std::size_t>(matrix_id)];
            if (!list.in_use) {
                continue;
            }
            const int grid = size_id == 0 ? 4 : 8;
            CodecList out{list_key(matrix_id, size_name(size)),
                          size,
                          grid,
                          {list.values.begin(), list.values.begin() + std::ptrdiff_t{grid} * grid},
                          {},
                          list.source,
                          {}};
            if (size_id >= 2) {
                out.dc = list.dc;
            }
            set_kind(out, Codec::hevc, matrix_id);
            if (list.source.reference != scaling::default_table) {
                // A 32x32 chroma list of 4:4:4 comes from the 16x16 list; a prediction
                // from a list of its own size.
                const int from_size = list.source.origin == Origin::from_16x16 ? 16 : size;
                out.reference_key = list_key(list.source.reference, size_name(from_size));
            }
            lists.push_back(std::move(out));
        }
    }
}

void add_mpeg4_lists(const scaling::Mpeg4Matrices& m, std::vector<CodecList>& lists) {
    if (m.quantisation != scaling::Quantisation::mpeg) {
        return;
    }
    lists.push_back(
        {"intra", 8, 8, {m.intra.values.begin(), m.intra.values.end()}, {}, m.intra.source, {}});
    lists.push_back({"non_intra",
                     8,
                     8,
                     {m.nonintra.values.begin(), m.nonintra.values.end()},
                     {},
                     m.nonintra.source,
                     {}});
    set_kind(lists[lists.size() - 2], Codec::mpeg4, 0);
    set_kind(lists.back(), Codec::mpeg4, 3);
    lists.back().component = 0;
}

TextId resolve_reason(ResolveError error) {
    switch (error) {
    case ResolveError::no_sequence_header:
        return TextId::no_sequence_parameter_set;
    case ResolveError::damaged_sequence_header:
        return TextId::damaged_sequence_parameter_set;
    case ResolveError::no_picture_header:
        return TextId::no_picture_parameter_set;
    case ResolveError::damaged_picture_header:
        return TextId::damaged_picture_parameter_set;
    default:
        return TextId::unsupported_layer;
    }
}

Message unreadable(Codec codec, TextId reason) {
    return Message{MessageId::codec_matrices_unreadable,
                   {literal_text(codec_name(codec)), piece(reason)}};
}

template <class Matrices>
void take(CodecAnalysis& result, const scaling::Resolved<Matrices>& resolved,
          std::optional<Matrices>& into) {
    if (!resolved.ok()) {
        result.messages.push_back(unreadable(result.codec, resolve_reason(resolved.error)));
        return;
    }
    into = resolved.matrices;
}

} // namespace

TextId configuration_reason(ConfigurationError error) {
    switch (error) {
    case ConfigurationError::read_failed:
        return TextId::configuration_read_failed;
    case ConfigurationError::truncated:
        return TextId::configuration_truncated;
    case ConfigurationError::damaged:
        return TextId::configuration_damaged;
    case ConfigurationError::too_large:
        return TextId::configuration_too_large;
    default:
        return TextId::configuration_missing;
    }
}

bool is_codec_read_here(Codec codec) {
    return codec == Codec::mpeg4 || codec == Codec::h264 || codec == Codec::hevc;
}

namespace {

CodecAnalysis analyse_codec_lists(const container::VideoConfiguration& configuration) {
    CodecAnalysis result;
    result.container = configuration.container;
    result.codec = configuration.codec;
    if (!is_codec_read_here(result.codec)) {
        return result;
    }
    if (configuration.error != ConfigurationError::none || configuration.units.empty()) {
        result.messages.push_back(
            unreadable(result.codec, configuration_reason(configuration.error)));
        return result;
    }
    if (result.codec == Codec::mpeg4) {
        take(result, scaling::resolve_mpeg4(configuration.units.front().bytes), result.mpeg4);
        if (result.mpeg4) {
            add_mpeg4_lists(*result.mpeg4, result.lists);
        }
        return result;
    }
    std::vector<std::span<const std::uint8_t>> units;
    for (const auto& unit : configuration.units) {
        units.emplace_back(unit.bytes);
    }
    if (result.codec == Codec::h264) {
        take(result, scaling::resolve_h264(units), result.h264);
        if (result.h264) {
            add_h264_lists(*result.h264, result.lists);
        }
    } else {
        take(result, scaling::resolve_hevc(units), result.hevc);
        if (result.hevc) {
            add_hevc_lists(*result.hevc, result.lists);
        }
    }
    return result;
}

} // namespace

CodecAnalysis analyse_codec(const container::VideoConfiguration& configuration) {
    CodecAnalysis result = analyse_codec_lists(configuration);
    if (result.ok()) {
        const CodecPictureSize size = codec_picture_size(result);
        result.header = codec_header(configuration, size.width, size.height);
        result.pictures_before_configuration = configuration.pictures_before_configuration;
    }
    return result;
}

CodecAnalysis analyse_codec_file(const std::string& path) {
    return analyse_codec(container::read_video_configuration(path));
}

CodecPictureSize codec_picture_size(const CodecAnalysis& result) {
    if (result.h264) {
        return {result.h264->width, result.h264->height};
    }
    if (result.hevc) {
        return {result.hevc->width, result.hevc->height};
    }
    if (result.mpeg4) {
        return {result.mpeg4->width, result.mpeg4->height};
    }
    return {};
}

const CodecList* find_list(const CodecAnalysis& result, const std::string& key) {
    for (const CodecList& list : result.lists) {
        if (list.key == key) {
            return &list;
        }
    }
    return nullptr;
}

} // namespace quantaline
