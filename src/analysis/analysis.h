#pragma once

#include "analysis/stream_info.h"
#include "io/message.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

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

extern const QuantMatrix default_intra;
extern const QuantMatrix default_non_intra;

// Reads at most `max_bytes` from the start of a regular file. Returns nothing when the
// path is not a regular file or cannot be read; never blocks on FIFOs or devices.
using PrefixReader = std::function<std::optional<std::vector<std::uint8_t>>(const std::string& path,
                                                                            std::size_t max_bytes)>;
std::optional<std::vector<std::uint8_t>> read_file_prefix(const std::string& path,
                                                          std::size_t max_bytes);
// The same into a caller's buffer (at most its size); returns the count of bytes read.
std::optional<std::size_t> read_file_prefix_into(const std::string& path,
                                                 std::span<std::uint8_t> buffer);

// The whole analysis of one file. The file is read once, through `reader`.
AnalysisResult analyse_file(const std::string& path);
AnalysisResult analyse_file(const std::string& path, const PrefixReader& reader);

// The same analysis on bytes already in memory: `prefix` holds the first bytes of the
// file (at most analysis_prefix_size count), or nothing when the file could not be read.
AnalysisResult analyse_bytes(const std::optional<std::span<const std::uint8_t>>& prefix);

// The stream scan: stream type text and header position.
struct SequenceHeaderLocation {
    std::string stream_type_text;
    std::int32_t header_position = 0;
};
SequenceHeaderLocation find_sequence_header(std::span<const std::uint8_t> prefix);

// Copies each scan-order buffer whose flag is set into its raster matrix.
void zigzag_to_raster(const QuantMatrix& intra_scan, const QuantMatrix& non_intra_scan,
                      QuantMatrixPair& matrices);

// "MPEG-2" when a sequence extension was found (any of its three texts set).
std::string mpeg_version_text(const StreamInfo& info);

} // namespace quantaline
