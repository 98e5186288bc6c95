#pragma once

// What an MPEG-4 Part 2, H.264 or HEVC video's sequence header says beyond its lists: the
// sample and display aspect ratios, the frame rate, the buffer's rate and size, the video
// signal (format, colour description, range), progressive or interlaced coding, the bit
// depth, the HDR metadata. Each field is absent where the stream does not say it.

#include "container/video_configuration.h"
#include "mpeg/hdr.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quantaline {

struct Ratio {
    std::uint32_t num = 0;
    std::uint32_t den = 0;
    bool operator==(const Ratio&) const = default;
};

enum class CodecScanType : std::uint8_t { progressive, interlaced, mbaff };

struct CodecHeader {
    std::optional<Ratio> sample_aspect_ratio;
    std::optional<Ratio> display_aspect_ratio;
    std::optional<Ratio> frame_rate;          // pictures (frames) per second
    bool frame_rate_from_container = false;   // the stream says none, its container does
    std::optional<std::uint64_t> bit_rate;    // bits per second
    std::optional<std::uint64_t> buffer_size; // bits
    std::optional<std::uint8_t> video_format;
    std::optional<std::uint8_t> colour_primaries;
    std::optional<std::uint8_t> transfer_characteristics;
    std::optional<std::uint8_t> matrix_coefficients;
    std::optional<bool> full_range;
    std::optional<CodecScanType> scan;
    std::optional<int> bit_depth;
    // The SEI of the first picture's access unit (or the container's configuration).
    std::optional<mpeg::MasteringDisplay> mastering_display;
    std::optional<mpeg::ContentLightLevel> content_light_level;
};

// From the configuration's first sequence parameter set (or MPEG-4's headers), for a
// picture of `width` x `height` shown.
CodecHeader codec_header(const container::VideoConfiguration& configuration, std::uint32_t width,
                         std::uint32_t height);

// The names ffprobe gives the colour codes ("bt709", "smpte2084", "bt2020nc", …); nothing
// for an unspecified or reserved code.
std::string_view colour_primaries_name(std::uint8_t code);
std::string_view transfer_characteristics_name(std::uint8_t code);
std::string_view matrix_coefficients_name(std::uint8_t code);
// "progressive", "interlaced", "mbaff"
std::string_view scan_type_key(CodecScanType scan);
// "16:9"
std::string ratio_text(const Ratio& ratio);

} // namespace quantaline
