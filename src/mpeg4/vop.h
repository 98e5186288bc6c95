#pragma once

// An MPEG-4 visual VOP's header as far as vop_quant, and a group of VOPs' time code, over
// the video object layer they belong to.

#include "mpeg4/syntax.h"

#include <cstdint>
#include <optional>
#include <span>

namespace quantaline::mpeg4 {

// vop_coding_type
namespace vop_type {
inline constexpr std::uint8_t i = 0;
inline constexpr std::uint8_t p = 1;
inline constexpr std::uint8_t b = 2;
inline constexpr std::uint8_t s = 3;
} // namespace vop_type

struct Vop {
    std::uint8_t vop_coding_type = vop_type::i;
    std::uint32_t modulo_time_base = 0; // the count of its 1 bits
    std::uint32_t vop_time_increment = 0;
    bool vop_coded = true;
    bool top_field_first = false;
    // The quantiser, when the header could be read as far as it (rectangular shape, no
    // complexity estimation, no sprite trajectory before it).
    std::optional<std::uint8_t> vop_quant;
};
// The bytes after the VOP start code.
Parsed<Vop> vop_header(std::span<const std::uint8_t> bytes, const VideoObjectLayer& vol);

struct GroupOfVop {
    std::uint32_t seconds = 0; // time_code's hours, minutes and seconds together
    bool closed_gov = false;
    bool broken_link = false;
};
// The bytes after the group_of_vop start code.
Parsed<GroupOfVop> group_of_vop(std::span<const std::uint8_t> bytes);

} // namespace quantaline::mpeg4
