#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quantaline::mpeg {

// One header of the video stream: the byte after its start code and the bytes after that
// up to the next start code, cut to what the largest structure of its kind can take.
struct VideoUnit {
    std::uint8_t code = 0;
    // File offset of the first 00 of the start code, where that byte lies in the file even
    // when the start code is cut across packets.
    std::uint64_t offset = 0;
    // Position of that 00 in the video elementary stream: the bytes fed before it. The
    // distance between two units is their bytes in the stream, whatever the container.
    std::uint64_t position = 0;
    std::span<const std::uint8_t> bytes;
    // The start code just before this one, whatever its kind (user data, a slice), is a
    // sequence header's: an extension here is that header's sequence extension, and only
    // here (a sequence header the next start code does not extend is MPEG-1's).
    bool follows_sequence_header = false;
};

// Where a demultiplexer hands the video elementary stream, piece by piece.
class VideoPayloadSink {
  public:
    virtual ~VideoPayloadSink() = default;
    // `file_offset` is where data[0] lies in the file.
    virtual void feed(const std::uint8_t* data, std::size_t size, std::uint64_t file_offset) = 0;
    // Bytes were lost before the next piece.
    virtual void discontinuity() = 0;
    // True when the sink has all it wants for now: the demultiplexer returns before its
    // next packet, and goes on from there when it is called again.
    virtual bool paused() const { return false; }
};

class VideoUnitSink {
  public:
    virtual ~VideoUnitSink() = default;
    virtual void unit(const VideoUnit& unit) = 0;
};

// Finds the start codes of a video elementary stream handed over in pieces (whole buffers
// of an elementary stream, or the payloads of PES packets and transport packets), with
// start codes cut anywhere across pieces, and hands the headers the scan reads to a sink,
// in stream order. Slices and user data are passed over.
class VideoUnitSplitter final : public VideoPayloadSink {
  public:
    explicit VideoUnitSplitter(VideoUnitSink& sink) : sink_(sink) {}

    void feed(const std::uint8_t* data, std::size_t size, std::uint64_t file_offset) override;
    // No start code runs across this point, and a header being collected ends here.
    void discontinuity() override;
    // End of the stream: the header being collected ends here.
    void finish();
    // The elementary stream bytes fed so far.
    std::uint64_t position() const { return position_; }
    // Where the header being collected begins, not yet handed to the sink: whoever keeps
    // the stream's bytes for later must keep them from there.
    std::optional<std::uint64_t> pending_position() const {
        return collecting_ ? std::optional<std::uint64_t>(unit_position_) : std::nullopt;
    }

    // The largest structure read after a start code: a quant_matrix_extension with four
    // matrices (2056 bits).
    static constexpr std::size_t max_unit_size = 260;

  private:
    void on_code(const std::uint8_t* data, std::size_t size, std::size_t index);
    void end_unit(std::uint64_t end_position);
    void fit_capacity();
    // The bytes of a piece that the header being collected holds.
    void collect(const std::uint8_t* data, std::size_t size);
    std::uint64_t file_offset_of(std::uint64_t position) const;

    VideoUnitSink& sink_;
    std::uint64_t position_ = 0; // elementary stream bytes fed before the current piece
    // Zero bytes at the end of what was fed (at most 2) that may begin a start code.
    int zeros_ = 0;
    bool code_next_ = false; // what was fed ends with 00 00 01

    // The last pieces, to give a start code cut across them its file offset.
    struct Piece {
        std::uint64_t position = 0;
        std::uint64_t file_offset = 0;
        std::uint64_t size = 0;
    };
    std::array<Piece, 4> pieces_{};
    std::size_t piece_count_ = 0;

    bool collecting_ = false;
    std::uint8_t unit_code_ = 0;
    bool unit_follows_sequence_header_ = false;
    std::uint8_t last_code_ = 0;
    std::uint64_t unit_offset_ = 0;
    std::uint64_t unit_position_ = 0;
    std::uint64_t unit_start_ = 0; // stream position of the byte after the code
    std::size_t unit_capacity_ = 0;
    std::size_t unit_stored_ = 0;
    std::array<std::uint8_t, max_unit_size> unit_bytes_{};
};

} // namespace quantaline::mpeg
