#pragma once

#include "io/text_file.h"

#include <optional>
#include <string>
#include <string_view>

namespace quantaline {

// The steps of an atomic write; tests make one of them fail to see that the previous
// file survives.
enum class WriteStep { create, write, flush, rename };

// Writes `bytes` to a temporary file beside `path`, then renames it over `path`.
std::optional<WriteError> write_file_atomically(const std::string& path, std::string_view bytes,
                                                std::optional<WriteStep> fail_at = std::nullopt);

// Whether a file can be created in `folder` (tried, then removed).
bool folder_is_writable(const std::string& folder);

} // namespace quantaline
