// Matroska and WebM: the EBML elements down to the first video track, then the first block
// of that track for the parameter sets that travel in the frames.
#include "container/source.h"
#include "container/units.h"

#include <string_view>

namespace quantaline::container {

namespace {

constexpr std::size_t element_limit = 1u << 20;
constexpr std::uint64_t unknown_size = ~std::uint64_t{0};

namespace id {
constexpr std::uint32_t segment = 0x18538067;
constexpr std::uint32_t tracks = 0x1654AE6B;
constexpr std::uint32_t cluster = 0x1F43B675;
constexpr std::uint32_t track_entry = 0xAE;
constexpr std::uint32_t track_number = 0xD7;
constexpr std::uint32_t track_type = 0x83;
constexpr std::uint32_t codec_id = 0x86;
constexpr std::uint32_t codec_private = 0x63A2;
constexpr std::uint32_t video = 0xE0;
constexpr std::uint32_t pixel_width = 0xB0;
constexpr std::uint32_t pixel_height = 0xBA;
constexpr std::uint32_t simple_block = 0xA3;
constexpr std::uint32_t block_group = 0xA0;
constexpr std::uint32_t block = 0xA1;
constexpr std::uint32_t info = 0x1549A966;
constexpr std::uint32_t timecode_scale = 0x2AD7B1;
constexpr std::uint32_t cluster_timecode = 0xE7;
constexpr std::uint32_t default_duration = 0x23E383;
} // namespace id

// The blocks' times count in nanoseconds.
constexpr std::uint32_t nanoseconds = 1000000000;

// The elements that end a cluster of unknown size: the segment's own children.
bool is_segment_child(std::uint32_t element) {
    return element == id::cluster || element == id::tracks || element == 0x1C53BB6B ||
           element == 0x1254C367 || element == 0x114D9B74 || element == 0x1549A966 ||
           element == 0x1043A770 || element == 0x1941A469;
}

struct Element {
    std::uint32_t id = 0;
    std::uint64_t payload = 0; // from the start of the bytes it was read in
    std::uint64_t size = 0;    // unknown_size when the writer did not know it
};

// A variable-length number: its length from the first byte's leading zeros; the length
// marker kept for ids, removed for sizes.
std::optional<std::uint64_t> vint(std::span<const std::uint8_t> bytes, std::size_t& at,
                                  std::size_t longest, bool keep_marker, bool& all_ones) {
    if (at >= bytes.size() || bytes[at] == 0) {
        return std::nullopt;
    }
    std::size_t length = 1;
    while ((bytes[at] & (0x80 >> (length - 1))) == 0) {
        ++length;
    }
    if (length > longest || bytes.size() - at < length) {
        return std::nullopt;
    }
    std::uint64_t value = keep_marker ? bytes[at] : bytes[at] & (0xFFu >> length);
    bool ones = value == (0xFFu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        value = (value << 8) | bytes[at + i];
        ones = ones && bytes[at + i] == 0xFF;
    }
    at += length;
    all_ones = ones;
    return value;
}

// A variable-length number's first byte with no length marker among its first `longest`
// bits: no number at all, however many bytes follow.
bool invalid_length(std::uint8_t first, std::size_t longest) {
    return (first >> (8 - longest)) == 0;
}

std::optional<Element> element_at(std::span<const std::uint8_t> bytes, std::size_t at) {
    bool ones = false;
    const auto element_id = vint(bytes, at, 4, true, ones);
    const auto size = element_id ? vint(bytes, at, 8, false, ones) : std::nullopt;
    if (!size) {
        return std::nullopt;
    }
    return Element{static_cast<std::uint32_t>(*element_id), at, ones ? unknown_size : *size};
}

// The header of the element at file offset `at`, its payload as a file offset.
std::optional<Element> element_in_file(ByteSource& source, std::uint64_t at,
                                       ConfigurationError& error) {
    const auto header = source.read(at, 12);
    if (!header) {
        error = ConfigurationError::read_failed;
        return std::nullopt;
    }
    auto element = element_at(*header, 0);
    if (!element) {
        // An id of more than 4 bytes, or a size of more than 8, is damage; else the file
        // ended inside the header.
        bool ones = false;
        std::size_t after_id = 0;
        const bool id_read = vint(*header, after_id, 4, true, ones).has_value();
        const bool damaged = (!header->empty() && invalid_length((*header)[0], 4)) ||
                             (id_read && after_id < header->size() && (*header)[after_id] == 0);
        error = damaged || header->size() >= 12 ? ConfigurationError::damaged
                                                : ConfigurationError::truncated;
        return std::nullopt;
    }
    element->payload += at;
    return element;
}

std::uint64_t unsigned_value(std::span<const std::uint8_t> bytes) {
    std::uint64_t value = 0;
    for (const std::uint8_t byte : bytes.first(std::min<std::size_t>(bytes.size(), 8))) {
        value = (value << 8) | byte;
    }
    return value;
}

struct Track {
    std::uint64_t number = 0;
    Codec codec = Codec::unknown;
    std::size_t length_size = 4;
    std::uint64_t timecode_scale = 1000000; // the segment's, in nanoseconds
};

Codec codec_of(std::string_view codec) {
    if (codec == "V_MPEG4/ISO/AVC") {
        return Codec::h264;
    }
    if (codec == "V_MPEGH/ISO/HEVC") {
        return Codec::hevc;
    }
    if (codec == "V_MPEG4/ISO/ASP" || codec == "V_MPEG4/ISO/SP" || codec == "V_MPEG4/ISO/AP") {
        return Codec::mpeg4;
    }
    if (codec == "V_MPEG1" || codec == "V_MPEG2") {
        return Codec::mpeg2; // told apart from MPEG-1 by mpeg/
    }
    return Codec::unknown;
}

// Calls `each` with every child of bytes[from, end); false when one does not fit.
template <class Each>
bool children(std::span<const std::uint8_t> bytes, std::size_t from, std::size_t end, Each each) {
    std::size_t count = 0;
    for (std::size_t at = from; at < end; ++count) {
        const auto element = element_at(bytes.first(end), at);
        if (!element || count >= element_limit || element->size > end - element->payload) {
            return false;
        }
        each(*element, bytes.subspan(element->payload, element->size));
        at = element->payload + element->size;
    }
    return true;
}

struct Candidate {
    Track track;
    std::uint64_t type = 0;
    std::span<const std::uint8_t> codec_private;
    std::uint64_t private_offset = 0;
    std::optional<std::uint32_t> width;
    std::optional<std::uint32_t> height;
    std::uint64_t default_duration = 0; // nanoseconds a frame
};

std::optional<Candidate> read_track_entry(std::span<const std::uint8_t> entry,
                                          std::uint64_t offset) {
    Candidate candidate;
    const bool whole = children(entry, 0, entry.size(), [&](const Element& element, auto payload) {
        if (element.id == id::track_number) {
            candidate.track.number = unsigned_value(payload);
        } else if (element.id == id::track_type) {
            candidate.type = unsigned_value(payload);
        } else if (element.id == id::codec_id) {
            candidate.track.codec = codec_of(
                std::string_view(reinterpret_cast<const char*>(payload.data()), payload.size()));
        } else if (element.id == id::default_duration) {
            candidate.default_duration = unsigned_value(payload);
        } else if (element.id == id::codec_private) {
            candidate.codec_private = payload;
            candidate.private_offset = offset + element.payload;
        } else if (element.id == id::video) {
            children(payload, 0, payload.size(), [&](const Element& field, auto value) {
                if (field.id == id::pixel_width) {
                    candidate.width = static_cast<std::uint32_t>(unsigned_value(value));
                } else if (field.id == id::pixel_height) {
                    candidate.height = static_cast<std::uint32_t>(unsigned_value(value));
                }
            });
        }
    });
    return whole ? std::optional<Candidate>(candidate) : std::nullopt;
}

// The first video track of a codec read here, its CodecPrivate's units into `config`.
std::optional<Track> read_tracks(std::span<const std::uint8_t> tracks, std::uint64_t offset,
                                 VideoConfiguration& config) {
    std::optional<Candidate> chosen;
    const bool whole =
        children(tracks, 0, tracks.size(), [&](const Element& element, auto payload) {
            if (element.id != id::track_entry || chosen) {
                return;
            }
            auto candidate = read_track_entry(payload, offset + element.payload);
            if (candidate && candidate->type == 1 && candidate->track.codec != Codec::unknown) {
                chosen = candidate;
            }
        });
    if (!chosen) {
        config.error = whole ? ConfigurationError::no_video : ConfigurationError::damaged;
        return std::nullopt;
    }
    Track track = chosen->track;
    config.codec = track.codec;
    config.width = chosen->width;
    config.height = chosen->height;
    if (chosen->default_duration != 0 && chosen->default_duration <= nanoseconds) {
        config.frame_rate = {nanoseconds, static_cast<std::uint32_t>(chosen->default_duration)};
    }
    const auto bytes = chosen->codec_private;
    bool read = true;
    if (track.codec == Codec::h264 && !bytes.empty()) {
        read = read_avcc(bytes, chosen->private_offset, config, track.length_size);
    } else if (track.codec == Codec::hevc && !bytes.empty()) {
        read = read_hvcc(bytes, chosen->private_offset, config, track.length_size);
    } else if (track.codec == Codec::mpeg4 && !bytes.empty()) {
        UnitCollector collector(Codec::mpeg4, config.units);
        StartCodeSplitter splitter(collector);
        splitter.feed(bytes, chosen->private_offset);
        splitter.finish();
    }
    if (!read) {
        config.error = ConfigurationError::damaged;
        return std::nullopt;
    }
    return track;
}

// A block's frame when it belongs to `track`: after its track number, timecode and flags.
std::optional<std::span<const std::uint8_t>> frame_of(std::span<const std::uint8_t> block,
                                                      const Track& track, std::size_t& header,
                                                      std::int16_t& timecode) {
    std::size_t at = 0;
    bool ones = false;
    const auto number = vint(block, at, 8, false, ones);
    if (!number || *number != track.number || block.size() - at < 3) {
        return std::nullopt;
    }
    timecode = static_cast<std::int16_t>((block[at] << 8) | block[at + 1]);
    const std::uint8_t flags = block[at + 2];
    if ((flags & 0x06) != 0) {
        return std::nullopt; // laced: video frames never are in practice; stepped over
    }
    header = at + 3;
    return block.subspan(at + 3);
}

void take_frame(std::span<const std::uint8_t> frame, std::uint64_t offset, const Track& track,
                std::int64_t time, VideoConfiguration& config) {
    UnitCollector collector(track.codec, config);
    // A block's time is when its frame is shown.
    collector.sample({offset, frame.size(), std::nullopt,
                      time * static_cast<std::int64_t>(track.timecode_scale), nanoseconds});
    if (track.codec == Codec::mpeg4) {
        // The headers before the first VOP count only when the track had none of its own.
        if (config.units.empty() || config.walk != nullptr) {
            StartCodeSplitter splitter(collector);
            splitter.feed(frame, offset);
            splitter.finish();
        }
        return;
    }
    if (!split_length_prefixed(frame, track.length_size, offset, collector)) {
        config.error = ConfigurationError::damaged;
    }
}

// A block's bytes and their offset: a SimpleBlock's own, a BlockGroup's Block's.
std::optional<std::pair<std::vector<std::uint8_t>, std::uint64_t>>
block_of(ByteSource& source, const Element& element, ConfigurationError& error) {
    auto bytes = source.read(element.payload, static_cast<std::size_t>(element.size));
    if (!bytes) {
        error = ConfigurationError::read_failed;
        return std::nullopt;
    }
    if (element.id == id::simple_block) {
        return std::make_pair(std::move(*bytes), element.payload);
    }
    std::optional<Element> inner;
    children(*bytes, 0, bytes->size(), [&](const Element& child, auto) {
        if (child.id == id::block && !inner) {
            inner = child;
        }
    });
    if (!inner) {
        return std::nullopt;
    }
    const auto from = bytes->begin() + static_cast<std::ptrdiff_t>(inner->payload);
    return std::make_pair(
        std::vector<std::uint8_t>(from, from + static_cast<std::ptrdiff_t>(inner->size)),
        element.payload + inner->payload);
}

struct ClusterRead {
    bool block_read = false; // a block of the track was read (the first one, unless walking)
    std::uint64_t stop = 0;  // where the cluster's elements ended
};

// The elements of a cluster until the first block of `track`, or when walking all its
// blocks.
ClusterRead read_cluster(ByteSource& source, std::uint64_t at, std::uint64_t end,
                         const Track& track, VideoConfiguration& config) {
    ClusterRead read;
    std::int64_t cluster_time = 0;
    for (std::size_t count = 0; at < end && (count < element_limit || reads_every_sample(config)) &&
                                !walk_cancelled(config);
         ++count) {
        read.stop = at;
        const auto element = element_in_file(source, at, config.error);
        if (!element) {
            return read;
        }
        if (is_segment_child(element->id) || element->size == unknown_size) {
            return read; // the cluster ended without a size
        }
        if (element->size > end - element->payload) {
            config.error = ConfigurationError::truncated;
            return read;
        }
        if (element->id == id::cluster_timecode && element->size <= 8) {
            const auto value = source.read(element->payload, element->size);
            cluster_time = value ? static_cast<std::int64_t>(unsigned_value(*value)) : 0;
        }
        const bool block = element->id == id::simple_block || element->id == id::block_group;
        if (block && element->size <= structure_limit) {
            const auto data = block_of(source, *element, config.error);
            if (config.error != ConfigurationError::none) {
                return read;
            }
            std::size_t header = 0;
            std::int16_t timecode = 0;
            const auto frame = data ? frame_of(data->first, track, header, timecode) : std::nullopt;
            if (frame &&
                place_mpeg_sample(config, track.codec, data->second + header, frame->size())) {
                read.block_read = true;
                if (config.mpeg_samples == nullptr) {
                    return read;
                }
            } else if (frame) {
                take_frame(*frame, data->second + header, track, cluster_time + timecode, config);
                read.block_read = true;
                if (config.walk == nullptr) {
                    return read;
                }
            }
        }
        at = element->payload + element->size;
    }
    read.stop = at;
    return read;
}

// The size of an element inside the file: unknown or past the end, to the end of the file.
std::uint64_t end_of(const Element& element, std::uint64_t file_size) {
    if (element.size == unknown_size || element.size > file_size - element.payload) {
        return file_size;
    }
    return element.payload + element.size;
}

// The top-level elements before the segment, stepped over.
std::optional<Element> find_segment(ByteSource& source, ConfigurationError& error) {
    const std::uint64_t file_size = source.size();
    std::uint64_t at = 0;
    for (std::size_t count = 0; at < file_size && count < element_limit; ++count) {
        const auto element = element_in_file(source, at, error);
        if (!element) {
            return std::nullopt;
        }
        if (element->id == id::segment) {
            return element;
        }
        if (element->size == unknown_size || element->size > file_size - element->payload) {
            error = ConfigurationError::truncated;
            return std::nullopt;
        }
        at = element->payload + element->size;
    }
    error = ConfigurationError::no_video;
    return std::nullopt;
}

// The Tracks element read whole: the first video track of a codec read here.
std::optional<Track> read_tracks_element(ByteSource& source, const Element& element,
                                         VideoConfiguration& config) {
    if (element.size > structure_limit) {
        config.error = ConfigurationError::too_large;
        return std::nullopt;
    }
    const auto bytes = source.read(element.payload, static_cast<std::size_t>(element.size));
    if (!bytes) {
        config.error = ConfigurationError::read_failed;
        return std::nullopt;
    }
    return read_tracks(*bytes, element.payload, config);
}

// Where a child of the segment ends: a cluster may end with the segment, the others must
// have their size (0 when one has not).
std::uint64_t segment_child_end(const Element& element, std::uint64_t segment_end) {
    if (element.id == id::cluster) {
        return end_of(element, segment_end);
    }
    return element.size == unknown_size || element.size > segment_end - element.payload
               ? 0
               : element.payload + element.size;
}

// The segment's time scale, from its Info element.
std::optional<std::uint64_t> read_timecode_scale(ByteSource& source, const Element& info) {
    const auto bytes = source.read(info.payload, static_cast<std::size_t>(info.size));
    std::optional<std::uint64_t> scale;
    if (bytes) {
        children(*bytes, 0, bytes->size(), [&](const Element& field, auto value) {
            if (field.id == id::timecode_scale && unsigned_value(value) != 0) {
                scale = unsigned_value(value);
            }
        });
    }
    return scale;
}

} // namespace

void read_matroska(ByteSource& source, VideoConfiguration& config) {
    auto& error = config.error;
    const std::uint64_t file_size = source.size();
    const auto segment = find_segment(source, error);
    if (!segment) {
        return;
    }
    const std::uint64_t segment_end = end_of(*segment, file_size);
    std::optional<Track> track;
    std::uint64_t timecode_scale = 1000000;
    std::uint64_t at = segment->payload;
    for (std::size_t count = 0;
         at < segment_end && (count < element_limit || reads_every_sample(config)); ++count) {
        const auto element = element_in_file(source, at, error);
        if (!element) {
            return;
        }
        const std::uint64_t end = segment_child_end(*element, segment_end);
        if (end == 0) {
            error = ConfigurationError::truncated;
            return;
        }
        if (element->id == id::info && element->size <= structure_limit) {
            timecode_scale = read_timecode_scale(source, *element).value_or(timecode_scale);
        }
        if (element->id == id::tracks && !track) {
            track = read_tracks_element(source, *element, config);
            if (!track) {
                return;
            }
        } else if (element->id == id::cluster && track) {
            track->timecode_scale = timecode_scale;
            const ClusterRead read = read_cluster(source, element->payload, end, *track, config);
            if ((read.block_read && !reads_every_sample(config)) ||
                error != ConfigurationError::none || walk_cancelled(config)) {
                break;
            }
            // No block of the track in this cluster: the next one. A cluster of unknown
            // size ends the first picture's search (its end is the file's); a walk goes on
            // from where its elements ended.
            if (reads_every_sample(config) && element->size == unknown_size) {
                at = std::max(read.stop, element->payload);
                continue;
            }
        }
        at = end;
    }
    if (!track && error == ConfigurationError::none) {
        error = ConfigurationError::no_video;
    }
    if (track && !is_mpeg12(track->codec) && config.units.empty() && config.walk == nullptr &&
        error == ConfigurationError::none) {
        error = ConfigurationError::no_configuration;
    }
}

} // namespace quantaline::container
