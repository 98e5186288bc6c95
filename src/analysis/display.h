#pragma once

#include "analysis/stream_info.h"

#include <string>

namespace quantaline {

// The texts the main window shows for one analysis, with its replacements for values
// that were not found ("???", "Sans objet", "Défaut"). The CLI prints the same texts.
struct DisplayTexts {
    std::string width;             // Label1
    std::string height;            // Label2
    std::string aspect_ratio;      // Label3
    std::string frame_rate;        // Label4
    std::string max_bit_rate;      // Label5
    std::string vbv_buffer_size;   // Label6
    std::string stream_type;       // Label7: stream type, a blank, the MPEG version
    std::string profile_and_level; // Label14
    std::string chroma_format;     // Label15
    std::string video_format;      // Label17
    std::string dc_precision;      // Label19
    std::string picture_structure; // Label9
};

// `info.mpeg_version_text` is the analysis's own (see mpeg_version_text()).
DisplayTexts display_texts(const StreamInfo& info);

} // namespace quantaline
