// Arbitrary bytes through the whole-stream scan: elementary, program and transport
// streams alike (the seed corpus holds the three), damaged anywhere.
#include "mpeg/macroblock.h"
#include "mpeg/scan.h"

#include <array>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quantaline::mpeg;
    ScanControl control;
    control.picture_records = true;
    const ScanResult result = scan_bytes(std::span<const std::uint8_t>(data, size), control);

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

    // One record per picture, in file order, each at least its start code, all of them
    // within the input; each set holds the records that name it.
    if (result.picture_records.size() != result.pictures) {
        std::abort();
    }
    std::uint64_t bytes = 0;
    std::vector<std::uint64_t> per_set(result.matrix_sets.size(), 0);
    for (std::size_t i = 0; i < result.picture_records.size(); ++i) {
        const PictureRecord& record = result.picture_records[i];
        if (record.index != i || record.offset >= size || record.bytes < 4 ||
            (i > 0 && record.offset <= result.picture_records[i - 1].offset) ||
            record.matrix_set > result.matrix_sets.size()) {
            std::abort();
        }
        bytes += record.bytes;
        if (record.matrix_set > 0) {
            ++per_set[record.matrix_set - 1];
        }
    }
    if (bytes > size) {
        std::abort();
    }
    for (std::size_t k = 0; k < per_set.size(); ++k) {
        if (per_set[k] != result.matrix_sets[k].pictures) {
            std::abort();
        }
    }

    // The same scan with the quantiser pass, on the reading thread or on two more: the same
    // records, each picture handed over with its record's bytes, figures that hold
    // together and totals that are the records' sums.
    control.quantiser = true;
    control.quantiser_threads = size % 2 == 0 ? 1 : 2;
    std::vector<std::uint64_t> handed(result.pictures, 0);
    control.picture_bytes = [&](std::uint64_t index, const SequenceContext&,
                                std::span<const std::uint8_t> picture) {
        if (index >= handed.size() || handed[index] != 0 || picture.size() < 4) {
            std::abort();
        }
        handed[index] = picture.size();
    };
    const ScanResult pass = scan_bytes(std::span<const std::uint8_t>(data, size), control);
    if (pass.pictures != result.pictures || pass.picture_records.size() != result.pictures ||
        pass.damaged_pictures > pass.pictures) {
        std::abort();
    }
    std::array<std::uint64_t, 4> macroblocks{};
    for (std::size_t i = 0; i < pass.picture_records.size(); ++i) {
        PictureRecord record = pass.picture_records[i];
        const PictureQuantiserFigures q = record.quantiser;
        record.quantiser = {};
        if (!(record == result.picture_records[i])) {
            std::abort();
        }
        if (q.read && (handed[i] != record.bytes || record.matrix_set == 0)) {
            std::abort();
        }
        const std::uint64_t count = std::uint64_t{q.intra} + q.coded + q.skipped;
        if (q.read && count > 0) {
            if (q.quantiser_min == 0 || q.quantiser_min > q.quantiser_max ||
                q.quantiser_average_hundredths < q.quantiser_min * 100u ||
                q.quantiser_average_hundredths > q.quantiser_max * 100u || q.quantiser_max > 112) {
                std::abort();
            }
            if (record.picture_coding_type >= 1 && record.picture_coding_type <= 4) {
                macroblocks[record.picture_coding_type - 1] += count;
            }
        }
    }
    for (std::size_t t = 0; t < 4; ++t) {
        if (pass.quantiser_by_type[t].macroblocks != macroblocks[t]) {
            std::abort();
        }
    }
    return 0;
}
