#pragma once

// What a whole-stream scan is told and reads from: the container, how a caller follows and
// stops it, and the source of the file's bytes. The byte window needs these and nothing else
// of the scan.

#include "io/byte_source.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace quantaline::mpeg {

struct SequenceContext;
struct ScanResult;

// The MPEG streams, then the containers whose index places each video sample in the file
// (mp4: MP4 and QuickTime; mxf: its picture essence elements), which the containers'
// reader tells and this folder reads through the samples' places alone; unknown: no
// container read here. The one enum of containers, which container/ names too.
enum class Container { elementary, program, transport, mp4, matroska, avi, mxf, unknown };

// Where a sample of video lies in the file.
struct Extent {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    bool operator==(const Extent&) const = default;
};

// True for the containers read through their samples' places.
constexpr bool reads_samples(Container container) {
    return container == Container::mp4 || container == Container::matroska ||
           container == Container::avi || container == Container::mxf;
}

// How a file's bytes are read: its container and, for a transport stream, its packets.
struct Layout {
    Container container = Container::elementary;
    std::size_t packet_size = 188;
    // Where the sync byte lies in a packet: 4 in 192-byte packets, after their time code.
    std::size_t sync_offset = 0;
    // The file offset of the first whole packet: a capture cut at any byte begins with
    // the end of a packet, which is stepped over.
    std::size_t first_packet = 0;
    // The video's samples in decoding order, each after the one before in the file, for the
    // containers read through them.
    std::shared_ptr<const std::vector<Extent>> samples;
};

// How a caller follows and stops a scan. Both may be left empty.
struct ScanControl {
    // Set from another thread (or a signal handler) to stop the scan at its next read.
    const std::atomic<bool>* stop = nullptr;
    // Called after each read with the count of bytes read so far.
    std::function<void(std::uint64_t)> progress;
    // Keep one PictureRecord per picture in ScanResult::picture_records.
    bool picture_records = false;
    // Read every picture's macroblocks: its quantiser figures in its record (when records
    // are kept) and the totals per picture type.
    bool quantiser = false;
    // Threads the quantiser pass spreads over besides the reading one; 0 or 1 reads the
    // macroblocks on the reading thread.
    std::size_t quantiser_threads = 0;
    // Called on the reading thread with each picture after a sequence header: its index,
    // the sequence it belongs to and its bytes from its picture start code up to the next
    // picture, group or sequence start code (whatever the container). The bytes live only
    // during the call.
    std::function<void(std::uint64_t index, const SequenceContext& sequence,
                       std::span<const std::uint8_t> picture)>
        picture_bytes;

    // A read that begins inside the file, where a sequence header's container unit begins
    // (see read_picture_macroblocks): the container is not told from the bytes there, no
    // picture is handed over before the sequence header at `sequence_offset`, and the
    // pictures are counted from `first_picture` there.
    struct Resume {
        std::uint64_t offset = 0;
        Layout layout;
        std::uint32_t video_pid = 0; // a transport stream's video
        std::uint64_t sequence_offset = 0;
        std::uint64_t first_picture = 0;
    };
    std::optional<Resume> resume;
    // The container as the containers' reader told it (the samples of an MP4, Matroska, AVI
    // or MXF file), in place of what the first bytes tell.
    std::optional<Layout> layout;

    // With `quantiser`: the pass over the pictures of an earlier read of the same file that
    // kept its records. No header is read again: each record's picture is cut from the
    // video by its offset and bytes and read with the sequence in force from the read's
    // `sequences`, and its figures go into the record. The scan's own result then holds the
    // totals per type, the damage and how the read ended, and no record. While the scan
    // runs, the records' quantiser figures are its own; their other members and the rest
    // of the read's result are only read.
    ScanResult* recorded = nullptr;
};

// The size of the one buffer a scan reads through.
inline constexpr std::size_t scan_buffer_size = 1 << 20;

} // namespace quantaline::mpeg
