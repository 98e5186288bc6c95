#include "analysis/analysis.h"
#include "command_line.h"
#include "export/matrix_formats.h"
#include "export/matrix_library.h"
#include "io/atomic_file.h"
#include "report/matrix_text.h"

#include <cstdio>

namespace quantaline::cli {

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
    if (format != "text" && format != "csv" && format != "ffmpeg" && format != "mpeg2enc") {
        return usage_error("unknown format for matrix: " + format);
    }

    AnalysisResult result = analyse_file(file);
    print_messages(file, result.messages);
    const auto output = line->values.find("--output");
    // Matrices the analysis could not read are the defaults, not the file's: printed, a
    // script would hand them to an encoder (`ffmpeg $(quantaline-cli matrix typo.vob ...)`);
    // written, they would replace a good file. Nothing goes out but the message.
    if (!result.messages.empty()) {
        if (output != line->values.end()) {
            std::fprintf(stderr, "quantaline-cli: %s has not been written\n",
                         output->second.c_str());
        }
        return exit_message;
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

    if (output == line->values.end()) {
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        std::fflush(stdout);
        return status;
    }
    if (const auto error = write_file_atomically(output->second, bytes)) {
        return fail(matrix_file_failed_message(*error));
    }
    return status;
}

} // namespace quantaline::cli
