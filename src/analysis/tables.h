#pragma once

#include "mpeg/syntax.h"

namespace quantaline::tables {

// scan[0]: the raster index of each zigzag position. Quantiser matrices are always
// sent in this order, whatever the stream's alternate_scan flag.
inline constexpr const auto& zigzag_scan = mpeg::zigzag_scan;

} // namespace quantaline::tables
