#include "analysis/codec_matrices.h"
#include "analysis/display.h"
#include "h264/syntax.h"
#include "io/text.h"

#include <array>
#include <cstdio>

// What the lists and the header of the other codecs are called: the codecs' and
// containers' names, the profiles and levels, the chroma formats, the lists' sources.

namespace quantaline {

using container::Codec;
using scaling::Level;
using scaling::Origin;

namespace {

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
    // The container's name as MPEG-1/2's header gives it ("Flux transport", "MP4").
    const std::string container(stream_type_text(result.container));
    return (container.empty() ? container : text_in(language, "Value", container.c_str())) + " " +
           codec_name(result.codec);
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

} // namespace quantaline
