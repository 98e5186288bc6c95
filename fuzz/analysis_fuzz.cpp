// Arbitrary bytes through the same analysis that analyse_file runs on a file's first bytes:
// elementary, program and transport streams (the corpus holds all three).
#include "analysis/analysis.h"
#include "analysis/display.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quantaline;
    const auto result = analyse_bytes(std::span<const std::uint8_t>(data, size));
    const auto texts = display_texts(result.info);
    const bool no_header = !result.codes.found();
    // The presentation is that of the codes, and a found header always has a type.
    if (result.info != stream_info(result.codes) ||
        (!no_header && result.info.stream_type_text.empty())) {
        std::abort();
    }

    // A readable file gives a message only when it holds no sequence header, and then
    // nothing is decoded, or when a transport stream without tables is read from its first
    // stream of video; a header is found inside the window (a transport stream's is its
    // first 16 MiB).
    const bool transport = result.codes.container == mpeg::Container::transport;
    const bool without_tables = transport && result.messages.size() == 1 &&
                                result.messages[0].id == MessageId::scan_read_without_tables;
    if (no_header && result.messages != Messages{no_sequence_header_message} &&
        result.messages != Messages{no_transport_sequence_header_message}) {
        std::abort();
    }
    if (no_header && (result.info != StreamInfo{} || result.matrices.intra != default_intra ||
                      result.matrices.non_intra != default_non_intra)) {
        std::abort();
    }
    if ((!no_header && !result.messages.empty() && !without_tables) ||
        result.info.header_position < 0 ||
        result.info.header_position >
            (transport ? last_transport_header_search_offset : last_header_search_offset) ||
        result.info.horizontal_size < 0 || result.info.vertical_size < 0 ||
        result.info.max_bit_rate_kbps > 104857 || result.info.vbv_buffer_size_kb > 2046 ||
        texts.stream_type.empty()) {
        std::abort();
    }
    const auto dc = result.info.intra_dc_precision_bits;
    if (dc != 0 && (dc < 8 || dc > 11)) {
        std::abort();
    }
    return 0;
}
