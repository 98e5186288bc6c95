#pragma once

#include "analysis/stream_info.h"
#include "io/message.h"

#include <string>

namespace quantaline {

struct ReportOutcome {
    std::string path;
    Message message; // the confirmation when written, else why it was not
    bool written = false;
};

// The report's file: program_folder + "matrice de " + N + ".txt", N being what follows the
// last native separator of `file_path` (empty without one).
std::string text_report_path(const std::string& program_folder, const std::string& file_path);

// Writes the 36 report lines to the report's file, replacing any earlier one.
ReportOutcome write_text_report(const std::string& program_folder, const std::string& file_path,
                                const StreamInfo& info, const QuantMatrixPair& matrices);

} // namespace quantaline
