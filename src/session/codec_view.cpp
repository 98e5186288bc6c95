#include "session/codec_view.h"

#include "export/encoder_files.h"
#include "io/text.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace quantaline {

namespace {

bool read(const CodecAnalysis& result) {
    return result.h264 || result.hevc || result.mpeg4;
}

// "Listes 8x8 Cb"
std::string pair_label(const CodecList& intra) {
    static constexpr std::array<const char*, 3> components = {"Y", "Cb", "Cr"};
    const std::string size = std::to_string(intra.size) + "x" + std::to_string(intra.size);
    return fill_text(tr_text("Session", "Listes %1 %2"),
                     {size, components[std::min<std::size_t>(intra.component, 2)]});
}

// "25", "29,97", "0,005": up to `decimals` decimals, the language's separator.
std::string short_decimal(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string out = text;
    while (out.back() == '0') {
        out.pop_back();
    }
    if (out.back() == '.') {
        out.pop_back();
    }
    const std::size_t point = out.find('.');
    if (point != std::string::npos && text_language() == Language::french) {
        out[point] = ',';
    }
    return out;
}

std::string rate_decimal(const Ratio& rate) {
    return short_decimal(static_cast<double>(rate.num) / rate.den, 3);
}

// A chromaticity coordinate, in units of 0.00002.
std::string chromaticity(std::uint16_t code) {
    return short_decimal(code / 50000.0, 5);
}

std::string colour_code_text(std::optional<std::uint8_t> code,
                             std::string_view (*name)(std::uint8_t)) {
    const std::string_view text = code ? name(*code) : std::string_view{};
    return !text.empty() ? std::string(text) : code ? std::to_string(*code) : "???";
}

std::string scan_text(CodecScanType scan) {
    switch (scan) {
    case CodecScanType::interlaced:
        return tr_text("Value", "Entrelacé");
    case CodecScanType::mbaff:
        return tr_text("Value", "Entrelacé (MBAFF)");
    default:
        return tr_text("Value", "Progressif");
    }
}

// What the sequence parameter set's VUI (or MPEG-4's layer) says, "???" where it says
// nothing.
void header_texts(const CodecHeader& h, DisplayTexts& texts) {
    const std::string unknown = "???";
    texts.aspect_ratio = h.display_aspect_ratio ? ratio_text(*h.display_aspect_ratio) : unknown;
    texts.frame_rate =
        !h.frame_rate ? unknown
        : h.frame_rate_from_container
            ? fill_text(tr_text("Session", "%1 (conteneur)"), {rate_decimal(*h.frame_rate)})
            : rate_decimal(*h.frame_rate);
    texts.max_bit_rate = h.bit_rate ? std::to_string((*h.bit_rate + 500) / 1000) : unknown;
    // In KiB, as an MPEG stream's VBV buffer.
    texts.vbv_buffer_size =
        h.buffer_size ? std::to_string((*h.buffer_size / 8 + 512) / 1024) : unknown;
    const std::string_view format = h.video_format ? video_format_text(*h.video_format) : "";
    texts.video_format = format.empty() ? unknown : tr_string("Value", std::string(format));
    texts.dc_precision = h.bit_depth ? " " + std::to_string(*h.bit_depth) : unknown;
    texts.picture_structure = h.scan ? scan_text(*h.scan) : unknown;
}

} // namespace

std::string mastering_display_text(const mpeg::MasteringDisplay& d) {
    // The message gives green, blue and red, in that order.
    const auto point = [&d](const char* name, std::size_t c) {
        return std::string(name) + "(" + chromaticity(d.primaries_x[c]) + " " +
               chromaticity(d.primaries_y[c]) + ")";
    };
    return fill_text(tr_text("Session", "%1 %2 %3, blanc (%4 %5), %6 à %7 cd/m²"),
                     {point(tr_text("Session", "R"), 2), point(tr_text("Session", "V"), 0),
                      point("B", 1), chromaticity(d.white_point_x), chromaticity(d.white_point_y),
                      short_decimal(d.min_luminance / 10000.0, 4),
                      short_decimal(d.max_luminance / 10000.0, 4)});
}

std::string light_level_text(const mpeg::ContentLightLevel& level) {
    return fill_text(tr_text("Session", "MaxCLL %1 cd/m², MaxFALL %2 cd/m²"),
                     {std::to_string(level.max_content_light_level),
                      std::to_string(level.max_pic_average_light_level)});
}

std::optional<SummaryLine> colour_line(const CodecHeader& h) {
    if (!h.colour_primaries && !h.full_range) {
        return std::nullopt;
    }
    std::string text =
        h.colour_primaries
            ? fill_text(
                  tr_text("Session", "primaires %1, transfert %2, matrice %3"),
                  {colour_code_text(h.colour_primaries, colour_primaries_name),
                   colour_code_text(h.transfer_characteristics, transfer_characteristics_name),
                   colour_code_text(h.matrix_coefficients, matrix_coefficients_name)})
            : std::string();
    if (h.full_range) {
        text += (text.empty() ? "" : ", ") + std::string(*h.full_range
                                                             ? tr_text("Session", "plage complète")
                                                             : tr_text("Session", "plage limitée"));
    }
    return SummaryLine{tr_text("Session", "Couleurs :"), text};
}

std::vector<SummaryLine> codec_header_lines(const CodecHeader& h) {
    std::vector<SummaryLine> lines;
    if (auto colours = colour_line(h)) {
        lines.push_back(std::move(*colours));
    }
    if (h.mastering_display) {
        lines.push_back({tr_text("Session", "Écran de mastering :"),
                         mastering_display_text(*h.mastering_display)});
    }
    if (h.content_light_level) {
        lines.push_back(
            {tr_text("Session", "Niveaux de lumière :"), light_level_text(*h.content_light_level)});
    }
    return lines;
}

DisplayTexts codec_display_texts(const CodecAnalysis& result) {
    // The values of an MPEG file whose header was not found, then what these codecs give.
    DisplayTexts texts = display_texts(StreamInfo{});
    const CodecPictureSize size = codec_picture_size(result);
    texts.width = std::to_string(size.width);
    texts.height = std::to_string(size.height);
    texts.stream_type = codec_stream_type(result);
    // Unknown rather than MPEG's defaults where the stream does not say.
    header_texts(result.header, texts);
    if (read(result)) {
        texts.profile_and_level = codec_profile_text(result);
        texts.chroma_format = codec_chroma_text(result);
    }
    return texts;
}

StreamInfo codec_stream_info(const CodecAnalysis& result) {
    StreamInfo info;
    info.stream_type_text = codec_stream_type(result);
    const CodecPictureSize size = codec_picture_size(result);
    info.horizontal_size = static_cast<std::int16_t>(std::min<std::uint32_t>(size.width, 32767));
    info.vertical_size = static_cast<std::int16_t>(std::min<std::uint32_t>(size.height, 32767));
    if (read(result)) {
        CodecProfile profile = codec_profile(result);
        info.profile_text = std::move(profile.profile);
        info.level_text = std::move(profile.level);
        info.chroma_format_text = codec_chroma_text(result);
    }
    return info;
}

std::vector<ListPair> list_pairs(const CodecAnalysis& result) {
    std::vector<ListPair> pairs;
    for (const CodecList& list : result.lists) {
        if (!list.intra) {
            continue;
        }
        const auto inter =
            std::find_if(result.lists.begin(), result.lists.end(), [&](const CodecList& l) {
                return !l.intra && l.size == list.size && l.component == list.component;
            });
        pairs.push_back({list.codec == container::Codec::mpeg4 ? tr_text("Session", "Matrices 8x8")
                                                               : pair_label(list),
                         &list, inter != result.lists.end() ? &*inter : nullptr});
    }
    return pairs;
}

std::size_t first_list_pair(const std::vector<ListPair>& pairs) {
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (pairs[i].intra->size == 8 && pairs[i].intra->component == 0) {
            return i;
        }
    }
    return 0;
}

bool list_from_stream(const CodecAnalysis& result, const CodecList& list) {
    switch (list.source.origin) {
    case scaling::Origin::flat:
    case scaling::Origin::default_list:
    case scaling::Origin::signalled_default:
    case scaling::Origin::unused:
        return false;
    case scaling::Origin::fall_back_a:
    case scaling::Origin::fall_back_b:
    case scaling::Origin::predicted:
    case scaling::Origin::from_16x16: {
        // A copy of a default list is a default list; a chain of copies ends at a list of
        // the file's or a default one (each copies a list before it: no loop).
        const CodecList* from =
            list.reference_key.empty() ? nullptr : find_list(result, list.reference_key);
        return from != nullptr && from != &list && list_from_stream(result, *from);
    }
    case scaling::Origin::coded:
        break;
    }
    return true;
}

std::string list_tooltip(const CodecList& list) {
    return list.key + " : " + list_source_text(list);
}

std::optional<QuantMatrixPair> codec_matrix_pair(const CodecAnalysis& result) {
    if (!result.mpeg4) {
        return std::nullopt;
    }
    const Mpeg4MatrixPair pair = mpeg4_matrix_pair(*result.mpeg4);
    if (!pair.ok()) {
        return std::nullopt;
    }
    return pair.matrices;
}

std::string mpeg2_export_refusal(const CodecAnalysis& result) {
    if (codec_matrix_pair(result)) {
        return {};
    }
    return fill_text(
        tr_text("Session", "TMPGEnc et CCE prennent des matrices MPEG-2 : la vidéo %1 n'en a pas"),
        {codec_name(result.codec)});
}

std::string report_refusal(const CodecAnalysis& result) {
    if (codec_matrix_pair(result)) {
        return {};
    }
    return fill_text(tr_text("Session", "Le rapport et l'impression montrent deux matrices 8x8 "
                                        "MPEG : la vidéo %1 n'en a pas"),
                     {codec_name(result.codec)});
}

} // namespace quantaline
