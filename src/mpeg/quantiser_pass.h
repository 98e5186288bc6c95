#pragma once

// The quantiser pass of the whole-stream scan: each picture's whole bytes gathered from
// the demultiplexed video (whatever the container), its macroblocks read on a pool of
// threads, its figures put in its record and in the totals per picture type.

#include "mpeg/macroblock.h"
#include "mpeg/matrix_tracker.h"
#include "mpeg/scan.h"
#include "mpeg/video_units.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quantaline::mpeg {

// Pictures handed to a thread together: the pictures of one or more groups of pictures,
// their bytes one after the other.
struct QuantiserBatch {
    struct Picture {
        std::uint64_t index = 0;
        std::uint64_t offset = 0; // in the file
        std::size_t begin = 0;    // in bytes
        std::size_t size = 0;
        SequenceContext sequence;
        bool bytes_lost = false; // a discontinuity or an oversized picture
        PictureQuantiser figures;
        bool read = false;
    };
    std::vector<std::uint8_t> bytes;
    std::vector<Picture> pictures;
};

// Threads that read the batches handed to them, a few batches ahead at most so that the
// memory stays bounded whatever the stream's length.
class QuantiserPool {
  public:
    QuantiserPool(std::size_t threads, const std::atomic<bool>* stop);
    ~QuantiserPool();
    QuantiserPool(const QuantiserPool&) = delete;
    QuantiserPool& operator=(const QuantiserPool&) = delete;

    // Waits while the threads already have two batches each.
    void submit(std::unique_ptr<QuantiserBatch> batch);
    // The batches read so far, in no particular order.
    std::vector<std::unique_ptr<QuantiserBatch>> take_done();
    // Waits until every batch submitted is read (or passed over after a stop).
    void wait_idle();

  private:
    void work();

    const std::atomic<bool>* stop_;
    std::size_t limit_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<QuantiserBatch>> todo_;
    std::vector<std::unique_ptr<QuantiserBatch>> done_;
    std::size_t working_ = 0;
    bool closing_ = false;
    std::vector<std::thread> threads_;
};

// Reads every picture's macroblocks in a batch (unless `stop` is set).
void read_batch(QuantiserBatch& batch, const std::atomic<bool>* stop);

// Sits between a demultiplexer and the scan's splitter: keeps the video's bytes from the
// open picture's start code, hands each picture on when the next picture, group, sequence
// header or sequence end begins, and merges the figures read back into the result.
class QuantiserPass final : public VideoPayloadSink, public VideoUnitSink {
  public:
    QuantiserPass(MatrixTracker& tracker, ScanResult& result, const ScanControl& control);

    void feed(const std::uint8_t* data, std::size_t size, std::uint64_t file_offset) override;
    void discontinuity() override;
    void unit(const VideoUnit& unit) override;
    // End of the stream: the splitter and the tracker finished, every batch read and merged,
    // the damage told as one message.
    void finish();
    std::uint64_t position() const { return splitter_.position(); }

    // A picture whose bytes grow past this is no picture any decoder could buffer: its
    // bytes are let go and it counts as damaged.
    static constexpr std::size_t max_picture_bytes = std::size_t{16} << 20;
    // A batch goes to the threads at the first group or sequence header past this size.
    static constexpr std::size_t batch_bytes = std::size_t{256} << 10;
    // ...or past this one at any picture, for streams without group headers.
    static constexpr std::size_t max_batch_bytes = std::size_t{4} << 20;

  private:
    void close_picture(std::uint64_t end_position);
    void submit();
    void merge(const QuantiserBatch& batch);
    void drop_before(std::uint64_t position);

    MatrixTracker& tracker_;
    ScanResult& result_;
    const ScanControl& control_;
    VideoUnitSplitter splitter_;
    std::unique_ptr<QuantiserPool> pool_;

    // The video's bytes from stream position bytes_base_.
    std::vector<std::uint8_t> bytes_;
    std::uint64_t bytes_base_ = 0;

    SequenceHeader sequence_header_{};
    bool have_sequence_ = false;
    bool after_sequence_header_ = false;
    SequenceContext sequence_;

    bool open_ = false;
    std::uint64_t picture_index_ = 0;
    std::uint64_t picture_offset_ = 0;
    std::uint64_t picture_position_ = 0;
    bool picture_bytes_lost_ = false;

    std::unique_ptr<QuantiserBatch> batch_;

    std::uint64_t first_damaged_ = 0;
    std::uint64_t first_damaged_offset_ = 0;
    std::uint32_t first_damaged_slice_ = 0;
    std::uint32_t first_damaged_macroblocks_ = 0;
};

// Where the read of one picture may begin, from a whole-stream read that kept its records:
// the last sequence header before the picture, and the file's video.
struct PictureReadStart {
    ScanResult::SequenceStart sequence;
    Container container = Container::elementary;
    std::uint32_t video = 0; // a transport stream's PID
};
// Nothing when no sequence header comes before the picture.
std::optional<PictureReadStart> picture_read_start(const ScanResult& whole, std::uint64_t index);

// Where a read for `start` begins in the file: the sequence header itself in an elementary
// stream, the pack header before it in a program stream, the packet that holds it in a
// transport stream. Nothing when there is no such place to begin (a program stream without
// pack headers, a file changed since) and the read must begin at the file's start.
std::optional<ScanControl::Resume> resume_point(const std::string& path,
                                                const PictureReadStart& start);

// One picture's macroblocks read again from the file, for a map: the video is read up to
// that picture, through the demultiplexer of its container, from `start` when it is given
// (one group of pictures on a DVD) or from the file's start, and the picture is read with
// `map`. Nothing when the file has no such picture (or none after a sequence header) or
// `stop` was set first.
std::optional<PictureQuantiser>
read_picture_macroblocks(const std::string& path, std::uint64_t index, MacroblockSink& map,
                         const std::atomic<bool>* stop = nullptr,
                         const std::optional<PictureReadStart>& start = std::nullopt);

} // namespace quantaline::mpeg
