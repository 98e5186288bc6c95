#pragma once

#include "analysis/stream_info.h"
#include "io/text.h"
#include "mpeg/scan.h"

#include <string>
#include <string_view>

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

// The numbers and texts of an analysis's codes; everything empty when no sequence header
// was found.
StreamInfo stream_info(const StreamCodes& codes);

// The stream type of the first-header analysis: "Flux élémentaire", "Flux programme",
// "Flux transport".
std::string_view stream_type_text(mpeg::Container container);

// "MPEG-2" when a sequence extension was found (any of its three texts set), "MPEG-1"
// for any other sequence header, empty when no sequence header was found: for a StreamInfo
// made without codes (stream_info() decides from the codes).
std::string mpeg_version_text(const StreamInfo& info);

// The texts of the coded values, as the analysis stores them in StreamInfo. A code
// without a text gives an empty one.
std::string_view aspect_ratio_text(unsigned aspect_ratio_information);
std::string_view frame_rate_text(unsigned frame_rate_code);
// The three low bits of profile_and_level_indication's upper nibble.
std::string_view profile_text(unsigned profile_code);
// The lower nibble of profile_and_level_indication.
std::string_view level_text(unsigned level_code);
std::string_view chroma_format_text(unsigned chroma_format);
std::string_view video_format_text(unsigned video_format);
std::string_view picture_structure_text(unsigned picture_structure);

// The whole-stream scan.
std::string_view container_text(mpeg::Container container);
// The video read in a multiplex: "flux E0" (a program stream's stream_id) or "PID 256".
std::string video_id_text(mpeg::Container container, std::uint32_t video);
std::string_view change_kind_text(mpeg::ChangeKind kind);
// "hh:mm:ss:ff"
std::string time_code_text(const mpeg::TimeCode& time_code);
// The four matrices of a set, in the order intra, non-intra, chroma intra, chroma non-intra.
std::string_view matrix_name(int index);
// What a change changed, against the set in force before it (none for the first):
// "intra, chroma intra", or "matrices initiales".
std::string changed_matrices_text(const mpeg::MatrixSet* before, const mpeg::MatrixSet& after);
// An average quantiser given in hundredths, as French writes it: "10,25", "8,00".
std::string quantiser_average_text(std::uint64_t hundredths);

// The captions of the values, as the main window shows them beside the value labels; in
// French, looked up with tr_text("Caption", ...).
namespace caption {
inline constexpr const char* resolution = TR_NOOP_TEXT("Caption", "Résolution :");
inline constexpr const char* times = "x";
inline constexpr const char* aspect_ratio = TR_NOOP_TEXT("Caption", "Aspect ratio :");
inline constexpr const char* frame_rate = TR_NOOP_TEXT("Caption", "Fréquence d'image :");
// Its blanks are the window's (kept on purpose: docs/compatibility.md).
inline constexpr const char* max_bit_rate = TR_NOOP_TEXT("Caption", " Débit maximum  :");
inline constexpr const char* stream_type = TR_NOOP_TEXT("Caption", "Type de flux :");
inline constexpr const char* profile = TR_NOOP_TEXT("Caption", "Profil :");
inline constexpr const char* chroma_format = TR_NOOP_TEXT("Caption", "Format YUV :");
inline constexpr const char* vbv = TR_NOOP_TEXT("Caption", "VBV :");
inline constexpr const char* video_format = TR_NOOP_TEXT("Caption", "Format Video :");
inline constexpr const char* dc_precision = TR_NOOP_TEXT("Caption", "DCT :");
inline constexpr const char* picture_structure = TR_NOOP_TEXT("Caption", "Structure d'image :");
} // namespace caption

// A caption without the blanks the window's layout puts around it: "Débit maximum :".
std::string plain_caption(const char* caption);

} // namespace quantaline
