#include "codec_output.h"

#include "analysis/display.h"
#include "export/picture_table.h"
#include "io/text.h"
#include "json.h"
#include "session/codec_view.h"

namespace quantaline::cli {

namespace {

std::string json_rows(const CodecList& list) {
    std::string out = "[";
    for (int row = 0; row < list.grid; ++row) {
        out += row == 0 ? "[" : ",[";
        for (int column = 0; column < list.grid; ++column) {
            out += (column > 0 ? "," : "") + std::to_string(list.at(row, column));
        }
        out += ']';
    }
    return out + ']';
}

// {"key": VALUE, ...} over the lists that have one.
template <class Value> std::string json_object(const CodecAnalysis& result, Value value) {
    std::string out = "{";
    for (const CodecList& list : result.lists) {
        const std::string text = value(list);
        if (!text.empty()) {
            out += (out.size() > 1 ? "," : "") + json_string(list.key) + ':' + text;
        }
    }
    return out + '}';
}

template <class T> std::string json_or_null(const std::optional<T>& value) {
    return value ? std::to_string(*value) : std::string("null");
}
std::string json_name(std::optional<std::uint8_t> code, std::string_view (*name)(std::uint8_t)) {
    const std::string_view text = code ? name(*code) : std::string_view{};
    return text.empty() ? std::string("null") : json_string(std::string(text));
}
std::string json_ratio(const std::optional<Ratio>& ratio, const char* separator) {
    return ratio ? json_string(std::to_string(ratio->num) + separator + std::to_string(ratio->den))
                 : std::string("null");
}

// The sequence header's fields, null where the stream does not say.
void append_header_members(Description& d, const CodecHeader& h) {
    d.member("sample_aspect_ratio", json_ratio(h.sample_aspect_ratio, ":"));
    d.member("display_aspect_ratio", json_ratio(h.display_aspect_ratio, ":"));
    d.member("frame_rate", json_ratio(h.frame_rate, "/"));
    d.member("frame_rate_source", !h.frame_rate                 ? std::string("null")
                                  : h.frame_rate_from_container ? std::string("\"container\"")
                                                                : std::string("\"stream\""));
    d.member("bit_rate", json_or_null(h.bit_rate));
    d.member("buffer_size", json_or_null(h.buffer_size));
    d.member("video_format", json_or_null(h.video_format));
    d.member("colour_primaries", json_name(h.colour_primaries, colour_primaries_name));
    d.member("transfer_characteristics",
             json_name(h.transfer_characteristics, transfer_characteristics_name));
    d.member("matrix_coefficients", json_name(h.matrix_coefficients, matrix_coefficients_name));
    d.member("full_range",
             h.full_range ? std::string(*h.full_range ? "true" : "false") : std::string("null"));
    d.member("scan",
             h.scan ? json_string(std::string(scan_type_key(*h.scan))) : std::string("null"));
    d.member("bit_depth", json_or_null(h.bit_depth));
    d.member("mastering_display",
             h.mastering_display ? mastering_display_json(*h.mastering_display) : "null");
    d.member("content_light_level",
             h.content_light_level ? light_level_json(*h.content_light_level) : "null");
}

} // namespace

std::string mastering_display_json(const mpeg::MasteringDisplay& d) {
    // Up to `decimals` decimals, trailing zeros dropped: 0.68, 0.3127, 1000.
    const auto number = [](double value, int decimals) {
        std::string text;
        append_fixed(text, value, decimals);
        while (text.back() == '0') {
            text.pop_back();
        }
        if (text.back() == '.') {
            text.pop_back();
        }
        return text;
    };
    std::string out = "{";
    // The message gives green, blue and red, in that order.
    static constexpr std::pair<const char*, std::size_t> primaries[] = {
        {"red", 2}, {"green", 0}, {"blue", 1}};
    for (const auto& [name, c] : primaries) {
        out += std::string(out.size() > 1 ? "," : "") + '"' + name +
               "_x\":" + number(d.primaries_x[c] / 50000.0, 5) + ",\"" + name +
               "_y\":" + number(d.primaries_y[c] / 50000.0, 5);
    }
    out += ",\"white_point_x\":" + number(d.white_point_x / 50000.0, 5);
    out += ",\"white_point_y\":" + number(d.white_point_y / 50000.0, 5);
    out += ",\"min_luminance\":" + number(d.min_luminance / 10000.0, 4);
    out += ",\"max_luminance\":" + number(d.max_luminance / 10000.0, 4);
    return out + '}';
}

std::string light_level_json(const mpeg::ContentLightLevel& level) {
    return "{\"max_cll\":" + std::to_string(level.max_content_light_level) +
           ",\"max_fall\":" + std::to_string(level.max_pic_average_light_level) + '}';
}

const char* codec_key(container::Codec codec) {
    switch (codec) {
    case container::Codec::mpeg4:
        return "mpeg4";
    case container::Codec::h264:
        return "h264";
    case container::Codec::hevc:
        return "hevc";
    case container::Codec::mpeg1:
        return "mpeg1";
    case container::Codec::mpeg2:
        return "mpeg2";
    case container::Codec::unknown:
        break;
    }
    return "unknown";
}

std::string codec_lists_text(const CodecAnalysis& result) {
    if (result.lists.empty() && result.mpeg4) {
        return std::string(tr_text("Codec", "sans matrice (quantification H.263)")) + '\n';
    }
    std::string out;
    for (const CodecList& list : result.lists) {
        out += (out.empty() ? "" : "\n") + list.key + " (" + list_source_text(list) + ")";
        if (list.dc) {
            out += ", DC " + std::to_string(*list.dc);
        }
        out += " :\n" + codec_list_grid(list);
    }
    return out;
}

std::string codec_lists_csv(const CodecAnalysis& result) {
    std::string out;
    for (const CodecList& list : result.lists) {
        for (int row = 0; row < list.grid; ++row) {
            out += list.key;
            for (int column = 0; column < list.grid; ++column) {
                out += ',' + std::to_string(list.at(row, column));
            }
            out += '\n';
        }
    }
    return out;
}

Description describe_codec(const std::string& file, const CodecAnalysis& result) {
    Description d;
    d.file = file;
    const auto line = [&d](const char* caption, const std::string& value) {
        d.line(plain_caption(tr_text("Caption", caption)), value);
    };
    const DisplayTexts texts = codec_display_texts(result);
    line(caption::stream_type, texts.stream_type);
    line(caption::resolution, texts.width + " x " + texts.height);
    line(caption::aspect_ratio, texts.aspect_ratio);
    line(caption::frame_rate, texts.frame_rate);
    line(caption::max_bit_rate, texts.max_bit_rate);
    line(caption::vbv, texts.vbv_buffer_size);
    line(caption::profile, codec_profile_text(result));
    line(caption::chroma_format, codec_chroma_text(result));
    line(caption::video_format, texts.video_format);
    line(caption::dc_precision, texts.dc_precision);
    line(caption::picture_structure, texts.picture_structure);
    for (const SummaryLine& more : codec_header_lines(result.header)) {
        d.line(more.caption, more.value);
    }
    if (result.pictures_before_configuration > 0) {
        d.line({},
               fill_text(tr_text("WholeStream", "%1 image(s) avant le premier jeu de paramètres"),
                         {std::to_string(result.pictures_before_configuration)}));
    }
    d.lists = codec_lists_text(result);

    const CodecPictureSize size = codec_picture_size(result);
    const bool read = result.ok();
    d.member("codec", json_string(codec_key(result.codec)));
    d.member("container", json_string(container_key(result.container)));
    d.member("stream_type_text", json_string(codec_stream_type(result, Language::french)));
    d.member("profile_text",
             read ? json_string(codec_profile_text(result, Language::french)) : "null");
    d.member("horizontal_size", std::to_string(size.width));
    d.member("vertical_size", std::to_string(size.height));
    d.member("chroma_format_text", read ? json_string(codec_chroma_text(result)) : "null");
    append_header_members(d, result.header);
    d.member("pictures_before_parameter_sets",
             std::to_string(result.pictures_before_configuration));
    append_list_members(d, result);
    d.member("messages", json_messages(result.messages));
    return d;
}

void append_list_members(Description& d, const CodecAnalysis& result) {
    d.member("matrices", json_object(result, json_rows));
    d.member("dc", json_object(result, [](const CodecList& list) {
                 return list.dc ? std::to_string(*list.dc) : std::string();
             }));
    d.member("sources", json_object(result, [](const CodecList& list) {
                 return json_string(list_source_text(list, Language::french));
             }));
}

std::string codec_lists_json(const CodecAnalysis& result) {
    Description d;
    append_list_members(d, result);
    return json_members(d);
}

} // namespace quantaline::cli
