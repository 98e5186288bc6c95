#pragma once

#include "analysis/stream_info.h"
#include "config/configuration.h"

#include <string>

namespace quantaline {

// The encoder the last export button chose.
enum class ExportTarget { none, cce, tmpgenc };

// The values the windows share for the life of the process. main() owns the one
// instance, through the Session, and the windows read it there.
struct AppState {
    // The last analysis, replaced whole by the next one: its codes, which decisions are
    // taken on, and their numbers and texts, which the windows show.
    StreamCodes codes;
    StreamInfo stream_info;
    QuantMatrixPair matrices;

    // The file last opened.
    std::string file_path;
    // Where the next open dialog starts; "c:\" at start-up stands for the home folder
    // where there is no drive C.
    std::string remembered_drive;
    std::string remembered_folder;

    // Ends with the native separator; the configuration, the registry script and the
    // reports live there.
    std::string program_folder;
    // The executable's file name: the configuration file's first line carries it.
    std::string executable_name = "quantaline";
    Configuration configuration;

    ExportTarget export_target = ExportTarget::none;
    bool path_edited = false;
    bool export_done = false;
};

} // namespace quantaline
