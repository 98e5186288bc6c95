#pragma once

#include "analysis/stream_info.h"
#include "config/configuration.h"
#include "io/message.h"

#include <string>

namespace quantaline {

// The values the windows share for the life of the process. main() owns the one
// instance and hands it by reference to every window.
struct AppState {
    // The last analysis, replaced whole by the next one.
    StreamInfo stream_info;
    QuantMatrixPair matrices;

    // The open dialog's result: the chosen file, or the flag of a cancelled choice that
    // the main window tests and clears.
    std::string file_path;
    bool open_cancelled = false;
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

    // The last export chosen ("CCE" or "TMPGEnc") and whether an export ran.
    std::string export_target;
    bool path_edited = false;
    bool export_done = false;
};

} // namespace quantaline
