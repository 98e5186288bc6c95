#pragma once

#include <string>
#include <string_view>

namespace quantaline::cli {

// A JSON string literal. Bytes that are not valid UTF-8 (a file name can hold
// anything) become U+FFFD so that the output is always valid JSON.
std::string json_string(std::string_view text);

} // namespace quantaline::cli
