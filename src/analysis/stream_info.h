#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quantaline {

// One analysis result. An empty text, or 0 for the DC precision, means the value
// was not found in the file.
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

// 8 x 8 values in raster order: index (row - 1) * 8 + (column - 1), row 1 on top.
using QuantMatrix = std::array<std::uint8_t, 64>;

struct QuantMatrixPair {
    QuantMatrix intra{};
    QuantMatrix non_intra{};
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
