#pragma once

// The configuration units of a codec, taken from the bytes a container hands over: the
// start-code-delimited byte streams and the length-prefixed samples.

#include "container/video_configuration.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quantaline::container {

// The most bytes one unit is gathered in before the reading gives up.
inline constexpr std::size_t unit_limit = std::size_t{4} * 1024 * 1024;

// How many of a coded picture's first bytes a walk over the whole stream hands on: its
// unit header and its slice (or VOP) header as far as the slice's quantiser, whatever the
// reference lists and weights it codes before it.
inline constexpr std::size_t picture_head_size = 256;

bool is_parameter_set(Codec codec, std::span<const std::uint8_t> unit);
bool is_coded_picture(Codec codec, std::span<const std::uint8_t> unit);

// Takes the units one by one, the parameter sets (or the MPEG-4 header bytes) into
// `units`, and tells when the first coded picture is met. When the configuration walks the
// whole stream, every parameter set and the head of every coded picture go to its sink
// instead, and the collector is never done.
class UnitCollector {
  public:
    // The units of the samples: to the walk's sink when there is one.
    UnitCollector(Codec codec, VideoConfiguration& config)
        : codec_(codec), units_(config.units), messages_(&config.messages), sink_(config.walk),
          walked_(config.walked_bytes), skipped_pictures_(config.pictures_before_configuration) {}
    // The container's own configuration: always into `units`.
    UnitCollector(Codec codec, std::vector<ConfigurationUnit>& units)
        : codec_(codec), units_(units), messages_(nullptr), sink_(nullptr), walked_(own_walked_),
          skipped_pictures_(own_skipped_) {}
    UnitCollector(const UnitCollector&) = delete;
    UnitCollector& operator=(const UnitCollector&) = delete;
    // One unit from the byte after its start code (or its length): its header, or for
    // MPEG-4 Part 2 its start code value; `position` is where it begins among the video's
    // bytes as stored. Returns true once the first picture was met.
    bool take(std::span<const std::uint8_t> unit, std::optional<std::uint64_t> offset,
              std::uint64_t position = 0, std::uint8_t prefix = 0);
    // Walking: a sample begins, its units follow.
    void sample(const WalkedSample& sample);
    // The video's bytes as stored gone through so far, by every splitter of the walk.
    std::uint64_t walked() const { return walked_; }
    void set_walked(std::uint64_t bytes) { walked_ = bytes; }
    // Only the first bytes of a unit, enough to know whether it is the first picture.
    bool begins_picture(std::span<const std::uint8_t> head) const;
    // Walking: the unit these first bytes begin is needed only by its head.
    bool steps_over(std::span<const std::uint8_t> head) const;
    bool done() const { return done_; }
    bool walking() const { return sink_ != nullptr; }
    // The units that follow come behind length fields rather than start codes.
    void set_length_fields() { length_fields_ = true; }
    // A transport stream knows its codec only from its tables.
    void set_codec(Codec codec) { codec_ = codec; }

  private:
    void give_configuration();
    bool holds_configuration() const;
    bool begins_new_picture(std::span<const std::uint8_t> head) const;
    void hand_on(std::span<const std::uint8_t> unit, std::optional<std::uint64_t> offset,
                 std::uint64_t position, std::uint8_t prefix);
    void join_mpeg4_header(std::span<const std::uint8_t> unit, std::optional<std::uint64_t> offset,
                           ConfigurationUnit& joined);

    Codec codec_;
    std::vector<ConfigurationUnit>& units_;
    std::vector<ConfigurationUnit>* messages_;
    UnitSink* sink_;
    std::uint64_t own_walked_ = 0;
    std::uint64_t& walked_;
    std::uint64_t own_skipped_ = 0;
    std::uint64_t& skipped_pictures_;
    bool done_ = false;
    bool length_fields_ = false;
    bool in_mpeg4_header_ = false;
    ConfigurationUnit mpeg4_header_; // walking: the headers met since the last VOP
    std::uint64_t mpeg4_header_position_ = 0;
    std::uint8_t mpeg4_header_prefix_ = 0;
};

// The units of a byte stream delimited by start codes, fed piece by piece; each piece's
// first byte has its own file offset (a transport stream's payloads are not contiguous).
class StartCodeSplitter {
  public:
    explicit StartCodeSplitter(UnitCollector& collector)
        : collector_(collector), origin_(collector.walked()) {}
    // False when a unit grew past unit_limit.
    bool feed(std::span<const std::uint8_t> bytes, std::optional<std::uint64_t> offset);
    // The end of the stream ends the last unit.
    void finish();
    bool done() const { return collector_.done(); }

  private:
    void hand_over(std::size_t end);
    std::optional<std::uint64_t> offset_at(std::size_t position) const;
    std::optional<std::uint64_t> contiguous_offset(std::size_t end) const;
    void drop_front(std::size_t count);
    bool steps_over_bytes(std::span<const std::uint8_t> bytes, std::optional<std::uint64_t> offset);

    // Between units, the bytes kept for a start code that the next bytes may complete.
    static constexpr std::size_t kept_bytes = 3;
    UnitCollector& collector_;
    std::uint64_t origin_; // the walk's bytes before this splitter's first
    std::uint64_t fed_ = 0;
    std::uint64_t base_ = 0;       // where pending_[0] lies among the bytes fed
    std::uint64_t unit_start_ = 0; // the open unit's position, its start code's
    std::uint8_t unit_prefix_ = 3; // its start code's bytes
    std::vector<std::uint8_t> pending_;
    struct Piece {
        std::size_t position;
        std::optional<std::uint64_t> offset;
    };
    std::vector<Piece> pieces_;
    std::size_t scan_from_ = 0;
    bool in_unit_ = false;
    bool head_given_ = false; // walking: the picture's head went on, its body is stepped over
};

// The NAL units of one sample, each behind a big-endian length of `length_size` bytes.
// False when a length goes past the sample.
bool split_length_prefixed(std::span<const std::uint8_t> sample, std::size_t length_size,
                           std::uint64_t offset, UnitCollector& collector);

// The codec an elementary stream's first start codes tell (unknown when none does).
Codec elementary_codec(std::span<const std::uint8_t> start);

} // namespace quantaline::container
