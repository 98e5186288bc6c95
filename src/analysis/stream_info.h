#pragma once

#include "mpeg/scan.h"
#include "mpeg/syntax.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace quantaline {

// What the first-header analysis read, as the stream codes it. The presentation
// (display.h, stream_info()) turns it into the numbers and texts of StreamInfo.
struct StreamCodes {
    // The container of the sequence header found; none when no header was found.
    std::optional<mpeg::Container> container;
    // File offset of the first byte of the sequence header's start code.
    std::int32_t header_position = 0;
    std::uint16_t horizontal_size_value = 0;
    std::uint16_t vertical_size_value = 0;
    std::uint8_t aspect_ratio_information = 0;
    std::uint8_t frame_rate_code = 0;
    std::uint32_t bit_rate_value = 0;
    std::uint16_t vbv_buffer_size_value = 0;

    // The last sequence extension before the sequence display extension.
    struct SequenceExtension {
        std::uint8_t profile_and_level_indication = 0;
        std::uint8_t chroma_format = 0;
        bool operator==(const SequenceExtension&) const = default;
    };
    std::optional<SequenceExtension> sequence_extension;
    // The sequence display extension's.
    std::optional<std::uint8_t> video_format;
    // The first picture coding extension's.
    struct PictureCoding {
        std::uint8_t intra_dc_precision = 0;
        std::uint8_t picture_structure = 0;
        bool operator==(const PictureCoding&) const = default;
    };
    std::optional<PictureCoding> picture_coding;

    bool found() const { return container.has_value(); }
    bool operator==(const StreamCodes&) const = default;
};

// One analysis result as the windows, the reports and the CLI show it: the presentation of
// StreamCodes. An empty text, or 0 for the DC precision, means the value was not found in
// the file.
struct StreamInfo {
    std::string stream_type_text;
    std::int32_t header_position = 0;
    std::string mpeg_version_text;
    std::int16_t horizontal_size = 0;
    std::int16_t vertical_size = 0;
    std::string aspect_ratio_text;
    std::string frame_rate_text;
    std::int32_t max_bit_rate_kbps = 0;
    std::int32_t vbv_buffer_size_kb = 0;
    std::string profile_text;
    std::string level_text;
    std::string chroma_format_text;
    std::int16_t intra_dc_precision_bits = 0;
    std::string video_format_text;
    std::string picture_structure_text;

    bool operator==(const StreamInfo&) const = default;
};

// The two matrices in raster order (mpeg::Matrix): index (row - 1) * 8 + (column - 1), row 1
// on top.
struct QuantMatrixPair {
    mpeg::Matrix intra{};
    mpeg::Matrix non_intra{};
    bool intra_from_stream = false;
    bool non_intra_from_stream = false;

    // row and column count from 1, as the grids and the reports do.
    std::uint8_t intra_at(int row, int column) const { return intra[(row - 1) * 8 + column - 1]; }
    std::uint8_t non_intra_at(int row, int column) const {
        return non_intra[(row - 1) * 8 + column - 1];
    }

    bool operator==(const QuantMatrixPair&) const = default;
};

} // namespace quantaline
