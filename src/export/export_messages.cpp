#include "export/export_messages.h"

namespace quantaline {

bool has_line_break(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

const Message line_break_message{
    Icon::exclamation, "Exportation impossible...",
    "Le nom de l'enregistrement et la clé ne doivent pas contenir de retour à la ligne. "
    "Rien n'a été écrit.",
    Buttons::ok, Button::ok};

} // namespace quantaline
