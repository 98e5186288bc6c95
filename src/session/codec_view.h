#pragma once

// What the main window shows of an MPEG-4 Part 2, H.264 or HEVC video: its header texts
// and its lists in intra and inter pairs, one pair at a time in the two grids.

#include "analysis/codec_matrices.h"
#include "analysis/display.h"
#include "analysis/stream_info.h"
#include "io/message.h"
#include "session/whole_stream.h"

#include <optional>
#include <string>
#include <vector>

namespace quantaline {

// The header texts: the stream type, the size, the profile and the chroma format; the
// values these codecs do not give show as a missing value of an MPEG file does.
DisplayTexts codec_display_texts(const CodecAnalysis& result);

// What the header says beyond the main window's fields, each line when the stream says it:
// the colour description and range, the mastering display and the light levels.
std::vector<SummaryLine> codec_header_lines(const CodecHeader& header);
// Its first line alone: "Couleurs :" and the colour description, when the stream gives one.
std::optional<SummaryLine> colour_line(const CodecHeader& header);
// "R(0,68 0,32) V(0,265 0,69) B(0,15 0,06), blanc (0,3127 0,329), 0,005 à 1000 cd/m²"
std::string mastering_display_text(const mpeg::MasteringDisplay& display);
// "MaxCLL 1000 cd/m², MaxFALL 400 cd/m²"
std::string light_level_text(const mpeg::ContentLightLevel& level);

// The same values for the report and the print, as the text report writes them.
StreamInfo codec_stream_info(const CodecAnalysis& result);

// One choice of the lists' box: an intra list and the inter list of its size and colour,
// shown side by side ("Listes 8x8 Y"); MPEG-4's intra and non_intra matrices.
struct ListPair {
    std::string label;
    const CodecList* intra = nullptr;
    const CodecList* inter = nullptr;
};
// In the lists' display order; the lists stay in `result`.
std::vector<ListPair> list_pairs(const CodecAnalysis& result);
// The pair shown first: the 8x8 luma lists, MPEG-4's two matrices.
std::size_t first_list_pair(const std::vector<ListPair>& pairs);

// Whether the list's values are the file's own (black) rather than a list of the codec's
// that the file does not carry (green: flat, default, or taken from a default list).
// A list copied from another is as that one is.
bool list_from_stream(const CodecAnalysis& result, const CodecList& list);

// A grid's tooltip: the list's name and where it came from.
std::string list_tooltip(const CodecList& list);

// The two 8x8 matrices an MPEG-2 encoder or the report can take from this video: MPEG-4's
// when it quantises with matrices; none for H.264, HEVC or H.263 quantisation.
std::optional<QuantMatrixPair> codec_matrix_pair(const CodecAnalysis& result);

// Why TMPGEnc and CCE cannot take the video's matrices, and why the report and the print
// cannot either; empty when they can.
std::string mpeg2_export_refusal(const CodecAnalysis& result);
std::string report_refusal(const CodecAnalysis& result);

} // namespace quantaline
