#include "analysis/analysis.h"
#include "analysis/video.h"
#include "codec_output.h"
#include "command_line.h"
#include "export/encoder_files.h"
#include "export/matrix_formats.h"
#include "export/matrix_library.h"
#include "io/atomic_file.h"
#include "report/matrix_text.h"

#include <cstdio>

namespace quantaline::cli {

namespace {

Message format_refused(const std::string& format, container::Codec codec) {
    return Message{MessageId::matrix_format_refused,
                   {literal_text(format), literal_text(codec_name(codec))}};
}

std::string refused_or(const EncoderFileText& file, std::optional<Message>& refused) {
    refused = file.refused;
    return file.text;
}

// The bytes of FORMAT for an MPEG-4 Part 2, H.264 or HEVC source, or why there are none.
std::string codec_matrix_bytes(const CodecAnalysis& codec, const std::string& format,
                               const std::string& file, std::optional<Message>& refused) {
    if (format == "text") {
        return codec_lists_text(codec);
    }
    if (format == "csv") {
        return codec_lists_csv(codec);
    }
    if (format == "x264") {
        if (codec.h264) {
            return refused_or(x264_cqm_file(*codec.h264), refused);
        }
        if (codec.hevc) {
            return refused_or(x264_cqm_file(*codec.hevc), refused);
        }
    } else if (format == "x265") {
        if (codec.hevc) {
            return refused_or(x265_scaling_list_file(*codec.hevc), refused);
        }
        if (codec.h264) {
            return refused_or(x265_scaling_list_file(*codec.h264), refused);
        }
    } else if (codec.mpeg4) {
        // ffmpeg and mpeg2enc take an MPEG-4 video's two 8x8 matrices as MPEG-2's.
        const Mpeg4MatrixPair pair = mpeg4_matrix_pair(*codec.mpeg4);
        if (!pair.ok()) {
            refused = pair.refused;
            return {};
        }
        if (format == "ffmpeg") {
            return ffmpeg_options(pair.matrices) + '\n';
        }
        if (!mpeg2enc_accepts(pair.matrices)) {
            refused = mpeg2enc_value_message;
            return {};
        }
        return mpeg2enc_file_text(pair.matrices, file);
    }
    refused = format_refused(format, codec.codec);
    return {};
}

int write_out(const std::string& bytes, const std::optional<std::string>& output, int status) {
    if (!output) {
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        std::fflush(stdout);
        return status;
    }
    if (const auto error = write_file_atomically(*output, bytes)) {
        return fail(matrix_file_failed_message(*error));
    }
    return status;
}

int not_written(const std::optional<std::string>& output) {
    if (output) {
        std::fprintf(stderr, "quantaline-cli: %s has not been written\n", output->c_str());
    }
    return exit_message;
}

} // namespace

int run_matrix(const Arguments& arguments) {
    int status = exit_ok;
    const auto line =
        parse_arguments("matrix", arguments, {"--format", "--output"}, {}, true, status);
    if (!line) {
        return status;
    }
    const std::string& file = line->files.front();
    const auto format_option = line->values.find("--format");
    const std::string format = format_option == line->values.end() ? "text" : format_option->second;
    if (format != "text" && format != "csv" && format != "ffmpeg" && format != "mpeg2enc" &&
        format != "x264" && format != "x265") {
        return usage_error("unknown format for matrix: " + format);
    }
    const auto output_option = line->values.find("--output");
    const std::optional<std::string> output =
        output_option == line->values.end() ? std::nullopt
                                            : std::optional<std::string>(output_option->second);

    const OpenedVideo video = open_video(file);
    if (video.codec) {
        const CodecAnalysis& codec = *video.codec;
        print_messages(file, codec.messages);
        if (!codec.ok()) {
            return not_written(output);
        }
        std::optional<Message> refused;
        const std::string bytes = codec_matrix_bytes(codec, format, file, refused);
        if (refused) {
            fail(*refused);
            return not_written(output);
        }
        return write_out(bytes, output, status);
    }
    const AnalysisResult& result = *video.mpeg;
    if (format == "x264" || format == "x265") {
        print_messages(file, result.messages);
        if (result.messages.empty()) {
            // A sequence extension makes the video MPEG-2.
            fail(format_refused(format, result.codes.sequence_extension ? container::Codec::mpeg2
                                                                        : container::Codec::mpeg1));
        }
        return not_written(output);
    }

    print_messages(file, result.messages);
    // Matrices the analysis could not read are the defaults, not the file's: printed, a
    // script would hand them to an encoder (`ffmpeg $(quantaline-cli matrix typo.vob ...)`);
    // written, they would replace a good file. Nothing goes out but the message.
    if (!result.messages.empty()) {
        return not_written(output);
    }
    const QuantMatrixPair& matrices = result.matrices;

    std::string bytes;
    if (format == "text") {
        const MatrixLibrary library = load_matrix_library(user_matrix_folder());
        print_messages("quantaline-cli", library.messages);
        bytes = matrix_pair_text(
            matrices, exact_matrix_name(library.entries, matrices.intra, MatrixKind::intra),
            exact_matrix_name(library.entries, matrices.non_intra, MatrixKind::non_intra));
    } else if (format == "csv") {
        bytes = matrix_pair_csv(matrices);
    } else if (format == "ffmpeg") {
        bytes = ffmpeg_options(matrices) + '\n';
    } else {
        if (!mpeg2enc_accepts(matrices)) {
            return fail(mpeg2enc_value_message);
        }
        bytes = mpeg2enc_file_text(matrices, file);
    }
    return write_out(bytes, output, status);
}

} // namespace quantaline::cli
