#include "container/demuxed.h"

namespace quantaline::container {

namespace {

// The container's source read in order, as mpeg/'s window reads a file; at most `limit`.
class SourceReader final : public mpeg::ByteSource {
  public:
    SourceReader(container::ByteSource& source, std::uint64_t start, std::uint64_t limit)
        : source_(source), limit_(limit), at_(start) {}
    std::optional<std::size_t> read(std::uint8_t* data, std::size_t size) override {
        const std::uint64_t room = limit_ > at_ ? limit_ - at_ : 0;
        const auto read = source_.read_into(
            at_, data, static_cast<std::size_t>(std::min<std::uint64_t>(size, room)));
        if (read) {
            at_ += *read;
        }
        return read;
    }

  private:
    container::ByteSource& source_;
    std::uint64_t limit_;
    std::uint64_t at_;
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
    SourceReader reader(source, 0, limit);
    const mpeg::ScanControl control;
    mpeg::ByteWindow window(reader, control, mpeg::scan_buffer_size);
    mpeg::ScanResult result;
    mpeg::DemuxReport report;
    mpeg::demux_program(window, video, result, report);
    return window.failed();
}

bool demux_transport_stream(ByteSource& source, const mpeg::Layout& layout, std::uint64_t limit,
                            mpeg::VideoPayloadSink& video, mpeg::DemuxReport& report) {
    SourceReader reader(source, layout.first_packet, limit);
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
