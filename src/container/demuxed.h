#pragma once

// A container's source read through mpeg/'s own demultiplexers: the program and transport
// streams of every codec choose their video as those of MPEG-1 and MPEG-2 do.

#include "container/source.h"
#include "container/units.h"
#include "mpeg/demux.h"

#include <cstdint>
#include <vector>

namespace quantaline::container {

// The first payload bytes of the video stream, enough to tell its codec.
class PayloadProbe final : public mpeg::VideoPayloadSink {
  public:
    static constexpr std::size_t size = 65536;
    void feed(const std::uint8_t* data, std::size_t count, std::uint64_t) override {
        bytes.insert(bytes.end(), data, data + std::min(count, size - bytes.size()));
    }
    void discontinuity() override {}
    bool paused() const override { return bytes.size() >= size; }
    std::vector<std::uint8_t> bytes;
};

// The payloads into a configuration's units; paused once the splitter has what it wants,
// the read failed or the walk is cancelled.
class PayloadUnits final : public mpeg::VideoPayloadSink {
  public:
    PayloadUnits(StartCodeSplitter& splitter, VideoConfiguration& config)
        : splitter_(splitter), config_(config) {}
    void feed(const std::uint8_t* data, std::size_t size, std::uint64_t offset) override;
    void discontinuity() override {}
    bool paused() const override;

  private:
    StartCodeSplitter& splitter_;
    VideoConfiguration& config_;
};

// A program stream's video from the first byte, up to `limit`: true when the read failed.
bool demux_program_stream(ByteSource& source, std::uint64_t limit, mpeg::VideoPayloadSink& video);
// A transport stream's video from its first packet, up to `limit`, as mpeg/ chooses it
// (from the tables, or without them the first stream of video, which `report` names):
// true when the read failed.
bool demux_transport_stream(ByteSource& source, const mpeg::Layout& layout, std::uint64_t limit,
                            mpeg::VideoPayloadSink& video, mpeg::DemuxReport& report);

} // namespace quantaline::container
