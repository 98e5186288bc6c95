#include "analysis/analysis.h"

#include "analysis/display.h"
#include "io/text.h"
#include "mpeg/syntax.h"
#include "mpeg/video_prefix.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

namespace quantaline {

const Message scan_read_failure_message{MessageId::header_unreadable};
const Message header_read_warning_message{MessageId::header_doubtful};
const Message no_sequence_header_message{MessageId::no_sequence_header};
const Message no_transport_sequence_header_message{MessageId::no_transport_sequence_header};

namespace {

using mpeg::VideoPrefix;

// Nothing decoded: every value cleared, the default matrices.
AnalysisResult nothing_decoded(Messages messages) {
    AnalysisResult result;
    result.matrices.intra = default_intra;
    result.matrices.non_intra = default_non_intra;
    result.messages = std::move(messages);
    return result;
}

// The bytes an analysis reads and why they end. An elementary stream's result cannot
// depend on a byte past analysis_prefix_size, so its bytes stop there.
struct FileBytes {
    std::span<const std::uint8_t> data;
    mpeg::DataEnd end;
    mpeg::Layout layout;
};

FileBytes file_bytes(std::span<const std::uint8_t> data, mpeg::DataEnd end,
                     const std::optional<mpeg::Layout>& told = std::nullopt) {
    const mpeg::Layout layout = told ? *told : mpeg::detect_layout(data);
    if (layout.container == mpeg::Container::elementary) {
        if (data.size() > analysis_prefix_size || end == mpeg::DataEnd::buffer_full) {
            data = data.first(std::min(data.size(), analysis_prefix_size));
            end = mpeg::DataEnd::end_of_file;
        }
    }
    return {data, end, layout};
}

// A transport stream, or a container read through its samples: the video may begin far
// into the file (one service's group of pictures megabytes into a multiplex, the first
// sample after a long index), and the windows are measured from its sequence header.
bool is_transport(const FileBytes& file) {
    return file.layout.container == mpeg::Container::transport ||
           mpeg::reads_samples(file.layout.container);
}

std::optional<VideoPrefix::StartCode> locate(VideoPrefix& video, const FileBytes& file) {
    return video.find(mpeg::start_code::sequence_header, 0,
                      is_transport(file) ? last_transport_header_search_offset
                                         : last_header_search_offset);
}

struct Reading {
    AnalysisResult result;
    // The bytes ended where the file goes on, inside something the analysis needed.
    bool needs_more_of_the_file = false;
    bool transport = false;
};

// The sequence header's values and matrices (a matrix it does not load is the default
// one); returns where its last byte ends, its matrices included.
std::size_t read_sequence_header(VideoPrefix& video, const VideoPrefix::StartCode& header,
                                 AnalysisResult& result) {
    StreamCodes& codes = result.codes;
    // Bytes past the end read as 0 and the marker bit is not looked at: the values are
    // those of the bytes there are.
    const std::size_t fields = header.position + mpeg::start_code_size;
    const mpeg::SequenceHeader h =
        mpeg::sequence_header(video.bytes(fields, mpeg::max_sequence_header_size)).fields;
    codes.horizontal_size_value = h.horizontal_size_value;
    codes.vertical_size_value = h.vertical_size_value;
    codes.aspect_ratio_information = h.aspect_ratio_information;
    codes.frame_rate_code = h.frame_rate_code;
    codes.bit_rate_value = h.bit_rate_value;
    codes.vbv_buffer_size_value = h.vbv_buffer_size_value;

    QuantMatrixPair& matrices = result.matrices;
    matrices.intra_from_stream = h.load_intra_quantiser_matrix;
    matrices.intra = matrices.intra_from_stream ? h.intra_quantiser_matrix : default_intra;
    matrices.non_intra_from_stream = h.load_non_intra_quantiser_matrix;
    matrices.non_intra =
        matrices.non_intra_from_stream ? h.non_intra_quantiser_matrix : default_non_intra;
    video.used_up_to(fields + h.size);
    return fields + h.size;
}

// The next extension start code from `from` whose first byte lies at `last_offset` or
// before: its bytes (as many as an extension other than a matrix one needs) and where to
// search on.
struct FoundExtension {
    std::span<const std::uint8_t> bytes;
    std::size_t body = 0;
    std::size_t position = 0;
};
std::optional<FoundExtension> next_extension(VideoPrefix& video, std::size_t from,
                                             std::uint64_t last_offset) {
    const auto found = video.find(mpeg::start_code::extension, from, last_offset);
    if (!found) {
        return std::nullopt;
    }
    const std::size_t body = found->position + mpeg::start_code_size;
    const auto bytes = video.bytes(body, VideoPrefix::longest_extension_read);
    video.used_up_to(body + mpeg::leading_bytes::extension_identifier);
    return FoundExtension{bytes, body, found->position};
}

// Sequence extensions until the sequence display extension, within the extension window;
// returns where the picture coding extension is searched from.
std::size_t read_sequence_extensions(VideoPrefix& video, std::size_t after_header,
                                     std::uint64_t last_offset, StreamCodes& codes) {
    for (std::size_t from = after_header;;) {
        const auto found = next_extension(video, from, last_offset);
        if (!found) {
            break;
        }
        from = found->position + 1;
        const auto identifier = mpeg::extension_start_code_identifier(found->bytes);
        if (identifier == mpeg::extension_id::sequence) {
            video.used_up_to(found->body +
                             mpeg::leading_bytes::sequence_extension_to_chroma_format);
            const auto e = mpeg::sequence_extension(found->bytes).fields;
            codes.sequence_extension = {e.profile_and_level_indication, e.chroma_format};
        } else if (identifier == mpeg::extension_id::sequence_display) {
            codes.video_format = mpeg::sequence_display_extension(found->bytes).fields.video_format;
            return found->position;
        }
    }
    // Without a display extension the picture coding extension is looked for from the
    // end of the extension window on.
    return std::max(after_header, video.position_at_or_after(last_offset + 1));
}

// The first extension whose identifier is a picture's (8 and above), within its window.
void read_picture_coding_extension(VideoPrefix& video, std::size_t from, std::uint64_t last_offset,
                                   StreamCodes& codes) {
    while (const auto found = next_extension(video, from, last_offset)) {
        from = found->position + 1;
        if (mpeg::extension_start_code_identifier(found->bytes) >=
            mpeg::extension_id::picture_coding) {
            video.used_up_to(found->body +
                             mpeg::leading_bytes::picture_coding_extension_to_picture_structure);
            const auto e = mpeg::picture_coding_extension(found->bytes).fields;
            codes.picture_coding = {e.intra_dc_precision, e.picture_structure};
            return;
        }
    }
}

// Where to look: the first sequence header within the search window, its matrices, the
// sequence extensions up to the display extension within the extension window, then the
// first picture coding extension within its own window. Every value is decoded in mpeg/.
Reading read_first_headers(const FileBytes& file) {
    Reading reading;
    reading.transport = is_transport(file);
    VideoPrefix video(file.data, file.end, file.layout);
    const auto header = locate(video, file);
    if (!header) {
        reading.needs_more_of_the_file = video.needs_more_of_the_file();
        // With no header there is nothing to decode: bytes that are not a header would
        // give sizes, rates and a matrix that the encoders would then be handed.
        reading.result =
            nothing_decoded({video.needed_unread_bytes() ? scan_read_failure_message
                             : is_transport(file)        ? no_transport_sequence_header_message
                                                         : no_sequence_header_message});
        return reading;
    }
    // A transport stream's windows begin at its header, an elementary or program stream's
    // at the file's first byte.
    const std::uint64_t window_start = is_transport(file) ? header->offset : 0;
    // From here on only what the decoding needs counts.
    video.forget_unread_bytes();

    AnalysisResult& result = reading.result;
    StreamCodes& codes = result.codes;
    codes.container = file.layout.container;
    codes.header_position = static_cast<std::int32_t>(header->offset);
    // The extension search starts after the header's last byte, its matrices included.
    const std::size_t after_header = read_sequence_header(video, *header, result);
    const std::size_t picture_search_start = read_sequence_extensions(
        video, after_header, window_start + last_extension_search_offset, codes);
    read_picture_coding_extension(video, picture_search_start,
                                  window_start + last_picture_coding_search_offset, codes);
    reading.needs_more_of_the_file = video.needs_more_of_the_file();
    if (const auto pid = video.demux_report().read_without_tables) {
        result.messages.push_back(mpeg::scan_read_without_tables_message(*pid));
    }
    if (video.needed_unread_bytes()) {
        result.messages.push_back(header_read_warning_message);
    }
    result.info = stream_info(codes);
    return reading;
}

mpeg::DataEnd data_end(PrefixEnd end) {
    return end == PrefixEnd::read_failure ? mpeg::DataEnd::read_failure
                                          : mpeg::DataEnd::end_of_file;
}

} // namespace

SequenceHeaderLocation find_sequence_header(std::span<const std::uint8_t> prefix) {
    const FileBytes file = file_bytes(prefix, mpeg::DataEnd::end_of_file);
    VideoPrefix video(file.data, file.end, file.layout);
    SequenceHeaderLocation location;
    if (const auto header = locate(video, file)) {
        location.stream_type_text = stream_type_text(file.layout.container);
        location.header_position = static_cast<std::int32_t>(header->offset);
    }
    return location;
}

AnalysisResult analyse_bytes(std::span<const std::uint8_t> prefix, PrefixEnd end,
                             const std::optional<mpeg::Layout>& layout) {
    return read_first_headers(file_bytes(prefix, data_end(end), layout)).result;
}

AnalysisResult analyse_file(const std::string& path, const PrefixReader& reader,
                            const std::optional<mpeg::Layout>& layout) {
    // One buffer per thread, kept for the next file: a fresh 300 KB allocation costs
    // more (zeroing, page faults, unmapping) than the whole analysis of a typical VOB.
    thread_local const std::unique_ptr<std::uint8_t[]> buffer =
        std::make_unique_for_overwrite<std::uint8_t[]>(analysis_prefix_size);
    const std::span<std::uint8_t> whole(buffer.get(), analysis_prefix_size);
    const PrefixRead read = reader(path, whole);
    if (!read.opened) {
        // Neither the scan nor the decoding can read the file.
        AnalysisResult unreadable =
            nothing_decoded({scan_read_failure_message, header_read_warning_message});
        unreadable.open_error = read.open_error;
        return unreadable;
    }
    const std::size_t size = std::min(read.size, whole.size());
    const auto end = read.failed            ? mpeg::DataEnd::read_failure
                     : size == whole.size() ? mpeg::DataEnd::buffer_full
                                            : mpeg::DataEnd::end_of_file;
    Reading reading = read_first_headers(file_bytes(whole.first(size), end, layout));
    if (!reading.needs_more_of_the_file) {
        return std::move(reading.result);
    }
    // A header that starts within the window runs on past the bytes read, across packets
    // of other streams: read further, once. What lies past the longest read counts as past
    // the end of the file.
    const std::size_t longest = reading.transport ? transport_longest_read : analysis_longest_read;
    const auto longer = std::make_unique_for_overwrite<std::uint8_t[]>(longest);
    const std::span<std::uint8_t> more(longer.get(), longest);
    const PrefixRead again = reader(path, more);
    if (!again.opened) {
        return std::move(reading.result);
    }
    const std::size_t longer_size = std::min(again.size, more.size());
    return read_first_headers(
               file_bytes(more.first(longer_size),
                          again.failed ? mpeg::DataEnd::read_failure : mpeg::DataEnd::end_of_file,
                          layout))
        .result;
}

AnalysisResult analyse_file(const std::string& path, const std::optional<mpeg::Layout>& layout) {
    return analyse_file(path, read_file_prefix, layout);
}

} // namespace quantaline
