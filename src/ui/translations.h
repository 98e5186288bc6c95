#pragma once

#include "io/text.h"

namespace quantaline {

// Qt's side of the program's language, installed once at start-up into the running
// QCoreApplication: under French, Qt's own French texts (the file and print dialogs);
// under another language, the program's translation of its texts (Qt's own texts are
// English already). Both come from the resources built into the program. False when the
// translation could not be loaded.
bool install_translations(Language language);

} // namespace quantaline
