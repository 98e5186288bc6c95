#include "report/text_report.h"

#include "io/paths.h"
#include "io/text.h"
#include "io/text_file.h"
#include "report/report_writer.h"

namespace quantaline {

namespace {

// `file_name`: the name of the file really written, so that the user finds it by it.
Message report_saved_message(const std::string& file_name) {
    return Message{MessageId::report_saved, {literal_text(file_name)}};
}

Message report_failed_message(const WriteError& error) {
    return Message{MessageId::report_not_saved, {write_error_text(error)}};
}

} // namespace

std::string text_report_path(const std::string& program_folder, const std::string& file_path) {
    return program_folder + "matrice de " + after_last_separator(file_path) + ".txt";
}

ReportOutcome write_text_report(const std::string& program_folder, const std::string& file_path,
                                const StreamInfo& info, const QuantMatrixPair& matrices) {
    const std::string path = text_report_path(program_folder, file_path);
    if (const auto error = write_text_lines(path, report_lines(file_path, info, matrices))) {
        return {path, report_failed_message(*error), false};
    }
    return {path, report_saved_message(after_last_separator(path)), true};
}

} // namespace quantaline
