#pragma once

// The video elementary stream that a file's first bytes carry, for the first-header
// analysis: the bytes themselves for an elementary stream, the demultiplexed video of a
// program or transport stream. Every byte keeps its file offset, so that the analysis
// measures its windows on the file whatever the packets are.

#include "mpeg/byte_window.h"
#include "mpeg/demux.h"
#include "mpeg/scan.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quantaline::mpeg {

// Why the bytes handed over end.
enum class DataEnd {
    end_of_file,
    read_failure,
    // The bytes are the first part of a longer file: more can be read.
    buffer_full,
};

// The video is not copied: it is kept as the stretches of the file's bytes it lies in. One
// at a time per thread: the list of stretches is the thread's, kept for the next file.
class VideoPrefix final : private VideoPayloadSink {
  public:
    VideoPrefix(std::span<const std::uint8_t> file, DataEnd end, const Layout& layout);
    ~VideoPrefix();
    VideoPrefix(const VideoPrefix&) = delete;
    VideoPrefix& operator=(const VideoPrefix&) = delete;

    // What a reader of an extension other than a quant_matrix_extension asks for.
    static constexpr std::size_t longest_extension_read = 16;

    struct StartCode {
        std::size_t position = 0; // of its first 00 in the video stream
        std::uint64_t offset = 0; // of that byte in the file
    };

    // The first 00 00 01 `code` at a video position of `from` or later whose first byte
    // lies at file offset `last_offset` or before. Start codes may overlap, as a byte by
    // byte search would see them.
    std::optional<StartCode> find(std::uint8_t code, std::size_t from, std::uint64_t last_offset);
    // Up to `count` bytes of the video from `position`: fewer where the data ends.
    std::span<const std::uint8_t> bytes(std::size_t position, std::size_t count);
    // The caller used the video's bytes up to `end` (not included): when they are not all
    // there, it is told as a search is (below).
    void used_up_to(std::size_t end);
    // The video position of the first byte at file offset `offset` or after it (the end of
    // the video when there is none).
    std::size_t position_at_or_after(std::uint64_t offset);

    // A search or a read above wanted bytes past a failed read: it did not get them.
    bool needed_unread_bytes() const { return needed_unread_; }
    void forget_unread_bytes() { needed_unread_ = false; }
    // A search or a read wanted bytes past the data, which a longer read of the file would
    // give (DataEnd::buffer_full).
    bool needs_more_of_the_file() const { return needs_more_; }
    // What the demultiplexer met: a transport stream read without its tables, say.
    const DemuxReport& demux_report() const { return report_; }

  private:
    // Every piece lies in the file's bytes: `data` is file_.data() + file_offset.
    void feed(const std::uint8_t* data, std::size_t size, std::uint64_t file_offset) override;
    void discontinuity() override {}
    bool paused() const override { return size_ >= wanted_; }
    // Demultiplexes until the video holds `count` bytes or the data is all read.
    void pull(std::size_t count);
    // The stretch that holds a video position read so far.
    std::size_t run_of(std::size_t position) const;
    std::uint64_t file_offset(std::size_t position) const;
    // The byte at a video position, read on as far as needed; none past the end.
    std::optional<std::uint8_t> byte_at(std::size_t position);
    // The first video position read so far whose file offset is past `offset`.
    std::optional<std::size_t> first_position_past(std::uint64_t offset) const;
    // Fewer bytes than wanted: a failed read or a short buffer is to blame.
    void ran_short();
    // A search past the stretches read so far: demultiplexes more, or false when the video
    // read has ended (the search ends, told as ran_short() tells it when the data ends
    // before file offset `last_offset`).
    bool read_on(std::uint64_t last_offset);

    std::span<const std::uint8_t> file_;
    DataEnd end_;
    Layout layout_;
    bool complete_;
    bool needed_unread_ = false;
    bool needs_more_ = false;

    // Each stretch of the video that lies in one piece of the file: where it begins in the
    // video and in the file, and its length.
    struct Run {
        std::size_t position;
        std::uint64_t offset;
        std::size_t size;
    };
    std::vector<Run>& runs_;
    std::size_t size_ = 0;
    std::size_t wanted_ = 0;
    // A header cut across stretches, put back together.
    std::array<std::uint8_t, 256> joined_{};

    ByteWindow window_;
    ScanResult scan_;
    DemuxReport report_;
    std::optional<TransportDemux> transport_;
};

} // namespace quantaline::mpeg
