#pragma once

#include "mpeg/byte_window.h"
#include "mpeg/scan.h"
#include "mpeg/video_units.h"

namespace quantaline::mpeg {

// What a demultiplexer met on its way besides the video: damage it stepped over and where
// the file ended under it.
struct DemuxReport {
    std::uint64_t resync_count = 0;
    std::uint64_t first_resync_offset = 0;
    std::uint64_t skipped_bytes = 0;
    std::uint64_t continuity_errors = 0;
    // Set when the file ends inside a packet or header.
    const char* cut_inside = nullptr;
    std::uint64_t cut_offset = 0;

    void lost_sync(std::uint64_t offset, std::uint64_t skipped) {
        if (resync_count++ == 0) {
            first_resync_offset = offset;
        }
        skipped_bytes += skipped;
    }
    void cut(const char* inside, std::uint64_t offset) {
        cut_inside = inside;
        cut_offset = offset;
    }
};

// The container of a file from its first bytes (at most a few packets).
Container detect_container(std::span<const std::uint8_t> start, std::size_t& packet_size,
                           std::size_t& sync_offset);

void demux_elementary(ByteWindow& window, VideoUnitSplitter& video);
// Packs, system headers, the PES packets of the first video stream met; the rest skipped.
void demux_program(ByteWindow& window, VideoUnitSplitter& video, ScanResult& result,
                   DemuxReport& report);
// 188-byte packets, or 192-byte ones whose sync byte is at 4.
void demux_transport(ByteWindow& window, VideoUnitSplitter& video, ScanResult& result,
                     DemuxReport& report, std::size_t packet_size, std::size_t sync_offset);

} // namespace quantaline::mpeg
