#include "analysis/analysis.h"
#include "analysis/display.h"
#include "analysis/video.h"
#include "codec_output.h"
#include "command_line.h"
#include "export/matrix_formats.h"
#include "export/matrix_library.h"
#include "io/file_system.h"
#include "io/text.h"
#include "json.h"
#include "report/matrix_text.h"

#include <cstdio>
#include <optional>
#include <string>

namespace quantaline::cli {

namespace {

std::string human_text(const std::string& file, const AnalysisResult& result,
                       const MatrixLibrary& library) {
    const DisplayTexts texts = display_texts(result.info);
    std::string out;
    const auto line = [&out](const char* caption, const std::string& value) {
        out += plain_caption(tr_text("Caption", caption)) + " " + value + "\n";
    };
    out += tr_text("Cli", "Fichier : ") + file + "\n";
    line(caption::stream_type, texts.stream_type);
    line(caption::resolution, texts.width + " x " + texts.height);
    line(caption::aspect_ratio, texts.aspect_ratio);
    line(caption::frame_rate, texts.frame_rate);
    line(caption::max_bit_rate, texts.max_bit_rate);
    line(caption::vbv, texts.vbv_buffer_size);
    line(caption::profile, texts.profile_and_level);
    line(caption::chroma_format, texts.chroma_format);
    line(caption::video_format, texts.video_format);
    // The precision's text brings its own leading blank, as in the window.
    out += plain_caption(tr_text("Caption", caption::dc_precision)) + texts.dc_precision + "\n";
    line(caption::picture_structure, texts.picture_structure);
    out += '\n';
    out += matrix_pair_text(
        result.matrices,
        exact_matrix_name(library.entries, result.matrices.intra, MatrixKind::intra),
        exact_matrix_name(library.entries, result.matrices.non_intra, MatrixKind::non_intra));
    return out;
}

std::string json_match(const std::optional<MatrixMatch>& match) {
    if (!match) {
        return "null";
    }
    return "{\"name\":" + json_string(match->name) +
           ",\"distance\":" + std::to_string(match->distance) + '}';
}

std::string json_line(const std::string& file, const AnalysisResult& result,
                      const MatrixLibrary& library) {
    const StreamInfo& info = result.info;
    std::string out = "{";
    const auto key = [&out](const char* name) {
        if (out.size() > 1) {
            out += ',';
        }
        out += '"';
        out += name;
        out += "\":";
    };
    const auto text = [&](const char* name, const std::string& value) {
        key(name);
        out += json_string(value);
    };
    const auto number = [&](const char* name, long value) {
        key(name);
        out += std::to_string(value);
    };
    const auto boolean = [&](const char* name, bool value) {
        key(name);
        out += value ? "true" : "false";
    };
    text("file", file);
    text("stream_type_text", info.stream_type_text);
    number("header_position", info.header_position);
    text("mpeg_version_text", info.mpeg_version_text);
    number("horizontal_size", info.horizontal_size);
    number("vertical_size", info.vertical_size);
    text("aspect_ratio_text", info.aspect_ratio_text);
    text("frame_rate_text", info.frame_rate_text);
    number("max_bit_rate_kbps", info.max_bit_rate_kbps);
    number("vbv_buffer_size_kb", info.vbv_buffer_size_kb);
    text("profile_text", info.profile_text);
    text("level_text", info.level_text);
    text("chroma_format_text", info.chroma_format_text);
    number("intra_dc_precision_bits", info.intra_dc_precision_bits);
    text("video_format_text", info.video_format_text);
    text("picture_structure_text", info.picture_structure_text);
    key("intra");
    out += json_matrix(result.matrices.intra);
    key("non_intra");
    out += json_matrix(result.matrices.non_intra);
    boolean("intra_from_stream", result.matrices.intra_from_stream);
    boolean("non_intra_from_stream", result.matrices.non_intra_from_stream);
    key("intra_match");
    out += json_match(nearest_matrix(library.entries, result.matrices.intra, MatrixKind::intra));
    key("non_intra_match");
    out += json_match(
        nearest_matrix(library.entries, result.matrices.non_intra, MatrixKind::non_intra));
    key("messages");
    // A file that cannot be opened says why in its first message.
    out += json_messages(result.messages, result.open_error ? render(reason_text(result.open_error),
                                                                     Language::french)
                                                            : std::string()) +
           "}\n";
    return out;
}

} // namespace

int run_info(const Arguments& arguments) {
    int status = exit_ok;
    const auto parsed = parse_arguments("info", arguments, {}, {"--json"}, false, status);
    if (!parsed) {
        return status;
    }
    const bool json = parsed->flags.contains("--json");
    const std::vector<std::string>& files = parsed->files;

    const MatrixLibrary library = load_matrix_library(user_matrix_folder());
    print_messages("quantaline-cli", library.messages);

    bool first = true;
    for (const auto& file : files) {
        const OpenedVideo video = open_video(file);
        if (video.codec) {
            const CodecAnalysis& codec = *video.codec;
            if (!codec.ok()) {
                status = exit_message;
            }
            std::string out;
            if (json) {
                out = codec_info_json(file, codec);
            } else {
                print_messages(file, codec.messages);
                if (!codec.ok()) {
                    continue;
                }
                out = (first ? "" : "\n") + codec_info_text(file, codec);
            }
            first = false;
            std::fwrite(out.data(), 1, out.size(), stdout);
            std::fflush(stdout);
            continue;
        }
        const AnalysisResult& result = *video.mpeg;
        if (!result.messages.empty()) {
            status = exit_message;
        }
        std::string out;
        if (json) {
            out = json_line(file, result, library);
        } else if (result.open_error) {
            // Nothing to show of a file that cannot be opened: only why, on standard error.
            print_messages(file, result.messages);
            std::fprintf(stderr, "%s: %s\n", file.c_str(),
                         shown(reason_text(result.open_error)).c_str());
            continue;
        } else {
            print_messages(file, result.messages);
            out = (first ? "" : "\n") + human_text(file, result, library);
        }
        first = false;
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fflush(stdout);
    }
    return status;
}

} // namespace quantaline::cli
