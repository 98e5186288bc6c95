// Arbitrary bytes through the container readers: MP4, Matroska, AVI, transport, program and
// elementary streams alike, damaged anywhere; then the walk over the whole stream and the
// scan of its lists.
#include "analysis/codec_scan.h"
#include "container/units.h"
#include "container/video_configuration.h"

#include <algorithm>
#include <cstdlib>

namespace {

using namespace quantaline::container;

// Each unit of a walk lies in the input where its offset says; the configuration comes
// once, before any unit.
class CheckingSink final : public UnitSink {
  public:
    explicit CheckingSink(std::span<const std::uint8_t> input) : input_(input) {}
    void configuration(Codec, std::span<const ConfigurationUnit> units) override {
        if (configurations_++ != 0 || units_ != 0) {
            std::abort();
        }
        for (const auto& unit : units) {
            check(unit.bytes, unit.offset);
        }
    }
    // Units come in the order they are stored: their positions never go back.
    void unit(Codec, const WalkedUnit& unit) override {
        ++units_;
        if (unit.bytes.empty() ||
            (unit.kind != UnitKind::parameter_set && unit.kind != UnitKind::other &&
             unit.bytes.size() > picture_head_size) ||
            unit.position < last_position_) {
            std::abort();
        }
        last_position_ = unit.position;
        check(unit.bytes, unit.offset);
    }
    void check(std::span<const std::uint8_t> bytes, std::optional<std::uint64_t> offset) const {
        if (offset && (*offset > input_.size() || input_.size() - *offset < bytes.size() ||
                       !std::equal(bytes.begin(), bytes.end(),
                                   input_.begin() + static_cast<std::ptrdiff_t>(*offset)))) {
            std::abort();
        }
    }
    int configurations_ = 0;

  private:
    std::span<const std::uint8_t> input_;
    std::size_t units_ = 0;
    std::uint64_t last_position_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quantaline::container;
    const std::span<const std::uint8_t> bytes(data, size);
    const VideoConfiguration config = read_video_configuration(bytes);
    // Detection is the reading's own; no error means units; a unit's offset lies in the
    // input and holds the unit's bytes.
    if (config.container != detect_format(bytes).container) {
        std::abort();
    }
    if (config.error == ConfigurationError::none && config.units.empty() &&
        config.codec != Codec::mpeg1 && config.codec != Codec::mpeg2 &&
        config.container != Container::program) {
        std::abort();
    }
    for (const auto& unit : config.units) {
        if (unit.bytes.empty() ||
            (unit.offset && (*unit.offset > size || size - *unit.offset < unit.bytes.size()))) {
            std::abort();
        }
        if (unit.offset && !std::equal(unit.bytes.begin(), unit.bytes.end(), data + *unit.offset)) {
            std::abort();
        }
    }
    CheckingSink sink(bytes);
    const VideoConfiguration walked = walk_video_stream(bytes, sink);
    if (walked.container != config.container || sink.configurations_ != 1) {
        std::abort();
    }
    // The scan over the walk: every picture counted once, in a set or before any.
    if (quantaline::is_codec_read_here(walked.codec)) {
        const quantaline::CodecScan scan = quantaline::scan_codec_bytes(bytes);
        std::uint64_t pictures = scan.pictures_without_lists;
        for (const auto& set : scan.sets) {
            pictures += set.pictures;
        }
        if (pictures != scan.pictures) {
            std::abort();
        }
        for (const auto& change : scan.changes) {
            if (change.set >= scan.sets.size() || change.picture >= scan.pictures) {
                std::abort();
            }
        }
        // The pictures' bytes are the video's, each counted once; no picture is recorded
        // that the scan did not count.
        std::uint64_t recorded = 0;
        for (const auto& picture : scan.picture_records) {
            recorded += picture.bytes;
        }
        if (recorded > walked.walked_bytes ||
            scan.picture_records.size() + scan.summary.before_parameter_sets > scan.pictures) {
            std::abort();
        }
    }
    return 0;
}
