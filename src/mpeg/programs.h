#pragma once

// Which stream of a transport stream is its video: the first stream of a codec this
// program reads (MPEG-1, MPEG-2, MPEG-4 Part 2, H.264, HEVC) in the first program, in the
// order the program association table lists them, that has one. Every read of a transport
// stream, whatever its codec, chooses through this one rule.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quantaline::mpeg {

// The stream types of the video codecs read here: 0x01 MPEG-1, 0x02 MPEG-2, 0x10 MPEG-4
// Part 2, 0x1B H.264, 0x24 HEVC.
bool is_read_video_stream_type(std::uint8_t stream_type);

struct ProgramVideo {
    std::uint16_t pid = 0;
    std::uint8_t stream_type = 0;
    bool operator==(const ProgramVideo&) const = default;
};

class ProgramTables {
  public:
    // A program association section (from its table_id): its programs, in its order,
    // added to those known. Network information (program 0) is left out.
    void association(std::span<const std::uint8_t> section);
    // True for a PID that a known program's map is carried on.
    bool is_program_map_pid(std::uint16_t pid) const;
    // A program map section (from its table_id) of a known program.
    void program_map(std::span<const std::uint8_t> section);
    bool program_map_seen() const { return maps_seen_ > 0; }

    // The video once the maps seen decide it: every program before it in the
    // association's order has had its map, without a video.
    std::optional<ProgramVideo> decided() const;
    // At the end of the reach: the video of the first program, in the association's
    // order, whose map came with one; none when no map named a video.
    std::optional<ProgramVideo> first_seen() const;

    // The most programs followed; a table listing more is read as far as that.
    static constexpr std::size_t max_programs = 64;

  private:
    struct Program {
        std::uint16_t number = 0;
        std::uint16_t map_pid = 0;
        bool map_seen = false;
        std::optional<ProgramVideo> video;
    };
    std::vector<Program> programs_;
    std::size_t maps_seen_ = 0;
};

} // namespace quantaline::mpeg
