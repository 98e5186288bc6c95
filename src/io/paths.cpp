#include "io/paths.h"

#include "io/file_system.h"

#include <cctype>
#include <cstdlib>

namespace quantaline {

bool is_windows_drive_path(const std::string& text) {
    return text.size() >= 3 && std::isalpha(static_cast<unsigned char>(text[0])) &&
           text[1] == ':' && (text[2] == '\\' || text[2] == '/');
}

std::string with_trailing_separator(const std::string& folder) {
    const char separator = is_windows_drive_path(folder) ? '\\' : native_separator;
    if (!folder.empty() && (folder.back() == separator || folder.back() == '/')) {
        return folder;
    }
    return folder + separator;
}

std::string after_last_separator(const std::string& path) {
    const auto last = path.rfind(native_separator);
    return last == std::string::npos ? std::string() : path.substr(last + 1);
}

std::string resolve_windows_path(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    if (!is_windows_drive_path(path)) {
        return path;
    }
    std::string prefix;
    if (const char* wine_prefix = std::getenv("WINEPREFIX"); wine_prefix && *wine_prefix) {
        prefix = wine_prefix;
    } else if (const char* home = std::getenv("HOME")) {
        prefix = std::string(home) + "/.wine";
    } else {
        return path;
    }
    std::string resolved = with_trailing_separator(prefix) + "dosdevices/";
    resolved += static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
    resolved += ':';
    for (std::size_t i = 2; i < path.size(); ++i) {
        resolved += path[i] == '\\' ? '/' : path[i];
    }
    return resolved;
#endif
}

} // namespace quantaline
