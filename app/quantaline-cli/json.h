#pragma once

#include "io/message.h"
#include "mpeg/scan.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quantaline::cli {

// A JSON string literal. Bytes that are not valid UTF-8 (a file name can hold
// anything) become U+FFFD so that the output is always valid JSON.
std::string json_string(std::string_view text);

// A matrix as 8 rows of 8 numbers, raster order, the top row first.
std::string json_matrix(const std::array<std::uint8_t, 64>& matrix);

// The messages as an array of {"icon", "title", "text"}.
// `first_reason`, when not empty, goes into the first message as its "reason".
std::string json_messages(const Messages& messages, const std::string& first_reason = {});

// "elementary", "program", "transport", "mp4", "matroska", "avi", "mxf" (or "unknown"), as
// every command writes the container.
const char* container_key(mpeg::Container container);

} // namespace quantaline::cli
