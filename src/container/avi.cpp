// AVI: the stream headers down to the first video stream's format, then the first chunk of
// that stream in the movie list.
#include "container/source.h"
#include "container/units.h"

#include <algorithm>
#include <cstdlib>

namespace quantaline::container {

namespace {

constexpr std::size_t chunk_limit = 1u << 20;

// The codec of a video stream from its handler or its compression's four characters.
Codec codec_of(const std::uint8_t* code) {
    static constexpr const char* mpeg4[] = {"XVID", "DIVX", "DX50", "FMP4", "MP4V", "M4S2", "MP4S",
                                            "3IV2", "BLZ0", "DXGM", "RMP4", "SEDG", "UMP4", "WV1F"};
    static constexpr const char* h264[] = {"H264", "AVC1", "X264", "DAVC", "VSSH"};
    static constexpr const char* hevc[] = {"HEVC", "H265", "HVC1", "HEV1", "X265"};
    // MPEG-1 and MPEG-2 alike: mpeg/ tells them apart.
    static constexpr const char* mpeg[] = {"MPG1", "MPG2", "MPEG", "PIM1", "PIM2",
                                           "M1V ", "M2V1", "MMES", "MPGV", "EM2V",
                                           "LMP2", "HDV1", "HDV2", "HDV3", "XDV1"};
    std::uint8_t upper[4];
    std::transform(code, code + 4, upper, [](std::uint8_t c) {
        return static_cast<std::uint8_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    });
    const auto among = [&](const auto& names) {
        return std::any_of(std::begin(names), std::end(names),
                           [&](const char* name) { return fourcc_is(upper, name); });
    };
    return among(mpeg4)  ? Codec::mpeg4
           : among(h264) ? Codec::h264
           : among(hevc) ? Codec::hevc
           : among(mpeg) ? Codec::mpeg2
                         : Codec::unknown;
}

struct Chunk {
    const std::uint8_t* id = nullptr;
    std::uint64_t payload = 0;
    std::uint64_t size = 0;
    std::uint64_t next = 0; // padded to an even size
};

std::optional<Chunk> chunk_at(std::span<const std::uint8_t> bytes, std::uint64_t at) {
    if (at > bytes.size() || bytes.size() - at < 8) {
        return std::nullopt;
    }
    Chunk chunk{bytes.data() + at, at + 8, le32(bytes.data() + at + 4), 0};
    if (chunk.size > bytes.size() - chunk.payload) {
        return std::nullopt;
    }
    chunk.next = chunk.payload + chunk.size + (chunk.size & 1);
    return chunk;
}

struct VideoStream {
    std::size_t index = 0;
    Codec codec = Codec::unknown;
};

// One stream list: its header and its format; the format's extra bytes into `config`.
std::optional<Codec> read_stream_list(std::span<const std::uint8_t> list, std::uint64_t offset,
                                      VideoConfiguration& config) {
    std::optional<Chunk> header;
    std::optional<Chunk> format;
    for (std::uint64_t at = 4; at < list.size();) {
        const auto chunk = chunk_at(list, at);
        if (!chunk) {
            break;
        }
        if (fourcc_is(chunk->id, "strh") && !header) {
            header = chunk;
        } else if (fourcc_is(chunk->id, "strf") && !format) {
            format = chunk;
        }
        at = chunk->next;
    }
    if (!header || header->size < 8 || !fourcc_is(list.data() + header->payload, "vids")) {
        return std::nullopt;
    }
    Codec codec = codec_of(list.data() + header->payload + 4);
    if (header->size >= 28) {
        const std::uint32_t scale = le32(list.data() + header->payload + 20);
        const std::uint32_t rate = le32(list.data() + header->payload + 24);
        if (scale != 0 && rate != 0) {
            config.frame_rate = {rate, scale};
        }
    }
    if (format && format->size >= 40) {
        const std::uint8_t* info = list.data() + format->payload;
        if (codec == Codec::unknown) {
            codec = codec_of(info + 16);
        }
        config.width = le32(info + 4);
        config.height =
            static_cast<std::uint32_t>(std::abs(static_cast<std::int32_t>(le32(info + 8))));
        const auto extra = list.subspan(format->payload + 40, format->size - 40);
        if (codec != Codec::unknown && !is_mpeg12(codec) && !extra.empty()) {
            UnitCollector collector(codec, config.units);
            StartCodeSplitter splitter(collector);
            splitter.feed(extra, offset + format->payload + 40);
            splitter.finish();
        }
    }
    return codec;
}

// The header list: the first video stream of a codec read here.
std::optional<VideoStream> read_header_list(std::span<const std::uint8_t> list,
                                            std::uint64_t offset, VideoConfiguration& config) {
    std::size_t index = 0;
    for (std::uint64_t at = 4; at < list.size();) {
        const auto chunk = chunk_at(list, at);
        if (!chunk) {
            config.error = ConfigurationError::truncated;
            return std::nullopt;
        }
        if (fourcc_is(chunk->id, "LIST") && chunk->size >= 4 &&
            fourcc_is(list.data() + chunk->payload, "strl")) {
            const auto stream = list.subspan(chunk->payload, chunk->size);
            const auto codec = read_stream_list(stream, offset + chunk->payload, config);
            if (codec && *codec != Codec::unknown) {
                config.codec = *codec;
                return VideoStream{index, *codec};
            }
            config.units.clear();
            ++index;
        }
        at = chunk->next;
    }
    config.error = ConfigurationError::no_video;
    return std::nullopt;
}

bool is_stream_chunk(const std::uint8_t* id, std::size_t index) {
    return id[0] == '0' + (index / 10) % 10 && id[1] == '0' + index % 10 && id[2] == 'd' &&
           (id[3] == 'c' || id[3] == 'b');
}

// The chunks of the movie list (and of its 'rec ' lists) until the stream's first one, or
// when walking all of the stream's chunks.
void read_movie(ByteSource& source, std::uint64_t at, std::uint64_t end, const VideoStream& stream,
                VideoConfiguration& config) {
    const std::size_t most = reads_every_sample(config) ? ~std::size_t{0} : chunk_limit;
    for (std::size_t count = 0; at < end && count < most && !walk_cancelled(config); ++count) {
        const auto header = source.read(at, 12);
        if (!header) {
            config.error = ConfigurationError::read_failed;
            return;
        }
        if (header->size() < 8) {
            config.error = ConfigurationError::truncated;
            return;
        }
        const std::uint64_t size = le32(header->data() + 4);
        if (fourcc_is(header->data(), "LIST")) {
            at += 12; // into the list
            continue;
        }
        if (is_stream_chunk(header->data(), stream.index) && size > 0) {
            if (size > end - at - 8 || size > structure_limit) {
                config.error = ConfigurationError::truncated;
                return;
            }
            if (place_mpeg_sample(config, stream.codec, at + 8, size)) {
                at += 8 + size + (size & 1);
                continue;
            }
            const auto bytes = source.read(at + 8, static_cast<std::size_t>(size));
            if (!bytes) {
                config.error = ConfigurationError::read_failed;
                return;
            }
            UnitCollector collector(stream.codec, config);
            collector.sample({at + 8, size, std::nullopt, std::nullopt, 0});
            StartCodeSplitter splitter(collector);
            splitter.feed(*bytes, at + 8);
            splitter.finish();
            if (config.walk == nullptr) {
                return;
            }
        }
        at += 8 + size + (size & 1);
    }
}

// A file past 1 GiB goes on in RIFF 'AVIX' chunks, each with a movie list of its own.
void walk_extensions(ByteSource& source, std::uint64_t at, const VideoStream& stream,
                     VideoConfiguration& config) {
    while (at + 24 <= source.size() && config.error == ConfigurationError::none &&
           !walk_cancelled(config)) {
        const auto header = source.read(at, 24);
        if (!header || header->size() < 24) {
            config.error = header ? ConfigurationError::truncated : ConfigurationError::read_failed;
            return;
        }
        const std::uint64_t end =
            std::min<std::uint64_t>(source.size(), at + 8 + le32(header->data() + 4));
        if (!fourcc_is(header->data(), "RIFF") || !fourcc_is(header->data() + 8, "AVIX")) {
            return;
        }
        if (fourcc_is(header->data() + 12, "LIST") && fourcc_is(header->data() + 20, "movi")) {
            read_movie(source, at + 24, std::min(end, at + 20 + le32(header->data() + 16)), stream,
                       config);
        }
        at = end + (end & 1);
    }
}

} // namespace

void read_avi(ByteSource& source, VideoConfiguration& config) {
    const auto riff = source.read(0, 12);
    if (!riff || riff->size() < 12) {
        config.error = riff ? ConfigurationError::truncated : ConfigurationError::read_failed;
        return;
    }
    // A cut file's RIFF size goes past its end.
    const std::uint64_t riff_end =
        std::min<std::uint64_t>(source.size(), 8 + std::uint64_t{le32(riff->data() + 4)});
    std::optional<VideoStream> stream;
    std::uint64_t at = 12;
    for (std::size_t count = 0; at + 12 <= riff_end && count < chunk_limit; ++count) {
        const auto header = source.read(at, 12);
        if (!header || header->size() < 12) {
            config.error = header ? ConfigurationError::truncated : ConfigurationError::read_failed;
            return;
        }
        const std::uint64_t size = le32(header->data() + 4);
        const bool list = fourcc_is(header->data(), "LIST");
        if (list && fourcc_is(header->data() + 8, "hdrl") && !stream) {
            if (size > riff_end - at - 8 || size > structure_limit) {
                config.error = ConfigurationError::truncated;
                return;
            }
            const auto bytes = source.read(at + 8, static_cast<std::size_t>(size));
            if (!bytes) {
                config.error = ConfigurationError::read_failed;
                return;
            }
            stream = read_header_list(*bytes, at + 8, config);
            if (!stream) {
                return;
            }
        } else if (list && fourcc_is(header->data() + 8, "movi") && stream) {
            // MPEG-4 Part 2's headers in the format's extra bytes make its configuration;
            // H.264 and HEVC go on with the sets of the first frame.
            if (is_mpeg12(stream->codec) ? config.mpeg_samples != nullptr
                                         : config.units.empty() || stream->codec != Codec::mpeg4 ||
                                               config.walk != nullptr) {
                read_movie(source, at + 12, std::min(riff_end, at + 8 + size), *stream, config);
            }
            break;
        }
        at += 8 + size + (size & 1);
    }
    if (stream && reads_every_sample(config) && config.error == ConfigurationError::none) {
        walk_extensions(source, riff_end + (riff_end & 1), *stream, config);
    }
    if (!stream && config.error == ConfigurationError::none) {
        config.error = ConfigurationError::no_video;
    }
    if (stream && !is_mpeg12(stream->codec) && config.units.empty() && config.walk == nullptr &&
        config.error == ConfigurationError::none) {
        config.error = ConfigurationError::no_configuration;
    }
}

} // namespace quantaline::container
