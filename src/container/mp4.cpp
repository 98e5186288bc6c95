// MP4 and MOV: the boxes down to the first video track's sample entry, then its first
// sample for the parameter sets that travel in the samples.
#include "container/source.h"
#include "container/units.h"

#include <algorithm>

namespace quantaline::container {

namespace {

// The most boxes walked on one level: a file of empty boxes ends the walk, not the program.
constexpr std::size_t box_limit = 1u << 20;

struct Box {
    std::uint64_t start = 0;   // the box's first byte
    std::uint64_t payload = 0; // the first byte after its header
    std::uint64_t end = 0;
    const std::uint8_t* type = nullptr;
};

// The box at `at` in bytes[0, end): nothing
// with `error` set when its header or size does not fit.
std::optional<Box> box_at(std::span<const std::uint8_t> bytes, std::uint64_t at, std::uint64_t end,
                          ConfigurationError& error) {
    if (end - at < 8) {
        error = ConfigurationError::truncated;
        return std::nullopt;
    }
    Box box{at, at + 8, 0, bytes.data() + at + 4};
    std::uint64_t size = be32(bytes.data() + at);
    if (size == 1) {
        if (end - at < 16) {
            error = ConfigurationError::truncated;
            return std::nullopt;
        }
        size = be64(bytes.data() + at + 8);
        box.payload = at + 16;
        if (size < 16) {
            error = ConfigurationError::damaged;
            return std::nullopt;
        }
    } else if (size == 0) {
        size = end - at; // to the end of its parent
    } else if (size < 8) {
        error = ConfigurationError::damaged;
        return std::nullopt;
    }
    if (size > end - at) {
        error = ConfigurationError::truncated;
        return std::nullopt;
    }
    box.end = at + size;
    return box;
}

// The first child of `parent` of type `type`, in memory.
std::optional<Box> child(std::span<const std::uint8_t> bytes, const Box& parent, const char* type,
                         ConfigurationError& error, std::uint64_t skip = 0) {
    std::size_t count = 0;
    for (std::uint64_t at = parent.payload + skip; at < parent.end && count < box_limit; ++count) {
        const auto box = box_at(bytes, at, parent.end, error);
        if (!box) {
            return std::nullopt;
        }
        if (fourcc_is(box->type, type)) {
            return box;
        }
        at = box->end;
    }
    return std::nullopt;
}

// The top-level boxes, read header by header: the moov box, in memory.
std::optional<std::vector<std::uint8_t>> find_moov(ByteSource& source, std::uint64_t& moov_offset,
                                                   ConfigurationError& error) {
    std::size_t count = 0;
    for (std::uint64_t at = 0; at + 8 <= source.size() && count < box_limit; ++count) {
        const auto header = source.read(at, 16);
        if (!header || header->size() < 8) {
            error = ConfigurationError::read_failed;
            return std::nullopt;
        }
        std::uint64_t size = be32(header->data());
        std::uint64_t header_size = 8;
        if (size == 1) {
            if (header->size() < 16) {
                error = ConfigurationError::truncated;
                return std::nullopt;
            }
            size = be64(header->data() + 8);
            header_size = 16;
        } else if (size == 0) {
            size = source.size() - at;
        }
        if (size < header_size) {
            error = ConfigurationError::damaged;
            return std::nullopt;
        }
        const bool moov = fourcc_is(header->data() + 4, "moov");
        if (size > source.size() - at) {
            // A box cut by the end of the file: a cut mdat ends the walk.
            error = ConfigurationError::truncated;
            return std::nullopt;
        }
        if (moov) {
            if (size > structure_limit) {
                error = ConfigurationError::too_large;
                return std::nullopt;
            }
            moov_offset = at;
            auto bytes = source.read(at, static_cast<std::size_t>(size));
            if (!bytes || bytes->size() != size) {
                error = ConfigurationError::read_failed;
                return std::nullopt;
            }
            return bytes;
        }
        at += size;
    }
    error = ConfigurationError::no_video;
    return std::nullopt;
}

bool is_video_track(std::span<const std::uint8_t> moov, const Box& trak,
                    ConfigurationError& error) {
    const auto mdia = child(moov, trak, "mdia", error);
    const auto hdlr = mdia ? child(moov, *mdia, "hdlr", error) : std::nullopt;
    return hdlr && hdlr->end - hdlr->payload >= 12 &&
           fourcc_is(moov.data() + hdlr->payload + 8, "vide");
}

// The sample table of the first video track.
std::optional<Box> video_sample_table(std::span<const std::uint8_t> moov, const Box& top,
                                      ConfigurationError& error) {
    std::size_t count = 0;
    for (std::uint64_t at = top.payload; at < top.end && count < box_limit; ++count) {
        const auto trak = box_at(moov, at, top.end, error);
        if (!trak) {
            return std::nullopt;
        }
        at = trak->end;
        if (!fourcc_is(trak->type, "trak") || !is_video_track(moov, *trak, error)) {
            continue;
        }
        const auto mdia = child(moov, *trak, "mdia", error);
        const auto minf = mdia ? child(moov, *mdia, "minf", error) : std::nullopt;
        return minf ? child(moov, *minf, "stbl", error) : std::nullopt;
    }
    if (error == ConfigurationError::none) {
        error = ConfigurationError::no_video;
    }
    return std::nullopt;
}

struct Entry {
    Codec codec = Codec::unknown;
    std::size_t length_size = 4;
};

// A descriptor of an esds box: its tag, then its size in 7-bit groups.
bool descriptor(std::span<const std::uint8_t> bytes, std::size_t& at, std::uint8_t& tag,
                std::size_t& size) {
    if (at >= bytes.size()) {
        return false;
    }
    tag = bytes[at++];
    size = 0;
    for (int i = 0; i < 4; ++i) {
        if (at >= bytes.size()) {
            return false;
        }
        const std::uint8_t byte = bytes[at++];
        size = (size << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0) {
            return size <= bytes.size() - at;
        }
    }
    return false;
}

// esds: the ES descriptor, its decoder configuration, its decoder specific info.
bool read_esds(std::span<const std::uint8_t> esds, std::uint64_t offset,
               VideoConfiguration& config) {
    std::size_t at = 4; // version and flags
    std::uint8_t tag = 0;
    std::size_t size = 0;
    if (!descriptor(esds, at, tag, size) || tag != 3 || size < 3) {
        return false;
    }
    const std::uint8_t flags = esds[at + 2];
    at += 3 + ((flags & 0x80) ? 2 : 0);
    if ((flags & 0x40) != 0) {
        at += at < esds.size() ? 1u + esds[at] : 0u;
    }
    at += (flags & 0x20) ? 2 : 0;
    if (!descriptor(esds, at, tag, size) || tag != 4 || size < 13) {
        return false;
    }
    at += 13;
    if (!descriptor(esds, at, tag, size) || tag != 5) {
        return false;
    }
    config.units.push_back({{esds.begin() + static_cast<std::ptrdiff_t>(at),
                             esds.begin() + static_cast<std::ptrdiff_t>(at + size)},
                            offset + at});
    return true;
}

// The first sample entry: its codec, its size, its configuration box.
std::optional<Entry> read_sample_entry(std::span<const std::uint8_t> moov,
                                       std::uint64_t moov_offset, const Box& stbl,
                                       VideoConfiguration& config) {
    auto& error = config.error;
    const auto stsd = child(moov, stbl, "stsd", error);
    if (!stsd || stsd->end - stsd->payload < 8) {
        error = error == ConfigurationError::none ? ConfigurationError::truncated : error;
        return std::nullopt;
    }
    Box list = *stsd;
    list.payload += 8;
    const auto sample_entry = box_at(moov, list.payload, list.end, error);
    if (!sample_entry) {
        return std::nullopt;
    }
    const std::uint8_t* type = sample_entry->type;
    Entry entry;
    const char* box_name = "avcC";
    if (fourcc_is(type, "avc1") || fourcc_is(type, "avc3")) {
        entry.codec = Codec::h264;
    } else if (fourcc_is(type, "hvc1") || fourcc_is(type, "hev1")) {
        entry.codec = Codec::hevc;
        box_name = "hvcC";
    } else if (fourcc_is(type, "mp4v")) {
        entry.codec = Codec::mpeg4;
        box_name = "esds";
    } else {
        error = ConfigurationError::no_video;
        return std::nullopt;
    }
    config.codec = entry.codec;
    // The visual sample entry's fields (78 bytes) come before its boxes.
    if (sample_entry->end - sample_entry->payload < 78) {
        error = ConfigurationError::truncated;
        return std::nullopt;
    }
    config.width = be16(moov.data() + sample_entry->payload + 24);
    config.height = be16(moov.data() + sample_entry->payload + 26);
    const auto box = child(moov, *sample_entry, box_name, error, 78);
    if (box) {
        const auto payload = moov.subspan(box->payload, box->end - box->payload);
        const std::uint64_t at = moov_offset + box->payload;
        const bool read =
            entry.codec == Codec::h264   ? read_avcc(payload, at, config, entry.length_size)
            : entry.codec == Codec::hevc ? read_hvcc(payload, at, config, entry.length_size)
                                         : read_esds(payload, at, config);
        if (!read) {
            error = ConfigurationError::damaged;
            return std::nullopt;
        }
    }
    return error == ConfigurationError::none ? std::optional<Entry>(entry) : std::nullopt;
}

// The first sample's place: the first chunk's offset and the first sample's size.
std::optional<std::pair<std::uint64_t, std::uint64_t>>
first_sample(std::span<const std::uint8_t> moov, const Box& stbl) {
    ConfigurationError ignored = ConfigurationError::none;
    const auto stsz = child(moov, stbl, "stsz", ignored);
    auto chunks = child(moov, stbl, "stco", ignored);
    bool wide = false;
    if (!chunks) {
        chunks = child(moov, stbl, "co64", ignored);
        wide = true;
    }
    if (!stsz || !chunks || stsz->end - stsz->payload < 12 ||
        chunks->end - chunks->payload < 8 + (wide ? 8u : 4u)) {
        return std::nullopt;
    }
    const std::uint8_t* sizes = moov.data() + stsz->payload;
    std::uint64_t size = be32(sizes + 4);
    if (be32(sizes + 8) == 0) {
        return std::nullopt;
    }
    if (size == 0) {
        if (stsz->end - stsz->payload < 16) {
            return std::nullopt;
        }
        size = be32(sizes + 12);
    }
    const std::uint8_t* offsets = moov.data() + chunks->payload;
    if (be32(offsets + 4) == 0) {
        return std::nullopt;
    }
    const std::uint64_t offset = wide ? be64(offsets + 8) : be32(offsets + 8);
    return std::make_pair(offset, size);
}

// The units the first sample carries itself.
void read_first_sample(ByteSource& source, std::span<const std::uint8_t> moov, const Box& stbl,
                       const Entry& entry, VideoConfiguration& config) {
    const auto sample = first_sample(moov, stbl);
    if (!sample || sample->second > structure_limit || sample->first >= source.size()) {
        return;
    }
    const auto bytes = source.read(sample->first, static_cast<std::size_t>(sample->second));
    if (!bytes) {
        config.error = ConfigurationError::read_failed;
        return;
    }
    UnitCollector collector(entry.codec, config.units);
    if (entry.codec == Codec::mpeg4) {
        StartCodeSplitter splitter(collector);
        splitter.feed(*bytes, sample->first);
        splitter.finish();
    } else {
        split_length_prefixed(*bytes, entry.length_size, sample->first, collector);
    }
}

} // namespace

// avcC: profile, level, the length size, then the sequence and picture parameter sets.
bool read_avcc(std::span<const std::uint8_t> avcc, std::uint64_t offset, VideoConfiguration& config,
               std::size_t& length_size) {
    if (avcc.size() < 6) {
        return false;
    }
    config.profile = avcc[1];
    config.level = avcc[3];
    length_size = (avcc[4] & 3) + 1u;
    std::size_t at = 5;
    for (int list = 0; list < 2; ++list) {
        if (at >= avcc.size()) {
            return false;
        }
        const std::size_t count = list == 0 ? avcc[at] & 0x1F : avcc[at];
        ++at;
        for (std::size_t i = 0; i < count; ++i) {
            if (avcc.size() - at < 2 || avcc.size() - at - 2 < be16(&avcc[at])) {
                return false;
            }
            const std::size_t size = be16(&avcc[at]);
            const auto unit = avcc.subspan(at + 2, size);
            if (is_parameter_set(Codec::h264, unit)) {
                config.units.push_back({{unit.begin(), unit.end()}, offset + at + 2});
            }
            at += 2 + size;
        }
    }
    return true;
}

// hvcC: profile, level, the length size, then arrays of units by type.
bool read_hvcc(std::span<const std::uint8_t> hvcc, std::uint64_t offset, VideoConfiguration& config,
               std::size_t& length_size) {
    if (hvcc.size() < 23) {
        return false;
    }
    config.profile = hvcc[1] & 0x1F;
    config.level = hvcc[12];
    length_size = (hvcc[21] & 3) + 1u;
    std::size_t at = 23;
    for (std::size_t array = 0; array < hvcc[22]; ++array) {
        if (hvcc.size() - at < 3) {
            return false;
        }
        const std::size_t count = be16(&hvcc[at + 1]);
        at += 3;
        for (std::size_t i = 0; i < count; ++i) {
            if (hvcc.size() - at < 2 || hvcc.size() - at - 2 < be16(&hvcc[at])) {
                return false;
            }
            const std::size_t size = be16(&hvcc[at]);
            const auto unit = hvcc.subspan(at + 2, size);
            if (is_parameter_set(Codec::hevc, unit)) {
                config.units.push_back({{unit.begin(), unit.end()}, offset + at + 2});
            }
            at += 2 + size;
        }
    }
    return true;
}

void read_mp4(ByteSource& source, VideoConfiguration& config) {
    std::uint64_t moov_offset = 0;
    const auto moov = find_moov(source, moov_offset, config.error);
    if (!moov) {
        return;
    }
    const auto top = box_at(*moov, 0, moov->size(), config.error);
    const auto stbl = top ? video_sample_table(*moov, *top, config.error) : std::nullopt;
    if (!stbl) {
        return;
    }
    const auto entry = read_sample_entry(*moov, moov_offset, *stbl, config);
    if (!entry) {
        return;
    }
    // MPEG-4 Part 2 with its headers in the esds needs no sample.
    if (entry->codec != Codec::mpeg4 || config.units.empty()) {
        read_first_sample(source, *moov, *stbl, *entry, config);
    }
    if (config.units.empty() && config.error == ConfigurationError::none) {
        config.error = ConfigurationError::no_configuration;
    }
}

} // namespace quantaline::container
