#pragma once

// What the container readers share: the bound on a structure read into memory, the fields
// of bytes in memory, and the readers of each container, all reading through io's
// ByteSource (a file, or bytes in memory, as random access).

#include "container/video_configuration.h"
#include "io/byte_source.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quantaline::container {

// The most bytes one structure of a container is read into memory with.
inline constexpr std::size_t structure_limit = std::size_t{64} * 1024 * 1024;

// Little helpers over bytes in memory: big- and little-endian fields, none read out of
// bounds (the callers check the sizes first).
inline std::uint32_t be16(const std::uint8_t* p) {
    return static_cast<std::uint32_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}
inline std::uint64_t be64(const std::uint8_t* p) {
    return (std::uint64_t{be32(p)} << 32) | be32(p + 4);
}
inline std::uint32_t le32(const std::uint8_t* p) {
    return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) |
           p[0];
}
inline bool fourcc_is(const std::uint8_t* p, const char* code) {
    return p[0] == static_cast<std::uint8_t>(code[0]) &&
           p[1] == static_cast<std::uint8_t>(code[1]) &&
           p[2] == static_cast<std::uint8_t>(code[2]) && p[3] == static_cast<std::uint8_t>(code[3]);
}

// avcC and hvcC, as MP4 and Matroska store them: their parameter sets into `config.units`
// (offsets from `offset`, the first byte's), its profile and level, and the size of the
// samples' NAL unit lengths. False when a count or size goes past the bytes.
bool read_avcc(std::span<const std::uint8_t> avcc, std::uint64_t offset, VideoConfiguration& config,
               std::size_t& length_size);
bool read_hvcc(std::span<const std::uint8_t> hvcc, std::uint64_t offset, VideoConfiguration& config,
               std::size_t& length_size);

inline bool is_mpeg12(Codec codec) {
    return codec == Codec::mpeg1 || codec == Codec::mpeg2;
}

// Every sample is read (a walk, or an MPEG video's samples placed), not only the first. A
// video of another codec is not walked for the places asked of an MPEG one.
inline bool reads_every_sample(const VideoConfiguration& config) {
    return config.walk != nullptr || (config.mpeg_samples != nullptr && is_mpeg12(config.codec));
}

// An MPEG-1/2 sample: placed when asked, its bytes not read; true when it was handled so.
inline bool place_mpeg_sample(VideoConfiguration& config, Codec codec, std::uint64_t offset,
                              std::uint64_t size) {
    if (!is_mpeg12(codec)) {
        return false;
    }
    auto* samples = config.mpeg_samples;
    // Each after the one before in the file, as mpeg/ reads the file front to back.
    if (samples != nullptr && size > 0 &&
        (samples->empty() || samples->back().offset + samples->back().size <= offset)) {
        samples->push_back({offset, size});
    }
    return true;
}

// Walking: the walk's sink asked to stop.
inline bool walk_cancelled(const VideoConfiguration& config) {
    return config.walk != nullptr && config.walk->cancelled();
}

// The readers of each container: `config` arrives with its container set.
void read_mp4(ByteSource& source, VideoConfiguration& config);
void read_matroska(ByteSource& source, VideoConfiguration& config);
void read_avi(ByteSource& source, VideoConfiguration& config);
void read_mxf(ByteSource& source, VideoConfiguration& config);
// An MXF file's header partition pack among its first bytes (after a run-in, if any).
bool begins_mxf(std::span<const std::uint8_t> start);
void read_transport(ByteSource& source, std::span<const std::uint8_t> probe,
                    VideoConfiguration& config);
// A program stream: its codec from its first video payload; read further for the codecs
// other than MPEG-1 and MPEG-2.
void read_program(ByteSource& source, std::span<const std::uint8_t> probe,
                  VideoConfiguration& config);
// An elementary stream of `config.codec` from the source's first byte.
void read_elementary(ByteSource& source, VideoConfiguration& config);

} // namespace quantaline::container
