#include "export/export_messages.h"

namespace quantaline {

const Message line_break_message{MessageId::line_break_refused};

} // namespace quantaline
