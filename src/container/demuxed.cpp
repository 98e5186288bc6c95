#include "container/demuxed.h"

#include <algorithm>

namespace quantaline::container {

namespace {

// The container's source up to `limit`: mpeg/'s demultiplexers read no further.
class BoundedSource final : public ByteSource {
  public:
    BoundedSource(ByteSource& source, std::uint64_t limit) : source_(source), limit_(limit) {}
    std::uint64_t size() const override { return std::min(limit_, source_.size()); }
    std::optional<std::vector<std::uint8_t>> read(std::uint64_t offset,
                                                  std::size_t count) override {
        return source_.read(offset, room(offset, count));
    }
    std::optional<std::size_t> read_into(std::uint64_t offset, std::uint8_t* data,
                                         std::size_t count) override {
        return source_.read_into(offset, data, room(offset, count));
    }

  private:
    std::size_t room(std::uint64_t offset, std::size_t count) const {
        return static_cast<std::size_t>(
            std::min<std::uint64_t>(count, limit_ > offset ? limit_ - offset : 0));
    }
    ByteSource& source_;
    std::uint64_t limit_;
};

} // namespace

void PayloadUnits::feed(const std::uint8_t* data, std::size_t size, std::uint64_t offset) {
    if (!splitter_.feed(std::span<const std::uint8_t>(data, size), offset)) {
        config_.error = ConfigurationError::too_large;
    }
}

bool PayloadUnits::paused() const {
    return splitter_.done() || config_.error != ConfigurationError::none || walk_cancelled(config_);
}

bool demux_program_stream(ByteSource& source, std::uint64_t limit, mpeg::VideoPayloadSink& video) {
    BoundedSource reader(source, limit);
    const mpeg::ScanControl control;
    mpeg::ByteWindow window(reader, control, mpeg::scan_buffer_size);
    mpeg::ScanResult result;
    mpeg::DemuxReport report;
    mpeg::demux_program(window, video, result, report);
    return window.failed();
}

bool demux_transport_stream(ByteSource& source, const mpeg::Layout& layout, std::uint64_t limit,
                            mpeg::VideoPayloadSink& video, mpeg::DemuxReport& report) {
    BoundedSource reader(source, limit);
    const mpeg::ScanControl control;
    mpeg::ByteWindow window(reader, control, mpeg::scan_buffer_size, layout.first_packet);
    mpeg::ScanResult result;
    mpeg::TransportDemux demux(video, result, report, mpeg::TransportDemux::Feeds::every_codec);
    mpeg::demux_transport(window, demux, report, layout.packet_size, layout.sync_offset);
    if (!window.failed() && !demux.paused()) {
        demux.finish();
    }
    return window.failed();
}

} // namespace quantaline::container
