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

bool is_parameter_set(Codec codec, std::span<const std::uint8_t> unit);
bool is_coded_picture(Codec codec, std::span<const std::uint8_t> unit);

// Takes the units one by one, the parameter sets (or the MPEG-4 header bytes) into
// `units`, and tells when the first coded picture is met.
class UnitCollector {
  public:
    UnitCollector(Codec codec, std::vector<ConfigurationUnit>& units)
        : codec_(codec), units_(units) {}
    // One unit from the byte after its start code (or its length): its header, or for
    // MPEG-4 Part 2 its start code value. Returns true once the first picture was met.
    bool take(std::span<const std::uint8_t> unit, std::optional<std::uint64_t> offset);
    // Only the first bytes of a unit, enough to know whether it is the first picture.
    bool begins_picture(std::span<const std::uint8_t> head) const;
    bool done() const { return done_; }
    // A transport stream knows its codec only from its tables.
    void set_codec(Codec codec) { codec_ = codec; }

  private:
    Codec codec_;
    std::vector<ConfigurationUnit>& units_;
    bool done_ = false;
    bool in_mpeg4_header_ = false;
};

// The units of a byte stream delimited by start codes, fed piece by piece; each piece's
// first byte has its own file offset (a transport stream's payloads are not contiguous).
class StartCodeSplitter {
  public:
    explicit StartCodeSplitter(UnitCollector& collector) : collector_(collector) {}
    // False when a unit grew past unit_limit.
    bool feed(std::span<const std::uint8_t> bytes, std::optional<std::uint64_t> offset);
    // The end of the stream ends the last unit.
    void finish();
    bool done() const { return collector_.done(); }

  private:
    void hand_over(std::size_t end);
    std::optional<std::uint64_t> offset_at(std::size_t position) const;
    void drop_front(std::size_t count);

    UnitCollector& collector_;
    std::vector<std::uint8_t> pending_;
    struct Piece {
        std::size_t position;
        std::optional<std::uint64_t> offset;
    };
    std::vector<Piece> pieces_;
    std::size_t scan_from_ = 0;
    bool in_unit_ = false;
};

// The NAL units of one sample, each behind a big-endian length of `length_size` bytes.
// False when a length goes past the sample.
bool split_length_prefixed(std::span<const std::uint8_t> sample, std::size_t length_size,
                           std::uint64_t offset, UnitCollector& collector);

// The codec an elementary stream's first start codes tell (unknown when none does).
Codec elementary_codec(std::span<const std::uint8_t> start);

} // namespace quantaline::container
