#pragma once

#include "analysis/stream_info.h"
#include "config/configuration.h"
#include "io/message.h"

#include <optional>
#include <string>
#include <vector>

namespace quantaline {

// The file the export changes: folder (with a separator added when it has none) +
// "TMPGEnc.ini", a Windows drive path resolved through the Wine prefix off Windows.
std::string tmpgenc_ini_path(const std::string& folder_text);

// Adds the matrices as a new entry named `name` to the list of "[Tools.QuantizeMatrix]" in
// the folder's TMPGEnc.ini and stores the folder, with its separator, in
// configuration.tmpgenc_folder. Nothing on success; otherwise the message to show, and the
// file is left as it was.
std::optional<Message> export_tmpgenc(const std::string& folder_text, const std::string& name,
                                      const QuantMatrixPair& matrices,
                                      Configuration& configuration);

// The change itself, on the file's lines: the count line raised by one and the entry's 18
// lines added to the section. `path` only names the file in a message; on a message the
// lines are left as they were.
std::optional<Message> add_tmpgenc_entry(std::vector<std::string>& lines, const std::string& path,
                                         const std::string& name, const QuantMatrixPair& matrices);

} // namespace quantaline
