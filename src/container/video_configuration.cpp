#include "container/video_configuration.h"

#include "container/source.h"
#include "container/units.h"
#include "mpeg/demux.h"

#include <algorithm>

namespace quantaline::container {

namespace {

// The box types an MP4 or MOV file begins with.
bool begins_mp4(std::span<const std::uint8_t> start) {
    static constexpr const char* first_boxes[] = {"ftyp", "moov", "mdat", "free", "wide",
                                                  "skip", "pnot", "styp", "moof", "uuid"};
    if (start.size() < 8) {
        return false;
    }
    const std::uint32_t size = be32(start.data());
    if (size != 0 && size != 1 && size < 8) {
        return false;
    }
    return std::any_of(std::begin(first_boxes), std::end(first_boxes),
                       [&](const char* type) { return fourcc_is(start.data() + 4, type); });
}

bool begins_matroska(std::span<const std::uint8_t> start) {
    return start.size() >= 4 && be32(start.data()) == 0x1A45DFA3;
}

bool begins_avi(std::span<const std::uint8_t> start) {
    return start.size() >= 12 && fourcc_is(start.data(), "RIFF") &&
           fourcc_is(start.data() + 8, "AVI ");
}

VideoConfiguration read_from(ByteSource& source, UnitSink* walk,
                             std::vector<mpeg::Extent>* mpeg_samples = nullptr) {
    VideoConfiguration config;
    config.walk = walk;
    config.mpeg_samples = mpeg_samples;
    const auto probe = source.read(0, format_probe_size);
    if (!probe) {
        config.error = ConfigurationError::read_failed;
        return config;
    }
    const Format format = detect_format(*probe);
    config.container = format.container;
    config.codec = format.codec;
    switch (format.container) {
    case Container::mp4:
        read_mp4(source, config);
        break;
    case Container::matroska:
        read_matroska(source, config);
        break;
    case Container::avi:
        read_avi(source, config);
        break;
    case Container::mxf:
        read_mxf(source, config);
        break;
    case Container::transport:
        read_transport(source, *probe, config);
        break;
    case Container::program:
        read_program(source, *probe, config);
        break;
    case Container::elementary:
        if (config.codec == Codec::mpeg1 || config.codec == Codec::mpeg2) {
            break;
        }
        read_elementary(source, config);
        break;
    case Container::unknown:
        config.error = ConfigurationError::unknown_format;
        break;
    }
    // A walk whose samples carried nothing still hands on the container's configuration.
    if (walk != nullptr && !walk->configuration_given) {
        walk->configuration_given = true;
        walk->configuration(config.codec, config.units);
    }
    return config;
}

} // namespace

Format detect_format(std::span<const std::uint8_t> start) {
    start = start.first(std::min(start.size(), format_probe_size));
    if (begins_matroska(start)) {
        return {Container::matroska, Codec::unknown};
    }
    if (begins_avi(start)) {
        return {Container::avi, Codec::unknown};
    }
    if (begins_mxf(start)) {
        return {Container::mxf, Codec::unknown};
    }
    // A box type at the first box's place is told before the MPEG streams: a box's size
    // may read as a pack start code (00 00 01 BA is a size of 442), while no MPEG stream
    // has one of the box types there.
    if (begins_mp4(start)) {
        return {Container::mp4, Codec::unknown};
    }
    // The MPEG streams are told as mpeg/ tells them.
    const mpeg::Layout layout = mpeg::detect_layout(start);
    if (layout.container == mpeg::Container::transport) {
        return {Container::transport, Codec::unknown};
    }
    if (layout.container == mpeg::Container::program) {
        return {Container::program, Codec::unknown};
    }
    const Codec codec = elementary_codec(start);
    if (codec == Codec::unknown) {
        // mpeg/ reads any bytes as an MPEG-1/2 elementary stream: so does this.
        return {Container::elementary, Codec::unknown};
    }
    return {Container::elementary, codec};
}

void read_elementary(ByteSource& source, VideoConfiguration& config) {
    if (config.codec == Codec::unknown) {
        config.error = ConfigurationError::unknown_format;
        return;
    }
    UnitCollector collector(config.codec, config);
    StartCodeSplitter splitter(collector);
    constexpr std::size_t chunk = 65536;
    for (std::uint64_t at = 0; at < source.size() && !splitter.done() && !walk_cancelled(config);
         at += chunk) {
        const auto bytes = source.read(at, chunk);
        if (!bytes) {
            config.error = ConfigurationError::read_failed;
            return;
        }
        if (!splitter.feed(*bytes, at)) {
            config.error = ConfigurationError::too_large;
            return;
        }
    }
    splitter.finish();
    if (config.units.empty() && config.walk == nullptr) {
        config.error = ConfigurationError::no_configuration;
    }
}

VideoConfiguration read_video_configuration(const std::string& path) {
    FileSource source(path);
    if (!source.is_open()) {
        VideoConfiguration config;
        config.error = ConfigurationError::cannot_open;
        return config;
    }
    return read_from(source, nullptr);
}

VideoConfiguration read_video_configuration(std::span<const std::uint8_t> bytes) {
    MemorySource source(bytes);
    return read_from(source, nullptr);
}

namespace {

std::optional<mpeg::Layout> sample_layout(ByteSource& source) {
    // An MPEG stream is told by mpeg/ from its own bytes: only the first ones are read here.
    const auto probe = source.read(0, format_probe_size);
    if (!probe) {
        return std::nullopt;
    }
    const Container container = detect_format(*probe).container;
    if (container != Container::mp4 && container != Container::matroska &&
        container != Container::avi && container != Container::mxf) {
        return std::nullopt;
    }
    auto samples = std::make_shared<std::vector<mpeg::Extent>>();
    const VideoConfiguration config = read_from(source, nullptr, samples.get());
    if (!is_mpeg12(config.codec) || samples->empty()) {
        return std::nullopt;
    }
    mpeg::Layout layout;
    switch (config.container) {
    case Container::mp4:
    case Container::matroska:
    case Container::avi:
    case Container::mxf:
        layout.container = config.container;
        break;
    default:
        return std::nullopt; // an MPEG stream: mpeg/ tells it from its bytes
    }
    layout.samples = std::move(samples);
    return layout;
}

} // namespace

std::optional<mpeg::Layout> mpeg_sample_layout(const std::string& path) {
    FileSource source(path);
    if (!source.is_open()) {
        return std::nullopt;
    }
    return sample_layout(source);
}

std::optional<mpeg::Layout> mpeg_sample_layout(std::span<const std::uint8_t> bytes) {
    MemorySource source(bytes);
    return sample_layout(source);
}

VideoConfiguration walk_video_stream(const std::string& path, UnitSink& sink) {
    FileSource source(path);
    if (!source.is_open()) {
        VideoConfiguration config;
        config.error = ConfigurationError::cannot_open;
        return config;
    }
    return read_from(source, &sink);
}

VideoConfiguration walk_video_stream(std::span<const std::uint8_t> bytes, UnitSink& sink) {
    MemorySource source(bytes);
    return read_from(source, &sink);
}

} // namespace quantaline::container
