#pragma once

#include "io/message.h"
#include "io/text_file.h"

namespace quantaline {

// A name or key holding a line break (has_line_break) is refused with this message.
extern const Message line_break_message;

} // namespace quantaline
