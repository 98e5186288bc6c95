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
using scaling::Level;
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

// A text of this file in `language`, marked for the translations where it is written.
std::string text_in(Language language, const char* context, const char* source) {
    return tr_string_in(language, context, source);
}

std::string level_name(Level level, Codec codec) {
    switch (level) {
    case Level::sequence:
        return codec == Codec::mpeg4 ? "VOL" : "SPS";
    case Level::picture:
        return "PPS";
    case Level::none:
        break;
    }
    return {};
}

std::string decimal_level(unsigned tenths) {
    return std::to_string(tenths / 10) +
           (tenths % 10 != 0 ? "." + std::to_string(tenths % 10) : "");
}

CodecProfile h264_profile(const scaling::H264Matrices& m) {
    const h264::Profile* p = h264::find_profile(m.profile_idc);
    return {p != nullptr && p->name != nullptr ? p->name : std::to_string(m.profile_idc),
            decimal_level(m.level_idc)};
}

CodecProfile hevc_profile(const scaling::HevcMatrices& m) {
    static constexpr std::array<const char*, 10> names = {"",
                                                          "Main",
                                                          "Main 10",
                                                          "Main Still Picture",
                                                          "Format Range Extensions",
                                                          "High Throughput",
                                                          "Multiview Main",
                                                          "Scalable Main",
                                                          "3D Main",
                                                          "Screen Content Coding"};
    const std::string profile = m.general_profile_idc < names.size() && m.general_profile_idc > 0
                                    ? names[m.general_profile_idc]
                                    : std::to_string(m.general_profile_idc);
    // general_level_idc is 30 times the level.
    const std::string level = decimal_level(m.general_level_idc / 3u);
    return {profile, m.general_tier_flag ? level + " (High tier)" : level};
}

CodecProfile mpeg4_profile(const scaling::Mpeg4Matrices& m, Language language) {
    if (!m.visual_object_sequence) {
        return {text_in(language, "Value", TR_NOOP_TEXT("Value", "Sans objet")), {}};
    }
    struct Name {
        unsigned code;
        const char* name;
    };
    static constexpr std::array<Name, 14> names = {{{0x08, "L0"},
                                                    {0x01, "L1"},
                                                    {0x02, "L2"},
                                                    {0x03, "L3"},
                                                    {0x04, "L4a"},
                                                    {0x05, "L5"},
                                                    {0x06, "L6"},
                                                    {0xF0, "L0"},
                                                    {0xF1, "L1"},
                                                    {0xF2, "L2"},
                                                    {0xF3, "L3"},
                                                    {0xF4, "L4"},
                                                    {0xF5, "L5"},
                                                    {0xF7, "L3b"}}};
    for (const Name& name : names) {
        if (name.code == m.profile_and_level_indication) {
            return {name.code >= 0xF0 ? "Advanced Simple" : "Simple", name.name};
        }
    }
    char code[8];
    std::snprintf(code, sizeof code, "0x%02X", m.profile_and_level_indication);
    return {code, {}};
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

std::string codec_name(Codec codec) {
    switch (codec) {
    case Codec::mpeg4:
        return "MPEG-4 Part 2";
    case Codec::h264:
        return "H.264";
    case Codec::hevc:
        return "HEVC";
    case Codec::mpeg1:
        return "MPEG-1";
    case Codec::mpeg2:
        return "MPEG-2";
    case Codec::unknown:
        break;
    }
    return {};
}

std::string codec_stream_type(const CodecAnalysis& result, Language language) {
    std::string container;
    switch (result.container) {
    case container::Container::elementary:
        container = text_in(language, "Value", TR_NOOP_TEXT("Value", "Flux élémentaire"));
        break;
    case container::Container::transport:
        container = text_in(language, "Value", TR_NOOP_TEXT("Value", "Flux transport"));
        break;
    case container::Container::program:
        container = text_in(language, "Value", TR_NOOP_TEXT("Value", "Flux programme"));
        break;
    case container::Container::mp4:
        container = "MP4";
        break;
    case container::Container::matroska:
        container = "Matroska";
        break;
    case container::Container::avi:
        container = "AVI";
        break;
    case container::Container::mxf:
        container = "MXF";
        break;
    case container::Container::unknown:
        break;
    }
    return container + " " + codec_name(result.codec);
}

CodecProfile codec_profile(const CodecAnalysis& result, Language language) {
    if (result.h264) {
        return h264_profile(*result.h264);
    }
    if (result.hevc) {
        return hevc_profile(*result.hevc);
    }
    if (result.mpeg4) {
        return mpeg4_profile(*result.mpeg4, language);
    }
    return {"???", {}};
}

std::string codec_profile_text(const CodecAnalysis& result, Language language) {
    const CodecProfile p = codec_profile(result, language);
    return p.level.empty() ? p.profile : p.profile + "@" + p.level;
}

std::string codec_chroma_text(const CodecAnalysis& result) {
    static constexpr std::array<const char*, 4> formats = {"4:0:0", "4:2:0", "4:2:2", "4:4:4"};
    unsigned code = 4;
    if (result.h264) {
        code = result.h264->chroma_format_idc;
    } else if (result.hevc) {
        code = result.hevc->chroma_format_idc;
    } else if (result.mpeg4) {
        code = result.mpeg4->chroma_format;
    }
    return code < formats.size() ? formats[code] : "???";
}

std::string list_source_text(const CodecList& list, Language language) {
    std::string level = level_name(list.source.level, list.codec);
    const std::string reference =
        list.reference_key.empty()
            ? text_in(language, "Codec", TR_NOOP_TEXT("Codec", "la liste par défaut"))
            : list.reference_key;
    switch (list.source.origin) {
    case Origin::flat:
        return text_in(language, "Codec", TR_NOOP_TEXT("Codec", "plate"));
    case Origin::default_list:
        return text_in(language, "Codec", TR_NOOP_TEXT("Codec", "par défaut"));
    case Origin::signalled_default:
        return level + text_in(language, "Codec", TR_NOOP_TEXT("Codec", ", liste par défaut"));
    case Origin::coded:
        return level;
    case Origin::fall_back_a:
        return level + text_in(language, "Codec", TR_NOOP_TEXT("Codec", ", repli A : ")) +
               reference;
    case Origin::fall_back_b:
        return level + text_in(language, "Codec", TR_NOOP_TEXT("Codec", ", repli B : ")) +
               reference +
               (list.source.reference_level == Level::sequence
                    ? text_in(language, "Codec", TR_NOOP_TEXT("Codec", " du SPS"))
                    : std::string());
    case Origin::predicted:
        return level + text_in(language, "Codec", TR_NOOP_TEXT("Codec", ", prédite de ")) +
               reference;
    case Origin::from_16x16:
        return text_in(language, "Codec", TR_NOOP_TEXT("Codec", "reprise de ")) + reference;
    case Origin::unused:
        break;
    }
    return text_in(language, "Codec", TR_NOOP_TEXT("Codec", "sans matrice (quantification H.263)"));
}

std::string codec_list_grid(const CodecList& list) {
    std::string out;
    for (int row = 0; row < list.grid; ++row) {
        for (int column = 0; column < list.grid; ++column) {
            char cell[8];
            std::snprintf(cell, sizeof cell, "%4u", list.at(row, column));
            out += cell;
        }
        out += '\n';
    }
    return out;
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
