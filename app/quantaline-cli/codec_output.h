#pragma once

// What `info` and `matrix` print of an MPEG-4 Part 2, H.264 or HEVC video: its lists with
// their sources, as text, CSV and JSON.

#include "analysis/codec_matrices.h"
#include "description.h"

#include <string>

namespace quantaline::cli {

// Each list under its name and source, then its grid; a blank line between two.
std::string codec_lists_text(const CodecAnalysis& result);
// One line a row of each list: its name, then its values.
std::string codec_lists_csv(const CodecAnalysis& result);
// What `info` tells of the video, for the one printer of text and JSON.
Description describe_codec(const std::string& file, const CodecAnalysis& result);
// Its lists' members of the JSON: "matrices", "dc" and "sources".
void append_list_members(Description& description, const CodecAnalysis& result);
// "matrices":{...},"dc":{...},"sources":{...}: the lists' members of the JSON objects.
std::string codec_lists_json(const CodecAnalysis& result);

// {"red_x":0.68,...,"white_point_y":0.329,"min_luminance":0.005,"max_luminance":1000};
// {"max_cll":1000,"max_fall":400}
std::string mastering_display_json(const mpeg::MasteringDisplay& display);
std::string light_level_json(const mpeg::ContentLightLevel& level);

// "mpeg4", "h264", "hevc" in the JSON.
const char* codec_key(container::Codec codec);

} // namespace quantaline::cli
