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

// The captions of the values, as the main window shows them beside the value labels.
namespace caption {
inline constexpr const char* resolution = "Résolution :";
inline constexpr const char* times = "x";
inline constexpr const char* aspect_ratio = "Aspect ratio :";
inline constexpr const char* frame_rate = "Fréquence d'image :";
inline constexpr const char* max_bit_rate = " Débit maximum  :";
inline constexpr const char* stream_type = "Type de flux :";
inline constexpr const char* profile = "Profil :";
inline constexpr const char* chroma_format = "Format YUV :";
inline constexpr const char* vbv = "VBV :";
inline constexpr const char* video_format = "Format Video :";
inline constexpr const char* dc_precision = "DCT :";
inline constexpr const char* picture_structure = "Structure d'image :";
} // namespace caption

// A caption without the blanks the window's layout puts around it: "Débit maximum :".
std::string plain_caption(const char* caption);

} // namespace quantaline
