#pragma once

// What `scan` prints of an MPEG-4 Part 2, H.264 or HEVC video: the pictures, the
// parameter sets, where the lists change, each set of lists with its pictures.

#include "analysis/codec_scan.h"

#include <string>

namespace quantaline::cli {

std::string codec_scan_text(const std::string& file, const CodecScan& result);
// One line of JSON.
std::string codec_scan_json(const std::string& file, const CodecScan& result);

} // namespace quantaline::cli
