#include "analysis/display.h"

#include "io/text.h"
#include "mpeg/codes.h"

#include <array>
#include <cstdio>

namespace quantaline {

namespace {

constexpr std::array<std::string_view, 8> video_formats = {"Component",
                                                           "PAL",
                                                           "NTSC",
                                                           "SECAM",
                                                           "MAC",
                                                           TR_NOOP_TEXT("Value", "Defaut"),
                                                           TR_NOOP_TEXT("Value", "Non-identifié"),
                                                           TR_NOOP_TEXT("Value", "Non-identifié")};

// profile_identification() has three bits.
constexpr unsigned profile_codes = 8;

} // namespace

std::string_view aspect_ratio_text(unsigned code) {
    return mpeg::code_name(mpeg::aspect_ratios, code);
}
std::string_view frame_rate_text(unsigned code) {
    const mpeg::FrameRateCode* rate = mpeg::frame_rate_code_entry(code);
    return rate != nullptr ? rate->name : std::string_view{};
}
std::string_view profile_text(unsigned code) {
    return code < profile_codes ? mpeg::code_name(mpeg::profiles, code, mpeg::unknown_profile_name)
                                : std::string_view{};
}
std::string_view level_text(unsigned code) {
    return mpeg::code_name(mpeg::levels, code, mpeg::unknown_level_name);
}
std::string_view chroma_format_text(unsigned code) {
    return mpeg::code_name(mpeg::chroma_formats, code);
}
std::string_view video_format_text(unsigned code) {
    return code < video_formats.size() ? video_formats[code] : std::string_view{};
}
std::string_view picture_structure_text(unsigned code) {
    return mpeg::code_name(mpeg::picture_structures, code);
}

namespace {

// The containers that place their samples go by their own names, in every language.
std::string_view sample_container_name(mpeg::Container container) {
    switch (container) {
    case mpeg::Container::mp4:
        return "MP4";
    case mpeg::Container::matroska:
        return "Matroska";
    case mpeg::Container::avi:
        return "AVI";
    case mpeg::Container::mxf:
        return "MXF";
    case mpeg::Container::elementary:
    case mpeg::Container::program:
    case mpeg::Container::transport:
    case mpeg::Container::unknown:
        break;
    }
    return "";
}

} // namespace

std::string_view stream_type_text(mpeg::Container container) {
    switch (container) {
    case mpeg::Container::elementary:
        return TR_NOOP_TEXT("Value", "Flux élémentaire");
    case mpeg::Container::program:
        return TR_NOOP_TEXT("Value", "Flux programme");
    case mpeg::Container::transport:
        return TR_NOOP_TEXT("Value", "Flux transport");
    case mpeg::Container::mp4:
    case mpeg::Container::matroska:
    case mpeg::Container::avi:
    case mpeg::Container::mxf:
        return sample_container_name(container);
    case mpeg::Container::unknown:
        break;
    }
    return "";
}

std::string mpeg_version_text(const StreamInfo& info) {
    if (info.stream_type_text.empty()) {
        return {};
    }
    const bool extension_found =
        !info.profile_text.empty() || !info.level_text.empty() || !info.chroma_format_text.empty();
    return extension_found ? "MPEG-2" : "MPEG-1";
}

StreamInfo stream_info(const StreamCodes& codes) {
    StreamInfo info;
    if (!codes.found()) {
        return info;
    }
    info.stream_type_text = stream_type_text(*codes.container);
    info.header_position = codes.header_position;
    info.horizontal_size = static_cast<std::int16_t>(codes.horizontal_size_value);
    info.vertical_size = static_cast<std::int16_t>(codes.vertical_size_value);
    info.aspect_ratio_text = aspect_ratio_text(codes.aspect_ratio_information);
    info.frame_rate_text = frame_rate_text(codes.frame_rate_code);
    // bit_rate_value counts 400 bit/s; R * 0.4 never ends in .5, so adding half and
    // truncating is rounding to nearest.
    const auto bit_rate_value = static_cast<std::int32_t>(codes.bit_rate_value);
    info.max_bit_rate_kbps = (bit_rate_value * 400 + 500) / 1000;
    // vbv_buffer_size_value counts 16384 bits, 2 KiB.
    info.vbv_buffer_size_kb = static_cast<std::int32_t>(codes.vbv_buffer_size_value) * 2;
    if (const auto& e = codes.sequence_extension) {
        info.profile_text =
            profile_text(mpeg::profile_identification(e->profile_and_level_indication));
        info.level_text = level_text(mpeg::level_identification(e->profile_and_level_indication));
        info.chroma_format_text = chroma_format_text(e->chroma_format);
    }
    if (codes.video_format) {
        info.video_format_text = video_format_text(*codes.video_format);
    }
    if (const auto& e = codes.picture_coding) {
        info.intra_dc_precision_bits = static_cast<std::int16_t>(8 + e->intra_dc_precision);
        info.picture_structure_text = picture_structure_text(e->picture_structure);
    }
    // A sequence extension makes MPEG-2 (its level always has a text, "LevelInconnu" at
    // worst, so this is the texts' rule too).
    info.mpeg_version_text = codes.sequence_extension ? "MPEG-2" : "MPEG-1";
    return info;
}

std::string video_id_text(mpeg::Container container, std::uint32_t video) {
    char text[32];
    if (container == mpeg::Container::program) {
        std::snprintf(text, sizeof text, tr_text("Scan", "flux %02X"), video);
    } else {
        std::snprintf(text, sizeof text, "PID %u", video);
    }
    return text;
}

std::string_view container_text(mpeg::Container container) {
    switch (container) {
    case mpeg::Container::elementary:
        return tr_text("Scan", "Flux élémentaire");
    case mpeg::Container::program:
        return tr_text("Scan", "Flux programme");
    case mpeg::Container::transport:
        return tr_text("Scan", "Flux transport");
    case mpeg::Container::mp4:
    case mpeg::Container::matroska:
    case mpeg::Container::avi:
    case mpeg::Container::mxf:
        return sample_container_name(container);
    case mpeg::Container::unknown:
        break;
    }
    return "";
}

std::string_view change_kind_text(mpeg::ChangeKind kind) {
    return kind == mpeg::ChangeKind::sequence_header ? tr_text("Scan", "en-tête de séquence")
                                                     : tr_text("Scan", "extension de matrices");
}

std::string time_code_text(const mpeg::TimeCode& t) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u:%02u", unsigned{t.hours}, unsigned{t.minutes},
                  unsigned{t.seconds}, unsigned{t.pictures});
    return text;
}

std::string_view matrix_name(int index) {
    constexpr std::array<std::string_view, 4> names = {"intra", "non-intra", "chroma intra",
                                                       "chroma non-intra"};
    return index >= 0 && index < 4 ? names[static_cast<std::size_t>(index)] : "";
}

std::string changed_matrices_text(const mpeg::MatrixSet* before, const mpeg::MatrixSet& after) {
    if (before == nullptr) {
        return tr_text("Scan", "matrices initiales");
    }
    const std::array<bool, 4> changed = {before->intra != after.intra,
                                         before->non_intra != after.non_intra,
                                         before->chroma_intra != after.chroma_intra,
                                         before->chroma_non_intra != after.chroma_non_intra};
    std::string text;
    for (int i = 0; i < 4; ++i) {
        if (changed[static_cast<std::size_t>(i)]) {
            text += text.empty() ? "" : ", ";
            text += matrix_name(i);
        }
    }
    return text;
}

std::string quantiser_average_text(std::uint64_t hundredths) {
    const std::uint64_t cents = hundredths % 100;
    // The decimal separator is the language's.
    const char* separator = text_language() == Language::french ? "," : ".";
    return std::to_string(hundredths / 100) + separator + (cents < 10 ? "0" : "") +
           std::to_string(cents);
}

namespace {

// A value the analysis stored, in the program's language, or the replacement for none.
std::string or_else(const std::string& value, const char* replacement) {
    return tr_string("Value", value.empty() ? std::string(replacement) : value);
}

} // namespace

DisplayTexts display_texts(const StreamInfo& info) {
    DisplayTexts texts;
    texts.width = std::to_string(info.horizontal_size);
    texts.height = std::to_string(info.vertical_size);
    texts.aspect_ratio = or_else(info.aspect_ratio_text, "???");
    texts.frame_rate = tr_string("Value", info.frame_rate_text);
    texts.max_bit_rate = std::to_string(info.max_bit_rate_kbps);
    texts.vbv_buffer_size = std::to_string(info.vbv_buffer_size_kb);
    // No sequence header leaves both texts empty: "???" as for the other values.
    texts.stream_type =
        info.stream_type_text.empty() && info.mpeg_version_text.empty()
            ? std::string("???")
            : tr_string("Value", info.stream_type_text) + " " + info.mpeg_version_text;
    texts.profile_and_level =
        (info.profile_text.empty() || info.level_text.empty())
            ? std::string(tr_text("Value", "Sans objet"))
            : tr_string("Value", info.profile_text) + "@" + tr_string("Value", info.level_text);
    texts.chroma_format = or_else(info.chroma_format_text, "???");
    texts.video_format = or_else(info.video_format_text, TR_NOOP_TEXT("Value", "Défaut"));
    texts.dc_precision = info.intra_dc_precision_bits != 0
                             ? " " + std::to_string(info.intra_dc_precision_bits)
                             : std::string("???");
    texts.picture_structure = or_else(info.picture_structure_text, "???");
    return texts;
}

std::string plain_caption(const char* caption) {
    std::string text;
    for (const char* c = caption; *c != '\0'; ++c) {
        // Blanks at either end go, and a run of blanks inside is one.
        if (*c != ' ' || (!text.empty() && text.back() != ' ' && c[1] != '\0')) {
            text += *c;
        }
    }
    return text;
}

} // namespace quantaline
