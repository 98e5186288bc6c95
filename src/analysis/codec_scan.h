#pragma once

// The whole-stream scan of an MPEG-4 Part 2, H.264 or HEVC video: every parameter set its
// container and its samples carry, the lists in force for each picture as the decoder
// resolves them, where they change and how many pictures each set of lists codes.

#include "analysis/codec_matrices.h"
#include "analysis/codec_pictures.h"
#include "container/video_configuration.h"
#include "io/message.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace quantaline {

// A picture coded with other lists than the picture before it (and always the first
// picture whose lists are known).
struct CodecListChange {
    // The parameter set that brought the lists when it came since the picture before,
    // else the picture's own first unit; 0 when neither lies in the file in one piece.
    std::uint64_t offset = 0;
    std::uint64_t picture = 0; // 0-based, in stream (decoding) order
    // The sets it is coded with: "SPS 0, PPS 1" (H.264, HEVC), "VOL" (MPEG-4 Part 2).
    std::string origin;
    std::size_t set = 0; // index in CodecScan::sets
};

struct CodecListSet {
    std::vector<CodecList> lists; // as CodecAnalysis::lists, from its first picture
    std::uint64_t first_picture = 0;
    std::uint64_t pictures = 0;
};

struct CodecScan {
    container::Container container = container::Container::unknown;
    container::Codec codec = container::Codec::unknown;
    std::uint16_t packet_size = 0; // a transport stream's
    std::uint64_t pictures = 0;
    // Before the first one with lists known (no parameter set yet, or a damaged one).
    std::uint64_t pictures_without_lists = 0;
    std::uint64_t parameter_sets = 0; // the container's and the samples'
    std::vector<CodecListChange> changes;
    std::vector<CodecListSet> sets; // in the order of their first picture
    // Every picture read with its parameter sets, in decoding order, and their sums.
    std::vector<CodecPicture> picture_records;
    CodecPictureSummary summary;
    Messages messages;
};

struct CodecScanControl {
    // Set: the scan stops at its next read, with what was read so far.
    const std::atomic<bool>* stop = nullptr;
    // Called now and then with the file offset reached.
    std::function<void(std::uint64_t)> progress;
};

// Reads the whole video of a file of one of the codecs read here (is_codec_read_here()).
CodecScan scan_codec_file(const std::string& path, const CodecScanControl& control = {});
CodecScan scan_codec_bytes(std::span<const std::uint8_t> bytes);

} // namespace quantaline
