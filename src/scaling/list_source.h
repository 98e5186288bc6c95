#pragma once

// Where a list of the matrices in force comes from, as a value the caller words.

#include "mpeg/syntax.h"

#include <cstdint>

namespace quantaline::scaling {

enum class Origin : std::uint8_t {
    flat,              // no list coded for the stream: 16 everywhere
    default_list,      // not coded where it could be: the codec's default list
    signalled_default, // coded as "the default list" (a first delta to 0, a prediction from 0)
    coded,             // its values coded
    fall_back_a,       // not coded in an SPS, or in a PPS over an SPS without matrix:
                       // copied from `reference`
    fall_back_b,       // not coded in a PPS over an SPS with a matrix: from `reference`
    predicted,         // coded as a copy of `reference`, of the same size
    from_16x16,        // a 32x32 chroma list of 4:4:4, taken from the 16x16 list
    unused,            // the stream quantises without matrices
};

// The structure that coded the list or whose rule gave it.
enum class Level : std::uint8_t {
    none,
    sequence, // the sequence parameter set, the video object layer
    picture,  // the picture parameter set
};

// A list of the default tables rather than one of the stream's.
inline constexpr std::int8_t default_table = -1;

struct ListSource {
    Origin origin = Origin::flat;
    Level level = Level::none;
    // For fall_back_a, fall_back_b, predicted and from_16x16: the list copied (its index
    // among the lists of the structure at reference_level), or default_table.
    std::int8_t reference = default_table;
    Level reference_level = Level::none;
    friend bool operator==(const ListSource&, const ListSource&) = default;
};

// Why no matrices could be resolved.
enum class ResolveError : std::uint8_t {
    none,
    no_sequence_header,      // no SPS (no video object layer) among the units
    damaged_sequence_header, // the first one is damaged (`syntax` tells how)
    no_picture_header,       // no PPS refers to the first SPS
    damaged_picture_header,  // the first PPS that refers to it is damaged
    unsupported,             // a layer or a shape the program does not read
};

template <class Matrices> struct Resolved {
    Matrices matrices{};
    ResolveError error = ResolveError::none;
    mpeg::SyntaxError syntax = mpeg::SyntaxError::none;
    bool ok() const { return error == ResolveError::none; }
};

} // namespace quantaline::scaling
