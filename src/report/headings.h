#pragma once

namespace quantaline {

// The matrix headings of the reports: "speciale" for a matrix read from the file,
// "Standard MPEG" for the default.
inline const char* intra_heading(bool from_stream) {
    return from_stream ? "Matrice INTRA-BLOCK speciale" : "Matrice INTRA-BLOCK Standard MPEG";
}
inline const char* non_intra_heading(bool from_stream) {
    return from_stream ? "Matrice non INTRA-BLOCK speciale"
                       : "Matrice non INTRA-BLOCK Standard MPEG";
}

} // namespace quantaline
