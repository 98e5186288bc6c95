#pragma once

#include "io/text_file.h"

#include <optional>
#include <string>
#include <vector>

namespace quantaline {

// Where the two encoders keep their matrices, from quantaline.cfg in the program folder.
struct Configuration {
    std::string cce_registry_key;
    std::string tmpgenc_folder;
    // The texts are the program's defaults, not yet confirmed by the user: the export
    // buttons warn while it is set.
    bool values_are_default = false;
};

inline constexpr const char* configuration_file_name = "quantaline.cfg";
inline constexpr const char* default_cce_registry_key =
    "HKEY_CURRENT_USER\\Software\\Custom Technology\\CCE SP Trial Version\\qmat";
inline constexpr const char* default_tmpgenc_folder = "C:\\Program Files\\Pegasys\\TMPGEnc\\";

// Reads program_folder + "quantaline.cfg". When it cannot be read, writes the default file
// there (the first line names `executable_name` without its extension) and returns the
// defaults with values_are_default set; when that cannot be written either, the defaults
// serve in memory all the same.
Configuration load_configuration(const std::string& program_folder,
                                 const std::string& executable_name = "quantaline");

// The lenient reader behind load_configuration: keys matched by their first characters,
// the character after the key skipped, nothing trimmed, a later line winning.
Configuration read_configuration_lines(const std::vector<std::string>& lines);

// Rewrites the file with both texts and "Valeurs=Utilisateur"; values_are_default is left
// as it is. Nothing on success. A text holding CR or LF is refused whole (the error's kind
// is WriteErrorKind::line_break) and the file is left as it was.
std::optional<WriteError> save_configuration(const std::string& program_folder,
                                             const Configuration& configuration,
                                             const std::string& executable_name = "quantaline");

// The executable's folder with a trailing native separator, or, when no file can be
// created there or it lies under /usr (an installed program, even run by root), the
// per-user data folder's "Quantaline" folder.
std::string program_folder_from_executable(const std::string& executable_path);

} // namespace quantaline
