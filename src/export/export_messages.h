#pragma once

#include "io/message.h"

#include <string>

namespace quantaline {

// A name or key holding a line break would add lines of its own to the file written.
bool has_line_break(const std::string& text);
extern const Message line_break_message;

} // namespace quantaline
