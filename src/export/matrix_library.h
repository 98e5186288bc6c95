#pragma once

#include "analysis/stream_info.h"
#include "io/message.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quantaline {

// A named pair of matrices: one entry of the library of well-known matrices.
struct NamedMatrices {
    std::string name;
    mpeg::Matrix intra{};
    mpeg::Matrix non_intra{};

    bool operator==(const NamedMatrices&) const = default;
};

// Reads 16 lines of 8 values, the intra matrix first, as mpeg2enc's matrix files hold
// them. Lines that are empty or blank and lines whose first non-blank character is "#"
// are skipped wherever they stand; blanks around the values and a CR before the LF are
// allowed. Every value must be 1 to 255. On failure, `problem` tells the first fault.
std::optional<NamedMatrices> read_matrix_values(std::string_view text, Text& problem);

// The entries compiled into the program (src/export/matrix_library.txt), in file order.
const std::vector<NamedMatrices>& builtin_matrices();

// The per-user folder of matrix files, with a trailing separator:
// $XDG_CONFIG_HOME/Quantaline/matrices/ (by default ~/.config/...) on Linux and macOS,
// %APPDATA%\Quantaline\matrices\ on Windows. Empty when the system tells no such place.
std::string user_matrix_folder();

struct MatrixLibrary {
    std::vector<NamedMatrices> entries;
    Messages messages; // one per user file that was skipped
    // What the user folder held when it was read (each matrix file's name, size and time
    // of change): two equal states read the same files.
    std::string folder_state;
};

// The built-in entries, then every *.txt file of `user_folder` in file-name order, named
// after the file without ".txt". A file that cannot be read or is malformed is skipped
// whole, with a message that names it. A missing folder simply adds nothing.
MatrixLibrary load_matrix_library(const std::string& user_folder);

// "Le fichier de matrices [FILE] ..." — why a user's matrix file was skipped.
Message matrix_file_skipped_message(const std::string& file_name, const Text& problem);

// The nearest library matrix: the sum of the absolute differences of the 64 values, the
// first entry in library order winning a tie. Intra matrices are compared with the
// entries' intra matrices, non-intra with non-intra. Nothing for an empty library.
struct MatrixMatch {
    std::string name;
    int distance = 0;

    bool operator==(const MatrixMatch&) const = default;
};
enum class MatrixKind { intra, non_intra };

int matrix_distance(const mpeg::Matrix& a, const mpeg::Matrix& b);
std::optional<MatrixMatch> nearest_matrix(const std::vector<NamedMatrices>& library,
                                          const mpeg::Matrix& matrix, MatrixKind kind);
// "Matrice connue : NAME" for a distance of 0, "Matrice la plus proche : NAME (distance D)"
// otherwise, empty without a match: the grids' tooltip.
std::string matrix_match_text(const std::optional<MatrixMatch>& match);
// The name of the first library matrix equal to `matrix`; empty when none is.
std::string exact_matrix_name(const std::vector<NamedMatrices>& library, const mpeg::Matrix& matrix,
                              MatrixKind kind);

} // namespace quantaline
