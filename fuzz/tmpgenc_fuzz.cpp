// Any bytes as TMPGEnc.ini: the update must keep every line of the user's file, in order,
// change only the count line and add exactly the 18 lines of the entry.
#include "analysis/analysis.h"
#include "export/tmpgenc_export.h"
#include "io/text_file.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quantaline;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto original = split_text_lines(bytes);
    auto lines = original;

    QuantMatrixPair matrices;
    matrices.intra = default_intra;
    matrices.non_intra = default_non_intra;
    const auto problem = add_tmpgenc_entry(lines, "TMPGEnc.ini", "fuzz", matrices);
    if (problem) {
        if (lines != original) {
            std::abort(); // a refused file is left as it was
        }
        return 0;
    }

    std::size_t used = original.size();
    while (used > 0 && original[used - 1].empty()) {
        --used;
    }
    if (lines.size() < used + 18 || lines.size() > original.size() + 19) {
        std::abort();
    }
    // Every original line up to the last non-empty one is still there, in order; only the
    // count line differs, and the new lines are the entry's.
    std::size_t changed = 0, j = 0;
    for (std::size_t i = 0; i < used; ++i) {
        while (j < lines.size() && lines[j] != original[i] &&
               (lines[j].starts_with("Name") || lines[j].starts_with("ReadOnly") ||
                lines[j].starts_with("Intra") || lines[j].starts_with("NonIntra"))) {
            ++j;
        }
        if (j == lines.size()) {
            std::abort();
        }
        if (lines[j] != original[i]) {
            if (!original[i].starts_with("Count=") || !lines[j].starts_with("Count=")) {
                std::abort();
            }
            ++changed;
        }
        ++j;
    }
    if (changed != 1) {
        std::abort();
    }
    // The file stays readable as lines after a write: no line holds a line break.
    for (const auto& line : lines) {
        if (line.find_first_of("\r\n") != std::string::npos) {
            std::abort();
        }
    }
    return 0;
}
