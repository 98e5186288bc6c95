#pragma once

#include <string>

namespace quantaline {

#ifdef _WIN32
inline constexpr char native_separator = '\\';
#else
inline constexpr char native_separator = '/';
#endif

// "C:\..." or "c:/...": a path with a drive letter, as Windows writes it.
bool is_windows_drive_path(const std::string& text);

// The text with a separator at its end: the native one, or "\" for a Windows drive path.
std::string with_trailing_separator(const std::string& folder);

// The part after the last native separator; empty when there is none.
std::string after_last_separator(const std::string& path);

// On Windows the path itself. Elsewhere a Windows drive path names a file of the Wine
// prefix ($WINEPREFIX, else ~/.wine, then dosdevices/<drive>:), because that is where
// Windows encoders live there; any other path is returned as it is.
std::string resolve_windows_path(const std::string& path);

} // namespace quantaline
