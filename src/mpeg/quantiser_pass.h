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

// The macroblock side of both passes: each picture's bytes gathered into batches, the
// batches read on a pool of threads (or on the reading thread), their figures merged into
// the pictures' records and into the totals per picture type, the damage counted and told
// as one message naming the first damaged picture.
class QuantiserBatches {
  public:
    // `records`, when given, takes each picture's figures by its index.
    QuantiserBatches(ScanResult& result, PictureRecords* records, const ScanControl& control);

    // A picture's bytes come in pieces between begin and end.
    void begin_picture(std::uint64_t index, std::uint64_t offset, const SequenceContext& sequence);
    void append(const std::uint8_t* data, std::size_t size);
    std::size_t picture_size() const;
    void end_picture(bool bytes_lost);
    // A picture let go (grown past max_picture_bytes): counted as damaged, its bytes dropped
    // when it is the open one.
    void let_go(std::uint64_t index, std::uint64_t offset);
    // A group of pictures or a sequence header comes next: the batch goes to the threads
    // once it is large enough, so that a batch holds whole groups.
    void group_boundary();
    // Every batch read and merged, the damage told.
    void finish();

    // A picture whose bytes grow past this is no picture any decoder could buffer: its
    // bytes are let go and it counts as damaged.
    static constexpr std::size_t max_picture_bytes = std::size_t{16} << 20;
    // A batch goes to the threads at the first group or sequence header past this size.
    static constexpr std::size_t batch_bytes = std::size_t{256} << 10;
    // ...or past this one at any picture, for streams without group headers.
    static constexpr std::size_t max_batch_bytes = std::size_t{4} << 20;

  private:
    void submit();
    void merge(const QuantiserBatch& batch);
    void damaged(std::uint64_t index, std::uint64_t offset, std::uint32_t slice,
                 std::uint32_t macroblocks);

    ScanResult& result_;
    PictureRecords* records_;
    const ScanControl& control_;
    std::unique_ptr<QuantiserPool> pool_;
    std::unique_ptr<QuantiserBatch> batch_;
    bool open_ = false;
    QuantiserBatch::Picture picture_;

    std::uint64_t first_damaged_ = 0;
    std::uint64_t first_damaged_offset_ = 0;
    std::uint32_t first_damaged_slice_ = 0;
    std::uint32_t first_damaged_macroblocks_ = 0;
};

// The one-read pass: sits between a demultiplexer and the scan's splitter, keeps the video's
// bytes from the open picture's start code, and hands each picture on when the next picture,
// group, sequence header or sequence end begins.
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

    static constexpr std::size_t max_picture_bytes = QuantiserBatches::max_picture_bytes;
    static constexpr std::size_t batch_bytes = QuantiserBatches::batch_bytes;

  private:
    void close_picture(std::uint64_t end_position);
    void drop_before(std::uint64_t position);

    MatrixTracker& tracker_;
    ScanResult& result_;
    const ScanControl& control_;
    VideoUnitSplitter splitter_;
    QuantiserBatches batches_;

    // The video's bytes from stream position bytes_base_.
    std::vector<std::uint8_t> bytes_;
    std::uint64_t bytes_base_ = 0;

    SequenceHeader sequence_header_{};
    bool have_sequence_ = false;
    bool sequence_header_read_ = false;
    SequenceContext sequence_;

    bool open_ = false;
    std::uint64_t picture_index_ = 0;
    std::uint64_t picture_offset_ = 0;
    std::uint64_t picture_position_ = 0;
    bool picture_bytes_lost_ = false;
};

// The pass over the pictures a header read recorded (ScanControl::recorded): no start code
// is looked for and no header read again. Each record's picture begins where its offset
// lies in the demultiplexed video and runs for its bytes; the sequence in force comes from
// the read's `sequences`; the figures go into the records themselves.
class RecordedPass final : public VideoPayloadSink {
  public:
    RecordedPass(ScanResult& recorded, ScanResult& result, const ScanControl& control);

    void feed(const std::uint8_t* data, std::size_t size, std::uint64_t file_offset) override;
    void discontinuity() override;
    // End of the stream: a picture cut short is read as far as it goes.
    void finish();

  private:
    // Moves to the next record that has a sequence in force.
    void next_record();

    PictureRecords& records_;
    const std::vector<SequenceParameters>& sequences_;
    QuantiserBatches batches_;
    std::size_t next_ = 0;        // the record looked for, or being gathered
    std::size_t sequence_ = 0;    // in sequences_, in force at next_
    bool gathering_ = false;      // inside record next_'s bytes
    bool keep_ = false;           // ...and keeping them (not let go)
    std::uint64_t remaining_ = 0; // of its bytes not fed yet
    bool bytes_lost_ = false;
};

// Where the read of one picture may begin, from a whole-stream read that kept its records:
// the last sequence header before the picture, and the file's video.
struct PictureReadStart {
    ScanResult::SequenceStart sequence;
    Container container = Container::elementary;
    std::uint32_t video = 0;                            // a transport stream's PID
    std::shared_ptr<const std::vector<Extent>> samples; // where a sample container's lie
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
// `stop` was set first. `layout` is the container the containers' reader told, when it did.
std::optional<PictureQuantiser>
read_picture_macroblocks(const std::string& path, std::uint64_t index, MacroblockSink& map,
                         const std::atomic<bool>* stop = nullptr,
                         const std::optional<PictureReadStart>& start = std::nullopt,
                         const std::optional<Layout>& layout = std::nullopt);

} // namespace quantaline::mpeg
