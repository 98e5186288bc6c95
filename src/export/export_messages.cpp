#include "export/export_messages.h"

namespace quantaline {

const Message line_break_message{Icon::exclamation, "Exportation impossible...", line_break_text,
                                 Buttons::ok, Button::ok};

} // namespace quantaline
