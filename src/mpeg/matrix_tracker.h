#pragma once

#include "mpeg/scan.h"
#include "mpeg/video_units.h"

#include <unordered_map>
#include <vector>

namespace quantaline::mpeg {

// The matrix semantics of ISO/IEC 13818-2 over the headers of one video stream, in
// stream order: which matrices are in force, where they change, which pictures use them,
// and on request each picture's record.
class MatrixTracker final : public VideoUnitSink {
  public:
    MatrixTracker(ScanResult& result, bool picture_records)
        : result_(result), keep_records_(picture_records) {}

    void unit(const VideoUnit& unit) override;
    // End of the stream, `end_position` bytes of it fed: the last picture is counted with
    // its set, and the damaged structures, if any, become one message.
    void finish(std::uint64_t end_position);

  private:
    void sequence_header(const VideoUnit& unit);
    void quant_matrix_extension(const VideoUnit& unit);
    void picture(const VideoUnit& unit);
    void group(const VideoUnit& unit);
    void picture_coding_extension(const VideoUnit& unit);
    // The timing side of the records: the sequence in force, the chunks, the flags.
    void sequence_timing(const SequenceHeader& header, std::uint64_t offset);
    void sequence_extension(const VideoUnit& unit);
    void chunk_header(bool sequence_header, std::uint64_t position);
    void open_record_timing(std::uint64_t number, std::uint64_t position, std::uint16_t vbv_delay);
    void close_record_timing();
    // The open picture ends where the unit at `end_position` begins.
    void close_picture(std::uint64_t end_position);
    void apply(const MatrixSet& matrices, ChangeKind kind, std::uint64_t offset);
    void damaged(const char* kind, std::uint64_t offset);

    std::size_t distinct_index(const MatrixSet& matrices);

    ScanResult& result_;
    bool have_matrices_ = false;
    MatrixSet current_;
    std::size_t current_index_ = 0; // in result_.matrices
    // For each distinct set, its entry in matrix_sets once a picture used it.
    std::vector<std::size_t> use_of_;
    // Distinct sets by a hash of their bytes.
    std::unordered_multimap<std::uint64_t, std::size_t> by_hash_;

    bool picture_open_ = false; // a picture header was seen and its picture not counted
    bool keep_records_ = false;
    bool coding_extension_seen_ = false;        // of the open picture
    PictureRecord record_;                      // of the open picture
    std::uint64_t picture_position_ = 0;        // of the open picture's start code in the stream
    std::optional<std::size_t> change_waiting_; // first change waiting for its picture
    bool gop_after_change_ = false;
    // A sequence header read and no picture after it yet: its offset.
    std::optional<std::uint64_t> sequence_start_;

    // The sequence header read since the last picture, its extension folded in, and the one
    // in force.
    std::optional<SequenceParameters> sequence_waiting_;
    std::optional<SequenceParameters> sequence_in_force_;
    // Where the chunk of the next picture begins (a sequence or group header), the flags of
    // the headers before it, and where the last record's bytes ended.
    std::optional<std::uint64_t> chunk_start_;
    PictureFlags headers_before_;
    std::optional<std::uint64_t> last_record_end_;
    std::uint64_t last_record_index_ = 0;

    std::uint64_t damaged_count_ = 0;
    const char* first_damaged_kind_ = nullptr;
    std::uint64_t first_damaged_offset_ = 0;
    std::uint64_t forbidden_type_count_ = 0;
    std::uint64_t first_forbidden_type_offset_ = 0;
};

} // namespace quantaline::mpeg
