#pragma once

// The video headers of ISO/IEC 13818-2 and 11172-2, one function per syntax structure,
// named as the standard names it. Each takes the bytes that follow the structure's
// 32-bit start code and returns the raw coded values; nothing here is display text.

#include "mpeg/bit_reader.h"

#include <array>
#include <cstdint>
#include <span>

namespace quantaline::mpeg {

// 8 x 8 values in raster order, the top row first.
using Matrix = std::array<std::uint8_t, 64>;

// The byte after 00 00 01.
namespace start_code {
inline constexpr std::uint8_t picture = 0x00;
inline constexpr std::uint8_t slice_first = 0x01;
inline constexpr std::uint8_t slice_last = 0xAF;
inline constexpr std::uint8_t user_data = 0xB2;
inline constexpr std::uint8_t sequence_header = 0xB3;
inline constexpr std::uint8_t extension = 0xB5;
inline constexpr std::uint8_t sequence_end = 0xB7;
inline constexpr std::uint8_t group = 0xB8;
inline constexpr std::uint8_t program_end = 0xB9;
inline constexpr std::uint8_t pack = 0xBA;
inline constexpr std::uint8_t system_header = 0xBB;
} // namespace start_code

// The 32 bits of a start code: 00 00 01 and its value.
inline constexpr std::size_t start_code_size = 4;

// extension_start_code_identifier
namespace extension_id {
inline constexpr std::uint8_t sequence = 1;
inline constexpr std::uint8_t sequence_display = 2;
inline constexpr std::uint8_t quant_matrix = 3;
inline constexpr std::uint8_t picture_coding = 8;
} // namespace extension_id

// scan[0]: the raster index of each zigzag position. Quantiser matrices are always sent
// in this order, whatever the stream's alternate_scan flag.
inline constexpr std::array<std::uint8_t, 64> zigzag_scan = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

inline constexpr Matrix default_intra_quantiser_matrix = {8,  16, 19, 22, 26, 27, 29, 34, //
                                                          16, 16, 22, 24, 27, 29, 34, 37, //
                                                          19, 22, 26, 27, 29, 34, 34, 38, //
                                                          22, 22, 26, 27, 29, 34, 37, 40, //
                                                          22, 26, 27, 29, 32, 35, 40, 48, //
                                                          26, 27, 29, 32, 35, 40, 48, 58, //
                                                          26, 27, 29, 34, 38, 46, 56, 69, //
                                                          27, 29, 35, 38, 46, 56, 69, 83};

inline constexpr Matrix default_non_intra_quantiser_matrix = [] {
    Matrix m{};
    m.fill(16);
    return m;
}();

// Why a structure cannot be trusted.
enum class SyntaxError {
    none,
    truncated,       // its bytes end before its last field
    marker_bit,      // a marker_bit is 0
    wrong_extension, // the extension_start_code_identifier is not this structure's
    out_of_range,    // a value its field may not take (an Exp-Golomb code too long among them)
    wrong_unit,      // the unit's type or start code is not this structure's
};

template <class Fields> struct Parsed {
    Fields fields{};
    SyntaxError error = SyntaxError::none;
    bool ok() const { return error == SyntaxError::none; }
};

struct SequenceHeader {
    std::uint16_t horizontal_size_value = 0;
    std::uint16_t vertical_size_value = 0;
    std::uint8_t aspect_ratio_information = 0;
    std::uint8_t frame_rate_code = 0;
    std::uint32_t bit_rate_value = 0;
    std::uint16_t vbv_buffer_size_value = 0;
    bool constrained_parameters_flag = false;
    bool load_intra_quantiser_matrix = false;
    Matrix intra_quantiser_matrix{}; // raster order; zeros when not loaded
    bool load_non_intra_quantiser_matrix = false;
    Matrix non_intra_quantiser_matrix{};
    // Bytes after the start code that the header and its matrices take: 8, 72 or 136.
    std::size_t size = 0;
};

struct SequenceExtension {
    std::uint8_t profile_and_level_indication = 0;
    bool progressive_sequence = false;
    std::uint8_t chroma_format = 0;
    std::uint8_t horizontal_size_extension = 0;
    std::uint8_t vertical_size_extension = 0;
    std::uint16_t bit_rate_extension = 0;
    std::uint8_t vbv_buffer_size_extension = 0;
    bool low_delay = false;
    std::uint8_t frame_rate_extension_n = 0;
    std::uint8_t frame_rate_extension_d = 0;
};

struct SequenceDisplayExtension {
    std::uint8_t video_format = 0;
    bool colour_description = false;
    std::uint8_t colour_primaries = 0;
    std::uint8_t transfer_characteristics = 0;
    std::uint8_t matrix_coefficients = 0;
    std::uint16_t display_horizontal_size = 0;
    std::uint16_t display_vertical_size = 0;
};

struct GroupOfPicturesHeader {
    bool drop_frame_flag = false;
    std::uint8_t time_code_hours = 0;
    std::uint8_t time_code_minutes = 0;
    std::uint8_t time_code_seconds = 0;
    std::uint8_t time_code_pictures = 0;
    bool closed_gop = false;
    bool broken_link = false;
};

struct PictureHeader {
    std::uint16_t temporal_reference = 0;
    std::uint8_t picture_coding_type = 0;
    std::uint16_t vbv_delay = 0;
    bool full_pel_forward_vector = false;
    std::uint8_t forward_f_code = 0;
    bool full_pel_backward_vector = false;
    std::uint8_t backward_f_code = 0;
};

struct PictureCodingExtension {
    std::array<std::array<std::uint8_t, 2>, 2> f_code{};
    std::uint8_t intra_dc_precision = 0;
    std::uint8_t picture_structure = 0;
    bool top_field_first = false;
    bool frame_pred_frame_dct = false;
    bool concealment_motion_vectors = false;
    bool q_scale_type = false;
    bool intra_vlc_format = false;
    bool alternate_scan = false;
    bool repeat_first_field = false;
    bool chroma_420_type = false;
    bool progressive_frame = false;
    bool composite_display_flag = false;
};

struct QuantMatrixExtension {
    bool load_intra_quantiser_matrix = false;
    Matrix intra_quantiser_matrix{};
    bool load_non_intra_quantiser_matrix = false;
    Matrix non_intra_quantiser_matrix{};
    bool load_chroma_intra_quantiser_matrix = false;
    Matrix chroma_intra_quantiser_matrix{};
    bool load_chroma_non_intra_quantiser_matrix = false;
    Matrix chroma_non_intra_quantiser_matrix{};
};

// 64 values of 8 bits in zigzag order, put in raster order.
Matrix quantiser_matrix(BitReader& reader);

Parsed<SequenceHeader> sequence_header(std::span<const std::uint8_t> bytes);
// The extensions take the bytes after 00 00 01 B5, their identifier first.
Parsed<SequenceExtension> sequence_extension(std::span<const std::uint8_t> bytes);
Parsed<SequenceDisplayExtension> sequence_display_extension(std::span<const std::uint8_t> bytes);
Parsed<QuantMatrixExtension> quant_matrix_extension(std::span<const std::uint8_t> bytes);
Parsed<PictureCodingExtension> picture_coding_extension(std::span<const std::uint8_t> bytes);
Parsed<GroupOfPicturesHeader> group_of_pictures_header(std::span<const std::uint8_t> bytes);
Parsed<PictureHeader> picture_header(std::span<const std::uint8_t> bytes);

// The bytes after its start code that a sequence header with both matrices takes.
inline constexpr std::size_t max_sequence_header_size = 136;

// How many bytes after their start code the leading fields of a structure take, up to
// and with the field named: a reader that uses no later field needs no more bytes.
namespace leading_bytes {
// extension_start_code_identifier (4 bits)
inline constexpr std::size_t extension_identifier = 1;
// ... profile_and_level_indication (8), progressive_sequence (1), chroma_format (2)
inline constexpr std::size_t sequence_extension_to_chroma_format = (4 + 8 + 1 + 2 + 7) / 8;
// ... video_format (3)
inline constexpr std::size_t sequence_display_extension_to_video_format = (4 + 3 + 7) / 8;
// ... f_code (16), intra_dc_precision (2), picture_structure (2)
inline constexpr std::size_t picture_coding_extension_to_picture_structure =
    (4 + 16 + 2 + 2 + 7) / 8;
} // namespace leading_bytes

// profile_and_level_indication: an escape bit, the profile, the level.
inline std::uint8_t profile_identification(std::uint8_t profile_and_level_indication) {
    return static_cast<std::uint8_t>((profile_and_level_indication >> 4) & 0x07);
}
inline std::uint8_t level_identification(std::uint8_t profile_and_level_indication) {
    return static_cast<std::uint8_t>(profile_and_level_indication & 0x0F);
}

// The extension_start_code_identifier of the extension whose bytes these are.
inline std::uint8_t extension_start_code_identifier(std::span<const std::uint8_t> bytes) {
    return bytes.empty() ? 0 : static_cast<std::uint8_t>(bytes[0] >> 4);
}

} // namespace quantaline::mpeg
