// Program streams and DVD VOBs: the PES packets of the first video stream, demultiplexed as
// mpeg/ does it, their payloads split at their start codes. The codec is told by the
// first payload bytes: MPEG-1 and MPEG-2 are read by mpeg/.
#include "container/source.h"
#include "container/units.h"
#include "mpeg/demux.h"
#include "mpeg/start_code.h"

#include <cstring>

namespace quantaline::container {

namespace {

// How much of a program stream is read to find its video's codec.
constexpr std::uint64_t codec_search_limit = std::uint64_t{16} * 1024 * 1024;
// The payload bytes the codec is told from.
constexpr std::size_t codec_probe_size = 65536;

// The container's source read in order, as mpeg/'s window reads a file; at most `limit`.
class SourceReader final : public mpeg::ByteSource {
  public:
    SourceReader(container::ByteSource& source, std::uint64_t limit)
        : source_(source), limit_(limit) {}
    std::optional<std::size_t> read(std::uint8_t* data, std::size_t size) override {
        const std::uint64_t room = limit_ > at_ ? limit_ - at_ : 0;
        const auto bytes =
            source_.read(at_, static_cast<std::size_t>(std::min<std::uint64_t>(size, room)));
        if (!bytes) {
            return std::nullopt;
        }
        if (!bytes->empty()) {
            std::memcpy(data, bytes->data(), bytes->size());
        }
        at_ += bytes->size();
        return bytes->size();
    }

  private:
    container::ByteSource& source_;
    std::uint64_t limit_;
    std::uint64_t at_ = 0;
};

// The first payload bytes of the video stream.
class PayloadProbe final : public mpeg::VideoPayloadSink {
  public:
    void feed(const std::uint8_t* data, std::size_t size, std::uint64_t) override {
        bytes.insert(bytes.end(), data, data + std::min(size, codec_probe_size - bytes.size()));
    }
    void discontinuity() override {}
    bool paused() const override { return bytes.size() >= codec_probe_size; }
    std::vector<std::uint8_t> bytes;
};

// The payloads into the configuration's units.
class PayloadUnits final : public mpeg::VideoPayloadSink {
  public:
    PayloadUnits(StartCodeSplitter& splitter, VideoConfiguration& config)
        : splitter_(splitter), config_(config) {}
    void feed(const std::uint8_t* data, std::size_t size, std::uint64_t offset) override {
        if (!splitter_.feed(std::span<const std::uint8_t>(data, size), offset)) {
            config_.error = ConfigurationError::too_large;
        }
    }
    void discontinuity() override {}
    bool paused() const override {
        return splitter_.done() || config_.error != ConfigurationError::none ||
               walk_cancelled(config_);
    }

  private:
    StartCodeSplitter& splitter_;
    VideoConfiguration& config_;
};

// One demultiplexing from the first byte: true when it ended on a read error.
bool demux(ByteSource& source, std::uint64_t limit, mpeg::VideoPayloadSink& video) {
    SourceReader reader(source, limit);
    const mpeg::ScanControl control;
    mpeg::ByteWindow window(reader, control, mpeg::scan_buffer_size);
    mpeg::ScanResult result;
    mpeg::DemuxReport report;
    mpeg::demux_program(window, video, result, report);
    return window.failed();
}

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
    if (demux(source, codec_search_limit, first)) {
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
    if (demux(source, source.size(), units)) {
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
