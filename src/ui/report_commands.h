#pragma once

#include "io/message.h"
#include "session/app_state.h"

class QWidget;

namespace quantaline {

class Platform;

extern const Message print_failed_message;

// btc_texte: the report file in the program folder, under the hourglass, then the
// confirmation, or why the file could not be written.
void write_text_report_command(QWidget* owner, const AppState& state, Platform& platform);

// btc_imprimer: the report on the default printer, 10 points in the printer's own face, one
// page; nothing is shown unless it fails.
void print_report(QWidget* owner, const AppState& state, Platform& platform);

} // namespace quantaline
