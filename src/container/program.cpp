// Program streams and DVD VOBs: the PES packets of the first video stream, demultiplexed as
// mpeg/ does it, their payloads split at their start codes. The codec is told by the
// first payload bytes: MPEG-1 and MPEG-2 are read by mpeg/.
#include "container/demuxed.h"
#include "container/units.h"
#include "mpeg/start_code.h"

namespace quantaline::container {

namespace {

// How much of a program stream is read to find its video's codec.
constexpr std::uint64_t codec_search_limit = std::uint64_t{16} * 1024 * 1024;

// A sequence header among the payload's first bytes: MPEG-1 or MPEG-2 video, whatever a
// slice start code's following bytes may look like (NAL units never begin with B3).
bool holds_sequence_header(std::span<const std::uint8_t> payload) {
    const auto header = [](std::uint8_t code) { return code == mpeg::start_code::sequence_header; };
    return mpeg::find_start_code(payload.data(), 0, payload.size(), header) < payload.size();
}

} // namespace

void read_program(ByteSource& source, std::span<const std::uint8_t> probe,
                  VideoConfiguration& config) {
    PayloadProbe first;
    if (demux_program_stream(source, codec_search_limit, first)) {
        config.error = ConfigurationError::read_failed;
        return;
    }
    // No video payload in reach: the start codes of the file's first bytes, as before.
    config.codec = elementary_codec(first.bytes.empty() ? probe : first.bytes);
    if ((config.codec == Codec::h264 || config.codec == Codec::hevc) &&
        holds_sequence_header(first.bytes)) {
        config.codec = Codec::mpeg2; // told apart from MPEG-1 by mpeg/
    }
    if (config.codec == Codec::mpeg1 || config.codec == Codec::mpeg2 || first.bytes.empty()) {
        if (config.codec != Codec::mpeg1 && config.codec != Codec::mpeg2) {
            config.codec = Codec::unknown;
        }
        return; // MPEG-1 and MPEG-2 carry their matrices in their own headers, read by mpeg/
    }
    if (config.codec == Codec::unknown) {
        return;
    }
    UnitCollector collector(config.codec, config);
    StartCodeSplitter splitter(collector);
    PayloadUnits units(splitter, config);
    if (demux_program_stream(source, source.size(), units)) {
        config.error = ConfigurationError::read_failed;
        return;
    }
    splitter.finish();
    if (config.units.empty() && config.walk == nullptr &&
        config.error == ConfigurationError::none) {
        config.error = ConfigurationError::no_configuration;
    }
}

} // namespace quantaline::container
