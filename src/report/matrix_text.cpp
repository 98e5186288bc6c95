#include "report/matrix_text.h"

#include "export/matrix_formats.h"
#include "report/headings.h"

namespace quantaline {

namespace {

std::string heading_line(const char* heading, const std::string& name) {
    std::string out = heading;
    if (!name.empty()) {
        out += " (" + name + ")";
    }
    return out + '\n';
}

} // namespace

std::string matrix_pair_text(const QuantMatrixPair& matrices, const std::string& intra_name,
                             const std::string& non_intra_name) {
    return heading_line(intra_heading(matrices.intra_from_stream), intra_name) +
           matrix_grid_text(matrices.intra) + '\n' +
           heading_line(non_intra_heading(matrices.non_intra_from_stream), non_intra_name) +
           matrix_grid_text(matrices.non_intra);
}

} // namespace quantaline
