#pragma once

#include "io/message.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace quantaline {

// Paths travel as UTF-8 strings; these turn them into file-system paths and back, so
// that accented names work on Windows too.
std::filesystem::path path_from_utf8(const std::string& utf8);
std::string path_to_utf8(const std::filesystem::path& path);

// std::fopen with a UTF-8 path; errno tells why on failure.
std::FILE* open_file(const std::filesystem::path& path, const char* mode);

// A pipe, a device or anything else that is not a regular file, which the reader refuses.
std::error_code not_a_regular_file_error();

// The system's reason for `error`, in French for the reasons a user meets when saving or
// opening.
Text reason_text(const std::error_code& error);

} // namespace quantaline
