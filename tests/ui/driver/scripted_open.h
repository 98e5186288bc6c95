#pragma once

#include <QString>

namespace quantaline {

class FrmOuvrir;

// For the test hooks: the open dialog now showing, moved to `stream`'s folder with the
// file selected; nullptr when no open dialog shows.
FrmOuvrir* select_in_open_dialog(const QString& stream);

} // namespace quantaline
