#pragma once

#include "io/text.h"

namespace quantaline {

// The matrix headings of the reports (kept on purpose: docs/compatibility.md): "speciale" for a
// matrix read from the file, "Standard MPEG" for the default; in the program's language.
inline const char* intra_heading(bool from_stream) {
    return from_stream ? tr_text("Report", "Matrice INTRA-BLOCK speciale")
                       : tr_text("Report", "Matrice INTRA-BLOCK Standard MPEG");
}
inline const char* non_intra_heading(bool from_stream) {
    return from_stream ? tr_text("Report", "Matrice non INTRA-BLOCK speciale")
                       : tr_text("Report", "Matrice non INTRA-BLOCK Standard MPEG");
}

} // namespace quantaline
