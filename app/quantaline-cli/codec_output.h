#pragma once

// What `info` and `matrix` print of an MPEG-4 Part 2, H.264 or HEVC video: its lists with
// their sources, as text, CSV and JSON.

#include "analysis/codec_matrices.h"

#include <string>

namespace quantaline::cli {

// Each list under its name and source, then its grid; a blank line between two.
std::string codec_lists_text(const CodecAnalysis& result);
// One line a row of each list: its name, then its values.
std::string codec_lists_csv(const CodecAnalysis& result);
std::string codec_info_text(const std::string& file, const CodecAnalysis& result);
std::string codec_info_json(const std::string& file, const CodecAnalysis& result);
// "matrices":{...},"dc":{...},"sources":{...}: the lists' members of the JSON objects.
std::string codec_lists_json(const CodecAnalysis& result);

// "mpeg4", "h264", "hevc" in the JSON; "mp4", "matroska", ... for the container.
const char* codec_key(container::Codec codec);
const char* container_key(container::Container container);

} // namespace quantaline::cli
