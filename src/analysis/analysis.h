#pragma once

#include "analysis/stream_info.h"
#include "io/message.h"
#include "io/read_prefix.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace quantaline {

// The furthest byte any step of the analysis can look at is the last non-intra
// value of a sequence header found at the last search position (299998 + 139),
// so nothing past this prefix can change the result.
inline constexpr std::size_t analysis_prefix_size = 300138;

// The sequence header is looked for at start offsets 0 .. last_header_search_offset.
inline constexpr std::int32_t last_header_search_offset = 299998;
// The extension search runs while p <= 99998, the picture coding search while p <= 149998.
inline constexpr std::int32_t last_extension_search_offset = 99998;
inline constexpr std::int32_t last_picture_coding_search_offset = 149998;

struct AnalysisResult {
    StreamInfo info;
    QuantMatrixPair matrices;
    Messages messages;
};

// The stream scan cannot read the file.
extern const Message scan_read_failure_message;
// The header decoding cannot read the file.
extern const Message header_read_warning_message;
// The scan read the file but found no sequence header in its search window.
extern const Message no_sequence_header_message;

extern const QuantMatrix default_intra;
extern const QuantMatrix default_non_intra;

// The whole analysis of one file. The file's first analysis_prefix_size bytes are read
// once, through `reader`, into a buffer the thread keeps for the next file.
AnalysisResult analyse_file(const std::string& path);
AnalysisResult analyse_file(const std::string& path, const PrefixReader& reader);

// How the bytes handed to analyse_bytes end: at the end of the file, or where a read
// failed. Either way the bytes after them count as past the end of the file; a step that
// needs one of them after a failed read reports it (the scan's message, or the header
// warning).
enum class PrefixEnd { end_of_file, read_failure };

// The same analysis on bytes already in memory: `prefix` holds the first bytes of the
// file (only the first analysis_prefix_size count).
AnalysisResult analyse_bytes(std::span<const std::uint8_t> prefix,
                             PrefixEnd end = PrefixEnd::end_of_file);

// The stream scan: stream type text and header position.
struct SequenceHeaderLocation {
    std::string stream_type_text;
    std::int32_t header_position = 0;
};
SequenceHeaderLocation find_sequence_header(std::span<const std::uint8_t> prefix);

// Copies each scan-order buffer whose flag is set into its raster matrix.
void zigzag_to_raster(const QuantMatrix& intra_scan, const QuantMatrix& non_intra_scan,
                      QuantMatrixPair& matrices);

// "MPEG-2" when a sequence extension was found (any of its three texts set), "MPEG-1"
// for any other sequence header, empty when no sequence header was found. The analysis
// sets info.mpeg_version_text with it.
std::string mpeg_version_text(const StreamInfo& info);

} // namespace quantaline
