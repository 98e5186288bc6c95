#pragma once

// The whole-stream scan: every sequence header and quant_matrix_extension of a file's
// video, the four matrices in force after each, and the pictures coded with each set.

#include "io/message.h"
#include "mpeg/syntax.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quantaline::mpeg {

enum class Container { elementary, program, transport };

// The four matrices a picture is coded with, raster order.
struct MatrixSet {
    Matrix intra{};
    Matrix non_intra{};
    Matrix chroma_intra{};
    Matrix chroma_non_intra{};

    bool operator==(const MatrixSet&) const = default;
};

enum class ChangeKind { sequence_header, quant_matrix_extension };

struct TimeCode {
    bool drop_frame_flag = false;
    std::uint8_t hours = 0;
    std::uint8_t minutes = 0;
    std::uint8_t seconds = 0;
    std::uint8_t pictures = 0;

    bool operator==(const TimeCode&) const = default;
};

// A sequence header or quant_matrix_extension after which the matrices in force differ
// (and always the first sequence header).
struct MatrixChange {
    std::uint64_t offset = 0;
    // The first picture coded with it, 0-based in stream order; none when no picture
    // followed.
    std::optional<std::uint64_t> picture;
    // The group_of_pictures_header between a sequence header and that picture.
    std::optional<TimeCode> time_code;
    ChangeKind kind = ChangeKind::sequence_header;
    // The four matrices after it: an index in ScanResult::matrices.
    std::size_t matrices = 0;

    bool operator==(const MatrixChange&) const = default;
};

struct MatrixSetUse {
    std::size_t matrices = 0; // index in ScanResult::matrices
    std::uint64_t first_picture = 0;
    std::uint64_t pictures = 0;

    bool operator==(const MatrixSetUse&) const = default;
};

struct ScanResult {
    Container container = Container::elementary;
    // The PES stream_id (program stream) or the PID (transport stream) of the video read.
    std::optional<std::uint32_t> video;
    std::uint64_t pictures = 0;
    std::uint64_t sequence_headers = 0;
    std::uint64_t quant_matrix_extensions = 0;
    std::vector<MatrixChange> changes;
    std::vector<MatrixSetUse> matrix_sets;
    // Each distinct set of four matrices met, once: a file whose matrices change at every
    // picture between a few sets keeps a few sets, not one per change.
    std::vector<MatrixSet> matrices;

    const MatrixSet& matrices_of(const MatrixChange& change) const {
        return matrices[change.matrices];
    }
    const MatrixSet& matrices_of(const MatrixSetUse& use) const { return matrices[use.matrices]; }
    Messages messages;
    // Bytes of the file read before the scan stopped.
    std::uint64_t bytes_read = 0;
};

// How a caller follows and stops a scan. Both may be left empty.
struct ScanControl {
    // Set from another thread (or a signal handler) to stop the scan at its next read.
    const std::atomic<bool>* stop = nullptr;
    // Called after each read with the count of bytes read so far.
    std::function<void(std::uint64_t)> progress;
};

// A source of the file's bytes, read front to back.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes; 0 at the end; nothing when the read failed.
    virtual std::optional<std::size_t> read(std::uint8_t* data, std::size_t size) = 0;
};

// The size of the one buffer a scan reads through.
inline constexpr std::size_t scan_buffer_size = 1 << 20;

ScanResult scan_source(ByteSource& source, const ScanControl& control = {});
ScanResult scan_bytes(std::span<const std::uint8_t> bytes, const ScanControl& control = {});
// A file that cannot be opened gives the read failure message of `info`.
ScanResult scan_file(const std::string& path, const ScanControl& control = {});

// The messages of the scan, one constant or one builder per message.
extern const Message scan_no_video_message;
Message scan_stopped_message(std::uint64_t offset, const char* where);
Message scan_interrupted_message(std::uint64_t offset);
Message scan_damaged_structures_message(std::uint64_t count, const char* first_kind,
                                        std::uint64_t first_offset);
Message scan_resync_message(std::uint64_t count, std::uint64_t first_offset,
                            std::uint64_t skipped_bytes);
Message scan_continuity_message(std::uint64_t count, std::uint32_t pid);
Message scan_read_error_message(std::uint64_t offset);
extern const Message scan_unreadable_message;

} // namespace quantaline::mpeg
