#include "config/configuration.h"

#include "config/app_info.h"
#include "io/atomic_file.h"
#include "io/file_system.h"
#include "io/paths.h"

#include <cstdlib>
#include <string_view>
#include <vector>

namespace quantaline {

namespace {

constexpr std::string_view key_cce = "Clé du registre";
constexpr std::string_view key_tmpgenc = "Chemin de TMPGEnc";
constexpr std::string_view key_values = "Valeurs";

std::vector<std::string> configuration_lines(const std::string& executable_name,
                                             const Configuration& configuration,
                                             const char* values) {
    const std::string name = path_to_utf8(path_from_utf8(executable_name).stem());
    const auto version = [](int number) { return " " + std::to_string(number) + " "; };
    return {"[" + name + version(app_info::version_major) + version(app_info::version_minor) + "]",
            "",
            "",
            "[CCE]",
            std::string(key_cce) + "=" + configuration.cce_registry_key,
            "",
            "[TMPGEnc]",
            std::string(key_tmpgenc) + "=" + configuration.tmpgenc_folder,
            "",
            "",
            std::string("Valeurs=") + values,
            "",
            "[EOF]"};
}

// The value after `key` and the one character that follows it (the "=" of a well-formed
// line, skipped whatever it is). Nothing when the line is not this key's, or holds the
// key alone.
std::optional<std::string> value_of(const std::string& line, std::string_view key) {
    if (!line.starts_with(key) || line.size() == key.size()) {
        return std::nullopt;
    }
    std::size_t start = key.size() + 1;
    while (start < line.size() && (static_cast<unsigned char>(line[start]) & 0xC0) == 0x80) {
        ++start; // the rest of a character of several UTF-8 bytes
    }
    return line.substr(start);
}

std::string configuration_path(const std::string& program_folder) {
    return program_folder + configuration_file_name;
}

} // namespace

Configuration load_configuration(const std::string& program_folder,
                                 const std::string& executable_name) {
    const auto lines = read_text_lines(configuration_path(program_folder));
    if (!lines) {
        Configuration defaults{default_cce_registry_key, default_tmpgenc_folder, true};
        // Without a writable folder the program still works, on the defaults.
        write_text_lines(configuration_path(program_folder),
                         configuration_lines(executable_name, defaults, "Defaut"));
        return defaults;
    }
    return read_configuration_lines(*lines);
}

Configuration read_configuration_lines(const std::vector<std::string>& lines) {
    Configuration configuration;
    for (const auto& line : lines) {
        if (auto value = value_of(line, key_cce)) {
            configuration.cce_registry_key = std::move(*value);
        } else if (auto folder = value_of(line, key_tmpgenc)) {
            configuration.tmpgenc_folder = std::move(*folder);
        } else if (auto values = value_of(line, key_values); values && *values == "Defaut") {
            configuration.values_are_default = true;
        }
    }
    return configuration;
}

std::optional<WriteError> save_configuration(const std::string& program_folder,
                                             const Configuration& configuration,
                                             const std::string& executable_name) {
    // A line break would put lines of its own into the file, read back at the next start.
    if (has_line_break(configuration.cce_registry_key) ||
        has_line_break(configuration.tmpgenc_folder)) {
        return WriteError{configuration_path(program_folder), {}, WriteErrorKind::line_break};
    }
    return write_text_lines(configuration_path(program_folder),
                            configuration_lines(executable_name, configuration, "Utilisateur"));
}

namespace {

// /usr belongs to the package manager: root may write there, but a file left beside an
// installed program is one no package owns, and survives its removal. Program Files is the
// installer's on Windows: an administrator (or Wine, which has no file permissions) may
// write there, but the uninstaller must leave the folder empty and each user keeps his own
// settings.
bool is_installed_system_folder([[maybe_unused]] const std::string& folder) {
#ifdef _WIN32
    // Windows paths ignore the case, and Qt hands over the executable's path with "/".
    const auto lower = [](std::string text) {
        for (char& c : text) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            } else if (c == '/') {
                c = '\\';
            }
        }
        return text;
    };
    for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0' &&
            lower(folder).starts_with(lower(with_trailing_separator(value)))) {
            return true;
        }
    }
    return false;
#else
    return folder.starts_with("/usr/");
#endif
}

} // namespace

std::string program_folder_from_executable(const std::string& executable_path) {
    std::error_code error;
    const auto executable = std::filesystem::absolute(path_from_utf8(executable_path), error);
    std::string folder = with_trailing_separator(
        path_to_utf8((error ? path_from_utf8(executable_path) : executable).parent_path()));
    if (!is_installed_system_folder(folder) && folder_is_writable(folder)) {
        return folder;
    }
#ifdef _WIN32
    const char* base = std::getenv("LOCALAPPDATA");
    const std::string data_home = base ? base : "";
#else
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    const std::string data_home = xdg && *xdg ? xdg
                                  : home      ? std::string(home) + "/.local/share"
                                              : "";
#endif
    if (data_home.empty()) {
        return folder;
    }
    const std::string user_folder = with_trailing_separator(data_home) + "Quantaline";
    std::filesystem::create_directories(path_from_utf8(user_folder), error);
    return with_trailing_separator(user_folder);
}

} // namespace quantaline
