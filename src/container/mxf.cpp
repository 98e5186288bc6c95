// MXF (OP1a, as IMX/D-10 and XDCAM HD write it): the KLV packets from the header partition
// on, the video the first picture essence element's track; each of its elements is one
// sample (a frame, or the whole clip when the essence is clip-wrapped).
#include "container/source.h"
#include "container/units.h"

#include <algorithm>
#include <array>

namespace quantaline::container {

namespace {

// Every SMPTE key begins so.
constexpr std::array<std::uint8_t, 4> smpte_label = {0x06, 0x0E, 0x2B, 0x34};
// The partition packs' key up to its kind (byte 13: 02 header, 03 body, 04 footer).
constexpr std::array<std::uint8_t, 13> partition_key = {0x06, 0x0E, 0x2B, 0x34, 0x02, 0x05, 0x01,
                                                        0x01, 0x0D, 0x01, 0x02, 0x01, 0x01};
// The essence elements' key up to its item type (byte 12).
constexpr std::array<std::uint8_t, 12> essence_key = {0x06, 0x0E, 0x2B, 0x34, 0x01, 0x02,
                                                      0x01, 0x01, 0x0D, 0x01, 0x03, 0x01};
// How far into the file a run-in may put the header partition.
constexpr std::size_t run_in_limit = 65536;
// How far the first picture is looked for when not every sample is read.
constexpr std::uint64_t first_picture_reach = std::uint64_t{64} * 1024 * 1024;

template <std::size_t N>
bool begins_with(const std::uint8_t* p, const std::array<std::uint8_t, N>& key) {
    return std::equal(key.begin(), key.end(), p);
}

// A picture item: the content package's (0x05, D-10) or the generic container's (0x15).
bool is_picture_element(const std::uint8_t* key) {
    return begins_with(key, essence_key) && (key[12] == 0x05 || key[12] == 0x15);
}

struct Klv {
    std::uint64_t value = 0; // where the value begins
    std::uint64_t length = 0;
};

// The key at `at` and its BER length; none past the end or when no key begins there.
std::optional<Klv> klv_at(ByteSource& source, std::uint64_t at, std::array<std::uint8_t, 16>& key,
                          ConfigurationError& error) {
    const auto bytes = source.read(at, 25);
    if (!bytes) {
        error = ConfigurationError::read_failed;
        return std::nullopt;
    }
    if (bytes->size() < 17 || !begins_with(bytes->data(), smpte_label)) {
        return std::nullopt;
    }
    std::copy_n(bytes->begin(), 16, key.begin());
    std::uint64_t length = (*bytes)[16];
    std::size_t size = 1;
    if (length >= 0x80) {
        size = 1 + (length & 0x7F);
        if (size > 9 || bytes->size() < 16 + size) {
            error = ConfigurationError::damaged;
            return std::nullopt;
        }
        length = 0;
        for (std::size_t i = 1; i < size; ++i) {
            length = length << 8 | (*bytes)[16 + i];
        }
    }
    const std::uint64_t value = at + 16 + size;
    if (length > source.size() - std::min(source.size(), value)) {
        error = ConfigurationError::truncated;
        return std::nullopt;
    }
    return Klv{value, length};
}

// Where the header partition pack begins among the first bytes; none without one.
std::optional<std::size_t> header_partition(std::span<const std::uint8_t> start) {
    const std::size_t end = std::min(start.size(), run_in_limit);
    for (std::size_t at = 0; at + 14 <= end; ++at) {
        if (begins_with(start.data() + at, partition_key) && start[at + 13] == 0x02) {
            return at;
        }
    }
    return std::nullopt;
}

// The picture essence elements of one track, in file order.
class PictureTrack {
  public:
    explicit PictureTrack(VideoConfiguration& config) : config_(config) {}
    bool chosen() const { return track_.has_value(); }
    // One picture element at `klv`: the first one whose bytes tell a codec chooses the track.
    // False once the reading is over.
    bool element(ByteSource& source, const std::array<std::uint8_t, 16>& key, const Klv& klv);
    void finish() {
        if (splitter_) {
            splitter_->finish();
        }
    }

  private:
    bool choose(ByteSource& source, const std::array<std::uint8_t, 16>& key, const Klv& klv);

    VideoConfiguration& config_;
    std::optional<std::array<std::uint8_t, 4>> track_; // its item and element bytes
    std::optional<UnitCollector> collector_;
    std::optional<StartCodeSplitter> splitter_;
};

bool PictureTrack::choose(ByteSource& source, const std::array<std::uint8_t, 16>& key,
                          const Klv& klv) {
    const auto head = source.read(
        klv.value, static_cast<std::size_t>(std::min<std::uint64_t>(klv.length, 65536)));
    if (!head) {
        config_.error = ConfigurationError::read_failed;
        return false;
    }
    const Codec codec = elementary_codec(*head);
    if (codec != Codec::unknown) {
        track_ = std::array<std::uint8_t, 4>{key[12], key[13], key[14], key[15]};
        config_.codec = codec;
        if (!is_mpeg12(codec)) {
            collector_.emplace(codec, config_);
            splitter_.emplace(*collector_);
        }
    }
    return true;
}

bool PictureTrack::element(ByteSource& source, const std::array<std::uint8_t, 16>& key,
                           const Klv& klv) {
    if (!track_ && !choose(source, key, klv)) {
        return false;
    }
    if (!track_ || !std::equal(track_->begin(), track_->end(), key.begin() + 12)) {
        return true;
    }
    if (place_mpeg_sample(config_, config_.codec, klv.value, klv.length)) {
        // MPEG-1 and MPEG-2 carry their matrices in their own headers, read by mpeg/.
        return config_.mpeg_samples != nullptr;
    }
    if (klv.length > structure_limit) {
        return true;
    }
    const auto bytes = source.read(klv.value, static_cast<std::size_t>(klv.length));
    if (!bytes) {
        config_.error = ConfigurationError::read_failed;
        return false;
    }
    if (!splitter_->feed(*bytes, klv.value)) {
        config_.error = ConfigurationError::too_large;
        return false;
    }
    return !splitter_->done() || config_.walk != nullptr;
}

} // namespace

bool begins_mxf(std::span<const std::uint8_t> start) {
    return header_partition(start).has_value();
}

void read_mxf(ByteSource& source, VideoConfiguration& config) {
    const auto start = source.read(0, run_in_limit + 16);
    if (!start) {
        config.error = ConfigurationError::read_failed;
        return;
    }
    std::uint64_t at = header_partition(*start).value_or(0);
    PictureTrack track(config);
    std::array<std::uint8_t, 16> key{};
    while (at < source.size() && !walk_cancelled(config)) {
        if (!track.chosen() && !reads_every_sample(config) && at > first_picture_reach) {
            break;
        }
        const auto klv = klv_at(source, at, key, config.error);
        if (!klv) {
            break; // the end of the packets, or damage the error says
        }
        if (is_picture_element(key.data()) && !track.element(source, key, *klv)) {
            break;
        }
        at = klv->value + klv->length;
    }
    track.finish();
    if (!track.chosen() && config.error == ConfigurationError::none) {
        config.error = ConfigurationError::no_video;
    }
    if (track.chosen() && !is_mpeg12(config.codec) && config.units.empty() &&
        config.walk == nullptr && config.error == ConfigurationError::none) {
        config.error = ConfigurationError::no_configuration;
    }
}

} // namespace quantaline::container
