#pragma once

// The quantiser matrices of an MPEG-4 visual stream's first video object layer, each with
// where it came from: loaded, or the default one; none at all with H.263 quantisation.

#include "mpeg4/syntax.h"
#include "scaling/list_source.h"

#include <cstdint>
#include <span>

namespace quantaline::scaling {

// quant_type
enum class Quantisation : std::uint8_t {
    h263, // quant_type 0: no matrices; the lists' origin is Origin::unused, their values 0
    mpeg, // quant_type 1: the two matrices below
};

struct Mpeg4List {
    mpeg::Matrix values{}; // raster order
    ListSource source{};
};

struct Mpeg4Matrices {
    bool visual_object_sequence = false; // whether one came before the layer
    std::uint8_t profile_and_level_indication = 0;
    std::uint8_t video_object_type_indication = 0;
    std::uint8_t video_object_layer_verid = 1;
    std::uint8_t chroma_format = 1; // 4:2:0
    std::uint16_t width = 0;        // rectangular layers only
    std::uint16_t height = 0;
    Quantisation quantisation = Quantisation::h263;
    Mpeg4List intra{};
    Mpeg4List nonintra{};
};

Mpeg4Matrices mpeg4_matrices(const mpeg4::VideoObjectLayer& vol);

// The configuration bytes (visual object sequence, visual object, video object and video
// object layer headers, each from its start code): the first video object layer.
Resolved<Mpeg4Matrices> resolve_mpeg4(std::span<const std::uint8_t> configuration);

} // namespace quantaline::scaling
