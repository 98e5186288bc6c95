#pragma once

// What the desktop shows of a whole-stream scan: the strip's texts at the end of the
// read, the summary and the matrix-set table of the "Flux complet" window. Texts only;
// the windows lay them out.

#include "export/matrix_library.h"
#include "mpeg/macroblock.h"
#include "mpeg/scan.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quantaline {

// A count with the French thousands grouping: "12 345".
std::string grouped_number(std::uint64_t value);
// "hh:mm:ss,cc", the decimal separator the language's.
std::string duration_text(double seconds);
// "4 512 kbit/s"
std::string rate_text(double bits_per_second);

// "1 image", "12 345 images": French takes the singular below two, English for one only.
// The two words are the sources of the "WholeStream" translations.
std::string counted(std::uint64_t count, const char* singular, const char* plural);
std::string pictures_text(std::uint64_t pictures);

// The strip's texts once the read has ended.
struct StreamReadTexts {
    // "Flux complet : 12 345 images, 1 jeu de matrices"
    std::string status;
    // "Les matrices changent en cours de flux : 3 jeux"; empty with one set or none.
    std::string change;
    // The scan's messages (damage, read errors), one text each; the stop asked for by the
    // user is the status's to tell, not a damage.
    std::vector<std::string> damage;
    // "Conforme au profil DVD", "3 écarts au profil DVD"; with faults found or not.
    std::string conformance;
    bool conformance_fault = false;
};
StreamReadTexts stream_read_texts(const mpeg::ScanResult& result, bool cancelled);
// The same from what a read found ("12 images, 1 jeu de matrices"), the change of sets to
// tell (or nothing) and the read's messages.
StreamReadTexts read_end_texts(const std::string& found, std::string change,
                               const Messages& messages, bool cancelled);

// The frames a stream's pictures fill: a field picture is half a frame.
double frame_count(const mpeg::ScanResult& result);
// Frames per second of a frame_rate_code; 0 for a code without a rate.
double frames_per_second(unsigned frame_rate_code);

// One line of the summary: its caption and its value.
struct SummaryLine {
    std::string caption;
    std::string value;

    bool operator==(const SummaryLine&) const = default;
};
// Container, video stream, pictures by type, sequence headers, groups of pictures,
// duration, average and peak bit rate (over one second), the scan's messages. The duration
// and the rates need the frame rate of the first sequence header with its extension (from
// `frame_rate_code` when the scan kept no sequence).
std::vector<SummaryLine> stream_summary(const mpeg::ScanResult& result, unsigned frame_rate_code);

// One row of the matrix-set table.
struct MatrixSetRow {
    std::string number;        // from 1
    std::string first_picture; // from 0, as the pictures are numbered everywhere
    std::string pictures;
    std::string time_code; // of the group after the change; "-" when there is none
    std::string intra_name;
    std::string non_intra_name;

    bool operator==(const MatrixSetRow&) const = default;
};
std::vector<MatrixSetRow> matrix_set_rows(const mpeg::ScanResult& result,
                                          const std::vector<NamedMatrices>& library);
// The library's matrix equal to `matrix` by its name, else "NAME (distance D)" for the
// nearest; empty without a library.
std::string matrix_name_text(const std::vector<NamedMatrices>& library, const mpeg::Matrix& matrix,
                             MatrixKind kind);

// The end of the quantiser pass over the header read's records (ScanControl::recorded), which
// put each picture's figures in its record: the totals per picture type and the damage it
// found join the header read's result. A pass stopped early leaves the pictures it did not
// reach unread.
void merge_quantiser_pass(mpeg::ScanResult& whole, const mpeg::ScanResult& pass);
// The pictures whose macroblocks were read.
std::uint64_t quantiser_pictures(const mpeg::ScanResult& result);
// "1 234 images sur 5 678"
std::string quantiser_pictures_text(const mpeg::ScanResult& result);

// One picture's macroblocks, read again from the file for the picture view.
struct PictureMap {
    std::uint64_t index = 0;
    mpeg::PictureQuantiser figures;
    std::vector<mpeg::MacroblockInfo> macroblocks; // in stream order
    std::vector<mpeg::SliceInfo> slices;           // in stream order
};
// What each macroblock address of a map holds: the index of its macroblock in
// map.macroblocks, map_not_read for the rest of a damaged slice, map_outside_slices for
// one that no slice reached (a slice that starts past the row its start code names, a
// slice left out).
inline constexpr int map_not_read = -1;
inline constexpr int map_outside_slices = -2;
std::vector<int> map_addresses(const PictureMap& map);
// "Image 1 234 (B) : 1 620 macroblocs (intra 10, codés 1 200, sautés 410), quantificateur
// moyen 4,52, min 2, max 10"
std::string picture_map_text(const PictureMap& map);
// "Colonne 12, rangée 5 : sauté, quantificateur 8"
std::string macroblock_text(const PictureMap& map, const mpeg::MacroblockInfo& macroblock);

// The MPEG default of each matrix of a set, for the grids' green: the scan keeps the values,
// not whether the stream carried them, and a default value shows as the default would.
bool is_default_matrix(const mpeg::Matrix& matrix, bool intra);

} // namespace quantaline
