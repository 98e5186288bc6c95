#pragma once

// The containers that carry MPEG-4 Part 2, H.264 and HEVC video, read only as far as the
// configuration of their first video stream: the parameter sets for H.264 and HEVC, the
// header bytes before the first VOP for MPEG-4 Part 2. The syntax inside them is not read
// here: the units are handed over as the stream holds them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quantaline::container {

enum class Codec { mpeg1, mpeg2, mpeg4, h264, hevc, unknown };
enum class Container { elementary, program, transport, mp4, matroska, avi, unknown };

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

struct VideoConfiguration {
    Container container = Container::unknown;
    Codec codec = Codec::unknown;
    // In stream order: the container's own configuration first, then the units met in the
    // samples up to the first coded picture. Empty for MPEG-1 and MPEG-2.
    std::vector<ConfigurationUnit> units;
    // What the container itself states about the video, when it does.
    std::optional<std::uint8_t> profile;
    std::optional<std::uint8_t> level;
    std::optional<std::uint32_t> width;
    std::optional<std::uint32_t> height;
    ConfigurationError error = ConfigurationError::none;
};

// How many of a file's first bytes detect_format() looks at.
inline constexpr std::size_t format_probe_size = 65536;

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

} // namespace quantaline::container
