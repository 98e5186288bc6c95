#include "analysis/analysis.h"

#include "analysis/display.h"
#include "analysis/tables.h"
#include "mpeg/syntax.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace quantaline {

const Message scan_read_failure_message{Icon::critical, "impossible de lire le fichier...",
                                        "Une erreur s'est produite à la lecture du fichier, cer...",
                                        Buttons::ok, Button::ok};

const Message header_read_warning_message{
    Icon::exclamation, "Problême(s) en lisant l'entête du fichier...",
    "Une erreur s'est produite à la lecture du fichier, Quantaline n'a pas pu décrypter "
    "correctement les informations.\r\nLes données affichées sont peut-être fausses. Il est "
    "déconseillé d'exporter les matrices dans ce cas ",
    Buttons::ok, Button::ok};

const Message no_sequence_header_message{
    Icon::information, "Aucune séquence MPEG...",
    "Aucun en-tête de séquence MPEG n'a été trouvé dans les 300000 premiers octets du fichier. "
    "Les matrices affichées sont celles de la norme MPEG.",
    Buttons::ok, Button::ok};

// The standard's defaults, as the whole-stream reader has them.
const QuantMatrix default_intra = mpeg::default_intra_quantiser_matrix;
const QuantMatrix default_non_intra = mpeg::default_non_intra_quantiser_matrix;

namespace {

// The file's first bytes. A byte past the end of the file reads as 0; the searches
// below only match patterns whose last bytes are not 0, so the padding never matches.
// When the bytes end where a read failed, a step that needs a byte past them is told by
// needed_unread_bytes().
class Bytes {
  public:
    Bytes(std::span<const std::uint8_t> data, PrefixEnd end)
        : data_(data), cut_by_failure_(end == PrefixEnd::read_failure) {}

    std::uint32_t at(std::int64_t offset) const {
        if (offset < 0 || static_cast<std::uint64_t>(offset) >= data_.size()) {
            needed_unread_ = needed_unread_ || cut_by_failure_;
            return 0;
        }
        return data_[static_cast<std::size_t>(offset)];
    }
    std::size_t size() const { return data_.size(); }
    bool needed_unread_bytes() const { return needed_unread_; }

    // The first start offset p in [from, last_start] where 00 00 01 `code` begins, or -1.
    // Windows overlap, as a byte-by-byte search would have them.
    std::int64_t find_start_code(std::int64_t from, std::int64_t last_start,
                                 std::uint8_t code) const {
        const auto size = static_cast<std::int64_t>(data_.size());
        const std::int64_t end = std::min<std::int64_t>(last_start, size - 4);
        const std::uint8_t* base = data_.data();
        // Look for the code byte first: in video and in sound alike it is far rarer
        // than the 01 of the prefix, so memchr runs long stretches.
        for (std::int64_t p = from; p <= end;) {
            const void* hit =
                std::memchr(base + p + 3, code, static_cast<std::size_t>(end - p + 1));
            if (hit == nullptr) {
                break;
            }
            const std::int64_t q = static_cast<const std::uint8_t*>(hit) - base - 3;
            if (base[q] == 0x00 && base[q + 1] == 0x00 && base[q + 2] == 0x01) {
                return q;
            }
            p = q + 1;
        }
        // Not found: the search went on to its last window, whose last byte it needed.
        if (from <= last_start && last_start + 3 >= size) {
            needed_unread_ = needed_unread_ || cut_by_failure_;
        }
        return -1;
    }

  private:
    std::span<const std::uint8_t> data_;
    bool cut_by_failure_;
    mutable bool needed_unread_ = false;
};

constexpr std::uint8_t pack_start_code = 0xBA;
constexpr std::uint8_t sequence_header_code = 0xB3;
constexpr std::uint8_t extension_start_code = 0xB5;

constexpr unsigned sequence_extension_id = 1;
constexpr unsigned sequence_display_extension_id = 2;

std::string text(std::string_view view) {
    return std::string(view);
}

} // namespace

namespace {

SequenceHeaderLocation locate_sequence_header(const Bytes& bytes) {
    SequenceHeaderLocation location;
    // A file that begins with a start code other than a pack header is an elementary
    // stream; the fourth byte must be there to be "other than BA". Only a sequence
    // header at offset 0 is taken as it stands: after any other start code (a PES
    // packet, a group, a picture) the header is searched as in a program stream.
    const bool elementary = bytes.size() >= 4 && bytes.at(0) == 0x00 && bytes.at(1) == 0x00 &&
                            bytes.at(2) == 0x01 && bytes.at(3) != pack_start_code;
    if (elementary && bytes.at(3) == sequence_header_code) {
        location.stream_type_text = "Flux élémentaire";
        return location;
    }
    const auto found = bytes.find_start_code(0, last_header_search_offset, sequence_header_code);
    if (found >= 0) {
        location.stream_type_text = elementary ? "Flux élémentaire" : "Flux programme";
        location.header_position = static_cast<std::int32_t>(found);
    }
    return location;
}

// Nothing decoded: every value cleared, the default matrices.
AnalysisResult nothing_decoded(Messages messages) {
    AnalysisResult result;
    result.matrices.intra = default_intra;
    result.matrices.non_intra = default_non_intra;
    result.messages = std::move(messages);
    return result;
}

} // namespace

SequenceHeaderLocation find_sequence_header(std::span<const std::uint8_t> prefix) {
    return locate_sequence_header(Bytes(prefix, PrefixEnd::end_of_file));
}

void zigzag_to_raster(const QuantMatrix& intra_scan, const QuantMatrix& non_intra_scan,
                      QuantMatrixPair& matrices) {
    for (std::size_t n = 0; n < 64; ++n) {
        const auto raster = tables::zigzag_scan[n];
        if (matrices.intra_from_stream) {
            matrices.intra[raster] = intra_scan[n];
        }
        if (matrices.non_intra_from_stream) {
            matrices.non_intra[raster] = non_intra_scan[n];
        }
    }
}

std::string mpeg_version_text(const StreamInfo& info) {
    if (info.stream_type_text.empty()) {
        return {};
    }
    const bool extension_found =
        !info.profile_text.empty() || !info.level_text.empty() || !info.chroma_format_text.empty();
    return extension_found ? "MPEG-2" : "MPEG-1";
}

AnalysisResult analyse_bytes(std::span<const std::uint8_t> prefix, PrefixEnd end) {
    const std::span<const std::uint8_t> data =
        prefix.first(std::min(prefix.size(), analysis_prefix_size));
    // Nothing past the prefix is ever looked at, so a failure beyond it cannot matter.
    if (data.size() < prefix.size()) {
        end = PrefixEnd::end_of_file;
    }

    const Bytes scanned(data, end);
    const auto location = locate_sequence_header(scanned);
    if (location.stream_type_text.empty()) {
        // With no header there is nothing to decode: bytes that are not a header would
        // give sizes, rates and a matrix that the encoders would then be handed.
        return nothing_decoded({scanned.needed_unread_bytes() ? scan_read_failure_message
                                                              : no_sequence_header_message});
    }

    AnalysisResult result;
    StreamInfo& info = result.info;
    QuantMatrixPair& matrices = result.matrices;
    info.stream_type_text = location.stream_type_text;
    info.header_position = location.header_position;
    const std::int64_t h = location.header_position;
    const Bytes bytes(data, end);

    // The sequence header with its matrices, read field by field from the bytes after
    // its start code. Bytes past the end read as 0 and the marker bit is not looked at,
    // so the values are those of the eight bytes at H+4 to H+11 whatever they hold; the
    // intra values run one bit out of step with the bytes (from the lowest bit of H+11),
    // as the fields lie.
    const auto after_code = static_cast<std::size_t>(
        std::min<std::int64_t>(h + 4, static_cast<std::int64_t>(data.size())));
    const mpeg::SequenceHeader header = mpeg::sequence_header(data.subspan(after_code)).fields;

    info.horizontal_size = static_cast<std::int16_t>(header.horizontal_size_value);
    info.vertical_size = static_cast<std::int16_t>(header.vertical_size_value);
    info.aspect_ratio_text = text(aspect_ratio_text(header.aspect_ratio_information));
    info.frame_rate_text = text(frame_rate_text(header.frame_rate_code));
    const auto bit_rate_value = static_cast<std::int32_t>(header.bit_rate_value);
    // R * 0.4 never ends in .5, so adding half and truncating is rounding to nearest.
    info.max_bit_rate_kbps = (bit_rate_value * 400 + 500) / 1000;
    info.vbv_buffer_size_kb = static_cast<std::int32_t>(header.vbv_buffer_size_value) * 2;

    // A matrix the header does not load is the default one.
    matrices.intra_from_stream = header.load_intra_quantiser_matrix;
    matrices.intra = matrices.intra_from_stream ? header.intra_quantiser_matrix : default_intra;
    matrices.non_intra_from_stream = header.load_non_intra_quantiser_matrix;
    matrices.non_intra =
        matrices.non_intra_from_stream ? header.non_intra_quantiser_matrix : default_non_intra;
    // The extension search starts after the header's last byte: H+12, H+76 or H+140.
    const std::int64_t s = h + 4 + static_cast<std::int64_t>(header.size);
    // The header was read from the span directly: a read failure inside it counts all the
    // same.
    (void)bytes.at(s - 1);

    // Extension search: sequence extensions until the sequence display extension.
    std::int64_t picture_search_start = std::max<std::int64_t>(s, 99999);
    for (std::int64_t p = s;
         (p = bytes.find_start_code(p, last_extension_search_offset, extension_start_code)) >= 0;
         ++p) {
        const auto e0 = bytes.at(p + 4);
        const auto extension_id = e0 >> 4;
        if (extension_id == sequence_extension_id) {
            const auto e1 = bytes.at(p + 5);
            info.profile_text = text(profile_text(e0 & 0x07));
            info.level_text = text(level_text(e1 >> 4));
            info.chroma_format_text = text(chroma_format_text((e1 >> 1) & 0x03));
        } else if (extension_id == sequence_display_extension_id) {
            info.video_format_text = text(video_format_text((e0 >> 1) & 0x07));
            picture_search_start = p;
            break;
        }
    }

    // Picture coding extension: the first extension whose identifier is 8 or above.
    for (std::int64_t p = picture_search_start;
         (p = bytes.find_start_code(p, last_picture_coding_search_offset, extension_start_code)) >=
         0;
         ++p) {
        if ((bytes.at(p + 4) & 0x80) != 0) {
            const auto e2 = bytes.at(p + 6);
            info.intra_dc_precision_bits = static_cast<std::int16_t>(8 + ((e2 >> 2) & 0x03));
            info.picture_structure_text = text(picture_structure_text(e2 & 0x03));
            break;
        }
    }
    if (bytes.needed_unread_bytes()) {
        result.messages.push_back(header_read_warning_message);
    }
    info.mpeg_version_text = mpeg_version_text(info);
    return result;
}

AnalysisResult analyse_file(const std::string& path, const PrefixReader& reader) {
    // One buffer per thread, kept for the next file: a fresh 300 KB allocation costs
    // more (zeroing, page faults, unmapping) than the whole analysis of a typical VOB.
    thread_local const std::unique_ptr<std::uint8_t[]> buffer =
        std::make_unique_for_overwrite<std::uint8_t[]>(analysis_prefix_size);
    const std::span<std::uint8_t> whole(buffer.get(), analysis_prefix_size);
    const PrefixRead read = reader(path, whole);
    if (!read.opened) {
        // Neither the scan nor the decoding can read the file.
        return nothing_decoded({scan_read_failure_message, header_read_warning_message});
    }
    return analyse_bytes(whole.first(std::min(read.size, whole.size())),
                         read.failed ? PrefixEnd::read_failure : PrefixEnd::end_of_file);
}

AnalysisResult analyse_file(const std::string& path) {
    return analyse_file(path, read_file_prefix);
}

} // namespace quantaline
