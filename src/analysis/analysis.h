#pragma once

#include "analysis/display.h"
#include "analysis/stream_info.h"
#include "io/file_reader.h"
#include "io/message.h"
#include "mpeg/demux.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <system_error>

namespace quantaline {

// The furthest byte any step of the analysis can look at in an elementary stream is the
// last non-intra value of a sequence header found at the last search position
// (299998 + 139), so the file is first read this far.
inline constexpr std::size_t analysis_prefix_size = 300138;
static_assert(mpeg::layout_probe_size <= analysis_prefix_size,
              "the container is told from the bytes the analysis reads");
// In a program or transport stream the bytes of a header that starts within the search
// window can lie further on, past packets of other streams: the file is then read again,
// this far at most.
inline constexpr std::size_t analysis_longest_read = std::size_t{4} * 1024 * 1024;

// The reaches are measured on file offsets, whatever the packets (kept on purpose:
// docs/compatibility.md). The sequence header is looked for at start offsets 0 ..
// last_header_search_offset.
inline constexpr std::int32_t last_header_search_offset = 299998;
// The extension search runs while p <= 99998, the picture coding search while p <= 149998.
inline constexpr std::int32_t last_extension_search_offset = 99998;
inline constexpr std::int32_t last_picture_coding_search_offset = 149998;

// A transport stream's video is looked for in the file's first 16 MiB: in a multiplex of
// several services one service's group of pictures starts megabytes after another's. Its
// extension windows are measured from its sequence header.
inline constexpr std::int32_t last_transport_header_search_offset = 16 * 1024 * 1024 - 4;
// A transport stream is read again this far at most (the header's windows past the reach).
inline constexpr std::size_t transport_longest_read = std::size_t{20} * 1024 * 1024;

struct AnalysisResult {
    // The presentation of `codes`.
    StreamInfo info;
    QuantMatrixPair matrices;
    Messages messages;
    StreamCodes codes;
    // Set when the file could not be opened: the system's reason.
    std::error_code open_error;
};

// The stream scan cannot read the file.
extern const Message scan_read_failure_message;
// The header decoding cannot read the file.
extern const Message header_read_warning_message;
// The scan read the file but found no sequence header in its search window.
extern const Message no_sequence_header_message;
// The same for a transport stream, whose window is its first 16 MiB.
extern const Message no_transport_sequence_header_message;

// The standard's defaults, as the whole-stream reader has them.
inline constexpr const mpeg::Matrix& default_intra = mpeg::default_intra_quantiser_matrix;
inline constexpr const mpeg::Matrix& default_non_intra = mpeg::default_non_intra_quantiser_matrix;

// The whole analysis of one file. The file's first analysis_prefix_size bytes are read
// through `reader` into a buffer the thread keeps for the next file; a header cut across
// packets at the end of them has the file read again, further.
// `layout` is the container the containers' reader told (an MPEG video's samples in an MP4,
// Matroska, AVI or MXF file); without it the container is told from the first bytes.
AnalysisResult analyse_file(const std::string& path,
                            const std::optional<mpeg::Layout>& layout = std::nullopt);
AnalysisResult analyse_file(const std::string& path, const PrefixReader& reader,
                            const std::optional<mpeg::Layout>& layout = std::nullopt);

// How the bytes handed to analyse_bytes end: at the end of the file, or where a read
// failed. Either way the bytes after them count as past the end of the file; a step that
// needs one of them after a failed read reports it (the scan's message, or the header
// warning).
enum class PrefixEnd { end_of_file, read_failure };

// The same analysis on bytes already in memory: `prefix` holds the first bytes of the
// file (of an elementary stream only the first analysis_prefix_size count).
AnalysisResult analyse_bytes(std::span<const std::uint8_t> prefix,
                             PrefixEnd end = PrefixEnd::end_of_file,
                             const std::optional<mpeg::Layout>& layout = std::nullopt);

// The stream scan: stream type text and header position.
struct SequenceHeaderLocation {
    std::string stream_type_text;
    std::int32_t header_position = 0;
};
SequenceHeaderLocation find_sequence_header(std::span<const std::uint8_t> prefix);

} // namespace quantaline
