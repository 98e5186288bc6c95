#pragma once

#include "mpeg/byte_window.h"
#include "mpeg/programs.h"
#include "mpeg/scan.h"
#include "mpeg/video_units.h"

#include <array>
#include <optional>
#include <vector>

namespace quantaline::mpeg {

// What a demultiplexer met on its way besides the video: damage it stepped over and where
// the file ended under it.
struct DemuxReport {
    std::uint64_t resync_count = 0;
    std::uint64_t first_resync_offset = 0;
    std::uint64_t skipped_bytes = 0;
    std::uint64_t continuity_errors = 0;
    // Video packets met before the tables named the video, past what could be held.
    std::uint64_t dropped_before_tables = 0;
    std::uint64_t first_dropped_offset = 0;
    // The video's PID when no program table came within reach and the video was read from
    // the first stream that carries it.
    std::optional<std::uint16_t> read_without_tables;
    // The stream type the tables give the video, when they name it.
    std::optional<std::uint8_t> video_stream_type;
    // Video packets whose payload is scrambled.
    std::uint64_t scrambled_packets = 0;
    std::uint64_t first_scrambled_offset = 0;
    // Set when the file ends inside a packet or header.
    std::optional<TextId> cut_inside;
    std::uint64_t cut_offset = 0;

    void lost_sync(std::uint64_t offset, std::uint64_t skipped) {
        if (resync_count++ == 0) {
            first_resync_offset = offset;
        }
        skipped_bytes += skipped;
    }
    void cut(TextId inside, std::uint64_t offset) {
        cut_inside = inside;
        cut_offset = offset;
    }
};

// How many of a file's first bytes detect_layout() looks at: the start codes of the first
// 256 KiB (a recovered or cut program stream may begin after as much damage), and the sync
// bytes of the first packets among them. Less than the first-header analysis reads.
inline constexpr std::size_t layout_probe_size = 262144;
inline constexpr std::size_t transport_probe_size = 8 * 192 + 192;

// The container of a file from its first bytes (at most layout_probe_size of them), the one
// rule of the first-header analysis and the whole-stream read: the packets of a transport
// stream (a whole packet at least), else a program stream when a pack start code comes
// before any sequence header or a system header or PES packet is the first start code,
// else an elementary stream (whatever bytes come before its first sequence header).
Layout detect_layout(std::span<const std::uint8_t> start);

void demux_elementary(ByteWindow& window, VideoPayloadSink& video);

// The video's samples, in order, from the first that does not lie wholly before the window;
// the bytes between them stepped over. Returns at the end of the samples or of the bytes,
// or when the sink pauses: a later call goes on from there.
void demux_samples(ByteWindow& window, VideoPayloadSink& video, std::span<const Extent> samples,
                   DemuxReport& report);

// What a program stream's bytes that lie in no packet are: damage to step over, or video
// (a pack header before a bare video stream, which some tools write).
enum class LooseBytes { skipped, video };

// Packs, system headers, the PES packets of the first video stream met; the rest skipped.
// Returns at the end of the bytes, or before a packet when the sink pauses: a later call
// goes on from there.
void demux_program(ByteWindow& window, VideoPayloadSink& video, ScanResult& result,
                   DemuxReport& report, LooseBytes loose = LooseBytes::skipped);

// The packets of a transport stream: the PAT, the PMTs, and the PES packets of the video
// they name (ProgramTables' rule), whatever its codec.
class TransportDemux {
  public:
    // Which videos the sink is fed: MPEG-1 and MPEG-2 only (a video of another codec is
    // chosen all the same, as every read chooses it, and its payload left aside), or all.
    enum class Feeds { mpeg, every_codec };
    TransportDemux(VideoPayloadSink& video, ScanResult& result, DemuxReport& report,
                   Feeds feeds = Feeds::mpeg)
        : video_(video), result_(result), report_(report), feeds_(feeds) {}

    // The most packet bytes held before the tables name the video.
    static constexpr std::size_t held_bytes_limit = std::size_t{16} * 1024 * 1024;

    // A read that begins inside the file: `pid` is the video, and the packets before the
    // next payload unit start continue a PES packet whose header lies before the read.
    void resume(std::uint16_t pid) {
        video_pid_ = pid;
        in_pes_ = true;
    }
    // One packet from its sync byte; `offset` is the sync byte's file offset.
    void packet(const std::uint8_t* p, std::uint64_t offset);
    bool paused() const { return video_.paused(); }
    // The bytes within reach have ended. When no program table has named the video, the
    // first stream that carries video (a PES stream_id of video, or a payload that begins
    // with a start code) is read from its first packet, as the tables would have had it,
    // and the report says so.
    void finish();

    // The fields of a packet's header that decisions are taken on (demux.cpp).
    struct PacketHeader;

  private:
    // A packet of the video's PID; any other before the tables name the video.
    void video_packet(const std::uint8_t* p, std::uint64_t offset, const PacketHeader& header);
    void other_packet(const std::uint8_t* p, std::uint64_t offset);
    // Follows the video's continuity_counter: false for a duplicate packet.
    bool continuity(const PacketHeader& header);
    // A video packet whose payload is scrambled.
    void scrambled(std::uint64_t offset);
    // After a table: the video, once the programs' maps name it.
    void tables_read();
    void choose(const ProgramVideo& video);
    void video_payload(const std::uint8_t* data, std::size_t size, std::uint64_t offset,
                       bool unit_start);
    // The section a packet's payload begins, after its pointer_field; empty when none.
    static std::span<const std::uint8_t> section_of(const std::uint8_t* payload, std::size_t size);
    // Before the tables name the video: the packets of every stream that may be video,
    // kept to be read once they do.
    void hold(const std::uint8_t* p, std::uint64_t offset, std::uint16_t pid, bool unit_start,
              std::size_t payload);
    void replay_held();

    VideoPayloadSink& video_;
    ScanResult& result_;
    DemuxReport& report_;
    ProgramTables tables_;
    Feeds feeds_;
    // The tables named a video of a codec this demultiplexer does not feed.
    bool video_left_aside_ = false;
    std::optional<std::uint16_t> video_pid_;
    int last_continuity_counter_ = -1;
    bool in_pes_ = false;
    bool in_pes_header_ = false;
    std::array<std::uint8_t, 9 + 255> pes_header_{};
    std::size_t pes_header_size_ = 0;

    // The streams whose PES packets carry a video stream_id, met before the tables.
    std::vector<std::uint16_t> candidate_pids_;
    std::vector<std::uint8_t> held_;
    std::vector<std::uint64_t> held_offsets_;
    struct Dropped {
        std::uint16_t pid;
        std::uint64_t packets;
        std::uint64_t first_offset;
    };
    std::vector<Dropped> dropped_;
};

// 188-byte packets, or 192-byte ones whose sync byte is at 4.
void demux_transport(ByteWindow& window, VideoPayloadSink& video, ScanResult& result,
                     DemuxReport& report, std::size_t packet_size, std::size_t sync_offset);
// The same through a demultiplexer the caller keeps: returns at the end of the bytes, or
// when the sink pauses, and a later call goes on from there.
void demux_transport(ByteWindow& window, TransportDemux& demux, DemuxReport& report,
                     std::size_t packet_size, std::size_t sync_offset);

} // namespace quantaline::mpeg
