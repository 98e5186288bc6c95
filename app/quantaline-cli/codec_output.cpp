#include "codec_output.h"

#include "analysis/display.h"
#include "io/text.h"
#include "json.h"

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

} // namespace

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

const char* container_key(container::Container container) {
    switch (container) {
    case container::Container::elementary:
        return "elementary";
    case container::Container::program:
        return "program";
    case container::Container::transport:
        return "transport";
    case container::Container::mp4:
        return "mp4";
    case container::Container::matroska:
        return "matroska";
    case container::Container::avi:
        return "avi";
    case container::Container::mxf:
        return "mxf";
    case container::Container::unknown:
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

std::string codec_info_text(const std::string& file, const CodecAnalysis& result) {
    std::string out;
    const auto line = [&out](const char* caption, const std::string& value) {
        out += plain_caption(tr_text("Caption", caption)) + " " + value + "\n";
    };
    const CodecPictureSize size = codec_picture_size(result);
    out += tr_text("Cli", "Fichier : ") + file + "\n";
    line(caption::stream_type, codec_stream_type(result));
    line(caption::resolution, std::to_string(size.width) + " x " + std::to_string(size.height));
    line(caption::profile, codec_profile_text(result));
    line(caption::chroma_format, codec_chroma_text(result));
    return out + '\n' + codec_lists_text(result);
}

std::string codec_info_json(const std::string& file, const CodecAnalysis& result) {
    const CodecPictureSize size = codec_picture_size(result);
    const bool read = result.ok();
    std::string out = "{\"file\":" + json_string(file);
    out += ",\"codec\":" + json_string(codec_key(result.codec));
    out += ",\"container\":" + json_string(container_key(result.container));
    out += ",\"stream_type_text\":" + json_string(codec_stream_type(result, Language::french));
    out += ",\"profile_text\":" +
           (read ? json_string(codec_profile_text(result, Language::french)) : "null");
    out += ",\"horizontal_size\":" + std::to_string(size.width);
    out += ",\"vertical_size\":" + std::to_string(size.height);
    out += ",\"chroma_format_text\":" + (read ? json_string(codec_chroma_text(result)) : "null");
    out += ',' + codec_lists_json(result);
    return out + ",\"messages\":" + json_messages(result.messages) + "}\n";
}

std::string codec_lists_json(const CodecAnalysis& result) {
    return "\"matrices\":" + json_object(result, json_rows) + ",\"dc\":" +
           json_object(result,
                       [](const CodecList& list) {
                           return list.dc ? std::to_string(*list.dc) : std::string();
                       }) +
           ",\"sources\":" + json_object(result, [](const CodecList& list) {
               return json_string(list_source_text(list, Language::french));
           });
}

} // namespace quantaline::cli
