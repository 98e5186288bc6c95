// MP4 and MOV: the boxes down to the first video track's sample entry, then its first
// sample for the parameter sets that travel in the samples.
#include "container/source.h"
#include "container/units.h"

#include <algorithm>
#include <bit>

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

// The track_ID a track's header gives it (0 when it has none).
std::uint32_t track_id_of(std::span<const std::uint8_t> moov, const Box& trak) {
    ConfigurationError ignored = ConfigurationError::none;
    const auto tkhd = child(moov, trak, "tkhd", ignored);
    if (!tkhd || tkhd->end - tkhd->payload < 24) {
        return 0;
    }
    const std::uint8_t* p = moov.data() + tkhd->payload;
    return be32(p + (p[0] == 1 ? 20 : 12));
}

// The media's time scale, from its header; 0 when it has none.
std::uint32_t media_timescale(std::span<const std::uint8_t> moov, const Box& mdia) {
    ConfigurationError ignored = ConfigurationError::none;
    const auto mdhd = child(moov, mdia, "mdhd", ignored);
    if (!mdhd || mdhd->end - mdhd->payload < 24) {
        return 0;
    }
    const std::uint8_t* p = moov.data() + mdhd->payload;
    // Version 1 dates take eight bytes each.
    return p[0] == 1 ? (mdhd->end - mdhd->payload >= 32 ? be32(p + 20) : 0) : be32(p + 12);
}

// The sample table of the first video track, that track's id and its time scale.
std::optional<Box> video_sample_table(std::span<const std::uint8_t> moov, const Box& top,
                                      ConfigurationError& error, std::uint32_t& track_id,
                                      std::uint32_t& timescale) {
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
        track_id = track_id_of(moov, *trak);
        const auto mdia = child(moov, *trak, "mdia", error);
        const auto minf = mdia ? child(moov, *mdia, "minf", error) : std::nullopt;
        timescale = mdia ? media_timescale(moov, *mdia) : 0;
        auto stbl = minf ? child(moov, *minf, "stbl", error) : std::nullopt;
        // A video track without its sample table is damaged.
        if (!stbl && error == ConfigurationError::none) {
            error = ConfigurationError::damaged;
        }
        return stbl;
    }
    if (error == ConfigurationError::none) {
        error = ConfigurationError::no_video;
    }
    return std::nullopt;
}

struct Entry {
    Codec codec = Codec::unknown;
    std::size_t length_size = 4;
    std::uint32_t timescale = 0; // the media's, that the samples' times count in
};

// A sample's decoding and composition times, in the media's time scale.
struct SampleTimes {
    std::optional<std::int64_t> decode;
    std::optional<std::int64_t> presentation;
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

// An esds's decoder configuration descriptor, through the ES descriptor: where its
// payload begins and its size; none when the descriptors do not hold one.
std::optional<std::pair<std::size_t, std::size_t>>
decoder_configuration(std::span<const std::uint8_t> esds) {
    std::size_t at = 4; // version and flags
    std::uint8_t tag = 0;
    std::size_t size = 0;
    if (!descriptor(esds, at, tag, size) || tag != 3 || size < 3) {
        return std::nullopt;
    }
    const std::uint8_t flags = esds[at + 2];
    at += 3 + ((flags & 0x80) ? 2 : 0);
    if ((flags & 0x40) != 0) {
        at += at < esds.size() ? 1u + esds[at] : 0u;
    }
    at += (flags & 0x20) ? 2 : 0;
    if (!descriptor(esds, at, tag, size) || tag != 4 || size < 1) {
        return std::nullopt;
    }
    return std::make_pair(at, size);
}

// The object type the decoder configuration names: 0x20 MPEG-4 visual, 0x60 to 0x65
// MPEG-2 video, 0x6A MPEG-1 video; none when the descriptors do not say.
std::optional<std::uint8_t> esds_object_type(std::span<const std::uint8_t> esds) {
    const auto configuration = decoder_configuration(esds);
    return configuration ? std::optional<std::uint8_t>(esds[configuration->first]) : std::nullopt;
}

bool is_mpeg12_object_type(std::uint8_t type) {
    return (type >= 0x60 && type <= 0x65) || type == 0x6A;
}

// The QuickTime sample entries of MPEG-1 and MPEG-2 video: HDV, XDCAM, IMX and the plain ones.
bool is_mpeg12_entry(const std::uint8_t* type) {
    static constexpr const char* whole[] = {"m1v ", "m2v1", "mp1v", "mp2v",
                                            "mpeg", "xdhd", "xdh2", "AVmp"};
    const auto begins = [type](const char* prefix) { return std::equal(prefix, prefix + 3, type); };
    return std::any_of(std::begin(whole), std::end(whole),
                       [type](const char* name) { return fourcc_is(type, name); }) ||
           begins("hdv") || begins("xdv") || begins("xd5") ||
           ((begins("mx3") || begins("mx4") || begins("mx5")) &&
            (type[3] == 'n' || type[3] == 'p'));
}

// esds: the ES descriptor, its decoder configuration, its decoder specific info.
bool read_esds(std::span<const std::uint8_t> esds, std::uint64_t offset,
               VideoConfiguration& config) {
    const auto configuration = decoder_configuration(esds);
    if (!configuration || configuration->second < 13) {
        return false;
    }
    std::size_t at = configuration->first + 13;
    std::uint8_t tag = 0;
    std::size_t size = 0;
    if (!descriptor(esds, at, tag, size) || tag != 5) {
        return false;
    }
    config.units.push_back({{esds.begin() + static_cast<std::ptrdiff_t>(at),
                             esds.begin() + static_cast<std::ptrdiff_t>(at + size)},
                            offset + at});
    return true;
}

// A sample entry's codec from its type, and the box its configuration lies in (none for
// MPEG-1 and MPEG-2, whose headers travel in the samples).
Codec entry_codec(const std::uint8_t* type, const char*& box_name) {
    if (fourcc_is(type, "avc1") || fourcc_is(type, "avc3")) {
        box_name = "avcC";
        return Codec::h264;
    }
    if (fourcc_is(type, "hvc1") || fourcc_is(type, "hev1")) {
        box_name = "hvcC";
        return Codec::hevc;
    }
    if (fourcc_is(type, "mp4v")) {
        box_name = "esds"; // its object type may still make it MPEG-2
        return Codec::mpeg4;
    }
    box_name = nullptr;
    return is_mpeg12_entry(type) ? Codec::mpeg2 : Codec::unknown; // MPEG-1 told by mpeg/
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
    Entry entry;
    const char* box_name = nullptr;
    entry.codec = entry_codec(sample_entry->type, box_name);
    if (entry.codec == Codec::unknown) {
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
    const auto box =
        box_name != nullptr ? child(moov, *sample_entry, box_name, error, 78) : std::nullopt;
    if (box && entry.codec == Codec::mpeg4) {
        const auto payload = moov.subspan(box->payload, box->end - box->payload);
        if (const auto object = esds_object_type(payload);
            object && is_mpeg12_object_type(*object)) {
            entry.codec = Codec::mpeg2;
            config.codec = entry.codec;
            return entry;
        }
    }
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

// The units one sample carries.
void read_sample(ByteSource& source, std::uint64_t offset, std::uint64_t size, const Entry& entry,
                 VideoConfiguration& config, const SampleTimes& times = {}) {
    if (place_mpeg_sample(config, entry.codec, offset, size)) {
        return;
    }
    if (size > structure_limit || offset >= source.size()) {
        return;
    }
    const auto bytes = source.read(offset, static_cast<std::size_t>(size));
    if (!bytes) {
        config.error = ConfigurationError::read_failed;
        return;
    }
    UnitCollector collector(entry.codec, config);
    collector.sample({offset, size, times.decode, times.presentation, entry.timescale});
    if (entry.codec == Codec::mpeg4) {
        StartCodeSplitter splitter(collector);
        splitter.feed(*bytes, offset);
        splitter.finish();
    } else {
        split_length_prefixed(*bytes, entry.length_size, offset, collector);
    }
}

// The units the first sample carries itself.
void read_first_sample(ByteSource& source, std::span<const std::uint8_t> moov, const Box& stbl,
                       const Entry& entry, VideoConfiguration& config) {
    const auto sample = first_sample(moov, stbl);
    if (sample) {
        read_sample(source, sample->first, sample->second, entry, config);
    }
}

// A table box's entries: its count after version and flags (and `skip` more bytes), cut
// to the entries the box holds.
struct Table {
    const std::uint8_t* entries = nullptr;
    std::uint64_t count = 0;
};
std::optional<Table> table_of(std::span<const std::uint8_t> moov, const Box& stbl, const char* type,
                              std::uint64_t entry_size, std::uint64_t skip = 0) {
    ConfigurationError ignored = ConfigurationError::none;
    const auto box = child(moov, stbl, type, ignored);
    if (!box || box->end - box->payload < 8 + skip) {
        return std::nullopt;
    }
    const std::uint8_t* p = moov.data() + box->payload;
    const std::uint64_t room = (box->end - box->payload - 8 - skip) / entry_size;
    return Table{p + 8 + skip, std::min<std::uint64_t>(be32(p + 4 + skip), room)};
}

// The samples' times, sample by sample: the decoding deltas of the time-to-sample table
// and the composition offsets, when the track has them.
class SampleClock {
  public:
    SampleClock(std::span<const std::uint8_t> moov, const Box& stbl)
        : deltas_(table_of(moov, stbl, "stts", 8)), offsets_(table_of(moov, stbl, "ctts", 8)) {}
    SampleTimes next() {
        SampleTimes times;
        if (!deltas_ || delta_entry_ >= deltas_->count) {
            return times;
        }
        times.decode = decode_;
        times.presentation = decode_;
        if (offsets_ && offset_entry_ < offsets_->count) {
            const std::uint8_t* entry = offsets_->entries + offset_entry_ * 8;
            // Signed in version 1; an unsigned offset past 2^31 is no real one either.
            *times.presentation += static_cast<std::int32_t>(be32(entry + 4));
            if (++offset_used_ >= be32(entry)) {
                ++offset_entry_;
                offset_used_ = 0;
            }
        }
        const std::uint8_t* entry = deltas_->entries + delta_entry_ * 8;
        decode_ += be32(entry + 4);
        if (++delta_used_ >= be32(entry)) {
            ++delta_entry_;
            delta_used_ = 0;
        }
        return times;
    }

  private:
    std::optional<Table> deltas_;
    std::optional<Table> offsets_;
    std::int64_t decode_ = 0;
    std::uint64_t delta_entry_ = 0;
    std::uint32_t delta_used_ = 0;
    std::uint64_t offset_entry_ = 0;
    std::uint32_t offset_used_ = 0;
};

// Walking: every sample of the track, chunk by chunk as the sample-to-chunk table places
// them.
void walk_samples(ByteSource& source, std::span<const std::uint8_t> moov, const Box& stbl,
                  const Entry& entry, VideoConfiguration& config) {
    ConfigurationError ignored = ConfigurationError::none;
    const auto stsz = child(moov, stbl, "stsz", ignored);
    const bool wide = !child(moov, stbl, "stco", ignored);
    const auto chunks = table_of(moov, stbl, wide ? "co64" : "stco", wide ? 8 : 4);
    const auto stsc = table_of(moov, stbl, "stsc", 12);
    if (!stsz || stsz->end - stsz->payload < 12 || !chunks || !stsc) {
        return;
    }
    const std::uint32_t uniform = be32(moov.data() + stsz->payload + 4);
    const auto sizes = table_of(moov, stbl, "stsz", 4, 4);
    const std::uint64_t samples =
        uniform != 0 ? be32(moov.data() + stsz->payload + 8) : (sizes ? sizes->count : 0);
    std::uint64_t sample = 0;
    SampleClock clock(moov, stbl);
    for (std::uint64_t e = 0; e < stsc->count && sample < samples; ++e) {
        const std::uint8_t* run = stsc->entries + e * 12;
        const std::uint64_t last = e + 1 < stsc->count ? be32(run + 12) : chunks->count + 1;
        for (std::uint64_t c = be32(run); c < last && c <= chunks->count && c > 0; ++c) {
            const std::uint8_t* place = chunks->entries + (c - 1) * (wide ? 8 : 4);
            std::uint64_t offset = wide ? be64(place) : be32(place);
            for (std::uint32_t k = 0; k < be32(run + 4) && sample < samples; ++k, ++sample) {
                const std::uint64_t size =
                    uniform != 0 ? uniform : be32(sizes->entries + sample * 4);
                read_sample(source, offset, size, entry, config, clock.next());
                if (config.error != ConfigurationError::none || walk_cancelled(config)) {
                    return;
                }
                offset += size;
            }
        }
    }
}

struct Fragments {
    std::uint32_t track_id = 0;
    std::uint32_t default_size = 0; // the movie's trex
    std::uint32_t default_duration = 0;
    // Where the next fragment's samples are decoded, unless its tfdt says.
    std::int64_t next_decode = 0;
};

// A track fragment's header: where its data lies from (the movie fragment, unless it
// names a base) and its samples' default size.
struct FragmentBase {
    std::uint64_t base = 0;
    std::uint32_t default_size = 0;
    std::uint32_t default_duration = 0;
};
FragmentBase fragment_base(const std::uint8_t* header, std::uint64_t size,
                           std::uint64_t moof_offset, const Fragments& fragments) {
    const std::uint32_t flags = be32(header) & 0xFFFFFF;
    std::uint64_t field = 8;
    const auto next_field = [&](std::uint64_t bytes) {
        const std::uint64_t at = field;
        field += bytes;
        return field <= size ? std::optional<std::uint64_t>(at) : std::nullopt;
    };
    FragmentBase base{moof_offset, fragments.default_size, fragments.default_duration};
    if ((flags & 0x01) != 0) {
        const auto at = next_field(8);
        base.base = at ? be64(header + *at) : base.base;
    }
    if ((flags & 0x02) != 0) {
        next_field(4);
    }
    if ((flags & 0x08) != 0) {
        const auto at = next_field(4);
        base.default_duration = at ? be32(header + *at) : base.default_duration;
    }
    if ((flags & 0x10) != 0) {
        const auto at = next_field(4);
        base.default_size = at ? be32(header + *at) : base.default_size;
    }
    return base;
}

// One run of samples: each sample from `offset` on, which moves past them. False once the
// walk is to stop.
bool walk_run(ByteSource& source, std::span<const std::uint8_t> run, const FragmentBase& base,
              std::uint64_t& offset, std::int64_t& decode, const Entry& entry,
              VideoConfiguration& config) {
    const std::uint32_t flags = be32(run.data()) & 0xFFFFFF;
    std::uint64_t place = 8;
    if ((flags & 0x01) != 0 && place + 4 <= run.size()) {
        offset = base.base + static_cast<std::int32_t>(be32(run.data() + place));
        place += 4;
    }
    place += (flags & 0x04) != 0 ? 4 : 0;
    // Duration, size, flags, composition offset: four bytes each that the run has.
    const std::uint64_t per_sample = std::uint64_t{4} * std::popcount(flags & 0xF00);
    for (std::uint32_t i = 0; i < be32(run.data() + 4) && place + per_sample <= run.size(); ++i) {
        const std::uint8_t* fields = run.data() + place;
        const bool timed = (flags & 0x100) != 0;
        const std::uint32_t size =
            (flags & 0x200) != 0 ? be32(fields + (timed ? 4 : 0)) : base.default_size;
        const std::uint32_t duration = timed ? be32(fields) : base.default_duration;
        SampleTimes times{decode, decode};
        if ((flags & 0x800) != 0) {
            *times.presentation += static_cast<std::int32_t>(be32(fields + per_sample - 4));
        }
        decode += duration;
        read_sample(source, offset, size, entry, config, times);
        if (config.error != ConfigurationError::none || walk_cancelled(config)) {
            return false;
        }
        offset += size;
        place += per_sample;
    }
    return true;
}

// One track fragment's runs of samples, when it is of the track.
void walk_track_fragment(ByteSource& source, std::span<const std::uint8_t> moof,
                         std::uint64_t moof_offset, const Box& traf, Fragments& fragments,
                         const Entry& entry, VideoConfiguration& config) {
    ConfigurationError ignored = ConfigurationError::none;
    const auto tfhd = child(moof, traf, "tfhd", ignored);
    if (!tfhd || tfhd->end - tfhd->payload < 8 ||
        be32(moof.data() + tfhd->payload + 4) != fragments.track_id) {
        return;
    }
    const FragmentBase base = fragment_base(moof.data() + tfhd->payload, tfhd->end - tfhd->payload,
                                            moof_offset, fragments);
    // The fragment's first decoding time, when it says it.
    if (const auto tfdt = child(moof, traf, "tfdt", ignored);
        tfdt && tfdt->end - tfdt->payload >= 8) {
        const std::uint8_t* p = moof.data() + tfdt->payload;
        const bool wide = p[0] == 1 && tfdt->end - tfdt->payload >= 12;
        fragments.next_decode = static_cast<std::int64_t>(wide ? be64(p + 4) : be32(p + 4));
    }
    std::uint64_t offset = base.base;
    for (std::uint64_t at = traf.payload; at < traf.end;) {
        const auto box = box_at(moof, at, traf.end, ignored);
        if (!box) {
            return;
        }
        at = box->end;
        if (fourcc_is(box->type, "trun") && box->end - box->payload >= 8 &&
            !walk_run(source, moof.subspan(box->payload, box->end - box->payload), base, offset,
                      fragments.next_decode, entry, config)) {
            return;
        }
    }
}

// One movie fragment: its track fragments of the track.
void walk_movie_fragment(ByteSource& source, std::uint64_t at, std::size_t size,
                         Fragments& fragments, const Entry& entry, VideoConfiguration& config) {
    const auto moof = source.read(at, size);
    if (!moof || moof->size() != size) {
        config.error = ConfigurationError::read_failed;
        return;
    }
    ConfigurationError ignored = ConfigurationError::none;
    const auto top = box_at(*moof, 0, moof->size(), ignored);
    for (std::uint64_t in = top ? top->payload : size; top && in < top->end;) {
        const auto traf = box_at(*moof, in, top->end, ignored);
        if (!traf) {
            return;
        }
        in = traf->end;
        if (fourcc_is(traf->type, "traf")) {
            walk_track_fragment(source, *moof, at, *traf, fragments, entry, config);
        }
    }
}

// Walking a fragmented file: the movie fragments after the movie box, in file order.
void walk_fragments(ByteSource& source, Fragments fragments, const Entry& entry,
                    VideoConfiguration& config) {
    for (std::uint64_t at = 0; at + 16 <= source.size() &&
                               config.error == ConfigurationError::none &&
                               !walk_cancelled(config);) {
        const auto header = source.read(at, 16);
        if (!header || header->size() < 16) {
            return;
        }
        std::uint64_t size = be32(header->data());
        size = size == 1 ? be64(header->data() + 8) : size == 0 ? source.size() - at : size;
        if (size < 8 || size > source.size() - at) {
            return;
        }
        if (fourcc_is(header->data() + 4, "moof") && size <= structure_limit) {
            walk_movie_fragment(source, at, static_cast<std::size_t>(size), fragments, entry,
                                config);
        }
        at += size;
    }
}

// The movie's default sample size and duration for the track, from its trex.
Fragments track_defaults(std::span<const std::uint8_t> moov, const Box& top,
                         std::uint32_t track_id) {
    Fragments fragments;
    fragments.track_id = track_id;
    ConfigurationError ignored = ConfigurationError::none;
    const auto mvex = child(moov, top, "mvex", ignored);
    for (std::uint64_t at = mvex ? mvex->payload : 0; mvex && at < mvex->end;) {
        const auto trex = box_at(moov, at, mvex->end, ignored);
        if (!trex) {
            break;
        }
        at = trex->end;
        if (fourcc_is(trex->type, "trex") && trex->end - trex->payload >= 24 &&
            be32(moov.data() + trex->payload + 4) == track_id) {
            fragments.default_duration = be32(moov.data() + trex->payload + 12);
            fragments.default_size = be32(moov.data() + trex->payload + 16);
            break;
        }
    }
    return fragments;
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
    std::uint32_t track_id = 0;
    std::uint32_t timescale = 0;
    const auto stbl =
        top ? video_sample_table(*moov, *top, config.error, track_id, timescale) : std::nullopt;
    if (!stbl) {
        return;
    }
    auto entry = read_sample_entry(*moov, moov_offset, *stbl, config);
    if (!entry) {
        return;
    }
    entry->timescale = timescale;
    // The pictures' rate as the first decoding delta times them.
    if (const auto deltas = table_of(*moov, *stbl, "stts", 8);
        deltas && deltas->count > 0 && timescale != 0 && be32(deltas->entries + 4) != 0) {
        config.frame_rate = {timescale, be32(deltas->entries + 4)};
    }
    if (is_mpeg12(entry->codec) && config.mpeg_samples == nullptr) {
        return; // MPEG-1 and MPEG-2 carry their matrices in their own headers, read by mpeg/
    }
    if (reads_every_sample(config)) {
        walk_samples(source, *moov, *stbl, *entry, config);
        walk_fragments(source, track_defaults(*moov, *top, track_id), *entry, config);
        return;
    }
    // MPEG-4 Part 2 with its headers in the esds needs no sample.
    if (entry->codec != Codec::mpeg4 || config.units.empty()) {
        read_first_sample(source, *moov, *stbl, *entry, config);
    }
    if (config.units.empty() && config.walk == nullptr &&
        config.error == ConfigurationError::none) {
        config.error = ConfigurationError::no_configuration;
    }
}

} // namespace quantaline::container
