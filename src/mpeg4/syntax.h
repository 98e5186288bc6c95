#pragma once

// The configuration headers of ISO/IEC 14496-2 (MPEG-4 visual), one function per syntax
// structure, named as the standard names it: the visual object sequence, the visual
// object and the video object layer as far as its quantiser matrices. Each takes the
// bytes that follow the structure's 32-bit start code.

#include "mpeg/bit_reader.h"
#include "mpeg/syntax.h"

#include <cstdint>
#include <optional>
#include <span>

namespace quantaline::mpeg4 {

using mpeg::Matrix;
using mpeg::Parsed;
using mpeg::SyntaxError;

// The byte after 00 00 01.
namespace start_code {
inline constexpr std::uint8_t video_object_first = 0x00;
inline constexpr std::uint8_t video_object_last = 0x1F;
inline constexpr std::uint8_t video_object_layer_first = 0x20;
inline constexpr std::uint8_t video_object_layer_last = 0x2F;
inline constexpr std::uint8_t visual_object_sequence = 0xB0;
inline constexpr std::uint8_t visual_object_sequence_end = 0xB1;
inline constexpr std::uint8_t user_data = 0xB2;
inline constexpr std::uint8_t group_of_vop = 0xB3;
inline constexpr std::uint8_t visual_object = 0xB5;
inline constexpr std::uint8_t vop = 0xB6;
} // namespace start_code

// video_object_layer_shape
namespace shape {
inline constexpr std::uint8_t rectangular = 0;
inline constexpr std::uint8_t binary = 1;
inline constexpr std::uint8_t binary_only = 2;
inline constexpr std::uint8_t grayscale = 3;
} // namespace shape

// sprite_enable
namespace sprite {
inline constexpr std::uint8_t not_used = 0;
inline constexpr std::uint8_t static_sprite = 1;
inline constexpr std::uint8_t gmc = 2;
} // namespace sprite

inline constexpr std::uint8_t extended_par = 0x0F;
inline constexpr std::uint8_t video_id = 1; // visual_object_type

// The matrices a video object layer uses when it loads none, in raster order.
inline constexpr Matrix default_intra_quant_mat = {8,  17, 18, 19, 21, 23, 25, 27, //
                                                   17, 18, 19, 21, 23, 25, 27, 28, //
                                                   20, 21, 22, 23, 24, 26, 28, 30, //
                                                   21, 22, 23, 24, 26, 28, 30, 32, //
                                                   22, 23, 24, 26, 28, 30, 32, 35, //
                                                   23, 24, 26, 28, 30, 32, 35, 38, //
                                                   25, 26, 28, 30, 32, 35, 38, 41, //
                                                   27, 28, 30, 32, 35, 38, 41, 45};
inline constexpr Matrix default_nonintra_quant_mat = {16, 17, 18, 19, 20, 21, 22, 23, //
                                                      17, 18, 19, 20, 21, 22, 23, 24, //
                                                      18, 19, 20, 21, 22, 23, 24, 25, //
                                                      19, 20, 21, 22, 23, 24, 26, 27, //
                                                      20, 21, 22, 23, 25, 26, 27, 28, //
                                                      21, 22, 23, 24, 26, 27, 28, 30, //
                                                      22, 23, 24, 26, 27, 28, 30, 31, //
                                                      23, 24, 25, 27, 28, 30, 31, 33};

struct VisualObjectSequence {
    std::uint8_t profile_and_level_indication = 0;
};

struct VisualObject {
    bool is_visual_object_identifier = false;
    std::uint8_t visual_object_verid = 1; // 1 when not coded
    std::uint8_t visual_object_priority = 0;
    std::uint8_t visual_object_type = 0;
    bool video_signal_type = false;
    std::uint8_t video_format = 5;
    bool video_range = false;
    bool colour_description = false;
    std::uint8_t colour_primaries = 1;
    std::uint8_t transfer_characteristics = 1;
    std::uint8_t matrix_coefficients = 1;
};

struct VideoObjectLayer {
    bool random_accessible_vol = false;
    std::uint8_t video_object_type_indication = 0;
    bool is_object_layer_identifier = false;
    std::uint8_t video_object_layer_verid = 1; // the visual object's when not coded
    std::uint8_t video_object_layer_priority = 0;
    std::uint8_t aspect_ratio_info = 0;
    std::uint8_t par_width = 0;
    std::uint8_t par_height = 0;
    bool vol_control_parameters = false;
    std::uint8_t chroma_format = 1; // 4:2:0, the only one coded
    bool low_delay = false;
    bool vbv_parameters = false;
    std::uint32_t bit_rate = 0;        // first_half_bit_rate, latter_half_bit_rate
    std::uint32_t vbv_buffer_size = 0; // first_half_vbv_buffer_size, latter_half_...
    std::uint32_t vbv_occupancy = 0;   // first_half_vbv_occupancy, latter_half_...
    std::uint8_t video_object_layer_shape = 0;
    std::uint8_t video_object_layer_shape_extension = 0;
    std::uint16_t vop_time_increment_resolution = 0;
    bool fixed_vop_rate = false;
    std::uint16_t fixed_vop_time_increment = 0;
    std::uint16_t video_object_layer_width = 0;
    std::uint16_t video_object_layer_height = 0;
    bool interlaced = false;
    bool obmc_disable = false;
    std::uint8_t sprite_enable = 0;
    bool sadct_disable = false;
    bool not_8_bit = false;
    std::uint8_t quant_precision = 5;
    std::uint8_t bits_per_pixel = 8;
    bool quant_type = false;
    bool load_intra_quant_mat = false;
    Matrix intra_quant_mat{};               // raster order; zeros when not loaded
    std::uint8_t intra_quant_mat_coded = 0; // values coded before the 0 that ends the list
    bool load_nonintra_quant_mat = false;
    Matrix nonintra_quant_mat{};
    std::uint8_t nonintra_quant_mat_coded = 0;
    std::uint8_t no_of_sprite_warping_points = 0;
    bool sprite_brightness_change = false;
    // The fields after the matrices, which the VOPs' headers need; read only when the
    // layer codes them whole (`tail_read`), never the layer's error.
    bool tail_read = false;
    bool quarter_sample = false;
    bool complexity_estimation_disable = true;
    bool newpred_enable = false;
    bool reduced_resolution_vop_enable = false;
};

// The bits fixed_vop_time_increment and vop_time_increment take.
int time_increment_bits(std::uint16_t resolution);

Parsed<VisualObjectSequence> visual_object_sequence(std::span<const std::uint8_t> bytes);
Parsed<VisualObject> visual_object(std::span<const std::uint8_t> bytes);
// `visual_object_verid`: the verid of the visual object the layer belongs to, which the
// layer takes when it codes none.
Parsed<VideoObjectLayer> video_object_layer(std::span<const std::uint8_t> bytes,
                                            std::uint8_t visual_object_verid = 1);

// The visual object and the first video object layer of a configuration's bytes (the
// headers with their start codes, as a container or the stream holds them); the layer
// read over the object's verid.
struct ConfigurationHeaders {
    std::optional<VisualObject> visual_object;
    std::optional<VideoObjectLayer> layer;
};
ConfigurationHeaders configuration_headers(std::span<const std::uint8_t> bytes);

} // namespace quantaline::mpeg4
