#include "export/export_messages.h"

namespace quantaline {

const Message line_break_message{Icon::exclamation,
                                 TR_NOOP_TEXT("Message", "Exportation impossible..."),
                                 line_break_text, Buttons::ok, Button::ok};

} // namespace quantaline
