#pragma once

// The containers that carry MPEG-4 Part 2, H.264 and HEVC video, read only as far as the
// configuration of their first video stream: the parameter sets for H.264 and HEVC, the
// header bytes before the first VOP for MPEG-4 Part 2. The syntax inside them is not read
// here: the units are handed over as the stream holds them.

#include "mpeg/demux.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace quantaline::container {

enum class Codec { mpeg1, mpeg2, mpeg4, h264, hevc, unknown };
using Container = mpeg::Container;

enum class ConfigurationError {
    none,
    cannot_open,      // the file could not be opened (or is no regular file)
    read_failed,      // a read failed
    unknown_format,   // neither a known container nor a known elementary stream
    truncated,        // a structure goes on past the end of the file or of its parent
    damaged,          // a structure's fields contradict themselves
    too_large,        // a structure the configuration lies in is past the memory bound
    no_video,         // no video stream of a known codec
    no_configuration, // the video stream holds no configuration before its first picture
};

// One unit: for H.264 and HEVC a NAL unit from its header, emulation prevention bytes
// still in; for MPEG-4 Part 2 the header bytes from the first start code to the first VOP.
struct ConfigurationUnit {
    std::vector<std::uint8_t> bytes;
    // Where the unit's first byte lies in the file, when it lies there in one piece.
    std::optional<std::uint64_t> offset;
    bool operator==(const ConfigurationUnit&) const = default;
};

// What a walk over a whole video stream hands on, in stream order.
enum class UnitKind {
    // A parameter set whole; for MPEG-4 Part 2 the headers from the first one to the VOP
    // that follows them, each with its start code.
    parameter_set,
    // The first picture_head_size bytes (or fewer) of a coded picture's unit: an H.264 or
    // HEVC slice from its NAL header; an MPEG-4 Part 2 VOP from its start code's value.
    picture,
    // An H.264 or HEVC SEI unit whole; any other unit (a delimiter, an end of sequence,
    // MPEG-4's group of VOPs) by its first picture_head_size bytes.
    other,
};

// One unit of a walk.
struct WalkedUnit {
    UnitKind kind = UnitKind::other;
    std::span<const std::uint8_t> bytes;
    // Where the unit's first byte lies in the file, when it lies there in one piece.
    std::optional<std::uint64_t> offset;
    // Where the unit begins among the video's bytes as stored, counted from the first: its
    // start code (with the zero byte before it) or its length field; `prefix` of those
    // bytes come before `bytes`.
    std::uint64_t position = 0;
    std::uint8_t prefix = 0;
    // The prefix is a length field (MP4, Matroska), not a start code.
    bool length_field = false;
};

// One sample of a container that cuts the video into samples (MP4, Matroska, AVI), before
// the units it carries. Its times are in `timescale` units, when the container gives them.
struct WalkedSample {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::optional<std::int64_t> decode_time;
    std::optional<std::int64_t> presentation_time;
    std::uint32_t timescale = 0;
    std::uint64_t position = 0; // as WalkedUnit's, of its first byte
};

class UnitSink {
  public:
    virtual ~UnitSink() = default;
    // The configuration the container itself states (avcC, hvcC, esds, CodecPrivate, an
    // AVI format's extra bytes), handed on once, before the first unit of the samples.
    virtual void configuration(Codec codec, std::span<const ConfigurationUnit> units) = 0;
    virtual void unit(Codec codec, const WalkedUnit& unit) = 0;
    virtual void sample(const WalkedSample&) {}
    // Polled between reads: true stops the walk.
    virtual bool cancelled() const { return false; }

    bool configuration_given = false;
};

struct VideoConfiguration {
    Container container = Container::unknown;
    Codec codec = Codec::unknown;
    // In stream order: the container's own configuration first, then the units met in the
    // samples up to the first coded picture. Empty for MPEG-1 and MPEG-2.
    std::vector<ConfigurationUnit> units;
    // Not walking: the SEI units of the access unit the first picture read lies in (its
    // HDR metadata). H.264 and HEVC only.
    std::vector<ConfigurationUnit> messages;
    // What the container itself states about the video, when it does.
    std::optional<std::uint8_t> profile;
    std::optional<std::uint8_t> level;
    std::optional<std::uint32_t> width;
    std::optional<std::uint32_t> height;
    // Pictures per second as the container times them (numerator, denominator): MP4's first
    // sample duration, Matroska's default duration, AVI's rate and scale.
    std::optional<std::pair<std::uint32_t, std::uint32_t>> frame_rate;
    ConfigurationError error = ConfigurationError::none;
    // A transport stream's packets: 188 bytes, 192 with a timecode before each (a disc's).
    std::uint16_t packet_size = 0;
    // Set: the whole stream is walked and what its samples carry goes there, the
    // container's own configuration still into `units`.
    UnitSink* walk = nullptr;
    // Set: an MPEG-1 or MPEG-2 video's samples are placed there, in decoding order, every
    // one of them (their bytes are not read); mpeg/ reads the video through them.
    std::vector<mpeg::Extent>* mpeg_samples = nullptr;
    // Walking: how many of the video's bytes, as stored, the walk went through.
    std::uint64_t walked_bytes = 0;
    // Not walking: the pictures stepped over before the first parameter sets (a capture
    // that starts between two of them).
    std::uint64_t pictures_before_configuration = 0;
};

// How many of a file's first bytes detect_format() looks at.
inline constexpr std::size_t format_probe_size = mpeg::layout_probe_size;

struct Format {
    Container container = Container::unknown;
    // What the first bytes tell: the elementary streams' codec; unknown for the
    // containers whose tracks say it.
    Codec codec = Codec::unknown;
    bool operator==(const Format&) const = default;
};

// The container, and for an elementary stream the codec, from a file's first bytes (never
// its name). Transport and program streams and MPEG-1/2 elementary streams are told as
// mpeg::detect_layout() tells them.
Format detect_format(std::span<const std::uint8_t> start);

// The configuration of the first video stream of a file, reading only what it needs.
VideoConfiguration read_video_configuration(const std::string& path);
// The same over bytes in memory.
VideoConfiguration read_video_configuration(std::span<const std::uint8_t> bytes);

// An MPEG-1 or MPEG-2 video in a container that places its samples (MP4 and QuickTime,
// Matroska, AVI, MXF): the layout mpeg/ reads it through. Nothing for any other file.
std::optional<mpeg::Layout> mpeg_sample_layout(const std::string& path);
std::optional<mpeg::Layout> mpeg_sample_layout(std::span<const std::uint8_t> bytes);

// The whole video stream of a file: the configuration the container states into the
// result's `units`, then every parameter set and coded picture in its samples to `sink`.
// MPEG-1 and MPEG-2 are not walked here (only their container and codec are told).
VideoConfiguration walk_video_stream(const std::string& path, UnitSink& sink);
VideoConfiguration walk_video_stream(std::span<const std::uint8_t> bytes, UnitSink& sink);

} // namespace quantaline::container
