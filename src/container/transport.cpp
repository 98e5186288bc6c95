// Transport streams: the video mpeg/'s demultiplexer chooses for every codec (the first
// program, in the association's order, with a stream of a codec read here; without tables
// the first stream of video), its codec from its stream type or, without tables, from its
// first payload bytes, then the units of its PES payloads up to the first picture.
#include "container/demuxed.h"
#include "container/units.h"

namespace quantaline::container {

namespace {

// How much of a transport stream is read before giving up on the first picture.
constexpr std::uint64_t transport_read_limit = std::uint64_t{64} * 1024 * 1024;
// How far the tables are waited for, as the MPEG reads wait for them.
constexpr std::uint64_t transport_tables_reach = mpeg::TransportDemux::held_bytes_limit;

Codec codec_of_stream_type(std::uint8_t type) {
    switch (type) {
    case 0x01:
        return Codec::mpeg1;
    case 0x02:
        return Codec::mpeg2;
    case 0x10:
        return Codec::mpeg4;
    case 0x1B:
        return Codec::h264;
    case 0x24:
        return Codec::hevc;
    default:
        return Codec::unknown;
    }
}

} // namespace

void read_transport(ByteSource& source, std::span<const std::uint8_t> probe,
                    VideoConfiguration& config) {
    const mpeg::Layout layout = mpeg::detect_layout(probe);
    config.packet_size = static_cast<std::uint16_t>(layout.packet_size);
    // The video chosen and its codec, from its first payload bytes.
    PayloadProbe first;
    mpeg::DemuxReport report;
    const std::uint64_t reach =
        layout.first_packet + transport_tables_reach + 2 * PayloadProbe::size;
    if (demux_transport_stream(source, layout, reach, first, report)) {
        config.error = ConfigurationError::read_failed;
        return;
    }
    if (report.video_stream_type) {
        config.codec = codec_of_stream_type(*report.video_stream_type);
    } else if (report.read_without_tables && !first.bytes.empty()) {
        config.codec = elementary_codec(first.bytes);
    }
    if (config.codec == Codec::unknown) {
        config.error = ConfigurationError::no_video;
        return;
    }
    if (config.codec == Codec::mpeg1 || config.codec == Codec::mpeg2) {
        return; // MPEG-1 and MPEG-2 keep their matrices in their own headers, read by mpeg/
    }
    UnitCollector collector(config.codec, config);
    StartCodeSplitter splitter(collector);
    PayloadUnits units(splitter, config);
    // A walk reads the whole stream.
    const std::uint64_t limit = config.walk != nullptr ? source.size() : transport_read_limit;
    mpeg::DemuxReport walked;
    if (demux_transport_stream(source, layout, limit, units, walked)) {
        config.error = ConfigurationError::read_failed;
        return;
    }
    splitter.finish();
    if (config.error == ConfigurationError::none && config.units.empty() &&
        config.walk == nullptr) {
        config.error = ConfigurationError::no_configuration;
    }
}

} // namespace quantaline::container
