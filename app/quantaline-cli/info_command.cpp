#include "analysis/analysis.h"
#include "analysis/display.h"
#include "analysis/video.h"
#include "codec_output.h"
#include "command_line.h"
#include "description.h"
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

std::string json_match(const std::optional<MatrixMatch>& match) {
    if (!match) {
        return "null";
    }
    return "{\"name\":" + json_string(match->name) +
           ",\"distance\":" + std::to_string(match->distance) + '}';
}

// An MPEG-1 or MPEG-2 video: the window's texts for the text, StreamInfo's fields for the
// JSON.
Description describe_mpeg(const std::string& file, const AnalysisResult& result,
                          const MatrixLibrary& library) {
    Description d;
    d.file = file;
    const DisplayTexts texts = display_texts(result.info);
    const auto line = [&d](const char* caption, const std::string& value) {
        d.line(plain_caption(tr_text("Caption", caption)), value);
    };
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
    d.line(plain_caption(tr_text("Caption", caption::dc_precision)), texts.dc_precision, "");
    line(caption::picture_structure, texts.picture_structure);
    d.lists = matrix_pair_text(
        result.matrices,
        exact_matrix_name(library.entries, result.matrices.intra, MatrixKind::intra),
        exact_matrix_name(library.entries, result.matrices.non_intra, MatrixKind::non_intra));

    const StreamInfo& info = result.info;
    const auto text = [&d](const char* key, const std::string& value) {
        d.member(key, json_string(value));
    };
    const auto number = [&d](const char* key, long value) { d.member(key, std::to_string(value)); };
    const auto boolean = [&d](const char* key, bool value) {
        d.member(key, value ? "true" : "false");
    };
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
    d.member("intra", json_matrix(result.matrices.intra));
    d.member("non_intra", json_matrix(result.matrices.non_intra));
    boolean("intra_from_stream", result.matrices.intra_from_stream);
    boolean("non_intra_from_stream", result.matrices.non_intra_from_stream);
    d.member("intra_match",
             json_match(nearest_matrix(library.entries, result.matrices.intra, MatrixKind::intra)));
    d.member("non_intra_match",
             json_match(nearest_matrix(library.entries, result.matrices.non_intra,
                                       MatrixKind::non_intra)));
    // A file that cannot be opened says why in its first message.
    d.member("messages", json_messages(result.messages, result.open_error
                                                            ? render(reason_text(result.open_error),
                                                                     Language::french)
                                                            : std::string()));
    return d;
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
                out = description_json(describe_codec(file, codec));
            } else {
                print_messages(file, codec.messages);
                if (!codec.ok()) {
                    continue;
                }
                out = (first ? "" : "\n") + description_text(describe_codec(file, codec));
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
            out = description_json(describe_mpeg(file, result, library));
        } else if (result.open_error) {
            // Nothing to show of a file that cannot be opened: only why, on standard error.
            print_messages(file, result.messages);
            std::fprintf(stderr, "%s: %s\n", file.c_str(),
                         shown(reason_text(result.open_error)).c_str());
            continue;
        } else {
            print_messages(file, result.messages);
            out = (first ? "" : "\n") + description_text(describe_mpeg(file, result, library));
        }
        first = false;
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fflush(stdout);
    }
    return status;
}

} // namespace quantaline::cli
