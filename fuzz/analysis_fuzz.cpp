// Arbitrary bytes through the same analysis that analyse_file runs on a file's prefix.
#include "analysis/analysis.h"
#include "analysis/display.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quantaline;
    auto result = analyse_bytes(std::span<const std::uint8_t>(data, size));
    result.info.mpeg_version_text = mpeg_version_text(result.info);
    const auto texts = display_texts(result.info);

    // A readable file never gives a message, and the header is found inside the window.
    if (!result.messages.empty() || result.info.header_position < 0 ||
        result.info.header_position > last_header_search_offset ||
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
