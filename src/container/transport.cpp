// Transport streams: the first program's first video stream, as mpeg/ chooses it for
// MPEG-1 and MPEG-2, then the units of its PES payloads up to the first picture. A stream
// without tables is read from its first PES stream of video.
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

class TransportReader {
  public:
    explicit TransportReader(VideoConfiguration& config)
        : config_(config), collector_(Codec::unknown, config), splitter_(collector_) {}

    // One packet from its sync byte: false once the reading is over.
    bool packet(const std::uint8_t* p, std::uint64_t offset);
    bool chosen() const { return video_pid_.has_value(); }
    bool program_map_seen() const { return program_map_seen_; }
    // No table named the video: `pid` is read as `codec`, the tables left aside.
    void choose(std::uint16_t pid, Codec codec) {
        video_pid_ = pid;
        config_.codec = codec;
        collector_.set_codec(codec);
    }
    // The end of the stream ends its last unit.
    void finish() { splitter_.finish(); }

  private:
    static std::span<const std::uint8_t> section_of(const std::uint8_t* payload, std::size_t size);
    void program_association(std::span<const std::uint8_t> section);
    void program_map(std::span<const std::uint8_t> section);
    bool video(const std::uint8_t* payload, std::size_t size, std::uint64_t offset,
               bool unit_start);

    VideoConfiguration& config_;
    UnitCollector collector_;
    StartCodeSplitter splitter_;
    std::optional<std::uint16_t> pmt_pid_;
    bool program_map_seen_ = false;
    std::optional<std::uint16_t> video_pid_;
};

std::span<const std::uint8_t> TransportReader::section_of(const std::uint8_t* payload,
                                                          std::size_t size) {
    if (size < 1 || size - 1 < payload[0] + 3u) {
        return {};
    }
    const std::uint8_t* section = payload + 1 + payload[0];
    const std::size_t room = size - 1 - payload[0];
    const std::size_t length = 3 + ((section[1] & 0x0F) << 8 | section[2]);
    return length <= room ? std::span<const std::uint8_t>(section, length)
                          : std::span<const std::uint8_t>();
}

void TransportReader::program_association(std::span<const std::uint8_t> section) {
    if (section.size() < 12 || section[0] != 0x00) {
        return;
    }
    for (std::size_t at = 8; at + 4 <= section.size() - 4; at += 4) {
        if (be16(&section[at]) != 0) {
            pmt_pid_ = static_cast<std::uint16_t>(be16(&section[at + 2]) & 0x1FFF);
            return;
        }
    }
}

// The first MPEG-1 or MPEG-2 video stream as mpeg/ reads it; else the first of the others.
void TransportReader::program_map(std::span<const std::uint8_t> section) {
    if (section.size() < 16 || section[0] != 0x02) {
        return;
    }
    program_map_seen_ = true;
    const std::size_t info = be16(&section[10]) & 0x0FFF;
    std::optional<std::pair<std::uint16_t, Codec>> mpeg12;
    std::optional<std::pair<std::uint16_t, Codec>> other;
    for (std::size_t at = 12 + info; at + 5 <= section.size() - 4;
         at += 5 + (be16(&section[at + 3]) & 0x0FFF)) {
        const Codec codec = codec_of_stream_type(section[at]);
        const auto pid = static_cast<std::uint16_t>(be16(&section[at + 1]) & 0x1FFF);
        auto& slot = codec == Codec::mpeg1 || codec == Codec::mpeg2 ? mpeg12 : other;
        if (codec != Codec::unknown && !slot) {
            slot = std::make_pair(pid, codec);
        }
    }
    const auto& chosen = mpeg12 ? mpeg12 : other;
    if (chosen) {
        video_pid_ = chosen->first;
        config_.codec = chosen->second;
        collector_.set_codec(chosen->second);
    } else {
        config_.error = ConfigurationError::no_video;
    }
}

bool TransportReader::video(const std::uint8_t* payload, std::size_t size, std::uint64_t offset,
                            bool unit_start) {
    if (unit_start) {
        // The PES header: its stream id, length, flags and the header's own length.
        if (size < 9 || payload[0] != 0 || payload[1] != 0 || payload[2] != 1) {
            return true;
        }
        const std::size_t header = 9u + payload[8];
        if (header > size) {
            return true;
        }
        payload += header;
        size -= header;
        offset += header;
    }
    if (!splitter_.feed(std::span<const std::uint8_t>(payload, size), offset)) {
        config_.error = ConfigurationError::too_large;
        return false;
    }
    return !splitter_.done();
}

bool TransportReader::packet(const std::uint8_t* p, std::uint64_t offset) {
    if (p[0] != 0x47 || (p[1] & 0x80) != 0) {
        return true; // damaged: stepped over
    }
    const auto pid = static_cast<std::uint16_t>(((p[1] & 0x1F) << 8) | p[2]);
    const bool unit_start = (p[1] & 0x40) != 0;
    const std::uint8_t control = (p[3] >> 4) & 0x03;
    std::size_t at = 4;
    if (control == 2 || control == 3) {
        at += 1u + p[4];
    }
    if ((control & 1) == 0 || at >= 188 || (p[3] & 0xC0) != 0) {
        return true;
    }
    if (pid == 0 && unit_start && !pmt_pid_) {
        program_association(section_of(p + at, 188 - at));
    } else if (pmt_pid_ && pid == *pmt_pid_ && unit_start && !video_pid_) {
        program_map(section_of(p + at, 188 - at));
        // MPEG-1 and MPEG-2 keep their matrices in their own headers, read by mpeg/.
        return config_.error == ConfigurationError::none && config_.codec != Codec::mpeg1 &&
               config_.codec != Codec::mpeg2;
    } else if (video_pid_ && pid == *video_pid_) {
        return video(p + at, 188 - at, offset + at, unit_start);
    }
    return true;
}

// Every packet of the stream from its first, through `packet`, up to `limit`: false on a
// read error.
template <class Packet>
bool each_packet(ByteSource& source, const mpeg::Layout& layout, std::uint64_t limit,
                 const VideoConfiguration& config, Packet&& packet) {
    constexpr std::size_t packets_per_read = 1024;
    const std::size_t size = layout.packet_size;
    std::uint64_t at = layout.first_packet;
    bool going = true;
    while (going && at < source.size() && at < limit && !walk_cancelled(config)) {
        const auto bytes = source.read(at, size * packets_per_read);
        if (!bytes) {
            return false;
        }
        std::size_t i = 0;
        for (; going && bytes->size() - i >= size; i += size) {
            going = packet(bytes->data() + i + layout.sync_offset, at + i + layout.sync_offset);
        }
        if (i == 0) {
            break; // a last, cut packet
        }
        at += i;
    }
    return true;
}

// Without tables: the first stream of video as mpeg/ chooses it, and its codec told by its
// first payload bytes; none where the tables came, or no stream carries video.
std::optional<std::pair<std::uint16_t, Codec>> first_video_stream(ByteSource& source,
                                                                  const mpeg::Layout& layout) {
    PayloadProbe probe;
    mpeg::DemuxReport report;
    if (demux_transport_stream(source, layout, layout.first_packet + transport_tables_reach, probe,
                               report) ||
        !report.read_without_tables) {
        return std::nullopt;
    }
    return std::make_pair(*report.read_without_tables, elementary_codec(probe.bytes));
}

} // namespace

void read_transport(ByteSource& source, std::span<const std::uint8_t> probe,
                    VideoConfiguration& config) {
    const mpeg::Layout layout = mpeg::detect_layout(probe);
    TransportReader reader(config);
    // A walk reads the whole stream.
    const std::uint64_t limit = config.walk != nullptr ? source.size() : transport_read_limit;
    const auto each = [&](TransportReader& r) {
        return each_packet(
            source, layout, limit, config,
            [&](const std::uint8_t* p, std::uint64_t offset) { return r.packet(p, offset); });
    };
    if (!each(reader)) {
        config.error = ConfigurationError::read_failed;
        return;
    }
    reader.finish();
    if (!reader.chosen() && !reader.program_map_seen() &&
        config.error == ConfigurationError::none) {
        // No table within reach: the first stream of video is read, as mpeg/ reads it.
        if (const auto stream = first_video_stream(source, layout)) {
            if (stream->second == Codec::mpeg1 || stream->second == Codec::mpeg2) {
                config.codec = stream->second;
                return;
            }
            TransportReader chosen(config);
            chosen.choose(stream->first, stream->second);
            config.units.clear();
            if (!each(chosen)) {
                config.error = ConfigurationError::read_failed;
                return;
            }
            chosen.finish();
            if (config.error == ConfigurationError::none && config.units.empty() &&
                config.walk == nullptr) {
                config.error = ConfigurationError::no_configuration;
            }
            return;
        }
    }
    if (config.error != ConfigurationError::none || config.codec == Codec::mpeg1 ||
        config.codec == Codec::mpeg2) {
        return;
    }
    if (!reader.chosen()) {
        config.error = ConfigurationError::no_video;
    } else if (config.units.empty() && config.walk == nullptr) {
        config.error = ConfigurationError::no_configuration;
    }
}

} // namespace quantaline::container
