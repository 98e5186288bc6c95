#include "analysis/analysis.h"
#include "analysis/video.h"
#include "command_line.h"
#include "config/configuration.h"
#include "export/cce_export.h"
#include "export/tmpgenc_export.h"
#include "io/file_system.h"
#include "io/paths.h"
#include "report/text_report.h"
#include "session/codec_view.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

namespace quantaline::cli {

namespace {

// What a report and the MPEG-2 encoders take from a file: its header and its two 8x8
// matrices.
struct Exportable {
    StreamInfo info;
    QuantMatrixPair matrices;
};

enum class Use { report, mpeg2_encoder };

// FILE's header and matrices, or nothing after printing why: matrices read with a warning
// are not handed on, and a video of another codec gives its two 8x8 matrices (MPEG-4 Part 2
// quantising with matrices) or is refused as the window refuses it.
std::optional<Exportable> exportable(const std::string& file, Use use) {
    OpenedVideo video = open_video(file);
    if (video.codec) {
        const CodecAnalysis& codec = *video.codec;
        if (!codec.ok()) {
            print_messages(file, codec.messages);
            return std::nullopt;
        }
        const auto matrices = codec_matrix_pair(codec);
        if (!matrices) {
            const std::string why =
                use == Use::report ? report_refusal(codec) : mpeg2_export_refusal(codec);
            std::fprintf(stderr, "%s: %s\n", file.c_str(), why.c_str());
            return std::nullopt;
        }
        return Exportable{codec_stream_info(codec), *matrices};
    }
    AnalysisResult& result = *video.mpeg;
    if (!result.messages.empty()) {
        print_messages(file, result.messages);
        return std::nullopt;
    }
    return Exportable{std::move(result.info), result.matrices};
}

std::string program_folder() {
    return program_folder_from_executable(executable_path());
}

} // namespace

int run_report(const Arguments& arguments) {
    int status = exit_ok;
    const auto line = parse_arguments("report", arguments, {"--output-dir"}, {}, true, status);
    if (!line) {
        return status;
    }
    const auto result = exportable(line->files.front(), Use::report);
    if (!result) {
        return exit_message;
    }
    const auto output = line->values.find("--output-dir");
    const std::string folder =
        output == line->values.end() ? program_folder() : with_trailing_separator(output->second);
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path_from_utf8(line->files.front()), error);
    const std::string file_path = error ? line->files.front() : path_to_utf8(absolute);
    const ReportOutcome outcome =
        write_text_report(folder, file_path, result->info, result->matrices);
    if (!outcome.written) {
        return fail(outcome.message);
    }
    std::printf("%s\n", outcome.path.c_str());
    return exit_ok;
}

int run_export_cce(const Arguments& arguments) {
    int status = exit_ok;
    const auto line = parse_arguments("export-cce", arguments, {"--key", "--name", "--output"},
                                      {"--open"}, true, status);
    if (!line) {
        return status;
    }
    if (!line->values.contains("--key") || !line->values.contains("--name")) {
        return usage_error("export-cce needs --key KEY and --name NAME");
    }
    const auto result = exportable(line->files.front(), Use::mpeg2_encoder);
    if (!result) {
        return exit_message;
    }
    const auto output = line->values.find("--output");
    const std::string path =
        output == line->values.end() ? cce_script_path(program_folder()) : output->second;
    if (const auto message =
            write_cce_script(path, line->values.at("--key"), line->values.at("--name"),
                             cce_values(result->matrices))) {
        return fail(*message);
    }
    std::printf("%s\n", path.c_str());
    if (line->flags.contains("--open") && !open_with_desktop(path)) {
        std::fprintf(stderr, "quantaline-cli: %s could not be handed to the desktop\n",
                     path.c_str());
        return exit_message;
    }
    return exit_ok;
}

int run_export_tmpgenc(const Arguments& arguments) {
    int status = exit_ok;
    const auto line =
        parse_arguments("export-tmpgenc", arguments, {"--folder", "--name"}, {}, true, status);
    if (!line) {
        return status;
    }
    if (!line->values.contains("--folder") || !line->values.contains("--name")) {
        return usage_error("export-tmpgenc needs --folder DIR and --name NAME");
    }
    const auto result = exportable(line->files.front(), Use::mpeg2_encoder);
    if (!result) {
        return exit_message;
    }
    Configuration configuration;
    const std::string& folder = line->values.at("--folder");
    if (const auto message =
            export_tmpgenc(folder, line->values.at("--name"), result->matrices, configuration)) {
        return fail(*message);
    }
    std::printf("%s\n", tmpgenc_ini_path(folder).c_str());
    return exit_ok;
}

} // namespace quantaline::cli
