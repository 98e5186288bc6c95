#pragma once

#include "analysis/stream_info.h"

#include <string>

namespace quantaline {

// Both grids (matrix_grid_text) under the report headings, an empty line between them:
// the matrix part of the CLI's `info` and `matrix` output. A non-empty name is shown
// after its heading, in parentheses.
std::string matrix_pair_text(const QuantMatrixPair& matrices, const std::string& intra_name = {},
                             const std::string& non_intra_name = {});

} // namespace quantaline
