// Arbitrary bytes through the whole-stream scan: elementary, program and transport
// streams alike (the seed corpus holds the three), damaged anywhere.
#include "mpeg/scan.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quantaline::mpeg;
    const ScanResult result = scan_bytes(std::span<const std::uint8_t>(data, size));

    // The whole input is read; every picture of a set was counted; a change or a set
    // points at a picture that exists; no header, no change and a message.
    std::uint64_t in_sets = 0;
    for (const auto& set : result.matrix_sets) {
        if (set.pictures == 0 || set.first_picture >= result.pictures) {
            std::abort();
        }
        in_sets += set.pictures;
    }
    if (result.bytes_read != size || in_sets > result.pictures ||
        result.changes.size() > result.sequence_headers + result.quant_matrix_extensions) {
        std::abort();
    }
    for (const auto& change : result.changes) {
        if (change.offset >= size || (change.picture && *change.picture >= result.pictures)) {
            std::abort();
        }
    }
    if (result.sequence_headers == 0 && (!result.changes.empty() || result.messages.empty())) {
        std::abort();
    }
    return 0;
}
